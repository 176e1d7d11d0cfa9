#!/usr/bin/env sh
# The programs a disc carries are marked to run from the swap file when started from
# removable or network media, as the linker's report of their file header shows.
#   run_from_swap_test.sh TRIPLET PROGRAM...
set -eu
triplet=$1
shift
status=0
for program in "$@"; do
  report=$("$triplet-objdump" -p "$program")
  for flag in "copy to swap file if on removable media" "copy to swap file if on network media"; do
    if ! printf '%s\n' "$report" | grep -q "$flag"; then
      echo "$(basename "$program"): not marked \"$flag\""
      status=1
    fi
  done
done
[ $status -eq 0 ] && echo "all marked to run from the swap file: $*"
exit $status
