/// Statuses of the certificate library. 0 is success. Where the token itself refused, the
/// PKCS#11 return value is passed on unchanged (CKR_PIN_INCORRECT is 160, for instance); those
/// are all positive, so the library's own failures below are negative and never collide.
#pragma once

namespace qorv::status
{
constexpr int kOk = 0;
/// A null pointer, a negative length or an over-long PIN.
constexpr int kBadArgument = -1;
/// A token call before a successful KTX_Initialize.
constexpr int kNotInitialized = -2;
/// The configured PKCS#11 module cannot be loaded or has no C_GetFunctionList.
constexpr int kModuleNotLoaded = -3;
/// No slot holds a token, or none with the configured label.
constexpr int kTokenNotFound = -4;
/// The token holds no certificate with a key of the same CKA_ID.
constexpr int kNoCertificate = -5;
/// Text that is not valid GBK (a PIN) could not be converted.
constexpr int kTextConversion = -6;
/// Base64 text with characters or padding outside the alphabet.
constexpr int kBadBase64 = -7;
/// Bytes that are not the expected PKCS#7 structure (signed data with embedded data content,
/// or a data content info).
constexpr int kMalformedPkcs7 = -8;
/// A signature that does not verify against the signer certificate inside the structure.
constexpr int kSignatureInvalid = -9;
/// The signer certificate does not chain to the trust store.
constexpr int kChainRefused = -10;
/// A result larger than its output area.
constexpr int kDoesNotFit = -11;
/// Bytes that are not one DER X.509 certificate.
constexpr int kBadCertificate = -12;
/// An item type code this library does not know.
constexpr int kUnknownItem = -13;
/// The trust store (QORV_TRUST_STORE, or its default) holds no readable certificate.
constexpr int kTrustStoreUnreadable = -14;
/// The certificate lacks the item asked for (no issuer CN, no subject country).
constexpr int kItemMissing = -15;
/// Anything unexpected inside the library (out of memory, an OpenSSL allocation failure).
constexpr int kInternal = -16;
}
