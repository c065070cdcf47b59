#include "dimercoal.hpp"

#include <climits>
#include <optional>

namespace pyrandel {

using bind::at;
using bind::Ref;

BIND_TYPE_OBJECT(CDimerCoal)

namespace {

bind::Name n_H("H");

// The scrub rows: per unit of a precursor's rate, what its own species and one
// named species of the gas gain.
struct InceptionRow {  // four precursor molecules per inception
    static constexpr bind::Vec<double> DimerCoalCommon::*rate = &DimerCoalCommon::w_inception;
    static constexpr bool named = false;
    static double own(double r) { return -4.0 * r; }
};
struct AdsorptionRow {  // two precursor molecules per adsorbed dimer, two H atoms released
    static constexpr bind::Vec<double> DimerCoalCommon::*rate = &DimerCoalCommon::_PAH_adsorption_rate;
    static constexpr bool named = true;
    static PyObject* species() { return n_H; }
    static double own(double r) { return -2.0 * r; }
    static double other(double r) { return 2.0 * r; }
};

// The checked writer of one scrub entry: every rate and precursor index read
// afresh, the named species looked up once, each write tested against the
// buffer; the first failure ends the entry, whose table wrapper reports it.
template <class Row>
void scrub_checked(DimerCoalCommon* s, bind::DoubleBuf& w) {
    if (s->n_PAHs <= 0) return;
    int other = 0;
    if constexpr (Row::named) other = GasView(s).index(Row::species());
    for (int i = 0; i < s->n_PAHs; ++i) {
        const double r = at(s->*Row::rate, i);
        scrub_at(w, s->PAH_index_at(i), Row::own(r));
        if constexpr (Row::named) scrub_at(w, other, Row::other(r));
    }
}

}  // namespace

// ------------------------------------------------------ shared by both classes

void DimerCoalCommon::construct(PyObject* w) {
    CPAHGrowthBase::init_impl(w);
    stick_C_i = 15.0;
}

void DimerCoalCommon::reset_prefactors() {
    inception_prefactor = 1.0;
    adsorption_prefactor = 1.0;
    CPAHGrowthBase::_reset_impl();
}

void DimerCoalCommon::create_dimers() {
    Ref w = wrapper_ref("PAH_indices");
    const CSootWrapper* sw = as_wrapper(w);
    check_precursor_lists(sw);
    const size_t n = sw->PAH_indices.size();
    if (n > (size_t)INT_MAX) bind::raise(PyExc_OverflowError, "too many precursors");
    // The molar masses first: nothing changes when the gas wrapper is missing.
    std::vector<double> MW(n);
    if (n > 0) {
        GasView gas(this);
        for (size_t i = 0; i < n; ++i) MW[i] = gas.MW(sw->PAH_indices[i]);
    }
    n_PAHs = (int)n;
    for (auto* v : {&b_adsorption, &stick_eff, &_PAH_adsorption_rate, &_C_tot_PAH_each, &_H_tot_PAH_each})
        v->resize(n, 0.0);
    // The sticking efficiency grows with the fourth power of the molar mass (kg/mol).
    for (size_t i = 0; i < n; ++i) stick_eff[i] = std::pow(MW[i], 4.0) * stick_C_i;
    for (auto* v : {&c_dimer, &w_dimer, &a_inception, &w_inception, &_N_agg_inception_each, &_C_tot_inception_each,
                    &_H_tot_inception_each})
        v->resize(n, 0.0);
}

// --------------------------------------------------------- the steps by name

void DimerCoalCommon::c_dimer_step() {
    for (int i = 0; i < n_PAHs; ++i) {
        const double a = at(a_inception, i), b = at(b_adsorption, i), w = at(w_dimer, i);
        const double c = dimer::root_of(bind::fdiv, a, b, w);
        at(c_dimer, i) = c;
    }
}

void DimerCoalCommon::w_inception_step() {
    for (int i = 0; i < n_PAHs; ++i) {
        const double a = at(a_inception, i), c = at(c_dimer, i);
        const double r = dimer::w_inception_of(a, c);
        at(w_inception, i) = r;
    }
}

void DimerCoalCommon::NCH_inception_step(bool by_name_counts) {
    _N_agg_inception_total = 0.0;
    _C_tot_inception_total = 0.0;
    _H_tot_inception_total = 0.0;
    if (n_PAHs <= 0) return;
    const double rho = GasView(this).rho();
    std::optional<Counts> counts;
    if (by_name_counts) counts.emplace(this);
    // The counts of CDimerCoalMod are interpreter numbers ("float division by zero").
    auto div = by_name_counts ? bind::pydiv : bind::fdiv;
    for (int i = 0; i < n_PAHs; ++i) {
        const double n_C = counts ? counts->C(i) : PAH_n_C_at(i);
        const double n_H = counts ? counts->H(i) : PAH_n_H_at(i);
        const double w = at(w_inception, i);
        const double dC = dimer::incepted_atoms(div, w, n_C, rho);
        const double dH = dimer::incepted_atoms(div, w, n_H, rho);
        at(_C_tot_inception_each, i) = dC;
        at(_H_tot_inception_each, i) = dH;
        const double dN = dimer::new_particles(div, partial_addition_on(), n_C, w, rho);
        at(_N_agg_inception_each, i) = dN;
        _N_agg_inception_total += dN;
        _C_tot_inception_total += dC;
        _H_tot_inception_total += dH;
    }
}

void DimerCoalCommon::adsorption_rate_step() {
    for (int i = 0; i < n_PAHs; ++i) {
        const double c = at(c_dimer, i), b = at(b_adsorption, i);
        const double r = dimer::adsorption_of(c, b);
        at(_PAH_adsorption_rate, i) = r;
    }
}

void DimerCoalCommon::CH_tot_PAH_step() {
    _C_tot_PAH_total = 0.0;
    _H_tot_PAH_total = 0.0;
    if (n_PAHs <= 0) return;
    const double rho = GasView(this).rho();
    Counts counts(this);
    for (int i = 0; i < n_PAHs; ++i) {
        const double n_C = counts.C(i), n_H = counts.H(i);
        const double r = at(_PAH_adsorption_rate, i);
        const double dC = dimer::adsorbed_C(bind::pydiv, n_C, r, rho);
        const double dH = dimer::adsorbed_H(bind::pydiv, n_H, r, rho);
        at(_C_tot_PAH_each, i) = dC;
        at(_H_tot_PAH_each, i) = dH;
        _C_tot_PAH_total += dC;
        _H_tot_PAH_total += dH;
    }
}

// ------------------------------------------------------------ the plain route

bool DimerCoalCommon::plain_common(PyTypeObject* own, const CPAHGrowthBaseVTable* own_table) {
    Step& d = step;
    if (!plain_start(this, d, own, own_table)) return false;
    if (!d.inception && !d.adsorption) return true;
    const size_t n = d.mass.size();
    if (n == 0 || d.rho == 0.0 || !d.plain_C() ||
        !all_sized(n, stick_eff, w_dimer, a_inception, b_adsorption, c_dimer) ||
        !process_arrays_sized(*this, n, d.inception, d.adsorption, w_inception))
        return false;
    // reduced_d(i, i) divides by 2·d_i with a zero test
    for (const double x : d.diam)
        if (x + x == 0.0) return false;
    return true;
}

bool DimerCoalCommon::fused_tail() {
    const Step& d = step;
    const size_t n = d.mass.size();
    const double *A = a_inception.data(), *B = b_adsorption.data(), *W = w_dimer.data();
    double* c = c_dimer.data();
    for (size_t i = 0; i < n; ++i) {
        bool zero = false;
        const double ci = dimer::root_of(
            [&zero](double x, double y) {
                zero = y == 0.0;
                return x / y;
            },
            A[i], B[i], W[i]);
        if (zero) return false;
        c[i] = ci;
    }
    const double rho = d.rho;
    const double *nC = d.sw->PAH_n_C.data(), *nH = d.sw->PAH_n_H.data();
    if (d.inception) {
        const bool partial = d.partial();
        double *wi = w_inception.data(), *C_each = _C_tot_inception_each.data(), *H_each = _H_tot_inception_each.data();
        double* N_each = _N_agg_inception_each.data();
        double N_tot = 0.0, C_tot = 0.0, H_tot = 0.0;
        for (size_t i = 0; i < n; ++i) {
            const double w = dimer::w_inception_of(A[i], c[i]);
            wi[i] = w;
            const double dC = dimer::incepted_atoms(dimer::plain_div, w, nC[i], rho);
            const double dH = dimer::incepted_atoms(dimer::plain_div, w, nH[i], rho);
            const double dN = dimer::new_particles(dimer::plain_div, partial, nC[i], w, rho);
            C_each[i] = dC;
            H_each[i] = dH;
            N_each[i] = dN;
            N_tot += dN;
            C_tot += dC;
            H_tot += dH;
        }
        _N_agg_inception_total = N_tot;
        _C_tot_inception_total = C_tot;
        _H_tot_inception_total = H_tot;
    }
    if (d.adsorption) {
        double *rate = _PAH_adsorption_rate.data(), *C_each = _C_tot_PAH_each.data(), *H_each = _H_tot_PAH_each.data();
        double C_tot = 0.0, H_tot = 0.0;
        for (size_t i = 0; i < n; ++i) {
            const double r = dimer::adsorption_of(c[i], B[i]);
            rate[i] = r;
            const double dC = dimer::adsorbed_C(dimer::plain_div, nC[i], r, rho);
            const double dH = dimer::adsorbed_H(dimer::plain_div, nH[i], r, rho);
            C_each[i] = dC;
            H_each[i] = dH;
            C_tot += dC;
            H_tot += dH;
        }
        _C_tot_PAH_total = C_tot;
        _H_tot_PAH_total = H_tot;
    }
    return true;
}

// ------------------------------------------------------------------ scrubbing

void DimerCoalCommon::scrub_inception(bind::DoubleBuf& w) { scrub_checked<InceptionRow>(this, w); }
void DimerCoalCommon::scrub_PAH(bind::DoubleBuf& w) { scrub_checked<AdsorptionRow>(this, w); }

// The two scrub entries (_update_w_scrub_inception, _update_w_scrub_PAH) on a plain array where the wrappers can be read in place,
// the index of H is known to the gas wrapper's cache and every write lands
// inside the array.
bool DimerCoalCommon::plain_scrub(const bind::F64Span& w) {
    if (n_PAHs <= 0) return true;
    const size_t n = (size_t)n_PAHs;
    const CSootWrapper* sw = soot_wrapper.o;
    CSootGas* g = sw ? sw->gas() : nullptr;
    if (!g || !all_sized(n, w_inception, _PAH_adsorption_rate, sw->PAH_indices) ||
        !h_id.find(g, {AdsorptionRow::species()}))
        return false;
    double* w_H = w.slot(h_id[0]);
    if (!w_H) return false;
    const double *wi = w_inception.data(), *ra = _PAH_adsorption_rate.data();
    return precursor_passes(
        w, sw->PAH_indices.data(), n, [&](double& e, size_t i) { e += InceptionRow::own(wi[i]); },
        [&](double& e, size_t i) {
            const double r = ra[i];
            e += AdsorptionRow::own(r);
            *w_H += AdsorptionRow::other(r);
        });
}

// ------------------------------------------------------------------ CDimerCoal

const CDimerCoalVTable CDimerCoal::vtable = [] {
    auto t = bind::extend<CDimerCoalVTable>(CPAHGrowthBase::vtable);
    t._update_w_scrub_inception =
        shared_entry<CDimerCoal, &DimerCoalCommon::scrub_inception, "_update_w_scrub_inception">();
    t._update_w_scrub_PAH = shared_entry<CDimerCoal, &DimerCoalCommon::scrub_PAH, "_update_w_scrub_PAH">();
    t.update_w_scrub = pah_growth_update_w_scrub;
    t.update_w_dimer = bind::entry<&CDimerCoal::update_w_dimer_impl, "update_w_dimer">();
    t.update_ab = bind::entry<&CDimerCoal::update_ab_impl, "update_ab">();
    return t;
}();
[[maybe_unused]] const bool plain_scrub_added = add_plain_scrub<CDimerCoal>();

void CDimerCoal::init_impl(PyObject* w) {
    construct(w);
    _reset();
}

void CDimerCoal::_reset_impl() { reset_prefactors(); }
void CDimerCoal::create_PAH_dimer_impl() { create_dimers(); }
void CDimerCoal::update_c_dimer_impl() { c_dimer_step(); }
void CDimerCoal::update_w_inception_impl() { w_inception_step(); }
void CDimerCoal::_update_NCH_inception_impl() { NCH_inception_step(false); }
void CDimerCoal::update_PAH_adsorption_rate_impl() { adsorption_rate_step(); }
void CDimerCoal::_update_CH_tot_PAH_impl() { CH_tot_PAH_step(); }

void CDimerCoal::update_impl() { dimercoal_update(*this); }

namespace {

// The accesses of CDimerCoal's dimerisation rate (see dimer::coal_w_dimer_of).
struct CoalChecked {
    CDimerCoal* s;
    const GasView& gas;
    static double div(double a, double b) { return bind::fdiv(a, b); }
    double mass(size_t i) const { return s->vtab->PAH_mass(s, (int)i); }
    double diam(size_t i) const { return s->vtab->PAH_diameter(s, (int)i); }
    double C(size_t i) const { return gas.C(s->PAH_index_at((int)i)); }
    double stick(size_t i) const { return at(s->stick_eff, (int)i); }
};
struct CoalPlain {
    const DimerCoalCommon::Step& d;
    const int* idx;
    const double* stick_;
    static double div(double a, double b) { return a / b; }
    double mass(size_t i) const { return d.mass[i]; }
    double diam(size_t i) const { return d.diam[i]; }
    double C(size_t i) const { return d.C_of(idx[i]); }
    double stick(size_t i) const { return stick_[i]; }
};

}  // namespace

void CDimerCoal::update_w_dimer_impl() {
    if (n_PAHs <= 0) return;
    GasView gas(this);
    const double T = gas.T();
    const CoalChecked a{this, gas};
    for (int i = 0; i < n_PAHs; ++i) {
        const double w = dimer::coal_w_dimer_of(a, (size_t)i, T);
        at(w_dimer, i) = w;
    }
}

void CDimerCoal::update_ab_impl() {
    if (n_PAHs <= 0) return;
    const dimer::CoalT t = dimer::coal_T(GasView(this).T());
    for (int i = 0; i < n_PAHs; ++i) {
        const dimer::DimerVolume v = dimer::dimer_volume(vtab->PAH_mass(this, i));
        const double a = dimer::coal_a_of(inception_prefactor, t, v);
        at(a_inception, i) = a;
        const double inv_v = bind::fdiv(1.0, v.v_d);
        const double pre = dimer::coal_b_pre(c_soot_agg, adsorption_prefactor, t, v, d_g);
        const double b = pre * inverse_volume_root(this, V_agg.get(), inv_v);
        at(b_adsorption, i) = b;
    }
}

bool CDimerCoal::plain_route() {
    if (!plain_common(&type, &vtable)) return false;
    const Step& d = step;
    if (!d.inception && !d.adsorption) return true;
    PyObject* V = V_agg.get();
    if (!PyFloat_CheckExact(V) || PyFloat_AS_DOUBLE(V) == 0.0) return false;
    inv_V = 1.0 / PyFloat_AS_DOUBLE(V);
    const size_t n = d.mass.size();
    if (volumes.size() != n) volumes.assign(n, {});
    for (size_t i = 0; i < n; ++i) {
        const double m = d.mass[i];
        if (m == 0.0) return false;
        const dimer::DimerVolume& v = volumes[i].of(m, [m] { return dimer::dimer_volume(m); });
        if (v.v_d == 0.0 || 1.0 / v.v_d + inv_V < 0.0) return false;
    }
    coal_t = dimer::coal_T(d.T);
    return true;
}

bool CDimerCoal::fused_update() {
    const Step& d = step;
    const size_t n = d.mass.size();
    const CoalPlain a{d, d.sw->PAH_indices.data(), stick_eff.data()};
    double *w_out = w_dimer.data(), *a_out = a_inception.data(), *b_out = b_adsorption.data();
    for (size_t i = 0; i < n; ++i) w_out[i] = dimer::coal_w_dimer_of(a, i, d.T);
    for (size_t i = 0; i < n; ++i) {
        const dimer::DimerVolume& v = volumes[i].value();
        a_out[i] = dimer::coal_a_of(inception_prefactor, coal_t, v);
        b_out[i] = dimer::coal_b_pre(c_soot_agg, adsorption_prefactor, coal_t, v, d_g) * volume_root(1.0 / v.v_d, inv_V);
    }
    return fused_tail();
}

// ------------------------------------------------------------------ tables

namespace {

using Self = CDimerCoal;
const bind::Field fields[] = {DIMERCOAL_ROWS};
BIND_DERIVED_METHOD_TABLES(DIMERCOAL_METHODS, DIMERCOAL_REDEFINES)

}  // namespace

bind::ClassSpec& CDimerCoal::spec() {
    static bind::ClassSpec s = bind::define<CDimerCoal>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .init = bind::Init<&CDimerCoal::init_impl, "soot_wrapper">::init,
        .vtable = &vtable,
        .vtable_size = sizeof vtable,
        .checksums = {0x7e0b5cb, 0x3908ad0, 0x2b26cb4},
    });
    return s;
}

}  // namespace pyrandel
