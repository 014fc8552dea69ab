#!/usr/bin/env bash
# Mutation testing of the program's code: see mutate.py beside this script.
# Installs what it needs, makes one Wine prefix per worker and starts its
# server for the whole run, and passes its arguments to mutate.py (--help
# lists them). Each worker has a prefix of its own because some tests look for
# dialogs across the whole Wine desktop and would find the other worker's.
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"

install_packages python3
prefixes=()
stop_servers() {
    local prefix
    for prefix in "${prefixes[@]}"; do stop_wineserver "$prefix"; done
}
trap stop_servers EXIT
for worker in 0 1; do
    prefix=$PREFIX_HOME/wine-null-mutation$worker
    make_prefix "$prefix" null
    start_wineserver "$prefix"
    prefixes+=("$prefix")
done
export QUILLMARK_MUTATION_PREFIXES="${prefixes[*]}"
env -u DISPLAY /usr/bin/python3 "$QUILLMARK_ROOT/tests/mutation/mutate.py" "$@"
