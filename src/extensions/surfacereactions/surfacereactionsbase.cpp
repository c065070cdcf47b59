#include "surfacereactionsbase.hpp"

#include "../gas/sootgas.hpp"
#include "../sootwrapper/sootwrapper.hpp"

namespace pyrandel {

using bind::Ref;

BIND_TYPE_OBJECT(CSurfaceReactionsBase)

void CSurfaceReactionsBase::init_impl(PyObject* w) {
    soot_wrapper = bind::Typed<CSootWrapper>::from(w);
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
const bind::Field fields[] = {SURFBASE_FIELDS(BIND_ROW)};
BIND_METHOD_TABLES(SURFBASE_METHODS)

PyGetSetDef props[] = {
    bind::prop<&CSurfaceReactionsBase::get_soot_gas, "soot_gas">(),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

bind::ClassSpec& CSurfaceReactionsBase::spec() {
    static bind::ClassSpec s = bind::define<CSurfaceReactionsBase>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .props = props,
        .init = bind::Init<&CSurfaceReactionsBase::init_impl, "soot_wrapper">::init,
        .checksums = {0xbeb3f5c, 0x002c05f, 0xad00b1e},
    });
    return s;
}

}  // namespace pyrandel
