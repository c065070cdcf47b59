// CSootModelBase: the particle-model protocol that the modular reactors and
// flame solvers call. It holds the soot wrapper, the species-sized scrubbing
// array `w_scrub` (mol/(m3 s)) and the number of soot equations.
#pragma once

#include "../../binding/cls.hpp"

namespace pyrandel {

struct CSootWrapper;

#define CSMB_METHODS(X)                            \
    X(_reset, "", nullptr)                         \
    X(soot_gas, "", nullptr)                       \
    X(PAH_growth_model, "", nullptr)               \
    X(surface_reactions_model, "", nullptr)        \
    X(coagulation_enabled, "", nullptr)            \
    X(carbonization_enabled, "", nullptr)          \
    X(scrubbing_enabled, "", nullptr)              \
    X(coalescence_enabled, "", nullptr)            \
    X(volume_fraction, "", nullptr)                \
    X(total_mass, "", nullptr)                     \
    X(_update_w_scrub, "", nullptr)                \
    X(update, "", nullptr)

struct CSootModelBase {
    using Self = CSootModelBase;
    PyObject_HEAD

    PyObject* soot_wrapper;             // CSootWrapper or None
    PyObject* _PAH_growth_model;        // carried only
    PyObject* _surface_reactions_model; // carried only
    int n_eqns;                         // number of soot variables
    PyObject* w_scrub;                  // ndarray or None: gas scrubbing rates, mol/(m3 s)
    int diffusion_coeff_method;         // 0 morphology, 1 constant

    static constexpr const char* py_name = "CSootModelBase";
    static constexpr const char* doc = "CSootModelBase(soot_wrapper)";
    static PyTypeObject type;
    static bind::ClassSpec& spec();
    // The base's fields, for the tables of derived classes (declaration order).
    static std::span<const bind::Field> base_fields();

    enum { CSMB_METHODS(BIND_ID) MID_count };
    CSMB_METHODS(BIND_DISPATCHER)

    void init_impl(PyObject* soot_wrapper);
    void _reset_impl();
    bind::Ref soot_gas_impl();
    bind::Ref PAH_growth_model_impl();
    bind::Ref surface_reactions_model_impl();
    bind::Ref coagulation_enabled_impl();
    bind::Ref carbonization_enabled_impl();
    bind::Ref scrubbing_enabled_impl();
    bind::Ref coalescence_enabled_impl();
    bind::Ref volume_fraction_impl();
    bind::Ref total_mass_impl();
    bind::Ref _update_w_scrub_impl();
    bind::Ref update_impl();

    bind::Ref get_diffusion_coeff_type();
    void set_diffusion_coeff_type(PyObject* v);

    // The soot wrapper, held; AttributeError naming `attr` when it is None.
    bind::Ref wrapper(const char* attr) const;
};

}  // namespace pyrandel
