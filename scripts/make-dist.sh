#!/bin/bash
# Packs the shipped control for sites: DIST/tessaline.cab (the i686 control, Upload.gif and
# the INF) for a page's codebase, and the same files loose for an installation by hand. The
# control and the cabinet are signed with Authenticode. Without a key and certificate of the
# site's own, a test certificate is made once and kept beside the build trees; nobody trusts
# it, but it proves the signing works. With a time-stamping authority's address both
# signatures are countersigned by it (RFC 3161), so they stay valid after the certificate
# expires.
#   make-dist.sh WIN_TREE DIST_DIR [--key KEY.pem --cert CERT.pem] [--timestamp URL]
set -euo pipefail
win=$(realpath "$1")
dist=$(realpath -m "$2")
shift 2
key="" cert="" timestamp=()
while [ $# -gt 0 ]; do
    case "$1" in
    --key) key=$2; shift 2 ;;
    --cert) cert=$2; shift 2 ;;
    --timestamp) timestamp=(-ts "$2"); shift 2 ;;
    *) echo "usage: make-dist.sh WIN_TREE DIST_DIR [--key KEY.pem --cert CERT.pem] [--timestamp URL]" >&2; exit 2 ;;
    esac
done
root=$(cd "$(dirname "$0")/.." && pwd)
# The module built for packing, locked to the pages of SITES when the build was given some.
ocx=$win/dist-bin/tessaline.ocx
[ -f "$ocx" ] || { echo "make-dist: $ocx is not built" >&2; exit 1; }
[ "$(cat "$win/wine-arch" 2>/dev/null)" = win32 ] || { echo "make-dist: $win is not the i686 tree" >&2; exit 1; }

if [ -z "$key$cert" ]; then
    signing=$(dirname "$win")/signing
    key=$signing/test-key.pem cert=$signing/test-cert.pem
    if [ ! -f "$key" ] || [ ! -f "$cert" ]; then
        echo "make-dist: making a test code-signing certificate in $signing"
        mkdir -p "$signing"
        openssl req -x509 -newkey rsa:3072 -sha256 -days 3650 -nodes -keyout "$key" -out "$cert" \
            -subj "/O=Halvane Media/CN=TESSALINE test code signing" \
            -addext "basicConstraints=critical,CA:FALSE" -addext "keyUsage=critical,digitalSignature" \
            -addext "extendedKeyUsage=codeSigning" 2>/dev/null
    fi
    echo "make-dist: no SIGN_KEY and SIGN_CERT: signing with the test certificate in $signing, which nobody trusts"
fi
[ -f "$key" ] && [ -f "$cert" ] || { echo "make-dist: give both --key and --cert" >&2; exit 2; }

# The INF names what the build compiled in: the control's class from the IDL, the file
# version from the version resource.
clsid=$(awk '/uuid\(/ { u = $0 } /coclass TessalineCtrl/ { print u; exit }' "$root/res/tessaline.idl" |
    sed 's/.*uuid(\([0-9A-Fa-f-]*\)).*/{\1}/' | tr a-f A-F)
version=$(sed -n 's/^ *FILEVERSION *\([0-9]*\) *, *\([0-9]*\) *, *\([0-9]*\) *, *\([0-9]*\).*/\1,\2,\3,\4/p' "$root/res/tessaline.rc")
[[ $clsid =~ ^\{[0-9A-F-]{36}\}$ ]] && [[ $version =~ ^[0-9]+,[0-9]+,[0-9]+,[0-9]+$ ]] ||
    { echo "make-dist: cannot read the class ($clsid) or the version ($version)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sign() {  # in out
    osslsigncode sign -certs "$cert" -key "$key" -n "Halvane Media Tools" -h sha256 "${timestamp[@]}" \
        -in "$1" -out "$2" >"$work/sign.log" 2>&1 || {
        echo "make-dist: cannot sign $(basename "$1")${timestamp[1]:+ with a timestamp from ${timestamp[1]}}:" \
            "$(grep -m1 . "$work/sign.log")" >&2
        exit 1
    }
}
sign "$ocx" "$work/tessaline.ocx"
cp "$root/res/Upload.gif" "$work/Upload.gif"
# CR LF: the INF is read by Windows tools, and by people in its editors.
sed -e "s/@CLSID@/$clsid/g" -e "s/@VERSION_COMMAS@/$version/g" -e "s/@VERSION_DOTS@/${version//,/.}/g" \
    -e 's/$/\r/' "$root/res/tessaline.inf.in" >"$work/tessaline.inf"
(cd "$work" && gcab -c -n -z unsigned.cab tessaline.inf tessaline.ocx Upload.gif)
sign "$work/unsigned.cab" "$work/tessaline.cab"

rm -rf "$dist"
mkdir -p "$dist"
cp "$work/tessaline.cab" "$work/tessaline.inf" "$work/tessaline.ocx" "$work/Upload.gif" "$dist/"
sites=$(cat "$win/dist-bin/allowed-sites.txt")
echo "make-dist: pages allowed to script the control: ${sites:-any page (no SITES given)}"
echo "make-dist: $dist/tessaline.cab ($(stat -c %s "$dist/tessaline.cab") bytes, signed by" \
    "$(openssl x509 -in "$cert" -noout -subject | sed 's/^subject= *//')${timestamp[1]:+, timestamped by ${timestamp[1]}})"
