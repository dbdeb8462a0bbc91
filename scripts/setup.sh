#!/usr/bin/env bash
# Installs the Debian packages Albumon needs to build, run and test; quiet when all are present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev libjpeg62-turbo-dev libzip-dev libexif-dev libturbojpeg0-dev
  libheif-dev libde265-dev libheif-examples libpng-dev libwebp-dev liblcms2-dev libexempi-dev libxml2-dev nettle-dev libicu-dev
  libcurl4-openssl-dev libssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipafont-gothic
  clang-14 libclang-rt-14-dev
  xvfb xauth zip unzip python3
  openbox xdotool xclip x11-utils x11-apps libjpeg-turbo-progs
  chromium chromium-driver python3-selenium
  qt6-translations-l10n
  openssh-server openssh-client python3-pyftpdlib python3-openssl openssl
  dpkg-dev file desktop-file-utils appstream lintian groff-base man-db
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo_cmd=(); else sudo_cmd=(sudo); fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
