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
    RadicalEntry beta_fm_dimer_PAH;  // 17, m3/s
    RadicalEntry PAH_radical;        // 18, quadratic balance
};

struct CCrossLinkMerge : CrossLinkCommon {
    using Base = CPAHGrowthBase;
    CROSSLINKMERGE_FIELDS(BIND_DECLARE)

    BIND_CLASS(CCrossLinkMerge)
    static const CCrossLinkMergeVTable vtable;
    BIND_DERIVED_METHODS(CROSSLINKMERGE_METHODS, CROSSLINK_REDEFINES)
    const CCrossLinkMergeVTable* vt() const { return static_cast<const CCrossLinkMergeVTable*>(vtab); }

    void init_impl(PyObject* soot_wrapper);
    double beta_fm_dimer_PAH_impl(int i);

    bool fused_step(bool inception, bool adsorption);

    // The rate with acetylene, kept from one step to the next.
    struct RateMemo {
        double T = 0.0, n = 0.0, A = 0.0, E = 0.0, v = 0.0;
        bool set = false;
        RateMemo() = default;
        RateMemo(double T_, double n_, double A_, double E_, double v_) : T(T_), n(n_), A(A_), E(E_), v(v_), set(true) {}
        bool same(double T_, double n_, double A_, double E_) const {
            auto b = [](double x) { return std::bit_cast<uint64_t>(x); };
            return set && b(T) == b(T_) && b(n) == b(n_) && b(A) == b(A_) && b(E) == b(E_);
        }
    };
    RateMemo c2h2;  // k_PAH_C2H2 of its inputs
    SpeciesIds<1> c2h2_id;  // C2H2 as the gas wrapper's index cache gives it
    double c2h2_rate(double T);
    bool merge_all();
};

}  // namespace pyrandel
