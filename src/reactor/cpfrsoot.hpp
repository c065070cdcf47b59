// CPFRSootOde: the plug-flow reactor with soot always on and a prescribed
// temperature (a profile over the residence time or the axial position, or
// the state vector's entry), on the caller's gas object and a classic soot
// model. Called by an outside integrator as reactor(t, y).
#pragma once

#include "pfrcommon.hpp"

namespace pyrandel {

#define CPFRSOOTODE_FIELDS(F)                                                                 \
    F(bind::Array, temp_value, RW) /* two-row profile of the temperature over time or position */ \
    F(bind::Obj, gas, RW)                                                                       \
    F(double, P, RW) /* Pa */                                                                   \
    F(double, T, RW) /* K, of the last call */                                                  \
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
    F(bool, _use_temp_time_history, RW)                                                         \
    F(bool, _use_temp_value, RW)                                                                \
    F(bool, _enable_wall_deposition, RW)                                                        \
    F(bind::Obj, soot_model, RW)                                                                \
    F(double, k_dep, RW) /* m/s */                                                              \
    F(double, perimeter, RW) /* m */                                                            \
    F(double, area, RW) /* m2 */                                                                \
    F(bind::Opt, _enable_soot, ATTR)                                                            \
    F(bind::Opt, deposit_thickness_growth_rate, ATTR) /* m/s */                                 \
    F(bind::Opt, Nu_const_temp, ATTR) /* supplied by the caller for external_heat */

#define CPFRSOOTODE_METHODS(M)                                                                             \
    M(external_heat, "z, T", "CPFRSootOde.external_heat(self, double z, double T)", double, (double z, double T)) \
    M(reynolds, "", "CPFRSootOde.reynolds(self)", double, ())                                              \
    M(fanning_friction, "", "CPFRSootOde.fanning_friction(self)", double, ())                              \
    M(initialize, "", "CPFRSootOde.initialize(self)", void, ())

struct CPFRSootOde {
    PyObject_HEAD
    CPFRSOOTODE_FIELDS(BIND_DECLARE)

    BIND_CLASS(CPFRSootOde)
    BIND_METHODS(CPFRSOOTODE_METHODS)

    void init_impl(PyObject* phase);
    bind::Ref evaluate(PyObject* t, PyObject* y);
};

}  // namespace pyrandel
