"""Calls between methods enter the C++ bodies directly only while nothing overrides them.

Instances of a Python subclass that overrides nothing take a shortcut remembered per type; an
override added to the class later, or an instance attribute, must still be seen at once.
"""
import pytest

from pyrandel.lib._pyrandel import CSootModel


def fresh_subclass():
    return type("Plain", (CSootModel,), {})


@pytest.mark.parametrize("where", ["class", "instance"])
def test_override_added_after_the_shortcut_is_seen(where):
    cls = fresh_subclass()
    m, ref = cls(), CSootModel()
    assert m.A_Ag() == ref.A_Ag()  # the shortcut is taken and remembered
    if where == "class":
        cls.n_p = lambda self: 2.0
    else:
        m.n_p = lambda: 2.0
    assert m.A_Ag() == 2.0 * ref.A_p()
    if where == "class":
        del cls.n_p
    else:
        del m.n_p
    assert m.A_Ag() == ref.A_Ag()


def test_two_subclasses_do_not_share_their_overrides():
    plain, other = fresh_subclass(), type("Other", (CSootModel,), {"n_p": lambda self: 3.0})
    a, b, ref = plain(), other(), CSootModel()
    for _ in range(2):  # alternate, so that each type in turn is the remembered one
        assert a.A_Ag() == ref.A_Ag()
        assert b.A_Ag() == 3.0 * ref.A_p()
