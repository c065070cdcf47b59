// PAH-growth variants 2 and 3: self-collision dimerisation. Each precursor
// dimerises with its own kind; a dimer either meets another dimer (a new
// particle) or condenses on a soot aggregate. The dimer concentration follows
// from the steady balance of the three rates, per precursor (variant 2) or for
// one lumped dimer population weighted by the dimerisation rates (variant 3).
#include "../binding/arrays.hpp"  // Python.h first

#include <cmath>

#include "formulas.hpp"
#include "precursors.hpp"
#include "sootmodel.hpp"

namespace pyrandel {

using bind::Ref;
using csm::collision_prefactors;
using csm::Prefactors;
using csm::steady_dimer;

namespace {

// Molar mass in kg/mol of gas species j, as MWs[j].
inline double mw(const CSootModel& m, int j) { return bind::Items(m.MWs).get(j); }

}  // namespace

// ------------------------------------------------------------------ sizing

void CSootModel::create_PAH_dimer_slfclsn_impl() {
    size_t n = PAH_indices.size();
    omega_PAH.resize(n);
    _dimer_.resize(n);
    a_inc.resize(n);
    w_inc.resize(n);
    b_cond.resize(n);
    w_cond.resize(n);
    p_dC_tot_dt_PAH_each.resize(n);
    p_dH_tot_dt_PAH_each.resize(n);
    stick_eff.resize(n);
}

void CSootModel::create_PAH_dimer_slfclsn_lump_impl() {
    size_t n = PAH_indices.size();
    dimer_weight.resize(n);
    omega_PAH.resize(n);
    _dimer_.resize(n);
    p_dC_tot_dt_PAH_each.resize(n);
    p_dH_tot_dt_PAH_each.resize(n);
    stick_eff.resize(n);
}

// ---------------------------------------------------------- dimerisation

void CSootModel::update_omega_PAH_impl() {
    omega_PAH_tot = 0.0;
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    for (Py_ssize_t i = 0; i < n; ++i) {
        int j = bind::at(PAH_indices, i);
        double w = csm::omega_of(csm::Checked{*this}, i, j);
        bind::at(omega_PAH, i) = w;
        omega_PAH_tot += w;
    }
}

// ------------------------------------------------- per-precursor balance

void CSootModel::update_ab_impl() {
    Prefactors p = collision_prefactors(*this);
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    for (Py_ssize_t i = 0; i < n; ++i) {
        int j = bind::at(PAH_indices, i);
        csm::DimerSize D = csm::dimer_size(*this, mw(*this, j));
        bind::at(a_inc, i) = csm::inc_coefficient(*this, p, D.V);
        bind::at(b_cond, i) = csm::cond_coefficient_of(csm::Checked{*this}, p, D.V, D.d);
    }
}

void CSootModel::update_dimer__impl() {
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    for (Py_ssize_t i = 0; i < n; ++i)
        bind::at(_dimer_, i) = steady_dimer(bind::at(a_inc, i), bind::at(b_cond, i), bind::at(omega_PAH, i));
}

void CSootModel::update_w_inc_impl() {
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    for (Py_ssize_t i = 0; i < n; ++i)
        bind::at(w_inc, i) = csm::dimer_inception_rate(bind::at(a_inc, i), bind::at(_dimer_, i));
}

void CSootModel::update_w_cond_impl() {
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    for (Py_ssize_t i = 0; i < n; ++i)
        bind::at(w_cond, i) = csm::dimer_condensation_rate(bind::at(b_cond, i), bind::at(_dimer_, i));
}

double CSootModel::dC_tot_dt_PAH_each_slfclsn_impl(bind::SizeT PAH_id) {
    double n_C = bind::at(PAH_n_C, PAH_id);
    return csm::dC_each_slfclsn(n_C, bind::at(w_cond, PAH_id), density);
}
double CSootModel::dH_tot_dt_PAH_each_slfclsn_impl(bind::SizeT PAH_id) {
    double n_H = bind::at(PAH_n_H, PAH_id);
    return csm::dH_each_slfclsn(n_H, bind::at(w_cond, PAH_id), density);
}

void CSootModel::PAH_growth_update_slfclsn_impl() {
    update_omega_PAH();
    update_ab();
    update_dimer_();
    update_w_inc();
    update_w_cond();
    store_PAH_growth(
        *this, [this](bind::SizeT i) { return dC_tot_dt_PAH_each_slfclsn(i); }, [this](bind::SizeT i) { return dH_tot_dt_PAH_each_slfclsn(i); }, true);
}

// A dimer-dimer collision brings four precursor molecules with all their
// hydrogen; one new particle holds min_n_C carbon atoms.
double CSootModel::inception_N_agg_slfclsn_impl() {
    return sum_over_precursors(*this, [this](size_t i) {
        return bind::fdiv(bind::fdiv(bind::at(PAH_n_C, i) * 4, (double)min_n_C) * bind::at(w_inc, i), density);
    });
}

double CSootModel::inception_C_tot_slfclsn_impl() {
    return sum_over_precursors(
        *this, [this](size_t i) { return bind::fdiv(bind::at(PAH_n_C, i) * 4 * bind::at(w_inc, i), density); });
}

double CSootModel::inception_H_tot_slfclsn_impl() {
    return sum_over_precursors(
        *this, [this](size_t i) { return bind::fdiv(bind::at(PAH_n_H, i) * 4 * bind::at(w_inc, i), density); });
}

// ---------------------------------------------------------- lumped balance

void CSootModel::update_dimer_weight_impl() {
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    for (Py_ssize_t i = 0; i < n; ++i)
        bind::at(dimer_weight, i) = csm::dimer_weight_of(omega_PAH_tot, (size_t)n, [&] { return bind::at(omega_PAH, i); });
}

void CSootModel::update_ab_lump_impl() {
    Prefactors p = collision_prefactors(*this);
    csm::ab_lump_of(csm::Checked{*this}, p, {lumpdimer_n_C, lumpdimer_n_H, a_lumpinc, b_lumpcond});
}

void CSootModel::update_lumpdimer__impl() { _lumpdimer_ = steady_dimer(a_lumpinc, b_lumpcond, omega_PAH_tot); }

void CSootModel::update_w_lumpinc_impl() { w_lumpinc = csm::dimer_inception_rate(a_lumpinc, _lumpdimer_); }

void CSootModel::update_w_lumpcond_impl() { w_lumpcond = csm::dimer_condensation_rate(b_lumpcond, _lumpdimer_); }

double CSootModel::dC_tot_dt_PAH_each_slfclsn_lump_impl(bind::SizeT PAH_id) {
    double n_C = bind::at(PAH_n_C, PAH_id);
    return csm::dC_each_slfclsn_lump(n_C, w_lumpcond, bind::at(dimer_weight, PAH_id), density);
}
double CSootModel::dH_tot_dt_PAH_each_slfclsn_lump_impl(bind::SizeT PAH_id) {
    double n_H = bind::at(PAH_n_H, PAH_id);
    return csm::dH_each_slfclsn_lump(n_H, w_lumpcond, bind::at(dimer_weight, PAH_id), density);
}

void CSootModel::PAH_growth_update_slfclsn_lump_impl() {
    update_omega_PAH();
    update_dimer_weight();
    update_ab_lump();
    update_lumpdimer_();
    update_w_lumpinc();
    update_w_lumpcond();
    store_PAH_growth(
        *this, [this](bind::SizeT i) { return dC_tot_dt_PAH_each_slfclsn_lump(i); }, [this](bind::SizeT i) { return dH_tot_dt_PAH_each_slfclsn_lump(i); }, true);
}

double CSootModel::inception_N_agg_slfclsn_lump_impl() {
    return bind::fdiv(bind::fdiv(lumpdimer_n_C * 2, (double)min_n_C) * w_lumpinc, density);
}

double CSootModel::inception_C_tot_slfclsn_lump_impl() { return bind::fdiv(lumpdimer_n_C * 2 * w_lumpinc, density); }

double CSootModel::inception_H_tot_slfclsn_lump_impl() { return bind::fdiv(lumpdimer_n_H * 2 * w_lumpinc, density); }

// ------------------------------------------------------------- scrubbing
// Rates in mol/(m3 s), scrub_wdot in kmol/(m3 s).

namespace {

// Precursor molecules of precursor i taken by dimer-dimer collisions
// (`incepted(i)`) and by condensing dimers (`condensed(i)`), which give the gas
// one H atom per molecule.
template <class I, class C>
void scrub_self_collision_rows(CSootModel& m, I incepted, C condensed) {
    Py_ssize_t n = (Py_ssize_t)m.PAH_indices.size();
    if (m.inception_enabled) {
        bind::Items s(m.scrub_wdot);
        for (Py_ssize_t i = 0; i < n; ++i) s.add(bind::at(m.PAH_indices, i), -(incepted(i) / 1000));
    }
    if (m.growth_enabled && m.growth_PAH_adsorption_enabled) {
        bind::Items s(m.scrub_wdot);
        for (Py_ssize_t i = 0; i < n; ++i) {
            s.add(bind::at(m.PAH_indices, i), -(condensed(i) / 1000));
            s.add(m.H_index, condensed(i) / 1000);
        }
    }
}

}  // namespace

void CSootModel::update_scrub_wdot_PAH_growth_slfclsn_impl() {
    scrub_self_collision_rows(
        *this, [this](Py_ssize_t i) { return bind::at(w_inc, i) * 4; },
        [this](Py_ssize_t i) { return bind::at(w_cond, i) * 2; });
}

void CSootModel::update_scrub_wdot_PAH_growth_slfclsn_lump_impl() {
    scrub_self_collision_rows(
        *this, [this](Py_ssize_t i) { return w_lumpinc * 4 * bind::at(dimer_weight, i); },
        [this](Py_ssize_t i) { return w_lumpcond * 2 * bind::at(dimer_weight, i); });
}

// ------------------------------------------------------ sticking efficiency

void CSootModel::initialize_stick_eff_impl() {
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    for (Py_ssize_t i = 0; i < n; ++i) {
        double M = mw(*this, bind::at(PAH_indices, i));
        bind::at(stick_eff, i) = 15.0 * std::pow(M, 4.0);
    }
}

}  // namespace pyrandel
