#!/usr/bin/env bash
# Makes the manual's pictures with the program itself (--screenshot, --window), so
# they show what the program shows now. The build runs it whenever zolmar changes.
# Usage: scripts/manual-pictures.sh ZOLMAR ZOLMAR-CLI OUTPUT-FOLDER
set -euo pipefail
zolmar=$(readlink -f "$1")
cli=$(readlink -f "$2")
out=$(mkdir -p "$3" && cd "$3" && pwd)
config="$(dirname "$zolmar")/q7700xDefaultConfig.ecu"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The same pictures whatever the desktop: no display, no user settings.
export QT_QPA_PLATFORM=offscreen HOME="$work" XDG_CONFIG_HOME="$work" XDG_RUNTIME_DIR="$work"
unset ZOLMAR_PORT

# An element's index in the default configuration, by its exact name.
# awk reads to the end: leaving early would break the pipe under pipefail.
element() { "$cli" info "$config" | awk -v name="\"$1\"" '$1 == "element:" && !found {
    n = $0; sub(/^[^"]*/, "", n); if (n == name) { print $2; found = 1 } }'; }
ve=$(element "%Volumetric Efficiency 1")
online=(--virtual-ecu --after-ms 5000)
# A drive on the virtual ECU, as the onboard log brings it back, for the log viewer.
"$cli" retrieve-log --virtual-ecu --run 120 "$work/drive.csv" >/dev/null
offline=(--open "$config" --after-ms 800)

# One line per picture: its name, then the program's arguments.
pictures=(
    "simple-view ${online[*]}"
    "diagram-page ${online[*]} --advanced --page 12"
    "gauges-page ${online[*]} --advanced --page 1"
    "table-editor ${online[*]} --table $ve"
    "gauges-window ${online[*]} --window gauges"
    "scope-window ${online[*]} --window scope"
    "voltages-window ${online[*]} --window voltages"
    "retrieve-log-window ${online[*]} --window retrievelog"
    "log-viewer-window --after-ms 1500 --window logviewer $work/drive.csv"
    "simulator-window ${offline[*]} --advanced --window simulator"
    "new-window ${offline[*]} --window new"
    "import-window ${offline[*]} --window import"
    "properties-window ${offline[*]} --window properties"
    "wiring-window ${offline[*]} --window wiring"
    "inputs-window ${offline[*]} --window inputs"
    "ignition-window ${offline[*]} --window ignition"
    "flashing-window --after-ms 800 --window flashing"
    "wizard-basic ${offline[*]} --window wizard --wizard-tab 1"
    "wizard-tuning ${offline[*]} --window wizard --wizard-tab 2"
    "wizard-ignition ${offline[*]} --window wizard --wizard-tab 3"
    "wizard-outputs ${offline[*]} --window wizard --wizard-tab 4"
    "setup-checklist ${online[*]} --window checklist"
)
# A machine busy with the rest of the build may need longer for the virtual ECU to
# come online: a failed picture is tried once more with twice the wait.
shoot() {
    local name=$1
    shift
    (cd "$work" && "$zolmar" --screenshot "$out/$name.png" "$@" 2>"$work/$name.log") && return 0
    local wait=800 k
    for ((k = 1; k < $#; k++)); do
        [ "${!k}" = --after-ms ] && { local next=$((k + 1)); wait=${!next}; }
    done
    (cd "$work" && "$zolmar" --screenshot "$out/$name.png" "$@" --after-ms $((wait * 2)) \
        2>"$work/$name.log") && return 0
    echo "manual picture $name failed:" >&2
    cat "$work/$name.log" >&2
    return 1
}
export -f shoot
export zolmar out work
printf '%s\n' "${pictures[@]}" | xargs -P 2 -L 1 bash -c 'shoot "$@"' _
touch "$out/.made"
