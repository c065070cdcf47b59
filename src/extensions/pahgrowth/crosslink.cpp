#include "crosslink.hpp"

#include <climits>

#include "../../lib/constants.hpp"
#include "../../lib/lastvalue.hpp"

namespace pyrandel {

using bind::at;
using bind::fdiv;
using bind::pymax;
using bind::pymin;
using bind::Ref;

BIND_TYPE_OBJECT(CCrossLink)

namespace {

bind::Name n_H("H");
bind::Name n_H2("H2");
// The indices of H2 and H the scrub writes use, as the gas wrapper's cache gave
// them for a species dictionary at one version (any model's: the dictionary
// alone decides them).
SpeciesIds<2> scrub_ids;

}  // namespace

// ------------------------------------------------------ shared by the three classes

void CrossLinkCommon::reset_prefactors() {
    k_f1_prefactor = 1.0;
    k_r1_prefactor = 1.0;
    k_f2_prefactor = 1.0;
    k_f3_prefactor = 1.0;
    k_f4_prefactor = 1.0;
}

void CrossLinkCommon::create_radicals() {
    Ref w = wrapper_ref("PAH_indices");
    const CSootWrapper* sw = as_wrapper(w);
    check_precursor_lists(sw);
    const size_t n = sw->PAH_indices.size();
    if (n > (size_t)INT_MAX) bind::raise(PyExc_OverflowError, "too many precursors");
    n_PAHs = (int)n;
    for (auto* v : {&c_PAH_radical, &_PAH_adsorption_rate, &_C_tot_PAH_each, &_H_tot_PAH_each, &w_dimer,
                    &_N_agg_inception_each, &_C_tot_inception_each, &_H_tot_inception_each})
        v->resize(n, 0.0);
}

namespace {

// The kinetic formulas on plain numbers, shared by the table entries and the
// per-step cache. A zero divisor raises ZeroDivisionError "float division".

// Collision rate coefficient of two molecules of precursor i, enhancement factor 2.2.
double k_f3_of(double T, double m_red, double d_i, double prefactor) {
    return std::pow(fdiv(8.0 * k.Pi_const * k.kB_const * T, m_red), 0.5) * (2.2 * prefactor) * k.Av_const *
           std::pow(2.0 * d_i, 2.0);
}

// Free-molecular kernel of a precursor molecule with an aggregate of inverse mass inv_agg.
double beta_fm_inv(double T, double d_i, double m_i, double d_g, double inv_agg) {
    const double inv_i = fdiv(1.0, m_i);
    return 2.2 * std::pow(d_i + d_g, 2.0) * std::pow(k.kB_const * k.Pi_const * T * 0.5 * (inv_i + inv_agg), 0.5);
}
double beta_fm_of(double T, double d_i, double m_i, double d_g, double m_agg) {
    return beta_fm_inv(T, d_i, m_i, d_g, fdiv(1.0, m_agg));
}

// Rarefaction correction at diameter d.
double C_S_of(double lam, double d) {
    const double a = fdiv(2.0 * lam, d);
    return 1.0 + a * (1.21 + 0.4 * std::exp(fdiv(-0.78 * d, lam)));
}
// The same at the aggregates' mobility diameter, whose exponential the particle model takes again.
double C_S_agg_of(double lam, double d_m) {
    const double a = fdiv(2.0 * lam, d_m);
    return 1.0 + a * (1.21 + 0.4 * slip_exp(fdiv(-0.78 * d_m, lam)));
}

// Continuum kernel; the aggregate's correction is taken at d_m and divided by d_g.
template <class CS>
double beta_cont_of(double T, double mu, double d_i, double d_m, double d_g, CS&& C_S) {
    const double a = fdiv(2.0 * k.kB_const * T, 3.0 * mu);
    const double agg = fdiv(C_S(d_m), d_g);
    const double pah = fdiv(C_S(d_i), d_i);
    return a * (agg + pah) * (d_i + d_g);
}

// Harmonic mean of the two regimes, per mole.
double k_f_soot_of(double fm, double cont) { return fdiv(k.Av_const * fm * cont, fm + cont); }

}  // namespace

double CrossLinkCommon::k_f3_crosslinking_impl(int i) {
    const double T = GasView(this).T();
    const double m_red = vtab->reduced_m(this, i, i);
    return k_f3_of(T, m_red, vtab->PAH_diameter(this, i), k_f3_prefactor);
}

double CrossLinkCommon::beta_fm_soot_PAH_impl(int i) {
    const double T = GasView(this).T();
    const double d_i = vtab->PAH_diameter(this, i);
    return beta_fm_of(T, d_i, vtab->PAH_mass(this, i), d_g, m_agg);
}

double CrossLinkCommon::C_S_soot_impl(double d) { return C_S_of(GasView(this).lambda(), d); }

double CrossLinkCommon::beta_cont_soot_PAH_impl(int i) {
    GasView gas(this);
    const double T = gas.T(), mu = gas.mu();
    const double d_i = vtab->PAH_diameter(this, i);
    return beta_cont_of(T, mu, d_i, d_m, d_g, [this](double d) { return cvt()->C_S_soot(this, d); });
}

double CrossLinkCommon::k_f_soot_PAH_impl(int i) {
    const double fm = cvt()->beta_fm_soot_PAH(this, i);
    return k_f_soot_of(fm, cvt()->beta_cont_soot_PAH(this, i));
}

// ---------------------------------------------------------- per-step cache

// On the path where nothing can be overridden (the module's own class, its own
// gas wrapper, cached transport values as floats) the precursor geometry and
// the collision coefficients are computed once per step. Any value that would
// raise leaves the cache off: the step then goes through the table entries,
// which report as they do.
bool CrossLinkCommon::fill_cache(PyTypeObject* own) {
    // No Python code runs before crosslink_update knows whether the step
    // falls back, which takes the holds then.
    cache.k_f3_nonzero = false;
    if (!cache.fill(this, own, false)) return false;
    const size_t n = cache.mass.size();
    if (cache.k_f3.size() != n) cache.k_f3.resize(n);
    if (cache.k_f_soot.size() != n) cache.k_f_soot.resize(n);
    bool nonzero = true;
    const double T = cache.T, mu = cache.mu, lam = cache.lam;
    try {
        if (n == 0) {
            cache.k_f3_nonzero = true;
            return true;
        }
        // The aggregate's part of the continuum kernel is the same for every precursor.
        const double a = fdiv(2.0 * k.kB_const * T, 3.0 * mu);
        const double agg = fdiv(C_S_agg_of(lam, d_m), d_g);
        // The aggregate's inverse mass of the free-molecular kernel, once (an error ends the cache either way).
        const double inv_agg = fdiv(1.0, m_agg);
        for (size_t i = 0; i < n; ++i) {
            const double m = cache.mass[i], d = cache.diam[i];
            cache.k_f3[i] = std::pow(fdiv(8.0 * k.Pi_const * k.kB_const * T, m * m / (m + m)), 0.5) *
                            (2.2 * k_f3_prefactor) * k.Av_const * std::pow(2.0 * d, 2.0);
            if (2.0 * cache.k_f3[i] == 0.0) nonzero = false;
            const double fm = beta_fm_inv(T, d, m, d_g, inv_agg);
            const double pah = fdiv(C_S_of(lam, d), d);
            const double cont = a * (agg + pah) * (d + d_g);
            cache.k_f_soot[i] = k_f_soot_of(fm, cont);
        }
    } catch (bind::Error&) {
        PyErr_Clear();
        return false;
    }
    cache.k_f3_nonzero = nonzero;
    return true;
}

double CrossLinkCommon::kf3(int i) {
    if (cache.has(i)) return cache.k_f3[(size_t)i];
    return cvt()->k_f3_crosslinking(this, i);
}

double CrossLinkCommon::kf_soot(int i) {
    if (cache.has(i)) return cache.k_f_soot[(size_t)i];
    return cvt()->k_f_soot_PAH(this, i);
}

double CrossLinkCommon::kf4(int i) {
    if (cache.has(i)) return cache.k_f_soot[(size_t)i] * k_f4_prefactor;
    return cvt()->k_f4_crosslinking(this, i);
}

double CrossLinkCommon::mass(int i) {
    if (cache.has(i)) return cache.mass[(size_t)i];
    return vtab->PAH_mass(this, i);
}

double CrossLinkCommon::diam(int i) {
    if (cache.has(i)) return cache.diam[(size_t)i];
    return vtab->PAH_diameter(this, i);
}

double CrossLinkCommon::k_f4_crosslinking_impl(int i) { return cvt()->k_f_soot_PAH(this, i) * k_f4_prefactor; }

CrossLinkCommon::Rates CrossLinkCommon::radical_rates(int i) {
    GasView gas(this);
    const double T = gas.T();
    const double RT = k.R_const * T;
    Rates r;
    r.k_f1 = std::pow(T, 1.84) * (98.0 * PAH_n_C_at(i) * k_f1_prefactor) * std::exp(fdiv(-62886.6, RT));
    r.k_r1 = std::pow(T, 2.63) * (0.016 * k_r1_prefactor) * std::exp(fdiv(-17837.4, RT));
    // The stored factor lies one unit in the last place below 8.08e-17.
    r.k_f2 = std::pow(T, 0.13) * (k.Av_const * 8.079999999999999e-17 * k_f2_prefactor);
    r.k_f3 = kf3(i);
    r.k_f4 = kf4(i);
    r.C_PAH = pymax(gas.C(PAH_index_at(i)), 0.0);
    r.C_H2 = pymax(gas.C(gas.index(n_H2)), 0.0);
    r.C_H = pymax(gas.C(gas.index(n_H)), 0.0);
    return r;
}

double CrossLinkCommon::PAH_radical_linear(int i) {
    const Rates r = radical_rates(i);
    const double D = r.k_r1 * r.C_H2 + r.k_f2 * r.C_H + r.k_f3 * r.C_PAH + r.k_f4 * c_soot_agg;
    return D > 0.0 ? r.k_f1 * r.C_PAH * r.C_H / D : 0.0;
}

// The non-negative root of k_f3·x² + b·x − c = 0.
double CrossLinkCommon::PAH_radical_quadratic(int i) {
    const Rates r = radical_rates(i);
    const double b = r.k_r1 * r.C_H2 + r.k_f2 * r.C_H + r.k_f4 * c_soot_agg;
    const double c = r.k_f1 * r.C_PAH * r.C_H;
    const double disc = std::pow(b, 2.0) + 4.0 * r.k_f3 * c;
    return disc > 0.0 ? fdiv(std::pow(disc, 0.5) - b, 2.0 * r.k_f3) : 0.0;
}

void CrossLinkCommon::radical_step(RadicalEntry radical, bool quadratic) {
    if (!radical_step_cached(quadratic))
        for (int i = 0; i < n_PAHs; ++i) {
            const double c = radical(this, i);
            at(c_PAH_radical, i) = c;
        }
}

namespace {

// New particles from dimers formed at w (mol/(m3 s)) per kg of gas: the share
// `P` that merges with soot (where dimers may merge) makes none; with partial
// addition a dimer counts as the fraction of the smallest particle its carbon makes.
inline double new_particles(bool partial, const double* P, double n_C, double w, double rho) {
    if (partial) {
        if (P) return ((1.0 - *P) * (w / rho)) * (2.0 * n_C / k.min_n_C_const);
        return (2.0 * n_C / k.min_n_C_const) * (w / rho);
    }
    if (P) return ((1.0 - *P) * w) / rho;
    return w / rho;
}

}  // namespace

[[gnu::always_inline]] inline CrossLinkCommon::RadicalT CrossLinkCommon::radical_T(double T, double RT) const {
    return RadicalT{std::pow(T, 1.84), std::exp(-62886.6 / RT),
                    std::pow(T, 2.63) * (0.016 * k_r1_prefactor) * std::exp(-17837.4 / RT),
                    std::pow(T, 0.13) * (k.Av_const * 8.079999999999999e-17 * k_f2_prefactor)};
}

[[gnu::always_inline]] inline double CrossLinkCommon::radical_of(bool quadratic, const RadicalT& t, double n_C, double k_f3, double k_f_soot,
                                   double C_PAH, double C_H2, double C_H) const {
    const double k_f1 = t.T_f1 * (98.0 * n_C * k_f1_prefactor) * t.e_f1;
    const double k_f4 = k_f_soot * k_f4_prefactor;
    if (quadratic) {
        const double b = t.k_r1 * C_H2 + t.k_f2 * C_H + k_f4 * c_soot_agg;
        const double q = k_f1 * C_PAH * C_H;
        const double disc = std::pow(b, 2.0) + 4.0 * k_f3 * q;
        return disc > 0.0 ? (std::pow(disc, 0.5) - b) / (2.0 * k_f3) : 0.0;
    }
    const double D = t.k_r1 * C_H2 + t.k_f2 * C_H + k_f3 * C_PAH + k_f4 * c_soot_agg;
    return D > 0.0 ? k_f1 * C_PAH * C_H / D : 0.0;
}

// The radical balance of the class's own entry on the step's cache: the
// temperature terms once, the same gas calls in the same order, nothing that
// can raise (a zero R·T, or a zero k_f3 of the quadratic root, takes the entries).
bool CrossLinkCommon::radical_step_cached(bool quadratic) {
    const size_t n = (size_t)std::max(n_PAHs, 0);
    if (!cache.on || cache.mass.size() != n || !all_sized(n, c_PAH_radical)) return false;
    const double T = cache.T;
    const double RT = k.R_const * T;
    if (RT == 0.0) return false;
    if (quadratic && !cache.k_f3_nonzero) return false;
    const RadicalT t = radical_T(T, RT);
    const CSootWrapper* sw = cache.sw;
    const int* idx = sw->PAH_indices.data();
    const double* n_C = sw->PAH_n_C.data();
    double* out = c_PAH_radical.data();
    // H2 and H as the entries give them on every pass, read once when nothing can differ.
    double C_H2 = 0.0, C_H = 0.0;
    const bool plain = cache.plain_named_C(n_H2, C_H2) && cache.plain_named_C(n_H, C_H);
    C_H2 = pymax(C_H2, 0.0);
    C_H = pymax(C_H, 0.0);
    for (size_t i = 0; i < n; ++i) {
        const double C_PAH = pymax(plain ? cache.C_of(idx[i]) : cache.C(idx[i]), 0.0);
        if (!plain) {
            C_H2 = pymax(cache.C(cache.index(n_H2)), 0.0);
            C_H = pymax(cache.C(cache.index(n_H)), 0.0);
        }
        out[i] = radical_of(quadratic, t, n_C[i], cache.k_f3[i], cache.k_f_soot[i], C_PAH, C_H2, C_H);
    }
    return true;
}

template <bool quadratic, bool merge>
bool CrossLinkCommon::fused_update(bool inception, bool adsorption, double merge_k, int c2h2) {
    const size_t n = (size_t)std::max(n_PAHs, 0);
    // Every condition of the steps' cached paths, tested before anything is written.
    if (n == 0 || !cache.on || cache.mass.size() != n || !all_sized(n, c_PAH_radical)) return false;
    if (inception && (cache.rho == 0.0 || !all_sized(n, w_dimer, _C_tot_inception_each, _H_tot_inception_each,
                                                      _N_agg_inception_each)))
        return false;
    if (adsorption && (cache.rho == 0.0 || !all_sized(n, _PAH_adsorption_rate, _C_tot_PAH_each, _H_tot_PAH_each)))
        return false;
    const double T = cache.T;
    const double RT = k.R_const * T;
    if (RT == 0.0) return false;
    const double* k_f3s = cache.k_f3.data();
    if (quadratic && !cache.k_f3_nonzero) return false;
    if (!cache.plain_C() || !h_ids.find(cache.gas, {n_H2, n_H})) return false;
    const int h2 = h_ids[0], h = h_ids[1];
    if (!cache.in_X(h2) || !cache.in_X(h) || (merge && !cache.in_X(c2h2))) return false;
    const double C_H2 = pymax(cache.C_of(h2), 0.0), C_H = pymax(cache.C_of(h), 0.0);
    // The acetylene term of the merge probability, as merge_all reads it.
    const double merge_r = merge ? merge_k * pymax(cache.C_of(c2h2), 0.0) : 0.0;
    if (merge && merge_P.size() != n) merge_P.resize(n);
    // The dimer kernel's geometric terms, anew only when the geometry changed.
    if (merge && (cache.merge_version != cache.geometry_version || cache.merge_d2.size() != n)) {
        cache.merge_d2.resize(n);
        cache.merge_inv_m.resize(n);
        for (size_t i = 0; i < n; ++i) {
            const double d_i = cache.diam[i], m_i = cache.mass[i];
            cache.merge_d2[i] = 2.2 * std::pow(3.0 * d_i, 2.0);
            cache.merge_inv_m[i] = 1.0 / (2.0 * m_i) + 1.0 / m_i;
        }
        cache.merge_version = cache.geometry_version;
    }
    const double *merge_d2 = cache.merge_d2.data(), *merge_inv_m = cache.merge_inv_m.data();

    // Radicals (and where dimers merge, their share), as radical_step_cached and merge_all give them.
    const RadicalT t = radical_T(T, RT);
    const CSootWrapper* sw = cache.sw;
    const int* idx = sw->PAH_indices.data();
    const double *n_C = sw->PAH_n_C.data(), *n_H = sw->PAH_n_H.data();
    const double* k_fs = cache.k_f_soot.data();
    const double f4 = k_f4_prefactor, c_agg = c_soot_agg;
    double* c_out = c_PAH_radical.data();
    double* P_out = merge_P.data();
    for (size_t i = 0; i < n; ++i) {
        const double c = radical_of(quadratic, t, n_C[i], k_f3s[i], k_fs[i], pymax(cache.C_of(idx[i]), 0.0), C_H2, C_H);
        c_out[i] = c;
        if (merge) {
            const double beta = merge_d2[i] * std::pow(k.kB_const * k.Pi_const * T * 0.5 * merge_inv_m[i], 0.5);
            const double s = beta * k.Av_const * c;
            const double p = k_fs[i] * c_agg;
            const double den = (merge_r + s) + p;
            if (den == 0.0) return false;
            P_out[i] = pymax(pymin(p / den, 1.0), 0.0);
        }
    }

    // Dimers and what they bring, as the dimer and inception steps give them.
    const double rho = cache.rho;
    if (inception) {
        const bool partial = cache.partial();
        const double* c = c_PAH_radical.data();
        double *wd = w_dimer.data(), *C_each = _C_tot_inception_each.data(), *H_each = _H_tot_inception_each.data();
        double* N_each = _N_agg_inception_each.data();
        double N_tot = 0.0, C_tot = 0.0, H_tot = 0.0;
        for (size_t i = 0; i < n; ++i) {
            const double w = quadratic ? pymax(k_f3s[i] * std::pow(c[i], 2.0), 0.0)
                                       : pymax(k_f3s[i] * c[i] * pymax(cache.C_of(idx[i]), 0.0), 0.0);
            wd[i] = w;
            const double dC = 2.0 * w * n_C[i] / rho;
            const double dH = 2.0 * w * n_H[i] / rho;
            C_each[i] = dC;
            H_each[i] = dH;
            const double dN = new_particles(partial, merge ? &P_out[i] : nullptr, n_C[i], w, rho);
            N_each[i] = dN;
            N_tot += dN;
            C_tot += dC;
            H_tot += dH;
        }
        _N_agg_inception_total = N_tot;
        _C_tot_inception_total = C_tot;
        _H_tot_inception_total = H_tot;
    }

    // Adsorption and the carbon and hydrogen it brings, as its two steps give them.
    if (adsorption) {
        const double* c = c_PAH_radical.data();
        double *rate = _PAH_adsorption_rate.data(), *C_each = _C_tot_PAH_each.data(), *H_each = _H_tot_PAH_each.data();
        AdsorbedCH tot;
        for (size_t i = 0; i < n; ++i) {
            const double r = k_fs[i] * f4 * c[i] * c_agg;
            rate[i] = r;
            tot.add(n_C[i], n_H[i], r, rho, C_each[i], H_each[i]);
        }
        _C_tot_PAH_total = tot.C;
        _H_tot_PAH_total = tot.H;
    }
    return true;
}

template bool CrossLinkCommon::fused_update<false, false>(bool, bool, double, int);
template bool CrossLinkCommon::fused_update<true, false>(bool, bool, double, int);
template bool CrossLinkCommon::fused_update<true, true>(bool, bool, double, int);

// Radical + precursor molecule; the precursor concentration is read afresh.
void CrossLinkCommon::w_dimer_linear_step() {
    if (n_PAHs <= 0) return;
    const size_t n = (size_t)n_PAHs;
    if (cache.on && cache.mass.size() == n && all_sized(n, c_PAH_radical, w_dimer)) {
        const int* idx = cache.sw->PAH_indices.data();
        const double *c = c_PAH_radical.data(), *k_f3 = cache.k_f3.data();
        double* out = w_dimer.data();
        const bool plain = cache.plain_C();
        for (size_t i = 0; i < n; ++i) {
            const double C_PAH = plain ? cache.C_of(idx[i]) : cache.C(idx[i]);
            out[i] = pymax(k_f3[i] * c[i] * pymax(C_PAH, 0.0), 0.0);
        }
        return;
    }
    GasView gas(this);
    for (int i = 0; i < n_PAHs; ++i) {
        const double k_f3 = kf3(i);
        const double C_PAH = gas.C(PAH_index_at(i));
        const double w = pymax(k_f3 * at(c_PAH_radical, i) * pymax(C_PAH, 0.0), 0.0);
        at(w_dimer, i) = w;
    }
}

// Radical + radical.
void CrossLinkCommon::w_dimer_quadratic_step() {
    const size_t n = (size_t)std::max(n_PAHs, 0);
    if (cache.on && cache.mass.size() == n && all_sized(n, c_PAH_radical, w_dimer)) {
        const double *c = c_PAH_radical.data(), *k_f3 = cache.k_f3.data();
        double* out = w_dimer.data();
        for (size_t i = 0; i < n; ++i) out[i] = pymax(k_f3[i] * std::pow(c[i], 2.0), 0.0);
        return;
    }
    for (int i = 0; i < n_PAHs; ++i) {
        const double k_f3 = kf3(i);
        const double w = pymax(k_f3 * std::pow(at(c_PAH_radical, i), 2.0), 0.0);
        at(w_dimer, i) = w;
    }
}

void CrossLinkCommon::adsorption_rate_step() {
    const size_t n = (size_t)std::max(n_PAHs, 0);
    if (cache.on && cache.mass.size() == n && all_sized(n, c_PAH_radical, _PAH_adsorption_rate)) {
        const double *c = c_PAH_radical.data(), *k_fs = cache.k_f_soot.data();
        double* out = _PAH_adsorption_rate.data();
        for (size_t i = 0; i < n; ++i) out[i] = k_fs[i] * k_f4_prefactor * c[i] * c_soot_agg;
        return;
    }
    for (int i = 0; i < n_PAHs; ++i) {
        const double k_f4 = kf4(i);
        const double r = k_f4 * at(c_PAH_radical, i) * c_soot_agg;
        at(_PAH_adsorption_rate, i) = r;
    }
}

// An adsorbed radical brings all its carbon and all but two of its precursor's hydrogen atoms.
void CrossLinkCommon::CH_tot_PAH_step() {
    _C_tot_PAH_total = 0.0;
    _H_tot_PAH_total = 0.0;
    if (n_PAHs <= 0) return;
    const size_t n = (size_t)n_PAHs;
    if (cache.on && cache.mass.size() == n && cache.rho != 0.0 &&
        all_sized(n, _PAH_adsorption_rate, _C_tot_PAH_each, _H_tot_PAH_each)) {
        const double rho = cache.rho;
        const double *n_C = cache.sw->PAH_n_C.data(), *n_H = cache.sw->PAH_n_H.data();
        const double* rate = _PAH_adsorption_rate.data();
        double *C_each = _C_tot_PAH_each.data(), *H_each = _H_tot_PAH_each.data();
        for (size_t i = 0; i < n; ++i) {
            const double r = rate[i];
            const double dC = n_C[i] * r / rho;
            const double dH = (n_H[i] - 2.0) * r / rho;
            C_each[i] = dC;
            H_each[i] = dH;
            _C_tot_PAH_total += dC;
            _H_tot_PAH_total += dH;
        }
        return;
    }
    const double rho = GasView(this).rho();
    for (int i = 0; i < n_PAHs; ++i) {
        if (rho == 0.0) bind::raise(PyExc_ZeroDivisionError, "float division");
        const double r = at(_PAH_adsorption_rate, i);
        const double dC = PAH_n_C_at(i) * r / rho;
        const double dH = (PAH_n_H_at(i) - 2.0) * r / rho;
        at(_C_tot_PAH_each, i) = dC;
        at(_H_tot_PAH_each, i) = dH;
        _C_tot_PAH_total += dC;
        _H_tot_PAH_total += dH;
    }
}

// A dimer holds two precursor molecules.
void CrossLinkCommon::NCH_inception_step(MergeWeight merge, const double* P_all) {
    _N_agg_inception_total = 0.0;
    _C_tot_inception_total = 0.0;
    _H_tot_inception_total = 0.0;
    if (n_PAHs <= 0) return;
    const size_t n = (size_t)n_PAHs;
    // Cached: the counts and the switch read once; a merge weight only through
    // `merge`, or from P_all where the caller computed every one already.
    const bool cached = cache.on && cache.mass.size() == n && cache.rho != 0.0 &&
                        all_sized(n, w_dimer, _C_tot_inception_each, _H_tot_inception_each, _N_agg_inception_each);
    if (cached) {
        const double rho = cache.rho;
        const bool partial = cache.partial();
        const double *n_C = cache.sw->PAH_n_C.data(), *n_H = cache.sw->PAH_n_H.data(), *wd = w_dimer.data();
        double *C_each = _C_tot_inception_each.data(), *H_each = _H_tot_inception_each.data();
        double* N_each = _N_agg_inception_each.data();
        for (size_t i = 0; i < n; ++i) {
            const double w = wd[i];
            const double dC = 2.0 * w * n_C[i] / rho;
            const double dH = 2.0 * w * n_H[i] / rho;
            C_each[i] = dC;
            H_each[i] = dH;
            double P = 0.0;
            if (merge) P = P_all ? P_all[i] : merge(this, (int)i);
            const double dN = new_particles(partial, merge ? &P : nullptr, n_C[i], w, rho);
            N_each[i] = dN;
            _N_agg_inception_total += dN;
            _C_tot_inception_total += dC;
            _H_tot_inception_total += dH;
        }
        return;
    }
    const double rho = GasView(this).rho();
    for (int i = 0; i < n_PAHs; ++i) {
        if (rho == 0.0) bind::raise(PyExc_ZeroDivisionError, "float division");
        const double n_C = PAH_n_C_at(i);
        const double n_H = PAH_n_H_at(i);
        const double w = at(w_dimer, i);
        const double dC = 2.0 * w * n_C / rho;
        const double dH = 2.0 * w * n_H / rho;
        at(_C_tot_inception_each, i) = dC;
        at(_H_tot_inception_each, i) = dH;
        double dN;
        // A dimer counts as the share 2·n_C/378 of the smallest particle, or as one particle.
        if (partial_addition_on()) {
            if (merge) {
                const double P = merge(this, i);
                dN = ((1.0 - P) * (w / rho)) * (2.0 * n_C / k.min_n_C_const);
            } else {
                dN = (2.0 * n_C / k.min_n_C_const) * (w / rho);
            }
        } else if (merge) {
            const double P = merge(this, i);
            dN = ((1.0 - P) * w) / rho;
        } else {
            dN = w / rho;
        }
        at(_N_agg_inception_each, i) = dN;
        _N_agg_inception_total += dN;
        _C_tot_inception_total += dC;
        _H_tot_inception_total += dH;
    }
}

// Two precursor molecules consumed and one H2 released per dimer.
void CrossLinkCommon::scrub_inception(bind::DoubleBuf& w) {
    if (n_PAHs <= 0) return;
    const size_t n = (size_t)n_PAHs;
    // The wrappers read in place where no code can run in the loop (H2's index
    // cached by the exact gas wrapper): no hold is needed.
    if (const CSootWrapper* sw = soot_wrapper ? soot_wrapper.o : nullptr; sw && sw->gas()) {
        int h2;
        if (all_sized(n, w_dimer, sw->PAH_indices) && sw->gas()->cached_species_index(n_H2, h2)) {
            scrub_pairs(w, n, sw->PAH_indices.data(), w_dimer.data(), h2, [](double r) { return -2.0 * r; },
                        [](double r) { return r; });
            return;
        }
    }
    GasView gas(this);
    if (const CSootWrapper* sw = as_wrapper(gas.w); all_sized(n, w_dimer, sw->PAH_indices)) {
        const double* wd = w_dimer.data();
        const int* idx = sw->PAH_indices.data();
        // H2's index once where the entry could give no other on any pass.
        if (int h2; gas.p->cached_species_index(n_H2, h2)) {
            for (size_t i = 0; i < n; ++i) {
                const double r = wd[i];
                scrub_at(w, idx[i], -2.0 * r);
                scrub_at(w, h2, r);
            }
            return;
        }
        for (size_t i = 0; i < n; ++i) {
            const double r = wd[i];
            scrub_at(w, idx[i], -2.0 * r);
            scrub_at(w, gas.index(n_H2), r);
        }
        return;
    }
    for (int i = 0; i < n_PAHs; ++i) {
        const double r = at(w_dimer, i);
        scrub_at(w, PAH_index_at(i), -2.0 * r);
        scrub_at(w, gas.index(n_H2), r);
    }
}

// An adsorbed radical takes its precursor and releases two H atoms.
void CrossLinkCommon::scrub_PAH(bind::DoubleBuf& w) {
    if (n_PAHs <= 0) return;
    const size_t n = (size_t)n_PAHs;
    if (const CSootWrapper* sw = soot_wrapper ? soot_wrapper.o : nullptr; sw && sw->gas()) {
        int h;
        if (all_sized(n, _PAH_adsorption_rate, sw->PAH_indices) && sw->gas()->cached_species_index(n_H, h)) {
            scrub_pairs(w, n, sw->PAH_indices.data(), _PAH_adsorption_rate.data(), h, [](double r) { return -r; },
                        [](double r) { return 2.0 * r; });
            return;
        }
    }
    GasView gas(this);
    if (const CSootWrapper* sw = as_wrapper(gas.w); all_sized(n, _PAH_adsorption_rate, sw->PAH_indices)) {
        const double* rate = _PAH_adsorption_rate.data();
        const int* idx = sw->PAH_indices.data();
        if (int h; gas.p->cached_species_index(n_H, h)) {
            for (size_t i = 0; i < n; ++i) {
                const double r = rate[i];
                scrub_at(w, idx[i], -r);
                scrub_at(w, h, 2.0 * r);
            }
            return;
        }
        for (size_t i = 0; i < n; ++i) {
            const double r = rate[i];
            scrub_at(w, idx[i], -r);
            scrub_at(w, gas.index(n_H), 2.0 * r);
        }
        return;
    }
    for (int i = 0; i < n_PAHs; ++i) {
        const double r = at(_PAH_adsorption_rate, i);
        scrub_at(w, PAH_index_at(i), -r);
        scrub_at(w, gas.index(n_H), 2.0 * r);
    }
}

// Entries 8 and 9 where each takes its first path to the end: the wrappers read
// in place, the indices of H2 and H known to the gas wrapper's cache, every
// write inside the array.
bool CrossLinkCommon::plain_scrub(const bind::F64Span& w) {
    if (n_PAHs <= 0) return true;
    const size_t n = (size_t)n_PAHs;
    const CSootWrapper* sw = soot_wrapper.o;
    CSootGas* g = sw ? sw->gas() : nullptr;
    if (!g || !all_sized(n, w_dimer, _PAH_adsorption_rate, sw->PAH_indices) || !scrub_ids.find(g, {n_H2, n_H}))
        return false;
    double *w_H2 = w.slot(scrub_ids[0]), *w_H = w.slot(scrub_ids[1]);
    if (!w_H2 || !w_H) return false;
    const double *wd = w_dimer.data(), *ra = _PAH_adsorption_rate.data();
    return precursor_passes(
        w, sw->PAH_indices.data(), n,
        [&](double& e, size_t i) {
            const double r = wd[i];
            e += -2.0 * r;
            *w_H2 += r;
        },
        [&](double& e, size_t i) {
            const double r = ra[i];
            e += -r;
            *w_H += 2.0 * r;
        });
}

// ------------------------------------------------------------------ CCrossLink

const CCrossLinkVTable CCrossLink::vtable = [] {
    auto t = crosslink_table<CCrossLink, CCrossLinkVTable>();
    t.PAH_radical = shared_entry<CCrossLink, &CrossLinkCommon::PAH_radical_linear, "PAH_radical">();
    return t;
}();

void CCrossLink::init_impl(PyObject* w) {
    CPAHGrowthBase::init_impl(w);
    _reset();
}

void CCrossLink::_reset_impl() {
    reset_prefactors();
    CPAHGrowthBase::_reset_impl();
}
void CCrossLink::create_PAH_dimer_impl() { create_radicals(); }
void CCrossLink::update_PAH_radical_impl() { radical_step(vt()->PAH_radical, false); }
void CCrossLink::update_w_dimer_impl() { w_dimer_linear_step(); }
void CCrossLink::update_PAH_adsorption_rate_impl() { adsorption_rate_step(); }
void CCrossLink::_update_CH_tot_PAH_impl() { CH_tot_PAH_step(); }
void CCrossLink::_update_NCH_inception_impl() { NCH_inception_step(nullptr); }

void CCrossLink::update_impl() { crosslink_update(*this); }

namespace {

using Self = CCrossLink;
const bind::Field fields[] = {CROSSLINK_ROWS};
BIND_DERIVED_METHOD_TABLES(CROSSLINK_METHODS, CROSSLINK_REDEFINES)

}  // namespace

bind::ClassSpec& CCrossLink::spec() {
    static bind::ClassSpec s = bind::define<CCrossLink>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .init = bind::Init<&CCrossLink::init_impl, "soot_wrapper">::init,
        .vtable = &vtable,
        .vtable_size = sizeof vtable,
        .checksums = {0x4b2ac8c, 0xbd390fa, 0xf79d914},
    });
    return s;
}

}  // namespace pyrandel
