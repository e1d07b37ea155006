#!/usr/bin/env bash
# Authenticode signatures (SHA-256, osslsigncode) for the Windows files of a
# release, with the certificate the environment names:
#   KESTRO_SIGN_CERT, KESTRO_SIGN_KEY   PEM files: the certificate chain, the
#                                       private key (KESTRO_SIGN_PASSWORD_FILE
#                                       when the key is encrypted)
#   KESTRO_SIGN_PKCS12                  a .pfx/.p12 file instead, its password
#                                       in the file KESTRO_SIGN_PASSWORD_FILE
#   KESTRO_SIGN_TIMESTAMP_URL           optional: an RFC 3161 time-stamp server
# Usage:
#   packaging/sign.sh check     one line: "unsigned: ..." when nothing is
#                               named, else "signing as SUBJECT" once a trial
#                               signature succeeded; fails with the reason
#   packaging/sign.sh FILE...   signs each file in place; a file that could
#                               not be signed is left as it was
set -euo pipefail

die() { echo "sign.sh: $*" >&2; exit 1; }
# signer_certificate: the signing certificate, PEM, on stdout.
args=(-h sha256 -n "Kestro and IP Helper")
if [ -n "${KESTRO_SIGN_PKCS12:-}" ]; then
  [ -z "${KESTRO_SIGN_CERT:-}${KESTRO_SIGN_KEY:-}" ] ||
    die "name either KESTRO_SIGN_PKCS12 or KESTRO_SIGN_CERT and KESTRO_SIGN_KEY, not both"
  [ -n "${KESTRO_SIGN_PASSWORD_FILE:-}" ] ||
    die "KESTRO_SIGN_PKCS12 needs its password in the file named by KESTRO_SIGN_PASSWORD_FILE"
  args+=(-pkcs12 "$KESTRO_SIGN_PKCS12" -readpass "$KESTRO_SIGN_PASSWORD_FILE")
  signer_certificate() {
    openssl pkcs12 -in "$KESTRO_SIGN_PKCS12" -passin "file:$KESTRO_SIGN_PASSWORD_FILE" -nokeys -clcerts
  }
elif [ -n "${KESTRO_SIGN_CERT:-}${KESTRO_SIGN_KEY:-}" ]; then
  [ -n "${KESTRO_SIGN_CERT:-}" ] && [ -n "${KESTRO_SIGN_KEY:-}" ] ||
    die "KESTRO_SIGN_CERT and KESTRO_SIGN_KEY go together: the certificate chain and its private key"
  args+=(-certs "$KESTRO_SIGN_CERT" -key "$KESTRO_SIGN_KEY")
  [ -z "${KESTRO_SIGN_PASSWORD_FILE:-}" ] || args+=(-readpass "$KESTRO_SIGN_PASSWORD_FILE")
  signer_certificate() { openssl x509 -in "$KESTRO_SIGN_CERT"; }
else
  # Variables that only make sense with a certificate: a mistake, not a wish
  # for an unsigned release.
  [ -z "${KESTRO_SIGN_PASSWORD_FILE:-}${KESTRO_SIGN_TIMESTAMP_URL:-}" ] ||
    die "KESTRO_SIGN_PASSWORD_FILE or KESTRO_SIGN_TIMESTAMP_URL is set, but no certificate (KESTRO_SIGN_CERT and KESTRO_SIGN_KEY, or KESTRO_SIGN_PKCS12)"
  [ "${1:-}" = check ] || die "no certificate named (KESTRO_SIGN_CERT and KESTRO_SIGN_KEY, or KESTRO_SIGN_PKCS12)"
  echo "unsigned: no certificate named (KESTRO_SIGN_CERT and KESTRO_SIGN_KEY, or KESTRO_SIGN_PKCS12)"
  exit 0
fi
[ -z "${KESTRO_SIGN_TIMESTAMP_URL:-}" ] || args+=(-ts "$KESTRO_SIGN_TIMESTAMP_URL")

# sign IN OUT [NAME]: the tool's own reason on failure, without the noise of the
# key formats OpenSSL tried and rejected on the way.
sign() {
  local out
  if ! out=$(osslsigncode sign "${args[@]}" -in "$1" -out "$2" 2>&1 </dev/null); then
    rm -f "$2"
    grep -vE 'DECODER routines|asn1 encoding routines' <<<"$out" | sed 's/^/  /' >&2
    die "could not sign ${3:-$1}"
  fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ "${1:-}" = check ]; then
  # Windows checks the purpose only when it verifies: refuse here instead.
  cert=$(signer_certificate 2>"$work/err") || { sed 's/^/  /' "$work/err" >&2; die "cannot read the certificate"; }
  usage=$(openssl x509 -noout -ext extendedKeyUsage <<<"$cert" 2>/dev/null | sed -n '2,$p' | xargs)
  case "$usage" in
    '' | *'Code Signing'*) ;;
    *) die "the certificate is not for code signing (extended key usage: $usage)" ;;
  esac
  # A trial on an empty installer database: the key, the password and the
  # time-stamp server are known good before anything is built.
  msibuild "$work/trial.msi" -s trial
  sign "$work/trial.msi" "$work/signed.msi" "a trial package"
  # Should the tool sign with a key that is not the certificate's anyway.
  if [ -n "${KESTRO_SIGN_KEY:-}" ] && [ "$(openssl x509 -noout -pubkey <<<"$cert")" != "$(openssl pkey -pubout \
    -in "$KESTRO_SIGN_KEY" ${KESTRO_SIGN_PASSWORD_FILE:+-passin "file:$KESTRO_SIGN_PASSWORD_FILE"} 2>&1)" ]; then
    die "the private key $KESTRO_SIGN_KEY does not belong to the certificate $KESTRO_SIGN_CERT"
  fi
  echo "signing as $(openssl x509 -noout -subject -nameopt oneline <<<"$cert" | sed 's/^subject= *//')"
  exit 0
fi
# One output file at a time: osslsigncode does not write over a file that is
# there already.
for f in "$@"; do
  rm -f "$work/signed"
  sign "$f" "$work/signed"
  cp "$work/signed" "$f"
done
