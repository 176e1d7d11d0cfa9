#!/usr/bin/env bash
# Prints the machine a Windows program is built for: i386 (32-bit), x86-64, or unknown (not
# a Windows program). run-sample.sh asks it of an image's setup.exe.
#   tools/pe-machine.sh FILE
set -euo pipefail
file=$1
hex() { od -An -tx1 -j "$1" -N "$2" "$file" 2>/dev/null | tr -d ' \n'; }
le32() { local h; h=$(hex "$1" 4); [ ${#h} -eq 8 ] || return 1; echo $((16#${h:6:2}${h:4:2}${h:2:2}${h:0:2})); }
[ "$(hex 0 2)" = 4d5a ] || { echo unknown; exit 0; }              # "MZ"
pe=$(le32 60) || { echo unknown; exit 0; }                          # e_lfanew
[ "$(hex "$pe" 4)" = 50450000 ] || { echo unknown; exit 0; }        # "PE\0\0"
case $(hex $((pe + 4)) 2) in
  4c01) echo i386 ;;
  6486) echo x86-64 ;;
  *) echo unknown ;;
esac
