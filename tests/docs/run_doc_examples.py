"""Runs the examples of README.md and docs/*.md that can run in a build
tree, so that they cannot drift from what the code does.

A fenced block after a line
  <!-- run -->           is run by bash, line by line, and must not fail;
  <!-- run: python -->   is run by python3 with the module of python/;
  <!-- run: c -->        is compiled as C99 and run on examples/brochure.ps;
  <!-- run: c++ -->      is compiled as C++17 and run the same way;
  <!-- output -->        must be exactly what the block before it printed.
Each runs in a fresh folder holding links to the tree's examples/ and to the
build tree (build/), with the build's `vantrel` first on PATH.

    python3 run_doc_examples.py SOURCE_DIR BUILD_DIR LIBRARY CLI [CC] [CXX]
"""
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

BLOCK = re.compile(r"^<!-- (run(?:: ([\w+]+))?|output) -->\n```[^\n]*\n(.*?)^```$",
                   re.M | re.S)


OPTIONAL_PROGRAMS = ["jq"]
SKIPPED = object()


def blocks(path):
    text = path.read_text(encoding="utf-8")
    for match in BLOCK.finditer(text):
        line = text.count("\n", 0, match.start()) + 1
        kind = "output" if match.group(1) == "output" else \
            (match.group(2) or "sh")
        yield line, kind, match.group(3)


def main():
    source, build, library, cli = (pathlib.Path(a).resolve()
                                   for a in sys.argv[1:5])
    cc = sys.argv[5] if len(sys.argv) > 5 and sys.argv[5] else "cc"
    cxx = sys.argv[6] if len(sys.argv) > 6 and sys.argv[6] else "c++"
    pages = [source / "README.md"] + sorted((source / "docs").glob("*.md"))
    work = pathlib.Path(tempfile.mkdtemp(prefix="vantrel-docs-"))
    bin_dir = work / "bin"
    bin_dir.mkdir()
    (bin_dir / "vantrel").symlink_to(cli)
    env = dict(os.environ, PATH=str(bin_dir) + os.pathsep + os.environ["PATH"],
               VANTREL_LIBRARY=str(library),
               PYTHONPATH=str(source / "python"), PYTHONDONTWRITEBYTECODE="1")
    for name in ("VANTREL_TRACE", "KALOUTPUT", "VANTREL_PLUGIN_PATH",
                 "VANTREL_REGISTRY"):
        env.pop(name, None)
    failures = []
    ran = 0
    # The README is the first page a newcomer reads: detail goes to docs/.
    readme_lines = (source / "README.md").read_text(encoding="utf-8").count("\n")
    if readme_lines >= 150:
        failures.append("README.md has %d lines; keep it under 150 and move "
                        "detail to docs/" % readme_lines)
    try:
        for page in pages:
            last_output = None
            for line, kind, body in blocks(page):
                where = "%s:%d" % (page.relative_to(source), line)
                if kind == "output":
                    if last_output is SKIPPED:
                        last_output = None
                        continue
                    if last_output is None:
                        failures.append(where + ": output of nothing")
                    elif last_output != body:
                        failures.append("%s: the block before printed:\n%s"
                                        % (where, last_output))
                    last_output = None
                    continue
                # A block that needs an optional program (jq) is skipped
                # where that program is missing, with its output.
                missing = [p for p in OPTIONAL_PROGRAMS
                           if re.search(r"\b%s\b" % p, body)
                           and shutil.which(p) is None]
                if kind == "sh" and missing:
                    print("%s: skipped, %s not installed"
                          % (where, ", ".join(missing)))
                    last_output = SKIPPED
                    continue
                folder = pathlib.Path(tempfile.mkdtemp(dir=work))
                (folder / "examples").symlink_to(source / "examples")
                (folder / "tests").symlink_to(source / "tests")
                (folder / "build").symlink_to(build)
                ok, last_output = run(kind, body, folder, env, source, build,
                                      library, cc, cxx)
                ran += 1
                if not ok:
                    failures.append("%s: %s block failed:\n%s"
                                    % (where, kind, last_output))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print(failure)
    print("%d examples run" % ran)
    if ran == 0:
        print("no examples found")
        return 1
    return 1 if failures else 0


def run(kind, body, folder, env, source, build, library, cc, cxx):
    def call(args, stdin=None):
        done = subprocess.run(args, cwd=folder, env=env, input=stdin,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=120)
        return done.returncode == 0, done.stdout.decode("utf-8", "replace"), \
            done.stderr.decode("utf-8", "replace")

    if kind == "sh":
        ok, out, err = call(["bash", "-e", "-o", "pipefail", "-s"],
                            body.encode())
    elif kind == "python":
        ok, out, err = call([sys.executable, "-"], body.encode())
    elif kind in ("c", "c++"):
        name = "host.c" if kind == "c" else "host.cc"
        (folder / name).write_text(body, encoding="utf-8")
        compiler = [cc, "-std=c99"] if kind == "c" else [cxx, "-std=c++17"]
        ok, out, err = call(compiler + [
            "-Wall", "-Werror", name, "-I", str(source / "include"),
            str(library),
            "-Wl,-rpath," + str(library.parent), "-o", "host"])
        if ok:
            ok, out, err = call(["./host", "examples/brochure.ps"])
    else:
        return False, "unknown kind of block: " + kind
    return ok, out if ok else out + err


if __name__ == "__main__":
    sys.exit(main())
