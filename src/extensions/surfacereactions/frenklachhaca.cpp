#include <bit>
#include <cstdint>
#include <iterator>
#include <optional>
#include <utility>

#include "../../physics/constants.hpp"
#include "../gas/sootgas.hpp"
#include "../sootwrapper/sootwrapper.hpp"
#include "frenklachhaca.hpp"

namespace pyrandel {

using bind::Ref;

BIND_TYPE_OBJECT(CFrenklachHACA)

namespace {

bind::Name n_H("H"), n_OH("OH"), n_H2("H2"), n_H2O("H2O"), n_C2H2("C2H2"), n_O2("O2"), n_CO("CO");
bind::Name n_update_soot_vars("update_soot_vars"), n_update("update"), n_update_w_scrub("update_w_scrub");
bind::Name total_names[] = {bind::Name("C_tot_growth"), bind::Name("H_tot_growth"), bind::Name("C_tot_oxidation"),
                            bind::Name("H_tot_oxidation")};

constexpr const char* cls = "CFrenklachHACA";

// A table entry called straight (and inlinable) when the slot holds that very
// entry, through the slot otherwise: the same code runs either way.
template <auto Direct, class Slot, class... A>
inline auto via(Slot slot, A&&... a) {
    if (slot == Direct) return Direct(std::forward<A>(a)...);
    return slot(std::forward<A>(a)...);
}

constexpr auto gas_T = &bind::entry<&CSootGas::T_c_impl, "T_c">::fn<CSootGas>;
constexpr auto gas_rho = &bind::entry<&CSootGas::rho_c_impl, "rho_c">::fn<CSootGas>;

// The gas wrapper of a model, held with its soot wrapper for the call.
struct Gas {
    Ref w, g;
    CSootGas* p;
    explicit Gas(const CSurfaceReactionsBase* m)
        : w(held_wrapper(m->soot_wrapper, "soot_gas")), g(as_wrapper(w)->held_gas("soot_gas")),
          p(reinterpret_cast<CSootGas*>(g.get())) {}
    double T() const { return via<gas_T>(p->vtab->T_c, p); }
    double rho() const { return via<gas_rho>(p->vtab->rho_c, p); }
    int index(PyObject* name) const { return p->species_index_entry(name); }
    double C(int i) const { return p->C_entry(i); }
};

// Concentration clipped at zero from below (a NaN passes).
double nonneg(double c) { return c < 0.0 ? 0.0 : c; }

// A scrub element with a bounds test: IndexError "Out of bounds on buffer access (axis 0)".
double& scrub_at(bind::DoubleBuf& w, Py_ssize_t i) {
    const Py_ssize_t n = w.size();
    const Py_ssize_t j = i < 0 ? i + n : i;
    if (j < 0 || j >= n) bind::raise(PyExc_IndexError, "Out of bounds on buffer access (axis 0)");
    return w.at(j);
}

// ------------------------------------------------------------ table entries

// The rate entries (_update_surface_growth_rate to _update_OH_oxidation_rate) return an object: their errors pass on, with a traceback entry under their name.
template <void (CFrenklachHACA::*F)(), bind::fstr Name>
Ref passing(CFrenklachHACA* s) {
    return bind::propagate(cls, Name.s, [&] { (s->*F)(); });
}

// The entries of the table, by name, for the calls that enter them straight.
using H = CFrenklachHACA;
constexpr auto e_alpha_empirical = &bind::entry<&H::alpha_empirical_impl, "alpha_empirical">::fn<H>;
constexpr auto e_alpha_ctoh_based = &bind::entry<&H::alpha_ctoh_based_impl, "alpha_ctoh_based">::fn<H>;
constexpr auto e_alpha = &bind::entry<&H::alpha_impl, "alpha">::fn<H>;
constexpr auto e_c_soot_nought = &bind::entry<&H::c_soot_nought_impl, "c_soot_nought">::fn<H>;
constexpr auto e_surface_growth_rate = &passing<&H::update_surface_growth_rate_impl, "_update_surface_growth_rate">;
constexpr auto e_C_tot_growth = &passing<&H::update_C_tot_growth_impl, "_update_C_tot_growth">;
constexpr auto e_H_tot_growth = &passing<&H::update_H_tot_growth_impl, "_update_H_tot_growth">;
constexpr auto e_O2_oxidation_rate = &passing<&H::update_O2_oxidation_rate_impl, "_update_O2_oxidation_rate">;
constexpr auto e_OH_oxidation_rate = &passing<&H::update_OH_oxidation_rate_impl, "_update_OH_oxidation_rate">;
constexpr auto e_C_tot_oxidation = &bind::entry<&H::update_C_tot_oxidation_impl, "_update_C_tot_oxidation">::fn<H>;
constexpr auto e_H_tot_oxidation = &bind::entry<&H::update_H_tot_oxidation_impl, "_update_H_tot_oxidation">::fn<H>;
constexpr auto e_w_scrub_growth = &bind::entry<&H::update_w_scrub_growth_impl, "_update_w_scrub_growth">::fn<H>;
constexpr auto e_w_scrub_oxidation =
    &bind::entry<&H::update_w_scrub_oxidation_impl, "_update_w_scrub_oxidation">::fn<H>;

}  // namespace

const CFrenklachHACAVTable CFrenklachHACA::vtable = {
    .alpha_empirical = e_alpha_empirical,
    .alpha_ctoh_based = e_alpha_ctoh_based,
    .alpha = e_alpha,
    .c_soot_nought = e_c_soot_nought,
    ._update_surface_growth_rate = e_surface_growth_rate,
    ._update_C_tot_growth = e_C_tot_growth,
    ._update_H_tot_growth = e_H_tot_growth,
    ._update_O2_oxidation_rate = e_O2_oxidation_rate,
    ._update_OH_oxidation_rate = e_OH_oxidation_rate,
    ._update_C_tot_oxidation = e_C_tot_oxidation,
    ._update_H_tot_oxidation = e_H_tot_oxidation,
    ._update_w_scrub_growth = e_w_scrub_growth,
    ._update_w_scrub_oxidation = e_w_scrub_oxidation,
};

// ----------------------------------------------------------- construction

void CFrenklachHACA::init_impl(PyObject* w) {
    CSurfaceReactionsBase::init_impl(w);
    HACA_prefactor = bind::py(1.0);
    _reset();
}

void CFrenklachHACA::_reset_impl() { CSurfaceReactionsBase::_reset_impl(); }

// ---------------------------------------------------------- alpha models

namespace {
const char* const alpha_names[] = {"constant", "empirical", "composition"};
}

Ref CFrenklachHACA::get_alpha_model() {
    if (_alpha_model < 0 || _alpha_model > 2) bind::raise(PyExc_ValueError, "Invalid alpha model type!");
    return Ref::steal(PyUnicode_FromString(alpha_names[_alpha_model]));
}

void CFrenklachHACA::set_alpha_model(PyObject* v) {
    for (int code = 0; code < 3; ++code) {
        Ref name = Ref::steal(PyUnicode_FromString(alpha_names[code]));
        int eq;
        if (PyUnicode_CheckExact(v)) {
            eq = PyUnicode_Compare(v, name.get()) == 0;
        } else {
            eq = PyObject_RichCompareBool(v, name.get(), Py_EQ);
            if (eq < 0) bind::fail();
        }
        if (eq) {
            _alpha_model = code;
            return;
        }
    }
    bind::raise(PyExc_ValueError, "Invalid alpha model!");
}

// ------------------------------------------------------------------ formulas

namespace {
using HACA = CFrenklachHACA;
double k_add_at(double T);
double k_O2_at(double T);
}  // namespace

// What one update() computes once: the rate coefficients at the step's
// temperature and, where nothing can change between their uses, the active
// sites and alpha, each at its first use.
struct CFrenklachHACA::Step {
    struct Rates {
        double k_add, k_O2;  // m3/(mol s): C2H2 addition, O2 attack
    };
    Kept<double, Rates> rates;  // for the temperature
    std::optional<double> c0, alpha;
    const Rates& at(double T) {
        return rates.of(T, [T] { return Rates{k_add_at(T), k_O2_at(T)}; });
    }
    template <class F>
    double kept(std::optional<double>& v, F f) {
        if (!v) v = f();
        return *v;
    }
};

namespace {

// Fraction of reactive sites from temperature and the carbon atoms of a primary
// particle, d_p3 the cube of its diameter.
double alpha_empirical_at(double d_p3, double T) {
    const double n_C = d_p3 * (constants.Pi_const * constants.rho_soot_const / 6.0) * constants.Av_const / constants.MW_carbon_const;
    const double a = std::tanh((12.65 - 0.00563 * T) / std::log10(n_C) - 1.38 + 0.00068 * T);
    return bind::pymax(bind::pymin(a, 1.0), 0.0);
}
double alpha_ctoh_at(double HtoC) { return bind::pymax(bind::pymin(HtoC, 1.0), 0.0); }

// Surface rate coefficients, m3/(mol s): C2H2 addition and O2 attack.
double k_add_at(double T) { return 80 * std::pow(T, 1.56) * std::exp(-1912.43 / T); }
double k_O2_at(double T) { return 2.2e6 * std::exp(-3774.53 / T); }

// Steady-state fraction of radical sites from the clipped concentrations; false
// where no reaction runs at all.
bool radical_fraction(double H, double OH, double H2, double H2O, double C2H2, double O2, double T, double k4,
                      double k5, double& f) {
    const double k1f = 4.17e7 * std::exp(-6542.52 / T);                      // H abstraction by H
    const double k1r = 3.9e6 * std::exp(-5535.98 / T);
    const double k2f = 1e4 * std::pow(T, 0.734) * std::exp(-719.68 / T);    // H abstraction by OH
    const double k2r = 368 * std::pow(T, 1.139) * std::exp(-8605.94 / T);
    const double k3 = 2e7;                                                   // H addition to a radical site
    const double num = k1f * H + k2f * OH;
    const double den = k2r * H2O + k1r * H2 + k3 * H + k4 * C2H2 + k5 * O2 + k1f * H + k2f * OH;
    if (den == 0.0) return false;
    f = bind::pymax(bind::pymin(num / den, 1.0), 0.0);
    return true;
}

double sites(double rho, double A_tot, double f) { return rho * (A_tot / constants.Av_const) * (2.3e19 * f); }

// O2 and OH attack only soot with hydrogen left.
bool oxidizes(const HACA* m) { return !(m->HtoC <= 0.1); }

const bind::Name* const sp_names[] = {&n_H, &n_OH, &n_H2, &n_H2O, &n_C2H2, &n_O2, &n_CO};

// A step's inputs read through the tables: the gas wrapper opened at the first
// read (as each entry opens it), its entries, the interpreter's division; alpha
// and the active sites by their entries, kept within one update() where the
// step allows it.
struct Checked {
    static constexpr bool plain = false;
    HACA* m;
    std::optional<Gas> gas_;
    explicit Checked(HACA* m) : m(m) {}
    Gas& gas() {
        if (!gas_) gas_.emplace(m);
        return *gas_;
    }
    int index(int s) { return gas().index(*sp_names[s]); }
    double C(int i) { return gas().C(i); }
    double T() { return gas().T(); }
    double rho() { return gas().rho(); }
    static double div(double a, double b) { return bind::fdiv(a, b); }
    static void nonzero(double T) {
        if (T == 0.0) bind::raise(PyExc_ZeroDivisionError, "float division");
    }
    double k_add(double T) { return m->step_ ? m->step_->at(T).k_add : k_add_at(T); }
    double k_O2(double T) { return m->step_ ? m->step_->at(T).k_O2 : k_O2_at(T); }
    double alpha_entry() { return via<e_alpha>(m->vtab->alpha, m); }
    double c0_entry() { return via<e_c_soot_nought>(m->vtab->c_soot_nought, m); }
    double alpha() {
        return m->step_ ? m->step_->kept(m->step_->alpha, [&] { return alpha_entry(); }) : alpha_entry();
    }
    double c0() { return m->step_ ? m->step_->kept(m->step_->c0, [&] { return c0_entry(); }) : c0_entry(); }
    double alpha_empirical() { return via<e_alpha_empirical>(m->vtab->alpha_empirical, m); }
    double alpha_ctoh_based() { return via<e_alpha_ctoh_based>(m->vtab->alpha_ctoh_based, m); }
    // Any prefactor object that multiplies with floats, left to right as the interpreter does.
    double python_growth(double k_add, double C2H2) {
        Ref pf = m->HACA_prefactor.hold();
        Ref r = Ref::steal(PyNumber_Multiply(pf.get(), bind::py(alpha_entry()).get()));
        r = Ref::steal(PyNumber_Multiply(r.get(), bind::py(k_add).get()));
        r = Ref::steal(PyNumber_Multiply(r.get(), bind::py(C2H2).get()));
        r = Ref::steal(PyNumber_Multiply(r.get(), bind::py(c0_entry()).get()));
        return bind::as_double(r.get());
    }
};

// The same inputs with the fields read in place, for the plain route (which has
// checked that no read can fail and no divisor is zero).
struct Plain {
    static constexpr bool plain = true;
    HACA* m;
    const CSootGas* g;
    const int* ids;
    HACA::Step& st;
    double T_, rho_;
    int index(int s) const { return ids[s]; }
    double C(int i) const { return g->C_plain(i); }
    double T() const { return T_; }
    double rho() const { return rho_; }
    static double div(double a, double b) { return a / b; }
    static void nonzero(double) {}
    double k_add(double) const { return st.rates.value().k_add; }  // filled for the step's temperature
    double k_O2(double) const { return st.rates.value().k_O2; }
    double alpha();
    double c0();
    double alpha_empirical() const { return alpha_empirical_at(d_p_cubed(m->soot_wrapper.o, m->d_p), T_); }
    double alpha_ctoh_based() const { return alpha_ctoh_at(m->HtoC); }
};

template <class A>
double alpha_of(const HACA* m, A& a) {
    switch (m->_alpha_model) {
        case 0: return m->alpha_constant;
        case 1: return a.alpha_empirical();
        case 2: return a.alpha_ctoh_based();
        default: return 0.0;
    }
}

// Active surface sites, mol/m3.
template <class A>
[[gnu::always_inline]] inline double c_soot_nought_of(const HACA* m, A& a) {
    const int i_H = a.index(HACA::sp_H), i_OH = a.index(HACA::sp_OH), i_H2 = a.index(HACA::sp_H2),
              i_H2O = a.index(HACA::sp_H2O), i_C2H2 = a.index(HACA::sp_C2H2), i_O2 = a.index(HACA::sp_O2);
    const double H = nonneg(a.C(i_H)), OH = nonneg(a.C(i_OH)), H2 = nonneg(a.C(i_H2)), H2O = nonneg(a.C(i_H2O)),
                 C2H2 = nonneg(a.C(i_C2H2)), O2 = nonneg(a.C(i_O2));
    const double T = a.T();
    double f;
    if (!radical_fraction(H, OH, H2, H2O, C2H2, O2, T, a.k_add(T), a.k_O2(T), f)) return 0.0;
    return sites(a.rho(), m->A_tot, f);
}

[[gnu::always_inline]] inline double Plain::alpha() {
    return st.kept(st.alpha, [&] { return alpha_of(m, *this); });
}
[[gnu::always_inline]] inline double Plain::c0() {
    return st.kept(st.c0, [&] { return c_soot_nought_of(m, *this); });
}

// The bodies of the seven update entries, each storing its field.
template <class A>
void surface_growth_rate_of(HACA* m, A& a) {
    const double T = a.T();
    const double k_add = a.k_add(T);
    const double C2H2 = a.C(a.index(HACA::sp_C2H2));
    if constexpr (!A::plain) {
        if (!PyFloat_CheckExact(m->HACA_prefactor.get())) {
            m->_surface_growth_rate = a.python_growth(k_add, C2H2);
            return;
        }
    }
    const double p = PyFloat_AS_DOUBLE(m->HACA_prefactor.get());
    const double al = a.alpha();
    const double c0 = a.c0();
    m->_surface_growth_rate = p * al * k_add * C2H2 * c0;
}

// Two carbon atoms per acetylene, and a quarter hydrogen atom stays in the soot.
template <class A>
void C_tot_growth_of(HACA* m, A& a) {
    m->_C_tot_growth = a.div(2.0 * m->_surface_growth_rate, a.rho());
}
template <class A>
void H_tot_growth_of(HACA* m, A& a) {
    m->_H_tot_growth = a.div(0.25 * m->_surface_growth_rate, a.rho());
}

template <class A>
void O2_oxidation_rate_of(HACA* m, A& a) {
    if (!oxidizes(m)) {
        m->_O2_oxidation_rate = 0.0;
        return;
    }
    const double O2 = nonneg(a.C(a.index(HACA::sp_O2)));
    const double T = a.T();
    a.nonzero(T);
    const double c0 = a.c0();
    m->_O2_oxidation_rate = c0 * (a.alpha() * a.k_O2(T) * O2);
}

template <class A>
void OH_oxidation_rate_of(HACA* m, A& a) {
    if (!oxidizes(m)) {
        m->_OH_oxidation_rate = 0.0;
        return;
    }
    m->_OH_oxidation_rate = 0.13 * nonneg(a.C(a.index(HACA::sp_OH))) * m->c_soot_agg;
}

// Two carbon atoms leave per O2 event and one per OH event, per kg of gas as
// the growth totals are.
template <class A>
double C_tot_oxidation_of(HACA* m, A& a) {
    const double rho = a.rho();
    m->_C_tot_oxidation = 0.0;  // what a zero density leaves, not the last step's value
    m->_C_tot_oxidation = a.div(-2.0 * m->_O2_oxidation_rate - m->_OH_oxidation_rate, rho);
    return m->_C_tot_oxidation;
}

template <class A>
void H_tot_oxidation_of(HACA* m, A&) {
    m->_H_tot_oxidation = 0.0;
}

// update(): growth, then oxidation, each where its switch is on. `R` enters
// the bodies: through the table, or straight on the plain route.
using VT = CFrenklachHACAVTable;

template <class R>
void update_steps(R& r) {
    if (r.growth_on()) {
        r.template run<&VT::_update_surface_growth_rate, e_surface_growth_rate, surface_growth_rate_of<Plain>>();
        r.template run<&VT::_update_C_tot_growth, e_C_tot_growth, C_tot_growth_of<Plain>>();
        r.template run<&VT::_update_H_tot_growth, e_H_tot_growth, H_tot_growth_of<Plain>>();
    }
    if (r.oxidation_on()) {
        r.template run<&VT::_update_O2_oxidation_rate, e_O2_oxidation_rate, O2_oxidation_rate_of<Plain>>();
        r.template run<&VT::_update_OH_oxidation_rate, e_OH_oxidation_rate, OH_oxidation_rate_of<Plain>>();
        r.template run<&VT::_update_C_tot_oxidation, e_C_tot_oxidation, C_tot_oxidation_of<Plain>>();
        r.template run<&VT::_update_H_tot_oxidation, e_H_tot_oxidation, H_tot_oxidation_of<Plain>>();
    }
}

// The checked route enters the table; the plain one runs the bodies on its reads.
struct CheckedRoute {
    HACA* m;
    bool growth_on() { return m->growth_on(); }
    bool oxidation_on() { return m->oxidation_on(); }
    template <auto Slot, auto Entry, auto>
    void run() {
        via<Entry>(m->vtab->*Slot, m);
    }
};
struct PlainRoute : Plain {
    bool grow, oxid;
    bool growth_on() const { return grow; }
    bool oxidation_on() const { return oxid; }
    template <auto, auto, auto Body>
    void run() {
        Body(m, static_cast<Plain&>(*this));
    }
};

// ------------------------------------------------------------------ scrubs

// One species' share of a reaction: moles per mole of reaction events (taken
// from the gas where negative).
struct Row {
    int sp;
    double per;
};
// C2H2 addition takes the acetylene and gives back its two hydrogen atoms, less
// the quarter that stays in the soot, as H.
constexpr Row growth_rows[] = {{HACA::sp_C2H2, -1.0}, {HACA::sp_H, 1.75}};
// O2 takes two carbon atoms as two CO; OH takes one as CO and leaves its H atom.
// The zero rows are kept: they carry a NaN rate into the gas.
constexpr Row O2_rows[] = {{HACA::sp_CO, 2.0}, {HACA::sp_H2, 0.0}, {HACA::sp_H, 0.0}, {HACA::sp_O2, -1.0}};
constexpr Row OH_rows[] = {{HACA::sp_CO, 1.0}, {HACA::sp_H2, 0.0}, {HACA::sp_OH, -1.0}, {HACA::sp_H, 1.0}};
// The species of each scrub in the order their indices are looked up.
constexpr int growth_species[] = {HACA::sp_C2H2, HACA::sp_H};
constexpr int oxidation_species[] = {HACA::sp_CO, HACA::sp_H2, HACA::sp_O2, HACA::sp_OH, HACA::sp_H};

// A row's share at rate r added to x, its factor known at compile time: a
// share taken is a subtraction, so a NaN rate gives the same bits on every route.
template <double Per>
inline void add_share(double& x, double r) {
    if constexpr (Per == 1.0) x += r;
    else if constexpr (Per == -1.0) x -= r;
    else x += Per * r;
}

// For each row of `Rows` in order, `write(species, add)`, where add(x) adds the
// row's share at rate r to the element x.
template <const auto& Rows, class Write>
inline void for_rows(double r, Write write) {
    [&]<size_t... I>(std::index_sequence<I...>) {
        (write(Rows[I].sp, [r](double& x) { add_share<Rows[I].per>(x, r); }), ...);
    }(std::make_index_sequence<std::size(Rows)>{});
}

// The rows added to the elements at[species] (the plain route: every element inside the array).
template <const auto& Rows>
inline void add_rows(double* const* at, double r) {
    for_rows<Rows>(r, [&](int s, auto add) { add(*at[s]); });
}

// The same through bounds-checked writes at the rows' indices: with `Each`, a
// failed write is reported under that entry and the next one made; without, the
// first failure ends the writes (the entry reports it).
template <const auto& Rows, bind::fstr Each = "">
void add_rows_checked(bind::DoubleBuf& w, const int* ids, double r) {
    for_rows<Rows>(r, [&](int s, auto add) {
        if constexpr (Each.s[0] != 0) bind::report_unraisable<void>(cls, Each.s, [&] { add(scrub_at(w, ids[s])); });
        else add(scrub_at(w, ids[s]));
    });
}

template <const auto& Species>
void look_up(Checked& a, int* ids) {
    for (int s : Species) ids[s] = a.index(s);
}

// The writes of update_w_scrub on the plain route into the elements at[species]:
// false, before any write, where one of them is outside the array.
bool plain_scrub(const HACA* m, double* const* at, bool grow, bool oxid) {
    auto inside = [&](const auto& species) {
        for (int s : species)
            if (!at[s]) return false;
        return true;
    };
    if ((grow && !inside(growth_species)) || (oxid && !inside(oxidation_species))) return false;
    if (grow) add_rows<growth_rows>(at, m->_surface_growth_rate);
    if (oxid) {
        const double r_O2 = m->_O2_oxidation_rate, r_OH = m->_OH_oxidation_rate;
        add_rows<O2_rows>(at, r_O2);
        add_rows<OH_rows>(at, r_OH);
    }
    return true;
}

// The species each step needs, as a mask of slots.
template <const auto& Species>
constexpr unsigned mask_of() {
    unsigned b = 0;
    for (int s : Species) b |= 1u << s;
    return b;
}
constexpr unsigned update_needs = (1u << HACA::sp_CO) - 1;  // every species but CO

}  // namespace

// ------------------------------------------------------------ entry bodies

double CFrenklachHACA::alpha_empirical_impl() {
    return alpha_empirical_at(d_p_cubed(soot_wrapper.o, d_p), Gas(this).T());
}
double CFrenklachHACA::alpha_ctoh_based_impl() { return alpha_ctoh_at(HtoC); }
double CFrenklachHACA::alpha_impl() {
    Checked a(this);
    return alpha_of(this, a);
}
double CFrenklachHACA::c_soot_nought_impl() {
    Checked a(this);
    return c_soot_nought_of(this, a);
}

#define HACA_CHECKED_BODY(R, impl, body) \
    R CFrenklachHACA::impl() {           \
        Checked a(this);                 \
        return body(this, a);            \
    }
HACA_CHECKED_BODY(void, update_surface_growth_rate_impl, surface_growth_rate_of)
HACA_CHECKED_BODY(void, update_C_tot_growth_impl, C_tot_growth_of)
HACA_CHECKED_BODY(void, update_H_tot_growth_impl, H_tot_growth_of)
HACA_CHECKED_BODY(void, update_O2_oxidation_rate_impl, O2_oxidation_rate_of)
HACA_CHECKED_BODY(void, update_OH_oxidation_rate_impl, OH_oxidation_rate_of)
HACA_CHECKED_BODY(double, update_C_tot_oxidation_impl, C_tot_oxidation_of)
HACA_CHECKED_BODY(void, update_H_tot_oxidation_impl, H_tot_oxidation_of)
#undef HACA_CHECKED_BODY

void CFrenklachHACA::update_w_scrub_growth_impl(bind::DoubleBuf& w) {
    Checked a(this);
    int ids[n_sp];
    look_up<growth_species>(a, ids);
    add_rows_checked<growth_rows>(w, ids, _surface_growth_rate);
}

// An index outside the array is reported and that write skipped.
void CFrenklachHACA::update_w_scrub_oxidation_impl(bind::DoubleBuf& w) {
    Checked a(this);
    int ids[n_sp];
    look_up<oxidation_species>(a, ids);
    const double r_O2 = _O2_oxidation_rate, r_OH = _OH_oxidation_rate;
    add_rows_checked<O2_rows, "_update_w_scrub_oxidation">(w, ids, r_O2);
    add_rows_checked<OH_rows, "_update_w_scrub_oxidation">(w, ids, r_OH);
}

// ------------------------------------------------------------------ protocol

// The soot wrapper's switches. An exact instance cannot override them, and
// reading a set wrapper's field can neither fail nor run code.
bool CFrenklachHACA::growth_on() {
    if (Py_TYPE(this) == &type && soot_wrapper) return soot_wrapper.o->surface_growth_enabled;
    return surface_growth_enabled();
}
bool CFrenklachHACA::oxidation_on() {
    if (Py_TYPE(this) == &type && soot_wrapper) return soot_wrapper.o->oxidation_enabled;
    return oxidation_enabled();
}

CSootGas* CFrenklachHACA::own_plain_gas() const {
    if (Py_TYPE(this) != &type || vtab != &vtable || !soot_wrapper) return nullptr;
    CSootGas* g = soot_wrapper.o->soot_gas.o;
    return g && Py_TYPE(g) == &CSootGas::type && g->vtab == &CSootGas::vtable ? g : nullptr;
}

CSootGas* CFrenklachHACA::plain_route(unsigned needs, int (&ids)[n_sp], bool& all) {
    CSootGas* g = own_plain_gas();
    if (!g) return nullptr;
    all = sp_.find(g, {n_H, n_OH, n_H2, n_H2O, n_C2H2, n_O2, n_CO});
    if (all) {
        for (int s = 0; s < n_sp; ++s) ids[s] = sp_[s];
        return g;
    }
    for (int s = 0; s < n_sp; ++s)
        if ((needs >> s & 1) && !g->cached_species_index(*sp_names[s], ids[s])) return nullptr;
    return g;
}

bool CFrenklachHACA::plain_update() {
    int ids[n_sp];
    bool all;
    CSootGas* g = plain_route(update_needs, ids, all);
    if (!g || !PyFloat_CheckExact(HACA_prefactor.get())) return false;
    const size_t n = g->_X.size();
    for (int s = 0; s < n_sp; ++s)
        if ((update_needs >> s & 1) && (size_t)ids[s] >= n) return false;
    if (!PyFloat_CheckExact(g->_rho.get()) || g->_mean_MW == 0.0) return false;
    const double T = g->_T, rho = PyFloat_AS_DOUBLE(g->_rho.get());
    if (T == 0.0 || rho == 0.0) return false;  // the checked route raises
    Step st;
    st.at(T);
    PlainRoute r{{this, g, ids, st, T, rho}, soot_wrapper.o->surface_growth_enabled, soot_wrapper.o->oxidation_enabled};
    update_steps(r);
    return true;
}

void CFrenklachHACA::update_impl() {
    if (plain_update()) return;
    Step st;
    struct Scope {
        CFrenklachHACA* m;
        ~Scope() { m->step_ = nullptr; }
    } scope{this};
    // No Python code runs between the two uses then: nothing can change the state in between.
    const bool plain_gas = soot_wrapper && soot_wrapper.o->soot_gas && Py_TYPE(soot_wrapper.o->soot_gas.o) == &CSootGas::type;
    step_ = Py_TYPE(this) == &type && plain_gas && PyFloat_CheckExact(HACA_prefactor.get()) ? &st : nullptr;
    CheckedRoute r{this};
    update_steps(r);
}

void CFrenklachHACA::update_w_scrub_impl(bind::DoubleBuf w_scrub) { update_w_scrub_on(w_scrub); }

bool CFrenklachHACA::plain_w_scrub(const bind::F64Span& w) {
    const CSootGas* g = own_plain_gas();
    if (!g) return false;
    const bool grow = soot_wrapper.o->surface_growth_enabled, oxid = soot_wrapper.o->oxidation_enabled;
    ScrubArray now{{}, w.data, w.n, w.stride};
    const bool stamped = g->species_dict_stamp(now.species);
    if (stamped && slots_.holds(now)) return plain_scrub(this, slots_.value().data(), grow, oxid);
    int ids[n_sp];
    bool all;
    const unsigned needs = (grow ? mask_of<growth_species>() : 0) | (oxid ? mask_of<oxidation_species>() : 0);
    if (!plain_route(needs, ids, all)) return false;
    std::array<double*, n_sp> at{};
    for (int s = 0; s < n_sp; ++s)
        if (all || (needs >> s & 1)) at[s] = w.slot(ids[s]);
    if (all && stamped) slots_.keep(now, at);  // kept for the next step on the same array
    return plain_scrub(this, at.data(), grow, oxid);
}

void CFrenklachHACA::update_w_scrub_on(bind::DoubleBuf& w_scrub) {
    if (plain_w_scrub(w_scrub.span())) return;
    if (growth_on()) via<e_w_scrub_growth>(vtab->_update_w_scrub_growth, this, w_scrub);
    if (oxidation_on()) via<e_w_scrub_oxidation>(vtab->_update_w_scrub_oxidation, this, w_scrub);
}

// ------------------------------------------------------------------ tables

namespace {

using Self = CFrenklachHACA;
const bind::Field fields[] = {FRENKLACH_FIELDS(BIND_ROW)};
BIND_DERIVED_METHOD_TABLES(FRENKLACH_METHODS, FRENKLACH_REDEFINES)

PyGetSetDef props[] = {
    bind::prop<&CFrenklachHACA::get_alpha_model, &CFrenklachHACA::set_alpha_model, "alpha_model">(),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

bind::ClassSpec& CFrenklachHACA::spec() {
    static bind::ClassSpec s = bind::define<CFrenklachHACA>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .props = props,
        .init = bind::Init<&CFrenklachHACA::init_impl, "soot_wrapper">::init,
        .vtable = &vtable,
        .vtable_size = sizeof vtable,
        .checksums = {0x2bc7cd7, 0x616acae, 0x08d0ea8},
    });
    return s;
}

// ------------------------------------------------ the particle model's calls

namespace {
CSurfaceReactionsBase* as_model(PyObject* m) {
    return PyObject_TypeCheck(m, &CSurfaceReactionsBase::type) ? reinterpret_cast<CSurfaceReactionsBase*>(m)
                                                                 : nullptr;
}
}  // namespace

void surf_update_soot_vars(PyObject* model, double d_p, double d_m, double d_g, double A_tot, double m_agg,
                           double soot_MW, double c_soot_agg, double HtoC) {
    if (Py_TYPE(model) == &CFrenklachHACA::type) {  // keeps the base's body
        reinterpret_cast<CFrenklachHACA*>(model)->store_soot_vars(d_p, d_m, d_g, A_tot, m_agg, soot_MW, c_soot_agg,
                                                                  HtoC);
        return;
    }
    Ref hold = Ref::borrow(model);
    CSurfaceReactionsBase* m = as_model(model);
    if (m && !bind::Class<CSurfaceReactionsBase>::overridden(m, CSurfaceReactionsBase::MID_update_soot_vars)) {
        m->store_soot_vars(d_p, d_m, d_g, A_tot, m_agg, soot_MW, c_soot_agg, HtoC);
        return;
    }
    bind::call_method(model, n_update_soot_vars, bind::py(d_p).get(), bind::py(d_m).get(), bind::py(d_g).get(),
                      bind::py(A_tot).get(), bind::py(m_agg).get(), bind::py(soot_MW).get(),
                      bind::py(c_soot_agg).get(), bind::py(HtoC).get());
}

void surf_update(PyObject* model) {
    Ref hold = Ref::borrow(model);
    if (Py_TYPE(model) == &CFrenklachHACA::type) {
        // What the dispatch does for an exact instance: the body, failing under the method's name.
        try {
            return reinterpret_cast<CFrenklachHACA*>(model)->update_impl();
        } catch (bind::Error&) {
        } catch (...) {
            bind::set_from_cpp_exception();
        }
        bind::add_method_traceback(CFrenklachHACA::spec(), CFrenklachHACA::MID_update);
        throw bind::Error{};
    }
    if (CSurfaceReactionsBase* m = as_model(model)) return m->update();
    bind::call_method(model, n_update);
}

void surf_update_w_scrub(PyObject* model, PyObject* w_scrub, bind::DoubleBuf* view) {
    Ref hold = Ref::borrow(model);
    if (Py_IS_TYPE(model, &CFrenklachHACA::type) || PyObject_TypeCheck(model, &CFrenklachHACA::type)) {
        auto* m = reinterpret_cast<CFrenklachHACA*>(model);
        if (!bind::Class<CFrenklachHACA>::overridden(m, CFrenklachHACA::MID_update_w_scrub)) {
            try {
                if (view && view->obj() == w_scrub) m->update_w_scrub_on(*view);
                else m->update_w_scrub_impl(bind::DoubleBuf(w_scrub, "w_scrub"));
                return;
            } catch (bind::Error&) {
            } catch (...) {
                bind::set_from_cpp_exception();
            }
            bind::add_method_traceback(CFrenklachHACA::spec(), CFrenklachHACA::MID_update_w_scrub);
            throw bind::Error{};
        }
    }
    bind::call_method(model, n_update_w_scrub, w_scrub);
}

bool surf_plain_w_scrub(CSurfaceReactionsBase* model, const bind::F64Span& w) {
    if (Py_TYPE(model) != &CFrenklachHACA::type) return false;
    return static_cast<CFrenklachHACA*>(model)->plain_w_scrub(w);
}

Ref surf_total(PyObject* model, SurfTotal which) {
    Ref hold = Ref::borrow(model);
    if (CSurfaceReactionsBase* m = as_model(model)) {
        switch (which) {
            case SurfTotal::C_tot_growth: return bind::py(m->C_tot_growth());
            case SurfTotal::H_tot_growth: return bind::py(m->H_tot_growth());
            case SurfTotal::C_tot_oxidation: return bind::py(m->C_tot_oxidation());
            case SurfTotal::H_tot_oxidation: return bind::py(m->H_tot_oxidation());
        }
    }
    return bind::call_method(model, total_names[(int)which]);
}

}  // namespace pyrandel
