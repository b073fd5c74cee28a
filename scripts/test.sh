#!/usr/bin/env bash
# Runs every test of Stirwell on a fresh machine: installs what is missing,
# builds, and runs the suites inside a private environment (temporary XDG
# directories, a private D-Bus session bus, an Xvfb display).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
exec bash scripts/with-test-env.sh ctest --test-dir "${STIRWELL_BUILD_DIR:-build}" --output-on-failure -j 2 "$@"
