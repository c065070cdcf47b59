// Declaring an extension type. From one field list and one method list the
// layer derives attribute descriptors, argument parsing, pickling, garbage
// collection, teardown and the override-aware dispatch of calls between methods.
//
// A root class (header). One line per field; its kind follows from the member
// type (double, int, int64_t, bool, bind::Obj, bind::Array, bind::List,
// bind::Dict, bind::Typed<C>, bind::Vec<int|double>, bind::Opt); access RO,
// RW, HIDDEN (pickled, no attribute), MEMBER (an attribute, not pickled) or
// ATTR (a bind::Opt: unset until assigned, deletable, pickled by name in the
// state's trailing dictionary, outside the layout and its checksums):
//   #define CX_FIELDS(F) F(double, T, RW) F(bind::Typed<CSootGas>, soot_gas, RW) F(bind::Vec<int>, ids, RO)
//   #define CX_METHODS(M) M(update, "T, P", nullptr, void, (double T, double P)) M(rate, "", nullptr, double, ())
//   struct CX {
//       PyObject_HEAD
//       const CXVTable* vtab;            // only with an internal method table
//       CX_FIELDS(BIND_DECLARE)
//       BIND_CLASS(CX)
//       BIND_METHODS(CX_METHODS)         // ids MID_<name>, dispatchers name(...),
//       void init_impl(PyObject* gas);   // name_with(PyObject*...), held calls
//   };                                   // CX::held::name(obj, ...), bodies name_impl
// Its source:
//   BIND_TYPE_OBJECT(CX)
//   using Self = CX;  const bind::Field fields[] = {CX_FIELDS(BIND_ROW)};
//   BIND_METHOD_TABLES(CX_METHODS)                      // `methods` and `bodies`
//   bind::ClassSpec& CX::spec() {
//       static bind::ClassSpec s = bind::define<CX>({.fields = fields, .methods = methods,
//           .bodies = bodies, .init = bind::Init<&CX::init_impl, "gas">::init,
//           .vtable = &vtable, .vtable_size = sizeof vtable, .checksums = {...}});
//       return s;
//   }
// and one line in lib/registry.cpp. The constructor's parameter names give the
// class's docstring and signature ("CX(gas)") and those of `__init__`; a
// callable class adds `.call = bind::Call<&CX::evaluate, "t, y">::call`.
//
// A derived class names its base once and inherits its fields (first, for the
// collector, teardown, pickle state and checksums), its methods and its table:
//   struct CD : CB {
//       using Base = CB;
//       CD_FIELDS(BIND_DECLARE)                     // own fields only
//       BIND_CLASS(CD)
//       BIND_DERIVED_METHODS(CD_METHODS, CD_REDEFINES)  // new methods; redefinitions of CB's
//   };
//   BIND_DERIVED_METHOD_TABLES(CD_METHODS, CD_REDEFINES) in the source.
// A redefinition keeps the base's id and signature (checked at compile time);
// a call `update(...)` from CB's code on a CD instance enters CD::update_impl
// directly. Only instances of Python subclasses look names up (once per type,
// renewed when the type changes), and instance attributes shadow methods.
// A held call `CX::held::update(obj, ...)` on an object another one holds
// takes the same route for an instance of CX and goes by name otherwise.
//
// Internal method tables: designated initialisers for a root table,
//   const CXVTable CX::vtable = {.rate = bind::entry<&CX::rate_impl, "rate">(), ...};
// and for a derived table (a struct deriving from the base's table) a copy of
// the base's with entries replaced and appended by name:
//   auto t = bind::extend<CDVTable>(CB::vtable);  t.update = bind::entry<...>();
// An entry returning a number or nothing reports an exception as unraisable
// and returns 0; one returning an object (bind::Ref) passes it on. Empty
// entries are refused at start-up.
#pragma once

#include "core.hpp"  // Python.h first

#include <array>
#include <concepts>
#include <cstddef>
#include <initializer_list>
#include <new>
#include <optional>
#include <source_location>
#include <span>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "arrays.hpp"

namespace bind {

inline constexpr const char* module_name = "pyrandel.lib._pyrandel";

// ---------------------------------------------------------- typed members

// An object field: any object, None when empty. Replacing the object goes
// through the wrapper, which releases the old one last (its teardown may run
// code that reads this field).
class Obj {
protected:
    PyObject* p_;

public:
    Obj() : p_(Py_NewRef(Py_None)) {}
    ~Obj() { Py_XDECREF(p_); }
    Obj(const Obj&) = delete;
    Obj& operator=(const Obj&) = delete;

    PyObject* get() const { return p_ ? p_ : Py_None; }
    operator PyObject*() const { return get(); }
    // A strong reference for the duration of a call that may replace the field.
    Ref hold() const { return Ref::borrow(get()); }
    bool is_none() const { return get() == Py_None; }
    Obj& operator=(Ref v) {
        PyObject* old = p_;
        p_ = v ? v.release() : Py_NewRef(Py_None);
        Py_XDECREF(old);
        return *this;
    }
    void set(PyObject* borrowed) { *this = Ref::borrow(borrowed); }
};

// An instance attribute that a class sets and reads by name: unset (null)
// until assigned, any object, deletable; reading it unset raises AttributeError.
class Opt {
    PyObject* p_ = nullptr;

public:
    Opt() = default;
    ~Opt() { Py_XDECREF(p_); }
    Opt(const Opt&) = delete;
    Opt& operator=(const Opt&) = delete;

    explicit operator bool() const { return p_ != nullptr; }
    PyObject* get() const { return p_; }  // null when unset
    Ref hold() const { return Ref::borrow(p_); }
    // The value, or AttributeError for `self` when unset.
    Ref value(PyObject* self, const char* name) const;
    // A null reference unsets; the old value is released last.
    Opt& operator=(Ref v) {
        PyObject* old = p_;
        p_ = v.release();
        Py_XDECREF(old);
        return *this;
    }
};

// AttributeError "'<type>' object has no attribute '<name>'".
[[noreturn]] void no_attribute(PyObject* self, const char* name);

[[noreturn]] void cannot_convert(PyObject* v, PyTypeObject* t);
[[noreturn]] void expected_exact(PyObject* v, const char* what);
inline PyTypeObject* ndarray_type() { return reinterpret_cast<PyTypeObject*>(g.ndarray); }

// An object field of a checked kind; assignment from C++ is checked as the setter checks.
template <class Check>
class CheckedObj : public Obj {
public:
    using Obj::Obj;
    CheckedObj& operator=(Ref v) {
        if (v) Check::test(v.get());
        Obj::operator=(std::move(v));
        return *this;
    }
    void set(PyObject* borrowed) { *this = Ref::borrow(borrowed); }
};
struct ArrayCheck {
    static void test(PyObject* v) {
        if (v != Py_None && !PyObject_TypeCheck(v, ndarray_type())) cannot_convert(v, ndarray_type());
    }
};
struct ListCheck {
    static void test(PyObject* v) {
        if (v != Py_None && !PyList_CheckExact(v)) expected_exact(v, "list");
    }
};
struct DictCheck {
    static void test(PyObject* v) {
        if (v != Py_None && !PyDict_CheckExact(v)) expected_exact(v, "dict");
    }
};
using Array = CheckedObj<ArrayCheck>;  // numpy.ndarray or None
using List = CheckedObj<ListCheck>;    // exactly a list, or None
using Dict = CheckedObj<DictCheck>;    // exactly a dict, or None

// An instance of class C of the module (or of a subclass), or None (held as a
// null pointer). Used for fields and parameters; copies own a reference.
template <class C>
struct Typed {
    C* o = nullptr;

    Typed() = default;
    ~Typed() { Py_XDECREF(reinterpret_cast<PyObject*>(o)); }
    Typed(const Typed& t) : o(t.o) { Py_XINCREF(reinterpret_cast<PyObject*>(o)); }
    Typed(Typed&& t) noexcept : o(t.o) { t.o = nullptr; }
    Typed& operator=(const Typed& t) {
        Typed copy(t);
        std::swap(o, copy.o);
        return *this;
    }
    // From a borrowed reference; None or an instance of C, otherwise TypeError.
    static Typed from(PyObject* v) {
        Typed t;
        if (v != Py_None) {
            if (!PyObject_TypeCheck(v, &C::type)) cannot_convert(v, &C::type);
            Py_INCREF(v);
            t.o = reinterpret_cast<C*>(v);
        }
        return t;
    }
    void set(PyObject* borrowed) { *this = from(borrowed); }

    PyObject* get() const { return o ? reinterpret_cast<PyObject*>(o) : Py_None; }
    Ref hold() const { return Ref::borrow(get()); }
    explicit operator bool() const { return o != nullptr; }
    C* operator->() const { return o; }
};

[[noreturn]] void out_of_range(long long i, size_t n);

// A native growable array, read from Python as a new list; indexing is bounds-checked.
template <class T>
struct Vec : std::vector<T> {
    using std::vector<T>::vector;
    Vec(std::vector<T>&& v) : std::vector<T>(std::move(v)) {}
    Vec& operator=(std::vector<T>&& v) {
        std::vector<T>::operator=(std::move(v));
        return *this;
    }
    template <std::integral I>
    T& operator[](I i) {
        return std::vector<T>::operator[](checked(i));
    }
    template <std::integral I>
    const T& operator[](I i) const {
        return std::vector<T>::operator[](checked(i));
    }

private:
    template <class I>
    size_t checked(I i) const {
        if constexpr (std::is_signed_v<I>) {
            if (i < 0) out_of_range((long long)i, this->size());
        }
        if ((size_t)i >= this->size()) out_of_range((long long)i, this->size());
        return (size_t)i;
    }
};

// ---------------------------------------------------------------- field table

enum class Kind {
    Double,     // double
    Int,        // int (a float is truncated)
    Index,      // int64_t (index conversion only)
    Switch,     // bool, stores the truth value
    Object,     // any object
    NDArray,    // numpy.ndarray or None
    List,       // exactly list or None
    Dict,       // exactly dict or None
    Typed,      // instance of `type` or None
    IntVec,     // native int array, read as a new list
    DoubleVec,  // native double array, read as a new list
    OptObject,  // any object or unset (bind::Opt, access ATTR)
};

struct Field {
    const char* name;
    Kind kind;
    Py_ssize_t offset;
    bool writable;
    bool exposed = true;
    PyTypeObject* type = nullptr;  // for Kind::Typed
    bool pickled = true;           // false: an instance member, not part of the layout
    bool none_is_null = false;     // None held as a null pointer (bind::Typed)

    bool is_object() const { return (kind >= Kind::Object && kind <= Kind::Typed) || kind == Kind::OptObject; }
    bool is_attr() const { return kind == Kind::OptObject; }
    PyObject* none() const { return none_is_null ? nullptr : Py_None; }
    template <class M>
    M& ref(PyObject* self) const {
        return *reinterpret_cast<M*>(reinterpret_cast<char*>(self) + offset);
    }
};

inline constexpr bool RO = false;
inline constexpr bool RW = true;
struct Hidden_t {};  // pickled and collected, not an attribute
struct Member_t {};  // an attribute that methods set and read by name, not pickled
struct Attr_t {};    // an attribute that may be unset, pickled by name after the layout
inline constexpr Hidden_t HIDDEN{};
inline constexpr Member_t MEMBER{};
inline constexpr Attr_t ATTR{};

// The kind of a field is a fact of its member's C++ type.
template <class M>
struct member_kind {
    static_assert(sizeof(M) == 0, "no field kind for this member type (bind::Obj, bind::Array, bind::Vec<T>, ...)");
};
template <Kind K>
struct kind_is {
    static constexpr Kind kind = K;
    static PyTypeObject* type() { return nullptr; }
};
template <> struct member_kind<double> : kind_is<Kind::Double> {};
template <> struct member_kind<int> : kind_is<Kind::Int> {};
template <> struct member_kind<int64_t> : kind_is<Kind::Index> {};
template <> struct member_kind<bool> : kind_is<Kind::Switch> {};
template <> struct member_kind<Obj> : kind_is<Kind::Object> {};
template <> struct member_kind<Array> : kind_is<Kind::NDArray> {};
template <> struct member_kind<List> : kind_is<Kind::List> {};
template <> struct member_kind<Dict> : kind_is<Kind::Dict> {};
template <> struct member_kind<Vec<int>> : kind_is<Kind::IntVec> {};
template <> struct member_kind<Vec<double>> : kind_is<Kind::DoubleVec> {};
template <> struct member_kind<Opt> : kind_is<Kind::OptObject> {};
template <class C>
struct member_kind<Typed<C>> : kind_is<Kind::Typed> {
    static PyTypeObject* type() { return &C::type; }
};
static_assert(sizeof(Obj) == sizeof(PyObject*) && sizeof(Array) == sizeof(PyObject*) &&
              sizeof(Typed<PyObject>) == sizeof(PyObject*) && sizeof(Opt) == sizeof(PyObject*));

template <class M>
Field field(const char* name, size_t offset, bool writable) {
    using K = member_kind<M>;
    static_assert(K::kind != Kind::OptObject, "a bind::Opt member takes the access ATTR");
    return Field{.name = name, .kind = K::kind, .offset = (Py_ssize_t)offset, .writable = writable, .exposed = true,
                 .type = K::type(), .pickled = true, .none_is_null = K::kind == Kind::Typed};
}
template <class M>
Field field(const char* name, size_t offset, Hidden_t) {
    Field f = field<M>(name, offset, true);
    f.exposed = false;
    return f;
}
template <class M>
Field field(const char* name, size_t offset, Member_t) {
    Field f = field<M>(name, offset, true);
    f.pickled = false;
    return f;
}
template <class M>
Field field(const char* name, size_t offset, Attr_t) {
    static_assert(std::is_same_v<M, Opt>, "the access ATTR takes a bind::Opt member");
    return Field{.name = name, .kind = Kind::OptObject, .offset = (Py_ssize_t)offset, .writable = true,
                 .exposed = true, .type = nullptr, .pickled = false, .none_is_null = true};
}

// A field list `#define CX_FIELDS(F) F(type, name, access) ...` declares the
// members inside the struct with CX_FIELDS(BIND_DECLARE) and gives the table
// rows with CX_FIELDS(BIND_ROW) (inside a scope where `Self` names the class).
#define BIND_DECLARE(type, name, access) type name;
#define BIND_ROW(type, name, access) \
    ::bind::field<decltype(Self::name)>(#name, offsetof(Self, name), ::bind::access),

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

// ------------------------------------------------------------ class machinery

struct ClassSpec;

// Per-type memo of which methods a Python subclass overrides, and which of the
// module's classes its instances are built as.
struct OverrideCache {
    static constexpr int slots = 4;
    PyTypeObject* type[slots]{};
    unsigned int version[slots]{};
    const ClassSpec* concrete[slots]{};
    std::vector<bool> overridden[slots];
    int next = 0;
};

// The last Python subclass seen that overrides none of a class's methods
// (valid while the type's version tag is unchanged): its instances without
// instance attributes run the bodies of `concrete` with no further lookup.
struct HotRoute {
    PyTypeObject* type = nullptr;
    unsigned int version = 0;
    const ClassSpec* concrete = nullptr;
};
template <class C>
inline HotRoute hot_route{};

// The last static type of the module derived from C that a call of one of C's
// methods met, and the class it is built as. Static types are immutable, so
// the pair stays true for the life of the process: one compare recognises it.
struct StaticHit {
    PyTypeObject* type = nullptr;
    const ClassSpec* concrete = nullptr;
};
template <class C>
inline StaticHit static_hit{};

// C::spec() without its call and guard on the hot paths: the address of a
// function-local static, taken once.
template <class C>
inline const ClassSpec* spec_ptr = nullptr;
template <class C>
inline const ClassSpec& spec_of() {
    const ClassSpec* s = spec_ptr<C>;
    if (!s) [[unlikely]]
        s = spec_ptr<C> = &C::spec();
    return *s;
}

// The C++ body of a Python-visible method, with its `self` type erased; the
// caller casts it back to R (*)(PyObject*, P...) with the method's own signature.
using ErasedBody = void (*)();
struct BodyRow {
    int mid;
    ErasedBody body;
};

struct ClassSpec {
    const char* name;
    PyTypeObject* type;
    PyTypeObject* base;  // nullptr: object (set from `parent` when there is one)
    Py_ssize_t basicsize;
    std::span<const Field> fields;  // own fields; a base's come first in `all_fields`
    PyMethodDef* methods;           // sentinel-terminated, may be null
    PyGetSetDef* props;             // sentinel-terminated, may be null
    InitDef init;
    CallDef call;
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
    // Inheritance: the base class of the module, if any.
    ClassSpec* parent = nullptr;
    size_t vtable_size = 0;  // bytes; every entry must be filled
    // Method ids 0..mid_count-1: the base's ids first, then the class's own
    // new methods in the order of `methods`.
    int mid_count = 0;
    std::vector<ErasedBody> bodies;  // by method id, the bodies an instance of this class runs
    // Filled by `ready`.
    std::vector<const Field*> all_fields;  // base fields first, declaration order
    std::vector<const Field*> sorted;      // pickle order
    std::vector<const Field*> attrs;       // ATTR fields, declaration order
    std::string restore_name;
    PyMethodDef restore_def{};
    std::vector<PyObject*> method_names;  // by method id
    PyMethodDef* defs_begin = nullptr;
    PyMethodDef* defs_end = nullptr;
    std::vector<PyGetSetDef> getsets;
    std::vector<PyMethodDef> all_methods;
    std::vector<const ClassSpec*> subclasses;  // the module's classes derived from this one
    OverrideCache cache;
    HotRoute* hot = nullptr;
};

// Readies the type and stores it in `module` under its name.
bool ready(ClassSpec& spec, PyObject* module);
// Publishes `__pyx_unpickle_<name>` in `module`.
bool publish_restore(ClassSpec& spec, PyObject* module);

// `__reduce__`, `__deepcopy__` and `__setstate__`: the layout's state, and
// after it a dictionary with the instance dictionary and the ATTR fields that
// are set. `set_state` restores the layout's state alone (the restore function).
PyObject* reduce(PyObject* self, const ClassSpec& spec);
PyObject* deepcopy(PyObject* self, const ClassSpec& spec, PyObject* memo);
void setstate(PyObject* self, const ClassSpec& spec, PyObject* state);
void set_state(PyObject* self, const ClassSpec& spec, PyObject* state);
PyObject* restore(const ClassSpec& spec, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

// How a call of method `mid` of `spec`'s class on `self` runs: by attribute
// name (a Python subclass or an instance attribute overrides it), or the body
// of the module class `self` is built as (`concrete`).
struct Route {
    const ClassSpec* concrete;
    bool by_name;
};
Route route(PyObject* self, ClassSpec& spec, int mid);

// True when `self` may have instance attributes that shadow methods.
inline bool may_shadow(PyObject* self) {
    PyTypeObject* tp = Py_TYPE(self);
    if (tp->tp_dictoffset == 0) return false;
#if PY_VERSION_HEX >= 0x030B0000 && PY_VERSION_HEX < 0x030C0000
    // 3.11 keeps a Python class's instance dictionary (or its inline values)
    // just before the object header; read it without materialising a dictionary.
    if (PyType_HasFeature(tp, Py_TPFLAGS_MANAGED_DICT)) {
        PyObject** head = reinterpret_cast<PyObject**>(self);
        if (head[-4] == nullptr) return head[-3] && PyDict_GET_SIZE(head[-3]) > 0;
    }
#endif
    PyObject** dp = _PyObject_GetDictPtr(self);
    return dp && *dp && PyDict_GET_SIZE(*dp) > 0;
}
// The class whose bodies run for `self`, without a lookup, or null when
// `self`'s type is not the hot Python subclass of C.
template <class C>
inline const ClassSpec* hot_concrete(PyObject* self) {
    const HotRoute& h = hot_route<C>;
    PyTypeObject* tp = Py_TYPE(self);
    if (tp != h.type || h.version == 0 || tp->tp_version_tag != h.version || may_shadow(self)) return nullptr;
    return h.concrete;
}

// How a call of one of C's methods on an instance whose type is not C runs:
// a static type of the module derived from C is recognised by one compare
// after its first call; a Python subclass goes its hot route or the lookup.
template <class C>
inline Route route_of(PyObject* self, int mid) {
    PyTypeObject* tp = Py_TYPE(self);
    StaticHit& s = static_hit<C>;
    if (tp == s.type) return Route{s.concrete, false};
    if (const ClassSpec* hot = hot_concrete<C>(self)) return Route{hot, false};
    Route r = route(self, C::spec(), mid);
    if (!r.by_name && r.concrete && !PyType_HasFeature(tp, Py_TPFLAGS_HEAPTYPE)) s = StaticHit{tp, r.concrete};
    return r;
}

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
        // The instance's internal table: its class's, or the nearest base's.
        if constexpr (requires(C* c) { c->vtab = &C::vtable; }) reinterpret_cast<C*>(o)->vtab = &C::vtable;
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
        // Base fields first, then the class's own, in declaration order.
        for (const Field* f : C::spec().all_fields)
            if (f->is_object()) Py_CLEAR(f->ref<PyObject*>(o));
        reinterpret_cast<C*>(o)->~C();
        t->tp_free(o);
        Py_TRASHCAN_END
    }
    static int traverse(PyObject* o, visitproc visit, void* arg) {
        for (const Field* f : C::spec().all_fields)
            if (f->is_object()) Py_VISIT(f->ref<PyObject*>(o));
        return 0;
    }
    static int clear(PyObject* o) {
        for (const Field* f : C::spec().all_fields)
            if (f->is_object()) {
                PyObject* old = f->ref<PyObject*>(o);
                f->ref<PyObject*>(o) = Py_XNewRef(f->none());
                Py_XDECREF(old);
            }
        return 0;
    }
    static PyObject* reduce_fn(PyObject* self, PyObject*) { return reduce(self, C::spec()); }
    static PyObject* setstate_fn(PyObject* self, PyObject* state) {
        try {
            setstate(self, C::spec(), state);
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
    // True when a call of method `mid` on `self` cannot enter C's own body:
    // a Python override, or a class of the module that redefines it.
    static bool overridden(const C* self, int mid) {
        if (Py_TYPE(self) == &C::type) return false;
        Route r = route_of<C>((PyObject*)self, mid);
        if (r.by_name) return true;
        const ClassSpec& own = spec_of<C>();
        return r.concrete != &own && (size_t)mid < own.bodies.size() && r.concrete->bodies[(size_t)mid] != own.bodies[(size_t)mid];
    }
};

// True when `self` (of C or of a static class of the module derived from C)
// runs C's own bodies for all of `Mids`: then what those bodies read may be
// read directly. Static types are immutable, so the answer is kept per type.
template <class C, int... Mids>
inline bool keeps_own_bodies(const C* self) {
    static PyTypeObject* seen = nullptr;
    static bool keeps = false;
    PyTypeObject* tp = Py_TYPE(self);
    if (tp == &C::type) return true;
    if (tp == seen) return keeps;
    if (PyType_HasFeature(tp, Py_TPFLAGS_HEAPTYPE)) return false;
    const bool k = (!Class<C>::overridden(self, Mids) && ...);
    seen = tp;
    keeps = k;
    return k;
}

// What a class declares about itself, by name:
//   bind::define<C>({.fields = fields, .methods = methods, .bodies = bodies, ...})
struct Decl {
    std::span<const Field> fields{};
    PyMethodDef* methods = nullptr;
    std::span<const BodyRow> bodies{};
    PyGetSetDef* props = nullptr;
    InitDef init{};
    CallDef call{};
    const void* vtable = nullptr;
    size_t vtable_size = 0;
    std::array<unsigned, 3> checksums{};
};

void compose_bodies(ClassSpec& s, std::span<const BodyRow> rows);

// Tracebacks through a class's methods point at the source that declares it.
void record_source(const char* cls, const std::source_location& where);

template <class C>
ClassSpec define(const Decl& d, const std::source_location where = std::source_location::current()) {
    record_source(C::py_name, where);
    ClassSpec s{};
    s.name = C::py_name;
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
    s.hot = &hot_route<C>;
    if constexpr (requires { typename C::Base; }) {
        static_assert(std::is_base_of_v<typename C::Base, C>, "a derived class derives from its base struct");
        s.parent = &C::Base::spec();
    }
    s.fields = d.fields;
    s.methods = d.methods;
    s.props = d.props;
    s.init = d.init;
    s.call = d.call;
    s.vtable = const_cast<void*>(d.vtable);
    s.vtable_size = d.vtable_size;
    s.checksums = d.checksums;
    s.mid_count = C::MID_count;
    compose_bodies(s, d.bodies);
    return s;
}

// Adds the traceback entry of method `mid` of the class to the pending exception.
void add_method_traceback(const ClassSpec& spec, int mid);

// Runs `run` as the C++ body of method `mid` of `spec`'s class: a failure
// carries the method's qualified name, and no C++ exception passes on.
template <class Run>
decltype(auto) traced(const ClassSpec& spec, int mid, Run&& run) {
    try {
        return run();
    } catch (Error&) {
        add_method_traceback(spec, mid);
        throw;
    } catch (...) {
        set_from_cpp_exception();
        add_method_traceback(spec, mid);
        throw Error{};
    }
}
template <auto F>
struct Body;
template <class R, class C, class... P, R (C::*F)(P...)>
struct Body<F> {
    static R call(PyObject* self, P... a) { return (reinterpret_cast<C*>(self)->*F)(std::move(a)...); }
    static ErasedBody erased() { return reinterpret_cast<ErasedBody>(&call); }
};

// Calls method `mid` of `self`: straight to the C++ body of the class `self`
// is built as, unless a Python subclass or an instance attribute overrides the
// name; then by attribute name. The body fails under the method's name.
//
// The same call on an object the caller holds (`on`): an instance of C (or of
// a subclass) takes the route above, any other object (a duck-typed stand-in,
// None) is called by name; the object is kept alive until the call returns
// (the callee may drop the holder's reference). Each argument is either a
// value of the body's parameter type, turned into an object only for a call
// by name, or a Python object, handed over as it is by name and converted as
// the method converts it (failing under the method's name) for the body.
// Where the two routes prepare their arguments differently, a caller asks
// `takes_body` first and then calls `run_with` or `call_by_name`.
template <auto F>
struct Dispatch;

template <class R, class C, class... P, R (C::*F)(P...)>
struct Dispatch<F> {
    using Args = std::tuple<std::remove_cvref_t<P>...>;
    // By name, counted against the recursion limit (the callee may call back).
    [[gnu::cold, gnu::noinline]] static R by_name(PyObject* self, int mid, PyObject* const* args) {
        constexpr size_t n = sizeof...(P);
        RecursionGuard guard(" while calling a Python object");
        PyObject* v[n + 1] = {self};
        for (size_t i = 0; i < n; ++i) v[i + 1] = args[i];
        Ref r = Ref::steal(PyObject_VectorcallMethod(C::spec().method_names[(size_t)mid], v,
                                                     (n + 1) | PY_VECTORCALL_ARGUMENTS_OFFSET, nullptr));
        if constexpr (!std::is_void_v<R>) return Ret<R>::from_py(std::move(r));
    }
    template <class... O>
    static R call_by_name(PyObject* self, int mid, O... objs) {
        static_assert(sizeof...(O) == sizeof...(P) && (std::is_same_v<O, PyObject*> && ...));
        PyObject* args[sizeof...(O) > 0 ? sizeof...(O) : 1] = {objs...};
        return by_name(self, mid, args);
    }
    static R run(C* self, int mid, P... a) {
        if (Py_TYPE(self) != &C::type) [[unlikely]] {
            Route r = route_of<C>((PyObject*)self, mid);
            if (r.by_name) return by_name_values((PyObject*)self, mid, a...);
            if (r.concrete->type != &C::type) {
                // A derived class that keeps C's body: the same body, entered directly.
                if (r.concrete->bodies[(size_t)mid] == spec_of<C>().bodies[(size_t)mid])
                    return traced(*r.concrete, mid, [&] { return (self->*F)(std::move(a)...); });
                auto body = reinterpret_cast<R (*)(PyObject*, P...)>(r.concrete->bodies[(size_t)mid]);
                return traced(*r.concrete, mid, [&] { return body((PyObject*)self, std::move(a)...); });
            }
        }
        return traced(spec_of<C>(), mid, [&] { return (self->*F)(std::move(a)...); });
    }
    // The instance of C whose body a call of method `mid` on `obj` runs, or
    // null when the call goes by name.
    static C* takes_body(PyObject* obj, int mid) {
        PyTypeObject* tp = Py_TYPE(obj);
        if (tp == &C::type || tp == static_hit<C>.type) return reinterpret_cast<C*>(obj);
        if (!PyObject_TypeCheck(obj, &C::type) || route_of<C>(obj, mid).by_name) return nullptr;
        return reinterpret_cast<C*>(obj);
    }
    // The body's route with arguments that `make()` prepares (an Args tuple),
    // failing under the method's name.
    template <class Make>
    static R run_with(C* self, int mid, Make make) {
        std::optional<Args> conv;
        traced(spec_of<C>(), mid, [&] { conv.emplace(make()); });
        return std::apply([&](auto&&... v) -> R { return run(self, mid, std::move(v)...); }, std::move(*conv));
    }
    template <fstr Params, class... A>
    static R on(PyObject* obj, int mid, A... a) {
        static_assert(sizeof...(A) == sizeof...(P), "a held call passes every parameter");
        Ref hold = Ref::borrow(obj);  // the callee may drop the caller's reference
        if (C* self = takes_body(obj, mid)) {
            if constexpr (!(is_object<A, P> || ...)) return run(self, mid, std::move(a)...);
            else if constexpr (sizeof...(P) == 1) return run(self, mid, converted_one<Params>(mid, a...));
            else return converted<Params>(self, mid, std::index_sequence_for<P...>{}, a...);
        }
        return by_name_values(obj, mid, a...);
    }
    // The same call with Python objects as arguments on `self` itself.
    template <fstr Params, class... O>
    static R with_objects(C* self, int mid, O... objs) {
        static_assert(sizeof...(O) == sizeof...(P) && (std::is_same_v<O, PyObject*> && ...));
        return on<Params>((PyObject*)self, mid, objs...);
    }

private:
    // An argument given as a Python object where the body takes another type.
    template <class A, class Pi>
    static constexpr bool is_object =
        std::is_same_v<A, PyObject*> && !std::is_same_v<std::remove_cvref_t<Pi>, PyObject*>;
    template <fstr Params, size_t... I, class... A>
    static R converted(C* self, int mid, std::index_sequence<I...>, A&... a) {
        static std::vector<PyObject*> names = param_names(Params.s);
        // Braced initialisation converts the arguments left to right.
        return run_with(self, mid, [&] { return Args{value<P>(a, names[I])...}; });
    }
    // One argument converted straight into the body's parameter.
    template <fstr Params, class A>
    static auto converted_one(int mid, A& a) {
        static std::vector<PyObject*> names = param_names(Params.s);
        return traced(spec_of<C>(), mid, [&] { return value<std::tuple_element_t<0, Args>>(a, names[0]); });
    }
    template <class Pi, class A>
    static decltype(auto) value(A& a, PyObject* name) {
        if constexpr (is_object<A, Pi>) return Arg<std::remove_cvref_t<Pi>>::from(a, name);
        else return std::move(a);
    }
    // By name with each argument as an object: values are turned into objects.
    template <class... A>
    [[gnu::cold, gnu::noinline]] static R by_name_values(PyObject* obj, int mid, A&... a) {
        Ref conv[sizeof...(A) > 0 ? sizeof...(A) : 1] = {object<P>(a)...};
        PyObject* args[sizeof...(A) > 0 ? sizeof...(A) : 1];
        for (size_t i = 0; i < sizeof...(A); ++i) args[i] = conv[i].get();
        return by_name(obj, mid, args);
    }
    template <class Pi, class A>
    static Ref object(A& a) {
        if constexpr (std::is_same_v<A, PyObject*>) return Ref::borrow(a);
        else return Arg<std::remove_cvref_t<Pi>>::to(a);
    }
};

// Calls a strategy attribute without arguments. When it still holds a bound
// method of `self` itself, its C function is entered directly.
Ref call_strategy(PyObject* self, PyObject* attr, const ClassSpec& spec);

// Field `m` of a held object, read in place when the object is exactly a C
// (nothing can stand in front of the field's descriptor), else by name.
template <class C, class Member>
Ref field_or_attr(PyObject* obj, Member m, PyObject* name) {
    if (Py_IS_TYPE(obj, &C::type)) return (reinterpret_cast<C*>(obj)->*m).hold();
    Ref hold = Ref::borrow(obj);
    return getattr(obj, name);
}

// The strategy attribute `name` (field `m` of C) of a held object, called.
template <class C, class Member>
Ref call_held_strategy(PyObject* obj, Member m, PyObject* name) {
    Ref hold = Ref::borrow(obj);
    Ref strategy = field_or_attr<C>(obj, m, name);
    if (PyObject_TypeCheck(obj, &C::type)) return call_strategy(obj, strategy.get(), spec_of<C>());
    return call(strategy.get());
}


// ------------------------------------------------------ internal method tables

// What an internal entry does with an exception: an entry that returns a
// number or nothing reports it as unraisable under the entry's qualified name
// and returns 0; an entry that returns an object passes it to its caller.
enum class OnError { Default, Unraisable, Propagate };

template <class R, class B, class... A>
using entry_ptr = R (*)(B*, A...);

void report_unraisable(const char* cls, const char* entry);

// An entry of an internal method table made from a member function:
//   .C = bind::entry<&CSootGas::C_impl, "C">()
// converts to the slot's function-pointer type, whose `self` may be the class
// or one of its bases (an entry replaced in a derived table). With a method id,
// the entry honours Python overrides of the method of that name.
template <auto F, fstr Name, OnError Policy = OnError::Default, int Mid = -1>
struct entry;
template <class R, class C, class... P, R (C::*F)(P...), fstr Name, OnError Policy, int Mid>
struct entry<F, Name, Policy, Mid> {
    static constexpr bool unraisable =
        Policy == OnError::Unraisable || (Policy == OnError::Default && !std::is_same_v<R, Ref>);
    static R body(C* c, P... a) {
        if constexpr (Mid >= 0) return Dispatch<F>::run(c, Mid, a...);
        else return (c->*F)(a...);
    }
    template <class B>
    static R fn(B* self, P... a) {
        C* c = static_cast<C*>(self);
        if constexpr (unraisable) {
            try {
                return body(c, a...);
            } catch (...) {
                set_from_cpp_exception();
            }
            report_unraisable(C::py_name, Name.s);
            if constexpr (!std::is_void_v<R>) return R{};
        } else {
            try {
                return body(c, a...);
            } catch (Error&) {
                throw;
            } catch (...) {
                set_from_cpp_exception();
                throw Error{};
            }
        }
    }
    template <class R2, class B, class... A>
    constexpr operator entry_ptr<R2, B, A...>() const {
        static_assert(std::is_same_v<R2, R> && (std::is_same_v<A, P> && ...), "entry signature differs from the slot");
        static_assert(std::is_base_of_v<B, C>, "entry of an unrelated class");
        return &fn<B>;
    }
};

// A derived class's internal table starts as a copy of its base's; the
// derived struct then replaces entries and fills its own, by name:
//   constexpr CDerivedVTable make() {
//       auto t = bind::extend<CDerivedVTable>(CBase::vtable);
//       t.update_w_scrub = bind::entry<&CDerived::update_w_scrub_impl, "update_w_scrub">();
//       t.own_entry = ...;
//       return t;
//   }
template <class Derived, class Base>
constexpr Derived extend(const Base& base) {
    static_assert(std::is_base_of_v<Base, Derived>, "a derived table derives from its base's table");
    Derived d{};
    static_cast<Base&>(d) = base;
    return d;
}

// ------------------------------------------------------------- method lists

// A method list `#define CX_METHODS(M) M(name, "params", doc, result, (C++ params)) ...`
// gives, per row, the method id MID_<name>, the dispatcher `name(...)` (honours
// overrides; `name_with(PyObject*...)` takes Python objects), the declaration
// of the C++ body `name_impl`, the Python method definition and the body row.
#define BIND_ID(name, ...) MID_##name,
#define BIND_DISPATCHER(name, params, ...)                                                       \
    template <class... A>                                                                         \
    auto name(A... a) {                                                                           \
        return ::bind::Dispatch<&Self::name##_impl>::run(this, MID_##name, a...);                \
    }                                                                                             \
    template <class... O>                                                                         \
    auto name##_with(O... o) {                                                                    \
        return ::bind::Dispatch<&Self::name##_impl>::template with_objects<params>(this, MID_##name, o...); \
    }
// In the nested struct `held`: the call of the method on an object the caller
// holds, `C::held::name(obj, args...)` (see Dispatch::on).
#define BIND_HELD(name, params, ...)                                                              \
    template <class... A>                                                                         \
    static auto name(PyObject* obj, A... a) {                                                     \
        return ::bind::Dispatch<&Self::name##_impl>::template on<params>(obj, Self::MID_##name, a...); \
    }
#define BIND_DECL(name, params, doc, R, A) R name##_impl A;
#define BIND_DEF(name, params, doc, ...) ::bind::Method<&Self::name##_impl, #name, params>::def(doc),
#define BIND_BODY(name, ...) ::bind::BodyRow{Self::MID_##name, ::bind::Body<&Self::name##_impl>::erased()},
// A redefinition in a derived class keeps the base's id and signature.
#define BIND_REDEF_BODY(name, ...)                                                                   \
    ::bind::BodyRow{(static_cast<void>(::bind::same_signature<&Self::Base::name##_impl, &Self::name##_impl>()), \
                    Self::MID_##name),                                                                \
                    ::bind::Body<&Self::name##_impl>::erased()},

template <auto F, auto G>
consteval bool same_signature() {
    using TF = mtraits<decltype(F)>;
    using TG = mtraits<decltype(G)>;
    static_assert(std::is_base_of_v<typename TF::cls, typename TG::cls>, "a redefinition lives in a derived class");
    static_assert(std::is_same_v<typename TF::ret, typename TG::ret> && TF::arity == TG::arity &&
                      std::is_same_v<typename TF::args, typename TG::args>,
                  "a redefinition keeps the base method's signature");
    return true;
}

// Inside the struct of a class with method list LIST (a root class):
#define BIND_METHODS(LIST)         \
    enum : int { LIST(BIND_ID) MID_count }; \
    LIST(BIND_DISPATCHER)          \
    struct held {                  \
        LIST(BIND_HELD)            \
    };                             \
    LIST(BIND_DECL)
// Inside the struct of a derived class: its new methods (ids after the
// base's) and its redefinitions of base methods (the base's ids).
#define BIND_DERIVED_METHODS(LIST, REDEF)                          \
    enum : int { MID_own_begin_ = Base::MID_count - 1, LIST(BIND_ID) MID_count }; \
    LIST(BIND_DISPATCHER)                                          \
    LIST(BIND_DECL)                                                \
    REDEF(BIND_DISPATCHER)                                         \
    REDEF(BIND_DECL)                                               \
    struct held : Base::held {                                     \
        LIST(BIND_HELD)                                            \
        REDEF(BIND_HELD)                                           \
    };
// In the class's source, where `Self` names the class: the method table (own
// new methods first, in id order, then the redefinitions) and the body rows.
#define BIND_METHOD_TABLES(LIST)                                           \
    PyMethodDef methods[] = {LIST(BIND_DEF){nullptr, nullptr, 0, nullptr}}; \
    const ::bind::BodyRow bodies[] = {LIST(BIND_BODY)::bind::BodyRow{-1, nullptr}};
#define BIND_DERIVED_METHOD_TABLES(LIST, REDEF)                                           \
    PyMethodDef methods[] = {LIST(BIND_DEF) REDEF(BIND_DEF){nullptr, nullptr, 0, nullptr}}; \
    const ::bind::BodyRow bodies[] = {LIST(BIND_BODY) REDEF(BIND_REDEF_BODY)::bind::BodyRow{-1, nullptr}};

// The type object and the `spec()` of a class, in its source file.
#define BIND_TYPE_OBJECT(C) PyTypeObject C::type = {PyVarObject_HEAD_INIT(nullptr, 0)};

// Inside the struct: what every class declares about its identity (its
// docstring is its constructor's signature, from the constructor's parameters).
#define BIND_CLASS(C)                                    \
    using Self = C;                                      \
    static constexpr const char* py_name = #C;           \
    static PyTypeObject type;                            \
    static ::bind::ClassSpec& spec();

}  // namespace bind
