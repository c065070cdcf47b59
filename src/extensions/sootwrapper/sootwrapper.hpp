// CSootWrapper: the hub of the modular framework. It holds the gas wrapper,
// the particle, PAH-growth and surface-reaction models, the process switches
// and the PAH precursor lists; the models reach each other only through it.
#pragma once

#include "../../binding/cls.hpp"

namespace pyrandel {

struct CSootGas;
struct CSootModelBase;
struct CPAHGrowthBase;
struct CSurfaceReactionsBase;

#define CSW_METHODS(X)                                               \
    X(_reset_flags, "", nullptr)                                     \
    X(set_soot_model, "soot_model", nullptr)                         \
    X(set_PAH_growth_model, "PAH_growth_model", nullptr)             \
    X(set_surface_reactions_model, "surface_reactions_model", nullptr) \
    X(set_precursors, "PAH_indices, PAH_n_C, PAH_n_H", nullptr)

struct CSootWrapper {
    using Self = CSootWrapper;
    PyObject_HEAD

    // Typed object fields: an instance of the declared class (or a subclass), or None.
    PyObject* soot_gas;                 // CSootGas
    PyObject* soot_model;               // CSootModelBase
    PyObject* PAH_growth_model;         // CPAHGrowthBase
    PyObject* surface_reactions_model;  // CSurfaceReactionsBase
    PyObject* partial_particle_addition;  // any object, True by default

    // Process switches.
    bool soot_enabled;
    bool inception_enabled;
    bool PAH_adsorption_enabled;
    bool surface_growth_enabled;
    bool oxidation_enabled;
    bool coagulation_enabled;
    bool carbonization_enabled;
    bool scrubbing_enabled;
    bool coalescence_enabled;

    // PAH precursors, one entry per precursor.
    std::vector<int> PAH_indices;  // gas species index
    std::vector<double> PAH_n_C;   // carbon atoms
    std::vector<double> PAH_n_H;   // hydrogen atoms

    static constexpr const char* py_name = "CSootWrapper";
    static constexpr const char* doc = "CSootWrapper(soot_gas)";
    static PyTypeObject type;
    static bind::ClassSpec& spec();

    enum { CSW_METHODS(BIND_ID) MID_count };
    CSW_METHODS(BIND_DISPATCHER)

    void init_impl(PyObject* soot_gas);
    void _reset_flags_impl();
    void set_soot_model_impl(PyObject* soot_model);
    void set_PAH_growth_model_impl(PyObject* PAH_growth_model);
    void set_surface_reactions_model_impl(PyObject* surface_reactions_model);
    void set_precursors_impl(PyObject* PAH_indices, PyObject* PAH_n_C, PyObject* PAH_n_H);

    // Typed views of the object fields; nullptr where the field holds None.
    CSootGas* gas() const { return soot_gas == Py_None ? nullptr : reinterpret_cast<CSootGas*>(soot_gas); }
    CSootModelBase* particle_model() const {
        return soot_model == Py_None ? nullptr : reinterpret_cast<CSootModelBase*>(soot_model);
    }
    CPAHGrowthBase* PAH_model() const {
        return PAH_growth_model == Py_None ? nullptr : reinterpret_cast<CPAHGrowthBase*>(PAH_growth_model);
    }
    CSurfaceReactionsBase* surface_model() const {
        return surface_reactions_model == Py_None ? nullptr
                                                  : reinterpret_cast<CSurfaceReactionsBase*>(surface_reactions_model);
    }

    // The gas wrapper, held for the caller (a call into Python may replace the
    // field); AttributeError "'NoneType' object has no attribute '<attr>'" when unset.
    bind::Ref held_gas(const char* attr) const;
    // The gas wrapper object itself (None when unset), held.
    bind::Ref gas_object() const { return bind::Ref::borrow(soot_gas); }
};

// AttributeError as the interpreter words it for an attribute of None.
[[noreturn]] void none_has_no(const char* attr);

// The soot wrapper held in a model's typed field, or AttributeError
// "'NoneType' object has no attribute '<attr>'" when the field holds None.
// The reference is held: calls into Python may replace the model's field.
inline bind::Ref held_wrapper(PyObject* field, const char* attr) {
    if (!field || field == Py_None) none_has_no(attr);
    return bind::Ref::borrow(field);
}
inline CSootWrapper* as_wrapper(const bind::Ref& r) { return reinterpret_cast<CSootWrapper*>(r.get()); }

inline bind::Ref CSootWrapper::held_gas(const char* attr) const {
    if (soot_gas == Py_None) none_has_no(attr);
    return bind::Ref::borrow(soot_gas);
}

}  // namespace pyrandel
