#include "sootwrapper.hpp"

#include "../gas/sootgas.hpp"
#include "../pahgrowth/pahgrowthbase.hpp"
#include "../sootmodels/sootmodelbase.hpp"
#include "../surfacereactions/surfacereactionsbase.hpp"

namespace pyrandel {

using bind::Name;
using bind::Ref;

PyTypeObject CSootWrapper::type = {PyVarObject_HEAD_INIT(nullptr, 0)};

namespace {

Name n_reset_flags("_reset_flags");
Name n_reset("_reset");
Name n_create_PAH_dimer("create_PAH_dimer");

void store(PyObject*& slot, PyObject* v) {
    Py_INCREF(v);
    bind::replace(slot, Ref(v));
}

void require_instance(PyObject* v, PyTypeObject* t, const char* msg) {
    if (!PyObject_TypeCheck(v, t)) bind::raise(PyExc_TypeError, msg);
}

}  // namespace

void none_has_no(const char* attr) {
    bind::raisef(PyExc_AttributeError, "'NoneType' object has no attribute '%s'", attr);
}

void CSootWrapper::init_impl(PyObject* g) {
    if (g != Py_None && !PyObject_TypeCheck(g, &CSootGas::type))
        bind::raisef(PyExc_TypeError, "Cannot convert %.200s to %.200s", Py_TYPE(g)->tp_name, CSootGas::type.tp_name);
    store(soot_gas, g);
    // By name: a subclass sets its own defaults.
    Ref r = bind::call_method((PyObject*)this, n_reset_flags);
}

void CSootWrapper::_reset_flags_impl() {
    store(partial_particle_addition, Py_True);
    soot_enabled = true;
    inception_enabled = true;
    PAH_adsorption_enabled = true;
    surface_growth_enabled = true;
    oxidation_enabled = true;
    coagulation_enabled = true;
    carbonization_enabled = false;
    scrubbing_enabled = true;
    coalescence_enabled = false;
}

// Installation resets the model; its parameters are set after installing it.
void CSootWrapper::set_soot_model_impl(PyObject* m) {
    require_instance(m, &CSootModelBase::type, "soot_model must be an instance of CSootModelBase");
    store(soot_model, m);
    Ref held = Ref::borrow(m);
    Ref r = bind::call_method(m, n_reset);
}

void CSootWrapper::set_PAH_growth_model_impl(PyObject* m) {
    require_instance(m, &CPAHGrowthBase::type, "PAH_growth_model must be an instance of CPAHGrowthBase");
    store(PAH_growth_model, m);
    Ref held = Ref::borrow(m);
    Ref r = bind::call_method(m, n_reset);
    // The field again: `_reset` may have installed another model.
    Ref now = Ref::borrow(PAH_growth_model);
    Ref d = bind::call_method(now.get(), n_create_PAH_dimer);
}

void CSootWrapper::set_surface_reactions_model_impl(PyObject* m) {
    require_instance(m, &CSurfaceReactionsBase::type,
                     "surface_reactions_model must be an instance of CSurfaceReactionsBase");
    store(surface_reactions_model, m);
    Ref held = Ref::borrow(m);
    Ref r = bind::call_method(m, n_reset);
}

void CSootWrapper::set_precursors_impl(PyObject* indices, PyObject* n_C, PyObject* n_H) {
    bind::fill_from_iterable(PAH_indices, indices);
    bind::fill_from_iterable(PAH_n_C, n_C);
    bind::fill_from_iterable(PAH_n_H, n_H);
    Ref model = Ref::borrow(PAH_growth_model);
    Ref d = bind::call_method(model.get(), n_create_PAH_dimer);
}

// ------------------------------------------------------------------ tables

namespace {

using bind::RW;
using bind::Field;
using bind::Kind;

const Field fields[] = {
    BIND_TYPED(CSootWrapper, soot_gas, CSootGas, RW),
    BIND_TYPED(CSootWrapper, soot_model, CSootModelBase, RW),
    BIND_TYPED(CSootWrapper, PAH_growth_model, CPAHGrowthBase, RW),
    BIND_TYPED(CSootWrapper, surface_reactions_model, CSurfaceReactionsBase, RW),
    BIND_FIELD(CSootWrapper, partial_particle_addition, Object, RW),
    BIND_FIELD(CSootWrapper, soot_enabled, Switch, RW),
    BIND_FIELD(CSootWrapper, inception_enabled, Switch, RW),
    BIND_FIELD(CSootWrapper, PAH_adsorption_enabled, Switch, RW),
    BIND_FIELD(CSootWrapper, surface_growth_enabled, Switch, RW),
    BIND_FIELD(CSootWrapper, oxidation_enabled, Switch, RW),
    BIND_FIELD(CSootWrapper, coagulation_enabled, Switch, RW),
    BIND_FIELD(CSootWrapper, carbonization_enabled, Switch, RW),
    BIND_FIELD(CSootWrapper, scrubbing_enabled, Switch, RW),
    BIND_FIELD(CSootWrapper, coalescence_enabled, Switch, RW),
    BIND_FIELD(CSootWrapper, PAH_indices, IntVec, RW),
    BIND_FIELD(CSootWrapper, PAH_n_C, DoubleVec, RW),
    BIND_FIELD(CSootWrapper, PAH_n_H, DoubleVec, RW),
};

using Self = CSootWrapper;
PyMethodDef methods[] = {CSW_METHODS(BIND_DEF){nullptr, nullptr, 0, nullptr}};

}  // namespace

bind::ClassSpec& CSootWrapper::spec() {
    static bind::ClassSpec s = [] {
        bind::ClassSpec s = bind::make_spec<CSootWrapper>();
        s.fields = fields;
        s.methods = methods;
        s.init = bind::Init<&CSootWrapper::init_impl, "soot_gas">::init;
        s.checksums = {0xb9df102, 0x05a5c14, 0x21c028c};
        return s;
    }();
    return s;
}

}  // namespace pyrandel
