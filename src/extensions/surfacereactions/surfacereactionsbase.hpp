// Surface-reaction models of the modular framework: HACA growth with acetylene
// and oxidation by O2 and OH at the soot surface, turned into sources of C_tot
// and H_tot and into the gas species these reactions exchange.
//
// CSurfaceReactionsBase is the abstract model; CFrenklachHACA derives from it
// as a C++ struct (base fields first) and has its own internal table.
#pragma once

#include "../../binding/cls.hpp"

namespace pyrandel {

struct CSootWrapper;
struct CSootGas;
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

struct CSurfaceReactionsBase {
    using Self = CSurfaceReactionsBase;
    PyObject_HEAD

    PyObject* soot_wrapper;    // CSootWrapper or None
    PyObject* HACA_prefactor;  // any object that multiplies with floats
    int _alpha_model;          // 0 constant, 1 empirical, 2 composition
    double alpha_constant;
    double growth_prefactor;     // carried, read by no computation
    double oxidation_prefactor;  // carried, read by no computation
    double _C_tot_growth;         // mol/(kg s)
    double _H_tot_growth;         // mol/(kg s)
    double _surface_growth_rate;  // mol C2H2/(m3 s)
    double _C_tot_oxidation;      // mol/(kg s)
    double _H_tot_oxidation;      // mol/(kg s)
    std::vector<double> _w_scrub_growth;     // carried, read by no computation
    std::vector<double> _w_scrub_oxidation;  // carried, read by no computation
    double m_agg;       // kg
    double d_p;         // m
    double d_m;         // m
    double d_g;         // m
    double A_tot;       // m2 per kg of gas
    double soot_MW;     // kg/mol
    double c_soot_agg;  // mol/m3
    double HtoC;        // H_tot / C_tot

    static constexpr const char* py_name = "CSurfaceReactionsBase";
    static constexpr const char* doc = "CSurfaceReactionsBase(soot_wrapper)";
    static PyTypeObject type;
    static bind::ClassSpec& spec();
    // The base's fields in declaration order, first in every derived table.
    static std::span<const bind::Field> base_fields();

    enum { SURFBASE_METHODS(BIND_ID) MID_count };
    SURFBASE_METHODS(BIND_DISPATCHER)
    SURFBASE_METHODS(BIND_DECL)

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

#define FRENKLACH_METHODS(X)                  \
    X(_reset, "", nullptr, void, ())          \
    X(update, "", nullptr, void, ())          \
    X(update_w_scrub, "w_scrub", nullptr, void, (bind::DoubleBuf w_scrub))

struct CFrenklachHACA : CSurfaceReactionsBase {
    using Self = CFrenklachHACA;
    const CFrenklachHACAVTable* vtab;
    double _O2_oxidation_rate;  // mol O2/(m3 s)
    double _OH_oxidation_rate;  // mol OH/(m3 s)

    static constexpr const char* py_name = "CFrenklachHACA";
    static constexpr const char* doc = "CFrenklachHACA(soot_wrapper)";
    static PyTypeObject type;
    static const CFrenklachHACAVTable vtable;
    static bind::ClassSpec& spec();
    static void on_new(CFrenklachHACA* self) { self->vtab = &vtable; }

    enum { FRENKLACH_METHODS(BIND_ID) MID_count };
    FRENKLACH_METHODS(BIND_DISPATCHER)
    FRENKLACH_METHODS(BIND_DECL)

    void init_impl(PyObject* soot_wrapper);

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
};

// The protocol calls of the particle model on the installed surface-reaction
// model: through the C++ bodies when nothing overrides the name, by attribute
// name otherwise. `w_scrub` is the array object.
void surf_update_soot_vars(PyObject* model, double d_p, double d_m, double d_g, double A_tot, double m_agg,
                           double soot_MW, double c_soot_agg, double HtoC);
void surf_update(PyObject* model);
void surf_update_w_scrub(PyObject* model, PyObject* w_scrub);
// The model's totals (mol/(kg s)) as its method of that name returns them.
enum class SurfTotal { C_tot_growth, H_tot_growth, C_tot_oxidation, H_tot_oxidation };
bind::Ref surf_total(PyObject* model, SurfTotal which);

}  // namespace pyrandel
