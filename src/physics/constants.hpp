// Module-wide physical constants of the modular framework. Each is a named
// compile-time value, checked against the exact bit pattern every formula takes
// (some are deliberately not the nearest double of the quantity they stand for).
#pragma once

#include <bit>
#include <cstdint>

namespace pyrandel {

struct Constants {
    static constexpr double rho_soot_const = 1800.0;                // kg/m3
    static constexpr double MW_carbon_const = 0.012011;             // kg/mol
    static constexpr double MW_hydrogen_const = 0.001008;           // kg/mol
    static constexpr double kB_const = 1.3806488e-23;               // J/K
    static constexpr double Av_const = 6.02214076e23;               // 1/mol
    static constexpr double Pi_const = 3.1415926535;                // ten decimals of pi, deliberately not the double nearest pi
    static constexpr double R_const = 8.31446261815324;             // J/(mol K)
    static constexpr double ln10_const = 2.302585092994046;
    static constexpr double one_sixth_const = 0.1666666666666667;   // a little above 1/6, as the rate formulas were fitted with
    static constexpr double two_thirds_const = 0.6666666666666667;
    static constexpr double one_third_const = 0.3333333333333334;   // a little above 1/3
    static constexpr double min_n_H_const = 20.0;                   // hydrogen atoms of the smallest particle
    static constexpr double min_n_C_const = 378.0;                  // carbon atoms of the smallest particle
};
inline constexpr Constants constants{};

static_assert(std::bit_cast<uint64_t>(Constants::rho_soot_const) == 0x409c200000000000);
static_assert(std::bit_cast<uint64_t>(Constants::MW_carbon_const) == 0x3f8899392189bd84);
static_assert(std::bit_cast<uint64_t>(Constants::MW_hydrogen_const) == 0x3f5083dbc23315d7);
static_assert(std::bit_cast<uint64_t>(Constants::kB_const) == 0x3b30b0e6accdcc7e);
static_assert(std::bit_cast<uint64_t>(Constants::Av_const) == 0x44dfe185ca57c517);
static_assert(std::bit_cast<uint64_t>(Constants::Pi_const) == 0x400921fb54411744);
static_assert(std::bit_cast<uint64_t>(Constants::R_const) == 0x4020a1013e8990be);
static_assert(std::bit_cast<uint64_t>(Constants::ln10_const) == 0x40026bb1bbb55516);
static_assert(std::bit_cast<uint64_t>(Constants::one_sixth_const) == 0x3fc5555555555557);
static_assert(std::bit_cast<uint64_t>(Constants::two_thirds_const) == 0x3fe5555555555556);
static_assert(std::bit_cast<uint64_t>(Constants::one_third_const) == 0x3fd5555555555557);
static_assert(std::bit_cast<uint64_t>(Constants::min_n_H_const) == 0x4034000000000000);
static_assert(std::bit_cast<uint64_t>(Constants::min_n_C_const) == 0x4077a00000000000);

}  // namespace pyrandel
