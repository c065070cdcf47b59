#include "reactdim.hpp"

#include <climits>
#include <optional>

#include "../../lib/constants.hpp"
#include "../gas/sootgas.hpp"
#include "../sootwrapper/sootwrapper.hpp"

namespace pyrandel {

using bind::at;
using bind::Ref;

BIND_TYPE_OBJECT(CReactDim)

namespace {

bind::Name n_H2("H2");

constexpr const char* cls = "CReactDim";
constexpr double ten_to_minus_1_8 = 0.015848931924611134;

// The gas wrapper of a model, held with its soot wrapper for the call.
struct Gas {
    Ref w, g;
    CSootGas* p;
    explicit Gas(const CPAHGrowthBase* m)
        : w(held_wrapper(m->soot_wrapper, "soot_gas")), g(as_wrapper(w)->held_gas("soot_gas")),
          p(reinterpret_cast<CSootGas*>(g.get())) {}
    double T() const { return p->vtab->T_c(p); }
    double rho() const { return p->vtab->rho_c(p); }
    double mu() const { return p->vtab->mu_c(p); }
    double lambda() const { return p->vtab->lambda_gas_c(p); }
    double C(int i) const { return p->C_entry(i); }
    double MW(int i) const { return p->vtab->MW_c(p, i); }
    int index(PyObject* name) const { return p->species_index_entry(name); }
};

// One scrub write; an index outside the array is reported under the entry's
// name and that write skipped.
void scrub(const char* entry, bind::DoubleBuf& w, Py_ssize_t i, double delta) {
    report_unraisable<void>(cls, entry, [&] { CPAHGrowthBase::scrub_add(w, i, delta); });
}

// The dissociation factor shared by k_REV and k_r_soot_PAH: its exponent is
// (933420 mu - 34053) (-0.115) ln10 / (R T), the numerator fixed per molar mass.
inline double dissociation_numerator(double mu) { return (933420.0 * mu - 34053.0) * (-0.115) * k.ln10_const; }
inline double dissociation_from(double numerator, double T) { return std::exp(numerator / (k.R_const * T)); }
double dissociation_factor(double mu, double T) { return dissociation_from(dissociation_numerator(mu), T); }

// The rate-constant formulas, shared by the entries and the fused step so that
// both evaluate the same operations in the same order. k_FWD is the product of
// a factor fixed per pair (left of the root) and the root of T / m_red.
inline double k_fwd_pair_factor(double prefactor, double d_red) {
    return prefactor * 2.2 * 0.1 * k.Av_const * std::pow(d_red, 2.0);
}
inline double k_fwd_from(double pair_factor, double m_red, double T) {
    return pair_factor * std::sqrt(8.0 * k.Pi_const * k.kB_const * T / m_red);
}
inline double k_fwd_of(double prefactor, double d_red, double m_red, double T) {
    return k_fwd_from(k_fwd_pair_factor(prefactor, d_red), m_red, T);
}
inline double pair_mu(double MW_i, double MW_j) { return MW_i * MW_j / (MW_i + MW_j); }
inline double k_rev_from(double k_fwd, double diss_num, double T) {
    return k_fwd * ten_to_minus_1_8 * dissociation_from(diss_num, T);
}
inline double k_rev_of(double k_fwd, double MW_i, double MW_j, double T) {
    return k_rev_from(k_fwd, dissociation_numerator(pair_mu(MW_i, MW_j)), T);
}
inline double beta_fm_of(double d_i, double m_i, double d_g, double m_agg, double T) {
    return 2.2 * std::pow(d_i + d_g, 2.0) * std::sqrt(k.Pi_const * k.kB_const * T / 2.0 * (1.0 / m_agg + 1.0 / m_i));
}
inline double C_S_of(double d, double lam) { return 1.0 + (2.0 * lam / d) * (1.21 + 0.4 * std::exp(-0.78 * d / lam)); }
// The same at the aggregates' mobility diameter, whose exponential the particle model takes again.
inline double C_S_agg_of(double d_m, double lam) {
    return 1.0 + (2.0 * lam / d_m) * (1.21 + 0.4 * std::exp(-0.78 * d_m / lam));
}
inline double k_f_of(double fm, double cont) { return k.Av_const * fm * cont / (fm + cont); }
inline double k_r_of(double k_f, double soot_MW, double MW_i, double T) {
    const double mu = soot_MW * MW_i / (soot_MW + MW_i);
    return k_f * ten_to_minus_1_8 * dissociation_factor(mu, T);
}

// Entry 22 returns an object: its errors pass on, with a traceback entry under its name.
Ref vt_update_PAH_adsorption_rate(CReactDim* s) {
    return propagate(cls, "_update_PAH_adsorption_rate", [&] { s->update_PAH_adsorption_rate_impl(); });
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
    Ref w = held_wrapper(soot_wrapper, "PAH_indices");
    const CSootWrapper* sw = as_wrapper(w);
    const size_t n = sw->PAH_indices.size();
    // Every precursor needs its atom counts: refuse short lists before changing anything.
    if (sw->PAH_n_C.size() < n || sw->PAH_n_H.size() < n)
        bind::raisef(PyExc_IndexError,
                     "precursor lists of unequal length: %zu indices, %zu carbon counts, %zu hydrogen counts", n,
                     sw->PAH_n_C.size(), sw->PAH_n_H.size());
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

void CReactDim::update_impl() {
    if (!step_busy_) return update_with(step_store_, true);
    ReactDimStep nested;
    update_with(nested, false);
}

void CReactDim::update_with(ReactDimStep& st, bool outer) {
    // Only an exact CReactDim computes its fixed values once: a Python subclass
    // may override the precursor lists or switches, whose values stay computed afresh.
    struct Scope {
        CReactDim* m;
        bool outer;
        ~Scope() {
            m->step_ = nullptr;
            if (outer) m->step_busy_ = false;
        }
    } scope{this, outer};
    step_busy_ = true;
    step_ = nullptr;
    // The exact type with its own table: the switches are the wrapper's fields
    // (no override can intervene) and the kernels run fused on the fixed values.
    const bool exact = Py_TYPE(this) == &type && vtab == &vtable;
    if (exact && soot_wrapper ? soot_wrapper.o->inception_enabled : inception_enabled()) {
        if (exact && !step_ && build_step(st)) step_ = &st;
        if (!(step_ && fused_inception(st))) {
            vt()->_update_phy_dimer(this);
            vt()->_update_w_chem_dimer(this);
            vt()->_update_NCH_inception(this);
        }
    }
    if (exact && soot_wrapper ? soot_wrapper.o->PAH_adsorption_enabled : PAH_adsorption_enabled()) {
        if (exact && !step_ && build_step(st)) step_ = &st;
        if (!(step_ && fused_adsorption(st))) {
            vt()->_update_k_adsorption(this);
            vt()->_update_c_soot_PAH_star(this);
            vt()->_update_PAH_adsorption_rate(this);
            vt()->_update_CH_tot_PAH(this);
        }
    }
}

namespace {

// Python's truth of a switch object, when finding it runs no code of the caller's.
bool plain_truth(PyObject* o, bool& on) {
    if (o == Py_True || o == Py_False || o == Py_None || PyLong_CheckExact(o) || PyFloat_CheckExact(o)) {
        on = PyObject_IsTrue(o) == 1;
        return true;
    }
    return false;
}

}  // namespace

// Entries 11, 23 and 27 in one pass on the fixed values of the step, for an
// exact CReactDim. False, leaving the rest to the entries, where an entry would
// fail, report or call out: a list shorter than the dimer count, a precursor
// id outside the step's values, concentrations not cached, a switch whose
// truth may run code, a zero denominator. The values written before such a
// stop are the ones the entries write again, from the same inputs.
bool CReactDim::fused_inception(ReactDimStep& st) {
    const size_t n = st.m.size(), nd = (size_t)(n_dimers < 0 ? 0 : n_dimers);
    if (!st.have_C || !soot_wrapper || st.d.size() != n || st.MW.size() != n || st.C.size() != n) return false;
    for (const auto* v : {&dimer_PAH_1_id, &dimer_PAH_2_id})
        if (v->size() < nd) return false;
    for (const auto* v : {&c_phy_dimer, &w_chem_dimer, &dimer_n_C, &dimer_n_H, &_N_agg_inception_each,
                          &_C_tot_inception_each, &_H_tot_inception_each})
        if (v->size() < nd) return false;
    bool partial;
    if (!plain_truth(soot_wrapper.o->partial_particle_addition, partial)) return false;
    // The sizes are checked above and no code runs below: plain element access,
    // and the members read once (the stores below could otherwise alias them).
    const int *id_1 = dimer_PAH_1_id.data(), *id_2 = dimer_PAH_2_id.data();
    const double *n_Cs = dimer_n_C.data(), *n_Hs = dimer_n_H.data();
    double *c_phy = c_phy_dimer.data(), *w_chem = w_chem_dimer.data();
    double *N_each = _N_agg_inception_each.data(), *C_each = _C_tot_inception_each.data(),
           *H_each = _H_tot_inception_each.data();
    const double *ds = st.d.data(), *ms = st.m.data(), *Cs = st.C.data(), *MWs = st.MW.data();
    const double T = st.T, k_reac_ = st.k_reac, rho = st.rho, prefactor = k_FWD_prefactor;
    // The pair constants are kept while the step reads the kept geometry rows;
    // a pair whose ids differ from the kept ones is computed afresh.
    const bool keep = st.rows_exact;
    if (keep && (pairs_.size() != nd || pairs_gen_ != geometry_gen_ ||
                 pairs_prefactor_bits_ != std::bit_cast<uint64_t>(prefactor))) {
        pairs_.assign(nd, PairConst{});
        pairs_gen_ = geometry_gen_;
        pairs_prefactor_bits_ = std::bit_cast<uint64_t>(prefactor);
    }
    PairConst fresh;
    double N_tot = 0.0, C_tot = 0.0, H_tot = 0.0;
    for (size_t kk = 0; kk < nd; ++kk) {
        const int i = id_1[kk], j = id_2[kk];
        if ((size_t)i >= n || (size_t)j >= n) return false;  // negative ids wrap to large sizes
        PairConst& pc = keep ? pairs_[kk] : fresh;
        if (!keep || pc.i != i || pc.j != j) {
            const double d_i = ds[i], d_j = ds[j];
            if (d_i + d_j == 0.0) return false;  // pc still holds other ids (or none)
            const double d_red = 2.0 * d_i * d_j / (d_i + d_j);
            const double m_i = ms[i], m_j = ms[j];
            pc.fwd_factor = k_fwd_pair_factor(prefactor, d_red);
            pc.m_red = m_i * m_j / (m_i + m_j);
            pc.diss_num = dissociation_numerator(pair_mu(MWs[i], MWs[j]));
            pc.i = i;
            pc.j = j;
        }
        const double k_fwd = k_fwd_from(pc.fwd_factor, pc.m_red, T);
        const double C_i = Cs[i], C_j = Cs[j];
        const double k_rev = k_rev_from(k_fwd, pc.diss_num, T);
        if (k_rev + k_reac_ == 0.0) return false;
        const double c = k_fwd * C_i * C_j / (k_rev + k_reac_);
        c_phy[kk] = c;
        const double w = bind::pymax(k_reac_ * c, 0.0);
        w_chem[kk] = w;
        const double n_C = n_Cs[kk], n_H = n_Hs[kk];
        const double dC = n_C * w / rho, dH = n_H * w / rho;
        C_each[kk] = dC;
        H_each[kk] = dH;
        const double dN = partial ? (n_C / k.min_n_C_const) * (w / rho) : w / rho;
        N_each[kk] = dN;
        N_tot += dN;
        C_tot += dC;
        H_tot += dH;
    }
    _N_agg_inception_total = N_tot;
    _C_tot_inception_total = C_tot;
    _H_tot_inception_total = H_tot;
    return true;
}

// Entries 25, 24, 22 and 26 in one pass on the fixed values of the step, for an
// exact CReactDim; false, as above, where an entry would fail, report or call
// out, always before anything is written. Each precursor's values go through
// the entries' operations in their order, so the one loop gives their results.
bool CReactDim::fused_adsorption(ReactDimStep& st) {
    const size_t n = st.m.size();
    if (!st.have_C || !soot_wrapper || (size_t)(n_PAHs < 0 ? 0 : n_PAHs) != n || st.d.size() != n ||
        st.MW.size() != n || st.C.size() != n)
        return false;
    for (const auto* v : {&k_f_adsorption, &k_r_adsorption, &c_soot_PAH_star, &_PAH_adsorption_rate,
                          &_C_tot_PAH_each, &_H_tot_PAH_each})
        if (v->size() < n) return false;
    const CSootWrapper* sw = soot_wrapper.o;
    if (sw->PAH_n_C.size() < n || sw->PAH_n_H.size() < n) return false;
    const double T = st.T, mu = st.mu, lam = st.lam, rho = st.rho, k_pah_ = st.k_pah;
    if (3.0 * mu == 0.0 || rho == 0.0) return false;
    const double d_g_ = d_g, m_agg_ = m_agg, soot_MW_ = soot_MW, c_agg = c_soot_agg;
    const double a = 2.0 * k.kB_const * T / (3.0 * mu);
    const double C_S_m = C_S_agg_of(d_m, lam);  // the same for every precursor
    const double *ds = st.d.data(), *ms = st.m.data(), *Cs = st.C.data(), *MWs = st.MW.data();
    const double *n_Cs = sw->PAH_n_C.data(), *n_Hs = sw->PAH_n_H.data();
    double *k_fs = k_f_adsorption.data(), *k_rs = k_r_adsorption.data(), *stars = c_soot_PAH_star.data(),
           *rates = _PAH_adsorption_rate.data(), *C_each = _C_tot_PAH_each.data(), *H_each = _H_tot_PAH_each.data();
    AdsorbedCH tot;
    for (size_t i = 0; i < n; ++i) {
        const double d_i = ds[i];
        const double fm = beta_fm_of(d_i, ms[i], d_g_, m_agg_, T);
        const double cont = a * (C_S_of(d_i, lam) / d_i + C_S_m / d_g_) * (d_i + d_g_);
        const double k_f = k_f_of(fm, cont);
        const double k_r = k_r_of(k_f, soot_MW_, MWs[i], T);
        k_fs[i] = k_f;
        k_rs[i] = k_r;
        const double star = k_f * c_agg * bind::pymax(Cs[i], 0.0) / (k_r + k_pah_);
        stars[i] = star;
        const double r = k_pah_ * star;
        rates[i] = r;
        tot.add(n_Cs[i], n_Hs[i], r, rho, C_each[i], H_each[i]);
    }
    _C_tot_PAH_total = tot.C;
    _H_tot_PAH_total = tot.H;
    return true;
}

// Fills `st` when the wrapper's lists and the gas wrapper are complete for
// every precursor; otherwise the entries go the general way (and report).
bool CReactDim::build_step(ReactDimStep& st) {
    if (!soot_wrapper) return false;
    CSootWrapper* sw = soot_wrapper.o;
    if (!sw->soot_gas) return false;
    // Held only from the first call that may run code on (the direct reads run none).
    std::optional<Gas> held;
    auto gas = [&]() -> Gas& {
        if (!held) held.emplace(this);
        return *held;
    };
    CSootGas* g = sw->soot_gas.o;
    const size_t n = (size_t)(n_PAHs < 0 ? 0 : n_PAHs);
    if (sw->PAH_indices.size() < n || sw->PAH_n_C.size() < n || sw->PAH_n_H.size() < n) return false;
    const int* idx = sw->PAH_indices.data();
    for (size_t i = 0; i < n; ++i) {
        const int s = idx[i];
        if (s < 0 || (size_t)s >= g->_MWs.size() || (size_t)s >= g->_X.size()) return false;
    }
    // The gas wrapper's own table on its exact type with float caches: its
    // entries only read fields and cannot fail, so the fields are read here.
    const bool floats = g->vtab == &CSootGas::vtable && PyFloat_CheckExact(g->_rho) && PyFloat_CheckExact(g->_mu) &&
                        PyFloat_CheckExact(g->_lambda_gas);
    const bool direct = floats && Py_TYPE(g) == &CSootGas::type && g->_mean_MW != 0.0;
    if (direct) {
        st.T = g->_T;
        st.rho = PyFloat_AS_DOUBLE(g->_rho.get());
        st.mu = PyFloat_AS_DOUBLE(g->_mu.get());
        st.lam = PyFloat_AS_DOUBLE(g->_lambda_gas.get());
    } else {
        Gas& gh = gas();
        st.T = gh.T();
        st.rho = gh.rho();
        st.mu = gh.mu();
        st.lam = gh.lambda();
    }
    if (floats) {
        // No code of the caller's ran since the temperature was read: the two
        // rate constants take it from here instead of from the gas wrapper again.
        st.k_reac = k_reac_at(st.T);
        st.k_pah = k_pah_at(st.T);
    } else {
        gas();
        st.k_reac = vt()->k_REAC(this);
        st.k_pah = vt()->k_PAH(this);
    }
    st.have_C = Py_TYPE(g) == &CSootGas::type;
    if (st.m.size() != n)
        for (auto* v : {&st.m, &st.d, &st.MW, &st.C, &st.k_f, &st.k_r}) v->resize(n);
    if (st.k_set || st.have_k.size() != n) {
        st.have_k.assign(n, 0);
        st.k_set = false;
    }
    if (geometry_.size() != n) {
        geometry_.assign(n, PAHGeometryRow{});
        ++geometry_gen_;
    }
    size_t i = 0;
    if (direct) {
        // Known geometry runs no code: the fields stay as checked above, and the
        // molar mass and concentration are what the entries MW_c and C return.
        const double *n_Cs = sw->PAH_n_C.data(), *n_Hs = sw->PAH_n_H.data(), *MWs = g->_MWs.data();
        for (; i < n; ++i) {
            const int s = idx[i];
            const double MW = MWs[s];
            const PAHGeometryRow& row = geometry_[i];
            if (!row.same(s, MW, n_Cs[i], n_Hs[i])) break;
            st.m[i] = row.m;
            st.d[i] = row.d;
            st.MW[i] = MW;
            st.C[i] = g->C_plain(s);
        }
    }
    st.rows_exact = direct && i == n;
    // From the first precursor with new geometry on, the entries (which may run
    // code) and every list read afresh.
    if (i < n) gas();
    for (; i < n; ++i) {
        const int s = sw->PAH_indices[i];
        const double MW = g->_MWs[(size_t)s], n_C = sw->PAH_n_C[i], n_H = sw->PAH_n_H[i];
        PAHGeometryRow& row = geometry_[i];
        if (row.same(s, MW, n_C, n_H)) {
            st.m[i] = row.m;
            st.d[i] = row.d;
        } else {
            st.m[i] = vtab->PAH_mass(this, (int)i);
            st.d[i] = vtab->PAH_diameter(this, (int)i);
            // Kept only where the entries cannot have reported (no atoms: a division by zero).
            row = n_C + n_H != 0.0 ? PAHGeometryRow{s, MW, n_C, n_H, st.m[i], st.d[i]} : PAHGeometryRow{};
            ++geometry_gen_;
        }
        st.MW[i] = held->MW(s);
        if (st.have_C) st.C[i] = held->C(s);
    }
    return true;
}

double CReactDim::gas_T() { return step_ ? step_->T : Gas(this).T(); }
double CReactDim::gas_rho() { return step_ ? step_->rho : Gas(this).rho(); }
double CReactDim::gas_mu() { return step_ ? step_->mu : Gas(this).mu(); }
double CReactDim::gas_lambda() { return step_ ? step_->lam : Gas(this).lambda(); }
double CReactDim::mass(int i) { return step_ ? at(step_->m, i) : vtab->PAH_mass(this, i); }
double CReactDim::diam(int i) { return step_ ? at(step_->d, i) : vtab->PAH_diameter(this, i); }
double CReactDim::MW_of(int i) { return step_ ? at(step_->MW, i) : Gas(this).MW(PAH_index_at(i)); }
double CReactDim::conc(int i) {
    return step_ && step_->have_C ? at(step_->C, i) : Gas(this).C(PAH_index_at(i));
}
double CReactDim::k_reac() { return step_ ? step_->k_reac : vt()->k_REAC(this); }
double CReactDim::k_pah() { return step_ ? step_->k_pah : vt()->k_PAH(this); }

// Entries 5 and 6 of the base on the fixed values, with the same zero test and report.
double CReactDim::red_m(int i, int j) {
    if (!step_) return vtab->reduced_m(this, i, j);
    const double m_i = mass(i), m_j = mass(j);
    return m_i * m_j / (m_i + m_j);
}
double CReactDim::red_d(int i, int j) {
    if (!step_) return vtab->reduced_d(this, i, j);
    return report_unraisable<double>("CPAHGrowthBase", "reduced_d", [&] {
        const double d_i = diam(i), d_j = diam(j);
        return bind::fdiv(2.0 * d_i * d_j, d_i + d_j);
    });
}

// ----------------------------------------------------------- rate constants

double CReactDim::k_FWD_impl(int i, int j) {
    const double d_red = red_d(i, j);
    const double m_red = red_m(i, j);
    const double T = gas_T();
    return k_fwd_of(k_FWD_prefactor, d_red, m_red, T);
}

double CReactDim::k_REV_from(double k_fwd, int i, int j) {
    const double MW_i = MW_of(i);
    const double MW_j = MW_of(j);
    return k_rev_of(k_fwd, MW_i, MW_j, gas_T());
}

double CReactDim::k_REV_impl(int i, int j) { return k_REV_from(vt()->k_FWD(this, i, j), i, j); }

// exp(x), kept for the last argument: k_REAC and k_PAH share it while their
// activation-energy factors are equal (the same bits give the same result).
double CReactDim::arrhenius_exp(double x) {
    if (std::bit_cast<uint64_t>(x) != exp_arg_bits_ || !exp_known_) {
        exp_val_ = std::exp(x);
        exp_arg_bits_ = std::bit_cast<uint64_t>(x);
        exp_known_ = true;
    }
    return exp_val_;
}

inline double CReactDim::k_reac_at(double T) {
    return K_REACT_prefactor * 5e6 * arrhenius_exp(-Ea_REACT_prefactor * 96232.0 / (k.R_const * T));
}

double CReactDim::k_REAC_impl() { return k_reac_at(gas_T()); }

double CReactDim::beta_fm_soot_PAH_impl(int i) {
    const double d_i = diam(i);
    const double m_i = mass(i);
    const double T = gas_T();
    return beta_fm_of(d_i, m_i, d_g, m_agg, T);
}

double CReactDim::beta_cont_soot_PAH_impl(int i) {
    const double T = gas_T(), mu = gas_mu();
    const double d_i = diam(i);
    const double a = bind::fdiv(2.0 * k.kB_const * T, 3.0 * mu);
    return a * (vt()->C_S_soot(this, d_i) / d_i + vt()->C_S_soot(this, d_m) / d_g) * (d_i + d_g);
}

double CReactDim::C_S_soot_impl(double d) {
    const double lam = gas_lambda();
    return C_S_of(d, lam);
}

double CReactDim::k_f_soot_PAH_impl(int i) {
    const double fm = vt()->beta_fm_soot_PAH(this, i);
    const double cont = vt()->beta_cont_soot_PAH(this, i);
    return k_f_of(fm, cont);
}

double CReactDim::k_r_from(double k_f, int i) {
    const double MW_i = MW_of(i);
    return k_r_of(k_f, soot_MW, MW_i, gas_T());
}

double CReactDim::k_r_soot_PAH_impl(int i) { return k_r_from(vt()->k_f_soot_PAH(this, i), i); }

inline double CReactDim::k_pah_at(double T) {
    return K_PAH_ADS_prefactor * 2e10 * arrhenius_exp(-Ea_PAH_ADS_prefactor * 96232.0 / (k.R_const * T));
}

double CReactDim::k_PAH_impl() { return k_pah_at(gas_T()); }

double CReactDim::soot_PAH_star_impl(int i) {
    // The rate constants of this step's entry 25 when it ran just before.
    const bool known = step_ && i >= 0 && (size_t)i < step_->have_k.size() && step_->have_k[(size_t)i];
    const double k_f = known ? step_->k_f[(size_t)i] : vt()->k_f_soot_PAH(this, i);
    const double C_i = conc(i);
    const double k_r = known ? step_->k_r[(size_t)i] : k_r_from(k_f, i);
    return k_f * c_soot_agg * bind::pymax(C_i, 0.0) / (k_r + k_pah());
}

// ---------------------------------------------------------------- inception

// Python code may run inside the gas accessors (an overridden `mean_MW`), so
// every array is indexed afresh and bounds-checked.
void CReactDim::update_phy_dimer_impl() {
    const double k_reac_ = k_reac();
    for (int kk = 0; kk < n_dimers; ++kk) {
        const int i = at(dimer_PAH_1_id, kk), j = at(dimer_PAH_2_id, kk);
        const double k_fwd = vt()->k_FWD(this, i, j);
        const double C_i = conc(i);
        const double C_j = conc(j);
        const double k_rev = k_REV_from(k_fwd, i, j);
        const double c = bind::fdiv(k_fwd * C_i * C_j, k_rev + k_reac_);
        at(c_phy_dimer, kk) = c;
    }
}

void CReactDim::update_w_chem_dimer_impl() {
    const double k_reac_ = k_reac();
    for (int kk = 0; kk < n_dimers; ++kk) at(w_chem_dimer, kk) = bind::pymax(k_reac_ * at(c_phy_dimer, kk), 0.0);
}

void CReactDim::update_NCH_inception_impl() {
    _N_agg_inception_total = 0.0;
    _C_tot_inception_total = 0.0;
    _H_tot_inception_total = 0.0;
    const double rho = gas_rho();
    for (int kk = 0; kk < n_dimers; ++kk) {
        const double w = at(w_chem_dimer, kk), n_C = at(dimer_n_C, kk), n_H = at(dimer_n_H, kk);
        const double dC = n_C * w / rho, dH = n_H * w / rho;
        at(_C_tot_inception_each, kk) = dC;
        at(_H_tot_inception_each, kk) = dH;
        // A dimer counts as the fraction of a new particle that its carbon makes of the smallest one.
        const double dN = partial_addition_on() ? (n_C / k.min_n_C_const) * (w / rho) : w / rho;
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
        if (step_ && (size_t)i < step_->have_k.size()) {
            step_->k_f[(size_t)i] = k_f;
            step_->k_r[(size_t)i] = k_r;
            step_->have_k[(size_t)i] = 1;
            step_->k_set = true;
        }
    }
}

void CReactDim::update_c_soot_PAH_star_impl() {
    for (int i = 0; i < n_PAHs; ++i) {
        const double c = vt()->soot_PAH_star(this, i);
        at(c_soot_PAH_star, i) = c;
    }
}

void CReactDim::update_PAH_adsorption_rate_impl() {
    const double k = k_pah();
    for (int i = 0; i < n_PAHs; ++i) at(_PAH_adsorption_rate, i) = k * at(c_soot_PAH_star, i);
}

void CReactDim::update_CH_tot_PAH_impl() {
    _C_tot_PAH_total = 0.0;
    _H_tot_PAH_total = 0.0;
    const double rho = gas_rho();
    for (int i = 0; i < n_PAHs; ++i) {
        const double r = at(_PAH_adsorption_rate, i);
        const double dC = bind::fdiv(PAH_n_C_at(i) * r, rho);
        // An adsorbed PAH gives up two hydrogen atoms (released as H2).
        const double dH = bind::fdiv((PAH_n_H_at(i) - 2.0) * r, rho);
        at(_C_tot_PAH_each, i) = dC;
        at(_H_tot_PAH_each, i) = dH;
        _C_tot_PAH_total += dC;
        _H_tot_PAH_total += dH;
    }
}

// ----------------------------------------------------------------- scrubbing

// The scrub writes go straight in while they land inside the array and the
// lists cover the counts; from the first one that does not, each goes the
// checked way, which reports a write outside and skips it (the writes before
// it are the ones the checked way makes, in the same order).
namespace {

// The array position of species index s (negative counts from the end), or -1.
inline Py_ssize_t scrub_slot(const bind::DoubleBuf& w, Py_ssize_t s) {
    const Py_ssize_t n = w.size(), j = s < 0 ? s + n : s;
    return j >= 0 && j < n ? j : -1;
}

}  // namespace

void CReactDim::update_w_scrub_inception_impl(bind::DoubleBuf& w) {
    const size_t nd = (size_t)(n_dimers < 0 ? 0 : n_dimers);
    size_t kk = 0;
    if (!w.is_none() && soot_wrapper && w_chem_dimer.size() >= nd && dimer_PAH_1_id.size() >= nd &&
        dimer_PAH_2_id.size() >= nd) {
        // The element of every precursor (null outside the array), then straight
        // writes up to the first dimer with a precursor outside the lists or the array.
        const auto& idx = soot_wrapper.o->PAH_indices;
        const size_t np = idx.size();
        slot_ptr_.resize(np);
        double** at_p = slot_ptr_.data();
        for (size_t p = 0; p < np; ++p) {
            const Py_ssize_t j = scrub_slot(w, idx.data()[p]);
            at_p[p] = j < 0 ? nullptr : &w.at(j);
        }
        const int *id_1 = dimer_PAH_1_id.data(), *id_2 = dimer_PAH_2_id.data();
        const double* rates = w_chem_dimer.data();
        for (; kk < nd; ++kk) {
            const int p = id_1[kk], q = id_2[kk];
            if ((size_t)p >= np || (size_t)q >= np || !at_p[p] || !at_p[q]) break;  // negative ids wrap
            const double r = rates[kk];
            *at_p[p] += -r;
            *at_p[q] += -r;
        }
    }
    for (int k2 = (int)kk; k2 < n_dimers; ++k2) {
        const double r = at(w_chem_dimer, k2);
        const int s_i = PAH_index_at(at(dimer_PAH_1_id, k2));
        const int s_j = PAH_index_at(at(dimer_PAH_2_id, k2));
        scrub("_update_w_scrub_inception", w, s_i, -r);
        scrub("_update_w_scrub_inception", w, s_j, -r);
    }
}

// The index Gas(this).index(n_H2) gives where that runs no code and cannot
// fail (an own-table gas wrapper whose cache holds H2); false otherwise.
bool CReactDim::cached_H2_index(int& h) {
    if (!soot_wrapper || !soot_wrapper.o->soot_gas || !h2_.find(soot_wrapper.o->soot_gas.o, {n_H2})) return false;
    h = h2_[0];
    return true;
}

void CReactDim::update_w_scrub_PAH_impl(bind::DoubleBuf& w) {
    int h;
    if (!cached_H2_index(h)) h = Gas(this).index(n_H2);
    const size_t n = (size_t)(n_PAHs < 0 ? 0 : n_PAHs);
    size_t i = 0;
    const Py_ssize_t jh = scrub_slot(w, h);
    if (!w.is_none() && soot_wrapper && _PAH_adsorption_rate.size() >= n && jh >= 0) {
        const auto& idx = soot_wrapper.o->PAH_indices;
        const size_t np = idx.size() < n ? idx.size() : n;
        const int* ids = idx.data();
        const double* rates = _PAH_adsorption_rate.data();
        double& w_h = w.at(jh);
        for (; i < np; ++i) {
            const Py_ssize_t j = scrub_slot(w, ids[i]);
            if (j < 0) break;
            const double r = rates[i];
            w.at(j) += -r;
            w_h += r;
        }
    }
    for (int i2 = (int)i; i2 < n_PAHs; ++i2) {
        const double r = at(_PAH_adsorption_rate, i2);
        const int s = PAH_index_at(i2);
        scrub("_update_w_scrub_PAH", w, s, -r);
        scrub("_update_w_scrub_PAH", w, h, r);
    }
}

// Entries 8 and 9 where each takes its straight writes to the end: the lists
// cover the counts, every dimer's precursors are in the wrapper's list, the index
// of H2 is known to the gas wrapper's cache, every write lands inside the array.
bool CReactDim::plain_scrub(const bind::F64Span& w) {
    const CSootWrapper* sw = soot_wrapper.o;
    int h;
    if (!sw || !cached_H2_index(h)) return false;
    const auto& idx = sw->PAH_indices;
    const size_t np = idx.size(), nd = (size_t)(n_dimers < 0 ? 0 : n_dimers),
                 n = (size_t)(n_PAHs < 0 ? 0 : n_PAHs);
    double* w_H2 = w.slot(h);
    if (!w_H2 || w_chem_dimer.size() < nd || dimer_PAH_1_id.size() < nd || dimer_PAH_2_id.size() < nd ||
        _PAH_adsorption_rate.size() < n || np < n)
        return false;
    // The element of every precursor in the list, each inside the array.
    slot_ptr_.resize(np);
    double** at_p = slot_ptr_.data();
    bool inside = true;
    for (size_t p = 0; p < np; ++p) inside &= (at_p[p] = w.slot(idx.data()[p])) != nullptr;
    if (!inside) return false;
    const int *id_1 = dimer_PAH_1_id.data(), *id_2 = dimer_PAH_2_id.data();
    const double* rates = w_chem_dimer.data();
    for (size_t kk = 0; kk < nd; ++kk) {
        const size_t p = (size_t)id_1[kk], q = (size_t)id_2[kk];  // negative ids wrap
        if (p >= np || q >= np) return false;
        const double r = rates[kk];
        *at_p[p] += -r;
        *at_p[q] += -r;
    }
    const double* ra = _PAH_adsorption_rate.data();
    for (size_t i = 0; i < n; ++i) {
        double* e = at_p[i];
        const double r = ra[i];
        *e += -r;
        *w_H2 += r;
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
