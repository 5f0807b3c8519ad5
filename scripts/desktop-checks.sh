#!/usr/bin/env bash
# The desktop program's checks that need no display: help and version without
# DISPLAY, every zolmar-cli command's --help, --opt=value, the install tree's layout,
# the .deb's contents and dependencies, the desktop entry and AppStream metadata
# validated with Debian's validators, and the packaged program started once,
# offscreen, from a scratch root. Usage: scripts/desktop-checks.sh [BUILD-FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
zolmar=$build/app/zolmar
cli=$build/cli/zolmar-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
passes=0
check() { # check NAME COMMAND...: the command must succeed
    local name=$1
    shift
    if "$@" >"$work/out" 2>&1; then
        passes=$((passes + 1))
    else
        failures=$((failures + 1))
        echo "FAILED: $name" >&2
        sed 's/^/    /' "$work/out" >&2
    fi
}
# exits CODE COMMAND...: the command must end with this exit code
exits() {
    local code=$1
    shift
    local rc=0
    "$@" >"$work/run.out" 2>"$work/run.err" || rc=$?
    [ "$rc" -eq "$code" ] || { echo "exit code $rc, not $code: $*"; cat "$work/run.out" "$work/run.err"; return 1; }
}
has() { grep -q -- "$1" "$work/run.out" "$work/run.err" || { echo "no \"$1\" in the output"; return 1; }; }
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)

echo "== help and version without a display"
check "zolmar --help" bash -c "$(declare -f exits has); work=$work; exits 0 ${nodisplay[*]} $zolmar --help && has 'Usage: zolmar' && has -- '--screenshot'"
check "zolmar --version" bash -c "$(declare -f exits has); work=$work; exits 0 ${nodisplay[*]} $zolmar --version && grep -Eq '^zolmar [0-9]+\.[0-9]+\.[0-9]+' $work/run.out"
check "zolmar-cli --version" bash -c "$(declare -f exits has); work=$work; exits 0 $cli --version && grep -Eq '^zolmar-cli [0-9]+\.[0-9]+\.[0-9]+' $work/run.out"
check "the same version" bash -c "[ \"\$($zolmar --version | cut -d' ' -f2-)\" = \"\$($cli --version | cut -d' ' -f2-)\" ]"
check "zolmar usage errors without a display" bash -c "$(declare -f exits has); work=$work; \
    exits 2 ${nodisplay[*]} $zolmar --page 999 && has '1 to 128' && \
    exits 2 ${nodisplay[*]} $zolmar --page=0 && has -- '--page' && \
    exits 2 ${nodisplay[*]} $zolmar --after-ms -5 && \
    exits 2 ${nodisplay[*]} $zolmar --table abc && \
    exits 2 ${nodisplay[*]} $zolmar --screenshot $work/missing/x.png && has 'does not exist' && \
    exits 2 ${nodisplay[*]} $zolmar --bogus && has 'unknown option'"

printf 'short' >"$work/short.ecu"
check "a screenshot never waits on a message box" bash -c "$(declare -f exits has); work=$work; \
    exits 1 timeout 60 env QT_QPA_PLATFORM=offscreen HOME=$work $zolmar --open $work/short.ecu \
        --screenshot $work/never.png && has 'is not a complete ECU settings file' && test ! -e $work/never.png"

echo "== every zolmar-cli command's --help"
commands=$("$cli" --help | awk '/^Commands:/ { on = 1; next } on && /^  [a-z]/ { print $1 }')
[ -n "$commands" ] || { echo "no commands in zolmar-cli --help" >&2; exit 1; }
for c in $commands; do
    check "zolmar-cli $c --help" bash -c "$(declare -f exits has); work=$work; \
        exits 0 $cli $c --help && head -1 $work/run.out | grep -q '^usage: zolmar-cli $c' && \
        exits 0 $cli help $c && exits 0 $cli $c -h"
done
check "zolmar-cli unknown option" bash -c "$(declare -f exits has); work=$work; \
    exits 2 $cli info --bogus x.ecu && has 'unknown option' && has 'usage: zolmar-cli info FILE.ecu'"

echo "== --opt=value works wherever --opt value does"
"$cli" new-complete "$work/tune.ecu" >/dev/null
check "simulate --passes=N --print=X" bash -c "[ \"\$($cli simulate $work/tune.ecu --passes=20 --print=5.0)\" = \
    \"\$($cli simulate $work/tune.ecu --passes 20 --print 5.0)\" ]"
check "read --port=PATH --timeout=S" bash -c "$(declare -f exits has); work=$work; \
    exits 1 $cli read --port=$work/no-such-device --timeout=0.3 $work/x.ecu && \
    exits 2 $cli read --timeout=-1 $work/x.ecu && has 'above 0'"
check "retrieve-log --pages=N" bash -c "$(declare -f exits has); work=$work; \
    exits 2 $cli retrieve-log --pages=7 $work/x.csv && has '1 to 6'"

echo "== the install tree"
DESTDIR="$work/tree" cmake --install "$build" --prefix /usr >/dev/null
expected=(
    usr/bin/zolmar usr/bin/zolmar-cli usr/bin/q7700x-emu
    usr/share/zolmar/q7700xDefaultConfig.ecu usr/share/zolmar/q7700xSettingsHints.txt
    usr/share/zolmar/q7700xHelp.html usr/share/zolmar/images/table-editor.png
    usr/share/applications/com.helverdy.zolmar.desktop
    usr/share/icons/hicolor/scalable/apps/com.helverdy.zolmar.svg
    usr/share/metainfo/com.helverdy.zolmar.metainfo.xml
    usr/share/mime/packages/com.helverdy.zolmar.xml
    usr/lib/udev/rules.d/70-q7700x.rules
)
for f in "${expected[@]}"; do
    check "installed $f" test -s "$work/tree/$f"
done
check "only programs in bin" bash -c "[ \"\$(ls $work/tree/usr/bin | tr '\n' ' ')\" = 'q7700x-emu zolmar zolmar-cli ' ]"
check "every manual picture installed" bash -c "for i in \$(grep -o 'images/[a-z-]*\.png' $work/tree/usr/share/zolmar/q7700xHelp.html); do \
    test -s $work/tree/usr/share/zolmar/\$i || { echo missing \$i; exit 1; }; done"
check "manual anchors resolve" bash -c "f=$work/tree/usr/share/zolmar/q7700xHelp.html; \
    for a in \$(grep -o 'href=\"#[a-z0-9-]*\"' \$f | sed 's/.*#//; s/\"//' | sort -u); do \
    grep -q \"id=\\\"\$a\\\"\" \$f || { echo no anchor \$a; exit 1; }; done"
check "desktop entry" desktop-file-validate "$work/tree/usr/share/applications/com.helverdy.zolmar.desktop"
check "AppStream metadata" appstreamcli validate --no-net --pedantic "$work/tree/usr/share/metainfo/com.helverdy.zolmar.metainfo.xml"
check "MIME types" bash -c "grep -q 'pattern=\"\\*.ecu\"' $work/tree/usr/share/mime/packages/com.helverdy.zolmar.xml && \
    grep -q 'application/x-q7700x-settings' $work/tree/usr/share/applications/com.helverdy.zolmar.desktop"
check "udev rules" bash -c "r=$work/tree/usr/lib/udev/rules.d/70-q7700x.rules; \
    grep -q 'ATTRS{idVendor}==\"10c4\", ATTRS{idProduct}==\"84ba\"' \$r && grep -q 'uaccess' \$r && \
    grep -q 'GROUP=\"dialout\"' \$r && grep -q 'ID_MM_DEVICE_IGNORE' \$r && grep -q 'cp210x' \$r"

echo "== the package"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/zolmar_*.deb | head -1)
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||' >"$work/contents"
for f in "${expected[@]}"; do
    check "packaged $f" grep -qx "$f" "$work/contents"
done
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins libqt6svg6 libc6; do
    check "depends on $d" grep -q "$d" <<<"$depends"
done
check "postinst reloads udev" bash -c "dpkg-deb -e $deb $work/control && grep -q 'udevadm' $work/control/postinst"
check "dependencies installable" bash -c "apt-get -s install $deb >/dev/null"

echo "== the packaged program, from a scratch root"
dpkg-deb -x "$deb" "$work/root"
check "packaged zolmar-cli finds its data" bash -c "cd $work && $work/root/usr/bin/zolmar-cli new-complete $work/fresh.ecu && \
    $work/root/usr/bin/zolmar-cli hint \"\$($work/root/usr/bin/zolmar-cli settings $work/fresh.ecu | head -1 | sed 's/^[^\"]*\"//; s/\"\$//')\""
check "packaged zolmar starts offscreen" bash -c "cd $work && HOME=$work QT_QPA_PLATFORM=offscreen \
    $work/root/usr/bin/zolmar --open $work/fresh.ecu --advanced --page 12 --screenshot $work/started.png --after-ms 300 && test -s $work/started.png"

echo "desktop checks: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
