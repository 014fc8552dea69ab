#!/usr/bin/env bash
# Signs Windows programs and installers in place, with Authenticode (SHA-256),
# an RFC 3161 time stamp and osslsigncode, using the key the environment names:
#
#   bash packaging/sign.sh FILE...      sign each PE file (.exe) or installer (.msi)
#   bash packaging/sign.sh --signer     print the configured signer's subject, or
#                                     nothing when no key is configured
#   bash packaging/sign.sh --verify FILE
#                                     check the signature FILE carries and print
#                                     one line: its signer and time stamp, or
#                                     why it fails. Exit code 0 when it
#                                     verifies; 1 when it is FILE's own but its
#                                     chain or time stamp does not verify against
#                                     the roots; 3 when FILE carries none, or
#                                     one whose digest is not FILE's (another
#                                     file's signature)
#
# The key, one of:
# - on a hardware token or in a cloud HSM, through its PKCS#11 module:
#     QUILLMARK_SIGN_PKCS11_MODULE  the module (a .so file)
#     QUILLMARK_SIGN_PKCS11_KEY     the key, as a PKCS#11 URI (pkcs11:...;object=...)
#     QUILLMARK_SIGN_CERT           the certificate and its chain (PEM file)
#     QUILLMARK_SIGN_PASSWORD       the token's PIN, when it asks for one
# - in a PKCS#12 file (for tests, and for keys that still allow a file):
#     QUILLMARK_SIGN_PKCS12         the file
#     QUILLMARK_SIGN_PASSWORD       its password
# and:
#     QUILLMARK_SIGN_TIMESTAMP      the RFC 3161 time-stamp server's URL, which
#                                   a key needs: without a time stamp a
#                                   signature stops verifying when its
#                                   certificate expires
#     QUILLMARK_SIGN_CAFILE         the root the certificate's chain ends in
#                                   (PEM), for the check; by default the
#                                   system's certificate bundle (SSL_CERT_FILE,
#                                   as OpenSSL reads it, or
#                                   /etc/ssl/certs/ca-certificates.crt). The
#                                   time stamp's chain may end in either.
# A CI service's secret holds text, not files: QUILLMARK_SIGN_CERT and
# QUILLMARK_SIGN_CAFILE may hold the PEM text itself, QUILLMARK_SIGN_PKCS12 the
# file's bytes in base64; they are written to a private folder for the run.
#
# The tests stamp without a network: a time-stamp server on 127.0.0.1 that
# answers with `openssl ts -reply` and a throwaway TSA key, named in
# QUILLMARK_SIGN_TIMESTAMP like any other. (osslsigncode 2.9 could stamp from
# a local key itself, -TSA-certs and -TSA-key; Debian 12's 2.5 cannot.)
#
# With no key given it signs nothing and says so in one line. Each signed file
# is verified against the chain at once, time stamp included; a failure leaves
# the file as it was and stops with a nonzero code. A file already signed is
# refused: nesting or replacing signatures is not what a release wants.
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"

P11_MODULE=${QUILLMARK_SIGN_PKCS11_MODULE:-} P11_KEY=${QUILLMARK_SIGN_PKCS11_KEY:-}
CERT=${QUILLMARK_SIGN_CERT:-} PKCS12=${QUILLMARK_SIGN_PKCS12:-}
PASSWORD=${QUILLMARK_SIGN_PASSWORD:-} TIMESTAMP=${QUILLMARK_SIGN_TIMESTAMP:-}
SYSTEM_CAFILE=${SSL_CERT_FILE:-/etc/ssl/certs/ca-certificates.crt}
umask 077

fail() {
    echo "sign.sh: $*" >&2
    exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The file a variable names, or one in the private folder holding its value,
# PEM text or base64 (KIND pem or base64); empty stays empty.
as_file() {
    local name=$1 value=$2 kind=$3
    if [ -z "$value" ] || [ -f "$value" ]; then
        echo "$value"
    elif [ "$kind" = pem ] && [[ $value == *"-----BEGIN "* ]]; then
        printf '%s\n' "$value" >"$work/$name" && echo "$work/$name"
    elif [ "$kind" = base64 ] && base64 -d <<<"$value" >"$work/$name" 2>/dev/null && [ -s "$work/$name" ]; then
        echo "$work/$name"
    else
        fail "$name names no file, and does not hold one's content ($kind) either"
    fi
}

# The roots for the checks: CAFILE for the signer's chain, and for the time
# stamp's the system's bundle too, where the CA's time-stamp server's chain
# may end. Looked up only for a check, so that an unsigned build needs no
# bundle.
roots() {
    if [ -n "${QUILLMARK_SIGN_CAFILE:-}" ]; then
        CAFILE=$(as_file QUILLMARK_SIGN_CAFILE "$QUILLMARK_SIGN_CAFILE" pem)
    elif [ -f "$SYSTEM_CAFILE" ]; then
        CAFILE=$SYSTEM_CAFILE
    else
        fail "no certificate bundle at $SYSTEM_CAFILE (package ca-certificates): QUILLMARK_SIGN_CAFILE names the root of the certificate's chain"
    fi
    TSA_CAFILE=$work/tsa-roots.pem
    cat "$CAFILE" >"$TSA_CAFILE"
    [ "$CAFILE" = "$SYSTEM_CAFILE" ] || [ ! -f "$SYSTEM_CAFILE" ] || cat "$SYSTEM_CAFILE" >>"$TSA_CAFILE"
}

# Checks the signature FILE carries, prints one line (its signer and time
# stamp, or why it fails) and returns as --verify exits. osslsigncode's own
# exit code mixes the two questions, whether the signature is this file's
# and whether the chain ends in a root trusted here, so the digests it
# prints are compared: "Current message digest" and "Calculated message
# digest" for a program, "Current DigitalSignature" and "Calculated
# DigitalSignature" for an installer, alike in 2.5 and 2.9.
verify() {
    local file=$1 log=$work/verify.log status=0 mismatch signer stamp
    if ! has_signature "$file"; then
        echo "no signature"
        return 3
    fi
    osslsigncode verify -CAfile "$CAFILE" -TSA-CAfile "$TSA_CAFILE" -in "$file" >"$log" 2>&1 || status=$?
    mismatch=$(awk '/^(Current|Calculated) (message digest|DigitalSignature|MsiDigitalSignatureEx) *:/ {
            kind = $0; sub(/ *:.*/, "", kind); sub(/^[A-Za-z]+ /, "", kind)
            if ($1 == "Current") carried[kind] = $(NF - ($NF ~ /MISMATCH/)); else computed[kind] = $(NF - ($NF ~ /MISMATCH/))
        }
        END {
            for (kind in carried) if (kind in computed) {
                pairs++
                if (carried[kind] != computed[kind])
                    printf "its %s is %s, the file'"'"'s %s; ", kind, carried[kind], computed[kind]
            }
            if (!pairs) printf "osslsigncode printed no digests to compare; "
        }' "$log")
    if [ -n "$mismatch" ]; then
        echo "the signature is not this file's: ${mismatch%; }"
        return 3
    fi
    # osslsigncode 2.5 and 2.9 print the subject as /C=../CN=..; later ones
    # as RFC 2253 has it (CN=..,C=..), as --signer does: that form, always.
    signer=$(awk '/^Signer.s certificate:/ { found = 1 } found && /Subject:/ { sub(/.*Subject: */, "")
        if (substr($0, 1, 1) == "/") {
            n = split(substr($0, 2), rdn, "/"); out = rdn[n]
            for (i = n - 1; i >= 1; i--) out = out "," rdn[i]
            $0 = out
        }
        print; exit }' "$log")
    stamp=$(sed -n -E 's/^[[:space:]]*(Timestamp time|The signature is timestamped): *//p' "$log" | head -n 1)
    if [ "$status" -ne 0 ]; then
        local reason
        reason=$(sed -n -E 's/.*(Verify error|Error): *//p' "$log" | head -n 1)
        echo "the signature by ${signer:-an unknown signer} does not verify against $CAFILE: ${reason:-$(tail -n 1 "$log")}"
        return 1
    fi
    echo "signed by ${signer:-an unknown signer}, $([ -n "$stamp" ] && echo "time-stamped $stamp" || echo "not time-stamped")"
}

if [ "${1:-}" = --verify ]; then
    [ $# -eq 2 ] || fail "usage: $0 --verify FILE"
    install_packages osslsigncode
    roots
    status=0
    verify "$2" || status=$?
    exit "$status"
fi

CERT=$(as_file QUILLMARK_SIGN_CERT "$CERT" pem)
PKCS12=$(as_file QUILLMARK_SIGN_PKCS12 "$PKCS12" base64)

# none, pkcs11 or pkcs12; a half-given key is an error, not an unsigned build.
key_kind() {
    if [ -n "$P11_MODULE$P11_KEY" ] && [ -n "$PKCS12" ]; then
        fail "both a PKCS#11 key (QUILLMARK_SIGN_PKCS11_*) and a PKCS#12 file (QUILLMARK_SIGN_PKCS12) are given; give one"
    elif [ -n "$P11_MODULE$P11_KEY$CERT" ] && [ -z "$PKCS12" ]; then
        if [ -z "$P11_MODULE" ] || [ -z "$P11_KEY" ] || [ -z "$CERT" ]; then
            fail "a PKCS#11 key needs QUILLMARK_SIGN_PKCS11_MODULE, QUILLMARK_SIGN_PKCS11_KEY and QUILLMARK_SIGN_CERT"
        fi
        [ -f "$P11_MODULE" ] || fail "no PKCS#11 module at $P11_MODULE"
        echo pkcs11
    elif [ -n "$PKCS12" ]; then
        echo pkcs12
    else
        echo none
    fi
}

# The subject of the signing certificate (the first in the file). A PKCS#12
# file of older tools is encrypted with what OpenSSL 3 calls legacy
# algorithms, which osslsigncode reads too.
signer() {
    local subject
    subject=$(case $1 in
        pkcs11) cat "$CERT" ;;
        pkcs12)
            export PASSWORD
            openssl pkcs12 -in "$PKCS12" -nokeys -clcerts -passin env:PASSWORD 2>/dev/null ||
                openssl pkcs12 -legacy -in "$PKCS12" -nokeys -clcerts -passin env:PASSWORD 2>/dev/null
            ;;
        esac | openssl x509 -noout -subject -nameopt RFC2253 2>/dev/null) || true
    echo "${subject#subject=}" | grep . || echo "a certificate whose subject could not be read"
}

kind=$(key_kind)
if [ "${1:-}" = --signer ]; then
    [ "$kind" = none ] || signer "$kind"
    exit 0
fi
[ $# -gt 0 ] || fail "usage: $0 FILE... | --signer | --verify FILE"
if [ "$kind" = none ]; then
    log "no signing key given (QUILLMARK_SIGN_PKCS11_* or QUILLMARK_SIGN_PKCS12): $(printf '%s ' "${@##*/}")left unsigned"
    exit 0
fi
[ -n "$TIMESTAMP" ] ||
    fail "a signing key is given but no time-stamp server (QUILLMARK_SIGN_TIMESTAMP, the CA's RFC 3161 URL): a signature without a time stamp stops verifying when its certificate expires"

install_packages osslsigncode openssl
roots
if [ "$kind" = pkcs11 ]; then
    # osslsigncode reaches a PKCS#11 module through OpenSSL's pkcs11 engine.
    install_packages libengine-pkcs11-openssl
    key=(-pkcs11module "$P11_MODULE" -key "$P11_KEY" -certs "$CERT")
else
    key=(-pkcs12 "$PKCS12")
fi
# The password reaches osslsigncode in a file only this user can read, not
# on its command line, where every process could see it.
printf '%s' "$PASSWORD" >"$work/password"
[ -z "$PASSWORD" ] || key+=(-readpass "$work/password")
subject=$(signer "$kind")

for file; do
    case $(head -c 4 "$file" 2>/dev/null | od -An -t x1 | tr -d ' \n') in
    4d5a*) what=program ;;
    d0cf11e0) what=installer ;;
    *) fail "$file is neither a Windows program nor a Windows Installer package" ;;
    esac
    ! has_signature "$file" || fail "$file is signed already"
    rm -f "$work/signed"
    osslsigncode sign "${key[@]}" -h sha256 -n Quillmark -ts "$TIMESTAMP" \
        -in "$file" -out "$work/signed" >"$work/log" 2>&1 || {
        cat "$work/log" >&2
        fail "signing $file failed (the key, or the time-stamp server $TIMESTAMP)"
    }
    verdict=$(verify "$work/signed") || {
        cat "$work/verify.log" >&2
        fail "$file: $verdict (QUILLMARK_SIGN_CAFILE names the root of the certificate's chain)"
    }
    [[ $verdict == *", time-stamped "* ]] || fail "$file: $verdict, though $TIMESTAMP was asked for a time stamp"
    cat "$work/signed" >"$file"
    log "signed the $what $file: $subject; $verdict, by $TIMESTAMP"
done
