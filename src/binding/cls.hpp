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

#include "methods.hpp"

namespace bind {

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

#include "entries.hpp"
