#include "sootmodel.hpp"

namespace pyrandel {

using bind::Ref;

double CSootModel::alpha_constant_impl() { bind::raise(PyExc_NotImplementedError, "alpha_constant"); }
double CSootModel::alpha_empirical_impl() { bind::raise(PyExc_NotImplementedError, "alpha_empirical"); }
double CSootModel::alpha_ctoh_based_impl() { bind::raise(PyExc_NotImplementedError, "alpha_ctoh_based"); }
double CSootModel::chi_soot_0_impl() { bind::raise(PyExc_NotImplementedError, "chi_soot_0"); }
double CSootModel::beta_soot_C2H2_impl() { bind::raise(PyExc_NotImplementedError, "beta_soot_C2H2"); }
double CSootModel::K_s_impl() { bind::raise(PyExc_NotImplementedError, "K_s"); }
double CSootModel::gamma_impl() { bind::raise(PyExc_NotImplementedError, "gamma"); }
double CSootModel::dC_tot_dt_HACA_impl() { bind::raise(PyExc_NotImplementedError, "dC_tot_dt_HACA"); }
double CSootModel::c_soot_nought_impl() { bind::raise(PyExc_NotImplementedError, "c_soot_nought"); }
double CSootModel::dC_tot_dt_HACA_alt_impl() { bind::raise(PyExc_NotImplementedError, "dC_tot_dt_HACA_alt"); }
double CSootModel::dH_tot_dt_HACA_alt_impl() { bind::raise(PyExc_NotImplementedError, "dH_tot_dt_HACA_alt"); }
double CSootModel::dH_tot_dt_carb_impl() { bind::raise(PyExc_NotImplementedError, "dH_tot_dt_carb"); }

}  // namespace pyrandel
