// CSootModel: the classic monodisperse soot model. The caller hands it a gas
// state and the four soot variables each step and reads back source terms,
// particle properties and the gas scrubbing rates.
//
// Every Python-visible method has a C++ body `name_impl`; calls between
// methods go through the dispatcher `name(...)`, which enters the body
// directly unless a Python subclass or an instance attribute overrides it.
#pragma once

#include "../binding/cls.hpp"
#include "../binding/results.hpp"
#include "methods.hpp"

namespace pyrandel {

struct CSootModel;

// Internal method table: entries without a Python name.
struct CSootModelVTable {
    void (*update_ROP)(CSootModel*);
    bind::Ref (*k_nuc_irrevd)(CSootModel*, PyObject* PAH_1_id, PyObject* PAH_2_id);
    void (*update_ROP_irrevd)(CSootModel*);
};

struct CSootModel {
    using Self = CSootModel;
    PyObject_HEAD
    const CSootModelVTable* vtab;

    // Physical constants, set by the constructor.
    double rho_soot;     // kg/m3
    double MW_carbon;    // kg/mol
    double MW_hydrogen;  // kg/mol (0.00100784, not the module constant)
    double Av;           // 1/mol
    double kB;           // J/K
    double R;            // J/(mol K)
    double P_atm;        // Pa
    double Pi;           // ten decimals of pi
    double d_A;          // m, PAH collision-diameter length

    // Positions in the solution array.
    int N_agg_offset, N_pri_offset, C_tot_offset, H_tot_offset;
    int Phy_dimer_offset, PAH_soot_offset, dimer_offset, soot_PAH_offset;

    // PAH and dimer bookkeeping.
    std::vector<int> dimer_PAH_1_id, dimer_PAH_2_id;  // per dimer, positions in the PAH list
    std::vector<int> PAH_indices;                     // per PAH, gas species index
    std::vector<double> PAH_n_C, PAH_n_H;             // per PAH, atoms
    PyObject* soot_PAH_MWs;
    std::vector<int> soot_PAH_indices;  // per PAH, species of the adsorbed complex
    PyObject* dimer_n_C;                // ndarray, per dimer
    PyObject* dimer_n_H;
    std::vector<int> phy_dimer_indices;  // per dimer, species of the physical dimer

    // Gas state and gas-side results.
    PyObject* species_names;
    PyObject* MWs;            // kg/mol per gas species
    PyObject* X;              // mole fractions
    PyObject* scrub_wdot;     // kmol/(m3 s) per gas species
    PyObject* phy_dimer_wdot;
    PyObject* soot_PAH_wdot;
    double density, viscosity, mean_MW, T, P, p_lambda_gas;

    // Soot state, mol per kg of gas.
    double N_agg, N_pri, C_tot, H_tot;

    // Per-step morphology caches.
    double p_d_p, p_d_m, p_d_g, p_A_tot;

    // Dimer rates.
    PyObject* p_ROP;
    std::vector<double> p_phy_dimer_;

    // HACA growth and alpha.
    double p_dC_tot_dt_HACA_alt, p_dH_tot_dt_HACA_alt, HACA_prefactor;
    int _alpha_model;
    double alpha_constant_value;
    PyObject* alpha;

    // Growth by PAH.
    std::vector<double> p_k_f_soot_PAH, p_k_r_soot_PAH, p_soot_PAH_star;
    std::vector<double> p_dC_tot_dt_PAH_each, p_dH_tot_dt_PAH_each;
    double p_dC_tot_dt_PAH, p_dH_tot_dt_PAH;

    // Self-collision per PAH.
    std::vector<double> omega_PAH;
    double omega_PAH_tot;
    std::vector<double> _dimer_, a_inc, w_inc, stick_eff, pre_stick_eff, b_cond, w_cond;

    // Lumped self-collision.
    double lumpdimer_n_C, lumpdimer_n_H;
    std::vector<double> dimer_weight;
    double _lumpdimer_, a_lumpinc, w_lumpinc, b_lumpcond, w_lumpcond;

    // Cross-linking.
    std::vector<double> p_PAH_radical_;
    double adsorb_eff, cross_k_f1_prefactor, cross_k_r1_prefactor, cross_k_f2_prefactor, cross_k_f3_prefactor;

    // Inception steps.
    PyObject* inception_N_agg;
    PyObject* inception_C_tot;
    PyObject* inception_H_tot;
    PyObject* dC_tot_dt_PAH_each;
    PyObject* dH_tot_dt_PAH_each;

    // Carbonisation, coagulation and oxidation.
    double p_dH_tot_dt_carb, A_carb, Ea_carb;
    PyObject* beta_coag;
    double p_dC_tot_dt_O2, p_dC_tot_dt_OH, p_dH_tot_dt_O2, p_dH_tot_dt_OH;

    // Coalescence.
    PyObject* soot_coales_type;
    PyObject* t_coales;
    double Ea_coales, As_coales, d_crit_coales, t_coales_min, CtoH_crit;
    PyObject* N_pri_coales;

    // Diffusion, turbulence, key species and the PAH-growth variant.
    double diffus_coeff_const_val;
    PyObject* diffus_coeff;
    double K_T_factor;
    int C2H2_index, H2_index, H_index, CO_index, O2_index, OH_index, H2O_index;
    int PAH_growth_model;
    PyObject* PAH_growth_update;
    PyObject* create_PAH_dimer;
    PyObject* update_scrub_wdot_PAH_growth;

    // Process switches.
    bool inception_enabled, growth_enabled, growth_HACA_enabled, growth_PAH_adsorption_enabled;
    bool coagulation_enabled, oxidation_enabled, carbonization_enabled, scrubbing_enabled;
    bool coalescence_enabled, use_unity_alpha, use_empirical_alpha;
    bool steady_state_physical_dimerization, steady_state_PAH_adsorption;

    // Floors and the smallest particle.
    int min_n_C, min_n_H;
    double d_p_min, A_p_min;
    double N_agg_min, N_pri_min, C_tot_min, H_tot_min;

    // Kinetic multipliers and the last settings.
    double K_REACT_prefactor, Ea_REACT_prefactor, k_FWD_prefactor, K_PAH_ADS_prefactor, Ea_PAH_ADS_prefactor;
    bool modified_particle_addition;
    int validation_case;

    // ------------------------------------------------------------- binding

    static constexpr const char* py_name = "CSootModel";
    static constexpr const char* doc = "CSootModel()";
    static PyTypeObject type;
    static const CSootModelVTable vtable;
    static bind::ClassSpec& spec();
    static void on_new(CSootModel* self) { self->vtab = &vtable; }

    enum { CSM_METHODS(BIND_ID) MID_count };
    CSM_METHODS(BIND_DISPATCHER)
    CSM_METHODS(BIND_DECL)

    void init_impl();

    // Internal entries (bodies of the table).
    void update_ROP_impl();
    bind::Ref k_nuc_irrevd_impl(PyObject* PAH_1_id, PyObject* PAH_2_id);
    void update_ROP_irrevd_impl();

    // Calls a strategy attribute (a field holding a callable) without arguments.
    bind::Ref run(PyObject* strategy) { return bind::call_strategy((PyObject*)this, strategy, spec()); }
    double run_d(PyObject* strategy) { return bind::as_double(run(strategy).get()); }

    // Binds `self.<name>` (looked up now, so overrides are bound) into a strategy field.
    void bind_step(PyObject*& field, PyObject* name);

    // Properties (selection.cpp and state.cpp).
    bind::Ref get_PAH_growth_model_name();
    void set_PAH_growth_model_name(PyObject* v);
    bind::Ref get_alpha_model();
    void set_alpha_model(PyObject* v);
    bind::Ref get_coalescence_type();
    void set_coalescence_type(PyObject* v);
    bind::Ref get_validation();
    void set_validation(PyObject* v);
};

}  // namespace pyrandel
