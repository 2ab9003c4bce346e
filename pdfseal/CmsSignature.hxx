/// The signature a PDF carries for each seal: detached PKCS#7 signed data (RFC 2315, as PDF's
/// adbe.pkcs7.detached has it) over the signed byte ranges, with signed attributes (content type,
/// signing time, message digest) and, where a time-stamp service vouched for it, an RFC 3161
/// token over the signature value. A document seal signs SM2 with SM3 under the identifiers of
/// GM/T 0010; a key token signs RSA or ECDSA with SHA-256.
///
/// OpenSSL 3.0 cannot make a PKCS#7 or CMS signer info for an SM2 key, so the signer info is
/// put together here through OpenSSL's ASN.1 types, and the signer signs the DER of the signed
/// attributes itself (the seal's key in memory, or the token through PKCS#11).
#pragma once

#include <OpenSslPointers.hxx>

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillmark::pdfseal
{
using ktxeseal::ByteRange;
using ktxeseal::Bytes;
using ktxeseal::OwnedPtr;

enum class SignatureAlgorithm
{
    Sm2WithSm3,
    RsaWithSha256,
    EcdsaWithSha256
};

/// GM/T 0010's identifiers: SM3, and SM2-1, the SM2 signature.
inline constexpr char kSm3Oid[] = "1.2.156.10197.1.401";
inline constexpr char kSm2SignatureOid[] = "1.2.156.10197.1.301.1";

/// How the certificate's key signs here; none for a key of another kind.
std::optional<SignatureAlgorithm> algorithmOf(X509* certificate);

/// The digest the algorithm signs: SM3 or SHA-256.
const EVP_MD* digestOf(SignatureAlgorithm algorithm);

/// A digest over data handed over piece by piece.
class ContentDigest
{
public:
    explicit ContentDigest(SignatureAlgorithm algorithm);
    void add(ByteRange data);
    Bytes finish();

private:
    OwnedPtr<EVP_MD_CTX> context;
};

/// Signs the DER of the signed attributes, hashing them as the algorithm says; the signature
/// value as PKCS#7 carries it (DER for SM2 and ECDSA, PKCS#1 v1.5 for RSA). Throws
/// std::runtime_error when it cannot.
using AttributeSigner = std::function<Bytes(ByteRange signedAttributes)>;

/// An RFC 3161 token over the signature value (DER); none when no time stamp is wanted. Throws
/// std::runtime_error when one is wanted and cannot be had.
using TimeStamper = std::function<std::optional<Bytes>(ByteRange signatureValue)>;

struct SignatureRequest
{
    /// Whose key signs; the first certificate in the structure.
    X509* signer = nullptr;
    /// The certificates that lead from the signer to the one the recipient trusts.
    std::vector<X509*> chain;
    /// The digest of the signed content, by the signer's algorithm.
    Bytes contentDigest;
    time_t signingTime = 0;
    AttributeSigner sign;
    TimeStamper timeStamp;
};

/// DER of the detached signed data. Throws std::runtime_error.
Bytes makeDetachedSignature(const SignatureRequest& request);

/// What a detached signature says, once its structure has been read and its signature over its
/// signed attributes checked against the signer certificate it carries.
struct OpenedSignature
{
    SignatureAlgorithm algorithm = SignatureAlgorithm::Sm2WithSm3;
    Bytes signerCertificate;
    /// Every certificate in the structure, the signer's included, DER.
    std::vector<Bytes> certificates;
    /// The message digest the signed attributes name.
    Bytes messageDigest;
    /// The signing time the signed attributes name: the signing machine's clock.
    std::optional<time_t> signingTime;
    Bytes signatureValue;
    /// The time-stamp token of the unsigned attributes, when there is one.
    Bytes timeStampToken;
    /// The signer's key verifies the signature value over the signed attributes.
    bool signatureValid = false;
};

/// Reads one whole DER structure of detached signed data with exactly one signer, signed
/// attributes of data content, and a signer certificate among its certificates, and checks its
/// signature; none when it is no such structure.
std::optional<OpenedSignature> openDetachedSignature(ByteRange der);
}
