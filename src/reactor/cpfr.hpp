// CPFROde: right-hand side of the steady plug-flow reactor along the axial
// position, on the caller's gas object and, with soot switched on, a classic
// soot model. Called by an outside integrator as reactor(t, y).
#pragma once

#include "pfrcommon.hpp"

namespace pyrandel {

#define CPFRODE_FIELDS(F)                                                                     \
    F(double, Nu_const_temp, RO) /* Nusselt number of the wall heat exchange */                 \
    F(double, Nu_const_heat, RO)                                                                \
    F(bind::Array, time_derivative_temp_history, RW) /* two-row profile of dT/dt */             \
    F(bind::Array, temp_value, RW) /* two-row profile of the wall temperature over z */         \
    F(bind::Obj, gas, RW)                                                                       \
    F(double, P, RW) /* Pa */                                                                   \
    F(bind::Array, wdot, RW) /* kmol/(m3 s) */                                                  \
    F(int, Rt_offset, RW)                                                                       \
    F(int, rho_u_vfv_offset, RW)                                                                \
    F(int, T_offset, RW)                                                                        \
    F(int, Y_offset, RW)                                                                        \
    F(int, soot_offset, RW)                                                                     \
    F(double, u, RW) /* m/s */                                                                  \
    F(double, fixed_density, RW) /* kg/m3 */                                                    \
    F(bool, _enable_fixed_density, RW)                                                          \
    F(bool, _use_fixed_density, RW)                                                             \
    F(bool, _enable_soot, RW)                                                                   \
    F(bool, _use_temp_time_history, RW)                                                         \
    F(bool, _use_temp_value, RW)                                                                \
    F(bool, _enable_wall_deposition, RW)                                                        \
    F(bind::Obj, soot_model, RW)                                                                \
    F(double, k_dep, RW) /* m/s */                                                              \
    F(double, perimeter, RW) /* m */                                                            \
    F(double, area, RW) /* m2 */                                                                \
    F(bind::Opt, _soot_enabled, ATTR)                                                           \
    F(bind::Opt, deposit_thickness_growth_rate, ATTR) /* m/s */

#define CPFRODE_METHODS(M)                                                                             \
    M(external_heat, "z, T", "CPFROde.external_heat(self, double z, double T)", double, (double z, double T)) \
    M(reynolds, "", "CPFROde.reynolds(self)", double, ())                                              \
    M(fanning_friction, "", "CPFROde.fanning_friction(self)", double, ())                              \
    M(initialize, "", "CPFROde.initialize(self)", void, ())

struct CPFROde {
    PyObject_HEAD
    CPFRODE_FIELDS(BIND_DECLARE)

    BIND_CLASS(CPFROde)
    BIND_METHODS(CPFRODE_METHODS)

    void init_impl(PyObject* phase);
    bind::Ref evaluate(PyObject* t, PyObject* y);
    bool soot_on();
    bind::Ref get_soot_enabled();
    void set_soot_enabled(PyObject* v);
};

}  // namespace pyrandel
