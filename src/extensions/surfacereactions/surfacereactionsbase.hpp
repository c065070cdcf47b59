// Surface-reaction models of the modular framework: HACA growth with acetylene
// and oxidation by O2 and OH at the soot surface, turned into sources of C_tot
// and H_tot and into the gas species these reactions exchange.
//
// CSurfaceReactionsBase is the abstract model; CFrenklachHACA (frenklachhaca.hpp)
// derives from it as a C++ struct (base fields first) with its own internal table.
#pragma once

#include "../../binding/cls.hpp"
#include "../gas/sootgas.hpp"

namespace pyrandel {

struct CSootWrapper;

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
