"""The Python module against the CLI: same jobs, same objects."""

import json
import os
import pathlib
import subprocess
import sys

import pytest

import vantrel

EXAMPLES = pathlib.Path(__file__).resolve().parents[2] / "examples"
JOBS = [EXAMPLES / "brochure.ps", EXAMPLES / "logo.eps",
        EXAMPLES / "jobticket.ps"]
CLI = os.environ.get("VANTREL_CLI")

ATEND = (b"%!PS-Adobe-3.0\n%%BoundingBox: (atend)\n%%Title: (Pipe job)\n"
         b"%%EndComments\n" + b"0 0 moveto 612 792 lineto stroke\n" * 20000
         + b"%%Trailer\n%%BoundingBox: 0 0 612 792\n%%EOF\n")


def cli(*args):
    if CLI is None:
        pytest.skip("VANTREL_CLI names no vantrel tool")
    done = subprocess.run([CLI, *args, "--json"], stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, check=False)
    return json.loads(done.stdout)


@pytest.mark.parametrize("job", JOBS, ids=lambda p: p.name)
def test_a_path_answers_what_the_cli_prints(job, monkeypatch):
    monkeypatch.delenv("KALOUTPUT", raising=False)
    assert vantrel.rules(str(job)) == cli("rules", str(job))
    assert vantrel.rules(job, skip=3) == cli("rules", "--skip", "3", str(job))
    for mode in ("whole", "head", "tail", "both", "0"):
        for unit in ("mm", "in", "pt"):
            assert vantrel.pairs(job, mode=mode, unit=unit) == \
                cli("pairs", "--mode", mode, "--unit", unit, str(job))
    assert vantrel.pairs(job, bbox=False) == cli("pairs", "--no-bbox",
                                                 str(job))


@pytest.mark.parametrize("wrap", [bytes, bytearray, memoryview,
                                  lambda b: memoryview(b).toreadonly()],
                         ids=["bytes", "bytearray", "memoryview", "readonly"])
def test_bytes_are_scanned_in_memory_as_the_file(wrap, tmp_path):
    path = tmp_path / "atend.ps"
    path.write_bytes(ATEND)
    for mode in ("whole", "head", "tail", "both"):
        from_file = vantrel.pairs(path, mode=mode, unit="pt")
        from_memory = vantrel.pairs(wrap(ATEND), mode=mode, unit="pt")
        assert from_memory["file"] == "-"
        from_memory["file"] = str(path)
        assert from_memory == from_file, mode
    job = vantrel.rules(wrap(ATEND), name="spool/7")
    assert job["file"] == "spool/7"
    assert job["scan"] == "ok"
    document = job["rules"][-1]["properties"]
    assert {"name": "Title", "type": 6, "id": 0, "value": "Pipe job"} \
        in document


def test_failed_scans_answer_like_the_cli(tmp_path):
    missing = str(tmp_path / "missing.ps")
    got = vantrel.rules(missing)
    assert got["scan"] == "failed" and got["error"] == "no such file"
    assert got == cli("rules", missing)
    pdf = vantrel.pairs(b"%PDF-1.7\n")
    assert pdf["error"] == "PDF input is not supported"
    assert vantrel.pairs(b"")["scan"] == "ok"


def test_dex_tickets_go_to_the_folder_of_the_call(tmp_path, monkeypatch):
    monkeypatch.delenv("KALOUTPUT", raising=False)
    job = b"%!PS-Adobe-3.0\n%%BeginDexJTData: 12\n<JobTicket/>\n"
    got = vantrel.rules(job, dex_dir=tmp_path, name="in/ticket.ps")
    ticket = tmp_path / "ticket.ps_0.dexxml"
    assert {"name": "DexJTData", "type": 6, "id": 0,
            "value": str(ticket)} in got["rules"][-1]["properties"]
    assert ticket.read_bytes() == b"<JobTicket/>"
    assert "KALOUTPUT" not in os.environ
    missing = tmp_path / "nonexistent"
    failed = vantrel.rules(job, dex_dir=missing, name="ticket.ps")
    assert failed["error"] == "job-ticket data could not be extracted"
    assert failed["detail"] == "%s: No such file or directory" % missing


@pytest.mark.parametrize("call, error", [
    (lambda: vantrel.rules(42), TypeError),
    (lambda: vantrel.rules(None), TypeError),
    (lambda: vantrel.rules(""), ValueError),
    (lambda: vantrel.rules("a\0b"), ValueError),
    (lambda: vantrel.rules(b"", skip=4), ValueError),
    (lambda: vantrel.rules(b"", skip="1"), TypeError),
    (lambda: vantrel.rules(b"", skip=True), TypeError),
    (lambda: vantrel.rules(b"", dex_dir=3), TypeError),
    (lambda: vantrel.rules(b"", name=""), ValueError),
    (lambda: vantrel.rules("job.ps", name="x"), TypeError),
    (lambda: vantrel.pairs(b"", mode="all"), ValueError),
    (lambda: vantrel.pairs(b"", mode=4), ValueError),
    (lambda: vantrel.pairs(b"", mode=True), TypeError),
    (lambda: vantrel.pairs(b"", mode=15.0), TypeError),
    (lambda: vantrel.pairs(b"", unit="cm"), ValueError),
    (lambda: vantrel.pairs(b"", unit=b"M"), TypeError),
    (lambda: vantrel.pairs(b"", bbox="yes"), TypeError),
])
def test_bad_arguments_raise(call, error):
    with pytest.raises(error):
        call()


@pytest.mark.parametrize("mode, word", [(0, "0"), (1, "head"), (2, "tail"),
                                        (3, "both"), (15, "whole"),
                                        ("WHOLE", "whole"), ("Head", "head")])
def test_modes_are_taken_as_numbers_and_in_any_case(mode, word):
    job = EXAMPLES / "brochure.ps"
    assert vantrel.pairs(job, mode=mode, unit="PT") == \
        vantrel.pairs(job, mode=word, unit="pt")


def test_bad_words_name_the_valid_ones():
    with pytest.raises(ValueError, match=r"'cm' \(mm, in, pt\)"):
        vantrel.pairs(b"", unit="cm")
    with pytest.raises(ValueError, match=r"whole, head, tail, both, or 0"):
        vantrel.pairs(b"", mode=4)


@pytest.mark.parametrize("named, says", [
    ("none.so", [b"VANTREL_LIBRARY names", b"none.so"]),
    ("not_a_library.so", [b"VANTREL_LIBRARY names", b"not_a_library.so",
                          b"file too short"]),
])
def test_a_library_that_cannot_be_loaded_is_named_with_why(tmp_path, named,
                                                           says):
    assert vantrel.library_version().count(".") == 2
    (tmp_path / "not_a_library.so").write_bytes(b"plain text")
    env = dict(os.environ, VANTREL_LIBRARY=str(tmp_path / named))
    done = subprocess.run(
        [sys.executable, "-c", "import vantrel; vantrel.pairs(b'')"],
        env=env, stderr=subprocess.PIPE, check=False, cwd=tmp_path)
    assert done.returncode != 0
    for text in says:
        assert text in done.stderr
    assert b"set VANTREL_LIBRARY" not in done.stderr


def test_pages_answer_what_the_cli_prints(tmp_path):
    job = (b"%!PS-Adobe-3.0\n%%Requirements: duplex\n%%EndComments\n"
           b"%%Page: (i) 1\n%%PageMedia: A4\n%%Page: 2 2\n%%Trailer\n")
    path = tmp_path / "job.ps"
    path.write_bytes(job)
    answer = vantrel.pages(path)
    assert answer == cli("pages", str(path))
    assert vantrel.pages(bytearray(job), name=str(path)) == answer
    assert [(p["label"], p["offset"], p["media"]) for p in answer["pages"]] \
        == [("i", 52, "A4"), ("2", 82, None)]
    assert answer["duplex"] == "long-edge"
    for page in answer["pages"]:
        assert job[page["offset"]:].startswith(b"%%Page:")
    with pytest.raises(TypeError):
        vantrel.pages(path, name="x")


def test_check_answers_what_the_cli_prints(tmp_path):
    job = (b"%!PS-Adobe-3.0\n%%Pages: 2\n%%Orientation: landscape\n"
           b"%%EndComments\n%%Page: 1 1\n")
    path = tmp_path / "job.ps"
    path.write_bytes(job)
    answer = vantrel.check(path)
    assert answer == cli("check", str(path))
    assert [(f["line"], f["code"]) for f in answer["findings"]] == \
        [(2, "pages-mismatch"), (3, "unknown-value")]
    assert vantrel.check(job, name="job.ps")["findings"] == answer["findings"]
    assert vantrel.check(EXAMPLES / "brochure.ps")["findings"] == []
