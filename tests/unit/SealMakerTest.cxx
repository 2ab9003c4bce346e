// The seal-making tool's seals: the picture a clerk sees on the page, the certificate that names
// the organisation, and the seal directory the electronic-seal library reads.

#include "ESealTestSupport.hxx"

#include <SealMaking.hxx>

#include <gtest/gtest.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>

using namespace esealtest;
using namespace quillmark::sealmaker;
namespace fs = std::filesystem;

namespace
{
constexpr char kOrganisation[] = "测试公司";
constexpr char kLongOrganisation[] = "中华人民共和国国家发展和改革委员会办公厅";

/// Colour of the pixel at (x, y) of a square picture of `size` pixels, from its centre.
std::optional<Rgb> pixelFromCentre(const DecodedGif& picture, int size, double dx, double dy)
{
    const double centre = size / 2.0;
    return picture.at(static_cast<int>(centre + dx), static_cast<int>(centre + dy));
}

std::string subjectEntry(X509* certificate, int nid)
{
    X509_NAME* subject = X509_get_subject_name(certificate);
    const int index = X509_NAME_get_index_by_NID(subject, nid, -1);
    if (index < 0)
        return {};
    unsigned char* utf8 = nullptr;
    const int length
        = ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, index)));
    std::string value(reinterpret_cast<const char*>(utf8),
                      static_cast<size_t>(std::max(length, 0)));
    OPENSSL_free(utf8);
    return value;
}

bool certificateVerifiesUnderId(X509* certificate, EVP_PKEY* key, const char* id)
{
    X509* copy = X509_dup(certificate);
    if (id)
    {
        ASN1_OCTET_STRING* distinguishingId = ASN1_OCTET_STRING_new();
        ASN1_OCTET_STRING_set(distinguishingId, reinterpret_cast<const unsigned char*>(id),
                              static_cast<int>(std::strlen(id)));
        X509_set0_distinguishing_id(copy, distinguishingId);
    }
    const bool verified = X509_verify(copy, key) == 1;
    X509_free(copy);
    return verified;
}
}

TEST(SealPictureTest, PictureIsARedSealOfThePromisedSize)
{
    for (int size : { 64, kDefaultPictureSize, 255 })
    {
        SCOPED_TRACE(size);
        const Bytes gif = drawSealPicture(kOrganisation, size);
        const std::optional<DecodedGif> picture = decodeGif(gif);
        ASSERT_TRUE(picture);
        EXPECT_EQ(size, picture->screenWidth);
        EXPECT_EQ(size, picture->screenHeight);
        ASSERT_EQ(1, picture->imageCount);
        ASSERT_EQ(size, picture->imageWidth);
        ASSERT_EQ(size, picture->imageHeight);

        // Paper shows through outside the ring and between the star and the lower ring.
        EXPECT_FALSE(picture->at(0, 0));
        EXPECT_FALSE(picture->at(size - 1, size - 1));
        EXPECT_FALSE(pixelFromCentre(*picture, size, 0, size * 0.32));
        // The ring, left, right and at the bottom, and the star's centre are seal red.
        EXPECT_TRUE(isSealRed(pixelFromCentre(*picture, size, 0, 0)));
        EXPECT_TRUE(isSealRed(pixelFromCentre(*picture, size, 0, size * 0.47)));
        EXPECT_TRUE(isSealRed(pixelFromCentre(*picture, size, -size * 0.47, 0)));
        EXPECT_TRUE(isSealRed(pixelFromCentre(*picture, size, size * 0.47, 0)));

        // The name: red in the band under the upper ring, where the star does not reach.
        int nameRed = 0;
        for (int y = static_cast<int>(size * 0.08); y < static_cast<int>(size * 0.26); ++y)
        {
            for (int x = 0; x < size; ++x)
                nameRed += isSealRed(picture->at(x, y)) ? 1 : 0;
        }
        EXPECT_GT(nameRed, size * size / 200);
    }
}

TEST(SealPictureTest, DefaultPictureOfALongNameStaysAFewKilobytes)
{
    const Bytes gif = drawSealPicture(kLongOrganisation, kDefaultPictureSize);
    EXPECT_LT(gif.size(), 4096U);
}

TEST(SealPictureTest, SizesTheBlockSplitCannotCarryAreRefused)
{
    for (int size : { 0, 37, 63, 256, 293, 1000 })
        EXPECT_THROW(drawSealPicture(kOrganisation, size), std::runtime_error) << size;
    SealTerms tooLarge;
    tooLarge.pictureSize = 256;
    EXPECT_THROW(makeSeal(kOrganisation, nullptr, tooLarge), std::runtime_error);
}

TEST(SealPictureTest, NamesTheFontCannotDrawAreRefused)
{
    EXPECT_THROW(drawSealPicture("", kDefaultPictureSize), std::runtime_error);
    EXPECT_THROW(drawSealPicture("\xE6\xB5", kDefaultPictureSize), std::runtime_error);
    EXPECT_THROW(drawSealPicture("\xF0\x9F\x98\x80", kDefaultPictureSize), std::runtime_error);
    EXPECT_THROW(makeSeal("第一行\n第二行", nullptr), std::runtime_error);
}

TEST(SealCertificateTest, CertificateNamesTheOrganisationAndIsSignedUnderTheDefaultId)
{
    TemporaryDirectory folder;
    const TestAuthority authority(folder.path());
    X509* issuer = authority.authority.certificate.get();
    SealTerms terms;
    terms.validDays = 30;
    const ktxeseal::Seal seal = makeSeal(kOrganisation, &authority.authority, terms);
    X509* certificate = seal.certificate.get();
    EXPECT_EQ(kOrganisation, subjectEntry(certificate, NID_commonName));
    EXPECT_EQ("CN", subjectEntry(certificate, NID_countryName));
    EXPECT_EQ(0, X509_NAME_cmp(X509_get_subject_name(issuer), X509_get_issuer_name(certificate)));
    EXPECT_EQ(NID_SM2_with_SM3, X509_get_signature_nid(certificate));
    EXPECT_TRUE(EVP_PKEY_is_a(X509_get0_pubkey(certificate), "SM2"));
    EXPECT_EQ(1, X509_check_private_key(certificate, seal.key.get()));
    EXPECT_TRUE(
        certificateVerifiesUnderId(certificate, X509_get0_pubkey(issuer), "1234567812345678"));
    EXPECT_FALSE(certificateVerifiesUnderId(certificate, X509_get0_pubkey(issuer), nullptr));
    EXPECT_EQ(X509_V_OK, X509_check_issued(issuer, certificate));
    EXPECT_EQ(0, X509_check_ca(certificate));
    EXPECT_NE(0, X509_check_ca(issuer));

    // The seal and its certificate are valid for the days asked for, from now.
    int days = 0;
    int seconds = 0;
    ASSERT_EQ(1, ASN1_TIME_diff(&days, &seconds, X509_get0_notBefore(certificate),
                                X509_get0_notAfter(certificate)));
    EXPECT_EQ(30, days);
    EXPECT_EQ(30 * 86400, seal.issued.validity.end - seal.issued.validity.start);
    EXPECT_LE(std::abs(seal.issued.validity.start - std::time(nullptr)), 60);
    EXPECT_EQ(ktxeseal::certificateDer(issuer), seal.issued.authorityCertificateDer);
    EXPECT_EQ(std::vector<Bytes>{ seal.certificateDer }, seal.issued.signerCertificates);
    EXPECT_EQ(kOrganisation, seal.issued.name);
    EXPECT_EQ(16U, seal.issued.sealId.size());

    // A self-made seal: its certificate is its own issuer and issues the seal.
    const ktxeseal::Seal selfMade = makeSeal(kOrganisation, nullptr);
    X509* own = selfMade.certificate.get();
    EXPECT_EQ(0, X509_NAME_cmp(X509_get_subject_name(own), X509_get_issuer_name(own)));
    EXPECT_TRUE(certificateVerifiesUnderId(own, X509_get0_pubkey(own), "1234567812345678"));
    EXPECT_EQ(selfMade.certificateDer, selfMade.issued.authorityCertificateDer);
    EXPECT_EQ(0, X509_check_ca(own));
}

TEST(SealAuthorityTest, AuthorityKeyIsItsOwnersAlone)
{
    TemporaryDirectory folder;
    const TestAuthority authority(folder.path());
    struct stat status
    {};
    const std::string key = authority.directory + "/" + quillmark::authority::kAuthorityKeyFile;
    ASSERT_EQ(0, stat(key.c_str(), &status));
    EXPECT_EQ(0600U, status.st_mode & 0777U);
    EXPECT_THROW(quillmark::authority::writeAuthority(quillmark::authority::makeAuthority("另一个"),
                                                      authority.directory),
                 std::runtime_error);

    // A key that others may read is refused, and no seal is issued from it.
    ASSERT_EQ(0, chmod(key.c_str(), 0644));
    EXPECT_THROW(quillmark::authority::loadAuthority(authority.directory), std::runtime_error);
    ASSERT_EQ(0, chmod(key.c_str(), 0600));
    EXPECT_NO_THROW(quillmark::authority::loadAuthority(authority.directory));
}

TEST(SealDirectoryTest, WrittenSealIsTheOneTheLibraryReads)
{
    TemporaryDirectory home;
    const std::string directory = home.path() + "/nested/seal";
    const TestAuthority authority(home.path());
    const ktxeseal::Seal seal = makeSeal(kOrganisation, &authority.authority);
    writeSeal(seal, directory, kTestPin, false);

    struct stat status
    {};
    ASSERT_EQ(0, stat((directory + "/" + ktxeseal::kSealKeyFile).c_str(), &status));
    EXPECT_EQ(0600U, status.st_mode & 0777U);
    ASSERT_EQ(0, stat(directory.c_str(), &status));
    EXPECT_EQ(0700U, status.st_mode & 0777U);

    std::optional<ktxeseal::Seal> read = ktxeseal::loadSeal(directory);
    ASSERT_TRUE(read);
    EXPECT_FALSE(read->key) << "the key stays locked until its PIN opens it";
    ASSERT_TRUE(ktxeseal::unlockSeal(*read, kTestPin));
    EXPECT_EQ(seal.certificateDer, read->certificateDer);
    EXPECT_EQ(seal.sealDer, read->sealDer);
    EXPECT_EQ(seal.issued.name, read->issued.name);
    EXPECT_EQ(seal.issued.picture, read->issued.picture);
    EXPECT_EQ(1, EVP_PKEY_eq(seal.key.get(), read->key.get()));

    // An existing seal stays unless replacing it is asked for.
    const ktxeseal::Seal other = makeSeal(kOrganisation, &authority.authority);
    EXPECT_THROW(writeSeal(other, directory, kTestPin, false), std::runtime_error);
    EXPECT_EQ(seal.certificateDer, ktxeseal::loadSeal(directory)->certificateDer);
    writeSeal(other, directory, kTestPin, true);
    EXPECT_EQ(other.certificateDer, ktxeseal::loadSeal(directory)->certificateDer);
}
