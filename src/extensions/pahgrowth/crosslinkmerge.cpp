#include "crosslinkmerge.hpp"

namespace pyrandel {

using bind::at;

BIND_TYPE_OBJECT(CCrossLinkMerge)

namespace {

bind::Name n_C2H2("C2H2");

// The weight of a dimer in the particle count, `self.merge_probability(i)`.
double merge_weight(CrossLinkCommon* s, int i) { return static_cast<CCrossLinkMerge*>(s)->merge_probability(i); }

}  // namespace

const CCrossLinkMergeVTable CCrossLinkMerge::vtable = [] {
    using M = CCrossLinkMerge;
    auto t = crosslink_table<M, CCrossLinkMergeVTable>();
    t.beta_fm_dimer_PAH = bind::entry<&M::beta_fm_dimer_PAH_impl, "beta_fm_dimer_PAH">();
    t.PAH_radical = shared_entry<M, &CrossLinkCommon::PAH_radical_quadratic, "PAH_radical">();
    return t;
}();
[[maybe_unused]] const bool plain_scrub_added = add_plain_scrub<CCrossLinkMerge>();

void CCrossLinkMerge::init_impl(PyObject* w) {
    CPAHGrowthBase::init_impl(w);
    _reset();
}

void CCrossLinkMerge::_reset_impl() {
    reset_prefactors();
    A_HACA = 1.3e18;
    n_HACA = -8.02;
    E_HACA = 94558.4;
    CPAHGrowthBase::_reset_impl();
}
void CCrossLinkMerge::create_PAH_dimer_impl() { create_radicals(); }
void CCrossLinkMerge::update_PAH_radical_impl() { radical_step(vt()->PAH_radical); }
void CCrossLinkMerge::update_w_dimer_impl() { w_dimer_step<true>(); }
void CCrossLinkMerge::update_PAH_adsorption_rate_impl() { adsorption_rate_step(); }
void CCrossLinkMerge::_update_CH_tot_PAH_impl() { CH_tot_PAH_step(); }
void CCrossLinkMerge::_update_NCH_inception_impl() { NCH_inception_step(merge_weight); }

void CCrossLinkMerge::update_impl() { crosslink_update(*this); }

MergeRate CCrossLinkMerge::merge_rate() const { return MergeRate{A_HACA, n_HACA, E_HACA, n_C2H2}; }

// Rate coefficient of a precursor with acetylene; the same for every precursor.
double CCrossLinkMerge::k_PAH_C2H2_impl(int) {
    const double T = GasView(this).T();
    return xlink::k_PAH_C2H2_of<xlink::CheckedDiv>(T, n_HACA, A_HACA, E_HACA);
}

double CCrossLinkMerge::beta_fm_dimer_PAH_impl(int i) {
    const double T = GasView(this).T();
    const double d_i = vtab->PAH_diameter(this, i);
    const double m_i = vtab->PAH_mass(this, i);
    return xlink::beta_fm_dimer_of(xlink::dimer_geometry<xlink::CheckedDiv>(d_i, m_i), T);
}

double CCrossLinkMerge::merge_probability_impl(int i) {
    at(c_PAH_radical, i);  // a position without a precursor is refused before any kernel runs
    const double k_C2H2 = k_PAH_C2H2(i);
    GasView gas(this);
    const double r = k_C2H2 * bind::pymax(gas.C(gas.index(n_C2H2)), 0.0);
    const double beta = vt()->beta_fm_dimer_PAH(this, i);
    const double x = at(c_PAH_radical, i);
    const double k_f_soot = cvt()->k_f_soot_PAH(this, i);
    double p;
    const double sum = xlink::merge_sum(r, beta, x, k_f_soot, c_soot_agg, p);
    return xlink::merge_share<xlink::CheckedDiv>(p, sum);
}

namespace {

using Self = CCrossLinkMerge;
const bind::Field fields[] = {CROSSLINK_ROWS CROSSLINKMERGE_FIELDS(BIND_ROW)};
BIND_DERIVED_METHOD_TABLES(CROSSLINKMERGE_METHODS, CROSSLINK_REDEFINES)

}  // namespace

bind::ClassSpec& CCrossLinkMerge::spec() {
    static bind::ClassSpec s = bind::define<CCrossLinkMerge>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .init = bind::Init<&CCrossLinkMerge::init_impl, "soot_wrapper">::init,
        .vtable = &vtable,
        .vtable_size = sizeof vtable,
        .checksums = {0xe56a65a, 0xd24ef79, 0x2366420},
    });
    return s;
}

}  // namespace pyrandel
