// CSootWrapper: the hub of the modular framework. It holds the gas wrapper,
// the particle, PAH-growth and surface-reaction models, the process switches
// and the PAH precursor lists; the models reach each other only through it.
#pragma once

#include <cmath>

#include "../../binding/cls.hpp"
#include "../../physics/cache.hpp"

namespace pyrandel {

struct CSootGas;
struct CSootModelBase;
struct CPAHGrowthBase;
struct CSurfaceReactionsBase;

#define CSW_FIELDS(F)                                                \
    F(bind::Typed<CSootGas>, soot_gas, RW)                           \
    F(bind::Typed<CSootModelBase>, soot_model, RW)                   \
    F(bind::Typed<CPAHGrowthBase>, PAH_growth_model, RW)             \
    F(bind::Typed<CSurfaceReactionsBase>, surface_reactions_model, RW) \
    F(bind::Obj, partial_particle_addition, RW)                      \
    F(bool, soot_enabled, RW)                                        \
    F(bool, inception_enabled, RW)                                   \
    F(bool, PAH_adsorption_enabled, RW)                              \
    F(bool, surface_growth_enabled, RW)                              \
    F(bool, oxidation_enabled, RW)                                   \
    F(bool, coagulation_enabled, RW)                                 \
    F(bool, carbonization_enabled, RW)                               \
    F(bool, scrubbing_enabled, RW)                                   \
    F(bool, coalescence_enabled, RW)                                 \
    F(bind::Vec<int>, PAH_indices, RW)                               \
    F(bind::Vec<double>, PAH_n_C, RW)                                \
    F(bind::Vec<double>, PAH_n_H, RW)

#define CSW_METHODS(M)                                                                                   \
    M(_reset_flags, "", nullptr, void, ())                                                               \
    M(set_soot_model, "soot_model", nullptr, void, (PyObject * soot_model))                              \
    M(set_PAH_growth_model, "PAH_growth_model", nullptr, void, (PyObject * PAH_growth_model))            \
    M(set_surface_reactions_model, "surface_reactions_model", nullptr, void,                             \
      (PyObject * surface_reactions_model))                                                              \
    M(set_precursors, "PAH_indices, PAH_n_C, PAH_n_H", nullptr, void,                                    \
      (PyObject * PAH_indices, PyObject * PAH_n_C, PyObject * PAH_n_H))

// AttributeError as the interpreter words it for an attribute of None.
[[noreturn]] void none_has_no(const char* attr);

struct CSootWrapper {
    PyObject_HEAD
    // Gas wrapper and models (an instance of the declared class or of a subclass, or None);
    // the process switches; the PAH precursors (gas species index, carbon and hydrogen atoms).
    CSW_FIELDS(BIND_DECLARE)

    BIND_CLASS(CSootWrapper)
    BIND_METHODS(CSW_METHODS)

    void init_impl(PyObject* soot_gas);

    // Typed views of the object fields; nullptr where the field holds None.
    CSootGas* gas() const { return soot_gas.o; }
    CSootModelBase* particle_model() const { return soot_model.o; }
    CPAHGrowthBase* PAH_model() const { return PAH_growth_model.o; }
    CSurfaceReactionsBase* surface_model() const { return surface_reactions_model.o; }

    // The gas wrapper, held for the caller (a call into Python may replace the
    // field); AttributeError "'NoneType' object has no attribute '<attr>'" when unset.
    bind::Ref held_gas(const char* attr) const {
        if (!soot_gas) none_has_no(attr);
        return soot_gas.hold();
    }
    // The gas wrapper object itself (None when unset), held.
    bind::Ref gas_object() const { return soot_gas.hold(); }

    // Values several models of this soot system take at one state, kept for
    // their arguments (not fields): the slip correction's exp(-0.78·d_m/λ) at
    // the aggregates' mobility diameter, and d_p³ of the primary particles.
    mutable Kept<double, double> slip_exp_kept, d_p_cubed_kept;
};

// exp(x) of the slip correction at d_m and d³ of the primary diameter, through
// the kept values of soot wrapper `w` (computed directly without one).
inline double slip_exp(const CSootWrapper* w, double x) {
    return w ? w->slip_exp_kept.of(x, [x] { return std::exp(x); }) : std::exp(x);
}
inline double d_p_cubed(const CSootWrapper* w, double d) {
    return w ? w->d_p_cubed_kept.of(d, [d] { return std::pow(d, 3.0); }) : std::pow(d, 3.0);
}

// The soot wrapper held in a model's field, or AttributeError
// "'NoneType' object has no attribute '<attr>'" when the field holds None.
// The reference is held: calls into Python may replace the model's field.
inline bind::Ref held_wrapper(PyObject* field, const char* attr) {
    if (!field || field == Py_None) none_has_no(attr);
    return bind::Ref::borrow(field);
}
inline bind::Ref held_wrapper(const bind::Typed<CSootWrapper>& field, const char* attr) {
    if (!field) none_has_no(attr);
    return field.hold();
}
inline CSootWrapper* as_wrapper(const bind::Ref& r) { return reinterpret_cast<CSootWrapper*>(r.get()); }

}  // namespace pyrandel
