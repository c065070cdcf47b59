#include "cpfrsoot.hpp"

namespace pyrandel {

using bind::Name;
using bind::Ref;

BIND_TYPE_OBJECT(CPFRSootOde)

namespace {

Name n__enable_soot("_enable_soot");
Name n_Nu_const_temp("Nu_const_temp");

}  // namespace

void CPFRSootOde::init_impl(PyObject* phase) {
    gas = Ref::borrow(phase);
    Ref g = gas.hold();
    P = bind::as_double(pfr::gas_attr(g.get(), pfr::g_P).get());
    wdot = pfr::gas_attr(g.get(), pfr::g_net_production_rates);
    Rt_offset = 0;
    rho_u_vfv_offset = 1;
    T_offset = 2;
    Y_offset = 3;
    {
        Ref names = pfr::gas_attr(g.get(), pfr::g_species_names);
        Py_ssize_t n = bind::length(names.get());
        soot_offset = bind::as_int(bind::py((int64_t)(n + Y_offset)).get());
    }
    u = 0.0;
    _enable_fixed_density = false;
    _use_fixed_density = false;
    if (Py_IS_TYPE(this, &type)) _enable_soot = bind::py(false);
    else bind::setattr((PyObject*)this, n__enable_soot, Py_False);
    _use_temp_time_history = false;
    _use_temp_value = true;
    _enable_wall_deposition = false;
    soot_model = bind::none();
    fixed_density = 0.0;
    k_dep = 0.0;
    perimeter = 0.0;
    area = 0.0;
}

// -------------------------------------------------------------- methods

double CPFRSootOde::external_heat_impl(double z, double T_) {
    const double Dh = pfr::D_h(this);
    Ref Nu;
    if (Py_IS_TYPE(this, &type)) {
        Nu = Nu_const_temp.value((PyObject*)this, "Nu_const_temp");
    } else {
        Nu = bind::getattr((PyObject*)this, n_Nu_const_temp);
    }
    Ref hn = Ref::steal(PyNumber_Multiply(bind::py(1e10).get(), Nu.get()));
    const double h = bind::as_double(Ref::steal(PyNumber_TrueDivide(hn.get(), bind::py(Dh).get())).get());
    const double a = bind::fdiv(h * perimeter, area);
    Ref profile = temp_value.hold();
    return a * (pfr::interp(bind::py(z).get(), z, profile.get(), "temp_value") - T_);
}

double CPFRSootOde::reynolds_impl() {
    Ref g = gas.hold();
    return bind::as_double(pfr::reynolds_of(g.get(), u, area, perimeter).get());
}

double CPFRSootOde::fanning_friction_impl() { return pfr::fanning_of(reynolds()); }

void CPFRSootOde::initialize_impl() {
    if (soot_model.is_none()) bind::raise(PyExc_Exception, "soot model is enabled, but not assigned");
    if (perimeter <= 0 || area <= 0) bind::raise(PyExc_Exception, "Wrong reactor geometry!");
    if (_use_temp_value && _use_temp_time_history)
        bind::raise(PyExc_Exception, "You cannot use temperature value and temperature history together");
    if (!_use_temp_value && !_use_temp_time_history)
        bind::raise(PyExc_Exception, "You have to use temperature value or temperature history");
}

// ------------------------------------------------------------ evaluation

Ref CPFRSootOde::evaluate(PyObject* t, PyObject* y) {
    // The layout is checked before anything is touched.
    pfr::Layout L(y);
    L.offset("Rt_offset", Rt_offset);
    L.offset("rho_u_vfv_offset", rho_u_vfv_offset);
    if (!_use_temp_time_history && !_use_temp_value) L.offset("T_offset", T_offset);
    if (Y_offset < 0) L.offset("Y_offset", Y_offset);
    L.needs("soot_offset + 4", (long)soot_offset + 4);

    const double tau = L.at(Rt_offset);
    double T_;
    if (_use_temp_time_history) {
        Ref profile = temp_value.hold();
        T_ = pfr::interp(bind::py(tau).get(), tau, profile.get(), "temp_value");
    } else if (_use_temp_value) {
        Ref profile = temp_value.hold();
        T_ = pfr::interp(t, bind::as_double(t), profile.get(), "temp_value");
    } else {
        T_ = L.at(T_offset);
    }
    T = T_;

    Ref g = gas.hold();
    Ref Ys = bind::slice(y, Y_offset, soot_offset);
    pfr::set_gas_state(g.get(), Ys.get(), [&] { return T; }, P);
    wdot = pfr::gas_attr(g.get(), pfr::g_net_production_rates);
    const double rho = _enable_fixed_density ? fixed_density : pfr::gas_density(g.get());

    pfr::Soot sm(soot_model);
    const double vf = pfr::vf_of(sm);
    const double u_ = pfr::velocity(this, L, (1 - vf) * rho);
    return pfr::soot_evaluation(this, L, sm, rho, u_, vf, 0.0, Ys, [] {});
}

// ------------------------------------------------------------------ tables

namespace {

using Self = CPFRSootOde;
const bind::Field fields[] = {CPFRSOOTODE_FIELDS(BIND_ROW)};
BIND_METHOD_TABLES(CPFRSOOTODE_METHODS)

}  // namespace

bind::ClassSpec& CPFRSootOde::spec() {
    static bind::ClassSpec s = bind::define<CPFRSootOde>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .init = bind::Init<&CPFRSootOde::init_impl, "phase">::init,
        .call = bind::Call<&CPFRSootOde::evaluate, "t, y">::call,
        .checksums = {0x90b730b, 0x1aeee8c, 0x5c909a0},
    });
    return s;
}

}  // namespace pyrandel
