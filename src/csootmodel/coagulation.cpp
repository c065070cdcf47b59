// CSootModel: coagulation kernels and the N_agg sink, characteristic
// coalescence times and the two N_pri sinks.
#include "formulas.hpp"  // Python.h first

#include <cmath>

namespace pyrandel {

using bind::fdiv;
using bind::Ref;

namespace {

bind::Name n_pi("pi");

// 4 (pi kB T / m_Ag)^0.5 d_g^2; the aggregate mass is a method result, so its
// zero is the interpreter's division error.
double free_molecular(CSootModel& m) {
    double num = m.Pi * m.kB * m.T;
    double mass = m.m_Ag();
    return 4 * std::pow(bind::pydiv(num, mass), 0.5) * std::pow(m.p_d_g, 2.0);
}

// Coagulation kernel of the selected strategy plus the turbulent kernel; the
// sum is a NumPy number when the strategy's kernel is one.
bind::NpFloat total_kernel(CSootModel& m) {
    Ref k = m.run(m.beta_coag);
    bool numpy = bind::is_np_float(k.get());
    double b = bind::as_double(k.get());
    return bind::NpFloat(b + m.beta_coag_turb(), numpy);
}

}  // namespace

double CSootModel::beta_coag_fm_impl() { return free_molecular(*this); }
double CSootModel::beta_coag_validation_impl() { return free_molecular(*this); }

bind::NpFloat CSootModel::beta_coag_cont_impl() {
    double Cc = csm::C_S_soot_at(*this, p_d_m);
    return fdiv(kB * 8 * T, viscosity * 3) * Cc;
}

// Transition regime: 1.82 times the harmonic mean of the two limits.
double CSootModel::beta_coag_hm_impl() {
    double b_fm = beta_coag_fm();
    double b_c = beta_coag_cont();
    return fdiv(b_fm * 1.82 * b_c, b_fm + b_c);
}

double CSootModel::beta_coag_turb_impl() {
    Ref pi = bind::getattr(bind::np().get(), n_pi);
    double v = bind::as_double(pi.get()) / 6.0;
    v = v * std::pow(p_d_m, 3.0);
    return v * 8 * K_T_factor;
}

bind::NpFloat CSootModel::N_agg_coag_impl() {
    bind::NpFloat b = total_kernel(*this);
    return {csm::collision_loss(*this, b.v, N_agg), b.numpy};
}

bind::NpFloat CSootModel::t_f_titania_impl() {
    return (std::pow(p_d_p, 4.0) * As_coales * T) * std::exp(fdiv(Ea_coales, T));
}

bind::NpFloat CSootModel::t_f_silica_impl() {
    double size = 1 - fdiv(d_crit_coales, p_d_p);
    return (As_coales * p_d_p) * std::exp(size * fdiv(Ea_coales, T));
}

double CSootModel::t_f_md_derived_impl() { return std::pow(10.0, T * 0.0014 - 11.4303); }

double CSootModel::N_pri_coales_sintering_impl() {
    double n = n_p();
    if (!(n > 1)) return 0.0;  // a single primary particle does not coalesce
    double t = run_d(t_coales);
    double tau = t_coales_min > t ? t_coales_min : t;
    return fdiv(-3.0, tau) * (n - std::pow(n, 0.6666666667)) * N_agg;
}

// Particles below the critical C/H ratio merge on every collision.
bind::NpFloat CSootModel::N_pri_coales_merge_impl() {
    double CH = fdiv(C_tot, H_tot);
    if (!(CtoH_crit > CH)) return {0.0, false};
    bind::NpFloat b = total_kernel(*this);
    return {csm::collision_loss(*this, b.v, N_pri), b.numpy};
}

}  // namespace pyrandel
