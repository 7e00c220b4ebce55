#!/usr/bin/env bash
# Installs what the build and the tests need and is not on this machine yet. Quiet and quick when
# everything is present; runs apt-get update only when something must be installed.
set -euo pipefail

packages=(
    clang libclang-rt-14-dev
    g++ cmake make
    libgtest-dev libbenchmark-dev
    libpugixml-dev libzip-dev libxml2-utils
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
