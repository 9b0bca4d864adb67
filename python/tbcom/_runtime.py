"""Loading the library and calling its exports through ctypes.

The generated module (_exports.py) describes every export as a dict of the
export table (argument kinds, directions, longest texts) and defines one
function per export that hands its arguments to `call`. Everything that
depends on an argument's kind lives here: the ctypes type, how a Python value
becomes a C argument, and how an output comes back.
"""
import ctypes
import os
import sys

TEXT_ENCODING = "gbk"
# Device replies may hold bytes that are not GBK; they come back as lone
# surrogates, and text.encode("gbk", "surrogateescape") restores them.
TEXT_ERRORS = "surrogateescape"

SCALAR_TYPES = {
    "u8": ctypes.c_uint8,
    "i32": ctypes.c_int32,
    "handle": ctypes.c_uint32,
    "double": ctypes.c_double,
    "single": ctypes.c_float,
}
POINTER_TYPES = {
    "text_in": ctypes.c_char_p,
    "text_out": ctypes.POINTER(ctypes.c_char_p),
    "text_ptr_out": ctypes.POINTER(ctypes.c_char_p),
    "text_slots": ctypes.POINTER(ctypes.c_char_p),
    "i32_out": ctypes.POINTER(ctypes.c_int32),
    "double_out": ctypes.POINTER(ctypes.c_double),
    "handle_inout": ctypes.POINTER(ctypes.c_uint32),
    "double_array": ctypes.POINTER(ctypes.c_double),
    "i32_array": ctypes.POINTER(ctypes.c_int32),
}
RESULT_TYPES = {
    "void": None,
    "bool": ctypes.c_uint8,
    "i32": ctypes.c_int32,
    "handle": ctypes.c_uint32,
    "double": ctypes.c_double,
}
# Integer kinds are checked against their C range: ctypes would silently keep
# the low bits, and position 256 would become position 0, the broadcast.
INT_RANGES = {
    "u8": (0, 0xFF),
    "i32": (-(1 << 31), (1 << 31) - 1),
    "handle": (0, 0xFFFFFFFF),
}


def argtype(kind):
    return SCALAR_TYPES.get(kind) or POINTER_TYPES[kind]


def restype(result):
    return RESULT_TYPES[result]


class TextSlots:
    """Slots the library fills with pointers to buffers of its own (the
    text_slots arguments). Indexing gives a slot's text as str, or None for
    an empty slot; pass the same object on to the export that releases the
    buffers."""

    def __init__(self, count):
        self.array = (ctypes.c_char_p * count)()

    def __len__(self):
        return len(self.array)

    def __getitem__(self, index):
        return decode(self.array[index])

    def texts(self):
        return [self[i] for i in range(len(self))]

    def __repr__(self):
        return f"TextSlots({self.texts()!r})"


def decode(raw):
    return None if raw is None else raw.decode(TEXT_ENCODING, TEXT_ERRORS)


def encode(name, value):
    """A text-in argument: str as GBK, bytes as they are, None as NULL."""
    if value is None:
        return None
    if isinstance(value, str):
        value = value.encode(TEXT_ENCODING, TEXT_ERRORS)
    elif not isinstance(value, (bytes, bytearray)):
        raise TypeError(f"{name}: a text (str or bytes) or None expected, not {type(value).__name__}")
    if b"\0" in value:
        raise ValueError(f"{name}: a text cannot hold a zero byte")
    return bytes(value)


def integer(name, kind, value):
    if isinstance(value, bool) or not isinstance(value, int):
        if not hasattr(value, "__index__"):
            raise TypeError(f"{name}: an integer expected, not {type(value).__name__}")
        value = value.__index__()
    low, high = INT_RANGES[kind]
    if not low <= value <= high:
        raise ValueError(f"{name}: {value} is outside {low}..{high}")
    return value


def number(name, value):
    if isinstance(value, (str, bytes)) or not hasattr(value, "__float__"):
        raise TypeError(f"{name}: a number expected, not {type(value).__name__}")
    return float(value)


def library_candidates():
    """Where the library is looked for: $TBCOM_LIBRARY, then the build tree
    this package was generated into (build/<preset>/python/tbcom beside
    build/<preset>/libtbcom.so or tbcom.dll)."""
    env = os.environ.get("TBCOM_LIBRARY")
    if env:
        return [env]
    build = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    names = ["tbcom.dll", "libtbcom.dll"] if sys.platform == "win32" else ["libtbcom.so"]
    return [os.path.join(build, n) for n in names]


def open_library(path=None):
    """The shared library as a ctypes object: WinDLL on Windows (stdcall on
    32-bit; on 64-bit it is the one calling convention), CDLL elsewhere."""
    loader = ctypes.WinDLL if sys.platform == "win32" else ctypes.CDLL
    paths = [path] if path else library_candidates()
    for p in paths:
        if os.path.exists(p):
            return loader(os.path.abspath(p))
    raise OSError("tbcom library not found (looked for " + ", ".join(paths) +
                  "); set TBCOM_LIBRARY to its path")


class Library:
    """The loaded library with argtypes and restype set on every export of
    the table."""

    def __init__(self, exports, path=None):
        self.dll = open_library(path)
        self.path = self.dll._name
        for e in exports:
            fn = getattr(self.dll, e["name"])
            fn.argtypes = [argtype(a["kind"]) for a in e["args"]]
            fn.restype = restype(e["result"])

    def function(self, name):
        return getattr(self.dll, name)


_loaded = None


def load(exports, path=None):
    global _loaded
    _loaded = Library(exports, path)
    return _loaded


def loaded(exports):
    return _loaded or load(exports)


class _Prepared:
    """One call's C arguments and the objects its outputs are read from."""

    def __init__(self, export, values):
        self.export = export
        self.c_args = []
        self.outputs = []  # (kind, object, size) in argument order
        # The argument holding an array's highest index is not passed by the
        # caller: it is the sequence's length - 1 (-1 for None, the NULL array).
        highest = {a["high"]: -1 if values[a["name"]] is None else len(values[a["name"]]) - 1
                   for a in export["args"] if a.get("high")}
        for a in export["args"]:
            if a["name"] in highest:
                self.c_args.append(highest[a["name"]])
            else:
                self.c_args.append(self._arg(a, values.get(a["name"])))

    def _arg(self, a, value):
        name, kind, size = a["name"], a["kind"], a["size"]
        if kind in INT_RANGES:
            return integer(name, kind, value)
        if kind in ("double", "single"):
            return number(name, value)
        if kind == "text_in":
            return encode(name, value)
        if kind == "text_out":
            initial = encode(name, value) or b""
            if len(initial) > size:
                raise ValueError(f"{name}: the buffer holds at most {size} characters")
            buf = ctypes.create_string_buffer(initial, size + 1)
            ref = ctypes.c_char_p(ctypes.addressof(buf))
            self.outputs.append((kind, buf, size))
            return ctypes.pointer(ref)
        if kind == "text_ptr_out":
            ptrs = (ctypes.c_char_p * size)()
            self.outputs.append((kind, ptrs, size))
            return ptrs
        if kind == "text_slots":
            slots = TextSlots(size) if value is None else value
            if not isinstance(slots, TextSlots) or len(slots) != size:
                raise TypeError(f"{name}: TextSlots of {size} slots or None expected")
            self.outputs.append((kind, slots, size))
            return slots.array
        if kind in ("i32_out", "double_out"):
            cell = ctypes.c_int32(0) if kind == "i32_out" else ctypes.c_double(0.0)
            self.outputs.append((kind, cell, 0))
            return ctypes.pointer(cell)
        if kind == "handle_inout":
            cell = ctypes.c_uint32(integer(name, "handle", value))
            self.outputs.append((kind, cell, 0))
            return ctypes.pointer(cell)
        if kind in ("double_array", "i32_array"):
            if value is None:
                return None
            if kind == "i32_array":
                items = [integer(name, "i32", v) for v in value]
                return (ctypes.c_int32 * len(items))(*items)
            return (ctypes.c_double * len(value))(*[number(name, v) for v in value])
        raise TypeError(f"{name}: unknown argument kind {kind}")

    def results(self, raw):
        r = self.export["result"]
        value = None if r == "void" else bool(raw) if r == "bool" else raw
        outs = [read_output(kind, obj, size) for kind, obj, size in self.outputs]
        return value, outs


def read_output(kind, obj, size):
    if kind == "text_out":
        return obj.raw[:size + 1].split(b"\0", 1)[0].decode(TEXT_ENCODING, TEXT_ERRORS)
    if kind == "text_ptr_out":
        texts = tuple(decode(obj[i]) for i in range(size))
        return texts[0] if size == 1 else texts
    if kind == "text_slots":
        return obj
    return obj.value


def call(exports, export, result_type, values):
    """Calls one export with the inputs in `values` (argument name -> value).
    Without outputs the result alone comes back, with outputs a
    `result_type` named tuple (returned, <outputs in argument order>)."""
    prepared = _Prepared(export, values)
    raw = loaded(exports).function(export["name"])(*prepared.c_args)
    value, outs = prepared.results(raw)
    return result_type(value, *outs) if result_type else value
