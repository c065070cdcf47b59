#include "sootmodel.hpp"

namespace pyrandel {

using bind::Ref;

bind::Ref CSootModel::checkNameOfSpecies_impl() { bind::raise(PyExc_NotImplementedError, "checkNameOfSpecies"); }
void CSootModel::initialize_impl() { bind::raise(PyExc_NotImplementedError, "initialize"); }
void CSootModel::update_gas_impl(double T, double P, double density, double viscosity, double mean_MW, bind::NDArray X) { bind::raise(PyExc_NotImplementedError, "update_gas"); }
void CSootModel::update_solution_impl(bind::NDArray solution) { bind::raise(PyExc_NotImplementedError, "update_solution"); }
bind::Ref CSootModel::inception_impl(int soot_variable) { bind::raise(PyExc_NotImplementedError, "inception"); }
bind::Ref CSootModel::growth_impl(int soot_variable) { bind::raise(PyExc_NotImplementedError, "growth"); }
bind::Ref CSootModel::oxidation_impl(int soot_variable) { bind::raise(PyExc_NotImplementedError, "oxidation"); }
bind::Ref CSootModel::coagulation_impl(int soot_variable) { bind::raise(PyExc_NotImplementedError, "coagulation"); }
bind::Ref CSootModel::coalescence_impl(int soot_variable) { bind::raise(PyExc_NotImplementedError, "coalescence"); }
bind::Ref CSootModel::S_N_agg_impl() { bind::raise(PyExc_NotImplementedError, "S_N_agg"); }
bind::Ref CSootModel::S_N_pri_impl() { bind::raise(PyExc_NotImplementedError, "S_N_pri"); }
bind::Ref CSootModel::S_C_tot_impl() { bind::raise(PyExc_NotImplementedError, "S_C_tot"); }
bind::Ref CSootModel::S_H_tot_impl() { bind::raise(PyExc_NotImplementedError, "S_H_tot"); }
void CSootModel::update_scrub_wdot_impl() { bind::raise(PyExc_NotImplementedError, "update_scrub_wdot"); }

}  // namespace pyrandel
