// CDimerCoalMod: dimer coalescence with the dimerisation rate and both loss
// coefficients built from collision kernels (free-molecular precursor-precursor,
// dimer-dimer and soot-dimer, continuum soot-dimer, and the harmonic mean of the
// last two). Fields, steps and scrubbing are CDimerCoal's (dimercoal.hpp).
#pragma once

#include "dimercoal.hpp"

namespace pyrandel {

struct CDimerCoalMod;

struct CDimerCoalModVTable : CPAHGrowthBaseVTable {
    void (*update_w_dimer)(CDimerCoalMod*);
    double (*beta_fm_PAH_PAH)(CDimerCoalMod*, int i);       // m3/s
    double (*beta_fm_dimer_dimer)(CDimerCoalMod*, int i);   // m3/s
    double (*beta_fm_soot_dimer)(CDimerCoalMod*, int i);    // m3/s
    double (*beta_cont_soot_dimer)(CDimerCoalMod*, int i);  // m3/s
    double (*beta_soot_dimer)(CDimerCoalMod*, int i);       // m3/s
    double (*C_S_soot)(CDimerCoalMod*, double diameter);
    void (*update_ab)(CDimerCoalMod*);
};

struct CDimerCoalMod : DimerCoalCommon {
    using Base = CPAHGrowthBase;
    BIND_CLASS(CDimerCoalMod)
    static const CDimerCoalModVTable vtable;
    BIND_DERIVED_METHODS(DIMERCOAL_METHODS, DIMERCOAL_REDEFINES)
    const CDimerCoalModVTable* vt() const { return static_cast<const CDimerCoalModVTable*>(vtab); }

    void init_impl(PyObject* soot_wrapper);
    void update_w_dimer_impl();
    double beta_fm_PAH_PAH_impl(int i);
    double beta_fm_dimer_dimer_impl(int i);
    double beta_fm_soot_dimer_impl(int i);
    double beta_cont_soot_dimer_impl(int i);
    double beta_soot_dimer_impl(int i);
    double C_S_soot_impl(double d);
    void update_ab_impl();

    // The one decision of the class: may this update take the plain route?
    // plain_common and a non-zero viscosity. Fills `step` and the aggregate's
    // continuum terms below.
    bool plain_route();
    // The steps of one update in one pass on `step` (see CDimerCoal::fused_update).
    bool fused_update();
    double cont_a = 0.0, cont_agg = 0.0;
};

}  // namespace pyrandel
