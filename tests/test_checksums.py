"""Pickle layout checksums: recomputed from the field names of each class."""

import hashlib
import pathlib
import pickle
import re

import pytest

FIELDS = {
    "CSootGas": """
    cantera_gas _X _MWs _MW_array _T _P _mean_MW _mu _rho _lambda_gas
    _species_index_dict
    """.split(),
    "CSootModel": """
    rho_soot MW_carbon MW_hydrogen Av kB R P_atm Pi d_A N_agg_offset
    N_pri_offset C_tot_offset H_tot_offset Phy_dimer_offset PAH_soot_offset
    dimer_offset soot_PAH_offset dimer_PAH_1_id dimer_PAH_2_id PAH_indices
    PAH_n_C PAH_n_H soot_PAH_MWs soot_PAH_indices dimer_n_C dimer_n_H
    phy_dimer_indices species_names MWs X scrub_wdot phy_dimer_wdot
    soot_PAH_wdot density viscosity mean_MW T P p_lambda_gas N_agg N_pri
    C_tot H_tot p_d_p p_d_m p_d_g p_A_tot p_ROP p_phy_dimer_
    p_dC_tot_dt_HACA_alt p_dH_tot_dt_HACA_alt HACA_prefactor _alpha_model
    alpha_constant_value alpha p_k_f_soot_PAH p_k_r_soot_PAH p_soot_PAH_star
    p_dC_tot_dt_PAH_each p_dH_tot_dt_PAH_each p_dC_tot_dt_PAH
    p_dH_tot_dt_PAH omega_PAH omega_PAH_tot _dimer_ a_inc w_inc stick_eff
    pre_stick_eff b_cond w_cond lumpdimer_n_C lumpdimer_n_H dimer_weight
    _lumpdimer_ a_lumpinc w_lumpinc b_lumpcond w_lumpcond p_PAH_radical_
    adsorb_eff cross_k_f1_prefactor cross_k_r1_prefactor
    cross_k_f2_prefactor cross_k_f3_prefactor inception_N_agg
    inception_C_tot inception_H_tot dC_tot_dt_PAH_each dH_tot_dt_PAH_each
    p_dH_tot_dt_carb A_carb Ea_carb beta_coag p_dC_tot_dt_O2 p_dC_tot_dt_OH
    p_dH_tot_dt_O2 p_dH_tot_dt_OH soot_coales_type t_coales Ea_coales
    As_coales d_crit_coales t_coales_min CtoH_crit N_pri_coales
    diffus_coeff_const_val diffus_coeff K_T_factor C2H2_index H2_index
    H_index CO_index O2_index OH_index H2O_index PAH_growth_model
    PAH_growth_update create_PAH_dimer update_scrub_wdot_PAH_growth
    inception_enabled growth_enabled growth_HACA_enabled
    growth_PAH_adsorption_enabled coagulation_enabled oxidation_enabled
    carbonization_enabled scrubbing_enabled coalescence_enabled
    use_unity_alpha use_empirical_alpha steady_state_physical_dimerization
    steady_state_PAH_adsorption min_n_C min_n_H d_p_min A_p_min N_agg_min
    N_pri_min C_tot_min H_tot_min K_REACT_prefactor Ea_REACT_prefactor
    k_FWD_prefactor K_PAH_ADS_prefactor Ea_PAH_ADS_prefactor
    modified_particle_addition validation_case
    """.split(),
}

# (md5, sha256, sha1); the reducer writes the first
CHECKSUMS = {
    "CSootGas": (0x3719456, 0x05727d8, 0xdde2b56),
    "CSootModel": (0x4a76d08, 0xc59345e, 0xd578c34),
}

FIELD_COUNTS = {"CSootGas": 11, "CSootModel": 148}

CLASSES = sorted(FIELDS)


def layout_checksums(fields):
    # sorted() orders by character code: capitals, then '_', then small letters
    text = " ".join(sorted(fields)).encode("ascii")
    return tuple(int(hashlib.new(algo, text).hexdigest()[:7], 16)
                 for algo in ("md5", "sha256", "sha1"))


def klass(mod, name):
    if not hasattr(mod, name):
        pytest.skip(f"{name} not built yet")
    return getattr(mod, name)


def reduced_state(obj):
    r = obj.__reduce__()
    return r[1][2] if len(r) == 2 else r[2]


@pytest.mark.parametrize("name", CLASSES)
def test_field_table_gives_the_checksums(name):
    fields = FIELDS[name]
    assert len(fields) == len(set(fields)) == FIELD_COUNTS[name]
    assert layout_checksums(fields) == CHECKSUMS[name]


# The C++ field table of each class, in declaration order.
SOURCES = {"CSootGas": "extensions/gas/sootgas.hpp", "CSootModel": "csootmodel/state.cpp"}
SRC = pathlib.Path(__file__).resolve().parent.parent / "src"


@pytest.mark.parametrize("name", CLASSES)
def test_class_table_lists_these_fields_in_declaration_order(name):
    text = (SRC / SOURCES[name]).read_text()
    # Rows of a field list `F(type, name, access)`, or of the older BIND_FIELD form.
    table = (re.findall(r"^\s*F\([^,()]+, (\w+), \w+\)", text, re.M)
             or re.findall(r"BIND_(?:FIELD|HIDDEN)\(\w+, (\w+),", text))
    assert table == FIELDS[name]
    assert layout_checksums(table) == CHECKSUMS[name]


@pytest.mark.parametrize("name", CLASSES)
def test_reducer_writes_md5_checksum_and_every_field(mod, name):
    cls = klass(mod, name)
    obj = cls.__new__(cls)
    reduced = obj.__reduce__()
    assert reduced[0] is getattr(mod, "__pyx_unpickle_" + name)
    assert reduced[1][0] is cls
    assert reduced[1][1] == CHECKSUMS[name][0]
    assert len(reduced_state(obj)) == FIELD_COUNTS[name]


@pytest.mark.parametrize("which", [0, 1, 2], ids=["md5", "sha256", "sha1"])
@pytest.mark.parametrize("name", CLASSES)
def test_restore_accepts_each_checksum(mod, name, which):
    cls = klass(mod, name)
    restore = getattr(mod, "__pyx_unpickle_" + name)
    obj = restore(cls, CHECKSUMS[name][which], None)
    assert type(obj) is cls
    sub = type("Sub" + name, (cls,), {})
    assert type(restore(sub, CHECKSUMS[name][which], None)) is sub


@pytest.mark.parametrize("name", CLASSES)
def test_restore_refuses_other_checksums(mod, name):
    cls = klass(mod, name)
    restore = getattr(mod, "__pyx_unpickle_" + name)
    other = {"CSootGas": "CSootModel", "CSootModel": "CSootGas"}[name]
    for bad in (CHECKSUMS[name][0] + 1, 0, CHECKSUMS[other][0]):
        with pytest.raises(pickle.PickleError) as info:
            restore(cls, bad, None)
        assert str(info.value).startswith("Incompatible checksums (0x%x vs (" % bad)


@pytest.mark.parametrize("name", CLASSES)
def test_restore_refuses_foreign_types(mod, name):
    cls = klass(mod, name)
    restore = getattr(mod, "__pyx_unpickle_" + name)
    other = {"CSootGas": "CSootModel", "CSootModel": "CSootGas"}[name]
    foreign = [int, object, dict]
    if hasattr(mod, other):
        foreign.append(getattr(mod, other))
    for typ in foreign:
        with pytest.raises(TypeError):
            restore(typ, CHECKSUMS[name][0], None)
    with pytest.raises(TypeError):
        restore(cls, "0x3719456", None)


@pytest.mark.parametrize("name", CLASSES)
def test_restore_checksum_text_formats_like_python(mod, name):
    cls = klass(mod, name)
    restore = getattr(mod, "__pyx_unpickle_" + name)
    with pytest.raises(pickle.PickleError) as info:
        restore(cls, -5, None)
    assert str(info.value).startswith("Incompatible checksums (0x-5 vs (")
    fields = ", ".join(sorted(FIELDS[name]))
    assert str(info.value).endswith(" = (%s))" % fields)


@pytest.mark.parametrize("name", CLASSES)
def test_restore_refuses_foreign_types_as_new_does(mod, name):
    cls = klass(mod, name)
    restore = getattr(mod, "__pyx_unpickle_" + name)
    for typ in (int, 5):
        with pytest.raises(TypeError) as expected:
            cls.__new__(typ)
        with pytest.raises(TypeError) as got:
            restore(typ, CHECKSUMS[name][0], None)
        assert str(got.value) == str(expected.value)


@pytest.mark.parametrize("name", CLASSES)
def test_subclass_instances_always_pickle_their_dict(mod, name):
    # A Python subclass instance has an instance dictionary from the start,
    # whether or not anything has been stored in it yet.
    cls = klass(mod, name)
    sub = type("Sub" + name, (cls,), {})
    obj = sub.__new__(sub)
    first = obj.__reduce__()
    assert len(first) == 3 and first[1] == (sub, CHECKSUMS[name][0], None)
    assert len(first[2]) == FIELD_COUNTS[name] + 1 and first[2][-1] == {}
    obj.__dict__
    assert obj.__reduce__() == first


@pytest.mark.parametrize("name", CLASSES)
def test_copies_call_a_subclass_setstate(mod, name):
    import copy

    cls = klass(mod, name)

    def __setstate__(self, state):
        self.seen = len(state)
        cls.__setstate__(self, state)

    Sub = type("Seeing" + name, (cls,), {"__setstate__": __setstate__})
    globals()[Sub.__name__] = Sub  # found by pickle
    obj = Sub.__new__(Sub)
    obj.tag = "t"
    for twin in (pickle.loads(pickle.dumps(obj)), copy.deepcopy(obj), copy.copy(obj)):
        assert type(twin) is Sub and twin.tag == "t"
        assert twin.seen == FIELD_COUNTS[name] + 1


@pytest.mark.parametrize("name", CLASSES)
def test_deepcopy_follows_a_subclass_reducer(mod, name):
    import copy

    cls = klass(mod, name)
    as_global = type("Global" + name, (cls,), {"__reduce__": lambda self: "ONE"})
    obj = as_global.__new__(as_global)
    assert copy.deepcopy(obj) is obj  # a string names a global: the object itself
    made = []
    own = type("Own" + name, (cls,), {
        "__reduce__": lambda self: (made.append, (self.__class__,))})
    original = own.__new__(own)
    assert copy.deepcopy(original) is None and made == [own]
