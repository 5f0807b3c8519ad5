#!/usr/bin/env bash
# Sets up, builds and starts ZOLMAR. Arguments go to the program. Without an ECU
# attached (no USB serial device with the ids 10C4:84BA, no ZOLMAR_PORT) and without
# --port, ZOLMAR starts with its virtual ECU.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
# Only what the program needs: the tests and benchmarks are built by scripts/test.sh.
[ -x build/app/zolmar ] || echo "Building ZOLMAR: the first build takes a few minutes." >&2
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target zolmar zolmar_manual zolmar_default_files

# True when a ttyUSB/ttyACM device belongs to a USB device with the ECU's ids.
ecu_attached() {
    [ -n "${ZOLMAR_PORT:-}" ] && return 0
    local tty dir
    for tty in /sys/class/tty/ttyUSB* /sys/class/tty/ttyACM*; do
        [ -e "$tty/device" ] || continue
        dir=$(readlink -f "$tty/device")
        while [ -n "$dir" ] && [ "$dir" != "/" ]; do
            if [ -f "$dir/idVendor" ] && [ -f "$dir/idProduct" ]; then
                if [ "$(tr 'A-F' 'a-f' <"$dir/idVendor")" = 10c4 ] &&
                    [ "$(tr 'A-F' 'a-f' <"$dir/idProduct")" = 84ba ]; then
                    return 0
                fi
                break
            fi
            dir=$(dirname "$dir")
        done
    done
    return 1
}

args=("$@")
for arg in "$@"; do
    case "$arg" in --port | --port=* | --virtual-ecu) exec build/app/zolmar "${args[@]}" ;; esac
done
if ecu_attached; then
    exec build/app/zolmar "${args[@]}"
fi
echo "No q7700x attached: starting with the virtual ECU." >&2
exec build/app/zolmar --virtual-ecu "${args[@]}"
