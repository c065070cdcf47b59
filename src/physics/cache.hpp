// Kept values: a value stored beside the inputs it was computed from, a member
// of the object that uses it. One rule decides when it may be reused: the
// inputs are the same bit for bit (a double by its bits, so a zero of the other
// sign or another NaN is another input; an index or a pointer by identity).
// Equal inputs give equal results, so a kept value is the one a fresh
// computation would give.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <tuple>
#include <type_traits>
#include <utility>

namespace pyrandel {

// The same inputs? Numbers by their bits, pointers by identity; a tuple, an
// array or a struct with `inputs()` (a tie of its members) element by element.
template <class T>
constexpr bool same_inputs(const T& a, const T& b) {
    if constexpr (std::is_same_v<T, double>) {
        return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
    } else if constexpr (std::is_integral_v<T> || std::is_enum_v<T> || std::is_pointer_v<T>) {
        return a == b;
    } else if constexpr (requires { a.inputs(); }) {
        return same_inputs(a.inputs(), b.inputs());
    } else {
        return [&]<size_t... I>(std::index_sequence<I...>) {
            return (same_inputs<std::remove_cvref_t<decltype(std::get<I>(a))>>(std::get<I>(a), std::get<I>(b)) && ...);
        }(std::make_index_sequence<std::tuple_size_v<T>>{});
    }
}

// A value of type V kept for the inputs K it was computed from.
template <class K, class V>
class Kept {
    K key_{};
    V value_{};
    bool set_ = false;

public:
    // Was the kept value computed from `k`?
    bool holds(const K& k) const { return set_ && same_inputs(key_, k); }
    const V& value() const { return value_; }
    const K& key() const { return key_; }  // the inputs of the kept value
    void keep(const K& k, const V& v) {
        key_ = k;
        value_ = v;
        set_ = true;
    }
    // The value for `k`: the kept one, or `compute()` kept in its place.
    template <class F>
    const V& of(const K& k, F&& compute) {
        if (!holds(k)) keep(k, compute());
        return value_;
    }
    void forget() { set_ = false; }
};

}  // namespace pyrandel
