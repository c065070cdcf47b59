// CReactDim: reactive dimerisation. Every precursor pair forms physically bound
// dimers in steady state between collision, dissociation and the reaction to
// chemical dimers, each of which starts a particle; PAH adsorption runs through
// a physisorbed PAH-soot complex, also in steady state.
#pragma once

#include <vector>

#include "../gas/sootgas.hpp"
#include "pahgrowthbase.hpp"

namespace pyrandel {

struct CReactDim;

// Values that stay fixed during one update() of an exact CReactDim: the gas
// state and the per-precursor geometry, computed once through the same table
// entries instead of once per pair and per rate constant.
struct ReactDimStep {
    double T, rho, mu, lam, k_reac, k_pah;
    std::vector<double> m, d, MW, C;
    bool have_C;
    // m, d and MW are the kept geometry rows, unchanged since the last row was
    // written (the pair constants of the last such step hold for them).
    bool rows_exact;
    std::vector<double> k_f, k_r;
    std::vector<char> have_k;
    bool k_set = false;  // some have_k set since it was last cleared
};

// The base's eleven entries (8, 9 and 10 replaced), then the model's own.
struct CReactDimVTable : CPAHGrowthBaseVTable {
    void (*_update_phy_dimer)(CReactDim*);                 // 11
    double (*k_FWD)(CReactDim*, int i, int j);             // 12
    double (*k_REV)(CReactDim*, int i, int j);             // 13
    double (*k_REAC)(CReactDim*);                          // 14
    double (*beta_fm_soot_PAH)(CReactDim*, int i);         // 15, m3/s
    double (*beta_cont_soot_PAH)(CReactDim*, int i);       // 16, m3/s
    double (*C_S_soot)(CReactDim*, double diameter);       // 17
    double (*k_f_soot_PAH)(CReactDim*, int i);             // 18
    double (*k_r_soot_PAH)(CReactDim*, int i);             // 19
    double (*k_PAH)(CReactDim*);                           // 20
    double (*soot_PAH_star)(CReactDim*, int i);            // 21, mol/m3
    bind::Ref (*_update_PAH_adsorption_rate)(CReactDim*);  // 22, raises
    void (*_update_w_chem_dimer)(CReactDim*);              // 23
    void (*_update_c_soot_PAH_star)(CReactDim*);           // 24
    void (*_update_k_adsorption)(CReactDim*);              // 25
    void (*_update_CH_tot_PAH)(CReactDim*);                // 26
    void (*_update_NCH_inception)(CReactDim*);             // 27
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

    ReactDimStep* step_;  // set only while update() runs on an exact CReactDim
    // Not fields: the storage of the step's values, kept from one update() to
    // the next (a nested update() uses its own), and the precursor geometry,
    // which changes only with the molar masses and the precursor lists.
    ReactDimStep step_store_;
    bool step_busy_;
    std::vector<PAHGeometryRow> geometry_;
    uint64_t geometry_gen_ = 0;  // counts the writes of geometry rows
    // Per dimer, what k_FWD and k_REV take from the pair alone, for the
    // precursor ids, geometry generation and k_FWD_prefactor bits they hold for.
    struct PairConst {
        int i = -1, j = -1;
        double fwd_factor = 0.0, m_red = 0.0, diss_num = 0.0;
    };
    std::vector<PairConst> pairs_;
    uint64_t pairs_gen_ = 0, pairs_prefactor_bits_ = 0;
    std::vector<double*> slot_ptr_;  // scrub elements of the precursors, per pass
    // The cached index of H2 for the species dictionary and version it was read
    // at (an unchanged dictionary maps the name to the same index).
    SpeciesIds<1> h2_;
    bool cached_H2_index(int& h);
    uint64_t exp_arg_bits_;
    double exp_val_;
    bool exp_known_;
    double arrhenius_exp(double x);
    double k_reac_at(double T);
    double k_pah_at(double T);
    void update_with(ReactDimStep& st, bool outer);
    bool build_step(ReactDimStep& st);
    bool fused_inception(ReactDimStep& st);
    bool fused_adsorption(ReactDimStep& st);
    double gas_T();
    double gas_rho();
    double gas_mu();
    double gas_lambda();
    double mass(int i);
    double diam(int i);
    double MW_of(int i);
    double conc(int i);
    double red_m(int i, int j);
    double red_d(int i, int j);
    double k_reac();
    double k_pah();

    // Kernel bodies; they raise, the table entries handle errors by result kind.
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
