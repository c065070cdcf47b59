// The Python-visible methods of CSootModel, one line each:
//   X(name, "parameter names", docstring, result type, (C++ parameters))
// Each line gives the method id MID_<name>, the dispatcher `name(...)` (which
// honours Python overrides) and the declaration of the C++ body `name_impl`.
// Parameter kinds: int (int conversion, floats truncated), bind::SizeT (negative
// values refused), double, PyObject* (any object), bind::NDArray.
// Result kinds: double (a Python float), bind::NpFloat (numpy.float64, for
// results of NumPy's functions and array elements), bind::ItemArith (an array
// element times and divided by doubles, as the element's arithmetic gives it),
// bind::Ref (the object), void (None).
#pragma once

// Strategy selection (selection.cpp).
#define CSM_SELECTION_METHODS(METHOD)                                                  \
    METHOD(_set_PAH_growth_model, "model", nullptr, void, (PyObject * model))          \
    METHOD(_set_alpha_model, "alpha_type", nullptr, void, (PyObject * alpha_type))     \
    METHOD(_set_coales_type, "coales_type", nullptr, void, (PyObject * coales_type))   \
    METHOD(_set_validation_case, "validation", nullptr, void, (PyObject * validation))

// Per-step protocol and source terms (protocol.cpp).
#define CSM_PROTOCOL_METHODS(METHOD)                                                                           \
    METHOD(checkNameOfSpecies, "", nullptr, bind::Ref, ())                                                    \
    METHOD(initialize, "", nullptr, void, ())                                                                 \
    METHOD(update_gas, "T, P, density, viscosity, mean_MW, X", nullptr, void,                                \
      (double T, double P, double density, double viscosity, double mean_MW, bind::NDArray X))           \
    METHOD(update_solution, "solution", nullptr, void, (bind::NDArray solution))                              \
    METHOD(inception, "soot_variable", nullptr, bind::Ref, (int soot_variable))                               \
    METHOD(growth, "soot_variable", nullptr, bind::Ref, (int soot_variable))                                  \
    METHOD(oxidation, "soot_variable", nullptr, bind::Ref, (int soot_variable))                               \
    METHOD(coagulation, "soot_variable", nullptr, bind::Ref, (int soot_variable))                             \
    METHOD(coalescence, "soot_variable", nullptr, bind::Ref, (int soot_variable))                             \
    METHOD(S_N_agg, "", nullptr, bind::Ref, ())                                                               \
    METHOD(S_N_pri, "", nullptr, bind::Ref, ())                                                               \
    METHOD(S_C_tot, "", nullptr, bind::Ref, ())                                                               \
    METHOD(S_H_tot, "", nullptr, bind::Ref, ())                                                               \
    METHOD(update_scrub_wdot, "", nullptr, void, ())

// Particle morphology and transport properties (morphology.cpp).
#define CSM_MORPHOLOGY_METHODS(METHOD)                                                                          \
    METHOD(molar_density, "index", nullptr, bind::ItemArith, (int index))                                      \
    METHOD(calc_lambda_gas, "", nullptr, double, ())                                                           \
    METHOD(diffus_coeff_const, "", nullptr, double, ())                                                        \
    METHOD(diffus_coeff_morph, "", nullptr, double, ())                                                        \
    METHOD(dispersion_exponent, "",                                                                            \
      "Return the optical dispersion exponent, estimated from the H/C ratio of the soot with the linear "  \
      "relation between dispersion exponent, H/C ratio and optical band gap found in a 1996 study of the " \
      "UV-visible absorption spectra of rich premixed flames",                                            \
      double, ())                                                                                         \
    METHOD(volume_fraction, "", nullptr, double, ())                                                           \
    METHOD(total_mass, "", "Return total soot mass in kg per kg of the gas mixture", double, ())               \
    METHOD(carbon_mass, "", "Return carbon in soot mass in kg per kg of the gas mixture", double, ())          \
    METHOD(hydrogen_mass, "", "Return hydrogen in soot mass in kg per kg of the gas mixture", double, ())      \
    METHOD(SSA, "", "Return soot specific surface area in m2/g", double, ())                                   \
    METHOD(V_tot, "", nullptr, double, ())                                                                     \
    METHOD(V_p, "", nullptr, double, ())                                                                       \
    METHOD(d_p, "", nullptr, double, ())                                                                       \
    METHOD(A_p, "", nullptr, double, ())                                                                       \
    METHOD(m_p, "", nullptr, double, ())                                                                       \
    METHOD(n_p, "", nullptr, double, ())                                                                       \
    METHOD(A_tot, "", nullptr, double, ())                                                                     \
    METHOD(A_Ag, "", nullptr, double, ())                                                                      \
    METHOD(V_Ag, "", nullptr, double, ())                                                                      \
    METHOD(m_Ag, "", nullptr, double, ())                                                                      \
    METHOD(d_m, "", nullptr, double, ())                                                                       \
    METHOD(d_g, "", nullptr, double, ())

// Oxidation by O2 and OH (oxidation.cpp).
#define CSM_OXIDATION_METHODS(METHOD)                     \
    METHOD(dC_tot_dt_O2_alt, "", nullptr, double, ())     \
    METHOD(dC_tot_dt_OH_alt, "", nullptr, double, ())     \
    METHOD(dH_tot_dt_O2_alt, "", nullptr, double, ())     \
    METHOD(dH_tot_dt_OH_alt, "", nullptr, double, ())     \
    METHOD(dC_tot_dt_Ox, "", nullptr, double, ())         \
    METHOD(dH_tot_dt_Ox, "", nullptr, double, ())         \
    METHOD(omega_O2, "", nullptr, double, ())             \
    METHOD(omega_OH, "", nullptr, double, ())             \
    METHOD(dC_tot_dt_O2, "", nullptr, double, ())         \
    METHOD(dC_tot_dt_OH, "", nullptr, double, ())         \
    METHOD(dH_tot_dt_O2, "", nullptr, double, ())         \
    METHOD(dH_tot_dt_OH, "", nullptr, double, ())

// Coagulation and coalescence (coagulation.cpp).
#define CSM_COAGULATION_METHODS(METHOD)                     \
    METHOD(beta_coag_fm, "", nullptr, double, ())           \
    METHOD(beta_coag_validation, "", nullptr, double, ())   \
    METHOD(beta_coag_cont, "", nullptr, bind::NpFloat, ())  \
    METHOD(beta_coag_hm, "", nullptr, double, ())           \
    METHOD(beta_coag_turb, "", nullptr, double, ())         \
    METHOD(N_agg_coag, "", nullptr, bind::NpFloat, ())      \
    METHOD(t_f_titania, "", nullptr, bind::NpFloat, ())     \
    METHOD(t_f_silica, "", nullptr, bind::NpFloat, ())      \
    METHOD(t_f_md_derived, "", nullptr, double, ())         \
    METHOD(N_pri_coales_sintering, "", nullptr, double, ()) \
    METHOD(N_pri_coales_merge, "", nullptr, bind::NpFloat, ())

// HACA surface growth, alpha and carbonisation (haca.cpp).
#define CSM_HACA_METHODS(METHOD)                           \
    METHOD(alpha_constant, "", nullptr, double, ())        \
    METHOD(alpha_empirical, "", nullptr, double, ())       \
    METHOD(alpha_ctoh_based, "", nullptr, double, ())      \
    METHOD(chi_soot_0, "", nullptr, double, ())            \
    METHOD(beta_soot_C2H2, "", nullptr, double, ())        \
    METHOD(K_s, "", nullptr, double, ())                   \
    METHOD(gamma, "", nullptr, double, ())                 \
    METHOD(dC_tot_dt_HACA, "", nullptr, double, ())        \
    METHOD(c_soot_nought, "", nullptr, double, ())         \
    METHOD(dC_tot_dt_HACA_alt, "", nullptr, double, ())    \
    METHOD(dH_tot_dt_HACA_alt, "", nullptr, double, ())    \
    METHOD(dH_tot_dt_carb, "", nullptr, double, ())

// Variant 1, reactive dimerisation, and the shared dimer and adsorption kinetics (reactived.cpp).
#define CSM_REACTIVED_METHODS(METHOD)                                                                    \
    METHOD(create_PAH_dimer_reactived, "", nullptr, void, ())                                           \
    METHOD(PAH_growth_update_reactived, "", nullptr, void, ())                                          \
    METHOD(update_phy_dimer_, "", nullptr, void, ())                                                    \
    METHOD(update_phy_dimer_wdot, "", nullptr, void, ())                                                \
    METHOD(update_p_soot_PAH, "", nullptr, void, ())                                                    \
    METHOD(update_soot_PAH_wdot, "", nullptr, void, ())                                                 \
    METHOD(reduced_m, "PAH_1_id, PAH_2_id", nullptr, double, (int PAH_1_id, int PAH_2_id))              \
    METHOD(reduced_d, "PAH_1_id, PAH_2_id", nullptr, double, (int PAH_1_id, int PAH_2_id))              \
    METHOD(k_FWD, "PAH_1_id, PAH_2_id", nullptr, double, (int PAH_1_id, int PAH_2_id))                  \
    METHOD(k_REV, "PAH_1_id, PAH_2_id", nullptr, bind::NpFloat, (int PAH_1_id, int PAH_2_id))           \
    METHOD(k_REAC, "", nullptr, bind::NpFloat, ())                                                      \
    METHOD(k_PAH, "", nullptr, bind::NpFloat, ())                                                       \
    METHOD(ROP_dimer, "dimer_id", nullptr, bind::NpFloat, (int dimer_id))                               \
    METHOD(beta_fm_soot_PAH, "PAH_id", nullptr, double, (int PAH_id))                                   \
    METHOD(beta_cont_soot_PAH, "PAH_id", nullptr, bind::NpFloat, (int PAH_id))                          \
    METHOD(k_f_soot_PAH, "PAH_id", nullptr, double, (int PAH_id))                                       \
    METHOD(k_r_soot_PAH, "PAH_id", nullptr, bind::NpFloat, (int PAH_id))                                \
    METHOD(C_S_soot, "d", nullptr, bind::NpFloat, (double d))                                           \
    METHOD(soot_PAH_star, "PAH_id", nullptr, bind::NpFloat, (bind::SizeT PAH_id))                       \
    METHOD(dC_tot_dt_PAH_each_reactived, "PAH_id", nullptr, bind::NpFloat, (bind::SizeT PAH_id))        \
    METHOD(dH_tot_dt_PAH_each_reactived, "PAH_id", nullptr, bind::NpFloat, (bind::SizeT PAH_id))        \
    METHOD(dC_tot_dt_PAH, "", nullptr, double, ())                                                      \
    METHOD(dH_tot_dt_PAH, "", nullptr, bind::Ref, ())                                                   \
    METHOD(inception_N_agg_reactived, "", nullptr, bind::NpFloat, ())                                   \
    METHOD(inception_C_tot_reactived, "", nullptr, bind::NpFloat, ())                                   \
    METHOD(inception_H_tot_reactived, "", nullptr, bind::NpFloat, ())                                   \
    METHOD(update_scrub_wdot_PAH_growth_reactived, "", nullptr, void, ())

// Variant 5, irreversible dimerisation (irrevd.cpp).
#define CSM_IRREVD_METHODS(METHOD)                                                         \
    METHOD(create_PAH_dimer_irrevd, "", nullptr, void, ())                                \
    METHOD(PAH_growth_update_irrevd, "", nullptr, void, ())                               \
    METHOD(k_PAH_ads_irrevd, "PAH_id", nullptr, double, (int PAH_id))                     \
    METHOD(dC_tot_dt_PAH_each_irrevd, "PAH_id", nullptr, double, (bind::SizeT PAH_id))    \
    METHOD(dH_tot_dt_PAH_each_irrevd, "PAH_id", nullptr, double, (bind::SizeT PAH_id))    \
    METHOD(inception_N_agg_irrevd, "", nullptr, bind::NpFloat, ())                        \
    METHOD(inception_C_tot_irrevd, "", nullptr, bind::NpFloat, ())                        \
    METHOD(inception_H_tot_irrevd, "", nullptr, bind::NpFloat, ())                        \
    METHOD(update_scrub_wdot_PAH_growth_irrevd, "", nullptr, void, ())

// Variants 2 and 3, self-collision with and without lumping (slfclsn.cpp).
#define CSM_SLFCLSN_METHODS(METHOD)                                                               \
    METHOD(create_PAH_dimer_slfclsn, "", nullptr, void, ())                                      \
    METHOD(create_PAH_dimer_slfclsn_lump, "", nullptr, void, ())                                 \
    METHOD(PAH_growth_update_slfclsn, "", nullptr, void, ())                                     \
    METHOD(PAH_growth_update_slfclsn_lump, "", nullptr, void, ())                                \
    METHOD(update_omega_PAH, "", nullptr, void, ())                                              \
    METHOD(update_ab, "", nullptr, void, ())                                                     \
    METHOD(update_dimer_, "", nullptr, void, ())                                                 \
    METHOD(update_w_inc, "", nullptr, void, ())                                                  \
    METHOD(update_w_cond, "", nullptr, void, ())                                                 \
    METHOD(update_dimer_weight, "", nullptr, void, ())                                           \
    METHOD(update_ab_lump, "", nullptr, void, ())                                                \
    METHOD(update_lumpdimer_, "", nullptr, void, ())                                             \
    METHOD(update_w_lumpinc, "", nullptr, void, ())                                              \
    METHOD(update_w_lumpcond, "", nullptr, void, ())                                             \
    METHOD(dC_tot_dt_PAH_each_slfclsn, "PAH_id", nullptr, double, (bind::SizeT PAH_id))          \
    METHOD(dH_tot_dt_PAH_each_slfclsn, "PAH_id", nullptr, double, (bind::SizeT PAH_id))          \
    METHOD(dC_tot_dt_PAH_each_slfclsn_lump, "PAH_id", nullptr, double, (bind::SizeT PAH_id))     \
    METHOD(dH_tot_dt_PAH_each_slfclsn_lump, "PAH_id", nullptr, double, (bind::SizeT PAH_id))     \
    METHOD(inception_N_agg_slfclsn, "", nullptr, double, ())                                     \
    METHOD(inception_C_tot_slfclsn, "", nullptr, double, ())                                     \
    METHOD(inception_H_tot_slfclsn, "", nullptr, double, ())                                     \
    METHOD(inception_N_agg_slfclsn_lump, "", nullptr, double, ())                                \
    METHOD(inception_C_tot_slfclsn_lump, "", nullptr, double, ())                                \
    METHOD(inception_H_tot_slfclsn_lump, "", nullptr, double, ())                                \
    METHOD(update_scrub_wdot_PAH_growth_slfclsn, "", nullptr, void, ())                          \
    METHOD(update_scrub_wdot_PAH_growth_slfclsn_lump, "", nullptr, void, ())                     \
    METHOD(initialize_stick_eff, "", nullptr, void, ())

// Variant 4, cross-linking (crosslinking.cpp).
#define CSM_CROSSLINKING_METHODS(METHOD)                                                          \
    METHOD(m_PAH, "PAH_id", nullptr, double, (int PAH_id))                                       \
    METHOD(d_PAH, "PAH_id", nullptr, double, (int PAH_id))                                       \
    METHOD(k_f3_crosslinking, "PAH_id", nullptr, double, (int PAH_id))                           \
    METHOD(k_f4_crosslinking, "PAH_id", nullptr, double, (int PAH_id))                           \
    METHOD(PAH_radical, "PAH_id", nullptr, bind::NpFloat, (int PAH_id))                          \
    METHOD(update_PAH_radical, "", nullptr, void, ())                                            \
    METHOD(ROP_dimer_crosslinking, "PAH_id", nullptr, bind::NpFloat, (int PAH_id))               \
    METHOD(update_ROP_crosslinking, "", nullptr, void, ())                                       \
    METHOD(PAH_adsorption_rate, "PAH_id", nullptr, double, (int PAH_id))                         \
    METHOD(dC_tot_dt_PAH_each_crosslinking, "PAH_id", nullptr, double, (bind::SizeT PAH_id))     \
    METHOD(dH_tot_dt_PAH_each_crosslinking, "PAH_id", nullptr, double, (bind::SizeT PAH_id))     \
    METHOD(PAH_growth_update_crosslinking, "", nullptr, void, ())                                \
    METHOD(inception_N_agg_crosslinking, "", nullptr, bind::NpFloat, ())                         \
    METHOD(inception_C_tot_crosslinking, "", nullptr, bind::NpFloat, ())                         \
    METHOD(inception_H_tot_crosslinking, "", nullptr, bind::NpFloat, ())                         \
    METHOD(update_scrub_wdot_PAH_growth_crosslinking, "", nullptr, void, ())                     \
    METHOD(create_PAH_dimer_crosslinking, "", nullptr, void, ())

#define CSM_METHODS(METHOD)          \
    CSM_SELECTION_METHODS(METHOD)    \
    CSM_PROTOCOL_METHODS(METHOD)     \
    CSM_MORPHOLOGY_METHODS(METHOD)   \
    CSM_OXIDATION_METHODS(METHOD)    \
    CSM_COAGULATION_METHODS(METHOD)  \
    CSM_HACA_METHODS(METHOD)         \
    CSM_REACTIVED_METHODS(METHOD)    \
    CSM_IRREVD_METHODS(METHOD)       \
    CSM_SLFCLSN_METHODS(METHOD)      \
    CSM_CROSSLINKING_METHODS(METHOD)
