#!/usr/bin/env sh
# Marks Windows programs to run from the swap file when they are started from removable
# or network media: Windows then copies the whole program into memory at its start, and
# never pages a part of it in from a disc that the player has swapped meanwhile (disc 2
# in the drive the launcher ran from). Sets the two flags of the file header's
# characteristics (0x0400 removable, 0x0800 network); the linker of our cross builds has
# no switch for them. Run after every link and after stripping.
#   tools/pe-swaprun.sh FILE...
set -eu
for file in "$@"; do
  hex() { od -An -tx1 -j "$1" -N "$2" "$file" | tr -d ' \n'; }
  [ "$(hex 0 2)" = 4d5a ] || { echo "$file: not a Windows program" >&2; exit 1; }
  h=$(hex 60 4)
  pe=$(( (0x$(echo "$h" | cut -c7-8) << 24) | (0x$(echo "$h" | cut -c5-6) << 16) |
         (0x$(echo "$h" | cut -c3-4) << 8) | 0x$(echo "$h" | cut -c1-2) ))
  [ "$(hex "$pe" 4)" = 50450000 ] || { echo "$file: no PE header" >&2; exit 1; }
  # The characteristics: a little-endian 16-bit field 22 bytes into the PE header; the
  # two flags are in its high byte.
  at=$((pe + 23))
  high=$((0x$(hex "$at" 1) | 0x0c))
  printf "$(printf '\\%03o' "$high")" | dd of="$file" bs=1 seek="$at" conv=notrunc status=none
done
