"""Soot formation and growth on top of a Cantera gas object."""
