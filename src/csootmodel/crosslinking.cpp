// PAH-growth variant 4: cross-linking. H abstraction turns precursors into
// radicals, which are lost again to H2, H, their own precursor and soot; the
// radical concentration is taken at steady state. A radical meeting its own
// precursor forms a cross-linked dimer, counted as a new particle; a radical
// meeting an aggregate is adsorbed, adds its precursor less two H atoms to the
// soot and gives those two H atoms to the gas.
#include "../binding/arrays.hpp"  // Python.h first

#include <climits>
#include <cmath>

#include "../lib/constants.hpp"
#include "precursors.hpp"
#include "sootmodel.hpp"

namespace pyrandel {

using bind::Ref;

namespace {

// A precursor position taken as a size, handed on to an int parameter.
inline int as_int_id(size_t i) {
    if (i > (size_t)INT_MAX) bind::raise(PyExc_OverflowError, "value too large to convert to int");
    return (int)i;
}

}  // namespace

// ------------------------------------------------------------ molecule size

double CSootModel::m_PAH_impl(int PAH_id) {
    int j = bind::at(PAH_indices, PAH_id);
    return bind::Items(MWs).get(j) / Av;
}

double CSootModel::d_PAH_impl(int PAH_id) {
    double nC = bind::at(PAH_n_C, PAH_id);
    double nH = bind::at(PAH_n_H, PAH_id);
    // mean molar mass per atom times 171943.5197 mol of atoms per m3
    double rho = bind::fdiv((nC * MW_carbon + nH * MW_hydrogen) * 171943.5197, nC + nH);
    double m = m_PAH(PAH_id);
    return std::pow(bind::fdiv(6 * bind::fdiv(m, rho), Pi), 1.0 / 3.0);
}

// ---------------------------------------------------------- rate coefficients

double CSootModel::k_f3_crosslinking_impl(int PAH_id) {
    double mu = reduced_m(PAH_id, PAH_id);
    double v = std::pow(bind::fdiv(8 * Pi * kB * T, mu), 0.5);
    double f = cross_k_f3_prefactor * 2.2;
    double d = d_PAH(PAH_id);
    return v * f * Av * std::pow(2 * d, 2.0);
}

double CSootModel::k_f4_crosslinking_impl(int PAH_id) {
    double eff = adsorb_eff;
    return eff * k_f_soot_PAH(PAH_id);
}

// Steady-state radical concentration: formation by H abstraction, loss to H2
// (reverse), H addition, cross-linking with its precursor and adsorption on soot.
bind::NpFloat CSootModel::PAH_radical_impl(int PAH_id) {
    double k_1f = std::pow(T, 1.84) * (bind::at(PAH_n_C, PAH_id) * 98 * cross_k_f1_prefactor) *
                  std::exp(bind::fdiv(-62886.6, R * T));
    double k_1r = std::pow(T, 2.63) * (cross_k_r1_prefactor * 0.016) * std::exp(bind::fdiv(-17837.4, k.R_const * T));
    double k_2f = std::pow(T, 0.13) * (Av * 8.079999999999999e-17 * cross_k_f2_prefactor);
    double k_3 = k_f3_crosslinking(PAH_id);
    double k_4 = k_f4_crosslinking(PAH_id);
    double c_PAH = bind::pymax(molar_density(bind::at(PAH_indices, PAH_id)), 0.0);
    double c_H2 = bind::pymax(molar_density(H2_index), 0.0);
    double c_H = bind::pymax(molar_density(H_index), 0.0);
    double denom = c_H2 * k_1r + k_2f * c_H + c_PAH * k_3 + N_agg * density * k_4;
    if (!(denom > 0)) return {0.0, false};
    return c_PAH * k_1f * c_H / denom;
}

// ------------------------------------------------------------ per-step update

void CSootModel::update_PAH_radical_impl() {
    int n = as_int_id(PAH_indices.size());
    for (int i = 0; i < n; ++i) {
        double r = PAH_radical(i);
        bind::at(p_PAH_radical_, i) = r;
    }
}

bind::NpFloat CSootModel::ROP_dimer_crosslinking_impl(int PAH_id) {
    double k_3 = k_f3_crosslinking(PAH_id);
    double r = bind::at(p_PAH_radical_, PAH_id);
    double md = molar_density(bind::at(PAH_indices, PAH_id));
    // A negative concentration is replaced by the plain float 0.0.
    return {k_3 * r * bind::pymax(md, 0.0), !(0.0 > md)};
}

void CSootModel::update_ROP_crosslinking_impl() {
    int n = as_int_id(PAH_indices.size());
    for (int i = 0; i < n; ++i) {
        double v = bind::pymax(ROP_dimer_crosslinking(i), 0.0);
        bind::Items(p_ROP).set(i, v);
    }
}

double CSootModel::PAH_adsorption_rate_impl(int PAH_id) {
    double k_4 = k_f4_crosslinking(PAH_id);
    double r = bind::at(p_PAH_radical_, PAH_id);
    return k_4 * r * (N_agg * density);
}

double CSootModel::dC_tot_dt_PAH_each_crosslinking_impl(bind::SizeT PAH_id) {
    double nC = bind::at(PAH_n_C, PAH_id);
    double rate = PAH_adsorption_rate(as_int_id(PAH_id));
    return bind::fdiv(nC * rate, density);
}

double CSootModel::dH_tot_dt_PAH_each_crosslinking_impl(bind::SizeT PAH_id) {
    double nH = bind::at(PAH_n_H, PAH_id);
    double rate = PAH_adsorption_rate(as_int_id(PAH_id));
    return bind::fdiv((nH - 2) * rate, density);
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

bind::NpFloat CSootModel::inception_N_agg_crosslinking_impl() {
    return {sum_over_precursors(*this, [this](size_t i) {
        return bind::fdiv(bind::at(PAH_n_C, i) * 2, (double)min_n_C) * bind::item(p_ROP, (Py_ssize_t)i) / density;
    }),
            !PAH_indices.empty()};  // a sum of NumPy elements once there is one
}

bind::NpFloat CSootModel::inception_C_tot_crosslinking_impl() {
    return {sum_over_precursors(
        *this, [this](size_t i) { return 2 * bind::at(PAH_n_C, i) * bind::item(p_ROP, (Py_ssize_t)i) / density; }),
            !PAH_indices.empty()};  // a sum of NumPy elements once there is one
}

bind::NpFloat CSootModel::inception_H_tot_crosslinking_impl() {
    return {sum_over_precursors(
        *this, [this](size_t i) { return 2 * bind::at(PAH_n_H, i) * bind::item(p_ROP, (Py_ssize_t)i) / density; }),
            !PAH_indices.empty()};  // a sum of NumPy elements once there is one
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
        // runs and the writes into scrub_wdot cannot reach the molar masses it reads.
        if (w.viewed() && mw.viewed() && !w.overlaps(mw) && runs_own_bodies()) {
            for (int i = 0; i < n; ++i) {
                int j = bind::at(PAH_indices, i);
                double a = PAH_adsorption_rate(i);
                w.add(j, -(a / 1000.0));
                w.add(H_index, 2 * a / 1000.0);
            }
            return;
        }
        for (int i = 0; i < n; ++i) {
            int j = bind::at(PAH_indices, i);
            double a = PAH_adsorption_rate(i);
            bind::Items(scrub_wdot).add(j, -(a / 1000.0));
            double b = PAH_adsorption_rate(i);
            bind::Items(scrub_wdot).add(H_index, 2 * b / 1000.0);
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
