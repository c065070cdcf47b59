#include "sootwrapper.hpp"

#include "../gas/sootgas.hpp"
#include "../pahgrowth/pahgrowthbase.hpp"
#include "../sootmodels/sootmodelbase.hpp"
#include "../surfacereactions/surfacereactionsbase.hpp"

namespace pyrandel {

using bind::Name;
using bind::Ref;

BIND_TYPE_OBJECT(CSootWrapper)

namespace {

Name n_reset_flags("_reset_flags");
Name n_reset("_reset");
Name n_create_PAH_dimer("create_PAH_dimer");

void require_instance(PyObject* v, PyTypeObject* t, const char* msg) {
    if (!PyObject_TypeCheck(v, t)) bind::raise(PyExc_TypeError, msg);
}

}  // namespace

void none_has_no(const char* attr) {
    bind::raisef(PyExc_AttributeError, "'NoneType' object has no attribute '%s'", attr);
}

void CSootWrapper::init_impl(PyObject* g) {
    soot_gas.set(g);
    // By name: a subclass sets its own defaults.
    Ref r = bind::call_method((PyObject*)this, n_reset_flags);
}

void CSootWrapper::_reset_flags_impl() {
    partial_particle_addition.set(Py_True);
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
    soot_model.set(m);
    Ref held = Ref::borrow(m);
    Ref r = bind::call_method(m, n_reset);
}

void CSootWrapper::set_PAH_growth_model_impl(PyObject* m) {
    require_instance(m, &CPAHGrowthBase::type, "PAH_growth_model must be an instance of CPAHGrowthBase");
    PAH_growth_model.set(m);
    Ref held = Ref::borrow(m);
    Ref r = bind::call_method(m, n_reset);
    // The field again: `_reset` may have installed another model.
    Ref now = PAH_growth_model.hold();
    Ref d = bind::call_method(now.get(), n_create_PAH_dimer);
}

void CSootWrapper::set_surface_reactions_model_impl(PyObject* m) {
    require_instance(m, &CSurfaceReactionsBase::type,
                     "surface_reactions_model must be an instance of CSurfaceReactionsBase");
    surface_reactions_model.set(m);
    Ref held = Ref::borrow(m);
    Ref r = bind::call_method(m, n_reset);
}

void CSootWrapper::set_precursors_impl(PyObject* indices, PyObject* n_C, PyObject* n_H) {
    bind::fill_from_iterable(PAH_indices, indices);
    bind::fill_from_iterable(PAH_n_C, n_C);
    bind::fill_from_iterable(PAH_n_H, n_H);
    Ref model = PAH_growth_model.hold();
    Ref d = bind::call_method(model.get(), n_create_PAH_dimer);
}

// ------------------------------------------------------------------ tables

namespace {

using Self = CSootWrapper;
const bind::Field fields[] = {CSW_FIELDS(BIND_ROW)};
BIND_METHOD_TABLES(CSW_METHODS)

}  // namespace

bind::ClassSpec& CSootWrapper::spec() {
    static bind::ClassSpec s = bind::define<CSootWrapper>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .init = bind::Init<&CSootWrapper::init_impl, "soot_gas">::init,
        .checksums = {0xb9df102, 0x05a5c14, 0x21c028c},
    });
    return s;
}

}  // namespace pyrandel
