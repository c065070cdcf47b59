// CMonodisperseSootModel: identical aggregates of `n_p` identical spherical
// primary particles. Owns the four soot variables (mol per kg of gas), drives
// the PAH-growth and surface-reaction models each step and collects their
// scrubbing rates.
#pragma once

#include <bit>
#include <cstdint>

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
    // Bit for bit: a zero of the other sign or a NaN is another state.
    bool operator==(const MonoMorphKey& o) const {
        return std::bit_cast<uint64_t>(N_agg) == std::bit_cast<uint64_t>(o.N_agg) &&
               std::bit_cast<uint64_t>(N_pri) == std::bit_cast<uint64_t>(o.N_pri) &&
               std::bit_cast<uint64_t>(C_tot) == std::bit_cast<uint64_t>(o.C_tot) &&
               std::bit_cast<uint64_t>(rho) == std::bit_cast<uint64_t>(o.rho) && gas == o.gas;
    }
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

#define CMSM_METHODS(X)                                  \
    X(_reset, "", nullptr)                               \
    X(set_vars, "vars", nullptr)                         \
    X(update, "", nullptr)                               \
    X(update_w_scrub, "", nullptr)                       \
    X(min_array, "", nullptr)                            \
    X(fill_soot_array, "soot_array", nullptr)            \
    X(fill_source_term_array, "source_term_array", nullptr) \
    X(S_N_agg, "", nullptr)                              \
    X(S_N_pri, "", nullptr)                              \
    X(S_C_tot, "", nullptr)                              \
    X(S_H_tot, "", nullptr)                              \
    X(inception, "soot_variable", nullptr)               \
    X(growth, "soot_variable", nullptr)                  \
    X(oxidation, "soot_variable", nullptr)               \
    X(coagulation, "soot_variable", nullptr)             \
    X(coalescence, "soot_variable", nullptr)             \
    X(carbonization, "soot_variable", nullptr)           \
    X(N_agg, "", nullptr)                                \
    X(N_pri, "", nullptr)                                \
    X(C_tot, "", nullptr)                                \
    X(H_tot, "", nullptr)                                \
    X(volume_fraction, "", nullptr)                      \
    X(inception_mass, "", nullptr)                       \
    X(inception_vol, "", nullptr)                        \
    X(PAH_adsorption_mass, "", nullptr)                  \
    X(PAH_adsorption_vol, "", nullptr)                   \
    X(surface_growth_mass, "", nullptr)                  \
    X(surface_growth_vol, "", nullptr)                   \
    X(oxidation_mass, "", nullptr)                       \
    X(oxidation_vol, "", nullptr)                        \
    X(coagulation_mass, "", nullptr)                     \
    X(coagulation_vol, "", nullptr)                      \
    X(A_tot, "", nullptr)                                \
    X(d_v, "", nullptr)                                  \
    X(d_m, "", nullptr)                                  \
    X(d_g, "", nullptr)                                  \
    X(d_p, "", nullptr)                                  \
    X(n_p, "", nullptr)                                  \
    X(beta_coag_turb, "", nullptr)                       \
    X(diffusion_coefficient, "", nullptr)                \
    X(diffus_coeff_morph, "", nullptr)                   \
    X(diffus_coeff_const, "", nullptr)                   \
    X(dispersion_exponent, "", nullptr)                  \
    X(total_mass, "", nullptr)                           \
    X(carbon_mass, "", nullptr)                          \
    X(hydrogen_mass, "", nullptr)                        \
    X(SSA, "", nullptr)

// The base's fields come first (C++ base), then the table pointer and the own fields.
struct CMonodisperseSootModel : CSootModelBase {
    using Self = CMonodisperseSootModel;
    const CMonodisperseVTable* vtab;

    double _N_agg, _N_pri, _C_tot, _H_tot;  // soot variables, mol/kg
    PyObject* vars_dict;                     // name -> offset
    double diffus_coeff_const_val;           // m2/s
    double N_agg_min, N_pri_min, C_tot_min, H_tot_min;
    int N_agg_offset, N_pri_offset, C_tot_offset, H_tot_offset;

    // Last one-pass morphology (not a field): reused while its key matches.
    MonoMorph morph_;
    MonoMorphKey morph_key_;
    bool morph_valid_;

    static constexpr const char* py_name = "CMonodisperseSootModel";
    static constexpr const char* doc = "CMonodisperseSootModel(soot_wrapper)";
    static PyTypeObject type;
    static const CMonodisperseVTable vtable;
    static bind::ClassSpec& spec();
    static void on_new(CMonodisperseSootModel* self) { self->vtab = &vtable; }

    enum { CMSM_METHODS(BIND_ID) MID_count };
    CMSM_METHODS(BIND_DISPATCHER)

    void init_impl(PyObject* soot_wrapper);
    void _reset_impl();
    void set_vars_impl(bind::DoubleBuf vars);
    void update_impl();
    void update_w_scrub_impl();
    bind::Ref min_array_impl();
    void fill_soot_array_impl(bind::DoubleBuf soot_array);
    void fill_source_term_array_impl(bind::DoubleBuf source_term_array);
    bind::Ref S_N_agg_impl();
    bind::Ref S_N_pri_impl();
    bind::Ref S_C_tot_impl();
    bind::Ref S_H_tot_impl();
    bind::Ref inception_impl(int soot_variable);
    bind::Ref growth_impl(int soot_variable);
    bind::Ref oxidation_impl(int soot_variable);
    bind::Ref coagulation_impl(int soot_variable);
    bind::Ref coalescence_impl(int soot_variable);
    bind::Ref carbonization_impl(int soot_variable);
    double N_agg_impl() { return _N_agg; }
    double N_pri_impl() { return _N_pri; }
    double C_tot_impl() { return _C_tot; }
    double H_tot_impl() { return _H_tot; }
    double volume_fraction_impl();
    bind::Ref inception_mass_impl();
    bind::Ref inception_vol_impl();
    bind::Ref PAH_adsorption_mass_impl();
    bind::Ref PAH_adsorption_vol_impl();
    bind::Ref surface_growth_mass_impl();
    bind::Ref surface_growth_vol_impl();
    bind::Ref oxidation_mass_impl();
    bind::Ref oxidation_vol_impl();
    double coagulation_mass_impl();
    double coagulation_vol_impl();
    double A_tot_impl();
    double d_v_impl();
    double d_m_impl();
    double d_g_impl();
    double d_p_impl();
    double n_p_impl();
    double beta_coag_turb_impl() { return 0.0; }
    bind::Ref diffusion_coefficient_impl();
    double diffus_coeff_morph_impl();
    double diffus_coeff_const_impl() { return diffus_coeff_const_val; }
    double dispersion_exponent_impl();
    double total_mass_impl();
    double carbon_mass_impl();
    double hydrogen_mass_impl();
    bind::Ref SSA_impl();

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
