#include "pfrsoot.hpp"

#include "../gas/sootgas.hpp"
#include "../sootmodels/monodisperse.hpp"
#include "../sootwrapper/sootwrapper.hpp"

namespace pyrandel {

using bind::Ref;
using Mono = CMonodisperseSootModel;

BIND_TYPE_OBJECT(CPFRSoot)

// A missing or unreadable profile is an error of the evaluation, not a 0 K gas.
const CPFRSootVTable CPFRSoot::vtable = {
    .get_temperature_from_profile = bind::entry<&CPFRSoot::get_temperature_from_profile_impl,
                                                "get_temperature_from_profile", bind::OnError::Propagate>(),
};

double profile_temperature(PyObject* profile, double x) {
    if (profile == Py_None)
        bind::raise(PyExc_TypeError, "no temperature profile: call set_fix_temperature_profile first");
    Ref p = Ref::borrow(profile);
    return bind::interp(bind::py(x).get(), x, p.get(), "temperature_profile");
}

double CPFRSoot::get_temperature_from_profile_impl(double x) {
    Ref p = temperature_profile.hold();
    return profile_temperature(p.get(), x);
}

void CPFRSoot::init_impl(PyObject* g) {
    ReactorBase::init_impl(g);
    restime_offset = 0;
    rhou_offset = 1;
    T_offset = 2;
    Y_offset = 3;
    soot_offset = rx::soot_start(soot_gas, Y_offset);
}

void CPFRSoot::set_mdot_impl(double v) { mdot = v; }

Ref CPFRSoot::derivatives_impl(double t, bind::NDArray yarg) {
    using namespace rx;
    PyObject* y = yarg.o;
    Ref hold_y = Ref::borrow(y);
    Model m(soot_wrapper);
    Ref R = combined_dy_dz.hold();
    // The layout is checked, and kept, before any work.
    const int N = m.n_eqns();
    const int64_t oR = restime_offset, oU = rhou_offset, oT = T_offset, oY = Y_offset, oS = soot_offset;
    {
        Check c(y, R.get());
        c.offset("restime_offset", oR);
        c.offset("rhou_offset", oU);
        c.offset("T_offset", oT);
        c.block(oY, oS, N);
    }
    Gas w(soot_gas, "update_thermo_TPUY");
    rx::Layout L(y);

    z = t;
    restime = L.at(oR);
    mdot = L.at(oU);
    switch (temperature_solver) {
        case PROFILE_LENGTH: T = vtab->get_temperature_from_profile(this, z); break;
        case PROFILE_TIME: T = vtab->get_temperature_from_profile(this, restime); break;
        case ENERGY_EQUATION: T = L.at(oT); break;
        default: break;
    }
    Ref Ys = slice(y, oY, oS);
    w.update_thermo_TPUY(T, P, Ys.get());
    w.update_transport();
    set_vars_from(m.get(), y, oS);
    CSootModelBase::held::update(m.get());
    Mono::held::update_w_scrub(m.get());
    rho = bind::as_double(w.rho().get());
    {
        Ref ws = m.w_scrub(), mw = w.MW_array();
        removed_gas_mass = sum_product(ws.get(), mw.get());
    }
    phi = CSootModelBase::held::volume_fraction(m.get());
    u = L.div(oU, (1.0 - phi) * rho);
    set_entry(R.get(), oR, bind::fdiv(1.0, u));
    set_entry(R.get(), oU, removed_gas_mass);

    const double removed = removed_gas_mass, rho_u = rho * u;
    {
        Rates a(w, rates_);
        Ref ws = m.w_scrub(), mw = w.MW_array();
        F64 s(ws.get()), M(mw.get()), Y(Ys.get()), o(R.get(), true);
        const Py_ssize_t n = oS - oY;
        if (o.ok() && a.ok() && a.size() == n && same_size({&s, &M, &Y}, n)) {
            bind::FpWatch fp;
            for (Py_ssize_t i = 0; i < n; ++i) o[oY + i] = ((a[i] + s[i]) * M[i] - Y[i] * removed) / rho_u;
            fp.report();
        } else {
            Ref sum = add(a.obj(), ws.get());
            Ref num = sub(mul(sum.get(), mw.get()).get(), mul(Ys.get(), f(removed).get()).get());
            assign(R.get(), oY, oS, div(num.get(), f(rho_u).get()).get());
        }
    }
    set_entry(R.get(), oT, 0.0);

    Ref sa = soot_array.hold(), src = source_term_array.hold();
    Mono::held::fill_soot_array(m.get(), sa.get());
    Mono::held::fill_source_term_array(m.get(), src.get());
    {
        F64 S(src.get()), A(sa.get()), o(R.get(), true);
        const Py_ssize_t n = o.ok() ? o.size() - oS : -1;
        if (o.ok() && same_size({&S, &A}, n)) {
            bind::FpWatch fp;
            for (Py_ssize_t i = 0; i < n; ++i) o[oS + i] = S[i] / u - A[i] * removed / rho_u;
            fp.report();
        } else {
            Ref lhs = div(src.get(), f(u).get());
            Ref rhs = div(mul(sa.get(), f(removed).get()).get(), f(rho_u).get());
            assign(R.get(), oS, -1, sub(lhs.get(), rhs.get()).get());
        }
    }
    return R;
}

namespace {

using Self = CPFRSoot;
const bind::Field fields[] = {CPFRS_FIELDS(BIND_ROW)};
BIND_DERIVED_METHOD_TABLES(CPFRS_METHODS, CPFRS_REDEFINES)

}  // namespace

bind::ClassSpec& CPFRSoot::spec() {
    static bind::ClassSpec s = bind::define<CPFRSoot>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .init = bind::Init<&CPFRSoot::init_impl, "soot_gas">::init,
        .vtable = &vtable,
        .vtable_size = sizeof vtable,
        .checksums = {0x41f59af, 0x7a2abb1, 0x2835400},
    });
    return s;
}

}  // namespace pyrandel
