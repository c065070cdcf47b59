// CCrossLinkMerge: CCrossLinkMod in which a share of the dimers, the merge
// probability, joins existing soot instead of starting a particle. The share
// weighs the soot collision against the precursor's reaction with acetylene
// and its collision with dimers; the carbon and hydrogen of all dimers still
// go to the soot.
#pragma once

#include "crosslink.hpp"

namespace pyrandel {

#define CROSSLINKMERGE_FIELDS(F)                                 \
    F(double, A_HACA, RW) /* pre-exponential of k_PAH_C2H2 */    \
    F(double, n_HACA, RW) /* its temperature exponent */         \
    F(double, E_HACA, RW) /* its activation energy, J/mol */

#define CROSSLINKMERGE_METHODS(M)                                           \
    CROSSLINK_METHODS(M)                                                    \
    M(k_PAH_C2H2, "PAH_id", nullptr, double, (int PAH_id))                  \
    M(merge_probability, "PAH_id", nullptr, double, (int PAH_id))

struct CCrossLinkMergeVTable : CrossLinkVTableCommon {
    RadicalEntry beta_fm_dimer_PAH;  // m3/s
    RadicalEntry PAH_radical;        // quadratic balance
};

struct CCrossLinkMerge : CrossLinkCommon {
    using Base = CPAHGrowthBase;
    CROSSLINKMERGE_FIELDS(BIND_DECLARE)

    BIND_CLASS(CCrossLinkMerge)
    static const CCrossLinkMergeVTable vtable;
    BIND_DERIVED_METHODS(CROSSLINKMERGE_METHODS, CROSSLINK_REDEFINES)
    const CCrossLinkMergeVTable* vt() const { return static_cast<const CCrossLinkMergeVTable*>(vtab); }

    static constexpr bool quadratic = true, merges = true;
    MergeRate merge_rate() const;

    void init_impl(PyObject* soot_wrapper);
    double beta_fm_dimer_PAH_impl(int i);
};

}  // namespace pyrandel
