#include "cpfr.hpp"

namespace pyrandel {

using bind::Name;
using bind::Ref;

BIND_TYPE_OBJECT(CPFROde)

namespace {

Name n_soot_enabled("soot_enabled");
Name n__soot_enabled("_soot_enabled");

}  // namespace

void CPFROde::init_impl(PyObject* phase) {
    gas = Ref::borrow(phase);
    Ref g = gas.hold();
    P = bind::as_double(pfr::gas_attr(g.get(), pfr::g_P).get());
    Nu_const_temp = 3.66;
    Nu_const_heat = 4.63;
    wdot = pfr::gas_attr(g.get(), pfr::g_net_production_rates);
    Rt_offset = 0;
    rho_u_vfv_offset = 1;
    T_offset = 2;
    Y_offset = 3;
    u = 0.0;
    fixed_density = 0.0;
    k_dep = 0.0;
    perimeter = 0.0;
    area = 0.0;
    _enable_fixed_density = _use_fixed_density = _enable_soot = false;
    _use_temp_time_history = _use_temp_value = _enable_wall_deposition = false;
    soot_model = bind::none();
}

// ------------------------------------------------------------ soot switch

Ref CPFROde::get_soot_enabled() {
    if (!Py_IS_TYPE(this, &type)) return bind::getattr((PyObject*)this, n__soot_enabled);
    return _soot_enabled.value((PyObject*)this, "_soot_enabled");
}

void CPFROde::set_soot_enabled(PyObject* v) {
    Ref hold = Ref::borrow(v);
    if (bind::as_bool(v)) {
        Ref g = gas.hold();
        Ref names = pfr::gas_attr(g.get(), pfr::g_species_names);
        Py_ssize_t n = bind::length(names.get());
        soot_offset = bind::as_int(bind::py((int64_t)(Y_offset + n)).get());
    }
    if (Py_IS_TYPE(this, &type)) _soot_enabled = hold;
    else bind::setattr((PyObject*)this, n__soot_enabled, v);
}

bool CPFROde::soot_on() {
    if (Py_IS_TYPE(this, &type)) {
        Ref v = _soot_enabled.value((PyObject*)this, "_soot_enabled");
        return bind::as_bool(v.get());
    }
    return bind::as_bool(bind::getattr((PyObject*)this, n_soot_enabled).get());
}

// -------------------------------------------------------------- methods

double CPFROde::external_heat_impl(double z, double T) {
    const double Dh = pfr::D_h(this);
    const double h = bind::fdiv(Nu_const_temp * 1e10, Dh);
    const double a = bind::fdiv(perimeter * h, area);
    Ref profile = temp_value.hold();
    return a * (pfr::interp(bind::py(z).get(), z, profile.get(), "temp_value") - T);
}

double CPFROde::reynolds_impl() {
    Ref g = gas.hold();
    return bind::as_double(pfr::reynolds_of(g.get(), u, area, perimeter).get());
}

double CPFROde::fanning_friction_impl() { return pfr::fanning_of(reynolds()); }

void CPFROde::initialize_impl() {
    if (soot_on() && soot_model.is_none()) bind::raise(PyExc_Exception, "soot model is enabled, but not assigned");
    if (perimeter <= 0 || area <= 0) bind::raise(PyExc_Exception, "Wrong reactor geometry!");
    if (_use_temp_value && _use_temp_time_history)
        bind::raise(PyExc_Exception, "You cannot use temperature value and temperature history together");
    if (!_use_temp_value && !_use_temp_time_history)
        bind::raise(PyExc_Exception, "You have to use temperature value or temperature history");
}

// ------------------------------------------------------------ evaluation

Ref CPFROde::evaluate(PyObject* t, PyObject* y) {
    // The layout is checked before anything is touched.
    pfr::Layout L(y);
    const bool soot_first = soot_on();
    L.offset("rho_u_vfv_offset", rho_u_vfv_offset);
    L.offset("T_offset", T_offset);
    if (Y_offset < 0) L.offset("Y_offset", Y_offset);
    L.needs("soot_offset", soot_offset);
    if (soot_first) L.needs("soot_offset + 4", (long)soot_offset + 4);

    Ref g = gas.hold();
    Ref Ys = bind::slice(y, Y_offset, soot_offset);
    pfr::set_gas_state(g.get(), Ys.get(), [&] { return L.at(T_offset); }, P);
    wdot = pfr::gas_attr(g.get(), pfr::g_net_production_rates);
    const double rho = _enable_fixed_density ? fixed_density : pfr::gas_density(g.get());

    std::optional<pfr::Soot> sm;
    double vf = 0.0, u_;
    if (soot_on()) {
        sm.emplace(soot_model);
        vf = pfr::vf_of(*sm);
        u_ = pfr::velocity(this, L, (1 - vf) * rho);
    } else {
        u_ = pfr::velocity(this, L, rho);
    }

    double dT;
    if (_use_temp_time_history) {
        Ref profile = time_derivative_temp_history.hold();
        dT = pfr::interp(t, bind::as_double(t), profile.get(), "time_derivative_temp_history") / u_;
    } else {
        const double q = external_heat(bind::as_double(t), L.at(T_offset));
        Ref h = pfr::gas_attr(g.get(), pfr::g_partial_molar_enthalpies);
        Ref w = wdot.hold();
        const double d = bind::np_dot(h.get(), w.get());
        const double cp = bind::as_double(pfr::gas_attr(g.get(), pfr::g_cp).get());
        const double den = rho * u_ * cp;
        dT = den != 0.0 ? (q - d) / den
                        : bind::as_double(
                              Ref::steal(PyNumber_TrueDivide(bind::f64(q - d).get(), bind::py(den).get())).get());
    }

    if (soot_on()) {
        if (!sm) sm.emplace(soot_model);
        return pfr::soot_evaluation(this, L, *sm, rho, u_, vf, dT, Ys, [&] {
            // The model's own rates of the dimer and adsorbed-PAH species replace the gas's.
            auto replace_run = [&](Ref (pfr::Soot::*indices)(), Ref (pfr::Soot::*rates)()) {
                Ref L1 = ((*sm).*indices)();
                Ref first = Ref::steal(PyObject_GetItem(L1.get(), bind::py(0).get()));
                Ref L2 = ((*sm).*indices)();
                Ref last = Ref::steal(PyObject_GetItem(L2.get(), bind::py(-1).get()));
                Ref end = Ref::steal(PyNumber_Add(last.get(), bind::py(1).get()));
                Ref s = Ref::steal(PySlice_New(first.get(), end.get(), nullptr));
                Ref r = ((*sm).*rates)();
                Ref w = wdot.hold();
                if (PyObject_SetItem(w.get(), s.get(), r.get()) < 0) bind::fail();
            };
            if (!sm->steady_dimer()) replace_run(&pfr::Soot::dimer_indices, &pfr::Soot::dimer_wdot);
            if (!sm->steady_PAH()) replace_run(&pfr::Soot::PAH_indices, &pfr::Soot::PAH_wdot);
        });
    }
    Ref w = wdot.hold();
    const double inv_u = bind::fdiv(1.0, u_);
    Ref mw = pfr::gas_attr(g.get(), pfr::g_molecular_weights);
    return pfr::result_plain(inv_u, 0.0, dT, w.get(), mw.get(), rho * u_);
}

// ------------------------------------------------------------------ tables

namespace {

using Self = CPFROde;
const bind::Field fields[] = {CPFRODE_FIELDS(BIND_ROW)};
BIND_METHOD_TABLES(CPFRODE_METHODS)

PyGetSetDef props[] = {
    bind::prop<&CPFROde::get_soot_enabled, &CPFROde::set_soot_enabled, "soot_enabled">(),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

bind::ClassSpec& CPFROde::spec() {
    static bind::ClassSpec s = bind::define<CPFROde>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .props = props,
        .init = bind::Init<&CPFROde::init_impl, "phase">::init,
        .call = bind::Call<&CPFROde::evaluate, "t, y">::call,
        .checksums = {0xa50cd52, 0x9951450, 0xa04a8eb},
    });
    return s;
}

}  // namespace pyrandel
