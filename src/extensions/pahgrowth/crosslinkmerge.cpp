#include "crosslinkmerge.hpp"

#include "../../lib/constants.hpp"

namespace pyrandel {

using bind::at;
using bind::fdiv;

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
void CCrossLinkMerge::update_PAH_radical_impl() { radical_step(vt()->PAH_radical, true); }
void CCrossLinkMerge::update_w_dimer_impl() { w_dimer_quadratic_step(); }
void CCrossLinkMerge::update_PAH_adsorption_rate_impl() { adsorption_rate_step(); }
void CCrossLinkMerge::_update_CH_tot_PAH_impl() { CH_tot_PAH_step(); }
void CCrossLinkMerge::_update_NCH_inception_impl() { NCH_inception_step(merge_weight, merge_all() ? merge_P.data() : nullptr); }

void CCrossLinkMerge::update_impl() { crosslink_update(*this); }

// Rate coefficient of a precursor with acetylene; the same for every precursor.
double CCrossLinkMerge::k_PAH_C2H2_impl(int) {
    const double T = GasView(this).T();
    return std::pow(T, n_HACA) * A_HACA * std::exp(fdiv(-E_HACA, k.R_const * T));
}

// Free-molecular kernel of a dimer (mass 2·m_i, diameter 2·d_i) with a precursor molecule.
double CCrossLinkMerge::beta_fm_dimer_PAH_impl(int i) {
    const double T = GasView(this).T();
    const double d_i = diam(i);
    const double m_i = mass(i);
    const double inv_dimer = fdiv(1.0, 2.0 * m_i);
    const double inv_i = fdiv(1.0, m_i);
    return 2.2 * std::pow(3.0 * d_i, 2.0) * std::pow(k.kB_const * k.Pi_const * T * 0.5 * (inv_dimer + inv_i), 0.5);
}

// Soot collision against the reaction with acetylene and the collision with dimers.
double CCrossLinkMerge::merge_probability_impl(int i) {
    at(c_PAH_radical, i);  // a position without a precursor is refused before any kernel runs
    if (cache.has(i) && k.R_const * cache.T != 0.0) {
        // On the step's cache: the rate with acetylene once per temperature and
        // set of constants, the dimer kernel from the step's geometry (a zero
        // mass would have left the cache off, so it cannot raise).
        const double T = cache.T;
        const double r = c2h2_rate(T) * bind::pymax(cache.C(cache.index(n_C2H2)), 0.0);
        const double d_i = cache.diam[(size_t)i], m_i = cache.mass[(size_t)i];
        const double beta = 2.2 * std::pow(3.0 * d_i, 2.0) * std::pow(k.kB_const * k.Pi_const * T * 0.5 * (1.0 / (2.0 * m_i) + 1.0 / m_i), 0.5);
        const double s = beta * k.Av_const * c_PAH_radical[(size_t)i];
        const double p = cache.k_f_soot[(size_t)i] * c_soot_agg;
        const double P = bind::pydiv(p, (r + s) + p);
        return bind::pymax(bind::pymin(P, 1.0), 0.0);
    }
    const double k_C2H2 = k_PAH_C2H2(i);
    GasView gas(this);
    const double r = k_C2H2 * bind::pymax(gas.C(gas.index(n_C2H2)), 0.0);
    const double s = vt()->beta_fm_dimer_PAH(this, i) * k.Av_const * at(c_PAH_radical, i);
    const double p = kf_soot(i) * c_soot_agg;
    const double P = bind::pydiv(p, (r + s) + p);
    return bind::pymax(bind::pymin(P, 1.0), 0.0);
}

// Every precursor's merge_probability at once on the step's cache, bit for bit
// as merge_probability_impl gives them there: the acetylene term once, no
// entries. False, with nothing visible done, where any of them would take
// another path or raise.
bool CCrossLinkMerge::merge_all() {
    const size_t n = (size_t)std::max(n_PAHs, 0);
    if (n == 0 || !cache.on || cache.mass.size() != n || c_PAH_radical.size() < n) return false;
    const double T = cache.T;
    double C_C2H2;
    if (k.R_const * T == 0.0 || !cache.plain_named_C(n_C2H2, C_C2H2)) return false;
    const double r = c2h2_rate(T) * bind::pymax(C_C2H2, 0.0);
    merge_P.resize(n);
    const double *diam = cache.diam.data(), *mass = cache.mass.data(), *k_fs = cache.k_f_soot.data();
    const double* c = c_PAH_radical.data();
    for (size_t i = 0; i < n; ++i) {
        const double d_i = diam[i], m_i = mass[i];
        const double beta = 2.2 * std::pow(3.0 * d_i, 2.0) * std::pow(k.kB_const * k.Pi_const * T * 0.5 * (1.0 / (2.0 * m_i) + 1.0 / m_i), 0.5);
        const double s = beta * k.Av_const * c[i];
        const double p = k_fs[i] * c_soot_agg;
        const double den = (r + s) + p;
        if (den == 0.0) return false;
        merge_P[i] = bind::pymax(bind::pymin(p / den, 1.0), 0.0);
    }
    return true;
}

// k_PAH_C2H2 on the step's cache (a non-zero R·T), once per temperature and set of constants.
double CCrossLinkMerge::c2h2_rate(double T) {
    if (!c2h2.same(T, n_HACA, A_HACA, E_HACA))
        c2h2 = {T, n_HACA, A_HACA, E_HACA, std::pow(T, n_HACA) * A_HACA * std::exp(-E_HACA / (k.R_const * T))};
    return c2h2.v;
}

// The fused update; the acetylene term only where dimers form, read as
// merge_all reads it (the steps take over where it cannot be).
bool CCrossLinkMerge::fused_step(bool inception, bool adsorption) {
    if (!inception) return fused_update<true, false>(false, adsorption);
    if (k.R_const * cache.T == 0.0 || !c2h2_id.find(cache.gas, {n_C2H2})) return false;
    return fused_update<true, true>(true, adsorption, c2h2_rate(cache.T), c2h2_id[0]);
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
