#include "arrays.hpp"

#include <cstring>

namespace bind {

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
    if (depth > 0) {
        for (int k = 0; k < n_shared; ++k)
            if (shared[k].obj == arr) {
                view_ = &shared[k].view;
                return;
            }
        if (n_shared < max_shared) {
            if (acquire(arr, shared[n_shared].view)) {
                shared[n_shared].obj = arr;
                view_ = &shared[n_shared++].view;
            }
            return;
        }
    }
    if (acquire(arr, own_)) view_ = &own_;
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

Ref zeros(Py_ssize_t n) {
    Ref f = getattr(np().get(), n_zeros);
    Ref k = py((int64_t)n);
    return call(f.get(), k.get());
}


DoubleBuf::DoubleBuf(PyObject* obj, const char* argname) {
    if (obj == Py_None) return;
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
    (void)argname;
    have_ = true;
}

double& DoubleBuf::at(Py_ssize_t i) {
    if (!have_) raise(PyExc_TypeError, "'NoneType' object is not subscriptable");
    Py_ssize_t n = view_.shape[0];
    if (i < 0) i += n;
    if (i < 0 || i >= n) raise(PyExc_IndexError, "Out of bounds on buffer access (axis 0)");
    return *reinterpret_cast<double*>(static_cast<char*>(view_.buf) + i * view_.strides[0]);
}

}  // namespace bind
