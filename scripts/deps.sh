#!/usr/bin/env bash
# Installs the Debian 12 packages Amblopad needs to build, run and test,
# and only those that are missing.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config
          qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-translations-l10n
          libqt6svg6-dev libxml2-dev libxml2-utils
          libsqlite3-dev libzip-dev libzstd-dev zlib1g-dev libdeflate-dev
          libhunspell-dev hunspell-fr hunspell-en-us
          libgl-dev xvfb xauth python3 poppler-utils clang-format locales
          fonts-dejavu-core fonts-liberation2 fonts-noto-core)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
