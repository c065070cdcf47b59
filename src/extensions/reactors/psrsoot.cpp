#include "psrsoot.hpp"

#include "../gas/sootgas.hpp"
#include "../sootmodels/monodisperse.hpp"
#include "../sootwrapper/sootwrapper.hpp"

namespace pyrandel {

using bind::Ref;
using Mono = CMonodisperseSootModel;

BIND_TYPE_OBJECT(CPSRSoot)

void CPSRSoot::init_impl(PyObject* g) {
    ReactorBase::init_impl(g);
    rho_offset = bind::py(0);
    T_offset = 1;
    Y_offset = 2;
    soot_offset = rx::soot_start(soot_gas, Y_offset);
}

// The gas wrapper's current state and the particle model's floors become the inflow.
void CPSRSoot::set_star_impl() {
    rx::Gas w(soot_gas, "Y_array");
    Y_star = w.Y_array();
    h_star = bind::as_double(w.h_mass_total().get());
    rx::Model m(soot_wrapper);
    soot_star = Mono::held::min_array(m.get());
}

Ref CPSRSoot::derivatives_impl(double t, bind::NDArray yarg) {
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
    Gas w(soot_gas, "update_thermo_TPUY");
    rx::Layout L(y);

    restime = t;
    const int mode = temperature_solver;
    if (mode == ENERGY_EQUATION || mode == ISOTHERMAL) T = L.at(oT);
    Ref Ys = slice(y, oY, oS);
    w.update_thermo_TPUY(T, P, Ys.get());
    w.update_transport();
    rho = bind::as_double(w.rho().get());
    set_vars_from(m.get(), y, oS);
    CSootModelBase::held::update(m.get());
    Mono::held::update_w_scrub(m.get());
    {
        Ref ws = m.w_scrub(), mw = w.MW_array();
        removed_gas_mass = np_dot(ws.get(), mw.get());
    }
    phi = CSootModelBase::held::volume_fraction(m.get());
    set_entry(R.get(), oD, 0.0);

    const double tau = phy_restime;
    const double inv_tau = bind::fdiv(1.0, tau);
    const double inv_rho = bind::fdiv(1.0, rho);
    Ref Ystar = Y_star.hold();
    {
        Rates a(w, rates_);
        Ref ws = m.w_scrub(), mw = w.MW_array();
        F64 s(ws.get()), M(mw.get()), Y(Ys.get()), Y0(Ystar.get()), o(R.get(), true);
        const Py_ssize_t n = oS - oY;
        if (o.ok() && a.ok() && a.size() == n && same_size({&s, &M, &Y, &Y0}, n)) {
            bind::FpWatch fp;
            for (Py_ssize_t i = 0; i < n; ++i)
                o[oY + i] = inv_tau * (Y0[i] - Y[i]) + inv_rho * (a[i] + s[i]) * M[i];
            fp.report();
        } else {
            Ref relax = mul(f(inv_tau).get(), sub(Ystar.get(), Ys.get()).get());
            Ref prod = mul(mul(f(inv_rho).get(), add(a.obj(), ws.get()).get()).get(), mw.get());
            assign(R.get(), oY, oS, add(relax.get(), prod.get()).get());
        }
    }
    if (mode == ENERGY_EQUATION) {
        // The energy balance per kg of gas (W/kg): inflow, production and heat input.
        Ref hm = w.h_mass_total();
        const double h = bind::as_double(hm.get());
        Ref hmol = w.h_mol_array(), mw = w.MW_array();
        Ref dYs = sub(Ystar.get(), Ys.get());
        Ref hk = div(hmol.get(), mw.get());
        const double d1 = np_dot(dYs.get(), hk.get());
        Ref wa = w.w_array(), ws = m.w_scrub();
        Ref wsum = add(wa.get(), ws.get());
        const double d2 = np_dot(hmol.get(), wsum.get());
        const double q = inv_tau * (h_star - h) - inv_tau * d1 - inv_rho * d2 + bind::fdiv(Q_dot, reactor_volume * rho);
        const double cp = bind::as_double(w.cp_mass().get());
        set_entry(R.get(), oT, bind::pydiv(1.0, cp) * q);
    } else if (mode == ISOTHERMAL) {
        set_entry(R.get(), oT, 0.0);
    }

    Ref sa = soot_array.hold(), src = source_term_array.hold();
    Mono::held::fill_soot_array(m.get(), sa.get());
    Mono::held::fill_source_term_array(m.get(), src.get());
    Ref s0 = soot_star.hold();
    {
        F64 S(src.get()), A(sa.get()), A0(s0.get()), o(R.get(), true);
        const Py_ssize_t n = o.ok() ? o.size() - oS : -1;
        if (o.ok() && same_size({&S, &A, &A0}, n)) {
            bind::FpWatch fp;
            for (Py_ssize_t i = 0; i < n; ++i) o[oS + i] = inv_tau * (A0[i] - A[i]) + S[i];
            fp.report();
        } else {
            Ref relax = mul(f(inv_tau).get(), sub(s0.get(), sa.get()).get());
            assign(R.get(), oS, -1, add(relax.get(), src.get()).get());
        }
    }
    return R;
}

namespace {

using Self = CPSRSoot;
const bind::Field fields[] = {CPSRS_FIELDS(BIND_ROW)};
BIND_DERIVED_METHOD_TABLES(CPSRS_METHODS, CPSRS_REDEFINES)

}  // namespace

bind::ClassSpec& CPSRSoot::spec() {
    static bind::ClassSpec s = bind::define<CPSRSoot>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .init = bind::Init<&CPSRSoot::init_impl, "soot_gas">::init,
        .checksums = {0x045fc4a, 0x4dcc993, 0xce0f1fb},
    });
    return s;
}

}  // namespace pyrandel
