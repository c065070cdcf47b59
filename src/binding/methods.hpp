// Methods of the extension types: parameter kinds and their conversions, the
// wrappers that parse and convert a call, constructors, call operators and
// properties (see cls.hpp).
#pragma once

#include "fields.hpp"

namespace bind {

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

// A parameter's name for error texts: a C string, or one of a signature's
// interned names turned into UTF-8 only when an error is raised.
struct ArgName {
    const char* text = nullptr;
    PyObject* name = nullptr;
    ArgName(const char* t) : text(t) {}
    ArgName(PyObject* n) : name(n) {}
    const char* c_str() const;
};

void check_arg_type(PyObject* o, PyTypeObject* t, ArgName argname);

template <class A>
struct Arg;
template <>
struct Arg<double> {
    static double from(PyObject* o, ArgName) { return as_double(o); }
    static Ref to(double v) { return py(v); }
};
template <>
struct Arg<int> {
    static int from(PyObject* o, ArgName) { return as_int(o); }
    static Ref to(int v) { return py(v); }
};
template <>
struct Arg<SizeT> {
    static SizeT from(PyObject* o, ArgName) { return SizeT{as_size_t(o)}; }
    static Ref to(SizeT v) { return py(v.v); }
};
template <>
struct Arg<PyObject*> {
    static PyObject* from(PyObject* o, ArgName) { return o; }
    static Ref to(PyObject* v) { return Ref::borrow(v); }
};
template <>
struct Arg<NDArray> {
    static NDArray from(PyObject* o, ArgName n) {
        check_arg_type(o, (PyTypeObject*)g.ndarray, n);
        return NDArray{o};
    }
    static Ref to(NDArray v) { return Ref::borrow(v.o); }
};
template <class C>
struct Arg<Typed<C>> {
    static Typed<C> from(PyObject* o, ArgName n) {
        check_arg_type(o, &C::type, n);
        return Typed<C>::from(o);
    }
    static Ref to(const Typed<C>& v) { return v.hold(); }
};
template <>
struct Arg<DoubleBuf> {
    static DoubleBuf from(PyObject* o, ArgName n) { return DoubleBuf(o, n.text); }
    static Ref to(const DoubleBuf& v) { return Ref::borrow(v.obj()); }  // the array whose buffer it reads
};
template <>
struct Arg<std::vector<double>> {
    static std::vector<double> from(PyObject* o, ArgName) {
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
    using args = std::tuple<A...>;
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
// interpreter derives __text_signature__ (and strips it from __doc__); with
// `positional_only` the parameters end in "/". Stored for the process.
const char* signature_doc(const char* name, const char* params, bool positional_only, const char* doc);

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
            Arg<std::remove_cvref_t<A>>::from(a[I], names[I])...};
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
        explain_error(reinterpret_cast<C*>(self));
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
        // Methods with at most one parameter take it by position only.
        doc = signature_doc(Name.s, Params.s, T::arity <= 1, doc);
        if constexpr (T::arity == 0)
            return PyMethodDef{Name.s, (PyCFunction)noargs, METH_NOARGS, doc};
        else if constexpr (T::arity == 1)
            return PyMethodDef{Name.s, (PyCFunction)onearg, METH_O, doc};
        else
            return PyMethodDef{Name.s, (PyCFunction)(void (*)())fast, METH_FASTCALL | METH_KEYWORDS, doc};
    }
};

// A constructor or call operator: the slot, and the method that stands in
// the class's dictionary in place of the slot's wrapper so that it carries
// the parameter names (inspect.signature, help). Both parse as the slot does.
struct InitDef {
    initproc slot = nullptr;
    PyCFunctionWithKeywords method = nullptr;
    const char* params = nullptr;  // "a, b": also the class's signature and docstring
};
struct CallDef {
    ternaryfunc slot = nullptr;
    _PyCFunctionFastWithKeywords method = nullptr;
    const char* params = nullptr;
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
            Arg<std::remove_cvref_t<A>>::from(a[I], names[I])...};
        (self->*F)(std::move(std::get<I>(conv))...);
    }
    static int slot(PyObject* self, PyObject* args, PyObject* kw) {
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
    static PyObject* method(PyObject* self, PyObject* args, PyObject* kw) {
        return slot(self, args, kw) < 0 ? nullptr : Py_NewRef(Py_None);
    }
    static constexpr InitDef init{&slot, &method, Params.s};
};

// Call operator `obj(args...)` from a member, parsed and converted as a method named __call__.
template <auto F, fstr Params>
struct Call {
    using M = Method<F, "__call__", Params>;
    using C = typename M::C;
    static PyObject* slot(PyObject* self, PyObject* args, PyObject* kw) {
        PyObject* a[M::T::arity > 0 ? M::T::arity : 1];
        try {
            parse_tuple_args("__call__", M::signature(), args, kw, a);
        } catch (Error&) {
            return error_exit(C::py_name, "__call__");
        }
        return M::call(self, a);
    }
    static constexpr CallDef call{&slot, &M::fast, Params.s};
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
template <class C, class E>
struct member_of<Vec<E> C::*> {
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

}  // namespace bind
