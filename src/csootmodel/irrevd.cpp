// PAH growth by irreversible dimerisation.
//
// Each precursor dimerises only with itself, at the collision rate of two of
// its molecules; every dimer is a new particle and releases one H2. Adsorption
// on soot is direct and irreversible: it adds the precursor's carbon and all
// but two of its hydrogen atoms and releases two H atoms.
#include "formulas.hpp"
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
    int i = bind::as_int(PAH_1_id), j = bind::as_int(PAH_2_id);
    return bind::py(csm::k_nuc_of(csm::Checked{*this}, i, j));
}

void CSootModel::update_ROP_irrevd_impl() {
    for (Py_ssize_t b = 0; b < (Py_ssize_t)dimer_PAH_1_id.size(); ++b) {
        int i = bind::at(dimer_PAH_1_id, b);
        int j = bind::at(dimer_PAH_2_id, b);
        bind::Items(p_ROP).set(b, csm::ROP_irrevd_of(csm::Checked{*this}, i, j));
    }
}

// The free-molecular soot-PAH kernel, per particle pair.
double CSootModel::k_PAH_ads_irrevd_impl(int PAH_id) { return beta_fm_soot_PAH_impl(PAH_id); }

// Carbon and hydrogen added by adsorption share one rate constant, so that the
// precursor taken from the gas and the H atoms released describe one rate.
double CSootModel::dC_tot_dt_PAH_each_irrevd_impl(bind::SizeT PAH_id) {
    return csm::dC_each_irrevd_of(csm::Checked{*this}, (Py_ssize_t)PAH_id.v);
}
double CSootModel::dH_tot_dt_PAH_each_irrevd_impl(bind::SizeT PAH_id) {
    return csm::dH_each_irrevd_of(csm::Checked{*this}, (Py_ssize_t)PAH_id.v);
}

// The inception terms are those of reactive dimerisation, on this variant's dimers.
bind::NpFloat CSootModel::inception_N_agg_irrevd_impl() { return inception_N_agg_reactived_impl(); }
bind::NpFloat CSootModel::inception_C_tot_irrevd_impl() { return inception_C_tot_reactived_impl(); }
bind::NpFloat CSootModel::inception_H_tot_irrevd_impl() { return inception_H_tot_reactived_impl(); }

// The dimers and complexes of this variant are never gas species.
void CSootModel::update_scrub_wdot_PAH_growth_irrevd_impl() {
    scrub_dimer_rows(*this, [] { return false; }, [] { return false; });
}

}  // namespace pyrandel
