#include "crosslink.hpp"

#include <climits>
#include <optional>

namespace pyrandel {

using bind::at;
using bind::fdiv;
using bind::pymax;
using bind::Ref;

BIND_TYPE_OBJECT(CCrossLink)

namespace {

bind::Name n_H("H");
bind::Name n_H2("H2");

double exp_of(double x) { return std::exp(x); }

// The checked access: every value through the class's entries and the gas
// wrapper the step holds (`gas`, where the step reads the gas), read afresh and
// bounds-checked; each entry reports its own errors.
struct Checked {
    using Div = xlink::CheckedDiv;
    CrossLinkCommon* s;
    const GasView* gas;
    double T() const { return gas->T(); }
    double n_C(size_t i) const { return s->PAH_n_C_at((int)i); }
    xlink::RadicalT temps(double T) const { return xlink::radical_T<Div>(T, s->k_r1_prefactor, s->k_f2_prefactor); }
    double f1() const { return s->k_f1_prefactor; }
    double k_f3(size_t i) const { return s->cvt()->k_f3_crosslinking(s, (int)i); }
    double k_f4(size_t i) const { return s->cvt()->k_f4_crosslinking(s, (int)i); }
    double C_PAH(size_t i) const { return gas->C(s->PAH_index_at((int)i)); }
    double C_H2() const { return gas->C(gas->index(n_H2)); }
    double C_H() const { return gas->C(gas->index(n_H)); }
    double radical(size_t i) const { return at(s->c_PAH_radical, (int)i); }
    double c_agg() const { return s->c_soot_agg; }
};

// The plain access: the step's values and the wrappers' fields read in place
// (plain_route has proved every read inside and every divisor non-zero).
struct Plain {
    using Div = xlink::PlainDiv;
    const CSootGas* gas;
    const int* idx;
    const double *n_C_, *c, *k_f3_, *k_f_soot_;
    double f1_, f4_, c_agg_;
    xlink::RadicalT t;
    double T_, C_H2_, C_H_;
    double T() const { return T_; }
    double n_C(size_t i) const { return n_C_[i]; }
    const xlink::RadicalT& temps(double) const { return t; }
    double f1() const { return f1_; }
    double k_f3(size_t i) const { return k_f3_[i]; }
    double k_f4(size_t i) const { return xlink::k_f4_of(k_f_soot_[i], f4_); }
    double C_PAH(size_t i) const { return gas->C_plain(idx[i]); }
    double C_H2() const { return C_H2_; }
    double C_H() const { return C_H_; }
    double radical(size_t i) const { return c[i]; }
    double c_agg() const { return c_agg_; }
};

// The scrub rows: per unit of a precursor's rate, what its own species and one
// named species of the gas gain.
struct InceptionRow {  // two precursor molecules consumed and one H2 released per dimer
    static constexpr bind::Vec<double> CrossLinkCommon::*rate = &CrossLinkCommon::w_dimer;
    static PyObject* species() { return n_H2; }
    static double own(double r) { return -2.0 * r; }
    static double other(double r) { return r; }
};
struct AdsorptionRow {  // an adsorbed radical takes its precursor and releases two H atoms
    static constexpr bind::Vec<double> CrossLinkCommon::*rate = &CrossLinkCommon::_PAH_adsorption_rate;
    static PyObject* species() { return n_H; }
    static double own(double r) { return -r; }
    static double other(double r) { return 2.0 * r; }
};

// The checked writer of one scrub entry: every value read afresh, the named
// species looked up on every pass, each write tested against the buffer; the
// first failure ends the entry, whose table wrapper reports it.
template <class Row>
void scrub_checked(CrossLinkCommon* s, bind::DoubleBuf& w) {
    if (s->n_PAHs <= 0) return;
    GasView gas(s);
    for (int i = 0; i < s->n_PAHs; ++i) {
        const double r = at(s->*Row::rate, i);
        scrub_at(w, s->PAH_index_at(i), Row::own(r));
        scrub_at(w, gas.index(Row::species()), Row::other(r));
    }
}

// The plain writer: the same additions at elements found once.
template <class Row>
[[gnu::always_inline]] inline void scrub_plain(const CrossLinkCommon* s, size_t i, double& own, double& other) {
    const double r = (s->*Row::rate).data()[i];
    own += Row::own(r);
    other += Row::other(r);
}

}  // namespace

// ------------------------------------------------------ shared by the three classes

void CrossLinkCommon::reset_prefactors() {
    k_f1_prefactor = 1.0;
    k_r1_prefactor = 1.0;
    k_f2_prefactor = 1.0;
    k_f3_prefactor = 1.0;
    k_f4_prefactor = 1.0;
}

void CrossLinkCommon::create_radicals() {
    Ref w = wrapper_ref("PAH_indices");
    const CSootWrapper* sw = as_wrapper(w);
    check_precursor_lists(sw);
    const size_t n = sw->PAH_indices.size();
    if (n > (size_t)INT_MAX) bind::raise(PyExc_OverflowError, "too many precursors");
    n_PAHs = (int)n;
    for (auto* v : {&c_PAH_radical, &_PAH_adsorption_rate, &_C_tot_PAH_each, &_H_tot_PAH_each, &w_dimer,
                    &_N_agg_inception_each, &_C_tot_inception_each, &_H_tot_inception_each})
        v->resize(n, 0.0);
}

// ------------------------------------------------------------ kinetic entries

double CrossLinkCommon::k_f3_crosslinking_impl(int i) {
    const double T = GasView(this).T();
    const double m_red = vtab->reduced_m(this, i, i);
    return xlink::k_f3_of(T, m_red, vtab->PAH_diameter(this, i), k_f3_prefactor);
}

double CrossLinkCommon::beta_fm_soot_PAH_impl(int i) {
    const double T = GasView(this).T();
    const double d_i = vtab->PAH_diameter(this, i);
    const double m_i = vtab->PAH_mass(this, i);
    return xlink::beta_fm_of(T, d_i, m_i, d_g, fdiv(1.0, m_agg));
}

double CrossLinkCommon::C_S_soot_impl(double d) { return xlink::C_S_of(GasView(this).lambda(), d, exp_of); }

double CrossLinkCommon::beta_cont_soot_PAH_impl(int i) {
    GasView gas(this);
    const double T = gas.T(), mu = gas.mu();
    const double d_i = vtab->PAH_diameter(this, i);
    auto C_S = [this](double d) { return cvt()->C_S_soot(this, d); };
    const xlink::ContAgg agg = xlink::cont_agg(T, mu, d_m, d_g, C_S);
    return xlink::beta_cont_of(agg, d_i, d_g, C_S);
}

double CrossLinkCommon::k_f_soot_PAH_impl(int i) {
    const double fm = cvt()->beta_fm_soot_PAH(this, i);
    return xlink::k_f_soot_of(fm, cvt()->beta_cont_soot_PAH(this, i));
}

double CrossLinkCommon::k_f4_crosslinking_impl(int i) {
    return xlink::k_f4_of(cvt()->k_f_soot_PAH(this, i), k_f4_prefactor);
}

double CrossLinkCommon::PAH_radical_linear(int i) {
    GasView gas(this);
    return xlink::radical_of<false>(Checked{this, &gas}, (size_t)i);
}

double CrossLinkCommon::PAH_radical_quadratic(int i) {
    GasView gas(this);
    return xlink::radical_of<true>(Checked{this, &gas}, (size_t)i);
}

// --------------------------------------------------------- the steps by name

void CrossLinkCommon::radical_step(RadicalEntry radical) {
    for (int i = 0; i < n_PAHs; ++i) {
        const double c = radical(this, i);
        at(c_PAH_radical, i) = c;
    }
}

// Radical + precursor molecule (the precursor concentration read afresh), or radical + radical.
template <bool quadratic>
void CrossLinkCommon::w_dimer_step() {
    if (n_PAHs <= 0) return;
    std::optional<GasView> gas;
    if constexpr (!quadratic) gas.emplace(this);
    const Checked a{this, gas ? &*gas : nullptr};
    for (int i = 0; i < n_PAHs; ++i) {
        const double w = xlink::w_dimer_of<quadratic>(a, (size_t)i);
        at(w_dimer, i) = w;
    }
}
template void CrossLinkCommon::w_dimer_step<false>();
template void CrossLinkCommon::w_dimer_step<true>();

void CrossLinkCommon::adsorption_rate_step() {
    const Checked a{this, nullptr};
    for (int i = 0; i < n_PAHs; ++i) {
        const double r = xlink::adsorption_of(a, (size_t)i);
        at(_PAH_adsorption_rate, i) = r;
    }
}

void CrossLinkCommon::CH_tot_PAH_step() {
    _C_tot_PAH_total = 0.0;
    _H_tot_PAH_total = 0.0;
    if (n_PAHs <= 0) return;
    const double rho = GasView(this).rho();
    AdsorbedCH tot;
    for (int i = 0; i < n_PAHs; ++i) {
        if (rho == 0.0) bind::raise(PyExc_ZeroDivisionError, "float division");
        const double r = at(_PAH_adsorption_rate, i);
        const double n_C = PAH_n_C_at(i);
        const double n_H = PAH_n_H_at(i);
        double dC, dH;
        tot.add(n_C, n_H, r, rho, dC, dH);
        at(_C_tot_PAH_each, i) = dC;
        at(_H_tot_PAH_each, i) = dH;
        _C_tot_PAH_total = tot.C;
        _H_tot_PAH_total = tot.H;
    }
}

void CrossLinkCommon::NCH_inception_step(MergeWeight merge) {
    _N_agg_inception_total = 0.0;
    _C_tot_inception_total = 0.0;
    _H_tot_inception_total = 0.0;
    if (n_PAHs <= 0) return;
    const double rho = GasView(this).rho();
    InceptionTotals tot;
    for (int i = 0; i < n_PAHs; ++i) {
        if (rho == 0.0) bind::raise(PyExc_ZeroDivisionError, "float division");
        const double n_C = PAH_n_C_at(i);
        const double n_H = PAH_n_H_at(i);
        const double w = at(w_dimer, i);
        const double dC = xlink::dimer_atoms(w, n_C, rho);
        const double dH = xlink::dimer_atoms(w, n_H, rho);
        at(_C_tot_inception_each, i) = dC;
        at(_H_tot_inception_each, i) = dH;
        const bool partial = partial_addition_on();
        const double P = merge ? merge(this, i) : 0.0;
        const double dN = xlink::new_particles(partial, merge ? &P : nullptr, n_C, w, rho);
        at(_N_agg_inception_each, i) = dN;
        tot.add(dN, dC, dH);
        tot.store(*this);
    }
}

// ------------------------------------------------------------ the plain route

bool CrossLinkCommon::plain_route(PyTypeObject* own, const CPAHGrowthBaseVTable* own_table, bool quadratic,
                                  const MergeRate* merge) {
    Step& d = step;
    if (!plain_start(this, d, own, own_table)) return false;
    if (!d.inception && !d.adsorption) return true;
    const size_t n = d.mass.size();
    if (n == 0 || d.rho == 0.0 || !all_sized(n, c_PAH_radical) ||
        !process_arrays_sized(*this, n, d.inception, d.adsorption, w_dimer))
        return false;
    const double T = d.T;
    if (constants.R_const * T == 0.0) return false;
    if (!d.plain_C() || !h_ids.find(d.gas, {n_H2, n_H}) || !d.in_X(h_ids[0]) || !d.in_X(h_ids[1])) return false;
    d.merging = merge && d.inception;
    if (d.merging && (!c2h2_id.find(d.gas, {merge->C2H2}) || !d.in_X(c2h2_id[0]))) return false;
    d.t = xlink::radical_T<xlink::PlainDiv>(T, k_r1_prefactor, k_f2_prefactor);
    if (d.k_f3.size() != n) d.k_f3.resize(n);
    if (d.k_f_soot.size() != n) d.k_f_soot.resize(n);
    if (d.merging && d.dimer.size() != n) d.dimer.resize(n);
    // The collision coefficients as the entries give them; a value that would
    // raise leaves the plain route.
    try {
        const double lam = d.lam;
        const CSootWrapper* sw = d.sw;
        const xlink::ContAgg agg = xlink::cont_agg(T, d.mu, d_m, d_g, [lam, sw](double x) {
            return xlink::C_S_of(lam, x, [sw](double y) { return slip_exp(sw, y); });
        });
        const double inv_agg = fdiv(1.0, m_agg);
        for (size_t i = 0; i < n; ++i) {
            const double m = d.mass[i], d_i = d.diam[i];
            d.k_f3[i] = xlink::k_f3_of(T, reduced_of(m, m), d_i, k_f3_prefactor);
            if (quadratic && 2.0 * d.k_f3[i] == 0.0) return false;
            const double fm = xlink::beta_fm_of(T, d_i, m, d_g, inv_agg);
            const double cont = xlink::beta_cont_of(agg, d_i, d_g, [lam](double x) {
                return xlink::C_S_of(lam, x, exp_of);
            });
            d.k_f_soot[i] = xlink::k_f_soot_of(fm, cont);
            if (d.merging) d.dimer[i] = xlink::dimer_geometry<xlink::PlainDiv>(d_i, m);
        }
    } catch (bind::Error&) {
        PyErr_Clear();
        return false;
    }
    d.C_H2 = d.C_of(h_ids[0]);
    d.C_H = d.C_of(h_ids[1]);
    if (d.merging) {
        d.merge_r = xlink::k_PAH_C2H2_of<xlink::PlainDiv>(T, merge->n, merge->A, merge->E) *
                    pymax(d.C_of(c2h2_id[0]), 0.0);
        if (merge_P.size() != n) merge_P.resize(n);
    }
    return true;
}

template <bool quadratic, bool merge>
bool CrossLinkCommon::fused_update() {
    const Step& d = step;
    const size_t n = d.mass.size();
    const CSootWrapper* sw = d.sw;
    const double *n_C = sw->PAH_n_C.data(), *n_H = sw->PAH_n_H.data();
    double* c_out = c_PAH_radical.data();
    const Plain a{d.gas,          sw->PAH_indices.data(), n_C, c_out, d.k_f3.data(), d.k_f_soot.data(), k_f1_prefactor,
                  k_f4_prefactor, c_soot_agg, d.t,          d.T,    d.C_H2, d.C_H};
    const double merge_r = d.merge_r;

    // Radicals, and where dimers merge their share.
    double* P_out = merge_P.data();
    for (size_t i = 0; i < n; ++i) {
        const double c = xlink::radical_of<quadratic>(a, i);
        c_out[i] = c;
        if constexpr (merge) {
            double p;
            const double sum =
                xlink::merge_sum(merge_r, xlink::beta_fm_dimer_of(d.dimer[i], a.T_), c, a.k_f_soot_[i], a.c_agg(), p);
            if (sum == 0.0) return false;
            P_out[i] = xlink::merge_share<xlink::PlainDiv>(p, sum);
        }
    }

    // Dimers and what they bring.
    const double rho = d.rho;
    if (d.inception) {
        const bool partial = d.partial();
        double *wd = w_dimer.data(), *C_each = _C_tot_inception_each.data(), *H_each = _H_tot_inception_each.data();
        double* N_each = _N_agg_inception_each.data();
        InceptionTotals tot;
        for (size_t i = 0; i < n; ++i) {
            const double w = xlink::w_dimer_of<quadratic>(a, i);
            wd[i] = w;
            const double dC = xlink::dimer_atoms(w, n_C[i], rho);
            const double dH = xlink::dimer_atoms(w, n_H[i], rho);
            C_each[i] = dC;
            H_each[i] = dH;
            const double dN = xlink::new_particles(partial, merge ? &P_out[i] : nullptr, n_C[i], w, rho);
            N_each[i] = dN;
            tot.add(dN, dC, dH);
        }
        tot.store(*this);
    }

    // Adsorption and the carbon and hydrogen it brings.
    if (d.adsorption) {
        double *rate = _PAH_adsorption_rate.data(), *C_each = _C_tot_PAH_each.data(), *H_each = _H_tot_PAH_each.data();
        AdsorbedCH tot;
        for (size_t i = 0; i < n; ++i) {
            const double r = xlink::adsorption_of(a, i);
            rate[i] = r;
            tot.add(n_C[i], n_H[i], r, rho, C_each[i], H_each[i]);
        }
        _C_tot_PAH_total = tot.C;
        _H_tot_PAH_total = tot.H;
    }
    return true;
}

template bool CrossLinkCommon::fused_update<false, false>();
template bool CrossLinkCommon::fused_update<true, false>();
template bool CrossLinkCommon::fused_update<true, true>();

// ------------------------------------------------------------------ scrubbing

void CrossLinkCommon::scrub_inception(bind::DoubleBuf& w) { scrub_checked<InceptionRow>(this, w); }
void CrossLinkCommon::scrub_PAH(bind::DoubleBuf& w) { scrub_checked<AdsorptionRow>(this, w); }

// The two scrub entries (_update_w_scrub_inception, _update_w_scrub_PAH) on a plain array where the wrappers can be read in place, the
// indices of H2 and H are known to the gas wrapper's cache and every write lands
// inside the array.
bool CrossLinkCommon::plain_scrub(const bind::F64Span& w) {
    if (n_PAHs <= 0) return true;
    const size_t n = (size_t)n_PAHs;
    const CSootWrapper* sw = soot_wrapper.o;
    CSootGas* g = sw ? sw->gas() : nullptr;
    if (!g || !all_sized(n, w_dimer, _PAH_adsorption_rate, sw->PAH_indices) ||
        !h_ids.find(g, {InceptionRow::species(), AdsorptionRow::species()}))
        return false;
    double *w_H2 = w.slot(h_ids[0]), *w_H = w.slot(h_ids[1]);
    if (!w_H2 || !w_H) return false;
    return precursor_passes(
        w, sw->PAH_indices.data(), n, [&](double& e, size_t i) { scrub_plain<InceptionRow>(this, i, e, *w_H2); },
        [&](double& e, size_t i) { scrub_plain<AdsorptionRow>(this, i, e, *w_H); });
}

// ------------------------------------------------------------------ CCrossLink

const CCrossLinkVTable CCrossLink::vtable = [] {
    auto t = crosslink_table<CCrossLink, CCrossLinkVTable>();
    t.PAH_radical = shared_entry<CCrossLink, &CrossLinkCommon::PAH_radical_linear, "PAH_radical">();
    return t;
}();
[[maybe_unused]] const bool plain_scrub_added = add_plain_scrub<CCrossLink>();

void CCrossLink::init_impl(PyObject* w) {
    CPAHGrowthBase::init_impl(w);
    _reset();
}

void CCrossLink::_reset_impl() {
    reset_prefactors();
    CPAHGrowthBase::_reset_impl();
}
void CCrossLink::create_PAH_dimer_impl() { create_radicals(); }
void CCrossLink::update_PAH_radical_impl() { radical_step(vt()->PAH_radical); }
void CCrossLink::update_w_dimer_impl() { w_dimer_step<false>(); }
void CCrossLink::update_PAH_adsorption_rate_impl() { adsorption_rate_step(); }
void CCrossLink::_update_CH_tot_PAH_impl() { CH_tot_PAH_step(); }
void CCrossLink::_update_NCH_inception_impl() { NCH_inception_step(nullptr); }

void CCrossLink::update_impl() { crosslink_update(*this); }

namespace {

using Self = CCrossLink;
const bind::Field fields[] = {CROSSLINK_ROWS};
BIND_DERIVED_METHOD_TABLES(CROSSLINK_METHODS, CROSSLINK_REDEFINES)

}  // namespace

bind::ClassSpec& CCrossLink::spec() {
    static bind::ClassSpec s = bind::define<CCrossLink>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .init = bind::Init<&CCrossLink::init_impl, "soot_wrapper">::init,
        .vtable = &vtable,
        .vtable_size = sizeof vtable,
        .checksums = {0x4b2ac8c, 0xbd390fa, 0xf79d914},
    });
    return s;
}

}  // namespace pyrandel
