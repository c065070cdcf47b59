// The particle model's calls into the installed PAH-growth model.
#include "pahgrowthbase.hpp"

namespace pyrandel {

using bind::Ref;

namespace {

bind::Name n_update_soot_vars("update_soot_vars");
bind::Name n_update("update");
bind::Name total_names[] = {bind::Name("N_agg_inception_total"), bind::Name("C_tot_inception_total"),
                            bind::Name("H_tot_inception_total"), bind::Name("C_tot_PAH_total"),
                            bind::Name("H_tot_PAH_total")};

CPAHGrowthBase* as_model(PyObject* m) {
    // The module's models derive from the base directly: their own type's base
    // settles it without the walk over the method resolution order.
    PyTypeObject* t = Py_TYPE(m);
    if (t == &CPAHGrowthBase::type || t->tp_base == &CPAHGrowthBase::type) return reinterpret_cast<CPAHGrowthBase*>(m);
    return PyType_IsSubtype(t, &CPAHGrowthBase::type) ? reinterpret_cast<CPAHGrowthBase*>(m) : nullptr;
}

}  // namespace

void pah_update_soot_vars(PyObject* model, double d_p, double d_m, double d_g, double A_tot, double m_agg,
                          double V_agg, double soot_MW, double c_soot_agg, double c_soot_pri, double m_p) {
    Ref hold = Ref::borrow(model);
    CPAHGrowthBase* m = as_model(model);
    if (m && !bind::Class<CPAHGrowthBase>::overridden(m, CPAHGrowthBase::MID_update_soot_vars)) {
        m->store_soot_vars(d_p, d_m, d_g, A_tot, m_agg, V_agg, soot_MW, c_soot_agg, c_soot_pri, m_p);
        return;
    }
    bind::call_method(model, n_update_soot_vars, bind::py(d_p).get(), bind::py(d_m).get(), bind::py(d_g).get(),
                      bind::py(A_tot).get(), bind::py(m_agg).get(), bind::py(V_agg).get(), bind::py(soot_MW).get(),
                      bind::py(c_soot_agg).get(), bind::py(c_soot_pri).get(), bind::py(m_p).get());
}

void pah_update(PyObject* model) {
    Ref hold = Ref::borrow(model);
    if (CPAHGrowthBase* m = as_model(model)) return m->update();
    bind::call_method(model, n_update);
}

Ref pah_total(PyObject* model, PAHTotal which) {
    Ref hold = Ref::borrow(model);
    if (CPAHGrowthBase* m = as_model(model)) {
        switch (which) {
            case PAHTotal::N_agg_inception: return bind::py(m->N_agg_inception_total());
            case PAHTotal::C_tot_inception: return bind::py(m->C_tot_inception_total());
            case PAHTotal::H_tot_inception: return bind::py(m->H_tot_inception_total());
            case PAHTotal::C_tot_PAH: return bind::py(m->C_tot_PAH_total());
            case PAHTotal::H_tot_PAH: return bind::py(m->H_tot_PAH_total());
        }
    }
    return bind::call_method(model, total_names[(int)which]);
}

}  // namespace pyrandel
