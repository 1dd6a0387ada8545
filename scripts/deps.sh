#!/usr/bin/env bash
# Installs the Debian packages Nettora builds, runs and is tested with, when
# any of them is missing.
# Reports fall back to other installed fonts for characters Liberation Sans
# lacks: Noto for most scripts, Noto CJK, and Symbola for emoji and symbols
# (colour emoji fonts have no outlines and print empty in PDF files).
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config qt6-base-dev libsqlcipher-dev sqlcipher
          libcurl4-openssl-dev libsodium-dev libfontconfig-dev libgtest-dev libgmock-dev
          poppler-utils qpdf python3-aiosmtpd fonts-liberation2 fonts-urw-base35
          fonts-noto-core fonts-noto-cjk fonts-symbola)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
fi
