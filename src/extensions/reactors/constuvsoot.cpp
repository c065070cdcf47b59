#include "constuvsoot.hpp"

#include "../gas/sootgas.hpp"
#include "../sootmodels/monodisperse.hpp"
#include "../sootwrapper/sootwrapper.hpp"

namespace pyrandel {

using bind::Ref;
using Mono = CMonodisperseSootModel;

BIND_TYPE_OBJECT(CConstUVSoot)

void CConstUVSoot::init_impl(PyObject* g) {
    ReactorBase::init_impl(g);
    rho_offset = bind::py(0);
    T_offset = 1;
    Y_offset = 2;
    soot_offset = rx::soot_start(soot_gas, Y_offset);
    rho_n_iter = 10;
}

Ref CConstUVSoot::derivatives_impl(double t, bind::NDArray yarg) {
    using namespace rx;
    PyObject* y = yarg.o;
    Ref hold_y = Ref::borrow(y);
    Model m(soot_wrapper);
    Ref R = combined_dy_dz.hold();
    const int N = m.n_eqns();
    const int64_t oD = member_offset((PyObject*)this, rho_offset, Py_IS_TYPE(this, &type));
    const int64_t oT = T_offset, oY = Y_offset, oS = soot_offset;
    {
        Check c(y, R.get());
        c.offset("rho_offset", oD);
        c.offset("T_offset", oT);
        c.block(oY, oS, N);
    }
    Gas w(soot_gas, "update_thermo_TDUY");
    rx::Layout L(y);

    restime = t;
    const int mode = temperature_solver;
    if (mode == ENERGY_EQUATION || mode == ISOTHERMAL) T = L.at(oT);
    const double rho_mix = L.at(oD);
    Ref Ys = slice(y, oY, oS);
    Ref tail = slice(y, oS, -1);
    // Gas density and soot volume fraction, each from the other.
    for (int k = 0, n = rho_n_iter; k < n; ++k) {
        rho = bind::fdiv(rho_mix, 1.0 - phi);
        w.update_thermo_TDUY(T, rho, Ys.get());
        w.update_transport();
        Mono::held::set_vars(m.get(), tail.get());
        CSootModelBase::held::update(m.get());
        phi = CSootModelBase::held::volume_fraction(m.get());
    }
    Mono::held::update_w_scrub(m.get());
    {
        Ref ws = m.w_scrub(), mw = w.MW_array();
        removed_gas_mass = sum_product(ws.get(), mw.get());
    }
    const double removed = removed_gas_mass, r = rho;
    set_entry(R.get(), oD, (1.0 - phi) * removed);
    {
        Rates a(w, rates_);
        Ref ws = m.w_scrub(), mw = w.MW_array();
        F64 s(ws.get()), M(mw.get()), Y(Ys.get()), o(R.get(), true);
        const Py_ssize_t n = oS - oY;
        if (o.ok() && a.ok() && a.size() == n && same_size({&s, &M, &Y}, n)) {
            bind::FpWatch fp;
            for (Py_ssize_t i = 0; i < n; ++i) o[oY + i] = ((a[i] + s[i]) * M[i] - Y[i] * removed) / r;
            fp.report();
        } else {
            Ref sum = add(a.obj(), ws.get());
            Ref num = sub(mul(sum.get(), mw.get()).get(), mul(Ys.get(), f(removed).get()).get());
            assign(R.get(), oY, oS, div(num.get(), f(r).get()).get());
        }
    }
    if (mode == ENERGY_EQUATION) {
        // The internal-energy balance of the closed volume (W/kg of gas).
        Ref umol = w.u_mol_array(), wa = w.w_array(), ws = m.w_scrub();
        Ref wsum = add(wa.get(), ws.get());
        const double s = sum_product(umol.get(), wsum.get());
        const double um = bind::as_double(w.u_mass_total().get());
        const double q = -s + removed * phi * um;
        const double cv = bind::as_double(w.cv_mass().get());
        set_entry(R.get(), oT, bind::pydiv(1.0, r * cv) * q);
    } else if (mode == ISOTHERMAL) {
        set_entry(R.get(), oT, 0.0);
    }

    Ref sa = soot_array.hold(), src = source_term_array.hold();
    Mono::held::fill_soot_array(m.get(), sa.get());
    Mono::held::fill_source_term_array(m.get(), src.get());
    {
        F64 S(src.get()), A(sa.get()), o(R.get(), true);
        const Py_ssize_t n = o.ok() ? o.size() - oS : -1;
        if (o.ok() && same_size({&S, &A}, n)) {
            bind::FpWatch fp;
            for (Py_ssize_t i = 0; i < n; ++i) o[oS + i] = S[i] - A[i] * removed / r;
            fp.report();
        } else {
            Ref rhs = div(mul(sa.get(), f(removed).get()).get(), f(r).get());
            assign(R.get(), oS, -1, sub(src.get(), rhs.get()).get());
        }
    }
    return R;
}

namespace {

using Self = CConstUVSoot;
const bind::Field fields[] = {CCUV_FIELDS(BIND_ROW)};
BIND_DERIVED_METHOD_TABLES(CCUV_METHODS, CCUV_REDEFINES)

}  // namespace

bind::ClassSpec& CConstUVSoot::spec() {
    static bind::ClassSpec s = bind::define<CConstUVSoot>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .init = bind::Init<&CConstUVSoot::init_impl, "soot_gas">::init,
        .checksums = {0x77cd24d, 0xcf89bb7, 0x3695963},
    });
    return s;
}

}  // namespace pyrandel
