#include "sootmodel.hpp"

namespace pyrandel {

using bind::Ref;

double CSootModel::beta_coag_fm_impl() { bind::raise(PyExc_NotImplementedError, "beta_coag_fm"); }
double CSootModel::beta_coag_validation_impl() { bind::raise(PyExc_NotImplementedError, "beta_coag_validation"); }
double CSootModel::beta_coag_cont_impl() { bind::raise(PyExc_NotImplementedError, "beta_coag_cont"); }
double CSootModel::beta_coag_hm_impl() { bind::raise(PyExc_NotImplementedError, "beta_coag_hm"); }
double CSootModel::beta_coag_turb_impl() { bind::raise(PyExc_NotImplementedError, "beta_coag_turb"); }
double CSootModel::N_agg_coag_impl() { bind::raise(PyExc_NotImplementedError, "N_agg_coag"); }
double CSootModel::t_f_titania_impl() { bind::raise(PyExc_NotImplementedError, "t_f_titania"); }
double CSootModel::t_f_silica_impl() { bind::raise(PyExc_NotImplementedError, "t_f_silica"); }
double CSootModel::t_f_md_derived_impl() { bind::raise(PyExc_NotImplementedError, "t_f_md_derived"); }
double CSootModel::N_pri_coales_sintering_impl() { bind::raise(PyExc_NotImplementedError, "N_pri_coales_sintering"); }
double CSootModel::N_pri_coales_merge_impl() { bind::raise(PyExc_NotImplementedError, "N_pri_coales_merge"); }

}  // namespace pyrandel
