// Internal method tables: entries made from member functions or written in
// place, and the copy of a base's table that a derived table starts from.
#pragma once

#include "cls.hpp"

namespace bind {

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
            explain_error(c);
            report_unraisable(C::py_name, Name.s);
            if constexpr (!std::is_void_v<R>) return R{};
        } else {
            try {
                return body(c, a...);
            } catch (Error&) {
                explain_error(c);
                throw;
            } catch (...) {
                set_from_cpp_exception();
                explain_error(c);
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

// The same rules for a body written in place of a member function.
template <class R, class F>
R report_unraisable(const char* cls, const char* name, F&& f) {
    try {
        if constexpr (std::is_void_v<R>) {
            f();
            return;
        } else {
            return f();
        }
    } catch (...) {
        set_from_cpp_exception();
    }
    write_unraisable(qualname(cls, name).c_str());
    if constexpr (!std::is_void_v<R>) return R{};
}

template <class F>
Ref propagate(const char* cls, const char* name, F&& f) {
    try {
        f();
        return none();
    } catch (Error&) {
    } catch (...) {
        set_from_cpp_exception();
    }
    error_exit(cls, name);
    throw Error{};
}

}  // namespace bind
