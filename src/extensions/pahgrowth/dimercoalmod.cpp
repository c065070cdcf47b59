#include "dimercoalmod.hpp"

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
[[maybe_unused]] const bool plain_scrub_added = add_plain_scrub<CDimerCoalMod>();

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
    GasView gas(this);
    for (int i = 0; i < n_PAHs; ++i) {
        const double beta = vt()->beta_fm_PAH_PAH(this, i);
        const double C_i = bind::pymax(gas.C(PAH_index_at(i)), 0.0);
        const double w = dimer::mod_w_dimer_of(beta, at(stick_eff, i), C_i);
        at(w_dimer, i) = w;
    }
}

double CDimerCoalMod::beta_fm_PAH_PAH_impl(int i) {
    const double T = GasView(this).T();
    const double d_red = vtab->reduced_d(this, i, i);
    const double m_red = vtab->reduced_m(this, i, i);
    return dimer::beta_PAH_PAH_of(T, d_red, m_red);
}

double CDimerCoalMod::beta_fm_dimer_dimer_impl(int i) {
    const double T = GasView(this).T();
    const double d_d = dimer::dimer_diameter(vtab->PAH_diameter(this, i));
    return dimer::beta_dimer_dimer_of(T, d_d, vtab->PAH_mass(this, i));
}

double CDimerCoalMod::beta_fm_soot_dimer_impl(int i) {
    const double T = GasView(this).T();
    const double d_d = dimer::dimer_diameter(vtab->PAH_diameter(this, i));
    return dimer::beta_soot_dimer_fm_of(T, d_d, vtab->PAH_mass(this, i), d_g, m_agg);
}

double CDimerCoalMod::beta_cont_soot_dimer_impl(int i) {
    GasView gas(this);
    const double T = gas.T(), mu = gas.mu();
    const double d_d = dimer::dimer_diameter(vtab->PAH_diameter(this, i));
    const double a = dimer::cont_a_of(bind::fdiv, T, mu);
    const double C_S_d = vt()->C_S_soot(this, d_d);
    const double agg = vt()->C_S_soot(this, d_m) / d_g;
    return dimer::beta_cont_of(a, C_S_d, d_d, agg, d_g);
}

double CDimerCoalMod::beta_soot_dimer_impl(int i) {
    const double fm = vt()->beta_fm_soot_dimer(this, i);
    const double cont = vt()->beta_cont_soot_dimer(this, i);
    return dimer::beta_soot_dimer_of(fm, cont);
}

double CDimerCoalMod::C_S_soot_impl(double d) { return dimer::C_S_of(GasView(this).lambda(), d, dimer::exp_of); }

void CDimerCoalMod::update_ab_impl() {
    for (int i = 0; i < n_PAHs; ++i) {
        const double beta_dd = vt()->beta_fm_dimer_dimer(this, i);
        const double a = dimer::mod_a_of(beta_dd, inception_prefactor);
        at(a_inception, i) = a;
        const double beta_sd = vt()->beta_soot_dimer(this, i);
        const double b = dimer::mod_b_of(beta_sd, adsorption_prefactor, c_soot_agg);
        at(b_adsorption, i) = b;
    }
}

bool CDimerCoalMod::plain_route() {
    if (!plain_common(&type, &vtable)) return false;
    const Step& d = step;
    if (!d.inception && !d.adsorption) return true;
    // Only a zero viscosity would raise (in beta_cont_soot_dimer).
    if (3.0 * d.mu == 0.0) return false;
    cont_a = dimer::cont_a_of(dimer::plain_div, d.T, d.mu);
    cont_agg = dimer::C_S_of(d.lam, d_m, [&d](double y) { return slip_exp(d.sw, y); }) / d_g;
    return true;
}

bool CDimerCoalMod::fused_update() {
    const Step& d = step;
    const size_t n = d.mass.size();
    const double T = d.T, lam = d.lam;
    const int* idx = d.sw->PAH_indices.data();
    const double* stick = stick_eff.data();
    double *w_out = w_dimer.data(), *a_out = a_inception.data(), *b_out = b_adsorption.data();
    for (size_t i = 0; i < n; ++i) {
        const double d_i = d.diam[i], m_i = d.mass[i];
        const double d_red = reduced_d_of(dimer::plain_div, d_i, d_i), m_red = reduced_of(m_i, m_i);
        const double beta = dimer::beta_PAH_PAH_of(T, d_red, m_red);
        w_out[i] = dimer::mod_w_dimer_of(beta, stick[i], bind::pymax(d.C_of(idx[i]), 0.0));
    }
    for (size_t i = 0; i < n; ++i) {
        const double d_d = dimer::dimer_diameter(d.diam[i]), m_i = d.mass[i];
        a_out[i] = dimer::mod_a_of(dimer::beta_dimer_dimer_of(T, d_d, m_i), inception_prefactor);
        const double fm = dimer::beta_soot_dimer_fm_of(T, d_d, m_i, d_g, m_agg);
        const double cont = dimer::beta_cont_of(cont_a, dimer::C_S_of(lam, d_d, dimer::exp_of), d_d, cont_agg, d_g);
        b_out[i] = dimer::mod_b_of(dimer::beta_soot_dimer_of(fm, cont), adsorption_prefactor, c_soot_agg);
    }
    return fused_tail();
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
