// Seal signatures inside PDFs, without an office: the detached signatures of every key kind, and
// PDFs signed, changed and checked as a recipient checks them.

#include "ESealTestSupport.hxx"

#include <CmsSignature.hxx>
#include <KeyFiles.hxx>
#include <PdfSignatures.hxx>
#include <PdfVerification.hxx>
#include <RevocationList.hxx>
#include <SealMaking.hxx>
#include <Sm2.hxx>
#include <TrustAnchors.hxx>

#include <cairo.h>
#include <gtest/gtest.h>
#include <openssl/pkcs7.h>
#include <openssl/x509v3.h>
#include <podofo/podofo.h>

#include <filesystem>
#include <fstream>

namespace
{
using namespace quillmark::pdfseal;
using esealtest::ScopedVariable;
using esealtest::TemporaryDirectory;
using esealtest::TestAuthority;

constexpr char kOrganisation[] = u8"测试市某某局";

/// A PDF of `pages` A4 pages, each with a grey box, as PoDoFo writes one.
Bytes plainPdf(int pages)
{
    PoDoFo::PdfMemDocument document;
    for (int i = 0; i < pages; ++i)
    {
        PoDoFo::PdfPage* page
            = document.CreatePage(PoDoFo::PdfPage::CreateStandardPageSize(PoDoFo::ePdfPageSize_A4));
        PoDoFo::PdfPainter painter;
        painter.SetPage(page);
        painter.SetColor(0.5, 0.5, 0.5);
        painter.Rectangle(100, 600, 300, 40);
        painter.Fill();
        painter.FinishPage();
    }
    PoDoFo::PdfRefCountedBuffer buffer;
    PoDoFo::PdfOutputDevice device(&buffer);
    document.Write(&device);
    return Bytes(buffer.GetBuffer(), buffer.GetBuffer() + device.GetLength());
}

/// An incremental update of `pdf` made by `change`, as another program would append one.
template <typename Change>
Bytes updated(const Bytes& pdf, Change change)
{
    PoDoFo::PdfMemDocument document;
    document.LoadFromBuffer(reinterpret_cast<const char*>(pdf.data()),
                            static_cast<long>(pdf.size()), true);
    change(document);
    PoDoFo::PdfRefCountedBuffer buffer;
    PoDoFo::PdfOutputDevice device(&buffer);
    document.WriteUpdate(&device, true);
    return Bytes(buffer.GetBuffer(), buffer.GetBuffer() + device.GetLength());
}

/// A red disc on a transparent square, as a seal picture.
Picture sealPicture()
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 64, 64);
    cairo_t* cairo = cairo_create(surface);
    cairo_set_source_rgb(cairo, 0.9, 0, 0);
    cairo_arc(cairo, 32, 32, 28, 0, 6.2832);
    cairo_fill(cairo);
    cairo_destroy(cairo);
    Bytes png;
    cairo_surface_write_to_png_stream(
        surface,
        [](void* closure, const unsigned char* data, unsigned int length) {
            static_cast<Bytes*>(closure)->insert(static_cast<Bytes*>(closure)->end(), data,
                                                 data + length);
            return CAIRO_STATUS_SUCCESS;
        },
        &png);
    cairo_surface_destroy(surface);
    return decodePng(png);
}

OwnedPtr<X509> signedCertificate(EVP_PKEY* key, const std::string& name, EVP_PKEY* issuerKey,
                                 X509* issuer, bool authority)
{
    OwnedPtr<X509> certificate(X509_new());
    X509* raw = certificate.get();
    X509_set_version(raw, X509_VERSION_3);
    ASN1_INTEGER_set(X509_get_serialNumber(raw), authority ? 1 : 2);
    X509_gmtime_adj(X509_getm_notBefore(raw), -3600);
    X509_gmtime_adj(X509_getm_notAfter(raw), 86400);
    X509_NAME_add_entry_by_txt(X509_get_subject_name(raw), "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(name.c_str()), -1, -1, 0);
    X509_set_issuer_name(raw, X509_get_subject_name(issuer ? issuer : raw));
    X509_set_pubkey(raw, key);
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer ? issuer : raw, raw, nullptr, nullptr, 0);
    X509_EXTENSION* constraints = X509V3_EXT_conf_nid(nullptr, &context, NID_basic_constraints,
                                                      authority ? "critical,CA:TRUE" : "CA:FALSE");
    X509_add_ext(raw, constraints, -1);
    X509_EXTENSION_free(constraints);
    X509_sign(raw, issuerKey, EVP_sha256());
    return certificate;
}

OwnedPtr<EVP_PKEY> newKey(const std::string& kind)
{
    return OwnedPtr<EVP_PKEY>(kind == "RSA" ? EVP_RSA_gen(2048) : EVP_EC_gen("P-256"));
}

/// A key token's signer and the CA that certified it, with keys of one kind.
struct TokenSigner
{
    explicit TokenSigner(const std::string& kind)
        : caKey(newKey(kind))
        , key(newKey(kind))
        , ca(signedCertificate(caKey.get(), "Test CA", caKey.get(), nullptr, true))
        , certificate(signedCertificate(key.get(), u8"测试单位公章", caKey.get(), ca.get(), false))
    {
    }
    OwnedPtr<EVP_PKEY> caKey;
    OwnedPtr<EVP_PKEY> key;
    OwnedPtr<X509> ca;
    OwnedPtr<X509> certificate;
};

Bytes sha256Signature(EVP_PKEY* key, ByteRange message)
{
    OwnedPtr<EVP_MD_CTX> context(EVP_MD_CTX_new());
    size_t length = 0;
    EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key);
    EVP_DigestSign(context.get(), nullptr, &length, message.data, message.size);
    Bytes signature(length);
    EVP_DigestSign(context.get(), signature.data(), &length, message.data, message.size);
    signature.resize(length);
    return signature;
}

Bytes contentDigest(SignatureAlgorithm algorithm, const std::string& content)
{
    ContentDigest digest(algorithm);
    digest.add(ByteRange(reinterpret_cast<const unsigned char*>(content.data()), content.size()));
    return digest.finish();
}

class PdfSealTest : public ::testing::Test
{
protected:
    PdfSealTest()
        : authority(folder.path())
        , trust(ktxeseal::kTrustDirectoryVariable, authority.trustDirectory)
        , seal(quillmark::sealmaker::makeSeal(kOrganisation, &authority.authority, {}))
        , picture(sealPicture())
    {
    }

    Bytes signWithSeal(const Bytes& pdf, const std::string& name, double left = 72)
    {
        return addSignature(pdf, field(name, left), SignatureAlgorithm::Sm2WithSm3,
                            [&](const Bytes& digest) {
                                SignatureRequest request;
                                request.signer = seal.certificate.get();
                                request.chain = { authority.authority.certificate.get() };
                                request.contentDigest = digest;
                                request.signingTime = std::time(nullptr);
                                request.sign = [&](ByteRange attributes) {
                                    return *ktxeseal::sm2Sign(seal.key.get(), attributes);
                                };
                                return makeDetachedSignature(request);
                            });
    }

    SignatureField field(const std::string& name, double left) const
    {
        SignatureField wanted;
        wanted.name = name;
        wanted.signerName = kOrganisation;
        wanted.signingTime = std::time(nullptr);
        wanted.left = left;
        wanted.top = 72;
        wanted.width = 90;
        wanted.height = 90;
        wanted.picture = picture;
        return wanted;
    }

    std::vector<PdfSealVerdict> verdicts(const Bytes& pdf) const
    {
        return verifyPdfSignatures(pdf, std::time(nullptr));
    }

    TemporaryDirectory folder;
    TestAuthority authority;
    ScopedVariable trust;
    ktxeseal::Seal seal;
    Picture picture;
};
}

TEST(CmsSignature, EveryKeyKindSignsAndItsSignatureOpens)
{
    const quillmark::authority::Authority authority
        = quillmark::authority::makeAuthority("Authority");
    const ktxeseal::Seal seal = quillmark::sealmaker::makeSeal(kOrganisation, &authority, {});
    const TokenSigner rsa("RSA");
    const TokenSigner ec("EC");
    struct Case
    {
        X509* signer;
        EVP_PKEY* key;
        X509* chain;
        SignatureAlgorithm algorithm;
    };
    for (const Case& kind : { Case{ seal.certificate.get(), seal.key.get(),
                                    authority.certificate.get(), SignatureAlgorithm::Sm2WithSm3 },
                              Case{ rsa.certificate.get(), rsa.key.get(), rsa.ca.get(),
                                    SignatureAlgorithm::RsaWithSha256 },
                              Case{ ec.certificate.get(), ec.key.get(), ec.ca.get(),
                                    SignatureAlgorithm::EcdsaWithSha256 } })
    {
        SCOPED_TRACE(static_cast<int>(kind.algorithm));
        ASSERT_EQ(kind.algorithm, algorithmOf(kind.signer));
        SignatureRequest request;
        request.signer = kind.signer;
        request.chain = { kind.chain };
        request.contentDigest = contentDigest(kind.algorithm, "the signed bytes");
        request.signingTime = 1800000000;
        request.sign = [&](ByteRange attributes) {
            return kind.algorithm == SignatureAlgorithm::Sm2WithSm3
                       ? *ktxeseal::sm2Sign(kind.key, attributes)
                       : sha256Signature(kind.key, attributes);
        };
        Bytes der = makeDetachedSignature(request);
        // A PDF keeps the signature in a room filled up with zeros.
        der.resize(der.size() + 100, 0);
        const std::optional<OpenedSignature> opened = openDetachedSignature(der);
        ASSERT_TRUE(opened);
        EXPECT_EQ(kind.algorithm, opened->algorithm);
        EXPECT_TRUE(opened->signatureValid);
        EXPECT_EQ(request.contentDigest, opened->messageDigest);
        EXPECT_EQ(std::optional<time_t>(1800000000), opened->signingTime);
        EXPECT_EQ(ktxeseal::certificateDer(kind.signer), opened->signerCertificate);
        EXPECT_EQ(2u, opened->certificates.size());

        // The same structure over other attributes than the signer signed.
        request.sign = [&](ByteRange attributes) {
            Bytes other(attributes.data, attributes.data + attributes.size);
            other.back() ^= 1;
            return kind.algorithm == SignatureAlgorithm::Sm2WithSm3
                       ? *ktxeseal::sm2Sign(kind.key, other)
                       : sha256Signature(kind.key, other);
        };
        const std::optional<OpenedSignature> forged
            = openDetachedSignature(makeDetachedSignature(request));
        ASSERT_TRUE(forged);
        EXPECT_FALSE(forged->signatureValid);
    }
}

TEST(CmsSignature, AnSm2SignatureNamesTheAlgorithmsAsGmt0010Does)
{
    const quillmark::authority::Authority authority
        = quillmark::authority::makeAuthority("Authority");
    const ktxeseal::Seal seal = quillmark::sealmaker::makeSeal(kOrganisation, &authority, {});
    SignatureRequest request;
    request.signer = seal.certificate.get();
    request.contentDigest = contentDigest(SignatureAlgorithm::Sm2WithSm3, "x");
    request.signingTime = std::time(nullptr);
    request.sign
        = [&](ByteRange attributes) { return *ktxeseal::sm2Sign(seal.key.get(), attributes); };
    const Bytes der = makeDetachedSignature(request);
    const unsigned char* next = der.data();
    std::unique_ptr<PKCS7, decltype(&PKCS7_free)> p7(
        d2i_PKCS7(nullptr, &next, static_cast<long>(der.size())), PKCS7_free);
    ASSERT_TRUE(p7);
    EXPECT_EQ(NID_pkcs7_signed, OBJ_obj2nid(p7->type));
    PKCS7_SIGNER_INFO* signer = sk_PKCS7_SIGNER_INFO_value(PKCS7_get_signer_info(p7.get()), 0);
    char oid[64] = {};
    OBJ_obj2txt(oid, sizeof oid, signer->digest_alg->algorithm, 1);
    EXPECT_STREQ(kSm3Oid, oid);
    OBJ_obj2txt(oid, sizeof oid, signer->digest_enc_alg->algorithm, 1);
    EXPECT_STREQ(kSm2SignatureOid, oid);
}

TEST(CmsSignature, WhatIsNoDetachedSignatureDoesNotOpen)
{
    const TokenSigner ec("EC");
    SignatureRequest request;
    request.signer = ec.certificate.get();
    request.contentDigest = contentDigest(SignatureAlgorithm::EcdsaWithSha256, "x");
    request.signingTime = std::time(nullptr);
    request.sign = [&](ByteRange attributes) { return sha256Signature(ec.key.get(), attributes); };
    const Bytes der = makeDetachedSignature(request);
    Bytes trailing = der;
    trailing.push_back(1);
    const Bytes cut(der.begin(), der.end() - 10);
    const Bytes garbage(200, 0x30);
    for (const Bytes& bytes : { trailing, cut, garbage, Bytes() })
        EXPECT_FALSE(openDetachedSignature(bytes));
}

TEST_F(PdfSealTest, EverySignatureOfAnHonestPdfIsValid)
{
    const Bytes once = signWithSeal(plainPdf(2), u8"文档印章");
    const Bytes twice = signWithSeal(once, u8"文档印章2", 300);
    const std::vector<StoredSignature> stored = storedSignatures(twice);
    ASSERT_EQ(2u, stored.size());
    EXPECT_EQ(once.size(), stored[0].end);
    EXPECT_EQ(twice.size(), stored[1].end);
    EXPECT_TRUE(stored[0].rangeWellFormed && stored[1].rangeWellFormed);

    const std::vector<PdfSealVerdict> found = verdicts(twice);
    ASSERT_EQ(2u, found.size());
    for (const PdfSealVerdict& verdict : found)
    {
        EXPECT_TRUE(verdict.valid) << verdict.reason;
        EXPECT_EQ(PdfSealVerdict::Kind::Document, verdict.kind);
        EXPECT_EQ(kOrganisation, verdict.organisation);
    }
    EXPECT_EQ(u8"文档印章2", found[1].fieldName);
    EXPECT_EQ(2u, pageBoxes(twice).size());
}

TEST_F(PdfSealTest, WhatChangesAfterSigningIsNamed)
{
    const Bytes once = signWithSeal(plainPdf(1), "first");
    const size_t signedStart = storedSignatures(once)[0].signatureStart;
    struct Case
    {
        const char* what;
        Bytes pdf;
        std::vector<std::string> reasons;
    };
    Bytes flipped = signWithSeal(once, "second", 300);
    flipped[signedStart / 2] ^= 0x01;
    Bytes appended = signWithSeal(once, "second", 300);
    const std::string comment = "% a line added\n";
    appended.insert(appended.end(), comment.begin(), comment.end());
    const Bytes drawnOver = signWithSeal(updated(once,
                                                 [](PoDoFo::PdfMemDocument& document) {
                                                     PoDoFo::PdfPainter painter;
                                                     painter.SetPage(document.GetPage(0));
                                                     painter.Rectangle(100, 100, 50, 50);
                                                     painter.Fill();
                                                     painter.FinishPage();
                                                 }),
                                         "second", 300);
    const Bytes noted = updated(once, [](PoDoFo::PdfMemDocument& document) {
        document.GetPage(0)->CreateAnnotation(PoDoFo::ePdfAnnotation_Text,
                                              PoDoFo::PdfRect(100, 100, 20, 20));
    });
    const std::string valid = u8"文档未被修改，印章有效！";
    const std::string changed = u8"文档已被修改，印章无效！";
    const std::string after = u8"签章后文档被修改";
    for (const Case& test : { Case{ "a byte inside both ranges", flipped, { changed, changed } },
                              Case{ "bytes after the last signature", appended, { after, after } },
                              Case{ "a page drawn over, then signed", drawnOver, { after, valid } },
                              Case{ "a note added", noted, { after } } })
    {
        SCOPED_TRACE(test.what);
        const std::vector<PdfSealVerdict> found = verdicts(test.pdf);
        ASSERT_EQ(test.reasons.size(), found.size());
        for (size_t i = 0; i < found.size(); ++i)
        {
            EXPECT_EQ(test.reasons[i], found[i].reason) << i;
            EXPECT_EQ(test.reasons[i] == valid, found[i].valid) << i;
        }
    }
}

TEST_F(PdfSealTest, ASignatureCopiedIntoAnotherPdfDoesNotVerify)
{
    const Bytes original = signWithSeal(plainPdf(1), "seal");
    Bytes other = signWithSeal(plainPdf(2), "seal");
    const StoredSignature from = storedSignatures(original)[0];
    const StoredSignature into = storedSignatures(other)[0];
    ASSERT_EQ(from.signatureEnd - from.signatureStart, into.signatureEnd - into.signatureStart);
    std::copy(original.begin() + static_cast<std::ptrdiff_t>(from.signatureStart),
              original.begin() + static_cast<std::ptrdiff_t>(from.signatureEnd),
              other.begin() + static_cast<std::ptrdiff_t>(into.signatureStart));
    const std::vector<PdfSealVerdict> found = verdicts(other);
    ASSERT_EQ(1u, found.size());
    EXPECT_FALSE(found[0].valid);
    EXPECT_EQ(u8"文档已被修改，印章无效！", found[0].reason);
}

TEST_F(PdfSealTest, TheSealsAuthorityAndItsRevocationDecide)
{
    const Bytes pdf = signWithSeal(plainPdf(1), "seal");
    {
        TestAuthority other(folder.path() + "/other");
        ScopedVariable elsewhere(ktxeseal::kTrustDirectoryVariable, other.trustDirectory);
        EXPECT_EQ(u8"印章无效：印章不是由受信任的制章机构颁发", verdicts(pdf)[0].reason);
    }
    const std::string sealFolder = folder.path() + "/seal";
    quillmark::sealmaker::writeSeal(seal, sealFolder, esealtest::kTestPin, false);
    quillmark::authority::revokeSeal(authority.directory, sealFolder,
                                     ktxeseal::RevocationReason::KeyCompromise,
                                     std::time(nullptr) - 60, 30);
    std::filesystem::copy_file(authority.directory + "/authority.crl",
                               authority.trustDirectory + "/authority.crl");
    const PdfSealVerdict revoked = verdicts(pdf)[0];
    EXPECT_FALSE(revoked.valid);
    EXPECT_EQ(0u, revoked.reason.find(u8"印章无效：印章已被撤销")) << revoked.reason;
}

TEST_F(PdfSealTest, AKeyTokensSignatureChainsToTheTrustStore)
{
    const TokenSigner token("EC");
    const Bytes pdf = addSignature(plainPdf(1), field(u8"合同专用章", 72),
                                   SignatureAlgorithm::EcdsaWithSha256, [&](const Bytes& digest) {
                                       SignatureRequest request;
                                       request.signer = token.certificate.get();
                                       request.contentDigest = digest;
                                       request.signingTime = std::time(nullptr);
                                       request.sign = [&](ByteRange attributes) {
                                           return sha256Signature(token.key.get(), attributes);
                                       };
                                       return makeDetachedSignature(request);
                                   });
    const std::string trusted = folder.path() + "/trusted-ca.pem";
    std::ofstream(trusted) << quillmark::authority::pemOf(token.ca.get());
    const TokenSigner stranger("EC");
    const std::string untrusted = folder.path() + "/other-ca.pem";
    std::ofstream(untrusted) << quillmark::authority::pemOf(stranger.ca.get());
    struct Case
    {
        std::string store;
        bool valid;
        std::string reason;
    };
    for (const Case& test : { Case{ trusted, true, u8"文档未被修改，印章有效！" },
                              Case{ untrusted, false, u8"签章证书不受信任，印章无效！" } })
    {
        ScopedVariable store("QORV_TRUST_STORE", test.store);
        const std::vector<PdfSealVerdict> found = verdicts(pdf);
        ASSERT_EQ(1u, found.size());
        EXPECT_EQ(PdfSealVerdict::Kind::Certificate, found[0].kind);
        EXPECT_EQ(u8"合同专用章", found[0].fieldName);
        EXPECT_EQ(test.valid, found[0].valid);
        EXPECT_EQ(test.reason, found[0].reason);
    }
}

TEST(PdfSignatures, APdfThatIsNoneIsAPdfError)
{
    const std::string text = "%PDF-1.4\nnot really\n";
    EXPECT_TRUE(looksLikePdf(Bytes(text.begin(), text.end())));
    EXPECT_THROW(storedSignatures(Bytes(text.begin(), text.end())), PdfError);
    const std::string zip = "PK\x03\x04 something else";
    EXPECT_FALSE(looksLikePdf(Bytes(zip.begin(), zip.end())));
}
