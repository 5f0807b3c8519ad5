#!/usr/bin/env bash
# Sets up, builds with warnings as errors, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
scripts/build.sh build -DZOLMAR_WERROR=ON
cd build
ctest --no-tests=error --output-on-failure -j "$(nproc)" --timeout 600
