#!/bin/bash
# What `make dist` made, as a site receives it: the cabinet holds exactly the INF, the control
# and its animation, the same bytes as the loose files beside it; the cabinet and the control
# carry Authenticode signatures that osslsigncode accepts with the signing certificate.
#   package_test.sh DIST_DIR SIGNING_CERT
set -uo pipefail
dist=$1 cert=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
[ -f "$dist/tessaline.cab" ] || { echo "no $dist/tessaline.cab: run make dist"; exit 1; }

listed=$(gcab -t "$dist/tessaline.cab" | sort | tr '\n' ' ')
[ "$listed" = "Upload.gif tessaline.inf tessaline.ocx " ] || fail "the cabinet holds: $listed"
gcab -x -C "$work" "$dist/tessaline.cab" >/dev/null || fail "the cabinet does not unpack"
for f in tessaline.inf tessaline.ocx Upload.gif; do
    cmp -s "$work/$f" "$dist/$f" || fail "$f in the cabinet differs from $dist/$f"
done

for f in tessaline.cab tessaline.ocx; do
    "osslsigncode" verify -in "$dist/$f" -CAfile "$cert" >"$work/verify.txt" 2>&1 || fail "$f: $(tail -3 "$work/verify.txt")"
    grep -q '^Signature verification: ok' "$work/verify.txt" || fail "$f: no good signature: $(tail -3 "$work/verify.txt")"
    subject=$(openssl x509 -in "$cert" -noout -subject -nameopt compat | sed 's/^subject= *//')
    grep -qF "Subject: $subject" "$work/verify.txt" || fail "$f is not signed by $subject"
done
# A certificate the cabinet was not signed with does not vouch for it.
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=somebody else" -keyout "$work/k.pem" \
    -out "$work/other.pem" 2>/dev/null
osslsigncode verify -in "$dist/tessaline.cab" -CAfile "$work/other.pem" >/dev/null 2>&1 &&
    fail "the cabinet verifies against an unrelated certificate"

[ $failures -eq 0 ] && echo "package: $(stat -c %s "$dist/tessaline.cab") bytes, 3 files, signatures verified"
exit $failures
