// CSootModel: the per-step work in one pass.
//
// When nothing of the step is replaced (the instance's class overrides no
// method, the strategies hold the model's own methods, the arrays are float64
// buffers), update_solution computes each quantity once, reads each array
// through one view and stores all results at the end; the source terms are
// added as doubles. The formulas are those of the methods (formulas.hpp), here
// reading the values this pass computed once. Any failure on the way (a zero
// divisor, an index outside an array) abandons the pass before anything is
// stored, and the method-by-method route runs instead and raises as usual.
#include "formulas.hpp"  // Python.h first

#include <climits>
#include <cmath>
#include <optional>
#include <vector>

namespace pyrandel {

using bind::NpFloat;
using bind::pymax;
using bind::Ref;
using M = CSootModel;

namespace {

// May the step take the plain route: every call between methods enters the
// bodies of CSootModel (the class's one decision, made at each entry that uses it).
bool plain_route(M* m) {
    if (m->vtab != &M::vtable) return false;
    if (Py_TYPE(m) == &M::type) return true;
    return bind::hot_concrete<M>((PyObject*)m) == &M::spec();
}

// The method id of a strategy holding a bound method of the model itself; -1 otherwise.
int own_method_id(M* m, PyObject* strategy) {
    const PyMethodDef* def = bind::bound_method_def(strategy, (PyObject*)m);
    const bind::ClassSpec& s = M::spec();
    if (!def || def < s.defs_begin || def >= s.defs_end) return -1;
    return (int)(def - s.defs_begin);  // a root class's table is in method-id order
}

// Strategies with a number as result whose bodies the source terms call directly.
using TermBody = NpFloat (*)(M*);
template <auto F>
NpFloat term(M* m) {
    auto r = (m->*F)();
    if constexpr (std::is_same_v<decltype(r), double>) return NpFloat(r, false);
    else return r;
}

TermBody term_body(M* m, PyObject* strategy) {
    switch (own_method_id(m, strategy)) {
        case M::MID_inception_N_agg_reactived: return term<&M::inception_N_agg_reactived_impl>;
        case M::MID_inception_C_tot_reactived: return term<&M::inception_C_tot_reactived_impl>;
        case M::MID_inception_H_tot_reactived: return term<&M::inception_H_tot_reactived_impl>;
        case M::MID_inception_N_agg_irrevd: return term<&M::inception_N_agg_irrevd_impl>;
        case M::MID_inception_C_tot_irrevd: return term<&M::inception_C_tot_irrevd_impl>;
        case M::MID_inception_H_tot_irrevd: return term<&M::inception_H_tot_irrevd_impl>;
        case M::MID_inception_N_agg_slfclsn: return term<&M::inception_N_agg_slfclsn_impl>;
        case M::MID_inception_C_tot_slfclsn: return term<&M::inception_C_tot_slfclsn_impl>;
        case M::MID_inception_H_tot_slfclsn: return term<&M::inception_H_tot_slfclsn_impl>;
        case M::MID_inception_N_agg_slfclsn_lump: return term<&M::inception_N_agg_slfclsn_lump_impl>;
        case M::MID_inception_C_tot_slfclsn_lump: return term<&M::inception_C_tot_slfclsn_lump_impl>;
        case M::MID_inception_H_tot_slfclsn_lump: return term<&M::inception_H_tot_slfclsn_lump_impl>;
        case M::MID_inception_N_agg_crosslinking: return term<&M::inception_N_agg_crosslinking_impl>;
        case M::MID_inception_C_tot_crosslinking: return term<&M::inception_C_tot_crosslinking_impl>;
        case M::MID_inception_H_tot_crosslinking: return term<&M::inception_H_tot_crosslinking_impl>;
        case M::MID_beta_coag_hm: return term<&M::beta_coag_hm_impl>;
        case M::MID_beta_coag_fm: return term<&M::beta_coag_fm_impl>;
        case M::MID_beta_coag_validation: return term<&M::beta_coag_validation_impl>;
        case M::MID_beta_coag_cont: return term<&M::beta_coag_cont_impl>;
        case M::MID_N_pri_coales_sintering: return term<&M::N_pri_coales_sintering_impl>;
        case M::MID_N_pri_coales_merge: return term<&M::N_pri_coales_merge_impl>;
        default: return nullptr;
    }
}

// Runs a strategy's body as the strategy call would: counted against the recursion limit.
NpFloat run_term(M* m, TermBody body) {
    bind::RecursionGuard guard(" while calling a Python object");
    return body(m);
}

// ------------------------------------------------------------- the pass

// What the pass computes once per step: the morphology, the temperature terms
// and the totals it stores at the end.
struct Step {
    double V_tot = 0, V_p = 0, d_p = 0, n_p = 0, d_m = 0, d_g = 0, A_p = 0, A_tot = 0;
    double V_Ag = 0, m_Ag = 0, inv_m_Ag = 0, inv_V_Ag = 0;
    double diff = 0, cs_soot = 0, k_REAC = 0, k_PAH = 0;  // soot-PAH kernels, dimers
    csm::RadicalTerms radical{};
    double c_H2 = 0, c_H = 0;
    double dC_tot_PAH = 0, dH_tot_PAH = 0;
    double omega_tot = 0, lump_n_C = 0, lump_n_H = 0, a_lump = 0, b_lump = 0, lump = 0, w_lumpinc = 0,
           w_lumpcond = 0;
    double alpha = 0, sites = 0, HACA_C = 0, HACA_H = 0, carb = 0, C_O2 = 0, C_OH = 0, H_O2 = 0, H_OH = 0;
};

void sized(std::vector<double>& v, size_t n) {
    if (v.size() < n) v.resize(n);
}

// The reads of the formulas on this route: the values computed once this step.
struct Plain {
    M& m;
    bind::Items& x;
    bind::Items& mw;
    csm::StepScratch& s;
    bind::Items* rop = nullptr;  // p_ROP, for the variants that write dimer rates
    Step st;
    int kf_i = -1, kf_j = -1;
    double kf = 0;

    double V_tot() const { return st.V_tot; }
    double V_p() const { return st.V_p; }
    double d_p() const { return st.d_p; }
    double n_p() const { return st.n_p; }
    double d_m() const { return st.d_m; }
    double A_p() const { return st.A_p; }
    double V_Ag() const { return st.V_Ag; }
    double p_d_g() const { return st.d_g; }
    double p_A_tot() const { return st.A_tot; }
    double c(int index) const { return csm::molar_density_at(m, x.get(index)); }
    double c_PAH(Py_ssize_t i) const { return s.c[i]; }
    Py_ssize_t PAH_gas(Py_ssize_t i) const { return i; }
    double c_of(Py_ssize_t i) const { return s.c[i]; }
    double MW(int g) const { return mw.get(g); }
    void MW_pair(int i, int j, double& M_i, double& M_j) const { M_i = s.M[i], M_j = s.M[j]; }
    double M_PAH(Py_ssize_t i) const { return s.M[i]; }
    double mass(Py_ssize_t i) const { return s.mass[i]; }
    double diameter(Py_ssize_t i, double = 0) const { return s.d[i]; }
    double d_PAH(int i) const { return s.d[i]; }
    double reduced_m(int i, int j) { return csm::reduced_m_of(*this, i, j); }
    double reduced_d(int i, int j) { return csm::reduced_d_of(*this, i, j); }
    double inv_m_Ag() const { return st.inv_m_Ag; }
    double inv_V_Ag() const { return st.inv_V_Ag; }
    double diffusion() const { return st.diff; }
    double C_S_soot_m() const { return st.cs_soot; }
    double C_S_soot(double d) const { return csm::C_S_soot_at(m, d); }
    double k_REAC() const { return st.k_REAC; }
    double k_PAH() const { return st.k_PAH; }
    // The pair's forward constant, kept for its reverse constant.
    double k_FWD(int i, int j) {
        if (i != kf_i || j != kf_j) kf = csm::k_FWD_of(*this, i, j), kf_i = i, kf_j = j;
        return kf;
    }
    double k_REV(int i, int j) { return csm::k_REV_of(*this, i, j); }
    double k_nuc(int i, int j) { return csm::k_nuc_of(*this, i, j); }
    double phy_dimer(Py_ssize_t b) const { return s.phy[b]; }
    double beta_fm_soot_PAH(int i) { return csm::beta_fm_of(*this, i); }
    double beta_cont_soot_PAH(int i) { return csm::beta_cont_of(*this, i); }
    double k_f_soot_PAH(int i) const { return s.k_f[i]; }
    double k_f_stored(Py_ssize_t i) const { return s.k_f[i]; }
    double k_r_stored(Py_ssize_t i) const { return s.k_r[i]; }
    double star_stored(Py_ssize_t i) const { return s.star[i]; }
    double k_f3(int i) const { return s.k3[i]; }
    double k_f4(int i) const { return s.k4[i]; }
    double radical(Py_ssize_t i) const { return s.rad[i]; }
    double PAH_adsorption_rate(size_t i) { return csm::PAH_adsorption_rate_of(*this, (int)i); }
    csm::RadicalTerms radical_terms() const { return st.radical; }
    double c_H2() const { return st.c_H2; }
    double c_H() const { return st.c_H; }
    double weight(size_t i) const { return s.weight[i]; }
    double alpha() const { return st.alpha; }
    double c_soot_nought() const { return st.sites; }
    double dC_tot_dt_HACA_alt() const { return st.HACA_C; }

    void morphology() {
        st.V_tot = csm::V_tot_of(*this);
        st.V_p = csm::V_p_of(*this);
        st.d_p = csm::d_p_of(*this);
        st.n_p = csm::n_p_of(*this);
        st.d_m = csm::d_m_of(*this);
        st.d_g = csm::d_g_of(*this);
        st.A_p = csm::A_p_of(*this);
        st.A_tot = csm::A_tot_of(*this);
    }

    // Molar mass, molecular mass, diameter and concentration of each precursor.
    void precursors(size_t n) {
        sized(s.M, n), sized(s.mass, n), sized(s.d, n), sized(s.c, n);
        for (size_t i = 0; i < n; ++i) {
            int g = bind::at(m.PAH_indices, i);
            s.M[i] = mw.get(g);
            s.mass[i] = csm::molecule_mass(m, s.M[i]);
            s.d[i] = csm::PAH_diameter_at(m, (Py_ssize_t)i, s.mass[i]);
            s.c[i] = c(g);
        }
    }

    // Forward soot-PAH adsorption constant of each precursor (k_f_soot_PAH).
    void adsorption_constants(size_t n) {
        sized(s.k_f, n);
        st.V_Ag = csm::V_Ag_of(*this);
        st.m_Ag = csm::m_Ag_of(*this);
        st.inv_m_Ag = bind::pydiv(1.0, st.m_Ag);
        st.diff = csm::soot_PAH_diffusion(m);
        st.cs_soot = csm::C_S_soot_at(m, st.d_m);
        for (size_t i = 0; i < n; ++i) s.k_f[i] = csm::k_f_soot_PAH_of(*this, (int)i);
    }

    // The per-precursor growth of C_tot and H_tot, added up as they come.
    template <class DC, class DH>
    void growth_each(size_t n, DC dC, DH dH) {
        sized(s.dC, n), sized(s.dH, n);
        st.dC_tot_PAH = st.dH_tot_PAH = 0.0;
        for (size_t i = 0; i < n; ++i) {
            s.dC[i] = dC(i);
            st.dC_tot_PAH += s.dC[i];
            s.dH[i] = dH(i);
            st.dH_tot_PAH += s.dH[i];
        }
    }

    // ------------------------------------------------ reactive dimerisation

    // The dimer rates fit in p_ROP.
    bool rates_fit(size_t rows) const { return rop->size() >= (Py_ssize_t)rows; }

    bool reactived() {
        const size_t n = m.PAH_indices.size();
        const size_t P = n * (n + 1) / 2;
        if (m.dimer_PAH_1_id.size() != P || m.p_phy_dimer_.size() < P || !rates_fit(P)) return false;
        if (m.p_k_f_soot_PAH.size() < n || m.p_k_r_soot_PAH.size() < n || m.p_soot_PAH_star.size() < n ||
            m.p_dC_tot_dt_PAH_each.size() < n || m.p_dH_tot_dt_PAH_each.size() < n)
            return false;
        precursors(n);
        sized(s.phy, P), sized(s.rop, P);
        st.k_REAC = csm::k_REAC_at(m);
        size_t b = 0;
        for (size_t i = 0; i < n; ++i)
            for (size_t j = i; j < n; ++j, ++b) {
                s.phy[b] = csm::phy_dimer_of(*this, (int)i, (int)j);
                s.rop[b] = csm::nonneg_rate(csm::ROP_dimer_of(*this, (Py_ssize_t)b));
            }
        adsorption_constants(n);
        sized(s.k_r, n), sized(s.star, n);
        st.k_PAH = csm::k_PAH_at(m);
        for (size_t i = 0; i < n; ++i) s.k_r[i] = csm::k_r_soot_PAH_of(*this, (int)i);
        for (size_t i = 0; i < n; ++i) s.star[i] = csm::soot_PAH_star_of(*this, (Py_ssize_t)i);
        // dC_tot_dt_PAH() and dH_tot_dt_PAH(): the whole arrays in index order.
        growth_each(
            n, [&](size_t i) { return csm::dC_each_reactived_of(*this, (Py_ssize_t)i); },
            [&](size_t i) { return csm::dH_each_reactived_of(*this, (Py_ssize_t)i); });
        return true;
    }

    void store_reactived() {
        const size_t n = m.PAH_indices.size(), P = m.dimer_PAH_1_id.size();
        for (size_t b = 0; b < P; ++b) {
            m.p_phy_dimer_[b] = s.phy[b];
            rop->set((Py_ssize_t)b, s.rop[b]);
        }
        for (size_t i = 0; i < n; ++i) {
            m.p_k_f_soot_PAH[i] = s.k_f[i];
            m.p_k_r_soot_PAH[i] = s.k_r[i];
            m.p_soot_PAH_star[i] = s.star[i];
        }
        store_growth_each();
        store_sums();
    }

    void store_growth_each() {
        const size_t n = m.PAH_indices.size();
        for (size_t i = 0; i < n; ++i) {
            m.p_dC_tot_dt_PAH_each[i] = s.dC[i];
            m.p_dH_tot_dt_PAH_each[i] = s.dH[i];
        }
    }
    // dC_tot_dt_PAH() and dH_tot_dt_PAH(): the whole stored arrays in index order.
    void store_sums() {
        m.p_dC_tot_dt_PAH = csm::sum_in_order(m.p_dC_tot_dt_PAH_each);
        m.p_dH_tot_dt_PAH = csm::sum_in_order(m.p_dH_tot_dt_PAH_each);
    }

    // ------------------------------------------------ irreversible dimerisation

    bool irrevd() {
        const size_t n = m.PAH_indices.size();
        const size_t P = m.dimer_PAH_1_id.size();
        if (m.dimer_PAH_2_id.size() < P || m.p_dC_tot_dt_PAH_each.size() < n || m.p_dH_tot_dt_PAH_each.size() < n ||
            !rates_fit(P))
            return false;
        precursors(n);
        sized(s.rop, P);
        for (size_t b = 0; b < P; ++b) {
            size_t i = (size_t)bind::at(m.dimer_PAH_1_id, b), j = (size_t)bind::at(m.dimer_PAH_2_id, b);
            if (i >= n || j >= n) return false;
            s.rop[b] = csm::ROP_irrevd_of(*this, (int)i, (int)j);
        }
        adsorption_constants(n);
        growth_each(
            n, [&](size_t i) { return csm::dC_each_irrevd_of(*this, (Py_ssize_t)i); },
            [&](size_t i) { return csm::dH_each_irrevd_of(*this, (Py_ssize_t)i); });
        return true;
    }

    void store_irrevd() {
        const size_t P = m.dimer_PAH_1_id.size();
        for (size_t b = 0; b < P; ++b) rop->set((Py_ssize_t)b, s.rop[b]);
        store_growth_each();
        store_sums();
    }

    // ------------------------------------------------ cross-linking

    bool crosslinking() {
        const size_t n = m.PAH_indices.size();
        if (n > (size_t)INT_MAX || m.p_PAH_radical_.size() < n || m.p_dC_tot_dt_PAH_each.size() < n ||
            m.p_dH_tot_dt_PAH_each.size() < n || !rates_fit(n))
            return false;
        precursors(n);
        adsorption_constants(n);
        sized(s.rad, n), sized(s.rop, n), sized(s.k3, n), sized(s.k4, n);
        st.radical = csm::radical_terms(m);
        st.c_H2 = csm::c_nonneg(*this, m.H2_index);
        st.c_H = csm::c_nonneg(*this, m.H_index);
        for (size_t i = 0; i < n; ++i) {
            s.k3[i] = csm::k_f3_of(*this, (int)i);
            s.k4[i] = csm::k_f4_of(*this, (int)i);
            s.rad[i] = csm::PAH_radical_of(*this, (int)i);
        }
        for (size_t i = 0; i < n; ++i) s.rop[i] = pymax(csm::ROP_crosslinking_of(*this, (int)i), 0.0);
        growth_each(
            n, [&](size_t i) { return csm::dC_each_crosslinking_of(*this, i); },
            [&](size_t i) { return csm::dH_each_crosslinking_of(*this, i); });
        return true;
    }

    void store_crosslinking() {
        const size_t n = m.PAH_indices.size();
        for (size_t i = 0; i < n; ++i) {
            m.p_PAH_radical_[i] = s.rad[i];
            rop->set((Py_ssize_t)i, s.rop[i]);
        }
        store_growth_each();
        store_totals();
    }
    void store_totals() {
        m.p_dC_tot_dt_PAH = st.dC_tot_PAH;
        m.p_dH_tot_dt_PAH = st.dH_tot_PAH;
    }

    // ------------------------------------------------ self-collision

    // update_omega_PAH
    void dimerisation(size_t n) {
        sized(s.omega, n);
        st.omega_tot = 0.0;
        for (size_t i = 0; i < n; ++i) {
            int j = bind::at(m.PAH_indices, i);
            double w = csm::omega_of(*this, (int)i, j);
            s.omega[i] = w;
            st.omega_tot += w;
        }
        st.V_Ag = csm::V_Ag_of(*this);
        st.inv_V_Ag = bind::pydiv(1.0, st.V_Ag);
    }

    bool slfclsn() {
        const size_t n = m.PAH_indices.size();
        if (m.omega_PAH.size() < n || m.a_inc.size() < n || m.b_cond.size() < n || m._dimer_.size() < n ||
            m.w_inc.size() < n || m.w_cond.size() < n || m.p_dC_tot_dt_PAH_each.size() < n ||
            m.p_dH_tot_dt_PAH_each.size() < n)
            return false;
        dimerisation(n);
        sized(s.a, n), sized(s.b, n), sized(s.dimer, n), sized(s.w_inc, n), sized(s.w_cond, n);
        const csm::Prefactors p = csm::collision_prefactors(m);
        for (size_t i = 0; i < n; ++i) {
            int j = bind::at(m.PAH_indices, i);
            csm::DimerSize D = csm::dimer_size(m, mw.get(j));
            s.a[i] = csm::inc_coefficient(m, p, D.V);
            s.b[i] = csm::cond_coefficient_of(*this, p, D.V, D.d);
        }
        for (size_t i = 0; i < n; ++i) s.dimer[i] = csm::steady_dimer(s.a[i], s.b[i], s.omega[i]);
        for (size_t i = 0; i < n; ++i) s.w_inc[i] = csm::dimer_inception_rate(s.a[i], s.dimer[i]);
        for (size_t i = 0; i < n; ++i) s.w_cond[i] = csm::dimer_condensation_rate(s.b[i], s.dimer[i]);
        growth_each(
            n, [&](size_t i) { return csm::dC_each_slfclsn(bind::at(m.PAH_n_C, i), s.w_cond[i], m.density); },
            [&](size_t i) { return csm::dH_each_slfclsn(bind::at(m.PAH_n_H, i), s.w_cond[i], m.density); });
        return true;
    }

    void store_slfclsn() {
        const size_t n = m.PAH_indices.size();
        for (size_t i = 0; i < n; ++i) {
            m.omega_PAH[i] = s.omega[i];
            m.a_inc[i] = s.a[i];
            m.b_cond[i] = s.b[i];
            m._dimer_[i] = s.dimer[i];
            m.w_inc[i] = s.w_inc[i];
            m.w_cond[i] = s.w_cond[i];
        }
        m.omega_PAH_tot = st.omega_tot;
        store_growth_each();
        store_totals();
    }

    bool slfclsn_lump() {
        const size_t n = m.PAH_indices.size();
        if (m.omega_PAH.size() < n || m.dimer_weight.size() < n || m.p_dC_tot_dt_PAH_each.size() < n ||
            m.p_dH_tot_dt_PAH_each.size() < n)
            return false;
        dimerisation(n);
        sized(s.weight, n);
        for (size_t i = 0; i < n; ++i) s.weight[i] = csm::dimer_weight_of(st.omega_tot, n, [&] { return s.omega[i]; });
        const csm::Prefactors p = csm::collision_prefactors(m);
        csm::ab_lump_of(*this, p, {st.lump_n_C, st.lump_n_H, st.a_lump, st.b_lump});
        st.lump = csm::steady_dimer(st.a_lump, st.b_lump, st.omega_tot);
        st.w_lumpinc = csm::dimer_inception_rate(st.a_lump, st.lump);
        st.w_lumpcond = csm::dimer_condensation_rate(st.b_lump, st.lump);
        growth_each(
            n,
            [&](size_t i) {
                return csm::dC_each_slfclsn_lump(bind::at(m.PAH_n_C, i), st.w_lumpcond, s.weight[i], m.density);
            },
            [&](size_t i) {
                return csm::dH_each_slfclsn_lump(bind::at(m.PAH_n_H, i), st.w_lumpcond, s.weight[i], m.density);
            });
        return true;
    }

    void store_slfclsn_lump() {
        const size_t n = m.PAH_indices.size();
        for (size_t i = 0; i < n; ++i) {
            m.omega_PAH[i] = s.omega[i];
            m.dimer_weight[i] = s.weight[i];
        }
        m.omega_PAH_tot = st.omega_tot;
        m.lumpdimer_n_C = st.lump_n_C;
        m.lumpdimer_n_H = st.lump_n_H;
        m.a_lumpinc = st.a_lump;
        m.b_lumpcond = st.b_lump;
        m._lumpdimer_ = st.lump;
        m.w_lumpinc = st.w_lumpinc;
        m.w_lumpcond = st.w_lumpcond;
        store_growth_each();
        store_totals();
    }

    // ------------------------------------------------ HACA, carbonisation, oxidation

    void surface(int alpha_mid) {
        st.alpha = alpha_mid == M::MID_alpha_constant ? m.alpha_constant_value
                   : alpha_mid == M::MID_alpha_ctoh_based ? csm::alpha_ctoh_at(m)
                                                          : csm::alpha_empirical_of(*this);
        st.sites = csm::c_soot_nought_of(*this);
        st.HACA_C = csm::dC_tot_dt_HACA_alt_of(*this);
        st.HACA_H = csm::dH_tot_dt_HACA_alt_of(*this);
        st.carb = csm::dH_tot_dt_carb_at(m);
        st.C_O2 = csm::dC_tot_dt_O2_alt_of(*this);
        st.C_OH = csm::dC_tot_dt_OH_alt_of(*this);
        st.H_O2 = csm::dH_tot_dt_Ox_alt_at(m);
        st.H_OH = csm::dH_tot_dt_Ox_alt_at(m);
    }

    void store_common() {
        m.p_d_p = st.d_p;
        m.p_d_m = st.d_m;
        m.p_d_g = st.d_g;
        m.p_A_tot = st.A_tot;
        m.p_dC_tot_dt_HACA_alt = st.HACA_C;
        m.p_dH_tot_dt_HACA_alt = st.HACA_H;
        m.p_dH_tot_dt_carb = st.carb;
        m.p_dC_tot_dt_O2 = st.C_O2;
        m.p_dC_tot_dt_OH = st.C_OH;
        m.p_dH_tot_dt_O2 = st.H_O2;
        m.p_dH_tot_dt_OH = st.H_OH;
    }
};

}  // namespace

bool CSootModel::runs_own_bodies() { return plain_route(this); }

namespace {

// The PAH-growth variants the pass computes: the strategy's method id, the
// computation (false: take the method-by-method route), the stores, and
// whether the variant writes dimer rates into p_ROP.
struct Variant {
    int growth;
    bool (Plain::*compute)();
    void (Plain::*store)();
    bool rates;
};
constexpr Variant variants[] = {
    {M::MID_PAH_growth_update_reactived, &Plain::reactived, &Plain::store_reactived, true},
    {M::MID_PAH_growth_update_irrevd, &Plain::irrevd, &Plain::store_irrevd, true},
    {M::MID_PAH_growth_update_crosslinking, &Plain::crosslinking, &Plain::store_crosslinking, true},
    {M::MID_PAH_growth_update_slfclsn, &Plain::slfclsn, &Plain::store_slfclsn, false},
    {M::MID_PAH_growth_update_slfclsn_lump, &Plain::slfclsn_lump, &Plain::store_slfclsn_lump, false},
};

const Variant* variant_of(int growth) {
    for (const Variant& v : variants)
        if (v.growth == growth) return &v;
    return nullptr;
}

}  // namespace

bool CSootModel::solution_in_one_pass() {
    if (!plain_route(this)) return false;
    const Variant* v = variant_of(own_method_id(this, PAH_growth_update));
    const int alpha_mid = own_method_id(this, alpha);
    if (!v) return false;
    if (alpha_mid != MID_alpha_constant && alpha_mid != MID_alpha_empirical && alpha_mid != MID_alpha_ctoh_based)
        return false;
    if (v->growth == MID_PAH_growth_update_reactived &&
        !(steady_state_physical_dimerization && steady_state_PAH_adsorption))
        return false;
    bind::Items x(X), mw(MWs);
    std::optional<bind::Items> rop;
    if (v->rates) rop.emplace(p_ROP);
    // Float64 buffers only, and the rates written into p_ROP never land in an input.
    if (!x.viewed() || !mw.viewed()) return false;
    if (v->rates && (!rop->viewed() || rop->overlaps(x) || rop->overlaps(mw))) return false;
    Plain pass{*this, x, mw, scratch, rop ? &*rop : nullptr};
    try {
        // The strategy call counts against the recursion limit, as its call would.
        bind::RecursionGuard guard(" while calling a Python object");
        pass.morphology();
        if (!(pass.*v->compute)()) return false;
        pass.surface(alpha_mid);
    } catch (bind::Error&) {
        PyErr_Clear();
        return false;
    } catch (...) {
        return false;
    }
    // Nothing below can fail.
    pass.store_common();
    (pass.*v->store)();
    return true;
}

bool CSootModel::source_in_one_pass(int i, Ref& out) {
    if (i < 0 || i > 3 || !plain_route(this)) return false;
    NpFloat t[5] = {0.0, 0.0, 0.0, 0.0, 0.0};
    for (NpFloat& v : t) v.numpy = false;
    try {
        if (inception_enabled) {
            TermBody b = term_body(this, i < 2 ? inception_N_agg.get() : i == 2 ? inception_C_tot.get() : inception_H_tot.get());
            if (!b) return false;
            t[0] = run_term(this, b);
        }
        if (growth_enabled && i == 2) t[1] = NpFloat(csm::growth_C_at(*this), false);
        else if (growth_enabled && i == 3) t[1] = NpFloat(csm::growth_H_at(*this), false);
        if (oxidation_enabled && i == 2) t[2] = NpFloat(csm::oxidation_C_at(*this), false);
        if (oxidation_enabled && i == 3) t[2] = NpFloat(csm::oxidation_H_at(*this), false);
        if (coagulation_enabled && i == 0) {
            TermBody b = term_body(this, beta_coag.get());
            if (!b) return false;
            double k = run_term(this, b);
            k = k + beta_coag_turb();
            t[3] = NpFloat(csm::collision_loss(*this, k, N_agg), false);
        }
        if (coalescence_enabled && i == 1) {
            TermBody b = term_body(this, N_pri_coales.get());
            if (!b) return false;
            t[4] = run_term(this, b);
        }
    } catch (bind::Error&) {
        PyErr_Clear();
        return false;
    } catch (...) {
        return false;
    }
    // Python's addition, left to right: a NumPy float64 once either operand is one.
    double s = t[0].v;
    bool numpy = t[0].numpy;
    for (int k = 1; k < 5; ++k) {
        s = s + t[k].v;
        numpy = numpy || t[k].numpy;
        if (numpy && !std::isfinite(s)) return false;  // NumPy's own addition, with its warnings
    }
    out = numpy ? bind::np_float(s) : bind::py(s);
    return true;
}

}  // namespace pyrandel
