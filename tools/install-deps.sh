#!/usr/bin/env bash
# Installs what building, running and testing Velvane needs on Debian 12, when missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ python3 locales
    googletest libgtest-dev libgmock-dev libcurl4-openssl-dev
    g++-mingw-w64-x86-64 wine64 wine xvfb xdotool xclip x11-utils imagemagick
    fonts-wqy-microhei libstb-dev
    libbenchmark-dev libpcre2-dev libicu-dev pkg-config
    clang libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' || missing+=("$package")
done

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Without the generated locale, LANG=zh_CN.UTF-8 is silently ignored.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
    as_root localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
