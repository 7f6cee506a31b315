#!/usr/bin/env bash
# Installs every Debian package the build, the application and the tests need.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
sudo_si_hace_falta() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
sudo_si_hace_falta apt-get update
sudo_si_hace_falta apt-get install -y --no-install-recommends \
  build-essential cmake ninja-build pkg-config git ca-certificates \
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-svg-dev qt6-qpa-plugins libgl-dev \
  libpulse-dev pulseaudio pulseaudio-utils libsoxr-dev libsodium-dev libarchive-dev \
  libcanberra-dev sound-theme-freedesktop libespeak-ng-dev espeak-ng espeak-ng-data \
  libsoundtouch-dev libwebrtc-audio-processing-dev libcanberra-pulse \
  python3 python3-numpy python3-venv libbenchmark-dev dbus dbus-x11 sox xvfb \
  xauth adwaita-icon-theme fonts-dejavu-core libaubio-dev qt6-translations-l10n
