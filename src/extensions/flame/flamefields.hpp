// The fields every modular flame solver declares in one run: the mass fluxes
// and outflow condition at the two ends, the tridiagonal system and the four
// right-hand sides, the soot variables of two time levels and their inflow
// values at both ends.
#pragma once

#define MODULAR_FLAME_SYSTEM_FIELDS(F)              \
    F(double, mdot_left, RW)                       \
    F(double, mdot_right, RW)                      \
    F(int, boundary_type_right, RW)                \
    F(bind::Array, upper, RW)                      \
    F(bind::Array, diag, RW)                       \
    F(bind::Array, lower, RW)                      \
    F(bind::Array, B_N_agg, RW)                    \
    F(bind::Array, B_N_pri, RW)                    \
    F(bind::Array, B_C_tot, RW)                    \
    F(bind::Array, B_H_tot, RW)                    \
    F(bind::Array, N_agg_n, RW)                    \
    F(bind::Array, N_agg_n1, RW)                   \
    F(bind::Array, N_pri_n, RW)                    \
    F(bind::Array, N_pri_n1, RW)                   \
    F(bind::Array, C_tot_n, RW)                    \
    F(bind::Array, C_tot_n1, RW)                   \
    F(bind::Array, H_tot_n, RW)                    \
    F(bind::Array, H_tot_n1, RW)                   \
    F(double, N_agg_in_left, RW)                   \
    F(double, N_pri_in_left, RW)                   \
    F(double, C_tot_in_left, RW)                   \
    F(double, H_tot_in_left, RW)                   \
    F(double, N_agg_in_right, RW)                  \
    F(double, N_pri_in_right, RW)                  \
    F(double, C_tot_in_right, RW)                  \
    F(double, H_tot_in_right, RW)
