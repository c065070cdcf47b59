#include "pahgrowthbase.hpp"

#include <iterator>

#include "../../physics/constants.hpp"
#include "../gas/sootgas.hpp"
#include "../sootwrapper/sootwrapper.hpp"

namespace pyrandel {

using bind::Ref;

BIND_TYPE_OBJECT(CPAHGrowthBase)

namespace {

// Density of a PAH molecule from its composition, kg/m3, with the interpreter's
// arithmetic on whatever `PAH_n_C()[i]` and `PAH_n_H()[i]` returned.
double PAH_density(PyObject* n_C, PyObject* n_H) {
    if (PyFloat_CheckExact(n_C) && PyFloat_CheckExact(n_H)) {
        const double c = PyFloat_AS_DOUBLE(n_C), h = PyFloat_AS_DOUBLE(n_H);
        return bind::pydiv((constants.MW_carbon_const * c + constants.MW_hydrogen_const * h) * 171943.5197, c + h);
    }
    Ref mc = bind::py(constants.MW_carbon_const), mh = bind::py(constants.MW_hydrogen_const), f = bind::py(171943.5197);
    Ref a = Ref::steal(PyNumber_Multiply(mc.get(), n_C));
    Ref b = Ref::steal(PyNumber_Multiply(mh.get(), n_H));
    Ref s = Ref::steal(PyNumber_Add(a.get(), b.get()));
    Ref p = Ref::steal(PyNumber_Multiply(s.get(), f.get()));
    Ref n = Ref::steal(PyNumber_Add(n_C, n_H));
    Ref q = Ref::steal(PyNumber_TrueDivide(p.get(), n.get()));
    return bind::as_double(q.get());
}

// `self.<name>()[i]`, the list accessor called by name.
Ref item_of_call(CPAHGrowthBase* self, int mid, int i) {
    Ref l = bind::call_method((PyObject*)self, CPAHGrowthBase::spec().method_names[(size_t)mid]);
    Ref key = bind::py(i);
    return Ref::steal(PyObject_GetItem(l.get(), key.get()));
}

template <class V>
auto list_at(const V& v, long i) -> typename V::value_type {
    // The index rule of a list: negative positions count from the end.
    long n = (long)v.size();
    long j = i < 0 ? i + n : i;
    if (j < 0 || j >= n) bind::raise(PyExc_IndexError, "list index out of range");
    return v[(size_t)j];
}

}  // namespace

const CPAHGrowthBaseVTable CPAHGrowthBase::vtable = {
    .PAH_mass = bind::entry<&CPAHGrowthBase::PAH_mass_impl, "PAH_mass">(),
    .PAH_volume = bind::entry<&CPAHGrowthBase::PAH_volume_impl, "PAH_volume">(),
    .volume_from_mass = bind::entry<&CPAHGrowthBase::volume_from_mass_impl, "volume_from_mass">(),
    .PAH_diameter = bind::entry<&CPAHGrowthBase::PAH_diameter_impl, "PAH_diameter">(),
    .diameter_from_mass = bind::entry<&CPAHGrowthBase::diameter_from_mass_impl, "diameter_from_mass">(),
    .reduced_m = bind::entry<&CPAHGrowthBase::reduced_m_impl, "reduced_m">(),
    .reduced_d = bind::entry<&CPAHGrowthBase::reduced_d_impl, "reduced_d">(),
    .beta_fm_soot_PAH_by_mass =
        bind::entry<&CPAHGrowthBase::beta_fm_soot_PAH_by_mass_impl, "beta_fm_soot_PAH_by_mass">(),
    ._update_w_scrub_inception =
        bind::entry<&CPAHGrowthBase::no_update_w_scrub_inception_impl, "_update_w_scrub_inception">(),
    ._update_w_scrub_PAH = bind::entry<&CPAHGrowthBase::no_update_w_scrub_PAH_impl, "_update_w_scrub_PAH">(),
    .update_w_scrub = bind::entry<&CPAHGrowthBase::no_update_w_scrub_impl, "update_w_scrub">(),
};

void CPAHGrowthBase::no_update_w_scrub_inception_impl(bind::DoubleBuf&) {
    bind::raise(PyExc_Exception, "_update_w_scrub_inception() method is not initialized!");
}
void CPAHGrowthBase::no_update_w_scrub_PAH_impl(bind::DoubleBuf&) {
    bind::raise(PyExc_Exception, "_update_w_scrub_PAH() method is not initialized!");
}
void CPAHGrowthBase::no_update_w_scrub_impl(bind::DoubleBuf&) {
    bind::raise(PyExc_Exception, "update_w_scrub() method is not initialized!");
}

void pah_growth_update_w_scrub(CPAHGrowthBase* self, bind::DoubleBuf& w_scrub) {
    self->vtab->_update_w_scrub_inception(self, w_scrub);
    self->vtab->_update_w_scrub_PAH(self, w_scrub);
}

namespace {

// Filled before start-up by the classes' sources; room for every model class.
PlainScrubRow plain_scrubs[8];
size_t n_plain_scrubs = 0;

}  // namespace

bool add_plain_scrub(PlainScrubRow row) {
    if (n_plain_scrubs == std::size(plain_scrubs)) return false;  // such a class keeps the general route
    plain_scrubs[n_plain_scrubs++] = row;
    return true;
}

bool pah_plain_w_scrub(CPAHGrowthBase* self, const bind::F64Span& w) {
    const CPAHGrowthBaseVTable* t = self->vtab;
    for (size_t i = 0; i < n_plain_scrubs; ++i)
        if (plain_scrubs[i].table == t) return plain_scrubs[i].scrub(self, w);
    return false;
}

// ------------------------------------------------------------------ helpers

Ref CPAHGrowthBase::wrapper_ref(const char* attr) const { return held_wrapper(soot_wrapper, attr); }

Ref CPAHGrowthBase::gas_ref(const Ref& w) { return as_wrapper(w)->held_gas("soot_gas"); }

int CPAHGrowthBase::PAH_index_at(int i) const {
    Ref w = held_wrapper(soot_wrapper, "PAH_indices");
    return bind::at(as_wrapper(w)->PAH_indices, i);
}
double CPAHGrowthBase::PAH_n_C_at(int i) const {
    Ref w = held_wrapper(soot_wrapper, "PAH_n_C");
    return bind::at(as_wrapper(w)->PAH_n_C, i);
}
double CPAHGrowthBase::PAH_n_H_at(int i) const {
    Ref w = held_wrapper(soot_wrapper, "PAH_n_H");
    return bind::at(as_wrapper(w)->PAH_n_H, i);
}
size_t CPAHGrowthBase::wrapper_n_PAHs() const {
    Ref w = held_wrapper(soot_wrapper, "PAH_indices");
    return as_wrapper(w)->PAH_indices.size();
}

bool CPAHGrowthBase::partial_addition_on() {
    Ref p = partial_particle_addition();
    return bind::as_bool(p.get());
}

void CPAHGrowthBase::scrub_add(bind::DoubleBuf& w, Py_ssize_t i, double delta) {
    const Py_ssize_t n = w.size();
    const Py_ssize_t j = i < 0 ? i + n : i;
    if (j < 0 || j >= n) bind::raise(PyExc_IndexError, "Out of bounds on buffer access (axis 0)");
    w.at(j) += delta;
}

// ----------------------------------------------------------- construction

void CPAHGrowthBase::init_impl(PyObject* w) {
    soot_wrapper = bind::Typed<CSootWrapper>::from(w);
}

void CPAHGrowthBase::_reset_impl() {
    _N_agg_inception_total = 0.0;
    _C_tot_inception_total = 0.0;
    _H_tot_inception_total = 0.0;
    _C_tot_PAH_total = 0.0;
    _H_tot_PAH_total = 0.0;
}

// -------------------------------------------------------------- accessors

Ref CPAHGrowthBase::PAH_indices_impl() {
    Ref w = held_wrapper(soot_wrapper, "PAH_indices");
    return bind::list_of(as_wrapper(w)->PAH_indices);
}
Ref CPAHGrowthBase::PAH_n_C_impl() {
    Ref w = held_wrapper(soot_wrapper, "PAH_n_C");
    return bind::list_of(as_wrapper(w)->PAH_n_C);
}
Ref CPAHGrowthBase::PAH_n_H_impl() {
    Ref w = held_wrapper(soot_wrapper, "PAH_n_H");
    return bind::list_of(as_wrapper(w)->PAH_n_H);
}

void CPAHGrowthBase::update_soot_vars_impl(PyObject* d_p_, PyObject* d_m_, PyObject* d_g_, PyObject* A_tot_,
                                           PyObject* m_agg_, PyObject* V_agg_, PyObject* soot_MW_,
                                           PyObject* c_soot_agg_, PyObject* c_soot_pri_, PyObject* m_p_) {
    // Stored one by one: a failed conversion leaves the earlier values stored.
    d_p = bind::as_double(d_p_);
    d_m = bind::as_double(d_m_);
    d_g = bind::as_double(d_g_);
    A_tot = bind::as_double(A_tot_);
    m_agg = bind::as_double(m_agg_);
    V_agg = Ref::borrow(V_agg_);
    soot_MW = bind::as_double(soot_MW_);
    c_soot_agg = bind::as_double(c_soot_agg_);
    c_soot_pri = bind::as_double(c_soot_pri_);
    m_p = bind::as_double(m_p_);
}

void CPAHGrowthBase::store_soot_vars(double d_p_, double d_m_, double d_g_, double A_tot_, double m_agg_,
                                     double V_agg_, double soot_MW_, double c_soot_agg_, double c_soot_pri_,
                                     double m_p_) {
    Ref v = bind::float_for(V_agg.get(), V_agg_);  // none: V_agg took the value in place
    d_p = d_p_;
    d_m = d_m_;
    d_g = d_g_;
    A_tot = A_tot_;
    m_agg = m_agg_;
    if (v) V_agg = std::move(v);
    soot_MW = soot_MW_;
    c_soot_agg = c_soot_agg_;
    c_soot_pri = c_soot_pri_;
    m_p = m_p_;
}

void CPAHGrowthBase::update_impl() { bind::raise(PyExc_Exception, "update() method is not initialized!"); }

double CPAHGrowthBase::N_agg_inception_each_impl(bind::SizeT i) { return bind::at(_N_agg_inception_each, i); }
double CPAHGrowthBase::C_tot_inception_each_impl(bind::SizeT i) { return bind::at(_C_tot_inception_each, i); }
double CPAHGrowthBase::H_tot_inception_each_impl(bind::SizeT i) { return bind::at(_H_tot_inception_each, i); }
Ref CPAHGrowthBase::N_agg_inception_all_impl() { return bind::list_of(_N_agg_inception_each); }
Ref CPAHGrowthBase::C_tot_inception_all_impl() { return bind::list_of(_C_tot_inception_each); }
Ref CPAHGrowthBase::H_tot_inception_all_impl() { return bind::list_of(_H_tot_inception_each); }
double CPAHGrowthBase::N_agg_inception_total_impl() { return _N_agg_inception_total; }
double CPAHGrowthBase::C_tot_inception_total_impl() { return _C_tot_inception_total; }
double CPAHGrowthBase::H_tot_inception_total_impl() { return _H_tot_inception_total; }
double CPAHGrowthBase::C_tot_PAH_each_impl(int i) { return bind::at(_C_tot_PAH_each, i); }
double CPAHGrowthBase::H_tot_PAH_each_impl(int i) { return bind::at(_H_tot_PAH_each, i); }
Ref CPAHGrowthBase::C_tot_PAH_all_impl() { return bind::list_of(_C_tot_PAH_each); }
Ref CPAHGrowthBase::H_tot_PAH_all_impl() { return bind::list_of(_H_tot_PAH_each); }
double CPAHGrowthBase::C_tot_PAH_total_impl() { return _C_tot_PAH_total; }
double CPAHGrowthBase::H_tot_PAH_total_impl() { return _H_tot_PAH_total; }

bool CPAHGrowthBase::inception_enabled_impl() {
    Ref w = held_wrapper(soot_wrapper, "inception_enabled");
    return as_wrapper(w)->inception_enabled;
}
bool CPAHGrowthBase::PAH_adsorption_enabled_impl() {
    Ref w = held_wrapper(soot_wrapper, "PAH_adsorption_enabled");
    return as_wrapper(w)->PAH_adsorption_enabled;
}
Ref CPAHGrowthBase::partial_particle_addition_impl() {
    Ref w = held_wrapper(soot_wrapper, "partial_particle_addition");
    return Ref::borrow(as_wrapper(w)->partial_particle_addition);
}

Ref CPAHGrowthBase::get_soot_gas() {
    Ref w = held_wrapper(soot_wrapper, "soot_gas");
    return as_wrapper(w)->gas_object();
}

// ------------------------------------------------------ molecule geometry

double CPAHGrowthBase::PAH_mass_impl(int i) {
    Ref w = held_wrapper(soot_wrapper, "PAH_indices");
    const int idx = bind::at(as_wrapper(w)->PAH_indices, i);
    Ref g = gas_ref(w);
    return as_gas(g)->vtab->MW_c(as_gas(g), idx) / constants.Av_const;
}

double CPAHGrowthBase::PAH_volume_impl(int i) {
    const double m = vtab->PAH_mass(this, i);
    double rho_PAH;
    if (!bind::Class<CPAHGrowthBase>::overridden(this, MID_PAH_n_C) &&
        !bind::Class<CPAHGrowthBase>::overridden(this, MID_PAH_n_H)) {
        Ref w = held_wrapper(soot_wrapper, "PAH_n_C");
        const double c = list_at(as_wrapper(w)->PAH_n_C, i);
        const double h = list_at(as_wrapper(w)->PAH_n_H, i);
        rho_PAH = bind::pydiv((constants.MW_carbon_const * c + constants.MW_hydrogen_const * h) * 171943.5197, c + h);
    } else {
        Ref c = item_of_call(this, MID_PAH_n_C, i);
        Ref h = item_of_call(this, MID_PAH_n_H, i);
        rho_PAH = PAH_density(c.get(), h.get());
    }
    return m / rho_PAH;
}

double CPAHGrowthBase::PAH_diameter_impl(int i) {
    return std::pow(6.0 * vtab->PAH_volume(this, i) / constants.Pi_const, constants.one_third_const);
}

double CPAHGrowthBase::diameter_from_mass_impl(double m) {
    return std::pow(6.0 * vtab->volume_from_mass(this, m) / constants.Pi_const, constants.one_third_const);
}

double CPAHGrowthBase::reduced_m_impl(int i, int j) {
    const double m_i = vtab->PAH_mass(this, i), m_j = vtab->PAH_mass(this, j);
    return reduced_of(m_i, m_j);
}

double CPAHGrowthBase::reduced_d_impl(int i, int j) {
    const double d_i = vtab->PAH_diameter(this, i), d_j = vtab->PAH_diameter(this, j);
    return reduced_d_of(bind::fdiv, d_i, d_j);
}

double CPAHGrowthBase::beta_fm_soot_PAH_by_mass_impl(double m) {
    Ref w = wrapper_ref();
    Ref g = gas_ref(w);
    const double T = as_gas(g)->vtab->T_c(as_gas(g));
    const double d = vtab->diameter_from_mass(this, m);
    const double inv = bind::fdiv(1.0, m) + bind::fdiv(1.0, m_agg);
    return 2.2 * std::pow(d + d_g, 2.0) * std::sqrt(constants.Pi_const * constants.kB_const * T / 2.0 * inv);
}

// ------------------------------------------------------------------ tables

namespace {

using Self = CPAHGrowthBase;
const bind::Field fields[] = {PAHBASE_FIELDS(BIND_ROW)};
BIND_METHOD_TABLES(PAHBASE_METHODS)

PyGetSetDef props[] = {
    bind::prop<&CPAHGrowthBase::get_soot_gas, "soot_gas">(),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

bind::ClassSpec& CPAHGrowthBase::spec() {
    static bind::ClassSpec s = bind::define<CPAHGrowthBase>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .props = props,
        .init = bind::Init<&CPAHGrowthBase::init_impl, "soot_wrapper">::init,
        .vtable = &vtable,
        .vtable_size = sizeof vtable,
        .checksums = {0xd7e205d, 0x16d1117, 0xbbc23b3},
    });
    return s;
}

}  // namespace pyrandel
