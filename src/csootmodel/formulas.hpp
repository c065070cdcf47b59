// CSootModel: each formula of the step written once, over how it reads its
// inputs. `Checked` reads through the methods (a Python override is seen, each
// read in the order the formula makes it) and backs the Python-visible bodies;
// the fused step (step.cpp) reads the values it computed once this step. Both
// divide with the zero tests, so a failure on the fused route abandons it.
#pragma once

#include "../binding/arrays.hpp"  // Python.h first

#include <climits>
#include <cmath>

#include "../physics/constants.hpp"
#include "sootmodel.hpp"

namespace pyrandel::csm {

using bind::fdiv;
using bind::pydiv;
using bind::pymax;
using bind::pymin;

// ------------------------------------------------------------- the reads

struct RadicalTerms;

// Mass of one molecule of molar mass M, kg.
inline double molecule_mass(const CSootModel& m, double M) { return M / m.Av; }
// Bulk density of a precursor molecule from its composition, kg/m3 (a mean molar
// mass per atom times 171943.5197 mol of atoms per m3).
inline double PAH_density(const CSootModel& m, double n_C, double n_H) {
    return fdiv((n_C * m.MW_carbon + n_H * m.MW_hydrogen) * 171943.5197, n_C + n_H);
}
// Diameter of a sphere of mass `mass` and density `rho`, m.
inline double PAH_diameter(const CSootModel& m, double mass, double rho) {
    return std::pow(fdiv(fdiv(mass, rho) * 6, m.Pi), 0.3333333333333333);
}
// Diameter of a molecule of precursor i of mass `mass`.
inline double PAH_diameter_at(const CSootModel& m, Py_ssize_t i, double mass) {
    double n_C = bind::at(m.PAH_n_C, i);
    double n_H = bind::at(m.PAH_n_H, i);
    return PAH_diameter(m, mass, PAH_density(m, n_C, n_H));
}

// A precursor position taken as a size, handed on to an int parameter.
inline int as_int_id(size_t i) {
    if (i > (size_t)INT_MAX) bind::raise(PyExc_OverflowError, "value too large to convert to int");
    return (int)i;
}

// Inputs through the model's methods and fields, for the method-by-method route.
struct Checked {
    CSootModel& m;
    // Morphology.
    double V_tot() { return m.V_tot(); }
    double V_p() { return m.V_p(); }
    double d_p() { return m.d_p(); }
    double n_p() { return m.n_p(); }
    double d_m() { return m.d_m(); }
    double A_p() { return m.A_p(); }
    double V_Ag() { return m.V_Ag(); }
    // The step's stored morphology.
    double p_d_g() const { return m.p_d_g; }
    double p_A_tot() const { return m.p_A_tot; }
    // Gas concentrations and molar masses.
    double c(int index) { return m.molar_density(index); }
    double c_PAH(Py_ssize_t i) { return m.molar_density(bind::at(m.PAH_indices, i)); }
    // Precursor i's concentration in two reads: its gas index, then the concentration.
    int PAH_gas(Py_ssize_t i) const { return bind::at(m.PAH_indices, i); }
    double c_of(int g) { return m.molar_density(g); }
    double MW(int g) const { return bind::Items(m.MWs).get(g); }
    void MW_pair(int i, int j, double& M_i, double& M_j) const {
        bind::Items mw(m.MWs);
        M_i = mw.get(bind::at(m.PAH_indices, i));
        M_j = mw.get(bind::at(m.PAH_indices, j));
    }
    double M_PAH(Py_ssize_t i) const {
        bind::Items mw(m.MWs);
        return mw.get(bind::at(m.PAH_indices, i));
    }
    // Molecule sizes.
    double mass(Py_ssize_t i) const {
        int g = bind::at(m.PAH_indices, i);
        return molecule_mass(m, MW(g));
    }
    double diameter(Py_ssize_t i, double mass) const { return PAH_diameter_at(m, i, mass); }
    double diameter(Py_ssize_t i) const { return diameter(i, mass(i)); }
    double d_PAH(int i) { return m.d_PAH(i); }
    double reduced_m(int i, int j) { return m.reduced_m(i, j); }
    double reduced_d(int i, int j) { return m.reduced_d(i, j); }
    // Per-step terms, computed where they are used.
    double inv_m_Ag() { return pydiv(1.0, m.m_Ag()); }
    double diffusion() const;
    double C_S_soot_m() { return m.C_S_soot(m.p_d_m); }
    double inv_V_Ag() { return pydiv(1.0, m.V_Ag()); }
    double C_S_soot(double d) { return m.C_S_soot(d); }
    double k_REAC() { return m.k_REAC(); }
    double k_PAH() { return m.k_PAH(); }
    // Dimer and adsorption kinetics.
    double k_FWD(int i, int j) { return m.k_FWD(i, j); }
    double k_REV(int i, int j) { return m.k_REV(i, j); }
    double k_nuc(int i, int j) {
        bind::Ref k = m.vtab->k_nuc_irrevd(&m, bind::py(i).get(), bind::py(j).get());
        return bind::as_double(k.get());
    }
    double phy_dimer(Py_ssize_t b) const { return bind::at(m.p_phy_dimer_, b); }
    double beta_fm_soot_PAH(int i) { return m.beta_fm_soot_PAH(i); }
    double beta_cont_soot_PAH(int i) { return m.beta_cont_soot_PAH(i); }
    double k_f_soot_PAH(int i) { return m.k_f_soot_PAH(i); }
    double k_f_stored(Py_ssize_t i) const { return bind::at(m.p_k_f_soot_PAH, i); }
    double k_r_stored(Py_ssize_t i) const { return bind::at(m.p_k_r_soot_PAH, i); }
    double star_stored(Py_ssize_t i) const { return bind::at(m.p_soot_PAH_star, i); }
    // Cross-linking.
    double k_f3(int i) { return m.k_f3_crosslinking(i); }
    double k_f4(int i) { return m.k_f4_crosslinking(i); }
    double radical(Py_ssize_t i) const { return bind::at(m.p_PAH_radical_, i); }
    double PAH_adsorption_rate(size_t i) { return m.PAH_adsorption_rate(as_int_id(i)); }
    RadicalTerms radical_terms() const;
    double c_H2();
    double c_H();
    // Self-collision.
    double weight(size_t i) const { return bind::at(m.dimer_weight, i); }
    // HACA and oxidation.
    double alpha() { return m.run_d(m.alpha); }
    double c_soot_nought() { return m.c_soot_nought(); }
    double dC_tot_dt_HACA_alt() { return m.dC_tot_dt_HACA_alt(); }
};



// ------------------------------------------------------------- morphology
// Sizes count the carbon mass only.

template <class A>
double V_tot_of(A&& a) { return fdiv(a.m.C_tot * a.m.MW_carbon, a.m.rho_soot); }
template <class A>
double V_p_of(A&& a) {
    double V = a.V_tot();
    return fdiv(V, a.m.N_pri * a.m.Av);
}
template <class A>
double d_p_of(A&& a) { return std::pow(6.0 * a.V_p() / a.m.Pi, 0.3333333333333334); }
template <class A>
double A_p_of(A&& a) {
    double V = a.V_p();
    return a.m.Pi * std::pow(6.0 * V / a.m.Pi, 0.6666666666666667);
}
template <class A>
double n_p_of(A&& a) { return fdiv(a.m.N_pri, a.m.N_agg); }
template <class A>
double A_tot_of(A&& a) {
    double n = a.m.N_pri * a.m.Av;
    return n * a.A_p();
}
template <class A>
double V_Ag_of(A&& a) {
    double V = a.V_tot();
    return fdiv(V, a.m.N_agg * a.m.Av);
}
template <class A>
double m_Ag_of(A&& a) {
    double V = a.V_Ag();
    return V * a.m.rho_soot;
}
template <class A>
double d_m_of(A&& a) {
    double d = a.d_p();
    double dn = d * std::pow(a.n_p(), 0.45);
    return dn > d ? dn : d;
}
template <class A>
double d_g_of(A&& a) {
    double n = a.n_p();
    if (n > 1.5) return a.d_m() / (std::pow(n, -0.2) + 0.4);
    return a.d_m() / 1.29;
}

// Molar concentration of gas species `index`, mol/m3 (no zero test on mean_MW).
inline double molar_density_at(const CSootModel& m, double X) { return X * m.density / m.mean_MW; }

// Concentration of gas species `index`, negative values counted as none.
template <class A>
double c_nonneg(A&& a, int index) { return pymax(a.c(index), 0.0); }
inline double Checked::c_H2() { return c_nonneg(*this, m.H2_index); }
inline double Checked::c_H() { return c_nonneg(*this, m.H_index); }

// Rarefaction (slip) correction at diameter d.
inline double C_S_soot_at(const CSootModel& m, double d) {
    double lam = m.p_lambda_gas;
    return 1 + fdiv(2 * lam, d) * (1.21 + 0.4 * std::exp(fdiv(-0.78 * d, lam)));
}

// ------------------------------------------------- dimers and adsorption

// A formation rate never goes below zero; NaN passes.
inline double nonneg_rate(double r) { return r < 0.0 ? 0.0 : r; }

template <class A>
double reduced_m_of(A&& a, int i, int j) {
    double m_i = a.mass(i);
    double m_j = a.mass(j);
    return fdiv(m_i * m_j, m_i + m_j);
}
template <class A>
double reduced_d_of(A&& a, int i, int j) {
    double d_i = a.diameter(i);
    double d_j = a.diameter(j);
    return fdiv(2 * d_i * d_j, d_i + d_j);
}

// Collision frequency of the pair, with NumPy's full pi.
template <class A>
double k_FWD_of(A&& a, int i, int j) {
    const CSootModel& m = a.m;
    double d = a.reduced_d(i, j);
    double mu = a.reduced_m(i, j);
    return std::pow(d, 2.0) * (m.k_FWD_prefactor * 2.2 * 0.1 * m.Av) *
           std::pow(pydiv(8.0 * M_PI * m.kB * m.T, mu), 0.5);
}

// Desorption against a binding energy from the molar masses, J/mol.
inline double desorption(const CSootModel& m, double k, double M_i, double M_j) {
    double E = 933420.0 * (M_i * M_j) / (M_i + M_j) - 34053.0;
    return k * std::pow(10.0, -1.8) * std::exp(E * (-0.115) * std::log(10.0) / (m.T * m.R));
}
template <class A>
double k_REV_of(A&& a, int i, int j) {
    double kf = a.k_FWD(i, j);
    double M_i, M_j;
    a.MW_pair(i, j, M_i, M_j);
    return desorption(a.m, kf, M_i, M_j);
}

inline double k_REAC_at(const CSootModel& m) {
    return (m.K_REACT_prefactor * 5e6) * std::exp(fdiv(-(m.Ea_REACT_prefactor * 96232), m.T * m.R));
}
inline double k_PAH_at(const CSootModel& m) {
    return (m.K_PAH_ADS_prefactor * 2e10) * std::exp(fdiv(-(m.Ea_PAH_ADS_prefactor * 96232), m.T * m.R));
}

// Steady physical dimers of precursors i and j: k_FWD(i, j)·c_i·c_j over their losses.
template <class A>
double forward_dimerisation_of(A&& a, int i, int j) {
    double kf = a.k_FWD(i, j);
    double c_i = a.c_PAH(i);
    double c_j = a.c_PAH(j);
    return kf * c_i * c_j;
}
template <class A>
double phy_dimer_of(A&& a, int i, int j) {
    double num = forward_dimerisation_of(a, i, j);
    double kr = a.k_REV(i, j);
    double kreac = a.k_REAC();
    return fdiv(num, kr + kreac);
}
template <class A>
double ROP_dimer_of(A&& a, int b) {
    double k = a.k_REAC();
    return k * a.phy_dimer(b);
}

// Free-molecular soot-PAH collision kernel, m3/s.
template <class A>
double beta_fm_of(A&& a, int i) {
    const CSootModel& m = a.m;
    double mass = a.mass(i);
    double d = a.diameter(i, mass);
    double inv_m_Ag = a.inv_m_Ag();
    double inv_m = fdiv(1, mass);
    return std::pow(d + a.p_d_g(), 2.0) * (std::pow(m.Pi * m.kB * m.T * 0.5 * (inv_m_Ag + inv_m), 0.5) * 2.2);
}
inline double soot_PAH_diffusion(const CSootModel& m) { return fdiv(2 * m.kB * m.T, m.viscosity * 3); }
inline double Checked::diffusion() const { return soot_PAH_diffusion(m); }
// Continuum kernel; the slip of the particle taken at its mobility diameter.
template <class A>
double beta_cont_of(A&& a, int i) {
    double d = a.diameter(i);
    double diff = a.diffusion();
    double cs_soot = a.C_S_soot_m();
    double cs_pah = a.C_S_soot(d);
    return diff * (cs_soot / a.p_d_g() + cs_pah / d) * (d + a.p_d_g());
}
// Harmonic blend of the free-molecular and continuum kernels.
template <class A>
double k_f_soot_PAH_of(A&& a, int i) {
    double fm = a.beta_fm_soot_PAH(i);
    double cont = a.beta_cont_soot_PAH(i);
    return fdiv(fm * cont, fm + cont) * a.m.Av;
}
// Desorption of the complex, against the binding energy of the precursor on a
// particle of the aggregate's carbon mass.
template <class A>
double k_r_soot_PAH_of(A&& a, int i) {
    const CSootModel& m = a.m;
    double m_s = fdiv(m.C_tot * m.MW_carbon, m.N_agg);
    double kf = a.k_f_stored(i);
    double M = a.M_PAH(i);
    return desorption(m, kf, m_s, M);
}
template <class A>
double soot_PAH_star_of(A&& a, Py_ssize_t i) {
    const CSootModel& m = a.m;
    auto g = a.PAH_gas(i);
    double kf = a.k_f_stored(i);
    double c = a.c_of(g);
    double num = m.N_agg * m.density * kf * pymax(c, 0.0);
    double kr = a.k_r_stored(i);
    double kp = a.k_PAH();
    return num / (kr + kp);
}
// Adsorption through the complex adds the precursor's carbon and all but two
// of its hydrogen atoms: `atoms` of them (read first).
template <class A>
double adsorbed_reactived_of(A&& a, Py_ssize_t i, double atoms) {
    double kp = a.k_PAH();
    return atoms * kp * a.star_stored(i) / a.m.density;
}
template <class A>
double dC_each_reactived_of(A&& a, Py_ssize_t i) { return adsorbed_reactived_of(a, i, bind::at(a.m.PAH_n_C, i)); }
template <class A>
double dH_each_reactived_of(A&& a, Py_ssize_t i) { return adsorbed_reactived_of(a, i, bind::at(a.m.PAH_n_H, i) - 2); }

// Sum of an array in index order from 0.0 (dC_tot_dt_PAH, dH_tot_dt_PAH).
inline double sum_in_order(const bind::Vec<double>& v) {
    double acc = 0.0;
    for (double x : v) acc += x;
    return acc;
}

// ------------------------------------------------ irreversible dimerisation

// Collision rate of two precursor molecules, m3/(mol s), with the model's Pi.
template <class A>
double k_nuc_of(A&& a, int i, int j) {
    const CSootModel& m = a.m;
    double d = a.reduced_d(i, j);
    double mu = a.reduced_m(i, j);
    return std::pow(d, 2.0) * (m.Av * 2.2) * std::pow(fdiv(m.Pi * 8.0 * m.kB * m.T, mu), 0.5);
}
template <class A>
double ROP_irrevd_of(A&& a, int i, int j) {
    double c_i = a.c_PAH(i);
    double c_j = a.c_PAH(j);
    double k = a.k_nuc(i, j);
    return nonneg_rate(k * c_i * c_j);
}
// Carbon and hydrogen added by direct adsorption share one rate constant: the
// precursor's C atoms, or its H atoms less the two released (read first).
template <class A>
double adsorbed_irrevd_of(A&& a, Py_ssize_t i, double atoms) {
    const CSootModel& m = a.m;
    double k = a.k_f_soot_PAH((int)i);
    double c = pymax(a.c_PAH(i), 0.0);
    return pydiv(atoms * k * (m.N_agg * m.density) * c, m.density);
}
template <class A>
double dC_each_irrevd_of(A&& a, Py_ssize_t i) { return adsorbed_irrevd_of(a, i, bind::at(a.m.PAH_n_C, i)); }
template <class A>
double dH_each_irrevd_of(A&& a, Py_ssize_t i) { return adsorbed_irrevd_of(a, i, bind::at(a.m.PAH_n_H, i) - 2); }

// ------------------------------------------------------------ cross-linking

template <class A>
double k_f3_of(A&& a, int i) {
    const CSootModel& m = a.m;
    double mu = a.reduced_m(i, i);
    double v = std::pow(fdiv(8 * m.Pi * m.kB * m.T, mu), 0.5);
    double f = m.cross_k_f3_prefactor * 2.2;
    double d = a.d_PAH(i);
    return v * f * m.Av * std::pow(2 * d, 2.0);
}
template <class A>
double k_f4_of(A&& a, int i) {
    double eff = a.m.adsorb_eff;
    return eff * a.k_f_soot_PAH(i);
}

// The temperature terms of the radical balance.
struct RadicalTerms {
    double T184, e1, k_1r, k_2f;
};
inline RadicalTerms radical_terms(const CSootModel& m) {
    const double T = m.T;
    return {std::pow(T, 1.84), std::exp(fdiv(-62886.6, m.R * T)),
            std::pow(T, 2.63) * (m.cross_k_r1_prefactor * 0.016) * std::exp(fdiv(-17837.4, constants.R_const * T)),
            std::pow(T, 0.13) * (m.Av * 8.079999999999999e-17 * m.cross_k_f2_prefactor)};
}
// Steady-state radical concentration: formation by H abstraction, loss to H2
// (reverse), H addition, cross-linking with its precursor and adsorption on soot.
template <class A>
bind::NpFloat PAH_radical_of(A&& a, int i) {
    const CSootModel& m = a.m;
    double n_C = bind::at(m.PAH_n_C, i);
    const RadicalTerms t = a.radical_terms();
    double k_1f = t.T184 * (n_C * 98 * m.cross_k_f1_prefactor) * t.e1;
    double k_3 = a.k_f3(i);
    double k_4 = a.k_f4(i);
    double c_PAH = pymax(a.c_PAH(i), 0.0);
    double c_H2 = a.c_H2();
    double c_H = a.c_H();
    double denom = c_H2 * t.k_1r + t.k_2f * c_H + c_PAH * k_3 + m.N_agg * m.density * k_4;
    if (!(denom > 0)) return {0.0, false};
    return c_PAH * k_1f * c_H / denom;
}
// The reads of Checked that stand on the types above.
inline RadicalTerms Checked::radical_terms() const { return csm::radical_terms(m); }

// A negative concentration is replaced by the plain float 0.0.
template <class A>
bind::NpFloat ROP_crosslinking_of(A&& a, int i) {
    double k_3 = a.k_f3(i);
    double r = a.radical(i);
    double md = a.c_PAH(i);
    return {k_3 * r * pymax(md, 0.0), !(0.0 > md)};
}
template <class A>
double PAH_adsorption_rate_of(A&& a, int i) {
    double k_4 = a.k_f4(i);
    double r = a.radical(i);
    return k_4 * r * (a.m.N_agg * a.m.density);
}
// An adsorbed radical adds `atoms` (read first): its precursor's carbon, or its
// hydrogen less two.
template <class A>
double adsorbed_crosslinking_of(A&& a, size_t i, double atoms) {
    double rate = a.PAH_adsorption_rate(i);
    return fdiv(atoms * rate, a.m.density);
}
template <class A>
double dC_each_crosslinking_of(A&& a, size_t i) { return adsorbed_crosslinking_of(a, i, bind::at(a.m.PAH_n_C, i)); }
template <class A>
double dH_each_crosslinking_of(A&& a, size_t i) { return adsorbed_crosslinking_of(a, i, bind::at(a.m.PAH_n_H, i) - 2); }

// ----------------------------------------------------------- self-collision

// Diameter of a sphere of soot density and mass `mass`.
inline double soot_sphere_diameter(const CSootModel& m, double mass) {
    return std::pow(fdiv(6 * mass, m.Pi * m.rho_soot), 0.33333333334);
}

// Dimerisation rate of precursor i (gas species j) with its own kind.
template <class A>
double omega_of(A&& a, int i, int j) {
    const CSootModel& m = a.m;
    double c = c_nonneg(a, j);
    double mass = molecule_mass(m, a.MW(j));
    double d = soot_sphere_diameter(m, mass);
    return std::pow(fdiv(4 * m.Pi * m.kB * m.T, mass), 0.5) * bind::at(m.stick_eff, i) * d * d * c * c * m.Av;
}

// Collision prefactors shared by the per-precursor and the lumped balance.
struct Prefactors {
    double F, G, H, K;
};
inline Prefactors collision_prefactors(const CSootModel& m) {
    Prefactors p;
    p.F = std::pow(fdiv(6 * m.kB * m.T, m.rho_soot), 0.5);
    p.G = 4.4 * std::pow(fdiv(3, 4 * m.Pi), 0.166667);
    p.H = 1.3 * std::pow(fdiv(m.kB * m.Pi * m.T, 2 * m.rho_soot), 0.5);
    p.K = m.Av * m.N_agg * m.density;
    return p;
}

// Dimer-dimer (a) and dimer-aggregate (b) collision coefficients of a dimer of
// volume V and diameter d_D.
inline double inc_coefficient(const CSootModel& m, const Prefactors& p, double V) {
    return p.F * p.G * 4 * 1.41421356 * m.Av * std::pow(V, 0.166667);
}
template <class A>
double cond_coefficient_of(A&& a, const Prefactors& p, double V, double d_D) {
    double kh = p.K * p.H * std::pow(d_D + a.p_d_g(), 2.0);
    double inv_V = fdiv(1, V);
    double inv_V_Ag = a.inv_V_Ag();
    return kh * std::pow(inv_V + inv_V_Ag, 0.5);
}
// The per-precursor dimer: two molecules of molar mass M, as spheres of soot density.
struct DimerSize {
    double d, V;
};
inline DimerSize dimer_size(const CSootModel& m, double M) {
    double m_D = 2 * M / m.Av;
    double d_D = soot_sphere_diameter(m, m_D);
    return {d_D, std::pow(d_D, 3.0) * (m.Pi / 6)};
}

// Positive root of a*D^2 + b*D = omega; 0 when the discriminant is not positive.
inline double steady_dimer(double a, double b, double omega) {
    double disc = std::pow(b, 2.0) + 4 * a * omega;
    if (disc > 0) return fdiv(std::pow(disc, 0.5) - b, 2 * a);
    return 0.0;
}
inline double dimer_inception_rate(double a, double D) { return a * 0.5 * std::pow(D, 2.0); }
inline double dimer_condensation_rate(double b, double D) { return b * D; }

// A condensing dimer brings two precursor molecules, each less two hydrogen atoms.
inline double dC_each_slfclsn(double n_C, double w_cond, double rho) { return fdiv(n_C * 2 * w_cond, rho); }
inline double dH_each_slfclsn(double n_H, double w_cond, double rho) { return fdiv((n_H - 2) * 2 * w_cond, rho); }
inline double dC_each_slfclsn_lump(double n_C, double w_lumpcond, double weight, double rho) {
    return fdiv(n_C * 2 * w_lumpcond * weight, rho);
}
inline double dH_each_slfclsn_lump(double n_H, double w_lumpcond, double weight, double rho) {
    return fdiv((n_H - 2) * 2 * w_lumpcond * weight, rho);
}

// Share of precursor i in the lumped dimer; its rate omega_i() read only where it counts.
template <class F>
double dimer_weight_of(double omega_tot, size_t n, F omega_i) {
    return omega_tot > 0 ? omega_i() / omega_tot : 1.0 / (double)n;
}
// The lumped dimer: the precursors' disc volumes and atoms weighted by the
// dimerisation rates; written through the references as it goes.
struct Lump {
    double &n_C, &n_H, &a, &b;
};
template <class A>
void ab_lump_of(A&& a, const Prefactors& p, Lump out) {
    const CSootModel& m = a.m;
    out.n_C = 0.0;
    out.n_H = 0.0;
    double V = 0.0;
    const size_t n = m.PAH_indices.size();
    for (size_t i = 0; i < n; ++i) {
        double nC = bind::at(m.PAH_n_C, i);
        double w = a.weight(i);
        // disc diameter of the precursor
        double d_i = m.d_A * std::pow(2 * nC / 3, 0.5);
        V += (m.Pi / 6) * std::pow(d_i, 3.0) * 2 * w;
        out.n_C += 2 * w * nC;
        out.n_H += 2 * w * bind::at(m.PAH_n_H, i);
    }
    out.a = inc_coefficient(m, p, V);
    double d_D = std::pow(fdiv(6 * V, m.Pi), 0.3333334);
    out.b = cond_coefficient_of(a, p, V, d_D);
}

// ------------------------------------------------- HACA, carbonisation, oxidation

inline double unit_clip(double a) { return pymax(pymin(a, 1.0), 0.0); }

template <class A>
double alpha_empirical_of(A&& a) {
    const CSootModel& m = a.m;
    // Carbon atoms in one primary particle.
    double c = m.Pi * m.rho_soot / 6;
    double n_C = c * std::pow(a.d_p(), 3.0) * m.Av / m.MW_carbon;
    return unit_clip(std::tanh((12.65 - 0.00563 * m.T) / std::log10(n_C) - 1.38 + 0.00068 * m.T));
}
inline double alpha_ctoh_at(const CSootModel& m) { return unit_clip(fdiv(m.H_tot, m.C_tot)); }

// Surface sites per m2 of soot.
constexpr double site_density = 2.3e19;

template <class A>
double c_soot_nought_of(A&& a) {
    const CSootModel& m = a.m;
    const double T = m.T;
    double H = c_nonneg(a, m.H_index);
    double OH = c_nonneg(a, m.OH_index);
    double H2 = c_nonneg(a, m.H2_index);
    double H2O = c_nonneg(a, m.H2O_index);
    double C2H2 = c_nonneg(a, m.C2H2_index);
    double O2 = c_nonneg(a, m.O2_index);

    double k1f = 4.17e7 * std::exp(fdiv(-6542.52, T));                   // H abstraction by H
    double k1r = 3.9e6 * std::exp(fdiv(-5535.98, T));
    double k2f = 1e4 * std::pow(T, 0.734) * std::exp(fdiv(-719.68, T));  // H abstraction by OH
    double k2r = 368 * std::pow(T, 1.139) * std::exp(fdiv(-8605.94, T));
    double k3 = 2e7;                                                      // H addition to a radical
    double k4 = 80 * std::pow(T, 1.56) * std::exp(fdiv(-1912.43, T));    // C2H2 addition
    double k5 = 2.2e6 * std::exp(fdiv(-3774.53, T));                     // O2 attack

    double num = k1f * H + k2f * OH;
    // The radical sites are a fraction of all sites, so the abstraction terms appear below as well.
    double den = k1r * H2 + k2r * H2O + k3 * H + k4 * C2H2 + k5 * O2 + k1f * H + k2f * OH;
    if (den == 0.0) return 0.0;
    double f = pymin(num / den, 1.0);
    double sites = f < 0 ? 0.0 : site_density * f;
    return fdiv(a.p_A_tot(), m.Av) * sites;
}

template <class A>
double dC_tot_dt_HACA_alt_of(A&& a) {
    const CSootModel& m = a.m;
    double k_add = 80 * std::pow(m.T, 1.56) * std::exp(fdiv(-1912.43, m.T));
    double C2H2 = a.c(m.C2H2_index);  // unclipped
    double al = a.alpha();
    double sites = a.c_soot_nought();
    return 2 * m.HACA_prefactor * al * k_add * C2H2 * sites;
}
template <class A>
double dH_tot_dt_HACA_alt_of(A&& a) { return 0.125 * a.dC_tot_dt_HACA_alt(); }

inline double dH_tot_dt_carb_at(const CSootModel& m) {
    if (!m.carbonization_enabled) return 0.0;
    return -m.H_tot * m.A_carb * std::exp(fdiv(-m.Ea_carb, m.T * m.R));
}

// Concentrations below zero (slightly negative mole fractions) count as none.
inline double clipped(double c) { return 0 > c ? 0.0 : c; }
// Particles with at most one H atom per ten C atoms are not oxidised by the per-step rates.
inline bool too_carbonised(const CSootModel& m) { return fdiv(m.H_tot, m.C_tot) <= 0.1; }

template <class A>
double dC_tot_dt_O2_alt_of(A&& a) {
    const CSootModel& m = a.m;
    if (too_carbonised(m)) return 0.0;
    double c = clipped(a.c(m.O2_index));
    double k = 2200000.0 * std::exp(fdiv(-3774.53, m.T));
    // Two carbon atoms leave per O2 reacting at an active site.
    double al = a.alpha();
    double sites = a.c_soot_nought();
    return (-2.0) * al * k * c * sites;
}
template <class A>
double dC_tot_dt_OH_alt_of(A&& a) {
    const CSootModel& m = a.m;
    if (too_carbonised(m)) return 0.0;
    double c = clipped(a.c(m.OH_index));
    return c * (-0.13) * m.N_agg * m.density;
}
// The per-step model removes no hydrogen by oxidation; a zero C_tot is refused
// as in the carbon rates.
inline double dH_tot_dt_Ox_alt_at(const CSootModel& m) {
    (void)fdiv(m.H_tot, m.C_tot);
    return 0.0;
}

// ------------------------------------------------------------ source terms

inline double growth_C_at(const CSootModel& m) {
    double g = 0.0;
    if (m.growth_HACA_enabled) g += m.p_dC_tot_dt_HACA_alt;
    if (m.growth_PAH_adsorption_enabled) g += m.p_dC_tot_dt_PAH;
    return g;
}
inline double growth_H_at(const CSootModel& m) {
    double g = 0.0;
    if (m.growth_HACA_enabled) g += m.p_dH_tot_dt_HACA_alt;
    if (m.growth_PAH_adsorption_enabled) g += m.p_dH_tot_dt_PAH;
    if (m.carbonization_enabled) g += m.p_dH_tot_dt_carb;
    return g;
}
inline double oxidation_C_at(const CSootModel& m) { return m.p_dC_tot_dt_OH + m.p_dC_tot_dt_O2; }
inline double oxidation_H_at(const CSootModel& m) { return m.p_dH_tot_dt_OH + m.p_dH_tot_dt_O2; }
// Particles (N = N_agg or N_pri) lost by collisions at kernel `beta`, mol/(kg s).
inline double collision_loss(const CSootModel& m, double beta, double N) {
    return -0.5 * beta * std::pow(N, 2.0) * m.Av * m.density;
}

}  // namespace pyrandel::csm
