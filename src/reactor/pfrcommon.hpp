// What the two classic plug-flow reactors share: instance members that the
// classes set and read by name, NumPy's interp/hstack done natively when the
// module's `np` still holds NumPy's own functions, and the body of one
// evaluation (gas state, soot-model update, wall deposition, soot and
// species balances, result assembly). The reactor classes are templates'
// parameters: both declare the same field names for the shared state.
#pragma once

#include <cmath>
#include <optional>

#include "../binding/cls.hpp"
#include "../csootmodel/sootmodel.hpp"

namespace pyrandel::pfr {

using bind::Ref;

// ----------------------------------------------------------- instance members

// An attribute that the class sets and reads by name without declaring it:
// unset until assigned (reading raises AttributeError), any object, deletable.
// Kept through pickling and copying, in the state's trailing dictionary.
template <class C>
struct Member {
    const char* name;
    Ref C::*slot;
};

[[noreturn]] void no_attribute(PyObject* self, const char* name);

template <class C>
struct Members {
    static PyObject* get(PyObject* self, void* closure) {
        auto* m = static_cast<const Member<C>*>(closure);
        const Ref& r = reinterpret_cast<C*>(self)->*(m->slot);
        if (!r) {
            PyErr_Format(PyExc_AttributeError, "'%.50s' object has no attribute '%.400s'", Py_TYPE(self)->tp_name,
                         m->name);
            return nullptr;
        }
        return Ref(r).release();
    }
    static int set(PyObject* self, PyObject* v, void* closure) {
        auto* m = static_cast<const Member<C>*>(closure);
        Ref& r = reinterpret_cast<C*>(self)->*(m->slot);
        if (!v && !r) {
            PyErr_Format(PyExc_AttributeError, "'%.50s' object has no attribute '%.400s'", Py_TYPE(self)->tp_name,
                         m->name);
            return -1;
        }
        r = v ? Ref::borrow(v) : Ref();  // the old value is released last
        return 0;
    }
    static PyGetSetDef def(const Member<C>& m) {
        return PyGetSetDef{m.name, get, set, nullptr, const_cast<Member<C>*>(&m)};
    }

    static int traverse(PyObject* o, visitproc visit, void* arg) {
        if (int r = bind::Class<C>::traverse(o, visit, arg)) return r;
        for (const Member<C>& m : C::members) Py_VISIT((reinterpret_cast<C*>(o)->*(m.slot)).get());
        return 0;
    }
    static int clear(PyObject* o) {
        bind::Class<C>::clear(o);
        for (const Member<C>& m : C::members) (reinterpret_cast<C*>(o)->*(m.slot)) = Ref();
        return 0;
    }

    // The fields' state, followed by a dictionary of the instance's own
    // dictionary (if any) and the members that are set.
    static PyObject* reduce(PyObject* self, PyObject*) {
        const bind::ClassSpec& spec = C::spec();
        try {
            Ref r = Ref::steal(bind::reduce(self, spec));
            C* c = reinterpret_cast<C*>(self);
            bool any = false;
            for (const Member<C>& m : C::members) any = any || (bool)(c->*(m.slot));
            if (!any) return r.release();
            bool three = PyTuple_GET_SIZE(r.get()) == 3;
            PyObject* args = PyTuple_GET_ITEM(r.get(), 1);
            PyObject* state = three ? PyTuple_GET_ITEM(r.get(), 2) : PyTuple_GET_ITEM(args, 2);
            Py_ssize_t n = (Py_ssize_t)spec.sorted.size();
            Ref d = PyTuple_GET_SIZE(state) > n ? Ref::steal(PyDict_Copy(PyTuple_GET_ITEM(state, n)))
                                                : Ref::steal(PyDict_New());
            for (const Member<C>& m : C::members)
                if (const Ref& v = c->*(m.slot))
                    if (PyDict_SetItemString(d.get(), m.name, v.get()) < 0) bind::fail();
            Ref st = Ref::steal(PyTuple_New(n + 1));
            for (Py_ssize_t i = 0; i < n; ++i) {
                PyObject* item = PyTuple_GET_ITEM(state, i);
                Py_INCREF(item);
                PyTuple_SET_ITEM(st.get(), i, item);
            }
            PyTuple_SET_ITEM(st.get(), n, d.release());
            Ref a = bind::tuple_of({PyTuple_GET_ITEM(args, 0), PyTuple_GET_ITEM(args, 1), Py_None});
            return bind::tuple_of({PyTuple_GET_ITEM(r.get(), 0), a.get(), st.get()}).release();
        } catch (...) {
            bind::set_from_cpp_exception();
        }
        return bind::error_exit(spec.name, "__reduce__");
    }

    // Members found in the trailing dictionary go to their slots, the rest to
    // the instance dictionary as before.
    static void set_state(PyObject* self, PyObject* state) {
        const bind::ClassSpec& spec = C::spec();
        Py_ssize_t n = (Py_ssize_t)spec.sorted.size();
        if (!PyTuple_Check(state) || PyTuple_GET_SIZE(state) <= n || !PyDict_Check(PyTuple_GET_ITEM(state, n))) {
            bind::set_state(self, spec, state);
            return;
        }
        Ref d = Ref::steal(PyDict_Copy(PyTuple_GET_ITEM(state, n)));
        std::vector<std::pair<const Member<C>*, Ref>> found;
        for (const Member<C>& m : C::members) {
            PyObject* v = PyDict_GetItemString(d.get(), m.name);
            if (!v) continue;
            found.emplace_back(&m, Ref::borrow(v));
            if (PyDict_DelItemString(d.get(), m.name) < 0) bind::fail();
        }
        Ref st = Ref::steal(PyTuple_GetSlice(state, 0, n + 1));
        PyObject* old = PyTuple_GET_ITEM(st.get(), n);
        PyTuple_SET_ITEM(st.get(), n, d.release());
        Py_DECREF(old);
        bind::set_state(self, spec, st.get());
        C* c = reinterpret_cast<C*>(self);
        for (auto& [m, v] : found) c->*(m->slot) = std::move(v);
    }
    static PyObject* setstate(PyObject* self, PyObject* state) {
        try {
            set_state(self, state);
            Py_RETURN_NONE;
        } catch (...) {
            bind::set_from_cpp_exception();
        }
        return bind::error_exit(C::py_name, "__setstate__");
    }

    // The layer's copy, then the members, copied with the same memo.
    static PyObject* deepcopy(PyObject* self, PyObject* memo) {
        try {
            Ref y = Ref::steal(bind::deepcopy(self, C::spec(), memo));
            if (!PyObject_TypeCheck(y.get(), &C::type)) return y.release();
            C* src = reinterpret_cast<C*>(self);
            C* dst = reinterpret_cast<C*>(y.get());
            Ref copy = Ref::steal(PyImport_ImportModule("copy"));
            for (const Member<C>& m : C::members) {
                Ref v = src->*(m.slot);
                if (!v || dst->*(m.slot)) continue;  // a subclass's own copy set it already
                dst->*(m.slot) = Ref::steal(PyObject_CallMethod(copy.get(), "deepcopy", "OO", v.get(), memo));
            }
            return y.release();
        } catch (...) {
            bind::set_from_cpp_exception();
        }
        return bind::error_exit(C::py_name, "__deepcopy__");
    }

    static void install(bind::ClassSpec& s) {
        s.traverse = traverse;
        s.clear = clear;
        s.reduce_fn = reduce;
        s.setstate_fn = setstate;
        s.deepcopy_fn = deepcopy;
    }
};

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

public:
    explicit F64(PyObject* o, bool writable = false);
    ~F64() {
        if (ok_) PyBuffer_Release(&v_);
    }
    F64(const F64&) = delete;
    F64& operator=(const F64&) = delete;
    bool ok() const { return ok_; }
    Py_ssize_t size() const { return v_.shape[0]; }
    double& operator[](Py_ssize_t i) const {
        return *reinterpret_cast<double*>(static_cast<char*>(v_.buf) + i * v_.strides[0]);
    }
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
// `gas.net_production_rates`, an ndarray or None.
Ref gas_wdot(PyObject* gas);
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
    Ref gas = Ref::borrow(r->gas);
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
    Ref wdot = Ref::borrow(r->wdot);
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

// The call slot: `reactor(t, y)`.
template <class C>
PyObject* call_slot(PyObject* self, PyObject* args, PyObject* kw) {
    static std::vector<PyObject*> names = bind::param_names("t, y");
    PyObject* a[2];
    bind::CallScope scope;
    try {
        bind::parse_tuple_args("__call__", names, args, kw, a);
        return reinterpret_cast<C*>(self)->evaluate(a[0], a[1]).release();
    } catch (bind::Error&) {
    } catch (...) {
        bind::set_from_cpp_exception();
    }
    return bind::error_exit(C::py_name, "__call__");
}

}  // namespace pyrandel::pfr
