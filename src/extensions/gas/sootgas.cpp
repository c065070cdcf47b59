#include "sootgas.hpp"

#include "../../physics/constants.hpp"

namespace pyrandel {

using bind::Name;
using bind::Ref;

BIND_TYPE_OBJECT(CSootGas)

namespace {

Name n_set_unnormalized_mass_fractions("set_unnormalized_mass_fractions");
Name n_TP("TP");
Name n_TD("TD");
Name n_TPX("TPX");
Name n_T("T");
Name n_P("P");
Name n_X("X");
Name n_tolist("tolist");
Name n_density("density");
Name n_mean_molecular_weight("mean_molecular_weight");
Name n_viscosity("viscosity");
Name n_net_production_rates("net_production_rates");
Name n_Y("Y");
Name n_partial_molar_enthalpies("partial_molar_enthalpies");
Name n_partial_molar_int_energies("partial_molar_int_energies");
Name n_enthalpy_mass("enthalpy_mass");
Name n_int_energy_mass("int_energy_mass");
Name n_cv_mass("cv_mass");
Name n_cp_mass("cp_mass");
Name n_state("state");
Name n_mean_MW("mean_MW");
Name n_array("array");

Ref thousand() {
    static PyObject* k = PyLong_FromLong(1000);
    return Ref::borrow(k);
}

}  // namespace

// Each entry reports an exception as unraisable under its own name and returns 0.
const CSootGasVTable CSootGas::vtable = {
    .C = bind::entry<&CSootGas::C_impl, "C">(),
    .MW_c = bind::entry<&CSootGas::MW_c_impl, "MW_c">(),
    .calc_lambda_gas = bind::entry<&CSootGas::calc_lambda_gas_impl, "calc_lambda_gas">(),
    .lambda_gas_c = bind::entry<&CSootGas::lambda_gas_c_impl, "lambda_gas_c">(),
    .T_c = bind::entry<&CSootGas::T_c_impl, "T_c">(),
    .P_c = bind::entry<&CSootGas::P_c_impl, "P_c">(),
    .mu_c = bind::entry<&CSootGas::mu_c_impl, "mu_c">(),
    .rho_c = bind::entry<&CSootGas::rho_c_impl, "rho_c">(),
    .species_index = bind::entry<&CSootGas::species_index_impl, "species_index">(),
};

int CSootGas::species_index_impl(PyObject* name) {
    if (int i; index_cache_.find(_species_index_dict.get(), name, i)) return i;
    return species_index_lookup(name);
}

int CSootGas::species_index_lookup(PyObject* name) {
    PyObject* dict = _species_index_dict.get();
    // Held: hashing or comparing the name may run code that replaces the dictionary.
    Ref d = Ref::borrow(dict);
    Ref v = Ref::steal(PyObject_GetItem(d.get(), name));
    const int i = bind::as_int(v.get());
    index_cache_.remember(dict, name, v.get(), i);
    return i;
}

// ------------------------------------------------------ species index cache

void SpeciesIndexCache::remember(PyObject* dict, PyObject* name, PyObject* value, int i) {
    // Only where a lookup runs no code of the caller's: an exact str among exact
    // str keys, mapped to an exact int.
    bind::DictStamp now;
    if (!bind::dict_stamp(dict, now) || !PyUnicode_CheckExact(name) || !PyLong_CheckExact(value)) return;
    if (!str_keys_.holds(now)) {
        clear();
        bool str_keys = true;
        Py_ssize_t pos = 0;
        PyObject *key, *val;
        while (PyDict_Next(dict, &pos, &key, &val))
            if (!PyUnicode_CheckExact(key)) str_keys = false;
        str_keys_.keep(now, str_keys);
    }
    if (!str_keys_.value() || n_ == max_rows) return;
    unsigned s = slot_of(name);
    while (rows_[s].name) {
        if (rows_[s].name.get() == name) return;
        s = (s + 1) % slots;
    }
    rows_[s] = Row{bind::Ref::borrow(name), i};
    ++n_;
}

void SpeciesIndexCache::clear() {
    for (Row& r : rows_) r = Row{};
    n_ = 0;
    str_keys_.forget();
}

void CSootGas::init_impl(PyObject* g) { cantera_gas.set(g); }

// --------------------------------------------------------- gas-object reads

void CSootGas::set_unnormalized(PyObject* UY) {
    Ref r = bind::call_method(gas().get(), n_set_unnormalized_mass_fractions, UY);
}

// `X.tolist()` into `_X`; NumPy's own array is read in place, with the same values.
static void read_X_list(PyObject* x, std::vector<double>& out) {
    if (bind::read_float64_array(x, out)) return;
    Ref l = bind::call_method(x, n_tolist);
    bind::fill_from_iterable(out, l.get());
}

void CSootGas::read_X_from_gas() {
    Ref x = bind::getattr(gas().get(), n_X);
    read_X_list(x.get(), _X);
}

void CSootGas::read_rho_from_gas() { _rho = bind::getattr(gas().get(), n_density); }

void CSootGas::read_mean_MW_from_gas() {
    Ref m = bind::getattr(gas().get(), n_mean_molecular_weight);
    // A float over the int 1000: the interpreter's float division, done here.
    if (PyFloat_CheckExact(m.get())) {
        _mean_MW = PyFloat_AS_DOUBLE(m.get()) / 1000.0;
        return;
    }
    Ref q = Ref::steal(PyNumber_TrueDivide(m.get(), thousand().get()));
    _mean_MW = bind::as_double(q.get());
}

// ------------------------------------------------------------ state updates

void CSootGas::update_thermo_TPUY_impl(double T, double P, bind::NDArray UY) {
    set_unnormalized(UY.o);
    Ref tp = bind::tuple_of({bind::py(T).get(), bind::py(P).get()});
    bind::setattr(gas().get(), n_TP, tp.get());
    _T = T;
    _P = P;
    read_X_from_gas();
    read_rho_from_gas();
    read_mean_MW_from_gas();
}

void CSootGas::update_thermo_TDUY_impl(double T, double D, bind::NDArray UY) {
    set_unnormalized(UY.o);
    Ref td = bind::tuple_of({bind::py(T).get(), bind::py(D).get()});
    bind::setattr(gas().get(), n_TD, td.get());
    _T = T;
    _rho = bind::py(D);
    _P = bind::as_double(bind::getattr(gas().get(), n_P).get());
    read_X_from_gas();
    read_mean_MW_from_gas();
}

void CSootGas::update_thermo_TPX_impl(double T, double P, bind::NDArray X) {
    _T = T;
    _P = P;
    Ref tpx = bind::tuple_of({bind::py(T).get(), bind::py(P).get(), X.o});
    bind::setattr(gas().get(), n_TPX, tpx.get());
    read_X_list(X.o, _X);
    read_rho_from_gas();
    read_mean_MW_from_gas();
}

void CSootGas::update_thermo_TPXmw_impl(double T, double P, bind::DoubleBuf X) {
    _T = T;
    _P = P;
    Ref view = X.is_none() ? bind::none() : Ref::steal(PyMemoryView_FromObject(X.obj()));
    Ref tpx = bind::tuple_of({bind::py(T).get(), bind::py(P).get(), view.get()});
    bind::setattr(gas().get(), n_TPX, tpx.get());
    read_X_from_gas();
    read_rho_from_gas();
    read_mean_MW_from_gas();
}

void CSootGas::update_thermo_impl() {
    Ref T = bind::getattr(gas().get(), n_T);
    Ref P = bind::getattr(gas().get(), n_P);
    Ref X = bind::getattr(gas().get(), n_X);
    update_thermo_TPX_with(T.get(), P.get(), X.get());
}

void CSootGas::update_transport_mix_impl() {
    _mu = bind::getattr(gas().get(), n_viscosity);
    double l = vtab->calc_lambda_gas(this);
    _lambda_gas = bind::py(l);
}

void CSootGas::update_lambda_gas_impl() {
    double l = vtab->calc_lambda_gas(this);
    _lambda_gas = bind::py(l);
}

void CSootGas::update_transport_impl() { update_transport_mix(); }

void CSootGas::update_transport_sutherland_impl() {
    bind::raise(PyExc_Exception, "update_transport_sutherland() is not implemented!");
}

void CSootGas::update_impl(double T, double P, std::vector<double> X, double rho, double mu, double mean_MW) {
    _T = T;
    _P = P;
    _X = std::move(X);
    _rho = bind::py(rho);
    _mu = bind::py(mu);
    _mean_MW = mean_MW;
}

void CSootGas::update_mean_MW_impl(double mean_MW) { _mean_MW = mean_MW; }

void CSootGas::update_MWs_impl(bind::NDArray MWs) {
    Ref l = bind::call_method(MWs.o, n_tolist);
    bind::fill_from_iterable(_MWs, l.get());
    _MW_array.set(MWs.o);
}

void CSootGas::set_species_indices_impl(PyObject* d) { _species_index_dict.set(d); }

// ------------------------------------------------------- internal accessors

// x * rho / mean_MW with the cached objects, as the interpreter computes it.
[[gnu::noinline]] static double C_by_objects(CSootGas* g, double x) {
    Ref xf = bind::py(x);
    Ref rho = g->_rho.hold();
    Ref num = Ref::steal(PyNumber_Multiply(xf.get(), rho.get()));
    Ref mw = bind::getattr((PyObject*)g, n_mean_MW);
    Ref c = Ref::steal(PyNumber_TrueDivide(num.get(), mw.get()));
    return bind::as_double(c.get());
}

double CSootGas::C_impl(int i) {
    double x = _X[i];
    // Common case: the cached density is a float and nobody overrides mean_MW.
    if (Py_TYPE(this) == &type && PyFloat_CheckExact(_rho.get())) return bind::pydiv(x * PyFloat_AS_DOUBLE(_rho.get()), _mean_MW);
    return C_by_objects(this, x);
}

// (mu / rho) * x^0.5: the quotient of the cached objects first, then the
// root from the fields as they are after it.
double CSootGas::calc_lambda_gas_impl() {
    auto root = [this] { return std::pow((constants.Pi_const * _mean_MW) / (((constants.kB_const * 2.0) * constants.Av_const) * _T), 0.5); };
    if (PyFloat_CheckExact(_mu.get()) && PyFloat_CheckExact(_rho.get())) {
        const double q = bind::pydiv(PyFloat_AS_DOUBLE(_mu.get()), PyFloat_AS_DOUBLE(_rho.get()));
        return q * root();
    }
    Ref mu = _mu.hold(), rho = _rho.hold();
    Ref q = Ref::steal(PyNumber_TrueDivide(mu.get(), rho.get()));
    Ref r = bind::py(root());
    Ref p = Ref::steal(PyNumber_Multiply(q.get(), r.get()));
    return bind::as_double(p.get());
}

// --------------------------------------------------------------- properties

Ref CSootGas::get_T() { return bind::py(_T); }
Ref CSootGas::get_P() { return bind::py(_P); }
Ref CSootGas::get_mean_MW() { return bind::py(_mean_MW); }
Ref CSootGas::get_rho() { return _rho.hold(); }
Ref CSootGas::get_mu() { return _mu.hold(); }
Ref CSootGas::get_lambda_gas() { return _lambda_gas.hold(); }
Ref CSootGas::get_MWs() { return bind::list_of(_MWs); }
Ref CSootGas::get_MW_array() { return _MW_array.hold(); }
Ref CSootGas::get_X_array() {
    Ref l = bind::list_of(_X);
    Ref arr = bind::getattr(bind::np().get(), n_array);
    return bind::call(arr.get(), l.get());
}
Ref CSootGas::get_n_species() { return bind::py((int64_t)_MWs.size()); }

static Ref scaled(PyObject* gas, PyObject* name, binaryfunc op) {
    Ref v = bind::getattr(gas, name);
    return Ref::steal(op(v.get(), thousand().get()));
}

Ref CSootGas::get_w_array() { return scaled(gas().get(), n_net_production_rates, PyNumber_Multiply); }
Ref CSootGas::gas_net_production_rates() { return bind::getattr(gas().get(), n_net_production_rates); }
Ref CSootGas::get_Y_array() { return bind::getattr(gas().get(), n_Y); }
// Partial molar enthalpies, J/mol (the energy balances of the reactors need enthalpies).
Ref CSootGas::get_h_mol_array() { return scaled(gas().get(), n_partial_molar_enthalpies, PyNumber_TrueDivide); }
Ref CSootGas::get_u_mol_array() { return scaled(gas().get(), n_partial_molar_int_energies, PyNumber_TrueDivide); }
Ref CSootGas::get_h_mass_total() { return bind::getattr(gas().get(), n_enthalpy_mass); }
Ref CSootGas::get_u_mass_total() { return bind::getattr(gas().get(), n_int_energy_mass); }
Ref CSootGas::get_cv_mass() { return bind::getattr(gas().get(), n_cv_mass); }
Ref CSootGas::get_cp_mass() { return bind::getattr(gas().get(), n_cp_mass); }
Ref CSootGas::get_state() { return bind::getattr(gas().get(), n_state); }

// ------------------------------------------------------------------ tables

namespace {

using Self = CSootGas;
const bind::Field fields[] = {CSOOTGAS_FIELDS(BIND_ROW)};
BIND_METHOD_TABLES(CSOOTGAS_METHODS)

PyGetSetDef props[] = {
    bind::prop<&CSootGas::get_T, "T">(),
    bind::prop<&CSootGas::get_P, "P">(),
    bind::prop<&CSootGas::get_mean_MW, "mean_MW">(),
    bind::prop<&CSootGas::get_rho, "rho">(),
    bind::prop<&CSootGas::get_mu, "mu">(),
    bind::prop<&CSootGas::get_lambda_gas, "lambda_gas">(),
    bind::prop<&CSootGas::get_MWs, "MWs">(),
    bind::prop<&CSootGas::get_MW_array, "MW_array">(),
    bind::prop<&CSootGas::get_X_array, "X_array">(),
    bind::prop<&CSootGas::get_n_species, "n_species">(),
    bind::prop<&CSootGas::get_w_array, "w_array">(),
    bind::prop<&CSootGas::get_Y_array, "Y_array">(),
    bind::prop<&CSootGas::get_h_mol_array, "h_mol_array">(),
    bind::prop<&CSootGas::get_h_mol_array, "partial_molar_enthalpies_array">(),
    bind::prop<&CSootGas::get_u_mol_array, "partial_molar_int_energies_array">(),
    bind::prop<&CSootGas::get_u_mol_array, "u_mol_array">(),
    bind::prop<&CSootGas::get_h_mass_total, "h_mass_total">(),
    bind::prop<&CSootGas::get_u_mass_total, "u_mass_total">(),
    bind::prop<&CSootGas::get_cv_mass, "cv_mass">(),
    bind::prop<&CSootGas::get_cp_mass, "cp_mass">(),
    bind::prop<&CSootGas::get_state, "state">(),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

bind::ClassSpec& CSootGas::spec() {
    static bind::ClassSpec s = bind::define<CSootGas>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .props = props,
        .init = bind::Init<&CSootGas::init_impl, "cantera_gas">::init,
        .vtable = &vtable,
        .vtable_size = sizeof vtable,
        .checksums = {0x3719456, 0x05727d8, 0xdde2b56},
    });
    return s;
}

}  // namespace pyrandel
