#include "monodisperse.hpp"

#include <algorithm>
#include <cmath>
#include <optional>

#include "../../physics/constants.hpp"
#include "../gas/sootgas.hpp"
#include "../pahgrowth/pahgrowthbase.hpp"
#include "../sootwrapper/sootwrapper.hpp"
#include "../surfacereactions/frenklachhaca.hpp"

namespace pyrandel {

using bind::Name;
using bind::Ref;
using M = CMonodisperseSootModel;

BIND_TYPE_OBJECT(CMonodisperseSootModel)

namespace {

Name n_reset("_reset");
Name n_zeros("zeros");
Name n_mu("mu");
Name s_N_agg("N_agg");
Name s_N_pri("N_pri");
Name s_C_tot("C_tot");
Name s_H_tot("H_tot");

// Rarefaction correction at the aggregates' mobility diameter d_m with mean free
// path lambda; the PAH-growth model may have taken its exponential this step.
inline double Cs(const M* s, double d_m, double lambda) {
    return (slip_exp(s->soot_wrapper.o, d_m * -0.78 / lambda) * 0.4 + 1.21) * (lambda * 2.0 / d_m) + 1.0;
}

// A soot-block element: the buffer's bounds are tested, None counts as empty.
double& block_at(bind::DoubleBuf& b, Py_ssize_t i) {
    if (b.is_none()) bind::raise(PyExc_IndexError, "Out of bounds on buffer access (axis 0)");
    return b.at(i);
}

// Interpreter addition and multiplication, in doubles when both are floats.
Ref add(const Ref& a, const Ref& b) {
    if (PyFloat_CheckExact(a.get()) && PyFloat_CheckExact(b.get()))
        return bind::py(PyFloat_AS_DOUBLE(a.get()) + PyFloat_AS_DOUBLE(b.get()));
    return Ref::steal(PyNumber_Add(a.get(), b.get()));
}
Ref mul(const Ref& a, double b) {
    if (PyFloat_CheckExact(a.get())) return bind::py(PyFloat_AS_DOUBLE(a.get()) * b);
    Ref f = bind::py(b);
    return Ref::steal(PyNumber_Multiply(a.get(), f.get()));
}

}  // namespace

// ------------------------------------------------------ gas and models

namespace {

// The gas wrapper through the soot wrapper, held for the call.
Ref gas_of(const M* s) {
    Ref w = held_wrapper(s->soot_wrapper, "soot_gas");
    return as_wrapper(w)->held_gas("rho_c");
}
inline CSootGas* G(const Ref& g) { return reinterpret_cast<CSootGas*>(g.get()); }

double rho_of(const M* s) {
    Ref g = gas_of(s);
    return G(g)->vtab->rho_c(G(g));
}

Ref PAH_of(const M* s) { return as_wrapper(held_wrapper(s->soot_wrapper, "PAH_growth_model"))->PAH_growth_model.hold(); }
Ref surf_of(const M* s) {
    return as_wrapper(held_wrapper(s->soot_wrapper, "surface_reactions_model"))->surface_reactions_model.hold();
}

}  // namespace

// ------------------------------------------------------- one-pass kernels

namespace {

using Morph = MonoMorph;
using MorphKey = MonoMorphKey;

// The float in an object field of the gas wrapper, when it is one.
inline bool float_in(PyObject* o, double& v) {
    if (!PyFloat_CheckExact(o)) return false;
    v = PyFloat_AS_DOUBLE(o);
    return true;
}

// The gas wrapper when it is exactly a CSootGas reached through a soot wrapper; nullptr otherwise.
CSootGas* plain_gas(const M* s) {
    if (!s->soot_wrapper) return nullptr;
    CSootGas* g = s->soot_wrapper->soot_gas.o;
    return g && Py_IS_TYPE(g, &CSootGas::type) ? g : nullptr;
}

// True when a Python subclass or an instance attribute replaces one of the morphology entries.
bool morphology_overridden(M* s) {
    if (Py_IS_TYPE(s, &M::type)) return false;
    for (int mid : {M::MID_d_p, M::MID_n_p, M::MID_d_m, M::MID_d_g, M::MID_A_tot})
        if (bind::Class<M>::overridden(s, mid)) return true;
    return false;
}

// May the morphology and the kernels standing on it take the plain route (one
// pass over values computed once): the class's one decision for them, made at
// each call that uses them. No morphology entry overridden and an exact gas
// wrapper with a float density: that gas wrapper, with the state the values
// depend on in `key`; null where the table must be used.
CSootGas* plain_route(M* s, MorphKey& key) {
    CSootGas* g = plain_gas(s);
    double rho;
    if (!g || !float_in(g->_rho, rho) || morphology_overridden(s)) return nullptr;
    key = MorphKey{s->_N_agg, s->_N_pri, s->_C_tot, rho, (PyObject*)g};
    return g;
}

// ------------------------------------------------------------ the formulas
// Each over how it reads the values it stands on: ByTable through the table's
// entries (a Python override of a named one is seen; each read in the order the
// formula makes it), OnePass from values computed once for a state key.

template <class A>
double V_tot_of(A& a) { return constants.MW_carbon_const * a.C_tot() / constants.rho_soot_const; }
template <class A>
double V_p_of(A& a) { return a.V_tot() / (constants.Av_const * a.N_pri()); }
template <class A>
double d_p_of(A& a) { return std::pow(a.V_p() * 6.0 / constants.Pi_const, constants.one_third_const); }
template <class A>
double A_p_of(A& a) { return std::pow(a.V_p() * 6.0 / constants.Pi_const, constants.two_thirds_const) * constants.Pi_const; }
template <class A>
double A_tot_of(A& a) {
    const double Ap = a.A_p();
    return Ap * (constants.Av_const * a.N_pri());
}
template <class A>
double n_p_of(A& a) { return a.N_pri() / a.N_agg(); }
template <class A>
double d_m_of(A& a) {
    const double dp = a.d_p();
    const double x = dp * std::pow(a.n_p(), 0.45);
    return x > dp ? x : dp;
}
template <class A>
double d_g_of(A& a) {
    const double np_ = a.n_p();
    if (np_ > 1.5) return a.d_m() / (std::pow(np_, -0.2) + 0.4);
    return a.d_m() / 1.29;
}
template <class A>
double V_agg_of(A& a) { return a.V_tot() / (constants.Av_const * a.N_agg()); }
template <class A>
double m_agg_of(A& a) { return a.V_agg() * constants.rho_soot_const; }
template <class A>
double soot_MW_of(A& a) { return constants.MW_carbon_const * a.C_tot() / a.N_agg(); }
template <class A>
double c_soot_agg_of(A& a) { return a.rho() * a.N_agg(); }
template <class A>
double c_soot_pri_of(A& a) { return a.rho() * a.N_pri(); }
template <class A>
double m_p_of(A& a) { return constants.Pi_const * constants.rho_soot_const * d_p_cubed(a.s->soot_wrapper.o, a.d_p()) / 6.0; }

// Coagulation kernels, m3/s: continuum, free molecular and their harmonic mean.
template <class A>
double beta_coag_cont_of(A& a) {
    const double dm = a.d_m();
    double lambda, T, mu;
    a.lambda_T_mu(lambda, T, mu);
    return T * (constants.kB_const * 8.0) / (mu * 3.0) * Cs(a.s, dm, lambda);
}
template <class A>
double beta_coag_fm_of(A& a) {
    const double T = a.T();
    const double magg = a.m_agg();
    const double q = a.div(T * (constants.kB_const * constants.Pi_const), magg);
    return std::pow(a.d_g(), 2.0) * (std::pow(q, 0.5) * 4.0);
}
template <class A>
double beta_coag_of(A& a) {
    const double fm = a.beta_coag_fm();
    const double cont = a.beta_coag_cont();
    return a.div(fm * 1.82 * cont, cont + fm);
}
// Aggregates lost by coagulation, mol/(kg s), with the turbulent kernel `turb`.
double N_agg_coag_at(double beta, double turb, double N_agg, double rho) {
    return -0.5 * (beta + turb) * N_agg * N_agg * constants.Av_const * rho;
}

struct ByTable {
    M* s;
    double N_agg() const { return s->_N_agg; }
    double N_pri() const { return s->_N_pri; }
    double C_tot() const { return s->_C_tot; }
    double rho() const { return rho_of(s); }
    double V_tot() { return s->vtab->V_tot(s); }
    double V_p() { return s->vtab->V_p(s); }
    double A_p() { return s->vtab->A_p(s); }
    double d_p() { return s->vtab->d_p(s); }
    double n_p() { return s->vtab->n_p(s); }
    double d_m() { return s->vtab->d_m(s); }
    double d_g() { return s->vtab->d_g(s); }
    double V_agg() { return s->vtab->V_agg(s); }
    double m_agg() { return s->vtab->m_agg(s); }
    double beta_coag_fm() { return s->vtab->beta_coag_fm(s); }
    double beta_coag_cont() { return s->vtab->beta_coag_cont(s); }
    double T() const {
        Ref g = gas_of(s);
        return G(g)->vtab->T_c(G(g));
    }
    void lambda_T_mu(double& lambda, double& T, double& mu) const {
        Ref g = gas_of(s);
        lambda = G(g)->vtab->lambda_gas_c(G(g));
        T = G(g)->vtab->T_c(G(g));
        mu = G(g)->vtab->mu_c(G(g));
    }
    static double div(double a, double b) { return bind::fdiv(a, b); }
};

// The values of one state, each computed once; a zero divisor marks the pass as
// not taken (`ok` false), where the table's entries raise.
struct OnePass {
    M* s;
    const MorphKey& key;
    Morph m{};
    double V_tot_ = 0.0, V_p_ = 0.0, n_p_ = 0.0;
    double T_ = 0.0, mu_ = 0.0, lambda_ = 0.0;
    bool ok = true;
    double N_agg() const { return key.N_agg; }
    double N_pri() const { return key.N_pri; }
    double C_tot() const { return key.C_tot; }
    double rho() const { return key.rho; }
    double V_tot() const { return V_tot_; }
    double V_p() const { return V_p_; }
    double A_p() { return A_p_of(*this); }
    double d_p() const { return m.d_p; }
    double n_p() const { return n_p_; }
    double d_m() const { return m.d_m; }
    double d_g() const { return m.d_g; }
    double V_agg() const { return m.V_agg; }
    double m_agg() const { return m.m_agg; }
    double beta_coag_fm() { return beta_coag_fm_of(*this); }
    double beta_coag_cont() { return beta_coag_cont_of(*this); }
    double T() const { return T_; }
    void lambda_T_mu(double& lambda, double& T, double& mu) const { lambda = lambda_, T = T_, mu = mu_; }
    double div(double a, double b) {
        ok = ok && b != 0.0;
        return a / b;
    }
};

// Every value once, in the order the table's entries give them.
Morph morphology_at_once(M* s, const MorphKey& key) {
    OnePass o{s, key};
    o.V_tot_ = V_tot_of(o);
    o.V_p_ = V_p_of(o);
    o.m.d_p = d_p_of(o);
    o.n_p_ = n_p_of(o);
    o.m.d_m = d_m_of(o);
    o.m.d_g = d_g_of(o);
    o.m.A_tot = A_tot_of(o);
    o.m.V_agg = V_agg_of(o);
    o.m.m_agg = m_agg_of(o);
    o.m.soot_MW = soot_MW_of(o);
    o.m.c_soot_agg = c_soot_agg_of(o);
    o.m.c_soot_pri = c_soot_pri_of(o);
    o.m.m_p = m_p_of(o);
    return o.m;
}

// The one-pass values for `key`, from the last evaluation when it was made for the same state.
const Morph& morphology_cached(M* s, const MorphKey& key) {
    return s->morph_.of(key, [&] { return morphology_at_once(s, key); });
}

Morph morphology_by_table(M* s) {
    Morph m;
    m.d_p = s->vtab->d_p(s);
    m.d_m = s->vtab->d_m(s);
    m.d_g = s->vtab->d_g(s);
    m.A_tot = s->vtab->A_tot(s);
    m.m_agg = s->vtab->m_agg(s);
    m.V_agg = s->vtab->V_agg(s);
    m.soot_MW = s->vtab->soot_MW(s);
    m.c_soot_agg = s->vtab->c_soot_agg(s);
    m.c_soot_pri = s->vtab->c_soot_pri(s);
    m.m_p = s->vtab->m_p(s);
    return m;
}

}  // namespace

// ---------------------------------------------------------- construction

void CMonodisperseSootModel::init_impl(PyObject* w) {
    CSootModelBase::init_impl(w);
    n_eqns = 4;
    N_agg_offset = 0;
    N_pri_offset = 1;
    C_tot_offset = 2;
    H_tot_offset = 3;
    N_agg_min = 1.0 / constants.Av_const;
    N_pri_min = 1.0 / constants.Av_const;
    H_tot_min = constants.min_n_H_const / constants.Av_const;
    C_tot_min = constants.min_n_C_const / constants.Av_const;
    Ref d = Ref::steal(PyDict_New());
    const std::pair<PyObject*, int> entries[] = {
        {s_N_agg, N_agg_offset}, {s_N_pri, N_pri_offset}, {s_C_tot, C_tot_offset}, {s_H_tot, H_tot_offset}};
    for (auto& [name, off] : entries)
        if (PyDict_SetItem(d.get(), name, bind::py(off).get()) < 0) bind::fail();
    vars_dict = std::move(d);
    diffus_coeff_const_val = 0.0;
    Ref r = bind::call_method((PyObject*)this, n_reset);
}

void CMonodisperseSootModel::_reset_impl() {
    _N_agg = N_agg_min;
    _N_pri = N_pri_min;
    _C_tot = C_tot_min;
    _H_tot = H_tot_min;
    CSootModelBase::_reset_impl();
}

// ------------------------------------------------------------- the step

void CMonodisperseSootModel::set_vars_impl(bind::DoubleBuf vars) {
    // All four are read before any is stored: a short buffer changes nothing.
    const double a = block_at(vars, N_agg_offset), b = block_at(vars, N_pri_offset);
    const double c = block_at(vars, C_tot_offset), h = block_at(vars, H_tot_offset);
    _N_agg = a;
    _N_pri = b;
    _C_tot = c;
    _H_tot = h;
}

void CMonodisperseSootModel::update_impl() {
    {
        Ref w = held_wrapper(soot_wrapper, "soot_enabled");
        if (!as_wrapper(w)->soot_enabled) return;
    }
    Morph mo;
    MorphKey key;
    bool once;
    {
        Ref pah = PAH_of(this);
        if (pah.get() == Py_None) none_has_no("update_soot_vars");
        once = plain_route(this, key) != nullptr;
        mo = once ? morphology_cached(this, key) : morphology_by_table(this);
        pah_update_soot_vars(pah.get(), mo.d_p, mo.d_m, mo.d_g, mo.A_tot, mo.m_agg, mo.V_agg, mo.soot_MW,
                             mo.c_soot_agg, mo.c_soot_pri, mo.m_p);
        pah_update(pah.get());
    }
    Ref surf = surf_of(this);
    if (surf.get() == Py_None) none_has_no("update_soot_vars");
    // Afresh, unless nothing the values depend on has moved since.
    MorphKey now;
    const bool plain = plain_route(this, now) != nullptr;
    if (!(once && plain && same_inputs(now, key)))
        mo = plain ? morphology_cached(this, now) : morphology_by_table(this);
    const double HtoC = bind::fdiv(_H_tot, _C_tot);
    surf_update_soot_vars(surf.get(), mo.d_p, mo.d_m, mo.d_g, mo.A_tot, mo.m_agg, mo.soot_MW, mo.c_soot_agg, HtoC);
    surf_update(surf.get());
}

namespace {

// Zeros written, not a product with 0.0: a NaN of one bad step must not stay.
void clear(const bind::F64Span& w) {
    if (w.stride == (Py_ssize_t)sizeof(double)) {
        std::fill_n(reinterpret_cast<double*>(w.data), w.n, 0.0);
    } else {
        for (Py_ssize_t i = 0; i < w.n; ++i) w[i] = 0.0;
    }
}

// The exchange of update_w_scrub in one pass where nothing can run code or fail:
// the array an exact writeable float64 ndarray, the PAH model on one of the
// module's own tables and the surface model an exact CFrenklachHACA, each with
// every write inside the array. The same zeros and additions in the same order
// as the general path; false otherwise, when the general path clears the array
// again (no code has run since) and makes every write its own way.
bool plain_w_scrub(M* s) {
    const CSootWrapper* sw = s->soot_wrapper.o;
    bind::F64Span w;
    if (!sw || !bind::plain_f64(s->w_scrub.get(), true, w)) return false;
    clear(w);
    if (!sw->soot_enabled || !sw->scrubbing_enabled) return true;
    CPAHGrowthBase* pah = sw->PAH_model();
    CSurfaceReactionsBase* surf = sw->surface_model();
    if (!pah || !surf || Py_TYPE(surf) != &CFrenklachHACA::type) return false;
    return pah_plain_w_scrub(pah, w) && surf_plain_w_scrub(surf, w);
}

// update_w_scrub the general way: every write through the models' entries.
[[gnu::noinline]] void general_w_scrub(M* s) {
    Ref w = s->w_scrub.hold();
    if (w.get() == Py_None) bind::raise(PyExc_TypeError, "unsupported operand type(s) for *=: 'NoneType' and 'float'");
    std::optional<bind::DoubleBuf> buf;
    try {
        buf.emplace(w.get(), "w_scrub");
    } catch (bind::Error&) {
        PyErr_Clear();
    }
    if (buf) {
        clear(buf->span());
    } else {
        Ref z = bind::py(0.0);
        if (PyObject_SetItem(w.get(), Py_Ellipsis, z.get()) < 0) bind::fail();
    }
    {
        Ref sw = held_wrapper(s->soot_wrapper, "soot_enabled");
        if (!as_wrapper(sw)->soot_enabled || !as_wrapper(sw)->scrubbing_enabled) return;
        Ref pah = as_wrapper(sw)->PAH_growth_model.hold();
        if (pah.get() == Py_None) none_has_no("update_w_scrub");
        if (!buf) buf.emplace(w.get(), "w_scrub");  // refused as a double buffer: the error of the view
        auto* p = reinterpret_cast<CPAHGrowthBase*>(pah.get());
        p->vtab->update_w_scrub(p, *buf);
    }
    Ref surf = surf_of(s);
    Ref arr = s->w_scrub.hold();
    // The view stays open for the surface model while the field holds the same array.
    if (buf && arr.get() != buf->obj()) buf.reset();
    surf_update_w_scrub(surf.get(), arr.get(), buf ? &*buf : nullptr);
}

}  // namespace

// Clears the scrubbing array in place and lets both models enter their exchange.
void CMonodisperseSootModel::update_w_scrub_impl() {
    if (!plain_w_scrub(this)) general_w_scrub(this);
}

Ref CMonodisperseSootModel::min_array_impl() {
    Ref f = bind::getattr(bind::np().get(), n_zeros);
    Ref a = bind::call(f.get(), bind::py(n_eqns).get());
    bind::generic_set_item(a.get(), N_agg_offset, N_agg_min);
    bind::generic_set_item(a.get(), N_pri_offset, N_pri_min);
    bind::generic_set_item(a.get(), C_tot_offset, C_tot_min);
    bind::generic_set_item(a.get(), H_tot_offset, H_tot_min);
    return a;
}

void CMonodisperseSootModel::fill_soot_array_impl(bind::DoubleBuf b) {
    block_at(b, N_agg_offset) = _N_agg;
    block_at(b, N_pri_offset) = _N_pri;
    block_at(b, C_tot_offset) = _C_tot;
    block_at(b, H_tot_offset) = _H_tot;
}

// ------------------------------------------------------------ source terms

namespace {

// The two process models when they are of the module's own classes (no Python
// code runs in their getters); the surface model may be missing.
struct PlainModels {
    CSootWrapper* w = nullptr;
    CPAHGrowthBase* pah = nullptr;
    CSurfaceReactionsBase* surf = nullptr;
};

// A model of the module's own classes, or nullptr.
template <class T>
T* static_model(PyObject* o) {
    if (o == Py_None || (Py_TYPE(o)->tp_flags & Py_TPFLAGS_HEAPTYPE) || !PyObject_TypeCheck(o, &T::type))
        return nullptr;
    return reinterpret_cast<T*>(o);
}

bool plain_models(M* s, PlainModels& p) {
    if (!Py_IS_TYPE(s, &M::type) || !s->soot_wrapper) return false;
    p.w = s->soot_wrapper.o;
    p.pah = static_model<CPAHGrowthBase>(p.w->PAH_growth_model.get());
    p.surf = static_model<CSurfaceReactionsBase>(p.w->surface_reactions_model.get());
    return p.pah != nullptr;
}

// The totals as the two models' getters give them: their fields where the
// models' classes keep the bases' getters (no code of theirs runs), the getters otherwise.
struct Totals {
    double N_inc, C_inc, H_inc, C_PAH, H_PAH, C_growth, H_growth, C_ox, H_ox;
};

bool plain_totals(const PlainModels& p) {
    using P = CPAHGrowthBase;
    using S = CSurfaceReactionsBase;
    return bind::keeps_own_bodies<P, P::MID_N_agg_inception_total, P::MID_C_tot_inception_total,
                                  P::MID_H_tot_inception_total, P::MID_C_tot_PAH_total, P::MID_H_tot_PAH_total>(
               p.pah) &&
           bind::keeps_own_bodies<S, S::MID_C_tot_growth, S::MID_H_tot_growth, S::MID_C_tot_oxidation,
                                  S::MID_H_tot_oxidation>(p.surf);
}

// The source term of variable v in doubles, in the order of the terms and of their additions.
template <class Get>
double source_with(M* s, const PlainModels& p, int v, const Get& t) {
    switch (v) {
        case 0: {
            const double inc = t.N_inc();
            const double coag = p.w->coagulation_enabled ? s->vtab->N_agg_coag(s) : 0.0;
            return (((inc + 0.0) + 0.0) + coag) + 0.0;
        }
        case 1: return (((t.N_inc() + 0.0) + 0.0) + 0.0) + 0.0;
        case 2: {
            const double inc = t.C_inc();
            const double g = t.C_growth();
            const double growth = g + t.C_PAH();
            return (((inc + growth) + t.C_ox()) + 0.0) + 0.0;
        }
        default: {
            const double inc = t.H_inc();
            const double g = t.H_growth();
            const double growth = g + t.H_PAH();
            return (((inc + growth) + t.H_ox()) + 0.0) + 0.0;
        }
    }
}

// The getters, by dispatch.
struct ByGetter {
    CPAHGrowthBase* pah;
    CSurfaceReactionsBase* surf;
    double N_inc() const { return pah->N_agg_inception_total(); }
    double C_inc() const { return pah->C_tot_inception_total(); }
    double H_inc() const { return pah->H_tot_inception_total(); }
    double C_PAH() const { return pah->C_tot_PAH_total(); }
    double H_PAH() const { return pah->H_tot_PAH_total(); }
    double C_growth() const { return surf->C_tot_growth(); }
    double H_growth() const { return surf->H_tot_growth(); }
    double C_ox() const { return surf->C_tot_oxidation(); }
    double H_ox() const { return surf->H_tot_oxidation(); }
};
// The getters' fields.
struct ByField {
    const CPAHGrowthBase* pah;
    const CSurfaceReactionsBase* surf;
    double N_inc() const { return pah->_N_agg_inception_total; }
    double C_inc() const { return pah->_C_tot_inception_total; }
    double H_inc() const { return pah->_H_tot_inception_total; }
    double C_PAH() const { return pah->_C_tot_PAH_total; }
    double H_PAH() const { return pah->_H_tot_PAH_total; }
    double C_growth() const { return surf->_C_tot_growth; }
    double H_growth() const { return surf->_H_tot_growth; }
    double C_ox() const { return surf->_C_tot_oxidation; }
    double H_ox() const { return surf->_H_tot_oxidation; }
};

double source_of(M* s, const PlainModels& p, int v) { return source_with(s, p, v, ByGetter{p.pah, p.surf}); }

// The source term of variable v in doubles, when neither this model nor the
// other two can run Python code on the way.
bool source_in_doubles(M* s, int v, double& out) {
    PlainModels p;
    if (!plain_models(s, p) || (v >= 2 && !p.surf)) return false;
    out = source_of(s, p, v);
    return true;
}

// inception + growth + oxidation + coagulation + coalescence, each by name.
Ref source(M* s, int v) {
    if (double d; source_in_doubles(s, v, d)) return bind::py(d);
    Ref r = s->inception(v);
    r = add(r, s->growth(v));
    r = add(r, s->oxidation(v));
    r = add(r, s->coagulation(v));
    return add(r, s->coalescence(v));
}

}  // namespace

void CMonodisperseSootModel::fill_source_term_array_impl(bind::DoubleBuf b) {
    // An exact instance cannot override S_*: their sums go straight into the buffer.
    if (PlainModels p; Py_IS_TYPE(this, &type) && plain_models(this, p) && p.surf) {
        double terms[4];
        if (plain_totals(p)) {
            const ByField t{p.pah, p.surf};
            for (int v = 0; v < 4; ++v) terms[v] = source_with(this, p, v, t);
        } else {
            for (int v = 0; v < 4; ++v) terms[v] = source_of(this, p, v);
        }
        block_at(b, N_agg_offset) = terms[0];
        block_at(b, N_pri_offset) = terms[1];
        block_at(b, C_tot_offset) = terms[2];
        block_at(b, H_tot_offset) = terms[3];
        return;
    }
    double v = bind::as_double(S_N_agg().get());
    block_at(b, N_agg_offset) = v;
    v = bind::as_double(S_N_pri().get());
    block_at(b, N_pri_offset) = v;
    v = bind::as_double(S_C_tot().get());
    block_at(b, C_tot_offset) = v;
    v = bind::as_double(S_H_tot().get());
    block_at(b, H_tot_offset) = v;
}

Ref CMonodisperseSootModel::S_N_agg_impl() { return source(this, 0); }
Ref CMonodisperseSootModel::S_N_pri_impl() { return source(this, 1); }
Ref CMonodisperseSootModel::S_C_tot_impl() { return source(this, 2); }
Ref CMonodisperseSootModel::S_H_tot_impl() { return source(this, 3); }

Ref CMonodisperseSootModel::inception_impl(int v) {
    switch (v) {
        case 0:
        case 1: return pah_total(PAH_of(this).get(), PAHTotal::N_agg_inception);
        case 2: return pah_total(PAH_of(this).get(), PAHTotal::C_tot_inception);
        case 3: return pah_total(PAH_of(this).get(), PAHTotal::H_tot_inception);
        default: return bind::none();
    }
}

Ref CMonodisperseSootModel::growth_impl(int v) {
    switch (v) {
        case 0:
        case 1: return bind::py(0.0);
        case 2: {
            Ref s = surf_total(surf_of(this).get(), SurfTotal::C_tot_growth);
            return add(s, pah_total(PAH_of(this).get(), PAHTotal::C_tot_PAH));
        }
        case 3: {
            Ref s = surf_total(surf_of(this).get(), SurfTotal::H_tot_growth);
            return add(s, pah_total(PAH_of(this).get(), PAHTotal::H_tot_PAH));
        }
        default: return bind::none();
    }
}

Ref CMonodisperseSootModel::oxidation_impl(int v) {
    switch (v) {
        case 0:
        case 1: return bind::py(0.0);
        case 2: return surf_total(surf_of(this).get(), SurfTotal::C_tot_oxidation);
        case 3: return surf_total(surf_of(this).get(), SurfTotal::H_tot_oxidation);
        default: return bind::none();
    }
}

Ref CMonodisperseSootModel::coagulation_impl(int v) {
    if (!as_wrapper(held_wrapper(soot_wrapper, "coagulation_enabled"))->coagulation_enabled) return bind::py(0.0);
    switch (v) {
        case 0: return bind::py(vtab->N_agg_coag(this));
        case 1:
        case 2:
        case 3: return bind::py(0.0);
        default: return bind::none();
    }
}

// No coalescence in the monodisperse model: 0.0 in both states of the switch.
Ref CMonodisperseSootModel::coalescence_impl(int v) {
    if (!as_wrapper(held_wrapper(soot_wrapper, "coalescence_enabled"))->coalescence_enabled) return bind::py(0.0);
    if (v >= 0 && v <= 3) return bind::py(0.0);
    return bind::none();
}

Ref CMonodisperseSootModel::carbonization_impl(int v) {
    if (v >= 0 && v <= 3) return bind::py(0.0);
    return bind::none();
}

// ----------------------------------------------------- properties and rates

double M::N_agg_impl() { return _N_agg; }
double M::N_pri_impl() { return _N_pri; }
double M::C_tot_impl() { return _C_tot; }
double M::H_tot_impl() { return _H_tot; }
// A subclass adds a turbulent coagulation kernel (m3/s) here.
double M::beta_coag_turb_impl() { return 0.0; }
double M::diffus_coeff_const_impl() { return diffus_coeff_const_val; }

double CMonodisperseSootModel::volume_fraction_impl() {
    const double rho = rho_of(this);
    return rho * (constants.MW_hydrogen_const * _H_tot + constants.MW_carbon_const * _C_tot) / constants.rho_soot_const;
}

Ref CMonodisperseSootModel::inception_mass_impl() { return pah_total(PAH_of(this).get(), PAHTotal::N_agg_inception); }
Ref CMonodisperseSootModel::inception_vol_impl() {
    Ref t = pah_total(PAH_of(this).get(), PAHTotal::N_agg_inception);
    return mul(t, rho_of(this));
}
Ref CMonodisperseSootModel::PAH_adsorption_mass_impl() { return pah_total(PAH_of(this).get(), PAHTotal::C_tot_PAH); }
Ref CMonodisperseSootModel::PAH_adsorption_vol_impl() {
    Ref t = pah_total(PAH_of(this).get(), PAHTotal::C_tot_PAH);
    return mul(t, rho_of(this));
}
Ref CMonodisperseSootModel::surface_growth_mass_impl() {
    return surf_total(surf_of(this).get(), SurfTotal::C_tot_growth);
}
Ref CMonodisperseSootModel::surface_growth_vol_impl() {
    Ref t = surf_total(surf_of(this).get(), SurfTotal::C_tot_growth);
    return mul(t, rho_of(this));
}
Ref CMonodisperseSootModel::oxidation_mass_impl() {
    return surf_total(surf_of(this).get(), SurfTotal::C_tot_oxidation);
}
Ref CMonodisperseSootModel::oxidation_vol_impl() {
    Ref t = surf_total(surf_of(this).get(), SurfTotal::C_tot_oxidation);
    return mul(t, rho_of(this));
}
double CMonodisperseSootModel::coagulation_mass_impl() { return vtab->N_agg_coag(this); }
double CMonodisperseSootModel::coagulation_vol_impl() {
    const double rho = rho_of(this);
    return rho * vtab->N_agg_coag(this);
}

// ---------------------------------------------------------------- morphology

#define MONO_BY_TABLE(impl, formula) \
    double M::impl() {                 \
        ByTable a{this};               \
        return formula(a);             \
    }
MONO_BY_TABLE(V_tot_k, V_tot_of)
MONO_BY_TABLE(A_tot_impl, A_tot_of)
MONO_BY_TABLE(soot_MW_k, soot_MW_of)
MONO_BY_TABLE(c_soot_agg_k, c_soot_agg_of)
MONO_BY_TABLE(c_soot_pri_k, c_soot_pri_of)
MONO_BY_TABLE(V_agg_k, V_agg_of)
MONO_BY_TABLE(m_agg_k, m_agg_of)
MONO_BY_TABLE(d_m_impl, d_m_of)
MONO_BY_TABLE(d_g_impl, d_g_of)
MONO_BY_TABLE(V_p_k, V_p_of)
MONO_BY_TABLE(A_p_k, A_p_of)
MONO_BY_TABLE(d_p_impl, d_p_of)
MONO_BY_TABLE(n_p_impl, n_p_of)
MONO_BY_TABLE(m_p_k, m_p_of)
MONO_BY_TABLE(beta_coag_cont_k, beta_coag_cont_of)
MONO_BY_TABLE(beta_coag_fm_k, beta_coag_fm_of)
MONO_BY_TABLE(beta_coag_k, beta_coag_of)
#undef MONO_BY_TABLE

double M::d_v_impl() {
    const double np_ = vtab->n_p(this);
    return std::pow(np_, constants.one_third_const) * vtab->d_p(this);
}
double M::A_agg_k() {
    const double np_ = vtab->n_p(this);
    return np_ * vtab->A_p(this);
}

// Interpreter arithmetic, left to right, so that a subclass's turbulent
// kernel may return any number.
double M::N_agg_coag_k() {
    {
        // One pass when nothing is overridden and the gas state is plain numbers.
        MorphKey key;
        double mu, lambda;
        CSootGas* g = plain_route(this, key);
        if (g && float_in(g->_mu, mu) && float_in(g->_lambda_gas, lambda) &&
            !bind::Class<M>::overridden(this, MID_beta_coag_turb)) {
            OnePass o{this, key, morphology_cached(this, key)};
            o.T_ = g->_T, o.mu_ = mu, o.lambda_ = lambda;
            const double beta = beta_coag_of(o);
            if (o.ok) return N_agg_coag_at(beta, 0.0, _N_agg, key.rho);
        }
    }
    const double bc = vtab->beta_coag(this);
    if (!bind::Class<M>::overridden(this, MID_beta_coag_turb)) {
        const double turb = beta_coag_turb_impl();
        return N_agg_coag_at(bc, turb, _N_agg, rho_of(this));
    }
    Ref turb = bind::call_method((PyObject*)this, spec().method_names[MID_beta_coag_turb]);
    Ref r = add(bind::py(bc), turb);
    Ref f = bind::py(-0.5);
    r = Ref::steal(PyNumber_Multiply(f.get(), r.get()));
    r = mul(r, _N_agg);
    r = mul(r, _N_agg);
    r = mul(r, constants.Av_const);
    r = mul(r, rho_of(this));
    return bind::as_double(r.get());
}

// ------------------------------------------------------- particle properties

// The morphology value unless the constant one is selected; either looked up by name.
Ref M::diffusion_coefficient_impl() {
    const int mid = diffusion_coeff_method == 1 ? MID_diffus_coeff_const : MID_diffus_coeff_morph;
    if (bind::Class<M>::overridden(this, mid)) return bind::call_method((PyObject*)this, spec().method_names[mid]);
    return bind::py(mid == MID_diffus_coeff_const ? diffus_coeff_const_impl() : diffus_coeff_morph());
}

// kB T Cs(d_m) / (3 pi mu d_m), with mu the gas wrapper's attribute.
double M::diffus_coeff_morph_impl() {
    Ref g = gas_of(this);
    const double T = G(g)->vtab->T_c(G(g));
    Ref mu = Py_IS_TYPE(g.get(), &CSootGas::type) ? G(g)->_mu.hold() : bind::getattr(g.get(), n_mu);
    const double dm = vtab->d_m(this);
    const double lambda = G(g)->vtab->lambda_gas_c(G(g));
    if (dm == 0.0 || lambda == 0.0) bind::raise(PyExc_ZeroDivisionError, "float division");
    const double cs = Cs(this, dm, lambda);
    double den;
    if (PyFloat_CheckExact(mu.get())) {
        den = bind::pydiv((3 * constants.Pi_const) * PyFloat_AS_DOUBLE(mu.get()) * dm, cs);
    } else {
        Ref a = bind::py(3 * constants.Pi_const);
        Ref p = Ref::steal(PyNumber_Multiply(a.get(), mu.get()));
        p = mul(p, dm);
        Ref c = bind::py(cs);
        p = Ref::steal(PyNumber_TrueDivide(p.get(), c.get()));
        den = bind::as_double(p.get());
    }
    return bind::fdiv(constants.kB_const * T, den);
}

double M::dispersion_exponent_impl() { return bind::fdiv(_H_tot, _C_tot) * 2.339156177 + 0.690753997; }
double M::total_mass_impl() { return constants.MW_hydrogen_const * _H_tot + constants.MW_carbon_const * _C_tot; }
double M::carbon_mass_impl() { return constants.MW_carbon_const * _C_tot; }
double M::hydrogen_mass_impl() { return constants.MW_hydrogen_const * _H_tot; }

// m2/g: A_tot / total mass / 1000, both true divisions of the interpreter.
Ref M::SSA_impl() {
    const double A = vtab->A_tot(this);
    if (!bind::Class<M>::overridden(this, MID_total_mass))
        return bind::py(bind::pydiv(A, total_mass_impl()) / 1000.0);
    Ref tm = bind::call_method((PyObject*)this, spec().method_names[MID_total_mass]);
    Ref a = bind::py(A);
    Ref q = Ref::steal(PyNumber_TrueDivide(a.get(), tm.get()));
    Ref thousand = Ref::steal(PyLong_FromLong(1000));
    return Ref::steal(PyNumber_TrueDivide(q.get(), thousand.get()));
}

// ------------------------------------------------------------------ the table

// Entries that are also Python-visible honour a Python subclass's override.
template <auto F, bind::fstr Name, int Mid = -1>
constexpr auto E = bind::entry<F, Name, bind::OnError::Default, Mid>();

const CMonodisperseVTable CMonodisperseSootModel::vtable = {
    .V_tot = E<&M::V_tot_k, "V_tot">,
    .A_tot = E<&M::A_tot_impl, "A_tot", M::MID_A_tot>,
    .soot_MW = E<&M::soot_MW_k, "soot_MW">,
    .c_soot_agg = E<&M::c_soot_agg_k, "c_soot_agg">,
    .c_soot_pri = E<&M::c_soot_pri_k, "c_soot_pri">,
    .d_v = E<&M::d_v_impl, "d_v", M::MID_d_v>,
    .A_agg = E<&M::A_agg_k, "A_agg">,
    .V_agg = E<&M::V_agg_k, "V_agg">,
    .m_agg = E<&M::m_agg_k, "m_agg">,
    .d_m = E<&M::d_m_impl, "d_m", M::MID_d_m>,
    .d_g = E<&M::d_g_impl, "d_g", M::MID_d_g>,
    .V_p = E<&M::V_p_k, "V_p">,
    .A_p = E<&M::A_p_k, "A_p">,
    .d_p = E<&M::d_p_impl, "d_p", M::MID_d_p>,
    .n_p = E<&M::n_p_impl, "n_p", M::MID_n_p>,
    .m_p = E<&M::m_p_k, "m_p">,
    .beta_coag_cont = E<&M::beta_coag_cont_k, "beta_coag_cont">,
    .beta_coag_fm = E<&M::beta_coag_fm_k, "beta_coag_fm">,
    .beta_coag = E<&M::beta_coag_k, "beta_coag">,
    .N_agg_coag = E<&M::N_agg_coag_k, "N_agg_coag">,
};

namespace {

using Self = CMonodisperseSootModel;
const bind::Field fields[] = {CMSM_FIELDS(BIND_ROW)};
BIND_DERIVED_METHOD_TABLES(CMSM_METHODS, CMSM_REDEFINES)

}  // namespace

bind::ClassSpec& CMonodisperseSootModel::spec() {
    static bind::ClassSpec s = bind::define<CMonodisperseSootModel>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .init = bind::Init<&CMonodisperseSootModel::init_impl, "soot_wrapper">::init,
        .vtable = &vtable,
        .vtable_size = sizeof vtable,
        .checksums = {0xc3ac87c, 0x48fc3e6, 0xc993756},
    });
    return s;
}

}  // namespace pyrandel
