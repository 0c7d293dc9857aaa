#!/usr/bin/env bash
# Two releases of the checked-out commit, made in two folders with two build
# folders one after the other, must be byte for byte the same, and no file
# they ship (nor any program inside the payload) may hold the source or a
# build folder's path. Then the first build is released again signed with a
# throwaway certificate: osslsigncode accepts both files, unzip still
# lists the payload, and its digest is still the one setup.exe is pinned to. The win32 build is made twice from scratch: several
# minutes.   tests/release/reproducible.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/common.sh"
fail() {
  echo "reproducible.sh: FAIL: $*" >&2
  exit 1
}
work="$QB_BUILD/release-test"
rm -rf "$work"
mkdir -p "$work"

start=$SECONDS
for side in a b; do
  QB_RELEASE_BUILD="$work/build-$side" "$QB_ROOT/scripts/release" "$work/out-$side" --no-run \
    >"$work/release-$side.log" 2>&1 || { cat "$work/release-$side.log"; fail "release $side"; }
done
echo "reproducible.sh: two releases in $((SECONDS - start)) s"

for file in setup.exe qbar47.dat SHA256SUMS; do
  cmp "$work/out-a/$file" "$work/out-b/$file" ||
    fail "$file differs between two releases of one commit"
done
[ "$(LC_ALL=C ls "$work/out-a")" = "$(printf '%s\n' SHA256SUMS qbar47.dat setup.exe)" ] ||
  fail "the release holds other files: $(ls "$work/out-a" | tr '\n' ' ')"
(cd "$work/out-a" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"

mkdir -p "$work/inside"
(cd "$work/inside" && unzip -q "$work/out-a/qbar47.dat" 2>/dev/null) || [ $? -eq 1 ] ||
  fail "the payload does not unzip"
for file in "$work/out-a/setup.exe" "$work/out-a/qbar47.dat" "$work/inside"/*; do
  for folder in "$QB_ROOT" "$work"; do
    ! strings -a "$file" | grep -qF "$folder" || fail "${file##*/} holds the path $folder"
  done
done
echo "reproducible.sh: identical, and no build or source path in $(ls "$work/inside" | wc -l) payload files"

# No test hook ships: nothing in setup.exe or the payload reads its
# environment, nor names the extractor's test variable, in 8-bit or UTF-16 text.
for file in "$work/out-a/setup.exe" "$work/out-a/qbar47.dat"; do
  for encoding in s l; do
    hooks=$(strings -a -e "$encoding" "$file" | grep -E 'QB_SFX_TEST_CUT|GetEnvironmentVariable|getenv' || true)
    [ -z "$hooks" ] || fail "${file##*/} holds a test hook: $hooks"
  done
done
echo "reproducible.sh: no environment hook in setup.exe or qbar47.dat"

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=test \
  -keyout "$work/key.pem" -out "$work/cert.pem" >"$work/openssl.log" 2>&1 ||
  { cat "$work/openssl.log"; exit 1; }
QB_RELEASE_BUILD="$work/build-a" QB_RELEASE_INCREMENTAL=1 "$QB_ROOT/scripts/release" \
  "$work/out-signed" --sign "$work/cert.pem" "$work/key.pem" --no-run \
  >"$work/release-signed.log" 2>&1 || { cat "$work/release-signed.log"; fail "signed release"; }
for file in setup.exe qbar47.dat; do
  osslsigncode verify -CAfile "$work/cert.pem" -in "$work/out-signed/$file" \
    >"$work/verify-$file.log" 2>&1 || { cat "$work/verify-$file.log"; fail "$file: bad signature"; }
done
unzip -l "$work/out-signed/qbar47.dat" >"$work/unzip-signed.log" 2>&1 || [ $? -eq 1 ] ||
  fail "unzip cannot read the signed payload"
for file in "$work/inside"/*; do
  grep -qF " ${file##*/}" "$work/unzip-signed.log" || fail "unzip -l misses ${file##*/} when signed"
done
(cd "$work/out-signed" && sha256sum --quiet -c SHA256SUMS) || fail "signed SHA256SUMS does not match"
# Both releases' setup.exe are pinned to their payload: stamping the
# unstamped program with the signed payload gives the unsigned release's
# setup.exe byte for byte, as signing leaves the digest alone.
"$QB_ROOT/tools/stamp-setup" "$work/build-a/unstamped/setup.exe" "$work/out-signed/qbar47.dat" \
  "$work/restamped.exe" || fail "the signed payload cannot be pinned"
cmp "$work/restamped.exe" "$work/out-a/setup.exe" ||
  fail "the signed payload's digest is not the one the release's setup.exe carries"
echo "reproducible.sh: signed release verified; passed in $((SECONDS - start)) s"
