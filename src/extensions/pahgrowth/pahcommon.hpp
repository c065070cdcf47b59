// Pieces the dimer-coalescence and cross-linking models share: a held view of
// the gas wrapper, table entries whose body several classes share, the
// precursor counts as `self.PAH_n_C()` gives them, and checked scrub loops.
#pragma once

#include <iterator>

#include "../gas/sootgas.hpp"
#include "../sootwrapper/sootwrapper.hpp"
#include "pahgrowthbase.hpp"

namespace pyrandel {

// The gas wrapper of a model, held with its soot wrapper for the call (a
// Python call in between may replace either field).
struct GasView {
    bind::Ref w, g;
    CSootGas* p;
    explicit GasView(const CPAHGrowthBase* m)
        : w(held_wrapper(m->soot_wrapper, "soot_gas")), g(as_wrapper(w)->held_gas("soot_gas")),
          p(CPAHGrowthBase::as_gas(g)) {}
    double T() const { return p->vtab->T_c(p); }
    double rho() const { return p->vtab->rho_c(p); }
    double mu() const { return p->vtab->mu_c(p); }
    double lambda() const { return p->vtab->lambda_gas_c(p); }
    double C(int i) const { return p->C_entry(i); }
    double MW(int i) const { return p->vtab->MW_c(p, i); }
    int index(PyObject* name) const { return p->species_index_entry(name); }
};

// A table entry whose body lives in a struct shared by several classes; it
// reports under the qualified name in class Cls, as an entry of Cls's own would.
template <class Cls, auto F, bind::fstr Name>
struct shared_entry;
template <class Cls, class R, class C, class... P, R (C::*F)(P...), bind::fstr Name>
struct shared_entry<Cls, F, Name> {
    template <class B>
    static R fn(B* self, P... a) {
        try {
            return (static_cast<C*>(self)->*F)(a...);
        } catch (...) {
            bind::set_from_cpp_exception();
        }
        bind::report_unraisable(Cls::py_name, Name.s);
        if constexpr (!std::is_void_v<R>) return R{};
    }
    template <class R2, class B, class... A>
    constexpr operator bind::entry_ptr<R2, B, A...>() const {
        static_assert(std::is_same_v<R2, R> && (std::is_same_v<A, P> && ...), "entry signature differs from the slot");
        static_assert(std::is_base_of_v<B, C>, "entry of an unrelated class");
        return &fn<B>;
    }
};

// Carbon and hydrogen counts of the precursors as `self.PAH_n_C()[i]` and
// `self.PAH_n_H()[i]` give them: called by name once per step when a Python
// subclass overrides either, read from the soot wrapper otherwise.
class Counts {
    CPAHGrowthBase* m_;
    bind::Ref nC_, nH_;

public:
    explicit Counts(CPAHGrowthBase* m);
    double C(int i) const;
    double H(int i) const;
};

// Every precursor needs its atom counts: unequal precursor lists are refused
// before a model changes anything.
void check_precursor_lists(const CSootWrapper* w);

// Scrub writes of one entry: `add` tests the index against the buffer
// (IndexError "Out of bounds on buffer access (axis 0)"); the first failure
// ends the loop of the entry, whose table wrapper reports it. (A model's own
// loops call it by this name: inside a model, `scrub_add` names the base's.)
inline void scrub_at(bind::DoubleBuf& w, Py_ssize_t i, double delta) {
    const Py_ssize_t n = w.size();
    const Py_ssize_t j = i < 0 ? i + n : i;
    if (j < 0 || j >= n) [[unlikely]]
        CPAHGrowthBase::scrub_add(w, i, delta);  // raises as the base's write does
    else
        w.at(j) += delta;
}

// The scrub writes of one entry for every precursor i: `own(r[i])` at the
// precursor's species idx[i], then `other(r[i])` at species `other`. The element
// of `other` is resolved once and each precursor's once; from the first write
// that would land outside, every write goes the checked way (scrub_at), which
// raises at that write as the plain loop does.
template <class Own, class Other>
void scrub_pairs(bind::DoubleBuf& w, size_t n, const int* idx, const double* r, int other, Own own, Other oth) {
    const Py_ssize_t N = w.size();
    auto slot = [N](Py_ssize_t s) {
        const Py_ssize_t j = s < 0 ? s + N : s;
        return j >= 0 && j < N ? j : (Py_ssize_t)-1;
    };
    size_t i = 0;
    if (const Py_ssize_t jo = slot(other); jo >= 0) {
        double& w_other = w.at(jo);
        for (; i < n; ++i) {
            const Py_ssize_t j = slot(idx[i]);
            if (j < 0) break;
            const double v = r[i];
            w.at(j) += own(v);
            w_other += oth(v);
        }
    }
    for (; i < n; ++i) {
        const double v = r[i];
        scrub_at(w, idx[i], own(v));
        scrub_at(w, other, oth(v));
    }
}

// Two passes of scrub writes at the precursors' elements idx[i] of a plain array,
// `first(element, i)` for every precursor and then `second(element, i)`, each
// element found once (kept for the second pass where the list is short). False,
// after the first pass's writes so far, where an element lies outside the array.
template <class First, class Second>
bool precursor_passes(const bind::F64Span& w, const int* idx, size_t n, First first, Second second) {
    double* elem[8];
    const bool keep = n <= std::size(elem);
    for (size_t i = 0; i < n; ++i) {
        double* e = w.slot(idx[i]);
        if (!e) return false;
        if (keep) elem[i] = e;
        first(*e, i);
    }
    for (size_t i = 0; i < n; ++i) second(keep ? *elem[i] : *w.slot(idx[i]), i);
    return true;
}

// Precursor molecule masses and diameters for one step, on the path where
// nothing can override them or run Python code in between: the model's own
// class, its own gas wrapper, the switch of partial addition a bool, the
// cached gas values floats, and every value computable without an error. Off
// otherwise: the step then goes through the table entries, which report as
// they do. The values equal those of PAH_mass and PAH_diameter bit for bit.
struct StepGeometry {
    bool on = false;
    double T = 0.0, mu = 0.0, lam = 0.0, rho = 0.0;
    std::vector<double> mass, diam;
    std::vector<KeptPAHGeometry> kept;  // from one step to the next
    uint64_t version = 0;               // counts the rewrites of kept rows
    // The soot wrapper and gas wrapper of the step, borrowed: the precursor
    // lists hold at least mass.size() entries and every index is within the
    // gas's species.
    const CSootWrapper* sw = nullptr;
    CSootGas* gas = nullptr;
    bool fill(const CPAHGrowthBase* m, PyTypeObject* own);
    // The switch of partial addition, a bool while the step is on.
    bool partial() const { return sw->partial_particle_addition.get() == Py_True; }
    // The wrapper's C without its entry, where the entry is that quotient and
    // cannot raise: its own type (checked by fill), a float density, a non-zero
    // mean molecular weight, and every precursor index within the mole
    // fractions as fill saw them (other indices take in_X first). Tested where
    // a loop starts, as the values are read where they are used.
    bool X_holds_PAHs = false;
    size_t n_X = 0;
    bool plain_C() const {
        return X_holds_PAHs && gas->_X.size() == n_X && PyFloat_CheckExact(gas->_rho.get()) && gas->_mean_MW != 0.0;
    }
    double C_of(int s) const { return gas->C_plain(s); }
    bool in_X(int s) const { return s >= 0 && (size_t)s < gas->_X.size(); }
};

// Every vector holds at least n entries (the bounds tests of a step's loop, once).
template <class... V>
bool all_sized(size_t n, const V&... v) {
    return ((v.size() >= n) && ...);
}

// The start of a family's plain-route decision: the exact class on its own
// table, the step's geometry (see StepGeometry::fill), and the step's switches
// the soot wrapper's fields. Runs no Python code.
template <class Step>
bool plain_start(const CPAHGrowthBase* m, Step& d, PyTypeObject* own, const CPAHGrowthBaseVTable* own_table) {
    if (m->vtab != own_table || !d.fill(m, own)) return false;
    d.inception = d.sw->inception_enabled;
    d.adsorption = d.sw->PAH_adsorption_enabled;
    return true;
}

// The per-precursor arrays a fused step writes for each process switched on,
// `w_inc` the class's rate of inception: do they hold n entries?
inline bool process_arrays_sized(const CPAHGrowthBase& m, size_t n, bool inception, bool adsorption,
                                 const bind::Vec<double>& w_inc) {
    return (!inception ||
            all_sized(n, w_inc, m._C_tot_inception_each, m._H_tot_inception_each, m._N_agg_inception_each)) &&
           (!adsorption || all_sized(n, m._PAH_adsorption_rate, m._C_tot_PAH_each, m._H_tot_PAH_each));
}

// (1/v + 1/V_agg) ** 0.5 of a real sum.
inline double volume_root(double inv_v, double inv_V) { return std::pow(inv_v + inv_V, 0.5); }

// (1/v + 1/V_agg) ** 0.5 with the interpreter's numbers: V_agg is the object
// handed to update_soot_vars; a negative sum gives a complex number, which is
// no real number (TypeError).
double inverse_volume_root(const CPAHGrowthBase* m, PyObject* V_agg, double inv_v);

}  // namespace pyrandel
