#!/usr/bin/env bash
# Installs the Debian 12 packages VALMIR needs to build, test and run.
# Does nothing when they are all present.
set -euo pipefail
packages=(
  g++ cmake make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  qt6-svg-dev qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n
  libsqlcipher-dev sqlcipher
  libpq-dev postgresql postgresql-contrib
  libbenchmark-dev
  xvfb xauth fonts-dejavu-core
  # The program draws its PDF itself; the tests read the RTF with LibreOffice
  # and the PDF with poppler-utils.
  libreoffice-writer-nogui poppler-utils
  libzint-dev zbar-tools xdg-utils libxml2-utils
  libsaxonhe-java default-jre-headless
  clang desktop-file-utils appstream dpkg-dev file librsvg2-bin lintian
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
