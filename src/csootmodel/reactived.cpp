// PAH growth by reactive dimerisation, and the dimer and adsorption kinetics
// that the other PAH-growth variants share.
//
// Precursors form physical dimers reversibly; a physical dimer turns into a
// chemical dimer (a new particle, releasing one H2). Precursors adsorb on soot
// through a reversible complex that reacts at k_PAH, adding the precursor's
// carbon and all but two of its hydrogen atoms and releasing two H atoms.
#include "precursors.hpp"
#include "sootmodel.hpp"

#include <optional>

namespace pyrandel {

using bind::Ref;

namespace {

// Mass of one precursor molecule, kg.
double mass(CSootModel& s, int i) {
    int g = bind::at(s.PAH_indices, i);
    double M = bind::Items(s.MWs).get(g);
    return M / s.Av;
}

// Diameter of a precursor molecule of mass m, m.
double diameter(CSootModel& s, int i, double m) {
    double n_C = bind::at(s.PAH_n_C, i);
    double n_H = bind::at(s.PAH_n_H, i);
    // Bulk density of the molecule from its composition.
    double rho = bind::fdiv((n_C * s.MW_carbon + n_H * s.MW_hydrogen) * 171943.5197, n_C + n_H);
    return std::pow(bind::fdiv(bind::fdiv(m, rho) * 6, s.Pi), 0.3333333333333333);
}
double diameter(CSootModel& s, int i) { return diameter(s, i, mass(s, i)); }

// Free-molecular soot-PAH collision kernel, m3/s.
double beta_fm(CSootModel& s, int i) {
    double m = mass(s, i);
    double d = diameter(s, i, m);
    double inv_m_Ag = bind::pydiv(1.0, s.m_Ag());
    double inv_m = bind::fdiv(1, m);
    return std::pow(d + s.p_d_g, 2.0) * (std::pow(s.Pi * s.kB * s.T * 0.5 * (inv_m_Ag + inv_m), 0.5) * 2.2);
}

using bind::dot;
using bind::sum;

}  // namespace

// ------------------------------------------------------------------ set-up

void CSootModel::create_PAH_dimer_reactived_impl() {
    size_t n = PAH_indices.size();
    p_k_f_soot_PAH.resize(n);
    p_k_r_soot_PAH.resize(n);
    p_soot_PAH_star.resize(n);
    p_dC_tot_dt_PAH_each.resize(n);
    p_dH_tot_dt_PAH_each.resize(n);
    soot_PAH_wdot = bind::zeros((Py_ssize_t)n);

    size_t P = n * (n + 1) / 2;
    dimer_PAH_1_id.resize(P);
    dimer_PAH_2_id.resize(P);
    dimer_n_C = bind::zeros((Py_ssize_t)P);
    dimer_n_H = bind::zeros((Py_ssize_t)P);
    p_ROP = bind::zeros((Py_ssize_t)P);
    phy_dimer_wdot = bind::zeros((Py_ssize_t)P);
    p_phy_dimer_.resize(P);

    // Every unordered pair, a precursor with itself included, precursor-major.
    bind::Items nC(dimer_n_C), nH(dimer_n_H);
    Py_ssize_t b = 0;
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i; j < n; ++j, ++b) {
            bind::at(dimer_PAH_1_id, b) = (int)i;
            bind::at(dimer_PAH_2_id, b) = (int)j;
            nC.set(b, bind::at(PAH_n_C, (Py_ssize_t)i) + bind::at(PAH_n_C, (Py_ssize_t)j));
            nH.set(b, bind::at(PAH_n_H, (Py_ssize_t)i) + bind::at(PAH_n_H, (Py_ssize_t)j));
        }
}

// ---------------------------------------------------------- per-step update

void CSootModel::PAH_growth_update_reactived_impl() {
    update_phy_dimer_();
    vtab->update_ROP(this);
    if (!steady_state_physical_dimerization) update_phy_dimer_wdot();

    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    for (Py_ssize_t i = 0; i < n; ++i) {
        double kf = k_f_soot_PAH((int)i);
        bind::at(p_k_f_soot_PAH, i) = kf;
        double kr = k_r_soot_PAH((int)i);
        bind::at(p_k_r_soot_PAH, i) = kr;
    }

    update_p_soot_PAH();
    if (!steady_state_PAH_adsorption) update_soot_PAH_wdot();

    store_PAH_growth(
        *this, [this](bind::SizeT i) { return dC_tot_dt_PAH_each_reactived(i); },
        [this](bind::SizeT i) { return dH_tot_dt_PAH_each_reactived(i); }, false);

    p_dC_tot_dt_PAH = dC_tot_dt_PAH();
    p_dH_tot_dt_PAH = bind::as_double(dH_tot_dt_PAH().get());
}

// Rate of physical dimerisation of precursors i and j, k_FWD(i, j)·c_i·c_j.
static double forward_dimerisation(CSootModel& m, Py_ssize_t i, Py_ssize_t j) {
    double kf = m.k_FWD((int)i, (int)j);
    double c_i = m.molar_density(bind::at(m.PAH_indices, i));
    double c_j = m.molar_density(bind::at(m.PAH_indices, j));
    return kf * c_i * c_j;
}

void CSootModel::update_phy_dimer__impl() {
    if (steady_state_physical_dimerization) {
        Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
        Py_ssize_t b = 0;
        for (Py_ssize_t i = 0; i < n; ++i)
            for (Py_ssize_t j = i; j < n; ++j, ++b) {
                double num = forward_dimerisation(*this, i, j);
                double kr = k_REV((int)i, (int)j);
                double kreac = k_REAC();
                double v = bind::fdiv(num, kr + kreac);
                bind::at(p_phy_dimer_, b) = v;
            }
    } else {
        for (Py_ssize_t b = 0; b < (Py_ssize_t)dimer_PAH_1_id.size(); ++b) {
            double c = molar_density(bind::at(phy_dimer_indices, b));
            bind::at(p_phy_dimer_, b) = c;
        }
    }
}

void CSootModel::update_ROP_impl() {
    for (Py_ssize_t b = 0; b < (Py_ssize_t)dimer_PAH_1_id.size(); ++b) {
        double r = ROP_dimer((int)b);
        // A formation rate never goes below zero; NaN passes.
        bind::Items(p_ROP).set(b, r < 0.0 ? 0.0 : r);
    }
}

void CSootModel::update_phy_dimer_wdot_impl() {
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    Py_ssize_t b = 0;
    for (Py_ssize_t i = 0; i < n; ++i)
        for (Py_ssize_t j = i; j < n; ++j, ++b) {
            double fwd = forward_dimerisation(*this, i, j);
            double c_D = molar_density(bind::at(phy_dimer_indices, b));
            double kr = k_REV((int)i, (int)j);
            bind::Items(phy_dimer_wdot).set(b, (fwd - c_D * kr) / 1000);
        }
}

void CSootModel::update_p_soot_PAH_impl() {
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    if (steady_state_PAH_adsorption) {
        for (Py_ssize_t i = 0; i < n; ++i) {
            double v = soot_PAH_star(bind::SizeT{(size_t)i});
            bind::at(p_soot_PAH_star, i) = v;
        }
    } else {
        for (Py_ssize_t i = 0; i < n; ++i) {
            double c = molar_density(bind::at(soot_PAH_indices, i));
            bind::at(p_soot_PAH_star, i) = bind::pymax(c, 0.0);
        }
    }
}

void CSootModel::update_soot_PAH_wdot_impl() {
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    for (Py_ssize_t i = 0; i < n; ++i) {
        double kf = bind::at(p_k_f_soot_PAH, i);
        double c = molar_density(bind::at(PAH_indices, i));
        double ads = N_agg * density * kf * bind::pymax(c, 0.0);
        double c_S = molar_density(bind::at(soot_PAH_indices, i));
        double des = bind::pymax(c_S, 0.0) * bind::at(p_k_r_soot_PAH, i);
        bind::Items(soot_PAH_wdot).set(i, (ads - des) / 1000);
    }
}

// ------------------------------------------------------- pair quantities

double CSootModel::reduced_m_impl(int PAH_1_id, int PAH_2_id) {
    double m_i = mass(*this, PAH_1_id);
    double m_j = mass(*this, PAH_2_id);
    return bind::fdiv(m_i * m_j, m_i + m_j);
}

double CSootModel::reduced_d_impl(int PAH_1_id, int PAH_2_id) {
    double d_i = diameter(*this, PAH_1_id);
    double d_j = diameter(*this, PAH_2_id);
    return bind::fdiv(2 * d_i * d_j, d_i + d_j);
}

double CSootModel::k_FWD_impl(int PAH_1_id, int PAH_2_id) {
    double d = reduced_d(PAH_1_id, PAH_2_id);
    double mu = reduced_m(PAH_1_id, PAH_2_id);
    // Collision frequency of the pair, with NumPy's full pi.
    return std::pow(d, 2.0) * (k_FWD_prefactor * 2.2 * 0.1 * Av) *
           std::pow(bind::pydiv(8.0 * M_PI * kB * T, mu), 0.5);
}

bind::NpFloat CSootModel::k_REV_impl(int PAH_1_id, int PAH_2_id) {
    double kf = k_FWD(PAH_1_id, PAH_2_id);
    bind::Items mw(MWs);
    double M_i = mw.get(bind::at(PAH_indices, PAH_1_id));
    double M_j = mw.get(bind::at(PAH_indices, PAH_2_id));
    // Binding energy of the pair from the molar masses, J/mol.
    double E = 933420.0 * (M_i * M_j) / (M_i + M_j) - 34053.0;
    return kf * std::pow(10.0, -1.8) * std::exp(E * (-0.115) * std::log(10.0) / (T * R));
}

bind::NpFloat CSootModel::k_REAC_impl() {
    return (K_REACT_prefactor * 5e6) * std::exp(bind::fdiv(-(Ea_REACT_prefactor * 96232), T * R));
}

bind::NpFloat CSootModel::k_PAH_impl() {
    return (K_PAH_ADS_prefactor * 2e10) * std::exp(bind::fdiv(-(Ea_PAH_ADS_prefactor * 96232), T * R));
}

bind::NpFloat CSootModel::ROP_dimer_impl(int dimer_id) {
    double k = k_REAC();
    return k * bind::at(p_phy_dimer_, dimer_id);
}

// -------------------------------------------------------- soot-PAH kernels

double CSootModel::beta_fm_soot_PAH_impl(int PAH_id) { return beta_fm(*this, PAH_id); }

bind::NpFloat CSootModel::beta_cont_soot_PAH_impl(int PAH_id) {
    double d = diameter(*this, PAH_id);
    double diff = bind::fdiv(2 * kB * T, viscosity * 3);
    double cs_soot = C_S_soot(p_d_m);
    double cs_pah = C_S_soot(d);
    // Slip of the particle taken at its mobility diameter.
    return diff * (cs_soot / p_d_g + cs_pah / d) * (d + p_d_g);
}

double CSootModel::k_f_soot_PAH_impl(int PAH_id) {
    double fm = beta_fm_soot_PAH(PAH_id);
    double cont = beta_cont_soot_PAH(PAH_id);
    // Harmonic blend of the free-molecular and continuum kernels.
    return bind::fdiv(fm * cont, fm + cont) * Av;
}

bind::NpFloat CSootModel::k_r_soot_PAH_impl(int PAH_id) {
    double m_s = bind::fdiv(C_tot * MW_carbon, N_agg);
    double kf = bind::at(p_k_f_soot_PAH, PAH_id);
    double M = bind::Items(MWs).get(bind::at(PAH_indices, PAH_id));
    double E = 933420.0 * (m_s * M) / (m_s + M) - 34053.0;
    return std::pow(10.0, -1.8) * kf * std::exp(E * (-0.115) * std::log(10.0) / (T * R));
}

bind::NpFloat CSootModel::C_S_soot_impl(double d) {
    double lam = p_lambda_gas;
    return 1 + bind::fdiv(2 * lam, d) * (1.21 + 0.4 * std::exp(bind::fdiv(-0.78 * d, lam)));
}

bind::NpFloat CSootModel::soot_PAH_star_impl(bind::SizeT PAH_id) {
    Py_ssize_t i = (Py_ssize_t)PAH_id.v;
    int g = bind::at(PAH_indices, i);
    double kf = bind::at(p_k_f_soot_PAH, i);
    double c = molar_density(g);
    double num = N_agg * density * kf * bind::pymax(c, 0.0);
    double kr = bind::at(p_k_r_soot_PAH, i);
    double kp = k_PAH();
    return num / (kr + kp);
}

// ------------------------------------------------------ adsorption growth

bind::NpFloat CSootModel::dC_tot_dt_PAH_each_reactived_impl(bind::SizeT PAH_id) {
    Py_ssize_t i = (Py_ssize_t)PAH_id.v;
    double n_C = bind::at(PAH_n_C, i);
    double kp = k_PAH();
    return n_C * kp * bind::at(p_soot_PAH_star, i) / density;
}

bind::NpFloat CSootModel::dH_tot_dt_PAH_each_reactived_impl(bind::SizeT PAH_id) {
    Py_ssize_t i = (Py_ssize_t)PAH_id.v;
    double n_H = bind::at(PAH_n_H, i);
    double kp = k_PAH();
    return (n_H - 2) * kp * bind::at(p_soot_PAH_star, i) / density;
}

double CSootModel::dC_tot_dt_PAH_impl() {
    double acc = 0.0;
    for (double v : p_dC_tot_dt_PAH_each) acc += v;
    return acc;
}

Ref CSootModel::dH_tot_dt_PAH_impl() {
    // The sum starts from the integer 0, which is what an empty array gives.
    if (p_dH_tot_dt_PAH_each.empty()) return bind::py(0);
    double acc = 0.0;
    for (double v : p_dH_tot_dt_PAH_each) acc += v;
    return bind::py(acc);
}

// --------------------------------------------------------------- inception

// Each chemical dimer is a new particle; with modified particle addition the
// new particles are counted as the carbon added over that of the smallest one.
bind::NpFloat CSootModel::inception_N_agg_reactived_impl() {
    if (modified_particle_addition) return dot(p_ROP, dimer_n_C) / min_n_C / density;
    return sum(p_ROP) / density;
}
bind::NpFloat CSootModel::inception_C_tot_reactived_impl() { return dot(p_ROP, dimer_n_C) / density; }
bind::NpFloat CSootModel::inception_H_tot_reactived_impl() { return dot(p_ROP, dimer_n_H) / density; }

// --------------------------------------------------------------- scrubbing

void CSootModel::update_scrub_wdot_PAH_growth_reactived_impl() {
    if (inception_enabled) {
        bind::Items w(scrub_wdot), rop(p_ROP);
        // Read only where the physical dimers are gas species.
        std::optional<bind::Items> pw;
        if (!steady_state_physical_dimerization) pw.emplace(phy_dimer_wdot);
        // Each dimer takes its two precursor molecules and releases one H2.
        for (Py_ssize_t b = 0; b < (Py_ssize_t)dimer_PAH_1_id.size(); ++b) {
            int P1 = bind::at(PAH_indices, bind::at(dimer_PAH_1_id, b));
            int P2 = bind::at(PAH_indices, bind::at(dimer_PAH_2_id, b));
            if (steady_state_physical_dimerization) {
                w.set(P1, w.get(P1) - rop.get(b) / 1000.0);
                w.set(P2, w.get(P2) - rop.get(b) / 1000.0);
                w.set(H2_index, w.get(H2_index) + rop.get(b) / 1000.0);
            } else {
                w.set(P1, w.get(P1) - pw->get(b));
                w.set(P2, w.get(P2) - pw->get(b));
                w.set(H2_index, w.get(H2_index) + rop.get(b) / 1000.0);
                int D = bind::at(phy_dimer_indices, b);
                w.set(D, w.get(D) - rop.get(b) / 1000.0);
            }
        }
    }
    if (growth_enabled && growth_PAH_adsorption_enabled) {
        bind::Items w(scrub_wdot);
        std::optional<bind::Items> sw;
        if (!steady_state_PAH_adsorption) sw.emplace(soot_PAH_wdot);
        // Adsorption takes one precursor molecule per n_C carbon atoms added and
        // releases the two hydrogen atoms that do not stay on the soot.
        for (Py_ssize_t i = 0; i < (Py_ssize_t)PAH_indices.size(); ++i) {
            int g = bind::at(PAH_indices, i);
            double a_C = bind::fdiv(bind::at(p_dC_tot_dt_PAH_each, i) * density, bind::at(PAH_n_C, i) * 1000);
            double a_H = bind::fdiv(bind::at(p_dH_tot_dt_PAH_each, i) * density * 2,
                                    (bind::at(PAH_n_H, i) - 2) * 1000);
            if (steady_state_PAH_adsorption) {
                w.set(g, w.get(g) - a_C);
                w.set(H_index, w.get(H_index) + a_H);
            } else {
                w.set(g, w.get(g) - sw->get(i));
                w.set(H_index, w.get(H_index) + a_H);
                int S = bind::at(soot_PAH_indices, i);
                w.set(S, w.get(S) - a_C);
            }
        }
    }
}

}  // namespace pyrandel
