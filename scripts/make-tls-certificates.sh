#!/usr/bin/env bash
# Makes a throwaway certificate authority and server certificates signed by
# it, for serving parcel2-host (or nginx) over HTTPS on this machine: the
# demo, the end-to-end tests and the benchmarks. Nothing here is meant to
# be kept; every run makes new keys.
#   make-tls-certificates.sh FOLDER
# FOLDER then holds (each certificate with its .key):
#   ca.pem           the authority; give it to parcel2 with SSL_CERT_FILE
#   ca-folder/       the same, hashed as SSL_CERT_DIR wants it
#   host.pem         for 127.0.0.1, ::1 and localhost, valid for 30 days
#   other-name.pem   for other.invalid only, by the same authority
#   expired.pem      for 127.0.0.1 and localhost, expired in 2020
#   self-signed.pem  for 127.0.0.1 and localhost, signed by itself
set -euo pipefail

folder="$1"
mkdir -p "$folder"
cd "$folder"
command -v openssl >/dev/null || { echo "${0##*/}: openssl is missing; install it with: apt-get install openssl" >&2; exit 1; }

loopback_names="subjectAltName=IP:127.0.0.1,IP:::1,DNS:localhost"

new_key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1.key" 2>/dev/null; }

new_key ca
openssl req -x509 -new -key ca.key -subj "/CN=Parcel2 throwaway test authority" -days 30 -out ca.pem \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
mkdir -p ca-folder
cp ca.pem ca-folder/
openssl rehash ca-folder

# sign NAME SUBJECT_ALT_NAMES [START END]: a server certificate NAME.pem from
# the authority; START and END (YYYYMMDDHHMMSSZ) place its validity.
sign() {
  local name="$1" names="$2"
  new_key "$name"
  openssl req -new -key "$name.key" -subj "/CN=$name" -out "$name.csr"
  mkdir -p ca-db
  : > ca-db/index.txt
  cat > ca-db/ca.conf <<CONF
[ca]
default_ca = throwaway
[throwaway]
database = ca-db/index.txt
new_certs_dir = ca-db
certificate = ca.pem
private_key = ca.key
rand_serial = yes
default_md = sha256
default_days = 30
policy = anything
copy_extensions = none
x509_extensions = server
unique_subject = no
[anything]
commonName = supplied
[server]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = serverAuth
$names
CONF
  local dates=()
  if [ $# -ge 4 ]; then dates=(-startdate "$3" -enddate "$4"); fi
  openssl ca -batch -notext -config ca-db/ca.conf -in "$name.csr" -out "$name.pem" "${dates[@]}" 2>/dev/null
  rm -rf "$name.csr" ca-db
}

sign host "$loopback_names"
sign other-name "subjectAltName=DNS:other.invalid"
sign expired "$loopback_names" 20200101000000Z 20200201000000Z

new_key self-signed
openssl req -x509 -new -key self-signed.key -subj "/CN=self-signed" -days 30 -out self-signed.pem \
  -addext "$loopback_names"
