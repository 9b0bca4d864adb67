"""tbcom from Python: one function per export of include/tbcom.h, over ctypes.

The functions are generated from the header at build time, so
build/<preset>/python holds the importable package:

    PYTHONPATH=build/native/python python3 -c "import tbcom; print(tbcom.GetStdConst())"

Calling rules (the same for every export):

  - A function takes the export's inputs in the header's order and under
    its names: numbers, texts (str is sent as GBK, bytes as they are, None
    as NULL), arrays as sequences (the argument holding an array's highest
    index is not passed: it is the sequence's length - 1), a port handle
    that the export may change (pass the current one), and the TextSlots
    that an export fills or releases (None: fresh empty slots).
  - Integers are checked against their C type (byte, 32-bit, handle):
    ValueError instead of a silently truncated value.
  - Results: bool for the boolean exports, int for the 32-bit and handle
    results (the "_gFun" family's -1 / 2 included), float for double, None
    for void.
  - An export without outputs returns its result alone. One with outputs
    returns a named tuple <Export>_Result(returned, <outputs in argument
    order>): texts written into a buffer as str (GBK decoded; the buffer is
    the header's longest text + 1 bytes), numbers, the new port handle,
    library texts as str (a tuple of them when the export receives several
    pointers), TextSlots.
  - A text-out buffer starts empty; the keyword argument of its name gives
    its content on entry (StdMeter_Read's request word: data="MeterData").

The library is loaded on the first call: from $TBCOM_LIBRARY, else the build
tree the package was generated into. load(path) loads it explicitly.
"""
from . import _runtime
from ._exports import *  # noqa: F401,F403  (the generated functions)
from ._exports import EXPORTS, FAMILIES, __all__ as _export_names
from ._runtime import TextSlots


def load(path=None):
    """Loads the library (from `path`, $TBCOM_LIBRARY or the build tree),
    sets argtypes and restype on every export and returns it; later calls
    go to this one."""
    return _runtime.load(EXPORTS, path)


def library():
    """The loaded library (loaded now if no call has loaded it yet)."""
    return _runtime.loaded(EXPORTS)


__all__ = ["EXPORTS", "FAMILIES", "TextSlots", "load", "library"] + list(_export_names)
