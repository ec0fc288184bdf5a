#!/usr/bin/env bash
# Checks the Debian packages that `cmake --workflow --preset package` wrote
# into build-package/: what each holds (dpkg-deb -c), what each depends on
# (dpkg-deb -f), and that the tool, its manual page, a pkg-config host and a
# find_package host work from them.
#
# The packages are installed and configured with dpkg into a throwaway root
# (--instdir and --admindir). Dependencies on the system's own packages,
# which that root lacks, are not checked there; the maintainer scripts run
# outside a chroot, so the ldconfig they call is a stand-in that only notes
# the call (the system's cache is left alone).
# Hosts built against that root find the library through LD_LIBRARY_PATH,
# since the root's /usr/lib is not in the system loader's path; the tool
# finds it through its run path.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-package}
fail() { echo "check-packages: $*" >&2; exit 1; }

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
version=$(sed -n 's/^project(vantrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
lib=$(ls "$dir"/libvantrel0_"$version"_*.deb 2>/dev/null) || fail "no libvantrel0 package in $dir"
dev=$(ls "$dir"/libvantrel-dev_"$version"_*.deb 2>/dev/null) || fail "no libvantrel-dev package in $dir"
cli=$(ls "$dir"/vantrel_"$version"_*.deb 2>/dev/null) || fail "no vantrel package in $dir"

# Contents: each file in its package, everything under /usr.
contents() { dpkg-deb -c "$1" | awk '{print $6}' | sed 's|^\./|/|'; }
expect_file() {  # package file
  contents "$1" | grep -qx "$2" || fail "$(basename "$1") lacks $2"
}
expect_no_file() {
  if contents "$1" | grep -q "$2"; then fail "$(basename "$1") holds $2"; fi
}
for deb in "$lib" "$dev" "$cli"; do
  outside=$(contents "$deb" | grep -v '^/$' | grep -v '^/usr/' || true)
  [ -z "$outside" ] || fail "$(basename "$deb") installs outside /usr: $outside"
done
libdir=/usr/lib/$multiarch
expect_file "$lib" "$libdir/libvantrel.so.$version"
expect_file "$lib" "$libdir/libvantrel.so.0"
expect_no_file "$lib" "$libdir/libvantrel.so$"
expect_no_file "$lib" "^/usr/include"
expect_file "$dev" "$libdir/libvantrel.so"
expect_file "$dev" /usr/include/vantrel/vantrel.h
expect_file "$dev" /usr/include/vantrel/xrx_plugin.h
expect_file "$dev" "$libdir/cmake/vantrel/vantrelConfig.cmake"
expect_file "$dev" "$libdir/cmake/vantrel/vantrelTargets.cmake"
expect_file "$dev" "$libdir/pkgconfig/vantrel.pc"
expect_file "$dev" /usr/share/vantrel/examples/xrx_plugin/xrx_plugin.cc
expect_no_file "$dev" "libvantrel.so.$version"
expect_file "$cli" /usr/bin/vantrel
expect_file "$cli" /usr/share/man/man1/vantrel.1.gz
expect_file "$cli" /usr/share/bash-completion/completions/vantrel
expect_file "$cli" /usr/share/doc/vantrel/README.md
expect_file "$cli" /usr/share/doc/vantrel/docs/cli.md
expect_no_file "$cli" "libvantrel"

# Descriptions: a synopsis of its own per package, and no extended line
# indented twice (dpkg shows such a line as a verbatim block).
synopses=""
for deb in "$lib" "$dev" "$cli"; do
  description=$(dpkg-deb -f "$deb" Description)
  synopsis=$(head -n1 <<<"$description")
  [ ${#synopsis} -lt 80 ] || fail "$(basename "$deb"): synopsis of ${#synopsis} characters"
  if tail -n +2 <<<"$description" | grep -q '^  '; then
    fail "$(basename "$deb"): description line shown verbatim: $(tail -n +2 <<<"$description" | grep '^  ' | head -n1)"
  fi
  synopses+="$synopsis"$'\n'
done
[ "$(sort <<<"$synopses" | uniq -d | grep -c .)" -eq 0 ] || fail "two packages share a synopsis"

# Dependencies: the system's libraries found by dpkg-shlibdeps, the packages'
# own at this version.
depends() { dpkg-deb -f "$1" Depends; }
for deb in "$lib" "$cli"; do
  for need in libc6 libstdc++6 libgcc-s1; do
    depends "$deb" | grep -q "\b$need\b" || fail "$(basename "$deb") does not depend on $need: $(depends "$deb")"
  done
done
for deb in "$dev" "$cli"; do
  depends "$deb" | grep -q "libvantrel0 (= $version)" ||
    fail "$(basename "$deb") does not depend on libvantrel0 (= $version): $(depends "$deb")"
done
[ "$(dpkg-deb -f "$lib" Package)" = libvantrel0 ] || fail "library package name"
dpkg-deb --ctrl-tarfile "$lib" | tar -t | grep -q shlibs || fail "libvantrel0 has no shlibs file"

# Installed into a throwaway root.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info"
touch "$root/var/lib/dpkg/status"
mkdir -p "$work/bin"
printf '#!/bin/sh\necho "ldconfig $*" >>"%s/ldconfig.calls"\n' "$work" >"$work/bin/ldconfig"
chmod +x "$work/bin/ldconfig"
PATH="$work/bin:$PATH" dpkg --instdir="$root" --admindir="$root/var/lib/dpkg" --force-depends \
  --force-not-root --force-script-chrootless --no-triggers \
  -i "$lib" "$dev" "$cli" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i into a throwaway root failed"; }
[ -s "$work/ldconfig.calls" ] || fail "libvantrel0's postinst did not run ldconfig"
dpkg --admindir="$root/var/lib/dpkg" -l libvantrel0 libvantrel-dev vantrel | grep -c '^ii' | grep -qx 3 ||
  fail "the three packages are not all installed in the throwaway root"

# The tool, from its place under /usr/bin, with no help from the environment.
out=$(env -u LD_LIBRARY_PATH "$root/usr/bin/vantrel" --version)
case "$out" in *"$version"*) ;; *) fail "vantrel --version says: $out" ;; esac
env -u LD_LIBRARY_PATH "$root/usr/bin/vantrel" pairs --json examples/brochure.ps |
  grep -q '"CropWidth"' || fail "the installed tool finds no crop in examples/brochure.ps"

# The manual page, found by man, saying what --help says.
page=$(MANPATH="$root/usr/share/man" MANWIDTH=200 man -P cat vantrel 2>/dev/null) || fail "man vantrel finds no page"
for option in $("$root/usr/bin/vantrel" --help | grep -o -- '--[a-z-]*' | sort -u); do
  grep -q -- "$option" <<<"$page" || fail "the manual page does not tell of $option"
done
grep -q '^EXAMPLES' <<<"$page" || fail "the manual page has no EXAMPLES"
# SEE ALSO points only at what the packages install.
see_also=$(sed -n '/^SEE ALSO/,/^[A-Z]/p' <<<"$page")
for path in $(grep -o '/usr/[^ ,;:)]*' <<<"$see_also" | sed 's/[.]$//'); do
  [ -e "$root$path" ] || fail "the manual page's SEE ALSO names $path, which no package installs"
done
# The completion, loaded by bash, completes the tool's options.
bash -c "source '$root/usr/share/bash-completion/completions/vantrel'; COMP_WORDS=(vantrel pairs --val); COMP_CWORD=2; _vantrel; [ \"\${COMPREPLY[*]}\" = --values ]" ||
  fail "the bash completion does not complete 'vantrel pairs --val'"

# A pkg-config host and a find_package host, built against the root.
export LD_LIBRARY_PATH="$root$libdir"
export PKG_CONFIG_PATH="$root$libdir/pkgconfig"
# shellcheck disable=SC2046
c++ -std=c++17 tests/consumer/consumer.cc $(pkg-config --cflags --libs vantrel) -o "$work/pkg-host"
"$work/pkg-host" examples/brochure.ps | grep -q '^CropWidth=595.000000$' || fail "the pkg-config host"
cmake -S tests/consumer -B "$work/cmake-host" -DCMAKE_PREFIX_PATH="$root/usr" \
  -DCMAKE_BUILD_TYPE=Release >"$work/cmake.log" 2>&1 || { cat "$work/cmake.log"; fail "find_package(vantrel)"; }
cmake --build "$work/cmake-host" >>"$work/cmake.log" 2>&1 || { cat "$work/cmake.log"; fail "building the find_package host"; }
"$work/cmake-host/consumer" examples/brochure.ps | grep -q '^CropWidth=595.000000$' || fail "the find_package host"

for deb in "$lib" "$dev" "$cli"; do
  printf '%s: %s bytes, installed %s KiB\n' "$(basename "$deb")" "$(stat -c %s "$deb")" \
    "$(dpkg-deb -f "$deb" Installed-Size)"
done
echo "check-packages: ok"
