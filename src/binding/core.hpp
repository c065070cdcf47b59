// Core of the binding layer: owned references, pending-exception transport,
// interned names and the number conversions every extension type shares.
// Nothing in here knows about soot.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <source_location>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace bind {

// Thrown when a Python exception is pending; the wrappers turn it back into NULL.
struct Error {};

[[noreturn]] inline void fail() { throw Error{}; }
[[noreturn]] void raise(PyObject* type, const char* msg);
[[noreturn]] void raisef(PyObject* type, const char* fmt, ...);

inline PyObject* check(PyObject* o) {
    if (!o) fail();
    return o;
}

// Owned reference. Moves, never copies silently.
class Ref {
    PyObject* p_ = nullptr;

public:
    Ref() = default;
    explicit Ref(PyObject* owned) : p_(owned) {}
    Ref(const Ref& o) : p_(o.p_) { Py_XINCREF(p_); }
    Ref(Ref&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    Ref& operator=(Ref o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~Ref() { Py_XDECREF(p_); }

    // Takes ownership of a new reference; a NULL means an exception is pending.
    static Ref steal(PyObject* p) { return Ref(check(p)); }
    static Ref borrow(PyObject* p) {
        Py_XINCREF(p);
        return Ref(p);
    }
    PyObject* get() const { return p_; }
    PyObject* release() {
        PyObject* p = p_;
        p_ = nullptr;
        return p;
    }
    explicit operator bool() const { return p_ != nullptr; }
};

// A name created once at start-up. Declare at namespace scope; `intern_all` runs in
// the module's execution step.
struct Name {
    const char* text;
    PyObject* obj = nullptr;
    explicit Name(const char* t);
    Name(const Name&) = delete;
    operator PyObject*() const { return obj; }
};
bool intern_all();

// Every module-level constant object the layer creates once.
struct Globals {
    PyObject* empty_tuple = nullptr;
    PyObject* ndarray = nullptr;  // numpy.ndarray, set by the type import
    PyObject* module_dict = nullptr;
};
extern Globals g;

// A parameter taken as an unsigned size (negative values refused).
struct SizeT {
    size_t v;
    operator size_t() const { return v; }
};

// ---------------------------------------------------------------- conversions

inline double as_double(PyObject* o) {
    if (PyFloat_CheckExact(o)) return PyFloat_AS_DOUBLE(o);
    double v = PyFloat_AsDouble(o);
    if (v == -1.0 && PyErr_Occurred()) fail();
    return v;
}

// Integer conversion of int fields and parameters: a float is truncated toward
// zero; an object without an integer conversion is refused.
long as_long(PyObject* o);
int as_int(PyObject* o);
// Unsigned size: negative values are refused with OverflowError.
size_t as_size_t(PyObject* o);
// Signed 64-bit index: only objects with an index conversion (floats refused).
int64_t as_index64(PyObject* o);
inline bool as_bool(PyObject* o) {
    int r = PyObject_IsTrue(o);
    if (r < 0) fail();
    return r != 0;
}

inline Ref py(double v) { return Ref::steal(PyFloat_FromDouble(v)); }
inline Ref py(int v) { return Ref::steal(PyLong_FromLong(v)); }
inline Ref py(int64_t v) { return Ref::steal(PyLong_FromLongLong(v)); }
inline Ref py(size_t v) { return Ref::steal(PyLong_FromSize_t(v)); }
inline Ref py(bool v) { return Ref::borrow(v ? Py_True : Py_False); }
inline Ref none() { return Ref::borrow(Py_None); }
// A float of value v for a field that holds `held`: none (the field keeps
// `held`, changed in place) where `held` is an exact float no one else holds,
// so nobody can see the difference and no object is made and freed per step;
// a new float otherwise.
inline Ref float_for(PyObject* held, double v) {
    if (!PyFloat_CheckExact(held) || Py_REFCNT(held) != 1) return py(v);
    ((PyFloatObject*)held)->ob_fval = v;
    return Ref();
}

template <class E>
Ref list_of(const std::vector<E>& v) {
    Ref l = Ref::steal(PyList_New((Py_ssize_t)v.size()));
    for (size_t i = 0; i < v.size(); ++i) PyList_SET_ITEM(l.get(), (Py_ssize_t)i, py(v[i]).release());
    return l;
}

// Any iterable of numbers into a vector; on failure `out` is untouched.
void fill_from_iterable(std::vector<double>& out, PyObject* it);
void fill_from_iterable(std::vector<int>& out, PyObject* it);

// ------------------------------------------------------------------- arithmetic

// Division of numbers held as doubles with a zero test ("float division").
inline double fdiv(double a, double b) {
    if (b == 0.0) raise(PyExc_ZeroDivisionError, "float division");
    return a / b;
}
// Division of the interpreter's float objects ("float division by zero").
inline double pydiv(double a, double b) {
    if (b == 0.0) raise(PyExc_ZeroDivisionError, "float division by zero");
    return a / b;
}
// How a formula divides, as a template parameter: CheckedDiv with the zero tests
// above (div and fdiv "float division", pydiv "float division by zero");
// PlainDiv with IEEE results, for NumPy's float64 arithmetic or where a checked
// route has proved the divisor non-zero.
struct CheckedDiv {
    static double div(double a, double b) { return bind::fdiv(a, b); }
    static double fdiv(double a, double b) { return bind::fdiv(a, b); }
    static double pydiv(double a, double b) { return bind::pydiv(a, b); }
};
struct PlainDiv {
    static double div(double a, double b) { return a / b; }
    static double fdiv(double a, double b) { return a / b; }
    static double pydiv(double a, double b) { return a / b; }
};
// Python's max(a, b) / min(a, b) on two floats: the first argument wins ties and
// NaN handling follows the comparison `b > a`.
inline double pymax(double a, double b) { return b > a ? b : a; }
inline double pymin(double a, double b) { return b < a ? b : a; }

// ------------------------------------------------------------ attribute access

// Counts a call that may re-enter the module against the interpreter's
// recursion limit, so that a loop of objects calling each other ends in
// RecursionError rather than a C stack overflow.
struct RecursionGuard {
    explicit RecursionGuard(const char* where) {
        if (Py_EnterRecursiveCall(where)) fail();
    }
    ~RecursionGuard() { Py_LeaveRecursiveCall(); }
    RecursionGuard(const RecursionGuard&) = delete;
    RecursionGuard& operator=(const RecursionGuard&) = delete;
};

// Attribute reads and writes and calls by name: each may run code of the caller's objects.
inline Ref getattr(PyObject* o, PyObject* name) {
    RecursionGuard guard(" while getting an attribute");
    return Ref::steal(PyObject_GetAttr(o, name));
}
inline void setattr(PyObject* o, PyObject* name, PyObject* v) {
    RecursionGuard guard(" while setting an attribute");
    if (PyObject_SetAttr(o, name, v) < 0) fail();
}
inline Ref call(PyObject* f) {
    RecursionGuard guard(" while calling a Python object");
    return Ref::steal(PyObject_CallNoArgs(f));
}
inline Ref call(PyObject* f, PyObject* a) {
    RecursionGuard guard(" while calling a Python object");
    return Ref::steal(PyObject_CallOneArg(f, a));
}
template <class... A>
Ref call_method(PyObject* self, PyObject* name, A... args) {
    RecursionGuard guard(" while calling a Python object");
    PyObject* v[] = {self, args...};
    return Ref::steal(PyObject_VectorcallMethod(name, v, (1 + sizeof...(A)) | PY_VECTORCALL_ARGUMENTS_OFFSET, nullptr));
}
Ref tuple_of(std::initializer_list<PyObject*> items);
// The definition behind a built-in method bound to `self` (the interpreter's
// private m_ml field); null for any other callable.
inline const PyMethodDef* bound_method_def(PyObject* callable, PyObject* self) {
    if (!PyCFunction_Check(callable) || PyCFunction_GET_SELF(callable) != self) return nullptr;
    return ((PyCFunctionObject*)callable)->m_ml;
}
// Global `np` of the module, looked up each time (a caller may rebind it).
Ref np();

// A dictionary as it stands: its identity and its version tag. Any write gives
// a dictionary a new tag and no two dictionaries share one, so an equal stamp
// means the same contents. Compared as inputs of a kept value.
struct DictStamp {
    const void* dict = nullptr;  // identity only
    uint64_t version = 0;
    auto inputs() const { return std::tie(dict, version); }
};
// The stamp of `d` where it is an exact dict and the interpreter keeps a
// version tag (CPython 3.11's private `ma_version_tag`); false otherwise.
inline bool dict_stamp(PyObject* d, DictStamp& s) {
#if PY_VERSION_HEX < 0x030C0000
    if (!PyDict_CheckExact(d)) return false;
    s = DictStamp{d, ((PyDictObject*)d)->ma_version_tag};
    return true;
#else
    (void)d, (void)s;
    return false;
#endif
}

// ---------------------------------------------------------------- diagnostics

// Adds a traceback entry named after the qualified method.
void add_traceback(const char* qualname, const char* file, int line);
// The same at a position of the module's sources (path relative to src/).
void add_traceback_here(const char* qualname, const std::source_location where = std::source_location::current());
// Prints the pending exception and reports it as unraisable under `qualname`;
// clears it. Never ends the process, SystemExit included.
void write_unraisable(const char* qualname);
// Maps a C++ exception being handled to a Python exception (call inside catch).
void set_from_cpp_exception();
// Ends the pending exception's message with ": <hint>", once; an exception built
// with other arguments than one message is left alone.
void add_hint(const char* hint);

// A class may say which step the caller most likely missed when one of its methods
// raises, from its state and the exception's type
// (`static const char* error_hint(const C&, PyObject* type)`, nullptr for nothing
// to add). The wrappers add it before the error leaves the class.
template <class C>
void explain_error(const C* self) {
    if constexpr (requires { C::error_hint(*self, (PyObject*)nullptr); })
        if (PyObject* type = PyErr_Occurred())
            if (const char* h = C::error_hint(*self, type)) add_hint(h);
}

}  // namespace bind
