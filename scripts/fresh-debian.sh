#!/usr/bin/env bash
# Tries the README's two commands as a newcomer would: makes a minimal Debian
# of the release named with debootstrap, from the Debian mirror that this
# machine's apt sources name, puts a clean clone of this repository's HEAD in
# it and runs there, as root and with no display, `bash scripts/run.sh` and
# then `bash scripts/test.sh`. Prints each one's time and verdict last; their
# output goes to build/fresh-debian/.
#
#   sudo bash scripts/fresh-debian.sh bookworm|trixie|forky|sid
#
# bookworm (Debian 12) and trixie (13) are supported; sid (unstable) is the
# next release as it is today, and forky (testing) is accepted too, though
# packages the commands need may be missing from it: it says which in one
# line before it starts.
#
# Takes 10 to 25 minutes and a few GB under QUILLMARK_FRESH_DIR (default
# /var/tmp/quillmark-fresh), which is emptied at the end; QUILLMARK_FRESH_KEEP=1
# keeps the system for a look inside. QUILLMARK_DEBIAN_MIRROR names another
# mirror. Not part of the test command.
set -euo pipefail
source "$(dirname "$0")/common.sh"

RELEASE=${1:-}
case $RELEASE in
    bookworm | trixie | forky | sid) ;;
    *)
        echo "usage: $0 bookworm|trixie|forky|sid" >&2
        exit 2
        ;;
esac
[ "$(id -u)" -eq 0 ] || {
    echo "$0: debootstrap and chroot need root" >&2
    exit 2
}

ROOTFS=${QUILLMARK_FRESH_DIR:-/var/tmp/quillmark-fresh}/$RELEASE
LOGS=$BUILD_DIR/fresh-debian
CLONE=/root/quillmark
MOUNTED=()

# The first Debian archive among apt's sources that serves this machine's own
# release, from one-line .list entries or deb822 .sources paragraphs.
debian_mirror() {
    local codename lists=() sources=() f
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*; do
        case $f in
            *.list) [ -f "$f" ] && lists+=("$f") ;;
            *.sources) [ -f "$f" ] && sources+=("$f") ;;
        esac
    done
    {
        # deb [options] URI SUITE COMPONENT...
        [ ${#lists[@]} -eq 0 ] || awk -v want="$codename" '$1 == "deb" {
            i = 2
            if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
            if ($(i + 1) == want) print $i }' "${lists[@]}"
        # Types:, URIs:, Suites: and Enabled: fields, a paragraph an entry.
        [ ${#sources[@]} -eq 0 ] || awk -v want="$codename" 'BEGIN { RS = "" } {
            types = uris = suites = ""; enabled = "yes"
            n = split($0, line, "\n")
            for (k = 1; k <= n; k++) {
                split(line[k], w, /[ \t]+/)
                if (w[1] == "Types:") types = " " substr(line[k], 7) " "
                if (w[1] == "URIs:") uris = w[2]
                if (w[1] == "Suites:") suites = " " substr(line[k], 8) " "
                if (w[1] == "Enabled:") enabled = w[2]
            }
            if (enabled != "no" && types ~ / deb / && suites ~ (" " want " ")) print uris }' "${sources[@]}"
    } | head -n 1
}

# shellcheck disable=SC2317,SC2329 # called from finish, the EXIT trap
# Processes whose root is the new system, by process id.
inside_pids() {
    local proc root
    for proc in /proc/[0-9]*; do
        root=$(readlink "$proc/root" 2>/dev/null) || continue
        [ "$root" = "$ROOTFS" ] && echo "${proc#/proc/}"
    done
    return 0
}

# Whether anything is mounted under the new system's folder.
mounted_under() { grep -q " ${ROOTFS}[/ ]" /proc/mounts; }

# shellcheck disable=SC2317,SC2329 # the EXIT trap
# Ends what runs inside, unmounts in reverse order and, unless kept and if
# nothing is mounted there any more, removes the system.
finish() {
    local status=$? pids i
    mapfile -t pids < <(inside_pids)
    if [ ${#pids[@]} -gt 0 ]; then
        log "ending ${#pids[@]} processes left inside"
        kill -TERM "${pids[@]}" 2>/dev/null || true
        sleep 2
        mapfile -t pids < <(inside_pids)
        [ ${#pids[@]} -eq 0 ] || kill -KILL "${pids[@]}" 2>/dev/null || true
    fi
    for ((i = ${#MOUNTED[@]} - 1; i >= 0; i--)); do
        umount "${MOUNTED[i]}" 2>/dev/null || umount -l "${MOUNTED[i]}" || true
    done
    if [ "${QUILLMARK_FRESH_KEEP:-0}" != 1 ] && [ -d "$ROOTFS" ]; then
        if mounted_under; then
            log "still mounted under $ROOTFS: not removed"
        else
            rm -rf --one-file-system "$ROOTFS"
        fi
    fi
    exit "$status"
}

mount_inside() {
    mount "$@"
    MOUNTED+=("${*: -1}")
}

# Runs a command in the new system as root logging in there would, with no
# display; its output goes to a log. Prints the seconds taken; the status is
# the command's.
run_inside() {
    local log=$1 start=$SECONDS status=0
    shift
    chroot "$ROOTFS" env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        bash -c "cd $CLONE && $*" </dev/null >"$log" 2>&1 || status=$?
    echo $((SECONDS - start))
    return "$status"
}

minutes() { printf '%d min %02d s' $(($1 / 60)) $(($1 % 60)); }

if mounted_under; then
    echo "$0: something is still mounted under $ROOTFS; unmount it first" >&2
    exit 1
fi
trap finish EXIT
trap 'exit 130' INT TERM

command -v debootstrap >/dev/null || apt_install debootstrap
MIRROR=${QUILLMARK_DEBIAN_MIRROR:-$(debian_mirror)}
[ -n "$MIRROR" ] || {
    echo "$0: no Debian mirror found in apt's sources; set QUILLMARK_DEBIAN_MIRROR" >&2
    exit 1
}
mkdir -p "$LOGS"
rm -rf --one-file-system "$ROOTFS"
mkdir -p "$ROOTFS"

log "debootstrap $RELEASE from $MIRROR into $ROOTFS"
start=$SECONDS
# An older debootstrap may not know a release newer than itself by name;
# unstable's way of bootstrapping holds for it.
script=()
[ -e "/usr/share/debootstrap/scripts/$RELEASE" ] || script=(/usr/share/debootstrap/scripts/sid)
debootstrap --variant=minbase "$RELEASE" "$ROOTFS" "$MIRROR" "${script[@]}" \
    >"$LOGS/$RELEASE-debootstrap.log" 2>&1 ||
    {
        tail -n 20 "$LOGS/$RELEASE-debootstrap.log" >&2
        exit 1
    }
setup=$((SECONDS - start))
# Wine and Xvfb need the kernel's file systems and a shared-memory folder.
for fs in proc sys dev dev/pts; do mount_inside --bind "/$fs" "$ROOTFS/$fs"; done
mount_inside -t tmpfs tmpfs "$ROOTFS/dev/shm"
# This machine's way to the network: its name servers, and the certificate
# authorities it trusts beside Debian's (a proxy's, say), for npm's HTTPS.
cp /etc/resolv.conf "$ROOTFS/etc/resolv.conf"
mkdir -p "$ROOTFS/usr/local/share/ca-certificates" "$ROOTFS/etc/ssl/certs"
cp -r /usr/local/share/ca-certificates/. "$ROOTFS/usr/local/share/ca-certificates/"
[ ! -f /etc/ssl/certs/ca-certificates.crt ] ||
    cp /etc/ssl/certs/ca-certificates.crt "$ROOTFS/etc/ssl/certs/"
# Mirrors that are snapshots serve unstable's and testing's Release files
# past their Valid-Until date, which apt then refuses: this throwaway
# system installs from them all the same.
echo 'Acquire::Check-Valid-Until "false";' >"$ROOTFS/etc/apt/apt.conf.d/99quillmark-snapshot"
git clone --quiet "$QUILLMARK_ROOT" "$ROOTFS$CLONE"
log "a clean clone of $(git -C "$QUILLMARK_ROOT" rev-parse --short HEAD) in $ROOTFS$CLONE"

# What the two commands install that this release does not have, said
# before they start (testing, say, when Wine has left it).
chroot "$ROOTFS" apt-get update -qq >"$LOGS/$RELEASE-apt-update.log" 2>&1 ||
    log "apt-get update in $RELEASE: $(tail -n 1 "$LOGS/$RELEASE-apt-update.log")"
absent=()
for package in "${PACKAGES[@]}" "${CHECK_PACKAGES[@]}" unzip git python3 nodejs npm; do
    # Known to apt is not enough: a package that others name but that the
    # release no longer has shows "Candidate: (none)". (grep reads it all:
    # with -q it would stop early, and apt-cache fail on the closed pipe.)
    chroot "$ROOTFS" apt-cache policy "$package" 2>/dev/null | grep -E '^ +Candidate: [^(]' >/dev/null ||
        absent+=("$package")
done
[ ${#absent[@]} -eq 0 ] ||
    log "$RELEASE has no package ${absent[*]}, which the commands install: they will fail"

verdicts=()
failed=0
for command in run test; do
    log "$RELEASE: bash scripts/$command.sh (log: $LOGS/$RELEASE-$command.log)"
    if took=$(run_inside "$LOGS/$RELEASE-$command.log" bash "scripts/$command.sh"); then
        verdicts+=("$RELEASE: bash scripts/$command.sh passed in $(minutes "$took")")
    else
        verdicts+=("$RELEASE: bash scripts/$command.sh FAILED after $(minutes "$took")")
        failed=1
        tail -n 30 "$LOGS/$RELEASE-$command.log" >&2
    fi
done
shot=$ROOTFS$CLONE/build/quillmark-window.png
[ ! -f "$shot" ] || cp "$shot" "$LOGS/$RELEASE-window.png"

# shellcheck disable=SC2016 # expanded inside
versions=$(chroot "$ROOTFS" bash -c '. /etc/os-release; echo "$PRETTY_NAME"
    wine=$(bash '"$CLONE"'/scripts/find-wine.sh 2>/dev/null | head -n 1)
    if [ -n "$wine" ]; then "$wine" --version; else echo "no Wine"; fi')
log "$RELEASE: debootstrap $(minutes "$setup"); $(echo "$versions" | paste -sd ' ' -)"
printf '%s\n' "${verdicts[@]}"
exit "$failed"
