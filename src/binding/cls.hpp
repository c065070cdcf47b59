// Declaring an extension type: one field table, one method table, optional
// properties. From them the layer derives attribute descriptors, argument
// parsing, pickling, garbage collection, teardown and the override-aware
// dispatch of internal calls.
#pragma once

#include <array>
#include <initializer_list>
#include <new>
#include <span>
#include <string>
#include <tuple>
#include <type_traits>

#include "arrays.hpp"
#include "core.hpp"

namespace bind {

inline constexpr const char* module_name = "pyrandel.lib._pyrandel";

// ---------------------------------------------------------------- field table

enum class Kind {
    Double,     // double
    Int,        // int (a float is truncated)
    Index,      // int64_t (index conversion only)
    Switch,     // bool, stores the truth value
    Object,     // PyObject*, anything
    NDArray,    // PyObject*, numpy.ndarray or None
    List,       // PyObject*, exactly list or None
    Dict,       // PyObject*, exactly dict or None
    Typed,      // PyObject*, instance of `type` or None
    IntVec,     // std::vector<int>, read as a new list
    DoubleVec,  // std::vector<double>, read as a new list
};

struct Field {
    const char* name;
    Kind kind;
    Py_ssize_t offset;
    bool writable;
    bool exposed = true;
    PyTypeObject* type = nullptr;  // for Kind::Typed
    bool pickled = true;           // false: an instance member, not part of the layout

    bool is_object() const { return kind >= Kind::Object && kind <= Kind::Typed; }
    template <class M>
    M& ref(PyObject* self) const {
        return *reinterpret_cast<M*>(reinterpret_cast<char*>(self) + offset);
    }
};

#define BIND_FIELD(C, name, kind, access) \
    ::bind::Field { #name, ::bind::Kind::kind, (Py_ssize_t)offsetof(C, name), access }
#define BIND_HIDDEN(C, name, kind) \
    ::bind::Field { #name, ::bind::Kind::kind, (Py_ssize_t)offsetof(C, name), true, false }
// A field holding an instance of class T (or None).
#define BIND_TYPED(C, name, T, access) \
    ::bind::Field { #name, ::bind::Kind::Typed, (Py_ssize_t)offsetof(C, name), access, true, &T::type }
// An attribute that methods set and read by name without the class declaring
// it as a field: exposed, visited by the collector, but not pickled.
#define BIND_MEMBER(C, name, kind) \
    ::bind::Field { #name, ::bind::Kind::kind, (Py_ssize_t)offsetof(C, name), true, true, nullptr, false }
inline constexpr bool RO = false;
inline constexpr bool RW = true;

// Conversion of one value into a field as its setter does (used by restore too).
void store_field(PyObject* self, const Field& f, PyObject* value);
Ref load_field(PyObject* self, const Field& f);

// ---------------------------------------------------------- parameter kinds

template <size_t N>
struct fstr {
    char s[N]{};
    constexpr fstr(const char (&a)[N]) {
        for (size_t i = 0; i < N; ++i) s[i] = a[i];
    }
};

struct NDArray {  // numpy.ndarray or None
    PyObject* o;
};
template <class C>
struct Typed {  // instance of C (or a subclass) or None
    C* o;
};

void check_arg_type(PyObject* o, PyTypeObject* t, const char* argname);

template <class A>
struct Arg;
template <>
struct Arg<double> {
    static double from(PyObject* o, const char*) { return as_double(o); }
    static Ref to(double v) { return py(v); }
};
template <>
struct Arg<int> {
    static int from(PyObject* o, const char*) { return as_int(o); }
    static Ref to(int v) { return py(v); }
};
template <>
struct Arg<SizeT> {
    static SizeT from(PyObject* o, const char*) { return SizeT{as_size_t(o)}; }
    static Ref to(SizeT v) { return py(v.v); }
};
template <>
struct Arg<PyObject*> {
    static PyObject* from(PyObject* o, const char*) { return o; }
    static Ref to(PyObject* v) { return Ref::borrow(v); }
};
template <>
struct Arg<NDArray> {
    static NDArray from(PyObject* o, const char* n) {
        check_arg_type(o, (PyTypeObject*)g.ndarray, n);
        return NDArray{o};
    }
    static Ref to(NDArray v) { return Ref::borrow(v.o); }
};
template <class C>
struct Arg<Typed<C>> {
    static Typed<C> from(PyObject* o, const char* n) {
        check_arg_type(o, &C::type, n);
        return Typed<C>{o == Py_None ? nullptr : reinterpret_cast<C*>(o)};
    }
    static Ref to(Typed<C> v) { return Ref::borrow(v.o ? (PyObject*)v.o : Py_None); }
};
template <>
struct Arg<DoubleBuf> {
    static DoubleBuf from(PyObject* o, const char* n) { return DoubleBuf(o, n); }
};
template <>
struct Arg<std::vector<double>> {
    static std::vector<double> from(PyObject* o, const char*) {
        std::vector<double> v;
        fill_from_iterable(v, o);
        return v;
    }
    static Ref to(const std::vector<double>& v) { return list_of(v); }
};

// Result kinds: double -> float, void -> None, Ref -> the object, bool, long.
template <class R>
struct Ret {
    static PyObject* to_py(R v) { return py(v).release(); }
    static R from_py(Ref r) {
        if constexpr (std::is_same_v<R, double>) return as_double(r.get());
        else if constexpr (std::is_same_v<R, int>) return as_int(r.get());
        else if constexpr (std::is_same_v<R, long>) return as_long(r.get());
        else if constexpr (std::is_same_v<R, bool>) return as_bool(r.get());
    }
};
// An empty result never reaches the interpreter without an exception.
PyObject* null_result();
template <>
struct Ret<Ref> {
    static PyObject* to_py(Ref v) { return v ? v.release() : null_result(); }
    static Ref from_py(Ref r) { return r; }
};

// ------------------------------------------------------------ method wrappers

template <class F>
struct mtraits;
template <class R, class C, class... A>
struct mtraits<R (C::*)(A...)> {
    using cls = C;
    using ret = R;
    static constexpr size_t arity = sizeof...(A);
};

std::string qualname(const char* cls, const char* member);
// Records a traceback entry for `cls.member` and returns NULL for the interpreter.
PyObject* error_exit(const char* cls, const char* member);
int error_exit_int(const char* cls, const char* member);

// Splits "a, b, c" into interned names, once per signature.
std::vector<PyObject*> param_names(const char* params);
// Generic fast-call parsing with the fixed TypeError texts; fills `out`
// (borrowed) for exactly `n` parameters.
void parse_args(const char* fname, const std::vector<PyObject*>& names, PyObject* const* args, Py_ssize_t nargs,
                PyObject* kwnames, PyObject** out);
// The same for a (tuple, dict) call, as constructors receive them.
void parse_tuple_args(const char* fname, const std::vector<PyObject*>& names, PyObject* args, PyObject* kw,
                      PyObject** out);

// Number of names in a "a, b, c" signature, at compile time.
template <size_t N>
constexpr size_t count_params(const fstr<N>& p) {
    size_t n = 0;
    bool in_name = false;
    for (size_t i = 0; i + 1 < N; ++i) {
        bool sep = p.s[i] == ' ' || p.s[i] == ',';
        if (!sep && !in_name) ++n;
        in_name = !sep;
    }
    return n;
}

// Docstring that opens with "name($self, a, b)\n--\n\n", from which the
// interpreter derives __text_signature__ (and strips it from __doc__). Methods
// with at most one parameter take it by position only. Stored for the process.
const char* signature_doc(const char* name, const char* params, size_t arity, const char* doc);

template <auto F, fstr Name, fstr Params>
struct Method {
    using T = mtraits<decltype(F)>;
    using C = typename T::cls;
    using R = typename T::ret;
    static_assert(count_params(Params) == T::arity, "signature text and C++ parameters disagree");

    template <class... A, size_t... I>
    static PyObject* invoke(C* self, PyObject** a, std::index_sequence<I...>, R (C::*)(A...)) {
        const auto& names = signature();
        // Braced initialisation converts the arguments left to right.
        std::tuple<std::remove_cvref_t<A>...> conv{
            Arg<std::remove_cvref_t<A>>::from(a[I], PyUnicode_AsUTF8(names[I]))...};
        if constexpr (std::is_void_v<R>) {
            (self->*F)(std::move(std::get<I>(conv))...);
            Py_RETURN_NONE;
        } else {
            return Ret<R>::to_py((self->*F)(std::move(std::get<I>(conv))...));
        }
    }
    static const std::vector<PyObject*>& signature() {
        static std::vector<PyObject*> n = param_names(Params.s);
        return n;
    }
    static PyObject* call(PyObject* self, PyObject** a) {
        CallScope scope;
        try {
            return invoke(reinterpret_cast<C*>(self), a, std::make_index_sequence<T::arity>{}, F);
        } catch (Error&) {
        } catch (...) {
            set_from_cpp_exception();
        }
        return error_exit(C::py_name, Name.s);
    }
    static PyObject* noargs(PyObject* self, PyObject*) { return call(self, nullptr); }
    static PyObject* onearg(PyObject* self, PyObject* arg) { return call(self, &arg); }
    static PyObject* fast(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
        PyObject* a[T::arity > 0 ? T::arity : 1];
        try {
            parse_args(Name.s, signature(), args, nargs, kwnames, a);
        } catch (Error&) {
            return error_exit(C::py_name, Name.s);
        }
        return call(self, a);
    }
    static PyMethodDef def(const char* doc = nullptr) {
        doc = signature_doc(Name.s, Params.s, T::arity, doc);
        if constexpr (T::arity == 0)
            return PyMethodDef{Name.s, (PyCFunction)noargs, METH_NOARGS, doc};
        else if constexpr (T::arity == 1)
            return PyMethodDef{Name.s, (PyCFunction)onearg, METH_O, doc};
        else
            return PyMethodDef{Name.s, (PyCFunction)(void (*)())fast, METH_FASTCALL | METH_KEYWORDS, doc};
    }
};

// Constructor from a member `void init_impl(args...)` with the `__init__` texts.
template <auto F, fstr Params>
struct Init {
    using T = mtraits<decltype(F)>;
    using C = typename T::cls;
    static_assert(count_params(Params) == T::arity, "signature text and C++ parameters disagree");

    template <class... A, size_t... I>
    static void invoke(C* self, PyObject** a, std::index_sequence<I...>, void (C::*)(A...)) {
        static std::vector<PyObject*> names = param_names(Params.s);
        std::tuple<std::remove_cvref_t<A>...> conv{
            Arg<std::remove_cvref_t<A>>::from(a[I], PyUnicode_AsUTF8(names[I]))...};
        (self->*F)(std::move(std::get<I>(conv))...);
    }
    static int init(PyObject* self, PyObject* args, PyObject* kw) {
        static std::vector<PyObject*> names = param_names(Params.s);
        PyObject* a[T::arity > 0 ? T::arity : 1];
        CallScope scope;
        try {
            parse_tuple_args("__init__", names, args, kw, a);
            invoke(reinterpret_cast<C*>(self), a, std::make_index_sequence<T::arity>{}, F);
            return 0;
        } catch (Error&) {
        } catch (...) {
            set_from_cpp_exception();
        }
        return error_exit_int(C::py_name, "__init__");
    }
};

// ----------------------------------------------------------------- properties

template <auto Get, fstr Name>
struct Getter {
    using C = typename mtraits<decltype(Get)>::cls;
    static PyObject* get(PyObject* self, void*) {
        try {
            return Ret<Ref>::to_py((reinterpret_cast<C*>(self)->*Get)());
        } catch (Error&) {
        } catch (...) {
            set_from_cpp_exception();
        }
        std::string n = std::string(Name.s) + ".__get__";
        return error_exit(C::py_name, n.c_str());
    }
};
template <auto Set, fstr Name>
struct Setter {
    using C = typename mtraits<decltype(Set)>::cls;
    static int set(PyObject* self, PyObject* v, void*) {
        if (!v) {
            PyErr_SetString(PyExc_NotImplementedError, "__del__");
            return error_exit_int(C::py_name, (std::string(Name.s) + ".__del__").c_str());
        }
        try {
            (reinterpret_cast<C*>(self)->*Set)(v);
            return 0;
        } catch (Error&) {
        } catch (...) {
            set_from_cpp_exception();
        }
        return error_exit_int(C::py_name, (std::string(Name.s) + ".__set__").c_str());
    }
};
template <auto Get, fstr Name>
constexpr PyGetSetDef prop(const char* doc = nullptr) {
    return PyGetSetDef{Name.s, Getter<Get, Name>::get, nullptr, doc, nullptr};
}
template <auto Get, auto Set, fstr Name>
constexpr PyGetSetDef prop(const char* doc = nullptr) {
    return PyGetSetDef{Name.s, Getter<Get, Name>::get, Setter<Set, Name>::set, doc, nullptr};
}

// A list property over a native array member: reads a new list, assignment takes
// any iterable and replaces the whole array, deletion is refused.
template <class M>
struct member_of;
template <class C, class E>
struct member_of<std::vector<E> C::*> {
    using cls = C;
};
template <auto M, fstr Name>
struct VecProp {
    using C = typename member_of<decltype(M)>::cls;
    static PyObject* get(PyObject* self, void*) {
        try {
            return list_of(reinterpret_cast<C*>(self)->*M).release();
        } catch (...) {
            set_from_cpp_exception();
        }
        return error_exit(C::py_name, (std::string(Name.s) + ".__get__").c_str());
    }
    static int set(PyObject* self, PyObject* v, void*) {
        try {
            if (!v) raise(PyExc_NotImplementedError, "__del__");
            fill_from_iterable(reinterpret_cast<C*>(self)->*M, v);
            return 0;
        } catch (...) {
            set_from_cpp_exception();
        }
        return error_exit_int(C::py_name, (std::string(Name.s) + (v ? ".__set__" : ".__del__")).c_str());
    }
};
template <auto M, fstr Name>
constexpr PyGetSetDef vec_prop(const char* doc = nullptr) {
    return PyGetSetDef{Name.s, VecProp<M, Name>::get, VecProp<M, Name>::set, doc, nullptr};
}

// ------------------------------------------------------------ class machinery

struct ClassSpec {
    const char* name;
    const char* doc;
    PyTypeObject* type;
    PyTypeObject* base;  // nullptr: object
    Py_ssize_t basicsize;
    std::span<const Field> fields;
    PyMethodDef* methods;  // sentinel-terminated, may be null
    PyGetSetDef* props;    // sentinel-terminated, may be null
    initproc init;
    ternaryfunc call;
    void* vtable;  // internal method table, published as "__pyx_vtable__"
    std::array<unsigned, 3> checksums;
    newfunc tp_new;
    destructor dealloc;
    traverseproc traverse;
    inquiry clear;
    PyCFunction reduce_fn = nullptr;
    PyCFunction setstate_fn = nullptr;
    PyCFunction deepcopy_fn = nullptr;
    _PyCFunctionFastWithKeywords unpickle_fn = nullptr;
    // Filled by `ready`.
    std::vector<const Field*> sorted;  // pickle order
    std::string restore_name;
    PyMethodDef restore_def{};
    std::vector<PyObject*> method_names;
    std::vector<PyObject*> own_descr;
    PyMethodDef* defs_begin = nullptr;
    PyMethodDef* defs_end = nullptr;
    std::vector<PyGetSetDef> getsets;
    std::vector<PyMethodDef> all_methods;
};

// Readies the type and stores it in `module` under its name.
bool ready(ClassSpec& spec, PyObject* module);
// Publishes `__pyx_unpickle_<name>` in `module`.
bool publish_restore(ClassSpec& spec, PyObject* module);

PyObject* reduce(PyObject* self, const ClassSpec& spec);
PyObject* deepcopy(PyObject* self, const ClassSpec& spec, PyObject* memo);
void set_state(PyObject* self, const ClassSpec& spec, PyObject* state);
PyObject* restore(const ClassSpec& spec, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

// Per-type memo of which methods a Python subclass overrides.
struct OverrideCache {
    static constexpr int slots = 4;
    PyTypeObject* type[slots]{};
    unsigned int version[slots]{};
    std::vector<bool> overridden[slots];
    int next = 0;
};
bool is_overridden(PyObject* self, const ClassSpec& spec, OverrideCache& cache, int mid);

// Generic parts of every class C. C provides: `py_name`, `doc`, `type`,
// `spec()` and the tables.
template <class C>
struct Class {
    static PyObject* tp_new(PyTypeObject* t, PyObject*, PyObject*) {
        PyObject* o = t->tp_alloc(t, 0);
        if (!o) return nullptr;
        PyObject head = *o;
        try {
            new (static_cast<void*>(o)) C();
        } catch (...) {
            set_from_cpp_exception();
            Py_DECREF(o);
            return nullptr;
        }
        *o = head;
        for (const Field& f : C::spec().fields)
            if (f.is_object()) {
                Py_INCREF(Py_None);
                f.ref<PyObject*>(o) = Py_None;
            }
        if constexpr (requires(C* c) { C::on_new(c); }) C::on_new(reinterpret_cast<C*>(o));
        return o;
    }
    static void dealloc(PyObject* o) {
        PyTypeObject* t = Py_TYPE(o);
        if (t->tp_finalize && !_PyGC_FINALIZED(o) && t->tp_dealloc == dealloc) {
            if (PyObject_CallFinalizerFromDealloc(o)) return;
        }
        PyObject_GC_UnTrack(o);
        // Long chains of objects are torn down iteratively, not on the C stack.
        Py_TRASHCAN_BEGIN(o, dealloc)
        for (const Field& f : C::spec().fields)
            if (f.is_object()) Py_CLEAR(f.ref<PyObject*>(o));
        reinterpret_cast<C*>(o)->~C();
        t->tp_free(o);
        Py_TRASHCAN_END
    }
    static int traverse(PyObject* o, visitproc visit, void* arg) {
        for (const Field& f : C::spec().fields)
            if (f.is_object()) Py_VISIT(f.ref<PyObject*>(o));
        return 0;
    }
    static int clear(PyObject* o) {
        for (const Field& f : C::spec().fields)
            if (f.is_object()) {
                PyObject* old = f.ref<PyObject*>(o);
                Py_INCREF(Py_None);
                f.ref<PyObject*>(o) = Py_None;
                Py_XDECREF(old);
            }
        return 0;
    }
    static PyObject* reduce_fn(PyObject* self, PyObject*) { return reduce(self, C::spec()); }
    static PyObject* setstate_fn(PyObject* self, PyObject* state) {
        try {
            set_state(self, C::spec(), state);
            Py_RETURN_NONE;
        } catch (...) {
            set_from_cpp_exception();
        }
        return error_exit(C::py_name, "__setstate__");
    }
    static PyObject* deepcopy_fn(PyObject* self, PyObject* memo) { return deepcopy(self, C::spec(), memo); }
    static PyObject* unpickle_fn(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
        return restore(C::spec(), args, nargs, kwnames);
    }
    static OverrideCache& cache() {
        static OverrideCache c;
        return c;
    }
    // True when a call of method `mid` on `self` must go through attribute lookup.
    static bool overridden(const C* self, int mid) {
        if (Py_TYPE(self) == &C::type) return false;
        return is_overridden((PyObject*)self, C::spec(), cache(), mid);
    }
};

// The generic half of a class's spec; the class adds its tables.
template <class C>
ClassSpec make_spec() {
    ClassSpec s{};
    s.name = C::py_name;
    s.doc = C::doc;
    s.type = &C::type;
    s.basicsize = (Py_ssize_t)sizeof(C);
    s.tp_new = Class<C>::tp_new;
    s.dealloc = Class<C>::dealloc;
    s.traverse = Class<C>::traverse;
    s.clear = Class<C>::clear;
    s.reduce_fn = Class<C>::reduce_fn;
    s.setstate_fn = Class<C>::setstate_fn;
    s.deepcopy_fn = Class<C>::deepcopy_fn;
    s.unpickle_fn = Class<C>::unpickle_fn;
    return s;
}

// Calls method `mid` of `self`: straight to the C++ function when nothing
// overrides it, by attribute name otherwise.
template <auto F>
struct Dispatch;
// Adds the traceback entry of method `mid` of C to the pending exception.
void add_method_traceback(const ClassSpec& spec, int mid);

template <class R, class C, class... P, R (C::*F)(P...)>
struct Dispatch<F> {
    static R run(C* self, int mid, P... a) {
        if (!Class<C>::overridden(self, mid)) {
            // The body runs in place of the Python method, and fails under its name.
            try {
                return (self->*F)(a...);
            } catch (Error&) {
                add_method_traceback(C::spec(), mid);
                throw;
            } catch (...) {
                set_from_cpp_exception();
                add_method_traceback(C::spec(), mid);
                throw Error{};
            }
        }
        Ref r = call_method((PyObject*)self, C::spec().method_names[(size_t)mid],
                            Arg<std::remove_cvref_t<P>>::to(a).get()...);
        if constexpr (!std::is_void_v<R>) return Ret<R>::from_py(std::move(r));
    }
};

// Calls a strategy attribute without arguments. When it still holds a bound
// method of `self` itself, its C function is entered directly.
Ref call_strategy(PyObject* self, PyObject* attr, const ClassSpec& spec);

// X-macro helpers: a method list `X(name, "params", doc[, result, (params)])`
// gives ids, dispatchers, declarations and the method table. The C++ body of
// method `name` is `name##_impl`.
#define BIND_ID(name, ...) MID_##name,
#define BIND_DISPATCHER(name, ...)                                                 \
    template <class... A>                                                          \
    auto name(A... a) {                                                            \
        return ::bind::Dispatch<&Self::name##_impl>::run(this, MID_##name, a...);  \
    }
#define BIND_DECL(name, params, doc, R, A) R name##_impl A;
#define BIND_DEF(name, params, doc, ...) ::bind::Method<&Self::name##_impl, #name, params>::def(doc),

}  // namespace bind
