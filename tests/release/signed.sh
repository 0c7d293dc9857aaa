#!/usr/bin/env bash
# A signed payload under Wine. Signed with a throwaway certificate as the
# release signs it, the payload passes osslsigncode's check, unzip lists it,
# and the self-extractor, driven as the installer drives it, unpacks every
# file byte for byte. With one archive byte changed after signing, the
# extractor refuses it as damaged and leaves nothing behind. The build's
# setup.exe, stamped with the unsigned payload and then signed itself,
# installs from the signed payload, as a signed release does.
#   tests/release/signed.sh <preset>
# Needs the preset's build and Wine started:
#   scripts/with-wine win64 tests/release/signed.sh win64
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/common.sh"
preset=${1:-$(qb_test_preset)}
build="$QB_BUILD/$preset"
product="$build/sample/product"
if [ -z "${DISPLAY:-}" ] || [ -z "${QB_WINE:-}" ]; then
  echo "signed.sh: start Wine and a display first (scripts/with-wine $preset $0 $preset)" >&2
  exit 2
fi
[ -f "$build/qbar47.dat" ] && [ -d "$product" ] ||
  { echo "signed.sh: build the $preset preset first" >&2; exit 2; }
fail() {
  echo "signed.sh: FAIL: $*" >&2
  exit 1
}
work="$build/release-signed"
rm -rf "$work"
mkdir -p "$work/signed" "$work/changed"
cd "$work"
winpath() { echo "Z:${1//\//\\}"; }

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=test \
  -keyout key.pem -out cert.pem >openssl.log 2>&1 || { cat openssl.log; exit 1; }
osslsigncode sign -certs cert.pem -key key.pem -in "$build/qbar47.dat" \
  -out "signed/qbar!ins.exe" >sign.log 2>&1 || { cat sign.log; fail "signing"; }
osslsigncode verify -CAfile cert.pem -in "signed/qbar!ins.exe" >verify.log 2>&1 ||
  { cat verify.log; fail "osslsigncode verify refuses the signed payload"; }

# unzip warns (status 1) about the stub in front of the archive; it must
# still list every file of the product.
unzip -l "signed/qbar!ins.exe" >unzip.log 2>&1 || [ $? -eq 1 ] ||
  { cat unzip.log; fail "unzip cannot read the signed payload"; }
for file in "$product"/*; do
  grep -qF " ${file##*/}" unzip.log || fail "unzip -l does not list ${file##*/}"
done

[ "$preset" = win64 ] && cxx=x86_64-w64-mingw32-g++-posix || cxx=i686-w64-mingw32-g++-posix
$cxx -O2 -static -Wall -Wextra -Werror -I"$QB_ROOT" -o drive-extractor.exe \
  "$here/drive-extractor.cpp"

"$QB_WINE" drive-extractor.exe "$(winpath "$work/signed/qbar!ins.exe")" \
  "$(winpath "$work/unpacked")" >drive-signed.log 2>&1 </dev/null ||
  { cat drive-signed.log; fail "the self-extractor does not unpack the signed payload"; }
[ "$(ls "$work/unpacked" | wc -l)" = "$(ls "$product" | wc -l)" ] ||
  fail "the signed payload unpacked other files than the product's"
for file in "$product"/*; do
  cmp "$file" "$work/unpacked/${file##*/}" || fail "${file##*/} differs after unpacking"
done
echo "signed.sh: signed payload verified, listed, and unpacked: $(ls "$product" | wc -l) files"

# One byte in the middle of the largest entry's data, changed after signing.
python3 - "signed/qbar!ins.exe" "changed/qbar!ins.exe" <<'EOF'
import sys, zipfile
source, target = sys.argv[1:]
data = bytearray(open(source, "rb").read())
with zipfile.ZipFile(source) as archive:
    entry = max(archive.infolist(), key=lambda info: info.compress_size)
    with archive.open(entry) as stream:
        stream.read(1)  # opens the local header, so header_offset is checked
    local = entry.header_offset
    name_length = int.from_bytes(data[local + 26:local + 28], "little")
    extra_length = int.from_bytes(data[local + 28:local + 30], "little")
    at = local + 30 + name_length + extra_length + entry.compress_size // 2
data[at] ^= 0x01
open(target, "wb").write(data)
EOF
if osslsigncode verify -CAfile cert.pem -in "changed/qbar!ins.exe" >verify-changed.log 2>&1; then
  fail "osslsigncode accepts the changed payload: the signature does not cover the archive"
fi
status=0
"$QB_WINE" drive-extractor.exe "$(winpath "$work/changed/qbar!ins.exe")" \
  "$(winpath "$work/refused")" >drive-changed.log 2>&1 </dev/null || status=$?
[ "$status" = 1 ] || { cat drive-changed.log; fail "the changed payload was not refused (status $status)"; }
grep -q "damaged" drive-changed.log || { cat drive-changed.log; fail "the refusal does not say damaged"; }
[ -z "$(ls -A "$work/refused" 2>/dev/null)" ] || fail "the refused payload left files behind"
echo "signed.sh: payload changed after signing refused: $(tr -d '\r' <drive-changed.log | head -n 1)"

# setup.exe's pin leaves out what signing changes: the signed pair installs.
mkdir -p release
osslsigncode sign -certs cert.pem -key key.pem -in "$build/setup.exe" \
  -out release/setup.exe >sign-setup.log 2>&1 || { cat sign-setup.log; fail "signing setup.exe"; }
cp "signed/qbar!ins.exe" release/qbar47.dat
E2E_SHIPPED="$work/release" "$QB_ROOT/tests/e2e/run-all" "$preset" default_install \
  >install-signed.log 2>&1 || { cat install-signed.log; fail "the signed setup.exe does not install from the signed payload"; }
echo "signed.sh: the signed setup.exe installs from the signed payload"
echo "signed.sh: passed"
