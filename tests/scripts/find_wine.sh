#!/usr/bin/env bash
# scripts/find-wine.sh on the layouts it must find, each laid out under a
# folder of the build tree, with a stand-in for dpkg-query that names the
# files of that layout's packages, and a PATH of that layout's commands.
# $1: the folder to write in (under the build tree).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
find_wine=$here/../../scripts/find-wine.sh
work=$1/find-wine
status=0
# The commands find-wine.sh uses, and nothing else of this system's: its own
# Wine must not be found.
tools=$work/tools
rm -rf "$tools" && mkdir -p "$tools"
for tool in od tr sed dirname readlink; do ln -s "$(command -v "$tool")" "$tools/$tool"; done

# A program file of a class (64 or 32) whose first bytes say so.
program() {
    mkdir -p "$(dirname "$1")"
    if [ "$2" = 64 ]; then printf '\177ELF\002' >"$1"; else printf '\177ELF\001' >"$1"; fi
    chmod +x "$1"
}

# A shell script that does nothing, as Debian's wineserver is a script.
script() {
    mkdir -p "$(dirname "$1")"
    printf '#!/bin/sh\n' >"$1"
    chmod +x "$1"
}

# A row: the layout's name; its packaged files (class:path, ";" between
# them; servers are scripts), the commands on its PATH, and what find-wine.sh
# must print (the loader and the server, "/" between them) or "none". The
# folders have the shapes of Debian's: one called wine in the library folder
# (12 and 13), or in the architecture's library folder (unstable).
while IFS='|' read -r name packaged commands expected; do
    root=$work/$name
    rm -rf "$root" && mkdir -p "$root/bin" "$root/path"
    IFS=';' read -r -a files <<<"$packaged"
    for file in "${files[@]}"; do
        case ${file%%:*} in
            64 | 32) program "$root${file#*:}" "${file%%:*}" ;;
            server) script "$root${file#*:}" ;;
        esac
    done
    # dpkg-query -S '*/wine/NAME': the packaged files ending so.
    # shellcheck disable=SC2016 # expanded by the stand-in
    {
        echo '#!/bin/sh'
        echo 'want=${2##*/}; found=1'
        for file in "${files[@]}"; do
            [ "${file%%:*}" = server ] && continue
            echo "case '$root${file#*:}' in */wine/\$want) echo 'wine64: $root${file#*:}'; found=0 ;; esac"
        done
        echo 'exit $found'
    } >"$root/bin/dpkg-query"
    chmod +x "$root/bin/dpkg-query"
    for command in $commands; do script "$root/path/$command"; done
    code=0
    got=$(PATH=$root/bin:$root/path:$tools "$BASH" "$find_wine" 2>"$root/err") || code=$?
    got=${got//$root/}
    got=${got//$'\n'//}
    if [ "$expected" = none ]; then
        if [ "$code" -eq 0 ] || [ "$(grep -c . "$root/err")" -ne 1 ] || ! grep -q 'wine64 or wine' "$root/err"; then
            echo "FAIL: $name: exit code $code, printed '$got', said '$(cat "$root/err")'; expected one line naming what was looked for"
            status=1
        fi
    elif [ "$got" != "$expected" ]; then
        echo "FAIL: $name: found '$got'; expected '$expected'"
        status=1
    fi
done <<'ROWS'
Debian 12 and 13|64:/lib/wine/wine64;server:/lib/wine/wineserver||/lib/wine/wine64//lib/wine/wineserver
Debian unstable|32:/lib/i386-linux-gnu/wine/wine;server:/lib/i386-linux-gnu/wine/wineserver;64:/lib/x86_64-linux-gnu/wine/wine;server:/lib/x86_64-linux-gnu/wine/wineserver|wine64|/lib/x86_64-linux-gnu/wine/wine//lib/x86_64-linux-gnu/wine/wineserver
wine64 before wine|64:/lib/wine/wine;server:/lib/wine/wineserver;64:/opt/w/wine/wine64;server:/opt/w/wine/wineserver||/opt/w/wine/wine64//opt/w/wine/wineserver
a loader with no server beside it|64:/lib/wine/wine64|wine wineserver|/path/wine//path/wineserver
only on PATH|none|wine64 wineserver|/path/wine64//path/wineserver
nowhere|none||none
ROWS
exit "$status"
