#!/usr/bin/env bash
# Sets up, builds and starts ZOLMAR. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
scripts/build.sh build
exec build/app/zolmar "$@"
