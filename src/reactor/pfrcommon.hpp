// What the two classic plug-flow reactors share: the body of one evaluation (gas state, soot-model update, wall deposition, soot and
// species balances, result assembly). The reactor classes are templates'
// parameters: both declare the same field names for the shared state.
#pragma once

#include <cmath>
#include <optional>

#include "../binding/cls.hpp"
#include "../binding/numpy.hpp"
#include "../csootmodel/sootmodel.hpp"

namespace pyrandel::pfr {

using bind::Ref;

// ------------------------------------------------------------------ numbers

// Python's `a ** b` on two floats where the result must be a float: a
// negative base under a fractional power gives a complex number, which
// cannot become a float; zero under a negative power is refused.
double pypow(double a, double b);

// NumPy's behaviour, as the reactors use it.
using bind::F64;
using bind::hstack;
using bind::interp;
using bind::np_pi;
using bind::np_sum_product;
using Layout = bind::StateVector;

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
    Ref tail = bind::slice(L.y, r->soot_offset, -1);
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
