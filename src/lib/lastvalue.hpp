// The last argument and result of a libm function, per use: within one step two
// models evaluate some terms from the same state (the slip correction's
// exponential at the aggregates' mobility diameter, the cube of the primary
// particle diameter), and equal arguments give equal results bit for bit.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

namespace pyrandel {

template <class Use>
struct LastValue {
    static inline bool set = false;
    static inline uint64_t x = 0;
    static inline double v = 0.0;
    template <class F>
    static double of(double a, F f) {
        const uint64_t bits = std::bit_cast<uint64_t>(a);
        if (!set || bits != x) {
            v = f(a);
            x = bits;
            set = true;
        }
        return v;
    }
};

// exp(-0.78·d_m/λ) of the slip correction at the aggregates' mobility diameter.
inline double slip_exp(double a) {
    return LastValue<struct SlipExp>::of(a, [](double y) { return std::exp(y); });
}

// d_p³ of the primary particle diameter.
inline double cube(double d) {
    return LastValue<struct Cube>::of(d, [](double y) { return std::pow(y, 3.0); });
}

}  // namespace pyrandel
