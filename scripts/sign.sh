#!/usr/bin/env bash
# Signs setup.exe with Authenticode (osslsigncode, SHA-256) into a new file, and checks what it
# signed before it keeps it. The unsigned input is never touched: it stays the image that any
# rebuild of the same commit gives, byte for byte.
#
#   scripts/sign.sh [options] <unsigned.exe> <signed.exe>
#
# The key, one of:
#   --pkcs12 FILE          key and certificate chain in a PKCS#12 (.p12/.pfx) file
#   --pkcs11-module LIB    the token's PKCS#11 module, with
#     --key URI            the key on the token (pkcs11:token=...;object=...;type=private)
#     --cert FILE          its certificate chain (PEM)
#     --pkcs11-engine LIB  OpenSSL's PKCS#11 engine, when osslsigncode does not find its own
# Options:
#   --pass-file FILE       the PKCS#12 password or the token's PIN, on the file's first line;
#                          without it $SETUP_SIGN_PASSWORD, if set (never on the command line,
#                          where any user of the machine could read it)
#   --timestamp URL        an RFC 3161 time-stamping server: the signature then stays valid
#                          after the certificate expires
#   --description TEXT     description stored in the signature
#   --url URL              the publisher's web address stored in the signature
#   --ca FILE              CA certificates (PEM) the signature must verify against
#                          (default: the system's, /etc/ssl/certs/ca-certificates.crt)
#   --tsa-ca FILE          CA certificates of the time-stamping server (default: as --ca)
#
# After signing: the signature verifies against the CA certificates (with a time stamp when a
# server was given), and removing it gives back the unsigned bytes exactly. Only then is the
# output written; on any failure there is no output file and the exit status is not 0.
set -euo pipefail

usage() {
    sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
    exit 2
}
fail() {
    echo "sign.sh: $*" >&2
    exit 1
}

pkcs12= module= engine= key= cert= pass_file= timestamp= description= url= ca= tsa_ca=
positional=()
while [ $# -gt 0 ]; do
    case "$1" in
        --pkcs12) pkcs12=${2:?}; shift 2 ;;
        --pkcs11-module) module=${2:?}; shift 2 ;;
        --pkcs11-engine) engine=${2:?}; shift 2 ;;
        --key) key=${2:?}; shift 2 ;;
        --cert) cert=${2:?}; shift 2 ;;
        --pass-file) pass_file=${2:?}; shift 2 ;;
        --timestamp) timestamp=${2:?}; shift 2 ;;
        --description) description=${2:?}; shift 2 ;;
        --url) url=${2:?}; shift 2 ;;
        --ca) ca=${2:?}; shift 2 ;;
        --tsa-ca) tsa_ca=${2:?}; shift 2 ;;
        -h|--help) usage ;;
        --) shift; positional+=("$@"); break ;;
        -*) echo "sign.sh: unknown option $1" >&2; usage ;;
        *) positional+=("$1"); shift ;;
    esac
done
[ ${#positional[@]} -eq 2 ] || usage
in=${positional[0]}
out=${positional[1]}

command -v osslsigncode >/dev/null || fail "osslsigncode is not installed (apt-get install osslsigncode)"
[ -f "$in" ] || fail "$in does not exist"
if [ -e "$out" ] && [ "$(realpath "$in")" = "$(realpath "$out")" ]; then
    fail "will not sign $in in place: the unsigned image must stay as built"
fi

key_args=()
if [ -n "$pkcs12" ] && [ -z "$module" ]; then
    [ -f "$pkcs12" ] || fail "$pkcs12 does not exist"
    key_args=(-pkcs12 "$pkcs12")
elif [ -n "$module" ] && [ -z "$pkcs12" ]; then
    [ -n "$key" ] && [ -n "$cert" ] || fail "a PKCS#11 key needs --key and --cert"
    [ -f "$cert" ] || fail "$cert does not exist"
    key_args=(-pkcs11module "$module" -certs "$cert" -key "$key")
    [ -z "$engine" ] || key_args+=(-pkcs11engine "$engine")
else
    fail "give either --pkcs12 or --pkcs11-module (see --help)"
fi

work=$(mktemp -d "$(dirname "$out")/.sign.XXXXXX")
trap 'rm -rf "$work"' EXIT

if [ -n "$pass_file" ]; then
    [ -f "$pass_file" ] || fail "$pass_file does not exist"
    key_args+=(-readpass "$pass_file")
elif [ -n "${SETUP_SIGN_PASSWORD+set}" ]; then
    (umask 077; printf '%s' "$SETUP_SIGN_PASSWORD" > "$work/pass")
    key_args+=(-readpass "$work/pass")
fi

sign_args=(sign "${key_args[@]}" -h sha256)
[ -z "$description" ] || sign_args+=(-n "$description")
[ -z "$url" ] || sign_args+=(-i "$url")
[ -z "$timestamp" ] || sign_args+=(-ts "$timestamp")

if ! osslsigncode "${sign_args[@]}" -in "$in" -out "$work/signed.exe" >"$work/sign.log" 2>&1 \
        || [ ! -s "$work/signed.exe" ]; then
    cat "$work/sign.log" >&2
    fail "signing failed"
fi

verify_args=(verify -in "$work/signed.exe")
[ -z "$ca" ] || verify_args+=(-CAfile "$ca")
[ -z "${tsa_ca:-$ca}" ] || verify_args+=(-TSA-CAfile "${tsa_ca:-$ca}")
if ! osslsigncode "${verify_args[@]}" >"$work/verify.log" 2>&1; then
    cat "$work/verify.log" >&2
    fail "the signed image does not verify${ca:+ against $ca}"
fi
if ! grep -q "Message digest algorithm  *: SHA256" "$work/verify.log"; then
    fail "the signature's digest is not SHA-256"
fi
# A time stamp that does not verify leaves the signature valid only while the certificate
# is; osslsigncode then still reports success, so its own line for the stamp is read.
if [ -n "$timestamp" ] && ! grep -q "Timestamp Server Signature verification: ok" "$work/verify.log"; then
    cat "$work/verify.log" >&2
    tsa_ca=${tsa_ca:-$ca}
    fail "the time stamp from $timestamp does not verify${tsa_ca:+ against $tsa_ca}"
fi
# What was signed is the input and nothing else: without its signature the file is the input.
osslsigncode remove-signature -in "$work/signed.exe" -out "$work/unsigned.exe" >/dev/null 2>&1 \
    || fail "could not take the signature off again to compare"
cmp -s "$work/unsigned.exe" "$in" || fail "the signed image holds other bytes than $in"

chmod --reference="$in" "$work/signed.exe"
mv -f "$work/signed.exe" "$out"
echo "Signed $out (SHA-256$([ -z "$timestamp" ] || echo ", time stamp from $timestamp")), verified${ca:+ against $ca}"
