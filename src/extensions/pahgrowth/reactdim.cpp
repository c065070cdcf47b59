#include "reactdim.hpp"

#include <algorithm>
#include <climits>

#include "../sootwrapper/sootwrapper.hpp"

namespace pyrandel {

using bind::at;
using bind::Ref;

BIND_TYPE_OBJECT(CReactDim)

namespace {

bind::Name n_H2("H2");

constexpr const char* cls = "CReactDim";

// The species of precursor p as PAH_index_at gives it, read in place where
// that read cannot fail (no code runs in between).
inline int species_of(const CReactDim* s, int p) {
    const CSootWrapper* sw = s->soot_wrapper.o;
    return sw && p >= 0 && (size_t)p < sw->PAH_indices.size() ? sw->PAH_indices.data()[p] : s->PAH_index_at(p);
}

// The molar mass of precursor i as the gas wrapper gives it.
double MW_of(CReactDim* s, int i) { return GasView(s).MW(species_of(s, i)); }

// The checked access of the dimer balance: the table entries and the gas
// wrapper, held for each read.
struct Checked {
    CReactDim* s;
    static double div(double a, double b) { return bind::fdiv(a, b); }
    double k_fwd(size_t, int i, int j) const { return s->vt()->k_FWD(s, i, j); }
    double C(int i) const { return GasView(s).C(species_of(s, i)); }
    double k_rev(size_t, double k_fwd, int i, int j) const { return s->k_REV_from(k_fwd, i, j); }
};

// The plain access: the step's values (plain_route has proved every read
// inside); a zero divisor is noted, and the fused pass then stops.
struct Plain {
    const CReactDim::Step& d;
    mutable bool zero = false;
    double div(double a, double b) const {
        zero = zero || b == 0.0;
        return a / b;
    }
    double k_fwd(size_t kk, int, int) const {
        return reactdim::k_fwd_from(d.pairs[kk].factor, d.pairs[kk].m_red, d.T);
    }
    double C(int i) const { return d.C[i]; }
    double k_rev(size_t kk, double k_fwd, int, int) const {
        return reactdim::k_back_from(k_fwd, d.pairs[kk].back, d.T);
    }
};

// The scrub rows: per unit of rate, what the species gain.
struct InceptionRow {  // a chemical dimer takes one molecule of each of its two precursors
    static double own(double r) { return -r; }
};
struct AdsorptionRow {  // an adsorbed PAH takes its precursor and gives up two H atoms as H2
    static PyObject* species() { return n_H2; }
    static double own(double r) { return -r; }
    static double other(double r) { return r; }
};

// One checked scrub write; an index outside the array is reported under the
// entry's name and that write skipped.
inline void scrub(const char* entry, bind::DoubleBuf& w, Py_ssize_t i, double delta) {
    const Py_ssize_t n = w.size(), j = i < 0 ? i + n : i;
    if (j >= 0 && j < n) [[likely]]
        w.at(j) += delta;
    else
        bind::report_unraisable<void>(cls, entry, [&] { CPAHGrowthBase::scrub_add(w, i, delta); });
}

// _update_PAH_adsorption_rate returns an object: its errors pass on, with a traceback entry under its name.
Ref vt_update_PAH_adsorption_rate(CReactDim* s) {
    return bind::propagate(cls, "_update_PAH_adsorption_rate", [&] { s->update_PAH_adsorption_rate_impl(); });
}

}  // namespace

// The base's entries, 8 and 9 replaced, 10 the body shared by every model, then the own ones.
const CReactDimVTable CReactDim::vtable = [] {
    using bind::entry;
    auto t = bind::extend<CReactDimVTable>(CPAHGrowthBase::vtable);
    t._update_w_scrub_inception = entry<&CReactDim::update_w_scrub_inception_impl, "_update_w_scrub_inception">();
    t._update_w_scrub_PAH = entry<&CReactDim::update_w_scrub_PAH_impl, "_update_w_scrub_PAH">();
    t.update_w_scrub = pah_growth_update_w_scrub;
    t._update_phy_dimer = entry<&CReactDim::update_phy_dimer_impl, "_update_phy_dimer">();
    t.k_FWD = entry<&CReactDim::k_FWD_impl, "k_FWD">();
    t.k_REV = entry<&CReactDim::k_REV_impl, "k_REV">();
    t.k_REAC = entry<&CReactDim::k_REAC_impl, "k_REAC">();
    t.beta_fm_soot_PAH = entry<&CReactDim::beta_fm_soot_PAH_impl, "beta_fm_soot_PAH">();
    t.beta_cont_soot_PAH = entry<&CReactDim::beta_cont_soot_PAH_impl, "beta_cont_soot_PAH">();
    t.C_S_soot = entry<&CReactDim::C_S_soot_impl, "C_S_soot">();
    t.k_f_soot_PAH = entry<&CReactDim::k_f_soot_PAH_impl, "k_f_soot_PAH">();
    t.k_r_soot_PAH = entry<&CReactDim::k_r_soot_PAH_impl, "k_r_soot_PAH">();
    t.k_PAH = entry<&CReactDim::k_PAH_impl, "k_PAH">();
    t.soot_PAH_star = entry<&CReactDim::soot_PAH_star_impl, "soot_PAH_star">();
    t._update_PAH_adsorption_rate = vt_update_PAH_adsorption_rate;
    t._update_w_chem_dimer = entry<&CReactDim::update_w_chem_dimer_impl, "_update_w_chem_dimer">();
    t._update_c_soot_PAH_star = entry<&CReactDim::update_c_soot_PAH_star_impl, "_update_c_soot_PAH_star">();
    t._update_k_adsorption = entry<&CReactDim::update_k_adsorption_impl, "_update_k_adsorption">();
    t._update_CH_tot_PAH = entry<&CReactDim::update_CH_tot_PAH_impl, "_update_CH_tot_PAH">();
    t._update_NCH_inception = entry<&CReactDim::update_NCH_inception_impl, "_update_NCH_inception">();
    return t;
}();
[[maybe_unused]] const bool plain_scrub_added = add_plain_scrub<CReactDim>();

// ----------------------------------------------------------- construction

void CReactDim::init_impl(PyObject* w) {
    CPAHGrowthBase::init_impl(w);
    _reset();
}

void CReactDim::_reset_impl() {
    K_REACT_prefactor = 1.0;
    Ea_REACT_prefactor = 1.0;
    k_FWD_prefactor = 1.0;
    K_PAH_ADS_prefactor = 1.0;
    Ea_PAH_ADS_prefactor = 1.0;
    CPAHGrowthBase::_reset_impl();
}

void CReactDim::create_PAH_dimer_impl() {
    Ref w = wrapper_ref("PAH_indices");
    const CSootWrapper* sw = as_wrapper(w);
    check_precursor_lists(sw);
    const size_t n = sw->PAH_indices.size();
    const size_t nd = n * (n + 1) / 2;
    if (nd > (size_t)INT_MAX) bind::raise(PyExc_OverflowError, "too many precursor pairs");
    // Nothing below runs Python code: the wrapper's lists stay as they are.
    for (auto* v : {&k_f_adsorption, &k_r_adsorption, &c_soot_PAH_star, &_PAH_adsorption_rate, &_C_tot_PAH_each,
                    &_H_tot_PAH_each})
        v->resize(n, 0.0);
    for (auto* v : {&dimer_n_C, &dimer_n_H, &c_phy_dimer, &w_chem_dimer, &_N_agg_inception_each,
                    &_C_tot_inception_each, &_H_tot_inception_each})
        v->resize(nd, 0.0);
    dimer_PAH_1_id.resize(nd, 0);
    dimer_PAH_2_id.resize(nd, 0);
    n_PAHs = (int)n;
    n_dimers = (int)nd;
    size_t kk = 0;
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i; j < n; ++j, ++kk) {
            dimer_PAH_1_id[kk] = (int)i;
            dimer_PAH_2_id[kk] = (int)j;
            dimer_n_C[kk] = sw->PAH_n_C[i] + sw->PAH_n_C[j];
            dimer_n_H[kk] = sw->PAH_n_H[i] + sw->PAH_n_H[j];
        }
}

// ------------------------------------------------------- Arrhenius constants

inline double CReactDim::k_reac_at(double T) {
    return reactdim::arrhenius_of(K_REACT_prefactor, 5e6, Ea_REACT_prefactor, T,
                                  [this](double x) { return arrhenius_exp(x); });
}

inline double CReactDim::k_pah_at(double T) {
    return reactdim::arrhenius_of(K_PAH_ADS_prefactor, 2e10, Ea_PAH_ADS_prefactor, T,
                                  [this](double x) { return arrhenius_exp(x); });
}

// ------------------------------------------------------------------ update

// On the exact class with its own table a switch is the wrapper's field (no
// override can intervene), read when the process starts.
bool CReactDim::inception_on() {
    const bool exact = Py_TYPE(this) == &type && vtab == &vtable;
    return exact && soot_wrapper ? soot_wrapper.o->inception_enabled : inception_enabled();
}
bool CReactDim::adsorption_on() {
    const bool exact = Py_TYPE(this) == &type && vtab == &vtable;
    return exact && soot_wrapper ? soot_wrapper.o->PAH_adsorption_enabled : PAH_adsorption_enabled();
}

// On the plain route in one fused pass; otherwise each process through its
// entries, in their order.
void CReactDim::update_impl() {
    if (plain_route()) {
        if (!step.inception && !step.adsorption) return;
        if (fused_update()) return;
    }
    if (inception_on()) {
        vt()->_update_phy_dimer(this);
        vt()->_update_w_chem_dimer(this);
        vt()->_update_NCH_inception(this);
    }
    if (adsorption_on()) {
        vt()->_update_k_adsorption(this);
        vt()->_update_c_soot_PAH_star(this);
        vt()->_update_PAH_adsorption_rate(this);
        vt()->_update_CH_tot_PAH(this);
    }
}

bool CReactDim::plain_route() {
    Step& d = step;
    if (!plain_start(this, d, &type, &vtable)) return false;
    if (!d.inception && !d.adsorption) return true;
    const size_t n = d.mass.size(), nd = (size_t)std::max(n_dimers, 0);
    if (!d.plain_C()) return false;
    if (d.inception) {
        if (!all_sized(nd, dimer_PAH_1_id, dimer_PAH_2_id, dimer_n_C, dimer_n_H, c_phy_dimer) ||
            !process_arrays_sized(*this, nd, true, false, w_chem_dimer) || !pair_terms(nd))
            return false;
        d.k_reac = k_reac_at(d.T);
    }
    if (d.adsorption) {
        // Only these divisors are tested by the entries (in beta_cont_soot_PAH and _update_CH_tot_PAH).
        if (d.rho == 0.0 || 3.0 * d.mu == 0.0 || !all_sized(n, k_f_adsorption, k_r_adsorption, c_soot_PAH_star) ||
            !process_arrays_sized(*this, n, false, true, w_chem_dimer))
            return false;
        d.k_pah = k_pah_at(d.T);
        d.cont_a = dimer::cont_a_of(dimer::plain_div, d.T, d.mu);
        d.cont_agg = dimer::C_S_of(d.lam, d_m, [&d](double y) { return slip_exp(d.sw, y); }) / d_g;
    }
    if (d.C.size() != n) d.C.resize(n);
    const int* idx = d.sw->PAH_indices.data();
    for (size_t i = 0; i < n; ++i) d.C[i] = d.C_of(idx[i]);
    return true;
}

// The pair terms of every dimer, kept where they hold (a kept pair's ids were
// in range, and the precursor count has not changed since: it would have
// changed the geometry version). False where a pair's precursor lies outside
// the step or their diameters add up to zero (reduced_d reports it).
bool CReactDim::pair_terms(size_t nd) {
    Step& d = step;
    const size_t n = d.mass.size();
    const uint64_t f = std::bit_cast<uint64_t>(k_FWD_prefactor);
    if (d.pairs.size() != nd || d.pairs_version != d.version || d.pairs_prefactor != f) [[unlikely]] {
        d.pairs.assign(nd, Step::Pair{});
        d.pairs_version = d.version;
        d.pairs_prefactor = f;
    }
    const int *id_1 = dimer_PAH_1_id.data(), *id_2 = dimer_PAH_2_id.data();
    for (size_t kk = 0; kk < nd; ++kk) {
        const int i = id_1[kk], j = id_2[kk];
        Step::Pair& p = d.pairs[kk];
        if (p.i == i && p.j == j) [[likely]]
            continue;
        if ((size_t)i >= n || (size_t)j >= n) return false;  // negative ids wrap to large sizes
        const double d_i = d.diam[i], d_j = d.diam[j];
        if (d_i + d_j == 0.0) return false;
        const double d_red = reduced_d_of(dimer::plain_div, d_i, d_j);
        p = Step::Pair{i, j, reactdim::k_fwd_factor(k_FWD_prefactor, d_red), reduced_of(d.mass[i], d.mass[j]),
                       reactdim::back_numerator(d.kept[i].key().MW, d.kept[j].key().MW)};
    }
    return true;
}

bool CReactDim::fused_update() {
    const Step& d = step;
    const double rho = d.rho;
    if (d.inception) {
        const size_t nd = d.pairs.size();  // the dimer count plain_route proved (a negative one is none)
        const bool partial = d.partial();
        const Plain a{d};
        const double k_reac = d.k_reac;
        // Read once: the stores below could otherwise alias them.
        const int *id_1 = dimer_PAH_1_id.data(), *id_2 = dimer_PAH_2_id.data();
        const double *n_Cs = dimer_n_C.data(), *n_Hs = dimer_n_H.data();
        double *c_phy = c_phy_dimer.data(), *w_chem = w_chem_dimer.data();
        double *N_each = _N_agg_inception_each.data(), *C_each = _C_tot_inception_each.data(),
               *H_each = _H_tot_inception_each.data();
        InceptionTotals tot;
        for (size_t kk = 0; kk < nd; ++kk) {
            const double c = reactdim::phy_dimer_of(a, kk, id_1[kk], id_2[kk], k_reac);
            if (a.zero) return false;
            c_phy[kk] = c;
            const double w = reactdim::chem_dimer_of(k_reac, c);
            w_chem[kk] = w;
            const double n_C = n_Cs[kk];
            const double dC = reactdim::incepted_of(n_C, w, rho), dH = reactdim::incepted_of(n_Hs[kk], w, rho);
            const double dN = reactdim::new_particles_of(partial, n_C, w, rho);
            C_each[kk] = dC;
            H_each[kk] = dH;
            N_each[kk] = dN;
            tot.add(dN, dC, dH);
        }
        tot.store(*this);
    }
    if (d.adsorption) {
        const size_t n = d.mass.size();
        const double T = d.T, lam = d.lam, k_pah = d.k_pah;
        const double d_g_ = d_g, m_agg_ = m_agg, soot_MW_ = soot_MW, c_agg = c_soot_agg;
        const double *n_Cs = d.sw->PAH_n_C.data(), *n_Hs = d.sw->PAH_n_H.data();
        double *k_fs = k_f_adsorption.data(), *k_rs = k_r_adsorption.data(), *stars = c_soot_PAH_star.data(),
               *rates = _PAH_adsorption_rate.data(), *C_each = _C_tot_PAH_each.data(), *H_each = _H_tot_PAH_each.data();
        AdsorbedCH tot;
        for (size_t i = 0; i < n; ++i) {
            const double d_i = d.diam[i];
            const double fm = dimer::beta_fm_soot_of(T, d_i, d.mass[i], d_g_, m_agg_);
            const double cont =
                dimer::beta_cont_of(d.cont_a, dimer::C_S_of(lam, d_i, dimer::exp_of), d_i, d.cont_agg, d_g_);
            const double k_f = reactdim::k_f_of(fm, cont);
            const double k_r = reactdim::k_back_of(k_f, soot_MW_, d.kept[i].key().MW, T);
            k_fs[i] = k_f;
            k_rs[i] = k_r;
            const double star = reactdim::star_of(k_f, c_agg, d.C[i], k_r, k_pah);
            stars[i] = star;
            const double r = k_pah * star;
            rates[i] = r;
            tot.add(n_Cs[i], n_Hs[i], r, rho, C_each[i], H_each[i]);
        }
        _C_tot_PAH_total = tot.C;
        _H_tot_PAH_total = tot.H;
    }
    return true;
}

// ----------------------------------------------------------- rate constants

double CReactDim::k_FWD_impl(int i, int j) {
    const double d_red = vtab->reduced_d(this, i, j);
    const double m_red = vtab->reduced_m(this, i, j);
    const double T = GasView(this).T();
    return reactdim::k_fwd_of(k_FWD_prefactor, d_red, m_red, T);
}

double CReactDim::k_REV_from(double k_fwd, int i, int j) {
    const double MW_i = MW_of(this, i);
    const double MW_j = MW_of(this, j);
    return reactdim::k_back_of(k_fwd, MW_i, MW_j, GasView(this).T());
}

double CReactDim::k_REV_impl(int i, int j) { return k_REV_from(vt()->k_FWD(this, i, j), i, j); }

double CReactDim::k_REAC_impl() { return k_reac_at(GasView(this).T()); }
double CReactDim::k_PAH_impl() { return k_pah_at(GasView(this).T()); }

double CReactDim::beta_fm_soot_PAH_impl(int i) {
    const double d_i = vtab->PAH_diameter(this, i);
    const double m_i = vtab->PAH_mass(this, i);
    const double T = GasView(this).T();
    return dimer::beta_fm_soot_of(T, d_i, m_i, d_g, m_agg);
}

double CReactDim::beta_cont_soot_PAH_impl(int i) {
    const double T = GasView(this).T(), mu = GasView(this).mu();
    const double d_i = vtab->PAH_diameter(this, i);
    const double a = dimer::cont_a_of(bind::fdiv, T, mu);
    const double C_S_i = vt()->C_S_soot(this, d_i);
    const double C_S_m = vt()->C_S_soot(this, d_m);
    return dimer::beta_cont_of(a, C_S_i, d_i, C_S_m / d_g, d_g);
}

double CReactDim::C_S_soot_impl(double d) { return dimer::C_S_of(GasView(this).lambda(), d, dimer::exp_of); }

double CReactDim::k_f_soot_PAH_impl(int i) {
    const double fm = vt()->beta_fm_soot_PAH(this, i);
    const double cont = vt()->beta_cont_soot_PAH(this, i);
    return reactdim::k_f_of(fm, cont);
}

double CReactDim::k_r_from(double k_f, int i) {
    const double MW_i = MW_of(this, i);
    return reactdim::k_back_of(k_f, soot_MW, MW_i, GasView(this).T());
}

double CReactDim::k_r_soot_PAH_impl(int i) { return k_r_from(vt()->k_f_soot_PAH(this, i), i); }

double CReactDim::soot_PAH_star_impl(int i) {
    const double k_f = vt()->k_f_soot_PAH(this, i);
    const double C_i = GasView(this).C(species_of(this, i));
    const double k_r = k_r_from(k_f, i);
    return reactdim::star_of(k_f, c_soot_agg, C_i, k_r, vt()->k_PAH(this));
}

// ---------------------------------------------------------------- inception

// Python code may run inside the gas accessors (an overridden `mean_MW`), so
// every array is indexed afresh and bounds-checked.
void CReactDim::update_phy_dimer_impl() {
    const double k_reac = vt()->k_REAC(this);
    const Checked a{this};
    for (int kk = 0; kk < n_dimers; ++kk) {
        const int i = at(dimer_PAH_1_id, kk), j = at(dimer_PAH_2_id, kk);
        const double c = reactdim::phy_dimer_of(a, (size_t)kk, i, j, k_reac);
        at(c_phy_dimer, kk) = c;
    }
}

void CReactDim::update_w_chem_dimer_impl() {
    const double k_reac = vt()->k_REAC(this);
    for (int kk = 0; kk < n_dimers; ++kk) {
        const double c = at(c_phy_dimer, kk);
        at(w_chem_dimer, kk) = reactdim::chem_dimer_of(k_reac, c);
    }
}

void CReactDim::update_NCH_inception_impl() {
    _N_agg_inception_total = 0.0;
    _C_tot_inception_total = 0.0;
    _H_tot_inception_total = 0.0;
    const double rho = GasView(this).rho();
    for (int kk = 0; kk < n_dimers; ++kk) {
        const double w = at(w_chem_dimer, kk), n_C = at(dimer_n_C, kk), n_H = at(dimer_n_H, kk);
        const double dC = reactdim::incepted_of(n_C, w, rho), dH = reactdim::incepted_of(n_H, w, rho);
        at(_C_tot_inception_each, kk) = dC;
        at(_H_tot_inception_each, kk) = dH;
        const double dN = reactdim::new_particles_of(partial_addition_on(), n_C, w, rho);
        at(_N_agg_inception_each, kk) = dN;
        _N_agg_inception_total += dN;
        _C_tot_inception_total += dC;
        _H_tot_inception_total += dH;
    }
}

// ---------------------------------------------------------------- adsorption

void CReactDim::update_k_adsorption_impl() {
    for (int i = 0; i < n_PAHs; ++i) {
        const double k_f = vt()->k_f_soot_PAH(this, i);
        const double k_r = k_r_from(k_f, i);
        at(k_f_adsorption, i) = k_f;
        at(k_r_adsorption, i) = k_r;
    }
}

void CReactDim::update_c_soot_PAH_star_impl() {
    for (int i = 0; i < n_PAHs; ++i) {
        const double c = vt()->soot_PAH_star(this, i);
        at(c_soot_PAH_star, i) = c;
    }
}

void CReactDim::update_PAH_adsorption_rate_impl() {
    const double k_pah = vt()->k_PAH(this);
    for (int i = 0; i < n_PAHs; ++i) {
        const double c = at(c_soot_PAH_star, i);
        at(_PAH_adsorption_rate, i) = k_pah * c;
    }
}

void CReactDim::update_CH_tot_PAH_impl() {
    _C_tot_PAH_total = 0.0;
    _H_tot_PAH_total = 0.0;
    const double rho = GasView(this).rho();
    AdsorbedCH tot;
    for (int i = 0; i < n_PAHs; ++i) {
        const double r = at(_PAH_adsorption_rate, i);
        const double n_C = PAH_n_C_at(i);
        if (rho == 0.0) bind::raise(PyExc_ZeroDivisionError, "float division");
        const double n_H = PAH_n_H_at(i);
        double dC, dH;
        tot.add(n_C, n_H, r, rho, dC, dH);
        at(_C_tot_PAH_each, i) = dC;
        at(_H_tot_PAH_each, i) = dH;
        _C_tot_PAH_total = tot.C;
        _H_tot_PAH_total = tot.H;
    }
}

// ----------------------------------------------------------------- scrubbing

// The checked writers: every rate and index read afresh, each write tested
// against the buffer.
void CReactDim::update_w_scrub_inception_impl(bind::DoubleBuf& w) {
    for (int kk = 0; kk < n_dimers; ++kk) {
        const double r = at(w_chem_dimer, kk);
        const int s_i = species_of(this, at(dimer_PAH_1_id, kk));
        const int s_j = species_of(this, at(dimer_PAH_2_id, kk));
        scrub("_update_w_scrub_inception", w, s_i, InceptionRow::own(r));
        scrub("_update_w_scrub_inception", w, s_j, InceptionRow::own(r));
    }
}

void CReactDim::update_w_scrub_PAH_impl(bind::DoubleBuf& w) {
    const int h = GasView(this).index(AdsorptionRow::species());
    for (int i = 0; i < n_PAHs; ++i) {
        const double r = at(_PAH_adsorption_rate, i);
        const int s = species_of(this, i);
        scrub("_update_w_scrub_PAH", w, s, AdsorptionRow::own(r));
        scrub("_update_w_scrub_PAH", w, h, AdsorptionRow::other(r));
    }
}

// The plain writer: the two scrub entries on a plain array, the same additions in
// the same order at elements found once, where the lists cover the counts,
// every dimer's precursors are in the wrapper's list, the index of H2 is known
// to the gas wrapper's cache and every write lands inside the array.
bool CReactDim::plain_scrub(const bind::F64Span& w) {
    const CSootWrapper* sw = soot_wrapper.o;
    CSootGas* g = sw ? sw->gas() : nullptr;
    const size_t nd = (size_t)std::max(n_dimers, 0), n = (size_t)std::max(n_PAHs, 0);
    if (!g || !all_sized(nd, w_chem_dimer, dimer_PAH_1_id, dimer_PAH_2_id) ||
        !all_sized(n, _PAH_adsorption_rate, sw->PAH_indices) || !h2_id.find(g, {AdsorptionRow::species()}))
        return false;
    double* w_H2 = w.slot(h2_id[0]);
    if (!w_H2) return false;
    const size_t np = sw->PAH_indices.size();
    scrub_at_.resize(np);
    double** elem = scrub_at_.data();
    for (size_t p = 0; p < np; ++p)
        if (!(elem[p] = w.slot(sw->PAH_indices.data()[p]))) return false;
    const int *id_1 = dimer_PAH_1_id.data(), *id_2 = dimer_PAH_2_id.data();
    const double* wc = w_chem_dimer.data();
    for (size_t kk = 0; kk < nd; ++kk) {
        const size_t p = (size_t)id_1[kk], q = (size_t)id_2[kk];  // negative ids wrap
        if (p >= np || q >= np) return false;
        const double r = wc[kk];
        *elem[p] += InceptionRow::own(r);
        *elem[q] += InceptionRow::own(r);
    }
    const double* ra = _PAH_adsorption_rate.data();
    for (size_t i = 0; i < n; ++i) {
        const double r = ra[i];
        *elem[i] += AdsorptionRow::own(r);
        *w_H2 += AdsorptionRow::other(r);
    }
    return true;
}

// ------------------------------------------------------------------ tables

namespace {

using Self = CReactDim;
const bind::Field fields[] = {REACTDIM_FIELDS(BIND_ROW)};
BIND_DERIVED_METHOD_TABLES(REACTDIM_METHODS, REACTDIM_REDEFINES)

}  // namespace

bind::ClassSpec& CReactDim::spec() {
    static bind::ClassSpec s = bind::define<CReactDim>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .init = bind::Init<&CReactDim::init_impl, "soot_wrapper">::init,
        .vtable = &vtable,
        .vtable_size = sizeof vtable,
        .checksums = {0x2165b13, 0x0327a1d, 0x686ca3c},
    });
    return s;
}

}  // namespace pyrandel
