#!/usr/bin/env bash
# The bash completion offers what the tool takes: every option that
# "vantrel COMMAND --help" lists, and the words of --mode, --unit and --skip.
#   completion_test.sh path/to/vantrel path/to/vantrel.bash-completion
set -euo pipefail
cli=$1
source "$2"
complete_words() {  # words... (the last one is being completed)
  COMP_WORDS=(vantrel "$@")
  COMP_CWORD=$#
  COMPREPLY=()
  _vantrel
  printf '%s\n' "${COMPREPLY[@]}"
}
fail=0
for command in pairs rules; do
  offered=$(complete_words "$command" -)
  for option in $("$cli" "$command" --help | sed -n 's/^  \(-[^ ,]*\)\(, \(--[^ ]*\)\)\{0,1\}.*/\1 \3/p'); do
    grep -qx -- "$option" <<<"$offered" || { echo "$command: $option not offered"; fail=1; }
  done
done
expect() {  # expected words...; then the line after "--"
  local want=() got
  while [ "$1" != "--" ]; do want+=("$1"); shift; done
  shift
  got=$(complete_words "$@" | tr '\n' ' ')
  [ "$got" = "${want[*]} " ] || { echo "vantrel $*: offered '$got', want '${want[*]} '"; fail=1; }
}
expect pairs rules -h --help --version -- ""
expect head -- pairs --mode he
expect mm in pt -- pairs --unit ""
expect 0 1 2 3 -- rules --skip ""
exit $fail
