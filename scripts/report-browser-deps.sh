#!/usr/bin/env bash
# Makes sure headless Chromium is there for the report's browser test: installs
# chromium and chromium-driver with apt-get when running as root, otherwise
# prints the command to run and fails.
set -euo pipefail

packages=(chromium chromium-driver)
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
    apt-get install -y -qq "${missing[@]}" >/dev/null
else
    echo "Missing packages for the browser test. Install them with:"
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}"
    exit 1
fi
