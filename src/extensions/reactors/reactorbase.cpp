#include "reactorbase.hpp"

#include <cfloat>
#include <cmath>

#include "../gas/sootgas.hpp"
#include "../sootmodels/monodisperse.hpp"
#include "../sootwrapper/sootwrapper.hpp"

namespace pyrandel {

using bind::Name;
using bind::Ref;

BIND_TYPE_OBJECT(ReactorBase)

namespace {

Name n_min_array("min_array");
Name n_soot_array("soot_array");
Name n_source_term_array("source_term_array");
Name n_soot_offset("soot_offset");
Name n_zeros("zeros");
Name n_rho_offset("rho_offset");
Name n_n_species("n_species");

Name mode_objs[] = {Name("profile_length"), Name("profile_time"), Name("energy_equation"), Name("isothermal")};

}  // namespace

void ReactorBase::init_impl(PyObject* g) { soot_gas.set(g); }

void ReactorBase::set_soot_wrapper_impl(PyObject* w) {
    soot_wrapper.set(w);
    _reset();
}

// The particle model is read through the wrapper's field: with no wrapper
// there is nothing to read.
void ReactorBase::_reset_impl() {
    if (!soot_wrapper) none_has_no("soot_model");
    Ref model = soot_wrapper->soot_model.hold();
    Ref mins = bind::call_method(model.get(), n_min_array);
    bind::setattr((PyObject*)this, n_soot_array, mins.get());
    // The model again: min_array may have replaced the wrapper's field.
    if (!soot_wrapper) none_has_no("soot_model");
    Ref m2 = soot_wrapper->soot_model.hold();
    if (!soot_wrapper->soot_model) none_has_no("n_eqns");
    const int n = soot_wrapper->soot_model.o->n_eqns;
    Ref zeros = bind::getattr(bind::np().get(), n_zeros);
    Ref src = bind::call(zeros.get(), bind::py(n).get());
    bind::setattr((PyObject*)this, n_source_term_array, src.get());
    Ref off = bind::getattr((PyObject*)this, n_soot_offset);
    Ref len = rx::add(off.get(), bind::py(n).get());
    Ref res = bind::call(zeros.get(), len.get());
    combined_dy_dz = std::move(res);
}

void ReactorBase::set_fix_temperature_profile_impl(bind::NDArray p) { temperature_profile.set(p.o); }

Ref ReactorBase::get_temperature_solver_type() {
    if (temperature_solver < 0 || temperature_solver > 3)
        bind::raise(PyExc_ValueError, "Invalid temperature_solver_type!");
    return Ref::borrow(mode_objs[temperature_solver]);
}

void ReactorBase::set_temperature_solver_type(PyObject* v) {
    Ref hold = Ref::borrow(v);
    for (int code = 0; code < 4; ++code) {
        int eq = PyObject_RichCompareBool(v, mode_objs[code], Py_EQ);
        if (eq < 0) bind::fail();
        if (eq) {
            temperature_solver = code;
            return;
        }
    }
    bind::raise(PyExc_ValueError, "Invalid temperature solver type!");
}

namespace {

using Self = ReactorBase;
const bind::Field fields[] = {RB_FIELDS(BIND_ROW)};
BIND_METHOD_TABLES(RB_METHODS)

PyGetSetDef props[] = {
    bind::prop<&ReactorBase::get_temperature_solver_type, &ReactorBase::set_temperature_solver_type,
               "temperature_solver_type">(),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

bind::ClassSpec& ReactorBase::spec() {
    static bind::ClassSpec s = bind::define<ReactorBase>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .props = props,
        .init = bind::Init<&ReactorBase::init_impl, "soot_gas">::init,
        .checksums = {0xcd63a4c, 0xf86adfc, 0x037e769},
    });
    return s;
}

// ============================================================== evaluation

namespace rx {

// ------------------------------------------------------------------ gas

Gas::Gas(const bind::Typed<CSootGas>& field, const char* first_use)
    : obj(field.hold()), g(field.o), exact(field.o && Py_IS_TYPE(field.o, &CSootGas::type)) {
    if (!g) none_has_no(first_use);
}

void Gas::update_thermo_TPUY(double T, double P, PyObject* UY) {
    g->update_thermo_TPUY(T, P, bind::Arg<bind::NDArray>::from(UY, "UY"));
}
void Gas::update_thermo_TDUY(double T, double D, PyObject* UY) {
    g->update_thermo_TDUY(T, D, bind::Arg<bind::NDArray>::from(UY, "UY"));
}
void Gas::update_transport() { g->update_transport(); }

namespace {
Name n_rho("rho"), n_MW_array("MW_array"), n_w_array("w_array"), n_Y_array("Y_array"),
    n_h_mass_total("h_mass_total"), n_h_mol_array("h_mol_array"), n_u_mol_array("u_mol_array"),
    n_u_mass_total("u_mass_total"), n_cv_mass("cv_mass"), n_cp_mass("cp_mass");
}  // namespace

Rates::Rates(Gas& w, std::vector<double>& scaled) {
    if (!w.exact) {
        arr_ = w.w_array();
        view_.emplace(arr_.get());
        return;
    }
    raw_ = w.g->gas_net_production_rates();
    bind::F64Span r;
    if (bind::plain_f64(raw_.get(), false, r)) {
        scaled.resize((size_t)r.n);
        double* out = scaled.data();
        for (Py_ssize_t i = 0; i < r.n; ++i) out[i] = r[i] * 1000.0;
        bool overflow = false;
        for (Py_ssize_t i = 0; i < r.n && !overflow; ++i)
            overflow = std::fabs(out[i]) > DBL_MAX && std::fabs(r[i]) <= DBL_MAX;
        if (!overflow) {
            data_ = scaled.data();
            n_ = r.n;
            return;
        }
    }
    obj();
    view_.emplace(arr_.get());
}

PyObject* Rates::obj() {
    if (!arr_) arr_ = Ref::steal(PyNumber_Multiply(raw_.get(), bind::py(1000).get()));
    return arr_.get();
}

#define RX_GAS_PROP(name)                                      \
    Ref Gas::name() {                                          \
        if (exact) return g->get_##name();                     \
        return bind::getattr(obj.get(), n_##name);             \
    }
RX_GAS_PROP(rho)
RX_GAS_PROP(MW_array)
RX_GAS_PROP(w_array)
RX_GAS_PROP(Y_array)
RX_GAS_PROP(h_mass_total)
RX_GAS_PROP(h_mol_array)
RX_GAS_PROP(u_mol_array)
RX_GAS_PROP(u_mass_total)
RX_GAS_PROP(cv_mass)
RX_GAS_PROP(cp_mass)
#undef RX_GAS_PROP

// ---------------------------------------------------------------- model

Model::Model(const bind::Typed<CSootWrapper>& wrapper) : base(nullptr) {
    if (!wrapper)
        bind::raise(PyExc_AttributeError, "'NoneType' object has no attribute 'soot_model': the reactor has no soot "
                                          "wrapper; call set_soot_wrapper(soot_wrapper) first");
    obj = wrapper->soot_model.hold();
    base = wrapper->soot_model.o;
    if (!base) none_has_no("n_eqns");
}

int Model::n_eqns() const { return base->n_eqns; }
Ref Model::w_scrub() const { return base->w_scrub.hold(); }

void set_vars_from(PyObject* model, PyObject* y, Py_ssize_t from) {
    using M = CMonodisperseSootModel;
    using D = bind::Dispatch<&M::set_vars_impl>;
    Ref hold = Ref::borrow(model);
    bind::F64Span v;
    M* m = D::takes_body(model, M::MID_set_vars);
    if (m && bind::plain_f64(y, true, v) && from >= 0 && from <= v.n) {
        bind::F64Span tail{v.data + from * v.stride, v.n - from, v.stride};
        D::run(m, M::MID_set_vars, bind::DoubleBuf(y, tail));
        return;
    }
    Ref t = slice(y, from, -1);
    M::held::set_vars(model, t.get());
}

// ---------------------------------------------------------- state vector

Check::Check(PyObject* y_, PyObject* result) : y(y_), r(result), ny(0), nr(0) {
    ny = bind::length(y);
    if (r == Py_None) bind::raise(PyExc_TypeError, "'NoneType' object does not support item assignment");
    nr = bind::length(r);
}

void Check::offset(const char* name, int64_t v) const {
    if (v < 0 || v >= ny)
        bind::raisef(PyExc_IndexError, "%s = %lld lies outside the state vector of length %zd", name, (long long)v,
                     ny);
    if (v >= nr)
        bind::raisef(PyExc_IndexError, "%s = %lld lies outside the result array of length %zd", name, (long long)v,
                     nr);
}

void Check::block(int64_t Y_offset, int64_t soot_offset, int n_eqns) const {
    if (Y_offset < 0 || soot_offset < Y_offset)
        bind::raisef(PyExc_IndexError, "species block from Y_offset = %lld to soot_offset = %lld is empty or reversed",
                     (long long)Y_offset, (long long)soot_offset);
    const long long end = (long long)soot_offset + n_eqns;
    if (n_eqns < 0 || end > ny)
        bind::raisef(PyExc_IndexError, "state vector of length %zd is shorter than soot_offset + n_eqns = %lld", ny, end);
    if (end > nr)
        bind::raisef(PyExc_IndexError, "result array of length %zd is shorter than soot_offset + n_eqns = %lld", nr,
                     end);
}

// ----------------------------------------------------------- arithmetic

Ref add(PyObject* a, PyObject* b) { return Ref::steal(PyNumber_Add(a, b)); }
Ref sub(PyObject* a, PyObject* b) { return Ref::steal(PyNumber_Subtract(a, b)); }
Ref mul(PyObject* a, PyObject* b) { return Ref::steal(PyNumber_Multiply(a, b)); }
Ref div(PyObject* a, PyObject* b) { return Ref::steal(PyNumber_TrueDivide(a, b)); }

int64_t soot_start(const bind::Typed<CSootGas>& soot_gas, int64_t Y_offset) {
    Ref gas = soot_gas.hold();
    Ref n = bind::getattr(gas.get(), n_n_species);
    Ref s = add(n.get(), bind::py(Y_offset).get());
    return bind::as_index64(s.get());
}

int64_t member_offset(PyObject* self, const bind::Opt& slot, bool exact) {
    if (exact) {
        Ref v = slot.value(self, "rho_offset");
        return bind::as_index64(v.get());
    }
    Ref v = bind::getattr(self, n_rho_offset);
    return bind::as_index64(v.get());
}

}  // namespace rx

}  // namespace pyrandel
