// PAH growth by reactive dimerisation, and the dimer and adsorption kinetics
// that the other PAH-growth variants share.
//
// Precursors form physical dimers reversibly; a physical dimer turns into a
// chemical dimer (a new particle, releasing one H2). Precursors adsorb on soot
// through a reversible complex that reacts at k_PAH, adding the precursor's
// carbon and all but two of its hydrogen atoms and releasing two H atoms.
#include "formulas.hpp"
#include "precursors.hpp"

namespace pyrandel {

using bind::Ref;

namespace {

using bind::dot;
using bind::sum;

// f(i, j, b) over every unordered pair of the n precursors, a precursor with
// itself included, precursor-major; b numbers the pairs.
template <class F>
void for_each_pair(Py_ssize_t n, F f) {
    Py_ssize_t b = 0;
    for (Py_ssize_t i = 0; i < n; ++i)
        for (Py_ssize_t j = i; j < n; ++j, ++b) f(i, j, b);
}

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

    bind::Items nC(dimer_n_C), nH(dimer_n_H);
    for_each_pair((Py_ssize_t)n, [&](Py_ssize_t i, Py_ssize_t j, Py_ssize_t b) {
        bind::at(dimer_PAH_1_id, b) = (int)i;
        bind::at(dimer_PAH_2_id, b) = (int)j;
        nC.set(b, bind::at(PAH_n_C, i) + bind::at(PAH_n_C, j));
        nH.set(b, bind::at(PAH_n_H, i) + bind::at(PAH_n_H, j));
    });
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

void CSootModel::update_phy_dimer__impl() {
    if (steady_state_physical_dimerization) {
        for_each_pair((Py_ssize_t)PAH_indices.size(), [this](Py_ssize_t i, Py_ssize_t j, Py_ssize_t b) {
            double v = csm::phy_dimer_of(csm::Checked{*this}, (int)i, (int)j);
            bind::at(p_phy_dimer_, b) = v;
        });
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
        bind::Items(p_ROP).set(b, csm::nonneg_rate(r));
    }
}

void CSootModel::update_phy_dimer_wdot_impl() {
    for_each_pair((Py_ssize_t)PAH_indices.size(), [this](Py_ssize_t i, Py_ssize_t j, Py_ssize_t b) {
        double fwd = csm::forward_dimerisation_of(csm::Checked{*this}, (int)i, (int)j);
        double c_D = molar_density(bind::at(phy_dimer_indices, b));
        double kr = k_REV((int)i, (int)j);
        bind::Items(phy_dimer_wdot).set(b, (fwd - c_D * kr) / 1000);
    });
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
    return csm::reduced_m_of(csm::Checked{*this}, PAH_1_id, PAH_2_id);
}
double CSootModel::reduced_d_impl(int PAH_1_id, int PAH_2_id) {
    return csm::reduced_d_of(csm::Checked{*this}, PAH_1_id, PAH_2_id);
}
double CSootModel::k_FWD_impl(int PAH_1_id, int PAH_2_id) {
    return csm::k_FWD_of(csm::Checked{*this}, PAH_1_id, PAH_2_id);
}
bind::NpFloat CSootModel::k_REV_impl(int PAH_1_id, int PAH_2_id) {
    return csm::k_REV_of(csm::Checked{*this}, PAH_1_id, PAH_2_id);
}
bind::NpFloat CSootModel::k_REAC_impl() { return csm::k_REAC_at(*this); }
bind::NpFloat CSootModel::k_PAH_impl() { return csm::k_PAH_at(*this); }
bind::NpFloat CSootModel::ROP_dimer_impl(int dimer_id) { return csm::ROP_dimer_of(csm::Checked{*this}, dimer_id); }

// -------------------------------------------------------- soot-PAH kernels

double CSootModel::beta_fm_soot_PAH_impl(int PAH_id) { return csm::beta_fm_of(csm::Checked{*this}, PAH_id); }
bind::NpFloat CSootModel::beta_cont_soot_PAH_impl(int PAH_id) {
    return csm::beta_cont_of(csm::Checked{*this}, PAH_id);
}
double CSootModel::k_f_soot_PAH_impl(int PAH_id) { return csm::k_f_soot_PAH_of(csm::Checked{*this}, PAH_id); }
bind::NpFloat CSootModel::k_r_soot_PAH_impl(int PAH_id) { return csm::k_r_soot_PAH_of(csm::Checked{*this}, PAH_id); }
bind::NpFloat CSootModel::C_S_soot_impl(double d) { return csm::C_S_soot_at(*this, d); }
bind::NpFloat CSootModel::soot_PAH_star_impl(bind::SizeT PAH_id) {
    return csm::soot_PAH_star_of(csm::Checked{*this}, (Py_ssize_t)PAH_id.v);
}

// ------------------------------------------------------ adsorption growth

bind::NpFloat CSootModel::dC_tot_dt_PAH_each_reactived_impl(bind::SizeT PAH_id) {
    return csm::dC_each_reactived_of(csm::Checked{*this}, (Py_ssize_t)PAH_id.v);
}
bind::NpFloat CSootModel::dH_tot_dt_PAH_each_reactived_impl(bind::SizeT PAH_id) {
    return csm::dH_each_reactived_of(csm::Checked{*this}, (Py_ssize_t)PAH_id.v);
}

double CSootModel::dC_tot_dt_PAH_impl() { return csm::sum_in_order(p_dC_tot_dt_PAH_each); }

Ref CSootModel::dH_tot_dt_PAH_impl() {
    // The sum starts from the integer 0, which is what an empty array gives.
    if (p_dH_tot_dt_PAH_each.empty()) return bind::py(0);
    return bind::py(csm::sum_in_order(p_dH_tot_dt_PAH_each));
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
    scrub_dimer_rows(
        *this, [this] { return !steady_state_physical_dimerization; }, [this] { return !steady_state_PAH_adsorption; });
}

}  // namespace pyrandel
