#!/bin/sh
# Runs a Windows program under Wine in the test prefix that the test fixture made.
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
export WINEPREFIX
export WINEDEBUG=-all
# DL_EXTRA_DLLOVERRIDES adds overrides for one test (e.g. "d3d8,d3d9=" switches them off).
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${DL_EXTRA_DLLOVERRIDES:+;$DL_EXTRA_DLLOVERRIDES}"
exec wine "$@"
