#!/usr/bin/env bash
# Installs the build under a temporary prefix, moves the installed tree, and checks that the
# moved copy still finds its resources; also that the build folder's program finds its own
# copy, and that the program alone, copied away from both, does not find any (so nothing
# points back at the source or build folder).
#   InstallTest.sh <build folder> <built program>
set -euo pipefail
build=$(realpath "$1")
program=$2
work=$(realpath "$(mktemp -d)")
trap 'rm -rf "$work"' EXIT
unset BRIMVALE_RESOURCE_ROOT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

out=$("$program" --check-resources) || fail "the build folder's program: $out"
[[ $out == "resources: $build/share/brimvale/resources/" ]] || fail "build folder: $out"

cmake --install "$build" --prefix "$work/first" >"$work/install.log" ||
    fail "install: $(cat "$work/install.log")"
for file in bin/brimvale share/brimvale/resources/language.dat \
    share/brimvale/resources/example.zip share/brimvale/resources/js.zip \
    share/brimvale/resources/DFPGB_H3.TTF share/brimvale/resources/DFPGB_H3.ttf \
    share/brimvale/resources/res/dingdong.wav share/brimvale/resources/res/waterfall.wav \
    share/icons/hicolor/256x256/apps/brimvale.png share/applications/brimvale.desktop; do
    [[ -f "$work/first/$file" ]] || fail "not installed: $file"
done
grep -qxF "Exec=$work/first/bin/brimvale" "$work/first/share/applications/brimvale.desktop" ||
    fail "desktop entry: $(cat "$work/first/share/applications/brimvale.desktop")"

mv "$work/first" "$work/moved"
out=$(cd / && "$work/moved/bin/brimvale" --check-resources) || fail "moved install: $out"
[[ $out == "resources: $work/moved/share/brimvale/resources/" ]] || fail "moved install: $out"

mkdir "$work/alone"
cp "$program" "$work/alone/brimvale"
if out=$("$work/alone/brimvale" --check-resources); then
    fail "a program without resources beside it found some: $out"
fi
grep -q "^missing: language.dat$" <<<"$out" || fail "lone program: $out"
echo "install, move and resource checks passed"
