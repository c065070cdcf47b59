// CPFRSootOde: the plug-flow reactor with soot always on and a prescribed
// temperature (a profile over the residence time or the axial position, or
// the state vector's entry), on the caller's gas object and a classic soot
// model. Called by an outside integrator as reactor(t, y).
#pragma once

#include "pfrcommon.hpp"

namespace pyrandel {

#define CPFRSOOTODE_METHODS(X)                                                        \
    X(external_heat, "z, T", "CPFRSootOde.external_heat(self, double z, double T)")  \
    X(reynolds, "", "CPFRSootOde.reynolds(self)")                                    \
    X(fanning_friction, "", "CPFRSootOde.fanning_friction(self)")                    \
    X(initialize, "", "CPFRSootOde.initialize(self)")

struct CPFRSootOde {
    using Self = CPFRSootOde;
    PyObject_HEAD

    PyObject* temp_value;  // two-row profile of the temperature over time or position
    PyObject* gas;
    double P;        // Pa
    double T;        // K, of the last call
    PyObject* wdot;  // kmol/(m3 s)
    int Rt_offset, rho_u_vfv_offset, T_offset, Y_offset, soot_offset;
    double u;              // m/s
    double fixed_density;  // kg/m3
    bool _enable_fixed_density, _use_fixed_density, _use_temp_time_history, _use_temp_value, _enable_wall_deposition;
    PyObject* soot_model;
    double k_dep;      // m/s
    double perimeter;  // m
    double area;       // m2

    // Instance members set and read by name.
    bind::Ref _enable_soot;
    bind::Ref deposit_thickness_growth_rate;  // m/s
    bind::Ref Nu_const_temp;                  // supplied by the caller for external_heat
    static const pfr::Member<CPFRSootOde> members[3];

    static constexpr const char* py_name = "CPFRSootOde";
    static constexpr const char* doc = "CPFRSootOde(phase)";
    static PyTypeObject type;
    static bind::ClassSpec& spec();

    enum { CPFRSOOTODE_METHODS(BIND_ID) MID_count };
    CPFRSOOTODE_METHODS(BIND_DISPATCHER)

    void init_impl(PyObject* phase);
    double external_heat_impl(double z, double T);
    double reynolds_impl();
    double fanning_friction_impl();
    void initialize_impl();

    bind::Ref evaluate(PyObject* t, PyObject* y);
};

}  // namespace pyrandel
