#include "sootmodelbase.hpp"

#include "../gas/sootgas.hpp"
#include "../sootwrapper/sootwrapper.hpp"

namespace pyrandel {

using bind::Name;
using bind::Ref;

BIND_TYPE_OBJECT(CSootModelBase)

namespace {

Name n_n_species("n_species");
Name n_zeros("zeros");
Name s_constant("constant");
Name s_morphology("morphology");

}  // namespace

Ref CSootModelBase::wrapper(const char* attr) const { return held_wrapper(soot_wrapper, attr); }

void CSootModelBase::init_impl(PyObject* w) {
    soot_wrapper.set(w);
    diffusion_coeff_method = 0;
}

// Sizes the scrubbing array to the gas wrapper's current number of species.
void CSootModelBase::_reset_impl() {
    Ref g = soot_gas();
    Ref arr;
    if (Py_IS_TYPE(g.get(), &CSootGas::type)) {
        arr = bind::zeros((Py_ssize_t)reinterpret_cast<CSootGas*>(g.get())->_MWs.size());
    } else {
        Ref n = bind::getattr(g.get(), n_n_species);
        Ref f = bind::getattr(bind::np().get(), n_zeros);
        arr = bind::call(f.get(), n.get());
    }
    w_scrub = std::move(arr);  // an ndarray or None, as the field takes it
}

Ref CSootModelBase::soot_gas_impl() { return as_wrapper(wrapper("soot_gas"))->soot_gas.hold(); }
Ref CSootModelBase::PAH_growth_model_impl() { return as_wrapper(wrapper("PAH_growth_model"))->PAH_growth_model.hold(); }
Ref CSootModelBase::surface_reactions_model_impl() {
    return as_wrapper(wrapper("surface_reactions_model"))->surface_reactions_model.hold();
}
Ref CSootModelBase::coagulation_enabled_impl() {
    return bind::py(as_wrapper(wrapper("coagulation_enabled"))->coagulation_enabled);
}
Ref CSootModelBase::carbonization_enabled_impl() {
    return bind::py(as_wrapper(wrapper("carbonization_enabled"))->carbonization_enabled);
}
Ref CSootModelBase::scrubbing_enabled_impl() {
    return bind::py(as_wrapper(wrapper("scrubbing_enabled"))->scrubbing_enabled);
}
Ref CSootModelBase::coalescence_enabled_impl() {
    return bind::py(as_wrapper(wrapper("coalescence_enabled"))->coalescence_enabled);
}

// Left to the concrete particle models.
double CSootModelBase::volume_fraction_impl() { bind::raise(PyExc_Exception, "volume_fraction() is not defined!"); }
double CSootModelBase::total_mass_impl() { bind::raise(PyExc_Exception, "total_mass() is not defined!"); }
void CSootModelBase::_update_w_scrub_impl() { bind::raise(PyExc_Exception, "_update_w_scrub() is not defined!"); }
void CSootModelBase::update_impl() { bind::raise(PyExc_Exception, "update() is not defined!"); }

Ref CSootModelBase::get_diffusion_coeff_type() {
    if (diffusion_coeff_method == 0) return Ref::borrow(s_morphology);
    if (diffusion_coeff_method == 1) return Ref::borrow(s_constant);
    bind::raise(PyExc_Exception, "Unknown diffusion coefficient method!");
}

void CSootModelBase::set_diffusion_coeff_type(PyObject* v) {
    Ref held = Ref::borrow(v);
    auto equals = [&](PyObject* s) {
        int r = PyObject_RichCompareBool(v, s, Py_EQ);
        if (r < 0) bind::fail();
        return r == 1;
    };
    if (equals(s_constant)) diffusion_coeff_method = 1;
    else if (equals(s_morphology)) diffusion_coeff_method = 0;
    else bind::raise(PyExc_Exception, "The diffusion coefficient type is not allowed!");
}

// ------------------------------------------------------------------ tables

namespace {

using Self = CSootModelBase;
const bind::Field fields[] = {CSMB_FIELDS(BIND_ROW)};
BIND_METHOD_TABLES(CSMB_METHODS)

PyGetSetDef props[] = {
    bind::prop<&CSootModelBase::get_diffusion_coeff_type, &CSootModelBase::set_diffusion_coeff_type,
               "diffusion_coeff_type">(),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

bind::ClassSpec& CSootModelBase::spec() {
    static bind::ClassSpec s = bind::define<CSootModelBase>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .props = props,
        .init = bind::Init<&CSootModelBase::init_impl, "soot_wrapper">::init,
        .checksums = {0xc454d3a, 0x003c22b, 0x2bcd2e6},
    });
    return s;
}

}  // namespace pyrandel
