// CCrossLinkMod: cross-linking in which two radicals of the same precursor
// dimerise, so the radical balance is quadratic. Fields, kinetics, steps and
// scrubbing are shared with CCrossLink (crosslink.hpp).
#pragma once

#include "crosslink.hpp"

namespace pyrandel {

struct CCrossLinkModVTable : CrossLinkVTableCommon {
    RadicalEntry PAH_radical;  // 17, quadratic balance
};

struct CCrossLinkMod : CrossLinkCommon {
    using Base = CPAHGrowthBase;
    BIND_CLASS(CCrossLinkMod)
    static const CCrossLinkModVTable vtable;
    BIND_DERIVED_METHODS(CROSSLINK_METHODS, CROSSLINK_REDEFINES)
    const CCrossLinkModVTable* vt() const { return static_cast<const CCrossLinkModVTable*>(vtab); }

    void init_impl(PyObject* soot_wrapper);
    bool fused_step(bool inception, bool adsorption) { return fused_update<true, false>(inception, adsorption); }
};

}  // namespace pyrandel
