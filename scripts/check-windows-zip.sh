#!/usr/bin/env bash
# Checks the Windows zip that `cmake --workflow --preset windows` wrote into
# build-windows/: unpacked into a throwaway folder, its tool runs under Wine
# from there, and a host built with MinGW-w64 through find_package(vantrel)
# against the unpacked tree (linking the import library) runs under Wine
# with the DLL copied beside it. (vantrel_DIR names the package: the cross
# toolchain confines package searches to the MinGW-w64 root.)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-windows}
fail() { echo "check-windows-zip: $*" >&2; exit 1; }
version=$(sed -n 's/^project(vantrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip=$dir/vantrel-$version-windows-x86_64.zip
[ -f "$zip" ] || fail "no $zip"
wine=$(command -v wine || command -v wine64 || echo /usr/lib/wine/wine64)
export WINEDEBUG=-all WINEPREFIX=$PWD/$dir/wineprefix

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 -m zipfile -e "$zip" "$work"
tree=$work/vantrel-$version-windows-x86_64
for f in bin/vantrel.dll bin/vantrel.exe lib/libvantrel.dll.a include/vantrel/vantrel.h \
         lib/cmake/vantrel/vantrelConfig.cmake lib/vantrel/examples/XRXParseDLL.dll; do
  [ -f "$tree/$f" ] || fail "the zip lacks $f"
done

out=$("$wine" "$tree/bin/vantrel.exe" --version | tr -d '\r')
case "$out" in *"$version"*) ;; *) fail "vantrel.exe --version says: $out" ;; esac

cmake -S tests/consumer -B "$work/host" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -Dvantrel_DIR="$tree/lib/cmake/vantrel" >"$work/host.log" 2>&1 || { cat "$work/host.log"; fail "find_package(vantrel) from the zip"; }
cmake --build "$work/host" >>"$work/host.log" 2>&1 || { cat "$work/host.log"; fail "building the host"; }
cp "$tree/bin/vantrel.dll" "$work/host/"
"$wine" "$work/host/consumer.exe" examples/brochure.ps | tr -d '\r' |
  grep -q '^CropWidth=595.000000$' || fail "the host built against the zip"
printf '%s: %s bytes\n' "$(basename "$zip")" "$(stat -c %s "$zip")"
echo "check-windows-zip: ok"
