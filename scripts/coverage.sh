#!/usr/bin/env bash
# Line and branch coverage of the program's own code (app/, model/, paint/,
# tools/) by the unit and integration tests. Builds an instrumented tree in
# build/coverage, runs the GoogleTest programs there under Wine with no display
# (one at a time, so no two processes merge into the same .gcda file at once),
# and writes gcovr's reports to build/coverage/report/:
#   summary.txt    lines and branches per file, with the lines left uncovered
#   index.html     the same, with every source file annotated
# Arguments go to ctest (say, -R test_model to run one program).
set -euo pipefail
source "$(dirname "$0")/common.sh"
BUILD_DIR=$QUILLMARK_ROOT/build/coverage
REPORT_DIR=$BUILD_DIR/report
GCOV=x86_64-w64-mingw32-gcov-posix

install_packages gcovr
build -DQUILLMARK_COVERAGE=ON -DQUILLMARK_BENCH=OFF

# Counts from an earlier run would add up with this one's.
find "$BUILD_DIR" -name '*.gcda' -delete
rm -rf "$REPORT_DIR"
mkdir -p "$REPORT_DIR"

# CTest's fixtures make the Wine prefix and start and stop its server. The
# counts are written as each program exits.
status=0
ctest --test-dir "$BUILD_DIR" --output-on-failure -LE e2e "$@" || status=$?

# Branches: gcov also counts the edges by which an exception could leave each
# call (every Win32 call in a function with a scoped handle has one) and edges
# on lines with no code of their own, such as a closing brace that runs
# destructors. Neither is a decision in the source, so both are left out.
log "writing the reports to $REPORT_DIR"
root=$QUILLMARK_ROOT
gcovr --root "$root" --object-directory "$BUILD_DIR" --gcov-executable "$GCOV" \
    --filter "$root/app/" --filter "$root/model/" --filter "$root/paint/" --filter "$root/tools/" \
    --exclude-throw-branches --exclude-unreachable-branches \
    --json "$REPORT_DIR/coverage.json"
report() { gcovr --root "$root" --add-tracefile "$REPORT_DIR/coverage.json" "$@"; }
{
    echo "Lines"
    report --txt -
    echo
    echo "Branches"
    report --txt - --branches
} >"$REPORT_DIR/summary.txt"
report --html-details "$REPORT_DIR/index.html" --html-title "Quillmark coverage"
cat "$REPORT_DIR/summary.txt"
# The summary only: the text report goes beside the others.
report --print-summary --txt "$REPORT_DIR/lines.txt"
log "HTML report: $REPORT_DIR/index.html"
check_dev_null || status=1
exit "$status"
