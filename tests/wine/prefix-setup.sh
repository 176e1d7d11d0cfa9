#!/bin/sh
# Makes a private Wine prefix for the Windows tests: real (not linked) user folders, a
# folder mapped as CD-ROM drive D: with a volume label, and a warm persistent wineserver.
# Usage: prefix-setup.sh PREFIX DISCDIR LABEL [LETTER DIR LABEL]...
# Each further triple maps DIR as one more CD-ROM drive LETTER (e, f...) with LABEL.
set -eu
prefix=$1 disc=$2 label=$3
shift 3
export WINEPREFIX="$prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wineserver -k </dev/null >/dev/null 2>&1 || true
rm -rf "$prefix"
mkdir -p "$prefix" "$disc"
wineboot -i </dev/null >/dev/null 2>&1
wineserver -w </dev/null >/dev/null 2>&1
# A new prefix links Desktop, Documents, Templates... to the Unix home folder, some deep in
# AppData: make every link under drive_c a real folder, so that no delete made by a test
# can reach the host through one.
find "$prefix/drive_c" -type l | while IFS= read -r f; do
  rm -f "$f" && mkdir -p "$f"
done
printf '%s' "$label" >"$disc/.windows-label"
ln -sfn "$disc" "$prefix/dosdevices/d:"
reg="$prefix/drives.reg"
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\r\n"d:"="cdrom"\r\n' >"$reg"
while [ $# -ge 3 ]; do
  letter=$1 dir=$2 dlabel=$3
  shift 3
  mkdir -p "$dir"
  printf '%s' "$dlabel" >"$dir/.windows-label"
  ln -sfn "$dir" "$prefix/dosdevices/$letter:"
  printf '"%s:"="cdrom"\r\n' "$letter" >>"$reg"
done
wine regedit "$reg" </dev/null >/dev/null 2>&1
wineserver -w </dev/null >/dev/null 2>&1
# Keep one server alive for the whole test run and warm it.
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1
left=$(find "$prefix/drive_c" -type l)
if [ -n "$left" ]; then
  echo "prefix-setup: links remain under drive_c:" >&2
  echo "$left" >&2
  exit 1
fi
exit 0
