#!/bin/bash
# Makes a test certificate authority and server certificates for https on loopback, fresh for
# each run, into DIR:
#   ca.pem ca.der          the test root (the Windows side adds ca.der to its trusted roots)
#   localhost.{pem,key}    for "localhost", signed by the test root: trusted
#   wrong-name.{pem,key}   for "elsewhere.invalid", signed by the test root
#   expired.{pem,key}      for "localhost", signed by the test root, valid only in 2020
#   unknown-ca.{pem,key}   for "localhost", signed by a root nobody trusts
# WinINet under Wine matches only the name in the certificate, never an IP address: clients
# use https://localhost:PORT/.
#   test-certs.sh DIR
set -euo pipefail
dir=$1
mkdir -p "$dir"
cd "$dir"

root() {  # name subject
    openssl req -x509 -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
        -subj "/CN=$2" -keyout "$1.key" -out "$1.pem" \
        -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
}

# A CA configuration that lets each certificate have dates of its own.
cat >ca.cnf <<'CONF'
[ca]
default_ca = test
[test]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = any
copy_extensions = none
unique_subject = no
[any]
commonName = supplied
[leaf]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:${ENV::LEAF_NAME}
CONF

leaf() {  # name host signer start end
    : >index.txt
    openssl rand -hex 8 >serial
    openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj "/CN=$2" \
        -keyout "$1.key" -out "$1.csr" 2>/dev/null
    LEAF_NAME=$2 openssl ca -batch -notext -config ca.cnf -extensions leaf -cert "$3.pem" -keyfile "$3.key" \
        -startdate "$4" -enddate "$5" -in "$1.csr" -out "$1.pem" 2>/dev/null
    rm -f "$1.csr" ./*.pem.old index.txt* serial* ./[0-9A-F]*.pem
}

root ca "Tessaline Test Root $$"
root other-ca "Tessaline Untrusted Root $$"
openssl x509 -in ca.pem -outform der -out ca.der
now=$(date -u -d '-1 hour' +%Y%m%d%H%M%SZ)
later=$(date -u -d '+2 days' +%Y%m%d%H%M%SZ)
leaf localhost localhost ca "$now" "$later"
leaf wrong-name elsewhere.invalid ca "$now" "$later"
leaf expired localhost ca 20200101000000Z 20201231000000Z
leaf unknown-ca localhost other-ca "$now" "$later"
rm -f ca.cnf other-ca.key
