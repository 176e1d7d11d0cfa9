#!/usr/bin/env bash
# The launcher's copy against a plain loop of the same shell requests, under Wine, on one
# disc of 1,000 files of 64 KB and 4 of 100 MB (three list entries: small\*.bin, big\*.bin,
# readme.txt).
#   bench/wine/copy_bench.sh [--runs N] [--small FILES] [--big FILES] [--big-mb MB]
# Needs the mingw64 preset built (setup.exe, grpconv.exe, shell_copy_loop.exe); makes its own
# Wine prefix under build/mingw64/copy-bench and runs under Xvfb when there is no display.
# Each run installs with "setup.exe /S" and reads the copy phase off its install log (from
# disc 1's first line to "disc 1 copied", less the 100 ms pause after each list entry that
# the launcher keeps), then times shell_copy_loop on the same files into another folder.
# Prints each run and the ratio of the medians (the launcher's budget: 1.3).
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=3 small=1000 big=4 bigmb=100
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift ;;
    --small) small=$2; shift ;;
    --big) big=$2; shift ;;
    --big-mb) bigmb=$2; shift ;;
    *) echo "usage: bench/wine/copy_bench.sh [--runs N] [--small FILES] [--big FILES] [--big-mb MB]" >&2
       exit 2 ;;
  esac
  shift
done
if [ -z "${DISPLAY:-}" ] && [ -z "${DL_BENCH_XVFB:-}" ]; then
  DL_BENCH_XVFB=1 exec xvfb-run -a "$0" --runs "$runs" --small "$small" --big "$big" --big-mb "$bigmb"
fi
bin=$PWD/build/mingw64
for f in src/setup.exe tools/grpconv.exe bench/wine/shell_copy_loop.exe; do
  [ -f "$bin/$f" ] || { echo "copy_bench: build the mingw64 preset first ($f)" >&2; exit 1; }
done
work=$bin/copy-bench
disc=$work/disc prefix=$work/prefix
stamp="$disc/.made-$small-$big-$bigmb"
if [ ! -f "$stamp" ]; then
  echo "=== making the disc: $small files of 64 KB, $big of $bigmb MB"
  rm -rf "$disc" && mkdir -p "$disc/small" "$disc/big"
  head -c $((small * 65536)) /dev/urandom | split -b 65536 -d -a 5 --additional-suffix=.bin - "$disc/small/f"
  for i in $(seq 1 "$big"); do head -c $((bigmb * 1048576)) /dev/urandom >"$disc/big/b$i.bin"; done
  printf 'the copy benchmark\r\n' >"$disc/readme.txt"
  printf '[setup]\r\nname=BENCH.ini\r\ninst_size=1\r\n[execmode]\r\ntry=1\r\n[disc00]\r\nlabel=BENCH_DISC\r\nfile0=small\\*.bin\r\nfile1=big\\*.bin\r\nfile2=readme.txt\r\n[WORK_GROUP]\r\nexefile=readme.txt\r\n' >"$disc/setup.ini"
  touch "$stamp"
fi
cp "$bin/src/setup.exe" "$bin/tools/grpconv.exe" "$disc/"
cp "$bin/bench/wine/shell_copy_loop.exe" "$work/"
sh tests/wine/prefix-setup.sh "$prefix" "$disc" BENCH_DISC
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
target=$prefix/drive_c/bench

# Milliseconds since midnight of a log line's time ("2026-12-09 10:11:12.345  step: ...").
ms_of() { awk '{ split($2, t, /[:.]/); print ((t[1] * 60 + t[2]) * 60 + t[3]) * 1000 + t[4] }'; }

launcher=() plain=()
for run in $(seq 1 "$runs"); do
  rm -rf "$target" "$prefix/drive_c/windows/BENCH.ini.pak"
  mkdir -p "$target"
  (cd "$disc" && wine 'D:\setup.exe' /S '/D=C:\bench\launcher' '/LOG=C:\bench\launcher.log' \
     </dev/null >/dev/null 2>&1) || { echo "copy_bench: setup.exe failed" >&2; exit 1; }
  log=$target/launcher.log
  start=$(grep -a -m1 'disc 1 \[disc00\]' "$log" | ms_of)
  end=$(grep -a -m1 'disc 1 copied' "$log" | ms_of)
  copies=$(grep -a -c '^.*  copy .*: done' "$log")
  copy_ms=$((end - start - 300))
  out=$(wine "$work/shell_copy_loop.exe" 'D:' 'C:\bench\plain' 'small\*.bin' 'big\*.bin' readme.txt \
          </dev/null 2>/dev/null | tr -d '\r')
  plain_ms=$(echo "$out" | awk '{ print $3 }')
  echo "run $run: setup.exe copied $copies files in $copy_ms ms (its pauses left out); the plain loop: $out"
  launcher+=("$copy_ms") plain+=("$plain_ms")
done
median() { printf '%s\n' "$@" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
l=$(median "${launcher[@]}") p=$(median "${plain[@]}")
awk -v l="$l" -v p="$p" 'BEGIN { printf "median: setup.exe %d ms, plain loop %d ms, ratio %.2f (budget 1.30)\n", l, p, l / p }'
rm -rf "$target"
wineserver -k </dev/null >/dev/null 2>&1 || true
