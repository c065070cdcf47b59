// CSootModel: HACA surface growth with acetylene, the alpha models, the
// steady-state active sites and carbonisation.
#include "sootmodel.hpp"  // Python.h first

#include <cmath>

namespace pyrandel {

using bind::fdiv;
using bind::pymax;
using bind::pymin;

namespace {

double unit_clip(double a) { return pymax(pymin(a, 1.0), 0.0); }

// Concentration of species `index`, negative values counted as zero.
double conc0(CSootModel& m, int index) { return pymax(m.molar_density(index), 0.0); }

// Surface sites per m2 of soot.
constexpr double site_density = 2.3e19;

}  // namespace

double CSootModel::alpha_constant_impl() { return alpha_constant_value; }

double CSootModel::alpha_empirical_impl() {
    // Carbon atoms in one primary particle.
    double c = Pi * rho_soot / 6;
    double n_C = c * std::pow(d_p(), 3.0) * Av / MW_carbon;
    double a = std::tanh((12.65 - 0.00563 * T) / std::log10(n_C) - 1.38 + 0.00068 * T);
    return unit_clip(a);
}

double CSootModel::alpha_ctoh_based_impl() { return unit_clip(fdiv(H_tot, C_tot)); }

double CSootModel::chi_soot_0_impl() {
    double H2 = conc0(*this, H2_index);
    double H = conc0(*this, H_index);
    if (H2 == 0) return 0.0;
    if (!(H / H2 > 0)) return 0.0;
    return pymin(3.833e17 * H / H2, site_density);
}

double CSootModel::beta_soot_C2H2_impl() {
    // Collision of C2H2 (3.48e-10 m added to the diameter) with a primary particle.
    double geo = 2.2 * Pi * std::pow(p_d_p + 3.48e-10, 2.0);
    double th = fdiv(kB * T, 2 * Pi);
    double inv_m = bind::pydiv(1.0, m_p());
    return geo * std::pow(th * (inv_m + 2.506265664160401e25), 0.5);
}

double CSootModel::K_s_impl() { return 80.0 * std::pow(T, 1.56) * std::exp(fdiv(-1912.4, T)); }

double CSootModel::gamma_impl() {
    bind::Ref ar = run(alpha);
    // The product begins with alpha's result: the interpreter's division for a
    // Python number, NumPy's rules for a NumPy scalar.
    const bool py_number = PyFloat_CheckExact(ar.get()) || PyLong_Check(ar.get());
    double a = bind::as_double(ar.get());
    double k = K_s();
    double chi = chi_soot_0();
    double A = A_Ag();
    double num = a * k * chi * A;
    double beta = beta_soot_C2H2();
    return py_number ? bind::pydiv(num, beta * Av) : num / (beta * Av);
}

double CSootModel::dC_tot_dt_HACA_impl() {
    double C2H2 = conc0(*this, C2H2_index);
    double g = gamma();
    double beta = beta_soot_C2H2();
    return 2 * g * beta * C2H2 * N_agg * Av;
}

double CSootModel::c_soot_nought_impl() {
    double H = conc0(*this, H_index);
    double OH = conc0(*this, OH_index);
    double H2 = conc0(*this, H2_index);
    double H2O = conc0(*this, H2O_index);
    double C2H2 = conc0(*this, C2H2_index);
    double O2 = conc0(*this, O2_index);

    double k1f = 4.17e7 * std::exp(fdiv(-6542.52, T));                      // H abstraction by H
    double k1r = 3.9e6 * std::exp(fdiv(-5535.98, T));
    double k2f = 1e4 * std::pow(T, 0.734) * std::exp(fdiv(-719.68, T));     // H abstraction by OH
    double k2r = 368 * std::pow(T, 1.139) * std::exp(fdiv(-8605.94, T));
    double k3 = 2e7;                                                         // H addition to a radical
    double k4 = 80 * std::pow(T, 1.56) * std::exp(fdiv(-1912.43, T));       // C2H2 addition
    double k5 = 2.2e6 * std::exp(fdiv(-3774.53, T));                        // O2 attack

    double num = k1f * H + k2f * OH;
    // The radical sites are a fraction of all sites, so the abstraction terms appear below as well.
    double den = k1r * H2 + k2r * H2O + k3 * H + k4 * C2H2 + k5 * O2 + k1f * H + k2f * OH;
    if (den == 0.0) return 0.0;
    double f = pymin(num / den, 1.0);
    double sites = f < 0 ? 0.0 : site_density * f;
    return fdiv(p_A_tot, Av) * sites;
}

double CSootModel::dC_tot_dt_HACA_alt_impl() {
    double k_add = 80 * std::pow(T, 1.56) * std::exp(fdiv(-1912.43, T));
    double C2H2 = molar_density(C2H2_index);  // unclipped
    double a = run_d(alpha);
    double sites = c_soot_nought();
    return 2 * HACA_prefactor * a * k_add * C2H2 * sites;
}

double CSootModel::dH_tot_dt_HACA_alt_impl() { return 0.125 * dC_tot_dt_HACA_alt(); }

double CSootModel::dH_tot_dt_carb_impl() {
    if (!carbonization_enabled) return 0.0;
    return -H_tot * A_carb * std::exp(fdiv(-Ea_carb, T * R));
}

}  // namespace pyrandel
