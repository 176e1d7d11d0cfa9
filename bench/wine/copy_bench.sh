#!/usr/bin/env bash
# The launcher's copy against a plain loop of the same shell requests, under Wine, in three
# cases, each a disc of its own with the launcher and its script in the root:
#   small16k  D:  2,000 files of 16 KB in four folders (four list entries, a\*.bin ... d\*.bin)
#   small64k  E:  600 files of 64 KB (one list entry)
#   large     F:  4 files of 100 MB and a small one (two entries)
#   bench/wine/copy_bench.sh [--runs N] [--case NAME]...
# Needs the mingw64 preset built (setup.exe, grpconv.exe, shell_copy_loop.exe); makes its own
# Wine prefix under build/mingw64/copy-bench and runs under Xvfb when there is no display.
# Each run installs with "setup.exe /S" and reads the copy phase off its install log (from
# disc 1's first line to "disc 1 copied", less the 100 ms pause after each list entry that
# the launcher keeps), then times shell_copy_loop on the same files into another folder.
# Prints each run, the launcher's own profile line of its best run, the time its checksums
# of the installed files took (for a verify) against its copy phase, and per case the ratio
# of the best runs (budget: 1.15 for the small-file cases, 1.05 for the large one).
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=3
cases=()
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift ;;
    --case) cases+=("$2"); shift ;;
    *) echo "usage: bench/wine/copy_bench.sh [--runs N] [--case small16k|small64k|large]..." >&2
       exit 2 ;;
  esac
  shift
done
[ ${#cases[@]} -gt 0 ] || cases=(small16k small64k large)
if [ -z "${DISPLAY:-}" ] && [ -z "${DL_BENCH_XVFB:-}" ]; then
  args=(--runs "$runs")
  for c in "${cases[@]}"; do args+=(--case "$c"); done
  DL_BENCH_XVFB=1 exec xvfb-run -a "$0" "${args[@]}"
fi
bin=$PWD/build/mingw64
for f in src/setup.exe tools/grpconv.exe bench/wine/shell_copy_loop.exe; do
  [ -f "$bin/$f" ] || { echo "copy_bench: build the mingw64 preset first ($f)" >&2; exit 1; }
done
work=$bin/copy-bench
prefix=$work/prefix

# The drive of a case, and its list entries (relative to the disc's root).
drive() { case $1 in small16k) echo d ;; small64k) echo e ;; large) echo f ;; esac; }
entries() {
  case $1 in
    small16k) echo 'a\*.bin b\*.bin c\*.bin d\*.bin' ;;
    small64k) echo 'f\*.bin' ;;
    large) echo 'big\*.bin readme.txt' ;;
  esac
}
# Writes count files of size bytes into a folder.
files() { mkdir -p "$1"; head -c $(($2 * $3)) /dev/urandom | split -b "$3" -d -a 5 --additional-suffix=.bin - "$1/f"; }
if [ ! -f "$work/.made-3" ]; then
  echo "=== making the discs"
  rm -rf "$work/disc-"*
  for f in a b c d; do files "$work/disc-small16k/$f" 500 16384; done
  files "$work/disc-small64k/f" 600 65536
  mkdir -p "$work/disc-large/big"
  for i in 1 2 3 4; do head -c $((100 * 1048576)) /dev/urandom >"$work/disc-large/big/b$i.bin"; done
  printf 'the copy benchmark\r\n' >"$work/disc-large/readme.txt"
  for c in small16k small64k large; do
    {
      printf '[setup]\r\nname=BENCH.ini\r\ninst_size=1\r\n[execmode]\r\ntry=1\r\n'
      printf '[disc00]\r\nlabel=BENCH_%s\r\n' "$c"
      i=0
      for e in $(entries $c); do printf 'file%d=%s\r\n' $i "$e"; i=$((i + 1)); done
      printf '[WORK_GROUP]\r\nexefile=none.exe\r\n'
    } >"$work/disc-$c/setup.ini"
  done
  touch "$work/.made-3"
fi
for c in small16k small64k large; do cp "$bin/src/setup.exe" "$bin/tools/grpconv.exe" "$work/disc-$c/"; done
cp "$bin/bench/wine/shell_copy_loop.exe" "$work/"
sh tests/wine/prefix-setup.sh "$prefix" "$work/disc-small16k" BENCH_small16k \
  e "$work/disc-small64k" BENCH_small64k f "$work/disc-large" BENCH_large
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
target=$prefix/drive_c/bench

# Milliseconds since midnight of a log line's time ("2026-12-09 10:11:12.345  step: ...").
ms_of() { awk '{ split($2, t, /[:.]/); print ((t[1] * 60 + t[2]) * 60 + t[3]) * 1000 + t[4] }'; }
best() { printf '%s\n' "$@" | sort -n | head -n 1; }

status=0
for c in "${cases[@]}"; do
  read -r -a list <<<"$(entries "$c")"
  launcher=() plain=() profile=""
  best_ms=""
  for run in $(seq 1 "$runs"); do
    rm -rf "$target" "$prefix/drive_c/windows/BENCH.ini.pak"
    mkdir -p "$target"
    d=$(drive "$c")
    (cd "$work/disc-$c" && wine "$d:\\setup.exe" /S '/D=C:\bench\launcher' '/LOG=C:\bench\launcher.log' \
       </dev/null >/dev/null 2>&1) || { echo "copy_bench: setup.exe failed" >&2; exit 1; }
    log=$target/launcher.log
    start=$(grep -a -m1 'disc 1 \[disc00\]' "$log" | ms_of)
    end=$(grep -a -m1 'disc 1 copied' "$log" | ms_of)
    copies=$(grep -a -c '^.*  copy .*: done' "$log")
    copy_ms=$((end - start - 100 * ${#list[@]}))
    # The checksums a verify compares with are part of the copy's cost.
    sums_ms=$(grep -a -m1 'checksums: ' "$log" | tr -d '\r' | awk '{ for (i = 1; i < NF; i++) if ($(i + 1) == "ms") print $i }')
    copy_ms=$((copy_ms + ${sums_ms:-0}))
    if [ -z "$best_ms" ] || [ "$copy_ms" -lt "$best_ms" ]; then
      best_ms=$copy_ms
      profile=$(grep -a -m1 'profile' "$log" | tr -d '\r' | cut -c26- || true)
      sums=$(grep -a -m1 'checksums: ' "$log" | tr -d '\r' | cut -c26- || true)
    fi
    out=$(wine "$work/shell_copy_loop.exe" "$d:" 'C:\bench\plain' "${list[@]}" \
            </dev/null 2>/dev/null | tr -d '\r')
    plain_ms=$(echo "$out" | awk '{ print $3 }')
    echo "$c run $run: setup.exe copied $copies files in $copy_ms ms (its pauses left out, its checksums in: ${sums_ms:-0} ms); the plain loop: $out"
    launcher+=("$copy_ms") plain+=("$plain_ms")
  done
  l=$(best "${launcher[@]}") p=$(best "${plain[@]}")
  budget=1.15
  [ "$c" = large ] && budget=1.05
  [ -n "$profile" ] && echo "$c profile of the best run: $profile"
  # What the install then reads once more for verify: each file's checksum, beside the copy.
  if [ -n "$sums" ]; then
    echo "$c $sums" | awk -v l="$l" '{ for (i = 1; i < NF; i++) if ($(i + 1) == "ms") ms = $i }
      END { printf "%s: %.0f%% of the copy phase (budget 10%%)\n", $0, 100 * ms / (l - ms) }'
  fi
  if ! awk -v c="$c" -v l="$l" -v p="$p" -v b="$budget" 'BEGIN {
        r = l / p
        printf "%s best: setup.exe %d ms, plain loop %d ms, ratio %.2f (budget %.2f)%s\n", c, l, p, r, b, r <= b ? "" : "  OVER"
        exit r <= b ? 0 : 1 }'; then
    status=1
  fi
done
rm -rf "$target"
wineserver -k </dev/null >/dev/null 2>&1 || true
exit $status
