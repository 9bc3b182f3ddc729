#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine, when it is missing. Run as root.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for p in cmake make g++ g++-mingw-w64-x86-64 g++-mingw-w64-i686 googletest wine wine64 xvfb xdotool x11-apps \
         imagemagick locales fonts-ipafont-gothic fonts-wine fp-utils; do
  have_pkg "$p" || need+=("$p")
done
if ((${#need[@]})); then
  echo "installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# Japanese Windows runs with the ANSI code page 932; Wine takes it from the locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
