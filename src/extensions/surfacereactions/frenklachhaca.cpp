#include <bit>
#include <cstdint>

#include "../../lib/constants.hpp"
#include "../../lib/lastvalue.hpp"
#include "../entries.hpp"
#include "../gas/sootgas.hpp"
#include "../sootwrapper/sootwrapper.hpp"
#include "surfacereactionsbase.hpp"

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

// Scrub write with a bounds test: IndexError "Out of bounds on buffer access (axis 0)".
void scrub_add(bind::DoubleBuf& w, Py_ssize_t i, double delta) {
    const Py_ssize_t n = w.size();
    const Py_ssize_t j = i < 0 ? i + n : i;
    if (j < 0 || j >= n) bind::raise(PyExc_IndexError, "Out of bounds on buffer access (axis 0)");
    w.at(j) += delta;
}

// The element scrub_add at row i writes, or null where it would fail.
double* slot(bind::DoubleBuf& w, Py_ssize_t i) {
    const Py_ssize_t n = w.size();
    const Py_ssize_t j = i < 0 ? i + n : i;
    return !w.is_none() && j >= 0 && j < n ? &w.at(j) : nullptr;
}

// ------------------------------------------------------------ table entries

// Entries 4 to 8 return an object: their errors pass on, with a traceback entry under their name.
template <void (CFrenklachHACA::*F)(), bind::fstr Name>
Ref passing(CFrenklachHACA* s) {
    return propagate(cls, Name.s, [&] { (s->*F)(); });
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

// Fraction of reactive sites from temperature and the carbon atoms of a primary particle.
namespace {
double alpha_empirical_at(double d_p, double T) {
    const double n_C = cube(d_p) * (k.Pi_const * k.rho_soot_const / 6.0) * k.Av_const / k.MW_carbon_const;
    const double a = std::tanh((12.65 - 0.00563 * T) / std::log10(n_C) - 1.38 + 0.00068 * T);
    return bind::pymax(bind::pymin(a, 1.0), 0.0);
}
}  // namespace

double CFrenklachHACA::alpha_empirical_impl() { return alpha_empirical_at(d_p, Gas(this).T()); }

double CFrenklachHACA::alpha_ctoh_based_impl() { return bind::pymax(bind::pymin(HtoC, 1.0), 0.0); }

double CFrenklachHACA::alpha_impl() {
    switch (_alpha_model) {
        case 0: return alpha_constant;
        case 1: return via<e_alpha_empirical>(vtab->alpha_empirical, this);
        case 2: return via<e_alpha_ctoh_based>(vtab->alpha_ctoh_based, this);
        default: return 0.0;
    }
}

// ------------------------------------------------------- active surface sites

namespace {
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

double sites(double rho, double A_tot, double f) { return rho * (A_tot / k.Av_const) * (2.3e19 * f); }
}  // namespace

double CFrenklachHACA::c_soot_nought_impl() {
    Gas gas(this);
    const int i_H = gas.index(n_H), i_OH = gas.index(n_OH), i_H2 = gas.index(n_H2), i_H2O = gas.index(n_H2O),
              i_C2H2 = gas.index(n_C2H2), i_O2 = gas.index(n_O2);
    const double H = nonneg(gas.C(i_H)), OH = nonneg(gas.C(i_OH)), H2 = nonneg(gas.C(i_H2)),
                 H2O = nonneg(gas.C(i_H2O)), C2H2 = nonneg(gas.C(i_C2H2)), O2 = nonneg(gas.C(i_O2));
    const double T = gas.T();
    double f;
    if (!radical_fraction(H, OH, H2, H2O, C2H2, O2, T, k_C2H2_addition(T), k_O2_attack(T), f)) return 0.0;
    return sites(gas.rho(), A_tot, f);
}

// ----------------------------------------------------------- surface growth

void CFrenklachHACA::update_surface_growth_rate_impl() {
    Gas gas(this);
    const double T = gas.T();
    const double k_add = k_C2H2_addition(T);
    const double C2H2 = gas.C(gas.index(n_C2H2));
    if (PyFloat_CheckExact(HACA_prefactor.get())) {
        const double p = PyFloat_AS_DOUBLE(HACA_prefactor.get());
        const double a = step_alpha();
        const double c0 = step_c_soot_nought();
        _surface_growth_rate = p * a * k_add * C2H2 * c0;
        return;
    }
    // Any object that multiplies with floats, left to right as the interpreter does.
    Ref pf = HACA_prefactor.hold();
    Ref r = Ref::steal(PyNumber_Multiply(pf.get(), bind::py(via<e_alpha>(vtab->alpha, this)).get()));
    r = Ref::steal(PyNumber_Multiply(r.get(), bind::py(k_add).get()));
    r = Ref::steal(PyNumber_Multiply(r.get(), bind::py(C2H2).get()));
    r = Ref::steal(PyNumber_Multiply(r.get(), bind::py(via<e_c_soot_nought>(vtab->c_soot_nought, this)).get()));
    _surface_growth_rate = bind::as_double(r.get());
}

// Two carbon atoms per acetylene, and a quarter hydrogen atom stays in the soot.
void CFrenklachHACA::update_C_tot_growth_impl() {
    _C_tot_growth = bind::fdiv(2.0 * _surface_growth_rate, Gas(this).rho());
}
void CFrenklachHACA::update_H_tot_growth_impl() {
    _H_tot_growth = bind::fdiv(0.25 * _surface_growth_rate, Gas(this).rho());
}

// ---------------------------------------------------------------- oxidation

void CFrenklachHACA::update_O2_oxidation_rate_impl() {
    if (HtoC <= 0.1) {
        _O2_oxidation_rate = 0.0;
        return;
    }
    Gas gas(this);
    const double O2 = nonneg(gas.C(gas.index(n_O2)));
    const double T = gas.T();
    if (T == 0.0) bind::raise(PyExc_ZeroDivisionError, "float division");
    const double c0 = step_c_soot_nought();
    _O2_oxidation_rate = c0 * (step_alpha() * k_O2_attack(T) * O2);
}

void CFrenklachHACA::update_OH_oxidation_rate_impl() {
    if (HtoC <= 0.1) {
        _OH_oxidation_rate = 0.0;
        return;
    }
    Gas gas(this);
    _OH_oxidation_rate = 0.13 * nonneg(gas.C(gas.index(n_OH))) * c_soot_agg;
}

// Two carbon atoms leave per O2 event and one per OH event, per kg of gas as
// the growth totals are.
double CFrenklachHACA::update_C_tot_oxidation_impl() {
    const double rho = Gas(this).rho();
    _C_tot_oxidation = 0.0;  // what a zero density leaves, not the last step's value
    _C_tot_oxidation = bind::fdiv(-2.0 * _O2_oxidation_rate - _OH_oxidation_rate, rho);
    return _C_tot_oxidation;
}

void CFrenklachHACA::update_H_tot_oxidation_impl() { _H_tot_oxidation = 0.0; }

// ------------------------------------------------------------------ protocol

// Surface rate coefficients, m3/(mol s); within one update() each is computed
// once for the temperature of the step.
double CFrenklachHACA::k_C2H2_addition(double T) {
    auto k = [T] { return k_add_at(T); };
    if (!step_) return k();
    if (!step_->have_k_add || std::bit_cast<uint64_t>(step_->T_k_add) != std::bit_cast<uint64_t>(T)) {
        step_->k_add = k();
        step_->T_k_add = T;
        step_->have_k_add = true;
    }
    return step_->k_add;
}

double CFrenklachHACA::k_O2_attack(double T) {
    auto k = [T] { return k_O2_at(T); };
    if (!step_) return k();
    if (!step_->have_k_O2 || std::bit_cast<uint64_t>(step_->T_k_O2) != std::bit_cast<uint64_t>(T)) {
        step_->k_O2 = k();
        step_->T_k_O2 = T;
        step_->have_k_O2 = true;
    }
    return step_->k_O2;
}

double CFrenklachHACA::step_c_soot_nought() {
    if (!step_) return via<e_c_soot_nought>(vtab->c_soot_nought, this);
    if (!step_->have_c0) {
        step_->c0 = via<e_c_soot_nought>(vtab->c_soot_nought, this);
        step_->have_c0 = true;
    }
    return step_->c0;
}

double CFrenklachHACA::step_alpha() {
    if (!step_) return via<e_alpha>(vtab->alpha, this);
    if (!step_->have_alpha) {
        step_->alpha = via<e_alpha>(vtab->alpha, this);
        step_->have_alpha = true;
    }
    return step_->alpha;
}

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

// The seven species' indices from the gas wrapper's cache, kept between steps.
bool CFrenklachHACA::species_ids(CSootGas* g) {
    return sp_.find(g, {n_H, n_OH, n_H2, n_H2O, n_C2H2, n_O2, n_CO});
}

bool CFrenklachHACA::fused_update(CSootGas* g) {
    if (!PyFloat_CheckExact(HACA_prefactor.get())) return false;
    const bool grow = soot_wrapper.o->surface_growth_enabled, oxid = soot_wrapper.o->oxidation_enabled;
    int i_H, i_OH, i_H2, i_H2O, i_C2H2, i_O2;
    if (species_ids(g)) {
        i_H = sp_[sp_H], i_OH = sp_[sp_OH], i_H2 = sp_[sp_H2], i_H2O = sp_[sp_H2O], i_C2H2 = sp_[sp_C2H2],
        i_O2 = sp_[sp_O2];
    } else if (!(g->cached_species_index(n_H, i_H) && g->cached_species_index(n_OH, i_OH) &&
                 g->cached_species_index(n_H2, i_H2) && g->cached_species_index(n_H2O, i_H2O) &&
                 g->cached_species_index(n_C2H2, i_C2H2) && g->cached_species_index(n_O2, i_O2))) {
        return false;
    }
    const size_t n = g->_X.size();
    if ((size_t)i_H >= n || (size_t)i_OH >= n || (size_t)i_H2 >= n || (size_t)i_H2O >= n || (size_t)i_C2H2 >= n ||
        (size_t)i_O2 >= n || !PyFloat_CheckExact(g->_rho.get()) || g->_mean_MW == 0.0)
        return false;
    const double T = g->_T, rho = PyFloat_AS_DOUBLE(g->_rho.get());
    if (T == 0.0 || rho == 0.0) return false;  // the general way raises

    const bool ox_rates = oxid && !(HtoC <= 0.1);
    // Read once: the stores below go to this model's fields, never to the gas wrapper's.
    const double C_OH = g->C_plain(i_OH), C_C2H2 = g->C_plain(i_C2H2), C_O2 = g->C_plain(i_O2);
    double a = 0.0, c0 = 0.0, k4 = 0.0, k5 = 0.0;
    if (grow || ox_rates) {
        switch (_alpha_model) {
            case 0: a = alpha_constant; break;
            case 1: a = alpha_empirical_at(d_p, T); break;
            case 2: a = bind::pymax(bind::pymin(HtoC, 1.0), 0.0); break;
            default: break;
        }
        k4 = k_add_at(T);
        k5 = k_O2_at(T);
        double f;
        if (radical_fraction(nonneg(g->C_plain(i_H)), nonneg(C_OH), nonneg(g->C_plain(i_H2)),
                             nonneg(g->C_plain(i_H2O)), nonneg(C_C2H2), nonneg(C_O2), T, k4, k5, f))
            c0 = sites(rho, A_tot, f);
    }
    if (grow) {
        const double r = PyFloat_AS_DOUBLE(HACA_prefactor.get()) * a * k4 * C_C2H2 * c0;
        _surface_growth_rate = r;
        _C_tot_growth = 2.0 * r / rho;
        _H_tot_growth = 0.25 * r / rho;
    }
    if (oxid) {
        const double r_O2 = ox_rates ? c0 * (a * k5 * nonneg(C_O2)) : 0.0;
        const double r_OH = ox_rates ? 0.13 * nonneg(C_OH) * c_soot_agg : 0.0;
        _O2_oxidation_rate = r_O2;
        _OH_oxidation_rate = r_OH;
        _C_tot_oxidation = (-2.0 * r_O2 - r_OH) / rho;
        _H_tot_oxidation = 0.0;
    }
    return true;
}

void CFrenklachHACA::update_impl() {
    if (CSootGas* g = own_plain_gas(); g && fused_update(g)) return;
    Step st;
    struct Scope {
        CFrenklachHACA* m;
        ~Scope() { m->step_ = nullptr; }
    } scope{this};
    // No Python code runs between the two uses then: nothing can change the state in between.
    const bool plain_gas = soot_wrapper && soot_wrapper.o->soot_gas && Py_TYPE(soot_wrapper.o->soot_gas.o) == &CSootGas::type;
    step_ = Py_TYPE(this) == &type && plain_gas && PyFloat_CheckExact(HACA_prefactor.get()) ? &st : nullptr;
    if (growth_on()) {
        via<e_surface_growth_rate>(vtab->_update_surface_growth_rate, this);
        via<e_C_tot_growth>(vtab->_update_C_tot_growth, this);
        via<e_H_tot_growth>(vtab->_update_H_tot_growth, this);
    }
    if (oxidation_on()) {
        via<e_O2_oxidation_rate>(vtab->_update_O2_oxidation_rate, this);
        via<e_OH_oxidation_rate>(vtab->_update_OH_oxidation_rate, this);
        via<e_C_tot_oxidation>(vtab->_update_C_tot_oxidation, this);
        via<e_H_tot_oxidation>(vtab->_update_H_tot_oxidation, this);
    }
}

void CFrenklachHACA::update_w_scrub_growth_impl(bind::DoubleBuf& w) {
    Gas gas(this);
    const int i_C2H2 = gas.index(n_C2H2), i_H = gas.index(n_H);
    const double r = _surface_growth_rate;
    scrub_add(w, i_C2H2, -r);
    // The two hydrogen atoms of each acetylene, less the quarter that stays in the soot.
    scrub_add(w, i_H, 1.75 * r);
}

// O2 takes two carbon atoms as two CO; OH takes one as CO and leaves its H atom.
// An index outside the array is reported and that write skipped.
void CFrenklachHACA::update_w_scrub_oxidation_impl(bind::DoubleBuf& w) {
    Gas gas(this);
    const int i_CO = gas.index(n_CO), i_H2 = gas.index(n_H2), i_O2 = gas.index(n_O2), i_OH = gas.index(n_OH),
              i_H = gas.index(n_H);
    const double r_O2 = _O2_oxidation_rate, r_OH = _OH_oxidation_rate;
    double *CO = slot(w, i_CO), *H2 = slot(w, i_H2), *O2 = slot(w, i_O2), *OH = slot(w, i_OH), *H = slot(w, i_H);
    if (CO && H2 && O2 && OH && H) {
        // No write can fail: the same additions, in the same order, without a report to prepare.
        *CO += 2.0 * r_O2;
        *H2 += 0.0 * r_O2;
        *H += 0.0 * r_O2;
        *O2 += -r_O2;
        *CO += r_OH;
        *H2 += 0.0 * r_OH;
        *OH += -r_OH;
        *H += r_OH;
        return;
    }
    auto add = [&](int i, double d) {
        report_unraisable<void>(cls, "_update_w_scrub_oxidation", [&] { scrub_add(w, i, d); });
    };
    add(i_CO, 2.0 * r_O2);
    add(i_H2, 0.0 * r_O2);
    add(i_H, 0.0 * r_O2);
    add(i_O2, -r_O2);
    add(i_CO, r_OH);
    add(i_H2, 0.0 * r_OH);
    add(i_OH, -r_OH);
    add(i_H, r_OH);
}

void CFrenklachHACA::update_w_scrub_impl(bind::DoubleBuf w_scrub) { update_w_scrub_on(w_scrub); }

namespace {

// The elements the fused scrub writes add to (those of the switched-off process unused).
struct HACASlots {
    double *C2H2 = nullptr, *H = nullptr, *CO = nullptr, *H2 = nullptr, *O2 = nullptr, *OH = nullptr;
};

// The writes of the two scrub entries, in their order.
inline void fused_w_scrub_writes(const CFrenklachHACA* m, bool grow, bool oxid, const HACASlots& p) {
    if (grow) {
        const double r = m->_surface_growth_rate;
        *p.C2H2 += -r;
        *p.H += 1.75 * r;
    }
    if (oxid) {
        const double r_O2 = m->_O2_oxidation_rate, r_OH = m->_OH_oxidation_rate;
        *p.CO += 2.0 * r_O2;
        *p.H2 += 0.0 * r_O2;
        *p.H += 0.0 * r_O2;
        *p.O2 += -r_O2;
        *p.CO += r_OH;
        *p.H2 += 0.0 * r_OH;
        *p.OH += -r_OH;
        *p.H += r_OH;
    }
}

// The fused scrub writes of an exact instance on its own gas wrapper, `slot_of(i)`
// the element of row i or null where the write would fail: false, before any
// write, where one would.
template <class At>
inline bool fused_w_scrub_at(CFrenklachHACA* m, CSootGas* g, At slot_of) {
    const CSootWrapper* sw = m->soot_wrapper.o;
    const bool grow = sw->surface_growth_enabled, oxid = sw->oxidation_enabled;
    HACASlots p;
    if (m->species_ids(g)) {
        auto at = [&](int s, double*& e) { return (e = slot_of(m->sp_[s])) != nullptr; };
        if (!at(CFrenklachHACA::sp_H, p.H)) return false;
        if (grow && !at(CFrenklachHACA::sp_C2H2, p.C2H2)) return false;
        if (oxid && !(at(CFrenklachHACA::sp_CO, p.CO) && at(CFrenklachHACA::sp_H2, p.H2) &&
                      at(CFrenklachHACA::sp_O2, p.O2) && at(CFrenklachHACA::sp_OH, p.OH)))
            return false;
    } else {
        int i;
        auto at = [&](PyObject* name, double*& e) { return g->cached_species_index(name, i) && (e = slot_of(i)); };
        if (!at(n_H, p.H)) return false;
        if (grow && !at(n_C2H2, p.C2H2)) return false;
        if (oxid && !(at(n_CO, p.CO) && at(n_H2, p.H2) && at(n_O2, p.O2) && at(n_OH, p.OH))) return false;
    }
    fused_w_scrub_writes(m, grow, oxid, p);
    return true;
}

// The elements of the seven species in a plain array, null outside it, as the
// indices of species_ids give them: kept for the species dictionary at the
// version and the array memory they were found for (an unchanged dictionary
// gives the same indices, the same memory the same elements).
struct PlainSlots {
    const void* dict = nullptr;
    uint64_t version = 0;
    const char* data = nullptr;
    Py_ssize_t n = -1, stride = 0;
    double* at[CFrenklachHACA::n_sp] = {};
    // H's element inside the array; those growth and oxidation add to as well.
    bool H_in = false, growth_in = false, oxidation_in = false;
} plain_slots;

}  // namespace

bool CFrenklachHACA::fused_w_scrub(CSootGas* g, bind::DoubleBuf& w) {
    return fused_w_scrub_at(this, g, [&](Py_ssize_t i) { return slot(w, i); });
}

void CFrenklachHACA::update_w_scrub_on(bind::DoubleBuf& w_scrub) {
    if (CSootGas* g = own_plain_gas(); g && fused_w_scrub(g, w_scrub)) return;
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
    auto* m = static_cast<CFrenklachHACA*>(model);
    CSootGas* g = m->own_plain_gas();
    if (!g) return false;
    auto slot_of = [&](Py_ssize_t i) { return w.slot(i); };
    PlainSlots& k = plain_slots;
    const void* d;
    uint64_t v;
    if (!g->species_dict_stamp(d, v)) return fused_w_scrub_at(m, g, slot_of);
    if (d != k.dict || v != k.version || w.data != k.data || w.n != k.n || w.stride != k.stride) {
        if (!m->species_ids(g)) return fused_w_scrub_at(m, g, slot_of);
        for (int s = 0; s < CFrenklachHACA::n_sp; ++s) k.at[s] = slot_of(m->sp_[s]);
        k.dict = d, k.version = v, k.data = w.data, k.n = w.n, k.stride = w.stride;
        using H = CFrenklachHACA;
        k.H_in = k.at[H::sp_H];
        k.growth_in = k.at[H::sp_C2H2];
        k.oxidation_in = k.at[H::sp_CO] && k.at[H::sp_H2] && k.at[H::sp_O2] && k.at[H::sp_OH];
    }
    const CSootWrapper* sw = m->soot_wrapper.o;
    const bool grow = sw->surface_growth_enabled, oxid = sw->oxidation_enabled;
    if (!k.H_in || (grow && !k.growth_in) || (oxid && !k.oxidation_in)) return false;
    using H = CFrenklachHACA;
    const HACASlots p{.C2H2 = k.at[H::sp_C2H2], .H = k.at[H::sp_H], .CO = k.at[H::sp_CO], .H2 = k.at[H::sp_H2],
                      .O2 = k.at[H::sp_O2], .OH = k.at[H::sp_OH]};
    fused_w_scrub_writes(m, grow, oxid, p);
    return true;
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
