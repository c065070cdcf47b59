// CReactDim: reactive dimerisation. Every precursor pair forms physically bound
// dimers in steady state between collision, dissociation and the reaction to
// chemical dimers, each of which starts a particle; PAH adsorption runs through
// a physisorbed PAH-soot complex, also in steady state.
//
// Each formula below is written once, over how it reads its inputs: the
// checked access (the class's table entries, the held gas wrapper,
// bounds-checked reads, each entry reporting its own errors) serves the
// entries and steps; the plain access (the step's values, the wrappers' fields
// read in place) serves the one fused pass of an update on the plain route.
#pragma once

#include "dimercoal.hpp"

namespace pyrandel {

struct CReactDim;

namespace reactdim {

// 10^-1.8, the pre-exponential factor of both dissociations.
constexpr double ten_to_minus_1_8 = 0.015848931924611134;

// k_FWD, the collision rate coefficient of a precursor pair (reduced diameter
// and mass), enhancement factor 2.2 and a sticking probability of 0.1: a
// factor fixed per pair times the root of T / m_red.
inline double k_fwd_factor(double prefactor, double d_red) {
    return prefactor * 2.2 * 0.1 * constants.Av_const * std::pow(d_red, 2.0);
}
inline double k_fwd_from(double factor, double m_red, double T) {
    return factor * std::sqrt(8.0 * constants.Pi_const * constants.kB_const * T / m_red);
}
inline double k_fwd_of(double prefactor, double d_red, double m_red, double T) {
    return k_fwd_from(k_fwd_factor(prefactor, d_red), m_red, T);
}

// The back reaction of a physically bound pair of molar masses MW_a and MW_b
// formed at `rate`: k_REV of two precursors, k_r_soot_PAH of a precursor on
// soot. The binding energy grows with the pair's reduced molar mass; the
// exponent's numerator is fixed per pair.
inline double back_numerator(double MW_a, double MW_b) {
    return (933420.0 * reduced_of(MW_a, MW_b) - 34053.0) * (-0.115) * constants.ln10_const;
}
inline double k_back_from(double rate, double numerator, double T) {
    return rate * ten_to_minus_1_8 * std::exp(numerator / (constants.R_const * T));
}
inline double k_back_of(double rate, double MW_a, double MW_b, double T) {
    return k_back_from(rate, back_numerator(MW_a, MW_b), T);
}

// k_REAC and k_PAH: pre-exponential A scaled by its factor, activation energy
// 96232 J/mol scaled by its factor; `exp` the exponential it takes.
template <class Exp>
inline double arrhenius_of(double A_factor, double A, double Ea_factor, double T, Exp&& exp) {
    return A_factor * A * exp(-Ea_factor * 96232.0 / (constants.R_const * T));
}

// Physically bound dimers of precursors i and j (dimer kk) in steady state,
// mol/m3; the inputs in the order the checked route reads them.
template <class A>
[[gnu::always_inline]] inline double phy_dimer_of(const A& a, size_t kk, int i, int j, double k_reac) {
    const double k_fwd = a.k_fwd(kk, i, j);
    const double C_i = a.C(i);
    const double C_j = a.C(j);
    const double k_rev = a.k_rev(kk, k_fwd, i, j);
    return a.div(k_fwd * C_i * C_j, k_rev + k_reac);
}

// Chemical dimers from bound ones, mol/(m3 s); the carbon or hydrogen (n atoms
// per dimer) they bring per kg of gas; the new particles they make, with
// partial addition the share of the smallest particle their carbon makes.
inline double chem_dimer_of(double k_reac, double c) { return bind::pymax(k_reac * c, 0.0); }
inline double incepted_of(double n, double w, double rho) { return n * w / rho; }
inline double new_particles_of(bool partial, double n_C, double w, double rho) {
    return partial ? (n_C / constants.min_n_C_const) * (w / rho) : w / rho;
}

// Adsorption: the PAH-soot collision rate coefficient per mole from its two
// regimes, and the physisorbed complex in steady state, mol/m3.
inline double k_f_of(double fm, double cont) { return constants.Av_const * fm * cont / (fm + cont); }
inline double star_of(double k_f, double c_soot_agg, double C_i, double k_r, double k_pah) {
    return k_f * c_soot_agg * bind::pymax(C_i, 0.0) / (k_r + k_pah);
}

}  // namespace reactdim

// The base's eleven entries (8, 9 and 10 replaced), then the model's own.
struct CReactDimVTable : CPAHGrowthBaseVTable {
    void (*_update_phy_dimer)(CReactDim*);
    double (*k_FWD)(CReactDim*, int i, int j);
    double (*k_REV)(CReactDim*, int i, int j);
    double (*k_REAC)(CReactDim*);
    double (*beta_fm_soot_PAH)(CReactDim*, int i);         // m3/s
    double (*beta_cont_soot_PAH)(CReactDim*, int i);       // m3/s
    double (*C_S_soot)(CReactDim*, double diameter);
    double (*k_f_soot_PAH)(CReactDim*, int i);
    double (*k_r_soot_PAH)(CReactDim*, int i);
    double (*k_PAH)(CReactDim*);
    double (*soot_PAH_star)(CReactDim*, int i);            // mol/m3
    bind::Ref (*_update_PAH_adsorption_rate)(CReactDim*);  // raises
    void (*_update_w_chem_dimer)(CReactDim*);
    void (*_update_c_soot_PAH_star)(CReactDim*);
    void (*_update_k_adsorption)(CReactDim*);
    void (*_update_CH_tot_PAH)(CReactDim*);
    void (*_update_NCH_inception)(CReactDim*);
};

#define REACTDIM_FIELDS(F)                                                   \
    F(bind::Vec<double>, dimer_n_C, RO)       /* carbon atoms per dimer */   \
    F(bind::Vec<double>, dimer_n_H, RO)       /* hydrogen atoms per dimer */ \
    F(bind::Vec<int>, dimer_PAH_1_id, RO)     /* first precursor */          \
    F(bind::Vec<int>, dimer_PAH_2_id, RO)     /* second precursor (>= first) */ \
    F(int, n_dimers, RO)                                                     \
    F(bind::Vec<double>, w_chem_dimer, RO)    /* mol/(m3 s) */               \
    F(bind::Vec<double>, c_phy_dimer, RO)     /* mol/m3 */                   \
    F(bind::Vec<double>, k_f_adsorption, RO)  /* per precursor, last step */ \
    F(bind::Vec<double>, k_r_adsorption, RO)                                 \
    F(bind::Vec<double>, c_soot_PAH_star, RO) /* mol/m3 */                   \
    F(double, K_REACT_prefactor, RW)                                         \
    F(double, Ea_REACT_prefactor, RW)                                        \
    F(double, k_FWD_prefactor, RW)                                           \
    F(double, K_PAH_ADS_prefactor, RW)                                       \
    F(double, Ea_PAH_ADS_prefactor, RW)

#define REACTDIM_METHODS(M) M(create_PAH_dimer, "", nullptr, void, ())
#define REACTDIM_REDEFINES(M)         \
    M(_reset, "", nullptr, void, ())  \
    M(update, "", nullptr, void, ())

struct CReactDim : CPAHGrowthBase {
    using Base = CPAHGrowthBase;
    REACTDIM_FIELDS(BIND_DECLARE)

    BIND_CLASS(CReactDim)
    static const CReactDimVTable vtable;
    BIND_DERIVED_METHODS(REACTDIM_METHODS, REACTDIM_REDEFINES)
    const CReactDimVTable* vt() const { return static_cast<const CReactDimVTable*>(vtab); }

    void init_impl(PyObject* soot_wrapper);

    // The one decision of the class: may this update take the plain route?
    // The exact class on its own table, the step's geometry (StepGeometry),
    // every list and array of the fused pass as long as the precursors or
    // dimers, concentrations the plain quotient, and for adsorption a non-zero
    // density and viscosity. Fills `step`; runs no Python code.
    bool plain_route();
    bool pair_terms(size_t n_dimers);
    // Inception and adsorption of one update in one pass on `step`, bit for
    // bit as the entries give them. False, with only values written that the
    // entries write again the same, where a dimer balance would divide by zero.
    bool fused_update();
    struct Step : StepGeometry {
        bool inception = false, adsorption = false;
        double k_reac = 0.0, k_pah = 0.0;
        double cont_a = 0.0, cont_agg = 0.0;  // the continuum kernel's parts shared by every precursor
        std::vector<double> C;                // the precursors' concentrations
        // What k_FWD and k_REV take from each pair alone, kept for the ids, the
        // geometry version and the bits of k_FWD_prefactor they were computed for.
        struct Pair {
            int i = -1, j = -1;
            double factor = 0.0, m_red = 0.0, back = 0.0;
        };
        std::vector<Pair> pairs;
        uint64_t pairs_version = 0, pairs_prefactor = 0;
    };
    Step step;
    SpeciesIds<1> h2_id;             // H2 of the plain scrub, as the gas wrapper's index cache gives it
    std::vector<double*> scrub_at_;  // the plain scrub's element of each precursor
    // exp(x), kept for the last argument: k_REAC and k_PAH share it while their
    // activation-energy factors are equal (the same bits give the same result).
    Kept<double, double> exp_kept_;
    double arrhenius_exp(double x) {
        return exp_kept_.of(x, [x] { return std::exp(x); });
    }
    double k_reac_at(double T);
    double k_pah_at(double T);
    // The switches as update() reads them.
    bool inception_on();
    bool adsorption_on();

    // Entry bodies; they raise, the table entries handle errors by result kind.
    double k_FWD_impl(int i, int j);
    double k_REV_impl(int i, int j);
    double k_REV_from(double k_fwd, int i, int j);
    double k_REAC_impl();
    double beta_fm_soot_PAH_impl(int i);
    double beta_cont_soot_PAH_impl(int i);
    double C_S_soot_impl(double d);
    double k_f_soot_PAH_impl(int i);
    double k_r_soot_PAH_impl(int i);
    double k_r_from(double k_f, int i);
    double k_PAH_impl();
    double soot_PAH_star_impl(int i);
    void update_phy_dimer_impl();
    void update_PAH_adsorption_rate_impl();
    void update_w_chem_dimer_impl();
    void update_c_soot_PAH_star_impl();
    void update_k_adsorption_impl();
    void update_CH_tot_PAH_impl();
    void update_NCH_inception_impl();
    void update_w_scrub_inception_impl(bind::DoubleBuf& w);
    void update_w_scrub_PAH_impl(bind::DoubleBuf& w);
    // Both in one call on a plain array (see pah_plain_w_scrub).
    bool plain_scrub(const bind::F64Span& w);
};

}  // namespace pyrandel
