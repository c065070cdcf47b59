#include "sootmodel.hpp"

namespace pyrandel {

using bind::Ref;

double CSootModel::m_PAH_impl(int PAH_id) { bind::raise(PyExc_NotImplementedError, "m_PAH"); }
double CSootModel::d_PAH_impl(int PAH_id) { bind::raise(PyExc_NotImplementedError, "d_PAH"); }
double CSootModel::k_f3_crosslinking_impl(int PAH_id) { bind::raise(PyExc_NotImplementedError, "k_f3_crosslinking"); }
double CSootModel::k_f4_crosslinking_impl(int PAH_id) { bind::raise(PyExc_NotImplementedError, "k_f4_crosslinking"); }
double CSootModel::PAH_radical_impl(int PAH_id) { bind::raise(PyExc_NotImplementedError, "PAH_radical"); }
void CSootModel::update_PAH_radical_impl() { bind::raise(PyExc_NotImplementedError, "update_PAH_radical"); }
double CSootModel::ROP_dimer_crosslinking_impl(int PAH_id) { bind::raise(PyExc_NotImplementedError, "ROP_dimer_crosslinking"); }
void CSootModel::update_ROP_crosslinking_impl() { bind::raise(PyExc_NotImplementedError, "update_ROP_crosslinking"); }
double CSootModel::PAH_adsorption_rate_impl(int PAH_id) { bind::raise(PyExc_NotImplementedError, "PAH_adsorption_rate"); }
double CSootModel::dC_tot_dt_PAH_each_crosslinking_impl(bind::SizeT PAH_id) { bind::raise(PyExc_NotImplementedError, "dC_tot_dt_PAH_each_crosslinking"); }
double CSootModel::dH_tot_dt_PAH_each_crosslinking_impl(bind::SizeT PAH_id) { bind::raise(PyExc_NotImplementedError, "dH_tot_dt_PAH_each_crosslinking"); }
void CSootModel::PAH_growth_update_crosslinking_impl() { bind::raise(PyExc_NotImplementedError, "PAH_growth_update_crosslinking"); }
double CSootModel::inception_N_agg_crosslinking_impl() { bind::raise(PyExc_NotImplementedError, "inception_N_agg_crosslinking"); }
double CSootModel::inception_C_tot_crosslinking_impl() { bind::raise(PyExc_NotImplementedError, "inception_C_tot_crosslinking"); }
double CSootModel::inception_H_tot_crosslinking_impl() { bind::raise(PyExc_NotImplementedError, "inception_H_tot_crosslinking"); }
void CSootModel::update_scrub_wdot_PAH_growth_crosslinking_impl() { bind::raise(PyExc_NotImplementedError, "update_scrub_wdot_PAH_growth_crosslinking"); }
void CSootModel::create_PAH_dimer_crosslinking_impl() { bind::raise(PyExc_NotImplementedError, "create_PAH_dimer_crosslinking"); }

}  // namespace pyrandel
