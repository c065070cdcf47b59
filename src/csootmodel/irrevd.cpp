// PAH growth by irreversible dimerisation.
//
// Each precursor dimerises only with itself, at the collision rate of two of
// its molecules; every dimer is a new particle and releases one H2. Adsorption
// on soot is direct and irreversible: it adds the precursor's carbon and all
// but two of its hydrogen atoms and releases two H atoms.
#include "precursors.hpp"
#include "sootmodel.hpp"

namespace pyrandel {

using bind::Ref;

void CSootModel::create_PAH_dimer_irrevd_impl() {
    size_t n = PAH_indices.size();
    p_dC_tot_dt_PAH_each.resize(n);
    p_dH_tot_dt_PAH_each.resize(n);
    dimer_PAH_1_id.resize(n);
    dimer_PAH_2_id.resize(n);
    dimer_n_C = bind::zeros((Py_ssize_t)n);
    dimer_n_H = bind::zeros((Py_ssize_t)n);
    p_ROP = bind::zeros((Py_ssize_t)n);

    bind::Items nC(dimer_n_C), nH(dimer_n_H);
    for (Py_ssize_t b = 0; b < (Py_ssize_t)n; ++b) {
        bind::at(dimer_PAH_1_id, b) = (int)b;
        bind::at(dimer_PAH_2_id, b) = (int)b;
        nC.set(b, bind::at(PAH_n_C, b) * 2);
        nH.set(b, bind::at(PAH_n_H, b) * 2);
    }
}

void CSootModel::PAH_growth_update_irrevd_impl() {
    vtab->update_ROP_irrevd(this);

    store_PAH_growth(
        *this, [this](bind::SizeT i) { return dC_tot_dt_PAH_each_irrevd(i); },
        [this](bind::SizeT i) { return dH_tot_dt_PAH_each_irrevd(i); }, false);

    p_dC_tot_dt_PAH = dC_tot_dt_PAH();
    p_dH_tot_dt_PAH = bind::as_double(dH_tot_dt_PAH().get());
}

Ref CSootModel::k_nuc_irrevd_impl(PyObject* PAH_1_id, PyObject* PAH_2_id) {
    double d = reduced_d(bind::as_int(PAH_1_id), bind::as_int(PAH_2_id));
    double mu = reduced_m(bind::as_int(PAH_1_id), bind::as_int(PAH_2_id));
    // Collision rate of two precursor molecules, m3/(mol s), with the model's Pi.
    return bind::py(std::pow(d, 2.0) * (Av * 2.2) * std::pow(bind::fdiv(Pi * 8.0 * kB * T, mu), 0.5));
}

void CSootModel::update_ROP_irrevd_impl() {
    for (Py_ssize_t b = 0; b < (Py_ssize_t)dimer_PAH_1_id.size(); ++b) {
        int i = bind::at(dimer_PAH_1_id, b);
        int j = bind::at(dimer_PAH_2_id, b);
        double c_i = molar_density(bind::at(PAH_indices, i));
        double c_j = molar_density(bind::at(PAH_indices, j));
        Ref k = vtab->k_nuc_irrevd(this, bind::py(i).get(), bind::py(j).get());
        double r = bind::as_double(k.get()) * c_i * c_j;
        // A formation rate never goes below zero; NaN passes.
        bind::Items(p_ROP).set(b, r < 0.0 ? 0.0 : r);
    }
}

// The free-molecular soot-PAH kernel, per particle pair.
double CSootModel::k_PAH_ads_irrevd_impl(int PAH_id) { return beta_fm_soot_PAH_impl(PAH_id); }

// Carbon and hydrogen added by adsorption share one rate constant, so that the
// precursor taken from the gas and the H atoms released describe one rate.
double CSootModel::dC_tot_dt_PAH_each_irrevd_impl(bind::SizeT PAH_id) {
    Py_ssize_t i = (Py_ssize_t)PAH_id.v;
    double n_C = bind::at(PAH_n_C, i);
    double k = k_f_soot_PAH((int)i);
    double c = bind::pymax(molar_density(bind::at(PAH_indices, i)), 0.0);
    return bind::pydiv(n_C * k * (N_agg * density) * c, density);
}

double CSootModel::dH_tot_dt_PAH_each_irrevd_impl(bind::SizeT PAH_id) {
    Py_ssize_t i = (Py_ssize_t)PAH_id.v;
    double n_H = bind::at(PAH_n_H, i);
    double k = k_f_soot_PAH((int)i);
    double c = bind::pymax(molar_density(bind::at(PAH_indices, i)), 0.0);
    return bind::pydiv((n_H - 2) * k * (N_agg * density) * c, density);
}

// The inception terms are those of reactive dimerisation, on this variant's dimers.
bind::NpFloat CSootModel::inception_N_agg_irrevd_impl() { return inception_N_agg_reactived_impl(); }
bind::NpFloat CSootModel::inception_C_tot_irrevd_impl() { return inception_C_tot_reactived_impl(); }
bind::NpFloat CSootModel::inception_H_tot_irrevd_impl() { return inception_H_tot_reactived_impl(); }

void CSootModel::update_scrub_wdot_PAH_growth_irrevd_impl() {
    if (inception_enabled) {
        bind::Items w(scrub_wdot), rop(p_ROP);
        // Each dimer takes two precursor molecules and releases one H2.
        for (Py_ssize_t b = 0; b < (Py_ssize_t)dimer_PAH_1_id.size(); ++b) {
            int P1 = bind::at(PAH_indices, bind::at(dimer_PAH_1_id, b));
            int P2 = bind::at(PAH_indices, bind::at(dimer_PAH_2_id, b));
            w.set(P1, w.get(P1) - rop.get(b) / 1000.0);
            w.set(P2, w.get(P2) - rop.get(b) / 1000.0);
            w.set(H2_index, w.get(H2_index) + rop.get(b) / 1000.0);
        }
    }
    if (growth_enabled && growth_PAH_adsorption_enabled) {
        bind::Items w(scrub_wdot);
        for (Py_ssize_t i = 0; i < (Py_ssize_t)PAH_indices.size(); ++i) {
            int g = bind::at(PAH_indices, i);
            double a_C = bind::fdiv(bind::at(p_dC_tot_dt_PAH_each, i) * density, bind::at(PAH_n_C, i) * 1000);
            double a_H = bind::fdiv(bind::at(p_dH_tot_dt_PAH_each, i) * density * 2,
                                    (bind::at(PAH_n_H, i) - 2) * 1000);
            w.set(g, w.get(g) - a_C);
            w.set(H_index, w.get(H_index) + a_H);
        }
    }
}

}  // namespace pyrandel
