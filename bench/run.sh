#!/usr/bin/env bash
# Builds Quillmark with its paint benchmark, runs the benchmark under Wine with
# the null graphics driver, and writes bench/results/bench.csv and the plot
# bench/results/paint-time.png. Takes about fifteen minutes on two cores.
# BUILD_DIR picks the build directory (default: build).
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"

RESULTS=$QUILLMARK_ROOT/bench/results
install_packages gnuplot-nox
make_prefix "$NULL_PREFIX" null
build

export WINEPREFIX=$NULL_PREFIX
# Stop the server afterwards only if this run started it: others may be
# running tests in the same prefix.
start_wineserver "$NULL_PREFIX"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"; [ -z "$WINESERVER_STARTED" ] || stop_wineserver "$NULL_PREFIX"' EXIT

machine="$(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1), $("$WINE" --version)"
log "machine: $machine"

mkdir -p "$RESULTS"
# The benchmark writes its CSV into the current directory, which Wine maps to
# a drive of its own; a relative name needs no path translation.
(cd "$scratch" && env -u DISPLAY "$WINE" "$BUILD_DIR/bench/quillmark_bench.exe" bench.csv)

{
    echo "# Quillmark paint benchmark, $(date -u +%Y-%m-%d)"
    echo "# machine: $machine"
    cat "$scratch/bench.csv"
} >"$RESULTS/bench.csv"

gnuplot <<EOF
set terminal pngcairo size 900,600 font "sans,10"
set output "$RESULTS/paint-time.png"
set datafile separator ","
set title "Quillmark: one full paint, 800x600 back buffer\n$machine" noenhanced
set xlabel "records in the picture"
set ylabel "time of one paint (ms, median)"
set logscale xy
set xrange [500:2000000]
set grid
set key top left
set format x "10^{%L}"
frame = 1000.0 / 60
paint(mix, column) = (strcol(1) eq "paint" && strcol(2) eq mix) ? column(column) : 1/0
plot "$RESULTS/bench.csv" using 3:(paint("freehand", 4)) with linespoints lw 2 pt 7 lc rgb "#1f77b4" title "freehand, program", \
     "" using 3:(paint("freehand", 5)) with linespoints lw 1 dt 2 pt 6 lc rgb "#1f77b4" title "freehand, floor", \
     "" using 3:(paint("shapes", 4)) with linespoints lw 2 pt 5 lc rgb "#d62728" title "shapes, program", \
     "" using 3:(paint("shapes", 5)) with linespoints lw 1 dt 2 pt 4 lc rgb "#d62728" title "shapes, floor", \
     frame with lines lc rgb "gray40" dt 3 title "one 60 Hz frame (16.7 ms)"
EOF
log "wrote $RESULTS/bench.csv and $RESULTS/paint-time.png"
