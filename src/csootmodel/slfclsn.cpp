#include "sootmodel.hpp"

namespace pyrandel {

using bind::Ref;

void CSootModel::create_PAH_dimer_slfclsn_impl() { bind::raise(PyExc_NotImplementedError, "create_PAH_dimer_slfclsn"); }
void CSootModel::create_PAH_dimer_slfclsn_lump_impl() { bind::raise(PyExc_NotImplementedError, "create_PAH_dimer_slfclsn_lump"); }
void CSootModel::PAH_growth_update_slfclsn_impl() { bind::raise(PyExc_NotImplementedError, "PAH_growth_update_slfclsn"); }
void CSootModel::PAH_growth_update_slfclsn_lump_impl() { bind::raise(PyExc_NotImplementedError, "PAH_growth_update_slfclsn_lump"); }
void CSootModel::update_omega_PAH_impl() { bind::raise(PyExc_NotImplementedError, "update_omega_PAH"); }
void CSootModel::update_ab_impl() { bind::raise(PyExc_NotImplementedError, "update_ab"); }
void CSootModel::update_dimer__impl() { bind::raise(PyExc_NotImplementedError, "update_dimer_"); }
void CSootModel::update_w_inc_impl() { bind::raise(PyExc_NotImplementedError, "update_w_inc"); }
void CSootModel::update_w_cond_impl() { bind::raise(PyExc_NotImplementedError, "update_w_cond"); }
void CSootModel::update_dimer_weight_impl() { bind::raise(PyExc_NotImplementedError, "update_dimer_weight"); }
void CSootModel::update_ab_lump_impl() { bind::raise(PyExc_NotImplementedError, "update_ab_lump"); }
void CSootModel::update_lumpdimer__impl() { bind::raise(PyExc_NotImplementedError, "update_lumpdimer_"); }
void CSootModel::update_w_lumpinc_impl() { bind::raise(PyExc_NotImplementedError, "update_w_lumpinc"); }
void CSootModel::update_w_lumpcond_impl() { bind::raise(PyExc_NotImplementedError, "update_w_lumpcond"); }
double CSootModel::dC_tot_dt_PAH_each_slfclsn_impl(bind::SizeT PAH_id) { bind::raise(PyExc_NotImplementedError, "dC_tot_dt_PAH_each_slfclsn"); }
double CSootModel::dH_tot_dt_PAH_each_slfclsn_impl(bind::SizeT PAH_id) { bind::raise(PyExc_NotImplementedError, "dH_tot_dt_PAH_each_slfclsn"); }
double CSootModel::dC_tot_dt_PAH_each_slfclsn_lump_impl(bind::SizeT PAH_id) { bind::raise(PyExc_NotImplementedError, "dC_tot_dt_PAH_each_slfclsn_lump"); }
double CSootModel::dH_tot_dt_PAH_each_slfclsn_lump_impl(bind::SizeT PAH_id) { bind::raise(PyExc_NotImplementedError, "dH_tot_dt_PAH_each_slfclsn_lump"); }
double CSootModel::inception_N_agg_slfclsn_impl() { bind::raise(PyExc_NotImplementedError, "inception_N_agg_slfclsn"); }
double CSootModel::inception_C_tot_slfclsn_impl() { bind::raise(PyExc_NotImplementedError, "inception_C_tot_slfclsn"); }
double CSootModel::inception_H_tot_slfclsn_impl() { bind::raise(PyExc_NotImplementedError, "inception_H_tot_slfclsn"); }
double CSootModel::inception_N_agg_slfclsn_lump_impl() { bind::raise(PyExc_NotImplementedError, "inception_N_agg_slfclsn_lump"); }
double CSootModel::inception_C_tot_slfclsn_lump_impl() { bind::raise(PyExc_NotImplementedError, "inception_C_tot_slfclsn_lump"); }
double CSootModel::inception_H_tot_slfclsn_lump_impl() { bind::raise(PyExc_NotImplementedError, "inception_H_tot_slfclsn_lump"); }
void CSootModel::update_scrub_wdot_PAH_growth_slfclsn_impl() { bind::raise(PyExc_NotImplementedError, "update_scrub_wdot_PAH_growth_slfclsn"); }
void CSootModel::update_scrub_wdot_PAH_growth_slfclsn_lump_impl() { bind::raise(PyExc_NotImplementedError, "update_scrub_wdot_PAH_growth_slfclsn_lump"); }
void CSootModel::initialize_stick_eff_impl() { bind::raise(PyExc_NotImplementedError, "initialize_stick_eff"); }

}  // namespace pyrandel
