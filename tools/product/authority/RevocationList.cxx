// The authority's revocation list.

#include "RevocationList.hxx"

#include "KeyFiles.hxx"
#include "SealAuthority.hxx"

#include <IssuedSeal.hxx>
#include <SealFiles.hxx>
#include <SealStructures.hxx>
#include <Sm2.hxx>

#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace quillmark::authority
{
namespace
{
using ktxeseal::Bytes;
using ktxeseal::OwnedPtr;
using ktxeseal::RevocationReason;
namespace fs = std::filesystem;

constexpr time_t kSecondsPerDay = 24 * 60 * 60;
constexpr size_t kLongestList = 16 * 1024 * 1024;

struct AsnFree
{
    void operator()(X509_REVOKED* entry) const { X509_REVOKED_free(entry); }
    /// Integers, enumerations and times are all ASN1_STRINGs to OpenSSL.
    void operator()(ASN1_STRING* value) const { ASN1_STRING_free(value); }
};
template <typename T>
using Owned = std::unique_ptr<T, AsnFree>;

int refusePassPhrase(char*, int, int, void*) { return 0; }

/// The list in the folder, which the authority must have signed; empty when there is none.
OwnedPtr<X509_CRL> readList(const fs::path& path, X509* authority)
{
    if (!fs::exists(path))
        return nullptr;
    std::ifstream in(path, std::ios::binary);
    std::string pem(kLongestList + 1, '\0');
    in.read(pem.data(), static_cast<std::streamsize>(pem.size()));
    const auto length = static_cast<size_t>(in.gcount());
    OwnedPtr<BIO> bio(length <= kLongestList ? BIO_new_mem_buf(pem.data(), static_cast<int>(length))
                                             : nullptr);
    OwnedPtr<X509_CRL> list(
        bio ? PEM_read_bio_X509_CRL(bio.get(), nullptr, refusePassPhrase, nullptr) : nullptr);
    if (!list || !ktxeseal::isSignedByAuthority(list.get(), authority))
        throw std::runtime_error(path.string()
                                 + " is not a revocation list this authority signed; move it "
                                   "away to start a new one");
    return list;
}

long listNumber(X509_CRL* list)
{
    if (!list)
        return 0;
    Owned<ASN1_INTEGER> number(
        static_cast<ASN1_INTEGER*>(X509_CRL_get_ext_d2i(list, NID_crl_number, nullptr, nullptr)));
    return number ? ASN1_INTEGER_get(number.get()) : 0;
}

Owned<X509_REVOKED> revokedEntry(const ASN1_INTEGER* serial, time_t when, RevocationReason reason)
{
    Owned<X509_REVOKED> entry(X509_REVOKED_new());
    Owned<ASN1_TIME> date(ASN1_TIME_set(nullptr, when));
    require(entry && date
                && X509_REVOKED_set_serialNumber(entry.get(), const_cast<ASN1_INTEGER*>(serial))
                       == 1
                && X509_REVOKED_set_revocationDate(entry.get(), date.get()) == 1,
            "OpenSSL cannot make a revocation entry");
    if (reason != RevocationReason::Unspecified)
    {
        Owned<ASN1_ENUMERATED> code(ASN1_ENUMERATED_new());
        require(code && ASN1_ENUMERATED_set(code.get(), static_cast<long>(reason)) == 1
                    && X509_REVOKED_add1_ext_i2d(entry.get(), NID_crl_reason, code.get(), 0, 0)
                           == 1,
                "OpenSSL cannot record the revocation's reason");
    }
    return entry;
}

/// A new list of the authority with the entries of `previous` and `added`, numbered after it.
OwnedPtr<X509_CRL> makeList(const Authority& authority, X509_CRL* previous,
                            std::vector<Owned<X509_REVOKED>> added, time_t now, int days)
{
    OwnedPtr<X509_CRL> list(X509_CRL_new());
    Owned<ASN1_TIME> thisUpdate(ASN1_TIME_set(nullptr, now));
    Owned<ASN1_TIME> nextUpdate(ASN1_TIME_set(nullptr, now + days * kSecondsPerDay));
    require(list && thisUpdate && nextUpdate && X509_CRL_set_version(list.get(), 1) == 1
                && X509_CRL_set_issuer_name(list.get(),
                                            X509_get_subject_name(authority.certificate.get()))
                       == 1
                && X509_CRL_set1_lastUpdate(list.get(), thisUpdate.get()) == 1
                && X509_CRL_set1_nextUpdate(list.get(), nextUpdate.get()) == 1,
            "OpenSSL cannot make a revocation list");
    if (previous)
    {
        STACK_OF(X509_REVOKED)* entries = X509_CRL_get_REVOKED(previous);
        for (int index = 0; index < sk_X509_REVOKED_num(entries); ++index)
        {
            Owned<X509_REVOKED> copy(X509_REVOKED_dup(sk_X509_REVOKED_value(entries, index)));
            require(copy && X509_CRL_add0_revoked(list.get(), copy.get()) == 1,
                    "OpenSSL cannot copy the revocation list");
            copy.release();
        }
    }
    for (Owned<X509_REVOKED>& entry : added)
    {
        require(X509_CRL_add0_revoked(list.get(), entry.get()) == 1,
                "OpenSSL cannot add to the revocation list");
        entry.release();
    }
    Owned<ASN1_INTEGER> number(ASN1_INTEGER_new());
    require(number && ASN1_INTEGER_set(number.get(), listNumber(previous) + 1) == 1
                && X509_CRL_add1_ext_i2d(list.get(), NID_crl_number, number.get(), 0, 0) == 1,
            "OpenSSL cannot number the revocation list");
    X509V3_CTX context;
    X509V3_set_ctx(&context, authority.certificate.get(), nullptr, nullptr, list.get(), 0);
    OwnedPtr<X509_EXTENSION> keyId(
        X509V3_EXT_conf_nid(nullptr, &context, NID_authority_key_identifier, "keyid:always"));
    require(keyId && X509_CRL_add_ext(list.get(), keyId.get(), -1) == 1
                && X509_CRL_sort(list.get()) == 1,
            "OpenSSL cannot complete the revocation list");
    OwnedPtr<EVP_MD_CTX> signing = ktxeseal::newSm2SigningContext(authority.key.get());
    require(signing && X509_CRL_sign_ctx(list.get(), signing.get()) > 0,
            "OpenSSL cannot sign the revocation list");
    return list;
}

void writeList(const fs::path& path, X509_CRL* list)
{
    OwnedPtr<BIO> bio(BIO_new(BIO_s_mem()));
    require(bio && PEM_write_bio_X509_CRL(bio.get(), list) == 1,
            "OpenSSL cannot write the revocation list");
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    // Verifiers never see half a list.
    const fs::path next = path.string() + ".new";
    writeFile(next, std::string(data, static_cast<size_t>(length)), 0644);
    fs::rename(next, path);
}

/// The seal `target` names, as the authority issued it.
ktxeseal::IssuedSeal sealNamed(const std::string& directory, const std::string& target,
                               const Authority& authority)
{
    fs::path file;
    if (fs::is_directory(target))
        file = fs::path(target) / ktxeseal::kSealFile;
    else if (ktxeseal::isValidSealId(target))
        file = fs::path(directory) / kIssuedSealsFolder / (target + ".esl");
    else
        throw std::runtime_error(target + " is neither a seal folder nor a seal id");
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("no seal at " + file.string()
                                 + (fs::is_directory(target)
                                        ? std::string()
                                        : " (the authority keeps the seals it issued there; name "
                                          "the seal's folder instead)"));
    const Bytes der((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::optional<ktxeseal::IssuedSeal> seal = ktxeseal::openIssuedSeal(der);
    require(seal.has_value(), "the seal cannot be read");
    require(seal->authorityCertificateDer == ktxeseal::certificateDer(authority.certificate.get()),
            "this authority did not issue the seal");
    return *seal;
}
}

std::optional<RevocationReason> reasonNamed(std::string_view name)
{
    if (name == "unspecified")
        return RevocationReason::Unspecified;
    if (name == "keyCompromise")
        return RevocationReason::KeyCompromise;
    if (name == "affiliationChanged")
        return RevocationReason::AffiliationChanged;
    if (name == "superseded")
        return RevocationReason::Superseded;
    if (name == "cessationOfOperation")
        return RevocationReason::CessationOfOperation;
    return std::nullopt;
}

Revocation revokeSeal(const std::string& directory, const std::string& target,
                      RevocationReason reason, time_t now, int days)
{
    require(days > 0, "a revocation list holds for one day at least");
    const Authority authority = loadAuthority(directory);
    const ktxeseal::IssuedSeal seal = sealNamed(directory, target, authority);
    const fs::path path = fs::path(directory) / kRevocationListFile;
    const OwnedPtr<X509_CRL> previous = readList(path, authority.certificate.get());

    Revocation revocation{ seal.sealId, seal.name, true };
    std::vector<Owned<X509_REVOKED>> added;
    for (const Bytes& der : seal.signerCertificates)
    {
        const OwnedPtr<X509> signer = ktxeseal::parseCertificate(der);
        require(signer != nullptr, "the seal lists a certificate that cannot be read");
        X509_REVOKED* listed = nullptr;
        if (previous
            && X509_CRL_get0_by_serial(previous.get(), &listed,
                                       X509_get0_serialNumber(signer.get()))
                   == 1)
            continue;
        revocation.alreadyRevoked = false;
        added.push_back(revokedEntry(X509_get0_serialNumber(signer.get()), now, reason));
    }
    const OwnedPtr<X509_CRL> list
        = makeList(authority, previous.get(), std::move(added), now, days);
    writeList(path, list.get());
    return revocation;
}

void renewRevocationList(const std::string& directory, time_t now, int days)
{
    require(days > 0, "a revocation list holds for one day at least");
    const Authority authority = loadAuthority(directory);
    const fs::path path = fs::path(directory) / kRevocationListFile;
    const OwnedPtr<X509_CRL> previous = readList(path, authority.certificate.get());
    writeList(path, makeList(authority, previous.get(), {}, now, days).get());
}
}
