#!/usr/bin/env bash
# Measures how long the diary takes from being started to its main window being mapped, next to a
# bare Qt main window (velnora_baseline), on a private Xvfb without a window manager.
#
#   bench/startup/measure.sh [-n RUNS] [-b BUILD_DIR] [-d DISPLAY_NUMBER]
#
# Each program runs from its own temporary folder: the diary with a generated diary of 3,650
# entries, the diary with no diary file, and the baseline. Rounds take the three in turn, the
# order rotating from round to round; one unrecorded round warms the caches first. The timing is
# done by velnora_mapwait, which listens for the window's MapNotify and so costs both programs the
# same: one fork and exec, no polling. Prints median and p90 in milliseconds and the ratios to the
# baseline; exits 1 when the diary with 3,650 entries takes more than 1.3 times the baseline.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
runs=20
build="$repo/build"
display=97
entries=3650
limit=1.3

while getopts "n:b:d:h" opt; do
    case $opt in
    n) runs=$OPTARG ;;
    b) build=$(cd "$OPTARG" && pwd) ;;
    d) display=$OPTARG ;;
    *)
        sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'
        exit 2
        ;;
    esac
done

program="$build/src/velnora"
baseline="$build/bench/startup/velnora_baseline"
mapwait="$build/bench/startup/velnora_mapwait"
for file in "$program" "$baseline" "$mapwait"; do
    if [[ ! -x $file ]]; then
        echo "measure.sh: $file is missing; build first:" >&2
        echo "  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo" >&2
        echo "  cmake --build build --target velnora velnora_baseline velnora_mapwait" >&2
        exit 2
    fi
done
command -v Xvfb >/dev/null || {
    echo "measure.sh: Xvfb is not installed (apt-get install -y xvfb)" >&2
    exit 2
}

# A display number nobody uses.
while [[ -e /tmp/.X$display-lock || -e /tmp/.X11-unix/X$display ]]; do
    display=$((display + 1))
done

work=$(mktemp -d)
xvfb=
cleanup() {
    if [[ -n $xvfb ]]; then
        kill "$xvfb" 2>/dev/null || true
        wait "$xvfb" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb ":$display" -nolisten tcp -noreset -screen 0 1280x1024x24 >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do
    [[ -S /tmp/.X11-unix/X$display ]] && break
    kill -0 "$xvfb" 2>/dev/null || {
        cat "$work/xvfb.log" >&2
        exit 2
    }
    sleep 0.1
done

mkdir -p "$work/full" "$work/empty" "$work/baseline" "$work/runtime"
chmod 700 "$work/runtime"
cp "$program" "$work/full/velnora"
cp "$program" "$work/empty/velnora"
cp "$baseline" "$work/baseline/velnora_baseline"
python3 "$here/make-diary.py" --entries "$entries" --out "$work/full/Save.vnx"
cp "$work/full/Save.vnx" "$work/pristine.vnx"

export DISPLAY=":$display" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime"
unset QT_LOGGING_RULES QT_DEBUG_PLUGINS

kinds=(baseline full empty)
declare -A command=(
    [baseline]="$work/baseline/velnora_baseline"
    [full]="$work/full/velnora"
    [empty]="$work/empty/velnora"
)
declare -A title=([baseline]="Baseline" [full]="Дневник сна" [empty]="Дневник сна")

measure() { # kind -> milliseconds on stdout
    if ! (cd "$work" && "$mapwait" --timeout 60 --title "${title[$1]}" -- "${command[$1]}" \
        2>>"$work/programs.log"); then
        echo "measure.sh: measuring $1 failed:" >&2
        tail -n 20 "$work/programs.log" >&2
        exit 1
    fi
}

for kind in "${kinds[@]}"; do
    measure "$kind" >/dev/null
done
for ((round = 0; round < runs; ++round)); do
    for ((i = 0; i < ${#kinds[@]}; ++i)); do
        kind=${kinds[(i + round) % ${#kinds[@]}]}
        measure "$kind" >>"$work/$kind.ms"
    done
done

cmp -s "$work/full/Save.vnx" "$work/pristine.vnx" || echo "measure.sh: warning: the diary file changed" >&2
[[ -e $work/empty/Save.vnx ]] && echo "measure.sh: warning: a diary file appeared" >&2

echo "Machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "Runs: $runs each; diary of $entries entries, $(stat -c %s "$work/pristine.vnx") bytes"
python3 - "$work" "$limit" <<'EOF'
import math
import statistics
import sys

work, limit = sys.argv[1], float(sys.argv[2])
def load(kind):
    return sorted(float(line) for line in open(f"{work}/{kind}.ms"))
def p90(values):
    return values[max(0, math.ceil(0.9 * len(values)) - 1)]

rows = [("baseline (bare Qt window)", "baseline"), ("diary, no diary file", "empty"),
        (f"diary, 3,650 entries", "full")]
data = {kind: load(kind) for _, kind in rows}
base = data["baseline"]
print()
print("| program | median, ms | p90, ms | min, ms | median / baseline | p90 / baseline |")
print("|---|---:|---:|---:|---:|---:|")
for name, kind in rows:
    v = data[kind]
    print(f"| {name} | {statistics.median(v):.1f} | {p90(v):.1f} | {v[0]:.1f} | "
          f"{statistics.median(v) / statistics.median(base):.2f} | {p90(v) / p90(base):.2f} |")
ratio = statistics.median(data["full"]) / statistics.median(base)
print()
print(f"3,650 entries: {ratio:.2f} x the baseline (target: within {limit} x) -> "
      + ("met" if ratio <= limit else "MISSED"))
sys.exit(0 if ratio <= limit else 1)
EOF
