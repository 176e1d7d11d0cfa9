#!/usr/bin/env bash
# Runs setup.exe from the sample disc under Wine.
#   tools/run-sample.sh [--install] [--headless] [--images A.iso [B.iso ...] [--launcher64]]
# Builds the Windows programs (preset mingw64), makes a private Wine prefix under
# build/mingw64/sample-prefix with disc 1 as CD-ROM drive D: (label WENDMARK_1) and disc 2
# as E: (WENDMARK_2), and starts D:\setup.exe in D:\. With a display you drive it; without
# one (or with --headless) it runs under Xvfb and walks through the whole lifecycle (the
# dialog, the folder browser, an install from both discs swapping them in drive D: as the
# prompts ask, Play, Demo, Uninstall and a fresh start), saves screenshots to
# build/mingw64/sample-screenshots and prints what it did.
# --install first installs the Debian packages it needs (as root, or through sudo).
# --images runs the launcher from disc images instead (an author's own discs, made with
# disctool image or any ISO 9660 tool): each is extracted as a CD-ROM presents it, every
# file read-only, its volume ID the label; the first goes into D:, the others into E:, F:...
# A release disc's setup.exe is 32-bit (for Windows XP): a Wine that runs no 32-bit programs
# cannot start it, and the script says so; --launcher64 then tests the disc's scripts and
# files with this build's 64-bit setup.exe (and grpconv.exe) in place of the disc's.
set -euo pipefail
cd "$(dirname "$0")/.."

install=no headless=no images=() launcher64=no
while [ $# -gt 0 ]; do
  case $1 in
    --install) install=yes ;;
    --headless) headless=yes ;;
    --launcher64) launcher64=yes ;;
    --images)
      while [ $# -gt 1 ] && [ "${2#--}" = "$2" ]; do images+=("$(realpath "$2")"); shift; done
      [ ${#images[@]} -gt 0 ] || { echo "--images needs at least one image" >&2; exit 2; } ;;
    *) echo "usage: tools/run-sample.sh [--install] [--headless] [--images A.iso [B.iso ...] [--launcher64]]" >&2
       exit 2 ;;
  esac
  shift
done
[ -n "${DISPLAY:-}" ] || headless=yes

if [ $install = yes ]; then
  bash tools/install-packages.sh
fi

echo "=== building setup.exe, the stand-in programs and the sample discs"
mkdir -p build
cmake --preset mingw64 >build/run-sample-configure.log 2>&1 || { cat build/run-sample-configure.log; exit 1; }
cmake --build --preset mingw64 -j "${DL_JOBS:-2}" --target sample_disc uidriver >build/run-sample-build.log 2>&1 ||
  { tail -n 60 build/run-sample-build.log; exit 1; }

bin=$PWD/build/mingw64
discs=$bin/sample-disc
prefix=$bin/sample-prefix
shots=$bin/sample-screenshots
export WINEPREFIX=$prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

disc_names=("disc 1 of the sample" "disc 2 of the sample")
disc_dirs=("$discs/disc1" "$discs/disc2")
if [ ${#images[@]} -gt 0 ]; then
  # Each image as a CD-ROM presents it to Windows: its Joliet tree extracted, read-only,
  # its volume ID the label.
  command -v xorriso >/dev/null || { echo "--images needs xorriso (--install brings it)" >&2; exit 1; }
  discs=$bin/sample-images
  rm -rf "$discs" && mkdir -p "$discs"
  disc_names=() disc_dirs=()
  n=0
  for iso in "${images[@]}"; do
    n=$((n + 1))
    mkdir -p "$discs/disc$n"
    xorriso -osirrox on -read_fs norock -indev "$iso" -extract / "$discs/disc$n" >/dev/null 2>&1 ||
      { echo "cannot read $iso" >&2; exit 1; }
    xorriso -indev "$iso" -pvd_info 2>/dev/null | sed -n 's/^Volume Id *: *//p' | tr -d '\n' \
      >"$discs/disc$n/.windows-label"
    find "$discs/disc$n" -type f -exec chmod a-w {} +
    disc_names+=("$iso (label $(cat "$discs/disc$n/.windows-label"))")
    disc_dirs+=("$discs/disc$n")
  done
  launcher=$(find "$discs/disc1" -maxdepth 1 -iname setup.exe | head -n 1)
  [ -n "$launcher" ] || { echo "${images[0]} has no setup.exe in its root: it cannot be disc 1" >&2; exit 1; }
  if [ $launcher64 = yes ]; then
    # This build's launcher stands in for the disc's: the scripts and files are the disc's.
    for program in setup grpconv; do
      target=$(find "$discs/disc1" -maxdepth 1 -iname "$program.exe" | head -n 1)
      [ -n "$target" ] || target=$discs/disc1/$program.exe
      chmod u+w "$target" 2>/dev/null || true
      cp "$bin/sample-disc/disc1/$program.exe" "$target" && chmod a-w "$target"
    done
    echo "=== disc 1's setup.exe and grpconv.exe replaced by this build's 64-bit ones"
  elif [ "$(tools/pe-machine.sh "$launcher")" = i386 ] &&
       [ ! -x /usr/lib/wine/wine ] && [ ! -d /usr/lib/i386-linux-gnu/wine ]; then
    cat >&2 <<MSG
${images[0]}: its setup.exe is a 32-bit Windows program (as a release for Windows XP is),
and this Wine runs 64-bit programs only (wine32 is not installed), so it could not start.
Either run it where Wine runs 32-bit programs (a kernel that runs 32-bit programs, then
"dpkg --add-architecture i386 && apt-get update && apt-get install wine32:i386"), or test
the disc's scripts and files with this build's 64-bit launcher in its place:
  tools/run-sample.sh --images ${images[*]} --launcher64
MSG
    exit 3
  fi
elif [ $launcher64 = yes ]; then
  echo "--launcher64 goes with --images (the sample discs have this build's launcher)" >&2
  exit 2
fi
more=()
letters=(e f g h i j)
for i in "${!disc_dirs[@]}"; do
  [ "$i" -gt 0 ] || continue
  more+=("${letters[$((i - 1))]}" "${disc_dirs[$i]}" "$(cat "${disc_dirs[$i]}/.windows-label")")
done
echo "=== making the Wine prefix $prefix (D: = ${disc_names[0]})"
sh tests/wine/prefix-setup.sh "$prefix" "${disc_dirs[0]}" "$(cat "${disc_dirs[0]}/.windows-label")" \
  "${more[@]}"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

if [ $headless = no ]; then
  echo "=== starting D:\\setup.exe (close its window to end)"
  echo "    When it asks for another disc, put it into D: from another terminal:"
  for i in "${!disc_dirs[@]}"; do
    echo "      ${disc_names[$i]}:"
    echo "        WINEPREFIX=$prefix wine $bin/tools/uidriver.exe swap d ${disc_dirs[$i]}"
  done
  wine start /wait /d 'D:\' 'D:\setup.exe' </dev/null 2>/dev/null
  exit 0
fi

echo "=== no display: walking through the launcher under Xvfb"
rm -rf "$shots" && mkdir -p "$shots"
winshots="Z:$(printf '%s' "$shots" | tr / '\\')"
xvfb-run -a wine "$bin/tools/uidriver.exe" walkthrough 'D:\setup.exe' 'D:\' "$winshots" \
  d "${disc_dirs[@]}" \
  </dev/null 2> >(grep -v -e '^ALSA' -e 'X connection' >&2) | tr -d '\r'
echo "=== screenshots (BMP) in $shots:"
ls "$shots"
