#!/usr/bin/env bash
# Signing with throw-away certificates made here: Kestro.exe signed, put in
# its installer package, the package signed, each verified by osslsigncode,
# the program inside the package too; what must not sign is refused before
# anything is signed, with the reason. Ends with "signing: N passed, N failed".
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/wine-arch.sh"
SIGN=$ROOT/packaging/sign.sh
passed=0
failed=0
check() { if [ "$2" = "$3" ]; then passed=$((passed + 1)); echo "ok: $1"; else failed=$((failed + 1)); echo "FAILED: $1: expected '$2', got '$3'"; fi; }
work=$(mktemp -d "/tmp/kestro signing-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# certificate NAME USAGE: a self-signed certificate and its key.
certificate() {
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Kestro test $1" -keyout "$1.key" \
    -out "$1.pem" -addext "extendedKeyUsage=$2" 2>/dev/null
}
certificate signer codeSigning
certificate server serverAuth
openssl genrsa -out stray.key 2048 2>/dev/null
printf 'pass phrase\n' >password
printf 'wrong\n' >wrong
openssl pkcs12 -export -in signer.pem -inkey signer.key -passout file:password -out signer.pfx

# refused NAME REASON VARIABLE=VALUE...: sign.sh check fails with the reason.
refused() {
  local out
  out=$(env "${@:3}" "$SIGN" check 2>&1) && out="accepted: $out"
  check "refused: $1" yes "$(grep -qF "$2" <<<"$out" && echo yes || echo "$out")"
}
refused "a key that is not the certificate's" "private key" KESTRO_SIGN_CERT=signer.pem KESTRO_SIGN_KEY=stray.key
refused "a certificate not for code signing" "not for code signing (extended key usage: TLS Web Server Authentication)" \
  KESTRO_SIGN_CERT=server.pem KESTRO_SIGN_KEY=server.key
refused "a wrong PKCS#12 password" "invalid password" KESTRO_SIGN_PKCS12=signer.pfx KESTRO_SIGN_PASSWORD_FILE=wrong
refused "a certificate without its key" "go together" KESTRO_SIGN_CERT=signer.pem
check "no certificate: unsigned, in one line" "unsigned: no certificate named (KESTRO_SIGN_CERT and KESTRO_SIGN_KEY, or KESTRO_SIGN_PKCS12)" "$("$SIGN" check)"

# The release's order: the program (PKCS#12 here), its package, the package (PEM).
verified() { osslsigncode verify -CAfile signer.pem -in "$1" >/dev/null 2>&1 && echo verified || echo "not verified"; }
build=$(kestro_build_dir win32)
mkdir x86 extracted
cp "$build/Kestro.exe" x86/
cp -r "$build/PolicyDefinitions" x86/
cp "$build/Kestro.exe" second.exe
KESTRO_SIGN_PKCS12=signer.pfx KESTRO_SIGN_PASSWORD_FILE=password "$SIGN" x86/Kestro.exe second.exe
check "two files in one call: the second signed too" verified "$(verified second.exe)"
"$ROOT/packaging/build-msi.sh" "$work/x86" x86 "$("$ROOT/scripts/version.sh")" "$work/Kestro.msi" >/dev/null
KESTRO_SIGN_CERT=signer.pem KESTRO_SIGN_KEY=signer.key "$SIGN" Kestro.msi
msiextract -C extracted Kestro.msi >/dev/null
inside=$(find extracted -name Kestro.exe)
check "signed program, signed package, the signed program inside" "verified verified verified same" \
  "$(verified x86/Kestro.exe) $(verified Kestro.msi) $(verified "$inside") $(cmp -s x86/Kestro.exe "$inside" && echo same)"
check "another certificate's signature does not verify" "not verified" \
  "$(osslsigncode verify -CAfile server.pem -in Kestro.msi >/dev/null 2>&1 && echo verified || echo "not verified")"
echo "signing: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
