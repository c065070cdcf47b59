// CSootGas: the modular framework's view of the caller's gas object, caching
// the gas state in SI units with molar amounts in mol.
#pragma once

#include <algorithm>
#include <array>

#include "../../binding/cls.hpp"
#include "../../physics/cache.hpp"

namespace pyrandel {

struct CSootGas;

// Species indices already looked up in the species-index dictionary, valid
// while it is the same dictionary, unchanged (its stamp), with only exact str
// keys: a lookup there runs no code of the caller's, so its result cannot
// differ from the stored one.
class SpeciesIndexCache {
    struct Row {
        bind::Ref name;  // held: its identity is the key
        int index = 0;
    };
    // Open addressing on the name's address: a lookup is one or two compares.
    static constexpr int slots = 32, max_rows = 24;
    Row rows_[slots];
    int n_ = 0;
    Kept<bind::DictStamp, bool> str_keys_;  // the rows are for this dictionary

    static unsigned slot_of(PyObject* name) {
        return (unsigned)(((uintptr_t)name >> 4) * 0x9E3779B97F4A7C15ull >> 59);
    }

public:
    bool find(PyObject* dict, PyObject* name, int& i) const {
        bind::DictStamp now;
        if (!bind::dict_stamp(dict, now) || !str_keys_.holds(now)) return false;
        for (unsigned s = slot_of(name);; s = (s + 1) % slots) {
            PyObject* k = rows_[s].name.get();
            if (k == name) {
                i = rows_[s].index;
                return true;
            }
            if (!k) return false;
        }
    }
    void remember(PyObject* dict, PyObject* name, PyObject* value, int i);
    void clear();
};

// Internal accessors the rate kernels call without a name lookup.
struct CSootGasVTable {
    double (*C)(CSootGas*, int i);
    double (*MW_c)(CSootGas*, int i);
    double (*calc_lambda_gas)(CSootGas*);
    double (*lambda_gas_c)(CSootGas*);
    double (*T_c)(CSootGas*);
    double (*P_c)(CSootGas*);
    double (*mu_c)(CSootGas*);
    double (*rho_c)(CSootGas*);
    int (*species_index)(CSootGas*, PyObject* name);
};

#define CSOOTGAS_FIELDS(F)                 \
    F(bind::Obj, cantera_gas, RW)          \
    F(bind::Vec<double>, _X, RW)           \
    F(bind::Vec<double>, _MWs, RW)         \
    F(bind::Array, _MW_array, RW)          \
    F(double, _T, RW)                      \
    F(double, _P, RW)                      \
    F(double, _mean_MW, RO)                \
    F(bind::Obj, _mu, RO)                  \
    F(bind::Obj, _rho, RO)                 \
    F(bind::Obj, _lambda_gas, RO)          \
    F(bind::Dict, _species_index_dict, RO)

#define CSOOTGAS_METHODS(M)                                                                                  \
    M(update_thermo_TPUY, "T, P, UY", nullptr, void, (double T, double P, bind::NDArray UY))                \
    M(update_thermo_TDUY, "T, D, UY", nullptr, void, (double T, double D, bind::NDArray UY))                \
    M(update_thermo_TPX, "T, P, X", nullptr, void, (double T, double P, bind::NDArray X))                   \
    M(update_thermo_TPXmw, "T, P, X", nullptr, void, (double T, double P, bind::DoubleBuf X))               \
    M(update_thermo, "", nullptr, void, ())                                                                 \
    M(update_transport_mix, "", nullptr, void, ())                                                          \
    M(update_lambda_gas, "", nullptr, void, ())                                                             \
    M(update_transport, "", nullptr, void, ())                                                              \
    M(update_transport_sutherland, "", nullptr, void, ())                                                   \
    M(update, "T, P, X, rho, mu, mean_MW", nullptr, void,                                                   \
      (double T, double P, std::vector<double> X, double rho, double mu, double mean_MW))                   \
    M(update_mean_MW, "mean_MW", nullptr, void, (double mean_MW))                                           \
    M(update_MWs, "MWs", nullptr, void, (bind::NDArray MWs))                                                \
    M(set_species_indices, "species_index_dict", nullptr, void, (PyObject * species_index_dict))

struct CSootGas {
    PyObject_HEAD
    const CSootGasVTable* vtab;
    CSOOTGAS_FIELDS(BIND_DECLARE)

    SpeciesIndexCache index_cache_;  // not a field

    BIND_CLASS(CSootGas)
    static const CSootGasVTable vtable;
    BIND_METHODS(CSOOTGAS_METHODS)

    void init_impl(PyObject* cantera_gas);
    // The set-up step an IndexError most likely points to; the binding adds it to the message.
    static const char* error_hint(const CSootGas& g, PyObject* type) {
        if (type != PyExc_IndexError || !g._MWs.empty()) return nullptr;
        return "the gas wrapper has no molar masses; call update_MWs(MWs) first";
    }

    // Internal accessors (bodies of the table entries); they raise, the
    // entries report as unraisable.
    double C_impl(int i);
    double MW_c_impl(int i) { return _MWs[i]; }
    double calc_lambda_gas_impl();
    double lambda_gas_c_impl() { return held_double(_lambda_gas); }
    double T_c_impl() { return _T; }
    double P_c_impl() { return _P; }
    double mu_c_impl() { return held_double(_mu); }
    double rho_c_impl() { return held_double(_rho); }
    int species_index_impl(PyObject* name);
    [[gnu::noinline]] int species_index_lookup(PyObject* name);

    // Entries `species_index` and `C` as the rate kernels call them: answered
    // inline where the table is this class's own (a Python subclass keeps it)
    // and the answer can neither fail nor run code; through the table otherwise.
    int species_index_entry(PyObject* name) {
        if (int i; cached_species_index(name, i)) return i;
        return vtab->species_index(this, name);
    }
    double C_entry(int i) {
        if (Py_TYPE(this) == &type && (size_t)i < _X.size() && PyFloat_CheckExact(_rho.get()) && _mean_MW != 0.0)
            return C_plain(i);
        return vtab->C(this, i);
    }
    // The index the entry gives for `name` when the index cache holds it (the
    // entry would run no code and could not fail); false otherwise.
    bool cached_species_index(PyObject* name, int& i) const {
        return vtab == &vtable && index_cache_.find(_species_index_dict.get(), name, i);
    }
    // The species dictionary's stamp, where the index cache can serve look-ups
    // in it (this class's own table, an exact dict).
    bool species_dict_stamp(bind::DictStamp& s) const {
        return vtab == &vtable && bind::dict_stamp(_species_index_dict.get(), s);
    }
    // The entry's concentration x·rho/mean_MW (mol/m3) of species i, for callers
    // that have checked the exact type, i, a float density and a non-zero mean_MW.
    double C_plain(int i) const { return _X.data()[i] * PyFloat_AS_DOUBLE(_rho.get()) / _mean_MW; }

    // Properties.
    bind::Ref get_T();
    bind::Ref get_P();
    bind::Ref get_mean_MW();
    bind::Ref get_rho();
    bind::Ref get_mu();
    bind::Ref get_lambda_gas();
    bind::Ref get_MWs();
    bind::Ref get_MW_array();
    bind::Ref get_X_array();
    bind::Ref get_n_species();
    bind::Ref get_w_array();
    bind::Ref get_Y_array();
    bind::Ref get_h_mol_array();
    bind::Ref get_u_mol_array();
    bind::Ref get_h_mass_total();
    bind::Ref get_u_mass_total();
    bind::Ref get_cv_mass();
    bind::Ref get_cp_mass();
    bind::Ref get_state();
    // The gas object's own net production rates, kmol/(m3 s) (w_array is them times 1000).
    bind::Ref gas_net_production_rates();

private:
    // The gas object, held for the call: its attributes may run code that replaces the field.
    bind::Ref gas() const { return cantera_gas.hold(); }
    // A cached number object as a double; held while its conversion may run code.
    static double held_double(PyObject* o) {
        if (PyFloat_CheckExact(o)) return PyFloat_AS_DOUBLE(o);
        bind::Ref h = bind::Ref::borrow(o);
        return bind::as_double(h.get());
    }
    void read_X_from_gas();
    void read_rho_from_gas();
    void read_mean_MW_from_gas();
    void set_unnormalized(PyObject* UY);
};

// The indices of a fixed set of species names as the gas wrapper's
// `cached_species_index` gives them, kept for the species dictionary's stamp.
// False, leaving the look-ups to the caller, where the cache does not hold
// every name.
template <size_t N>
class SpeciesIds {
    Kept<bind::DictStamp, std::array<int, N>> ids_;

public:
    bool find(const CSootGas* g, const std::array<PyObject*, N>& names) {
        bind::DictStamp now;
        if (!g->species_dict_stamp(now)) return false;
        if (ids_.holds(now)) return true;
        std::array<int, N> ids;
        for (size_t k = 0; k < N; ++k)
            if (!g->cached_species_index(names[k], ids[k])) return false;
        ids_.keep(now, ids);
        return true;
    }
    int operator[](size_t k) const { return ids_.value()[k]; }
};

}  // namespace pyrandel
