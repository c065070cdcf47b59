#include "sootmodel.hpp"

namespace pyrandel {

using bind::Ref;

void CSootModel::create_PAH_dimer_reactived_impl() { bind::raise(PyExc_NotImplementedError, "create_PAH_dimer_reactived"); }
void CSootModel::PAH_growth_update_reactived_impl() { bind::raise(PyExc_NotImplementedError, "PAH_growth_update_reactived"); }
void CSootModel::update_phy_dimer__impl() { bind::raise(PyExc_NotImplementedError, "update_phy_dimer_"); }
void CSootModel::update_phy_dimer_wdot_impl() { bind::raise(PyExc_NotImplementedError, "update_phy_dimer_wdot"); }
void CSootModel::update_p_soot_PAH_impl() { bind::raise(PyExc_NotImplementedError, "update_p_soot_PAH"); }
void CSootModel::update_soot_PAH_wdot_impl() { bind::raise(PyExc_NotImplementedError, "update_soot_PAH_wdot"); }
double CSootModel::reduced_m_impl(int PAH_1_id, int PAH_2_id) { bind::raise(PyExc_NotImplementedError, "reduced_m"); }
double CSootModel::reduced_d_impl(int PAH_1_id, int PAH_2_id) { bind::raise(PyExc_NotImplementedError, "reduced_d"); }
double CSootModel::k_FWD_impl(int PAH_1_id, int PAH_2_id) { bind::raise(PyExc_NotImplementedError, "k_FWD"); }
double CSootModel::k_REV_impl(int PAH_1_id, int PAH_2_id) { bind::raise(PyExc_NotImplementedError, "k_REV"); }
double CSootModel::k_REAC_impl() { bind::raise(PyExc_NotImplementedError, "k_REAC"); }
double CSootModel::k_PAH_impl() { bind::raise(PyExc_NotImplementedError, "k_PAH"); }
double CSootModel::ROP_dimer_impl(int dimer_id) { bind::raise(PyExc_NotImplementedError, "ROP_dimer"); }
double CSootModel::beta_fm_soot_PAH_impl(int PAH_id) { bind::raise(PyExc_NotImplementedError, "beta_fm_soot_PAH"); }
double CSootModel::beta_cont_soot_PAH_impl(int PAH_id) { bind::raise(PyExc_NotImplementedError, "beta_cont_soot_PAH"); }
double CSootModel::k_f_soot_PAH_impl(int PAH_id) { bind::raise(PyExc_NotImplementedError, "k_f_soot_PAH"); }
double CSootModel::k_r_soot_PAH_impl(int PAH_id) { bind::raise(PyExc_NotImplementedError, "k_r_soot_PAH"); }
double CSootModel::C_S_soot_impl(double d) { bind::raise(PyExc_NotImplementedError, "C_S_soot"); }
double CSootModel::soot_PAH_star_impl(bind::SizeT PAH_id) { bind::raise(PyExc_NotImplementedError, "soot_PAH_star"); }
double CSootModel::dC_tot_dt_PAH_each_reactived_impl(bind::SizeT PAH_id) { bind::raise(PyExc_NotImplementedError, "dC_tot_dt_PAH_each_reactived"); }
double CSootModel::dH_tot_dt_PAH_each_reactived_impl(bind::SizeT PAH_id) { bind::raise(PyExc_NotImplementedError, "dH_tot_dt_PAH_each_reactived"); }
double CSootModel::dC_tot_dt_PAH_impl() { bind::raise(PyExc_NotImplementedError, "dC_tot_dt_PAH"); }
bind::Ref CSootModel::dH_tot_dt_PAH_impl() { bind::raise(PyExc_NotImplementedError, "dH_tot_dt_PAH"); }
double CSootModel::inception_N_agg_reactived_impl() { bind::raise(PyExc_NotImplementedError, "inception_N_agg_reactived"); }
double CSootModel::inception_C_tot_reactived_impl() { bind::raise(PyExc_NotImplementedError, "inception_C_tot_reactived"); }
double CSootModel::inception_H_tot_reactived_impl() { bind::raise(PyExc_NotImplementedError, "inception_H_tot_reactived"); }
void CSootModel::update_scrub_wdot_PAH_growth_reactived_impl() { bind::raise(PyExc_NotImplementedError, "update_scrub_wdot_PAH_growth_reactived"); }
void CSootModel::update_ROP_impl() { bind::raise(PyExc_NotImplementedError, "update_ROP"); }

}  // namespace pyrandel
