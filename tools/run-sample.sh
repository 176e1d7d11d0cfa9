#!/usr/bin/env bash
# Runs setup.exe from the sample disc under Wine.
#   tools/run-sample.sh [--install] [--headless]
# Builds the Windows programs (preset mingw64), makes a private Wine prefix under
# build/mingw64/sample-prefix with disc 1 as CD-ROM drive D: (label WENDMARK_1) and disc 2
# as E: (WENDMARK_2), and starts D:\setup.exe in D:\. With a display you drive it; without
# one (or with --headless) it runs under Xvfb and walks through the whole lifecycle (the
# dialog, the folder browser, an install from both discs swapping them in drive D: as the
# prompts ask, Play, Demo, Uninstall and a fresh start), saves screenshots to
# build/mingw64/sample-screenshots and prints what it did.
# --install first installs the Debian packages it needs (as root, or through sudo).
set -euo pipefail
cd "$(dirname "$0")/.."

install=no headless=no
for arg in "$@"; do
  case $arg in
    --install) install=yes ;;
    --headless) headless=yes ;;
    *) echo "usage: tools/run-sample.sh [--install] [--headless]" >&2; exit 2 ;;
  esac
done
[ -n "${DISPLAY:-}" ] || headless=yes

if [ $install = yes ]; then
  bash tools/install-packages.sh
fi

echo "=== building setup.exe, the stand-in programs and the sample discs"
mkdir -p build
cmake --preset mingw64 >build/run-sample-configure.log 2>&1 || { cat build/run-sample-configure.log; exit 1; }
cmake --build --preset mingw64 -j "${DL_JOBS:-2}" --target sample_disc uidriver >build/run-sample-build.log 2>&1 ||
  { tail -n 60 build/run-sample-build.log; exit 1; }

bin=$PWD/build/mingw64
discs=$bin/sample-disc
prefix=$bin/sample-prefix
shots=$bin/sample-screenshots
export WINEPREFIX=$prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

echo "=== making the Wine prefix $prefix (D: = disc 1, E: = disc 2)"
sh tests/wine/prefix-setup.sh "$prefix" "$discs/disc1" "$(cat "$discs/disc1/.windows-label")" \
  e "$discs/disc2" "$(cat "$discs/disc2/.windows-label")"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

if [ $headless = no ]; then
  echo "=== starting D:\\setup.exe (close its window to end)"
  echo "    When it asks for disc 2, put it into D: from another terminal:"
  echo "      WINEPREFIX=$prefix wine $bin/tools/uidriver.exe swap d $discs/disc2"
  echo "    and disc 1 back the same way (…/disc1) when it asks for disc 1."
  wine start /wait /d 'D:\' 'D:\setup.exe' </dev/null 2>/dev/null
  exit 0
fi

echo "=== no display: walking through the launcher under Xvfb"
rm -rf "$shots" && mkdir -p "$shots"
winshots="Z:$(printf '%s' "$shots" | tr / '\\')"
xvfb-run -a wine "$bin/tools/uidriver.exe" walkthrough 'D:\setup.exe' 'D:\' "$winshots" \
  d "$discs/disc1" "$discs/disc2" \
  </dev/null 2> >(grep -v -e '^ALSA' -e 'X connection' >&2) | tr -d '\r'
echo "=== screenshots (BMP) in $shots:"
ls "$shots"
