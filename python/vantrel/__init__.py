"""Job properties from the DSC comments of PostScript and EPS print files.

ctypes over the C API of libvantrel (<vantrel/vantrel_c.h>). Each call
answers the object that `vantrel rules --json` or `vantrel pairs --json`
prints for the job, as a dict:

    >>> vantrel.pairs("job.ps", unit="pt")["pairs"][0]
    {'key': 'CropWidth', 'type': 4, 'value': '612.000000'}

A job that cannot be scanned is not an exception: its object says
"scan": "failed" and gives the "error", as the CLI does. Bad arguments
raise TypeError or ValueError.

The library is loaded on first use: the file that the environment variable
VANTREL_LIBRARY names, else libvantrel found by the system loader.
"""

import ctypes
import ctypes.util
import json
import os
import sys
import threading

__all__ = ["rules", "pairs", "check", "library_version", "MODES", "UNITS"]
__version__ = "0.1.0"

# The CLI's words for the scan modes and units (vantrel --help).
MODES = {"whole": 15, "head": 1, "tail": 2, "both": 3,
         "0": 0, "1": 1, "2": 2, "3": 3, "15": 15}
UNITS = {"mm": b"M", "in": b"I", "pt": b"P", "M": b"M", "I": b"I", "P": b"P"}

_SCAN_BAD_ARGUMENT = 12

_library = None
_lock = threading.Lock()


def _candidates():
    named = os.environ.get("VANTREL_LIBRARY")
    if named:
        return [named]
    if sys.platform == "win32":
        names = ["vantrel.dll", "libvantrel.dll"]
    elif sys.platform == "darwin":
        names = ["libvantrel.0.dylib", "libvantrel.dylib"]
    else:
        names = ["libvantrel.so.0", "libvantrel.so"]
    found = ctypes.util.find_library("vantrel")
    if found:
        names.append(found)
    return names


def _declare(lib):
    result_p = ctypes.c_void_p
    text = ctypes.c_char_p
    size = ctypes.c_size_t
    c_int = ctypes.c_int
    functions = {
        "vantrel_rules_file": ([text, c_int, text], result_p),
        "vantrel_rules_memory": ([ctypes.c_void_p, size, text, c_int, text],
                                 result_p),
        "vantrel_pairs_file": ([text, c_int, ctypes.c_char, c_int], result_p),
        "vantrel_pairs_memory": ([ctypes.c_void_p, size, text, c_int,
                                  ctypes.c_char, c_int], result_p),
        "vantrel_result_status": ([result_p], c_int),
        "vantrel_result_json": ([result_p], text),
        "vantrel_result_free": ([result_p], None),
        "vantrel_version": ([], text),
        "vantrel_check_file": ([text], result_p),
        "vantrel_check_memory": ([ctypes.c_void_p, size, text], result_p),
        "vantrel_check_status": ([result_p], c_int),
        "vantrel_check_json": ([result_p], text),
        "vantrel_check_free": ([result_p], None),
    }
    for name, (argtypes, restype) in functions.items():
        function = getattr(lib, name)
        function.argtypes = argtypes
        function.restype = restype
    return lib


def _lib():
    global _library
    with _lock:
        if _library is None:
            errors = []
            for name in _candidates():
                try:
                    _library = _declare(ctypes.CDLL(name))
                    break
                except (OSError, AttributeError) as error:
                    errors.append("%s: %s" % (name, error))
            else:
                raise OSError("cannot load the vantrel library (set "
                              "VANTREL_LIBRARY to its file): "
                              + "; ".join(errors))
        return _library


def library_version():
    """The version of the loaded libvantrel, "MAJOR.MINOR.PATCH"."""
    return _lib().vantrel_version().decode("ascii")


def _path(source, what):
    try:
        path = os.fspath(source)
    except TypeError:
        raise TypeError("%s must be a path (str or os.PathLike) or bytes-like, "
                        "not %s" % (what, type(source).__name__)) from None
    path = os.fsencode(path)
    if not path:
        raise ValueError("%s is an empty path" % what)
    if b"\0" in path:
        raise ValueError("%s holds a NUL character" % what)
    return path


def _name(name):
    if name is None:
        return None
    encoded = _path(name, "name")
    return encoded


class _Memory:
    """The address and size of a bytes-like job, read in place when the
    object allows it (bytes, writable buffers), else from one copy."""

    def __init__(self, source):
        view = memoryview(source)
        if not view.contiguous:
            view = memoryview(view.tobytes())
        view = view.cast("B")
        self.size = view.nbytes
        if isinstance(source, bytes):
            self._keep = source
            self.address = ctypes.cast(ctypes.c_char_p(source),
                                       ctypes.c_void_p)
        elif self.size == 0:
            self._keep = None
            self.address = None
        elif view.readonly:
            self._keep = view.tobytes()
            self.address = ctypes.cast(ctypes.c_char_p(self._keep),
                                       ctypes.c_void_p)
        else:
            self._keep = (ctypes.c_char * self.size).from_buffer(view)
            self.address = ctypes.cast(self._keep, ctypes.c_void_p)


def _is_bytes_like(source):
    if isinstance(source, (str, os.PathLike)):
        return False
    try:
        memoryview(source)
    except TypeError:
        return False
    return True


def _answer(lib, result):
    if not result:
        raise MemoryError("libvantrel could not make a result")
    try:
        status = lib.vantrel_result_status(result)
        text = lib.vantrel_result_json(result).decode("utf-8")
    finally:
        lib.vantrel_result_free(result)
    if status == _SCAN_BAD_ARGUMENT:
        raise ValueError("libvantrel refused the arguments: " + text)
    return json.loads(text)


def _word(table, value, what):
    if not isinstance(value, str):
        raise TypeError("%s must be a str, one of %s, not %s"
                        % (what, ", ".join(table), type(value).__name__))
    if value not in table:
        raise ValueError("bad %s %r: one of %s"
                         % (what, value, ", ".join(table)))
    return table[value]


def rules(source, skip=0, dex_dir=None, *, name=None):
    """Scans a job on the job-ticket road: the object of `vantrel rules
    --json`.

    source: a path (str or os.PathLike), or bytes-like data scanned in memory.
    skip: 0 to 3; 1 leaves out the job-ticket and copies comments, 2 the XRX
        blocks.
    dex_dir: the existing folder to write DEX job tickets into; None takes
        KALOUTPUT, "" writes none.
    name: for data in memory, the name of the job in the object ("file") and
        in DEX output names; None gives "-", as the CLI names standard input.
    """
    if isinstance(skip, bool) or not isinstance(skip, int):
        raise TypeError("skip must be an int, not %s" % type(skip).__name__)
    if not 0 <= skip <= 3:
        raise ValueError("skip must be 0 to 3, not %d" % skip)
    folder = None
    if dex_dir is not None:
        try:
            folder = os.fsencode(os.fspath(dex_dir))
        except TypeError:
            raise TypeError("dex_dir must be a path or None, not %s"
                            % type(dex_dir).__name__) from None
        if b"\0" in folder:
            raise ValueError("dex_dir holds a NUL character")
    lib = _lib()
    if _is_bytes_like(source):
        memory = _Memory(source)
        result = lib.vantrel_rules_memory(memory.address, memory.size,
                                          _name(name), skip, folder)
    else:
        if name is not None:
            raise TypeError("name is for data in memory; a file is named by "
                            "its path")
        result = lib.vantrel_rules_file(_path(source, "source"), skip, folder)
    return _answer(lib, result)


def pairs(source, mode="whole", unit="mm", bbox=True, *, name=None):
    """Scans a job on the RIP road: the object of `vantrel pairs --json`.

    source: a path (str or os.PathLike), or bytes-like data scanned in memory.
    mode: whole, head, tail, both (or the library's 0, 1, 2, 3, 15).
    unit: mm, in, pt (or M, I, P).
    bbox: False leaves out the bounding-box comments (--no-bbox).
    name: as for rules().
    """
    scan_mode = _word(MODES, mode, "mode")
    unit_char = _word(UNITS, unit, "unit")
    if not isinstance(bbox, (bool, int)):
        raise TypeError("bbox must be a bool, not %s" % type(bbox).__name__)
    with_bbox = 1 if bbox else 0
    lib = _lib()
    if _is_bytes_like(source):
        memory = _Memory(source)
        result = lib.vantrel_pairs_memory(memory.address, memory.size,
                                          _name(name), scan_mode, unit_char,
                                          with_bbox)
    else:
        if name is not None:
            raise TypeError("name is for data in memory; a file is named by "
                            "its path")
        result = lib.vantrel_pairs_file(_path(source, "source"), scan_mode,
                                        unit_char, with_bbox)
    return _answer(lib, result)


def check(source, *, name=None):
    """Checks a job against the DSC, line by line: the object of
    `vantrel check --json`, with "errors", "warnings" and "findings" (each
    with "line", "offset", "level", "code" and "message", sorted by line).

    source: a path (str or os.PathLike), or bytes-like data checked in memory.
    name: as for rules().
    """
    lib = _lib()
    if _is_bytes_like(source):
        memory = _Memory(source)
        result = lib.vantrel_check_memory(memory.address, memory.size,
                                          _name(name))
    else:
        if name is not None:
            raise TypeError("name is for data in memory; a file is named by "
                            "its path")
        result = lib.vantrel_check_file(_path(source, "source"))
    if not result:
        raise MemoryError("libvantrel could not make a result")
    try:
        status = lib.vantrel_check_status(result)
        text = lib.vantrel_check_json(result).decode("utf-8")
    finally:
        lib.vantrel_check_free(result)
    if status == _SCAN_BAD_ARGUMENT:
        raise ValueError("libvantrel refused the arguments: " + text)
    return json.loads(text)
