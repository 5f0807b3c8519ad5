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

# A tune made from the default configuration for the comparison picture: a few cells
# of the VE map raised, a constant changed and a page renamed, through an edit script.
rows=$("$cli" table-export "$config" "$ve" "$work/ve.csv" | awk '$1 == "rows:" { print $2 }')
awk -F, -v ve="$ve" -v y="$rows" 'NR == 1 { x = NF - 1; next }
    { r = NR - 2; if (r >= 3 && r <= 6) for (c = 5; c <= 8; c++) {
        raw = int(($(c + 2) + (r + c) % 3 + 1) * 50 + 0.5); raw -= raw % 2
        print "const-word " ve " " (2 + 2 * x + 2 * y + 2 * (r * x + c)) " " raw } }' \
    "$work/ve.csv" >"$work/tune.txt"
printf '%s\n' "rename 4 Injectors (tuned)" "const-word 6 0 1000" >>"$work/tune.txt"
"$cli" edit "$config" "$work/tune.txt" "$work/tuned.ecu" >/dev/null

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
    "compare-window ${offline[*]} --compare $work/tuned.ecu"
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
