#!/bin/sh
# run-sample.sh tells a 32-bit launcher (which a Wine without wine32 cannot start) by its PE
# header: the programs this build makes say what they are, and a file that is no Windows
# program (a text, a header cut short) is unknown.
#   pe_machine_test.sh SOURCE_DIR TRIPLET SETUP_EXE WORK_DIR
set -eu
src=$1 triplet=$2 setup=$3 work=$4
fail() { echo "FAIL: $*" >&2; exit 1; }
case $triplet in i686-*) want=i386 ;; *) want=x86-64 ;; esac
got=$(bash "$src/tools/pe-machine.sh" "$setup")
[ "$got" = "$want" ] || fail "$setup ($triplet) read as $got"
mkdir -p "$work"
printf 'MZ not a program' >"$work/short.exe"
head -c 100 "$setup" >"$work/cut.exe"  # the PE header lies beyond
for f in "$src/README.md" "$work/short.exe" "$work/cut.exe"; do
  [ "$(bash "$src/tools/pe-machine.sh" "$f")" = unknown ] || fail "$f read as a program"
done
echo "setup.exe of $triplet is $got"
