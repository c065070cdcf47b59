#include "sootmodel.hpp"

namespace pyrandel {

using bind::Ref;

double CSootModel::dC_tot_dt_O2_alt_impl() { bind::raise(PyExc_NotImplementedError, "dC_tot_dt_O2_alt"); }
double CSootModel::dC_tot_dt_OH_alt_impl() { bind::raise(PyExc_NotImplementedError, "dC_tot_dt_OH_alt"); }
double CSootModel::dH_tot_dt_O2_alt_impl() { bind::raise(PyExc_NotImplementedError, "dH_tot_dt_O2_alt"); }
double CSootModel::dH_tot_dt_OH_alt_impl() { bind::raise(PyExc_NotImplementedError, "dH_tot_dt_OH_alt"); }
double CSootModel::dC_tot_dt_Ox_impl() { bind::raise(PyExc_NotImplementedError, "dC_tot_dt_Ox"); }
double CSootModel::dH_tot_dt_Ox_impl() { bind::raise(PyExc_NotImplementedError, "dH_tot_dt_Ox"); }
double CSootModel::omega_O2_impl() { bind::raise(PyExc_NotImplementedError, "omega_O2"); }
double CSootModel::omega_OH_impl() { bind::raise(PyExc_NotImplementedError, "omega_OH"); }
double CSootModel::dC_tot_dt_O2_impl() { bind::raise(PyExc_NotImplementedError, "dC_tot_dt_O2"); }
double CSootModel::dC_tot_dt_OH_impl() { bind::raise(PyExc_NotImplementedError, "dC_tot_dt_OH"); }
double CSootModel::dH_tot_dt_O2_impl() { bind::raise(PyExc_NotImplementedError, "dH_tot_dt_O2"); }
double CSootModel::dH_tot_dt_OH_impl() { bind::raise(PyExc_NotImplementedError, "dH_tot_dt_OH"); }

}  // namespace pyrandel
