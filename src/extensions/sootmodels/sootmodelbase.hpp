// CSootModelBase: the particle-model protocol that the modular reactors and
// flame solvers call. It holds the soot wrapper, the species-sized scrubbing
// array `w_scrub` (mol/(m3 s)) and the number of soot equations.
#pragma once

#include "../../binding/cls.hpp"

namespace pyrandel {

struct CSootWrapper;

#define CSMB_FIELDS(F)                             \
    F(bind::Typed<CSootWrapper>, soot_wrapper, RW) \
    F(bind::Obj, _PAH_growth_model, RW)            \
    F(bind::Obj, _surface_reactions_model, RW)     \
    F(int, n_eqns, RO)                             \
    F(bind::Array, w_scrub, RW)                    \
    F(int, diffusion_coeff_method, RW)

#define CSMB_METHODS(M)                                          \
    M(_reset, "", nullptr, void, ())                             \
    M(soot_gas, "", nullptr, bind::Ref, ())                      \
    M(PAH_growth_model, "", nullptr, bind::Ref, ())              \
    M(surface_reactions_model, "", nullptr, bind::Ref, ())       \
    M(coagulation_enabled, "", nullptr, bind::Ref, ())           \
    M(carbonization_enabled, "", nullptr, bind::Ref, ())         \
    M(scrubbing_enabled, "", nullptr, bind::Ref, ())             \
    M(coalescence_enabled, "", nullptr, bind::Ref, ())           \
    M(volume_fraction, "", nullptr, double, ())                  \
    M(total_mass, "", nullptr, double, ())                       \
    M(_update_w_scrub, "", nullptr, void, ())                    \
    M(update, "", nullptr, void, ())

struct CSootModelBase {
    PyObject_HEAD
    // The hub; two carried references; the number of soot variables; the gas
    // scrubbing rates in mol/(m3 s), one per gas species; 0 morphology, 1 constant.
    CSMB_FIELDS(BIND_DECLARE)

    BIND_CLASS(CSootModelBase)
    BIND_METHODS(CSMB_METHODS)

    void init_impl(PyObject* soot_wrapper);

    bind::Ref get_diffusion_coeff_type();
    void set_diffusion_coeff_type(PyObject* v);

    // The soot wrapper, held; AttributeError naming `attr` when it is None.
    bind::Ref wrapper(const char* attr) const;
};

}  // namespace pyrandel
