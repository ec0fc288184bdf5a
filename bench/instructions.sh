#!/bin/sh
# Instruction counts of the scan engine, each beside a comparison counted in
# the same run: vantrel_instr_bench under valgrind's callgrind, counting only
# the work inside vib_counted() (see bench/README.md). Counts do not move
# with the machine's load, which timings on a shared machine do.
#
#   bench/instructions.sh [BUILD_DIR] [--out DIR] [--before OLD_BUILD_DIR]
#
# BUILD_DIR (default ./build-bench) must hold bench/vantrel_instr_bench,
# built beforehand: this script builds nothing. Inputs are made in a
# temporary folder, removed on exit. --out DIR keeps each run's callgrind
# file (NAME.out), what the program printed (NAME.txt) and callgrind_annotate
# of it, inclusive (NAME.inclusive.txt) and by function alone (NAME.self.txt),
# in DIR. --before OLD_BUILD_DIR counts the same work with another build's
# program first (an earlier commit's), on the same inputs in the same run,
# and prints its table before this build's.
# The exit status is 0 whatever the figures are; 1 when a figure could not
# be measured, 2 on a bad command line or a missing tool.
set -u

build=./build-bench
out=
before=
while [ $# -gt 0 ]; do
  case $1 in
    --out) [ $# -ge 2 ] || { echo "usage: $0 [BUILD_DIR] [--out DIR]" >&2; exit 2; }
           out=$2; shift 2 ;;
    --out=*) out=${1#--out=}; shift ;;
    --before) [ $# -ge 2 ] || { echo "usage: $0 [BUILD_DIR] [--out DIR] [--before OLD_BUILD_DIR]" >&2; exit 2; }
           before=$2; shift 2 ;;
    -h|--help) sed -n '2,20s/^# \{0,1\}//p' "$0"; exit 0 ;;
    -*) echo "usage: $0 [BUILD_DIR] [--out DIR]" >&2; exit 2 ;;
    *) build=$1; shift ;;
  esac
done

bin=$build/bench/vantrel_instr_bench
for b in "$bin" ${before:+"$before/bench/vantrel_instr_bench"}; do
  if [ ! -x "$b" ]; then
    echo "$0: no $b; build it first:" >&2
    echo "  cmake --preset bench && cmake --build build-bench --target vantrel_instr_bench" >&2
    exit 2
  fi
done
for tool in valgrind callgrind_annotate groff awk; do
  command -v "$tool" >/dev/null 2>&1 || { echo "$0: $tool not found" >&2; exit 2; }
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-instr.XXXXXX") || exit 2
trap 'rm -rf "$tmp"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
if [ -n "$out" ]; then
  mkdir -p "$out" || exit 2
else
  out=$tmp/out
  mkdir "$out"
fi

# Nothing from the caller's environment steers the scans: no ticket folder,
# no settings file, no plug-in folder, no trace.
unset KALOUTPUT VANTREL_REGISTRY VANTREL_PLUGIN_PATH VANTREL_TRACE

start=$(date +%s)

# ---------------------------------------------------------------- inputs
# The job: a long troff -ms report (numbered sections, paragraphs with bold
# and italic words, bullet lists) typeset by groff into about 20 MB of
# PostScript. The words cycle through a fixed list and SOURCE_DATE_EPOCH
# fixes %%CreationDate, so the job is the same bytes on every run with the
# same groff.
awk -v paras=22800 '
BEGIN {
  n = split("lorem ipsum dolor sit amet consectetur adipiscing elit sed do " \
            "eiusmod tempor incididunt ut labore et dolore magna aliqua enim " \
            "ad minim veniam quis nostrud exercitation ullamco laboris nisi " \
            "aliquip ex ea commodo consequat duis aute irure in reprehenderit " \
            "voluptate velit esse cillum fugiat nulla pariatur", w, " ")
  print ".TL"; print "Synthetic report"; print ".AU"; print "Benchmark"
  for (p = 1; p <= paras; p++) {
    if (p % 12 == 1) { print ".NH"; print "Section " int(p / 12 + 1) " " w[1 + p % n] }
    if (p % 7 == 3) {
      for (k = 1; k <= 3; k++) {
        print ".IP \\(bu 2"
        print w[1 + (p + k) % n] " " w[1 + (p * k) % n] " " w[1 + (p + 3 * k) % n]
      }
    }
    print ".PP"
    s = ""
    for (i = 0; i < 70; i++) {
      word = w[1 + (p * 7 + i * 13) % n]
      if (i % 17 == 5) word = "\\fB" word "\\fP"
      else if (i % 23 == 11) word = "\\fI" word "\\fP"
      s = s word (i % 10 == 9 ? "\n" : " ")
    }
    printf "%s\n", s
  }
}' > "$tmp/job.tr" || exit 1
SOURCE_DATE_EPOCH=0 groff -ms -Tps "$tmp/job.tr" > "$tmp/job.ps" || {
  echo "$0: groff failed" >&2; exit 1; }
rm -f "$tmp/job.tr"
job=$tmp/job.ps
job_bytes=$(wc -c < "$job")
job_pages=$(grep -c '^%%Page:' "$job")
# The 20 KB document of the scan benchmark, and 20 MB of lines of 2 to 41
# "%" signs (its input (g) at another size).
inputs=$("$bin" inputs "$tmp" 20) || exit 1
field() { # field KEY TEXT: the value of KEY=value in TEXT
  printf '%s\n' "$2" | tr ' ' '\n' | sed -n "s/^$1=//p" | head -n 1
}
small=$(field small "$inputs")
small_bytes=$(field small_bytes "$inputs")
percents=$(field percents "$inputs")
percents_bytes=$(field percents_bytes "$inputs")
percents_lines=$(field percents_lines "$inputs")

failed=0
# measure PROGRAM OUT LABEL: counts every piece of work with PROGRAM, keeps
# the files in OUT, prints the table.
measure() {
bin=$1
out=$2
label=$3
mkdir -p "$out" || exit 2
# ------------------------------------------------------------------ runs
# count NAME ARGS...: runs the program under callgrind, leaves its output
# in $out/NAME.txt and the instructions counted in vib_counted() in
# $out/NAME.count.
count() {
  name=$1
  shift
  if valgrind --tool=callgrind --toggle-collect=vib_counted \
       --callgrind-out-file="$out/$name.out" "$bin" "$@" \
       > "$out/$name.txt" 2> "$out/$name.log"; then
    sed -n 's/^summary: *//p' "$out/$name.out" > "$out/$name.count"
    callgrind_annotate --inclusive=yes "$out/$name.out" \
      > "$out/$name.inclusive.txt" 2>/dev/null
    callgrind_annotate "$out/$name.out" > "$out/$name.self.txt" 2>/dev/null
  else
    echo "$0: run $name failed; see $out/$name.log" >&2
    echo "" > "$out/$name.count"
    failed=1
  fi
}

count read_pass         read-pass "$job"
count rules_file        rules-file "$job" --warmup "$small"
count pairs_file        pairs-file "$job" 15 --warmup "$small"
count memory_pass       memory-pass "$job"
count rules_memory      rules-memory "$job" --warmup "$small"
calls=100
count head_tail         pairs-file "$small" 3 $calls --warmup "$small"
count head_tail_first   pairs-file "$small" 3 1
count rules_percents    rules-file "$percents" --warmup "$small"

# ----------------------------------------------------------------- table
n() { cat "$out/$1.count"; }
status() { field status "$(cat "$out/$1.txt" 2>/dev/null)"; }

echo "Instruction counts (callgrind, valgrind $(valgrind --version | sed 's/^valgrind-//'))${label:+: $label}"
echo "program: $bin"
echo "job:     $(groff --version | head -n 1), troff -ms report, $job_bytes bytes, $job_pages pages"
echo "small:   20 KB document of the scan benchmark, $small_bytes bytes"
echo "(g):     lines of 2 to 41 \"%\" signs, $percents_bytes bytes, $percents_lines lines"
echo "Counted: only the work itself; parser objects made and one warm-up call"
echo "on the small file (same road) before it, except the \"first call\" row."
echo

awk -v sep='|' \
    -v rp="$(n read_pass)" -v rf="$(n rules_file)" -v pf="$(n pairs_file)" \
    -v mp="$(n memory_pass)" -v rm="$(n rules_memory)" \
    -v ht="$(n head_tail)" -v htf="$(n head_tail_first)" \
    -v rpc="$(n rules_percents)" -v calls=$calls -v lines="$percents_lines" \
    -v s1="$(status rules_file)" -v s2="$(status pairs_file)" \
    -v s3="$(status rules_memory)" -v s4="$(status head_tail)" \
    -v s5="$(status rules_percents)" '
function fmt(x,   s, head) {
  if (x == "") return "-"
  s = sprintf("%.0f", x); head = ""
  while (length(s) > 3) { head = "," substr(s, length(s) - 2) head; s = substr(s, 1, length(s) - 3) }
  return s head
}
function row(work, count, cmp_name, cmp, figure, unit, target, st,   verdict, fig) {
  if (count == "" || figure == "") { verdict = "ERROR"; fig = "-" }
  else {
    verdict = (figure <= target) ? "PASS" : "MISS"
    fig = figure >= 1000 ? fmt(figure) : sprintf("%.2f%s", figure, unit)
  }
  if (st != "" && st != "ok") verdict = verdict " (status " st ")"
  printf "| %-44s | %13s | %-30s | %13s | %12s | <= %-9s | %-7s |\n", work, fmt(count), cmp_name, fmt(cmp), fig, (target >= 1000 ? fmt(target) : target) unit, verdict
}
BEGIN {
  printf "| %-44s | %13s | %-30s | %13s | %12s | %-12s | %-7s |\n", "work", "instructions", "comparison", "comparison", "figure", "target", "verdict"
  printf "|%s|%s|%s|%s|%s|%s|%s|\n", "----------------------------------------------", "--------------:", "--------------------------------", "--------------:", "-------------:", "--------------", "---------"
  row("1 job-ticket road, whole file, groff job", rf, "read() + memchr(\"%\") pass", rp, (rf != "" && rp > 0) ? rf / rp : "", "x", 1.8, s1)
  row("2 RIP road mode 15, whole file, groff job", pf, "read() + memchr(\"%\") pass", rp, (pf != "" && rp > 0) ? pf / rp : "", "x", 1.3, s2)
  row("3 C API rules road, groff job in memory", rm, "memchr(\"%\") pass in memory", mp, (rm != "" && mp > 0) ? rm / mp : "", "x", 1.8, s3)
  row("4 RIP road head+tail (mode 3), 20 KB file", ht, sprintf("instructions / %d calls", calls), "", ht != "" ? ht / calls : "", "", 20000, s4)
  row("5 job-ticket road, whole file, (g) % lines", rpc, "lines", lines, (rpc != "" && lines > 0) ? rpc / lines : "", "", 100, s5)
  printf "| %-44s | %13s | %-30s | %13s | %12s | %-12s | %-7s |\n", "  (4 without warm-up: first call of process)", fmt(htf), "information only", "-", htf == "" ? "-" : fmt(htf), "-", "-"
}'

}

base_out=$out
if [ -n "$before" ]; then
  measure "$before/bench/vantrel_instr_bench" "$base_out/before" "before ($before)"
  echo
fi
measure "$build/bench/vantrel_instr_bench" "$base_out" "${before:+after ($build)}"
echo
echo "figure: 1-3 instructions / comparison, 4 instructions per call,"
echo "5 instructions per line; $(($(date +%s) - start)) s."
if [ "$out" != "$tmp/out" ]; then
  echo "callgrind files, program output and annotations: $out"
fi
exit $failed
