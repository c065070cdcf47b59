// CSootModel: oxidation of soot by O2 and OH. The per-step rates (the `_alt`
// forms) feed the source terms and the scrubbing; the area-based rates built
// on the surface fluxes are offered to callers.
#include "../binding/arrays.hpp"  // Python.h first

#include <cmath>

#include "formulas.hpp"

namespace pyrandel {

using bind::fdiv;

double CSootModel::dC_tot_dt_O2_alt_impl() { return csm::dC_tot_dt_O2_alt_of(csm::Checked{*this}); }
double CSootModel::dC_tot_dt_OH_alt_impl() { return csm::dC_tot_dt_OH_alt_of(csm::Checked{*this}); }
double CSootModel::dH_tot_dt_O2_alt_impl() { return csm::dH_tot_dt_Ox_alt_at(*this); }
double CSootModel::dH_tot_dt_OH_alt_impl() { return csm::dH_tot_dt_Ox_alt_at(*this); }

double CSootModel::dC_tot_dt_Ox_impl() { return csm::oxidation_C_at(*this); }
double CSootModel::dH_tot_dt_Ox_impl() { return csm::oxidation_H_at(*this); }

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

namespace {

// Carbon removed at an oxidant's surface flux omega(); none from particles at
// or below the smallest size.
template <class W>
double surface_oxidation(const CSootModel& m, W omega) {
    if (m.d_p_min >= m.p_d_p) return 0.0;
    double w = omega();
    return -w * m.p_A_tot / m.MW_carbon;
}

// Hydrogen leaves with the carbon at the soot's own H/C ratio: the carbon rate
// of the same oxidant (mol of C) times H_tot/C_tot gives mol of H.
template <class W>
double surface_oxidation_H(const CSootModel& m, W omega) {
    double HC = fdiv(m.H_tot, m.C_tot);
    if (HC <= 0.1) return 0.0;
    return surface_oxidation(m, omega) * HC;
}

}  // namespace

double CSootModel::dC_tot_dt_O2_impl() { return surface_oxidation(*this, [this] { return omega_O2(); }); }
double CSootModel::dC_tot_dt_OH_impl() { return surface_oxidation(*this, [this] { return omega_OH(); }); }
double CSootModel::dH_tot_dt_O2_impl() { return surface_oxidation_H(*this, [this] { return omega_O2(); }); }
double CSootModel::dH_tot_dt_OH_impl() { return surface_oxidation_H(*this, [this] { return omega_OH(); }); }

}  // namespace pyrandel
