#!/bin/sh
# Sets up a throwaway SoftHSM2 key token for the certificate library, its tests and tools.
#
#   make-test-token.sh <dir> [pin] [container-label] [key-type]
#
# key-type is rsa (RSA 2048, the default) or ec (ECDSA P-256); SoftHSM2 has no SM2.
#
# Everything lands in <dir>, which must be empty or absent; the system's token folder is never
# touched. Use the token with SOFTHSM2_CONF=<dir>/softhsm2.conf.
#
# <dir>/softhsm2.conf, <dir>/tokens/   the SoftHSM2 configuration and its token store
# <dir>/ca.pem, ca.key                 a test CA ("QORV Test CA"), the signer's issuer
# <dir>/user.pem, user.der, user.key   the signer's certificate and key (kept in software too,
#                                      so that tests can sign as the token's holder)
#
# The key pair and certificate are on the token under the container label and CKA_ID 01.
set -eu

usage()
{
    echo "usage: $0 <dir> [pin] [container-label] [rsa|ec]" >&2
    exit 2
}

[ $# -ge 1 ] && [ $# -le 4 ] || usage
dir=$1
pin=${2:-123456}
label=${3:-测试单位公章}
keytype=${4:-rsa}
so_pin=87654321
token_label=QORV-Test
id=01

case "$keytype" in
    rsa | ec) ;;
    *) usage ;;
esac

if [ -e "$dir" ] && [ -n "$(ls -A "$dir")" ]; then
    echo "$0: $dir is not empty" >&2
    exit 1
fi
mkdir -p "$dir/tokens"
dir=$(cd "$dir" && pwd)

SOFTHSM2_CONF="$dir/softhsm2.conf"
export SOFTHSM2_CONF
cat > "$SOFTHSM2_CONF" <<EOF
directories.tokendir = $dir/tokens
objectstore.backend = file
log.level = ERROR
slots.removable = false
EOF

module=${QORV_PKCS11_MODULE:-/usr/lib/softhsm/libsofthsm2.so}

new_key()
{
    if [ "$keytype" = ec ]; then
        openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1" 2>/dev/null
    else
        openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$1" 2>/dev/null
    fi
}

cd "$dir"
umask 077

cat > ext.cnf <<'EOF'
[ca]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash

[user]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature, nonRepudiation
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
EOF

new_key ca.key
openssl req -new -x509 -key ca.key -out ca.pem -days 3650 -utf8 \
    -subj "/C=CN/O=QORV Test/CN=QORV Test CA" -config ext.cnf -extensions ca

new_key user.key
openssl req -new -key user.key -out user.csr -utf8 -subj "/C=CN/O=QORV Test/CN=$label"
openssl x509 -req -in user.csr -CA ca.pem -CAkey ca.key -set_serial "0x$(openssl rand -hex 8)" \
    -days 730 -extfile ext.cnf -extensions user -out user.pem 2>/dev/null
openssl x509 -in user.pem -outform DER -out user.der
openssl pkcs8 -topk8 -nocrypt -in user.key -out user.p8
rm -f user.csr ext.cnf

softhsm2-util --init-token --free --label "$token_label" --so-pin "$so_pin" --pin "$pin" \
    >/dev/null
softhsm2-util --import user.p8 --token "$token_label" --label "$label" --id "$id" --pin "$pin" \
    >/dev/null
rm -f user.p8
pkcs11-tool --module "$module" --token-label "$token_label" --login --pin "$pin" \
    --write-object user.der --type cert --id "$id" --label "$label" >/dev/null

echo "token:       $token_label (SOFTHSM2_CONF=$SOFTHSM2_CONF)"
echo "user PIN:    $pin"
echo "SO PIN:      $so_pin"
echo "container:   $label (CKA_ID $id, $keytype)"
echo "certificate: $dir/user.pem"
openssl x509 -in user.pem -noout -subject -issuer -serial -dates -nameopt utf8,sep_comma_plus
echo "issuer CA:   $dir/ca.pem"
