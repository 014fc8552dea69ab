#!/usr/bin/env bash
# Signs Windows programs and installers in place, with Authenticode (SHA-256)
# and osslsigncode, using the key the environment names:
#
#   bash scripts/sign.sh FILE...      sign each PE file (.exe) or installer (.msi)
#   bash scripts/sign.sh --signer     print the configured signer's subject, or
#                                     nothing when no key is configured
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
#     QUILLMARK_SIGN_TIMESTAMP      an RFC 3161 time-stamp server's URL; without
#                                   it, no time stamp (the signature then ends
#                                   with the certificate's validity)
#     QUILLMARK_SIGN_CAFILE         the root the certificate's chain ends in
#                                   (PEM), for the check; by default the
#                                   system's certificate bundle
# A CI service's secret holds text, not files: QUILLMARK_SIGN_CERT and
# QUILLMARK_SIGN_CAFILE may hold the PEM text itself, QUILLMARK_SIGN_PKCS12 the
# file's bytes in base64; they are written to a private folder for the run.
#
# With no key given it signs nothing and says so in one line. Each signed file
# is verified against the chain at once; a failure leaves the file as it was
# and stops with a nonzero code. A file already signed is refused: nesting or
# replacing signatures is not what a release wants.
set -euo pipefail
source "$(dirname "$0")/common.sh"

P11_MODULE=${QUILLMARK_SIGN_PKCS11_MODULE:-} P11_KEY=${QUILLMARK_SIGN_PKCS11_KEY:-}
CERT=${QUILLMARK_SIGN_CERT:-} PKCS12=${QUILLMARK_SIGN_PKCS12:-}
PASSWORD=${QUILLMARK_SIGN_PASSWORD:-} TIMESTAMP=${QUILLMARK_SIGN_TIMESTAMP:-}
CAFILE=${QUILLMARK_SIGN_CAFILE:-/etc/ssl/certs/ca-certificates.crt}
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
CERT=$(as_file QUILLMARK_SIGN_CERT "$CERT" pem)
PKCS12=$(as_file QUILLMARK_SIGN_PKCS12 "$PKCS12" base64)
CAFILE=$(as_file QUILLMARK_SIGN_CAFILE "$CAFILE" pem)

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
[ $# -gt 0 ] || fail "usage: $0 FILE... | --signer"
if [ "$kind" = none ]; then
    log "no signing key given (QUILLMARK_SIGN_PKCS11_* or QUILLMARK_SIGN_PKCS12): $(printf '%s ' "${@##*/}")left unsigned"
    exit 0
fi

install_packages osslsigncode openssl
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
stamp=()
[ -z "$TIMESTAMP" ] || stamp=(-ts "$TIMESTAMP")
subject=$(signer "$kind")

for file; do
    case $(head -c 4 "$file" 2>/dev/null | od -An -t x1 | tr -d ' \n') in
    4d5a*) what=program ;;
    d0cf11e0) what=installer ;;
    *) fail "$file is neither a Windows program nor a Windows Installer package" ;;
    esac
    ! has_signature "$file" || fail "$file is signed already"
    rm -f "$work/signed"
    osslsigncode sign "${key[@]}" -h sha256 -n Quillmark "${stamp[@]}" \
        -in "$file" -out "$work/signed" >"$work/log" 2>&1 || {
        cat "$work/log" >&2
        fail "signing $file failed"
    }
    osslsigncode verify -CAfile "$CAFILE" -in "$work/signed" >"$work/log" 2>&1 || {
        cat "$work/log" >&2
        fail "the signature of $file does not verify against $CAFILE (QUILLMARK_SIGN_CAFILE names the root of the certificate's chain)"
    }
    cat "$work/signed" >"$file"
    log "signed the $what $file: $subject${TIMESTAMP:+, time-stamped by $TIMESTAMP}"
done
