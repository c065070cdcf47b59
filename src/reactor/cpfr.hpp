// CPFROde: right-hand side of the steady plug-flow reactor along the axial
// position, on the caller's gas object and, with soot switched on, a classic
// soot model. Called by an outside integrator as reactor(t, y).
#pragma once

#include "pfrcommon.hpp"

namespace pyrandel {

#define CPFRODE_METHODS(X)                                                        \
    X(external_heat, "z, T", "CPFROde.external_heat(self, double z, double T)")  \
    X(reynolds, "", "CPFROde.reynolds(self)")                                    \
    X(fanning_friction, "", "CPFROde.fanning_friction(self)")                    \
    X(initialize, "", "CPFROde.initialize(self)")

struct CPFROde {
    using Self = CPFROde;
    PyObject_HEAD

    double Nu_const_temp;  // Nusselt number of the wall heat exchange
    double Nu_const_heat;
    PyObject* time_derivative_temp_history;  // two-row profile of dT/dt
    PyObject* temp_value;                    // two-row profile of the wall temperature over z
    PyObject* gas;
    double P;      // Pa
    PyObject* wdot;  // kmol/(m3 s)
    int Rt_offset, rho_u_vfv_offset, T_offset, Y_offset, soot_offset;
    double u;  // m/s
    double fixed_density;  // kg/m3
    bool _enable_fixed_density, _use_fixed_density, _enable_soot, _use_temp_time_history, _use_temp_value,
        _enable_wall_deposition;
    PyObject* soot_model;
    double k_dep;      // m/s
    double perimeter;  // m
    double area;       // m2

    // Instance members set and read by name.
    bind::Ref _soot_enabled;
    bind::Ref deposit_thickness_growth_rate;  // m/s
    static const pfr::Member<CPFROde> members[2];

    static constexpr const char* py_name = "CPFROde";
    static constexpr const char* doc = "CPFROde(phase)";
    static PyTypeObject type;
    static bind::ClassSpec& spec();

    enum { CPFRODE_METHODS(BIND_ID) MID_count };
    CPFRODE_METHODS(BIND_DISPATCHER)

    void init_impl(PyObject* phase);
    double external_heat_impl(double z, double T);
    double reynolds_impl();
    double fanning_friction_impl();
    void initialize_impl();

    bind::Ref evaluate(PyObject* t, PyObject* y);
    bool soot_on();
    bind::Ref get_soot_enabled();
    void set_soot_enabled(PyObject* v);
};

}  // namespace pyrandel
