// CSootModel: gas concentrations, mean free path, diffusion coefficients and
// the morphology of the monodisperse aggregate population. Sizes count the
// carbon mass only; masses and the volume fraction include hydrogen.
#include "../binding/arrays.hpp"  // Python.h first

#include <cmath>

#include "sootmodel.hpp"

namespace pyrandel {

using bind::fdiv;

// Array element arithmetic: no zero test on mean_MW.
bind::ItemArith CSootModel::molar_density_impl(int index) {
    return {bind::item(X, index) * density / mean_MW, X, index, density, mean_MW};
}

double CSootModel::calc_lambda_gas_impl() {
    double nu = fdiv(viscosity, density);
    return nu * std::pow(fdiv(mean_MW * Pi, 2 * kB * Av * T), 0.5);
}

double CSootModel::diffus_coeff_const_impl() { return diffus_coeff_const_val; }

double CSootModel::diffus_coeff_morph_impl() {
    // Cunningham slip correction from the cached mobility diameter and mean free path.
    double Kn = fdiv(2 * p_lambda_gas, p_d_m);
    double Cc = 1 + Kn * (1.21 + 0.4 * std::exp(fdiv(-0.78 * p_d_m, p_lambda_gas)));
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

double CSootModel::V_tot_impl() { return fdiv(C_tot * MW_carbon, rho_soot); }

double CSootModel::V_p_impl() {
    double V = V_tot();
    return fdiv(V, N_pri * Av);
}

double CSootModel::d_p_impl() { return std::pow(6.0 * V_p() / Pi, 0.3333333333333334); }

double CSootModel::A_p_impl() {
    double V = V_p();
    return Pi * std::pow(6.0 * V / Pi, 0.6666666666666667);
}

double CSootModel::m_p_impl() {
    double c = Pi * rho_soot;
    return c * std::pow(d_p(), 3.0) / 6.0;
}

double CSootModel::n_p_impl() { return fdiv(N_pri, N_agg); }

double CSootModel::A_tot_impl() {
    double n = N_pri * Av;
    return n * A_p();
}

double CSootModel::A_Ag_impl() {
    double n = n_p();
    double a = A_p();
    return n * a;
}

double CSootModel::V_Ag_impl() {
    double V = V_tot();
    return fdiv(V, N_agg * Av);
}

double CSootModel::m_Ag_impl() {
    double V = V_Ag();
    return V * rho_soot;
}

double CSootModel::d_m_impl() {
    double d = d_p();
    double dn = d * std::pow(n_p(), 0.45);
    return dn > d ? dn : d;
}

double CSootModel::d_g_impl() {
    double n = n_p();
    if (n > 1.5) return d_m() / (std::pow(n, -0.2) + 0.4);
    return d_m() / 1.29;
}

}  // namespace pyrandel
