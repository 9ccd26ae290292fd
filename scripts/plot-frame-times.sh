#!/usr/bin/env bash
# Plots the benchmark's frame times over the run as a PNG: time of the run
# across, milliseconds up, the passes (each finished on its own) stacked, the
# whole frame and the constant-colour limit as lines, and the 33 ms budget.
#   bash scripts/plot-frame-times.sh BENCHMARK.json [OUT.png] [TITLE]
# BENCHMARK.json is what `tandril_benchmark --json` printed.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

if (($# < 1)); then
    echo "usage: $0 BENCHMARK.json [OUT.png] [TITLE]" >&2
    exit 2
fi
input="$1"
output="${2:-frame-times.png}"
title="${3:-}"
install_missing_packages "${PLOT_PACKAGES[@]}"
data="$(mktemp)"
trap 'rm -f "$data"' EXIT
# One row a frame: time, the passes' running sums, the whole frame, the limit.
python3 - "$input" > "$data" <<'PYTHON'
import json, sys
report = json.load(open(sys.argv[1]))
series = report["series"]
passes = ["finished base", "finished reflections and sky", "finished shadow volumes",
          "finished lighting"]
limit = series.get("limit_ms", [float("nan")] * len(series["time_s"]))
print("# %s, %dx%d" % (report["renderer"], *report["size"]))
for i, t in enumerate(series["time_s"]):
    total, row = 0.0, [t]
    for name in passes:
        total += series[name][i]
        row.append(total)
    row += [series["frame_ms"][i], limit[i]]
    print(" ".join("%.3f" % value for value in row))
PYTHON
size="$(python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); print("%dx%d" % tuple(r["size"]))' "$input")"
# Up to the larger of twice the budget and a little over the 99th percentile:
# a lone stall of the machine would flatten the rest of the picture.
top="$(python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); print(max(66, 1.3 * r["frame_ms"]["p99"]))' "$input")"
gnuplot <<GNUPLOT
set terminal pngcairo size 1100,520 font "DejaVu Sans,10"
set output "$output"
set title "${title:-Frame times over the run, $size}"
set xlabel "time of the run, s (the camera path ends at 31 s)"
set ylabel "ms"
set key top right opaque
set grid ytics
set xrange [0:*]
set autoscale xfixmax
set yrange [0:$top]
set style fill solid 0.85 noborder
set arrow from 31, graph 0 to 31, graph 1 nohead dashtype 3 lc rgb "#777777"
plot "$data" using 1:5 with filledcurves x1 lc rgb "#e8a33d" title "lighting pass", \
     "" using 1:4 with filledcurves x1 lc rgb "#8c6bb1" title "shadow volumes", \
     "" using 1:3 with filledcurves x1 lc rgb "#4a90c2" title "reflections and sky", \
     "" using 1:2 with filledcurves x1 lc rgb "#6aa84f" title "base pass", \
     "" using 1:6 with lines lw 1.2 lc rgb "#202020" title "whole frame", \
     "" using 1:7 with lines lw 1.2 dashtype 2 lc rgb "#c0392b" title "limit (constant-colour fragments)", \
     33 with lines lw 1.5 dashtype 4 lc rgb "#b00000" title "33 ms budget"
GNUPLOT
echo "wrote $output"
