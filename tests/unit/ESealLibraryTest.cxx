// The electronic-seal library as the component uses it: through its six entry points, with the
// current seal named by KTXESEAL_SEAL_DIR and the authority that issued the seals trusted through
// KTXESEAL_TRUST_DIR. Seals are made with the seal-making tool's code.

#include "ESealTestSupport.hxx"

#include <KTXESeal.h>
#include <Base64.hxx>
#include <KeyFiles.hxx>
#include <SealMaking.hxx>
#include <SealSignature.hxx>

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <openssl/asn1.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>

extern "C" {
int SignESeal(const char* text, int textLength, char* signature, int* signatureLength);
int ShowESealInfo(const char* text, int textLength, const char* signature, int signatureLength);
int ShowESealCert(const char* text, int textLength, const char* signature, int signatureLength);
int GetESealPic(const char* signature, int signatureLength, unsigned char* picture,
                int* pictureLength);
int GetPicSize(const unsigned char* picture, int pictureLength, int* width, int* height);
int CheckRemovedRight(const char* signature, int signatureLength);
}

using namespace esealtest;
namespace fs = std::filesystem;

namespace
{
constexpr char kSealDirectoryVariable[] = "KTXESEAL_SEAL_DIR";
constexpr char kTrustDirectoryVariable[] = "KTXESEAL_TRUST_DIR";
constexpr char kOrganisation[] = "北京市某某科技有限公司";
constexpr char kOtherOrganisation[] = "上海市某某贸易有限公司";
constexpr int kOtherPictureSize = 150;
/// "关于印发电子印章管理办法的通知" in GBK, as the component hands text over.
const std::string kText = "\xB9\xD8\xD3\xDA\xD3\xA1\xB7\xA2\xB5\xE7\xD7\xD3\xD3\xA1\xD5\xC2\xB9"
                          "\xDC\xC0\xED\xB0\xEC\xB7\xA8\xB5\xC4\xCD\xA8\xD6\xAA";
/// Fills the parts of an area that the library must leave alone.
constexpr char kUntouched = '\x5A';
constexpr size_t kPictureBlockTextLength = 13; // "ESEAL-PICTURE"
constexpr size_t kGifHeaderLength = 13;

/// A signature area as the component prepares it: 14366 bytes, the first four zero.
std::vector<char> freshSignatureArea()
{
    std::vector<char> area(KTXESEAL_AREA_SIZE, kUntouched);
    std::fill_n(area.begin(), 4, '\0');
    return area;
}

/// Signs with the current seal; an empty string when the library refuses.
std::string signText(const std::string& text)
{
    std::vector<char> area = freshSignatureArea();
    int length = -1;
    if (SignESeal(text.data(), static_cast<int>(text.size()), area.data(), &length) <= 0)
        return {};
    const size_t terminated = strnlen(area.data(), area.size());
    EXPECT_LT(terminated, area.size()) << "the signature must end with a NUL inside the area";
    EXPECT_EQ(static_cast<size_t>(length), terminated);
    return std::string(area.data(), terminated);
}

int showInfo(const std::string& text, const std::string& signature)
{
    return ShowESealInfo(text.data(), static_cast<int>(text.size()), signature.data(),
                         static_cast<int>(signature.size()));
}

int showCert(const std::string& text, const std::string& signature)
{
    return ShowESealCert(text.data(), static_cast<int>(text.size()), signature.data(),
                         static_cast<int>(signature.size()));
}

int mayRemove(const std::string& signature)
{
    return CheckRemovedRight(signature.data(), static_cast<int>(signature.size()));
}

/// The picture block of the signature from a full-size area; empty when the library refuses.
Bytes pictureBlock(const std::string& signature)
{
    Bytes area(KTXESEAL_AREA_SIZE);
    int length = KTXESEAL_AREA_SIZE;
    if (GetESealPic(signature.data(), static_cast<int>(signature.size()), area.data(), &length)
        == 0)
        return {};
    EXPECT_GT(length, 0);
    EXPECT_LE(length, KTXESEAL_AREA_SIZE);
    area.resize(static_cast<size_t>(std::clamp(length, 0, KTXESEAL_AREA_SIZE)));
    return area;
}

/// The bytes the component writes into the picture file: from after the last '%' among the
/// bytes before the first zero byte (or from the start without one) up to, not including, the
/// last byte.
Bytes componentPictureFile(const Bytes& block)
{
    const auto firstZero = std::find(block.begin(), block.end(), 0);
    const auto separator = std::find(std::make_reverse_iterator(firstZero), block.rend(), '%');
    const auto start = separator == block.rend() ? block.begin() : separator.base();
    if (block.empty() || start >= block.end() - 1)
        return {};
    return Bytes(start, block.end() - 1);
}

Bytes fromBase64(const std::string& text)
{
    Bytes data(text.size() / 4 * 3);
    const int length
        = EVP_DecodeBlock(data.data(), reinterpret_cast<const unsigned char*>(text.data()),
                          static_cast<int>(text.size()));
    if (length < 0)
        return {};
    const size_t padding
        = std::count(text.end() - std::min<size_t>(2, text.size()), text.end(), '=');
    data.resize(static_cast<size_t>(length) - padding);
    return data;
}

std::string toBase64(const Bytes& data)
{
    std::string text((data.size() + 2) / 3 * 4 + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), data.data(),
                                       static_cast<int>(data.size()));
    text.resize(static_cast<size_t>(length));
    return text;
}

void copySeal(const std::string& from, const std::string& to)
{
    fs::create_directories(to);
    for (const char* file :
         { ktxeseal::kSealKeyFile, ktxeseal::kSealCertificateFile, ktxeseal::kSealFile })
        fs::copy_file(fs::path(from) / file, fs::path(to) / file,
                      fs::copy_options::overwrite_existing);
}

Bytes sealPicture(const std::string& directory)
{
    const std::optional<ktxeseal::Seal> seal = ktxeseal::loadSeal(directory);
    return seal ? seal->issued.picture : Bytes();
}

class ESealLibraryTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        seals = new TemporaryDirectory;
        authority = new TestAuthority(seals->path());
        quillmark::sealmaker::writeSeal(makeSeal(kOrganisation), sealA(), kTestPin, false);
        quillmark::sealmaker::SealTerms otherTerms;
        otherTerms.pictureSize = kOtherPictureSize;
        quillmark::sealmaker::writeSeal(makeSeal(kOtherOrganisation, otherTerms), sealB(), kTestPin,
                                        false);
    }

    static void TearDownTestSuite()
    {
        delete authority;
        authority = nullptr;
        delete seals;
        seals = nullptr;
    }

    /// Issues a seal with this picture into the directory, with a key and certificate of its own;
    /// false when the authority will not issue it.
    static bool issueSealWithPicture(const Bytes& picture, const std::string& directory)
    {
        ktxeseal::Seal seal = makeSeal(kOrganisation);
        ktxeseal::SealRequest request;
        request.sealId = seal.issued.sealId;
        request.name = seal.issued.name;
        request.picture = picture;
        request.signerCertificates = seal.issued.signerCertificates;
        request.created = seal.issued.created;
        request.validity = seal.issued.validity;
        std::optional<Bytes> issued = ktxeseal::issueSeal(request, authority->authority.key.get(),
                                                          authority->authority.certificate.get());
        if (!issued)
            return false;
        seal.sealDer = *issued;
        quillmark::sealmaker::writeSeal(seal, directory, kTestPin, true);
        return true;
    }

    static ktxeseal::Seal makeSeal(const std::string& organisation,
                                   const quillmark::sealmaker::SealTerms& terms = {})
    {
        return quillmark::sealmaker::makeSeal(organisation, &authority->authority, terms);
    }

    static std::string sealA() { return seals->path() + "/a"; }
    static std::string sealB() { return seals->path() + "/b"; }

    static inline TemporaryDirectory* seals = nullptr;
    static inline TestAuthority* authority = nullptr;

    /// Each test starts with seal A as the current seal, its authority trusted, and the seals'
    /// PIN in the PIN file.
    ScopedVariable currentSeal{ kSealDirectoryVariable, sealA() };
    ScopedVariable trust{ kTrustDirectoryVariable, authority->trustDirectory };
    PinFile pin{ seals->path() };
};

using ESealSigningTest = ESealLibraryTest;
using ESealVerificationTest = ESealLibraryTest;
using ESealRemovalTest = ESealLibraryTest;
using ESealPictureTest = ESealLibraryTest;
}

TEST_F(ESealSigningTest, SignedTextVerifiesAgainstItsSignature)
{
    const std::string signature = signText(kText);
    ASSERT_FALSE(signature.empty());
    EXPECT_NE(0, showInfo(kText, signature));
    EXPECT_NE(0, showCert(kText, signature));

    const std::string emptyTextSignature = signText("");
    ASSERT_FALSE(emptyTextSignature.empty());
    EXPECT_NE(0, showInfo("", emptyTextSignature));
    EXPECT_EQ(0, showInfo(kText, emptyTextSignature));
}

TEST_F(ESealSigningTest, SignatureIsReadUpToItsLengthOrItsNul)
{
    std::vector<char> area = freshSignatureArea();
    int length = 0;
    ASSERT_GT(SignESeal(kText.data(), static_cast<int>(kText.size()), area.data(), &length), 0);

    // The text alone, in a buffer of exactly its length with no NUL after it.
    const std::vector<char> exact(area.begin(), area.begin() + length);
    EXPECT_NE(0, ShowESealInfo(kText.data(), static_cast<int>(kText.size()), exact.data(), length));
    EXPECT_EQ(
        0, ShowESealInfo(kText.data(), static_cast<int>(kText.size()), exact.data(), length - 1));
    // The whole area, the signature ending at its NUL.
    EXPECT_NE(0, ShowESealInfo(kText.data(), static_cast<int>(kText.size()), area.data(),
                               KTXESEAL_AREA_SIZE));
}

TEST_F(ESealSigningTest, SigningRefusesBadArguments)
{
    std::vector<char> area = freshSignatureArea();
    int length = 0;
    EXPECT_EQ(0, SignESeal(kText.data(), static_cast<int>(kText.size()), nullptr, &length));
    EXPECT_EQ(0, SignESeal(kText.data(), static_cast<int>(kText.size()), area.data(), nullptr));
    EXPECT_EQ(0, SignESeal(nullptr, 5, area.data(), &length));
    EXPECT_EQ(0, SignESeal(kText.data(), -1, area.data(), &length));
    EXPECT_EQ(freshSignatureArea(), area);
}

TEST_F(ESealSigningTest, SignaturesStayWithinTheSealsLongestLength)
{
    const std::optional<ktxeseal::Seal> seal = ktxeseal::loadSeal(sealA());
    ASSERT_TRUE(seal);
    const std::optional<size_t> longest = ktxeseal::longestSealSignatureLength(*seal);
    ASSERT_TRUE(longest);
    EXPECT_LT(*longest, static_cast<size_t>(KTXESEAL_AREA_SIZE));
    size_t longestSeen = 0;
    for (int round = 0; round < 64; ++round)
        longestSeen = std::max(longestSeen, signText(kText + std::to_string(round)).size());
    EXPECT_GT(longestSeen, 0U);
    EXPECT_LE(longestSeen, *longest);
    RecordProperty("longest_signature_seen", static_cast<int>(longestSeen));
    RecordProperty("longest_signature_bound", static_cast<int>(*longest));
}

TEST_F(ESealSigningTest, MissingSealMakesSigningFail)
{
    TemporaryDirectory home;
    {
        ScopedVariable noSeal(kSealDirectoryVariable, home.path() + "/nowhere");
        std::vector<char> area = freshSignatureArea();
        int length = -1;
        EXPECT_EQ(0, SignESeal(kText.data(), static_cast<int>(kText.size()), area.data(), &length));
        EXPECT_EQ(freshSignatureArea(), area);
    }
    {
        ScopedVariable noVariable(kSealDirectoryVariable, std::nullopt);
        ScopedVariable emptyHome("HOME", home.path());
        EXPECT_EQ("", signText(kText));
        ScopedVariable noHome("HOME", std::nullopt);
        EXPECT_EQ("", signText(kText));
    }
    for (const char* missing :
         { ktxeseal::kSealKeyFile, ktxeseal::kSealCertificateFile, ktxeseal::kSealFile })
    {
        const std::string directory = home.path() + "/without-" + missing;
        copySeal(sealA(), directory);
        fs::remove(fs::path(directory) / missing);
        ScopedVariable seal(kSealDirectoryVariable, directory);
        EXPECT_EQ("", signText(kText)) << "without " << missing;
    }
}

TEST_F(ESealSigningTest, DefaultSealDirectoryIsInHome)
{
    TemporaryDirectory home;
    copySeal(sealA(), home.path() + "/.quillmark/seal");
    ScopedVariable noVariable(kSealDirectoryVariable, std::nullopt);
    ScopedVariable ownHome("HOME", home.path());
    const std::string signature = signText(kText);
    ASSERT_FALSE(signature.empty());
    EXPECT_NE(0, mayRemove(signature));
}

TEST_F(ESealSigningTest, InconsistentSealMakesSigningFail)
{
    TemporaryDirectory broken;
    const std::string directory = broken.path() + "/seal";
    copySeal(sealA(), directory);
    ScopedVariable seal(kSealDirectoryVariable, directory);
    const fs::path key = fs::path(directory) / ktxeseal::kSealKeyFile;
    const fs::path issued = fs::path(directory) / ktxeseal::kSealFile;

    // Another seal's key for this seal's certificate.
    fs::copy_file(fs::path(sealB()) / ktxeseal::kSealKeyFile, key,
                  fs::copy_options::overwrite_existing);
    EXPECT_EQ("", signText(kText));

    // The key as older seals kept it, unencrypted: refused, since anyone with the folder could
    // stamp with it.
    {
        ktxeseal::Seal unlocked = *ktxeseal::loadSeal(sealA());
        ASSERT_TRUE(ktxeseal::unlockSeal(unlocked, kTestPin));
        const std::string plain = quillmark::authority::pemOf(unlocked.key.get());
        writeFileBytes(key.string(), Bytes(plain.begin(), plain.end()));
    }
    EXPECT_EQ("", signText(kText));
    copySeal(sealA(), directory);
    ASSERT_NE("", signText(kText));

    // Another seal, which does not list this seal's certificate.
    fs::copy_file(fs::path(sealB()) / ktxeseal::kSealFile, issued,
                  fs::copy_options::overwrite_existing);
    EXPECT_EQ("", signText(kText));
    // The seal with one byte changed, or cut short.
    Bytes der = readFileBytes(sealA() + "/" + ktxeseal::kSealFile);
    for (size_t position : { size_t(40), der.size() / 2, der.size() - 3 })
    {
        Bytes changed = der;
        changed[position] ^= 0x01;
        writeFileBytes(issued.string(), changed);
        EXPECT_EQ("", signText(kText)) << "byte " << position;
    }
    writeFileBytes(issued.string(), Bytes(der.begin(), der.end() - 1));
    EXPECT_EQ("", signText(kText));
}

TEST_F(ESealSigningTest, PictureThatWouldBreakTheBlockSplitIsNeverIssued)
{
    TemporaryDirectory pictures;
    const std::string directory = pictures.path() + "/seal";
    ScopedVariable seal(kSealDirectoryVariable, directory);

    // 37 and 293 pixels have '%' as the low byte of the width, before any zero byte.
    for (int width : { 37, 293 })
        EXPECT_FALSE(
            issueSealWithPicture(makeGif(width, 40, [](int x, int) { return x % 2; }), directory))
            << width << " pixels wide";
    const Bytes notAGif = { 'P', 'N', 'G', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 };
    EXPECT_FALSE(issueSealWithPicture(notAGif, directory));
    EXPECT_EQ("", signText(kText));

    ASSERT_TRUE(issueSealWithPicture(makeGif(38, 40, [](int x, int) { return x % 2; }), directory));
    EXPECT_NE("", signText(kText));
}

TEST_F(ESealSigningTest, PictureTooLargeForTheAreaMakesSigningFail)
{
    TemporaryDirectory pictures;
    const std::string directory = pictures.path() + "/seal";
    ScopedVariable seal(kSealDirectoryVariable, directory);

    std::mt19937 noise(38540);
    const Bytes large = makeGif(96, 96, [&noise](int, int) { return noise() % 256; });
    // Small enough to be read as a seal picture, too large for its Base64 to fit the area.
    ASSERT_LT(large.size(), static_cast<size_t>(KTXESEAL_AREA_SIZE));
    ASSERT_GT(large.size() * 4 / 3, static_cast<size_t>(KTXESEAL_AREA_SIZE));
    ASSERT_TRUE(issueSealWithPicture(large, directory));

    std::vector<char> area = freshSignatureArea();
    int length = -1;
    EXPECT_EQ(0, SignESeal(kText.data(), static_cast<int>(kText.size()), area.data(), &length));
    EXPECT_EQ(freshSignatureArea(), area);
}

TEST_F(ESealVerificationTest, ChangedTextIsRefused)
{
    const std::string signature = signText(kText);
    ASSERT_FALSE(signature.empty());
    for (size_t position = 0; position < kText.size(); ++position)
    {
        std::string changed = kText;
        changed[position] = static_cast<char>(changed[position] ^ 0x01);
        EXPECT_EQ(0, showInfo(changed, signature)) << "byte " << position;
        EXPECT_EQ(0, showCert(changed, signature)) << "byte " << position;
    }
    EXPECT_EQ(0, showInfo(kText + " ", signature));
    EXPECT_EQ(0, showInfo(kText.substr(0, kText.size() - 1), signature));
    EXPECT_EQ(0, ShowESealInfo(nullptr, 3, signature.data(), static_cast<int>(signature.size())));
}

TEST_F(ESealVerificationTest, EveryChangedSignatureByteIsRefused)
{
    // The smallest picture keeps the signature, and the test, short.
    TemporaryDirectory small;
    quillmark::sealmaker::SealTerms terms;
    terms.pictureSize = quillmark::sealmaker::kSmallestPictureSize;
    quillmark::sealmaker::writeSeal(makeSeal(kOrganisation, terms), small.path(), kTestPin, true);
    ScopedVariable seal(kSealDirectoryVariable, small.path());
    const std::string signature = signText(kText);
    const Bytes der = fromBase64(signature);
    ASSERT_FALSE(der.empty());
    ASSERT_EQ(signature, toBase64(der));

    std::vector<size_t> accepted;
    for (size_t position = 0; position < der.size(); ++position)
    {
        Bytes changed = der;
        changed[position] ^= 0x01;
        if (showInfo(kText, toBase64(changed)) != 0)
            accepted.push_back(position);
    }
    EXPECT_TRUE(accepted.empty()) << accepted.size() << " changed bytes still verify, the first at "
                                  << (accepted.empty() ? 0 : accepted.front()) << " of "
                                  << der.size();
}

TEST_F(ESealVerificationTest, MalformedSignatureTextIsRefused)
{
    const std::string signature = signText(kText);
    ASSERT_FALSE(signature.empty());
    for (size_t cut : { 1, 2, 3, 4, 8 })
        EXPECT_EQ(0, showInfo(kText, signature.substr(0, signature.size() - cut))) << cut;
    EXPECT_EQ(0, showInfo(kText, signature.substr(0, signature.size() / 2)));
    EXPECT_EQ(0, showInfo(kText, signature + "AAAA"));
    EXPECT_EQ(0, showInfo(kText, signature.substr(0, 64) + "\n" + signature.substr(64)));
    EXPECT_EQ(0, showInfo(kText, " " + signature));
    EXPECT_EQ(0, showInfo(kText, "*" + signature.substr(1)));
    EXPECT_EQ(0, showInfo(kText, std::string(signature.size(), 'A')));
    EXPECT_EQ(0, showInfo(kText, "not a seal signature"));
    EXPECT_EQ(0, showInfo(kText, ""));
    EXPECT_EQ(0, ShowESealInfo(kText.data(), static_cast<int>(kText.size()), nullptr, 100));
    EXPECT_EQ(0, ShowESealInfo(kText.data(), static_cast<int>(kText.size()), signature.data(), -1));
}

TEST_F(ESealVerificationTest, OnlyTheCanonicalEncodingOfASignatureIsRead)
{
    const std::string signature = signText(kText);
    const Bytes der = fromBase64(signature);
    // A signature of this size has a two-byte length after its outer tag.
    ASSERT_GE(der.size(), 4U);
    ASSERT_EQ(0x30, der[0]);
    ASSERT_EQ(0x82, der[1]);
    ASSERT_NE(0, showInfo(kText, toBase64(der)));

    // The same signature read by a lenient parser: its length in a longer form, or followed by
    // more bytes. Each would be a second text for one signature.
    Bytes longerLength = { 0x30, 0x83, 0x00 };
    longerLength.insert(longerLength.end(), der.begin() + 2, der.end());
    EXPECT_EQ(0, showInfo(kText, toBase64(longerLength)));
    Bytes trailing = der;
    trailing.push_back(0x00);
    EXPECT_EQ(0, showInfo(kText, toBase64(trailing)));
}

TEST(ESealBase64Test, OnlyCanonicalBase64IsRead)
{
    EXPECT_EQ(Bytes({ 'A' }), ktxeseal::decodeBase64("QQ=="));
    EXPECT_EQ(Bytes({ 'A', 'B' }), ktxeseal::decodeBase64("QUI="));
    EXPECT_EQ(Bytes({ 'A', 'B', 'C' }), ktxeseal::decodeBase64("QUJD"));
    // Set bits under the padding would give one byte string two texts.
    EXPECT_FALSE(ktxeseal::decodeBase64("QR=="));
    EXPECT_FALSE(ktxeseal::decodeBase64("QUJ="));
    for (const char* malformed : { "", "Q", "QQ=", "QQ", "Q===", "QQ==QQ==", "QU=I", "QUJD\n",
                                   " QUJD", "QUJ*", "QUJD====" })
        EXPECT_FALSE(ktxeseal::decodeBase64(malformed)) << malformed;
}

TEST_F(ESealVerificationTest, SignatureIsSm2WithSm3UnderTheDefaultIdOverItsToBeSignedPart)
{
    const std::string signature = signText(kText);
    const Bytes der = fromBase64(signature);
    ASSERT_FALSE(der.empty());

    // Read with OpenSSL's generic DER parser, independently of the library's own structures.
    const unsigned char* cursor = der.data();
    STACK_OF(ASN1_TYPE)* outer
        = d2i_ASN1_SEQUENCE_ANY(nullptr, &cursor, static_cast<long>(der.size()));
    ASSERT_TRUE(outer);
    ASSERT_EQ(4, sk_ASN1_TYPE_num(outer));
    const ASN1_TYPE* toSign = sk_ASN1_TYPE_value(outer, 0);
    const ASN1_TYPE* certificate = sk_ASN1_TYPE_value(outer, 1);
    const ASN1_TYPE* algorithm = sk_ASN1_TYPE_value(outer, 2);
    const ASN1_TYPE* value = sk_ASN1_TYPE_value(outer, 3);
    ASSERT_EQ(V_ASN1_SEQUENCE, toSign->type);
    ASSERT_EQ(V_ASN1_OCTET_STRING, certificate->type);
    ASSERT_EQ(V_ASN1_OBJECT, algorithm->type);
    ASSERT_EQ(V_ASN1_BIT_STRING, value->type);
    char oid[64];
    OBJ_obj2txt(oid, sizeof(oid), algorithm->value.object, 1);
    EXPECT_STREQ("1.2.156.10197.1.501", oid);

    // The to-be-signed part: version, seal, time, the SM3 of the text and what it covers.
    const unsigned char* tbsCursor = toSign->value.sequence->data;
    STACK_OF(ASN1_TYPE)* tbs
        = d2i_ASN1_SEQUENCE_ANY(nullptr, &tbsCursor, toSign->value.sequence->length);
    ASSERT_TRUE(tbs);
    ASSERT_EQ(5, sk_ASN1_TYPE_num(tbs));
    EXPECT_EQ(4, ASN1_INTEGER_get(sk_ASN1_TYPE_value(tbs, 0)->value.integer));
    const ASN1_TYPE* time = sk_ASN1_TYPE_value(tbs, 2);
    ASSERT_EQ(V_ASN1_GENERALIZEDTIME, time->type);
    int days = 0;
    int seconds = 0;
    ASSERT_EQ(1, ASN1_TIME_diff(&days, &seconds, time->value.generalizedtime, nullptr));
    EXPECT_EQ(0, days);
    EXPECT_LE(std::abs(seconds), 300);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    ASSERT_EQ(1, EVP_Digest(kText.data(), kText.size(), digest, &digestLength, EVP_sm3(), nullptr));
    ASSERT_EQ(V_ASN1_BIT_STRING, sk_ASN1_TYPE_value(tbs, 3)->type);
    const ASN1_BIT_STRING* hash = sk_ASN1_TYPE_value(tbs, 3)->value.bit_string;
    EXPECT_EQ(Bytes(digest, digest + digestLength), Bytes(hash->data, hash->data + hash->length));
    EXPECT_EQ(V_ASN1_IA5STRING, sk_ASN1_TYPE_value(tbs, 4)->type);

    // The seal: as the authority issued it into the seal directory, signed by the authority.
    const ASN1_TYPE* seal = sk_ASN1_TYPE_value(tbs, 1);
    ASSERT_EQ(V_ASN1_SEQUENCE, seal->type);
    EXPECT_EQ(readFileBytes(sealA() + "/" + ktxeseal::kSealFile),
              Bytes(seal->value.sequence->data,
                    seal->value.sequence->data + seal->value.sequence->length));
    const unsigned char* sealCursor = seal->value.sequence->data;
    STACK_OF(ASN1_TYPE)* sealParts
        = d2i_ASN1_SEQUENCE_ANY(nullptr, &sealCursor, seal->value.sequence->length);
    ASSERT_TRUE(sealParts);
    ASSERT_EQ(4, sk_ASN1_TYPE_num(sealParts));
    const ASN1_STRING* authorityCertificate = sk_ASN1_TYPE_value(sealParts, 1)->value.octet_string;
    const Bytes authorityDer = ktxeseal::certificateDer(authority->authority.certificate.get());
    EXPECT_EQ(authorityDer, Bytes(authorityCertificate->data,
                                  authorityCertificate->data + authorityCertificate->length));
    const ASN1_STRING* signerCertificate = certificate->value.octet_string;
    EXPECT_EQ(ktxeseal::loadSeal(sealA())->certificateDer,
              Bytes(signerCertificate->data, signerCertificate->data + signerCertificate->length));

    // The SM2 value verifies under the certificate's key with the default ID, not without it.
    const unsigned char* certificateCursor = signerCertificate->data;
    X509* signer = d2i_X509(nullptr, &certificateCursor, signerCertificate->length);
    ASSERT_TRUE(signer);
    EVP_PKEY* key = X509_get0_pubkey(signer);
    auto verifies = [&](bool withId) {
        EVP_MD_CTX* context = EVP_MD_CTX_new();
        EVP_PKEY_CTX* keyContext = EVP_PKEY_CTX_new(key, nullptr);
        if (withId)
            EVP_PKEY_CTX_set1_id(keyContext, "1234567812345678", 16);
        EVP_MD_CTX_set_pkey_ctx(context, keyContext);
        const int result = EVP_DigestVerifyInit(context, nullptr, EVP_sm3(), nullptr, key) == 1
                           && EVP_DigestVerify(context, value->value.bit_string->data,
                                               static_cast<size_t>(value->value.bit_string->length),
                                               toSign->value.sequence->data,
                                               static_cast<size_t>(toSign->value.sequence->length))
                                  == 1;
        EVP_MD_CTX_free(context);
        EVP_PKEY_CTX_free(keyContext);
        return result;
    };
    EXPECT_TRUE(verifies(true));
    EXPECT_FALSE(verifies(false));

    X509_free(signer);
    sk_ASN1_TYPE_pop_free(sealParts, ASN1_TYPE_free);
    sk_ASN1_TYPE_pop_free(tbs, ASN1_TYPE_free);
    sk_ASN1_TYPE_pop_free(outer, ASN1_TYPE_free);
}

TEST_F(ESealRemovalTest, OnlyTheCurrentSealMayRemoveItsSignature)
{
    const std::string ownSignature = signText(kText);
    std::string otherSignature;
    {
        ScopedVariable other(kSealDirectoryVariable, sealB());
        otherSignature = signText(kText);
        EXPECT_NE(0, mayRemove(otherSignature));
        EXPECT_EQ(0, mayRemove(ownSignature));
    }
    ASSERT_FALSE(ownSignature.empty());
    ASSERT_FALSE(otherSignature.empty());
    EXPECT_NE(0, showInfo(kText, otherSignature));
    EXPECT_NE(0, mayRemove(ownSignature));
    EXPECT_EQ(0, mayRemove(otherSignature));

    // A seal made anew for the same organisation is another seal.
    TemporaryDirectory again;
    quillmark::sealmaker::writeSeal(makeSeal(kOrganisation), again.path(), kTestPin, true);
    ScopedVariable remade(kSealDirectoryVariable, again.path());
    EXPECT_EQ(0, mayRemove(ownSignature));
}

TEST_F(ESealRemovalTest, RemovalIsRefusedWithoutASealOrAValidSignature)
{
    const std::string signature = signText(kText);
    ASSERT_FALSE(signature.empty());
    {
        TemporaryDirectory empty;
        ScopedVariable noSeal(kSealDirectoryVariable, empty.path());
        EXPECT_EQ(0, mayRemove(signature));
        ScopedVariable noVariable(kSealDirectoryVariable, std::nullopt);
        ScopedVariable noHome("HOME", std::nullopt);
        EXPECT_EQ(0, mayRemove(signature));
    }
    Bytes der = fromBase64(signature);
    der[der.size() - 5] ^= 0x01;
    EXPECT_EQ(0, mayRemove(toBase64(der)));
    EXPECT_EQ(0, mayRemove(signature.substr(0, signature.size() - 4)));
    EXPECT_EQ(0, CheckRemovedRight(nullptr, 10));
    EXPECT_EQ(0, CheckRemovedRight(signature.data(), 0));
}

TEST_F(ESealPictureTest, BlockCarriesTheSignaturesOwnPictureWhereTheComponentFindsIt)
{
    const std::string ownSignature = signText(kText);
    std::string otherSignature;
    {
        ScopedVariable other(kSealDirectoryVariable, sealB());
        otherSignature = signText(kText);
    }
    // Pictures come from the signature, whatever the current seal, or none.
    ScopedVariable noSeal(kSealDirectoryVariable, seals->path() + "/nowhere");
    struct Expected
    {
        const std::string& signature;
        std::string directory;
        int size;
    };
    for (const Expected& expected : { Expected{ ownSignature, sealA(), 160 },
                                      Expected{ otherSignature, sealB(), kOtherPictureSize } })
    {
        const Bytes block = pictureBlock(expected.signature);
        ASSERT_FALSE(block.empty());
        EXPECT_EQ(sealPicture(expected.directory), componentPictureFile(block));
        int width = 0;
        int height = 0;
        EXPECT_NE(0, GetPicSize(block.data(), static_cast<int>(block.size()), &width, &height));
        EXPECT_EQ(expected.size, width);
        EXPECT_EQ(expected.size, height);
    }
}

TEST_F(ESealPictureTest, ComponentFindsThePictureAtEverySizeTheToolMakes)
{
    TemporaryDirectory sized;
    for (int size : { 64, 100, 127, 128, 199, 255 })
    {
        const std::string directory = sized.path() + "/" + std::to_string(size);
        quillmark::sealmaker::SealTerms terms;
        terms.pictureSize = size;
        quillmark::sealmaker::writeSeal(makeSeal(kOrganisation, terms), directory, kTestPin, false);
        ScopedVariable seal(kSealDirectoryVariable, directory);
        const Bytes block = pictureBlock(signText(kText));
        ASSERT_FALSE(block.empty()) << size;
        EXPECT_EQ(sealPicture(directory), componentPictureFile(block)) << size;
        int width = 0;
        int height = 0;
        EXPECT_NE(0, GetPicSize(block.data(), static_cast<int>(block.size()), &width, &height));
        EXPECT_EQ(size, width);
        EXPECT_EQ(size, height);
    }
}

TEST_F(ESealPictureTest, PictureLargerThanTheGivenAreaIsRefusedUnwritten)
{
    const std::string signature = signText(kText);
    const Bytes block = pictureBlock(signature);
    ASSERT_FALSE(block.empty());

    // An area of exactly the given size, so that a write past it is an ASan report.
    const int smaller = static_cast<int>(block.size()) - 1;
    Bytes area(static_cast<size_t>(smaller), 0xEE);
    int length = smaller;
    EXPECT_EQ(
        0, GetESealPic(signature.data(), static_cast<int>(signature.size()), area.data(), &length));
    EXPECT_EQ(Bytes(static_cast<size_t>(smaller), 0xEE), area);
    EXPECT_EQ(0, length);

    Bytes exact(block.size());
    length = static_cast<int>(block.size());
    EXPECT_NE(0, GetESealPic(signature.data(), static_cast<int>(signature.size()), exact.data(),
                             &length));
    EXPECT_EQ(block, exact);

    for (int given : { 0, -1 })
    {
        length = given;
        EXPECT_EQ(0, GetESealPic(signature.data(), static_cast<int>(signature.size()), exact.data(),
                                 &length));
    }
    EXPECT_EQ(0,
              GetESealPic(signature.data(), static_cast<int>(signature.size()), nullptr, &length));
    EXPECT_EQ(0, GetESealPic(signature.data(), static_cast<int>(signature.size()), exact.data(),
                             nullptr));
}

TEST_F(ESealPictureTest, PictureOfAnInvalidSignatureIsRefused)
{
    const std::string signature = signText(kText);
    Bytes der = fromBase64(signature);
    ASSERT_FALSE(der.empty());
    der[der.size() / 2] ^= 0x01;
    EXPECT_TRUE(pictureBlock(toBase64(der)).empty());
    EXPECT_TRUE(pictureBlock(signature.substr(0, signature.size() - 1)).empty());
}

TEST_F(ESealPictureTest, PictureSizeIsReadWithinTheBlock)
{
    const Bytes block = pictureBlock(signText(kText));
    ASSERT_FALSE(block.empty());
    // Every block cut before the GIF's header and the final byte are complete is refused; each
    // cut lies in a buffer of its own length, so a read past it is an ASan report.
    const size_t shortest = kPictureBlockTextLength + 1 + kGifHeaderLength + 1;
    for (size_t length = 1; length < shortest; ++length)
    {
        const Bytes cut(block.begin(), block.begin() + static_cast<long>(length));
        int width = -1;
        int height = -1;
        EXPECT_EQ(0, GetPicSize(cut.data(), static_cast<int>(cut.size()), &width, &height))
            << length;
    }
    const Bytes header(block.begin(), block.begin() + static_cast<long>(shortest));
    int width = 0;
    int height = 0;
    EXPECT_NE(0, GetPicSize(header.data(), static_cast<int>(header.size()), &width, &height));
    EXPECT_EQ(160, width);

    Bytes withoutSeparator = block;
    std::replace(withoutSeparator.begin(), withoutSeparator.end(), '%', '#');
    EXPECT_EQ(0, GetPicSize(withoutSeparator.data(), static_cast<int>(withoutSeparator.size()),
                            &width, &height));
    EXPECT_EQ(0, GetPicSize(nullptr, 100, &width, &height));
    EXPECT_EQ(0, GetPicSize(block.data(), -1, &width, &height));
    EXPECT_EQ(0, GetPicSize(block.data(), static_cast<int>(block.size()), nullptr, &height));
}

TEST(ESealLibraryFileTest, LibraryLoadsByItsNameWithTheSixEntryPoints)
{
    void* library = dlopen(SEAL_LIB_DIR "/" KTXESEAL_LIBRARY_NAME, RTLD_NOW | RTLD_LOCAL);
    ASSERT_TRUE(library) << dlerror();
    for (const char* entryPoint : { "SignESeal", "ShowESealInfo", "ShowESealCert", "GetESealPic",
                                    "GetPicSize", "CheckRemovedRight" })
        EXPECT_TRUE(dlsym(library, entryPoint)) << entryPoint;
    dlclose(library);
}
