#!/bin/sh
# Makes the sample discs into images with disctool and presents them as a CD-ROM does to
# Windows: the Joliet tree extracted from the image (not the Rock Ridge one, which Windows
# does not read), every file read-only, the volume label the image's volume ID.
#   disc-images.sh DISCTOOL SAMPLE_DIR OUT_DIR
set -eu
tool=$1 sample=$2 out=$3
[ -x "$tool" ] || { echo "disc-images: no native disctool at $tool (build the linux preset)" >&2; exit 1; }
rm -rf "$out" && mkdir -p "$out/src"
for n in 1 2; do
  # The folder as an author has it: no Wine label file.
  cp -r "$sample/disc$n" "$out/src/disc$n"
  rm -f "$out/src/disc$n/.windows-label"
done
for n in 1 2; do
  "$tool" image "$out/src/disc$n" "$out/disc$n.iso" --set "$out/src/disc1" "$out/src/disc2" >/dev/null
  mkdir -p "$out/disc$n"
  xorriso -osirrox on -read_fs norock -indev "$out/disc$n.iso" -extract / "$out/disc$n" >/dev/null 2>&1
  xorriso -indev "$out/disc$n.iso" -pvd_info 2>/dev/null | sed -n 's/^Volume Id *: *//p' |
    tr -d '\n' >"$out/disc$n/.windows-label"
  find "$out/disc$n" -type f -exec chmod a-w {} +
done
echo "disc-images: $(cat "$out/disc1/.windows-label") and $(cat "$out/disc2/.windows-label") in $out"
