"""The classic soot step written directly in Python, as a yardstick for the compiled model.

`PyClassicModel` is a plain transcription of the per-step work of CSootModel: update_gas,
update_solution (morphology, the selected PAH-growth update, HACA growth, carbonisation and
oxidation), the four source terms and update_scrub_wdot, for all five PAH-growth variants with the
default switches, alpha model, coagulation kernel and no coalescence. Methods call one another by
name as the compiled model's do, and every formula keeps its factors in the same order, so the
results agree with the compiled model's to the last bit or so (the elementary functions are the C
library's through `math`). It is built from a configured and initialised CSootModel, whose
parameters it copies.
"""
import math

import numpy as np

R_CONST = 8.31446261815324


class PyClassicModel:
    CONSTANTS = ("rho_soot", "MW_carbon", "MW_hydrogen", "Av", "kB", "R", "P_atm", "Pi", "d_A")
    PARAMETERS = (
        "N_agg_min", "N_pri_min", "C_tot_min", "H_tot_min", "N_agg_offset", "N_pri_offset", "C_tot_offset",
        "H_tot_offset", "HACA_prefactor", "alpha_constant_value", "A_carb", "Ea_carb", "K_T_factor",
        "K_REACT_prefactor", "Ea_REACT_prefactor", "k_FWD_prefactor", "K_PAH_ADS_prefactor",
        "Ea_PAH_ADS_prefactor", "adsorb_eff", "cross_k_f1_prefactor", "cross_k_r1_prefactor",
        "cross_k_f2_prefactor", "cross_k_f3_prefactor", "min_n_C", "C2H2_index", "H2_index", "H_index",
        "CO_index", "O2_index", "OH_index", "H2O_index", "inception_enabled", "growth_enabled",
        "growth_HACA_enabled", "growth_PAH_adsorption_enabled", "carbonization_enabled", "oxidation_enabled",
        "coagulation_enabled", "coalescence_enabled", "scrubbing_enabled", "modified_particle_addition",
        "_alpha_model")
    SUFFIX = {1: "reactived", 2: "slfclsn", 3: "slfclsn_lump", 4: "crosslinking", 5: "irrevd"}

    def __init__(self, model, variant):
        for name in self.CONSTANTS + self.PARAMETERS:
            setattr(self, name, getattr(model, name))
        self.MWs = model.MWs
        self.PAH_indices = list(model.PAH_index_in_gas)
        self.PAH_n_C = [float(v) for v in model.PAH_Number_Carbon]
        self.PAH_n_H = [float(v) for v in model.PAH_Number_Hydrogen]
        self.stick_eff = list(model.stick_eff)
        self.alpha = {0: self.alpha_constant, 1: self.alpha_empirical, 2: self.alpha_ctoh_based}[self._alpha_model]
        suffix = self.SUFFIX[variant]
        for hook in ("PAH_growth_update", "inception_N_agg", "inception_C_tot", "inception_H_tot",
                     "update_scrub_wdot_PAH_growth", "create_PAH_dimer"):
            setattr(self, hook, getattr(self, f"{hook}_{suffix}"))
        self.create_PAH_dimer()

    # ------------------------------------------------------------ protocol

    def update_gas(self, T, P, density, viscosity, mean_MW, X):
        self.T = T
        self.P = P
        self.mean_MW = mean_MW / 1000
        self.density = density
        self.viscosity = viscosity
        self.X = X
        self.scrub_wdot = np.zeros_like(X)
        self.p_lambda_gas = self.calc_lambda_gas()

    def update_solution(self, solution):
        v = solution[self.N_agg_offset]
        self.N_agg = self.N_agg_min if self.N_agg_min > v else float(v)
        v = solution[self.N_pri_offset]
        self.N_pri = self.N_pri_min if self.N_pri_min > v else float(v)
        v = solution[self.C_tot_offset]
        self.C_tot = self.C_tot_min if self.C_tot_min > v else float(v)
        v = solution[self.H_tot_offset]
        self.H_tot = self.H_tot_min if self.H_tot_min > v else float(v)
        self.p_d_p = self.d_p()
        self.p_d_m = self.d_m()
        self.p_d_g = self.d_g()
        self.p_A_tot = self.A_tot()
        self.PAH_growth_update()
        self.p_dC_tot_dt_HACA_alt = self.dC_tot_dt_HACA_alt()
        self.p_dH_tot_dt_HACA_alt = self.dH_tot_dt_HACA_alt()
        self.p_dH_tot_dt_carb = self.dH_tot_dt_carb()
        self.p_dC_tot_dt_O2 = self.dC_tot_dt_O2_alt()
        self.p_dC_tot_dt_OH = self.dC_tot_dt_OH_alt()
        self.p_dH_tot_dt_O2 = self.dH_tot_dt_O2_alt()
        self.p_dH_tot_dt_OH = self.dH_tot_dt_OH_alt()

    def inception(self, i):
        if not self.inception_enabled:
            return 0.0
        if i in (0, 1):
            return self.inception_N_agg()
        return self.inception_C_tot() if i == 2 else self.inception_H_tot()

    def growth(self, i):
        if not self.growth_enabled or i < 2:
            return 0.0
        g = 0.0
        if i == 2:
            if self.growth_HACA_enabled:
                g += self.p_dC_tot_dt_HACA_alt
            if self.growth_PAH_adsorption_enabled:
                g += self.p_dC_tot_dt_PAH
            return g
        if self.growth_HACA_enabled:
            g += self.p_dH_tot_dt_HACA_alt
        if self.growth_PAH_adsorption_enabled:
            g += self.p_dH_tot_dt_PAH
        if self.carbonization_enabled:
            g += self.p_dH_tot_dt_carb
        return g

    def oxidation(self, i):
        if not self.oxidation_enabled or i < 2:
            return 0.0
        if i == 2:
            return self.p_dC_tot_dt_OH + self.p_dC_tot_dt_O2
        return self.p_dH_tot_dt_OH + self.p_dH_tot_dt_O2

    def coagulation(self, i):
        if not self.coagulation_enabled or i != 0:
            return 0.0
        return self.N_agg_coag()

    def coalescence(self, i):
        return 0.0

    def source(self, i):
        return self.inception(i) + self.growth(i) + self.oxidation(i) + self.coagulation(i) + self.coalescence(i)

    def S_N_agg(self):
        return self.source(0)

    def S_N_pri(self):
        return self.source(1)

    def S_C_tot(self):
        return self.source(2)

    def S_H_tot(self):
        return self.source(3)

    def update_scrub_wdot(self):
        if not self.scrubbing_enabled:
            return
        self.update_scrub_wdot_PAH_growth()
        w, rho = self.scrub_wdot, self.density
        if self.growth_enabled and self.growth_HACA_enabled:
            w[self.C2H2_index] -= rho * self.p_dC_tot_dt_HACA_alt / 2000
            w[self.H_index] += self.p_dC_tot_dt_HACA_alt * 0.875 * rho / 1000
        if not self.oxidation_enabled:
            return
        w[self.CO_index] += self.p_dC_tot_dt_O2 * rho / (-1000)
        w[self.H2_index] += rho * self.p_dH_tot_dt_O2 / (-1000)
        w[self.H_index] -= rho * self.p_dH_tot_dt_O2 / (-1000)
        w[self.O2_index] -= self.p_dC_tot_dt_O2 * (-0.5) * rho / 1000
        w[self.CO_index] += rho * self.p_dC_tot_dt_OH / (-1000)
        w[self.H2_index] += (self.p_dH_tot_dt_OH + self.p_dC_tot_dt_OH) * (-0.5) * rho / 1000
        w[self.OH_index] -= rho * self.p_dC_tot_dt_OH / (-1000)

    # ------------------------------------------------------------ morphology

    def molar_density(self, index):
        return self.X[index] * self.density / self.mean_MW

    def calc_lambda_gas(self):
        return (self.viscosity / self.density) * (self.mean_MW * self.Pi / (2 * self.kB * self.Av * self.T)) ** 0.5

    def V_tot(self):
        return self.C_tot * self.MW_carbon / self.rho_soot

    def V_p(self):
        return self.V_tot() / (self.N_pri * self.Av)

    def d_p(self):
        return (6.0 * self.V_p() / self.Pi) ** 0.3333333333333334

    def A_p(self):
        return self.Pi * (6.0 * self.V_p() / self.Pi) ** 0.6666666666666667

    def n_p(self):
        return self.N_pri / self.N_agg

    def A_tot(self):
        return self.N_pri * self.Av * self.A_p()

    def V_Ag(self):
        return self.V_tot() / (self.N_agg * self.Av)

    def m_Ag(self):
        return self.V_Ag() * self.rho_soot

    def d_m(self):
        d = self.d_p()
        dn = d * self.n_p() ** 0.45
        return dn if dn > d else d

    def d_g(self):
        n = self.n_p()
        if n > 1.5:
            return self.d_m() / (n ** -0.2 + 0.4)
        return self.d_m() / 1.29

    # ------------------------------------------------------------ HACA and oxidation

    def alpha_constant(self):
        return self.alpha_constant_value

    def alpha_empirical(self):
        n_C = self.Pi * self.rho_soot / 6 * self.d_p() ** 3.0 * self.Av / self.MW_carbon
        a = math.tanh((12.65 - 0.00563 * self.T) / math.log10(n_C) - 1.38 + 0.00068 * self.T)
        return max(min(a, 1.0), 0.0)

    def alpha_ctoh_based(self):
        return max(min(self.H_tot / self.C_tot, 1.0), 0.0)

    def c_soot_nought(self):
        T = self.T
        H = max(self.molar_density(self.H_index), 0.0)
        OH = max(self.molar_density(self.OH_index), 0.0)
        H2 = max(self.molar_density(self.H2_index), 0.0)
        H2O = max(self.molar_density(self.H2O_index), 0.0)
        C2H2 = max(self.molar_density(self.C2H2_index), 0.0)
        O2 = max(self.molar_density(self.O2_index), 0.0)
        k1f = 4.17e7 * math.exp(-6542.52 / T)
        k1r = 3.9e6 * math.exp(-5535.98 / T)
        k2f = 1e4 * T ** 0.734 * math.exp(-719.68 / T)
        k2r = 368 * T ** 1.139 * math.exp(-8605.94 / T)
        k3 = 2e7
        k4 = 80 * T ** 1.56 * math.exp(-1912.43 / T)
        k5 = 2.2e6 * math.exp(-3774.53 / T)
        num = k1f * H + k2f * OH
        den = k1r * H2 + k2r * H2O + k3 * H + k4 * C2H2 + k5 * O2 + k1f * H + k2f * OH
        if den == 0.0:
            return 0.0
        f = min(num / den, 1.0)
        sites = 0.0 if f < 0 else 2.3e19 * f
        return self.p_A_tot / self.Av * sites

    def dC_tot_dt_HACA_alt(self):
        k_add = 80 * self.T ** 1.56 * math.exp(-1912.43 / self.T)
        C2H2 = self.molar_density(self.C2H2_index)
        return 2 * self.HACA_prefactor * self.alpha() * k_add * C2H2 * self.c_soot_nought()

    def dH_tot_dt_HACA_alt(self):
        return 0.125 * self.dC_tot_dt_HACA_alt()

    def dH_tot_dt_carb(self):
        if not self.carbonization_enabled:
            return 0.0
        return -self.H_tot * self.A_carb * math.exp(-self.Ea_carb / (self.T * self.R))

    def dC_tot_dt_O2_alt(self):
        if self.H_tot / self.C_tot <= 0.1:
            return 0.0
        c = self.molar_density(self.O2_index)
        if 0 > c:
            c = 0.0
        k = 2200000.0 * math.exp(-3774.53 / self.T)
        return (-2.0) * self.alpha() * k * c * self.c_soot_nought()

    def dC_tot_dt_OH_alt(self):
        if self.H_tot / self.C_tot <= 0.1:
            return 0.0
        c = self.molar_density(self.OH_index)
        if 0 > c:
            c = 0.0
        return c * (-0.13) * self.N_agg * self.density

    def dH_tot_dt_O2_alt(self):
        self.H_tot / self.C_tot
        return 0.0

    def dH_tot_dt_OH_alt(self):
        self.H_tot / self.C_tot
        return 0.0

    # ------------------------------------------------------------ coagulation

    def beta_coag_fm(self):
        return 4 * (self.Pi * self.kB * self.T / self.m_Ag()) ** 0.5 * self.p_d_g ** 2.0

    def beta_coag_cont(self):
        Kn = 2 * self.p_lambda_gas / self.p_d_m
        Cc = 1 + Kn * (1.21 + 0.4 * math.exp(-0.78 * self.p_d_m / self.p_lambda_gas))
        return self.kB * 8 * self.T / (self.viscosity * 3) * Cc

    def beta_coag(self):
        b_fm = self.beta_coag_fm()
        b_c = self.beta_coag_cont()
        return b_fm * 1.82 * b_c / (b_fm + b_c)

    def beta_coag_turb(self):
        return np.pi / 6.0 * self.p_d_m ** 3.0 * 8 * self.K_T_factor

    def N_agg_coag(self):
        b = self.beta_coag() + self.beta_coag_turb()
        return -0.5 * b * self.N_agg ** 2.0 * self.Av * self.density

    # ------------------------------------------------------------ dimer and adsorption kinetics

    def m_i(self, i):
        return self.MWs[self.PAH_indices[i]] / self.Av

    def d_i(self, i):
        n_C, n_H = self.PAH_n_C[i], self.PAH_n_H[i]
        rho = (n_C * self.MW_carbon + n_H * self.MW_hydrogen) * 171943.5197 / (n_C + n_H)
        return (self.m_i(i) / rho * 6 / self.Pi) ** 0.3333333333333333

    def reduced_m(self, i, j):
        m_i, m_j = self.m_i(i), self.m_i(j)
        return m_i * m_j / (m_i + m_j)

    def reduced_d(self, i, j):
        d_i, d_j = self.d_i(i), self.d_i(j)
        return 2 * d_i * d_j / (d_i + d_j)

    def k_FWD(self, i, j):
        d = self.reduced_d(i, j)
        mu = self.reduced_m(i, j)
        return d ** 2.0 * (self.k_FWD_prefactor * 2.2 * 0.1 * self.Av) * (8.0 * math.pi * self.kB * self.T / mu) ** 0.5

    def k_REV(self, i, j):
        kf = self.k_FWD(i, j)
        M_i, M_j = self.MWs[self.PAH_indices[i]], self.MWs[self.PAH_indices[j]]
        E = 933420.0 * (M_i * M_j) / (M_i + M_j) - 34053.0
        return kf * 10.0 ** -1.8 * math.exp(E * (-0.115) * math.log(10.0) / (self.T * self.R))

    def k_REAC(self):
        return (self.K_REACT_prefactor * 5e6) * math.exp(-(self.Ea_REACT_prefactor * 96232) / (self.T * self.R))

    def k_PAH(self):
        return (self.K_PAH_ADS_prefactor * 2e10) * math.exp(-(self.Ea_PAH_ADS_prefactor * 96232) / (self.T * self.R))

    def C_S_soot(self, d):
        lam = self.p_lambda_gas
        return 1 + 2 * lam / d * (1.21 + 0.4 * math.exp(-0.78 * d / lam))

    def beta_fm_soot_PAH(self, i):
        d = self.d_i(i)
        return (d + self.p_d_g) ** 2.0 * (
            (self.Pi * self.kB * self.T * 0.5 * (1.0 / self.m_Ag() + 1 / self.m_i(i))) ** 0.5 * 2.2)

    def beta_cont_soot_PAH(self, i):
        d = self.d_i(i)
        diff = 2 * self.kB * self.T / (self.viscosity * 3)
        return diff * (self.C_S_soot(self.p_d_m) / self.p_d_g + self.C_S_soot(d) / d) * (d + self.p_d_g)

    def k_f_soot_PAH(self, i):
        fm = self.beta_fm_soot_PAH(i)
        cont = self.beta_cont_soot_PAH(i)
        return fm * cont / (fm + cont) * self.Av

    def k_r_soot_PAH(self, i):
        m_s = self.C_tot * self.MW_carbon / self.N_agg
        M = self.MWs[self.PAH_indices[i]]
        E = 933420.0 * (m_s * M) / (m_s + M) - 34053.0
        return 10.0 ** -1.8 * self.p_k_f_soot_PAH[i] * math.exp(E * (-0.115) * math.log(10.0) / (self.T * self.R))

    def soot_PAH_star(self, i):
        c = self.molar_density(self.PAH_indices[i])
        return self.N_agg * self.density * self.p_k_f_soot_PAH[i] * max(c, 0.0) / (
            self.p_k_r_soot_PAH[i] + self.k_PAH())

    # ------------------------------------------------------------ reactive dimerisation

    def create_PAH_dimer_reactived(self):
        n = len(self.PAH_indices)
        self.p_k_f_soot_PAH = [0.0] * n
        self.p_k_r_soot_PAH = [0.0] * n
        self.p_soot_PAH_star = [0.0] * n
        self.p_dC_tot_dt_PAH_each = [0.0] * n
        self.p_dH_tot_dt_PAH_each = [0.0] * n
        self.dimer_PAH_1_id, self.dimer_PAH_2_id = [], []
        for i in range(n):
            for j in range(i, n):
                self.dimer_PAH_1_id.append(i)
                self.dimer_PAH_2_id.append(j)
        P = len(self.dimer_PAH_1_id)
        self.dimer_n_C = np.array([self.PAH_n_C[i] + self.PAH_n_C[j]
                                   for i, j in zip(self.dimer_PAH_1_id, self.dimer_PAH_2_id)])
        self.dimer_n_H = np.array([self.PAH_n_H[i] + self.PAH_n_H[j]
                                   for i, j in zip(self.dimer_PAH_1_id, self.dimer_PAH_2_id)])
        self.p_ROP = np.zeros(P)
        self.p_phy_dimer_ = [0.0] * P

    def PAH_growth_update_reactived(self):
        self.update_phy_dimer_()
        self.update_ROP()
        for i in range(len(self.PAH_indices)):
            self.p_k_f_soot_PAH[i] = self.k_f_soot_PAH(i)
            self.p_k_r_soot_PAH[i] = self.k_r_soot_PAH(i)
        for i in range(len(self.PAH_indices)):
            self.p_soot_PAH_star[i] = self.soot_PAH_star(i)
        for i in range(len(self.PAH_indices)):
            self.p_dC_tot_dt_PAH_each[i] = self.PAH_n_C[i] * self.k_PAH() * self.p_soot_PAH_star[i] / self.density
            self.p_dH_tot_dt_PAH_each[i] = (self.PAH_n_H[i] - 2) * self.k_PAH() * self.p_soot_PAH_star[i] / self.density
        self.p_dC_tot_dt_PAH = sum(self.p_dC_tot_dt_PAH_each, 0.0)
        self.p_dH_tot_dt_PAH = sum(self.p_dH_tot_dt_PAH_each, 0.0)

    def update_phy_dimer_(self):
        n, b = len(self.PAH_indices), 0
        for i in range(n):
            for j in range(i, n):
                c_i = self.molar_density(self.PAH_indices[i])
                c_j = self.molar_density(self.PAH_indices[j])
                num = self.k_FWD(i, j) * c_i * c_j
                self.p_phy_dimer_[b] = num / (self.k_REV(i, j) + self.k_REAC())
                b += 1

    def update_ROP(self):
        for b in range(len(self.dimer_PAH_1_id)):
            r = self.k_REAC() * self.p_phy_dimer_[b]
            self.p_ROP[b] = 0.0 if r < 0.0 else r

    def inception_N_agg_reactived(self):
        if self.modified_particle_addition:
            return np.dot(self.p_ROP, self.dimer_n_C) / self.min_n_C / self.density
        return np.sum(self.p_ROP) / self.density

    def inception_C_tot_reactived(self):
        return np.dot(self.p_ROP, self.dimer_n_C) / self.density

    def inception_H_tot_reactived(self):
        return np.dot(self.p_ROP, self.dimer_n_H) / self.density

    def update_scrub_wdot_PAH_growth_reactived(self):
        w = self.scrub_wdot
        if self.inception_enabled:
            for b in range(len(self.dimer_PAH_1_id)):
                P1 = self.PAH_indices[self.dimer_PAH_1_id[b]]
                P2 = self.PAH_indices[self.dimer_PAH_2_id[b]]
                w[P1] -= self.p_ROP[b] / 1000.0
                w[P2] -= self.p_ROP[b] / 1000.0
                w[self.H2_index] += self.p_ROP[b] / 1000.0
        if self.growth_enabled and self.growth_PAH_adsorption_enabled:
            for i, g in enumerate(self.PAH_indices):
                w[g] -= self.p_dC_tot_dt_PAH_each[i] * self.density / (self.PAH_n_C[i] * 1000)
                w[self.H_index] += self.p_dH_tot_dt_PAH_each[i] * self.density * 2 / ((self.PAH_n_H[i] - 2) * 1000)

    # ------------------------------------------------------------ irreversible dimerisation

    def create_PAH_dimer_irrevd(self):
        n = len(self.PAH_indices)
        self.p_dC_tot_dt_PAH_each = [0.0] * n
        self.p_dH_tot_dt_PAH_each = [0.0] * n
        self.dimer_PAH_1_id = list(range(n))
        self.dimer_PAH_2_id = list(range(n))
        self.dimer_n_C = np.array([c * 2 for c in self.PAH_n_C])
        self.dimer_n_H = np.array([h * 2 for h in self.PAH_n_H])
        self.p_ROP = np.zeros(n)

    def k_nuc_irrevd(self, i, j):
        d = self.reduced_d(i, j)
        mu = self.reduced_m(i, j)
        return d ** 2.0 * (self.Av * 2.2) * (self.Pi * 8.0 * self.kB * self.T / mu) ** 0.5

    def PAH_growth_update_irrevd(self):
        for b in range(len(self.dimer_PAH_1_id)):
            i, j = self.dimer_PAH_1_id[b], self.dimer_PAH_2_id[b]
            c_i = self.molar_density(self.PAH_indices[i])
            c_j = self.molar_density(self.PAH_indices[j])
            r = self.k_nuc_irrevd(i, j) * c_i * c_j
            self.p_ROP[b] = 0.0 if r < 0.0 else r
        for i in range(len(self.PAH_indices)):
            c = max(self.molar_density(self.PAH_indices[i]), 0.0)
            k = self.k_f_soot_PAH(i)
            self.p_dC_tot_dt_PAH_each[i] = self.PAH_n_C[i] * k * (self.N_agg * self.density) * c / self.density
            c = max(self.molar_density(self.PAH_indices[i]), 0.0)
            k = self.k_f_soot_PAH(i)
            self.p_dH_tot_dt_PAH_each[i] = (self.PAH_n_H[i] - 2) * k * (self.N_agg * self.density) * c / self.density
        self.p_dC_tot_dt_PAH = sum(self.p_dC_tot_dt_PAH_each, 0.0)
        self.p_dH_tot_dt_PAH = sum(self.p_dH_tot_dt_PAH_each, 0.0)

    inception_N_agg_irrevd = inception_N_agg_reactived
    inception_C_tot_irrevd = inception_C_tot_reactived
    inception_H_tot_irrevd = inception_H_tot_reactived
    update_scrub_wdot_PAH_growth_irrevd = update_scrub_wdot_PAH_growth_reactived

    # ------------------------------------------------------------ self-collision

    def create_PAH_dimer_slfclsn(self):
        n = len(self.PAH_indices)
        self.omega_PAH = [0.0] * n
        self.a_inc, self.b_cond, self._dimer_ = [0.0] * n, [0.0] * n, [0.0] * n
        self.w_inc, self.w_cond = [0.0] * n, [0.0] * n
        self.p_dC_tot_dt_PAH_each = [0.0] * n
        self.p_dH_tot_dt_PAH_each = [0.0] * n

    def create_PAH_dimer_slfclsn_lump(self):
        n = len(self.PAH_indices)
        self.omega_PAH, self.dimer_weight = [0.0] * n, [0.0] * n
        self.p_dC_tot_dt_PAH_each = [0.0] * n
        self.p_dH_tot_dt_PAH_each = [0.0] * n

    def update_omega_PAH(self):
        self.omega_PAH_tot = 0.0
        for i, j in enumerate(self.PAH_indices):
            c = max(self.molar_density(j), 0.0)
            m = self.MWs[j] / self.Av
            d = (6 * m / (self.Pi * self.rho_soot)) ** 0.33333333334
            w = (4 * self.Pi * self.kB * self.T / m) ** 0.5 * self.stick_eff[i] * d * d * c * c * self.Av
            self.omega_PAH[i] = w
            self.omega_PAH_tot += w

    def prefactors(self):
        F = (6 * self.kB * self.T / self.rho_soot) ** 0.5
        G = 4.4 * (3 / (4 * self.Pi)) ** 0.166667
        H = 1.3 * (self.kB * self.Pi * self.T / (2 * self.rho_soot)) ** 0.5
        K = self.Av * self.N_agg * self.density
        return F, G, H, K

    def update_ab(self):
        F, G, H, K = self.prefactors()
        for i, j in enumerate(self.PAH_indices):
            m_D = 2 * self.MWs[j] / self.Av
            d_D = (6 * m_D / (self.Pi * self.rho_soot)) ** 0.33333333334
            V_D = d_D ** 3.0 * (self.Pi / 6)
            self.a_inc[i] = F * G * 4 * 1.41421356 * self.Av * V_D ** 0.166667
            self.b_cond[i] = K * H * (d_D + self.p_d_g) ** 2.0 * (1 / V_D + 1.0 / self.V_Ag()) ** 0.5

    @staticmethod
    def steady_dimer(a, b, omega):
        disc = b ** 2.0 + 4 * a * omega
        return (disc ** 0.5 - b) / (2 * a) if disc > 0 else 0.0

    def PAH_growth_update_slfclsn(self):
        self.update_omega_PAH()
        self.update_ab()
        n = len(self.PAH_indices)
        for i in range(n):
            self._dimer_[i] = self.steady_dimer(self.a_inc[i], self.b_cond[i], self.omega_PAH[i])
        for i in range(n):
            self.w_inc[i] = self.a_inc[i] * 0.5 * self._dimer_[i] ** 2.0
        for i in range(n):
            self.w_cond[i] = self.b_cond[i] * self._dimer_[i]
        self.p_dC_tot_dt_PAH = self.p_dH_tot_dt_PAH = 0.0
        for i in range(n):
            self.p_dC_tot_dt_PAH_each[i] = self.PAH_n_C[i] * 2 * self.w_cond[i] / self.density
            self.p_dC_tot_dt_PAH += self.p_dC_tot_dt_PAH_each[i]
            self.p_dH_tot_dt_PAH_each[i] = (self.PAH_n_H[i] - 2) * 2 * self.w_cond[i] / self.density
            self.p_dH_tot_dt_PAH += self.p_dH_tot_dt_PAH_each[i]

    def inception_N_agg_slfclsn(self):
        return sum((self.PAH_n_C[i] * 4 / self.min_n_C * self.w_inc[i] / self.density
                    for i in range(len(self.PAH_indices))), 0.0)

    def inception_C_tot_slfclsn(self):
        return sum((self.PAH_n_C[i] * 4 * self.w_inc[i] / self.density for i in range(len(self.PAH_indices))), 0.0)

    def inception_H_tot_slfclsn(self):
        return sum((self.PAH_n_H[i] * 4 * self.w_inc[i] / self.density for i in range(len(self.PAH_indices))), 0.0)

    def update_scrub_wdot_PAH_growth_slfclsn(self):
        w = self.scrub_wdot
        if self.inception_enabled:
            for i, j in enumerate(self.PAH_indices):
                w[j] -= self.w_inc[i] * 4 / 1000
        if self.growth_enabled and self.growth_PAH_adsorption_enabled:
            for i, j in enumerate(self.PAH_indices):
                w[j] -= self.w_cond[i] * 2 / 1000
                w[self.H_index] += self.w_cond[i] * 2 / 1000

    def PAH_growth_update_slfclsn_lump(self):
        self.update_omega_PAH()
        n = len(self.PAH_indices)
        for i in range(n):
            self.dimer_weight[i] = self.omega_PAH[i] / self.omega_PAH_tot if self.omega_PAH_tot > 0 else 1.0 / n
        F, G, H, K = self.prefactors()
        self.lumpdimer_n_C = self.lumpdimer_n_H = V = 0.0
        for i in range(n):
            d_i = self.d_A * (2 * self.PAH_n_C[i] / 3) ** 0.5
            V += (self.Pi / 6) * d_i ** 3.0 * 2 * self.dimer_weight[i]
            self.lumpdimer_n_C += 2 * self.dimer_weight[i] * self.PAH_n_C[i]
            self.lumpdimer_n_H += 2 * self.dimer_weight[i] * self.PAH_n_H[i]
        self.a_lumpinc = F * G * 4 * 1.41421356 * self.Av * V ** 0.166667
        d_D = (6 * V / self.Pi) ** 0.3333334
        self.b_lumpcond = K * H * (d_D + self.p_d_g) ** 2.0 * (1 / V + 1.0 / self.V_Ag()) ** 0.5
        self._lumpdimer_ = self.steady_dimer(self.a_lumpinc, self.b_lumpcond, self.omega_PAH_tot)
        self.w_lumpinc = self.a_lumpinc * 0.5 * self._lumpdimer_ ** 2.0
        self.w_lumpcond = self.b_lumpcond * self._lumpdimer_
        self.p_dC_tot_dt_PAH = self.p_dH_tot_dt_PAH = 0.0
        for i in range(n):
            self.p_dC_tot_dt_PAH_each[i] = self.PAH_n_C[i] * 2 * self.w_lumpcond * self.dimer_weight[i] / self.density
            self.p_dC_tot_dt_PAH += self.p_dC_tot_dt_PAH_each[i]
            self.p_dH_tot_dt_PAH_each[i] = ((self.PAH_n_H[i] - 2) * 2 * self.w_lumpcond * self.dimer_weight[i]
                                            / self.density)
            self.p_dH_tot_dt_PAH += self.p_dH_tot_dt_PAH_each[i]

    def inception_N_agg_slfclsn_lump(self):
        return self.lumpdimer_n_C * 2 / self.min_n_C * self.w_lumpinc / self.density

    def inception_C_tot_slfclsn_lump(self):
        return self.lumpdimer_n_C * 2 * self.w_lumpinc / self.density

    def inception_H_tot_slfclsn_lump(self):
        return self.lumpdimer_n_H * 2 * self.w_lumpinc / self.density

    def update_scrub_wdot_PAH_growth_slfclsn_lump(self):
        w = self.scrub_wdot
        if self.inception_enabled:
            for i, j in enumerate(self.PAH_indices):
                w[j] -= self.w_lumpinc * 4 * self.dimer_weight[i] / 1000
        if self.growth_enabled and self.growth_PAH_adsorption_enabled:
            for i, j in enumerate(self.PAH_indices):
                w[j] -= self.w_lumpcond * 2 * self.dimer_weight[i] / 1000
                w[self.H_index] += self.w_lumpcond * 2 * self.dimer_weight[i] / 1000

    # ------------------------------------------------------------ cross-linking

    def create_PAH_dimer_crosslinking(self):
        n = len(self.PAH_indices)
        self.p_dC_tot_dt_PAH_each = [0.0] * n
        self.p_dH_tot_dt_PAH_each = [0.0] * n
        self.p_ROP = np.zeros(n)
        self.p_PAH_radical_ = [0.0] * n

    def d_PAH(self, i):
        nC, nH = self.PAH_n_C[i], self.PAH_n_H[i]
        rho = (nC * self.MW_carbon + nH * self.MW_hydrogen) * 171943.5197 / (nC + nH)
        return (6 * (self.m_i(i) / rho) / self.Pi) ** (1.0 / 3.0)

    def k_f3_crosslinking(self, i):
        mu = self.reduced_m(i, i)
        return ((8 * self.Pi * self.kB * self.T / mu) ** 0.5 * (self.cross_k_f3_prefactor * 2.2) * self.Av
                * (2 * self.d_PAH(i)) ** 2.0)

    def k_f4_crosslinking(self, i):
        return self.adsorb_eff * self.k_f_soot_PAH(i)

    def PAH_radical(self, i):
        T = self.T
        k_1f = T ** 1.84 * (self.PAH_n_C[i] * 98 * self.cross_k_f1_prefactor) * math.exp(-62886.6 / (self.R * T))
        k_1r = T ** 2.63 * (self.cross_k_r1_prefactor * 0.016) * math.exp(-17837.4 / (R_CONST * T))
        k_2f = T ** 0.13 * (self.Av * 8.079999999999999e-17 * self.cross_k_f2_prefactor)
        k_3 = self.k_f3_crosslinking(i)
        k_4 = self.k_f4_crosslinking(i)
        c_PAH = max(self.molar_density(self.PAH_indices[i]), 0.0)
        c_H2 = max(self.molar_density(self.H2_index), 0.0)
        c_H = max(self.molar_density(self.H_index), 0.0)
        denom = c_H2 * k_1r + k_2f * c_H + c_PAH * k_3 + self.N_agg * self.density * k_4
        if not denom > 0:
            return 0.0
        return c_PAH * k_1f * c_H / denom

    def PAH_adsorption_rate(self, i):
        return self.k_f4_crosslinking(i) * self.p_PAH_radical_[i] * (self.N_agg * self.density)

    def PAH_growth_update_crosslinking(self):
        n = len(self.PAH_indices)
        for i in range(n):
            self.p_PAH_radical_[i] = self.PAH_radical(i)
        for i in range(n):
            r = (self.k_f3_crosslinking(i) * self.p_PAH_radical_[i]
                 * max(self.molar_density(self.PAH_indices[i]), 0.0))
            self.p_ROP[i] = max(r, 0.0)
        self.p_dC_tot_dt_PAH = self.p_dH_tot_dt_PAH = 0.0
        for i in range(n):
            self.p_dC_tot_dt_PAH_each[i] = self.PAH_n_C[i] * self.PAH_adsorption_rate(i) / self.density
            self.p_dC_tot_dt_PAH += self.p_dC_tot_dt_PAH_each[i]
            self.p_dH_tot_dt_PAH_each[i] = (self.PAH_n_H[i] - 2) * self.PAH_adsorption_rate(i) / self.density
            self.p_dH_tot_dt_PAH += self.p_dH_tot_dt_PAH_each[i]

    def inception_N_agg_crosslinking(self):
        return sum((self.PAH_n_C[i] * 2 / self.min_n_C * self.p_ROP[i] / self.density
                    for i in range(len(self.PAH_indices))), 0.0)

    def inception_C_tot_crosslinking(self):
        return sum((2 * self.PAH_n_C[i] * self.p_ROP[i] / self.density for i in range(len(self.PAH_indices))), 0.0)

    def inception_H_tot_crosslinking(self):
        return sum((2 * self.PAH_n_H[i] * self.p_ROP[i] / self.density for i in range(len(self.PAH_indices))), 0.0)

    def update_scrub_wdot_PAH_growth_crosslinking(self):
        w = self.scrub_wdot
        if self.inception_enabled:
            for i, j in enumerate(self.PAH_indices):
                w[j] -= 2 * self.p_ROP[i] / 1000
        if self.growth_enabled and self.growth_PAH_adsorption_enabled:
            for i, j in enumerate(self.PAH_indices):
                w[j] -= self.PAH_adsorption_rate(i) / 1000.0
                w[self.H_index] += 2 * self.PAH_adsorption_rate(i) / 1000.0

    # ------------------------------------------------------------ one evaluation

    def step(self, T, P, density, viscosity, mean_MW, X, solution):
        """update_gas, update_solution, the four source terms and update_scrub_wdot; returns the
        source terms."""
        self.update_gas(T, P, density, viscosity, mean_MW, X)
        self.update_solution(solution)
        sources = (self.S_N_agg(), self.S_N_pri(), self.S_C_tot(), self.S_H_tot())
        self.update_scrub_wdot()
        return sources
