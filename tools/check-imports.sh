#!/usr/bin/env bash
# Fails when a Windows program imports a function that Windows XP SP3 lacks, or imports a
# DLL that the system does not load from its own directory whatever the search says.
#   tools/check-imports.sh TRIPLET PROGRAM...      (TRIPLET: i686-w64-mingw32, x86_64-...)
# What XP lacks is read from the MinGW headers themselves: the functions that
# <windows.h>, <shlobj.h> and <commctrl.h> declare for Windows 10 (0x0A00) but not for XP
# (0x0501).
#
# A DLL that a program imports is loaded before its first line runs, so restricting the
# search in WinMain comes too late for it: unless it is a known DLL (the system's own list,
# always taken from the system directory), a DLL of that name beside a program that runs
# elevated would run with its rights. The list below holds the known DLLs of Windows 7 to
# 11 (ntdll is mapped into every process before the search); the common controls are bound
# by the manifest to the system's side-by-side copy.
set -euo pipefail
triplet=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for version in 0501 0A00; do
  printf '#include <windows.h>\n#include <shlobj.h>\n#include <commctrl.h>\n' |
    "$triplet-gcc" -E -P -x c -D_WIN32_WINNT=0x$version -DWINVER=0x$version \
      -DNTDDI_VERSION=0x${version}0000 - >"$work/$version.i"
  # Every name followed by "(": the declared functions, and more, which the difference
  # and the imports then sort out.
  grep -oE '[A-Za-z_][A-Za-z0-9_]*[[:space:]]*\(' "$work/$version.i" |
    tr -d '( \t' | sort -u >"$work/$version.names"
done
comm -13 "$work/0501.names" "$work/0A00.names" >"$work/after-xp"
echo "headers: $(wc -l <"$work/after-xp") functions are declared for Windows 10 and not for XP"
# The system's known DLLs, which Windows loads from the system directory whatever lies beside
# a program. comctl32.dll is no known DLL: it is safe for another reason, the application
# manifest's dependency on common controls 6, which the loader takes from the side-by-side
# store (WinSxS), never from the program's folder.
known=" advapi32.dll clbcatq.dll comctl32.dll comdlg32.dll difxapi.dll gdi32.dll imagehlp.dll
  imm32.dll kernel32.dll msctf.dll msvcrt.dll normaliz.dll nsi.dll ntdll.dll ole32.dll
  oleaut32.dll psapi.dll rpcrt4.dll sechost.dll setupapi.dll shell32.dll shlwapi.dll user32.dll
  wldap32.dll ws2_32.dll "
known=$(printf '%s' "$known" | tr -s ' \n' '  ')
status=0
for program in "$@"; do
  for dll in $("$triplet-objdump" -p "$program" | awk '/DLL Name:/ { print tolower($3) }' | sort -u); do
    case "$known" in
      *" $dll "*) ;;
      *) echo "$(basename "$program") imports $dll, which is no known DLL: one beside it would load first" >&2
         status=1 ;;
    esac
  done
  # The import tables: "DLL Name: X" then one line per function, hint and name.
  "$triplet-objdump" -p "$program" |
    awk '/DLL Name:/ { dll = $3; next } dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print $NF }' |
    sort -u >"$work/imports"
  bad=$(comm -12 "$work/imports" "$work/after-xp")
  echo "$(basename "$program"): $(wc -l <"$work/imports") imports"
  if [ -n "$bad" ]; then
    echo "$(basename "$program") imports what Windows XP SP3 lacks:" $bad >&2
    status=1
  fi
done
exit $status
