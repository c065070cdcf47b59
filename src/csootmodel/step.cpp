// CSootModel: the per-step work in one pass.
//
// When nothing of the step is replaced (the instance's class overrides no
// method, the strategies hold the model's own methods, the arrays are float64
// buffers), update_solution computes each quantity once, reads each array
// through one view and stores all results at the end; the source terms are
// added as doubles. Every value keeps the order of operations of the method
// that defines it, so the results are those of the method-by-method route.
// Any failure on the way (a zero divisor, an index outside an array) abandons
// the pass before anything is stored, and the method-by-method route runs
// instead and raises as usual.
#include "../binding/arrays.hpp"  // Python.h first

#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "../lib/constants.hpp"
#include "sootmodel.hpp"

namespace pyrandel {

using bind::fdiv;
using bind::NpFloat;
using bind::pydiv;
using bind::pymax;
using bind::pymin;
using bind::Ref;

namespace {

// Instances whose calls between methods all enter the bodies of CSootModel.
bool plain_route(CSootModel* m) {
    if (m->vtab != &CSootModel::vtable) return false;
    if (Py_TYPE(m) == &CSootModel::type) return true;
    return bind::hot_concrete<CSootModel>((PyObject*)m) == &CSootModel::spec();
}

// The method definition of a strategy that holds a bound method of the model itself.
const PyMethodDef* own_method(CSootModel* m, PyObject* strategy) {
    if (!PyCFunction_Check(strategy) || PyCFunction_GET_SELF(strategy) != (PyObject*)m) return nullptr;
    return ((PyCFunctionObject*)strategy)->m_ml;
}

// Strategies whose bodies the pass runs itself.
enum Known {
    K_growth_reactived, K_growth_irrevd, K_growth_crosslinking, K_growth_slfclsn, K_growth_slfclsn_lump,
    K_alpha_constant, K_alpha_empirical, K_alpha_ctoh,
    known_count
};
const char* const known_names[known_count] = {
    "PAH_growth_update_reactived", "PAH_growth_update_irrevd", "PAH_growth_update_crosslinking",
    "PAH_growth_update_slfclsn", "PAH_growth_update_slfclsn_lump",
    "alpha_constant", "alpha_empirical", "alpha_ctoh_based"};

const PyMethodDef* def_named(const char* name) {
    const bind::ClassSpec& s = CSootModel::spec();
    for (const PyMethodDef* d = s.defs_begin; d < s.defs_end; ++d)
        if (std::strcmp(d->ml_name, name) == 0) return d;
    return nullptr;
}

int which(const PyMethodDef* def, int first, int last) {
    static const PyMethodDef* defs[known_count] = {};
    if (!def) return -1;
    for (int k = first; k <= last; ++k) {
        if (!defs[k]) defs[k] = def_named(known_names[k]);
        if (def == defs[k]) return k;
    }
    return -1;
}

// Strategies with a number as result whose bodies the source terms call directly.
using TermBody = NpFloat (*)(CSootModel*);
template <auto F>
NpFloat term(CSootModel* m) {
    auto r = (m->*F)();
    if constexpr (std::is_same_v<decltype(r), double>) return NpFloat(r, false);
    else return r;
}
struct TermRow {
    const char* name;
    TermBody body;
    const PyMethodDef* def = nullptr;
};
TermRow term_rows[] = {
    {"inception_N_agg_reactived", term<&CSootModel::inception_N_agg_reactived_impl>},
    {"inception_C_tot_reactived", term<&CSootModel::inception_C_tot_reactived_impl>},
    {"inception_H_tot_reactived", term<&CSootModel::inception_H_tot_reactived_impl>},
    {"inception_N_agg_irrevd", term<&CSootModel::inception_N_agg_irrevd_impl>},
    {"inception_C_tot_irrevd", term<&CSootModel::inception_C_tot_irrevd_impl>},
    {"inception_H_tot_irrevd", term<&CSootModel::inception_H_tot_irrevd_impl>},
    {"inception_N_agg_slfclsn", term<&CSootModel::inception_N_agg_slfclsn_impl>},
    {"inception_C_tot_slfclsn", term<&CSootModel::inception_C_tot_slfclsn_impl>},
    {"inception_H_tot_slfclsn", term<&CSootModel::inception_H_tot_slfclsn_impl>},
    {"inception_N_agg_slfclsn_lump", term<&CSootModel::inception_N_agg_slfclsn_lump_impl>},
    {"inception_C_tot_slfclsn_lump", term<&CSootModel::inception_C_tot_slfclsn_lump_impl>},
    {"inception_H_tot_slfclsn_lump", term<&CSootModel::inception_H_tot_slfclsn_lump_impl>},
    {"inception_N_agg_crosslinking", term<&CSootModel::inception_N_agg_crosslinking_impl>},
    {"inception_C_tot_crosslinking", term<&CSootModel::inception_C_tot_crosslinking_impl>},
    {"inception_H_tot_crosslinking", term<&CSootModel::inception_H_tot_crosslinking_impl>},
    {"beta_coag_hm", term<&CSootModel::beta_coag_hm_impl>},
    {"beta_coag_fm", term<&CSootModel::beta_coag_fm_impl>},
    {"beta_coag_validation", term<&CSootModel::beta_coag_validation_impl>},
    {"beta_coag_cont", term<&CSootModel::beta_coag_cont_impl>},
    {"N_pri_coales_sintering", term<&CSootModel::N_pri_coales_sintering_impl>},
    {"N_pri_coales_merge", term<&CSootModel::N_pri_coales_merge_impl>},
};

TermBody term_body(CSootModel* m, PyObject* strategy) {
    const PyMethodDef* def = own_method(m, strategy);
    if (!def) return nullptr;
    for (TermRow& r : term_rows) {
        if (!r.def) r.def = def_named(r.name);
        if (r.def == def) return r.body;
    }
    return nullptr;
}

// Runs a strategy's body as the strategy call would: counted against the recursion limit.
NpFloat run_term(CSootModel* m, TermBody body) {
    bind::RecursionGuard guard(" while calling a Python object");
    return body(m);
}

// ------------------------------------------------------------- the pass

// Scratch of the pass, reused from step to step.
struct Scratch {
    std::vector<double> M, mass, d, c;                // per precursor
    std::vector<double> k_f, k_r, star, dC, dH, rad;  // per precursor
    std::vector<double> phy, rop;                     // per dimer
    std::vector<double> omega, a, b, dimer, w_inc, w_cond, weight;  // self-collision, per precursor
};
Scratch scratch;

void sized(std::vector<double>& v, size_t n) {
    if (v.size() < n) v.resize(n);
}

struct Pass {
    CSootModel& m;
    bind::Items& x;
    bind::Items& mw;
    // Morphology of this step (stored as p_d_p, p_d_m, p_d_g, p_A_tot).
    double V_tot = 0, d_p = 0, d_m = 0, d_g = 0, A_tot = 0;

    double molar_density(int index) const { return x.get(index) * m.density / m.mean_MW; }

    void morphology() {
        V_tot = fdiv(m.C_tot * m.MW_carbon, m.rho_soot);
        double V_p = fdiv(V_tot, m.N_pri * m.Av);
        d_p = std::pow(6.0 * V_p / m.Pi, 0.3333333333333334);
        double n = fdiv(m.N_pri, m.N_agg);
        double dn = d_p * std::pow(n, 0.45);
        d_m = dn > d_p ? dn : d_p;
        d_g = n > 1.5 ? d_m / (std::pow(n, -0.2) + 0.4) : d_m / 1.29;
        double N = m.N_pri * m.Av;
        A_tot = N * (m.Pi * std::pow(6.0 * V_p / m.Pi, 0.6666666666666667));
    }

    double m_Ag() const { return fdiv(V_tot, m.N_agg * m.Av) * m.rho_soot; }

    // Molar mass, molecular mass, diameter and concentration of each precursor.
    void precursors(size_t n) {
        Scratch& s = scratch;
        sized(s.M, n), sized(s.mass, n), sized(s.d, n), sized(s.c, n);
        for (size_t i = 0; i < n; ++i) {
            int g = bind::at(m.PAH_indices, i);
            s.M[i] = mw.get(g);
            s.mass[i] = s.M[i] / m.Av;
            double n_C = bind::at(m.PAH_n_C, i);
            double n_H = bind::at(m.PAH_n_H, i);
            double rho = fdiv((n_C * m.MW_carbon + n_H * m.MW_hydrogen) * 171943.5197, n_C + n_H);
            s.d[i] = std::pow(fdiv(fdiv(s.mass[i], rho) * 6, m.Pi), 0.3333333333333333);
            s.c[i] = molar_density(g);
        }
    }

    double C_S_soot(double d) const {
        double lam = m.p_lambda_gas;
        return 1 + fdiv(2 * lam, d) * (1.21 + 0.4 * std::exp(fdiv(-0.78 * d, lam)));
    }

    // Forward soot-PAH adsorption constant of each precursor (k_f_soot_PAH).
    void adsorption_constants(size_t n) {
        Scratch& s = scratch;
        sized(s.k_f, n);
        double inv_m_Ag = pydiv(1.0, m_Ag());
        double diff = fdiv(2 * m.kB * m.T, m.viscosity * 3);
        double cs_soot = C_S_soot(d_m);
        for (size_t i = 0; i < n; ++i) {
            double d = s.d[i];
            double inv_m = fdiv(1, s.mass[i]);
            double fm = std::pow(d + d_g, 2.0) * (std::pow(m.Pi * m.kB * m.T * 0.5 * (inv_m_Ag + inv_m), 0.5) * 2.2);
            double cs_pah = C_S_soot(d);
            double cont = diff * (cs_soot / d_g + cs_pah / d) * (d + d_g);
            s.k_f[i] = fdiv(fm * cont, fm + cont) * m.Av;
        }
    }

    // ------------------------------------------------ reactive dimerisation

    bool reactived() {
        Scratch& s = scratch;
        const size_t n = m.PAH_indices.size();
        const size_t P = n * (n + 1) / 2;
        if (m.dimer_PAH_1_id.size() != P || m.p_phy_dimer_.size() < P) return false;
        if (m.p_k_f_soot_PAH.size() < n || m.p_k_r_soot_PAH.size() < n || m.p_soot_PAH_star.size() < n ||
            m.p_dC_tot_dt_PAH_each.size() < n || m.p_dH_tot_dt_PAH_each.size() < n)
            return false;
        precursors(n);
        sized(s.phy, P), sized(s.rop, P);
        const double T = m.T, R = m.R;
        const double k_REAC = (m.K_REACT_prefactor * 5e6) * std::exp(fdiv(-(m.Ea_REACT_prefactor * 96232), T * R));
        size_t b = 0;
        for (size_t i = 0; i < n; ++i)
            for (size_t j = i; j < n; ++j, ++b) {
                double d = fdiv(2 * s.d[i] * s.d[j], s.d[i] + s.d[j]);
                double mu = fdiv(s.mass[i] * s.mass[j], s.mass[i] + s.mass[j]);
                double k_FWD = std::pow(d, 2.0) * (m.k_FWD_prefactor * 2.2 * 0.1 * m.Av) *
                               std::pow(pydiv(8.0 * M_PI * m.kB * T, mu), 0.5);
                double num = k_FWD * s.c[i] * s.c[j];
                double E = 933420.0 * (s.M[i] * s.M[j]) / (s.M[i] + s.M[j]) - 34053.0;
                double k_REV = k_FWD * std::pow(10.0, -1.8) * std::exp(E * (-0.115) * std::log(10.0) / (T * R));
                s.phy[b] = fdiv(num, k_REV + k_REAC);
                double r = k_REAC * s.phy[b];
                s.rop[b] = r < 0.0 ? 0.0 : r;
            }

        adsorption_constants(n);
        sized(s.k_r, n), sized(s.star, n), sized(s.dC, n), sized(s.dH, n);
        const double m_s = fdiv(m.C_tot * m.MW_carbon, m.N_agg);
        const double k_PAH = (m.K_PAH_ADS_prefactor * 2e10) * std::exp(fdiv(-(m.Ea_PAH_ADS_prefactor * 96232), T * R));
        for (size_t i = 0; i < n; ++i) {
            double E = 933420.0 * (m_s * s.M[i]) / (m_s + s.M[i]) - 34053.0;
            s.k_r[i] = std::pow(10.0, -1.8) * s.k_f[i] * std::exp(E * (-0.115) * std::log(10.0) / (T * R));
        }
        for (size_t i = 0; i < n; ++i) {
            double num = m.N_agg * m.density * s.k_f[i] * pymax(s.c[i], 0.0);
            s.star[i] = num / (s.k_r[i] + k_PAH);
        }
        for (size_t i = 0; i < n; ++i) {
            s.dC[i] = bind::at(m.PAH_n_C, i) * k_PAH * s.star[i] / m.density;
            s.dH[i] = (bind::at(m.PAH_n_H, i) - 2) * k_PAH * s.star[i] / m.density;
        }
        return true;
    }

    void store_reactived(bind::Items& rop) {
        Scratch& s = scratch;
        const size_t n = m.PAH_indices.size(), P = m.dimer_PAH_1_id.size();
        for (size_t b = 0; b < P; ++b) {
            m.p_phy_dimer_[b] = s.phy[b];
            rop.set((Py_ssize_t)b, s.rop[b]);
        }
        for (size_t i = 0; i < n; ++i) {
            m.p_k_f_soot_PAH[i] = s.k_f[i];
            m.p_k_r_soot_PAH[i] = s.k_r[i];
            m.p_soot_PAH_star[i] = s.star[i];
            m.p_dC_tot_dt_PAH_each[i] = s.dC[i];
            m.p_dH_tot_dt_PAH_each[i] = s.dH[i];
        }
        store_sums();
    }

    // dC_tot_dt_PAH() and dH_tot_dt_PAH(): the whole arrays in index order.
    void store_sums() {
        double acc = 0.0;
        for (double v : m.p_dC_tot_dt_PAH_each) acc += v;
        m.p_dC_tot_dt_PAH = acc;
        acc = 0.0;
        for (double v : m.p_dH_tot_dt_PAH_each) acc += v;
        m.p_dH_tot_dt_PAH = acc;
    }

    // ------------------------------------------------ irreversible dimerisation

    bool irrevd() {
        Scratch& s = scratch;
        const size_t n = m.PAH_indices.size();
        const size_t P = m.dimer_PAH_1_id.size();
        if (m.dimer_PAH_2_id.size() < P || m.p_dC_tot_dt_PAH_each.size() < n || m.p_dH_tot_dt_PAH_each.size() < n)
            return false;
        precursors(n);
        sized(s.rop, P);
        for (size_t b = 0; b < P; ++b) {
            size_t i = (size_t)bind::at(m.dimer_PAH_1_id, b), j = (size_t)bind::at(m.dimer_PAH_2_id, b);
            if (i >= n || j >= n) return false;
            double d = fdiv(2 * s.d[i] * s.d[j], s.d[i] + s.d[j]);
            double mu = fdiv(s.mass[i] * s.mass[j], s.mass[i] + s.mass[j]);
            double k = std::pow(d, 2.0) * (m.Av * 2.2) * std::pow(fdiv(m.Pi * 8.0 * m.kB * m.T, mu), 0.5);
            double r = k * s.c[i] * s.c[j];
            s.rop[b] = r < 0.0 ? 0.0 : r;
        }
        adsorption_constants(n);
        sized(s.dC, n), sized(s.dH, n);
        for (size_t i = 0; i < n; ++i) {
            double c = pymax(s.c[i], 0.0);
            s.dC[i] = pydiv(bind::at(m.PAH_n_C, i) * s.k_f[i] * (m.N_agg * m.density) * c, m.density);
            s.dH[i] = pydiv((bind::at(m.PAH_n_H, i) - 2) * s.k_f[i] * (m.N_agg * m.density) * c, m.density);
        }
        return true;
    }

    void store_irrevd(bind::Items& rop) {
        Scratch& s = scratch;
        const size_t n = m.PAH_indices.size(), P = m.dimer_PAH_1_id.size();
        for (size_t b = 0; b < P; ++b) rop.set((Py_ssize_t)b, s.rop[b]);
        for (size_t i = 0; i < n; ++i) {
            m.p_dC_tot_dt_PAH_each[i] = s.dC[i];
            m.p_dH_tot_dt_PAH_each[i] = s.dH[i];
        }
        store_sums();
    }

    // ------------------------------------------------ cross-linking

    double dC_tot_PAH = 0, dH_tot_PAH = 0;

    bool crosslinking() {
        Scratch& s = scratch;
        const size_t n = m.PAH_indices.size();
        if (n > (size_t)INT_MAX || m.p_PAH_radical_.size() < n || m.p_dC_tot_dt_PAH_each.size() < n ||
            m.p_dH_tot_dt_PAH_each.size() < n)
            return false;
        precursors(n);
        adsorption_constants(n);
        sized(s.rad, n), sized(s.rop, n), sized(s.dC, n), sized(s.dH, n), sized(s.k_r, n), sized(s.star, n);
        const double T = m.T;
        const double T184 = std::pow(T, 1.84), e1 = std::exp(fdiv(-62886.6, m.R * T));
        const double k_1r = std::pow(T, 2.63) * (m.cross_k_r1_prefactor * 0.016) *
                            std::exp(fdiv(-17837.4, Constants::R_const * T));
        const double k_2f = std::pow(T, 0.13) * (m.Av * 8.079999999999999e-17 * m.cross_k_f2_prefactor);
        const double c_H2 = pymax(molar_density(m.H2_index), 0.0);
        const double c_H = pymax(molar_density(m.H_index), 0.0);
        const double f = m.cross_k_f3_prefactor * 2.2;
        // s.k_r holds k_f3, s.star k_f4 of each precursor.
        for (size_t i = 0; i < n; ++i) {
            double nC = bind::at(m.PAH_n_C, i), nH = bind::at(m.PAH_n_H, i);
            double mu = fdiv(s.mass[i] * s.mass[i], s.mass[i] + s.mass[i]);
            double v = std::pow(fdiv(8 * m.Pi * m.kB * T, mu), 0.5);
            double rho = fdiv((nC * m.MW_carbon + nH * m.MW_hydrogen) * 171943.5197, nC + nH);
            double d = std::pow(fdiv(6 * fdiv(s.mass[i], rho), m.Pi), 1.0 / 3.0);
            double k_3 = s.k_r[i] = v * f * m.Av * std::pow(2 * d, 2.0);
            double k_4 = s.star[i] = m.adsorb_eff * s.k_f[i];
            double k_1f = T184 * (nC * 98 * m.cross_k_f1_prefactor) * e1;
            double c_PAH = pymax(s.c[i], 0.0);
            double denom = c_H2 * k_1r + k_2f * c_H + c_PAH * k_3 + m.N_agg * m.density * k_4;
            s.rad[i] = !(denom > 0) ? 0.0 : c_PAH * k_1f * c_H / denom;
        }
        for (size_t i = 0; i < n; ++i) s.rop[i] = pymax(s.k_r[i] * s.rad[i] * pymax(s.c[i], 0.0), 0.0);
        dC_tot_PAH = dH_tot_PAH = 0.0;
        for (size_t i = 0; i < n; ++i) {
            double rate = s.star[i] * s.rad[i] * (m.N_agg * m.density);
            s.dC[i] = fdiv(bind::at(m.PAH_n_C, i) * rate, m.density);
            dC_tot_PAH += s.dC[i];
            s.dH[i] = fdiv((bind::at(m.PAH_n_H, i) - 2) * rate, m.density);
            dH_tot_PAH += s.dH[i];
        }
        return true;
    }

    void store_crosslinking(bind::Items& rop) {
        Scratch& s = scratch;
        const size_t n = m.PAH_indices.size();
        for (size_t i = 0; i < n; ++i) {
            m.p_PAH_radical_[i] = s.rad[i];
            rop.set((Py_ssize_t)i, s.rop[i]);
            m.p_dC_tot_dt_PAH_each[i] = s.dC[i];
            m.p_dH_tot_dt_PAH_each[i] = s.dH[i];
        }
        m.p_dC_tot_dt_PAH = dC_tot_PAH;
        m.p_dH_tot_dt_PAH = dH_tot_PAH;
    }

    // ------------------------------------------------ self-collision

    double omega_tot = 0, lump_n_C = 0, lump_n_H = 0, a_lump = 0, b_lump = 0, lump = 0, w_lumpinc = 0,
           w_lumpcond = 0;

    // update_omega_PAH
    void dimerisation(size_t n) {
        Scratch& s = scratch;
        sized(s.omega, n);
        omega_tot = 0.0;
        for (size_t i = 0; i < n; ++i) {
            int j = bind::at(m.PAH_indices, i);
            double c = pymax(molar_density(j), 0.0);
            double mass = mw.get(j) / m.Av;
            double d = std::pow(fdiv(6 * mass, m.Pi * m.rho_soot), 0.33333333334);
            double w = std::pow(fdiv(4 * m.Pi * m.kB * m.T, mass), 0.5) * bind::at(m.stick_eff, i) * d * d * c * c * m.Av;
            s.omega[i] = w;
            omega_tot += w;
        }
    }

    struct Prefactors {
        double F, G, H, K;
    };
    Prefactors collision_prefactors() const {
        Prefactors p;
        p.F = std::pow(fdiv(6 * m.kB * m.T, m.rho_soot), 0.5);
        p.G = 4.4 * std::pow(fdiv(3, 4 * m.Pi), 0.166667);
        p.H = 1.3 * std::pow(fdiv(m.kB * m.Pi * m.T, 2 * m.rho_soot), 0.5);
        p.K = m.Av * m.N_agg * m.density;
        return p;
    }

    static double steady_dimer(double a, double b, double omega) {
        double disc = std::pow(b, 2.0) + 4 * a * omega;
        if (disc > 0) return fdiv(std::pow(disc, 0.5) - b, 2 * a);
        return 0.0;
    }

    bool slfclsn() {
        Scratch& s = scratch;
        const size_t n = m.PAH_indices.size();
        if (m.omega_PAH.size() < n || m.a_inc.size() < n || m.b_cond.size() < n || m._dimer_.size() < n ||
            m.w_inc.size() < n || m.w_cond.size() < n || m.p_dC_tot_dt_PAH_each.size() < n ||
            m.p_dH_tot_dt_PAH_each.size() < n)
            return false;
        dimerisation(n);
        sized(s.a, n), sized(s.b, n), sized(s.dimer, n), sized(s.w_inc, n), sized(s.w_cond, n);
        sized(s.dC, n), sized(s.dH, n);
        Prefactors p = collision_prefactors();
        const double inv_V_Ag = pydiv(1.0, fdiv(V_tot, m.N_agg * m.Av));
        for (size_t i = 0; i < n; ++i) {
            int j = bind::at(m.PAH_indices, i);
            double m_D = 2 * mw.get(j) / m.Av;
            double d_D = std::pow(fdiv(6 * m_D, m.Pi * m.rho_soot), 0.33333333334);
            double V_D = std::pow(d_D, 3.0) * (m.Pi / 6);
            s.a[i] = p.F * p.G * 4 * 1.41421356 * m.Av * std::pow(V_D, 0.166667);
            double kh = p.K * p.H * std::pow(d_D + d_g, 2.0);
            double inv_V_D = fdiv(1, V_D);
            s.b[i] = kh * std::pow(inv_V_D + inv_V_Ag, 0.5);
        }
        for (size_t i = 0; i < n; ++i) s.dimer[i] = steady_dimer(s.a[i], s.b[i], s.omega[i]);
        for (size_t i = 0; i < n; ++i) s.w_inc[i] = s.a[i] * 0.5 * std::pow(s.dimer[i], 2.0);
        for (size_t i = 0; i < n; ++i) s.w_cond[i] = s.b[i] * s.dimer[i];
        dC_tot_PAH = dH_tot_PAH = 0.0;
        for (size_t i = 0; i < n; ++i) {
            s.dC[i] = fdiv(bind::at(m.PAH_n_C, i) * 2 * s.w_cond[i], m.density);
            dC_tot_PAH += s.dC[i];
            s.dH[i] = fdiv((bind::at(m.PAH_n_H, i) - 2) * 2 * s.w_cond[i], m.density);
            dH_tot_PAH += s.dH[i];
        }
        return true;
    }

    void store_slfclsn() {
        Scratch& s = scratch;
        const size_t n = m.PAH_indices.size();
        for (size_t i = 0; i < n; ++i) {
            m.omega_PAH[i] = s.omega[i];
            m.a_inc[i] = s.a[i];
            m.b_cond[i] = s.b[i];
            m._dimer_[i] = s.dimer[i];
            m.w_inc[i] = s.w_inc[i];
            m.w_cond[i] = s.w_cond[i];
            m.p_dC_tot_dt_PAH_each[i] = s.dC[i];
            m.p_dH_tot_dt_PAH_each[i] = s.dH[i];
        }
        m.omega_PAH_tot = omega_tot;
        m.p_dC_tot_dt_PAH = dC_tot_PAH;
        m.p_dH_tot_dt_PAH = dH_tot_PAH;
    }

    bool slfclsn_lump() {
        Scratch& s = scratch;
        const size_t n = m.PAH_indices.size();
        if (m.omega_PAH.size() < n || m.dimer_weight.size() < n || m.p_dC_tot_dt_PAH_each.size() < n ||
            m.p_dH_tot_dt_PAH_each.size() < n)
            return false;
        dimerisation(n);
        sized(s.weight, n), sized(s.dC, n), sized(s.dH, n);
        for (size_t i = 0; i < n; ++i) s.weight[i] = omega_tot > 0 ? s.omega[i] / omega_tot : 1.0 / (double)n;
        Prefactors p = collision_prefactors();
        lump_n_C = lump_n_H = 0.0;
        double V = 0.0;
        for (size_t i = 0; i < n; ++i) {
            double nC = bind::at(m.PAH_n_C, i);
            double w = s.weight[i];
            double d_i = m.d_A * std::pow(2 * nC / 3, 0.5);
            V += (m.Pi / 6) * std::pow(d_i, 3.0) * 2 * w;
            lump_n_C += 2 * w * nC;
            lump_n_H += 2 * w * bind::at(m.PAH_n_H, i);
        }
        a_lump = p.F * p.G * 4 * 1.41421356 * m.Av * std::pow(V, 0.166667);
        double d_D = std::pow(fdiv(6 * V, m.Pi), 0.3333334);
        double kh = p.K * p.H * std::pow(d_D + d_g, 2.0);
        double inv_V = fdiv(1, V);
        double inv_V_Ag = pydiv(1.0, fdiv(V_tot, m.N_agg * m.Av));
        b_lump = kh * std::pow(inv_V + inv_V_Ag, 0.5);
        lump = steady_dimer(a_lump, b_lump, omega_tot);
        w_lumpinc = a_lump * 0.5 * std::pow(lump, 2.0);
        w_lumpcond = b_lump * lump;
        dC_tot_PAH = dH_tot_PAH = 0.0;
        for (size_t i = 0; i < n; ++i) {
            s.dC[i] = fdiv(bind::at(m.PAH_n_C, i) * 2 * w_lumpcond * s.weight[i], m.density);
            dC_tot_PAH += s.dC[i];
            s.dH[i] = fdiv((bind::at(m.PAH_n_H, i) - 2) * 2 * w_lumpcond * s.weight[i], m.density);
            dH_tot_PAH += s.dH[i];
        }
        return true;
    }

    void store_slfclsn_lump() {
        Scratch& s = scratch;
        const size_t n = m.PAH_indices.size();
        for (size_t i = 0; i < n; ++i) {
            m.omega_PAH[i] = s.omega[i];
            m.dimer_weight[i] = s.weight[i];
            m.p_dC_tot_dt_PAH_each[i] = s.dC[i];
            m.p_dH_tot_dt_PAH_each[i] = s.dH[i];
        }
        m.omega_PAH_tot = omega_tot;
        m.lumpdimer_n_C = lump_n_C;
        m.lumpdimer_n_H = lump_n_H;
        m.a_lumpinc = a_lump;
        m.b_lumpcond = b_lump;
        m._lumpdimer_ = lump;
        m.w_lumpinc = w_lumpinc;
        m.w_lumpcond = w_lumpcond;
        m.p_dC_tot_dt_PAH = dC_tot_PAH;
        m.p_dH_tot_dt_PAH = dH_tot_PAH;
    }

    // ------------------------------------------------ HACA, carbonisation, oxidation

    double HACA_C = 0, HACA_H = 0, carb = 0, C_O2 = 0, C_OH = 0, H_O2 = 0, H_OH = 0;

    double alpha(int kind) const {
        auto unit_clip = [](double a) { return pymax(pymin(a, 1.0), 0.0); };
        if (kind == K_alpha_constant) return m.alpha_constant_value;
        if (kind == K_alpha_ctoh) return unit_clip(fdiv(m.H_tot, m.C_tot));
        double c = m.Pi * m.rho_soot / 6;
        double n_C = c * std::pow(d_p, 3.0) * m.Av / m.MW_carbon;
        return unit_clip(std::tanh((12.65 - 0.00563 * m.T) / std::log10(n_C) - 1.38 + 0.00068 * m.T));
    }

    double c_soot_nought() const {
        const double T = m.T;
        double H = pymax(molar_density(m.H_index), 0.0);
        double OH = pymax(molar_density(m.OH_index), 0.0);
        double H2 = pymax(molar_density(m.H2_index), 0.0);
        double H2O = pymax(molar_density(m.H2O_index), 0.0);
        double C2H2 = pymax(molar_density(m.C2H2_index), 0.0);
        double O2 = pymax(molar_density(m.O2_index), 0.0);
        double k1f = 4.17e7 * std::exp(fdiv(-6542.52, T));
        double k1r = 3.9e6 * std::exp(fdiv(-5535.98, T));
        double k2f = 1e4 * std::pow(T, 0.734) * std::exp(fdiv(-719.68, T));
        double k2r = 368 * std::pow(T, 1.139) * std::exp(fdiv(-8605.94, T));
        double k3 = 2e7;
        double k4 = 80 * std::pow(T, 1.56) * std::exp(fdiv(-1912.43, T));
        double k5 = 2.2e6 * std::exp(fdiv(-3774.53, T));
        double num = k1f * H + k2f * OH;
        double den = k1r * H2 + k2r * H2O + k3 * H + k4 * C2H2 + k5 * O2 + k1f * H + k2f * OH;
        if (den == 0.0) return 0.0;
        double f = pymin(num / den, 1.0);
        double sites = f < 0 ? 0.0 : 2.3e19 * f;
        return fdiv(A_tot, m.Av) * sites;
    }

    void surface(int alpha_kind) {
        const double T = m.T;
        double a = alpha(alpha_kind);
        double sites = c_soot_nought();
        double k_add = 80 * std::pow(T, 1.56) * std::exp(fdiv(-1912.43, T));
        double C2H2 = molar_density(m.C2H2_index);
        HACA_C = 2 * m.HACA_prefactor * a * k_add * C2H2 * sites;
        HACA_H = 0.125 * HACA_C;
        carb = m.carbonization_enabled ? -m.H_tot * m.A_carb * std::exp(fdiv(-m.Ea_carb, T * m.R)) : 0.0;
        bool carbonised = fdiv(m.H_tot, m.C_tot) <= 0.1;
        if (carbonised) {
            C_O2 = C_OH = 0.0;
        } else {
            double c = molar_density(m.O2_index);
            c = 0 > c ? 0.0 : c;
            double k = 2200000.0 * std::exp(fdiv(-3774.53, T));
            C_O2 = (-2.0) * a * k * c * sites;
            c = molar_density(m.OH_index);
            c = 0 > c ? 0.0 : c;
            C_OH = c * (-0.13) * m.N_agg * m.density;
        }
        H_O2 = H_OH = 0.0;
    }

    void store_common() {
        m.p_d_p = d_p;
        m.p_d_m = d_m;
        m.p_d_g = d_g;
        m.p_A_tot = A_tot;
        m.p_dC_tot_dt_HACA_alt = HACA_C;
        m.p_dH_tot_dt_HACA_alt = HACA_H;
        m.p_dH_tot_dt_carb = carb;
        m.p_dC_tot_dt_O2 = C_O2;
        m.p_dC_tot_dt_OH = C_OH;
        m.p_dH_tot_dt_O2 = H_O2;
        m.p_dH_tot_dt_OH = H_OH;
    }
};

}  // namespace

bool CSootModel::runs_own_bodies() { return plain_route(this); }

bool CSootModel::solution_in_one_pass() {
    if (!plain_route(this)) return false;
    const int growth = which(own_method(this, PAH_growth_update), K_growth_reactived, K_growth_slfclsn_lump);
    const int alpha_kind = which(own_method(this, alpha), K_alpha_constant, K_alpha_ctoh);
    if (growth < 0 || alpha_kind < 0) return false;
    if (growth == K_growth_reactived && !(steady_state_physical_dimerization && steady_state_PAH_adsorption))
        return false;
    const bool dimers = growth == K_growth_reactived || growth == K_growth_irrevd || growth == K_growth_crosslinking;
    bind::Items x(X), mw(MWs);
    std::optional<bind::Items> rop;
    if (dimers) rop.emplace(p_ROP);
    // Float64 buffers only, and the rates written into p_ROP never land in an input.
    if (!x.viewed() || !mw.viewed()) return false;
    if (dimers && (!rop->viewed() || rop->overlaps(x) || rop->overlaps(mw))) return false;
    Pass pass{*this, x, mw};
    try {
        // The strategy call counts against the recursion limit, as its call would.
        bind::RecursionGuard guard(" while calling a Python object");
        pass.morphology();
        bool ok = growth == K_growth_reactived   ? pass.reactived()
                  : growth == K_growth_irrevd      ? pass.irrevd()
                  : growth == K_growth_crosslinking ? pass.crosslinking()
                  : growth == K_growth_slfclsn     ? pass.slfclsn()
                                                    : pass.slfclsn_lump();
        if (!ok) return false;
        if (dimers) {
            size_t rows = growth == K_growth_crosslinking ? PAH_indices.size() : dimer_PAH_1_id.size();
            if (rop->size() < (Py_ssize_t)rows) return false;
        }
        pass.surface(alpha_kind);
    } catch (bind::Error&) {
        PyErr_Clear();
        return false;
    } catch (...) {
        return false;
    }
    // Nothing below can fail.
    pass.store_common();
    if (growth == K_growth_reactived) pass.store_reactived(*rop);
    else if (growth == K_growth_irrevd) pass.store_irrevd(*rop);
    else if (growth == K_growth_crosslinking) pass.store_crosslinking(*rop);
    else if (growth == K_growth_slfclsn) pass.store_slfclsn();
    else pass.store_slfclsn_lump();
    return true;
}

bool CSootModel::source_in_one_pass(int i, Ref& out) {
    if (i < 0 || i > 3 || !plain_route(this)) return false;
    NpFloat t[5] = {0.0, 0.0, 0.0, 0.0, 0.0};
    for (NpFloat& v : t) v.numpy = false;
    try {
        if (inception_enabled) {
            TermBody b = term_body(this, i < 2 ? inception_N_agg.get() : i == 2 ? inception_C_tot.get() : inception_H_tot.get());
            if (!b) return false;
            t[0] = run_term(this, b);
        }
        if (growth_enabled && i == 2) {
            double g = 0.0;
            if (growth_HACA_enabled) g += p_dC_tot_dt_HACA_alt;
            if (growth_PAH_adsorption_enabled) g += p_dC_tot_dt_PAH;
            t[1] = NpFloat(g, false);
        } else if (growth_enabled && i == 3) {
            double g = 0.0;
            if (growth_HACA_enabled) g += p_dH_tot_dt_HACA_alt;
            if (growth_PAH_adsorption_enabled) g += p_dH_tot_dt_PAH;
            if (carbonization_enabled) g += p_dH_tot_dt_carb;
            t[1] = NpFloat(g, false);
        }
        if (oxidation_enabled && i == 2) t[2] = NpFloat(p_dC_tot_dt_OH + p_dC_tot_dt_O2, false);
        if (oxidation_enabled && i == 3) t[2] = NpFloat(p_dH_tot_dt_OH + p_dH_tot_dt_O2, false);
        if (coagulation_enabled && i == 0) {
            TermBody b = term_body(this, beta_coag.get());
            if (!b) return false;
            double k = run_term(this, b);
            k = k + beta_coag_turb();
            t[3] = NpFloat(-0.5 * k * std::pow(N_agg, 2.0) * Av * density, false);
        }
        if (coalescence_enabled && i == 1) {
            TermBody b = term_body(this, N_pri_coales.get());
            if (!b) return false;
            t[4] = run_term(this, b);
        }
    } catch (bind::Error&) {
        PyErr_Clear();
        return false;
    } catch (...) {
        return false;
    }
    // Python's addition, left to right: a NumPy float64 once either operand is one.
    double s = t[0].v;
    bool numpy = t[0].numpy;
    for (int k = 1; k < 5; ++k) {
        s = s + t[k].v;
        numpy = numpy || t[k].numpy;
        if (numpy && !std::isfinite(s)) return false;  // NumPy's own addition, with its warnings
    }
    out = numpy ? bind::np_float(s) : bind::py(s);
    return true;
}

}  // namespace pyrandel
