// Surface-reaction models of the modular framework: HACA growth with acetylene
// and oxidation by O2 and OH at the soot surface, turned into sources of C_tot
// and H_tot and into the gas species these reactions exchange.
//
// CSurfaceReactionsBase is the abstract model; CFrenklachHACA derives from it
// as a C++ struct (base fields first) and has its own internal table.
#pragma once

#include "../../binding/cls.hpp"
#include "../gas/sootgas.hpp"

namespace pyrandel {

struct CSootWrapper;
struct CFrenklachHACA;

//   X(name, "parameter names", docstring, result type, (C++ parameters))
#define SURFBASE_METHODS(X)                                                                                      \
    X(_reset, "", nullptr, void, ())                                                                            \
    X(update_soot_vars, "d_p, d_m, d_g, A_tot, m_agg, soot_MW, c_soot_agg, HtoC", nullptr, void,               \
      (PyObject * d_p, PyObject * d_m, PyObject * d_g, PyObject * A_tot, PyObject * m_agg, PyObject * soot_MW, \
       PyObject * c_soot_agg, PyObject * HtoC))                                                                 \
    X(update, "", nullptr, void, ())                                                                            \
    X(C_tot_growth, "", nullptr, double, ())                                                                    \
    X(H_tot_growth, "", nullptr, double, ())                                                                    \
    X(C_tot_oxidation, "", nullptr, double, ())                                                                 \
    X(H_tot_oxidation, "", nullptr, double, ())                                                                 \
    X(_update_w_scrub_growth, "w_scrub", nullptr, void, (bind::DoubleBuf w_scrub))                              \
    X(_update_w_scrub_oxidation, "w_scrub", nullptr, void, (bind::DoubleBuf w_scrub))                           \
    X(update_w_scrub, "w_scrub", nullptr, void, (bind::DoubleBuf w_scrub))                                      \
    X(surface_growth_enabled, "", nullptr, bool, ())                                                            \
    X(oxidation_enabled, "", nullptr, bool, ())

#define SURFBASE_FIELDS(F)                                                  \
    F(bind::Typed<CSootWrapper>, soot_wrapper, RW)                          \
    F(bind::Obj, HACA_prefactor, RW)      /* any object that multiplies with floats */ \
    F(int, _alpha_model, RW)              /* 0 constant, 1 empirical, 2 composition */ \
    F(double, alpha_constant, RW)                                           \
    F(double, growth_prefactor, RW)       /* carried, read by no computation */ \
    F(double, oxidation_prefactor, RW)    /* carried, read by no computation */ \
    F(double, _C_tot_growth, RO)          /* mol/(kg s) */                  \
    F(double, _H_tot_growth, RO)          /* mol/(kg s) */                  \
    F(double, _surface_growth_rate, RO)   /* mol C2H2/(m3 s) */             \
    F(double, _C_tot_oxidation, RO)       /* mol/(kg s) */                  \
    F(double, _H_tot_oxidation, RO)       /* mol/(kg s) */                  \
    F(bind::Vec<double>, _w_scrub_growth, RO)     /* carried */             \
    F(bind::Vec<double>, _w_scrub_oxidation, RO)  /* carried */             \
    F(double, m_agg, RO)      /* kg */                                      \
    F(double, d_p, RO)        /* m */                                       \
    F(double, d_m, RO)        /* m */                                       \
    F(double, d_g, RO)        /* m */                                       \
    F(double, A_tot, RO)      /* m2 per kg of gas */                        \
    F(double, soot_MW, RO)    /* kg/mol */                                  \
    F(double, c_soot_agg, RO) /* mol/m3 */                                  \
    F(double, HtoC, RO)       /* H_tot / C_tot */

struct CSurfaceReactionsBase {
    PyObject_HEAD
    SURFBASE_FIELDS(BIND_DECLARE)

    BIND_CLASS(CSurfaceReactionsBase)
    BIND_METHODS(SURFBASE_METHODS)

    void init_impl(PyObject* soot_wrapper);
    void set_defaults();

    // The step's particle values as doubles (the particle model's path when
    // nothing overrides `update_soot_vars`).
    void store_soot_vars(double d_p, double d_m, double d_g, double A_tot, double m_agg, double soot_MW,
                         double c_soot_agg, double HtoC);

    bind::Ref get_soot_gas();

    // The soot wrapper and its gas wrapper, held for the caller; AttributeError when missing.
    bind::Ref wrapper_ref() const;
    static bind::Ref gas_ref(const bind::Ref& wrapper);
    static CSootGas* as_gas(const bind::Ref& g) { return reinterpret_cast<CSootGas*>(g.get()); }
};

// Internal method table of CFrenklachHACA (its base has none).
struct CFrenklachHACAVTable {
    double (*alpha_empirical)(CFrenklachHACA*);                      // 0
    double (*alpha_ctoh_based)(CFrenklachHACA*);                     // 1
    double (*alpha)(CFrenklachHACA*);                                // 2
    double (*c_soot_nought)(CFrenklachHACA*);                        // 3, mol/m3
    bind::Ref (*_update_surface_growth_rate)(CFrenklachHACA*);       // 4, raises
    bind::Ref (*_update_C_tot_growth)(CFrenklachHACA*);              // 5, raises
    bind::Ref (*_update_H_tot_growth)(CFrenklachHACA*);              // 6, raises
    bind::Ref (*_update_O2_oxidation_rate)(CFrenklachHACA*);         // 7, raises
    bind::Ref (*_update_OH_oxidation_rate)(CFrenklachHACA*);         // 8
    double (*_update_C_tot_oxidation)(CFrenklachHACA*);              // 9
    void (*_update_H_tot_oxidation)(CFrenklachHACA*);                // 10
    void (*_update_w_scrub_growth)(CFrenklachHACA*, bind::DoubleBuf& w_scrub);     // 11
    void (*_update_w_scrub_oxidation)(CFrenklachHACA*, bind::DoubleBuf& w_scrub);  // 12
};

#define FRENKLACH_FIELDS(F)                                  \
    F(double, _O2_oxidation_rate, RW) /* mol O2/(m3 s) */    \
    F(double, _OH_oxidation_rate, RW) /* mol OH/(m3 s) */

#define FRENKLACH_METHODS(M)
#define FRENKLACH_REDEFINES(M)        \
    M(_reset, "", nullptr, void, ())  \
    M(update, "", nullptr, void, ())  \
    M(update_w_scrub, "w_scrub", nullptr, void, (bind::DoubleBuf w_scrub))

struct CFrenklachHACA : CSurfaceReactionsBase {
    using Base = CSurfaceReactionsBase;
    const CFrenklachHACAVTable* vtab;
    FRENKLACH_FIELDS(BIND_DECLARE)

    BIND_CLASS(CFrenklachHACA)
    static const CFrenklachHACAVTable vtable;
    BIND_DERIVED_METHODS(FRENKLACH_METHODS, FRENKLACH_REDEFINES)

    void init_impl(PyObject* soot_wrapper);

    // What one update() computes once (defined with the formulas); within the
    // checked route of an exact instance with a float prefactor on an exact gas
    // wrapper, the step's, null otherwise.
    struct Step;
    Step* step_;

    // Property `alpha_model`.
    bind::Ref get_alpha_model();
    void set_alpha_model(PyObject* v);

    // Kernel bodies (they may raise; the table entries handle errors by result kind).
    double alpha_empirical_impl();
    double alpha_ctoh_based_impl();
    double alpha_impl();
    double c_soot_nought_impl();
    void update_surface_growth_rate_impl();
    void update_C_tot_growth_impl();
    void update_H_tot_growth_impl();
    void update_O2_oxidation_rate_impl();
    void update_OH_oxidation_rate_impl();
    double update_C_tot_oxidation_impl();
    void update_H_tot_oxidation_impl();
    void update_w_scrub_growth_impl(bind::DoubleBuf& w);
    void update_w_scrub_oxidation_impl(bind::DoubleBuf& w);
    void update_w_scrub_on(bind::DoubleBuf& w_scrub);  // the body of update_w_scrub on an open view
    // An exact instance with its own table on a plain gas wrapper with its own
    // table: its gas wrapper, null otherwise. Then nothing in update() or
    // update_w_scrub() can run Python code.
    CSootGas* own_plain_gas() const;
    // The indices of H, OH, H2, H2O, C2H2, O2 and CO as the gas wrapper's cache
    // gave them, for the species dictionary and its version they were read at:
    // an unchanged dictionary maps the names to the same indices.
    enum { sp_H, sp_OH, sp_H2, sp_H2O, sp_C2H2, sp_O2, sp_CO, n_sp };
    SpeciesIds<n_sp> sp_;
    // May this step take the plain route (fields read in place, one pass): the
    // one decision, made once per update() and per update_w_scrub(). The gas
    // wrapper of such an instance with the indices of the species in `needs`
    // (a mask of slots) from the gas wrapper's cache, `all` where every one
    // came from sp_; null otherwise.
    CSootGas* plain_route(unsigned needs, int (&ids)[n_sp], bool& all);
    // update() and update_w_scrub() on the plain route; false, before anything
    // is written, where a value could differ or a step fail.
    bool plain_update();
    bool plain_w_scrub(const bind::F64Span& w);
    // The elements the plain scrub writes (null outside the array) as the indices
    // of sp_ give them, kept for the species dictionary's stamp and the array
    // memory they were found for.
    struct ScrubArray {
        bind::DictStamp species;
        const char* data;
        Py_ssize_t n, stride;
        auto inputs() const { return std::tie(species, data, n, stride); }
    };
    Kept<ScrubArray, std::array<double*, n_sp>> slots_;
    // `surface_growth_enabled()` and `oxidation_enabled()` as calls from this class's code see them.
    bool growth_on();
    bool oxidation_on();
};

// The protocol calls of the particle model on the installed surface-reaction
// model: through the C++ bodies when nothing overrides the name, by attribute
// name otherwise. `w_scrub` is the array object.
void surf_update_soot_vars(PyObject* model, double d_p, double d_m, double d_g, double A_tot, double m_agg,
                           double soot_MW, double c_soot_agg, double HtoC);
void surf_update(PyObject* model);
// `view`, when given, is an open view of `w_scrub` that the C++ body may use.
void surf_update_w_scrub(PyObject* model, PyObject* w_scrub, bind::DoubleBuf* view = nullptr);
// That call on a plain float64 array where the model is an exact CFrenklachHACA
// whose fused writes apply (nothing can run code or fail); false, before any
// write, otherwise.
bool surf_plain_w_scrub(CSurfaceReactionsBase* model, const bind::F64Span& w);
// The model's totals (mol/(kg s)) as its method of that name returns them.
enum class SurfTotal { C_tot_growth, H_tot_growth, C_tot_oxidation, H_tot_oxidation };
bind::Ref surf_total(PyObject* model, SurfTotal which);

}  // namespace pyrandel
