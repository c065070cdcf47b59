"""Soot formation and growth on top of a Cantera gas object.

Soot variables, always in this order: N_agg (aggregates), N_pri (primary particles), C_tot (carbon atoms in
soot) and H_tot (hydrogen atoms in soot), in mol per kg of gas mixture.

Array and model attributes are typed as what they hold once the object is set up. Before that they read None:
on a new object, and until the assignment or call their description names ("None until ...").
"""
from collections.abc import Callable, Iterable
from enum import IntEnum
from typing import Any

import numpy as np
from numpy.typing import NDArray


class DIFFUSION_COEFF_METHODS(IntEnum):
    DIFF_MORPHOLOGY = 0
    DIFF_CONSTANT = 1

DIFF_MORPHOLOGY: DIFFUSION_COEFF_METHODS
DIFF_CONSTANT: DIFFUSION_COEFF_METHODS

class PAH_GROWTH_MODELS(IntEnum):
    reactive_dimerization = 1
    self_collision = 2
    self_collision_lump = 3
    cross_linking = 4
    irrev_dimerization = 5

reactive_dimerization: PAH_GROWTH_MODELS
self_collision: PAH_GROWTH_MODELS
self_collision_lump: PAH_GROWTH_MODELS
cross_linking: PAH_GROWTH_MODELS
irrev_dimerization: PAH_GROWTH_MODELS

class SOOT_COALES_TYPES(IntEnum):
    no_coales = 0
    titania = 1
    silica = 2
    md_derived = 3
    ctoh_based = 4

no_coales: SOOT_COALES_TYPES
titania: SOOT_COALES_TYPES
silica: SOOT_COALES_TYPES
md_derived: SOOT_COALES_TYPES
ctoh_based: SOOT_COALES_TYPES

class TEMPERATURE_SOLVERS(IntEnum):
    PROFILE_LENGTH = 0
    PROFILE_TIME = 1
    ENERGY_EQUATION = 2
    ISOTHERMAL = 3

PROFILE_LENGTH: TEMPERATURE_SOLVERS
PROFILE_TIME: TEMPERATURE_SOLVERS
ENERGY_EQUATION: TEMPERATURE_SOLVERS
ISOTHERMAL: TEMPERATURE_SOLVERS

class VALIDATION_CASES(IntEnum):
    no_validation = 0
    coagulation = 1

no_validation: VALIDATION_CASES
coagulation: VALIDATION_CASES

class VI(IntEnum):
    N_agg = 0
    N_pri = 1
    C_tot = 2
    H_tot = 3

N_agg: VI
N_pri: VI
C_tot: VI
H_tot: VI

class boundary_type(IntEnum):
    inlet = 0
    outlet = 1

inlet: boundary_type
outlet: boundary_type

__test__: dict[str, Any]

class CSootModel:
    """CSootModel()"""
    def __init__(self) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CSootModel: ...

    # fields
    @property
    def rho_soot(self) -> float: ...
    @property
    def MW_carbon(self) -> float: ...
    @property
    def MW_hydrogen(self) -> float: ...
    @property
    def Av(self) -> float: ...
    @property
    def kB(self) -> float: ...
    @property
    def R(self) -> float: ...
    @property
    def P_atm(self) -> float: ...
    @property
    def Pi(self) -> float: ...
    @property
    def d_A(self) -> float: ...
    @property
    def N_agg_offset(self) -> int: ...
    @property
    def N_pri_offset(self) -> int: ...
    @property
    def C_tot_offset(self) -> int: ...
    @property
    def H_tot_offset(self) -> int: ...
    @property
    def Phy_dimer_offset(self) -> int: ...
    @property
    def PAH_soot_offset(self) -> int: ...
    @property
    def dimer_offset(self) -> int: ...
    @property
    def soot_PAH_offset(self) -> int: ...
    @property
    def dimer_PAH_1_id(self) -> list[int]: ...
    @property
    def dimer_PAH_2_id(self) -> list[int]: ...
    @property
    def PAH_indices(self) -> list[int]: ...
    @property
    def PAH_n_C(self) -> list[float]: ...
    @property
    def PAH_n_H(self) -> list[float]: ...
    @property
    def soot_PAH_MWs(self) -> NDArray[np.float64] | None: ...
    @property
    def dimer_n_C(self) -> NDArray[np.float64] | None: ...
    @property
    def dimer_n_H(self) -> NDArray[np.float64] | None: ...
    species_names: list[str]
    """Gas species names in the gas object's order (a list, not a tuple). None until assigned."""
    MWs: NDArray[np.float64]
    """Molar mass of every gas species, kg/mol (an ndarray, not a list). None until assigned."""
    X: NDArray[np.float64]
    """Mole fractions of the last update_gas. None until then."""
    scrub_wdot: NDArray[np.float64]
    """Production rate of each gas species caused by soot, kmol/(m3 s). None until the first update_gas."""
    phy_dimer_wdot: NDArray[np.float64] | None
    soot_PAH_wdot: NDArray[np.float64] | None
    @property
    def density(self) -> float:
        """Gas density, kg/m3."""
    @property
    def viscosity(self) -> float:
        """Dynamic viscosity, Pa s."""
    @property
    def mean_MW(self) -> float:
        """Mean molar mass, kg/mol (update_gas divides its argument by 1000)."""
    @property
    def T(self) -> float:
        """Temperature, K."""
    @property
    def P(self) -> float:
        """Pressure, Pa."""
    @property
    def p_lambda_gas(self) -> float: ...
    @property
    def N_agg(self) -> float:
        """Aggregates, mol/kg."""
    @property
    def N_pri(self) -> float:
        """Primary particles, mol/kg."""
    @property
    def C_tot(self) -> float:
        """Carbon atoms in soot, mol/kg."""
    @property
    def H_tot(self) -> float:
        """Hydrogen atoms in soot, mol/kg."""
    p_d_p: float
    p_d_m: float
    p_d_g: float
    p_A_tot: float
    @property
    def p_ROP(self) -> NDArray[np.float64] | None: ...
    @property
    def p_phy_dimer_(self) -> list[float]: ...
    p_dC_tot_dt_HACA_alt: float
    p_dH_tot_dt_HACA_alt: float
    HACA_prefactor: float
    _alpha_model: int
    alpha_constant_value: float
    alpha: Callable[[], Any]
    @property
    def p_k_f_soot_PAH(self) -> list[float]: ...
    @property
    def p_k_r_soot_PAH(self) -> list[float]: ...
    @property
    def p_soot_PAH_star(self) -> list[float]: ...
    @property
    def p_dC_tot_dt_PAH_each(self) -> list[float]: ...
    @property
    def p_dH_tot_dt_PAH_each(self) -> list[float]: ...
    @p_dH_tot_dt_PAH_each.setter
    def p_dH_tot_dt_PAH_each(self, value: Iterable[float]) -> None: ...
    p_dC_tot_dt_PAH: float
    p_dH_tot_dt_PAH: float
    @property
    def omega_PAH(self) -> list[float]: ...
    @property
    def omega_PAH_tot(self) -> float: ...
    @property
    def _dimer_(self) -> list[float]: ...
    @property
    def a_inc(self) -> list[float]: ...
    @property
    def w_inc(self) -> list[float]: ...
    @property
    def stick_eff(self) -> list[float]: ...
    @stick_eff.setter
    def stick_eff(self, value: Iterable[float]) -> None: ...
    @property
    def pre_stick_eff(self) -> list[float]: ...
    @pre_stick_eff.setter
    def pre_stick_eff(self, value: Iterable[float]) -> None: ...
    @property
    def b_cond(self) -> list[float]: ...
    @property
    def w_cond(self) -> list[float]: ...
    @property
    def lumpdimer_n_C(self) -> float: ...
    @property
    def lumpdimer_n_H(self) -> float: ...
    @property
    def dimer_weight(self) -> list[float]: ...
    @property
    def _lumpdimer_(self) -> float: ...
    @property
    def a_lumpinc(self) -> float: ...
    @property
    def w_lumpinc(self) -> float: ...
    @property
    def b_lumpcond(self) -> float: ...
    @property
    def w_lumpcond(self) -> float: ...
    @property
    def p_PAH_radical_(self) -> list[float]: ...
    adsorb_eff: float
    cross_k_f1_prefactor: float
    cross_k_r1_prefactor: float
    cross_k_f2_prefactor: float
    cross_k_f3_prefactor: float
    inception_N_agg: Callable[[], Any]
    inception_C_tot: Callable[[], Any]
    inception_H_tot: Callable[[], Any]
    dC_tot_dt_PAH_each: Any
    dH_tot_dt_PAH_each: Any
    p_dH_tot_dt_carb: float
    A_carb: float
    Ea_carb: float
    beta_coag: Callable[[], Any]
    p_dC_tot_dt_O2: float
    p_dC_tot_dt_OH: float
    p_dH_tot_dt_O2: float
    p_dH_tot_dt_OH: float
    soot_coales_type: Any
    @property
    def t_coales(self) -> Callable[[], Any] | None: ...
    Ea_coales: float
    As_coales: float
    d_crit_coales: float
    t_coales_min: float
    CtoH_crit: float
    N_pri_coales: Callable[[], Any] | None
    diffus_coeff_const_val: float
    diffus_coeff: Callable[[], Any]
    """Strategy: particle diffusion coefficient, m2/s."""
    K_T_factor: float
    C2H2_index: int
    H2_index: int
    H_index: int
    CO_index: int
    O2_index: int
    OH_index: int
    H2O_index: int
    PAH_growth_model: int
    PAH_growth_update: Callable[[], Any]
    create_PAH_dimer: Callable[[], Any]
    update_scrub_wdot_PAH_growth: Callable[[], Any]
    inception_enabled: bool
    """Switch: inception."""
    growth_enabled: bool
    """Switch: all surface growth."""
    growth_HACA_enabled: bool
    """Switch: HACA growth."""
    growth_PAH_adsorption_enabled: bool
    """Switch: growth by PAH adsorption."""
    coagulation_enabled: bool
    """Switch: coagulation."""
    oxidation_enabled: bool
    """Switch: oxidation by O2 and OH (removes carbon only)."""
    carbonization_enabled: bool
    """Switch: carbonisation, hydrogen loss of the soot (off by default)."""
    scrubbing_enabled: bool
    """Switch: gas scrubbing by update_scrub_wdot."""
    coalescence_enabled: bool
    """Switch: coalescence (set by the coalescence type)."""
    use_unity_alpha: bool
    use_empirical_alpha: bool
    steady_state_physical_dimerization: bool
    steady_state_PAH_adsorption: bool
    @property
    def min_n_C(self) -> int: ...
    @property
    def min_n_H(self) -> int: ...
    d_p_min: float
    A_p_min: float
    N_agg_min: float
    """Floor of N_agg, mol/kg."""
    N_pri_min: float
    """Floor of N_pri, mol/kg."""
    C_tot_min: float
    """Floor of C_tot, mol/kg."""
    H_tot_min: float
    """Floor of H_tot, mol/kg."""
    K_REACT_prefactor: float
    Ea_REACT_prefactor: float
    k_FWD_prefactor: float
    K_PAH_ADS_prefactor: float
    Ea_PAH_ADS_prefactor: float
    modified_particle_addition: bool
    validation_case: int

    # properties
    @property
    def PAH_growth_model_name(self) -> str:
        """Name of the PAH-growth variant (the members of PAH_GROWTH_MODELS; 5 is 'irreversible_dimerization')."""
    @PAH_growth_model_name.setter
    def PAH_growth_model_name(self, value: str) -> None: ...
    @property
    def alpha_model(self) -> str:
        """Alpha model of HACA growth: 'constant', 'empirical' or 'composition'."""
    @alpha_model.setter
    def alpha_model(self, value: str) -> None: ...
    @property
    def coalescence_type(self) -> str:
        """Coalescence type: 'disabled', 'titania', 'silica', 'md-derived' or 'CtoH-based'."""
    @coalescence_type.setter
    def coalescence_type(self, value: str) -> None: ...
    @property
    def validation(self) -> str:
        """Validation case: 'no_validation' or 'coagulation'."""
    @validation.setter
    def validation(self, value: str) -> None: ...
    @property
    def PAH_index_in_gas(self) -> list[int]:
        """Gas species index of each PAH precursor; its length is the number of precursors."""
    @PAH_index_in_gas.setter
    def PAH_index_in_gas(self, value: Iterable[int]) -> None: ...
    @property
    def soot_PAH_index_in_gas(self) -> list[int]: ...
    @soot_PAH_index_in_gas.setter
    def soot_PAH_index_in_gas(self, value: Iterable[int]) -> None: ...
    @property
    def phy_dimer_index_in_gas(self) -> list[int]: ...
    @phy_dimer_index_in_gas.setter
    def phy_dimer_index_in_gas(self, value: Iterable[int]) -> None: ...
    @property
    def PAH_Number_Carbon(self) -> list[float]:
        """Carbon atoms of each PAH precursor."""
    @PAH_Number_Carbon.setter
    def PAH_Number_Carbon(self, value: Iterable[float]) -> None: ...
    @property
    def PAH_Number_Hydrogen(self) -> list[float]:
        """Hydrogen atoms of each PAH precursor."""
    @PAH_Number_Hydrogen.setter
    def PAH_Number_Hydrogen(self, value: Iterable[float]) -> None: ...
    @property
    def PAH_sticking_efficiency(self) -> list[float]: ...
    @PAH_sticking_efficiency.setter
    def PAH_sticking_efficiency(self, value: Iterable[float]) -> None: ...

    # methods
    def _set_PAH_growth_model(self, model: int, /) -> None: ...
    def _set_alpha_model(self, alpha_type: int, /) -> None: ...
    def _set_coales_type(self, coales_type: int, /) -> None: ...
    def _set_validation_case(self, validation: int, /) -> None: ...
    def checkNameOfSpecies(self) -> bool:
        """Check that C2H2, H2, H, CO, O2, OH and H2O are in species_names; prints one line."""
    def initialize(self) -> None:
        """Resolve the key species and size the precursor data; run after every change of precursors or variant."""
    def update_gas(
        self, T: float, P: float, density: float, viscosity: float, mean_MW: float, X: NDArray[np.float64] | None
    ) -> None:
        """Store the gas state: T K, P Pa, density kg/m3, viscosity Pa s, mean_MW kg/kmol, X mole fractions."""
    def update_solution(self, solution: NDArray[np.float64] | None, /) -> None:
        """Store the soot variables [N_agg, N_pri, C_tot, H_tot] in mol/kg (floored) and compute the per-step rates."""
    def inception(self, soot_variable: int, /) -> float | None:
        """Inception term of soot variable 0-3, mol/(kg s)."""
    def growth(self, soot_variable: int, /) -> float | None:
        """Surface growth term of soot variable 0-3, mol/(kg s)."""
    def oxidation(self, soot_variable: int, /) -> float | None:
        """Oxidation term of soot variable 0-3, mol/(kg s)."""
    def coagulation(self, soot_variable: int, /) -> float | None:
        """Coagulation term of soot variable 0-3, mol/(kg s)."""
    def coalescence(self, soot_variable: int, /) -> float | None:
        """Coalescence term of soot variable 0-3, mol/(kg s)."""
    def S_N_agg(self) -> float:
        """Source term of N_agg, mol/(kg s)."""
    def S_N_pri(self) -> float:
        """Source term of N_pri, mol/(kg s)."""
    def S_C_tot(self) -> float:
        """Source term of C_tot, mol/(kg s)."""
    def S_H_tot(self) -> float:
        """Source term of H_tot, mol/(kg s)."""
    def update_scrub_wdot(self) -> None:
        """Add the gas species rates caused by soot to scrub_wdot, kmol/(m3 s); once per update_gas."""
    def molar_density(self, index: int, /) -> float:
        """Molar concentration of gas species `index`, mol/m3."""
    def calc_lambda_gas(self) -> float: ...
    def diffus_coeff_const(self) -> float: ...
    def diffus_coeff_morph(self) -> float: ...
    def dispersion_exponent(self) -> float: ...
    def volume_fraction(self) -> float:
        """Soot volume fraction, m3/m3."""
    def total_mass(self) -> float: ...
    def carbon_mass(self) -> float: ...
    def hydrogen_mass(self) -> float: ...
    def SSA(self) -> float: ...
    def V_tot(self) -> float: ...
    def V_p(self) -> float: ...
    def d_p(self) -> float:
        """Primary-particle diameter, m."""
    def A_p(self) -> float: ...
    def m_p(self) -> float: ...
    def n_p(self) -> float:
        """Primary particles per aggregate."""
    def A_tot(self) -> float:
        """Soot surface area per kg of gas, m2/kg."""
    def A_Ag(self) -> float: ...
    def V_Ag(self) -> float: ...
    def m_Ag(self) -> float: ...
    def d_m(self) -> float:
        """Mobility diameter, m."""
    def d_g(self) -> float:
        """Diameter of the free-molecular coagulation kernel, m."""
    def dC_tot_dt_O2_alt(self) -> float: ...
    def dC_tot_dt_OH_alt(self) -> float: ...
    def dH_tot_dt_O2_alt(self) -> float: ...
    def dH_tot_dt_OH_alt(self) -> float: ...
    def dC_tot_dt_Ox(self) -> float: ...
    def dH_tot_dt_Ox(self) -> float: ...
    def omega_O2(self) -> float: ...
    def omega_OH(self) -> float: ...
    def dC_tot_dt_O2(self) -> float: ...
    def dC_tot_dt_OH(self) -> float: ...
    def dH_tot_dt_O2(self) -> float: ...
    def dH_tot_dt_OH(self) -> float: ...
    def beta_coag_fm(self) -> float: ...
    def beta_coag_validation(self) -> float: ...
    def beta_coag_cont(self) -> float: ...
    def beta_coag_hm(self) -> float: ...
    def beta_coag_turb(self) -> float: ...
    def N_agg_coag(self) -> float: ...
    def t_f_titania(self) -> float: ...
    def t_f_silica(self) -> float: ...
    def t_f_md_derived(self) -> float: ...
    def N_pri_coales_sintering(self) -> float: ...
    def N_pri_coales_merge(self) -> float: ...
    def alpha_constant(self) -> float: ...
    def alpha_empirical(self) -> float: ...
    def alpha_ctoh_based(self) -> float: ...
    def chi_soot_0(self) -> float: ...
    def beta_soot_C2H2(self) -> float: ...
    def K_s(self) -> float: ...
    def gamma(self) -> float: ...
    def dC_tot_dt_HACA(self) -> float: ...
    def c_soot_nought(self) -> float: ...
    def dC_tot_dt_HACA_alt(self) -> float: ...
    def dH_tot_dt_HACA_alt(self) -> float: ...
    def dH_tot_dt_carb(self) -> float: ...
    def create_PAH_dimer_reactived(self) -> None: ...
    def PAH_growth_update_reactived(self) -> None: ...
    def update_phy_dimer_(self) -> None: ...
    def update_phy_dimer_wdot(self) -> None: ...
    def update_p_soot_PAH(self) -> None: ...
    def update_soot_PAH_wdot(self) -> None: ...
    def reduced_m(self, PAH_1_id: int, PAH_2_id: int) -> float: ...
    def reduced_d(self, PAH_1_id: int, PAH_2_id: int) -> float: ...
    def k_FWD(self, PAH_1_id: int, PAH_2_id: int) -> float: ...
    def k_REV(self, PAH_1_id: int, PAH_2_id: int) -> float: ...
    def k_REAC(self) -> float: ...
    def k_PAH(self) -> float: ...
    def ROP_dimer(self, dimer_id: int, /) -> float: ...
    def beta_fm_soot_PAH(self, PAH_id: int, /) -> float: ...
    def beta_cont_soot_PAH(self, PAH_id: int, /) -> float: ...
    def k_f_soot_PAH(self, PAH_id: int, /) -> float: ...
    def k_r_soot_PAH(self, PAH_id: int, /) -> float: ...
    def C_S_soot(self, d: float, /) -> float: ...
    def soot_PAH_star(self, PAH_id: int, /) -> float: ...
    def dC_tot_dt_PAH_each_reactived(self, PAH_id: int, /) -> float: ...
    def dH_tot_dt_PAH_each_reactived(self, PAH_id: int, /) -> float: ...
    def dC_tot_dt_PAH(self) -> float: ...
    def dH_tot_dt_PAH(self) -> float: ...
    def inception_N_agg_reactived(self) -> float: ...
    def inception_C_tot_reactived(self) -> float: ...
    def inception_H_tot_reactived(self) -> float: ...
    def update_scrub_wdot_PAH_growth_reactived(self) -> None: ...
    def create_PAH_dimer_irrevd(self) -> None: ...
    def PAH_growth_update_irrevd(self) -> None: ...
    def k_PAH_ads_irrevd(self, PAH_id: int, /) -> float: ...
    def dC_tot_dt_PAH_each_irrevd(self, PAH_id: int, /) -> float: ...
    def dH_tot_dt_PAH_each_irrevd(self, PAH_id: int, /) -> float: ...
    def inception_N_agg_irrevd(self) -> float: ...
    def inception_C_tot_irrevd(self) -> float: ...
    def inception_H_tot_irrevd(self) -> float: ...
    def update_scrub_wdot_PAH_growth_irrevd(self) -> None: ...
    def create_PAH_dimer_slfclsn(self) -> None: ...
    def create_PAH_dimer_slfclsn_lump(self) -> None: ...
    def PAH_growth_update_slfclsn(self) -> None: ...
    def PAH_growth_update_slfclsn_lump(self) -> None: ...
    def update_omega_PAH(self) -> None: ...
    def update_ab(self) -> None: ...
    def update_dimer_(self) -> None: ...
    def update_w_inc(self) -> None: ...
    def update_w_cond(self) -> None: ...
    def update_dimer_weight(self) -> None: ...
    def update_ab_lump(self) -> None: ...
    def update_lumpdimer_(self) -> None: ...
    def update_w_lumpinc(self) -> None: ...
    def update_w_lumpcond(self) -> None: ...
    def dC_tot_dt_PAH_each_slfclsn(self, PAH_id: int, /) -> float: ...
    def dH_tot_dt_PAH_each_slfclsn(self, PAH_id: int, /) -> float: ...
    def dC_tot_dt_PAH_each_slfclsn_lump(self, PAH_id: int, /) -> float: ...
    def dH_tot_dt_PAH_each_slfclsn_lump(self, PAH_id: int, /) -> float: ...
    def inception_N_agg_slfclsn(self) -> float: ...
    def inception_C_tot_slfclsn(self) -> float: ...
    def inception_H_tot_slfclsn(self) -> float: ...
    def inception_N_agg_slfclsn_lump(self) -> float: ...
    def inception_C_tot_slfclsn_lump(self) -> float: ...
    def inception_H_tot_slfclsn_lump(self) -> float: ...
    def update_scrub_wdot_PAH_growth_slfclsn(self) -> None: ...
    def update_scrub_wdot_PAH_growth_slfclsn_lump(self) -> None: ...
    def initialize_stick_eff(self) -> None:
        """Sticking efficiencies of the precursors from their molar masses (self-collision variants)."""
    def m_PAH(self, PAH_id: int, /) -> float: ...
    def d_PAH(self, PAH_id: int, /) -> float: ...
    def k_f3_crosslinking(self, PAH_id: int, /) -> float: ...
    def k_f4_crosslinking(self, PAH_id: int, /) -> float: ...
    def PAH_radical(self, PAH_id: int, /) -> float: ...
    def update_PAH_radical(self) -> None: ...
    def ROP_dimer_crosslinking(self, PAH_id: int, /) -> float: ...
    def update_ROP_crosslinking(self) -> None: ...
    def PAH_adsorption_rate(self, PAH_id: int, /) -> float: ...
    def dC_tot_dt_PAH_each_crosslinking(self, PAH_id: int, /) -> float: ...
    def dH_tot_dt_PAH_each_crosslinking(self, PAH_id: int, /) -> float: ...
    def PAH_growth_update_crosslinking(self) -> None: ...
    def inception_N_agg_crosslinking(self) -> float: ...
    def inception_C_tot_crosslinking(self) -> float: ...
    def inception_H_tot_crosslinking(self) -> float: ...
    def update_scrub_wdot_PAH_growth_crosslinking(self) -> None: ...
    def create_PAH_dimer_crosslinking(self) -> None: ...

class CPFROde:
    """CPFROde(phase)"""
    def __init__(self, phase: Any) -> None: ...
    def __call__(self, t: float, y: NDArray[np.float64]) -> NDArray[np.float64]:
        """Derivatives of the state vector y at axial position t in m: a new array of the same layout."""
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CPFROde: ...

    # fields
    @property
    def Nu_const_temp(self) -> float:
        """Nusselt number of the wall heat exchange in external_heat (3.66)."""
    @property
    def Nu_const_heat(self) -> float: ...
    time_derivative_temp_history: NDArray[np.float64]
    """Two-row profile: row 0 the abscissa (compared with z, m), row 1 dT/dt in K/s. None until assigned."""
    temp_value: NDArray[np.float64]
    """Wall-temperature profile, two rows: axial position in m (increasing), temperature in K. None until assigned."""
    gas: Any
    """The Cantera gas object, set to the state of every call."""
    P: float
    """Pressure, Pa (the gas object's at construction)."""
    wdot: NDArray[np.float64]
    """Net production rates of the last call, kmol/(m3 s). None until the first call."""
    Rt_offset: int
    """State-vector index of the residence time, s."""
    rho_u_vfv_offset: int
    """State-vector index of the mass flux rho*u*(1 - f_v), kg/(m2 s)."""
    T_offset: int
    """State-vector index of the temperature, K."""
    Y_offset: int
    """State-vector index of the first species mass fraction."""
    soot_offset: int
    """State-vector index of N_agg; N_pri, C_tot and H_tot (mol/kg) follow."""
    u: float
    """Axial gas velocity of the last call, m/s."""
    fixed_density: float
    """Density used when _enable_fixed_density is set, kg/m3."""
    _enable_fixed_density: bool
    """Switch: use fixed_density instead of the gas object's density."""
    _use_fixed_density: bool
    _enable_soot: bool
    _use_temp_time_history: bool
    """Switch: dT/dz from time_derivative_temp_history divided by u."""
    _use_temp_value: bool
    """Switch: energy balance toward the wall-temperature profile temp_value."""
    _enable_wall_deposition: bool
    """Switch: compute k_dep and deposit_thickness_growth_rate at every call."""
    soot_model: Any
    """The configured CSootModel."""
    k_dep: float
    """Wall deposition coefficient, m/s."""
    perimeter: float
    """Perimeter of the cross-section, m."""
    area: float
    """Cross-section area, m2."""
    _soot_enabled: Any
    deposit_thickness_growth_rate: float
    """Growth rate of the wall deposit at the last call, m/s."""

    # properties
    @property
    def soot_enabled(self) -> Any:
        """Soot on or off; a true value also sets soot_offset to Y_offset + number of species."""
    @soot_enabled.setter
    def soot_enabled(self, value: Any) -> None: ...

    # methods
    def external_heat(self, z: float, T: float) -> float:
        """Heat given to the gas through the wall at position z in m and temperature T in K, W/m3."""
    def reynolds(self) -> float:
        """Reynolds number of the last call's flow."""
    def fanning_friction(self) -> float:
        """Fanning friction factor of the last call's flow."""
    def initialize(self) -> None:
        """Check the configuration; raises on a missing piece."""

class CPFRSootOde:
    """CPFRSootOde(phase)"""
    def __init__(self, phase: Any) -> None: ...
    def __call__(self, t: float, y: NDArray[np.float64]) -> NDArray[np.float64]:
        """Derivatives of the state vector y at axial position t in m: a new array of the same layout."""
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CPFRSootOde: ...

    # fields
    temp_value: NDArray[np.float64]
    """Wall-temperature profile, two rows: axial position in m (increasing), temperature in K. None until assigned."""
    gas: Any
    """The Cantera gas object, set to the state of every call."""
    P: float
    """Pressure, Pa (the gas object's at construction)."""
    T: float
    """Temperature of the last call, K."""
    wdot: NDArray[np.float64]
    """Net production rates of the last call, kmol/(m3 s). None until the first call."""
    Rt_offset: int
    """State-vector index of the residence time, s."""
    rho_u_vfv_offset: int
    """State-vector index of the mass flux rho*u*(1 - f_v), kg/(m2 s)."""
    T_offset: int
    """State-vector index of the temperature, K."""
    Y_offset: int
    """State-vector index of the first species mass fraction."""
    soot_offset: int
    """State-vector index of N_agg; N_pri, C_tot and H_tot (mol/kg) follow."""
    u: float
    """Axial gas velocity of the last call, m/s."""
    fixed_density: float
    """Density used when _enable_fixed_density is set, kg/m3."""
    _enable_fixed_density: bool
    """Switch: use fixed_density instead of the gas object's density."""
    _use_fixed_density: bool
    _use_temp_time_history: bool
    """Switch: temperature from temp_value over the residence time (row 0 in s)."""
    _use_temp_value: bool
    """Switch: temperature from temp_value over the axial position (the default)."""
    _enable_wall_deposition: bool
    """Switch: compute k_dep and deposit_thickness_growth_rate at every call."""
    soot_model: Any
    """The configured CSootModel."""
    k_dep: float
    """Wall deposition coefficient, m/s."""
    perimeter: float
    """Perimeter of the cross-section, m."""
    area: float
    """Cross-section area, m2."""
    _enable_soot: bool
    deposit_thickness_growth_rate: float
    """Growth rate of the wall deposit at the last call, m/s."""
    Nu_const_temp: float
    """Nusselt number read by external_heat; assign it before calling external_heat."""

    # methods
    def external_heat(self, z: float, T: float) -> float:
        """Heat given to the gas through the wall at position z in m and temperature T in K, W/m3."""
    def reynolds(self) -> float:
        """Reynolds number of the last call's flow."""
    def fanning_friction(self) -> float:
        """Fanning friction factor of the last call's flow."""
    def initialize(self) -> None:
        """Check the configuration; raises on a missing piece."""

class CFlameSolver:
    """CFlameSolver(phase, flame, grid, soot_model)"""
    def __init__(self, phase: Any, flame: Any, grid: NDArray[np.float64] | None, soot_model: Any) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CFlameSolver: ...

    # fields
    gas: Any
    """The Cantera gas object, set at every grid point."""
    flame: Any
    """The flame solution: grid m, T K, density kg/m3, viscosity Pa s, velocity m/s, X."""
    soot_model: Any
    """The configured CSootModel."""
    n_time_steps: int
    """Number of time steps of solve (2000)."""
    dt: float
    """Time step, s (1e-5)."""
    n_species: int
    n_points: int
    """Number of grid points."""
    z: NDArray[np.float64]
    """Grid positions, m."""
    dz: NDArray[np.float64]
    """Spacing to the left of each point, m (dz[0] = dz[1])."""
    P: float
    """Pressure, Pa (101325)."""
    T: NDArray[np.float64]
    """Temperature on the grid, K (set by solve)."""
    mu: NDArray[np.float64]
    """Viscosity on the grid, Pa s."""
    rho: NDArray[np.float64]
    """Density on the grid, kg/m3."""
    u_gas: NDArray[np.float64]
    """Gas velocity on the grid, m/s."""
    u_th: NDArray[np.float64]
    """Thermophoretic velocity on the grid, m/s."""
    u: NDArray[np.float64]
    """Particle velocity u_gas + u_th on the grid, m/s."""
    X: NDArray[np.float64]
    """Mole fractions on the grid, species by point."""
    wdot_correction_soot: NDArray[np.float64]
    """Gas species rates due to soot, kmol/(m3 s), species by point."""
    mdot_left: float
    """Mass flux entering at the left end, kg/(m2 s)."""
    mdot_right: float
    """Mass flux at the right end when it is an inlet, kg/(m2 s)."""
    boundary_type_right: int
    """Right end: 0 inlet, 1 outlet (boundary_type)."""
    A: NDArray[np.float64]
    B_N_agg: NDArray[np.float64]
    B_N_pri: NDArray[np.float64]
    B_C_tot: NDArray[np.float64]
    B_H_tot: NDArray[np.float64]
    N_agg_n: NDArray[np.float64]
    """N_agg on the grid at the current step, mol/kg."""
    N_agg_n1: NDArray[np.float64]
    """N_agg on the grid after the last step, mol/kg."""
    N_pri_n: NDArray[np.float64]
    """N_pri on the grid at the current step, mol/kg."""
    N_pri_n1: NDArray[np.float64]
    """N_pri on the grid after the last step, mol/kg."""
    C_tot_n: NDArray[np.float64]
    """C_tot on the grid at the current step, mol/kg."""
    C_tot_n1: NDArray[np.float64]
    """C_tot on the grid after the last step, mol/kg."""
    H_tot_n: NDArray[np.float64]
    """H_tot on the grid at the current step, mol/kg."""
    H_tot_n1: NDArray[np.float64]
    """H_tot on the grid after the last step, mol/kg."""
    N_agg_in: float
    """Inflow N_agg at both ends, mol/kg (the model's floor)."""
    N_pri_in: float
    """Inflow N_pri at both ends, mol/kg (the model's floor)."""
    C_tot_in: float
    """Inflow C_tot at both ends, mol/kg (the model's floor)."""
    H_tot_in: float
    """Inflow H_tot at both ends, mol/kg (the model's floor)."""

    # properties
    @property
    def grid(self) -> NDArray[np.float64]:
        """Grid positions, m."""

    # methods
    def solve(self) -> None:
        """March the soot variables n_time_steps steps of dt; prints one line per step."""
    def update_wdot_correction(self) -> None:
        """Fill wdot_correction_soot from the current soot values."""
    def solve_TDMA(
        self, a: NDArray[np.float64] | None, b: NDArray[np.float64] | None,
        c: NDArray[np.float64] | None, d: NDArray[np.float64] | None,
    ) -> NDArray[np.float64]:
        """Solve a tri-diagonal system: a sub-, b main, c super-diagonal, d right-hand side."""

class CFlameSolverOpt:
    """CFlameSolverOpt(phase, flame, grid, soot_model)"""
    def __init__(self, phase: Any, flame: Any, grid: Iterable[float], soot_model: Any) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CFlameSolverOpt: ...

    # fields
    gas: Any
    """The Cantera gas object, set at every grid point."""
    flame: Any
    """The flame solution: grid m, T K, density kg/m3, viscosity Pa s, velocity m/s, X."""
    soot_model: Any
    """The configured CSootModel."""
    n_time_steps: int
    """Number of time steps of solve (2000)."""
    dt: float
    """Time step, s (1e-5)."""
    n_species: int
    n_points: int
    """Number of grid points."""
    @property
    def z(self) -> list[float]:
        """Grid positions, m."""
    @z.setter
    def z(self, value: Iterable[float]) -> None: ...
    @property
    def dz(self) -> list[float]:
        """Spacing to the left of each point, m (dz[0] = dz[1])."""
    @dz.setter
    def dz(self, value: Iterable[float]) -> None: ...
    P: float
    """Pressure, Pa (101325)."""
    @property
    def T(self) -> list[float]:
        """Temperature on the grid, K (set by solve)."""
    @T.setter
    def T(self, value: Iterable[float]) -> None: ...
    @property
    def mu(self) -> list[float]:
        """Viscosity on the grid, Pa s."""
    @mu.setter
    def mu(self, value: Iterable[float]) -> None: ...
    @property
    def rho(self) -> list[float]:
        """Density on the grid, kg/m3."""
    @rho.setter
    def rho(self, value: Iterable[float]) -> None: ...
    @property
    def u_gas(self) -> list[float]:
        """Gas velocity on the grid, m/s."""
    @u_gas.setter
    def u_gas(self, value: Iterable[float]) -> None: ...
    @property
    def u_th(self) -> list[float]:
        """Thermophoretic velocity on the grid, m/s."""
    @u_th.setter
    def u_th(self, value: Iterable[float]) -> None: ...
    @property
    def u(self) -> list[float]:
        """Particle velocity u_gas + u_th on the grid, m/s."""
    @u.setter
    def u(self, value: Iterable[float]) -> None: ...
    X: NDArray[np.float64]
    """Mole fractions on the grid, species by point."""
    wdot_correction_soot: NDArray[np.float64]
    """Gas species rates due to soot, kmol/(m3 s), species by point."""
    mdot_left: float
    """Mass flux entering at the left end, kg/(m2 s)."""
    mdot_right: float
    """Mass flux at the right end when it is an inlet, kg/(m2 s)."""
    boundary_type_right: int
    """Right end: 0 inlet, 1 outlet (boundary_type)."""
    @property
    def upper(self) -> list[float]: ...
    @upper.setter
    def upper(self, value: Iterable[float]) -> None: ...
    @property
    def diag(self) -> list[float]: ...
    @diag.setter
    def diag(self, value: Iterable[float]) -> None: ...
    @property
    def lower(self) -> list[float]: ...
    @lower.setter
    def lower(self, value: Iterable[float]) -> None: ...
    @property
    def B_N_agg(self) -> list[float]: ...
    @B_N_agg.setter
    def B_N_agg(self, value: Iterable[float]) -> None: ...
    @property
    def B_N_pri(self) -> list[float]: ...
    @B_N_pri.setter
    def B_N_pri(self, value: Iterable[float]) -> None: ...
    @property
    def B_C_tot(self) -> list[float]: ...
    @B_C_tot.setter
    def B_C_tot(self, value: Iterable[float]) -> None: ...
    @property
    def B_H_tot(self) -> list[float]: ...
    @B_H_tot.setter
    def B_H_tot(self, value: Iterable[float]) -> None: ...
    @property
    def N_agg_n(self) -> list[float]:
        """N_agg on the grid at the current step, mol/kg."""
    @N_agg_n.setter
    def N_agg_n(self, value: Iterable[float]) -> None: ...
    @property
    def N_agg_n1(self) -> list[float]:
        """N_agg on the grid after the last step, mol/kg."""
    @N_agg_n1.setter
    def N_agg_n1(self, value: Iterable[float]) -> None: ...
    @property
    def N_pri_n(self) -> list[float]:
        """N_pri on the grid at the current step, mol/kg."""
    @N_pri_n.setter
    def N_pri_n(self, value: Iterable[float]) -> None: ...
    @property
    def N_pri_n1(self) -> list[float]:
        """N_pri on the grid after the last step, mol/kg."""
    @N_pri_n1.setter
    def N_pri_n1(self, value: Iterable[float]) -> None: ...
    @property
    def C_tot_n(self) -> list[float]:
        """C_tot on the grid at the current step, mol/kg."""
    @C_tot_n.setter
    def C_tot_n(self, value: Iterable[float]) -> None: ...
    @property
    def C_tot_n1(self) -> list[float]:
        """C_tot on the grid after the last step, mol/kg."""
    @C_tot_n1.setter
    def C_tot_n1(self, value: Iterable[float]) -> None: ...
    @property
    def H_tot_n(self) -> list[float]:
        """H_tot on the grid at the current step, mol/kg."""
    @H_tot_n.setter
    def H_tot_n(self, value: Iterable[float]) -> None: ...
    @property
    def H_tot_n1(self) -> list[float]:
        """H_tot on the grid after the last step, mol/kg."""
    @H_tot_n1.setter
    def H_tot_n1(self, value: Iterable[float]) -> None: ...
    N_agg_in_left: float
    """Inflow N_agg at the left end, mol/kg (the model's floor)."""
    N_pri_in_left: float
    """Inflow N_pri at the left end, mol/kg (the model's floor)."""
    C_tot_in_left: float
    """Inflow C_tot at the left end, mol/kg (the model's floor)."""
    H_tot_in_left: float
    """Inflow H_tot at the left end, mol/kg (the model's floor)."""
    N_agg_in_right: float
    """Inflow N_agg at the right end, mol/kg (the model's floor)."""
    N_pri_in_right: float
    """Inflow N_pri at the right end, mol/kg (the model's floor)."""
    C_tot_in_right: float
    """Inflow C_tot at the right end, mol/kg (the model's floor)."""
    H_tot_in_right: float
    """Inflow H_tot at the right end, mol/kg (the model's floor)."""

    # properties
    @property
    def grid(self) -> list[float]:
        """Grid positions, m."""

    # methods
    def solve(self) -> None:
        """March the soot variables n_time_steps steps of dt; prints one line per step."""
    def update_wdot_correction(self) -> None:
        """Fill wdot_correction_soot from the current soot values."""
    def solve_TDMA(self, a: Iterable[float], b: Iterable[float], c: Iterable[float], d: Iterable[float]) -> list[float]:
        """Solve a tri-diagonal system: a sub-, b main, c super-diagonal, d right-hand side."""

class CSootWrapper:
    """CSootWrapper(soot_gas)"""
    def __init__(self, soot_gas: CSootGas | None) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CSootWrapper: ...

    # fields
    soot_gas: CSootGas
    """The gas wrapper shared by the models."""
    soot_model: CSootModelBase
    """The particle model, installed with set_soot_model (None until then)."""
    PAH_growth_model: CPAHGrowthBase
    """The PAH-growth model, installed with set_PAH_growth_model (None until then)."""
    surface_reactions_model: CSurfaceReactionsBase
    """The surface-reaction model, installed with set_surface_reactions_model (None until then)."""
    partial_particle_addition: Any
    """Handed to the PAH-growth models (True)."""
    soot_enabled: bool
    """Switch: the particle model's step (on)."""
    inception_enabled: bool
    """Switch: inception (on)."""
    PAH_adsorption_enabled: bool
    """Switch: PAH adsorption (on)."""
    surface_growth_enabled: bool
    """Switch: HACA surface growth (on)."""
    oxidation_enabled: bool
    """Switch: oxidation by O2 and OH (on)."""
    coagulation_enabled: bool
    """Switch: coagulation (on)."""
    carbonization_enabled: bool
    """Switch: no computation of the modular framework reads it (off)."""
    scrubbing_enabled: bool
    """Switch: gas scrubbing into the particle model's w_scrub (on)."""
    coalescence_enabled: bool
    """Switch: coalescence; its term is 0.0 either way (off)."""
    @property
    def PAH_indices(self) -> list[int]:
        """Gas species index of each precursor."""
    @PAH_indices.setter
    def PAH_indices(self, value: Iterable[int]) -> None: ...
    @property
    def PAH_n_C(self) -> list[float]:
        """Carbon atoms of each precursor."""
    @PAH_n_C.setter
    def PAH_n_C(self, value: Iterable[float]) -> None: ...
    @property
    def PAH_n_H(self) -> list[float]:
        """Hydrogen atoms of each precursor."""
    @PAH_n_H.setter
    def PAH_n_H(self, value: Iterable[float]) -> None: ...

    # methods
    def _reset_flags(self) -> None:
        """Put the switches and partial_particle_addition back to their defaults."""
    def set_soot_model(self, soot_model: CSootModelBase, /) -> None:
        """Install and reset the particle model."""
    def set_PAH_growth_model(self, PAH_growth_model: CPAHGrowthBase, /) -> None:
        """Install, reset and size the PAH-growth model."""
    def set_surface_reactions_model(self, surface_reactions_model: CSurfaceReactionsBase, /) -> None:
        """Install and reset the surface-reaction model."""
    def set_precursors(self, PAH_indices: Iterable[int], PAH_n_C: Iterable[float], PAH_n_H: Iterable[float]) -> None:
        """Store the precursor lists (equal lengths) and size the installed PAH-growth model."""

class CSootGas:
    """CSootGas(cantera_gas)"""
    def __init__(self, cantera_gas: Any) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CSootGas: ...

    # fields
    cantera_gas: Any
    @property
    def _X(self) -> list[float]: ...
    @_X.setter
    def _X(self, value: Iterable[float]) -> None: ...
    @property
    def _MWs(self) -> list[float]: ...
    @_MWs.setter
    def _MWs(self, value: Iterable[float]) -> None: ...
    _MW_array: NDArray[np.float64] | None
    _T: float
    _P: float
    @property
    def _mean_MW(self) -> float: ...
    @property
    def _mu(self) -> Any: ...
    @property
    def _rho(self) -> Any: ...
    @property
    def _lambda_gas(self) -> Any: ...
    @property
    def _species_index_dict(self) -> dict[str, int] | None: ...

    # properties
    @property
    def T(self) -> float:
        """Cached temperature, K."""
    @property
    def P(self) -> float:
        """Cached pressure, Pa."""
    @property
    def mean_MW(self) -> float:
        """Cached mean molar mass, kg/mol."""
    @property
    def rho(self) -> Any:
        """Cached density, kg/m3."""
    @property
    def mu(self) -> Any:
        """Cached viscosity, Pa s."""
    @property
    def lambda_gas(self) -> Any:
        """Cached mean free path, m."""
    @property
    def MWs(self) -> list[float]:
        """Species molar masses, kg/mol."""
    @property
    def MW_array(self) -> NDArray[np.float64]:
        """None until update_MWs."""
    @property
    def X_array(self) -> NDArray[np.float64]:
        """Cached mole fractions."""
    @property
    def n_species(self) -> int:
        """Number of species (length of MWs)."""
    @property
    def w_array(self) -> NDArray[np.float64]:
        """Net production rates of the gas object, mol/(m3 s)."""
    @property
    def Y_array(self) -> NDArray[np.float64]: ...
    @property
    def h_mol_array(self) -> NDArray[np.float64]:
        """Partial molar enthalpies, J/mol."""
    @property
    def partial_molar_enthalpies_array(self) -> NDArray[np.float64]:
        """Partial molar enthalpies, J/mol."""
    @property
    def partial_molar_int_energies_array(self) -> NDArray[np.float64]:
        """Partial molar internal energies, J/mol."""
    @property
    def u_mol_array(self) -> NDArray[np.float64]:
        """Partial molar internal energies, J/mol."""
    @property
    def h_mass_total(self) -> float:
        """Specific enthalpy of the gas object, J/kg."""
    @property
    def u_mass_total(self) -> float:
        """Specific internal energy of the gas object, J/kg."""
    @property
    def cv_mass(self) -> float:
        """Specific heat at constant volume of the gas object, J/(kg K)."""
    @property
    def cp_mass(self) -> float:
        """Specific heat at constant pressure of the gas object, J/(kg K)."""
    @property
    def state(self) -> NDArray[np.float64]: ...

    # methods
    def update_thermo_TPUY(self, T: float, P: float, UY: NDArray[np.float64] | None) -> None:
        """Set the gas to T in K, P in Pa and unnormalised mass fractions UY; cache the state."""
    def update_thermo_TDUY(self, T: float, D: float, UY: NDArray[np.float64] | None) -> None:
        """Set the gas to T in K, density D in kg/m3 and unnormalised mass fractions UY; cache the state."""
    def update_thermo_TPX(self, T: float, P: float, X: NDArray[np.float64] | None) -> None:
        """Set the gas to T in K, P in Pa and mole fractions X; cache the state with X as given."""
    def update_thermo_TPXmw(self, T: float, P: float, X: NDArray[np.float64]) -> None:
        """Set the gas to T in K, P in Pa and mole fractions X; cache the gas object's mole fractions."""
    def update_thermo(self) -> None:
        """Cache the gas object's current T, P and X."""
    def update_transport_mix(self) -> None: ...
    def update_lambda_gas(self) -> None:
        """Recompute the mean free path from the cached state."""
    def update_transport(self) -> None:
        """Cache viscosity and mean free path; after every thermo update."""
    def update_transport_sutherland(self) -> None: ...
    def update(self, T: float, P: float, X: Iterable[float], rho: float, mu: float, mean_MW: float) -> None:
        """Cache a state without the gas object: T in K, P in Pa, X, rho in kg/m3, mu in Pa s, mean_MW in kg/mol."""
    def update_mean_MW(self, mean_MW: float, /) -> None:
        """Store the mean molar mass, kg/mol."""
    def update_MWs(self, MWs: NDArray[np.float64] | None, /) -> None:
        """Store the species molar masses, kg/mol (an ndarray)."""
    def set_species_indices(self, species_index_dict: dict[str, int] | None, /) -> None:
        """Store the map {species name: index} (a dict)."""

class CPAHGrowthBase:
    """CPAHGrowthBase(soot_wrapper)"""
    def __init__(self, soot_wrapper: CSootWrapper | None) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CPAHGrowthBase: ...

    # fields
    soot_wrapper: CSootWrapper
    """The soot wrapper the model belongs to."""
    @property
    def n_PAHs(self) -> int:
        """Number of precursors."""
    @property
    def m_agg(self) -> float:
        """Mass of one aggregate, kg."""
    @property
    def d_p(self) -> float:
        """Primary-particle diameter, m."""
    @property
    def d_m(self) -> float:
        """Mobility diameter of an aggregate, m."""
    @property
    def d_g(self) -> float:
        """Collision diameter of an aggregate, m."""
    @property
    def A_tot(self) -> float:
        """Soot surface per kg of gas, m2/kg."""
    @property
    def soot_MW(self) -> float:
        """Carbon mass per mole of aggregates, kg/mol."""
    @property
    def c_soot_agg(self) -> float:
        """Aggregate concentration, mol/m3."""
    @property
    def c_soot_pri(self) -> float:
        """Primary-particle concentration, mol/m3."""
    @property
    def m_p(self) -> float:
        """Mass of one primary particle, kg."""
    @property
    def _N_agg_inception_each(self) -> list[float]: ...
    @property
    def _C_tot_inception_each(self) -> list[float]: ...
    @property
    def _H_tot_inception_each(self) -> list[float]: ...
    @property
    def _N_agg_inception_total(self) -> float: ...
    @property
    def _C_tot_inception_total(self) -> float: ...
    @property
    def _H_tot_inception_total(self) -> float: ...
    @property
    def _PAH_adsorption_rate(self) -> list[float]: ...
    @property
    def _C_tot_PAH_each(self) -> list[float]: ...
    @property
    def _H_tot_PAH_each(self) -> list[float]: ...
    @property
    def _C_tot_PAH_total(self) -> float: ...
    @property
    def _H_tot_PAH_total(self) -> float: ...
    V_agg: Any
    """Volume of one aggregate, m3, as handed to update_soot_vars (not pickled)."""

    # properties
    @property
    def soot_gas(self) -> CSootGas:
        """The soot wrapper's gas wrapper."""

    # methods
    def _reset(self) -> None:
        """Zero the five inception and adsorption totals."""
    def PAH_indices(self) -> list[int]:
        """The soot wrapper's precursor gas indices."""
    def PAH_n_C(self) -> list[float]:
        """The soot wrapper's precursor carbon atoms."""
    def PAH_n_H(self) -> list[float]:
        """The soot wrapper's precursor hydrogen atoms."""
    def update_soot_vars(
        self, d_p: float, d_m: float, d_g: float, A_tot: float, m_agg: float, V_agg: float, soot_MW: float,
        c_soot_agg: float, c_soot_pri: float, m_p: float,
    ) -> None:
        """Store the morphology: d_p, d_m, d_g m; A_tot m2/kg; m_agg, m_p kg; V_agg m3; soot_MW kg/mol; c_* mol/m3."""
    def update(self) -> None:
        """Compute the inception and adsorption rates whose switches are on."""
    def N_agg_inception_each(self, index: int, /) -> float:
        """New aggregates from inception channel `index`, mol/(kg s)."""
    def C_tot_inception_each(self, index: int, /) -> float:
        """Carbon added by inception channel `index`, mol/(kg s)."""
    def H_tot_inception_each(self, index: int, /) -> float:
        """Hydrogen added by inception channel `index`, mol/(kg s)."""
    def N_agg_inception_all(self) -> list[float]:
        """New aggregates from each inception channel, mol/(kg s)."""
    def C_tot_inception_all(self) -> list[float]:
        """Carbon added by each inception channel, mol/(kg s)."""
    def H_tot_inception_all(self) -> list[float]:
        """Hydrogen added by each inception channel, mol/(kg s)."""
    def N_agg_inception_total(self) -> float:
        """Inception source of N_agg, mol/(kg s)."""
    def C_tot_inception_total(self) -> float:
        """Inception source of C_tot, mol/(kg s)."""
    def H_tot_inception_total(self) -> float:
        """Inception source of H_tot, mol/(kg s)."""
    def C_tot_PAH_each(self, PAH_id: int, /) -> float:
        """Carbon added by adsorption of precursor PAH_id, mol/(kg s)."""
    def H_tot_PAH_each(self, PAH_id: int, /) -> float:
        """Hydrogen added by adsorption of precursor PAH_id, mol/(kg s)."""
    def C_tot_PAH_all(self) -> list[float]:
        """Carbon added by adsorption of each precursor, mol/(kg s)."""
    def H_tot_PAH_all(self) -> list[float]:
        """Hydrogen added by adsorption of each precursor, mol/(kg s)."""
    def C_tot_PAH_total(self) -> float:
        """Adsorption source of C_tot, mol/(kg s)."""
    def H_tot_PAH_total(self) -> float:
        """Adsorption source of H_tot, mol/(kg s)."""
    def inception_enabled(self) -> bool:
        """The soot wrapper's inception switch."""
    def PAH_adsorption_enabled(self) -> bool:
        """The soot wrapper's PAH-adsorption switch."""
    def partial_particle_addition(self) -> Any:
        """The soot wrapper's partial_particle_addition object."""

class CReactDim(CPAHGrowthBase):
    """CReactDim(soot_wrapper)"""
    def __init__(self, soot_wrapper: CSootWrapper | None) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CReactDim: ...

    # fields
    @property
    def dimer_n_C(self) -> list[float]:
        """Carbon atoms of each dimer."""
    @property
    def dimer_n_H(self) -> list[float]:
        """Hydrogen atoms of each dimer."""
    @property
    def dimer_PAH_1_id(self) -> list[int]:
        """Position of the first precursor of each dimer."""
    @property
    def dimer_PAH_2_id(self) -> list[int]:
        """Position of the second precursor of each dimer."""
    @property
    def n_dimers(self) -> int:
        """Number of dimers, n*(n+1)/2 for n precursors."""
    @property
    def w_chem_dimer(self) -> list[float]:
        """Chemical-dimer formation rate per pair, mol/(m3 s)."""
    @property
    def c_phy_dimer(self) -> list[float]:
        """Physical-dimer concentration per pair, mol/m3."""
    @property
    def k_f_adsorption(self) -> list[float]: ...
    @property
    def k_r_adsorption(self) -> list[float]: ...
    @property
    def c_soot_PAH_star(self) -> list[float]:
        """Physisorbed PAH-soot complexes per precursor, mol/m3."""
    K_REACT_prefactor: float
    """Factor on the physical-to-chemical dimer reaction rate (1.0)."""
    Ea_REACT_prefactor: float
    """Factor on that reaction's activation energy (1.0)."""
    k_FWD_prefactor: float
    """Factor on the dimer collision rate (1.0)."""
    K_PAH_ADS_prefactor: float
    """Factor on the adsorption reaction rate (1.0)."""
    Ea_PAH_ADS_prefactor: float
    """Factor on the adsorption reaction's activation energy (1.0)."""

    # methods
    def _reset(self) -> None: ...
    def create_PAH_dimer(self) -> None:
        """Size the per-precursor data from the soot wrapper's precursor lists (equal lengths)."""
    def update(self) -> None:
        """Compute the inception and adsorption rates whose switches are on."""

class CDimerCoal(CPAHGrowthBase):
    """CDimerCoal(soot_wrapper)"""
    def __init__(self, soot_wrapper: CSootWrapper | None) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CDimerCoal: ...

    # fields
    @property
    def stick_C_i(self) -> float:
        """Constant of the sticking efficiency (15.0)."""
    @property
    def w_dimer(self) -> list[float]:
        """Dimerisation rate per precursor, mol/(m3 s)."""
    @property
    def c_dimer(self) -> list[float]:
        """Steady-state dimer concentration per precursor, mol/m3."""
    @property
    def a_inception(self) -> list[float]:
        """Dimer-dimer loss coefficient per precursor, m3/(mol s)."""
    @property
    def w_inception(self) -> list[float]:
        """Inception rate per precursor, mol/(m3 s)."""
    inception_prefactor: float
    """Factor on a_inception (1.0)."""
    adsorption_prefactor: float
    """Factor on b_adsorption (1.0)."""
    @property
    def stick_eff(self) -> list[float]:
        """Sticking efficiency per precursor (15*MW**4 with MW in kg/mol until assigned)."""
    @stick_eff.setter
    def stick_eff(self, value: Iterable[float]) -> None: ...
    @property
    def b_adsorption(self) -> list[float]:
        """Dimer-soot loss coefficient per precursor, 1/s."""

    # methods
    def _reset(self) -> None: ...
    def create_PAH_dimer(self) -> None:
        """Size the per-precursor data from the soot wrapper's precursor lists (equal lengths)."""
    def update(self) -> None:
        """Compute the inception and adsorption rates whose switches are on."""
    def update_PAH_adsorption_rate(self) -> None:
        """Fill the adsorption rate per precursor, mol/(m3 s)."""
    def _update_CH_tot_PAH(self) -> None:
        """Adsorption sources per precursor and in total, mol/(kg s)."""
    def _update_NCH_inception(self) -> None:
        """Inception sources per precursor and in total, mol/(kg s)."""
    def update_c_dimer(self) -> None:
        """Steady-state dimer concentrations: the positive root of a*c**2 + b*c = w."""
    def update_w_inception(self) -> None:
        """Fill w_inception, mol/(m3 s)."""

class CDimerCoalMod(CPAHGrowthBase):
    """CDimerCoalMod(soot_wrapper)"""
    def __init__(self, soot_wrapper: CSootWrapper | None) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CDimerCoalMod: ...

    # fields
    @property
    def stick_C_i(self) -> float:
        """Constant of the sticking efficiency (15.0)."""
    @property
    def w_dimer(self) -> list[float]:
        """Dimerisation rate per precursor, mol/(m3 s)."""
    @property
    def c_dimer(self) -> list[float]:
        """Steady-state dimer concentration per precursor, mol/m3."""
    @property
    def a_inception(self) -> list[float]:
        """Dimer-dimer loss coefficient per precursor, m3/(mol s)."""
    @property
    def w_inception(self) -> list[float]:
        """Inception rate per precursor, mol/(m3 s)."""
    inception_prefactor: float
    """Factor on a_inception (1.0)."""
    adsorption_prefactor: float
    """Factor on b_adsorption (1.0)."""
    @property
    def stick_eff(self) -> list[float]:
        """Sticking efficiency per precursor (15*MW**4 with MW in kg/mol until assigned)."""
    @stick_eff.setter
    def stick_eff(self, value: Iterable[float]) -> None: ...
    @property
    def b_adsorption(self) -> list[float]:
        """Dimer-soot loss coefficient per precursor, 1/s."""

    # methods
    def _reset(self) -> None: ...
    def create_PAH_dimer(self) -> None:
        """Size the per-precursor data from the soot wrapper's precursor lists (equal lengths)."""
    def update(self) -> None:
        """Compute the inception and adsorption rates whose switches are on."""
    def update_PAH_adsorption_rate(self) -> None:
        """Fill the adsorption rate per precursor, mol/(m3 s)."""
    def _update_CH_tot_PAH(self) -> None:
        """Adsorption sources per precursor and in total, mol/(kg s)."""
    def _update_NCH_inception(self) -> None:
        """Inception sources per precursor and in total, mol/(kg s)."""
    def update_c_dimer(self) -> None:
        """Steady-state dimer concentrations: the positive root of a*c**2 + b*c = w."""
    def update_w_inception(self) -> None:
        """Fill w_inception, mol/(m3 s)."""

class CCrossLink(CPAHGrowthBase):
    """CCrossLink(soot_wrapper)"""
    def __init__(self, soot_wrapper: CSootWrapper | None) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CCrossLink: ...

    # fields
    @property
    def c_PAH_radical(self) -> list[float]:
        """Steady-state radical concentration per precursor, mol/m3."""
    @property
    def w_dimer(self) -> list[float]:
        """Dimerisation rate per precursor, mol/(m3 s)."""
    k_f1_prefactor: float
    """Factor on k_f1, H abstraction from the precursor by H (1.0)."""
    k_r1_prefactor: float
    """Factor on k_r1, the radical's reaction with H2 (1.0)."""
    k_f2_prefactor: float
    """Factor on k_f2, H addition to the radical (1.0)."""
    k_f3_prefactor: float
    """Factor on the dimerisation coefficient (1.0)."""
    k_f4_prefactor: float
    """Factor on the radical-soot coefficient (1.0)."""

    # methods
    def _reset(self) -> None: ...
    def create_PAH_dimer(self) -> None:
        """Size the per-precursor data from the soot wrapper's precursor lists (equal lengths)."""
    def update(self) -> None:
        """Compute the inception and adsorption rates whose switches are on."""
    def update_PAH_adsorption_rate(self) -> None:
        """Fill the adsorption rate per precursor, mol/(m3 s)."""
    def _update_CH_tot_PAH(self) -> None:
        """Adsorption sources per precursor and in total, mol/(kg s)."""
    def _update_NCH_inception(self) -> None:
        """Inception sources per precursor and in total, mol/(kg s)."""
    def update_PAH_radical(self) -> None:
        """Fill c_PAH_radical, mol/m3."""
    def update_w_dimer(self) -> None:
        """Fill w_dimer, mol/(m3 s)."""

class CCrossLinkMod(CPAHGrowthBase):
    """CCrossLinkMod(soot_wrapper)"""
    def __init__(self, soot_wrapper: CSootWrapper | None) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CCrossLinkMod: ...

    # fields
    @property
    def c_PAH_radical(self) -> list[float]:
        """Steady-state radical concentration per precursor, mol/m3."""
    @property
    def w_dimer(self) -> list[float]:
        """Dimerisation rate per precursor, mol/(m3 s)."""
    k_f1_prefactor: float
    """Factor on k_f1, H abstraction from the precursor by H (1.0)."""
    k_r1_prefactor: float
    """Factor on k_r1, the radical's reaction with H2 (1.0)."""
    k_f2_prefactor: float
    """Factor on k_f2, H addition to the radical (1.0)."""
    k_f3_prefactor: float
    """Factor on the dimerisation coefficient (1.0)."""
    k_f4_prefactor: float
    """Factor on the radical-soot coefficient (1.0)."""

    # methods
    def _reset(self) -> None: ...
    def create_PAH_dimer(self) -> None:
        """Size the per-precursor data from the soot wrapper's precursor lists (equal lengths)."""
    def update(self) -> None:
        """Compute the inception and adsorption rates whose switches are on."""
    def update_PAH_adsorption_rate(self) -> None:
        """Fill the adsorption rate per precursor, mol/(m3 s)."""
    def _update_CH_tot_PAH(self) -> None:
        """Adsorption sources per precursor and in total, mol/(kg s)."""
    def _update_NCH_inception(self) -> None:
        """Inception sources per precursor and in total, mol/(kg s)."""
    def update_PAH_radical(self) -> None:
        """Fill c_PAH_radical, mol/m3."""
    def update_w_dimer(self) -> None:
        """Fill w_dimer, mol/(m3 s)."""

class CCrossLinkMerge(CPAHGrowthBase):
    """CCrossLinkMerge(soot_wrapper)"""
    def __init__(self, soot_wrapper: CSootWrapper | None) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CCrossLinkMerge: ...

    # fields
    @property
    def c_PAH_radical(self) -> list[float]:
        """Steady-state radical concentration per precursor, mol/m3."""
    @property
    def w_dimer(self) -> list[float]:
        """Dimerisation rate per precursor, mol/(m3 s)."""
    k_f1_prefactor: float
    """Factor on k_f1, H abstraction from the precursor by H (1.0)."""
    k_r1_prefactor: float
    """Factor on k_r1, the radical's reaction with H2 (1.0)."""
    k_f2_prefactor: float
    """Factor on k_f2, H addition to the radical (1.0)."""
    k_f3_prefactor: float
    """Factor on the dimerisation coefficient (1.0)."""
    k_f4_prefactor: float
    """Factor on the radical-soot coefficient (1.0)."""
    A_HACA: float
    """Pre-exponential factor of k_PAH_C2H2 (1.3e18)."""
    n_HACA: float
    """Temperature exponent of k_PAH_C2H2 (-8.02)."""
    E_HACA: float
    """Activation energy of k_PAH_C2H2, J/mol (94558.4)."""

    # methods
    def _reset(self) -> None: ...
    def create_PAH_dimer(self) -> None:
        """Size the per-precursor data from the soot wrapper's precursor lists (equal lengths)."""
    def update(self) -> None:
        """Compute the inception and adsorption rates whose switches are on."""
    def update_PAH_adsorption_rate(self) -> None:
        """Fill the adsorption rate per precursor, mol/(m3 s)."""
    def _update_CH_tot_PAH(self) -> None:
        """Adsorption sources per precursor and in total, mol/(kg s)."""
    def _update_NCH_inception(self) -> None:
        """Inception sources per precursor and in total, mol/(kg s)."""
    def update_PAH_radical(self) -> None:
        """Fill c_PAH_radical, mol/m3."""
    def update_w_dimer(self) -> None:
        """Fill w_dimer, mol/(m3 s)."""
    def k_PAH_C2H2(self, PAH_id: int, /) -> float:
        """Rate coefficient of the reaction of precursor PAH_id with acetylene."""
    def merge_probability(self, PAH_id: int, /) -> float:
        """Share of the dimers of precursor PAH_id that join existing soot, in [0, 1]."""

class CSurfaceReactionsBase:
    """CSurfaceReactionsBase(soot_wrapper)"""
    def __init__(self, soot_wrapper: CSootWrapper | None) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CSurfaceReactionsBase: ...

    # fields
    soot_wrapper: CSootWrapper
    """The soot wrapper the model belongs to."""
    HACA_prefactor: Any
    """Multiplier of the HACA growth rate (any object that multiplies with floats)."""
    _alpha_model: int
    """Alpha model code: 0 constant, 1 empirical, 2 composition."""
    alpha_constant: float
    """Alpha of the constant model (0.1)."""
    growth_prefactor: float
    oxidation_prefactor: float
    @property
    def _C_tot_growth(self) -> float: ...
    @property
    def _H_tot_growth(self) -> float: ...
    @property
    def _surface_growth_rate(self) -> float: ...
    @property
    def _C_tot_oxidation(self) -> float: ...
    @property
    def _H_tot_oxidation(self) -> float: ...
    @property
    def _w_scrub_growth(self) -> list[float]: ...
    @property
    def _w_scrub_oxidation(self) -> list[float]: ...
    @property
    def m_agg(self) -> float:
        """Mass of one aggregate, kg."""
    @property
    def d_p(self) -> float:
        """Primary-particle diameter, m."""
    @property
    def d_m(self) -> float:
        """Mobility diameter of an aggregate, m."""
    @property
    def d_g(self) -> float:
        """Collision diameter of an aggregate, m."""
    @property
    def A_tot(self) -> float:
        """Soot surface per kg of gas, m2/kg."""
    @property
    def soot_MW(self) -> float:
        """Carbon mass per mole of aggregates, kg/mol."""
    @property
    def c_soot_agg(self) -> float:
        """Aggregate concentration, mol/m3."""
    @property
    def HtoC(self) -> float:
        """Hydrogen-to-carbon atom ratio of the soot."""

    # properties
    @property
    def soot_gas(self) -> CSootGas:
        """The soot wrapper's gas wrapper."""

    # methods
    def _reset(self) -> None: ...
    def update_soot_vars(
        self, d_p: float, d_m: float, d_g: float, A_tot: float, m_agg: float, soot_MW: float, c_soot_agg: float,
        HtoC: float,
    ) -> None:
        """Store the morphology: d_p, d_m, d_g m; A_tot m2/kg; m_agg kg; soot_MW kg/mol; c_soot_agg mol/m3; HtoC."""
    def update(self) -> None:
        """Compute the growth and oxidation rates whose switches are on."""
    def C_tot_growth(self) -> float:
        """Carbon source of surface growth, mol/(kg s)."""
    def H_tot_growth(self) -> float:
        """Hydrogen source of surface growth, mol/(kg s)."""
    def C_tot_oxidation(self) -> float:
        """Carbon source of oxidation, mol/(kg s), negative."""
    def H_tot_oxidation(self) -> float:
        """Hydrogen source of oxidation, mol/(kg s)."""
    def _update_w_scrub_growth(self, w_scrub: NDArray[np.float64], /) -> None: ...
    def _update_w_scrub_oxidation(self, w_scrub: NDArray[np.float64], /) -> None: ...
    def update_w_scrub(self, w_scrub: NDArray[np.float64], /) -> None:
        """Add the gas species rates of growth and oxidation to w_scrub, mol/(m3 s)."""
    def surface_growth_enabled(self) -> bool:
        """The soot wrapper's surface-growth switch."""
    def oxidation_enabled(self) -> bool:
        """The soot wrapper's oxidation switch."""

class CFrenklachHACA(CSurfaceReactionsBase):
    """CFrenklachHACA(soot_wrapper)"""
    def __init__(self, soot_wrapper: CSootWrapper | None) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CFrenklachHACA: ...

    # fields
    _O2_oxidation_rate: float
    """O2 oxidation rate, mol of O2 per m3 and s."""
    _OH_oxidation_rate: float
    """OH oxidation rate, mol of OH per m3 and s."""

    # properties
    @property
    def alpha_model(self) -> str:
        """Alpha model of HACA growth: 'constant' (alpha_constant), 'empirical' or 'composition'."""
    @alpha_model.setter
    def alpha_model(self, value: str) -> None: ...

    # methods
    def _reset(self) -> None: ...
    def update(self) -> None:
        """Compute the growth and oxidation rates whose switches are on."""
    def update_w_scrub(self, w_scrub: NDArray[np.float64], /) -> None:
        """Add the gas species rates of growth and oxidation to w_scrub, mol/(m3 s)."""

class CSootModelBase:
    """CSootModelBase(soot_wrapper)"""
    def __init__(self, soot_wrapper: CSootWrapper | None) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CSootModelBase: ...

    # fields
    soot_wrapper: CSootWrapper
    """The soot wrapper."""
    _PAH_growth_model: Any
    _surface_reactions_model: Any
    @property
    def n_eqns(self) -> int:
        """Number of soot variables (4 in CMonodisperseSootModel)."""
    w_scrub: NDArray[np.float64]
    """Gas species rates caused by soot, mol/(m3 s), one per gas species."""
    diffusion_coeff_method: int
    """Code of DIFFUSION_COEFF_METHODS: 0 morphology, 1 constant."""

    # properties
    @property
    def diffusion_coeff_type(self) -> str:
        """Diffusion coefficient: 'morphology' or 'constant' (diffus_coeff_const_val)."""
    @diffusion_coeff_type.setter
    def diffusion_coeff_type(self, value: str) -> None: ...

    # methods
    def _reset(self) -> None: ...
    def soot_gas(self) -> CSootGas:
        """The soot wrapper's gas wrapper."""
    def PAH_growth_model(self) -> CPAHGrowthBase:
        """The soot wrapper's PAH-growth model. None until set_PAH_growth_model."""
    def surface_reactions_model(self) -> CSurfaceReactionsBase:
        """The soot wrapper's surface-reaction model. None until set_surface_reactions_model."""
    def coagulation_enabled(self) -> bool:
        """The soot wrapper's coagulation switch."""
    def carbonization_enabled(self) -> bool:
        """The soot wrapper's carbonisation switch."""
    def scrubbing_enabled(self) -> bool:
        """The soot wrapper's scrubbing switch."""
    def coalescence_enabled(self) -> bool:
        """The soot wrapper's coalescence switch."""
    def volume_fraction(self) -> float:
        """Soot volume fraction, m3/m3."""
    def total_mass(self) -> float:
        """Soot mass, kg per kg of gas."""
    def _update_w_scrub(self) -> None: ...
    def update(self) -> None: ...

class CMonodisperseSootModel(CSootModelBase):
    """CMonodisperseSootModel(soot_wrapper)"""
    def __init__(self, soot_wrapper: CSootWrapper | None) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CMonodisperseSootModel: ...

    # fields
    @property
    def vars_dict(self) -> Any:
        """Name of each soot variable -> its offset in the soot block."""
    diffus_coeff_const_val: float
    """Value of diffus_coeff_const(), m2/s."""
    N_agg_min: float
    """Floor of N_agg, mol/kg."""
    N_pri_min: float
    """Floor of N_pri, mol/kg."""
    C_tot_min: float
    """Floor of C_tot, mol/kg."""
    H_tot_min: float
    """Floor of H_tot, mol/kg."""
    @property
    def N_agg_offset(self) -> int:
        """Position of N_agg in the soot block."""
    @property
    def N_pri_offset(self) -> int:
        """Position of N_pri in the soot block."""
    @property
    def C_tot_offset(self) -> int:
        """Position of C_tot in the soot block."""
    @property
    def H_tot_offset(self) -> int:
        """Position of H_tot in the soot block."""

    # methods
    def _reset(self) -> None:
        """Put the soot variables at their floors and size w_scrub to the gas species."""
    def set_vars(self, vars: NDArray[np.float64], /) -> None:
        """Load N_agg, N_pri, C_tot, H_tot in mol/kg from the soot block at their offsets (no floor)."""
    def update(self) -> None:
        """Hand the morphology to the PAH-growth and surface-reaction models and compute their rates."""
    def update_w_scrub(self) -> None:
        """Clear w_scrub and add the models' gas species rates, mol/(m3 s)."""
    def min_array(self) -> NDArray[np.float64]:
        """The four floors in soot-block order, mol/kg."""
    def fill_soot_array(self, soot_array: NDArray[np.float64], /) -> None:
        """Write N_agg, N_pri, C_tot, H_tot (mol/kg) at their offsets."""
    def fill_source_term_array(self, source_term_array: NDArray[np.float64], /) -> None:
        """Write the four source terms, mol/(kg s), at their offsets."""
    def S_N_agg(self) -> float:
        """Source term of N_agg, mol/(kg s)."""
    def S_N_pri(self) -> float:
        """Source term of N_pri, mol/(kg s)."""
    def S_C_tot(self) -> float:
        """Source term of C_tot, mol/(kg s)."""
    def S_H_tot(self) -> float:
        """Source term of H_tot, mol/(kg s)."""
    def inception(self, soot_variable: int, /) -> float | None:
        """Inception term of soot variable 0-3, mol/(kg s)."""
    def growth(self, soot_variable: int, /) -> float | None:
        """Growth term of soot variable 0-3, mol/(kg s)."""
    def oxidation(self, soot_variable: int, /) -> float | None:
        """Oxidation term of soot variable 0-3, mol/(kg s)."""
    def coagulation(self, soot_variable: int, /) -> float | None:
        """Coagulation term of soot variable 0-3, mol/(kg s)."""
    def coalescence(self, soot_variable: int, /) -> float | None:
        """Coalescence term of soot variable 0-3, mol/(kg s)."""
    def carbonization(self, soot_variable: int, /) -> float | None:
        """Carbonization term of soot variable 0-3, mol/(kg s)."""
    def N_agg(self) -> float:
        """Aggregates, mol/kg."""
    def N_pri(self) -> float:
        """Primary particles, mol/kg."""
    def C_tot(self) -> float:
        """Carbon atoms in soot, mol/kg."""
    def H_tot(self) -> float:
        """Hydrogen atoms in soot, mol/kg."""
    def volume_fraction(self) -> float:
        """Soot volume fraction, m3/m3."""
    def inception_mass(self) -> float:
        """Inception rate of N_agg, mol/(kg s)."""
    def inception_vol(self) -> float:
        """Inception rate of N_agg, mol/(m3 s)."""
    def PAH_adsorption_mass(self) -> float:
        """Carbon added by PAH adsorption, mol/(kg s)."""
    def PAH_adsorption_vol(self) -> float:
        """Carbon added by PAH adsorption, mol/(m3 s)."""
    def surface_growth_mass(self) -> float:
        """Carbon added by surface growth, mol/(kg s)."""
    def surface_growth_vol(self) -> float:
        """Carbon added by surface growth, mol/(m3 s)."""
    def oxidation_mass(self) -> float:
        """Carbon source of oxidation, mol/(kg s), negative."""
    def oxidation_vol(self) -> float:
        """Carbon source of oxidation, mol/(m3 s), negative."""
    def coagulation_mass(self) -> float:
        """Coagulation rate of N_agg, mol/(kg s), also when switched off."""
    def coagulation_vol(self) -> float:
        """Coagulation rate of N_agg, mol/(m3 s)."""
    def A_tot(self) -> float:
        """Soot surface per kg of gas, m2/kg."""
    def d_v(self) -> float:
        """Volume-equivalent diameter of an aggregate, m."""
    def d_m(self) -> float:
        """Mobility diameter, m."""
    def d_g(self) -> float:
        """Collision diameter of an aggregate, m."""
    def d_p(self) -> float:
        """Primary-particle diameter, m."""
    def n_p(self) -> float:
        """Primary particles per aggregate."""
    def beta_coag_turb(self) -> float:
        """Turbulent coagulation kernel added to the others, m3/s (0.0; override in a subclass)."""
    def diffusion_coefficient(self) -> float:
        """Particle diffusion coefficient, m2/s."""
    def diffus_coeff_morph(self) -> float:
        """Particle diffusion coefficient from the morphology, m2/s."""
    def diffus_coeff_const(self) -> float:
        """diffus_coeff_const_val, m2/s."""
    def dispersion_exponent(self) -> float:
        """Optical dispersion exponent from the H/C ratio."""
    def total_mass(self) -> float:
        """Soot mass, kg per kg of gas."""
    def carbon_mass(self) -> float:
        """Carbon mass in soot, kg per kg of gas."""
    def hydrogen_mass(self) -> float:
        """Hydrogen mass in soot, kg per kg of gas."""
    def SSA(self) -> float:
        """Specific surface area, m2/g."""
class CTempFlameSolver:
    """CTempFlameSolver(soot_gas, flame, grid, soot_model)"""
    def __init__(self, soot_gas: Any, flame: Any, grid: Iterable[float], soot_model: Any) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CTempFlameSolver: ...

    # fields
    soot_gas: Any
    flame: Any
    soot_model: Any
    n_time_steps: int
    dt: float
    n_species: int
    n_points: int
    @property
    def z(self) -> list[float]: ...
    @z.setter
    def z(self, value: Iterable[float]) -> None: ...
    @property
    def dz(self) -> list[float]: ...
    @dz.setter
    def dz(self, value: Iterable[float]) -> None: ...
    P: float
    @property
    def T(self) -> list[float]: ...
    @T.setter
    def T(self, value: Iterable[float]) -> None: ...
    @property
    def mu(self) -> list[float]: ...
    @mu.setter
    def mu(self, value: Iterable[float]) -> None: ...
    @property
    def rho(self) -> list[float]: ...
    @rho.setter
    def rho(self, value: Iterable[float]) -> None: ...
    @property
    def u_gas(self) -> list[float]: ...
    @u_gas.setter
    def u_gas(self, value: Iterable[float]) -> None: ...
    @property
    def u_th(self) -> list[float]: ...
    @u_th.setter
    def u_th(self, value: Iterable[float]) -> None: ...
    @property
    def u(self) -> list[float]: ...
    @u.setter
    def u(self, value: Iterable[float]) -> None: ...
    X: NDArray[np.float64]
    wdot_correction_soot: NDArray[np.float64]
    """None until update_wdot_correction."""
    mdot_left: float
    mdot_right: float
    boundary_type_right: int
    upper: NDArray[np.float64]
    diag: NDArray[np.float64]
    lower: NDArray[np.float64]
    B_N_agg: NDArray[np.float64]
    B_N_pri: NDArray[np.float64]
    B_C_tot: NDArray[np.float64]
    B_H_tot: NDArray[np.float64]
    N_agg_n: NDArray[np.float64]
    N_agg_n1: NDArray[np.float64]
    N_pri_n: NDArray[np.float64]
    N_pri_n1: NDArray[np.float64]
    C_tot_n: NDArray[np.float64]
    C_tot_n1: NDArray[np.float64]
    H_tot_n: NDArray[np.float64]
    H_tot_n1: NDArray[np.float64]
    N_agg_in_left: float
    N_pri_in_left: float
    C_tot_in_left: float
    H_tot_in_left: float
    N_agg_in_right: float
    N_pri_in_right: float
    C_tot_in_right: float
    H_tot_in_right: float
    w_scrub: Any
    @property
    def grid(self) -> list[float]:
        """Point positions, m (a new list)."""

    # methods
    def solve(self) -> None: ...
    def update_w_scrub(self) -> None: ...
    def solve_TDMA(
        self,
        a: NDArray[np.float64] | None,
        b: NDArray[np.float64] | None,
        c: NDArray[np.float64] | None,
        d: NDArray[np.float64] | None,
        x: NDArray[np.float64] | None,
    ) -> None: ...

class CTempFlameSolverOpt:
    """CTempFlameSolverOpt(soot_gas, flame, grid, soot)"""
    def __init__(
        self, soot_gas: CSootGas | None, flame: Any, grid: NDArray[np.float64] | None, soot: CSootWrapper | None
    ) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CTempFlameSolverOpt: ...

    # fields
    flame: Any
    soot_gas: CSootGas
    soot: CSootWrapper
    n_time_steps: int
    dt: float
    n_species: int
    n_points: int
    z: NDArray[np.float64]
    dz: NDArray[np.float64]
    dz_m: NDArray[np.float64]
    P: float
    T: NDArray[np.float64]
    mu: NDArray[np.float64]
    rho: NDArray[np.float64]
    mean_MW: NDArray[np.float64]
    u_gas: NDArray[np.float64]
    """None until solve."""
    u_th: NDArray[np.float64]
    """None until solve."""
    u: NDArray[np.float64]
    """None until solve."""
    X: NDArray[np.float64]
    w_scrub: NDArray[np.float64]
    wdot_correction_soot: NDArray[np.float64]
    """None until update_wdot_correction."""
    mdot_left: float
    mdot_right: float
    boundary_type_right: int
    upper: NDArray[np.float64]
    diag: NDArray[np.float64]
    lower: NDArray[np.float64]
    B_N_agg: NDArray[np.float64]
    B_N_pri: NDArray[np.float64]
    B_C_tot: NDArray[np.float64]
    B_H_tot: NDArray[np.float64]
    N_agg_n: NDArray[np.float64]
    N_agg_n1: NDArray[np.float64]
    N_pri_n: NDArray[np.float64]
    N_pri_n1: NDArray[np.float64]
    C_tot_n: NDArray[np.float64]
    C_tot_n1: NDArray[np.float64]
    H_tot_n: NDArray[np.float64]
    H_tot_n1: NDArray[np.float64]
    N_agg_in_left: float
    N_pri_in_left: float
    C_tot_in_left: float
    H_tot_in_left: float
    N_agg_in_right: float
    N_pri_in_right: float
    C_tot_in_right: float
    H_tot_in_right: float
    under: float
    k_th: float
    @property
    def grid(self) -> NDArray[np.float64]:
        """Point positions, m (the array held in z)."""

    # methods
    def init_u(self) -> None: ...
    def solve(self) -> None: ...
    def update_w_scrub(self) -> None: ...

class CFVSolver:
    """CFVSolver(soot_gas, flame, grid, soot)"""
    def __init__(
        self, soot_gas: CSootGas | None, flame: Any, grid: NDArray[np.float64] | None, soot: CSootWrapper | None
    ) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CFVSolver: ...

    # fields
    flame: Any
    soot: CSootWrapper
    soot_gas: CSootGas
    P: float
    T: NDArray[np.float64]
    """None until solve."""
    rho: NDArray[np.float64]
    """None until solve."""
    u: NDArray[np.float64]
    """None until solve."""
    u_gas: NDArray[np.float64]
    """None until solve."""
    u_th: NDArray[np.float64]
    """None until solve."""
    D: NDArray[np.float64]
    """None until solve."""
    mu: NDArray[np.float64]
    """None until solve."""
    mean_MW: NDArray[np.float64]
    """None until solve."""
    X: NDArray[np.float64]
    """None until solve."""
    w_scrub: NDArray[np.float64]
    """None until solve."""
    dt: float
    dx: NDArray[np.float64]
    grid: NDArray[np.float64]
    n_points: int
    n_time_steps: int
    n_species: int
    mdot_left: float
    mdot_right: float
    boundary_type_right: int
    upper: NDArray[np.float64]
    diag: NDArray[np.float64]
    lower: NDArray[np.float64]
    B_N_agg: NDArray[np.float64]
    B_N_pri: NDArray[np.float64]
    B_C_tot: NDArray[np.float64]
    B_H_tot: NDArray[np.float64]
    N_agg_n: NDArray[np.float64]
    N_agg_n1: NDArray[np.float64]
    N_pri_n: NDArray[np.float64]
    N_pri_n1: NDArray[np.float64]
    C_tot_n: NDArray[np.float64]
    C_tot_n1: NDArray[np.float64]
    H_tot_n: NDArray[np.float64]
    H_tot_n1: NDArray[np.float64]
    N_agg_in_left: float
    N_pri_in_left: float
    C_tot_in_left: float
    H_tot_in_left: float
    N_agg_in_right: float
    N_pri_in_right: float
    C_tot_in_right: float
    H_tot_in_right: float
    under: float
    k_th: float

    # methods
    def interplote_from_flame(self) -> None: ...
    def create_matrix(self) -> None: ...
    def create_solution_vector(self) -> None: ...
    def create_dx(self) -> None: ...
    def solve(self) -> None: ...

class CFDSolver:
    """CFDSolver(soot_gas, flame, grid, soot)"""
    def __init__(
        self, soot_gas: CSootGas | None, flame: Any, grid: NDArray[np.float64] | None, soot: CSootWrapper | None
    ) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CFDSolver: ...

    # fields
    flame: Any
    soot: CSootWrapper
    soot_gas: CSootGas
    P: float
    T: NDArray[np.float64]
    """None until solve."""
    rho: NDArray[np.float64]
    """None until solve."""
    u: NDArray[np.float64]
    """None until solve."""
    u_gas: NDArray[np.float64]
    """None until solve."""
    u_th: NDArray[np.float64]
    """None until solve."""
    D: NDArray[np.float64]
    """None until solve."""
    mu: NDArray[np.float64]
    """None until solve."""
    mean_MW: NDArray[np.float64]
    """None until solve."""
    X: NDArray[np.float64]
    """None until solve."""
    w_scrub: NDArray[np.float64]
    """None until solve."""
    dt: float
    dx: NDArray[np.float64]
    grid: NDArray[np.float64]
    n_points: int
    n_time_steps: int
    n_species: int
    mdot_left: float
    mdot_right: float
    boundary_type_right: int
    upper: NDArray[np.float64]
    diag: NDArray[np.float64]
    lower: NDArray[np.float64]
    B_N_agg: NDArray[np.float64]
    B_N_pri: NDArray[np.float64]
    B_C_tot: NDArray[np.float64]
    B_H_tot: NDArray[np.float64]
    N_agg_n: NDArray[np.float64]
    N_agg_n1: NDArray[np.float64]
    N_pri_n: NDArray[np.float64]
    N_pri_n1: NDArray[np.float64]
    C_tot_n: NDArray[np.float64]
    C_tot_n1: NDArray[np.float64]
    H_tot_n: NDArray[np.float64]
    H_tot_n1: NDArray[np.float64]
    N_agg_in_left: float
    N_pri_in_left: float
    C_tot_in_left: float
    H_tot_in_left: float
    N_agg_in_right: float
    N_pri_in_right: float
    C_tot_in_right: float
    H_tot_in_right: float
    under: float
    k_th: float

    # methods
    def interplote_from_flame(self) -> None: ...
    def create_matrix(self) -> None: ...
    def create_solution_vector(self) -> None: ...
    def create_dx(self) -> None: ...
    def solve(self) -> None: ...
class ReactorBase:
    """ReactorBase(soot_gas)"""
    def __init__(self, soot_gas: CSootGas | None) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> ReactorBase: ...

    # fields
    @property
    def temperature_profile(self) -> NDArray[np.float64]:
        """Two-row temperature profile: abscissae (m or s) and temperatures (K). None until set."""
    temperature_solver: int
    soot_gas: CSootGas
    soot_wrapper: CSootWrapper
    """None until set_soot_wrapper."""

    # properties
    @property
    def temperature_solver_type(self) -> str:
        """"profile_length", "profile_time", "energy_equation" or "isothermal"."""
    @temperature_solver_type.setter
    def temperature_solver_type(self, value: str) -> None: ...

    # methods
    def set_soot_wrapper(self, soot_wrapper: CSootWrapper | None, /) -> None:
        """Store the soot wrapper and size the soot, source-term and result arrays."""
    def _reset(self) -> None: ...
    def set_fix_temperature_profile(self, fixed_profile: NDArray[np.float64] | None, /) -> None:
        """Store the two-row temperature profile of the profile modes (not copied)."""

class CPFRSoot(ReactorBase):
    """CPFRSoot(soot_gas)"""
    def __init__(self, soot_gas: CSootGas | None) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CPFRSoot: ...

    # fields
    restime_offset: int
    rhou_offset: int
    T_offset: int
    Y_offset: int
    soot_offset: int
    T: float
    P: float
    @property
    def z(self) -> float: ...
    @property
    def rho(self) -> float: ...
    @property
    def phi(self) -> float: ...
    @property
    def u(self) -> float: ...
    @property
    def mdot(self) -> float: ...
    @property
    def restime(self) -> float: ...
    @property
    def removed_gas_mass(self) -> float: ...
    soot_array: NDArray[np.float64]
    """None until set_soot_wrapper."""
    source_term_array: NDArray[np.float64]
    """None until set_soot_wrapper."""

    # methods
    def set_mdot(self, mdot: float, /) -> None: ...
    def derivatives(self, t: float, y: NDArray[np.float64] | None) -> NDArray[np.float64]:
        """d/dz of the state vector at position t (m); the same array object on every call."""

class CPSRSoot(ReactorBase):
    """CPSRSoot(soot_gas)"""
    def __init__(self, soot_gas: CSootGas | None) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CPSRSoot: ...

    # fields
    T_offset: int
    Y_offset: int
    soot_offset: int
    T: float
    P: float
    @property
    def Y_star(self) -> NDArray[np.float64]:
        """None until set_star."""
    @property
    def soot_star(self) -> NDArray[np.float64]:
        """None until set_star."""
    @property
    def h_star(self) -> float: ...
    @property
    def z(self) -> float: ...
    @property
    def rho(self) -> float: ...
    @property
    def phi(self) -> float: ...
    @property
    def restime(self) -> float: ...
    @property
    def drho_dt(self) -> float: ...
    @property
    def dT_dt(self) -> float: ...
    @property
    def removed_gas_mass(self) -> float: ...
    @property
    def dY_dt(self) -> NDArray[np.float64]:
        """None until the first derivatives call."""
    @property
    def dsoot_dt(self) -> NDArray[np.float64]:
        """None until the first derivatives call."""
    soot_array: NDArray[np.float64]
    """None until set_soot_wrapper."""
    source_term_array: NDArray[np.float64]
    """None until set_soot_wrapper."""
    Q_dot: float
    mdot: float
    phy_restime: float
    reactor_volume: float
    rho_offset: int

    # methods
    def set_star(self) -> None:
        """Take the gas wrapper's current state and the soot floors as the inflow state."""
    def derivatives(self, t: float, y: NDArray[np.float64] | None) -> NDArray[np.float64]:
        """d/dt of the state vector at time t (s); the same array object on every call."""

class CConstUVSoot(ReactorBase):
    """CConstUVSoot(soot_gas)"""
    def __init__(self, soot_gas: CSootGas | None) -> None: ...
    def __reduce__(self) -> tuple[Any, ...]: ...
    def __setstate__(self, state: tuple[Any, ...], /) -> None: ...
    def __deepcopy__(self, memo: dict[int, Any], /) -> CConstUVSoot: ...

    # fields
    restime_offset: int
    T_offset: int
    Y_offset: int
    soot_offset: int
    T: float
    P: float
    @property
    def z(self) -> float: ...
    @property
    def rho(self) -> float: ...
    @property
    def phi(self) -> float: ...
    @property
    def restime(self) -> float: ...
    @property
    def drho_dt(self) -> float: ...
    @property
    def dT_dt(self) -> float: ...
    @property
    def removed_gas_mass(self) -> float: ...
    @property
    def dY_dt(self) -> NDArray[np.float64]:
        """None until the first derivatives call."""
    @property
    def dsoot_dt(self) -> NDArray[np.float64]:
        """None until the first derivatives call."""
    soot_array: NDArray[np.float64]
    """None until set_soot_wrapper."""
    source_term_array: NDArray[np.float64]
    """None until set_soot_wrapper."""
    rho_n_iter: int
    rho_offset: int

    # methods
    def derivatives(self, t: float, y: NDArray[np.float64] | None) -> NDArray[np.float64]:
        """d/dt of the state vector at time t (s); the same array object on every call."""

def __pyx_unpickle_CSootModel(
    __pyx_type: type[CSootModel], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CSootModel: ...
def __pyx_unpickle_CPFROde(
    __pyx_type: type[CPFROde], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CPFROde: ...
def __pyx_unpickle_CPFRSootOde(
    __pyx_type: type[CPFRSootOde], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CPFRSootOde: ...
def __pyx_unpickle_CFlameSolver(
    __pyx_type: type[CFlameSolver], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CFlameSolver: ...
def __pyx_unpickle_CFlameSolverOpt(
    __pyx_type: type[CFlameSolverOpt], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CFlameSolverOpt: ...
def __pyx_unpickle_CSootWrapper(
    __pyx_type: type[CSootWrapper], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CSootWrapper: ...
def __pyx_unpickle_CSootGas(
    __pyx_type: type[CSootGas], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CSootGas: ...
def __pyx_unpickle_CPAHGrowthBase(
    __pyx_type: type[CPAHGrowthBase], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CPAHGrowthBase: ...
def __pyx_unpickle_CReactDim(
    __pyx_type: type[CReactDim], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CReactDim: ...
def __pyx_unpickle_CDimerCoal(
    __pyx_type: type[CDimerCoal], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CDimerCoal: ...
def __pyx_unpickle_CDimerCoalMod(
    __pyx_type: type[CDimerCoalMod], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CDimerCoalMod: ...
def __pyx_unpickle_CCrossLink(
    __pyx_type: type[CCrossLink], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CCrossLink: ...
def __pyx_unpickle_CCrossLinkMod(
    __pyx_type: type[CCrossLinkMod], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CCrossLinkMod: ...
def __pyx_unpickle_CCrossLinkMerge(
    __pyx_type: type[CCrossLinkMerge], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CCrossLinkMerge: ...
def __pyx_unpickle_CSurfaceReactionsBase(
    __pyx_type: type[CSurfaceReactionsBase], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CSurfaceReactionsBase: ...
def __pyx_unpickle_CFrenklachHACA(
    __pyx_type: type[CFrenklachHACA], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CFrenklachHACA: ...
def __pyx_unpickle_CSootModelBase(
    __pyx_type: type[CSootModelBase], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CSootModelBase: ...
def __pyx_unpickle_CMonodisperseSootModel(
    __pyx_type: type[CMonodisperseSootModel], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CMonodisperseSootModel: ...
def __pyx_unpickle_CTempFlameSolver(
    __pyx_type: type[CTempFlameSolver], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CTempFlameSolver: ...
def __pyx_unpickle_CTempFlameSolverOpt(
    __pyx_type: type[CTempFlameSolverOpt], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CTempFlameSolverOpt: ...
def __pyx_unpickle_CFVSolver(
    __pyx_type: type[CFVSolver], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CFVSolver: ...
def __pyx_unpickle_CFDSolver(
    __pyx_type: type[CFDSolver], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CFDSolver: ...
def __pyx_unpickle_ReactorBase(
    __pyx_type: type[ReactorBase], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> ReactorBase: ...
def __pyx_unpickle_CPFRSoot(
    __pyx_type: type[CPFRSoot], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CPFRSoot: ...
def __pyx_unpickle_CPSRSoot(
    __pyx_type: type[CPSRSoot], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CPSRSoot: ...
def __pyx_unpickle_CConstUVSoot(
    __pyx_type: type[CConstUVSoot], __pyx_checksum: int, __pyx_state: tuple[Any, ...] | None
) -> CConstUVSoot: ...
