"""What a host hands over, or the folder it runs in, cannot hurt it."""

import os
import pathlib
import shutil
import subprocess
import sys
import textwrap

import pytest

LIBRARY = os.environ.get("VANTREL_LIBRARY")
EXAMPLES = pathlib.Path(__file__).resolve().parents[2] / "examples"


def run_host(script, cwd, env_library):
    """Runs `script` in a fresh interpreter (a crash there is an exit code
    here); answers (returncode, stdout)."""
    env = dict(os.environ, VANTREL_LIBRARY=env_library)
    env.pop("VANTREL_PLUGIN_PATH", None)
    env.pop("KALOUTPUT", None)
    done = subprocess.run([sys.executable, "-c", textwrap.dedent(script)],
                          cwd=cwd, env=env, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, check=False, timeout=120)
    return done.returncode, done.stdout.decode(), done.stderr.decode()


@pytest.mark.skipif(not hasattr(os, "truncate"), reason="needs truncate")
def test_a_mapped_file_truncated_during_the_call_does_not_kill_the_host(
        tmp_path):
    if LIBRARY is None:
        pytest.skip("VANTREL_LIBRARY names no library")
    job = tmp_path / "mapped.ps"
    # 64 MB: large enough that a scan in place would still be reading the
    # mapping when the file shrinks under it.
    job.write_bytes(b"%!PS-Adobe-3.0\n%%BoundingBox: 0 0 612 792\n"
                    b"%%EndComments\n"
                    + b"0 0 moveto 612 792 lineto stroke\n" * 2_000_000
                    + b"%%EOF\n")
    # The file is cut to nothing just as the library is called: whatever it
    # reads then must not be the mapping.
    code, out, err = run_host("""
        import mmap, os, sys, vantrel
        path = sys.argv[1] if len(sys.argv) > 1 else %r
        with open(path, "r+b") as f:
            mapped = mmap.mmap(f.fileno(), 0)
            lib = vantrel._lib()
            real = lib.vantrel_pairs_memory
            def cut_then_scan(*args):
                os.truncate(path, 0)
                return real(*args)
            lib.vantrel_pairs_memory = cut_then_scan
            answer = vantrel.pairs(mapped, unit="pt")
            print(answer["scan"], answer["pairs"][0]["value"])
    """ % str(job), tmp_path, LIBRARY)
    assert code == 0, err
    assert out == "ok 612.000000\n"


def test_a_library_loaded_by_a_relative_name_takes_no_plugin_from_the_folder_a_host_moves_to(  # noqa: E501
        tmp_path):
    if LIBRARY is None:
        pytest.skip("VANTREL_LIBRARY names no library")
    library = pathlib.Path(LIBRARY).resolve()
    plugin = library.parent / "examples" / "xrx_plugin" / "libXRXParseDLL.so"
    if not plugin.exists():
        pytest.skip("no example plug-in beside the library")
    # The host loads the library as "build/libvantrel.so" from `start`,
    # then moves to `elsewhere`, where build/ holds a plug-in.
    start = tmp_path / "start"
    (start / "build").mkdir(parents=True)
    shutil.copy(library, start / "build" / "libvantrel.so")
    elsewhere = tmp_path / "elsewhere"
    (elsewhere / "build").mkdir(parents=True)
    shutil.copy(plugin, elsewhere / "build" / plugin.name)
    job = EXAMPLES / "jobticket.ps"
    code, out, err = run_host("""
        import os, vantrel
        vantrel.library_version()
        os.chdir(%r)
        rules = vantrel.rules(%r)["rules"]
        print(len(rules), any(p["name"] == "Finishing"
                              for r in rules for p in r["properties"]))
    """ % (str(elsewhere), str(job)), start, "build/libvantrel.so")
    assert code == 0, err
    assert out.split()[1] == "False", out
