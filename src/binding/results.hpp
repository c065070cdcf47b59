// Result kinds of methods whose value is a NumPy number. The C++ body returns
// a small value type that converts to double, so calls between bodies stay on
// plain doubles; only the result handed to the interpreter is boxed as NumPy
// would give it.
#pragma once

#include "cls.hpp"

namespace bind {

// numpy.float64, fetched once at start-up from the NumPy the module imports.
void set_float64_type(PyObject* t);
// A new numpy.float64 holding `v`.
Ref np_float(double v);

// A double that reaches the interpreter as numpy.float64, as a result of
// NumPy's functions (exp, log, sum, dot) or of arithmetic on array elements.
// `numpy` false: this evaluation took a branch whose result is a plain float.
struct NpFloat {
    double v;
    bool numpy = true;
    NpFloat(double x) : v(x) {}
    NpFloat(double x, bool np) : v(x), numpy(np) {}
    operator double() const { return v; }
};

template <>
struct Ret<NpFloat> {
    static PyObject* to_py(NpFloat r) { return (r.numpy ? np_float(r.v) : py(r.v)).release(); }
    static NpFloat from_py(Ref r) { return NpFloat(as_double(r.get())); }
};

// True when a Python number is a NumPy float64 (or a subclass of it).
bool is_np_float(PyObject* o);

// `a + b` as the interpreter adds them; Python floats and NumPy float64s are
// added in doubles (a float64 when either is one), a result that is not
// finite through the operands' own addition, with NumPy's warnings.
Ref add(PyObject* a, PyObject* b);

// `arr[i] * mul / div` with NumPy's element arithmetic. `v` is the value C++
// callers use; the interpreter gets what the element's own arithmetic gives.
struct ItemArith {
    double v;
    PyObject* arr;  // borrowed from a field; read only while the call that made it returns
    Py_ssize_t i;
    double mul, div;
    operator double() const { return v; }
};
Ref item_arith(const ItemArith& r);

template <>
struct Ret<ItemArith> {
    static PyObject* to_py(const ItemArith& r) { return item_arith(r).release(); }
    static ItemArith from_py(Ref r) { return ItemArith{as_double(r.get()), nullptr, 0, 0.0, 0.0}; }
};

}  // namespace bind
