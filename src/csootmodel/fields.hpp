// The fields of CSootModel, one line each: F(C++ type, name, access), in
// declaration order (the pickle checksums are computed over these names).
#pragma once

// Physical constants.
#define CSM_CONSTANT_FIELDS(F) \
    F(double, rho_soot, RO)    \
    F(double, MW_carbon, RO)   \
    F(double, MW_hydrogen, RO) \
    F(double, Av, RO)          \
    F(double, kB, RO)          \
    F(double, R, RO)           \
    F(double, P_atm, RO)       \
    F(double, Pi, RO)          \
    F(double, d_A, RO)

// Positions in the solution array.
#define CSM_OFFSET_FIELDS(F)     \
    F(int, N_agg_offset, RO)     \
    F(int, N_pri_offset, RO)     \
    F(int, C_tot_offset, RO)     \
    F(int, H_tot_offset, RO)     \
    F(int, Phy_dimer_offset, RO) \
    F(int, PAH_soot_offset, RO)  \
    F(int, dimer_offset, RO)     \
    F(int, soot_PAH_offset, RO)

// PAH and dimer bookkeeping.
#define CSM_PAH_FIELDS(F)                        \
    F(bind::Vec<int>, dimer_PAH_1_id, RO)        \
    F(bind::Vec<int>, dimer_PAH_2_id, RO)        \
    F(bind::Vec<int>, PAH_indices, RO)           \
    F(bind::Vec<double>, PAH_n_C, RO)            \
    F(bind::Vec<double>, PAH_n_H, RO)            \
    F(bind::Array, soot_PAH_MWs, RO)             \
    F(bind::Vec<int>, soot_PAH_indices, HIDDEN)  \
    F(bind::Array, dimer_n_C, RO)                \
    F(bind::Array, dimer_n_H, RO)                \
    F(bind::Vec<int>, phy_dimer_indices, HIDDEN)

// Gas state and gas-side results.
#define CSM_GAS_FIELDS(F)              \
    F(bind::List, species_names, RW)   \
    F(bind::Array, MWs, RW)            \
    F(bind::Array, X, RW)              \
    F(bind::Array, scrub_wdot, RW)     \
    F(bind::Array, phy_dimer_wdot, RW) \
    F(bind::Array, soot_PAH_wdot, RW)  \
    F(double, density, RO)             \
    F(double, viscosity, RO)           \
    F(double, mean_MW, RO)             \
    F(double, T, RO)                   \
    F(double, P, RO)                   \
    F(double, p_lambda_gas, RO)

// Soot state.
#define CSM_SOOT_FIELDS(F)\
    F(double, N_agg, RO) \
    F(double, N_pri, RO) \
    F(double, C_tot, RO) \
    F(double, H_tot, RO)

// Morphology caches.
#define CSM_MORPHOLOGY_FIELDS(F)\
    F(double, p_d_p, RW)   \
    F(double, p_d_m, RW)   \
    F(double, p_d_g, RW)   \
    F(double, p_A_tot, RW)

// Dimer rates.
#define CSM_DIMER_FIELDS(F)                \
    F(bind::Array, p_ROP, RO)              \
    F(bind::Vec<double>, p_phy_dimer_, RO)

// HACA growth and alpha.
#define CSM_HACA_FIELDS(F)              \
    F(double, p_dC_tot_dt_HACA_alt, RW) \
    F(double, p_dH_tot_dt_HACA_alt, RW) \
    F(double, HACA_prefactor, RW)       \
    F(int, _alpha_model, RW)            \
    F(double, alpha_constant_value, RW) \
    F(bind::Obj, alpha, RW)

// Growth by PAH.
#define CSM_PAH_GROWTH_FIELDS(F)                   \
    F(bind::Vec<double>, p_k_f_soot_PAH, RO)       \
    F(bind::Vec<double>, p_k_r_soot_PAH, RO)       \
    F(bind::Vec<double>, p_soot_PAH_star, RO)      \
    F(bind::Vec<double>, p_dC_tot_dt_PAH_each, RO) \
    F(bind::Vec<double>, p_dH_tot_dt_PAH_each, RW) \
    F(double, p_dC_tot_dt_PAH, RW)                 \
    F(double, p_dH_tot_dt_PAH, RW)

// Self-collision per PAH.
#define CSM_SLFCLSN_FIELDS(F)               \
    F(bind::Vec<double>, omega_PAH, RO)     \
    F(double, omega_PAH_tot, RO)            \
    F(bind::Vec<double>, _dimer_, RO)       \
    F(bind::Vec<double>, a_inc, RO)         \
    F(bind::Vec<double>, w_inc, RO)         \
    F(bind::Vec<double>, stick_eff, RW)     \
    F(bind::Vec<double>, pre_stick_eff, RW) \
    F(bind::Vec<double>, b_cond, RO)        \
    F(bind::Vec<double>, w_cond, RO)

// Lumped self-collision.
#define CSM_LUMP_FIELDS(F)                 \
    F(double, lumpdimer_n_C, RO)           \
    F(double, lumpdimer_n_H, RO)           \
    F(bind::Vec<double>, dimer_weight, RO) \
    F(double, _lumpdimer_, RO)             \
    F(double, a_lumpinc, RO)               \
    F(double, w_lumpinc, RO)               \
    F(double, b_lumpcond, RO)              \
    F(double, w_lumpcond, RO)

// Cross-linking.
#define CSM_CROSSLINK_FIELDS(F)              \
    F(bind::Vec<double>, p_PAH_radical_, RO) \
    F(double, adsorb_eff, RW)                \
    F(double, cross_k_f1_prefactor, RW)      \
    F(double, cross_k_r1_prefactor, RW)      \
    F(double, cross_k_f2_prefactor, RW)      \
    F(double, cross_k_f3_prefactor, RW)

// Inception steps.
#define CSM_INCEPTION_FIELDS(F)          \
    F(bind::Obj, inception_N_agg, RW)    \
    F(bind::Obj, inception_C_tot, RW)    \
    F(bind::Obj, inception_H_tot, RW)    \
    F(bind::Obj, dC_tot_dt_PAH_each, RW) \
    F(bind::Obj, dH_tot_dt_PAH_each, RW)

// Carbonisation, coagulation and oxidation.
#define CSM_CARB_COAG_OX_FIELDS(F)  \
    F(double, p_dH_tot_dt_carb, RW) \
    F(double, A_carb, RW)           \
    F(double, Ea_carb, RW)          \
    F(bind::Obj, beta_coag, RW)     \
    F(double, p_dC_tot_dt_O2, RW)   \
    F(double, p_dC_tot_dt_OH, RW)   \
    F(double, p_dH_tot_dt_O2, RW)   \
    F(double, p_dH_tot_dt_OH, RW)

// Coalescence.
#define CSM_COALESCENCE_FIELDS(F)      \
    F(bind::Obj, soot_coales_type, RW) \
    F(bind::Obj, t_coales, RO)         \
    F(double, Ea_coales, RW)           \
    F(double, As_coales, RW)           \
    F(double, d_crit_coales, RW)       \
    F(double, t_coales_min, RW)        \
    F(double, CtoH_crit, RW)           \
    F(bind::Obj, N_pri_coales, RW)

// Diffusion, turbulence, key species and the PAH-growth variant.
#define CSM_SPECIES_FIELDS(F)                      \
    F(double, diffus_coeff_const_val, RW)          \
    F(bind::Obj, diffus_coeff, RW)                 \
    F(double, K_T_factor, RW)                      \
    F(int, C2H2_index, RW)                         \
    F(int, H2_index, RW)                           \
    F(int, H_index, RW)                            \
    F(int, CO_index, RW)                           \
    F(int, O2_index, RW)                           \
    F(int, OH_index, RW)                           \
    F(int, H2O_index, RW)                          \
    F(int, PAH_growth_model, RW)                   \
    F(bind::Obj, PAH_growth_update, RW)            \
    F(bind::Obj, create_PAH_dimer, RW)             \
    F(bind::Obj, update_scrub_wdot_PAH_growth, RW)

// Process switches.
#define CSM_SWITCHES_FIELDS(F)                      \
    F(bool, inception_enabled, RW)                  \
    F(bool, growth_enabled, RW)                     \
    F(bool, growth_HACA_enabled, RW)                \
    F(bool, growth_PAH_adsorption_enabled, RW)      \
    F(bool, coagulation_enabled, RW)                \
    F(bool, oxidation_enabled, RW)                  \
    F(bool, carbonization_enabled, RW)              \
    F(bool, scrubbing_enabled, RW)                  \
    F(bool, coalescence_enabled, RW)                \
    F(bool, use_unity_alpha, RW)                    \
    F(bool, use_empirical_alpha, RW)                \
    F(bool, steady_state_physical_dimerization, RW) \
    F(bool, steady_state_PAH_adsorption, RW)

// Floors and the smallest particle.
#define CSM_FLOORS_FIELDS(F) \
    F(int, min_n_C, RO)      \
    F(int, min_n_H, RO)      \
    F(double, d_p_min, RW)   \
    F(double, A_p_min, RW)   \
    F(double, N_agg_min, RW) \
    F(double, N_pri_min, RW) \
    F(double, C_tot_min, RW) \
    F(double, H_tot_min, RW)

// Kinetic multipliers and the last settings.
#define CSM_MULTIPLIERS_FIELDS(F)           \
    F(double, K_REACT_prefactor, RW)        \
    F(double, Ea_REACT_prefactor, RW)       \
    F(double, k_FWD_prefactor, RW)          \
    F(double, K_PAH_ADS_prefactor, RW)      \
    F(double, Ea_PAH_ADS_prefactor, RW)     \
    F(bool, modified_particle_addition, RW) \
    F(int, validation_case, RW)

#define CSM_FIELDS(F)          \
    CSM_CONSTANT_FIELDS(F)     \
    CSM_OFFSET_FIELDS(F)       \
    CSM_PAH_FIELDS(F)          \
    CSM_GAS_FIELDS(F)          \
    CSM_SOOT_FIELDS(F)         \
    CSM_MORPHOLOGY_FIELDS(F)   \
    CSM_DIMER_FIELDS(F)        \
    CSM_HACA_FIELDS(F)         \
    CSM_PAH_GROWTH_FIELDS(F)   \
    CSM_SLFCLSN_FIELDS(F)      \
    CSM_LUMP_FIELDS(F)         \
    CSM_CROSSLINK_FIELDS(F)    \
    CSM_INCEPTION_FIELDS(F)    \
    CSM_CARB_COAG_OX_FIELDS(F) \
    CSM_COALESCENCE_FIELDS(F)  \
    CSM_SPECIES_FIELDS(F)      \
    CSM_SWITCHES_FIELDS(F)     \
    CSM_FLOORS_FIELDS(F)       \
    CSM_MULTIPLIERS_FIELDS(F)
