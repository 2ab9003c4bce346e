/// The CAs a certificate signature must chain to: QORV_TRUST_STORE, a PEM file or a folder of PEM
/// files. Shared by the certificate library and whatever else checks a token's signature.
#pragma once

#include <openssl/x509_vfy.h>

#include <memory>
#include <string>

namespace qorv
{
struct StoreFree
{
    void operator()(X509_STORE* store) const { X509_STORE_free(store); }
};
using StorePtr = std::unique_ptr<X509_STORE, StoreFree>;

inline constexpr char kTrustStoreVariable[] = "QORV_TRUST_STORE";
inline constexpr char kDefaultTrustStore[] = "/etc/quillmark/qorv-trust";

/// The trust store the environment names, else the default one.
std::string configuredTrustStore();

/// The certificates of a PEM file, or of every PEM file in a folder (hashed or not; files that
/// hold no certificate are passed over). Nothing when not one certificate was read: a store
/// that trusts nobody is a misconfiguration to report, not a reason to refuse quietly.
StorePtr loadTrustStore(const std::string& path);
}
