#include "arrays.hpp"

#include <cstring>

#include "numpy.hpp"

namespace bind {

bool plain_numeric(PyObject* arr) {
    PyArrayObject* a = exact_ndarray(arr);
    if (!a || PyArray_NDIM(a) != 1) return false;
    switch (PyArray_DESCR(a)->type_num) {
    case NPY_BOOL: case NPY_BYTE: case NPY_UBYTE: case NPY_SHORT: case NPY_USHORT: case NPY_INT: case NPY_UINT:
    case NPY_LONG: case NPY_ULONG: case NPY_LONGLONG: case NPY_ULONGLONG: case NPY_DOUBLE:
        return true;
    default:
        return false;
    }
}

static bool is_native_double(const Py_buffer& v) {
    if (v.ndim != 1 || v.itemsize != (Py_ssize_t)sizeof(double) || !v.format) return false;
    const char* f = v.format;
    if (*f == '@' || *f == '=' || *f == '<') ++f;
    return f[0] == 'd' && f[1] == '\0';
}

namespace {

// Views shared within the outermost call; a handful of arrays per step.
struct Shared {
    PyObject* obj;
    Py_buffer view;
};
constexpr int max_shared = 12;
Shared shared[max_shared];
int n_shared = 0;
int depth = 0;

bool acquire(PyObject* arr, Py_buffer& view) {
    if (!arr || !g.ndarray || !PyObject_TypeCheck(arr, (PyTypeObject*)g.ndarray)) return false;
    if (PyObject_GetBuffer(arr, &view, PyBUF_RECORDS) < 0) {
        PyErr_Clear();  // read-only or exotic: item access reports what NumPy says
        return false;
    }
    if (is_native_double(view)) return true;
    PyBuffer_Release(&view);
    return false;
}

F64Span span_of(const Py_buffer& v) { return F64Span{static_cast<char*>(v.buf), v.shape[0], v.strides[0]}; }

}  // namespace

CallScope::CallScope() { ++depth; }

CallScope::~CallScope() {
    if (--depth > 0) return;
    // Releasing may run arbitrary code (a buffer exporter's release hook).
    while (n_shared > 0) {
        --n_shared;
        PyBuffer_Release(&shared[n_shared].view);
    }
}

Items::Items(PyObject* arr) : arr_(arr) {
    Py_XINCREF(arr_);
    // A plain float64 array is read in place. Its memory stays put while held:
    // NumPy refuses to resize an array with references beyond its owner's, and
    // the second reference stands in for the one an exported buffer would hold.
    if (arr && plain_f64(arr, true, span_)) {
        Py_INCREF(arr);
        pinned_ = direct_ = true;
        return;
    }
    if (depth > 0) {
        for (int k = 0; k < n_shared; ++k)
            if (shared[k].obj == arr) {
                span_ = span_of(shared[k].view);
                direct_ = true;
                return;
            }
        if (n_shared < max_shared) {
            if (acquire(arr, shared[n_shared].view)) {
                shared[n_shared].obj = arr;
                span_ = span_of(shared[n_shared++].view);
                direct_ = true;
            }
            return;
        }
    }
    if (acquire(arr, own_)) {
        own_held_ = true;
        span_ = span_of(own_);
        direct_ = true;
    }
}

bool read_float64_array(PyObject* arr, std::vector<double>& out) {
    auto copy = [&out](const F64Span& s) {
        out.resize((size_t)s.n);
        if (s.stride == (Py_ssize_t)sizeof(double)) {
            if (s.n > 0) std::memcpy(out.data(), s.data, (size_t)s.n * sizeof(double));
            return;
        }
        for (Py_ssize_t i = 0; i < s.n; ++i) std::memcpy(&out[(size_t)i], s.data + i * s.stride, sizeof(double));
    };
    F64Span s;
    if (plain_f64(arr, false, s)) {
        copy(s);
        return true;
    }
    // Only NumPy's own type: a subclass may give its elements another way.
    if (!exact_ndarray(arr)) return false;
    Py_buffer view;
    if (PyObject_GetBuffer(arr, &view, PyBUF_RECORDS_RO) < 0) {
        PyErr_Clear();
        return false;
    }
    const bool ok = is_native_double(view);
    if (ok) {
        try {
            copy(span_of(view));
        } catch (...) {
            PyBuffer_Release(&view);
            throw;
        }
    }
    PyBuffer_Release(&view);
    return ok;
}

void Items::out_of_bounds(Py_ssize_t i, Py_ssize_t n) {
    raisef(PyExc_IndexError, "index %zd is out of bounds for axis 0 with size %zd", i, n);
}

double item(PyObject* arr, Py_ssize_t i) { return Items(arr).get(i); }
void set_item(PyObject* arr, Py_ssize_t i, double v) { Items(arr).set(i, v); }

double generic_item(PyObject* arr, Py_ssize_t i) {
    Ref k = py((int64_t)i);
    Ref v = Ref::steal(PyObject_GetItem(arr, k.get()));
    return as_double(v.get());
}

void generic_set_item(PyObject* arr, Py_ssize_t i, double v) {
    Ref k = py((int64_t)i);
    Ref x = py(v);
    if (PyObject_SetItem(arr, k.get(), x.get()) < 0) fail();
}

Py_ssize_t length(PyObject* arr) {
    Py_ssize_t n = PyObject_Length(arr);
    if (n < 0) fail();
    return n;
}

static Name n_zeros("zeros");
static Name n_zeros_like("zeros_like");

Ref zeros(Py_ssize_t n) {
    Ref f = getattr(np().get(), n_zeros);
    Ref k = py((int64_t)n);
    return call(f.get(), k.get());
}

Ref zeros_like_float(PyObject* X) {
    Ref fn = getattr(np().get(), n_zeros_like);
    Py_buffer view;
    bool have_view = false;
    if (X != Py_None && PyObject_CheckBuffer(X)) {
        if (PyObject_GetBuffer(X, &view, PyBUF_FORMAT | PyBUF_STRIDES) == 0) have_view = true;
        else PyErr_Clear();
    }
    char f = 'd';
    Py_ssize_t n = 0;
    int ndim = 0;
    if (have_view) {
        const char* fmt = view.format ? view.format : "B";
        f = fmt[fmt[0] == '<' || fmt[0] == '=' || fmt[0] == '@'];
        n = view.ndim ? view.shape[0] : 0;
        ndim = view.ndim;
        PyBuffer_Release(&view);
    }
    const NumpyOwn& nz = numpy_own;
    // A plain one-dimensional float64 array: np.zeros(n) is what zeros_like gives.
    if (have_view && fn.get() == nz.zeros_like && Py_IS_TYPE(X, (PyTypeObject*)g.ndarray) && ndim == 1 &&
        f == 'd')
        return call(nz.zeros, py((int64_t)n).get());
    // The field holds an ndarray or None.
    auto checked = [](Ref z) {
        if (z.get() != Py_None && !PyObject_TypeCheck(z.get(), (PyTypeObject*)g.ndarray))
            raisef(PyExc_TypeError, "Cannot convert %.200s to %.200s", Py_TYPE(z.get())->tp_name,
                         ((PyTypeObject*)g.ndarray)->tp_name);
        return z;
    };
    Ref z = checked(call(fn.get(), X));
    if (z.get() == Py_None) return z;
    if (!have_view || !std::strchr("?bBhHiIlLqQnN", f)) return z;
    Ref args = tuple_of({X});
    Ref kw = Ref::steal(Py_BuildValue("{s:s}", "dtype", "float64"));
    return checked(Ref::steal(PyObject_Call(fn.get(), args.get(), kw.get())));
}


// NumPy sum and dot of float arrays, added in index order.
double sum(PyObject* a) {
    if (a == Py_None) raise(PyExc_TypeError, "unsupported operand type(s) for /: 'NoneType' and 'float'");
    Items v(a);
    double acc = 0.0;
    Py_ssize_t n = v.size();
    for (Py_ssize_t k = 0; k < n; ++k) acc += v.get(k);
    return acc;
}

double dot(PyObject* a, PyObject* b) {
    if (a == Py_None || b == Py_None)
        raisef(PyExc_TypeError, "unsupported operand type(s) for *: '%s' and '%s'",
                     a == Py_None ? "NoneType" : "float", b == Py_None ? "NoneType" : "float");
    Items u(a), v(b);
    Py_ssize_t n = u.size(), m = v.size();
    if (n != m)
        raisef(PyExc_ValueError, "shapes (%zd,) and (%zd,) not aligned: %zd (dim 0) != %zd (dim 0)", n, m, n, m);
    double acc = 0.0;
    for (Py_ssize_t k = 0; k < n; ++k) acc += u.get(k) * v.get(k);
    return acc;
}


DoubleBuf::DoubleBuf(PyObject* obj, const char* argname) {
    (void)argname;
    if (obj == Py_None) return;
    if (plain_f64(obj, true, span_)) {
        Py_INCREF(obj);  // holds the memory for the call, as an export would
        obj_ = obj;
        return;
    }
    if (PyObject_GetBuffer(obj, &view_, PyBUF_RECORDS) < 0) fail();
    if (view_.ndim != 1) {
        int nd = view_.ndim;
        PyBuffer_Release(&view_);
        raisef(PyExc_ValueError, "Buffer has wrong number of dimensions (expected 1, got %d)", nd);
    }
    if (!is_native_double(view_)) {
        std::string f = view_.format ? view_.format : "B";
        PyBuffer_Release(&view_);
        raisef(PyExc_ValueError, "Buffer dtype mismatch, expected 'double' but got '%s'", f.c_str());
    }
    exported_ = true;
    span_ = span_of(view_);
}

void DoubleBuf::none_subscript() { raise(PyExc_TypeError, "'NoneType' object is not subscriptable"); }
void DoubleBuf::out_of_bounds() { raise(PyExc_IndexError, "Out of bounds on buffer access (axis 0)"); }

}  // namespace bind
