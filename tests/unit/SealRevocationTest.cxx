// Revocation and trusted time: a seal its authority revoked reads invalid, with the reason and
// the date, unless a trusted time stamp shows the stamp came first; a revocation list its
// authority did not sign, or one past its next update, is reported, never silently trusted; a
// list of another authority revokes nothing of this one's. Time stamps come from a service of the
// test's own on the loopback address.

#include "ESealTestSupport.hxx"
#include "TimeStampService.hxx"

#include <Base64.hxx>
#include <KTXESeal.h>
#include <KTXESealCustody.h>
#include <KTXESealDetails.h>
#include <RevocationList.hxx>
#include <SealDetails.hxx>
#include <SealMaking.hxx>
#include <SealStructures.hxx>
#include <SealVerification.hxx>
#include <Sm2.hxx>
#include <StampRegister.hxx>

#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/sha.h>
#include <openssl/ts.h>
#include <openssl/x509v3.h>

#include <filesystem>
#include <fstream>

extern "C" {
int SignESeal(const char* text, int textLength, char* signature, int* signatureLength);
int ShowESealCert(const char* text, int textLength, const char* signature, int signatureLength);
int SetESealDetailsPresenter(KTXESealDetailsPresenter presenter, void* context);
int SetESealPinProvider(KTXESealPinProvider provider, KTXESealRefusalNotice notice, void* context);
}

using namespace esealtest;
namespace fs = std::filesystem;
using ktxeseal::RevocationReason;
using ktxeseal::SealVerdict;

namespace
{
constexpr char kOrganisation[] = "广州市某某建设有限公司";
const std::string kText = "\xC9\xF9\xC3\xF7"; // "声明" in GBK
constexpr time_t kHour = 3600;

std::vector<int> refusals;
void keepRefusal(void*, int status) { refusals.push_back(status); }

struct Shown
{
    std::vector<std::pair<std::string, std::string>> items;
    std::string verdict;
};
void keepDetails(void* context, const KTXESealDetails* details)
{
    auto* shown = static_cast<Shown*>(context);
    for (int index = 0; index < details->itemCount; ++index)
        shown->items.emplace_back(details->items[index].label, details->items[index].value);
    shown->verdict = details->verdict;
}

ktxeseal::ByteRange bytesOf(const std::string& text)
{
    return ktxeseal::ByteRange(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

class SealRevocationTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { folder = new TemporaryDirectory; }
    static void TearDownTestSuite() { delete folder; }

    void SetUp() override
    {
        // Valid since yesterday, so that a time stamp of hours ago falls within its validity.
        quillmark::sealmaker::SealTerms terms;
        terms.start = std::time(nullptr) - 24 * kHour;
        quillmark::sealmaker::writeSeal(
            quillmark::sealmaker::makeSeal(kOrganisation, &authority.authority, terms),
            sealDirectory(), kTestPin, false);
        refusals.clear();
        SetESealPinProvider(nullptr, keepRefusal, nullptr);
    }
    void TearDown() override { SetESealPinProvider(nullptr, nullptr, nullptr); }

    std::string sealDirectory() const { return work.path() + "/seal"; }

    /// Signs now; with a time stamp that says `stampedAt` when one is given.
    std::string sign(std::optional<time_t> stampedAt = std::nullopt)
    {
        std::optional<ScopedVariable> url;
        if (stampedAt)
        {
            service.answerWith(*stampedAt);
            url.emplace("KTXESEAL_TSA_URL", service.url());
        }
        std::vector<char> area(KTXESEAL_AREA_SIZE, 0);
        int length = 0;
        if (SignESeal(kText.data(), static_cast<int>(kText.size()), area.data(), &length) <= 0)
            return std::string();
        return std::string(area.data(), static_cast<size_t>(length));
    }

    /// Revokes the seal at `when` with a list valid for `days`, and trusts the list.
    void revoke(time_t when, int days = 30, RevocationReason reason = RevocationReason::Unspecified)
    {
        quillmark::authority::revokeSeal(authority.directory, sealDirectory(), reason, when, days);
        trustList(authority.directory + "/" + quillmark::authority::kRevocationListFile);
    }

    void trustList(const std::string& path, const std::string& name = "authority.crl")
    {
        fs::copy_file(path, authority.trustDirectory + "/" + name,
                      fs::copy_options::overwrite_existing);
    }

    static ktxeseal::SealAssessment assess(const std::string& signature)
    {
        return ktxeseal::assessSealSignature(signature, bytesOf(kText),
                                             ktxeseal::loadTrustMaterial());
    }

    static Shown details(const std::string& signature)
    {
        Shown shown;
        SetESealDetailsPresenter(keepDetails, &shown);
        ShowESealCert(kText.data(), static_cast<int>(kText.size()), signature.data(),
                      static_cast<int>(signature.size()));
        SetESealDetailsPresenter(nullptr, nullptr);
        return shown;
    }

    static inline TemporaryDirectory* folder = nullptr;

    TemporaryDirectory work;
    TestAuthority authority{ work.path() };
    TimeStampService service{ authority.trustDirectory };
    ScopedVariable currentSeal{ "KTXESEAL_SEAL_DIR", work.path() + "/seal" };
    ScopedVariable trust{ "KTXESEAL_TRUST_DIR", authority.trustDirectory };
    ScopedVariable noTimeStamps{ "KTXESEAL_TSA_URL", std::nullopt };
    PinFile pin{ work.path() };
};

/// A revocation list of `issuer` (its subject and key) listing the seal's signer certificate.
std::string foreignList(const ktxeseal::Seal& seal, X509* subjectOf, EVP_PKEY* key,
                        const std::string& path)
{
    const ktxeseal::OwnedPtr<X509> signer = ktxeseal::parseCertificate(seal.certificateDer);
    X509_CRL* list = X509_CRL_new();
    X509_CRL_set_version(list, 1);
    X509_CRL_set_issuer_name(list, X509_get_subject_name(subjectOf));
    ASN1_TIME* now = ASN1_TIME_set(nullptr, std::time(nullptr));
    ASN1_TIME* next = ASN1_TIME_set(nullptr, std::time(nullptr) + 30 * 24 * kHour);
    X509_CRL_set1_lastUpdate(list, now);
    X509_CRL_set1_nextUpdate(list, next);
    X509_REVOKED* entry = X509_REVOKED_new();
    X509_REVOKED_set_serialNumber(entry,
                                  const_cast<ASN1_INTEGER*>(X509_get0_serialNumber(signer.get())));
    X509_REVOKED_set_revocationDate(entry, now);
    X509_CRL_add0_revoked(list, entry);
    ktxeseal::OwnedPtr<EVP_MD_CTX> signing = ktxeseal::newSm2SigningContext(key);
    X509_CRL_sign_ctx(list, signing.get());
    BIO* out = BIO_new_file(path.c_str(), "w");
    PEM_write_bio_X509_CRL(out, list);
    BIO_free(out);
    ASN1_TIME_free(now);
    ASN1_TIME_free(next);
    X509_CRL_free(list);
    return path;
}
}

TEST_F(SealRevocationTest, RevokedSealIsInvalidUnlessATrustedTimeShowsTheStampCameFirst)
{
    const time_t now = std::time(nullptr);
    const time_t revokedAt = now - 2 * kHour;
    struct Case
    {
        const char* name;
        std::optional<time_t> stampedAt;
        SealVerdict verdict;
    };
    const Case cases[] = {
        { "machine time only, stamped before", std::nullopt, SealVerdict::Revoked },
        { "time stamp before the revocation", now - 3 * kHour, SealVerdict::Valid },
        { "time stamp after the revocation", now - kHour, SealVerdict::Revoked },
    };
    std::vector<std::string> signatures;
    for (const Case& given : cases)
    {
        signatures.push_back(sign(given.stampedAt));
        ASSERT_NE("", signatures.back()) << given.name;
        EXPECT_EQ(SealVerdict::Valid, assess(signatures.back()).verdict) << given.name;
    }
    revoke(revokedAt, 30, RevocationReason::KeyCompromise);
    for (size_t index = 0; index < signatures.size(); ++index)
    {
        SCOPED_TRACE(cases[index].name);
        const ktxeseal::SealAssessment assessment = assess(signatures[index]);
        EXPECT_EQ(cases[index].verdict, assessment.verdict);
        EXPECT_EQ(cases[index].stampedAt, assessment.trustedTime);
        const Shown shown = details(signatures[index]);
        ASSERT_EQ(6u, shown.items.size());
        EXPECT_EQ(cases[index].stampedAt ? u8"可信时间" : u8"签章机器时间", shown.items[3].first);
        if (cases[index].stampedAt)
        {
            EXPECT_EQ(ktxeseal::readableTime(*cases[index].stampedAt), shown.items[3].second);
        }
        if (cases[index].verdict == SealVerdict::Revoked)
        {
            EXPECT_EQ(std::string(u8"印章无效：印章已被撤销，撤销时间 ")
                          + ktxeseal::readableTime(revokedAt) + u8"，原因：密钥泄露",
                      shown.verdict);
        }
    }
    EXPECT_EQ(2, service.requestsServed());
}

TEST_F(SealRevocationTest, TimeStampLiesInTheSignaturesSlotOverItsSm2Value)
{
    const std::string signature = sign(std::time(nullptr));
    const std::optional<Bytes> der = ktxeseal::decodeBase64(signature);
    ASSERT_TRUE(der);
    // Read with OpenSSL's generic DER parser: the fifth element is [0] holding a BIT STRING.
    const unsigned char* cursor = der->data();
    STACK_OF(ASN1_TYPE)* outer
        = d2i_ASN1_SEQUENCE_ANY(nullptr, &cursor, static_cast<long>(der->size()));
    ASSERT_TRUE(outer);
    ASSERT_EQ(5, sk_ASN1_TYPE_num(outer));
    const ASN1_BIT_STRING* value = sk_ASN1_TYPE_value(outer, 3)->value.bit_string;
    const ASN1_TYPE* slot = sk_ASN1_TYPE_value(outer, 4);
    ASSERT_EQ(V_ASN1_OTHER, slot->type);
    const unsigned char* explicitCursor = slot->value.asn1_string->data;
    ASSERT_EQ(0xA0, explicitCursor[0]);
    long length = 0;
    int tag = 0;
    int tagClass = 0;
    ASN1_get_object(&explicitCursor, &length, &tag, &tagClass, slot->value.asn1_string->length);
    ASN1_BIT_STRING* token = d2i_ASN1_BIT_STRING(nullptr, &explicitCursor, length);
    ASSERT_TRUE(token);
    const unsigned char* tokenCursor = token->data;
    PKCS7* pkcs7 = d2i_PKCS7(nullptr, &tokenCursor, token->length);
    ASSERT_TRUE(pkcs7);
    TS_TST_INFO* info = PKCS7_to_TS_TST_INFO(pkcs7);
    ASSERT_TRUE(info);
    const ASN1_OCTET_STRING* imprint = TS_MSG_IMPRINT_get_msg(TS_TST_INFO_get_msg_imprint(info));
    unsigned char digest[32];
    SHA256(value->data, static_cast<size_t>(value->length), digest);
    EXPECT_EQ(Bytes(digest, digest + 32), Bytes(imprint->data, imprint->data + imprint->length));
    TS_TST_INFO_free(info);
    PKCS7_free(pkcs7);
    ASN1_BIT_STRING_free(token);
    sk_ASN1_TYPE_pop_free(outer, ASN1_TYPE_free);

    // A verifier that does not trust the time-stamp service judges the signature as one without.
    fs::remove(authority.trustDirectory + "/tests.tsa.pem");
    const ktxeseal::SealAssessment assessment = assess(signature);
    EXPECT_EQ(SealVerdict::Valid, assessment.verdict);
    EXPECT_FALSE(assessment.trustedTime);
    const Shown shown = details(signature);
    EXPECT_EQ(u8"签章机器时间", shown.items[3].first);
    EXPECT_EQ(u8"时间戳", shown.items.back().first);
}

TEST_F(SealRevocationTest, NoTrustedTimeNoSignatureWhenAServiceIsNamed)
{
    const size_t entries = ktxeseal::registerLines(sealDirectory())->size();
    {
        ScopedVariable nobody("KTXESEAL_TSA_URL", "http://127.0.0.1:9/tsa");
        std::vector<char> area(KTXESEAL_AREA_SIZE, 0);
        int length = 0;
        EXPECT_EQ(0, SignESeal(kText.data(), 4, area.data(), &length));
    }
    // A service this machine does not trust gives no trusted time.
    fs::remove(authority.trustDirectory + "/tests.tsa.pem");
    EXPECT_EQ("", sign(std::time(nullptr)));
    EXPECT_EQ(std::vector<int>(2, KTXESEAL_STATUS_TIME_STAMP_FAILED), refusals);
    EXPECT_EQ(entries, ktxeseal::registerLines(sealDirectory())->size());
}

TEST_F(SealRevocationTest, ListsTheAuthorityDidNotSignOrThatAreOutdatedAreReported)
{
    const ktxeseal::Seal seal = *ktxeseal::loadSealWithoutKey(sealDirectory());
    const std::string signature = sign();
    ASSERT_NE("", signature);

    // Another authority's list naming this seal's certificate revokes nothing of this one's.
    TestAuthority other(work.path() + "/other", u8"另一个制章中心");
    trustList(foreignList(seal, other.authority.certificate.get(), other.authority.key.get(),
                          work.path() + "/other.crl"),
              "other.crl");
    EXPECT_EQ(SealVerdict::Valid, assess(signature).verdict);

    // The same list under this authority's name, signed by another key: refused.
    trustList(foreignList(seal, authority.authority.certificate.get(), other.authority.key.get(),
                          work.path() + "/impostor.crl"),
              "impostor.crl");
    EXPECT_EQ(SealVerdict::RevocationUnknown, assess(signature).verdict);
    EXPECT_EQ(u8"印章无效：印章撤销列表不是颁发机构签发的，无法确认印章未被撤销",
              details(signature).verdict);
    fs::remove(authority.trustDirectory + "/impostor.crl");

    // The authority's own list, then that list with one byte of its signature changed.
    const std::string otherSeal = work.path() + "/second";
    quillmark::sealmaker::writeSeal(
        quillmark::sealmaker::makeSeal(kOrganisation, &authority.authority), otherSeal, kTestPin,
        false);
    quillmark::authority::revokeSeal(authority.directory, otherSeal, RevocationReason::Superseded,
                                     std::time(nullptr), 30);
    trustList(authority.directory + "/" + quillmark::authority::kRevocationListFile);
    EXPECT_EQ(SealVerdict::Valid, assess(signature).verdict);
    const std::string trusted = authority.trustDirectory + "/authority.crl";
    X509_CRL* list = nullptr;
    {
        BIO* in = BIO_new_file(trusted.c_str(), "r");
        list = PEM_read_bio_X509_CRL(in, nullptr, nullptr, nullptr);
        BIO_free(in);
    }
    ASSERT_TRUE(list);
    unsigned char* der = nullptr;
    const int length = i2d_X509_CRL(list, &der);
    X509_CRL_free(list);
    Bytes tampered(der, der + length);
    OPENSSL_free(der);
    tampered[tampered.size() - 10] ^= 0x01;
    writeFileBytes(trusted, tampered);
    EXPECT_EQ(SealVerdict::RevocationUnknown, assess(signature).verdict);

    // A list past its next update: the seal's revocation cannot be told.
    quillmark::authority::renewRevocationList(authority.directory,
                                              std::time(nullptr) - 40 * 24 * kHour, 30);
    trustList(authority.directory + "/" + quillmark::authority::kRevocationListFile);
    const ktxeseal::SealAssessment outdated = assess(signature);
    EXPECT_EQ(SealVerdict::RevocationUnknown, outdated.verdict);
    EXPECT_EQ(std::string(u8"印章无效：印章撤销列表已过期（应于 ")
                  + ktxeseal::readableTime(outdated.revocation.nextUpdate)
                  + u8" 前更新），无法确认印章未被撤销",
              details(signature).verdict);
    // But a revocation an outdated list records stands.
    revoke(std::time(nullptr) - 45 * 24 * kHour, 1);
    EXPECT_EQ(SealVerdict::Revoked, assess(signature).verdict);
}

TEST_F(SealRevocationTest, AuthorityToolRevokesBySealIdAndStillMakesAuthorities)
{
    std::string output;
    auto run = [&](const std::string& arguments) {
        output.clear();
        FILE* pipe = popen(
            (std::string(QUILLMARK_SEAL_AUTHORITY) + " " + arguments + " 2>&1").c_str(), "r");
        char buffer[512];
        while (pipe && fgets(buffer, sizeof(buffer), pipe))
            output += buffer;
        const int status = pipe ? pclose(pipe) : -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    const std::string made = work.path() + "/made-authority";
    ASSERT_EQ(0, run("'" + made + "' " + u8"新建制章中心")) << output;
    EXPECT_TRUE(fs::exists(made + "/authority.crt"));

    // The maker records what the authority issued; the tool then revokes by the seal id alone.
    const std::string signature = sign();
    const ktxeseal::Seal seal = *ktxeseal::loadSealWithoutKey(sealDirectory());
    quillmark::authority::recordIssuedSeal(authority.directory, seal.issued.sealId, seal.sealDer);
    ASSERT_EQ(0, run("revoke '" + authority.directory + "' " + seal.issued.sealId
                     + " --reason cessationOfOperation"))
        << output;
    EXPECT_NE(std::string::npos, output.find(seal.issued.sealId)) << output;
    trustList(authority.directory + "/" + quillmark::authority::kRevocationListFile);
    const ktxeseal::SealAssessment assessment = assess(signature);
    EXPECT_EQ(SealVerdict::Revoked, assessment.verdict);
    EXPECT_EQ(RevocationReason::CessationOfOperation, assessment.revocation.reason);

    EXPECT_EQ(2,
              run("revoke '" + authority.directory + "' " + seal.issued.sealId + " --reason lost"));
    EXPECT_EQ(1, run("revoke '" + made + "' " + seal.issued.sealId)) << "another authority's seal";
}
