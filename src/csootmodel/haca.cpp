// CSootModel: HACA surface growth with acetylene, the alpha models, the
// steady-state active sites and carbonisation.
#include "formulas.hpp"  // Python.h first

#include <cmath>

namespace pyrandel {

using bind::fdiv;
using bind::pymax;
using bind::pymin;

namespace {

// Concentration of species `index`, negative values counted as zero.
double conc0(CSootModel& m, int index) { return csm::c_nonneg(csm::Checked{m}, index); }

using csm::site_density;

}  // namespace

double CSootModel::alpha_constant_impl() { return alpha_constant_value; }

double CSootModel::alpha_empirical_impl() { return csm::alpha_empirical_of(csm::Checked{*this}); }
double CSootModel::alpha_ctoh_based_impl() { return csm::alpha_ctoh_at(*this); }

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

double CSootModel::c_soot_nought_impl() { return csm::c_soot_nought_of(csm::Checked{*this}); }
double CSootModel::dC_tot_dt_HACA_alt_impl() { return csm::dC_tot_dt_HACA_alt_of(csm::Checked{*this}); }
double CSootModel::dH_tot_dt_HACA_alt_impl() { return csm::dH_tot_dt_HACA_alt_of(csm::Checked{*this}); }
double CSootModel::dH_tot_dt_carb_impl() { return csm::dH_tot_dt_carb_at(*this); }

}  // namespace pyrandel
