#!/usr/bin/env bash
# Signs a copy of the kernel image with a test certificate and verifies the
# signature, as a machine in test-signing mode would accept it:
#
#   scripts/sign_test.sh [IMAGE [OUTDIR]]
#
# IMAGE defaults to build/windows/driver/bayercam.sys, OUTDIR to the
# directory "signed" next to it. Makes a self-signed code-signing
# certificate and key (openssl; RSA 2048, valid 30 days) in OUTDIR unless
# one is there already, writes OUTDIR/bayercam.sys signed with it (SHA-256
# Authenticode, osslsigncode) and checks that signature against the
# certificate (osslsigncode verify). IMAGE itself is never changed: the
# tests load the unsigned image.
#
# A test certificate is no release signature: since Windows 10 1607 a new
# kernel driver loads only when Microsoft signed it (attestation or WHQL
# through the hardware dev center), or with this certificate on a machine
# in test-signing mode (windows/README.md).
#
# Exit status: 0 if the signed copy verifies, 1 otherwise, 2 on bad usage.
set -euo pipefail

(($# <= 2)) || { echo "usage: $0 [IMAGE [OUTDIR]]" >&2; exit 2; }
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
image="${1:-$root/build/windows/driver/bayercam.sys}"
outdir="${2:-$(dirname "$image")/signed}"
[[ -f "$image" ]] || { echo "error: no image at $image (was the windows preset built?)" >&2; exit 1; }
for tool in openssl osslsigncode; do
  command -v "$tool" >/dev/null || { echo "error: $tool not found" >&2; exit 1; }
done

mkdir -p "$outdir"
certificate="$outdir/bayercam-test.pem"
key="$outdir/bayercam-test.key"
signed="$outdir/$(basename "$image")"
[[ "$(realpath -m "$signed")" != "$(realpath "$image")" ]] ||
  { echo "error: OUTDIR would overwrite $image" >&2; exit 2; }

if [[ ! -f "$certificate" || ! -f "$key" ]]; then
  openssl req -x509 -newkey rsa:2048 -sha256 -days 30 -nodes \
    -subj "/CN=Bayercam Test Signing (not for release)" \
    -addext "keyUsage=critical,digitalSignature" \
    -addext "extendedKeyUsage=codeSigning" \
    -keyout "$key" -out "$certificate" 2>/dev/null
fi

rm -f "$signed"
osslsigncode sign -certs "$certificate" -key "$key" -h sha256 \
  -n "Bayercam USB colour camera driver" -in "$image" -out "$signed" >/dev/null
if osslsigncode verify -CAfile "$certificate" -ignore-cdp -in "$signed" >"$outdir/verify.log" 2>&1; then
  echo "ok: $signed signed with $certificate and verified"
else
  echo "FAIL: the signature of $signed does not verify:" >&2
  sed 's/^/  /' "$outdir/verify.log" >&2
  exit 1
fi
