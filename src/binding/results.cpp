#include <Python.h>

#include "results.hpp"

#include <cmath>
#include <cstring>

namespace bind {

namespace {
PyObject* float64_type = nullptr;
// numpy.float64 derives from float with the same layout: a new scalar is
// allocated and its value stored directly, as NumPy itself makes scalars.
bool float_layout = false;

// Elements whose product with a Python float is a float64 scalar: float64,
// integers and booleans, read through the buffer's format code.
bool widens_to_float64(PyObject* arr) {
    if (!g.ndarray || Py_TYPE(arr) != (PyTypeObject*)g.ndarray) return false;
    if (plain_numeric(arr)) return true;
    Py_buffer view;
    if (PyObject_GetBuffer(arr, &view, PyBUF_RECORDS_RO) < 0) {
        PyErr_Clear();  // object and other exotic arrays: no buffer
        return false;
    }
    bool ok = false;
    if (view.ndim == 1 && view.format) {
        const char* f = view.format;
        if (*f && std::strchr("@=<>!", *f)) ++f;
        ok = f[0] && !f[1] && std::strchr("d?bBhHiIlLqQnN", f[0]);
    }
    PyBuffer_Release(&view);
    return ok;
}
}  // namespace

void set_float64_type(PyObject* t) {
    Py_XINCREF(t);
    Py_XSETREF(float64_type, t);
    auto* tp = (PyTypeObject*)t;
    float_layout = tp && PyType_IsSubtype(tp, &PyFloat_Type) && tp->tp_basicsize == sizeof(PyFloatObject) &&
                   tp->tp_itemsize == 0 && tp->tp_alloc;
}

Ref np_float(double v) {
    if (!float64_type) return py(v);
    if (float_layout) {
        auto* tp = (PyTypeObject*)float64_type;
        Ref o = Ref::steal(tp->tp_alloc(tp, 0));
        reinterpret_cast<PyFloatObject*>(o.get())->ob_fval = v;
        return o;
    }
    Ref f = py(v);
    return Ref::steal(PyObject_CallOneArg(float64_type, f.get()));
}

bool is_np_float(PyObject* o) {
    return !PyFloat_CheckExact(o) && float64_type && PyObject_TypeCheck(o, (PyTypeObject*)float64_type);
}

Ref add(PyObject* a, PyObject* b) {
    bool fa = PyFloat_CheckExact(a), fb = PyFloat_CheckExact(b);
    if (fa && fb) return py(PyFloat_AS_DOUBLE(a) + PyFloat_AS_DOUBLE(b));
    PyObject* f64 = float64_type;
    if (f64 && float_layout && (fa || Py_TYPE(a) == (PyTypeObject*)f64) && (fb || Py_TYPE(b) == (PyTypeObject*)f64)) {
        double s = PyFloat_AS_DOUBLE(a) + PyFloat_AS_DOUBLE(b);
        if (std::isfinite(s)) return np_float(s);
    }
    return Ref::steal(PyNumber_Add(a, b));
}

Ref item_arith(const ItemArith& r) {
    if (!r.arr) return py(r.v);
    // A normal float64 result raised no floating-point flag that NumPy reports.
    if (std::isnormal(r.v) && widens_to_float64(r.arr)) return np_float(r.v);
    Ref arr = Ref::borrow(r.arr);  // the element's arithmetic may run code that drops the field
    Ref idx = py((int64_t)r.i);
    Ref x = Ref::steal(PyObject_GetItem(arr.get(), idx.get()));
    Ref mul = py(r.mul);
    Ref prod = Ref::steal(PyNumber_Multiply(x.get(), mul.get()));
    Ref div = py(r.div);
    return Ref::steal(PyNumber_TrueDivide(prod.get(), div.get()));
}

}  // namespace bind
