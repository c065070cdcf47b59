// What the two classic plug-flow reactors share: NumPy's interp/hstack done
// natively when the module's `np` still holds NumPy's own functions, and the
// body of one evaluation (gas state, soot-model update, wall deposition, soot and
// species balances, result assembly). The reactor classes are templates'
// parameters: both declare the same field names for the shared state.
#pragma once

#include <cmath>
#include <optional>

#include "../binding/cls.hpp"
#include "../csootmodel/sootmodel.hpp"

namespace pyrandel::pfr {

using bind::Ref;

// ------------------------------------------------------------------ numbers

// Python's `a ** b` on two floats where the result must be a float: a
// negative base under a fractional power gives a complex number, which
// cannot become a float; zero under a negative power is refused.
double pypow(double a, double b);

// A double as NumPy's float64 scalar.
Ref f64(double v);

// `y[a:b]` (b < 0: to the end).
Ref y_slice(PyObject* y, Py_ssize_t a, Py_ssize_t b);

// A read view of a one-dimensional native float64 buffer of an exact ndarray.
class F64 {
    Py_buffer v_{};
    bool ok_ = false;
    bool exported_ = false;  // v_ holds an export; otherwise a reference to the array in its place
    PyObject* held_ = nullptr;
    bind::F64Span s_;

public:
    explicit F64(PyObject* o, bool writable = false);
    ~F64() {
        if (exported_) PyBuffer_Release(&v_);
        Py_XDECREF(held_);
    }
    F64(const F64&) = delete;
    F64& operator=(const F64&) = delete;
    bool ok() const { return ok_; }
    Py_ssize_t size() const { return s_.n; }
    double& operator[](Py_ssize_t i) const { return s_[i]; }
};

// The state vector of one call: its length checked against the layout before
// the reactor touches anything, its entries read as floats. A float64 array
// stays exported for the call (NumPy refuses to resize it meanwhile), so its
// entries are read from the buffer at the time they are needed.
struct Layout {
    PyObject* y;
    Py_ssize_t n;
    F64 view;
    explicit Layout(PyObject* y);
    void offset(const char* name, long v) const;
    void needs(const char* what, long end) const;
    // `y[i]` as a float; `y[i] / d` (NumPy's or Python's rules for a zero d).
    double at(Py_ssize_t i) const;
    double div(Py_ssize_t i, double d) const;
};

// `np.interp(x, profile[0, :], profile[1, :])` with the module's `np`;
// natively when `np.interp` is NumPy's own and the profile a float64 array
// with increasing abscissae.
double interp(PyObject* x, double xd, PyObject* profile, const char* name);

// ---------------------------------------------------------------- soot model

// The classic soot model as the reactors use it: an exact CSootModel is
// driven through its C++ bodies (which still honour its strategies), any
// other object by attribute name.
struct Soot {
    Ref obj;
    CSootModel* cm;  // set for an exact CSootModel

    explicit Soot(PyObject* m)
        : obj(Ref::borrow(m)), cm(Py_IS_TYPE(m, &CSootModel::type) ? reinterpret_cast<CSootModel*>(m) : nullptr) {}

    double volume_fraction();
    void update_gas(PyObject* gas);
    void update_solution(PyObject* tail);
    void update_scrub_wdot();
    Ref scrub_wdot();
    double diffus_coeff();
    double d_m();
    double S(int i);
    double var(int i);  // N_agg, N_pri, C_tot, H_tot
    double Av();
    bool steady_dimer();
    bool steady_PAH();
    Ref dimer_indices();
    Ref dimer_wdot();
    Ref PAH_indices();
    Ref PAH_wdot();
};

// ------------------------------------------------------------- gas and numpy

Ref gas_attr(PyObject* gas, int which);
enum GasName {
    g_T, g_P, g_density, g_viscosity, g_mean_molecular_weight, g_X, g_molecular_weights, g_net_production_rates,
    g_partial_molar_enthalpies, g_cp, g_species_names
};
void set_composition(PyObject* gas, PyObject* Y);
void set_TP(PyObject* gas, double T, double P);
// `gas.set_unnormalized_mass_fractions(Y)`, then `gas.TP = T, P` with T read after the first call.
template <class F>
void set_gas_state(PyObject* gas, PyObject* Y, F temperature, double P) {
    set_composition(gas, Y);
    set_TP(gas, temperature(), P);
}
double gas_density(PyObject* gas);

// `np.dot(a, b)` and `np.sum(a * b)` with the module's `np`.
Ref np_dot(PyObject* a, PyObject* b);
Ref np_sum_product(PyObject* a, PyObject* b);
double np_pi();

// The result: `np.hstack((head..., Y, tail...))`. Y is an ndarray or any
// object NumPy accepts; natively when `np.hstack` is NumPy's own and Y a
// one-dimensional float64 array.
Ref hstack(std::initializer_list<double> head, PyObject* Y, std::initializer_list<double> tail);

// The results `hstack((head..., dY, tail...))` with the species derivatives
// dY = w·MW/(ρu) without soot and ((w + s)·MW − Y·m_loss)/(ρu) with soot,
// each element computed as NumPy does; written straight into the result
// when everything is a plain float64 array and `np.hstack` NumPy's own,
// otherwise through the arrays' own arithmetic and `np.hstack`.
Ref result_plain(double h0, double h1, double h2, PyObject* w, PyObject* MW, double rho_u);
Ref result_soot(double h0, double h1, double h2, PyObject* w, PyObject* s, PyObject* MW, PyObject* Y,
                PyObject* m_loss, double rho_u, const double (&tail)[4]);

// ------------------------------------------------------------ shared bodies

// The hydraulic diameter 4·area/perimeter.
template <class C>
double D_h(const C* r) {
    return bind::fdiv(4 * r->area, r->perimeter);
}

// `gas.density · u · D_h / gas.viscosity` on the objects the gas returns.
Ref reynolds_of(PyObject* gas, double u, double area, double perimeter);
// 0.0791 / re^0.25 on Python numbers.
double fanning_of(double re);

// `deposit_thickness_growth_rate` assigned by name.
extern bind::Name n_deposit_thickness_growth_rate;
template <class C>
void set_deposit_rate(C* r, double v) {
    if (Py_IS_TYPE(r, &C::type)) r->deposit_thickness_growth_rate = bind::py(v);
    else bind::setattr((PyObject*)r, n_deposit_thickness_growth_rate, bind::py(v).get());
}

// Steps shared by both reactors once the velocity is known: soot-model update,
// mass taken up by the particles, wall deposition and the four soot
// derivatives. `override_wdot` runs between the soot derivatives and the
// species balance.
struct SootStep {
    double m_loss_d;
    Ref m_loss;
    double dM[4];
};

template <class C, class Override>
Ref soot_evaluation(C* r, const Layout& L, Soot& soot, double rho, double u, double vf, double dT,
                    Ref Yslice, Override override_wdot) {
    Ref gas = r->gas.hold();
    soot.update_gas(gas.get());
    L.needs("soot_offset + 4", (long)r->soot_offset + 4);
    Ref tail = y_slice(L.y, r->soot_offset, -1);
    soot.update_solution(tail.get());
    soot.update_scrub_wdot();
    Ref m_loss;
    {
        Ref scrub = soot.scrub_wdot();
        Ref mw = gas_attr(gas.get(), g_molecular_weights);
        m_loss = np_sum_product(scrub.get(), mw.get());
    }
    const double ml = bind::as_double(m_loss.get());
    const double Dh = D_h(r);
    if (r->_enable_wall_deposition) {
        Ref mu = gas_attr(gas.get(), g_viscosity);
        double nu = PyFloat_CheckExact(mu.get()) && rho != 0.0
                        ? PyFloat_AS_DOUBLE(mu.get()) / rho
                        : bind::as_double(Ref::steal(PyNumber_TrueDivide(mu.get(), bind::py(rho).get())).get());
        double f = r->fanning_friction();
        double D = soot.diffus_coeff();
        r->k_dep = 0.042 * u * pypow(f, 0.5) * pypow(bind::fdiv(nu, D), -0.666666666667);
        double k = r->k_dep * rho;
        k = k * soot.var(0);
        k = k * soot.Av();
        k = k * np_pi() / 6;
        set_deposit_rate(r, k * pypow(soot.d_m(), 3.0));
    }
    double dM[4];
    for (int i = 0; i < 4; ++i) {
        const double S = soot.S(i);
        const double M1 = soot.var(i);
        const double M2 = soot.var(i);
        double a = S / u - M1 * ml / (rho * u);
        double wall = bind::fdiv(1.0, (1 - vf) * u) * bind::fdiv(4.0, Dh) * r->k_dep * M2;
        dM[i] = a - wall;
    }
    override_wdot();
    Ref wdot = r->wdot.hold();
    Ref scrub = soot.scrub_wdot();
    Ref mw = gas_attr(gas.get(), g_molecular_weights);
    const double mdot = (1 - vf) * ml;
    return result_soot(bind::fdiv(1.0, u), mdot, dT, wdot.get(), scrub.get(), mw.get(), Yslice.get(), m_loss.get(),
                       rho * u, dM);
}

// The velocity from the mass flux: y[k] / ((1 − vf)·ρ), stored in `u`; a zero
// velocity is refused.
template <class C>
double velocity(C* r, const Layout& y, double divisor) {
    double u = y.div(r->rho_u_vfv_offset, divisor);
    r->u = u;
    if (u == 0.0) bind::raise(PyExc_ZeroDivisionError, "float division");
    return u;
}

// `min(soot_model.volume_fraction(), 0)` as a float.
inline double vf_of(Soot& soot) { return bind::pymin(soot.volume_fraction(), 0.0); }

}  // namespace pyrandel::pfr
