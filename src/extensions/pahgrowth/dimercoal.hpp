// Dimer-coalescence PAH growth. Each precursor forms one dimer species by
// colliding with itself; dimers leave by colliding with one another (a new
// particle, four precursor molecules) or with the soot aggregates (their mass
// joins the soot). The dimer concentration is the steady-state root of
// a·c² + b·c = w per precursor.
//
// CDimerCoal takes the dimerisation rate from a sticking efficiency and the two
// loss coefficients from closed formulas for equal spheres; CDimerCoalMod
// (dimercoalmod.hpp) builds them from explicit collision kernels. The two
// classes share fields, steps and scrubbing through DimerCoalCommon, a C++
// struct between CPAHGrowthBase and each class that Python never sees.
#pragma once

#include "../../physics/constants.hpp"
#include "pahcommon.hpp"

namespace pyrandel {

#define DIMERCOAL_FIELDS(F)                                                     \
    F(double, stick_C_i, RO)               /* sticking-efficiency constant */   \
    F(bind::Vec<double>, w_dimer, RO)      /* dimerisation, mol/(m3 s) */       \
    F(bind::Vec<double>, c_dimer, RO)      /* steady-state dimers, mol/m3 */    \
    F(bind::Vec<double>, a_inception, RO)  /* dimer-dimer loss, m3/(mol s) */   \
    F(bind::Vec<double>, w_inception, RO)  /* dimer-dimer collisions, mol/(m3 s) */ \
    F(double, inception_prefactor, RW)                                          \
    F(double, adsorption_prefactor, RW)                                         \
    F(bind::Vec<double>, stick_eff, RW)    /* per precursor */                  \
    F(bind::Vec<double>, b_adsorption, RO) /* dimer-soot loss, 1/s */

// The steps of update(), called by name (a Python subclass may replace any).
#define DIMERCOAL_METHODS(M)                               \
    M(create_PAH_dimer, "", nullptr, void, ())             \
    M(update_c_dimer, "", nullptr, void, ())               \
    M(update_w_inception, "", nullptr, void, ())           \
    M(_update_NCH_inception, "", nullptr, void, ())        \
    M(update_PAH_adsorption_rate, "", nullptr, void, ())   \
    M(_update_CH_tot_PAH, "", nullptr, void, ())
#define DIMERCOAL_REDEFINES(M)        \
    M(_reset, "", nullptr, void, ())  \
    M(update, "", nullptr, void, ())

// ------------------------------------------------------------------ formulas

// Each formula below is written once, over how it reads its inputs: the
// checked access (the class's table entries, the held gas wrapper,
// bounds-checked reads, each entry reporting its own errors) serves the steps
// called by name; the plain access (the step's values, the wrappers' fields
// read in place) serves the one fused pass of an update on the plain route.
// `div` divides: bind::fdiv or bind::pydiv on the checked route, plain_div
// where the plain route has proved the divisor non-zero.
namespace dimer {

inline double plain_div(double a, double b) { return a / b; }

// The dimer concentration, the non-negative root of a·c² + b·c − w = 0.
template <class Div>
inline double root_of(Div div, double a, double b, double w) {
    const double D = std::pow(b, 2.0) + 4.0 * a * w;
    return D > 0.0 ? div(std::sqrt(D) - b, 2.0 * a) : 0.0;
}

// Dimer-dimer collisions, mol/(m3 s); dimers adsorbed on soot, mol/(m3 s).
inline double w_inception_of(double a, double c) { return a * 0.5 * std::pow(c, 2.0); }
inline double adsorption_of(double c, double b) { return c * b; }

// One inception joins two dimers: the carbon or hydrogen (n atoms per
// precursor molecule) of four precursor molecules per kg of gas, and the new
// particles (with partial addition, the share of the smallest particle their carbon makes).
template <class Div>
inline double incepted_atoms(Div div, double w, double n, double rho) {
    return div(4.0 * w * n, rho);
}
template <class Div>
inline double new_particles(Div div, bool partial, double n_C, double w, double rho) {
    return partial ? (4.0 * n_C / constants.min_n_C_const) * div(w, rho) : div(w, rho);
}

// An adsorbed dimer brings the carbon of two precursor molecules and all but
// two of their hydrogen atoms each (released as H), per kg of gas.
template <class Div>
inline double adsorbed_C(Div div, double n_C, double r, double rho) {
    return div(2.0 * n_C * r, rho);
}
template <class Div>
inline double adsorbed_H(Div div, double n_H, double r, double rho) {
    return div(2.0 * (n_H - 2.0) * r, rho);
}

// CDimerCoal: dimerisation by the kinetic theory of equal spheres with a
// sticking efficiency; the access gives mass, diameter, concentration and
// sticking efficiency of precursor i in this order.
template <class A>
[[gnu::always_inline]] inline double coal_w_dimer_of(const A& a, size_t i, double T) {
    const double m_i = a.mass(i);
    const double d_i = a.diam(i);
    const double C_i = bind::pymax(a.C(i), 0.0);
    return std::sqrt(a.div(4.0 * constants.Pi_const * constants.kB_const * T, m_i)) * a.stick(i) * std::pow(d_i, 2.0) *
           std::pow(C_i, 2.0) * constants.Av_const;
}

// CDimerCoal: coalescence and soot collision of dimers taken as spheres of the
// soot density; the temperature terms of both loss coefficients and the
// volume terms of a dimer of two precursor molecules of mass m.
struct CoalT {
    double A, B;
};
inline CoalT coal_T(double T) {
    const double s = constants.one_sixth_const, rho_s = constants.rho_soot_const;
    return CoalT{4.4 * std::pow(3.0 / (4.0 * constants.Pi_const), s) * std::sqrt(6.0 * constants.kB_const * T / rho_s) * 4.0 *
                     1.41421356 * constants.Av_const,
                 1.3 * std::sqrt(constants.Pi_const * constants.kB_const * T / (2.0 * rho_s))};
}
struct DimerVolume {
    double v_d = 0.0, d_d = 0.0, v_d_s = 0.0;
};
inline DimerVolume dimer_volume(double m) {
    const double rho_s = constants.rho_soot_const;
    const double m_d = 2.0 * m;
    const double v_d = m_d / rho_s;
    const double d_d = std::pow(6.0 * m_d / (rho_s * constants.Pi_const), constants.one_third_const);
    return DimerVolume{v_d, d_d, std::pow(v_d, constants.one_sixth_const)};
}
inline double coal_a_of(double prefactor, const CoalT& t, const DimerVolume& v) { return prefactor * t.A * v.v_d_s; }
// b without its volume root (1/v_d + 1/V_agg) ** 0.5.
inline double coal_b_pre(double c_soot_agg, double prefactor, const CoalT& t, const DimerVolume& v, double d_g) {
    return constants.Av_const * c_soot_agg * prefactor * t.B * std::pow(v.d_d + d_g, 2.0);
}

// CDimerCoalMod: free-molecular kernels (enhancement factor 2.2) of two
// precursor molecules (reduced diameter and mass), of two dimers and of a
// dimer with an aggregate, a dimer being a sphere of twice the precursor's
// volume, d_d = 2^(1/3)·d_i; no zero tests: zero masses or diameters give the
// IEEE infinity or NaN.
inline double beta_PAH_PAH_of(double T, double d_red, double m_red) {
    return 2.2 * std::pow(d_red, 2.0) * std::sqrt(8.0 * constants.Pi_const * constants.kB_const * T / m_red);
}
inline double dimer_diameter(double d_i) { return std::pow(2.0, constants.one_third_const) * d_i; }
inline double beta_dimer_dimer_of(double T, double d_d, double m_i) {
    return 2.2 * std::pow(d_d, 2.0) * std::sqrt(8.0 * constants.Pi_const * constants.kB_const * T / m_i);
}
// A molecule of diameter d and mass m with an aggregate.
inline double beta_fm_soot_of(double T, double d, double m, double d_g, double m_agg) {
    return 2.2 * std::pow(d + d_g, 2.0) * std::sqrt(constants.Pi_const * constants.kB_const * T / 2.0 * (1.0 / m_agg + 1.0 / m));
}
inline double beta_soot_dimer_fm_of(double T, double d_d, double m_i, double d_g, double m_agg) {
    return beta_fm_soot_of(T, d_d, 2.0 * m_i, d_g, m_agg);
}
// Rarefaction correction at diameter d, `exp` the exponential it takes.
inline double exp_of(double x) { return std::exp(x); }
template <class Exp>
inline double C_S_of(double lam, double d, Exp exp) {
    return 1.0 + (2.0 * lam / d) * (1.21 + 0.4 * exp(-0.78 * d / lam));
}
// Continuum kernel with the corrections of the dimer (C_S_d) and of the
// aggregate (its term `agg`, C_S at d_m over d_g); `a` = 2·kB·T/(3·mu).
template <class Div>
inline double cont_a_of(Div div, double T, double mu) {
    return div(2.0 * constants.kB_const * T, 3.0 * mu);
}
inline double beta_cont_of(double a, double C_S_d, double d_d, double agg, double d_g) {
    return a * (C_S_d / d_d + agg) * (d_d + d_g);
}
// The harmonic mean of the two regimes.
inline double beta_soot_dimer_of(double fm, double cont) { return fm * cont / (fm + cont); }
// The rates and coefficients per mole.
inline double mod_w_dimer_of(double beta, double stick, double C_i) {
    return beta * stick * std::pow(C_i, 2.0) * constants.Av_const;
}
inline double mod_a_of(double beta_dd, double prefactor) { return beta_dd * prefactor * constants.Av_const; }
inline double mod_b_of(double beta_sd, double prefactor, double c_soot_agg) {
    return beta_sd * prefactor * c_soot_agg * constants.Av_const;
}

}  // namespace dimer

// ------------------------------------------------------------------ the common struct

struct DimerCoalCommon : CPAHGrowthBase {
    DIMERCOAL_FIELDS(BIND_DECLARE)

    // Shared bodies. `by_name_counts`: CDimerCoalMod reads the atom counts of
    // inception through `self.PAH_n_C()`, CDimerCoal from the wrapper's lists.
    void construct(PyObject* soot_wrapper);
    void reset_prefactors();
    void create_dimers();
    void c_dimer_step();
    void w_inception_step();
    void NCH_inception_step(bool by_name_counts);
    void adsorption_rate_step();
    void CH_tot_PAH_step();
    // The two scrub entries of both classes, and both at once on a plain array (see
    // pah_plain_w_scrub).
    void scrub_inception(bind::DoubleBuf& w);
    void scrub_PAH(bind::DoubleBuf& w);
    bool plain_scrub(const bind::F64Span& w);

    // The values of one update on the plain route.
    struct Step : StepGeometry {
        bool inception = false, adsorption = false;
    };
    Step step;
    SpeciesIds<1> h_id;  // H of the plain scrub, as the gas wrapper's index cache gives it
    // The part of the plain-route decision both classes share: the exact class
    // on its own table, its own gas wrapper, the switches its fields, every
    // array and list of the fused pass as long as the precursors, a non-zero
    // density, concentrations the plain quotient (no Python code runs).
    bool plain_common(PyTypeObject* own, const CPAHGrowthBaseVTable* own_table);
    // Dimers, inception and adsorption of the fused pass, after the class wrote
    // w_dimer, a_inception and b_adsorption. False, with only those and dimer
    // concentrations written (the general route writes them again the same),
    // at a root that would divide by zero.
    bool fused_tail();
};

// One update of a dimer-coalescence class: on the plain route in one fused
// pass; otherwise dimer rates and the coefficients of the dimer balance
// through the table, then dimers, inception and adsorption by the class's own
// names so an override is seen. On the exact class (nothing can override the
// switches) with a soot wrapper, a switch is the wrapper's field as its body
// reads it, at the time of the read.
template <class Cls>
bool dimercoal_inception_on(Cls& s) {
    if (Py_TYPE(&s) == &Cls::type && s.soot_wrapper) return s.soot_wrapper.o->inception_enabled;
    return s.inception_enabled();
}
template <class Cls>
bool dimercoal_adsorption_on(Cls& s) {
    if (Py_TYPE(&s) == &Cls::type && s.soot_wrapper) return s.soot_wrapper.o->PAH_adsorption_enabled;
    return s.PAH_adsorption_enabled();
}

template <class Cls>
void dimercoal_update(Cls& s) {
    if (s.plain_route()) {
        if (!s.step.inception && !s.step.adsorption) return;
        if (s.fused_update()) return;
    }
    if (!dimercoal_inception_on(s) && !dimercoal_adsorption_on(s)) return;
    s.vt()->update_w_dimer(&s);
    s.vt()->update_ab(&s);
    s.update_c_dimer();
    if (dimercoal_inception_on(s)) {
        s.update_w_inception();
        s._update_NCH_inception();
    }
    if (dimercoal_adsorption_on(s)) {
        s.update_PAH_adsorption_rate();
        s._update_CH_tot_PAH();
    }
}

struct CDimerCoal;

struct CDimerCoalVTable : CPAHGrowthBaseVTable {
    void (*update_w_dimer)(CDimerCoal*);
    void (*update_ab)(CDimerCoal*);
};

struct CDimerCoal : DimerCoalCommon {
    using Base = CPAHGrowthBase;
    BIND_CLASS(CDimerCoal)
    static const CDimerCoalVTable vtable;
    BIND_DERIVED_METHODS(DIMERCOAL_METHODS, DIMERCOAL_REDEFINES)
    const CDimerCoalVTable* vt() const { return static_cast<const CDimerCoalVTable*>(vtab); }

    void init_impl(PyObject* soot_wrapper);
    void update_w_dimer_impl();
    void update_ab_impl();

    // The one decision of the class: may this update take the plain route?
    // plain_common, no zero mass, a float non-zero V_agg and a real volume
    // root for every precursor. Fills `step` and the terms below.
    bool plain_route();
    // The steps of one update in one pass on `step`, bit for bit as the
    // entries and the steps by name give them (see fused_tail).
    bool fused_update();
    dimer::CoalT coal_t{};
    double inv_V = 0.0;
    std::vector<Kept<double, dimer::DimerVolume>> volumes;  // per precursor, for its molecule mass
};

// The fields of both classes, in declaration order, for their field tables.
#define DIMERCOAL_ROWS DIMERCOAL_FIELDS(BIND_ROW)

}  // namespace pyrandel
