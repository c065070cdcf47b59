// Loops over the PAH precursors shared by the PAH-growth variants.
#pragma once

#include "../binding/arrays.hpp"
#include "sootmodel.hpp"

namespace pyrandel {

// Sum of f(i) over the precursors in index order, starting from 0.0.
template <class F>
double sum_over_precursors(const CSootModel& m, F f) {
    double s = 0.0;
    const size_t n = m.PAH_indices.size();
    for (size_t i = 0; i < n; ++i) s += f(i);
    return s;
}

// Stores each precursor's growth of C_tot and H_tot (computed in this order) in
// the per-precursor arrays; with `totals`, also adds them up into
// p_dC_tot_dt_PAH and p_dH_tot_dt_PAH as it goes.
template <class DC, class DH>
void store_PAH_growth(CSootModel& m, DC dC_of, DH dH_of, bool totals) {
    if (totals) {
        m.p_dC_tot_dt_PAH = 0.0;
        m.p_dH_tot_dt_PAH = 0.0;
    }
    const size_t n = m.PAH_indices.size();
    for (size_t i = 0; i < n; ++i) {
        double dC = dC_of(bind::SizeT{i});
        bind::at(m.p_dC_tot_dt_PAH_each, i) = dC;
        if (totals) m.p_dC_tot_dt_PAH += dC;
        double dH = dH_of(bind::SizeT{i});
        bind::at(m.p_dH_tot_dt_PAH_each, i) = dH;
        if (totals) m.p_dH_tot_dt_PAH += dH;
    }
}

}  // namespace pyrandel
