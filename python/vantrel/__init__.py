"""Job properties from the DSC comments of PostScript and EPS print files.

ctypes over the C API of libvantrel (<vantrel/vantrel_c.h>). Each call
answers the object that `vantrel rules --json` or `vantrel pairs --json`
prints for the job, as a dict:

    >>> vantrel.pairs("job.ps", unit="pt")["pairs"][0]
    {'key': 'CropWidth', 'type': 4, 'value': '612.000000'}

A job that cannot be scanned is not an exception: its object says
"scan": "failed" and gives the "error", as the CLI does (and a "detail"
where the library says more, such as the DEX folder that could not be
written and why). Bad arguments raise TypeError or ValueError.

The library is loaded on first use: the file that the environment variable
VANTREL_LIBRARY names, else libvantrel found by the system loader.

The module is typed (PEP 561): the objects are described by the TypedDicts
below, so that a checker (mypy --strict) sees their keys.
"""

import ctypes
import ctypes.util
import json
import os
import sys
import threading
from typing import (TYPE_CHECKING, Any, Dict, List, Optional, TypedDict,
                    Union, cast)

if TYPE_CHECKING:
    # A job: a path, or bytes-like data scanned in memory.
    Source = Union[str, "os.PathLike[str]", "os.PathLike[bytes]", bytes,
                   bytearray, memoryview]
    # A folder or a name.
    PathText = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]

__all__ = ["rules", "pairs", "pages", "library_version", "MODES", "UNITS",
           "Pair", "Property", "Rule", "PairsReport", "RulesReport",
           "Page", "Medium", "Resources", "PagesReport", "check",
           "Finding", "CheckReport"]
__version__ = "0.1.0"


class Pair(TypedDict):
    """One key/value pair of the RIP road."""
    key: str
    type: int   # 1 int, 2 long, 3 double, 4 float, 5 bool, 6 text, 7 short
    value: str


class Property(TypedDict):
    """One property of a rule."""
    name: str
    type: int   # 0 none, 1 int, 2 long, 3 double, 4 float, 5 bool, 6 text,
    #             8 short
    id: int
    value: str


class Rule(TypedDict):
    """One rule: layer 0 document, 2 booklet, 101 page range."""
    layer: int
    type: int
    first: int
    last: int
    booklet: int
    properties: List[Property]


class _Report(TypedDict):
    file: str
    scan: str   # "ok" or "failed"


class _Failure(_Report, total=False):
    error: str  # only when "scan" is "failed"


class PairsReport(_Failure):
    """The object of `vantrel pairs --json`."""
    pairs: List[Pair]


class RulesReport(_Failure):
    """The object of `vantrel rules --json`."""
    rules: List[Rule]


class Page(TypedDict):
    """One page of the job, in file order."""
    label: str
    ordinal: Optional[int]
    offset: int   # byte offset of its "%%Page:" line in the file
    length: int
    bbox: Optional[List[float]]
    media: Optional[str]
    orientation: Optional[str]
    features: List[str]


class Medium(TypedDict):
    """One medium of %%DocumentMedia."""
    name: str
    width: float
    height: float
    weight: float
    color: str
    type: str


class Resources(TypedDict):
    needed: List[str]
    supplied: List[str]


# "for" is a keyword: the functional form names it.
_PagesFields = TypedDict("_PagesFields", {
    "pages": List[Page], "media": List[Medium], "requirements": List[str],
    "duplex": Optional[str], "collate": Optional[bool],
    "language_level": Optional[int], "for": Optional[str],
    "process_colors": List[str], "resources": Resources})


class PagesReport(_Failure, _PagesFields):
    """The object of `vantrel pages --json`."""


class Finding(TypedDict):
    """One thing a job gets wrong, at its line."""
    line: int     # counted from 1
    offset: int   # byte offset of the line's start in the file
    level: str    # "error" or "warning"
    code: str     # "pages-mismatch", ...
    message: str


class CheckReport(_Failure):
    """The object of `vantrel check --json`."""
    errors: int
    warnings: int
    findings: List[Finding]


# The CLI's words for the scan modes and units (vantrel --help), taken in
# any letter case. A mode may also be given as the library's number.
MODES: Dict[str, int] = {"whole": 15, "head": 1, "tail": 2, "both": 3,
                         "0": 0, "1": 1, "2": 2, "3": 3, "15": 15}
UNITS: Dict[str, bytes] = {"mm": b"M", "in": b"I", "pt": b"P",
                           "m": b"M", "i": b"I", "p": b"P"}

_SCAN_BAD_ARGUMENT = 12

_library: Optional[ctypes.CDLL] = None
_lock = threading.Lock()


def _candidates() -> List[str]:
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


def _declare(lib: ctypes.CDLL) -> ctypes.CDLL:
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
        "vantrel_pages_file": ([text], result_p),
        "vantrel_pages_memory": ([ctypes.c_void_p, size, text], result_p),
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


def _lib() -> ctypes.CDLL:
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
                named = os.environ.get("VANTREL_LIBRARY")
                if named:
                    # The user chose the file: say which and why it failed.
                    raise OSError("cannot load the vantrel library that "
                                  "VANTREL_LIBRARY names: " + errors[0])
                raise OSError("cannot load the vantrel library (set "
                              "VANTREL_LIBRARY to its file): "
                              + "; ".join(errors))
        return _library


def library_version() -> str:
    """The version of the loaded libvantrel, "MAJOR.MINOR.PATCH"."""
    return cast(bytes, _lib().vantrel_version()).decode("ascii")


def _path(source: Any, what: str) -> bytes:
    try:
        text: Union[str, bytes] = os.fspath(source)
    except TypeError:
        raise TypeError("%s must be a path (str or os.PathLike) or bytes-like, "
                        "not %s" % (what, type(source).__name__)) from None
    path = os.fsencode(text)
    if not path:
        raise ValueError("%s is an empty path" % what)
    if b"\0" in path:
        raise ValueError("%s holds a NUL character" % what)
    return path


def _name(name: "Optional[PathText]") -> Optional[bytes]:
    if name is None:
        return None
    encoded = _path(name, "name")
    return encoded


class _Memory:
    """The address and size of a bytes-like job.

    Only `bytes` is read in place: nothing can change it or take its memory
    away while the library reads it. Any other buffer (bytearray,
    memoryview, array, mmap) is copied once, with the interpreter lock held,
    before the scan: the scan runs without the lock, so another thread could
    resize a bytearray under it, and a file mapped by mmap that is truncated
    during the scan would kill the process with SIGBUS.
    """

    def __init__(self, source: Any) -> None:
        self._keep: bytes
        self.address: Optional[ctypes.c_void_p]
        if isinstance(source, bytes):
            self._keep = source
            self.size = len(source)
        else:
            with memoryview(source) as view:
                self._keep = view.tobytes()
            self.size = len(self._keep)
        self.address = (ctypes.cast(ctypes.c_char_p(self._keep),
                                    ctypes.c_void_p)
                        if self.size else None)


def _is_bytes_like(source: Any) -> bool:
    if isinstance(source, (str, os.PathLike)):
        return False
    try:
        memoryview(source)
    except TypeError:
        return False
    return True


def _answer(lib: ctypes.CDLL, result: Optional[int],
            kind: str = "result") -> Any:
    """The JSON object of a result of the C API, which it frees. `kind`:
    "result" for vantrel_result, "check" for vantrel_check_result."""
    if not result:
        raise MemoryError("libvantrel could not make a result")
    try:
        status = getattr(lib, "vantrel_%s_status" % kind)(result)
        raw = cast(bytes, getattr(lib, "vantrel_%s_json" % kind)(result))
        text = raw.decode("utf-8")
    finally:
        getattr(lib, "vantrel_%s_free" % kind)(result)
    if status == _SCAN_BAD_ARGUMENT:
        raise ValueError("libvantrel refused the arguments: " + text)
    return json.loads(text)


def _word(table: Dict[str, Any], value: object, what: str,
          numbers: bool = False) -> Any:
    """The table's entry for a word, in any letter case; with `numbers`, an
    int is taken as the library's number when the table has it."""
    shown = ", ".join(word for word in table if not word[0].isdigit()
                      and not len(word) == 1)
    if numbers:
        shown += ", or " + ", ".join(w for w in table if w[0].isdigit())
    if numbers and isinstance(value, int) and not isinstance(value, bool):
        value = str(value)
    if not isinstance(value, str):
        raise TypeError("%s must be a str%s (%s), not %s"
                        % (what, " or an int" if numbers else "", shown,
                           type(value).__name__))
    entry = table.get(value.lower())
    if entry is None:
        raise ValueError("bad %s %r (%s)" % (what, value, shown))
    return entry


def rules(source: "Source", skip: int = 0,
          dex_dir: "Optional[PathText]" = None, *,
          name: "Optional[PathText]" = None) -> RulesReport:
    """Scans a job on the job-ticket road: the object of `vantrel rules
    --json`.

    source: a path (str or os.PathLike), or bytes-like data scanned in memory
        (bytes in place; any other buffer, mmap included, from a copy).
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
    return cast(RulesReport, _answer(lib, result))


def pairs(source: "Source", mode: Union[str, int] = "whole",
          unit: str = "mm", bbox: bool = True, *,
          name: "Optional[PathText]" = None) -> PairsReport:
    """Scans a job on the RIP road: the object of `vantrel pairs --json`.

    source: a path (str or os.PathLike), or bytes-like data scanned in memory
        (bytes in place; any other buffer, mmap included, from a copy).
    mode: whole, head, tail, both (in any letter case), or the library's
        0, 1, 2, 3, 15 as an int or a str.
    unit: mm, in, pt (or M, I, P), in any letter case.
    bbox: False leaves out the bounding-box comments (--no-bbox).
    name: as for rules().
    """
    scan_mode = _word(MODES, mode, "mode", numbers=True)
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
    return cast(PairsReport, _answer(lib, result))


def _whole_job(road: str, kind: str, source: "Source",
               name: "Optional[PathText]") -> Any:
    """Runs a road that takes only the job (pages, check) on a path or on
    bytes-like data; answers its object."""
    lib = _lib()
    if _is_bytes_like(source):
        memory = _Memory(source)
        result = getattr(lib, "vantrel_%s_memory" % road)(
            memory.address, memory.size, _name(name))
    else:
        if name is not None:
            raise TypeError("name is for data in memory; a file is named by "
                            "its path")
        result = getattr(lib, "vantrel_%s_file" % road)(
            _path(source, "source"))
    return _answer(lib, result, kind)


def pages(source: "Source", *,
          name: "Optional[PathText]" = None) -> PagesReport:
    """Scans a job on the pages road: the object of `vantrel pages --json`,
    with the job's pages (label, ordinal, byte offset and length, bbox,
    media, orientation, features), its media, requirements, duplex, collate,
    language level, owner ("for"), process colours and resources.

    source: a path (str or os.PathLike), or bytes-like data scanned in memory
        (bytes in place; any other buffer, mmap included, from a copy).
    name: as for rules().
    """
    return cast(PagesReport, _whole_job("pages", "result", source, name))


def check(source: "Source", *,
          name: "Optional[PathText]" = None) -> CheckReport:
    """Checks a job against the DSC, line by line: the object of
    `vantrel check --json`, with "errors", "warnings" and "findings" (each
    with "line", "offset", "level", "code" and "message", sorted by line).

    source: a path (str or os.PathLike), or bytes-like data checked in memory
        (bytes in place; any other buffer, mmap included, from a copy).
    name: as for rules().
    """
    return cast(CheckReport, _whole_job("check", "check", source, name))
