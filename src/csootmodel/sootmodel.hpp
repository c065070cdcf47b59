// CSootModel: the classic monodisperse soot model. The caller hands it a gas
// state and the four soot variables each step and reads back source terms,
// particle properties and the gas scrubbing rates.
//
// Every Python-visible method has a C++ body `name_impl`; calls between
// methods go through the dispatcher `name(...)`, which enters the body
// directly unless a Python subclass or an instance attribute overrides it.
#pragma once

#include "../binding/cls.hpp"
#include "../binding/results.hpp"

#include <vector>

#include "fields.hpp"
#include "methods.hpp"

namespace pyrandel {

struct CSootModel;

namespace csm {
// Per-precursor and per-dimer values of the step in one pass (step.cpp), kept
// with the model so that their storage is reused from step to step.
struct StepScratch {
    std::vector<double> M, mass, d, c;                     // per precursor
    std::vector<double> k_f, k_r, star, k3, k4, rad;      // per precursor
    std::vector<double> dC, dH;                            // per precursor
    std::vector<double> phy, rop;                          // per dimer
    std::vector<double> omega, a, b, dimer, w_inc, w_cond, weight;  // self-collision, per precursor
};
}  // namespace csm

// Internal method table: entries without a Python name.
struct CSootModelVTable {
    void (*update_ROP)(CSootModel*);
    bind::Ref (*k_nuc_irrevd)(CSootModel*, PyObject* PAH_1_id, PyObject* PAH_2_id);
    void (*update_ROP_irrevd)(CSootModel*);
};

struct CSootModel {
    PyObject_HEAD
    const CSootModelVTable* vtab;

    CSM_FIELDS(BIND_DECLARE)
    csm::StepScratch scratch;

    // ------------------------------------------------------------- binding

    BIND_CLASS(CSootModel)
    static const CSootModelVTable vtable;
    BIND_METHODS(CSM_METHODS)

    void init_impl();
    // The set-up step an error most likely points to; the binding adds it to the message.
    static const char* error_hint(const CSootModel& m, PyObject* type);
    // Whether initialize() sized the per-precursor arrays for the current precursors and variant.
    bool initialized_for_setup() const;

    // Internal entries (bodies of the table).
    void update_ROP_impl();
    bind::Ref k_nuc_irrevd_impl(PyObject* PAH_1_id, PyObject* PAH_2_id);
    void update_ROP_irrevd_impl();

    // Calls a strategy attribute (a field holding a callable) without arguments.
    bind::Ref run(PyObject* strategy) { return bind::call_strategy((PyObject*)this, strategy, spec()); }
    double run_d(PyObject* strategy) { return bind::as_double(run(strategy).get()); }

    // The step in one pass where nothing of it is replaced (step.cpp); false:
    // take the method-by-method route, which gives the same values.
    bool solution_in_one_pass();
    // True when every call between methods enters CSootModel's own bodies (no override).
    bool runs_own_bodies();
    bool source_in_one_pass(int soot_variable, bind::Ref& out);

    // Binds `self.<name>` (looked up now, so overrides are bound) into a strategy field.
    void bind_step(bind::Obj& field, PyObject* name);

    // Properties (selection.cpp and state.cpp).
    bind::Ref get_PAH_growth_model_name();
    void set_PAH_growth_model_name(PyObject* v);
    bind::Ref get_alpha_model();
    void set_alpha_model(PyObject* v);
    bind::Ref get_coalescence_type();
    void set_coalescence_type(PyObject* v);
    bind::Ref get_validation();
    void set_validation(PyObject* v);
};

}  // namespace pyrandel
