#include "surfacereactionsbase.hpp"

#include "../gas/sootgas.hpp"
#include "../sootwrapper/sootwrapper.hpp"

namespace pyrandel {

using bind::Ref;

PyTypeObject CSurfaceReactionsBase::type = {PyVarObject_HEAD_INIT(nullptr, 0)};

void CSurfaceReactionsBase::init_impl(PyObject* w) {
    if (w != Py_None && !PyObject_TypeCheck(w, &CSootWrapper::type))
        bind::raisef(PyExc_TypeError, "Cannot convert %.200s to %.200s", Py_TYPE(w)->tp_name,
                     CSootWrapper::type.tp_name);
    bind::replace(soot_wrapper, Ref::borrow(w));
    set_defaults();
}

void CSurfaceReactionsBase::set_defaults() {
    _alpha_model = 1;
    alpha_constant = 0.1;
    growth_prefactor = 0.0;
    oxidation_prefactor = 0.0;
}

Ref CSurfaceReactionsBase::wrapper_ref() const { return held_wrapper(soot_wrapper, "soot_gas"); }
Ref CSurfaceReactionsBase::gas_ref(const Ref& w) { return as_wrapper(w)->held_gas("soot_gas"); }

Ref CSurfaceReactionsBase::get_soot_gas() {
    Ref w = held_wrapper(soot_wrapper, "soot_gas");
    return as_wrapper(w)->gas_object();
}

void CSurfaceReactionsBase::_reset_impl() {
    _C_tot_growth = 0.0;
    _H_tot_growth = 0.0;
    _surface_growth_rate = 0.0;
    _C_tot_oxidation = 0.0;
    _H_tot_oxidation = 0.0;
}

void CSurfaceReactionsBase::update_soot_vars_impl(PyObject* d_p_, PyObject* d_m_, PyObject* d_g_, PyObject* A_tot_,
                                                  PyObject* m_agg_, PyObject* soot_MW_, PyObject* c_soot_agg_,
                                                  PyObject* HtoC_) {
    // Stored one by one: a failed conversion leaves the earlier values stored.
    d_p = bind::as_double(d_p_);
    d_m = bind::as_double(d_m_);
    d_g = bind::as_double(d_g_);
    A_tot = bind::as_double(A_tot_);
    m_agg = bind::as_double(m_agg_);
    soot_MW = bind::as_double(soot_MW_);
    c_soot_agg = bind::as_double(c_soot_agg_);
    HtoC = bind::as_double(HtoC_);
}

void CSurfaceReactionsBase::store_soot_vars(double d_p_, double d_m_, double d_g_, double A_tot_, double m_agg_,
                                            double soot_MW_, double c_soot_agg_, double HtoC_) {
    d_p = d_p_;
    d_m = d_m_;
    d_g = d_g_;
    A_tot = A_tot_;
    m_agg = m_agg_;
    soot_MW = soot_MW_;
    c_soot_agg = c_soot_agg_;
    HtoC = HtoC_;
}

void CSurfaceReactionsBase::update_impl() { bind::raise(PyExc_Exception, "update() method is not initialized!"); }

double CSurfaceReactionsBase::C_tot_growth_impl() { return _C_tot_growth; }
double CSurfaceReactionsBase::H_tot_growth_impl() { return _H_tot_growth; }
double CSurfaceReactionsBase::C_tot_oxidation_impl() { return _C_tot_oxidation; }
double CSurfaceReactionsBase::H_tot_oxidation_impl() { return _H_tot_oxidation; }

void CSurfaceReactionsBase::_update_w_scrub_growth_impl(bind::DoubleBuf) {
    bind::raise(PyExc_Exception, "update_w_scrub_grwoth() method is not initialized!");
}
void CSurfaceReactionsBase::_update_w_scrub_oxidation_impl(bind::DoubleBuf) {
    bind::raise(PyExc_Exception, "update_w_scrub_oxidation() method is not initialized!");
}
void CSurfaceReactionsBase::update_w_scrub_impl(bind::DoubleBuf) {
    bind::raise(PyExc_Exception, "update_w_scrub() method is not initialized!");
}

bool CSurfaceReactionsBase::surface_growth_enabled_impl() {
    Ref w = held_wrapper(soot_wrapper, "surface_growth_enabled");
    return as_wrapper(w)->surface_growth_enabled;
}
bool CSurfaceReactionsBase::oxidation_enabled_impl() {
    Ref w = held_wrapper(soot_wrapper, "oxidation_enabled");
    return as_wrapper(w)->oxidation_enabled;
}

// ------------------------------------------------------------------ tables

namespace {

using Self = CSurfaceReactionsBase;
#define SURFBASE_DEF(name, params, doc, ...) ::bind::Method<&Self::name##_impl, #name, params>::def(doc),
PyMethodDef methods[] = {SURFBASE_METHODS(SURFBASE_DEF){nullptr, nullptr, 0, nullptr}};

PyGetSetDef props[] = {
    bind::prop<&CSurfaceReactionsBase::get_soot_gas, "soot_gas">(),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

std::span<const bind::Field> CSurfaceReactionsBase::base_fields() {
    static const bind::Field fields[] = {
        BIND_TYPED(CSurfaceReactionsBase, soot_wrapper, CSootWrapper, bind::RW),
        BIND_FIELD(CSurfaceReactionsBase, HACA_prefactor, Object, bind::RW),
        BIND_FIELD(CSurfaceReactionsBase, _alpha_model, Int, bind::RW),
        BIND_FIELD(CSurfaceReactionsBase, alpha_constant, Double, bind::RW),
        BIND_FIELD(CSurfaceReactionsBase, growth_prefactor, Double, bind::RW),
        BIND_FIELD(CSurfaceReactionsBase, oxidation_prefactor, Double, bind::RW),
        BIND_FIELD(CSurfaceReactionsBase, _C_tot_growth, Double, bind::RO),
        BIND_FIELD(CSurfaceReactionsBase, _H_tot_growth, Double, bind::RO),
        BIND_FIELD(CSurfaceReactionsBase, _surface_growth_rate, Double, bind::RO),
        BIND_FIELD(CSurfaceReactionsBase, _C_tot_oxidation, Double, bind::RO),
        BIND_FIELD(CSurfaceReactionsBase, _H_tot_oxidation, Double, bind::RO),
        BIND_FIELD(CSurfaceReactionsBase, _w_scrub_growth, DoubleVec, bind::RO),
        BIND_FIELD(CSurfaceReactionsBase, _w_scrub_oxidation, DoubleVec, bind::RO),
        BIND_FIELD(CSurfaceReactionsBase, m_agg, Double, bind::RO),
        BIND_FIELD(CSurfaceReactionsBase, d_p, Double, bind::RO),
        BIND_FIELD(CSurfaceReactionsBase, d_m, Double, bind::RO),
        BIND_FIELD(CSurfaceReactionsBase, d_g, Double, bind::RO),
        BIND_FIELD(CSurfaceReactionsBase, A_tot, Double, bind::RO),
        BIND_FIELD(CSurfaceReactionsBase, soot_MW, Double, bind::RO),
        BIND_FIELD(CSurfaceReactionsBase, c_soot_agg, Double, bind::RO),
        BIND_FIELD(CSurfaceReactionsBase, HtoC, Double, bind::RO),
    };
    return fields;
}

bind::ClassSpec& CSurfaceReactionsBase::spec() {
    static bind::ClassSpec s = [] {
        bind::ClassSpec s = bind::make_spec<CSurfaceReactionsBase>();
        s.fields = base_fields();
        s.methods = methods;
        s.props = props;
        s.init = bind::Init<&CSurfaceReactionsBase::init_impl, "soot_wrapper">::init;
        s.checksums = {0xbeb3f5c, 0x002c05f, 0xad00b1e};
        return s;
    }();
    return s;
}

}  // namespace pyrandel
