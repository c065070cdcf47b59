// CCrossLinkMod: cross-linking in which two radicals of the same precursor
// dimerise, so the radical balance is quadratic. Fields, kinetics, steps and
// scrubbing are shared with CCrossLink (crosslink.hpp).
#pragma once

#include "crosslink.hpp"

namespace pyrandel {

struct CCrossLinkModVTable : CrossLinkVTableCommon {
    RadicalEntry PAH_radical;  // quadratic balance
};

struct CCrossLinkMod : CrossLinkCommon {
    using Base = CPAHGrowthBase;
    BIND_CLASS(CCrossLinkMod)
    static const CCrossLinkModVTable vtable;
    BIND_DERIVED_METHODS(CROSSLINK_METHODS, CROSSLINK_REDEFINES)
    const CCrossLinkModVTable* vt() const { return static_cast<const CCrossLinkModVTable*>(vtab); }

    static constexpr bool quadratic = true, merges = false;
    MergeRate merge_rate() const { return {}; }

    void init_impl(PyObject* soot_wrapper);
};

}  // namespace pyrandel
