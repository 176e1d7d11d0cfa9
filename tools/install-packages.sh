#!/usr/bin/env bash
# Installs those of the project's Debian packages (tools/packages.txt) that are missing, as
# root or through sudo.
#   tools/install-packages.sh
set -euo pipefail
list="$(dirname "$0")/packages.txt"
missing=()
while read -r p; do
  case $p in '' | '#'*) continue ;; esac
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done <"$list"
[ ${#missing[@]} -gt 0 ] || exit 0
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
$sudo_cmd apt-get update
DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y "${missing[@]}"
