#include "sootmodel.hpp"

namespace pyrandel {

using bind::Ref;

double CSootModel::molar_density_impl(int index) { bind::raise(PyExc_NotImplementedError, "molar_density"); }
double CSootModel::calc_lambda_gas_impl() { bind::raise(PyExc_NotImplementedError, "calc_lambda_gas"); }
double CSootModel::diffus_coeff_const_impl() { bind::raise(PyExc_NotImplementedError, "diffus_coeff_const"); }
double CSootModel::diffus_coeff_morph_impl() { bind::raise(PyExc_NotImplementedError, "diffus_coeff_morph"); }
double CSootModel::dispersion_exponent_impl() { bind::raise(PyExc_NotImplementedError, "dispersion_exponent"); }
double CSootModel::volume_fraction_impl() { bind::raise(PyExc_NotImplementedError, "volume_fraction"); }
double CSootModel::total_mass_impl() { bind::raise(PyExc_NotImplementedError, "total_mass"); }
double CSootModel::carbon_mass_impl() { bind::raise(PyExc_NotImplementedError, "carbon_mass"); }
double CSootModel::hydrogen_mass_impl() { bind::raise(PyExc_NotImplementedError, "hydrogen_mass"); }
double CSootModel::SSA_impl() { bind::raise(PyExc_NotImplementedError, "SSA"); }
double CSootModel::V_tot_impl() { bind::raise(PyExc_NotImplementedError, "V_tot"); }
double CSootModel::V_p_impl() { bind::raise(PyExc_NotImplementedError, "V_p"); }
double CSootModel::d_p_impl() { bind::raise(PyExc_NotImplementedError, "d_p"); }
double CSootModel::A_p_impl() { bind::raise(PyExc_NotImplementedError, "A_p"); }
double CSootModel::m_p_impl() { bind::raise(PyExc_NotImplementedError, "m_p"); }
double CSootModel::n_p_impl() { bind::raise(PyExc_NotImplementedError, "n_p"); }
double CSootModel::A_tot_impl() { bind::raise(PyExc_NotImplementedError, "A_tot"); }
double CSootModel::A_Ag_impl() { bind::raise(PyExc_NotImplementedError, "A_Ag"); }
double CSootModel::V_Ag_impl() { bind::raise(PyExc_NotImplementedError, "V_Ag"); }
double CSootModel::m_Ag_impl() { bind::raise(PyExc_NotImplementedError, "m_Ag"); }
double CSootModel::d_m_impl() { bind::raise(PyExc_NotImplementedError, "d_m"); }
double CSootModel::d_g_impl() { bind::raise(PyExc_NotImplementedError, "d_g"); }

}  // namespace pyrandel
