// NumPy's behaviour where the module stands in for it: its floating-point
// error handling, interpolation, stacking, sums and dot products, indexing and
// item assignment. Each call goes through the module's `np` unless `np` still
// holds NumPy's own function and the operands are plain float64 arrays; then
// the result is computed here, operation for operation as NumPy computes it.
#pragma once

#include <cfenv>
#include <initializer_list>
#include <vector>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "arrays.hpp"

namespace bind {

// NumPy's own functions and scalar type, to recognise the common case of an
// unchanged `np`; captured at start-up (null where a stand-in numpy lacks one).
struct NumpyOwn {
    PyObject* interp = nullptr;
    PyObject* hstack = nullptr;
    PyObject* empty = nullptr;
    PyObject* float64 = nullptr;
    PyObject* sum = nullptr;
    PyObject* zeros = nullptr;
    PyObject* zeros_like = nullptr;
};
extern NumpyOwn numpy_own;
void capture_numpy(PyObject* numpy);

// ------------------------------------------------------------- arithmetic

// Division as NumPy's float64 scalars do it: no test, IEEE results.
using NumpyDiv = PlainDiv;

// Watches the floating-point status over a stretch of NumPy-style arithmetic
// and hands what it saw to NumPy's error handling (np.errstate decides between
// a RuntimeWarning, an exception or silence).
class FpWatch {
public:
    static constexpr int watched = FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW | FE_INVALID;
#if defined(__SSE2__) && defined(__x86_64__)
    // Doubles live in SSE registers: the status word of the SSE unit is all
    // there is to watch, and reading it is far cheaper than the x87 one.
    FpWatch() { _mm_setcsr(_mm_getcsr() & ~0x3Fu); }
    int raised() const {
        const unsigned s = _mm_getcsr();
        return (s & 0x04 ? FE_DIVBYZERO : 0) | (s & 0x08 ? FE_OVERFLOW : 0) | (s & 0x10 ? FE_UNDERFLOW : 0) |
               (s & 0x01 ? FE_INVALID : 0);
    }
#else
    FpWatch() { std::feclearexcept(FE_ALL_EXCEPT); }
    int raised() const { return std::fetestexcept(watched); }
#endif
    // Reports the flags raised since construction (or `extra`) and clears them.
    void report(int extra = 0);
};
void report_fp(int flags);

// A double as NumPy's float64 scalar, made by calling the type.
Ref f64(double v);
// `np.pi` as a float.
double np_pi();

// ------------------------------------------------------- float64 vectors

// A read view of a one-dimensional native float64 buffer of an exact ndarray.
class F64 {
    Py_buffer v_{};
    bool ok_ = false;
    bool exported_ = false;  // v_ holds an export; otherwise a reference to the array in its place
    PyObject* held_ = nullptr;
    F64Span s_;

public:
    explicit F64(PyObject* o, bool writable = false);
    ~F64() {
        if (exported_) PyBuffer_Release(&v_);
        Py_XDECREF(held_);
    }
    F64(const F64&) = delete;
    F64& operator=(const F64&) = delete;
    bool ok() const { return ok_; }
    Py_ssize_t size() const { return s_.n; }
    double& operator[](Py_ssize_t i) const { return s_[i]; }
};
// True when every view is a float64 vector of n entries.
bool same_size(std::initializer_list<const F64*> views, Py_ssize_t n);

// The state vector of one call: its length checked against the layout before
// the caller touches anything, its entries read as floats. A float64 array
// stays exported for the call (NumPy refuses to resize it meanwhile), so its
// entries are read from the buffer at the time they are needed.
struct StateVector {
    PyObject* y;
    Py_ssize_t n;
    F64 view;
    explicit StateVector(PyObject* y);
    void offset(const char* name, long v) const;
    void needs(const char* what, long end) const;
    // `y[i]` as a float; `y[i] / d` (NumPy's or Python's rules for a zero d).
    double at(Py_ssize_t i) const;
    double div(Py_ssize_t i, double d) const;
};

// ----------------------------------------------------------- indexing

// `y[a:b]` (b < 0: to the end) and `r[a:b] = v`.
Ref slice(PyObject* y, Py_ssize_t a, Py_ssize_t b);
void assign(PyObject* r, Py_ssize_t a, Py_ssize_t b, PyObject* v);
// `r[i] = v`: in place into a writable float64 vector, else by item assignment.
void set_entry(PyObject* r, Py_ssize_t i, double v);
// X[:, i], a view
Ref column(PyObject* X, Py_ssize_t i);
// X[i, :] = v and X[:, i] = v, by NumPy item assignment
void set_row(PyObject* X, Py_ssize_t i, PyObject* v);
void set_column(PyObject* X, Py_ssize_t i, PyObject* v);
// Column j of a two-dimensional array as doubles (all rows); IndexError outside.
void column_values(PyObject* X, Py_ssize_t j, std::vector<double>& out);

// An array the caller writes numbers into must hold float64 (an integer array
// would truncate them silently): TypeError otherwise. None passes (the write
// then fails as NumPy's item assignment on None does).
void require_float64(PyObject* arr, const char* field);
// arr[i] = v into an array the caller fills: float64 through the buffer,
// refused with TypeError for any other element type.
void put(PyObject* arr, Py_ssize_t i, double v, const char* field);

// -------------------------------------------------------- array functions

// `np.interp(x, profile[0, :], profile[1, :])` with the module's `np`;
// natively when `np.interp` is NumPy's own and the profile a float64 array
// with increasing abscissae.
double interp(PyObject* x, double xd, PyObject* profile, const char* name);
// np.interp(z, flame.grid, flame.<name>)
Ref interp_profile(PyObject* z, PyObject* flame, PyObject* name);
// np.interp(z, flame.grid, flame.X[i, :])
Ref interp_species(PyObject* z, PyObject* flame, Py_ssize_t i);
// np.interp(z, flame.grid, values)
Ref interp_values(PyObject* z, PyObject* flame, PyObject* values);

// np.ones(n) * factor
Ref ones_times(Py_ssize_t n, PyObject* factor);
// a * under + b * (1.0 - under) by NumPy's array arithmetic (a new array).
Ref relax(PyObject* a1, PyObject* a0, double under);
// `np.empty(n)` of NumPy's own.
Ref new_array(Py_ssize_t n);

// `np.hstack((head..., Y, tail...))`. Y is an ndarray or any object NumPy
// accepts; natively when `np.hstack` is NumPy's own and Y a one-dimensional
// float64 array.
Ref hstack(std::initializer_list<double> head, PyObject* Y, std::initializer_list<double> tail);
// True when the module's `np.hstack` is NumPy's own.
bool own_hstack();

// `np.dot(a, b)` as a float, and `np.sum(a * b)` with the module's `np`: as
// the object NumPy gives, or as a float computed here (NumPy's pairwise order)
// for plain float64 vectors. The two differ in rounding order.
double np_dot(PyObject* a, PyObject* b);
Ref np_sum_product(PyObject* a, PyObject* b);
double sum_product(PyObject* a, PyObject* b);

}  // namespace bind
