"""Soot formation and growth on top of a Cantera gas object."""
try:
    from pyrandel._version import version as __version__
except ImportError:  # a source checkout that was never installed
    __version__ = "0+unknown"
