// CPAHGrowthBase: the common base and protocol of the modular PAH-growth models.
// A model turns the PAH precursors of the gas into new particles (inception)
// and into soot mass on existing particles (adsorption), and enters what these
// processes consume and release into the particle model's scrubbing array.
//
// Derived models (CReactDim, ...) are C++ structs deriving from this one, so
// the base fields sit first and a pointer to any model is a pointer to the
// base; their internal tables derive from CPAHGrowthBaseVTable and keep its
// eleven entries at their positions.
#pragma once

#include <bit>
#include <cstdint>

#include "../../binding/cls.hpp"
#include "../../physics/cache.hpp"

namespace pyrandel {

struct CPAHGrowthBase;
struct CSootWrapper;
struct CSootGas;

// Internal method table. The geometry and kernel entries are shared by every
// model; the two scrub entries are each model's own; update_w_scrub runs them
// in turn (one shared body in all models).
struct CPAHGrowthBaseVTable {
    double (*PAH_mass)(CPAHGrowthBase*, int i);                      // kg
    double (*PAH_volume)(CPAHGrowthBase*, int i);                    // m3
    double (*volume_from_mass)(CPAHGrowthBase*, double mass);        // m3
    double (*PAH_diameter)(CPAHGrowthBase*, int i);                  // m
    double (*diameter_from_mass)(CPAHGrowthBase*, double mass);      // m
    double (*reduced_m)(CPAHGrowthBase*, int i, int j);              // kg
    double (*reduced_d)(CPAHGrowthBase*, int i, int j);              // m
    double (*beta_fm_soot_PAH_by_mass)(CPAHGrowthBase*, double m);   // m3/s
    void (*_update_w_scrub_inception)(CPAHGrowthBase*, bind::DoubleBuf& w_scrub);
    void (*_update_w_scrub_PAH)(CPAHGrowthBase*, bind::DoubleBuf& w_scrub);
    void (*update_w_scrub)(CPAHGrowthBase*, bind::DoubleBuf& w_scrub);
};

// Mass and diameter of one precursor molecule, kept for the inputs they are
// computed from (species index, molar mass, atom counts): they change only with
// the molar masses and the precursor lists, not per step.
struct PAHGeometryInputs {
    int s;
    double MW, n_C, n_H;
    auto inputs() const { return std::tie(s, MW, n_C, n_H); }
};
struct PAHGeometry {
    double m, d;
};
using KeptPAHGeometry = Kept<PAHGeometryInputs, PAHGeometry>;

// Reduced mass of two molecules.
inline double reduced_of(double m_i, double m_j) { return m_i * m_j / (m_i + m_j); }
// The reduced diameter 2·d_i·d_j/(d_i + d_j), `div` dividing.
template <class Div>
inline double reduced_d_of(Div div, double d_i, double d_j) {
    return div(2.0 * d_i * d_j, d_i + d_j);
}

// update_w_scrub of every concrete model: inception scrubbing, then adsorption
// scrubbing, on the same array. Never raises.
void pah_growth_update_w_scrub(CPAHGrowthBase* self, bind::DoubleBuf& w_scrub);

// update_w_scrub on a plain float64 array for a model on the table of one of the
// module's six classes (Python code can neither replace nor reach into the
// scrub entries): the same additions in the same order, where every write lands
// inside the array and no index needs code to look up. False otherwise, maybe
// after some writes: the caller then clears the array and takes the entries.
bool pah_plain_w_scrub(CPAHGrowthBase* self, const bind::F64Span& w);

// The row of one of those classes in the table pah_plain_w_scrub reads: its
// internal table and its one-call scrub. Each class's source adds its own,
// `const bool plain_scrub_added = add_plain_scrub<C>();`.
struct PlainScrubRow {
    const CPAHGrowthBaseVTable* table;
    bool (*scrub)(CPAHGrowthBase*, const bind::F64Span&);
};
bool add_plain_scrub(PlainScrubRow row);
template <class C>
bool add_plain_scrub() {
    return add_plain_scrub({&C::vtable, [](CPAHGrowthBase* s, const bind::F64Span& w) {
                                return static_cast<C*>(s)->plain_scrub(w);
                            }});
}

//   X(name, "parameter names", docstring, result type, (C++ parameters))
#define PAHBASE_METHODS(X)                                                                                     \
    X(_reset, "", nullptr, void, ())                                                                          \
    X(PAH_indices, "", nullptr, bind::Ref, ())                                                                \
    X(PAH_n_C, "", nullptr, bind::Ref, ())                                                                    \
    X(PAH_n_H, "", nullptr, bind::Ref, ())                                                                    \
    X(update_soot_vars, "d_p, d_m, d_g, A_tot, m_agg, V_agg, soot_MW, c_soot_agg, c_soot_pri, m_p", nullptr, \
      void,                                                                                                   \
      (PyObject * d_p, PyObject * d_m, PyObject * d_g, PyObject * A_tot, PyObject * m_agg, PyObject * V_agg,  \
       PyObject * soot_MW, PyObject * c_soot_agg, PyObject * c_soot_pri, PyObject * m_p))                     \
    X(update, "", nullptr, void, ())                                                                          \
    X(N_agg_inception_each, "index", nullptr, double, (bind::SizeT index))                                    \
    X(C_tot_inception_each, "index", nullptr, double, (bind::SizeT index))                                    \
    X(H_tot_inception_each, "index", nullptr, double, (bind::SizeT index))                                    \
    X(N_agg_inception_all, "", nullptr, bind::Ref, ())                                                        \
    X(C_tot_inception_all, "", nullptr, bind::Ref, ())                                                        \
    X(H_tot_inception_all, "", nullptr, bind::Ref, ())                                                        \
    X(N_agg_inception_total, "", nullptr, double, ())                                                         \
    X(C_tot_inception_total, "", nullptr, double, ())                                                         \
    X(H_tot_inception_total, "", nullptr, double, ())                                                         \
    X(C_tot_PAH_each, "PAH_id", nullptr, double, (int PAH_id))                                                \
    X(H_tot_PAH_each, "PAH_id", nullptr, double, (int PAH_id))                                                \
    X(C_tot_PAH_all, "", nullptr, bind::Ref, ())                                                              \
    X(H_tot_PAH_all, "", nullptr, bind::Ref, ())                                                              \
    X(C_tot_PAH_total, "", nullptr, double, ())                                                               \
    X(H_tot_PAH_total, "", nullptr, double, ())                                                               \
    X(inception_enabled, "", nullptr, bool, ())                                                               \
    X(PAH_adsorption_enabled, "", nullptr, bool, ())                                                          \
    X(partial_particle_addition, "", nullptr, bind::Ref, ())

#define PAHBASE_FIELDS(F)                                         \
    F(bind::Typed<CSootWrapper>, soot_wrapper, RW)                \
    F(int, n_PAHs, RO)                                            \
    F(double, m_agg, RO)      /* kg */                            \
    F(double, d_p, RO)        /* m */                             \
    F(double, d_m, RO)        /* m */                             \
    F(double, d_g, RO)        /* m */                             \
    F(double, A_tot, RO)      /* m2 per kg of gas */              \
    F(double, soot_MW, RO)    /* kg/mol */                        \
    F(double, c_soot_agg, RO) /* mol/m3 */                        \
    F(double, c_soot_pri, RO) /* mol/m3 */                        \
    F(double, m_p, RO)        /* kg */                            \
    F(bind::Vec<double>, _N_agg_inception_each, RO) /* per inception channel, mol/(kg s) */ \
    F(bind::Vec<double>, _C_tot_inception_each, RO)               \
    F(bind::Vec<double>, _H_tot_inception_each, RO)               \
    F(double, _N_agg_inception_total, RO)                         \
    F(double, _C_tot_inception_total, RO)                         \
    F(double, _H_tot_inception_total, RO)                         \
    F(bind::Vec<double>, _PAH_adsorption_rate, RO) /* per precursor, mol/(m3 s) */ \
    F(bind::Vec<double>, _C_tot_PAH_each, RO)      /* per precursor, mol/(kg s) */ \
    F(bind::Vec<double>, _H_tot_PAH_each, RO)                     \
    F(double, _C_tot_PAH_total, RO)                               \
    F(double, _H_tot_PAH_total, RO)                               \
    F(bind::Obj, V_agg, MEMBER) /* m3, an instance member stored as handed in */

struct CPAHGrowthBase {
    PyObject_HEAD
    const CPAHGrowthBaseVTable* vtab;
    PAHBASE_FIELDS(BIND_DECLARE)

    BIND_CLASS(CPAHGrowthBase)
    static const CPAHGrowthBaseVTable vtable;
    BIND_METHODS(PAHBASE_METHODS)

    void init_impl(PyObject* soot_wrapper);

    // The soot variables of the step as doubles, without conversions (the
    // particle model's path when nothing overrides `update_soot_vars`).
    void store_soot_vars(double d_p, double d_m, double d_g, double A_tot, double m_agg, double V_agg,
                         double soot_MW, double c_soot_agg, double c_soot_pri, double m_p);

    // Property `soot_gas`.
    bind::Ref get_soot_gas();

    // ----------------------------------------------- helpers for the models
    // The soot wrapper and its gas wrapper, held for the caller (a Python call
    // in between may replace the fields); AttributeError when missing.
    bind::Ref wrapper_ref(const char* attr = "soot_gas") const;
    static bind::Ref gas_ref(const bind::Ref& wrapper);
    static CSootGas* as_gas(const bind::Ref& g) { return reinterpret_cast<CSootGas*>(g.get()); }
    // Precursor data of the wrapper, read afresh and bounds-checked.
    int PAH_index_at(int i) const;
    double PAH_n_C_at(int i) const;
    double PAH_n_H_at(int i) const;
    // Number of precursors the wrapper holds now.
    size_t wrapper_n_PAHs() const;

    // Truth of `self.partial_particle_addition()`.
    bool partial_addition_on();

    // Bodies of the table entries (they raise; the table entries report).
    double PAH_mass_impl(int i);
    double volume_from_mass_impl(double m) { return m / 1800.0; }
    void no_update_w_scrub_inception_impl(bind::DoubleBuf& w);
    void no_update_w_scrub_PAH_impl(bind::DoubleBuf& w);
    void no_update_w_scrub_impl(bind::DoubleBuf& w);
    double PAH_volume_impl(int i);
    double PAH_diameter_impl(int i);
    double diameter_from_mass_impl(double m);
    double reduced_m_impl(int i, int j);
    double reduced_d_impl(int i, int j);
    double beta_fm_soot_PAH_by_mass_impl(double m);

    // Scrub write with a bounds test against the buffer (IndexError
    // "Out of bounds on buffer access (axis 0)"); negative indices count from the end.
    static void scrub_add(bind::DoubleBuf& w, Py_ssize_t i, double delta);
};

// The protocol calls of the particle model on the installed PAH-growth model:
// through the C++ bodies when the model's class does not override the name,
// by attribute name otherwise.
void pah_update_soot_vars(PyObject* model, double d_p, double d_m, double d_g, double A_tot, double m_agg,
                          double V_agg, double soot_MW, double c_soot_agg, double c_soot_pri, double m_p);
void pah_update(PyObject* model);
// Carbon and hydrogen (mol/(kg s)) that precursors adsorbed at r (mol/(m3 s))
// bring to the soot, each giving up two hydrogen atoms; added to the totals.
struct AdsorbedCH {
    double C = 0.0, H = 0.0;
    void add(double n_C, double n_H, double r, double rho, double& dC_out, double& dH_out) {
        const double dC = n_C * r / rho;
        const double dH = (n_H - 2.0) * r / rho;
        dC_out = dC;
        dH_out = dH;
        C += dC;
        H += dH;
    }
};

// The inception totals of a step: new particles, carbon and hydrogen (mol/(kg s)).
struct InceptionTotals {
    double N = 0.0, C = 0.0, H = 0.0;
    void add(double dN, double dC, double dH) {
        N += dN;
        C += dC;
        H += dH;
    }
    void store(CPAHGrowthBase& m) const {
        m._N_agg_inception_total = N;
        m._C_tot_inception_total = C;
        m._H_tot_inception_total = H;
    }
};

// The model's totals (mol/(kg s)) as its method of that name returns them.
enum class PAHTotal { N_agg_inception, C_tot_inception, H_tot_inception, C_tot_PAH, H_tot_PAH };
bind::Ref pah_total(PyObject* model, PAHTotal which);

}  // namespace pyrandel
