#!/usr/bin/env bash
# Start-up of the window: milliseconds from launching the program to its main window being mapped on an X
# server, without a stored folder and with a stored folder of 10,000 files (the window is drawn first; the
# folder is listed in the next turn of the event loop, so the second figure shows what the restore costs the
# first frame).
# Usage: bench/startup_window.sh BUILD_DIR [RUNS]   (runs itself under xvfb-run when no DISPLAY is set)
set -euo pipefail
build=${1:?build folder}
runs=${2:-5}
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config"
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$XDG_CONFIG_HOME/Quorvane" "$work/folder"
(cd "$work/folder" && seq -f "IMG_%05g.jpg" 1 10000 | xargs touch)

measure() {
    local label=$1 total=0 times=()
    for _ in $(seq "$runs"); do
        local start end
        start=$(date +%s%N)
        "$build/app/quorvane" &
        local pid=$!
        # xdotool's own --sync polls only twice a second.
        until xdotool search --onlyvisible --name '^Quorvane$' >/dev/null 2>&1; do sleep 0.005; done
        end=$(date +%s%N)
        kill "$pid"; wait "$pid" 2>/dev/null || true
        times+=($(((end - start) / 1000000)))
    done
    printf '%s: %s ms (runs: %s)\n' "$label" "$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")" \
        "${times[*]}"
}

: >"$XDG_CONFIG_HOME/Quorvane/Quorvane.conf"
measure "no stored folder, median"
printf '[General]\nlastAccessedFolderBookmark=@ByteArray(%s)\n' "$work/folder" >"$XDG_CONFIG_HOME/Quorvane/Quorvane.conf"
measure "stored folder of 10,000 files, median"
