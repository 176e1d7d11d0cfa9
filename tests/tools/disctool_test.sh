#!/bin/sh
# disctool on a two-disc set: check names a broken set and passes a sound one with a summary
# line; images writes the whole set (disc 1 with an autorun.inf when asked) and image one
# disc, ISO 9660 images whose volume IDs are the discs' labels and whose files (long names
# kept through Joliet) read back byte for byte, disc 1 also alone; a name Joliet would cut is
# an error; a broken set gets no image unless forced.
#   disctool_test.sh WORK_DIR DISCTOOL
set -eu
work=$1 tool=$2
rm -rf "$work" && mkdir -p "$work/disc1/game/data" "$work/disc2/game"
fail() { echo "FAIL: $*" >&2; exit 1; }
printf '[setup]\r\nname=T.ini\r\ninst_size=100000\r\n[STRING_TAB]\r\nstring12=Disc 1\r\nstring13=Disc 2\r\n[disc00]\r\nlabel=TEST_DISC_1\r\nfile0=game\\A Long File Name.txt\r\nfile1=game\\data\\*.dat\r\n[disc01]\r\nlabel=TEST_DISC_2\r\nfile0=game\\b.txt\r\n[WORK_GROUP]\r\nexefile=game\\A Long File Name.txt\r\n' >"$work/disc1/setup.ini"
printf 'long name\n' >"$work/disc1/game/A Long File Name.txt"
printf 'data one\n' >"$work/disc1/game/data/one.dat"
printf 'disc two\n' >"$work/disc2/game/b.txt"
printf 'MZ the launcher\n' >"$work/disc1/setup.exe"

"$tool" check "$work/disc1" "$work/disc2" >"$work/check.txt" || fail "check of a sound set: $(cat "$work/check.txt")"
# No autorun.inf yet: a warning, then the summary.
[ "$(wc -l <"$work/check.txt")" -eq 2 ] && grep -q "warning: disc 1 has no autorun.inf" "$work/check.txt" &&
  [ "$(tail -n 1 "$work/check.txt")" = "2 discs, 3 files, 28 bytes: 0 errors, 1 warning" ] ||
  fail "a sound set: $(cat "$work/check.txt")"

# The whole set at once, disc 1 given an autorun.inf in its image (not in its folder).
mkdir -p "$work/set"
"$tool" images "$work/set" "$work/disc1" "$work/disc2" --autorun >"$work/images.txt" ||
  fail "images: $(cat "$work/images.txt")"
[ -f "$work/set/TEST_DISC_1.iso" ] && [ -f "$work/set/TEST_DISC_2.iso" ] || fail "images: $(ls "$work/set")"
[ ! -e "$work/disc1/autorun.inf" ] || fail "images wrote into the disc folder"
mkdir -p "$work/set/out1"
xorriso -osirrox on -read_fs norock -indev "$work/set/TEST_DISC_1.iso" -extract / "$work/set/out1" >/dev/null 2>&1 ||
  fail "extract the set's disc 1"
grep -q "^open=setup.exe" "$work/set/out1/autorun.inf" || fail "no autorun.inf in disc 1's image"
cmp -s "$work/disc1/setup.ini" "$work/set/out1/setup.ini" || fail "the set's disc 1: setup.ini"
cp "$work/set/out1/autorun.inf" "$work/disc1/autorun.inf"
"$tool" check "$work/disc1" "$work/disc2" >"$work/check.txt" &&
  [ "$(cat "$work/check.txt")" = "2 discs, 3 files, 28 bytes: 0 errors, 0 warnings" ] ||
  fail "the written autorun.inf: $(cat "$work/check.txt")"

"$tool" image "$work/disc1" "$work/d1.iso" --set "$work/disc1" "$work/disc2" >/dev/null || fail "image disc 1"
"$tool" image "$work/disc2" "$work/d2.iso" --set "$work/disc1" "$work/disc2" >/dev/null || fail "image disc 2"
for n in 1 2; do
  volume=$(xorriso -indev "$work/d$n.iso" -pvd_info 2>/dev/null | sed -n 's/^Volume Id *: *//p')
  [ "$volume" = "TEST_DISC_$n" ] || fail "disc $n volume id '$volume'"
  mkdir -p "$work/out$n"
  # As Windows reads a CD: the Joliet names.
  xorriso -osirrox on -read_fs norock -indev "$work/d$n.iso" -extract / "$work/out$n" >/dev/null 2>&1 ||
    fail "extract $n"
done
for f in setup.ini "game/A Long File Name.txt" game/data/one.dat; do
  cmp -s "$work/disc1/$f" "$work/out1/$f" || fail "disc 1: $f"
done
cmp -s "$work/disc2/game/b.txt" "$work/out2/game/b.txt" || fail "disc 2: game/b.txt"
xorriso -indev "$work/d1.iso" -find / -type f 2>/dev/null | grep -q "A Long File Name.txt" || fail "long name"

# Disc 1 of the set alone (it holds the script): its section, files and label are checked,
# its label taken from [disc00]. A disc without the script needs its set or a label.
rm -f "$work/d1.iso"
"$tool" image "$work/disc1" "$work/d1.iso" >"$work/one.txt" 2>&1 || fail "disc 1 alone: $(cat "$work/one.txt")"
[ "$(xorriso -indev "$work/d1.iso" -pvd_info 2>/dev/null | sed -n 's/^Volume Id *: *//p')" = TEST_DISC_1 ] ||
  fail "disc 1 alone: volume id"
if "$tool" image "$work/disc2" "$work/d2-alone.iso" >/dev/null 2>"$work/alone.txt"; then fail "disc 2 alone"; else
  [ $? -eq 2 ] || fail "disc 2 alone: exit code"
fi
[ "$(wc -l <"$work/alone.txt")" -eq 1 ] && grep -q -- "--set" "$work/alone.txt" || fail "disc 2 alone: $(cat "$work/alone.txt")"

# A name longer than Joliet holds: Windows would see it cut, so check names it.
long=a_very_long_file_name_for_the_joliet_limit_which_is_sixty_four_chars_long_x.dat
printf 'x\n' >"$work/disc1/game/data/$long"
if "$tool" check "$work/disc1" "$work/disc2" >"$work/check.txt"; then fail "a name Joliet cuts passed"; fi
grep -q "error: \"$long\" has 79 characters: a CD's Joliet names hold 64" "$work/check.txt" ||
  fail "Joliet finding: $(cat "$work/check.txt")"
"$tool" image "$work/disc1" "$work/long.iso" --force >/dev/null 2>&1 || fail "forced image with a long name"
xorriso -indev "$work/long.iso" -find / -type f 2>/dev/null | grep -q "$long" || fail "Rock Ridge keeps it whole"
xorriso -read_fs norock -indev "$work/long.iso" -find / -type f 2>/dev/null | grep -q "$long" &&
  fail "Joliet kept the long name whole: the finding would be wrong"
rm "$work/disc1/game/data/$long"

# A broken set: a file list names a file that is not there.
rm "$work/disc2/game/b.txt"
if "$tool" check "$work/disc1" "$work/disc2" >"$work/check.txt"; then fail "check passed a broken set"; fi
grep -q 'error: "game\\b.txt" is not on disc 2' "$work/check.txt" || fail "finding: $(cat "$work/check.txt")"
rm -f "$work/d2.iso"
if "$tool" image "$work/disc2" "$work/d2.iso" --set "$work/disc1" "$work/disc2" >/dev/null 2>&1; then
  fail "an image of a broken set"
fi
[ ! -e "$work/d2.iso" ] || fail "a broken set left an image"
"$tool" image "$work/disc2" "$work/d2.iso" --label FORCED --force >/dev/null 2>&1 || fail "forced image"
[ "$(xorriso -indev "$work/d2.iso" -pvd_info 2>/dev/null | sed -n 's/^Volume Id *: *//p')" = FORCED ] || fail "forced label"
"$tool" 2>/dev/null && fail "no arguments"
echo "disctool: check and image passed"
