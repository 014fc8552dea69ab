#!/usr/bin/env bash
# The lint check for /dev/ paths given to tools as arguments finds exactly the
# fixture's lines marked "must be found", and the end-of-run check of the
# device fails on a regular file where /dev/null should be.
# $1: the folder to write in (under the build tree).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/common.sh"
fixture=$here/dev_paths.txt
status=0

expected=$(grep -n 'must be found' "$fixture" | cut -d: -f1 | tr '\n' ' ')
found=$(bash "$QUILLMARK_ROOT/scripts/lint.sh" dev-paths "$fixture" | cut -d: -f2 | tr '\n' ' ') && {
    echo "FAIL: the lint check passed a file with lines it must find"
    status=1
}
if [ "$found" != "$expected" ]; then
    echo "FAIL: lines found: $found; expected: $expected"
    status=1
fi

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
