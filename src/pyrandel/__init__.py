"""Soot formation and growth on top of a Cantera gas object."""
from importlib.metadata import PackageNotFoundError, version

try:
    __version__ = version("pyrandel")
except PackageNotFoundError:  # a source checkout that was never installed
    __version__ = "0+unknown"

del PackageNotFoundError, version
