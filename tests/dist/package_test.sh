#!/bin/bash
# What `make dist` made, as a site receives it: the cabinet holds exactly the INF, the control
# and its animation, the same bytes as the loose files beside it; the cabinet and the control
# carry Authenticode signatures that osslsigncode accepts with the signing certificate; the
# control loads at a random base and never runs data. Packed again with a time-stamping
# authority of the test's own (openssl ts behind a small HTTP server on 127.0.0.1), both
# signatures carry its timestamp.
#   package_test.sh DIST_DIR SIGNING_CERT WIN_TREE
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$here/../..
# shellcheck source=../../scripts/servers.sh
. "$root/scripts/servers.sh"
dist=$1 cert=$2 win=$3
work=$(mktemp -d)
tsa_pid=""
cleanup() {
    [ -n "$tsa_pid" ] && kill "$tsa_pid" 2>/dev/null && wait "$tsa_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
[ -f "$dist/tessaline.cab" ] || { echo "no $dist/tessaline.cab: run make dist"; exit 1; }

listed=$(gcab -t "$dist/tessaline.cab" | sort | tr '\n' ' ')
[ "$listed" = "Upload.gif tessaline.inf tessaline.ocx " ] || fail "the cabinet holds: $listed"
gcab -x -C "$work" "$dist/tessaline.cab" >/dev/null || fail "the cabinet does not unpack"
for f in tessaline.inf tessaline.ocx Upload.gif; do
    cmp -s "$work/$f" "$dist/$f" || fail "$f in the cabinet differs from $dist/$f"
done

subject=$(openssl x509 -in "$cert" -noout -subject -nameopt compat | sed 's/^subject= *//')
verify() {  # dir file [osslsigncode option...]: its output in $work/verify.txt
    local dir=$1 f=$2
    shift 2
    osslsigncode verify -in "$dir/$f" -CAfile "$cert" "$@" >"$work/verify.txt" 2>&1 || fail "$f: $(tail -3 "$work/verify.txt")"
    grep -q '^Signature verification: ok' "$work/verify.txt" || fail "$f: no good signature: $(tail -3 "$work/verify.txt")"
    grep -qF "Subject: $subject" "$work/verify.txt" || fail "$f is not signed by $subject"
}
for f in tessaline.cab tessaline.ocx; do
    verify "$dist" "$f"
    grep -q 'Timestamp time:' "$work/verify.txt" && fail "$f carries a timestamp nobody asked for"
done

# DllCharacteristics: 0x40 dynamic base (with the relocations that make it possible),
# 0x100 NX compatible.
characteristics=$(i686-w64-mingw32-objdump -p "$dist/tessaline.ocx" | awk '$1 == "DllCharacteristics" { print $2 }')
[ -n "$characteristics" ] || fail "the control has no DllCharacteristics"
(( 0x${characteristics:-0} & 0x40 )) || fail "the control does not load at a random base (0x$characteristics)"
(( 0x${characteristics:-0} & 0x100 )) || fail "the control is not NX compatible (0x$characteristics)"
i686-w64-mingw32-objdump -h "$dist/tessaline.ocx" | grep -q ' \.reloc ' || fail "the control keeps no relocations"

# A time-stamping authority: a root, its authority's certificate (for time stamping only)
# and openssl's configuration for answering queries.
tsa=$work/tsa
mkdir "$tsa"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout "$tsa/root.key" -out "$tsa/root.pem" \
    -subj "/CN=TESSALINE test time-stamping root" -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign" 2>/dev/null
printf 'basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=critical,timeStamping\n' \
    >"$tsa/ext.cnf"
openssl req -new -newkey rsa:2048 -nodes -keyout "$tsa/tsa.key" -subj "/CN=TESSALINE test time-stamping authority" \
    2>/dev/null | openssl x509 -req -CA "$tsa/root.pem" -CAkey "$tsa/root.key" -days 2 -extfile "$tsa/ext.cnf" \
    -out "$tsa/tsa.pem" 2>/dev/null
echo 01 >"$tsa/serial"
cat >"$tsa/ts.cnf" <<TSA
[ tsa ]
default_tsa = local
[ local ]
serial = $tsa/serial
crypto_device = builtin
signer_cert = $tsa/tsa.pem
signer_key = $tsa/tsa.key
certs = $tsa/root.pem
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
accuracy = secs:1
ordering = yes
tsa_name = no
ess_cert_id_chain = no
ess_cert_id_alg = sha256
TSA
"$here/timestamp_server.py" 0 "$tsa/ts.cnf" >"$work/tsa.out" 2>"$work/tsa.err" &
tsa_pid=$!
if server_wait "$tsa_pid" server_port "$work/tsa.out" >/dev/null; then
    before=$(date +%s)
    "$root/scripts/make-dist.sh" "$win" "$work/stamped" --timestamp "http://127.0.0.1:$(server_port "$work/tsa.out")/" \
        >"$work/make-dist.out" 2>&1 || fail "make-dist with a timestamp: $(cat "$work/make-dist.out" "$work/tsa.err")"
    after=$(date +%s)
    # Without a key of the site's own, make-dist signs with the tree's test certificate, and
    # says so in one line.
    [ "$(grep -c 'signing with the test certificate' "$work/make-dist.out")" = 1 ] ||
        fail "make-dist did not say once that it signs with the test certificate: $(cat "$work/make-dist.out")"
    cert=$(dirname "$win")/signing/test-cert.pem
    subject=$(openssl x509 -in "$cert" -noout -subject -nameopt compat | sed 's/^subject= *//')
    for f in tessaline.cab tessaline.ocx; do
        [ -f "$work/stamped/$f" ] || continue
        verify "$work/stamped" "$f" -TSA-CAfile "$tsa/root.pem"
        grep -q '^Timestamp Server Signature verification: ok' "$work/verify.txt" ||
            fail "$f: no good timestamp: $(grep -i timestamp "$work/verify.txt" | head -3)"
        grep -qF 'Subject: /CN=TESSALINE test time-stamping authority' "$work/verify.txt" ||
            fail "$f is not timestamped by the test's authority"
        stamped=$(date -d "$(sed -n 's/^[[:space:]]*Timestamp time: //p' "$work/verify.txt" | head -1)" +%s 2>/dev/null)
        [ -n "$stamped" ] && [ "$stamped" -ge $((before - 2)) ] && [ "$stamped" -le $((after + 2)) ] ||
            fail "$f: its timestamp ($(grep 'Timestamp time:' "$work/verify.txt")) is not the time it was packed"
    done
    [ "$(grep -c '^stamped' "$work/tsa.out")" = 2 ] || fail "the authority stamped $(grep -c '^stamped' "$work/tsa.out") signatures, not 2"
else
    fail "the time-stamping authority did not start: $(cat "$work/tsa.err")"
fi
# A certificate the cabinet was not signed with does not vouch for it.
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=somebody else" -keyout "$work/k.pem" \
    -out "$work/other.pem" 2>/dev/null
osslsigncode verify -in "$dist/tessaline.cab" -CAfile "$work/other.pem" >/dev/null 2>&1 &&
    fail "the cabinet verifies against an unrelated certificate"

[ $failures -eq 0 ] && echo "package: $(stat -c %s "$dist/tessaline.cab") bytes, 3 files, signatures verified, DllCharacteristics 0x$characteristics, timestamped on request"
exit $failures
