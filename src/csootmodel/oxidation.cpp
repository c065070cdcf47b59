// CSootModel: oxidation of soot by O2 and OH. The per-step rates (the `_alt`
// forms) feed the source terms and the scrubbing; the area-based rates built
// on the surface fluxes are offered to callers.
#include "../binding/arrays.hpp"  // Python.h first

#include <cmath>

#include "sootmodel.hpp"

namespace pyrandel {

using bind::fdiv;

namespace {

// Concentrations below zero (slightly negative mole fractions) count as none.
double clipped(double c) { return 0 > c ? 0.0 : c; }

// Particles with at most one H atom per ten C atoms are not oxidised by the per-step rates.
bool too_carbonised(const CSootModel& m) { return fdiv(m.H_tot, m.C_tot) <= 0.1; }

}  // namespace

double CSootModel::dC_tot_dt_O2_alt_impl() {
    if (too_carbonised(*this)) return 0.0;
    double c = clipped(molar_density(O2_index));
    double k = 2200000.0 * std::exp(fdiv(-3774.53, T));
    // Two carbon atoms leave per O2 reacting at an active site.
    double a = run_d(alpha);
    double sites = c_soot_nought();
    return (-2.0) * a * k * c * sites;
}

double CSootModel::dC_tot_dt_OH_alt_impl() {
    if (too_carbonised(*this)) return 0.0;
    double c = clipped(molar_density(OH_index));
    return c * (-0.13) * N_agg * density;
}

// The per-step model removes no hydrogen by oxidation; a zero C_tot is refused
// as in the carbon rates.
double CSootModel::dH_tot_dt_O2_alt_impl() {
    (void)fdiv(H_tot, C_tot);
    return 0.0;
}

double CSootModel::dH_tot_dt_OH_alt_impl() {
    (void)fdiv(H_tot, C_tot);
    return 0.0;
}

double CSootModel::dC_tot_dt_Ox_impl() { return p_dC_tot_dt_OH + p_dC_tot_dt_O2; }
double CSootModel::dH_tot_dt_Ox_impl() { return p_dH_tot_dt_OH + p_dH_tot_dt_O2; }

double CSootModel::omega_O2_impl() {
    double p = P * bind::item(X, O2_index) / P_atm;  // atm
    // Activation energies in cal/mol.
    double k_a = 20.0 * std::exp(fdiv(-30000, 1.987 * T));
    double k_b = 0.00446 * std::exp(fdiv(-1.52e4, 1.987 * T));
    double k_t = 151000.0 * std::exp(fdiv(-97000, 1.987 * T));
    double k_z = 21.3 * std::exp(fdiv(4100, 1.987 * T));
    double d1 = k_z * p + 1;
    double d2 = fdiv(k_t, k_b) * p + 1;
    return (1 - fdiv(1, d2)) * (k_b * p) + fdiv(fdiv(k_a * 420 * p, d1), d2);
}

double CSootModel::omega_OH_impl() {
    double p = P * bind::item(X, OH_index) / P_atm;  // atm
    double s = std::pow(T, 0.5);
    return fdiv(p * 167.70000000000002, s);  // 0.13 * 1290
}

double CSootModel::dC_tot_dt_O2_impl() {
    if (d_p_min >= p_d_p) return 0.0;
    double w = omega_O2();
    return -w * p_A_tot / MW_carbon;
}

double CSootModel::dC_tot_dt_OH_impl() {
    if (d_p_min >= p_d_p) return 0.0;
    double w = omega_OH();
    return -w * p_A_tot / MW_carbon;
}

// Hydrogen leaves with the carbon at the soot's own H/C ratio: the carbon rate
// of the same oxidant (mol of C) times H_tot/C_tot gives mol of H.
double CSootModel::dH_tot_dt_O2_impl() {
    double HC = fdiv(H_tot, C_tot);
    if (HC <= 0.1) return 0.0;
    if (d_p_min >= p_d_p) return 0.0;
    double w = omega_O2();
    return -w * p_A_tot / MW_carbon * HC;
}

double CSootModel::dH_tot_dt_OH_impl() {
    double HC = fdiv(H_tot, C_tot);
    if (HC <= 0.1) return 0.0;
    if (d_p_min >= p_d_p) return 0.0;
    double w = omega_OH();
    return -w * p_A_tot / MW_carbon * HC;
}

}  // namespace pyrandel
