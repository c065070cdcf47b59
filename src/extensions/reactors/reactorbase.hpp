// ReactorBase: what the modular reactor right-hand sides share. It holds the gas
// and soot wrappers, the temperature mode and profile, and sizes the soot,
// source-term and result arrays. The subclasses add their state-vector layout
// (offset fields) and `derivatives(t, y)`.
#pragma once

#include <optional>

#include "../../binding/cls.hpp"
#include "../../binding/numpy.hpp"

namespace pyrandel {

struct CSootGas;
struct CSootWrapper;
struct CSootModelBase;
struct CMonodisperseSootModel;

#define RB_FIELDS(F)                               \
    F(bind::Array, combined_dy_dz, HIDDEN)         \
    F(bind::Array, temperature_profile, RO)        \
    F(int, temperature_solver, RW)                 \
    F(bind::Typed<CSootGas>, soot_gas, RW)         \
    F(bind::Typed<CSootWrapper>, soot_wrapper, RW)

#define RB_METHODS(M)                                                                              \
    M(set_soot_wrapper, "soot_wrapper", nullptr, void, (PyObject * soot_wrapper))                \
    M(_reset, "", nullptr, void, ())                                                             \
    M(set_fix_temperature_profile, "fixed_profile", nullptr, void, (bind::NDArray fixed_profile))

struct ReactorBase {
    PyObject_HEAD
    // The result array of `derivatives` (not an attribute); the two-row temperature
    // profile (abscissa, K); the temperature mode (TEMPERATURE_SOLVERS); the wrappers.
    RB_FIELDS(BIND_DECLARE)
    std::vector<double> rates_;  // not a field: the storage of rx::Rates

    BIND_CLASS(ReactorBase)
    BIND_METHODS(RB_METHODS)

    void init_impl(PyObject* soot_gas);

    bind::Ref get_temperature_solver_type();
    void set_temperature_solver_type(PyObject* v);
};

// ------------------------------------------------- pieces of one evaluation

namespace rx {

using bind::Ref;

enum Mode { PROFILE_LENGTH = 0, PROFILE_TIME = 1, ENERGY_EQUATION = 2, ISOTHERMAL = 3 };

// The gas wrapper of one evaluation, held: its methods and properties by
// name unless it is exactly a CSootGas (methods go through the dispatcher,
// which honours Python overrides).
struct Gas {
    Ref obj;
    CSootGas* g;      // an instance of CSootGas or of a subclass
    bool exact;       // exactly CSootGas: properties read without a lookup
    explicit Gas(const bind::Typed<CSootGas>& field, const char* first_use);

    void update_thermo_TPUY(double T, double P, PyObject* UY);
    void update_thermo_TDUY(double T, double D, PyObject* UY);
    void update_transport();
    Ref rho();
    Ref MW_array();
    Ref w_array();
    Ref Y_array();
    Ref h_mass_total();
    Ref h_mol_array();
    Ref u_mol_array();
    Ref u_mass_total();
    Ref cv_mass();
    Ref cp_mass();
};

// Net production rates in mol/(m3 s) as `w_array` gives them. Of an exact
// CSootGas the gas object's own array (kmol) is read and each element scaled
// here as NumPy's `rates * 1000` computes it, without a new array; a product
// that overflows (NumPy warns there) or rates that are no plain float64 array
// make the array the NumPy way at once. No Python code runs between making and
// reading the values, which live in the reactor's `storage`.
class Rates {
    Ref raw_, arr_;
    std::optional<bind::F64> view_;
    const double* data_ = nullptr;
    Py_ssize_t n_ = 0;

public:
    Rates(Gas& w, std::vector<double>& storage);
    bool ok() const { return view_ ? view_->ok() : true; }
    Py_ssize_t size() const { return view_ ? view_->size() : n_; }
    double operator[](Py_ssize_t i) const { return view_ ? (*view_)[i] : data_[i]; }
    // The `w_array` object itself (made now when only its values were).
    PyObject* obj();
};

// The particle model read from the soot wrapper's field and held for one
// evaluation: its number of equations and scrubbing array read directly. Its
// steps are the layer's held calls (CSootModelBase::held, CMonodisperseSootModel::held).
struct Model {
    Ref obj;
    CSootModelBase* base;
    explicit Model(const bind::Typed<CSootWrapper>& wrapper);

    PyObject* get() const { return obj.get(); }
    int n_eqns() const;
    Ref w_scrub() const;
};

// set_vars(y[from:]) of the particle model: the monodisperse model's own body
// reads the state vector in place.
void set_vars_from(PyObject* model, PyObject* y, Py_ssize_t from);

// NumPy's behaviour, as the reactors use it: `y[a:b]`, `result[a:b] = v`,
// `result[i] = v`, `np.sum(a * b)`, `np.dot(a, b)`, plain float64 vectors.
using bind::assign;
using bind::F64;
using bind::np_dot;
using bind::same_size;
using bind::set_entry;
using bind::slice;
using bind::sum_product;
using Layout = bind::StateVector;

// The state vector and the result array checked against the layout before
// any work: every named offset inside both, the species block in order, and
// room for the soot block.
struct Check {
    PyObject* y;
    PyObject* r;
    Py_ssize_t ny, nr;
    Check(PyObject* y, PyObject* result);
    void offset(const char* name, int64_t v) const;
    void block(int64_t Y_offset, int64_t soot_offset, int n_eqns) const;
};

// Interpreter arithmetic on objects (NumPy arrays and their elements, floats).
Ref add(PyObject* a, PyObject* b);
Ref sub(PyObject* a, PyObject* b);
Ref mul(PyObject* a, PyObject* b);
Ref div(PyObject* a, PyObject* b);
inline Ref f(double v) { return bind::py(v); }

// `rho_offset`, an instance member read by attribute name.
int64_t member_offset(PyObject* self, const bind::Opt& slot, bool exact);

// Where the soot block starts: `soot_gas.n_species + Y_offset`.
int64_t soot_start(const bind::Typed<CSootGas>& soot_gas, int64_t Y_offset);

}  // namespace rx

}  // namespace pyrandel
