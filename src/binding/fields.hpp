// Fields of the extension types: the typed members a field list declares
// and the table rows the layer derives from them (see cls.hpp).
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

}  // namespace bind
