#include "tempflameopt.hpp"

#include "gridmarch.hpp"

namespace pyrandel {

using bind::Name;
using bind::Ref;
using namespace flame;
using C = CTempFlameSolverOpt;

BIND_TYPE_OBJECT(CTempFlameSolverOpt)

namespace {

Name n_zeros("zeros");
Name n_n_species("n_species");
Name n_shape_("shape");
Name n_mean_MW_profile("mean_molecular_weight");

Ref species_by_point_zeros(int ns, int n) {
    Ref f = bind::getattr(bind::np().get(), n_zeros);
    Ref shape = bind::tuple_of({bind::py(ns).get(), bind::py(n).get()});
    return bind::call(f.get(), shape.get());
}

// The values of a one-dimensional writable float64 buffer (None: none).
void buffer_values(PyObject* o, std::vector<double>& out) {
    Ref h = Ref::borrow(o);
    bind::DoubleBuf b(h.get(), "buffer");
    out.resize((size_t)b.size());
    for (Py_ssize_t i = 0; i < b.size(); ++i) out[(size_t)i] = b.at(i);
}

}  // namespace

// -------------------------------------------------------------- constructor

void C::init_impl(PyObject* soot_gas_, PyObject* flame_, PyObject* grid, PyObject* soot_) {
    soot_gas.set(soot_gas_);
    flame.set(flame_);
    soot.set(soot_);
    z = Ref::borrow(grid);
    {
        Ref shape = bind::getattr(Ref::borrow(grid).get(), n_shape_);
        Ref len = Ref::steal(PySequence_GetItem(shape.get(), 0));
        n_points = bind::as_int(len.get());
    }
    const Py_ssize_t n = n_points;
    // The spacing of the first point is the one to its right: two points at least.
    if (n < 2) bind::raisef(PyExc_ValueError, "the grid needs at least two points (got %zd)", n);
    {
        dz = bind::zeros(n);
        Ref zz = z.hold(), d = dz.hold();
        for (Py_ssize_t j = 1; j < n; ++j) put(d.get(), j, bind::item(zz.get(), j) - bind::item(zz.get(), j - 1), "dz");
        put(d.get(), 0, bind::item(d.get(), 1), "dz");
        // Cell widths: half the spacings on either side; the ends take their own spacing.
        dz_m = bind::zeros(n);
        Ref m = dz_m.hold();
        put(m.get(), 0, bind::item(d.get(), 0), "dz_m");
        for (Py_ssize_t j = 1; j < n - 1; ++j)
            put(m.get(), j, (bind::item(d.get(), j) + bind::item(d.get(), j + 1)) / 2.0, "dz_m");
        put(m.get(), n - 1, bind::item(d.get(), n - 1), "dz_m");
    }
    dt = 1e-5;
    n_time_steps = 9000;
    {
        Ref ns = bind::getattr(soot_gas.hold().get(), n_n_species);
        n_species = bind::as_int(ns.get());
    }
    P = 101325.0;
    {
        Ref fl = flame.hold(), zz = z.hold();
        rho = interp_profile(zz.get(), fl.get(), n_density);
        T = interp_profile(zz.get(), fl.get(), n_T);
        mu = interp_profile(zz.get(), fl.get(), n_viscosity);
        Ref mw = bind::getattr(fl.get(), n_mean_MW_profile);
        Ref kmol = bind::py((int64_t)1000);
        Ref per_mol = Ref::steal(PyNumber_TrueDivide(mw.get(), kmol.get()));
        mean_MW = interp_values(zz.get(), fl.get(), per_mol.get());
    }
    X = species_by_point_zeros(n_species, n_points);
    w_scrub = species_by_point_zeros(n_species, n_points);
    upper = bind::zeros(n - 1);
    diag = bind::zeros(n);
    lower = bind::zeros(n - 1);
    for (auto m : Fields<C>::B) this->*m = bind::zeros(n);
    floors_into_arrays(this, n);
    floors_into_inflow(this);
    under = 0.8;
    mdot_left = 0.0;
    mdot_right = 0.0;
    boundary_type_right = 0;
    k_th = 0.0;
}

// ---------------------------------------------------------------- velocity

void C::init_u_impl() {
    const Py_ssize_t n = n_points;
    u_gas = interp_profile(z.hold().get(), flame.hold().get(), n_velocity);
    u_th = bind::zeros(n);
    u = bind::zeros(n);
    FpWatch fp;
    Ref Tt = T.hold(), mm = mu.hold(), rr = rho.hold(), d = dz.hold(), th = u_th.hold();
    for (Py_ssize_t i = 1; i < n; ++i) {
        const double T1 = bind::item(Tt.get(), i), T0 = bind::item(Tt.get(), i - 1);
        const double T_f = (T1 + T0) / 2.0;
        const double mu_f = (bind::item(mm.get(), i) + bind::item(mm.get(), i - 1)) / 2.0;
        const double rho_f = (bind::item(rr.get(), i) + bind::item(rr.get(), i - 1)) / 2.0;
        const double v = NumpyDiv::div(NumpyDiv::div(-k_th * mu_f, rho_f * T_f) * (T1 - T0), bind::item(d.get(), i));
        put(th.get(), i, v, "u_th");
    }
    put(th.get(), 0, bind::item(th.get(), 1), "u_th");
    Ref ug = u_gas.hold(), uu = u.hold();
    for (Py_ssize_t i = 0; i < n; ++i) put(uu.get(), i, bind::item(ug.get(), i) + bind::item(th.get(), i), "u");
    fp.report();
}

// ---------------------------------------------------------------- marching

void C::step(long k, double dt_, Ref& scratch, std::vector<double> (&src)[4], std::vector<double>& D) {
    using Fd = Fields<C>;
    const Py_ssize_t n = n_points;
    // The particle model at every point first; the rows only read arrays.
    for (Py_ssize_t j = 0; j < n; ++j) {
        double s[4], d;
        evaluate_point(this, j, scratch, s, d);
        for (int v = 0; v < 4; ++v) bind::at(src[v], j) = s[v];
        bind::at(D, j) = d;
    }
    FpWatch fp;
    end_rows(this, n);
    for (Py_ssize_t i = 1; i < n - 1; ++i) {
        const double rho_i = elem(rho, i);
        const Row r = interior_row_div<NumpyDiv>(rho_i, elem(u, i), elem(dz, i), elem(dz, i + 1), bind::at(D, i), dt_);
        put(lower.hold().get(), i - 1, r.lower, "lower");
        put(diag.hold().get(), i, r.diag, "diag");
        put(upper.hold().get(), i, r.upper, "upper");
        for (int v = 0; v < 4; ++v) {
            const double b = NumpyDiv::div(rho_i, dt_) * elem(this->*Fd::Vn[v], i) + rho_i * bind::at(src[v], i);
            put((this->*Fd::B[v]).hold().get(), i, b, Fd::B_names[v]);
        }
    }
    fp.report();
    try {
        four_solves<NumpyDiv>(this, [](const bind::Array& f, std::vector<double>& out) {
            buffer_values(f.get(), out);
        });
    } catch (bind::Error&) {
        bind::add_traceback(bind::qualname(py_name, "solve_TDMA").c_str(), __FILE__, __LINE__);
        throw;
    }
    print_step(k);
    relax_all(this);
}

void C::solve_impl() {
    for (Py_ssize_t i = 0; i < n_species; ++i) {
        Ref row = interp_species(z.hold().get(), flame.hold().get(), i);
        Ref x = X.hold();
        require_float64(x.get(), "X");
        set_row(x.get(), i, row.get());
    }
    const Py_ssize_t n = n_points;
    points_within(T, n);
    std::vector<double> D((size_t)std::max<Py_ssize_t>(n, 0)), src[4];
    for (auto& s : src) s.assign(D.size(), 0.0);
    init_u();
    const double dt_ = dt;
    const int steps = n_time_steps;
    Ref scratch;
    for (long k = 0; k < steps; ++k) step(k, dt_, scratch, src, D);
}

void C::update_w_scrub_impl() {
    using Fd = Fields<C>;
    const Py_ssize_t n = n_points;
    Ref scratch;
    for (Py_ssize_t i = 0; i < n; ++i) {
        {
            const double Ti = elem(T, i);
            Ref col = column(X.hold().get(), i);
            CSootGas::held::update_thermo_TPX(soot_gas.get(), Ti, P, col.get());
        }
        CSootGas::held::update_transport(soot_gas.get());
        {
            double v[4];
            for (int k = 0; k < 4; ++k) v[k] = elem(this->*Fd::Vn[k], i);
            Ref m = particle_model(this);
            set_vars(m.get(), v, scratch);
        }
        {
            Ref m = particle_model(this);
            CSootModelBase::held::update(m.get());
        }
        {
            Ref m = particle_model(this);
            CMonodisperseSootModel::held::update_w_scrub(m.get());
        }
        Ref m = particle_model(this);
        if (m.get() == Py_None) none_has_no("w_scrub");
        Ref w = reinterpret_cast<CSootModelBase*>(m.get())->w_scrub.hold();
        Ref table = w_scrub.hold();
        require_float64(table.get(), "w_scrub");
        set_column(table.get(), i, w.get());
    }
}

// Thomas algorithm on the caller's buffers (left unchanged); a new array.
Ref C::solve_TDMA_impl(PyObject* a, PyObject* b, PyObject* c, PyObject* d) {
    std::vector<double> va, vb, vc, vd;
    buffer_values(a, va);
    buffer_values(b, vb);
    buffer_values(c, vc);
    buffer_values(d, vd);
    const size_t n = vd.size();
    std::vector<double> x = thomas_checked<NumpyDiv>(va, vb, vc, vd, buffer_oob);
    x.resize(n);
    return array_of(x);
}

// ------------------------------------------------------------------ tables

const CTempFlameSolverOptVTable C::vtable = {.solve_TDMA = bind::entry<&C::solve_TDMA_impl, "solve_TDMA">()};

namespace {

using Self = C;
const bind::Field fields[] = {CTFSO_FIELDS(BIND_ROW)};
BIND_METHOD_TABLES(CTFSO_METHODS)

PyGetSetDef props[] = {
    bind::prop<&C::get_grid, "grid">(),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

bind::ClassSpec& C::spec() {
    static bind::ClassSpec s = bind::define<C>({.fields = fields,
                                                .methods = methods,
                                                .bodies = bodies,
                                                .props = props,
                                                .init = bind::Init<&C::init_impl, "soot_gas, flame, grid, soot">::init,
                                                .vtable = &vtable,
                                                .vtable_size = sizeof vtable,
                                                .checksums = {0xcc606a9, 0xca0cfd7, 0xdc18d33}});
    return s;
}

}  // namespace pyrandel
