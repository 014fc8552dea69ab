#!/usr/bin/env bash
# Finds Wine's 64-bit loader and its server wherever this system keeps them
# and prints their paths, the loader's first. Every script that runs Wine
# (through common.sh's find_wine), the CMake toolchain files and the mutation
# runner ask here, so that no path of Wine's is written down anywhere else.
#
#   bash scripts/find-wine.sh
#
# Debian moves Wine between releases (12 and 13 keep the loader and the
# server in /usr/lib/wine, as wine64 and wineserver; from 14 on they are
# wine and wineserver in the architecture's library folder), and puts
# neither on PATH in some of them. So the installed packages' files come
# first: a 64-bit program called wine64, else wine, in a folder called wine,
# with a wineserver beside it. Then, for other systems, wine64 or wine on
# PATH, with wineserver on PATH or beside it. With none of these it prints
# one line saying what it looked for, and exits with 1.
set -euo pipefail

# Whether a file is a 64-bit program (ELF class 2): a folder called wine may
# also hold a 32-bit loader of the same name.
elf64() {
    [ -f "$1" ] && [ -x "$1" ] && [ "$(od -An -tx1 -N5 "$1" | tr -d ' \n')" = 7f454c4602 ]
}

# The files of installed packages that end in /wine/NAME.
packaged() {
    command -v dpkg-query >/dev/null || return 0
    dpkg-query -S "*/wine/$1" 2>/dev/null | sed 's/^.*: //' || true
}

for name in wine64 wine; do
    while read -r loader; do
        if [ -n "$loader" ] && elf64 "$loader" && [ -x "${loader%/*}/wineserver" ]; then
            printf '%s\n%s\n' "$loader" "${loader%/*}/wineserver"
            exit 0
        fi
    done < <(packaged "$name")
done
for name in wine64 wine; do
    loader=$(command -v "$name") || continue
    server=$(command -v wineserver) || server=$(dirname "$(readlink -f "$loader")")/wineserver
    if [ -x "$server" ]; then
        printf '%s\n%s\n' "$loader" "$server"
        exit 0
    fi
done
echo "no Wine found: looked for a 64-bit wine64 or wine with a wineserver beside it among the" \
    "installed packages' files, and for wine64 or wine and wineserver on PATH; install Debian's wine64" >&2
exit 1
