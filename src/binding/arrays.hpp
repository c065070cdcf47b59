// Element access to NumPy arrays and one-dimensional double buffers.
#pragma once

#include "core.hpp"  // Python.h first

#include <concepts>
#include <type_traits>

// Only the array and descriptor layouts (stable across NumPy's 1.x and 2.x ABIs);
// nothing from NumPy's function table.
#define NPY_NO_DEPRECATED_API NPY_1_7_API_VERSION
#include <numpy/ndarraytypes.h>

namespace bind {

// The views of one call from Python: while a method of the module runs, the
// buffer of each float64 array it touches is exported once and shared by all
// element accesses; the views are released when the outermost call returns,
// so no pointer into an array outlives the call that made it.
struct CallScope {
    CallScope();
    ~CallScope();
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;
};

// One-off element access as `a[i]` / `a[i] = v`, converted to double.
double item(PyObject* arr, Py_ssize_t i);
void set_item(PyObject* arr, Py_ssize_t i, double v);
// The same through the array's own item access, never a buffer.
double generic_item(PyObject* arr, Py_ssize_t i);
void generic_set_item(PyObject* arr, Py_ssize_t i, double v);
// Length as `len(a)`.
Py_ssize_t length(PyObject* arr);

// Where the elements of a one-dimensional float64 array lie in memory.
struct F64Span {
    char* data = nullptr;
    Py_ssize_t n = 0;
    Py_ssize_t stride = 0;
    double& operator[](Py_ssize_t i) const { return *reinterpret_cast<double*>(data + i * stride); }
    // The element at index i (a negative one counts from the end), null outside.
    double* slot(Py_ssize_t i) const {
        const Py_ssize_t j = i < 0 ? i + n : i;
        return (size_t)j < (size_t)n ? &(*this)[j] : nullptr;
    }
};

// An exact numpy.ndarray that is one-dimensional, aligned, native float64 (and
// writeable when asked): its elements as its buffer would give them, read from
// the array object itself, which is far cheaper than exporting a buffer. False,
// with nothing pending, for any other object (those take the buffer protocol).
// The span stays valid only while the array is held and no code has run that
// might resize it.
inline bool plain_f64(PyObject* arr, bool writable, F64Span& out);
// True for an exact one-dimensional ndarray of float64, integers or booleans.
bool plain_numeric(PyObject* arr);

// Item access on an ndarray-typed field, with the semantics of `a[i]` and
// `a[i] = v` (negative indices count from the end; NumPy's IndexError outside).
// Float64 one-dimensional arrays are read and written in place, any other array
// through the array's own item access.
class Items {
    Py_buffer own_{};
    bool own_held_ = false;   // own_ holds an export
    bool pinned_ = false;     // a second reference to the array, in place of an export's
    bool direct_ = false;     // span_ is valid
    F64Span span_;
    PyObject* arr_ = nullptr;  // held: item access may run code that drops the field's reference

public:
    explicit Items(PyObject* arr);
    ~Items() {
        if (own_held_) PyBuffer_Release(&own_);
        if (pinned_) Py_DECREF(arr_);
        Py_XDECREF(arr_);
    }
    Items(const Items&) = delete;
    Items& operator=(const Items&) = delete;

    Py_ssize_t size() const { return direct_ ? span_.n : length(arr_); }
    // True when the array is read and written as float64 in place.
    bool direct() const { return direct_; }
    double get(Py_ssize_t i) const { return direct_ ? span_[wrap(i)] : generic_item(arr_, i); }
    void set(Py_ssize_t i, double v) {
        if (direct_) span_[wrap(i)] = v;
        else generic_set_item(arr_, i, v);
    }
    void add(Py_ssize_t i, double d) { set(i, get(i) + d); }
    // True when elements are read and written in place (no code of the array runs).
    bool viewed() const { return direct_; }
    // True when both are viewed and their memory may overlap (one written, the other read).
    bool overlaps(const Items& o) const {
        if (!direct_ || !o.direct_ || span_.n == 0 || o.span_.n == 0) return false;
        auto lo = [](const F64Span& v) { return v.data + (v.stride < 0 ? (v.n - 1) * v.stride : 0); };
        auto hi = [](const F64Span& v) {
            return v.data + (v.stride > 0 ? (v.n - 1) * v.stride : 0) + sizeof(double);
        };
        return lo(span_) < hi(o.span_) && lo(o.span_) < hi(span_);
    }

private:
    Py_ssize_t wrap(Py_ssize_t i) const {
        Py_ssize_t n = span_.n;
        Py_ssize_t j = i < 0 ? i + n : i;
        if (j < 0 || j >= n) out_of_bounds(i, n);
        return j;
    }
    [[noreturn]] static void out_of_bounds(Py_ssize_t i, Py_ssize_t n);
};

// A `double[:]` parameter: a writable one-dimensional buffer of doubles, held
// (an exported buffer, or a reference to a plain float64 ndarray) for the call.
class DoubleBuf {
    Py_buffer view_{};
    bool exported_ = false;
    PyObject* obj_ = nullptr;  // owned when read in place without an export
    F64Span span_;

public:
    DoubleBuf() = default;
    DoubleBuf(PyObject* obj, const char* argname);
    // Part of a plain float64 array (see plain_f64), the array held for the call.
    DoubleBuf(PyObject* owner, F64Span part) : obj_(owner), span_(part) { Py_INCREF(owner); }
    DoubleBuf(DoubleBuf&& o) noexcept : view_(o.view_), exported_(o.exported_), obj_(o.obj_), span_(o.span_) {
        o.exported_ = false;
        o.obj_ = nullptr;
    }
    DoubleBuf(const DoubleBuf&) = delete;
    ~DoubleBuf() {
        if (exported_) PyBuffer_Release(&view_);
        Py_XDECREF(obj_);
    }
    bool is_none() const { return !exported_ && !obj_; }
    Py_ssize_t size() const { return span_.n; }
    const F64Span& span() const { return span_; }  // empty for None
    PyObject* obj() const { return exported_ ? view_.obj : obj_ ? obj_ : Py_None; }
    // Bounds-tested access: IndexError "Out of bounds on buffer access (axis 0)".
    double& at(Py_ssize_t i) {
        if (is_none()) none_subscript();
        if (i < 0) i += span_.n;
        if (i < 0 || i >= span_.n) out_of_bounds();
        return span_[i];
    }

private:
    [[noreturn]] static void none_subscript();
    [[noreturn]] static void out_of_bounds();
};

// The elements of an exact one-dimensional float64 ndarray, read through its
// buffer: the values its `tolist()` gives, without the list. False, with `out`
// untouched and no exception pending, for any other object.
bool read_float64_array(PyObject* arr, std::vector<double>& out);

// A new float64 array through the module's `np`: `np.zeros(n)`.
Ref zeros(Py_ssize_t n);
// `np.zeros_like(X)`, but a float64 array when X holds integers or booleans (rates
// must not be truncated); a plain float64 vector goes through `np.zeros(n)`.
Ref zeros_like_float(PyObject* X);
// NumPy's sum and dot of float arrays, added in index order, with NumPy's errors.
double sum(PyObject* a);
double dot(PyObject* a, PyObject* b);

// std::vector access with an IndexError instead of undefined behaviour.
template <class V, std::integral I>
auto& at(V& v, I i) {
    if constexpr (std::is_signed_v<I>) {
        if (i < 0 || (size_t)i >= v.size())
            raisef(PyExc_IndexError, "index %lld is out of range for a native array of size %zu", (long long)i,
                   v.size());
    } else if ((size_t)i >= v.size()) {
        raisef(PyExc_IndexError, "index %llu is out of range for a native array of size %zu",
               (unsigned long long)i, v.size());
    }
    return v.data()[(size_t)i];  // tested above
}
template <class V>
auto& at(V& v, SizeT i) {
    return at(v, i.v);
}

// NumPy's private mark on the writeable views broadcast_arrays returns: exporting
// a writeable buffer of one warns first, so such arrays take the buffer protocol.
constexpr unsigned warn_on_write = 1u << 31;

// The fields of an exact ndarray; null for any other object (subclasses may
// give their elements another way).
inline PyArrayObject* exact_ndarray(PyObject* o) {
    return g.ndarray && Py_IS_TYPE(o, (PyTypeObject*)g.ndarray) ? reinterpret_cast<PyArrayObject*>(o) : nullptr;
}

inline bool plain_f64(PyObject* arr, bool writable, F64Span& out) {
    PyArrayObject* a = exact_ndarray(arr);
    if (!a || PyArray_NDIM(a) != 1) return false;
    const PyArray_Descr* d = PyArray_DESCR(a);
    if (d->type_num != NPY_DOUBLE || !PyArray_ISNBO(d->byteorder)) return false;
    const unsigned flags = (unsigned)PyArray_FLAGS(a);
    if (!(flags & NPY_ARRAY_ALIGNED)) return false;
    if (writable && (!(flags & NPY_ARRAY_WRITEABLE) || (flags & warn_on_write))) return false;
    out.data = static_cast<char*>(PyArray_DATA(a));
    out.n = PyArray_DIMS(a)[0];
    out.stride = PyArray_STRIDES(a)[0];
    return true;
}

}  // namespace bind
