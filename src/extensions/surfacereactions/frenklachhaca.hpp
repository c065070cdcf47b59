// CFrenklachHACA: HACA growth with acetylene and oxidation by O2 and OH, the
// surface-reaction model of the modular framework, with its internal table.
#pragma once

#include <array>
#include <cstdint>
#include <tuple>

#include "../../physics/cache.hpp"
#include "surfacereactionsbase.hpp"

namespace pyrandel {

struct CFrenklachHACA;

// Internal method table of CFrenklachHACA (its base has none).
struct CFrenklachHACAVTable {
    double (*alpha_empirical)(CFrenklachHACA*);
    double (*alpha_ctoh_based)(CFrenklachHACA*);
    double (*alpha)(CFrenklachHACA*);
    double (*c_soot_nought)(CFrenklachHACA*);                        // mol/m3
    bind::Ref (*_update_surface_growth_rate)(CFrenklachHACA*);       // raises
    bind::Ref (*_update_C_tot_growth)(CFrenklachHACA*);              // raises
    bind::Ref (*_update_H_tot_growth)(CFrenklachHACA*);              // raises
    bind::Ref (*_update_O2_oxidation_rate)(CFrenklachHACA*);         // raises
    bind::Ref (*_update_OH_oxidation_rate)(CFrenklachHACA*);
    double (*_update_C_tot_oxidation)(CFrenklachHACA*);
    void (*_update_H_tot_oxidation)(CFrenklachHACA*);
    void (*_update_w_scrub_growth)(CFrenklachHACA*, bind::DoubleBuf& w_scrub);
    void (*_update_w_scrub_oxidation)(CFrenklachHACA*, bind::DoubleBuf& w_scrub);
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

}  // namespace pyrandel
