// Loops over the PAH precursors shared by the PAH-growth variants.
#pragma once

#include "../binding/arrays.hpp"

#include <optional>

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

// The gas rows of the dimer variants' scrubbing, kmol/(m3 s). Each dimer takes
// its two precursor molecules and releases one H2; adsorption takes one
// precursor molecule per n_C carbon atoms added and releases the two hydrogen
// atoms that do not stay on the soot. Where the physical dimers
// (`dimers_in_gas()`) or the soot-PAH complexes (`complexes_in_gas()`) are gas
// species, the precursors go at those species' formation rates and the species
// themselves are used up. The switches are asked for at each row: reading an
// array element may run code that turns them.
template <class DimersInGas, class ComplexesInGas>
void scrub_dimer_rows(CSootModel& m, DimersInGas dimers_in_gas, ComplexesInGas complexes_in_gas) {
    if (m.inception_enabled) {
        bind::Items w(m.scrub_wdot), rop(m.p_ROP);
        std::optional<bind::Items> pw;
        if (dimers_in_gas()) pw.emplace(m.phy_dimer_wdot);
        for (Py_ssize_t b = 0; b < (Py_ssize_t)m.dimer_PAH_1_id.size(); ++b) {
            int P1 = bind::at(m.PAH_indices, bind::at(m.dimer_PAH_1_id, b));
            int P2 = bind::at(m.PAH_indices, bind::at(m.dimer_PAH_2_id, b));
            const bool in_gas = dimers_in_gas();
            if (in_gas && !pw) pw.emplace(m.phy_dimer_wdot);
            auto taken = [&] { return in_gas ? pw->get(b) : rop.get(b) / 1000.0; };
            w.set(P1, w.get(P1) - taken());
            w.set(P2, w.get(P2) - taken());
            w.set(m.H2_index, w.get(m.H2_index) + rop.get(b) / 1000.0);
            if (!in_gas) continue;
            int D = bind::at(m.phy_dimer_indices, b);
            w.set(D, w.get(D) - rop.get(b) / 1000.0);
        }
    }
    if (m.growth_enabled && m.growth_PAH_adsorption_enabled) {
        bind::Items w(m.scrub_wdot);
        std::optional<bind::Items> sw;
        if (complexes_in_gas()) sw.emplace(m.soot_PAH_wdot);
        for (Py_ssize_t i = 0; i < (Py_ssize_t)m.PAH_indices.size(); ++i) {
            int g = bind::at(m.PAH_indices, i);
            double a_C = bind::fdiv(bind::at(m.p_dC_tot_dt_PAH_each, i) * m.density, bind::at(m.PAH_n_C, i) * 1000);
            double a_H = bind::fdiv(bind::at(m.p_dH_tot_dt_PAH_each, i) * m.density * 2,
                                    (bind::at(m.PAH_n_H, i) - 2) * 1000);
            const bool in_gas = complexes_in_gas();
            if (in_gas && !sw) sw.emplace(m.soot_PAH_wdot);
            w.set(g, w.get(g) - (in_gas ? sw->get(i) : a_C));
            w.set(m.H_index, w.get(m.H_index) + a_H);
            if (!in_gas) continue;
            int S = bind::at(m.soot_PAH_indices, i);
            w.set(S, w.get(S) - a_C);
        }
    }
}

}  // namespace pyrandel
