#!/usr/bin/env bash
# What scripts/release refuses before it builds anything: an output folder
# that already holds files, and a certificate or key that cannot sign; each
# with a message that names the problem, and the output folder left as it
# was.   tests/release/refusals.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/common.sh"
fail() {
  echo "refusals.sh: FAIL: $*" >&2
  exit 1
}
work="$QB_BUILD/release-refusals"
rm -rf "$work"
mkdir -p "$work/out"
cd "$work"
for name in a b; do
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=test \
    -keyout "key-$name.pem" -out "cert-$name.pem" >openssl.log 2>&1 || { cat openssl.log; exit 1; }
done
echo "not a key" >garbage.pem

# refuses OUT SIGN-ARGUMENTS EXPECTED-MESSAGE: the release fails with that
# message, builds nothing, and OUT holds what it held before.
refuses() {
  local out=$1 message=$2 before
  shift 2
  before=$(ls -A "$out")
  if QB_RELEASE_BUILD="$work/build" "$QB_ROOT/scripts/release" "$out" "$@" --no-run \
    >release.log 2>&1; then
    fail "released with $*"
  fi
  grep -qF "$message" release.log || { cat release.log; fail "no message '$message' for $*"; }
  [ "$(ls -A "$out")" = "$before" ] || fail "$out changed after a refusal"
  [ ! -e "$work/build" ] || fail "built before refusing $*"
}
refuses out "is not a PEM private key" --sign cert-a.pem garbage.pem
refuses out "is not a PEM certificate" --sign garbage.pem key-a.pem
refuses out "does not belong to the certificate" --sign cert-a.pem key-b.pem
echo "left over" >out/old.txt
refuses out "already holds files"
echo "refusals.sh: passed"
