// Owning pointers for the OpenSSL objects the seal code holds.
#pragma once

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace ktxeseal
{
struct OpenSslFree
{
    void operator()(BIO* bio) const { BIO_free_all(bio); }
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
    void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
    void operator()(X509* certificate) const { X509_free(certificate); }
    void operator()(X509_CRL* list) const { X509_CRL_free(list); }
    void operator()(X509_EXTENSION* extension) const { X509_EXTENSION_free(extension); }
    void operator()(BIGNUM* number) const { BN_free(number); }
    void operator()(unsigned char* buffer) const { OPENSSL_free(buffer); }
};

template <typename T>
using OwnedPtr = std::unique_ptr<T, OpenSslFree>;

using Bytes = std::vector<unsigned char>;

/// A read-only view of bytes owned elsewhere.
struct ByteRange
{
    const unsigned char* data = nullptr;
    size_t size = 0;

    ByteRange() = default;
    ByteRange(const unsigned char* bytes, size_t count)
        : data(bytes)
        , size(count)
    {
    }
    ByteRange(const Bytes& bytes)
        : data(bytes.data())
        , size(bytes.size())
    {
    }
    bool operator==(const ByteRange& other) const
    {
        return size == other.size && (size == 0 || std::equal(data, data + size, other.data));
    }
};
}
