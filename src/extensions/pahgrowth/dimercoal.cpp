#include "dimercoal.hpp"

#include <climits>
#include <optional>

#include "../../lib/constants.hpp"

namespace pyrandel {

using bind::at;
using bind::Ref;

BIND_TYPE_OBJECT(CDimerCoal)

namespace {

bind::Name n_H("H");
// The index of H the scrub writes use, as the gas wrapper's cache gave it for a
// species dictionary at one version (any model's: the dictionary alone decides it).
SpeciesIds<1> scrub_ids;

// What inceptions at w (mol/(m3 s)) bring per kg of gas: the carbon and hydrogen of
// four precursor molecules each, and the new particles (with partial addition, the
// fraction of the smallest particle their carbon makes).
struct Incepted {
    double C, H, N;
};
inline Incepted incepted(bool partial, double n_C, double n_H, double w, double rho) {
    return {4.0 * w * n_C / rho, 4.0 * w * n_H / rho, partial ? (4.0 * n_C / k.min_n_C_const) * (w / rho) : w / rho};
}

// What dimers adsorbed at r bring per kg of gas: the carbon of two precursor
// molecules and all but two of their hydrogen atoms each.
struct Adsorbed {
    double C, H;
};
inline Adsorbed adsorbed(double n_C, double n_H, double r, double rho) {
    return {2.0 * n_C * r / rho, 2.0 * (n_H - 2.0) * r / rho};
}

// The dimer concentrations c, the positive roots of a·c² + b·c = w, for n
// precursors; false at the first root that would divide by zero (the steps by
// name then redo the values and raise there).
bool dimer_roots(size_t n, const double* A, const double* B, const double* W, double* c) {
    for (size_t i = 0; i < n; ++i) {
        const double a = A[i], b = B[i], w = W[i];
        const double D = std::pow(b, 2.0) + 4.0 * a * w;
        if (D > 0.0 && 2.0 * a == 0.0) return false;
        c[i] = D > 0.0 ? (std::sqrt(D) - b) / (2.0 * a) : 0.0;
    }
    return true;
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

// The non-negative root of a·c² + b·c − w = 0.
void DimerCoalCommon::c_dimer_step() {
    if (const size_t n = cached_n(); n != NOT_CACHED && all_sized(n, a_inception, b_adsorption, w_dimer, c_dimer)) {
        if (dimer_roots(n, a_inception.data(), b_adsorption.data(), w_dimer.data(), c_dimer.data())) return;
    }
    for (int i = 0; i < n_PAHs; ++i) {
        const double a = at(a_inception, i), b = at(b_adsorption, i), w = at(w_dimer, i);
        const double D = std::pow(b, 2.0) + 4.0 * a * w;
        const double c = D > 0.0 ? bind::fdiv(std::sqrt(D) - b, 2.0 * a) : 0.0;
        at(c_dimer, i) = c;
    }
}

void DimerCoalCommon::w_inception_step() {
    if (const size_t n = cached_n(); n != NOT_CACHED && all_sized(n, a_inception, c_dimer, w_inception)) {
        const double *A = a_inception.data(), *c = c_dimer.data();
        double* out = w_inception.data();
        for (size_t i = 0; i < n; ++i) out[i] = A[i] * 0.5 * std::pow(c[i], 2.0);
        return;
    }
    for (int i = 0; i < n_PAHs; ++i) {
        const double r = at(a_inception, i) * 0.5 * std::pow(at(c_dimer, i), 2.0);
        at(w_inception, i) = r;
    }
}

// One inception joins two dimers: four precursor molecules.
void DimerCoalCommon::NCH_inception_step(bool by_name_counts) {
    _N_agg_inception_total = 0.0;
    _C_tot_inception_total = 0.0;
    _H_tot_inception_total = 0.0;
    if (n_PAHs <= 0) return;
    // (The counts are read from the wrapper's lists, which code run since the
    // geometry was taken may have shortened: those must still hold n.)
    if (const size_t n = cached_n(); n != NOT_CACHED && geo.rho != 0.0 &&
                                     all_sized(n, w_inception, _C_tot_inception_each, _H_tot_inception_each,
                                               _N_agg_inception_each, geo.sw->PAH_n_C, geo.sw->PAH_n_H)) {
        // The step's own class: the counts from the wrapper, the switch once.
        const double rho = geo.rho;
        const bool partial = geo.partial();
        const double *nC = geo.sw->PAH_n_C.data(), *nH = geo.sw->PAH_n_H.data(), *wi = w_inception.data();
        double *C_each = _C_tot_inception_each.data(), *H_each = _H_tot_inception_each.data();
        double* N_each = _N_agg_inception_each.data();
        for (size_t i = 0; i < n; ++i) {
            const Incepted d = incepted(partial, nC[i], nH[i], wi[i], rho);
            C_each[i] = d.C;
            H_each[i] = d.H;
            N_each[i] = d.N;
            _N_agg_inception_total += d.N;
            _C_tot_inception_total += d.C;
            _H_tot_inception_total += d.H;
        }
        return;
    }
    const double rho = GasView(this).rho();
    std::optional<Counts> counts;
    if (by_name_counts) counts.emplace(this);
    // The counts of CDimerCoalMod are interpreter numbers ("float division by zero").
    auto div = by_name_counts ? bind::pydiv : bind::fdiv;
    for (int i = 0; i < n_PAHs; ++i) {
        const double n_C = counts ? counts->C(i) : PAH_n_C_at(i);
        const double n_H = counts ? counts->H(i) : PAH_n_H_at(i);
        const double w = at(w_inception, i);
        const double dC = div(4.0 * w * n_C, rho);
        const double dH = div(4.0 * w * n_H, rho);
        at(_C_tot_inception_each, i) = dC;
        at(_H_tot_inception_each, i) = dH;
        // A new particle counts as the share of the smallest one that its carbon makes.
        const double dN = partial_addition_on() ? (4.0 * n_C / k.min_n_C_const) * div(w, rho) : div(w, rho);
        at(_N_agg_inception_each, i) = dN;
        _N_agg_inception_total += dN;
        _C_tot_inception_total += dC;
        _H_tot_inception_total += dH;
    }
}

void DimerCoalCommon::adsorption_rate_step() {
    if (const size_t n = cached_n(); n != NOT_CACHED && all_sized(n, c_dimer, b_adsorption, _PAH_adsorption_rate)) {
        const double *c = c_dimer.data(), *B = b_adsorption.data();
        double* out = _PAH_adsorption_rate.data();
        for (size_t i = 0; i < n; ++i) out[i] = c[i] * B[i];
        return;
    }
    for (int i = 0; i < n_PAHs; ++i) {
        const double r = at(c_dimer, i) * at(b_adsorption, i);
        at(_PAH_adsorption_rate, i) = r;
    }
}

// An adsorbed dimer brings the carbon of two precursor molecules and all but
// two of their hydrogen atoms each (released as H).
void DimerCoalCommon::CH_tot_PAH_step() {
    _C_tot_PAH_total = 0.0;
    _H_tot_PAH_total = 0.0;
    if (n_PAHs <= 0) return;
    if (const size_t n = cached_n();
        n != NOT_CACHED && geo.rho != 0.0 &&
        all_sized(n, _PAH_adsorption_rate, _C_tot_PAH_each, _H_tot_PAH_each, geo.sw->PAH_n_C, geo.sw->PAH_n_H)) {
        const double rho = geo.rho;
        const double *nC = geo.sw->PAH_n_C.data(), *nH = geo.sw->PAH_n_H.data();
        const double* rate = _PAH_adsorption_rate.data();
        double *C_each = _C_tot_PAH_each.data(), *H_each = _H_tot_PAH_each.data();
        for (size_t i = 0; i < n; ++i) {
            const Adsorbed d = adsorbed(nC[i], nH[i], rate[i], rho);
            C_each[i] = d.C;
            H_each[i] = d.H;
            _C_tot_PAH_total += d.C;
            _H_tot_PAH_total += d.H;
        }
        return;
    }
    const double rho = GasView(this).rho();
    Counts counts(this);
    for (int i = 0; i < n_PAHs; ++i) {
        const double n_C = counts.C(i), n_H = counts.H(i);
        const double r = at(_PAH_adsorption_rate, i);
        const double dC = bind::pydiv(2.0 * n_C * r, rho);
        const double dH = bind::pydiv(2.0 * (n_H - 2.0) * r, rho);
        at(_C_tot_PAH_each, i) = dC;
        at(_H_tot_PAH_each, i) = dH;
        _C_tot_PAH_total += dC;
        _H_tot_PAH_total += dH;
    }
}

bool DimerCoalCommon::fused_tail(bool inception, bool adsorption) {
    const size_t n = cached_n();
    // Every condition of the steps' cached paths, tested before anything is written.
    if (n == NOT_CACHED || n == 0 || !all_sized(n, a_inception, b_adsorption, w_dimer, c_dimer, geo.sw->PAH_n_C,
                                                geo.sw->PAH_n_H))
        return false;
    if (inception && (geo.rho == 0.0 || !all_sized(n, w_inception, _C_tot_inception_each, _H_tot_inception_each,
                                                    _N_agg_inception_each)))
        return false;
    if (adsorption && (geo.rho == 0.0 || !all_sized(n, _PAH_adsorption_rate, _C_tot_PAH_each, _H_tot_PAH_each)))
        return false;
    // Dimers, as c_dimer_step gives them; a root that would divide by zero leaves it to the steps.
    const double *A = a_inception.data(), *B = b_adsorption.data();
    double* c = c_dimer.data();
    if (!dimer_roots(n, A, B, w_dimer.data(), c)) return false;
    // Inception and adsorption, as their two steps each give them.
    const double rho = geo.rho;
    const double *nC = geo.sw->PAH_n_C.data(), *nH = geo.sw->PAH_n_H.data();
    if (inception) {
        const bool partial = geo.partial();
        double *wi = w_inception.data(), *C_each = _C_tot_inception_each.data(), *H_each = _H_tot_inception_each.data();
        double* N_each = _N_agg_inception_each.data();
        double N_tot = 0.0, C_tot = 0.0, H_tot = 0.0;
        for (size_t i = 0; i < n; ++i) {
            const double w = A[i] * 0.5 * std::pow(c[i], 2.0);
            wi[i] = w;
            const Incepted d = incepted(partial, nC[i], nH[i], w, rho);
            C_each[i] = d.C;
            H_each[i] = d.H;
            N_each[i] = d.N;
            N_tot += d.N;
            C_tot += d.C;
            H_tot += d.H;
        }
        _N_agg_inception_total = N_tot;
        _C_tot_inception_total = C_tot;
        _H_tot_inception_total = H_tot;
    }
    if (adsorption) {
        double *rate = _PAH_adsorption_rate.data(), *C_each = _C_tot_PAH_each.data(), *H_each = _H_tot_PAH_each.data();
        double C_tot = 0.0, H_tot = 0.0;
        for (size_t i = 0; i < n; ++i) {
            const double r = c[i] * B[i];
            rate[i] = r;
            const Adsorbed d = adsorbed(nC[i], nH[i], r, rho);
            C_each[i] = d.C;
            H_each[i] = d.H;
            C_tot += d.C;
            H_tot += d.H;
        }
        _C_tot_PAH_total = C_tot;
        _H_tot_PAH_total = H_tot;
    }
    return true;
}

bool DimerCoalCommon::fill_cache(PyTypeObject* own) {
    if (!geo.fill(this, own)) return false;
    const size_t n = geo.diam.size();
    // Unchanged geometry: the test and the squares below stand as they were.
    if (squares_version == geo.geometry_version && squares.size() == n) return diam_nonzero;
    // reduced_d(i, i) divides by 2·d_i with a zero test
    diam_nonzero = true;
    for (double d : geo.diam)
        if (d + d == 0.0) diam_nonzero = false;
    squares_version = geo.geometry_version;
    if (squares.size() != n) squares.assign(n, {});
    if (!diam_nonzero) return false;
    for (size_t i = 0; i < n; ++i)
        if (const double d = geo.diam[i]; !squares[i].same(d)) squares[i] = {d, std::pow(d, 2.0)};
    return true;
}

void DimerCoalCommon::scrub_inception(bind::DoubleBuf& w) {
    if (n_PAHs <= 0) return;
    if (soot_wrapper) {
        const size_t n = (size_t)n_PAHs;
        // No code runs in the loop: the wrapper is read in place, without a hold.
        if (const CSootWrapper* sw = soot_wrapper.o; all_sized(n, w_inception, sw->PAH_indices)) {
            const int* idx = sw->PAH_indices.data();
            const double* wi = w_inception.data();
            for (size_t i = 0; i < n; ++i) scrub_at(w, idx[i], -4.0 * wi[i]);
            return;
        }
    }
    for (int i = 0; i < n_PAHs; ++i) {
        const double r = at(w_inception, i);
        scrub_at(w, PAH_index_at(i), -4.0 * r);
    }
}

void DimerCoalCommon::scrub_PAH(bind::DoubleBuf& w) {
    if (n_PAHs <= 0) return;
    GasView gas(this);
    const int h = gas.index(n_H);
    const size_t n = (size_t)n_PAHs;
    if (const CSootWrapper* sw = as_wrapper(gas.w); all_sized(n, _PAH_adsorption_rate, sw->PAH_indices)) {
        scrub_pairs(w, n, sw->PAH_indices.data(), _PAH_adsorption_rate.data(), h, [](double r) { return -2.0 * r; },
                    [](double r) { return 2.0 * r; });
        return;
    }
    for (int i = 0; i < n_PAHs; ++i) {
        const double r = at(_PAH_adsorption_rate, i);
        scrub_at(w, PAH_index_at(i), -2.0 * r);
        scrub_at(w, h, 2.0 * r);
    }
}

// Entries 8 and 9 where each takes its first path to the end: the wrappers read
// in place, the index of H known to the gas wrapper's cache, every write inside
// the array.
bool DimerCoalCommon::plain_scrub(const bind::F64Span& w) {
    if (n_PAHs <= 0) return true;
    const size_t n = (size_t)n_PAHs;
    const CSootWrapper* sw = soot_wrapper.o;
    CSootGas* g = sw ? sw->gas() : nullptr;
    if (!g || !all_sized(n, w_inception, _PAH_adsorption_rate, sw->PAH_indices) || !scrub_ids.find(g, {n_H}))
        return false;
    double* w_H = w.slot(scrub_ids[0]);
    if (!w_H) return false;
    const double *wi = w_inception.data(), *ra = _PAH_adsorption_rate.data();
    return precursor_passes(
        w, sw->PAH_indices.data(), n, [&](double& e, size_t i) { e += -4.0 * wi[i]; },
        [&](double& e, size_t i) {
            const double r = ra[i];
            e += -2.0 * r;
            *w_H += 2.0 * r;
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

// Kinetic theory of equal spheres with a sticking efficiency.
void CDimerCoal::update_w_dimer_impl() {
    if (n_PAHs <= 0) return;
    if (const size_t n = cached_n(); n != NOT_CACHED && all_sized(n, stick_eff, w_dimer) && no_zero_mass()) {
        // The step's geometry, no zero mass: nothing raises.
        const double T = geo.T;
        const int* idx = geo.sw->PAH_indices.data();
        const double *mass = geo.mass.data(), *stick = stick_eff.data();
        double* out = w_dimer.data();
        const bool plain = geo.plain_C();
        for (size_t i = 0; i < n; ++i) {
            const double m_i = mass[i];
            const double C_i = bind::pymax(plain ? geo.C_of(idx[i]) : geo.C(idx[i]), 0.0);
            const double w = std::sqrt(4.0 * k.Pi_const * k.kB_const * T / m_i) * stick[i] * squares[i].v *
                             std::pow(C_i, 2.0) * k.Av_const;
            out[i] = w;
        }
        return;
    }
    GasView gas(this);
    const double T = gas.T();
    for (int i = 0; i < n_PAHs; ++i) {
        const double m_i = mass(i);
        const double d_i = diam(i);
        const double C_i = bind::pymax(gas.C(PAH_index_at(i)), 0.0);
        const double w = std::sqrt(bind::fdiv(4.0 * k.Pi_const * k.kB_const * T, m_i)) * at(stick_eff, i) *
                         std::pow(d_i, 2.0) * std::pow(C_i, 2.0) * k.Av_const;
        at(w_dimer, i) = w;
    }
}

// Coalescence and soot collision of dimers taken as spheres of the soot density.
void CDimerCoal::update_ab_impl() {
    if (n_PAHs <= 0) return;
    if (update_ab_cached()) return;
    const double T = GasView(this).T();
    const double s = k.one_sixth_const, rho_s = k.rho_soot_const;
    const double A = 4.4 * std::pow(3.0 / (4.0 * k.Pi_const), s) * std::sqrt(6.0 * k.kB_const * T / rho_s) * 4.0 *
                     1.41421356 * k.Av_const;
    const double B = 1.3 * std::sqrt(k.Pi_const * k.kB_const * T / (2.0 * rho_s));
    for (int i = 0; i < n_PAHs; ++i) {
        const double m_d = 2.0 * mass(i);
        const double v_d = m_d / rho_s;
        const double d_d = std::pow(6.0 * m_d / (rho_s * k.Pi_const), k.one_third_const);
        const double a = inception_prefactor * A * std::pow(v_d, s);
        at(a_inception, i) = a;
        const double inv_v = bind::fdiv(1.0, v_d);
        const double pre = k.Av_const * c_soot_agg * adsorption_prefactor * B * std::pow(d_d + d_g, 2.0);
        const double b = pre * inverse_volume_root(this, V_agg.get(), inv_v);
        at(b_adsorption, i) = b;
    }
}

// The same values on the step's geometry: the dimer's volume terms kept while
// the precursor's mass is unchanged, 1/V_agg once. Any value that would raise
// (no float V_agg, a zero volume, a negative sum under the root) takes the
// loop above before anything is written.
bool CDimerCoal::update_ab_cached() {
    const size_t n = cached_n();
    if (n == NOT_CACHED || !all_sized(n, a_inception, b_adsorption) || !PyFloat_CheckExact(V_agg.get())) return false;
    const double V = PyFloat_AS_DOUBLE(V_agg.get());
    if (V == 0.0) return false;
    const double s = k.one_sixth_const, rho_s = k.rho_soot_const;
    if (dimer_memo.size() != n) dimer_memo.assign(n, {});
    const double inv_V = 1.0 / V;
    for (size_t i = 0; i < n; ++i) {
        const double m = geo.mass[i];
        DimerRow& row = dimer_memo[i];
        if (!row.same(m)) {
            const double m_d = 2.0 * m;
            const double v_d = m_d / rho_s;
            row = {m, v_d, std::pow(6.0 * m_d / (rho_s * k.Pi_const), k.one_third_const), std::pow(v_d, s)};
        }
        if (row.v_d == 0.0 || 1.0 / row.v_d + inv_V < 0.0) return false;
    }
    const double T = geo.T;
    const double A = 4.4 * std::pow(3.0 / (4.0 * k.Pi_const), s) * std::sqrt(6.0 * k.kB_const * T / rho_s) * 4.0 * 1.41421356 * k.Av_const;
    const double B = 1.3 * std::sqrt(k.Pi_const * k.kB_const * T / (2.0 * rho_s));
    double *a_out = a_inception.data(), *b_out = b_adsorption.data();
    for (size_t i = 0; i < n; ++i) {
        const DimerRow& row = dimer_memo[i];
        a_out[i] = inception_prefactor * A * row.v_d_s;
        const double pre = k.Av_const * c_soot_agg * adsorption_prefactor * B * std::pow(row.d_d + d_g, 2.0);
        b_out[i] = pre * std::pow(1.0 / row.v_d + inv_V, 0.5);
    }
    return true;
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
