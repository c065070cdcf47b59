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
//
// Each formula below is written once, over how it reads its inputs: the
// checked access (the class's table entries, the held gas wrapper, bounds-checked
// reads, each entry reporting its own errors) serves the steps called by name;
// the plain access (the step's values, the wrappers' fields read in place) serves
// the one fused loop of an update on the plain route.
#pragma once

#include "../../physics/constants.hpp"
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

// The entries cross-linking adds, the same in the three classes.
struct CrossLinkVTableCommon : CPAHGrowthBaseVTable {
    double (*k_f3_crosslinking)(CrossLinkCommon*, int i);   // m3/(mol s)
    double (*beta_fm_soot_PAH)(CrossLinkCommon*, int i);    // m3/s
    double (*beta_cont_soot_PAH)(CrossLinkCommon*, int i);  // m3/s
    double (*C_S_soot)(CrossLinkCommon*, double diameter);
    double (*k_f_soot_PAH)(CrossLinkCommon*, int i);        // m3/(mol s)
    double (*k_f4_crosslinking)(CrossLinkCommon*, int i);   // m3/(mol s)
};

using RadicalEntry = double (*)(CrossLinkCommon*, int i);
using MergeWeight = double (*)(CrossLinkCommon*, int i);

// ------------------------------------------------------------------ formulas

namespace xlink {

using bind::pymax;
using bind::pymin;

// How a formula divides: checked on the checked route (fdiv for C doubles,
// pydiv for a quotient of Python floats), plain where the checked route has
// proved the divisor non-zero.
using bind::CheckedDiv;
using bind::PlainDiv;

// The temperature terms of the radical balance: k_f1 without its carbon count
// as T^1.84 and its exponential, k_r1 and k_f2 whole.
struct RadicalT {
    double T_f1, e_f1, k_r1, k_f2;
};
template <class D>
[[gnu::always_inline]] inline RadicalT radical_T(double T, double f_r1, double f_f2) {
    const double RT = constants.R_const * T;
    const double T_f1 = std::pow(T, 1.84);
    const double e_f1 = std::exp(D::fdiv(-62886.6, RT));
    const double k_r1 = std::pow(T, 2.63) * (0.016 * f_r1) * std::exp(D::fdiv(-17837.4, RT));
    // The stored factor lies one unit in the last place below 8.08e-17.
    return RadicalT{T_f1, e_f1, k_r1, std::pow(T, 0.13) * (constants.Av_const * 8.079999999999999e-17 * f_f2)};
}

// Collision rate coefficient of two molecules of precursor i (reduced mass
// m_red, diameter d_i), enhancement factor 2.2.
inline double k_f3_of(double T, double m_red, double d_i, double prefactor) {
    return std::pow(bind::fdiv(8.0 * constants.Pi_const * constants.kB_const * T, m_red), 0.5) * (2.2 * prefactor) * constants.Av_const *
           std::pow(2.0 * d_i, 2.0);
}

// Free-molecular kernel of a precursor molecule with an aggregate of inverse mass inv_agg.
inline double beta_fm_of(double T, double d_i, double m_i, double d_g, double inv_agg) {
    const double inv_i = bind::fdiv(1.0, m_i);
    return 2.2 * std::pow(d_i + d_g, 2.0) * std::pow(constants.kB_const * constants.Pi_const * T * 0.5 * (inv_i + inv_agg), 0.5);
}

// Rarefaction correction at diameter d, `exp` the exponential it takes.
template <class Exp>
inline double C_S_of(double lam, double d, Exp exp) {
    const double a = bind::fdiv(2.0 * lam, d);
    return 1.0 + a * (1.21 + 0.4 * exp(bind::fdiv(-0.78 * d, lam)));
}

// Continuum kernel: the aggregate's part (the same for every precursor), its
// correction C_S taken at d_m and divided by d_g, then the precursor's.
struct ContAgg {
    double a, agg;
};
template <class CS>
inline ContAgg cont_agg(double T, double mu, double d_m, double d_g, CS&& C_S) {
    const double a = bind::fdiv(2.0 * constants.kB_const * T, 3.0 * mu);
    return ContAgg{a, bind::fdiv(C_S(d_m), d_g)};
}
template <class CS>
inline double beta_cont_of(const ContAgg& g, double d_i, double d_g, CS&& C_S) {
    const double pah = bind::fdiv(C_S(d_i), d_i);
    return g.a * (g.agg + pah) * (d_i + d_g);
}

// Harmonic mean of the two regimes, per mole; the radical's collision with soot.
inline double k_f_soot_of(double fm, double cont) { return bind::fdiv(constants.Av_const * fm * cont, fm + cont); }
inline double k_f4_of(double k_f_soot, double prefactor) { return k_f_soot * prefactor; }

// The steady-state radical of precursor i. Linear: radical + precursor
// molecule; quadratic: radical + radical, the non-negative root of
// k_f3·x² + b·x − c = 0. The inputs in the order the checked route reads them.
template <bool quadratic, class A>
[[gnu::always_inline]] inline double radical_of(const A& a, size_t i) {
    using D = typename A::Div;
    const double T = a.T();
    const double n_C = a.n_C(i);
    const RadicalT t = a.temps(T);
    const double k_f1 = t.T_f1 * (98.0 * n_C * a.f1()) * t.e_f1;
    const double k_f3 = a.k_f3(i);
    const double k_f4 = a.k_f4(i);
    const double C_PAH = pymax(a.C_PAH(i), 0.0);
    const double C_H2 = pymax(a.C_H2(), 0.0);
    const double C_H = pymax(a.C_H(), 0.0);
    const double c_soot_agg = a.c_agg();
    if constexpr (quadratic) {
        const double b = t.k_r1 * C_H2 + t.k_f2 * C_H + k_f4 * c_soot_agg;
        const double c = k_f1 * C_PAH * C_H;
        const double disc = std::pow(b, 2.0) + 4.0 * k_f3 * c;
        return disc > 0.0 ? D::fdiv(std::pow(disc, 0.5) - b, 2.0 * k_f3) : 0.0;
    } else {
        const double D_ = t.k_r1 * C_H2 + t.k_f2 * C_H + k_f3 * C_PAH + k_f4 * c_soot_agg;
        return D_ > 0.0 ? k_f1 * C_PAH * C_H / D_ : 0.0;
    }
}

// Dimers from radical x: with a molecule of the precursor (linear) or with a second radical.
template <bool quadratic, class A>
[[gnu::always_inline]] inline double w_dimer_of(const A& a, size_t i) {
    const double k_f3 = a.k_f3(i);
    if constexpr (quadratic) {
        return pymax(k_f3 * std::pow(a.radical(i), 2.0), 0.0);
    } else {
        const double C_PAH = a.C_PAH(i);
        return pymax(k_f3 * a.radical(i) * pymax(C_PAH, 0.0), 0.0);
    }
}

// Radicals of precursor i adsorbed on soot, mol/(m3 s).
template <class A>
[[gnu::always_inline]] inline double adsorption_of(const A& a, size_t i) {
    const double k_f4 = a.k_f4(i);
    const double x = a.radical(i);
    return k_f4 * x * a.c_agg();
}

// New particles from dimers formed at w (mol/(m3 s)) per kg of gas: the share
// `P` that merges with soot (where dimers may merge) makes none; with partial
// addition a dimer counts as the share 2·n_C/378 of the smallest particle, or as one particle.
inline double new_particles(bool partial, const double* P, double n_C, double w, double rho) {
    if (partial) {
        if (P) return ((1.0 - *P) * (w / rho)) * (2.0 * n_C / constants.min_n_C_const);
        return (2.0 * n_C / constants.min_n_C_const) * (w / rho);
    }
    if (P) return ((1.0 - *P) * w) / rho;
    return w / rho;
}

// Carbon or hydrogen (n atoms per precursor molecule) that dimers formed at w
// bring per kg of gas, a dimer holding two precursor molecules.
inline double dimer_atoms(double w, double n, double rho) { return 2.0 * w * n / rho; }

// The merge probability: the soot collision p against the acetylene term r,
// the dimer collision s and p; the dimer kernel's geometric terms
// 2.2·(3·d_i)² and 1/(2·m_i) + 1/m_i, the free-molecular kernel of a dimer
// (mass 2·m_i, diameter 2·d_i) with a precursor molecule.
struct DimerGeometry {
    double d2, inv_m;
};
template <class D>
inline double k_PAH_C2H2_of(double T, double n, double A, double E) {
    return std::pow(T, n) * A * std::exp(D::fdiv(-E, constants.R_const * T));
}
template <class D>
inline DimerGeometry dimer_geometry(double d_i, double m_i) {
    const double inv_dimer = D::fdiv(1.0, 2.0 * m_i);
    const double inv_i = D::fdiv(1.0, m_i);
    return DimerGeometry{2.2 * std::pow(3.0 * d_i, 2.0), inv_dimer + inv_i};
}
inline double beta_fm_dimer_of(const DimerGeometry& g, double T) {
    return g.d2 * std::pow(constants.kB_const * constants.Pi_const * T * 0.5 * g.inv_m, 0.5);
}
inline double merge_sum(double r, double beta, double radical, double k_f_soot, double c_soot_agg, double& p) {
    const double s = beta * constants.Av_const * radical;
    p = k_f_soot * c_soot_agg;
    return (r + s) + p;
}
template <class D>
inline double merge_share(double p, double sum) {
    return pymax(pymin(D::pydiv(p, sum), 1.0), 0.0);
}

}  // namespace xlink

// ------------------------------------------------------------------ the common struct

// A merging class's rate constants with acetylene and acetylene's name.
struct MergeRate {
    double A = 0.0, n = 0.0, E = 0.0;
    PyObject* C2H2 = nullptr;
};

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

    // The steps called by name, every value through the checked access.
    void radical_step(RadicalEntry radical);
    template <bool quadratic>
    void w_dimer_step();
    void adsorption_rate_step();
    void CH_tot_PAH_step();
    // `merge`: the share of dimers that joins soot, or nullptr.
    void NCH_inception_step(MergeWeight merge);

    // The two scrub entries of the three classes, and both at once on a plain array
    // (see pah_plain_w_scrub).
    void scrub_inception(bind::DoubleBuf& w);
    void scrub_PAH(bind::DoubleBuf& w);
    bool plain_scrub(const bind::F64Span& w);

    // The values of one update on the plain route, filled once by plain_route.
    struct Step : StepGeometry {
        bool inception = false, adsorption = false, merging = false;
        xlink::RadicalT t{};
        std::vector<double> k_f3, k_f_soot;
        double C_H2 = 0.0, C_H = 0.0;  // as the gas gives them
        // Where dimers merge: the acetylene term and each precursor's dimer kernel terms.
        double merge_r = 0.0;
        std::vector<xlink::DimerGeometry> dimer;
    };
    Step step;
    std::vector<double> merge_P;  // the merge probabilities of a step (CCrossLinkMerge)
    // H2 and H as the gas wrapper's index cache gives them, kept while its species dictionary is unchanged.
    SpeciesIds<2> h_ids;
    SpeciesIds<1> c2h2_id;  // C2H2, where dimers merge
    // The one decision of the family: may this update take the plain route?
    // The exact class on its own table, its own gas wrapper, and every value
    // the fused loop reads computable without an error or a call that could
    // run code (a zero R·T, a zero 2·k_f3 of the quadratic root, an uncached
    // species index, a size short of the precursors: no). Fills `step` (with
    // both switches off only them: nothing is left to do); runs no Python
    // code. `merge`: the acetylene rate of a merging class.
    bool plain_route(PyTypeObject* own, const CPAHGrowthBaseVTable* own_table, bool quadratic, const MergeRate* merge);
    // The steps of one update in one pass on `step`, bit for bit as the steps
    // give them. False, with only radicals written (which the steps write
    // again the same), where a merge probability's sum is zero.
    template <bool quadratic, bool merge>
    bool fused_update();
};

// The table entries of a cross-linking class, Cls the class they report under.
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

// One update of a cross-linking class: on the plain route in one fused pass;
// otherwise radicals, then dimers and inception, then adsorption, each step by
// the class's own name so an override is seen.
template <class Cls>
void crosslink_update(Cls& s) {
    const MergeRate merge = s.merge_rate();
    if (s.plain_route(&Cls::type, &Cls::vtable, Cls::quadratic, Cls::merges ? &merge : nullptr)) {
        if (!s.step.inception && !s.step.adsorption) return;
        const bool done = s.step.merging ? s.template fused_update<Cls::quadratic, Cls::merges>()
                                         : s.template fused_update<Cls::quadratic, false>();
        if (done) return;
    }
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
    RadicalEntry PAH_radical;  // linear balance
};

struct CCrossLink : CrossLinkCommon {
    using Base = CPAHGrowthBase;
    BIND_CLASS(CCrossLink)
    static const CCrossLinkVTable vtable;
    BIND_DERIVED_METHODS(CROSSLINK_METHODS, CROSSLINK_REDEFINES)
    const CCrossLinkVTable* vt() const { return static_cast<const CCrossLinkVTable*>(vtab); }
    static constexpr bool quadratic = false, merges = false;
    MergeRate merge_rate() const { return {}; }

    void init_impl(PyObject* soot_wrapper);
};

#define CROSSLINK_ROWS CROSSLINK_FIELDS(BIND_ROW)

}  // namespace pyrandel
