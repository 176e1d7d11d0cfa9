#!/usr/bin/env bash
# Makes the files a disc author copies to a disc's root: setup.exe and grpconv.exe,
# stripped, and README.txt for authors. Prints their sizes and fails when an i686 program
# is over its budget (setup.exe 600 KB, grpconv.exe 300 KB).
#   tools/make-disc-root.sh TRIPLET OUT_DIR SETUP_EXE GRPCONV_EXE
set -euo pipefail
triplet=$1 out=$2 setup=$3 grpconv=$4
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
"$triplet-strip" -o "$out/setup.exe" "$setup"
"$triplet-strip" -o "$out/grpconv.exe" "$grpconv"
# Stripping writes the programs anew: they are marked to run from the swap file again.
sh "$here/pe-swaprun.sh" "$out/setup.exe" "$out/grpconv.exe"
cp "$here/../resources/disc-root-README.txt" "$out/README.txt"
status=0
check() {
  local file=$1 budget=$2 size
  size=$(stat -c %s "$file")
  printf 'size: %-12s %-20s %7d bytes (%d KB)' "$(basename "$file")" "$triplet" "$size" $((size / 1024))
  if [ "$triplet" = i686-w64-mingw32 ] && [ "$size" -gt $((budget * 1024)) ]; then
    printf '  OVER the budget of %d KB\n' "$budget"
    status=1
  else
    printf '\n'
  fi
}
check "$out/setup.exe" 600
check "$out/grpconv.exe" 300
sh "$here/../tests/tools/run_from_swap_test.sh" "$triplet" "$out/setup.exe" "$out/grpconv.exe" ||
  status=1
exit $status
