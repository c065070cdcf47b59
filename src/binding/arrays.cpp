#include "arrays.hpp"

#include <cstring>

namespace bind {

static bool is_native_double(const Py_buffer& v) {
    if (v.ndim != 1 || v.itemsize != (Py_ssize_t)sizeof(double) || !v.format) return false;
    const char* f = v.format;
    if (*f == '@' || *f == '=' || *f == '<') ++f;
    return f[0] == 'd' && f[1] == '\0';
}

Items::Items(PyObject* arr) : arr_(arr) {
    if (arr && arr != Py_None && PyObject_CheckBuffer(arr)) {
        if (PyObject_GetBuffer(arr, &view_, PyBUF_RECORDS) == 0) {
            if (is_native_double(view_)) {
                have_view_ = true;
                return;
            }
            PyBuffer_Release(&view_);
        } else {
            PyErr_Clear();  // read-only or exotic: fall back to item access
        }
    }
}

Py_ssize_t Items::size() const { return have_view_ ? view_.shape[0] : length(arr_); }

Py_ssize_t Items::wrap(Py_ssize_t i) const {
    Py_ssize_t n = view_.shape[0];
    Py_ssize_t j = i < 0 ? i + n : i;
    if (j < 0 || j >= n) raisef(PyExc_IndexError, "index %zd is out of bounds for axis 0 with size %zd", i, n);
    return j;
}

double Items::get(Py_ssize_t i) const {
    if (have_view_) return *ptr(wrap(i));
    return item(arr_, i);
}

void Items::set(Py_ssize_t i, double v) {
    if (have_view_) {
        *ptr(wrap(i)) = v;
        return;
    }
    set_item(arr_, i, v);
}

double item(PyObject* arr, Py_ssize_t i) {
    Ref k = py((int64_t)i);
    Ref v = Ref::steal(PyObject_GetItem(arr, k.get()));
    return as_double(v.get());
}

void set_item(PyObject* arr, Py_ssize_t i, double v) {
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

Ref zeros_like(PyObject* a) {
    Ref f = getattr(np().get(), n_zeros_like);
    return call(f.get(), a);
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
