#!/usr/bin/env bash
# Installs the Debian packages Quillstack needs to build, run and test.
# Safe to run again: only missing packages are installed.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-qpa-plugins qt6-image-formats-plugins libqt6svg6
    nlohmann-json3-dev libsimdjson-dev
    libxcb1-dev libxcb-xtest0-dev libxcb-xfixes0-dev libxcb-keysyms1-dev
    libwayland-dev libxkbcommon-dev plasma-wayland-protocols
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth x11-utils xclip xdotool openbox xcompmgr trayer imagemagick desktop-file-utils libglib2.0-bin
    shared-mime-info adwaita-icon-theme hicolor-icon-theme fonts-dejavu-core
    sway kwin-wayland xwayland wl-clipboard wtype wayland-utils qt6-wayland dbus
    xdg-desktop-portal xdg-desktop-portal-kde libkf5service-bin libglib2.0-bin
    clang-format
    dpkg-dev file lintian appstream man-db groff-base
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
    sudo_cmd=(sudo)
fi

echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
