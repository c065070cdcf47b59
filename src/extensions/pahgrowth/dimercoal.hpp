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
    // The five steps after the coefficients in two passes on the step's
    // geometry, for the exact class with its own table, bit for bit as their
    // cached paths give them. False where a step would leave its cached path;
    // only dimer concentrations are written by then, which the steps write again the same.
    bool fused_tail(bool inception, bool adsorption);
    // Entries 8 and 9 of both classes.
    void scrub_inception(bind::DoubleBuf& w);
    void scrub_PAH(bind::DoubleBuf& w);
    // Both in one call on a plain array (see pah_plain_w_scrub).
    bool plain_scrub(const bind::F64Span& w);

    // Precursor geometry computed once per step when nothing can override it.
    StepGeometry geo;
    bool fill_cache(PyTypeObject* own);
    using Scope = CacheScope<StepGeometry>;
    // The number of precursors when the step's geometry is on for all of them,
    // NOT_CACHED otherwise.
    static constexpr size_t NOT_CACHED = (size_t)-1;
    size_t cached_n() const {
        return geo.on && n_PAHs >= 0 && geo.mass.size() == (size_t)n_PAHs ? (size_t)n_PAHs : NOT_CACHED;
    }
    bool no_zero_mass() const {
        for (double m : geo.mass)
            if (m == 0.0) return false;
        return true;
    }
    std::vector<Memo1> squares;  // d_i² of the step's geometry, kept while d_i is unchanged
    // The geometry version the squares and diam_nonzero (no d_i + d_i is zero) were last taken at.
    uint64_t squares_version = ~uint64_t{0};
    bool diam_nonzero = false;
    // Entries 0 and 3, from the step's geometry when it is on.
    double mass(int i) { return geo.has(i) ? geo.mass[(size_t)i] : vtab->PAH_mass(this, i); }
    double diam(int i) { return geo.has(i) ? geo.diam[(size_t)i] : vtab->PAH_diameter(this, i); }
};

// One update of a dimer-coalescence class: dimer rates and the coefficients
// of the dimer balance through the table, then dimers, inception and
// adsorption by the class's own names so an override is seen.
// On the exact class (nothing can override the switches) with a soot wrapper,
// a switch is the wrapper's field as its body reads it, at the time of the read.
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
    DimerCoalCommon::Scope cached(&s, s.geo, &Cls::type);
    if (!dimercoal_inception_on(s) && !dimercoal_adsorption_on(s)) return;
    s.vt()->update_w_dimer(&s);
    s.vt()->update_ab(&s);
    // The exact class with its own table on the step's geometry: no code of
    // anyone else's ran since the geometry was taken, and the steps run fused.
    if (s.geo.on && s.vtab == &Cls::vtable && s.fused_tail(dimercoal_inception_on(s), dimercoal_adsorption_on(s)))
        return;
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
    void (*update_w_dimer)(CDimerCoal*);  // 11
    void (*update_ab)(CDimerCoal*);       // 12
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
    bool update_ab_cached();

    // Volume terms of a dimer of two precursor molecules of mass m.
    struct DimerRow {
        double m = 0.0, v_d = 0.0, d_d = 0.0, v_d_s = 0.0;
        bool set = false;
        DimerRow() = default;
        DimerRow(double m_, double v, double d, double vs) : m(m_), v_d(v), d_d(d), v_d_s(vs), set(true) {}
        bool same(double m_) const { return set && std::bit_cast<uint64_t>(m) == std::bit_cast<uint64_t>(m_); }
    };
    std::vector<DimerRow> dimer_memo;
};

// The fields of both classes, in declaration order, for their field tables.
#define DIMERCOAL_ROWS DIMERCOAL_FIELDS(BIND_ROW)

}  // namespace pyrandel
