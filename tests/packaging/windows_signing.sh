#!/usr/bin/env bash
# Signs the Windows packages with a throwaway self-signed certificate whose
# key has a password, as a release is signed, and checks with osslsigncode
# that every program in the zip and in the MSI, and the MSI itself, carries
# a signature that verifies against that certificate, over the very program
# an unsigned build holds; that without a certificate nothing is signed; and
# that a wrong password stops cpack rather than leaving a program unsigned.
# Usage: windows_signing.sh BUILD-FOLDER
set -euo pipefail

build=$(cd "$1" && pwd)

source "$(dirname "${BASH_SOURCE[0]}")/../support/require_tools.sh"
require_tools cpack openssl osslsigncode unzip wixl msiextract cmp

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*"
    exit 1
}

unset OSTREL_SIGNING_CERTIFICATE OSTREL_SIGNING_KEY OSTREL_SIGNING_PASSWORD OSTREL_SIGNING_TIMESTAMP_URL

make_packages() { # FOLDER
    cpack --config "$build/CPackConfig.cmake" -B "$1" >"$1.log" 2>&1
}

# What the packages hold, unpacked into FOLDER/zip and FOLDER/msi.
unpack() { # FOLDER
    unzip -q "$1"/*.zip -d "$1/zip"
    mkdir "$1/msi"
    (cd "$1/msi" && msiextract "$1"/*.msi >/dev/null)
}

signature_verifies() { # FILE
    osslsigncode verify -CAfile "$work/certificate.pem" -in "$1" >"$work/verify.log" 2>&1
}

# The digest of the program that a signature carries.
signed_digest() { # FILE
    { osslsigncode verify -CAfile "$work/certificate.pem" -in "$1" 2>/dev/null || true; } |
        sed -n 's/^Current message digest *: *\([0-9A-Fa-f]*\).*/\1/p'
}
sign=$(dirname "${BASH_SOURCE[0]}")/../../scripts/sign-windows

password=throwaway-$RANDOM
openssl req -x509 -newkey rsa:3072 -sha256 -days 2 -subj "/CN=OstrelSort test signing" \
    -addext keyUsage=critical,digitalSignature -addext extendedKeyUsage=codeSigning \
    -keyout "$work/key.pem" -passout "pass:$password" -out "$work/certificate.pem" 2>"$work/openssl.log" ||
    { cat "$work/openssl.log"; fail "openssl could not make a certificate"; }

echo "== unsigned"
mkdir "$work/unsigned"
make_packages "$work/unsigned" || { cat "$work/unsigned.log"; fail "cpack failed"; }
unpack "$work/unsigned"
mapfile -t programs < <(cd "$work/unsigned/zip" && find . -name '*.exe' | sort)
((${#programs[@]} > 0)) || fail "the zip holds no program"
for file in "${programs[@]/#/$work/unsigned/zip/}" "$work/unsigned"/*.msi; do
    ! signature_verifies "$file" || fail "$(basename "$file") is signed without a certificate"
done

echo "== signed"
mkdir "$work/signed"
OSTREL_SIGNING_CERTIFICATE=$work/certificate.pem OSTREL_SIGNING_KEY=$work/key.pem OSTREL_SIGNING_PASSWORD=$password \
    make_packages "$work/signed" || { cat "$work/signed.log"; fail "cpack could not sign"; }
! grep -qF -- "$password" "$work/signed.log" || fail "cpack's output shows the password"
unpack "$work/signed"
signature_verifies "$work/signed"/*.msi || { cat "$work/verify.log"; fail "the MSI's signature does not verify"; }
for program in "${programs[@]}"; do
    name=$(basename "$program")
    signed=$work/signed/zip/$program
    signature_verifies "$signed" || { cat "$work/verify.log"; fail "$name in the zip: the signature does not verify"; }
    installed=$(find "$work/signed/msi" -name "$name")
    cmp "$signed" "$installed" || fail "the MSI holds another signed $name than the zip"
    # The signed digest covers all of the program but its signature: signing
    # the unsigned program here must sign the same digest. (osslsigncode 2.5,
    # Debian 12's, has no extract-data to read that digest unsigned.)
    cp "$work/unsigned/zip/$program" "$work/$name"
    OSTREL_SIGNING_CERTIFICATE=$work/certificate.pem OSTREL_SIGNING_KEY=$work/key.pem OSTREL_SIGNING_PASSWORD=$password \
        "$sign" "$work/$name" >/dev/null || fail "could not sign the unsigned $name"
    digest=$(signed_digest "$signed")
    [[ -n $digest && $digest == "$(signed_digest "$work/$name")" ]] ||
        fail "the signed $name is not the unsigned one signed"
done

echo "== a wrong password"
mkdir "$work/refused"
if OSTREL_SIGNING_CERTIFICATE=$work/certificate.pem OSTREL_SIGNING_KEY=$work/key.pem OSTREL_SIGNING_PASSWORD=wrong \
    make_packages "$work/refused"; then
    fail "cpack made packages with a key it could not open"
fi
[[ -z $(find "$work/refused" -maxdepth 1 -name '*.zip' -o -maxdepth 1 -name '*.msi') ]] ||
    fail "packages were left after signing failed"

echo "PASS: ${programs[*]##*/} and the MSI signed and verified"
