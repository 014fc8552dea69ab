#!/usr/bin/env bash
# The lint checks that take fixtures find exactly the lines marked for them:
# the pins check every uses: line after a "must be found" line of pins.yml,
# the /dev/ paths check every line of dev_paths.txt marked "must be found".
# And the end-of-run check of the device fails on a regular file where
# /dev/null should be.
# $1: the folder to write in (under the build tree).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/common.sh"
status=0

# A check over its fixture: the lines it reports, against those expected.
expect() {
    local check=$1 fixture=$2 expected=$3 found
    found=$(bash "$QUILLMARK_ROOT/scripts/lint.sh" "$check" "$fixture" | cut -d: -f2 | tr '\n' ' ') && {
        echo "FAIL: the $check check passed a file with lines it must find"
        status=1
    }
    if [ "$found" != "$expected" ]; then
        echo "FAIL: the $check check found lines $found; expected $expected"
        status=1
    fi
}
expect pins "$here/pins.yml" "$(grep -n '# must be found' "$here/pins.yml" | cut -d: -f1 |
    while read -r line; do printf '%s ' $((line + 1)); done)"
expect dev-paths "$here/dev_paths.txt" "$(grep -n 'must be found' "$here/dev_paths.txt" | cut -d: -f1 | tr '\n' ' ')"

fake=$1/dev-null-file
printf 'a report\n' >"$fake"
if check_dev_null "$fake" 2>/dev/null; then
    echo "FAIL: check_dev_null passed a regular file ($fake)"
    status=1
fi
if ! check_dev_null; then
    echo "FAIL: check_dev_null failed on this machine's null device"
    status=1
fi
exit "$status"
