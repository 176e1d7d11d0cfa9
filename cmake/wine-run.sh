#!/bin/sh
# Runs a Windows program under Wine in the test prefix that the test fixture made.
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
export WINEPREFIX
# Wine's errors only: a program that fails before it prints anything (seen once in a long
# run, a start that ended in 30 ms) then still says why.
export WINEDEBUG=err+all,fixme-all
# DL_EXTRA_DLLOVERRIDES adds overrides for one test (e.g. "d3d8,d3d9=" switches them off).
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${DL_EXTRA_DLLOVERRIDES:+;$DL_EXTRA_DLLOVERRIDES}"
wine "$@"
rc=$?
[ "$rc" -eq 0 ] || printf 'wine-run: %s ended with exit code %d (0x%x)\n' "$1" "$rc" "$rc" >&2
exit "$rc"
