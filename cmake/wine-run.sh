#!/bin/sh
# Runs a Windows program under Wine in the test prefix that the test fixture made.
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
export WINEPREFIX
# Wine's errors only, so that a program that fails before it prints anything says why.
export WINEDEBUG=err+all,fixme-all
# DL_EXTRA_DLLOVERRIDES adds overrides for one test (e.g. "d3d8,d3d9=" switches them off).
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${DL_EXTRA_DLLOVERRIDES:+;$DL_EXTRA_DLLOVERRIDES}"

out=$(mktemp) code=$(mktemp)
trap 'rm -f "$out" "$code"' EXIT
run() {
  { wine "$@"; echo $? >"$code"; } | tee "$out"
}
started=$(date +%s%N)
run "$@"
rc=$(cat "$code")
ms=$((($(date +%s%N) - started) / 1000000))
# A test program prints its first line as soon as it runs. In long runs a start has now and
# then ended in about 30 ms with nothing printed and no Wine error: the program never ran,
# and it is started once more (said on stderr). A test that ran and failed is not.
case "$1" in
  *_tests.exe)
    if [ "$rc" -ne 0 ] && [ ! -s "$out" ] && [ "$ms" -lt 2000 ]; then
      echo "wine-run: $1 ended with exit code $rc after $ms ms without printing anything: started once more" >&2
      run "$@"
      rc=$(cat "$code")
    fi
    ;;
esac
[ "$rc" -eq 0 ] || echo "wine-run: $1 ended with exit code $rc" >&2
exit "$rc"
