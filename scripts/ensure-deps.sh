#!/usr/bin/env bash
# Installs the Debian packages the build and tests need when they are missing:
# as root with apt-get, otherwise by printing the exact command to run.
set -euo pipefail

packages=(cmake make g++ libgtest-dev libbenchmark-dev libfftw3-dev clang libclang-rt-14-dev python3 "$@")
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    echo "Installing missing packages: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}"
else
    echo "Missing packages. Install them with:"
    echo "  sudo apt-get install -y ${missing[*]}"
    exit 1
fi
