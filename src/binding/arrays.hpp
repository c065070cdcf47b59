// Element access to NumPy arrays and one-dimensional double buffers.
#pragma once

#include "core.hpp"  // Python.h first

#include <concepts>
#include <type_traits>

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

// Item access on an ndarray-typed field, with the semantics of `a[i]` and
// `a[i] = v` (negative indices count from the end; NumPy's IndexError outside).
// Float64 one-dimensional arrays are read and written through the buffer, any
// other array through the array's own item access.
class Items {
    Py_buffer own_{};
    Py_buffer* view_ = nullptr;  // &own_, a view shared within the call, or none
    PyObject* arr_ = nullptr;    // held: item access may run code that drops the field's reference

public:
    explicit Items(PyObject* arr);
    ~Items() {
        if (view_ == &own_) PyBuffer_Release(&own_);
        Py_XDECREF(arr_);
    }
    Items(const Items&) = delete;
    Items& operator=(const Items&) = delete;

    Py_ssize_t size() const { return view_ ? view_->shape[0] : length(arr_); }
    // True when the array is read and written as float64 through its buffer.
    bool direct() const { return view_ != nullptr; }
    double get(Py_ssize_t i) const { return view_ ? *ptr(wrap(i)) : generic_item(arr_, i); }
    void set(Py_ssize_t i, double v) {
        if (view_) *ptr(wrap(i)) = v;
        else generic_set_item(arr_, i, v);
    }
    void add(Py_ssize_t i, double d) { set(i, get(i) + d); }
    // True when elements are read and written through a buffer (no code of the array runs).
    bool viewed() const { return view_ != nullptr; }
    // True when both are viewed and their memory may overlap (one written, the other read).
    bool overlaps(const Items& o) const {
        if (!view_ || !o.view_ || view_->shape[0] == 0 || o.view_->shape[0] == 0) return false;
        auto lo = [](const Py_buffer* v) {
            return static_cast<const char*>(v->buf) + (v->strides[0] < 0 ? (v->shape[0] - 1) * v->strides[0] : 0);
        };
        auto hi = [](const Py_buffer* v) {
            return static_cast<const char*>(v->buf) + (v->strides[0] > 0 ? (v->shape[0] - 1) * v->strides[0] : 0) +
                   sizeof(double);
        };
        return lo(view_) < hi(o.view_) && lo(o.view_) < hi(view_);
    }

private:
    Py_ssize_t wrap(Py_ssize_t i) const {
        Py_ssize_t n = view_->shape[0];
        Py_ssize_t j = i < 0 ? i + n : i;
        if (j < 0 || j >= n) out_of_bounds(i, n);
        return j;
    }
    [[noreturn]] static void out_of_bounds(Py_ssize_t i, Py_ssize_t n);
    double* ptr(Py_ssize_t i) const {
        return reinterpret_cast<double*>(static_cast<char*>(view_->buf) + i * view_->strides[0]);
    }
};

// A `double[:]` parameter: a writable one-dimensional buffer of doubles.
class DoubleBuf {
    Py_buffer view_{};
    bool have_ = false;

public:
    DoubleBuf() = default;
    DoubleBuf(PyObject* obj, const char* argname);
    DoubleBuf(DoubleBuf&& o) noexcept : view_(o.view_), have_(o.have_) { o.have_ = false; }
    DoubleBuf(const DoubleBuf&) = delete;
    ~DoubleBuf() {
        if (have_) PyBuffer_Release(&view_);
    }
    bool is_none() const { return !have_; }
    Py_ssize_t size() const { return have_ ? view_.shape[0] : 0; }
    PyObject* obj() const { return have_ ? view_.obj : Py_None; }
    // Bounds-tested access: IndexError "Out of bounds on buffer access (axis 0)".
    double& at(Py_ssize_t i);
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

}  // namespace bind
