#include "dimercoalmod.hpp"

#include "../../lib/constants.hpp"
#include "../../lib/lastvalue.hpp"

namespace pyrandel {

using bind::at;

BIND_TYPE_OBJECT(CDimerCoalMod)

const CDimerCoalModVTable CDimerCoalMod::vtable = [] {
    using bind::entry;
    using M = CDimerCoalMod;
    auto t = bind::extend<CDimerCoalModVTable>(CPAHGrowthBase::vtable);
    t._update_w_scrub_inception = shared_entry<M, &DimerCoalCommon::scrub_inception, "_update_w_scrub_inception">();
    t._update_w_scrub_PAH = shared_entry<M, &DimerCoalCommon::scrub_PAH, "_update_w_scrub_PAH">();
    t.update_w_scrub = pah_growth_update_w_scrub;
    t.update_w_dimer = entry<&M::update_w_dimer_impl, "update_w_dimer">();
    t.beta_fm_PAH_PAH = entry<&M::beta_fm_PAH_PAH_impl, "beta_fm_PAH_PAH">();
    t.beta_fm_dimer_dimer = entry<&M::beta_fm_dimer_dimer_impl, "beta_fm_dimer_dimer">();
    t.beta_fm_soot_dimer = entry<&M::beta_fm_soot_dimer_impl, "beta_fm_soot_dimer">();
    t.beta_cont_soot_dimer = entry<&M::beta_cont_soot_dimer_impl, "beta_cont_soot_dimer">();
    t.beta_soot_dimer = entry<&M::beta_soot_dimer_impl, "beta_soot_dimer">();
    t.C_S_soot = entry<&M::C_S_soot_impl, "C_S_soot">();
    t.update_ab = entry<&M::update_ab_impl, "update_ab">();
    return t;
}();

void CDimerCoalMod::init_impl(PyObject* w) {
    construct(w);
    _reset();
}

void CDimerCoalMod::_reset_impl() { reset_prefactors(); }
void CDimerCoalMod::create_PAH_dimer_impl() { create_dimers(); }
void CDimerCoalMod::update_c_dimer_impl() { c_dimer_step(); }
void CDimerCoalMod::update_w_inception_impl() { w_inception_step(); }
void CDimerCoalMod::_update_NCH_inception_impl() { NCH_inception_step(true); }
void CDimerCoalMod::update_PAH_adsorption_rate_impl() { adsorption_rate_step(); }
void CDimerCoalMod::_update_CH_tot_PAH_impl() { CH_tot_PAH_step(); }

void CDimerCoalMod::update_impl() { dimercoal_update(*this); }

void CDimerCoalMod::update_w_dimer_impl() {
    if (n_PAHs <= 0) return;
    if (const size_t n = cached_n(); n != NOT_CACHED && all_sized(n, stick_eff, w_dimer)) {
        // beta_fm_PAH_PAH of the step's geometry (it cannot raise), the same gas calls.
        const double T = geo.T;
        const int* idx = geo.sw->PAH_indices.data();
        const double *stick = stick_eff.data(), *diam = geo.diam.data(), *mass = geo.mass.data();
        double* out = w_dimer.data();
        const bool plain = geo.plain_C();
        for (size_t i = 0; i < n; ++i) {
            const double d = diam[i], m = mass[i];
            Memo1& sq = red_squares[i];
            if (!sq.same(d)) sq = {d, std::pow(2.0 * d * d / (d + d), 2.0)};
            const double beta = 2.2 * sq.v * std::sqrt(8.0 * k.Pi_const * k.kB_const * T / (m * m / (m + m)));
            const double C_i = bind::pymax(plain ? geo.C_of(idx[i]) : geo.C(idx[i]), 0.0);
            out[i] = beta * stick[i] * std::pow(C_i, 2.0) * k.Av_const;
        }
        return;
    }
    GasView gas(this);
    for (int i = 0; i < n_PAHs; ++i) {
        const double beta = vt()->beta_fm_PAH_PAH(this, i);
        const double C_i = bind::pymax(gas.C(PAH_index_at(i)), 0.0);
        const double w = beta * at(stick_eff, i) * std::pow(C_i, 2.0) * k.Av_const;
        at(w_dimer, i) = w;
    }
}

// Free-molecular kernels (enhancement factor 2.2); a dimer is a sphere of
// twice the precursor's volume, d_d = 2^(1/3)·d_i. No zero tests: zero masses
// or diameters give the IEEE infinity or NaN.
double CDimerCoalMod::beta_fm_PAH_PAH_impl(int i) {
    const double T = GasView(this).T();
    double d_red, m_red;
    if (geo.has(i)) {  // reduced_d and reduced_m of a precursor with itself
        const double d = geo.diam[(size_t)i], m = geo.mass[(size_t)i];
        d_red = 2.0 * d * d / (d + d);
        m_red = m * m / (m + m);
    } else {
        d_red = vtab->reduced_d(this, i, i);
        m_red = vtab->reduced_m(this, i, i);
    }
    return 2.2 * std::pow(d_red, 2.0) * std::sqrt(8.0 * k.Pi_const * k.kB_const * T / m_red);
}

double CDimerCoalMod::beta_fm_dimer_dimer_impl(int i) {
    const double T = GasView(this).T();
    const double d_d = std::pow(2.0, k.one_third_const) * diam(i);
    const double m_i = mass(i);
    return 2.2 * std::pow(d_d, 2.0) * std::sqrt(8.0 * k.Pi_const * k.kB_const * T / m_i);
}

double CDimerCoalMod::beta_fm_soot_dimer_impl(int i) {
    const double T = GasView(this).T();
    const double d_d = std::pow(2.0, k.one_third_const) * diam(i);
    const double m_i = mass(i);
    return 2.2 * std::pow(d_d + d_g, 2.0) *
           std::sqrt(k.Pi_const * k.kB_const * T / 2.0 * (1.0 / m_agg + 1.0 / (2.0 * m_i)));
}

// Continuum kernel with the rarefaction corrections of the dimer and of the aggregate.
double CDimerCoalMod::beta_cont_soot_dimer_impl(int i) {
    GasView gas(this);
    const double T = gas.T(), mu = gas.mu();
    const double d_d = std::pow(2.0, k.one_third_const) * diam(i);
    const double a = bind::fdiv(2.0 * k.kB_const * T, 3.0 * mu);
    return a * (vt()->C_S_soot(this, d_d) / d_d + vt()->C_S_soot(this, d_m) / d_g) * (d_d + d_g);
}

double CDimerCoalMod::beta_soot_dimer_impl(int i) {
    const double fm = vt()->beta_fm_soot_dimer(this, i);
    const double cont = vt()->beta_cont_soot_dimer(this, i);
    return fm * cont / (fm + cont);
}

double CDimerCoalMod::C_S_soot_impl(double d) {
    const double lam = GasView(this).lambda();
    return 1.0 + (2.0 * lam / d) * (1.21 + 0.4 * std::exp(-0.78 * d / lam));
}

void CDimerCoalMod::update_ab_impl() {
    if (update_ab_cached()) return;
    for (int i = 0; i < n_PAHs; ++i) {
        const double a = vt()->beta_fm_dimer_dimer(this, i) * inception_prefactor * k.Av_const;
        at(a_inception, i) = a;
        const double b = vt()->beta_soot_dimer(this, i) * adsorption_prefactor * c_soot_agg * k.Av_const;
        at(b_adsorption, i) = b;
    }
}

// The kernels of update_ab on the step's geometry: the aggregate's continuum
// term once, the dimer diameter's square kept while d_i is unchanged. Only a
// zero viscosity raises (in beta_cont_soot_dimer): the entries then report it.
bool CDimerCoalMod::update_ab_cached() {
    const size_t n = cached_n();
    if (n == NOT_CACHED || !all_sized(n, a_inception, b_adsorption)) return false;
    if (n == 0) return true;
    const double T = geo.T, mu = geo.mu, lam = geo.lam;
    if (3.0 * mu == 0.0) return false;
    const double cbrt2 = std::pow(2.0, k.one_third_const);
    const double C_S_agg = 1.0 + (2.0 * lam / d_m) * (1.21 + 0.4 * slip_exp(-0.78 * d_m / lam));
    const double agg = C_S_agg / d_g;
    const double a_cont = 2.0 * k.kB_const * T / (3.0 * mu);
    const double *diam = geo.diam.data(), *mass = geo.mass.data();
    double *a_out = a_inception.data(), *b_out = b_adsorption.data();
    for (size_t i = 0; i < n; ++i) {
        const double d_d = cbrt2 * diam[i];
        const double m_i = mass[i];
        Memo1& sq = dd_squares[i];
        if (!sq.same(d_d)) sq = {d_d, std::pow(d_d, 2.0)};
        const double fm_dd = 2.2 * sq.v * std::sqrt(8.0 * k.Pi_const * k.kB_const * T / m_i);
        a_out[i] = fm_dd * inception_prefactor * k.Av_const;
        const double fm = 2.2 * std::pow(d_d + d_g, 2.0) *
                          std::sqrt(k.Pi_const * k.kB_const * T / 2.0 * (1.0 / m_agg + 1.0 / (2.0 * m_i)));
        const double C_S_d = 1.0 + (2.0 * lam / d_d) * (1.21 + 0.4 * std::exp(-0.78 * d_d / lam));
        const double cont = a_cont * (C_S_d / d_d + agg) * (d_d + d_g);
        b_out[i] = fm * cont / (fm + cont) * adsorption_prefactor * c_soot_agg * k.Av_const;
    }
    return true;
}

bool CDimerCoalMod::fill_cache(PyTypeObject* own) {
    if (!DimerCoalCommon::fill_cache(own)) return false;
    const size_t n = geo.mass.size();
    if (red_squares.size() != n) red_squares.assign(n, {});
    if (dd_squares.size() != n) dd_squares.assign(n, {});
    return true;
}

// ------------------------------------------------------------------ tables

namespace {

using Self = CDimerCoalMod;
const bind::Field fields[] = {DIMERCOAL_ROWS};
BIND_DERIVED_METHOD_TABLES(DIMERCOAL_METHODS, DIMERCOAL_REDEFINES)

}  // namespace

bind::ClassSpec& CDimerCoalMod::spec() {
    static bind::ClassSpec s = bind::define<CDimerCoalMod>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .init = bind::Init<&CDimerCoalMod::init_impl, "soot_wrapper">::init,
        .vtable = &vtable,
        .vtable_size = sizeof vtable,
        .checksums = {0x7e0b5cb, 0x3908ad0, 0x2b26cb4},
    });
    return s;
}

}  // namespace pyrandel
