#include "sootmodel.hpp"

namespace pyrandel {

using bind::Ref;

void CSootModel::create_PAH_dimer_irrevd_impl() { bind::raise(PyExc_NotImplementedError, "create_PAH_dimer_irrevd"); }
void CSootModel::PAH_growth_update_irrevd_impl() { bind::raise(PyExc_NotImplementedError, "PAH_growth_update_irrevd"); }
double CSootModel::k_PAH_ads_irrevd_impl(int PAH_id) { bind::raise(PyExc_NotImplementedError, "k_PAH_ads_irrevd"); }
double CSootModel::dC_tot_dt_PAH_each_irrevd_impl(bind::SizeT PAH_id) { bind::raise(PyExc_NotImplementedError, "dC_tot_dt_PAH_each_irrevd"); }
double CSootModel::dH_tot_dt_PAH_each_irrevd_impl(bind::SizeT PAH_id) { bind::raise(PyExc_NotImplementedError, "dH_tot_dt_PAH_each_irrevd"); }
double CSootModel::inception_N_agg_irrevd_impl() { bind::raise(PyExc_NotImplementedError, "inception_N_agg_irrevd"); }
double CSootModel::inception_C_tot_irrevd_impl() { bind::raise(PyExc_NotImplementedError, "inception_C_tot_irrevd"); }
double CSootModel::inception_H_tot_irrevd_impl() { bind::raise(PyExc_NotImplementedError, "inception_H_tot_irrevd"); }
void CSootModel::update_scrub_wdot_PAH_growth_irrevd_impl() { bind::raise(PyExc_NotImplementedError, "update_scrub_wdot_PAH_growth_irrevd"); }
Ref CSootModel::k_nuc_irrevd_impl(PyObject*, PyObject*) { bind::raise(PyExc_NotImplementedError, "k_nuc_irrevd"); }
void CSootModel::update_ROP_irrevd_impl() { bind::raise(PyExc_NotImplementedError, "update_ROP_irrevd"); }

}  // namespace pyrandel
