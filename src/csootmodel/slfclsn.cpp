// PAH-growth variants 2 and 3: self-collision dimerisation. Each precursor
// dimerises with its own kind; a dimer either meets another dimer (a new
// particle) or condenses on a soot aggregate. The dimer concentration follows
// from the steady balance of the three rates, per precursor (variant 2) or for
// one lumped dimer population weighted by the dimerisation rates (variant 3).
#include "../binding/arrays.hpp"  // Python.h first

#include <cmath>

#include "precursors.hpp"
#include "sootmodel.hpp"

namespace pyrandel {

using bind::Ref;

namespace {

// Molar mass in kg/mol of gas species j, as MWs[j].
inline double mw(const CSootModel& m, int j) { return bind::Items(m.MWs).get(j); }

// Collision prefactors shared by the per-precursor and the lumped balance.
struct Prefactors {
    double F, G, H, K;
};

Prefactors collision_prefactors(const CSootModel& m) {
    Prefactors p;
    p.F = std::pow(bind::fdiv(6 * m.kB * m.T, m.rho_soot), 0.5);
    p.G = 4.4 * std::pow(bind::fdiv(3, 4 * m.Pi), 0.166667);
    p.H = 1.3 * std::pow(bind::fdiv(m.kB * m.Pi * m.T, 2 * m.rho_soot), 0.5);
    p.K = m.Av * m.N_agg * m.density;
    return p;
}

// Positive root of a*D^2 + b*D = omega; 0 when the discriminant is not positive.
inline double steady_dimer(double a, double b, double omega) {
    double disc = std::pow(b, 2.0) + 4 * a * omega;
    if (disc > 0) return bind::fdiv(std::pow(disc, 0.5) - b, 2 * a);
    return 0.0;
}

}  // namespace

// ------------------------------------------------------------------ sizing

void CSootModel::create_PAH_dimer_slfclsn_impl() {
    size_t n = PAH_indices.size();
    omega_PAH.resize(n);
    _dimer_.resize(n);
    a_inc.resize(n);
    w_inc.resize(n);
    b_cond.resize(n);
    w_cond.resize(n);
    p_dC_tot_dt_PAH_each.resize(n);
    p_dH_tot_dt_PAH_each.resize(n);
    stick_eff.resize(n);
}

void CSootModel::create_PAH_dimer_slfclsn_lump_impl() {
    size_t n = PAH_indices.size();
    dimer_weight.resize(n);
    omega_PAH.resize(n);
    _dimer_.resize(n);
    p_dC_tot_dt_PAH_each.resize(n);
    p_dH_tot_dt_PAH_each.resize(n);
    stick_eff.resize(n);
}

// ---------------------------------------------------------- dimerisation

void CSootModel::update_omega_PAH_impl() {
    omega_PAH_tot = 0.0;
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    for (Py_ssize_t i = 0; i < n; ++i) {
        int j = bind::at(PAH_indices, i);
        double c = bind::pymax(molar_density(j), 0.0);
        double m = mw(*this, j) / Av;
        // diameter of a sphere of soot density
        double d = std::pow(bind::fdiv(6 * m, Pi * rho_soot), 0.33333333334);
        double w = std::pow(bind::fdiv(4 * Pi * kB * T, m), 0.5) * bind::at(stick_eff, i) * d * d * c * c * Av;
        bind::at(omega_PAH, i) = w;
        omega_PAH_tot += w;
    }
}

// ------------------------------------------------- per-precursor balance

void CSootModel::update_ab_impl() {
    Prefactors p = collision_prefactors(*this);
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    for (Py_ssize_t i = 0; i < n; ++i) {
        int j = bind::at(PAH_indices, i);
        double m_D = 2 * mw(*this, j) / Av;
        double d_D = std::pow(bind::fdiv(6 * m_D, Pi * rho_soot), 0.33333333334);
        double V_D = std::pow(d_D, 3.0) * (Pi / 6);
        bind::at(a_inc, i) = p.F * p.G * 4 * 1.41421356 * Av * std::pow(V_D, 0.166667);
        double kh = p.K * p.H * std::pow(d_D + p_d_g, 2.0);
        double inv_V_D = bind::fdiv(1, V_D);
        double inv_V_Ag = bind::pydiv(1.0, V_Ag());
        bind::at(b_cond, i) = kh * std::pow(inv_V_D + inv_V_Ag, 0.5);
    }
}

void CSootModel::update_dimer__impl() {
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    for (Py_ssize_t i = 0; i < n; ++i)
        bind::at(_dimer_, i) = steady_dimer(bind::at(a_inc, i), bind::at(b_cond, i), bind::at(omega_PAH, i));
}

void CSootModel::update_w_inc_impl() {
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    for (Py_ssize_t i = 0; i < n; ++i) bind::at(w_inc, i) = bind::at(a_inc, i) * 0.5 * std::pow(bind::at(_dimer_, i), 2.0);
}

void CSootModel::update_w_cond_impl() {
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    for (Py_ssize_t i = 0; i < n; ++i) bind::at(w_cond, i) = bind::at(b_cond, i) * bind::at(_dimer_, i);
}

// A condensing dimer brings two precursor molecules, each less two hydrogen atoms.
double CSootModel::dC_tot_dt_PAH_each_slfclsn_impl(bind::SizeT PAH_id) {
    return bind::fdiv(bind::at(PAH_n_C, PAH_id) * 2 * bind::at(w_cond, PAH_id), density);
}

double CSootModel::dH_tot_dt_PAH_each_slfclsn_impl(bind::SizeT PAH_id) {
    return bind::fdiv((bind::at(PAH_n_H, PAH_id) - 2) * 2 * bind::at(w_cond, PAH_id), density);
}

void CSootModel::PAH_growth_update_slfclsn_impl() {
    update_omega_PAH();
    update_ab();
    update_dimer_();
    update_w_inc();
    update_w_cond();
    store_PAH_growth(
        *this, [this](bind::SizeT i) { return dC_tot_dt_PAH_each_slfclsn(i); }, [this](bind::SizeT i) { return dH_tot_dt_PAH_each_slfclsn(i); }, true);
}

// A dimer-dimer collision brings four precursor molecules with all their
// hydrogen; one new particle holds min_n_C carbon atoms.
double CSootModel::inception_N_agg_slfclsn_impl() {
    return sum_over_precursors(*this, [this](size_t i) {
        return bind::fdiv(bind::fdiv(bind::at(PAH_n_C, i) * 4, (double)min_n_C) * bind::at(w_inc, i), density);
    });
}

double CSootModel::inception_C_tot_slfclsn_impl() {
    return sum_over_precursors(
        *this, [this](size_t i) { return bind::fdiv(bind::at(PAH_n_C, i) * 4 * bind::at(w_inc, i), density); });
}

double CSootModel::inception_H_tot_slfclsn_impl() {
    return sum_over_precursors(
        *this, [this](size_t i) { return bind::fdiv(bind::at(PAH_n_H, i) * 4 * bind::at(w_inc, i), density); });
}

// ---------------------------------------------------------- lumped balance

void CSootModel::update_dimer_weight_impl() {
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    for (Py_ssize_t i = 0; i < n; ++i) {
        if (omega_PAH_tot > 0)
            bind::at(dimer_weight, i) = bind::at(omega_PAH, i) / omega_PAH_tot;
        else
            bind::at(dimer_weight, i) = 1.0 / (double)n;
    }
}

void CSootModel::update_ab_lump_impl() {
    Prefactors p = collision_prefactors(*this);
    lumpdimer_n_C = 0.0;
    lumpdimer_n_H = 0.0;
    double V = 0.0;
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    for (Py_ssize_t i = 0; i < n; ++i) {
        double nC = bind::at(PAH_n_C, i);
        double w = bind::at(dimer_weight, i);
        // disc diameter of the precursor
        double d_i = d_A * std::pow(2 * nC / 3, 0.5);
        V += (Pi / 6) * std::pow(d_i, 3.0) * 2 * w;
        lumpdimer_n_C += 2 * w * nC;
        lumpdimer_n_H += 2 * w * bind::at(PAH_n_H, i);
    }
    a_lumpinc = p.F * p.G * 4 * 1.41421356 * Av * std::pow(V, 0.166667);
    double d_D = std::pow(bind::fdiv(6 * V, Pi), 0.3333334);
    double kh = p.K * p.H * std::pow(d_D + p_d_g, 2.0);
    double inv_V = bind::fdiv(1, V);
    double inv_V_Ag = bind::pydiv(1.0, V_Ag());
    b_lumpcond = kh * std::pow(inv_V + inv_V_Ag, 0.5);
}

void CSootModel::update_lumpdimer__impl() { _lumpdimer_ = steady_dimer(a_lumpinc, b_lumpcond, omega_PAH_tot); }

void CSootModel::update_w_lumpinc_impl() { w_lumpinc = a_lumpinc * 0.5 * std::pow(_lumpdimer_, 2.0); }

void CSootModel::update_w_lumpcond_impl() { w_lumpcond = b_lumpcond * _lumpdimer_; }

double CSootModel::dC_tot_dt_PAH_each_slfclsn_lump_impl(bind::SizeT PAH_id) {
    return bind::fdiv(bind::at(PAH_n_C, PAH_id) * 2 * w_lumpcond * bind::at(dimer_weight, PAH_id), density);
}

double CSootModel::dH_tot_dt_PAH_each_slfclsn_lump_impl(bind::SizeT PAH_id) {
    return bind::fdiv((bind::at(PAH_n_H, PAH_id) - 2) * 2 * w_lumpcond * bind::at(dimer_weight, PAH_id), density);
}

void CSootModel::PAH_growth_update_slfclsn_lump_impl() {
    update_omega_PAH();
    update_dimer_weight();
    update_ab_lump();
    update_lumpdimer_();
    update_w_lumpinc();
    update_w_lumpcond();
    store_PAH_growth(
        *this, [this](bind::SizeT i) { return dC_tot_dt_PAH_each_slfclsn_lump(i); }, [this](bind::SizeT i) { return dH_tot_dt_PAH_each_slfclsn_lump(i); }, true);
}

double CSootModel::inception_N_agg_slfclsn_lump_impl() {
    return bind::fdiv(bind::fdiv(lumpdimer_n_C * 2, (double)min_n_C) * w_lumpinc, density);
}

double CSootModel::inception_C_tot_slfclsn_lump_impl() { return bind::fdiv(lumpdimer_n_C * 2 * w_lumpinc, density); }

double CSootModel::inception_H_tot_slfclsn_lump_impl() { return bind::fdiv(lumpdimer_n_H * 2 * w_lumpinc, density); }

// ------------------------------------------------------------- scrubbing
// Rates in mol/(m3 s), scrub_wdot in kmol/(m3 s).

void CSootModel::update_scrub_wdot_PAH_growth_slfclsn_impl() {
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    if (inception_enabled) {
        bind::Items s(scrub_wdot);
        for (Py_ssize_t i = 0; i < n; ++i) s.add(bind::at(PAH_indices, i), -(bind::at(w_inc, i) * 4 / 1000));
    }
    if (growth_enabled && growth_PAH_adsorption_enabled) {
        bind::Items s(scrub_wdot);
        for (Py_ssize_t i = 0; i < n; ++i) {
            s.add(bind::at(PAH_indices, i), -(bind::at(w_cond, i) * 2 / 1000));
            s.add(H_index, bind::at(w_cond, i) * 2 / 1000);
        }
    }
}

void CSootModel::update_scrub_wdot_PAH_growth_slfclsn_lump_impl() {
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    if (inception_enabled) {
        bind::Items s(scrub_wdot);
        for (Py_ssize_t i = 0; i < n; ++i)
            s.add(bind::at(PAH_indices, i), -(w_lumpinc * 4 * bind::at(dimer_weight, i) / 1000));
    }
    if (growth_enabled && growth_PAH_adsorption_enabled) {
        bind::Items s(scrub_wdot);
        for (Py_ssize_t i = 0; i < n; ++i) {
            s.add(bind::at(PAH_indices, i), -(w_lumpcond * 2 * bind::at(dimer_weight, i) / 1000));
            s.add(H_index, w_lumpcond * 2 * bind::at(dimer_weight, i) / 1000);
        }
    }
}

// ------------------------------------------------------ sticking efficiency

void CSootModel::initialize_stick_eff_impl() {
    Py_ssize_t n = (Py_ssize_t)PAH_indices.size();
    for (Py_ssize_t i = 0; i < n; ++i) {
        double M = mw(*this, bind::at(PAH_indices, i));
        bind::at(stick_eff, i) = 15.0 * std::pow(M, 4.0);
    }
}

}  // namespace pyrandel
