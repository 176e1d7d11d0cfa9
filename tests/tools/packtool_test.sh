#!/bin/sh
# Drives packtool through every command on real files.
# Usage: packtool_test.sh WORKDIR PACKTOOL [RUNNER...]   (RUNNER: e.g. the Wine wrapper)
set -u
work=$1; shift
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
fail=0
check() { # name, expected, actual
  if [ "$2" = "$3" ]; then echo "ok: $1"; else echo "FAILED: $1"; echo " expected: $2"; echo " actual:   $3"; fail=1; fi
}
tool="$*"

printf '[inst_path]\r\npath=C:\\Wendmark\\Game\r\n' >rec.ini
i=0; : >big.dat
while [ $i -lt 400 ]; do printf 'line %d of the game data, repeated text text text\n' $i >>big.dat; i=$((i+1)); done

$tool add KVX.ini.pak KVX.ini rec.ini; check "add creates the pack" 0 $?
$tool add KVX.ini.pak 'Data\Maps\M1.dat' big.dat; check "add into new folders" 0 $?
$tool mkdir KVX.ini.pak 'empty\'; check "mkdir" 0 $?
out=$($tool verify KVX.ini.pak | tr -d '\r'); rc=$?
check "verify accepts what packtool wrote" "0" "$rc"
case "$out" in *"ok, 5 entries"*) check "verify counts entries" yes yes ;; *) check "verify counts entries" "ok, 5 entries" "$out" ;; esac
names=$($tool list KVX.ini.pak | tr -d '\r' | awk '{print $NF}' | tr '\n' ' ')
check "list names in pack order" 'data\ data\maps\ data\maps\m1.dat empty\ kvx.ini ' "$names"
$tool cat KVX.ini.pak 'KVX.INI' >cat.out; check "cat exit" 0 $?
cmp -s cat.out rec.ini; check "cat gives the content" 0 $?
$tool extract KVX.ini.pak outdir; check "extract exit" 0 $?
cmp -s outdir/data/maps/m1.dat big.dat; check "extract decodes" 0 $?
$tool rm KVX.ini.pak 'DATA\'; check "rm a folder" 0 $?
names=$($tool list KVX.ini.pak | tr -d '\r' | awk '{print $NF}' | tr '\n' ' ')
check "the folder went with its contents" 'empty\ kvx.ini ' "$names"
$tool rm KVX.ini.pak nothing 2>/dev/null; check "rm of a missing name" 1 $?
$tool encode big.dat big.enc && $tool decode big.enc big.dec; check "encode/decode exit" 0 $?
cmp -s big.dec big.dat; check "encode/decode round trip" 0 $?
head -c 100 KVX.ini.pak >cut.pak
$tool verify cut.pak >/dev/null; check "verify rejects a cut pack" 1 $?
$tool cat cut.pak kvx.ini >/dev/null 2>&1; check "cat on a cut pack" 1 $?
$tool decode rec.ini x.out 2>/dev/null; check "decode of a plain file" 1 $?
$tool frobnicate 2>/dev/null; check "unknown command" 2 $?
$tool list 2>/dev/null; check "missing argument" 2 $?
$tool --help >/dev/null; check "help" 0 $?
$tool list missing.pak 2>/dev/null; check "missing pack" 1 $?
[ $fail -eq 0 ] && echo "packtool: all checks passed"
exit $fail
