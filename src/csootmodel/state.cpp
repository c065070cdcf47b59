// CSootModel: fields, constructor, list properties and the class tables.
#include "sootmodel.hpp"

namespace pyrandel {

using bind::Ref;

BIND_TYPE_OBJECT(CSootModel)

namespace {

bind::Name n_pi("pi");
bind::Name n_set_coales_type("_set_coales_type");
bind::Name n_set_validation_case("_set_validation_case");
bind::Name n_set_alpha_model("_set_alpha_model");
bind::Name n_set_PAH_growth_model("_set_PAH_growth_model");

}  // namespace

// Nothing outside the class calls these entries; their exceptions pass to the caller.
constexpr auto propagate = bind::OnError::Propagate;
const CSootModelVTable CSootModel::vtable = {
    .update_ROP = bind::entry<&CSootModel::update_ROP_impl, "update_ROP", propagate>(),
    .k_nuc_irrevd = bind::entry<&CSootModel::k_nuc_irrevd_impl, "k_nuc_irrevd", propagate>(),
    .update_ROP_irrevd = bind::entry<&CSootModel::update_ROP_irrevd_impl, "update_ROP_irrevd", propagate>(),
};

void CSootModel::bind_step(bind::Obj& field, PyObject* name) { field = bind::getattr((PyObject*)this, name); }

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

using Self = CSootModel;
const bind::Field fields[] = {CSM_FIELDS(BIND_ROW)};
static_assert(std::size(fields) == 148);


BIND_METHOD_TABLES(CSM_METHODS)

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
    static bind::ClassSpec s = bind::define<CSootModel>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .props = props,
        .init = bind::Init<&CSootModel::init_impl, "">::init,
        .vtable = &vtable,
        .vtable_size = sizeof vtable,
        .checksums = {0x4a76d08, 0xc59345e, 0xd578c34},
    });
    return s;
}

}  // namespace pyrandel
