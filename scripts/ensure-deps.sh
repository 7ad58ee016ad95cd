#!/usr/bin/env bash
# Installs the Debian packages a set-up step needs when they are missing: as
# root with apt-get, otherwise by printing the exact command to run.
#
#   scripts/ensure-deps.sh GROUP...
#
# The one list of every package the project uses, by group:
#   run      the program and the report (make run, make install)
#   test     run, GoogleTest and the browser test's needs (make test)
#   browser  headless Chromium (and pdftotext) for the report's browser test
#   python   the Python module kolvane and its tests
#   bench    run and Google Benchmark (make bench)
#   fuzz     run and clang with libFuzzer (make fuzz)
set -euo pipefail

run=(cmake make g++ libfftw3-dev libmatio-dev help2man)
browser=(chromium chromium-driver python3 poppler-utils)
python=(python3-dev pybind11-dev python3-pybind11 python3-numpy python3-pytest python3-setuptools python3-venv)
test=("${run[@]}" libgtest-dev python3-scipy "${browser[@]}" "${python[@]}")
bench=("${run[@]}" libbenchmark-dev)
fuzz=("${run[@]}" clang libclang-rt-14-dev)

if [ $# -eq 0 ]; then
    echo "usage: $0 run|test|browser|python|bench|fuzz..." >&2
    exit 1
fi
packages=()
for group in "$@"; do
    case "$group" in
        run) packages+=("${run[@]}") ;;
        test) packages+=("${test[@]}") ;;
        browser) packages+=("${browser[@]}") ;;
        python) packages+=("${python[@]}") ;;
        bench) packages+=("${bench[@]}") ;;
        fuzz) packages+=("${fuzz[@]}") ;;
        *) echo "$0: unknown group $group" >&2; exit 1 ;;
    esac
done

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
# One entry per package, in the order first asked for.
mapfile -t missing < <(printf '%s\n' "${missing[@]}" | awk '!seen[$0]++')

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
