// Module-wide physical constants of the modular framework, set once at start-up.
#pragma once

namespace pyrandel {

struct Constants {
    double rho_soot_const = 0.0;     // kg/m3
    double MW_carbon_const = 0.0;    // kg/mol
    double MW_hydrogen_const = 0.0;  // kg/mol
    double kB_const = 0.0;           // J/K
    double Av_const = 0.0;           // 1/mol
    double Pi_const = 0.0;           // ten decimals of pi, deliberately not M_PI
    double R_const = 0.0;            // J/(mol K)
    double ln10_const = 0.0;
    double one_sixth_const = 0.0;    // a little above 1/6, as the rate formulas were fitted with
    double two_thirds_const = 0.0;
    double one_third_const = 0.0;
    double min_n_H_const = 0.0;      // hydrogen atoms of the smallest particle
    double min_n_C_const = 0.0;      // carbon atoms of the smallest particle
};

extern Constants k;

void set_constants();

}  // namespace pyrandel
