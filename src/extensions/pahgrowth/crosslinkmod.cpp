#include "crosslinkmod.hpp"

namespace pyrandel {

BIND_TYPE_OBJECT(CCrossLinkMod)

const CCrossLinkModVTable CCrossLinkMod::vtable = [] {
    auto t = crosslink_table<CCrossLinkMod, CCrossLinkModVTable>();
    t.PAH_radical = shared_entry<CCrossLinkMod, &CrossLinkCommon::PAH_radical_quadratic, "PAH_radical">();
    return t;
}();
[[maybe_unused]] const bool plain_scrub_added = add_plain_scrub<CCrossLinkMod>();

void CCrossLinkMod::init_impl(PyObject* w) {
    CPAHGrowthBase::init_impl(w);
    _reset();
}

void CCrossLinkMod::_reset_impl() {
    reset_prefactors();
    CPAHGrowthBase::_reset_impl();
}
void CCrossLinkMod::create_PAH_dimer_impl() { create_radicals(); }
void CCrossLinkMod::update_PAH_radical_impl() { radical_step(vt()->PAH_radical); }
void CCrossLinkMod::update_w_dimer_impl() { w_dimer_step<true>(); }
void CCrossLinkMod::update_PAH_adsorption_rate_impl() { adsorption_rate_step(); }
void CCrossLinkMod::_update_CH_tot_PAH_impl() { CH_tot_PAH_step(); }
void CCrossLinkMod::_update_NCH_inception_impl() { NCH_inception_step(nullptr); }

void CCrossLinkMod::update_impl() { crosslink_update(*this); }

namespace {

using Self = CCrossLinkMod;
const bind::Field fields[] = {CROSSLINK_ROWS};
BIND_DERIVED_METHOD_TABLES(CROSSLINK_METHODS, CROSSLINK_REDEFINES)

}  // namespace

bind::ClassSpec& CCrossLinkMod::spec() {
    static bind::ClassSpec s = bind::define<CCrossLinkMod>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .init = bind::Init<&CCrossLinkMod::init_impl, "soot_wrapper">::init,
        .vtable = &vtable,
        .vtable_size = sizeof vtable,
        .checksums = {0x4b2ac8c, 0xbd390fa, 0xf79d914},
    });
    return s;
}

}  // namespace pyrandel
