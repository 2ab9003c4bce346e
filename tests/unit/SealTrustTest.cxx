// Which seal signatures verify: only those of a seal that a trusted authority issued, made by
// one of the seal's signer certificates while seal and certificate were valid, over exactly the
// text given. And the seal library's window, as its presenter receives it.

#include "ESealTestSupport.hxx"

#include <KTXESeal.h>
#include <KTXESealDetails.h>
#include <KeyFiles.hxx>
#include <SealMaking.hxx>
#include <Base64.hxx>
#include <SealSignature.hxx>
#include <SealStructures.hxx>
#include <SealVerification.hxx>
#include <Sm2.hxx>
#include <TrustAnchors.hxx>

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

extern "C" {
int SignESeal(const char* text, int textLength, char* signature, int* signatureLength);
int ShowESealInfo(const char* text, int textLength, const char* signature, int signatureLength);
int ShowESealCert(const char* text, int textLength, const char* signature, int signatureLength);
int CheckRemovedRight(const char* signature, int signatureLength);
int SetESealDetailsPresenter(KTXESealDetailsPresenter presenter, void* context);
}

using namespace esealtest;
using quillmark::sealmaker::SealTerms;
namespace fs = std::filesystem;

namespace
{
constexpr char kOrganisation[] = "北京市某某科技有限公司";
constexpr char kText[] = "\xB9\xD8\xD3\xDA\xD3\xA1\xB7\xA2"; // "关于印发" in GBK
constexpr time_t kDay = 24 * 60 * 60;

std::string sign(const std::string& text)
{
    std::vector<char> area(KTXESEAL_AREA_SIZE, 0);
    int length = 0;
    if (SignESeal(text.data(), static_cast<int>(text.size()), area.data(), &length) <= 0)
        return {};
    return std::string(area.data(), static_cast<size_t>(length));
}

int verify(const std::string& text, const std::string& signature)
{
    return ShowESealInfo(text.data(), static_cast<int>(text.size()), signature.data(),
                         static_cast<int>(signature.size()));
}

ktxeseal::SealVerdict verdictOf(const std::string& text, const std::string& signature)
{
    const auto bytes = reinterpret_cast<const unsigned char*>(text.data());
    return ktxeseal::assessSealSignature(signature, ktxeseal::ByteRange(bytes, text.size()),
                                         ktxeseal::loadTrustedAuthorities())
        .verdict;
}

/// The signature a holder of the seal's key can make at any time, valid or not.
std::string composeAt(const ktxeseal::Seal& seal, time_t moment)
{
    const std::string text = kText;
    return ktxeseal::composeSealSignature(
               seal,
               ktxeseal::ByteRange(reinterpret_cast<const unsigned char*>(text.data()),
                                   text.size()),
               moment)
        .value_or(std::string());
}

/// The signature with its seal swapped for another, signed anew by its own signer: what a signer
/// could make of any seal it has seen.
std::string withSeal(const std::string& signature, const ktxeseal::Bytes& sealDer, EVP_PKEY* key)
{
    using namespace ktxeseal;
    const std::optional<Bytes> der = decodeBase64(signature);
    OwnedAsn1<SesSignature> parsed
        = decodeCanonical<SesSignature>(der.value(), ASN1_ITEM_rptr(SesSignature));
    OwnedAsn1<SesSeal> seal = decodeCanonical<SesSeal>(sealDer, ASN1_ITEM_rptr(SesSeal));
    if (!parsed || !seal)
        return {};
    ASN1_item_free(reinterpret_cast<ASN1_VALUE*>(parsed->toSign->eseal), ASN1_ITEM_rptr(SesSeal));
    parsed->toSign->eseal = seal.release();
    const std::optional<Bytes> value
        = sm2Sign(key, encodeDer(parsed->toSign, ASN1_ITEM_rptr(TbsSign)));
    if (!value || !setWholeBytes(parsed->signature, *value))
        return {};
    return encodeBase64(encodeDer(parsed.get(), ASN1_ITEM_rptr(SesSignature)));
}

class SealTrustTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = new TemporaryDirectory;
        trusted = new TestAuthority(folder->path() + "/trusted-authority");
        untrusted = new TestAuthority(folder->path() + "/untrusted-authority");
    }
    static void TearDownTestSuite()
    {
        delete untrusted;
        delete trusted;
        delete folder;
    }

    /// Writes the seal into a directory of its own and makes it the current seal.
    void useSeal(const ktxeseal::Seal& seal)
    {
        const std::string directory = work.path() + "/seal" + std::to_string(++sealCount);
        quillmark::sealmaker::writeSeal(seal, directory, kTestPin, false);
        currentSeal.emplace("KTXESEAL_SEAL_DIR", directory);
        currentDirectory = directory;
    }

    static ktxeseal::Seal issuedBy(const TestAuthority& authority, const SealTerms& terms = {})
    {
        return quillmark::sealmaker::makeSeal(kOrganisation, &authority.authority, terms);
    }

    static inline TemporaryDirectory* folder = nullptr;
    static inline TestAuthority* trusted = nullptr;
    static inline TestAuthority* untrusted = nullptr;

    TemporaryDirectory work;
    ScopedVariable trust{ ktxeseal::kTrustDirectoryVariable, trusted->trustDirectory };
    PinFile pin{ work.path() };
    std::optional<ScopedVariable> currentSeal;
    std::string currentDirectory;
    int sealCount = 0;
};
}

TEST_F(SealTrustTest, SealOfATrustedAuthorityVerifiesOverItsTextOnly)
{
    useSeal(issuedBy(*trusted));
    const std::string signature = sign(kText);
    ASSERT_FALSE(signature.empty());
    EXPECT_NE(0, verify(kText, signature));
    EXPECT_EQ(0, verify(std::string(kText) + " ", signature));
    EXPECT_EQ(ktxeseal::SealVerdict::TextChanged, verdictOf("x", signature));

    // Trusted nowhere: neither named nor in the default folders of an empty home.
    ScopedVariable noTrust(ktxeseal::kTrustDirectoryVariable, std::nullopt);
    ScopedVariable home("HOME", work.path());
    EXPECT_EQ(0, verify(kText, signature));
}

TEST_F(SealTrustTest, AuthoritiesInTheHomeFolderAreTrustedByDefault)
{
    useSeal(issuedBy(*trusted));
    const std::string signature = sign(kText);
    ScopedVariable noTrust(ktxeseal::kTrustDirectoryVariable, std::nullopt);
    ScopedVariable home("HOME", work.path());
    const fs::path inHome = fs::path(work.path()) / ktxeseal::kTrustDirectoryInHome;
    fs::create_directories(inHome);
    // Only *.crt files count.
    fs::copy_file(trusted->trustDirectory + "/authority.crt", inHome / "authority.pem");
    EXPECT_EQ(0, verify(kText, signature));
    fs::copy_file(trusted->trustDirectory + "/authority.crt", inHome / "authority.crt");
    EXPECT_NE(0, verify(kText, signature));
    EXPECT_EQ((std::vector<std::string>{ ktxeseal::kSystemTrustDirectory, inHome.string() }),
              ktxeseal::trustDirectories());
}

TEST_F(SealTrustTest, SealOfAnUntrustedAuthorityWithTheSameNameAndPictureIsInvalid)
{
    const ktxeseal::Seal genuine = issuedBy(*trusted);
    const ktxeseal::Seal forged = issuedBy(*untrusted);
    ASSERT_EQ(genuine.issued.name, forged.issued.name);
    ASSERT_EQ(genuine.issued.picture, forged.issued.picture);
    useSeal(forged);
    const std::string signature = sign(kText);
    ASSERT_FALSE(signature.empty()) << "an untrusted seal still signs";
    EXPECT_EQ(0, verify(kText, signature));
    EXPECT_EQ(ktxeseal::SealVerdict::UntrustedAuthority, verdictOf(kText, signature));
}

TEST_F(SealTrustTest, SelfMadeSealSignsButNeverVerifies)
{
    const ktxeseal::Seal selfMade = quillmark::sealmaker::makeSeal(kOrganisation, nullptr);
    useSeal(selfMade);
    const std::string signature = sign(kText);
    ASSERT_FALSE(signature.empty());
    EXPECT_EQ(0, verify(kText, signature));

    // Not even when its certificate is put among the trusted authorities: it is no authority.
    quillmark::authority::writeFile(fs::path(work.path()) / "self.crt",
                                    quillmark::authority::pemOf(selfMade.certificate.get()), 0644);
    fs::copy_file(trusted->trustDirectory + "/authority.crt",
                  fs::path(work.path()) / "authority.crt");
    ScopedVariable trustBoth(ktxeseal::kTrustDirectoryVariable, work.path());
    ASSERT_EQ(1U, ktxeseal::loadTrustedAuthorities().size());
    EXPECT_EQ(0, verify(kText, signature));
}

TEST_F(SealTrustTest, ExpiredSealIsRefusedForSigningAndItsSignaturesAreInvalid)
{
    SealTerms expired;
    expired.start = std::time(nullptr) - 10 * kDay;
    expired.validDays = 9;
    const ktxeseal::Seal seal = issuedBy(*trusted, expired);
    useSeal(seal);
    EXPECT_EQ("", sign(kText));

    // Signed today with the expired seal's key: invalid. Signed while it was valid: valid.
    const std::string late = composeAt(seal, std::time(nullptr));
    ASSERT_FALSE(late.empty());
    EXPECT_EQ(0, verify(kText, late));
    EXPECT_EQ(ktxeseal::SealVerdict::Expired, verdictOf(kText, late));
    EXPECT_NE(0, verify(kText, composeAt(seal, std::time(nullptr) - 5 * kDay)));

    // A seal not yet valid neither signs.
    SealTerms future;
    future.start = std::time(nullptr) + kDay;
    useSeal(issuedBy(*trusted, future));
    EXPECT_EQ("", sign(kText));
}

TEST_F(SealTrustTest, SignatureOutsideTheSignerCertificatesValidityIsInvalid)
{
    // A seal valid for a year, whose signer certificate expired yesterday.
    const time_t now = std::time(nullptr);
    ktxeseal::Seal seal;
    seal.key = quillmark::authority::makeSm2Key();
    seal.certificate = quillmark::authority::makeSignerCertificate(
        seal.key.get(), kOrganisation, { now - 10 * kDay, now - kDay }, &trusted->authority);
    seal.certificateDer = ktxeseal::certificateDer(seal.certificate.get());
    ktxeseal::SealRequest request;
    request.sealId = "SEAL-1";
    request.name = kOrganisation;
    request.picture = issuedBy(*trusted).issued.picture;
    request.signerCertificates = { seal.certificateDer };
    request.created = now - 10 * kDay;
    request.validity = { now - 10 * kDay, now + 355 * kDay };
    seal.sealDer = ktxeseal::issueSeal(request, trusted->authority.key.get(),
                                       trusted->authority.certificate.get())
                       .value();
    seal.issued = ktxeseal::openIssuedSeal(seal.sealDer).value();
    useSeal(seal);
    EXPECT_EQ("", sign(kText));
    EXPECT_EQ(ktxeseal::SealVerdict::Expired, verdictOf(kText, composeAt(seal, now)));
    EXPECT_NE(0, verify(kText, composeAt(seal, now - 2 * kDay)));
}

TEST_F(SealTrustTest, SignerThatTheSealDoesNotListIsInvalid)
{
    // The authority's genuine seal beside the key and certificate of another seal of the same
    // authority, which this seal does not list.
    const ktxeseal::Seal genuine = issuedBy(*trusted);
    const ktxeseal::Seal other = issuedBy(*trusted);
    ASSERT_FALSE(ktxeseal::listsSigner(genuine.issued, other.certificateDer));
    useSeal(other);
    const std::string own = sign(kText);
    ASSERT_NE(0, verify(kText, own));
    const std::string borrowed = withSeal(own, genuine.sealDer, other.key.get());
    ASSERT_FALSE(borrowed.empty());
    EXPECT_EQ(0, verify(kText, borrowed));
    EXPECT_EQ(ktxeseal::SealVerdict::ForeignSigner, verdictOf(kText, borrowed));
    // The same construction with the seal's own signer verifies, so the list made the difference.
    useSeal(genuine);
    EXPECT_NE(0, verify(kText, withSeal(sign(kText), genuine.sealDer, genuine.key.get())));

    // Such a seal directory does not sign at all.
    ktxeseal::Seal mixed;
    mixed.key.reset(EVP_PKEY_dup(other.key.get()));
    mixed.certificate.reset(X509_dup(other.certificate.get()));
    mixed.certificateDer = other.certificateDer;
    mixed.sealDer = genuine.sealDer;
    mixed.issued = genuine.issued;
    useSeal(mixed);
    EXPECT_EQ("", sign(kText));
}

TEST_F(SealTrustTest, KeyFileOthersMayReadIsRefused)
{
    useSeal(issuedBy(*trusted));
    const std::string key = currentDirectory + "/" + ktxeseal::kSealKeyFile;
    const std::string signature = sign(kText);
    ASSERT_FALSE(signature.empty());
    for (mode_t mode : { 0640, 0604, 0620, 0660 })
    {
        ASSERT_EQ(0, chmod(key.c_str(), mode));
        EXPECT_EQ("", sign(kText)) << std::oct << mode;
        EXPECT_EQ(0, CheckRemovedRight(signature.data(), static_cast<int>(signature.size())))
            << std::oct << mode;
    }
    ASSERT_EQ(0, chmod(key.c_str(), 0400));
    EXPECT_NE("", sign(kText));
}

namespace
{
struct Presented
{
    int calls = 0;
    std::string title;
    Bytes picture;
    std::vector<std::pair<std::string, std::string>> items;
    bool valid = false;
    std::string verdict;
};

void record(void* context, const KTXESealDetails* details)
{
    auto* presented = static_cast<Presented*>(context);
    ++presented->calls;
    presented->title = details->title;
    presented->picture.assign(details->picture, details->picture + details->pictureLength);
    presented->items.clear();
    for (int index = 0; index < details->itemCount; ++index)
        presented->items.emplace_back(details->items[index].label, details->items[index].value);
    presented->valid = details->valid != 0;
    presented->verdict = details->verdict;
}

/// What ShowESealCert hands the presenter, and its answer.
std::pair<int, Presented> showCert(const std::string& text, const std::string& signature)
{
    Presented presented;
    SetESealDetailsPresenter(record, &presented);
    const int answer = ShowESealCert(text.data(), static_cast<int>(text.size()), signature.data(),
                                     static_cast<int>(signature.size()));
    SetESealDetailsPresenter(nullptr, nullptr);
    return { answer, presented };
}
}

TEST_F(SealTrustTest, SealWindowShowsTheDetailsAndTheVerdictWithItsReason)
{
    const ktxeseal::Seal seal = issuedBy(*trusted);
    useSeal(seal);
    const std::string signature = sign(kText);
    const auto [answer, shown] = showCert(kText, signature);
    EXPECT_NE(0, answer);
    ASSERT_EQ(1, shown.calls);
    EXPECT_EQ(u8"电子印章信息", shown.title);
    EXPECT_EQ(seal.issued.picture, shown.picture);
    ASSERT_EQ(6U, shown.items.size());
    EXPECT_EQ((std::pair<std::string, std::string>(u8"印章单位", kOrganisation)), shown.items[0]);
    EXPECT_EQ((std::pair<std::string, std::string>(u8"印章编码", seal.issued.sealId)),
              shown.items[1]);
    EXPECT_EQ((std::pair<std::string, std::string>(u8"签章人", kOrganisation)), shown.items[2]);
    EXPECT_EQ(u8"签章机器时间", shown.items[3].first) << "no time stamp vouches for it";
    EXPECT_EQ(ktxeseal::readableTime(ktxeseal::openSealSignature(signature)->signingTime),
              shown.items[3].second);
    EXPECT_EQ((std::pair<std::string, std::string>(u8"颁发机构", u8"测试电子印章制作中心")),
              shown.items[4]);
    EXPECT_EQ(u8"有效期", shown.items[5].first);
    EXPECT_EQ(ktxeseal::readableTime(seal.issued.validity.start) + u8" 至 "
                  + ktxeseal::readableTime(seal.issued.validity.end),
              shown.items[5].second);
    EXPECT_TRUE(shown.valid);
    EXPECT_EQ(u8"印章有效：文档未被修改", shown.verdict);

    const auto [changedAnswer, changed] = showCert("x", signature);
    EXPECT_EQ(0, changedAnswer);
    EXPECT_FALSE(changed.valid);
    EXPECT_EQ(u8"印章无效：文档已被修改", changed.verdict);
    EXPECT_EQ(shown.items, changed.items);

    const auto [garbageAnswer, garbage] = showCert(kText, "not a signature");
    EXPECT_EQ(0, garbageAnswer);
    EXPECT_EQ(1, garbage.calls);
    EXPECT_TRUE(garbage.items.empty());
    EXPECT_TRUE(garbage.picture.empty());
    EXPECT_EQ(u8"印章无效：签章数据已损坏或被篡改", garbage.verdict);

    // Without a presenter nothing is shown, and the answer stays.
    EXPECT_NE(0, ShowESealCert(kText, static_cast<int>(sizeof(kText) - 1), signature.data(),
                               static_cast<int>(signature.size())));
}

TEST_F(SealTrustTest, SealWindowNamesAnUntrustedAuthorityAndAnExpiredSeal)
{
    useSeal(issuedBy(*untrusted));
    const auto [untrustedAnswer, untrustedShown] = showCert(kText, sign(kText));
    EXPECT_EQ(0, untrustedAnswer);
    EXPECT_EQ(u8"印章无效：印章不是由受信任的制章机构颁发", untrustedShown.verdict);
    ASSERT_EQ(6U, untrustedShown.items.size());
    EXPECT_EQ(u8"测试电子印章制作中心", untrustedShown.items[4].second);

    SealTerms expired;
    expired.start = std::time(nullptr) - 10 * kDay;
    expired.validDays = 9;
    const ktxeseal::Seal old = issuedBy(*trusted, expired);
    const auto [expiredAnswer, expiredShown] = showCert(kText, composeAt(old, std::time(nullptr)));
    EXPECT_EQ(0, expiredAnswer);
    EXPECT_EQ(u8"印章无效：签章时印章或签章证书不在有效期内", expiredShown.verdict);
}
