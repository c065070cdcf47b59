// CMonodisperseSootModel: identical aggregates of `n_p` identical spherical
// primary particles. Owns the four soot variables (mol per kg of gas), drives
// the PAH-growth and surface-reaction models each step and collects their
// scrubbing rates.
#pragma once

#include "../../physics/cache.hpp"
#include "sootmodelbase.hpp"

namespace pyrandel {

struct CMonodisperseSootModel;

// The morphology values the step hands on, and the state they were computed for.
struct MonoMorph {
    double d_p, d_m, d_g, A_tot, m_agg, V_agg, soot_MW, c_soot_agg, c_soot_pri, m_p;
};
struct MonoMorphKey {
    double N_agg, N_pri, C_tot, rho;
    PyObject* gas;  // identity only, never dereferenced
    auto inputs() const { return std::tie(N_agg, N_pri, C_tot, rho, gas); }
};

// Morphology and coagulation kernels, reached without a name lookup. Entries
// that are also Python-visible honour a Python subclass's override.
struct CMonodisperseVTable {
    using M = CMonodisperseSootModel;
    double (*V_tot)(M*);
    double (*A_tot)(M*);
    double (*soot_MW)(M*);
    double (*c_soot_agg)(M*);
    double (*c_soot_pri)(M*);
    double (*d_v)(M*);
    double (*A_agg)(M*);
    double (*V_agg)(M*);
    double (*m_agg)(M*);
    double (*d_m)(M*);
    double (*d_g)(M*);
    double (*V_p)(M*);
    double (*A_p)(M*);
    double (*d_p)(M*);
    double (*n_p)(M*);
    double (*m_p)(M*);
    double (*beta_coag_cont)(M*);
    double (*beta_coag_fm)(M*);
    double (*beta_coag)(M*);
    double (*N_agg_coag)(M*);
};

#define CMSM_FIELDS(F)                     \
    F(double, _N_agg, HIDDEN)              \
    F(double, _N_pri, HIDDEN)              \
    F(double, _C_tot, HIDDEN)              \
    F(double, _H_tot, HIDDEN)              \
    F(bind::Obj, vars_dict, RO)            \
    F(double, diffus_coeff_const_val, RW)  \
    F(double, N_agg_min, RW)               \
    F(double, N_pri_min, RW)               \
    F(double, C_tot_min, RW)               \
    F(double, H_tot_min, RW)               \
    F(int, N_agg_offset, RO)               \
    F(int, N_pri_offset, RO)               \
    F(int, C_tot_offset, RO)               \
    F(int, H_tot_offset, RO)

// Methods of the base that this class redefines (same signatures).
#define CMSM_REDEFINES(M)                        \
    M(_reset, "", nullptr, void, ())             \
    M(update, "", nullptr, void, ())             \
    M(volume_fraction, "", nullptr, double, ())  \
    M(total_mass, "", nullptr, double, ())

#define CMSM_METHODS(M)                                                                           \
    M(set_vars, "vars", nullptr, void, (bind::DoubleBuf vars))                                   \
    M(update_w_scrub, "", nullptr, void, ())                                                      \
    M(min_array, "", nullptr, bind::Ref, ())                                                      \
    M(fill_soot_array, "soot_array", nullptr, void, (bind::DoubleBuf soot_array))                \
    M(fill_source_term_array, "source_term_array", nullptr, void, (bind::DoubleBuf source_term_array)) \
    M(S_N_agg, "", nullptr, bind::Ref, ())                                                        \
    M(S_N_pri, "", nullptr, bind::Ref, ())                                                        \
    M(S_C_tot, "", nullptr, bind::Ref, ())                                                        \
    M(S_H_tot, "", nullptr, bind::Ref, ())                                                        \
    M(inception, "soot_variable", nullptr, bind::Ref, (int soot_variable))                        \
    M(growth, "soot_variable", nullptr, bind::Ref, (int soot_variable))                           \
    M(oxidation, "soot_variable", nullptr, bind::Ref, (int soot_variable))                        \
    M(coagulation, "soot_variable", nullptr, bind::Ref, (int soot_variable))                      \
    M(coalescence, "soot_variable", nullptr, bind::Ref, (int soot_variable))                      \
    M(carbonization, "soot_variable", nullptr, bind::Ref, (int soot_variable))                    \
    M(N_agg, "", nullptr, double, ())                                                             \
    M(N_pri, "", nullptr, double, ())                                                             \
    M(C_tot, "", nullptr, double, ())                                                             \
    M(H_tot, "", nullptr, double, ())                                                             \
    M(inception_mass, "", nullptr, bind::Ref, ())                                                 \
    M(inception_vol, "", nullptr, bind::Ref, ())                                                  \
    M(PAH_adsorption_mass, "", nullptr, bind::Ref, ())                                            \
    M(PAH_adsorption_vol, "", nullptr, bind::Ref, ())                                             \
    M(surface_growth_mass, "", nullptr, bind::Ref, ())                                            \
    M(surface_growth_vol, "", nullptr, bind::Ref, ())                                             \
    M(oxidation_mass, "", nullptr, bind::Ref, ())                                                 \
    M(oxidation_vol, "", nullptr, bind::Ref, ())                                                  \
    M(coagulation_mass, "", nullptr, double, ())                                                  \
    M(coagulation_vol, "", nullptr, double, ())                                                   \
    M(A_tot, "", nullptr, double, ())                                                             \
    M(d_v, "", nullptr, double, ())                                                               \
    M(d_m, "", nullptr, double, ())                                                               \
    M(d_g, "", nullptr, double, ())                                                               \
    M(d_p, "", nullptr, double, ())                                                               \
    M(n_p, "", nullptr, double, ())                                                               \
    M(beta_coag_turb, "", nullptr, double, ())                                                    \
    M(diffusion_coefficient, "", nullptr, bind::Ref, ())                                          \
    M(diffus_coeff_morph, "", nullptr, double, ())                                                \
    M(diffus_coeff_const, "", nullptr, double, ())                                                \
    M(dispersion_exponent, "", nullptr, double, ())                                               \
    M(carbon_mass, "", nullptr, double, ())                                                       \
    M(hydrogen_mass, "", nullptr, double, ())                                                     \
    M(SSA, "", nullptr, bind::Ref, ())

struct CMonodisperseSootModel : CSootModelBase {
    using Base = CSootModelBase;
    const CMonodisperseVTable* vtab;
    // Soot variables (mol/kg, read through N_agg() ... H_tot()), the name -> offset
    // map, the constant diffusion coefficient (m2/s), the floors and the offsets.
    CMSM_FIELDS(BIND_DECLARE)

    // Last one-pass morphology (not a field), for the state it was computed at.
    Kept<MonoMorphKey, MonoMorph> morph_;

    BIND_CLASS(CMonodisperseSootModel)
    static const CMonodisperseVTable vtable;
    BIND_DERIVED_METHODS(CMSM_METHODS, CMSM_REDEFINES)

    void init_impl(PyObject* soot_wrapper);

    // Kernel bodies without a Python name (the table's other entries).
    double V_tot_k();
    double soot_MW_k();
    double c_soot_agg_k();
    double c_soot_pri_k();
    double A_agg_k();
    double V_agg_k();
    double m_agg_k();
    double V_p_k();
    double A_p_k();
    double m_p_k();
    double beta_coag_cont_k();
    double beta_coag_fm_k();
    double beta_coag_k();
    double N_agg_coag_k();
};

}  // namespace pyrandel
