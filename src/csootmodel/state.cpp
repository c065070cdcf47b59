// CSootModel: fields, constructor, list properties and the class tables.
#include "sootmodel.hpp"

namespace pyrandel {

using bind::Ref;

PyTypeObject CSootModel::type = {PyVarObject_HEAD_INIT(nullptr, 0)};

namespace {

bind::Name n_pi("pi");
bind::Name n_set_coales_type("_set_coales_type");
bind::Name n_set_validation_case("_set_validation_case");
bind::Name n_set_alpha_model("_set_alpha_model");
bind::Name n_set_PAH_growth_model("_set_PAH_growth_model");

void vt_update_ROP(CSootModel* s) { s->update_ROP_impl(); }
Ref vt_k_nuc_irrevd(CSootModel* s, PyObject* i, PyObject* j) { return s->k_nuc_irrevd_impl(i, j); }
void vt_update_ROP_irrevd(CSootModel* s) { s->update_ROP_irrevd_impl(); }

}  // namespace

const CSootModelVTable CSootModel::vtable = {vt_update_ROP, vt_k_nuc_irrevd, vt_update_ROP_irrevd};

void CSootModel::bind_step(PyObject*& field, PyObject* name) {
    Ref m = bind::getattr((PyObject*)this, name);
    PyObject* old = field;
    field = m.release();
    Py_XDECREF(old);
}

void CSootModel::init_impl() {
    rho_soot = 1800.0;
    MW_carbon = 0.012011;
    MW_hydrogen = 0.00100784;
    Av = 6.02214076e23;
    kB = 1.3806488e-23;
    R = 8.31446261815324;
    P_atm = 101325.0;
    Pi = 3.1415926535;
    d_A = std::pow(3.0, 0.5) * 1.395 * 1e-10;

    inception_enabled = true;
    growth_enabled = true;
    growth_HACA_enabled = true;
    growth_PAH_adsorption_enabled = true;
    coagulation_enabled = true;
    oxidation_enabled = true;
    carbonization_enabled = false;
    scrubbing_enabled = true;
    coalescence_enabled = false;

    min_n_C = 378;
    min_n_H = 20;

    // The smallest particle's diameter uses NumPy's full pi, its surface the model's Pi.
    double np_pi = bind::as_double(bind::getattr(bind::np().get(), n_pi).get());
    d_p_min = std::pow(6.0 / np_pi * min_n_C * MW_carbon / (rho_soot * Av), 0.3333333333333333);
    A_p_min = Pi * std::pow(6.0 / Pi * min_n_C * MW_carbon / (Av * rho_soot), 0.6666666666666666);

    N_agg_min = 1.0 / Av;
    N_pri_min = 1.0 / Av;
    C_tot_min = min_n_C / Av;
    H_tot_min = min_n_H / Av;
    N_agg = N_agg_min;
    N_pri = N_pri_min;
    C_tot = C_tot_min;
    H_tot = H_tot_min;

    PAH_growth_model = 2;
    K_REACT_prefactor = 1.0;
    Ea_REACT_prefactor = 1.0;
    k_FWD_prefactor = 1.0;
    K_PAH_ADS_prefactor = 1.0;
    Ea_PAH_ADS_prefactor = 1.0;
    modified_particle_addition = false;
    steady_state_physical_dimerization = true;
    steady_state_PAH_adsorption = true;
    use_unity_alpha = false;
    use_empirical_alpha = true;
    K_T_factor = 0.0;
    N_agg_offset = 0;
    N_pri_offset = 1;
    C_tot_offset = 2;
    H_tot_offset = 3;
    Phy_dimer_offset = -1;
    PAH_soot_offset = -1;

    // The selectors are looked up on the instance, so a subclass's override runs.
    Ref zero = bind::py(0), one = bind::py(1);
    bind::call_method((PyObject*)this, n_set_coales_type, zero.get());

    diffus_coeff_const_val = 0.0;
    t_coales_min = 1e-12;
    CtoH_crit = 2.5;
    A_carb = 485000.0;
    Ea_carb = 83680.0;

    bind::call_method((PyObject*)this, n_set_validation_case, zero.get());

    adsorb_eff = 1.0;
    cross_k_f1_prefactor = 1.0;
    cross_k_r1_prefactor = 1.0;
    cross_k_f2_prefactor = 1.0;
    cross_k_f3_prefactor = 1.0;
    HACA_prefactor = 1.0;
    alpha_constant_value = 1.0;

    bind::call_method((PyObject*)this, n_set_alpha_model, one.get());
    bind::call_method((PyObject*)this, n_set_PAH_growth_model, one.get());
}

// ------------------------------------------------------------------ tables

namespace {

using C = CSootModel;
constexpr bool RO = bind::RO, RW = bind::RW;

const bind::Field fields[] = {
    // physical constants
    BIND_FIELD(C, rho_soot, Double, RO),
    BIND_FIELD(C, MW_carbon, Double, RO),
    BIND_FIELD(C, MW_hydrogen, Double, RO),
    BIND_FIELD(C, Av, Double, RO),
    BIND_FIELD(C, kB, Double, RO),
    BIND_FIELD(C, R, Double, RO),
    BIND_FIELD(C, P_atm, Double, RO),
    BIND_FIELD(C, Pi, Double, RO),
    BIND_FIELD(C, d_A, Double, RO),
    // positions in the solution array
    BIND_FIELD(C, N_agg_offset, Int, RO),
    BIND_FIELD(C, N_pri_offset, Int, RO),
    BIND_FIELD(C, C_tot_offset, Int, RO),
    BIND_FIELD(C, H_tot_offset, Int, RO),
    BIND_FIELD(C, Phy_dimer_offset, Int, RO),
    BIND_FIELD(C, PAH_soot_offset, Int, RO),
    BIND_FIELD(C, dimer_offset, Int, RO),
    BIND_FIELD(C, soot_PAH_offset, Int, RO),
    // PAH and dimer bookkeeping
    BIND_FIELD(C, dimer_PAH_1_id, IntVec, RO),
    BIND_FIELD(C, dimer_PAH_2_id, IntVec, RO),
    BIND_FIELD(C, PAH_indices, IntVec, RO),
    BIND_FIELD(C, PAH_n_C, DoubleVec, RO),
    BIND_FIELD(C, PAH_n_H, DoubleVec, RO),
    BIND_FIELD(C, soot_PAH_MWs, NDArray, RO),
    BIND_HIDDEN(C, soot_PAH_indices, IntVec),
    BIND_FIELD(C, dimer_n_C, NDArray, RO),
    BIND_FIELD(C, dimer_n_H, NDArray, RO),
    BIND_HIDDEN(C, phy_dimer_indices, IntVec),
    // gas state and gas-side results
    BIND_FIELD(C, species_names, List, RW),
    BIND_FIELD(C, MWs, NDArray, RW),
    BIND_FIELD(C, X, NDArray, RW),
    BIND_FIELD(C, scrub_wdot, NDArray, RW),
    BIND_FIELD(C, phy_dimer_wdot, NDArray, RW),
    BIND_FIELD(C, soot_PAH_wdot, NDArray, RW),
    BIND_FIELD(C, density, Double, RO),
    BIND_FIELD(C, viscosity, Double, RO),
    BIND_FIELD(C, mean_MW, Double, RO),
    BIND_FIELD(C, T, Double, RO),
    BIND_FIELD(C, P, Double, RO),
    BIND_FIELD(C, p_lambda_gas, Double, RO),
    // soot state
    BIND_FIELD(C, N_agg, Double, RO),
    BIND_FIELD(C, N_pri, Double, RO),
    BIND_FIELD(C, C_tot, Double, RO),
    BIND_FIELD(C, H_tot, Double, RO),
    // morphology caches
    BIND_FIELD(C, p_d_p, Double, RW),
    BIND_FIELD(C, p_d_m, Double, RW),
    BIND_FIELD(C, p_d_g, Double, RW),
    BIND_FIELD(C, p_A_tot, Double, RW),
    // dimer rates
    BIND_FIELD(C, p_ROP, NDArray, RO),
    BIND_FIELD(C, p_phy_dimer_, DoubleVec, RO),
    // HACA growth and alpha
    BIND_FIELD(C, p_dC_tot_dt_HACA_alt, Double, RW),
    BIND_FIELD(C, p_dH_tot_dt_HACA_alt, Double, RW),
    BIND_FIELD(C, HACA_prefactor, Double, RW),
    BIND_FIELD(C, _alpha_model, Int, RW),
    BIND_FIELD(C, alpha_constant_value, Double, RW),
    BIND_FIELD(C, alpha, Object, RW),
    // growth by PAH
    BIND_FIELD(C, p_k_f_soot_PAH, DoubleVec, RO),
    BIND_FIELD(C, p_k_r_soot_PAH, DoubleVec, RO),
    BIND_FIELD(C, p_soot_PAH_star, DoubleVec, RO),
    BIND_FIELD(C, p_dC_tot_dt_PAH_each, DoubleVec, RO),
    BIND_FIELD(C, p_dH_tot_dt_PAH_each, DoubleVec, RW),
    BIND_FIELD(C, p_dC_tot_dt_PAH, Double, RW),
    BIND_FIELD(C, p_dH_tot_dt_PAH, Double, RW),
    // self-collision per PAH
    BIND_FIELD(C, omega_PAH, DoubleVec, RO),
    BIND_FIELD(C, omega_PAH_tot, Double, RO),
    BIND_FIELD(C, _dimer_, DoubleVec, RO),
    BIND_FIELD(C, a_inc, DoubleVec, RO),
    BIND_FIELD(C, w_inc, DoubleVec, RO),
    BIND_FIELD(C, stick_eff, DoubleVec, RW),
    BIND_FIELD(C, pre_stick_eff, DoubleVec, RW),
    BIND_FIELD(C, b_cond, DoubleVec, RO),
    BIND_FIELD(C, w_cond, DoubleVec, RO),
    // lumped self-collision
    BIND_FIELD(C, lumpdimer_n_C, Double, RO),
    BIND_FIELD(C, lumpdimer_n_H, Double, RO),
    BIND_FIELD(C, dimer_weight, DoubleVec, RO),
    BIND_FIELD(C, _lumpdimer_, Double, RO),
    BIND_FIELD(C, a_lumpinc, Double, RO),
    BIND_FIELD(C, w_lumpinc, Double, RO),
    BIND_FIELD(C, b_lumpcond, Double, RO),
    BIND_FIELD(C, w_lumpcond, Double, RO),
    // cross-linking
    BIND_FIELD(C, p_PAH_radical_, DoubleVec, RO),
    BIND_FIELD(C, adsorb_eff, Double, RW),
    BIND_FIELD(C, cross_k_f1_prefactor, Double, RW),
    BIND_FIELD(C, cross_k_r1_prefactor, Double, RW),
    BIND_FIELD(C, cross_k_f2_prefactor, Double, RW),
    BIND_FIELD(C, cross_k_f3_prefactor, Double, RW),
    // inception steps
    BIND_FIELD(C, inception_N_agg, Object, RW),
    BIND_FIELD(C, inception_C_tot, Object, RW),
    BIND_FIELD(C, inception_H_tot, Object, RW),
    BIND_FIELD(C, dC_tot_dt_PAH_each, Object, RW),
    BIND_FIELD(C, dH_tot_dt_PAH_each, Object, RW),
    // carbonisation, coagulation and oxidation
    BIND_FIELD(C, p_dH_tot_dt_carb, Double, RW),
    BIND_FIELD(C, A_carb, Double, RW),
    BIND_FIELD(C, Ea_carb, Double, RW),
    BIND_FIELD(C, beta_coag, Object, RW),
    BIND_FIELD(C, p_dC_tot_dt_O2, Double, RW),
    BIND_FIELD(C, p_dC_tot_dt_OH, Double, RW),
    BIND_FIELD(C, p_dH_tot_dt_O2, Double, RW),
    BIND_FIELD(C, p_dH_tot_dt_OH, Double, RW),
    // coalescence
    BIND_FIELD(C, soot_coales_type, Object, RW),
    BIND_FIELD(C, t_coales, Object, RO),
    BIND_FIELD(C, Ea_coales, Double, RW),
    BIND_FIELD(C, As_coales, Double, RW),
    BIND_FIELD(C, d_crit_coales, Double, RW),
    BIND_FIELD(C, t_coales_min, Double, RW),
    BIND_FIELD(C, CtoH_crit, Double, RW),
    BIND_FIELD(C, N_pri_coales, Object, RW),
    // diffusion, turbulence, key species and the PAH-growth variant
    BIND_FIELD(C, diffus_coeff_const_val, Double, RW),
    BIND_FIELD(C, diffus_coeff, Object, RW),
    BIND_FIELD(C, K_T_factor, Double, RW),
    BIND_FIELD(C, C2H2_index, Int, RW),
    BIND_FIELD(C, H2_index, Int, RW),
    BIND_FIELD(C, H_index, Int, RW),
    BIND_FIELD(C, CO_index, Int, RW),
    BIND_FIELD(C, O2_index, Int, RW),
    BIND_FIELD(C, OH_index, Int, RW),
    BIND_FIELD(C, H2O_index, Int, RW),
    BIND_FIELD(C, PAH_growth_model, Int, RW),
    BIND_FIELD(C, PAH_growth_update, Object, RW),
    BIND_FIELD(C, create_PAH_dimer, Object, RW),
    BIND_FIELD(C, update_scrub_wdot_PAH_growth, Object, RW),
    // process switches
    BIND_FIELD(C, inception_enabled, Switch, RW),
    BIND_FIELD(C, growth_enabled, Switch, RW),
    BIND_FIELD(C, growth_HACA_enabled, Switch, RW),
    BIND_FIELD(C, growth_PAH_adsorption_enabled, Switch, RW),
    BIND_FIELD(C, coagulation_enabled, Switch, RW),
    BIND_FIELD(C, oxidation_enabled, Switch, RW),
    BIND_FIELD(C, carbonization_enabled, Switch, RW),
    BIND_FIELD(C, scrubbing_enabled, Switch, RW),
    BIND_FIELD(C, coalescence_enabled, Switch, RW),
    BIND_FIELD(C, use_unity_alpha, Switch, RW),
    BIND_FIELD(C, use_empirical_alpha, Switch, RW),
    BIND_FIELD(C, steady_state_physical_dimerization, Switch, RW),
    BIND_FIELD(C, steady_state_PAH_adsorption, Switch, RW),
    // floors and the smallest particle
    BIND_FIELD(C, min_n_C, Int, RO),
    BIND_FIELD(C, min_n_H, Int, RO),
    BIND_FIELD(C, d_p_min, Double, RW),
    BIND_FIELD(C, A_p_min, Double, RW),
    BIND_FIELD(C, N_agg_min, Double, RW),
    BIND_FIELD(C, N_pri_min, Double, RW),
    BIND_FIELD(C, C_tot_min, Double, RW),
    BIND_FIELD(C, H_tot_min, Double, RW),
    // kinetic multipliers and the last settings
    BIND_FIELD(C, K_REACT_prefactor, Double, RW),
    BIND_FIELD(C, Ea_REACT_prefactor, Double, RW),
    BIND_FIELD(C, k_FWD_prefactor, Double, RW),
    BIND_FIELD(C, K_PAH_ADS_prefactor, Double, RW),
    BIND_FIELD(C, Ea_PAH_ADS_prefactor, Double, RW),
    BIND_FIELD(C, modified_particle_addition, Switch, RW),
    BIND_FIELD(C, validation_case, Int, RW),
};
static_assert(std::size(fields) == 148);

using Self = CSootModel;
PyMethodDef methods[] = {CSM_METHODS(BIND_DEF){nullptr, nullptr, 0, nullptr}};

PyGetSetDef props[] = {
    bind::prop<&C::get_PAH_growth_model_name, &C::set_PAH_growth_model_name, "PAH_growth_model_name">(),
    bind::prop<&C::get_alpha_model, &C::set_alpha_model, "alpha_model">(),
    bind::prop<&C::get_coalescence_type, &C::set_coalescence_type, "coalescence_type">(),
    bind::prop<&C::get_validation, &C::set_validation, "validation">(),
    bind::vec_prop<&C::PAH_indices, "PAH_index_in_gas">(),
    bind::vec_prop<&C::soot_PAH_indices, "soot_PAH_index_in_gas">(),
    bind::vec_prop<&C::phy_dimer_indices, "phy_dimer_index_in_gas">(),
    bind::vec_prop<&C::PAH_n_C, "PAH_Number_Carbon">(),
    bind::vec_prop<&C::PAH_n_H, "PAH_Number_Hydrogen">(),
    bind::vec_prop<&C::stick_eff, "PAH_sticking_efficiency">(),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

bind::ClassSpec& CSootModel::spec() {
    static bind::ClassSpec s = [] {
        bind::ClassSpec s = bind::make_spec<CSootModel>();
        s.fields = fields;
        s.methods = methods;
        s.props = props;
        s.init = bind::Init<&CSootModel::init_impl, "">::init;
        s.vtable = (void*)&vtable;
        s.checksums = {0x4a76d08, 0xc59345e, 0xd578c34};
        return s;
    }();
    return s;
}

}  // namespace pyrandel
