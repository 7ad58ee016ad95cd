#!/usr/bin/env bash
# Makes sure headless Chromium is there for the report's browser test: installs
# it with apt-get when running as root, otherwise prints the command to run and
# fails.
exec "$(dirname "${BASH_SOURCE[0]}")/ensure-deps.sh" browser
