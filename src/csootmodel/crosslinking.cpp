// PAH-growth variant 4: cross-linking. H abstraction turns precursors into
// radicals, which are lost again to H2, H, their own precursor and soot; the
// radical concentration is taken at steady state. A radical meeting its own
// precursor forms a cross-linked dimer, counted as a new particle; a radical
// meeting an aggregate is adsorbed, adds its precursor less two H atoms to the
// soot and gives those two H atoms to the gas.
#include "../binding/arrays.hpp"  // Python.h first

#include <climits>
#include <cmath>

#include "../physics/constants.hpp"
#include "formulas.hpp"
#include "precursors.hpp"
#include "sootmodel.hpp"

namespace pyrandel {

using bind::Ref;

using csm::as_int_id;

// ------------------------------------------------------------ molecule size

double CSootModel::m_PAH_impl(int PAH_id) {
    int j = bind::at(PAH_indices, PAH_id);
    return bind::Items(MWs).get(j) / Av;
}

double CSootModel::d_PAH_impl(int PAH_id) {
    double nC = bind::at(PAH_n_C, PAH_id);
    double nH = bind::at(PAH_n_H, PAH_id);
    double rho = csm::PAH_density(*this, nC, nH);
    double m = m_PAH(PAH_id);
    return csm::PAH_diameter(*this, m, rho);
}

// ---------------------------------------------------------- rate coefficients

double CSootModel::k_f3_crosslinking_impl(int PAH_id) { return csm::k_f3_of(csm::Checked{*this}, PAH_id); }
double CSootModel::k_f4_crosslinking_impl(int PAH_id) { return csm::k_f4_of(csm::Checked{*this}, PAH_id); }

// Steady-state radical concentration: formation by H abstraction, loss to H2
// (reverse), H addition, cross-linking with its precursor and adsorption on soot.
bind::NpFloat CSootModel::PAH_radical_impl(int PAH_id) { return csm::PAH_radical_of(csm::Checked{*this}, PAH_id); }

// ------------------------------------------------------------ per-step update

void CSootModel::update_PAH_radical_impl() {
    int n = as_int_id(PAH_indices.size());
    for (int i = 0; i < n; ++i) {
        double r = PAH_radical(i);
        bind::at(p_PAH_radical_, i) = r;
    }
}

bind::NpFloat CSootModel::ROP_dimer_crosslinking_impl(int PAH_id) {
    return csm::ROP_crosslinking_of(csm::Checked{*this}, PAH_id);
}

void CSootModel::update_ROP_crosslinking_impl() {
    int n = as_int_id(PAH_indices.size());
    for (int i = 0; i < n; ++i) {
        double v = bind::pymax(ROP_dimer_crosslinking(i), 0.0);
        bind::Items(p_ROP).set(i, v);
    }
}

double CSootModel::PAH_adsorption_rate_impl(int PAH_id) {
    return csm::PAH_adsorption_rate_of(csm::Checked{*this}, PAH_id);
}
double CSootModel::dC_tot_dt_PAH_each_crosslinking_impl(bind::SizeT PAH_id) {
    return csm::dC_each_crosslinking_of(csm::Checked{*this}, PAH_id.v);
}
double CSootModel::dH_tot_dt_PAH_each_crosslinking_impl(bind::SizeT PAH_id) {
    return csm::dH_each_crosslinking_of(csm::Checked{*this}, PAH_id.v);
}

void CSootModel::PAH_growth_update_crosslinking_impl() {
    update_PAH_radical();
    update_ROP_crosslinking();
    store_PAH_growth(
        *this, [this](bind::SizeT i) { return dC_tot_dt_PAH_each_crosslinking(i); }, [this](bind::SizeT i) { return dH_tot_dt_PAH_each_crosslinking(i); }, true);
}

// ---------------------------------------------------------------- inception
// Each dimer holds two precursor molecules and is one new particle of min_n_C
// carbon atoms. p_ROP elements are NumPy numbers: the division by the density
// follows IEEE rules.

namespace {

// Sum of f(i) over the precursors: a sum of NumPy elements once there is one.
template <class F>
bind::NpFloat sum_of_elements(const CSootModel& m, F f) {
    return {sum_over_precursors(m, f), !m.PAH_indices.empty()};
}

}  // namespace

bind::NpFloat CSootModel::inception_N_agg_crosslinking_impl() {
    return sum_of_elements(*this, [this](size_t i) {
        return bind::fdiv(bind::at(PAH_n_C, i) * 2, (double)min_n_C) * bind::item(p_ROP, (Py_ssize_t)i) / density;
    });
}
bind::NpFloat CSootModel::inception_C_tot_crosslinking_impl() {
    return sum_of_elements(
        *this, [this](size_t i) { return 2 * bind::at(PAH_n_C, i) * bind::item(p_ROP, (Py_ssize_t)i) / density; });
}
bind::NpFloat CSootModel::inception_H_tot_crosslinking_impl() {
    return sum_of_elements(
        *this, [this](size_t i) { return 2 * bind::at(PAH_n_H, i) * bind::item(p_ROP, (Py_ssize_t)i) / density; });
}

// ---------------------------------------------------------------- scrubbing
// Rates in mol/(m3 s), scrub_wdot in kmol/(m3 s).

void CSootModel::update_scrub_wdot_PAH_growth_crosslinking_impl() {
    int n = as_int_id(PAH_indices.size());
    if (inception_enabled && n > 0) {
        bind::Items s(scrub_wdot);
        bind::Items rop(p_ROP);
        for (int i = 0; i < n; ++i) s.add(bind::at(PAH_indices, i), -(2 * rop.get(i) / 1000));
    }
    if (growth_enabled && growth_PAH_adsorption_enabled) {
        bind::Items w(scrub_wdot), mw(MWs);
        // The rate is a pure function of the model's state as long as no override
        // runs and the writes into scrub_wdot cannot reach the molar masses it reads:
        // then one view and one rate serve both rows; otherwise each row reads
        // the field and asks for the rate afresh.
        const bool pure = w.viewed() && mw.viewed() && !w.overlaps(mw) && runs_own_bodies();
        auto add = [&](int k, double d) {
            if (pure) w.add(k, d);
            else bind::Items(scrub_wdot).add(k, d);
        };
        for (int i = 0; i < n; ++i) {
            int j = bind::at(PAH_indices, i);
            double a = PAH_adsorption_rate(i);
            add(j, -(a / 1000.0));
            double b = pure ? a : PAH_adsorption_rate(i);
            add(H_index, 2 * b / 1000.0);
        }
    }
}

// ------------------------------------------------------------------- sizing

void CSootModel::create_PAH_dimer_crosslinking_impl() {
    size_t n = PAH_indices.size();
    p_k_f_soot_PAH.resize(n);
    p_dC_tot_dt_PAH_each.resize(n);
    p_dH_tot_dt_PAH_each.resize(n);
    p_ROP = bind::zeros((Py_ssize_t)n);
    p_PAH_radical_.resize(n);
}

}  // namespace pyrandel
