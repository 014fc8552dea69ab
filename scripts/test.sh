#!/usr/bin/env bash
# Builds Quillmark and runs every check and test:
# - scripts/lint.sh: clang-format, ShellCheck, cppcheck and clang-tidy;
# - three builds of the same sources, warnings as errors in the program's own
#   code: GCC (BUILD_DIR), clang (BUILD_DIR/clang) and GCC with
#   undefined-behaviour traps (BUILD_DIR/ubsan);
# - the unit and integration tests of the three builds under Wine with no
#   display (the second builds leave out some of the long loops);
# - the GCC build's end-to-end tests in a real window under Xvfb.
# Arguments go to every CTest run (for instance -R test_model).
set -euo pipefail
source "$(dirname "$0")/common.sh"

# CTest's fixtures make the Wine prefixes and start and stop the servers
# (tests/CMakeLists.txt); the second builds' presets give their tests a prefix
# of their own, beside the GCC build's.
install_packages "${CHECK_PACKAGES[@]}"
bash "$QUILLMARK_ROOT/scripts/lint.sh"
build

# A build of a preset of CMakePresets.json, in BUILD_DIR/<preset>.
build_preset() {
    log "building in $BUILD_DIR/$1"
    cmake -S "$QUILLMARK_ROOT" --preset "$1" -B "$BUILD_DIR/$1" \
        -DQUILLMARK_PREFIX_HOME="$PREFIX_HOME" >/dev/null
    # GNU ld notes, at every link of clang's objects, that its typeinfo and
    # typeinfo names for the standard library's exceptions are not padded as
    # GCC's are; the linker keeps one copy, as it should. Only that note is
    # dropped.
    cmake --build "$BUILD_DIR/$1" -j "$(nproc)" 2>&1 |
        { grep -v -E "duplicate section \`\.rdata\\\$_ZT[IS][^']*' has different size$" || true; }
}
build_preset clang
build_preset ubsan

second_tests=
trap '[ -z "$second_tests" ] || kill "$second_tests" 2>/dev/null || true' EXIT

# The long loops are labelled volume in tests/CMakeLists.txt (the minute of
# colour dialogs also volume-dialogs); the GCC build runs them all. The second
# builds leave out only the colour dialogs, which repeat one action to count
# GDI objects, and keep the fuzzer, the size messages and the 200,000-record
# repaint, where large and random values meet another compiler's code and
# the undefined-behaviour checks.
SECOND_BUILDS_LEAVE_OUT=volume-dialogs

# The tests of one build: its name, its directory, CTest's arguments.
run_ctest() {
    local name=$1 dir=$2
    shift 2
    log "tests of the $name build"
    if ctest --test-dir "$dir" --output-on-failure -j 2 "$@"; then
        return 0
    fi
    log "tests of the $name build FAILED"
    return 1
}

# The unit tests of the three builds at once: the GCC build's minute of
# colour dialogs leaves a core to spare, which the second builds' tests use.
second_log=$(mktemp)
(
    status=0
    run_ctest UBSan "$BUILD_DIR/ubsan" -LE "e2e|$SECOND_BUILDS_LEAVE_OUT" "$@" || status=1
    run_ctest clang "$BUILD_DIR/clang" -LE "e2e|$SECOND_BUILDS_LEAVE_OUT" "$@" || status=1
    exit "$status"
) >"$second_log" 2>&1 &
second_tests=$!
failed=()
run_ctest GCC "$BUILD_DIR" -LE e2e "$@" || failed+=("GCC unit")
wait "$second_tests" || failed+=("UBSan or clang")
cat "$second_log"
rm -f "$second_log"
# The end-to-end tests alone: they time what they see on the screen.
run_ctest GCC "$BUILD_DIR" -L e2e "$@" || failed+=("GCC end-to-end")
check_dev_null || failed+=("the null device")
if [ ${#failed[@]} -gt 0 ]; then
    log "failed: ${failed[*]}"
    exit 1
fi
