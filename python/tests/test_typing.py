"""The type hints, checked by mypy in strict mode over the package and a
user of it (typed_user.py); skipped where mypy is not installed."""

import pathlib
import subprocess
import sys

import pytest

import vantrel

HERE = pathlib.Path(__file__).resolve().parent
PACKAGE = pathlib.Path(vantrel.__file__).resolve().parent

# Faults a checker must find in a user's code, one per line.
BAD_USES = [
    'vantrel.pairs("job.ps", mode=1.5)',
    'vantrel.pairs("job.ps", unit=1)',
    'vantrel.rules(42)',
    'vantrel.rules("job.ps", skip="1")',
    'x: int = vantrel.rules("job.ps")["rules"][0]["properties"][0]["value"]',
    'vantrel.pairs("job.ps")["rules"]',
]


def mypy(*args):
    try:
        import mypy  # noqa: F401
    except ImportError:
        pytest.skip("mypy is not installed (Debian: mypy)")
    return subprocess.run(
        [sys.executable, "-m", "mypy", "--strict", "--no-incremental",
         "--cache-dir=/dev/null", *args],
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, check=False,
        cwd=str(PACKAGE.parent))


def test_package_is_marked_typed():
    assert (PACKAGE / "py.typed").is_file()


def test_package_and_a_user_check_clean_in_strict_mode():
    done = mypy(str(PACKAGE), str(HERE / "typed_user.py"))
    assert done.returncode == 0, done.stdout.decode()


def test_each_wrong_use_is_reported(tmp_path):
    user = tmp_path / "bad_user.py"
    user.write_text("import vantrel\n" + "\n".join(BAD_USES) + "\n")
    done = mypy(str(user))
    reported = {int(line.split(":")[1])
                for line in done.stdout.decode().splitlines()
                if line.startswith(str(user)) and ": error:" in line}
    assert reported == set(range(2, len(BAD_USES) + 2)), \
        done.stdout.decode()
