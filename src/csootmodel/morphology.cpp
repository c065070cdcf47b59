// CSootModel: gas concentrations, mean free path, diffusion coefficients and
// the morphology of the monodisperse aggregate population. Sizes count the
// carbon mass only; masses and the volume fraction include hydrogen.
#include "../binding/arrays.hpp"  // Python.h first

#include <cmath>

#include "formulas.hpp"

namespace pyrandel {

using bind::fdiv;

// Array element arithmetic: no zero test on mean_MW.
bind::ItemArith CSootModel::molar_density_impl(int index) {
    return {csm::molar_density_at(*this, bind::item(X, index)), X, index, density, mean_MW};
}

double CSootModel::calc_lambda_gas_impl() {
    double nu = fdiv(viscosity, density);
    return nu * std::pow(fdiv(mean_MW * Pi, 2 * kB * Av * T), 0.5);
}

double CSootModel::diffus_coeff_const_impl() { return diffus_coeff_const_val; }

double CSootModel::diffus_coeff_morph_impl() {
    // Cunningham slip correction from the cached mobility diameter and mean free path.
    double Cc = csm::C_S_soot_at(*this, p_d_m);
    return fdiv(T * kB, fdiv(3 * Pi * viscosity * p_d_m, Cc));
}

double CSootModel::dispersion_exponent_impl() { return fdiv(H_tot, C_tot) * 2.339156177 + 0.690753997; }

double CSootModel::volume_fraction_impl() {
    return fdiv((H_tot * MW_hydrogen + C_tot * MW_carbon) * density, rho_soot);
}

double CSootModel::total_mass_impl() { return H_tot * MW_hydrogen + C_tot * MW_carbon; }
double CSootModel::carbon_mass_impl() { return C_tot * MW_carbon; }
double CSootModel::hydrogen_mass_impl() { return H_tot * MW_hydrogen; }

double CSootModel::SSA_impl() {
    double A = A_tot();
    double m = total_mass();
    return fdiv(A, m) / 1000;
}

double CSootModel::V_tot_impl() { return csm::V_tot_of(csm::Checked{*this}); }
double CSootModel::V_p_impl() { return csm::V_p_of(csm::Checked{*this}); }
double CSootModel::d_p_impl() { return csm::d_p_of(csm::Checked{*this}); }
double CSootModel::A_p_impl() { return csm::A_p_of(csm::Checked{*this}); }

double CSootModel::m_p_impl() {
    double c = Pi * rho_soot;
    return c * std::pow(d_p(), 3.0) / 6.0;
}

double CSootModel::n_p_impl() { return csm::n_p_of(csm::Checked{*this}); }
double CSootModel::A_tot_impl() { return csm::A_tot_of(csm::Checked{*this}); }

double CSootModel::A_Ag_impl() {
    double n = n_p();
    double a = A_p();
    return n * a;
}

double CSootModel::V_Ag_impl() { return csm::V_Ag_of(csm::Checked{*this}); }
double CSootModel::m_Ag_impl() { return csm::m_Ag_of(csm::Checked{*this}); }
double CSootModel::d_m_impl() { return csm::d_m_of(csm::Checked{*this}); }
double CSootModel::d_g_impl() { return csm::d_g_of(csm::Checked{*this}); }

}  // namespace pyrandel
