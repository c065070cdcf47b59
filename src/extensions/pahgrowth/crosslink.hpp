// Cross-linking PAH growth. A precursor loses a hydrogen atom to a gas-phase H
// atom and becomes a radical, taken at steady state between that formation and
// four losses: the back reaction with H2, H addition, dimerisation and
// collision with soot. Dimers start particles (inception); radicals that hit
// soot add their carbon and hydrogen to it (adsorption).
//
// CCrossLink: a radical dimerises with a molecule of its own precursor, so the
// radical balance is linear. CCrossLinkMod and CCrossLinkMerge
// (crosslinkmod.hpp, crosslinkmerge.hpp): two radicals dimerise, a quadratic
// balance; CCrossLinkMerge lets a share of the dimers join existing soot.
// The three share fields, kinetics, steps and scrubbing through
// CrossLinkCommon, a C++ struct between CPAHGrowthBase and each class.
#pragma once

#include "pahcommon.hpp"

namespace pyrandel {

struct CrossLinkCommon;

#define CROSSLINK_FIELDS(F)                                                        \
    F(bind::Vec<double>, c_PAH_radical, RO) /* steady-state radicals, mol/m3 */    \
    F(bind::Vec<double>, w_dimer, RO)       /* dimers, mol/(m3 s) */               \
    F(double, k_f1_prefactor, RW)           /* H abstraction by H */               \
    F(double, k_r1_prefactor, RW)           /* radical + H2, the reverse */        \
    F(double, k_f2_prefactor, RW)           /* H addition to the radical */        \
    F(double, k_f3_prefactor, RW)           /* dimerisation */                     \
    F(double, k_f4_prefactor, RW)           /* radical-soot collision */

#define CROSSLINK_METHODS(M)                               \
    M(create_PAH_dimer, "", nullptr, void, ())             \
    M(update_PAH_radical, "", nullptr, void, ())           \
    M(update_w_dimer, "", nullptr, void, ())               \
    M(update_PAH_adsorption_rate, "", nullptr, void, ())   \
    M(_update_CH_tot_PAH, "", nullptr, void, ())           \
    M(_update_NCH_inception, "", nullptr, void, ())
#define CROSSLINK_REDEFINES(M)        \
    M(_reset, "", nullptr, void, ())  \
    M(update, "", nullptr, void, ())

// Entries 11 to 16, the same in the three classes.
struct CrossLinkVTableCommon : CPAHGrowthBaseVTable {
    double (*k_f3_crosslinking)(CrossLinkCommon*, int i);   // 11, m3/(mol s)
    double (*beta_fm_soot_PAH)(CrossLinkCommon*, int i);    // 12, m3/s
    double (*beta_cont_soot_PAH)(CrossLinkCommon*, int i);  // 13, m3/s
    double (*C_S_soot)(CrossLinkCommon*, double diameter);  // 14
    double (*k_f_soot_PAH)(CrossLinkCommon*, int i);        // 15, m3/(mol s)
    double (*k_f4_crosslinking)(CrossLinkCommon*, int i);   // 16, m3/(mol s)
};

using RadicalEntry = double (*)(CrossLinkCommon*, int i);
using MergeWeight = double (*)(CrossLinkCommon*, int i);

struct CrossLinkCommon : CPAHGrowthBase {
    CROSSLINK_FIELDS(BIND_DECLARE)

    const CrossLinkVTableCommon* cvt() const { return static_cast<const CrossLinkVTableCommon*>(vtab); }

    void reset_prefactors();
    void create_radicals();

    // Kinetic bodies (the table entries report their errors).
    double k_f3_crosslinking_impl(int i);
    double beta_fm_soot_PAH_impl(int i);
    double beta_cont_soot_PAH_impl(int i);
    double C_S_soot_impl(double d);
    double k_f_soot_PAH_impl(int i);
    double k_f4_crosslinking_impl(int i);
    // Radical balance: radical + precursor, or radical + radical.
    double PAH_radical_linear(int i);
    double PAH_radical_quadratic(int i);

    // Steps.
    // `quadratic` names the balance of the class's own entry `radical`.
    void radical_step(RadicalEntry radical, bool quadratic);
    bool radical_step_cached(bool quadratic);
    void w_dimer_linear_step();
    void w_dimer_quadratic_step();
    void adsorption_rate_step();
    void CH_tot_PAH_step();
    // `merge`: the share of dimers that joins soot, or nullptr; `P_all`: every
    // share of this step, equal to merge's, where the caller has them.
    void NCH_inception_step(MergeWeight merge, const double* P_all = nullptr);

    // Entries 8 and 9 of the three classes.
    void scrub_inception(bind::DoubleBuf& w);
    void scrub_PAH(bind::DoubleBuf& w);
    // Both in one call on a plain array (see pah_plain_w_scrub).
    bool plain_scrub(const bind::F64Span& w);

    // Per-step values of the precursors when nothing can override them (StepGeometry).
    struct Cache : StepGeometry {
        std::vector<double> k_f3, k_f_soot;
        bool k_f3_nonzero = false;  // no 2·k_f3 of the step is zero (the quadratic root's divisor)
        // The dimer kernel's geometric terms of the merge probability,
        // 2.2·(3·d_i)² and 1/(2·m_i) + 1/m_i, as of merge_version's geometry.
        std::vector<double> merge_d2, merge_inv_m;
        uint64_t merge_version = ~uint64_t{0};
    };
    Cache cache;
    std::vector<double> merge_P;  // the merge probabilities of a step (CCrossLinkMerge)
    bool fill_cache(PyTypeObject* own);
    using Scope = CacheScope<Cache>;
    // The steps of one update in two passes on the step's cache, for the
    // exact class with its own table, bit for bit as the steps give them
    // there: `merge_k`, where dimers may merge, is the rate coefficient with
    // acetylene, species `c2h2` of the gas, of the merge probability. False
    // where a step would leave the cache's path; only radicals are written by
    // then, which the steps write again the same.
    // (Instantiated for the three classes: linear; quadratic; quadratic with merging.)
    template <bool quadratic, bool merge>
    bool fused_update(bool inception, bool adsorption, double merge_k = 0.0, int c2h2 = -1);
    // H2 and H as the gas wrapper's index cache gives them, kept while its species dictionary is unchanged.
    SpeciesIds<2> h_ids;
    // The kinetic values as the table entries give them, from the cache when it is on.
    double kf3(int i);
    double kf_soot(int i);
    double kf4(int i);
    double mass(int i);
    double diam(int i);

private:
    struct Rates {
        double k_f1, k_r1, k_f2, k_f3, k_f4, C_PAH, C_H2, C_H;
    };
    Rates radical_rates(int i);
    // The temperature terms of the radical balance on the step's cache, once
    // per step (R·T checked non-zero), and the balance of one precursor from
    // them (k_f3 checked non-zero where quadratic).
    struct RadicalT {
        double T_f1, e_f1, k_r1, k_f2;
    };
    RadicalT radical_T(double T, double RT) const;
    double radical_of(bool quadratic, const RadicalT& t, double n_C, double k_f3, double k_f_soot, double C_PAH,
                      double C_H2, double C_H) const;
};

// Entries 0 to 16 of a cross-linking class, Cls the class they report under.
template <class Cls, class VT>
constexpr VT crosslink_table() {
    auto t = bind::extend<VT>(CPAHGrowthBase::vtable);
    t._update_w_scrub_inception = shared_entry<Cls, &CrossLinkCommon::scrub_inception, "_update_w_scrub_inception">();
    t._update_w_scrub_PAH = shared_entry<Cls, &CrossLinkCommon::scrub_PAH, "_update_w_scrub_PAH">();
    t.update_w_scrub = pah_growth_update_w_scrub;
    t.k_f3_crosslinking = shared_entry<Cls, &CrossLinkCommon::k_f3_crosslinking_impl, "k_f3_crosslinking">();
    t.beta_fm_soot_PAH = shared_entry<Cls, &CrossLinkCommon::beta_fm_soot_PAH_impl, "beta_fm_soot_PAH">();
    t.beta_cont_soot_PAH = shared_entry<Cls, &CrossLinkCommon::beta_cont_soot_PAH_impl, "beta_cont_soot_PAH">();
    t.C_S_soot = shared_entry<Cls, &CrossLinkCommon::C_S_soot_impl, "C_S_soot">();
    t.k_f_soot_PAH = shared_entry<Cls, &CrossLinkCommon::k_f_soot_PAH_impl, "k_f_soot_PAH">();
    t.k_f4_crosslinking = shared_entry<Cls, &CrossLinkCommon::k_f4_crosslinking_impl, "k_f4_crosslinking">();
    return t;
}

// One update of a cross-linking class: radicals, then dimers and inception,
// then adsorption, each step by the class's own name so an override is seen.
template <class Cls>
void crosslink_update(Cls& s) {
    CrossLinkCommon::Scope cached(&s, s.cache, &Cls::type);
    // The exact class with its own table on the step's cache: the switches are
    // the wrapper's fields (nothing can override them) and the steps run fused.
    if (s.cache.on && s.vtab == &Cls::vtable) {
        const bool inception = s.cache.sw->inception_enabled, adsorption = s.cache.sw->PAH_adsorption_enabled;
        if (!inception && !adsorption) return;
        if (s.fused_step(inception, adsorption)) return;
    }
    // The steps below may run Python code: the step's wrappers are held from here.
    if (s.cache.on) s.cache.take_holds(&s);
    if (!s.inception_enabled() && !s.PAH_adsorption_enabled()) return;
    s.update_PAH_radical();
    if (s.inception_enabled()) {
        s.update_w_dimer();
        s._update_NCH_inception();
    }
    if (!s.PAH_adsorption_enabled()) return;
    s.update_PAH_adsorption_rate();
    s._update_CH_tot_PAH();
}

struct CCrossLinkVTable : CrossLinkVTableCommon {
    RadicalEntry PAH_radical;  // 17, linear balance
};

struct CCrossLink : CrossLinkCommon {
    using Base = CPAHGrowthBase;
    BIND_CLASS(CCrossLink)
    static const CCrossLinkVTable vtable;
    BIND_DERIVED_METHODS(CROSSLINK_METHODS, CROSSLINK_REDEFINES)
    const CCrossLinkVTable* vt() const { return static_cast<const CCrossLinkVTable*>(vtab); }

    void init_impl(PyObject* soot_wrapper);
    bool fused_step(bool inception, bool adsorption) { return fused_update<false, false>(inception, adsorption); }
};

#define CROSSLINK_ROWS CROSSLINK_FIELDS(BIND_ROW)

}  // namespace pyrandel
