#!/bin/sh
# Runs every benchmark program and prints one table: figure, median, spread
# (lowest to highest of the repetitions), target and ratio (median / target) for
# the figures that have a target.
#
#   bench/run.sh [build-dir] [repetitions]
#
# The transfers through q7700x-emu --realtime take minutes; they run only with
# ZOLMAR_BENCH_LINK=1 (once each, ZOLMAR_BENCH_LINK_REPS=N for more). ZOLMAR_BENCH_FILTER restricts the benchmarks by name (a
# Google Benchmark filter). Needs a build configured with -DZOLMAR_BENCH=ON.
set -eu

build=${1:-build}
reps=${2:-5}
filter=${ZOLMAR_BENCH_FILTER:-.}
bench="$build/bench"
[ -d "$bench" ] || { echo "no $bench: configure with -DZOLMAR_BENCH=ON and build" >&2; exit 2; }
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Targets: benchmark name | figure | what is compared (time, or counter:NAME) | target | unit
cat >"$out/targets" <<'EOF'
BM_FullRenderPainted/1|far-links dense page: route + full render|time|30|ms
BM_ReplayRenderPainted/1|far-links dense page: replay + render|time|5|ms
BM_GaugeOverlayIncremental/1|overlay per cycle, gauge page, values changing: painting|time|1|ms
BM_GaugeOverlayIncremental/0|overlay per cycle, gauge page, nothing changed: ops painted|counter:painted|0|ops
BM_SimulatorTickDefaultConfiguration|simulator: default configuration, 50 passes|time|170|us
BM_SimulatorTickLargestDiagram|simulator: 3,454 elements, 50 passes|time|2|ms
BM_FullReadThroughEmuRealtime/large:0|full read, default configuration, emu realtime: wall / bound|counter:ratio|1.02|x
BM_FullWriteThroughEmuRealtime/large:0|full write, default configuration, emu realtime: wall / bound|counter:ratio|1.02|x
BM_FullReadThroughEmuRealtime/large:1|full read, 3,454 elements, emu realtime: wall / bound|counter:ratio|1.02|x
BM_FullWriteThroughEmuRealtime/large:1|full write, 3,454 elements, emu realtime: wall / bound|counter:ratio|1.02|x
EOF

for program in "$bench"/zolmar_bench_*; do
    [ -x "$program" ] || continue
    name=$(basename "$program")
    case "$name" in
    zolmar_bench_event_loop) continue ;; # its own report, not a Google Benchmark program
    esac
    link_filter=$filter
    program_reps=$reps
    if [ "$name" = zolmar_bench_link ] && [ "${ZOLMAR_BENCH_LINK:-0}" != 1 ] &&
        [ "$filter" = . ]; then
        link_filter='^BM_PollCycle'
    fi
    # A transfer through the emulator takes up to a minute: once unless asked.
    [ "$name" = zolmar_bench_link ] && program_reps=${ZOLMAR_BENCH_LINK_REPS:-1}
    echo "running $name" >&2
    "$program" --benchmark_filter="$link_filter" --benchmark_repetitions="$program_reps" \
        --benchmark_format=json >"$out/$name.json" 2>"$out/$name.err" ||
        { echo "$name failed:" >&2; cat "$out/$name.err" >&2; }
done

# The JSON of all programs, one key per line as the programs write it: per run its
# name, real time and unit, label and counters. Repetitions share the name;
# aggregates are left out (the table forms its own).
awk '
function fmt(v) {
    if (v == 0) return "0"
    if (v >= 100) return sprintf("%.0f", v)
    if (v >= 10) return sprintf("%.1f", v)
    if (v >= 1) return sprintf("%.2f", v)
    return sprintf("%.3g", v)
}
function sort(a, n,    i, j, t) {
    for (i = 2; i <= n; ++i) for (j = i; j > 1 && a[j - 1] > a[j]; --j) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
}
FILENAME ~ /targets$/ {
    split($0, t, "|")
    target[t[1]] = t[4]; figure[t[1]] = t[2]; what[t[1]] = t[3]; tunit[t[1]] = t[5]
    next
}
FNR == 1 { inRuns = 0 }
/"benchmarks": \[/ { inRuns = 1; next }
!inRuns { next }
/^ *\{ *$/ { delete field; next }
/^ *"[^"]+": / {
    line = $0
    sub(/^ *"/, "", line)
    key = line; sub(/".*$/, "", key)
    val = line; sub(/^[^"]*": */, "", val); sub(/,$/, "", val); gsub(/^"|"$/, "", val)
    field[key] = val
    next
}
/^ *\}/ {
    if (!("name" in field) || field["run_type"] == "aggregate") next
    base = field["name"]
    gsub(/\/(repeats|iterations):[0-9]+/, "", base)
    gsub(/\/(manual|real)_time/, "", base)
    if (!(base in count)) order[++names] = base
    k = ++count[base]
    unit[base] = field["time_unit"]
    value[base, "time", k] = field["real_time"] + 0
    for (c in field) value[base, "counter:" c, k] = field[c] + 0
    label[base] = field["label"]
    delete field
}
END {
    printf "%-62s %10s %-21s %8s %7s\n", "figure", "median", "spread", "target", "ratio"
    for (i = 1; i <= names; ++i) {
        b = order[i]
        w = (b in what) ? what[b] : "time"
        m = count[b]
        for (k = 1; k <= m; ++k) v[k] = value[b, w, k]
        sort(v, m)
        median = (m % 2) ? v[(m + 1) / 2] : (v[m / 2] + v[m / 2 + 1]) / 2
        u = (w == "time") ? unit[b] : tunit[b]
        f = (b in figure) ? figure[b] : b (label[b] != "" ? " (" label[b] ")" : "")
        # Ratios to a bound are told apart in the third decimal.
        shown = (u == "x") ? sprintf("%.3f", median) : fmt(median)
        spread = (u == "x") ? sprintf("%.3f-%.3f x", v[1], v[m]) : fmt(v[1]) "-" fmt(v[m]) " " u
        if (b in target) {
            tg = fmt(target[b]) " " tunit[b]
            if (target[b] + 0 == 0)
                ratio = (median == 0) ? "met" : "missed"
            else
                ratio = sprintf("%.2f", median / target[b])
        } else {
            tg = "-"; ratio = "-"
        }
        printf "%-62s %7s %-2s %-21s %8s %7s\n", substr(f, 1, 62), shown, u, spread, tg, ratio
    }
}' "$out/targets" "$out"/*.json
