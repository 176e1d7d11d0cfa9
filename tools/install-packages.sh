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
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  $sudo_cmd apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y "${missing[@]}"
fi
# The Chinese scenarios run Wine under zh_CN.UTF-8: it makes files with Chinese names on the
# host only when the host has that locale.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  $sudo_cmd localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
