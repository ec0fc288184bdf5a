#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and generates the
# decimal-comma locale the locale tests run under, when they are missing and
# we may install (root). Does nothing otherwise. mypy checks the Python
# module's type hints, jq reads the tool's --values output in the tests.
set -euo pipefail
packages=(cmake ninja-build g++ libgtest-dev libgmock-dev pkgconf locales
  python3-venv python3-pytest python3-setuptools mypy jq)
# With --windows: the MinGW-w64 cross compiler, Wine to run its programs and
# GoogleTest's sources to build the tests with. With --packages: what CPack's
# Debian generator and scripts/check-packages.sh use.
for arg in "$@"; do
  case "$arg" in
    --windows) packages+=(g++-mingw-w64-x86-64-posix wine64 googletest) ;;
    --packages) packages+=(dpkg-dev file man-db gzip) ;;
    *) echo "usage: $0 [--windows] [--packages]" >&2; exit 2 ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# The tests set this locale to check that numbers read and print as in the C
# locale; without it they are skipped.
test_locale=de_DE.UTF-8
locales_present=$(locale -a 2>/dev/null || true)
need_locale=0
grep -qix 'de_DE\.utf-\?8' <<<"$locales_present" || need_locale=1
if [ ${#missing[@]} -eq 0 ] && [ "$need_locale" -eq 0 ]; then
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  if [ ${#missing[@]} -ne 0 ]; then
    echo "missing packages: ${missing[*]} (run as root, or install them)" >&2
    exit 1
  fi
  echo "locale $test_locale missing: its tests are skipped (run as root to generate it)" >&2
  exit 0
fi
if [ ${#missing[@]} -ne 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if [ "$need_locale" -eq 1 ]; then
  localedef -i de_DE -f UTF-8 "$test_locale"
fi
