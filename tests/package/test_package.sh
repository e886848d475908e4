#!/usr/bin/env bash
# The Debian package as a user gets it: cpack packs this build tree, dpkg-deb unpacks the
# package, and the packaged velmora-batch runs on a copy of a packaged example.
# Usage: test_package.sh <cpack> <build dir> <scratch dir>
set -euo pipefail
cpack=$1 build=$2 work=$3
fail() {
    echo "test_package: $*" >&2
    exit 1
}

rm -rf "$work" && mkdir -p "$work"
(cd "$build" && "$cpack" -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(echo "$work"/out/velmora_*_"$(dpkg --print-architecture)".deb)
[ -f "$deb" ] || fail "no velmora_<version>_<arch>.deb in $work/out"

# Qt's runtime libraries are declared, never a -dev package.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt5core5a libqt5widgets5 libqt5charts5; do
    [[ "$depends" == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done
[[ "$depends" != *-dev* ]] || fail "Depends names a -dev package: $depends"

root="$work/root"
dpkg-deb -x "$deb" "$root"
for program in velmora velmora-batch; do
    [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program missing or not executable"
done
# The menu entry starts the packaged window and names an icon the package installs.
desktop="$root/usr/share/applications/velmora.desktop"
command -v desktop-file-validate >/dev/null ||
    fail "no desktop-file-validate: run scripts/install-deps"
desktop-file-validate "$desktop" || fail "velmora.desktop does not validate"
grep -qx "Exec=velmora" "$desktop" || fail "velmora.desktop does not start velmora"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
    fail "icon $icon.svg is not in the package"

# A run of the packaged runner on a copy of a packaged example writes its result files.
run="$work/run"
cp -r "$root/usr/share/velmora/examples/one_compartment_iv" "$run"
status=0
"$root/usr/bin/velmora-batch" "$run" --stage2 2 >"$work/batch.log" 2>&1 || status=$?
[ "$status" -eq 0 ] ||
    { cat "$work/batch.log"; fail "the packaged velmora-batch exited with status $status"; }
# Iterations are numbered from 0: --stage2 2 leaves iterations 0 and 1.
for file in computation_log.txt X_1.csv Parameter_1.csv Y_1.csv R_1.csv; do
    [ -s "$run/compResult/$file" ] || fail "the run left no compResult/$file"
done
echo "test_package: $(basename "$deb") unpacks and its velmora-batch runs"
