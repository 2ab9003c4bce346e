// Certificate seals on real documents: the body text signed as PKCS#7 by a SoftHSM2 token of the
// binary's own, verified by the component through the certificate library, shown in the
// certificate box, and guarded by the token's PIN when the seal is removed.

#include "CertificateLibraryProbe.hxx"

#include <OfficeFixture.hxx>
#include <common/PicturePaths.hxx>
#include <QorvApi.h>
#include <QorvStatus.hxx>
#include <format/ShapeAttributes.hxx>
#include <TestToken.hxx>
#include <DocumentSeal.hxx>
#include <SealRecord.hxx>
#include <TokenSigner.hxx>

#include <Base64.hxx>
#include <Sm2.hxx>
#include <StampRegister.hxx>
#include <nlohmann/json.hpp>

#include <com/sun/star/drawing/ColorMode.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/URLTransformer.hpp>
#include <openssl/bn.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <functional>
#include <p11-kit/pkcs11.h>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;
using qorvtest::Bytes;

namespace
{
const OUString kBody
    = OUString::fromUtf8(u8"电子印章使用协议\n甲乙双方就电子印章的使用达成如下协议。");
const OUString kSealName = OUString::fromUtf8(u8"合同专用章");

OUString ou(const char* text) { return OUString::fromUtf8(text); }

const OUString kUnchanged = ou(u8"文档未被修改，印章有效！");
// Seals written here as a peer writes them carry no coverage: their verdict speaks of the text.
const OUString kTextOnly = ou(u8"印章有效（仅保护正文）");
const OUString kTextChanged = ou(u8"文档已被修改，印章无效！（已修改：正文）");
const OUString kNotTheSigner = ou(u8"文档已被修改，印章无效！（印章所示证书不是签名者的证书）");

/// What a certificate seal stores: the signer's certificate and the signed data, both DER.
struct CertificateSignature
{
    Bytes certificate;
    Bytes signedData;
};

OUString ascii(const std::string& text) { return OUString::createFromAscii(text.c_str()); }

OUString base64Text(const Bytes& bytes) { return ascii(qorvtest::base64(bytes)); }

Bytes gbkBytes(const OUString& text)
{
    const rtl::OString bytes = quillmark::toGbk(text);
    return Bytes(bytes.getStr(), bytes.getStr() + bytes.getLength());
}

/// Signed on the token itself: the key never leaves it.
CertificateSignature signOnToken(const Bytes& content)
{
    const auto signature = quillmark::certseal::signWithToken(qorvtest::kPinUtf8, content);
    return { signature.certificate, signature.signedData };
}

/// Signed with the copy of the token's key kept beside it, for contents the tests shape freely.
CertificateSignature signWithKeyFile(const Bytes& content)
{
    const auto& token = qorvtest::testToken();
    const qorvtest::X509Ptr certificate = qorvtest::readCertificate(token.signerCertificatePath);
    const qorvtest::KeyPtr key = qorvtest::readKey(token.signerKeyPath);
    if (!certificate || !key)
        throw std::runtime_error("the test token's certificate or key cannot be read");
    return { qorvtest::derOf(certificate.get()),
             qorvtest::signedData(qorvtest::dataEncoding(content), certificate.get(), key.get()) };
}

/// The certificate items as the library words them, read from the token's certificate file.
struct CertificateItems
{
    OUString serialNumber;
    OUString validFrom;
    OUString validUntil;
};

OUString dateText(const ASN1_TIME* time)
{
    struct tm fields = {};
    char text[32] = {};
    ASN1_TIME_to_tm(time, &fields);
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &fields);
    return ascii(text);
}

CertificateItems tokenCertificateItems()
{
    const qorvtest::X509Ptr certificate
        = qorvtest::readCertificate(qorvtest::testToken().signerCertificatePath);
    BIGNUM* serial = ASN1_INTEGER_to_BN(X509_get0_serialNumber(certificate.get()), nullptr);
    char* hex = BN_bn2hex(serial);
    CertificateItems items{ ascii(hex), dateText(X509_get0_notBefore(certificate.get())),
                            dateText(X509_get0_notAfter(certificate.get())) };
    OPENSSL_free(hex);
    BN_free(serial);
    return items;
}

class CertificateSealTest : public OfficeTest
{
protected:
    void SetUp() override
    {
        // The library reads SOFTHSM2_CONF when it first opens the token.
        qorvtest::testToken();
        probe::reset();
        OfficeTest::SetUp();
        document.insertText(0, kBody);
    }

    CertInfoBoxScript& box() { return *testContext->certInfoBox; }

    /// One item the box was given, or a marker that fails the comparison when it was not given.
    OUString certItem(sal_Int32 index)
    {
        const auto& items = box().certInfo;
        return index < items.getLength() ? items[index] : OUString("(not given)");
    }

    /// A seal picture on the page, marked as the document seal `name`.
    Reference<drawing::XShape> addSealShape(const OUString& name = kSealName)
    {
        Reference<drawing::XShape> shape
            = document.addGraphicShape(pictureFile("cert-seal.gif"), "Stamper");
        setUserAttribute(shape, "ShapeType", "Stamper");
        setUserAttribute(shape, "StamperName", name);
        return shape;
    }

    /// The seal's two fields, as a document sealed elsewhere carries them.
    void storeSignature(const CertificateSignature& signature, const OUString& name = kSealName)
    {
        document.writeMaster(name + "Cert", base64Text(signature.certificate));
        document.writeMaster(name + "Sign", base64Text(signature.signedData));
    }

    /// Stores a certificate seal as a document sealed elsewhere carries it.
    Reference<drawing::XShape> placeSeal(const CertificateSignature& signature,
                                         const OUString& name = kSealName)
    {
        storeSignature(signature, name);
        return addSealShape(name);
    }

    /// Seals the document's current text with the key file.
    Reference<drawing::XShape> sealCurrentText()
    {
        return placeSeal(signWithKeyFile(gbkBytes(document.text())));
    }

    /// The certificate seals on the page, in page order.
    std::vector<Reference<drawing::XShape>> seals()
    {
        std::vector<Reference<drawing::XShape>> found;
        for (const auto& shape : document.drawShapes())
            if (quillmark::getShapeType(Reference<beans::XPropertySet>(shape, UNO_QUERY_THROW))
                == "Stamper")
                found.push_back(shape);
        return found;
    }

    /// Edits the text with the seals unselected, then selects them again as a verifier does.
    void editText(const std::function<void()>& edit)
    {
        document.escape();
        edit();
        document.selectShapes(seals());
    }

    static drawing::ColorMode colorMode(const Reference<drawing::XShape>& seal)
    {
        drawing::ColorMode mode = drawing::ColorMode_STANDARD;
        Reference<beans::XPropertySet>(seal, UNO_QUERY_THROW)->getPropertyValue("GraphicColorMode")
            >>= mode;
        return mode;
    }

    static OUString caption(const Reference<drawing::XShape>& seal)
    {
        return Reference<text::XText>(seal, UNO_QUERY_THROW)->getString();
    }

    /// A URL as the office's URL parser spells it out.
    OUString parsedUrl(const OUString& text)
    {
        util::URL url;
        url.Complete = text;
        util::URLTransformer::create(office().context())->parseStrict(url);
        return url.Complete;
    }

    /// One notice box titled "提示" with `text`, and nothing else, since the last look.
    void expectOneNotice(const OUString& text)
    {
        const auto shown = messages();
        ASSERT_EQ(1u, shown.size());
        EXPECT_EQ(ou(u8"提示"), shown[0].title);
        EXPECT_EQ(utf8(text), utf8(shown[0].text));
    }
};
}

TEST_F(CertificateSealTest, TokenSealVerifiesUntilOneCharacterOrATrailingBlankChangesTheText)
{
    placeSeal(signOnToken(gbkBytes(document.text())));
    document.selectShapes(seals());

    EXPECT_FALSE(helper->verifyDocument());
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(utf8(kTextOnly), utf8(box().message));
    EXPECT_FALSE(box().modified);
    EXPECT_EQ(drawing::ColorMode_STANDARD, colorMode(seals()[0]));
    EXPECT_TRUE(caption(seals()[0]).isEmpty());

    editText([&] { document.insertText(3, "x"); });
    EXPECT_TRUE(helper->verifyDocument());
    EXPECT_EQ(utf8(kTextChanged), utf8(box().message));
    EXPECT_TRUE(box().modified);
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode(seals()[0]));
    EXPECT_EQ(ou(u8"无效印章"), caption(seals()[0]));

    editText([&] { document.removeText(3, 1); });
    EXPECT_FALSE(helper->verifyDocument()) << "the original text is valid again";
    EXPECT_EQ(utf8(kTextOnly), utf8(box().message));
    EXPECT_EQ(drawing::ColorMode_STANDARD, colorMode(seals()[0]));
    EXPECT_TRUE(caption(seals()[0]).isEmpty());

    editText([&] { document.insertText(document.text().getLength(), " "); });
    EXPECT_TRUE(helper->verifyDocument()) << "a trailing blank is a change";
    EXPECT_EQ(utf8(kTextChanged), utf8(box().message));
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode(seals()[0]));
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(4, box().created) << "each verdict goes through the certificate box";
}

TEST_F(CertificateSealTest, SignedContentIsComparedOnlyUpToItsFirstNulByte)
{
    Bytes content = gbkBytes(document.text());
    content.push_back(0);
    const Bytes tail = gbkBytes(ou(u8"签名后附加的内容"));
    content.insert(content.end(), tail.begin(), tail.end());
    placeSeal(signWithKeyFile(content));
    document.selectShapes(seals());

    EXPECT_FALSE(helper->verifyDocument());
    EXPECT_EQ(utf8(kTextOnly), utf8(box().message));
}

TEST_F(CertificateSealTest, CharacterWithoutGbkFormAlwaysReadsAsChanged)
{
    // Thai has no GBK form: the signed bytes hold a replacement where the document has the letter.
    document.insertText(0, ou(u8"ก"));
    sealCurrentText();
    document.selectShapes(seals());

    EXPECT_TRUE(helper->verifyDocument());
    EXPECT_EQ(utf8(kTextChanged), utf8(box().message));
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode(seals()[0]));
}

TEST_F(CertificateSealTest, DocumentWithoutSignatureFieldIsNotSignedAndReadsInvalid)
{
    document.selectShapes({ addSealShape() });

    EXPECT_TRUE(helper->verifyDocument()) << "no signature vouches for nothing";
    expectOneNotice(ou(u8"文档尚未签名！"));
    EXPECT_EQ(1, probe::calls().initialize);
    EXPECT_EQ(0, box().created) << "no verdict without a signature";
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode(seals()[0]));

    // Plain text selected: no seal to read the signature of, even in a sealed document.
    sealCurrentText();
    document.escape();
    document.selectText(0, 4);
    EXPECT_TRUE(helper->verifyDocument());
    expectOneNotice(ou(u8"文档尚未签名！"));
    EXPECT_EQ(2, probe::calls().initialize) << "every verification initialises afresh";
}

TEST_F(CertificateSealTest, CorruptedTruncatedOrGarbageSignatureNeverReadsValid)
{
    CertificateSignature signature = signWithKeyFile(gbkBytes(document.text()));
    placeSeal(signature);
    document.selectShapes(seals());
    ASSERT_FALSE(helper->verifyDocument()) << "the genuine seal is valid first";
    ASSERT_EQ(drawing::ColorMode_STANDARD, colorMode(seals()[0]));

    // The text stays as signed throughout: only the signature is spoilt, so an earlier "valid"
    // must not carry over.
    const auto expectInvalidWith = [&](const OUString& stored, int status) {
        document.writeMaster(kSealName + "Sign", stored);
        helper->setDocumentModified(false);
        EXPECT_TRUE(helper->verifyDocument());
        expectOneNotice(ou(u8"验证签名错误！") + OUString::number(status));
        EXPECT_EQ(drawing::ColorMode_MONO, colorMode(seals()[0]));
        EXPECT_EQ(ou(u8"无效印章"), caption(seals()[0]));
    };

    // The signature value closes the structure: with its last byte changed the signed digest no
    // longer matches.
    Bytes flipped = signature.signedData;
    flipped.back() ^= 0x01;
    expectInvalidWith(base64Text(flipped), qorv::status::kSignatureInvalid);

    const Bytes truncated(signature.signedData.begin(), signature.signedData.end() - 40);
    expectInvalidWith(base64Text(truncated), qorv::status::kMalformedPkcs7);

    const Bytes garbage(600, 0x5A);
    expectInvalidWith(base64Text(garbage), qorv::status::kMalformedPkcs7);

    // Text that is no Base64 at all decodes to nothing, which the library refuses as an argument.
    expectInvalidWith("%%%%", qorv::status::kBadArgument);
    EXPECT_EQ(1, box().created) << "no verdict is shown for a check that could not complete";
}

TEST_F(CertificateSealTest, SwappedCertificateFieldReadsInvalidAndTheBoxShowsTheRealSigner)
{
    // Another holder's certificate from the same, trusted CA.
    const auto& token = qorvtest::testToken();
    const qorvtest::X509Ptr ca = qorvtest::readCertificate(token.caCertificatePath);
    const qorvtest::KeyPtr caKey = qorvtest::readKey(token.caKeyPath);
    const qorvtest::KeyPtr otherKey = qorvtest::newEcKey();
    const qorvtest::X509Ptr other = qorvtest::makeCertificate(
        otherKey.get(), u8"/C=CN/O=QORV Test/CN=另一单位公章", "/C=CN/O=QORV Test/CN=QORV Test CA",
        caKey.get(), "7A7A", "20260101000000Z", "20360101000000Z");
    const CertificateItems tokenItems = tokenCertificateItems();

    // Signed on the token, beside the other holder's certificate.
    CertificateSignature signature = signOnToken(gbkBytes(document.text()));
    signature.certificate = qorvtest::derOf(other.get());
    placeSeal(signature);
    document.selectShapes(seals());

    EXPECT_TRUE(helper->verifyDocument());
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(utf8(kNotTheSigner), utf8(box().message));
    EXPECT_TRUE(box().modified);
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode(seals()[0]));
    EXPECT_EQ(utf8(tokenItems.serialNumber), utf8(certItem(1)))
        << "the box shows the certificate that signed, not the one the field names";

    // The other way round: the other holder signs and the seal names the token's certificate.
    CertificateSignature forged
        = { qorvtest::derOf(qorvtest::readCertificate(token.signerCertificatePath).get()),
            qorvtest::signedData(qorvtest::dataEncoding(gbkBytes(document.text())), other.get(),
                                 otherKey.get()) };
    storeSignature(forged);
    EXPECT_TRUE(helper->verifyDocument());
    EXPECT_EQ(utf8(kNotTheSigner), utf8(box().message));
    EXPECT_EQ(ou("7A7A"), certItem(1));

    // A seal whose "Cert" field names its signer is valid again.
    storeSignature(signOnToken(gbkBytes(document.text())));
    EXPECT_FALSE(helper->verifyDocument());
    EXPECT_EQ(utf8(kTextOnly), utf8(box().message));
}

TEST_F(CertificateSealTest,
       ALibraryThatDoesNotNameTheSignerLeavesTheCertFieldUncheckedAsItsContractSays)
{
    const auto& token = qorvtest::testToken();
    const qorvtest::KeyPtr caKey = qorvtest::readKey(token.caKeyPath);
    const qorvtest::KeyPtr otherKey = qorvtest::newEcKey();
    const qorvtest::X509Ptr other = qorvtest::makeCertificate(
        otherKey.get(), u8"/C=CN/O=QORV Test/CN=另一单位公章", "/C=CN/O=QORV Test/CN=QORV Test CA",
        caKey.get(), "7B7B", "20260101000000Z", "20360101000000Z");
    const OUString tokenSerial = tokenCertificateItems().serialNumber;
    struct Case
    {
        const char* seal;
        bool namesAnotherHolder;
        bool textChanged;
        OUString verdict;
        OUString serialShown;
    };
    const Case cases[] = {
        { "genuine", false, false, kTextOnly, tokenSerial },
        { "text changed", false, true, kTextChanged, tokenSerial },
        // Nothing tells the field from the signer: the box shows the field's certificate.
        { "names another holder", true, false, kTextOnly, ou("7B7B") },
    };
    probe::leaveSignerAreaEmpty();
    const OUString signedText = document.text();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.seal);
        useDocument(kBody);
        CertificateSignature signature = signOnToken(gbkBytes(signedText));
        if (c.namesAnotherHolder)
            signature.certificate = qorvtest::derOf(other.get());
        placeSeal(signature);
        if (c.textChanged)
            document.insertText(0, ou(u8"改"));
        document.selectShapes(seals());

        EXPECT_EQ(c.textChanged, helper->verifyDocument()) << "the document reads modified";
        EXPECT_TRUE(messages().empty());
        EXPECT_EQ(utf8(c.verdict), utf8(box().message));
        EXPECT_EQ(utf8(c.serialShown), utf8(certItem(1)));
    }
}

TEST_F(CertificateSealTest, SignerOutsideTheTrustStoreReadsInvalid)
{
    // A CA of the same name that nobody trusts issues the signer a certificate of the same name.
    const qorvtest::KeyPtr rogueCaKey = qorvtest::newEcKey();
    const qorvtest::KeyPtr signerKey = qorvtest::newEcKey();
    const qorvtest::X509Ptr signer = qorvtest::makeCertificate(
        signerKey.get(), std::string("/C=CN/O=QORV Test/CN=") + qorvtest::kLabelUtf8,
        "/C=CN/O=QORV Test/CN=QORV Test CA", rogueCaKey.get(), "5151", "20260101000000Z",
        "20360101000000Z");
    placeSeal({ qorvtest::derOf(signer.get()),
                qorvtest::signedData(qorvtest::dataEncoding(gbkBytes(document.text())),
                                     signer.get(), signerKey.get()) });
    document.selectShapes(seals());

    EXPECT_TRUE(helper->verifyDocument());
    expectOneNotice(ou(u8"验证签名错误！") + OUString::number(qorv::status::kChainRefused));
    EXPECT_EQ(0, box().created);
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode(seals()[0]));

    // Asked directly, the box has no signer to show and does not call the seal valid.
    helper->setDocumentModified(false);
    helper->showCertificateInfo(kUnchanged);
    expectOneNotice(ou(u8"取信息错误！"));
    EXPECT_TRUE(box().modified);
    EXPECT_EQ(std::vector<std::string>({ "initialize", "setPictureURL", "setMessage", "setModified",
                                         "setPostil", "execute", "getPostil", "getResult" }),
              box().calls);
}

TEST_F(CertificateSealTest, SealVerifiesOnAMachineWithoutAKeyTokenAndTheTokenIsOnlyForLogin)
{
    placeSeal(signOnToken(gbkBytes(document.text())));
    document.selectShapes(seals());

    // A recipient's machine: no PKCS#11 module where the library looks, and no token in
    // SoftHSM2's folder either.
    const std::string emptyTokens = qorvtest::testToken().directory + "/recipient";
    ASSERT_EQ(0, qorvtest::run("mkdir -p '" + emptyTokens
                               + "/tokens' && echo "
                                 "'directories.tokendir = "
                               + emptyTokens + "/tokens' > '" + emptyTokens + "/softhsm2.conf'"));
    const std::string conf = qorvtest::testToken().conf;
    setenv("QORV_PKCS11_MODULE", (emptyTokens + "/no-such-module.so").c_str(), 1);
    setenv("SOFTHSM2_CONF", (emptyTokens + "/softhsm2.conf").c_str(), 1);
    struct RestoreToken
    {
        std::string conf;
        ~RestoreToken()
        {
            unsetenv("QORV_PKCS11_MODULE");
            setenv("SOFTHSM2_CONF", conf.c_str(), 1);
        }
    } restore{ conf };

    EXPECT_FALSE(helper->verifyDocument());
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(utf8(kTextOnly), utf8(box().message));
    EXPECT_EQ(ou("QORV Test CA"), certItem(8));
    EXPECT_EQ(drawing::ColorMode_STANDARD, colorMode(seals()[0]));

    editText([&] { document.insertText(3, ou(u8"不")); });
    EXPECT_TRUE(helper->verifyDocument());
    EXPECT_EQ(utf8(kTextChanged), utf8(box().message));
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode(seals()[0]));

    // Removing the seal needs the token, and says so.
    box().pin = ou(qorvtest::kPinUtf8);
    EXPECT_FALSE(helper->removeDocumentStamp());
    expectOneNotice(ou(u8"登录失败！") + OUString::number(qorv::status::kModuleNotLoaded));
    EXPECT_EQ(1u, seals().size());
}

TEST_F(CertificateSealTest, CertificateBoxIsFilledInOrderAndTakesTheCommentBack)
{
    sealCurrentText();
    document.writeMaster(kSealName + "Postil", ou(u8"请核对附件"));
    document.selectShapes(seals());
    box().postilTyped = ou(u8"已核对");
    box().result = false;

    EXPECT_FALSE(helper->verifyDocument());
    const std::vector<std::string> order{ "initialize",  "setPictureURL", "setMessage",
                                          "setCertInfo", "setModified",   "setPostil",
                                          "execute",     "getPostil",     "getResult" };
    EXPECT_EQ(order, box().calls);
    EXPECT_EQ(document.frame, box().initializedFrame);
    EXPECT_EQ(utf8(kSealName), utf8(helper->getContainerName()))
        << "adopted from the selected seal";
    EXPECT_EQ(
        utf8(parsedUrl(quillmark::sealPictureURL(helper->getFilterDirectoryURL(), kSealName))),
        utf8(box().pictureURL.Complete));
    EXPECT_EQ(utf8(ou(u8"请核对附件")), utf8(box().postilShown));
    EXPECT_EQ(utf8(ou(u8"已核对")), utf8(document.masterContent(kSealName + "Postil")));

    // Asked directly, the box's own result comes back, and the comment is stored either way.
    box().calls.clear();
    box().postilTyped = ou(u8"第二次批注");
    EXPECT_FALSE(helper->showCertificateInfo("message"));
    EXPECT_EQ(utf8(ou(u8"第二次批注")), utf8(document.masterContent(kSealName + "Postil")));
    box().result = true;
    box().postilTyped = ou(u8"第三次批注");
    EXPECT_TRUE(helper->showCertificateInfo("message"));
    EXPECT_EQ(utf8(ou(u8"第三次批注")), utf8(document.masterContent(kSealName + "Postil")));
    EXPECT_EQ(ou("message"), box().message);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(1, probe::calls().initialize) << "a ready library is not initialised by the box";
}

TEST_F(CertificateSealTest, SealWithoutACertificateFieldReadsInvalidAndShowsItsSigner)
{
    document.writeMaster(kSealName + "Sign",
                         base64Text(signWithKeyFile(gbkBytes(document.text())).signedData));
    document.selectShapes({ addSealShape() });

    EXPECT_TRUE(helper->verifyDocument()) << "a seal that names no certificate names no signer";
    EXPECT_TRUE(messages().empty());
    const std::vector<std::string> order{ "initialize",  "setPictureURL", "setMessage",
                                          "setCertInfo", "setModified",   "setPostil",
                                          "execute",     "getPostil",     "getResult" };
    EXPECT_EQ(order, box().calls);
    EXPECT_EQ(utf8(kNotTheSigner), utf8(box().message));
    EXPECT_EQ(ou("QORV Test CA"), certItem(8)) << "the details come from the signature";
    EXPECT_TRUE(document.hasMaster(kSealName + "Postil")) << "the comment is written back";
}

TEST_F(CertificateSealTest, SelectedPictureWithoutShapesGivesTheUnnamedSealPicture)
{
    // A picture in the text (as field seals are) is no collection of shapes, so the picture file
    // is named without a seal name; reading the certificate then adopts the picture's name.
    placeSeal(signWithKeyFile(gbkBytes(document.text())));
    document.select(document.insertTextGraphic(pictureFile("cert-seal.gif"), kSealName));

    EXPECT_TRUE(helper->showCertificateInfo("message"));
    EXPECT_EQ(
        utf8(parsedUrl(quillmark::sealPictureURL(helper->getFilterDirectoryURL(), OUString()))),
        utf8(box().pictureURL.Complete));
    EXPECT_EQ(ou("QORV Test CA"), certItem(8));
    EXPECT_EQ(utf8(kSealName), utf8(helper->getContainerName()));
    EXPECT_TRUE(messages().empty());
}

TEST_F(CertificateSealTest, TokenCertificateItemsFillTheirEntries)
{
    sealCurrentText();
    document.selectShapes(seals());
    EXPECT_FALSE(helper->verifyDocument());

    const CertificateItems expected = tokenCertificateItems();
    const auto& items = box().certInfo;
    ASSERT_EQ(18, items.getLength());
    EXPECT_EQ(ou("3"), items[0]);
    EXPECT_EQ(utf8(expected.serialNumber), utf8(items[1]));
    EXPECT_EQ(utf8(expected.validFrom), utf8(items[2]));
    EXPECT_EQ(utf8(expected.validUntil), utf8(items[3]));
    EXPECT_EQ(ou("QORV Test CA"), items[8]);
    EXPECT_EQ(ou("CN"), items[15]);
    for (sal_Int32 entry : { 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 16, 17 })
        EXPECT_TRUE(items[entry].isEmpty()) << "entry " << entry;
}

TEST_F(CertificateSealTest, FailureOnTheSecondDateKeepsTheItemsReadBeforeIt)
{
    sealCurrentText();
    document.selectShapes(seals());
    uno::Sequence<OUString> earlier(helper->getCertificateInfo().getLength());
    std::fill(earlier.getArray(), earlier.getArray() + earlier.getLength(), OUString("earlier"));
    helper->setCertificateInfo(earlier);
    probe::failCertificateItem(QORV_CERT_NOT_AFTER, qorv::status::kDoesNotFit);

    EXPECT_TRUE(helper->showCertificateInfo(kUnchanged)) << "the box is shown all the same";
    expectOneNotice(ou(u8"取证书有效日期起始错误！") + OUString::number(qorv::status::kDoesNotFit));
    const std::vector<std::string> order{ "initialize",  "setPictureURL", "setMessage",
                                          "setModified", "setPostil",     "execute",
                                          "getPostil",   "getResult" };
    EXPECT_EQ(order, box().calls);

    const CertificateItems expected = tokenCertificateItems();
    const auto& items = helper->getCertificateInfo();
    EXPECT_EQ(ou("3"), items[0]);
    EXPECT_EQ(utf8(expected.serialNumber), utf8(items[1]));
    EXPECT_EQ(utf8(expected.validFrom), utf8(items[2]));
    for (sal_Int32 entry : { 3, 8, 15 })
        EXPECT_EQ(ou("earlier"), items[entry]) << "entry " << entry;
}

TEST_F(CertificateSealTest, CancelledPinEndsRemovalBeforeTheLibraryIsOpened)
{
    sealCurrentText();
    document.selectShapes(seals());
    box().pinAccepted = false;

    EXPECT_FALSE(helper->removeDocumentStamp());
    EXPECT_EQ(0, probe::calls().initialize);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ((std::vector<std::string>{ "initialize", "executePinDialog" }), box().calls);
    EXPECT_EQ(document.frame, box().initializedFrame);
    EXPECT_FALSE(box().pinOfSeal) << "the token's PIN, not a seal's";
    EXPECT_EQ(1u, seals().size());
}

TEST_F(CertificateSealTest, PlainTextSelectionAsksForThePinEvenInASealLibraryDocument)
{
    document.writeMaster("newSignatureType", "seal library signature");
    sealCurrentText();
    document.selectText(0, 4);
    box().pinAccepted = false;

    EXPECT_FALSE(helper->removeDocumentStamp());
    EXPECT_EQ((std::vector<std::string>{ "initialize", "executePinDialog" }), box().calls);
    EXPECT_EQ(utf8(kBody), utf8(document.text()));
    EXPECT_EQ(1u, seals().size());
}

TEST_F(CertificateSealTest, WrongPinIsRefusedAndTheNextLoginInitialisesAgain)
{
    sealCurrentText();
    document.selectShapes(seals());
    box().pin = "000000";

    EXPECT_FALSE(helper->removeDocumentStamp());
    expectOneNotice(ou(u8"登录失败！") + OUString::number(CKR_PIN_INCORRECT));
    EXPECT_EQ(1, probe::calls().initialize);
    EXPECT_EQ(utf8(kSealName), utf8(helper->getContainerName())) << "taken from the selected seal";
    EXPECT_EQ(1u, seals().size());
    EXPECT_TRUE(helper->getUserPin().isEmpty()) << "a PIN is not kept after its login";
    const sal_Unicode wiped[6] = {};
    EXPECT_EQ(OUString(wiped, 6), box().pin)
        << "the PIN is wiped where it lies, in the box's copy as well";

    // Six characters, eight GBK bytes: the library is told the character count.
    box().pin = ou(qorvtest::kPinUtf8);
    EXPECT_TRUE(helper->removeDocumentStamp());
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(2, probe::calls().initialize);
    EXPECT_EQ(utf8(ou(qorvtest::kLabelUtf8)), utf8(helper->getContainerName()))
        << "the token's container name replaces the adopted one";
    EXPECT_TRUE(seals().empty()) << "the selected seal picture is deleted";
    EXPECT_TRUE(document.hasMaster(kSealName + "Sign")) << "the signature fields stay";

    EXPECT_EQ(0, probe::calls().finalize);
    helper.clear();
    EXPECT_EQ(1, probe::calls().finalize) << "one finalisation for the helper that logged in twice";
    makeHelper(document.frame).clear();
    EXPECT_EQ(2, probe::calls().finalize) << "and one for a helper that never used the library";
}

TEST_F(CertificateSealTest, LongSignedContentVerifiesWithoutOverflow)
{
    OUString longText;
    for (int article = 1; article <= 80; ++article)
        longText += ou(u8"第") + OUString::number(article)
                    + ou(u8"条：甲乙双方应当按照本协议的约定使用电子印章，不得转让或者出借。\n");
    document.insertText(0, longText);
    ASSERT_GT(qorvtest::dataEncoding(gbkBytes(document.text())).size(), 2u * 2048)
        << "the signed content outgrows the library's smallest content area";
    sealCurrentText();
    document.selectShapes(seals());

    EXPECT_FALSE(helper->verifyDocument());
    EXPECT_EQ(utf8(kTextOnly), utf8(box().message));
    EXPECT_TRUE(messages().empty());

    editText([&] { document.insertText(document.text().getLength() - 5, ou(u8"不")); });
    EXPECT_TRUE(helper->verifyDocument());
    EXPECT_EQ(utf8(kTextChanged), utf8(box().message));
}

TEST_F(CertificateSealTest, SignatureLargerThanTheDecodingAreaVerifiesWithoutOverflow)
{
    // Certificates carried along make the signed data outgrow the 102,400 bytes the decoded
    // signature is given at least.
    const auto& token = qorvtest::testToken();
    const qorvtest::X509Ptr signer = qorvtest::readCertificate(token.signerCertificatePath);
    const qorvtest::X509Ptr issuer = qorvtest::readCertificate(token.caCertificatePath);
    const qorvtest::KeyPtr key = qorvtest::readKey(token.signerKeyPath);
    const std::vector<X509*> carried(130, issuer.get());
    const CertificateSignature signature{ qorvtest::derOf(signer.get()),
                                          qorvtest::signedData(
                                              qorvtest::dataEncoding(gbkBytes(document.text())),
                                              signer.get(), key.get(), carried) };
    ASSERT_GT(signature.signedData.size(), 102400u);
    placeSeal(signature);
    document.selectShapes(seals());

    EXPECT_FALSE(helper->verifyDocument());
    EXPECT_EQ(utf8(kTextOnly), utf8(box().message));
    EXPECT_TRUE(messages().empty());
}

TEST_F(CertificateSealTest, TokenSealSurvivesSaveAndReload)
{
    placeSeal(signOnToken(gbkBytes(document.text())));
    document.saveAndReload(office(), "certificate-sealed.odt");
    helper = makeHelper(document.frame);
    ASSERT_EQ(1u, seals().size());
    document.selectShapes(seals());

    EXPECT_FALSE(helper->verifyDocument());
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(utf8(kTextOnly), utf8(box().message));
    EXPECT_EQ(ou("QORV Test CA"), certItem(8));

    editText([&] { document.insertText(0, ou(u8"改")); });
    EXPECT_TRUE(helper->verifyDocument());
    EXPECT_EQ(utf8(kTextChanged), utf8(box().message));
}

TEST_F(CertificateSealTest, SealOfTheSealingToolSurvivesADocxRoundTrip)
{
    // As quillmark-cert-seal writes it.
    const auto signature = signOnToken(gbkBytes(document.text()));
    quillmark::certseal::writeSignatureFields(document.model, kSealName, signature.certificate,
                                              signature.signedData);
    quillmark::certseal::placeSealShape(document.model, fileUrl(pictureFile("tool-seal.gif")), {},
                                        kSealName);

    document.saveAndReload(office(), "certificate-sealed.docx", "MS Word 2007 XML");
    helper = makeHelper(document.frame);
    EXPECT_FALSE(document.hasMaster(kSealName + "Sign")) << "the format drops masters";
    const auto certificateSeals = seals();
    ASSERT_EQ(1u, certificateSeals.size());
    EXPECT_EQ(kSealName, quillmark::getStamperName(
                             Reference<beans::XPropertySet>(certificateSeals[0], UNO_QUERY_THROW)))
        << "the picture is the certificate seal again";
    document.selectShapes(certificateSeals);

    EXPECT_FALSE(helper->verifyDocument());
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(utf8(kTextOnly), utf8(box().message));

    document.escape();
    document.insertText(0, ou(u8"改"));
    document.selectShapes(certificateSeals);
    EXPECT_TRUE(helper->verifyDocument());
    EXPECT_EQ(utf8(kTextChanged), utf8(box().message));
}

TEST_F(CertificateSealTest, SurveyChecksEachCertificateSealWithoutABox)
{
    Reference<drawing::XShape> sealed = sealCurrentText();
    placeSeal({ Bytes{ 1, 2, 3 }, Bytes{ 4, 5, 6 } }, ou(u8"财务专用章"));
    auto seals = helper->surveySeals(false);
    ASSERT_EQ(2, seals.getLength());
    // Masters are listed in the office's order: find each seal by name.
    const auto named = [&](const OUString& name) {
        for (const auto& seal : seals)
            if (seal.Name == name)
                return seal;
        ADD_FAILURE() << "no seal " << utf8(name);
        return Quillmark::Certificate::SealSurveyEntry();
    };
    auto good = named(kSealName);
    EXPECT_EQ("certificate", good.Kind);
    EXPECT_TRUE(good.Valid);
    EXPECT_EQ(utf8(kTextOnly), utf8(good.Reason));
    ASSERT_EQ(1, good.Pictures.getLength());
    EXPECT_EQ(Reference<uno::XInterface>(sealed, uno::UNO_QUERY), good.Pictures[0]);
    auto broken = named(ou(u8"财务专用章"));
    EXPECT_FALSE(broken.Valid);
    EXPECT_EQ(0, utf8(broken.Reason).rfind(u8"验证签名错误！", 0)) << utf8(broken.Reason);

    document.insertText(3, "x");
    seals = helper->surveySeals(true);
    good = named(kSealName);
    EXPECT_FALSE(good.Valid);
    EXPECT_EQ(utf8(kTextChanged), utf8(good.Reason));
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode(sealed));
    EXPECT_EQ(ou(u8"无效印章"), caption(sealed));
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(0, box().created);
}

TEST_F(CertificateSealTest, CertAndSignSwappedBetweenSealsVerifyInvalid)
{
    // This document's seal, and a second seal whose fields were made for another text.
    const OUString other = ou(u8"另一单位公章");
    const Reference<drawing::XShape> own = sealCurrentText();
    placeSeal(signWithKeyFile(gbkBytes(ou(u8"另一份文件的正文"))), other);
    for (const OUString& suffix : { OUString("Cert"), OUString("Sign") })
    {
        const OUString ownContent = document.masterContent(kSealName + suffix);
        document.writeMaster(kSealName + suffix, document.masterContent(other + suffix));
        document.writeMaster(other + suffix, ownContent);
    }

    document.selectShapes({ own });
    EXPECT_TRUE(helper->verifyDocument()) << "the seal now carries another text's signature";
    EXPECT_EQ(utf8(kTextChanged), utf8(box().message));
    EXPECT_EQ(utf8(kSealName), utf8(helper->getContainerName()));
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode(seals()[0]));
}

TEST(TokenSigningTest, TokenIsLoggedOutAfterSigningWhileTheLibraryKeepsItOpen)
{
    qorvtest::testToken();
    ASSERT_EQ(0,
              KTX_Initialize(1, "EnterSafe CSP (ePass3000) v1.0 for QORV", 1, "QorvKey_FT3K.dll"));
    std::vector<unsigned char> list(QORV_CERT_LIST_SIZE, 0);
    ASSERT_EQ(0, KTX_EnumUsrCertificates(list.data())) << "the library holds a session";

    quillmark::certseal::signWithToken(qorvtest::kPinUtf8, gbkBytes(kBody));
    const qorvtest::TokenSessions afterSigning = qorvtest::tokenSessions();
    EXPECT_EQ(CKS_RO_PUBLIC_SESSION, afterSigning.state) << "nobody signs without the PIN now";
    EXPECT_EQ(1u, afterSigning.open) << "the signer's own session is closed, the library's stays";

    ASSERT_EQ(0, KTX_Login(qorvtest::kPinGbk, 6));
    EXPECT_EQ(CKS_RO_USER_FUNCTIONS, qorvtest::tokenSessions().state) << "the probe sees a login";
    KTX_Finalize();
    const qorvtest::TokenSessions afterFinalize = qorvtest::tokenSessions();
    EXPECT_EQ(CKS_RO_PUBLIC_SESSION, afterFinalize.state);
    EXPECT_EQ(0u, afterFinalize.open);
}

TEST_F(CertificateSealTest, SealsOfTheSealingToolGoOnRecordSignedByTheToken)
{
    // As quillmark-cert-seal records the seals it makes, into a folder of certificate seals alone.
    const std::string folder = workFile("cert-register-" + std::to_string(std::time(nullptr)));
    const Bytes text = gbkBytes(document.text());
    const auto signature = quillmark::certseal::signWithToken(qorvtest::kPinUtf8, text);
    for (const char* title : { u8"第一份通知", u8"第二份通知" })
        quillmark::certseal::recordCertificateSeal(folder, qorvtest::kPinUtf8, signature, text,
                                                   title, "/srv/notice.odt");
    EXPECT_THROW(quillmark::certseal::recordCertificateSeal(folder, "000000", signature, text,
                                                            u8"第三份通知", "/srv/notice.odt"),
                 std::runtime_error)
        << "the token refuses a wrong PIN";

    const ktxeseal::RegisterCheck check = ktxeseal::checkRegister(folder);
    EXPECT_TRUE(check.intact) << check.problem;
    const std::vector<std::string> lines = *ktxeseal::registerLines(folder);
    ASSERT_EQ(2u, lines.size());
    const nlohmann::json entry = nlohmann::json::parse(lines[1]);
    EXPECT_EQ("stamp-certificate", entry["operation"]);
    EXPECT_EQ("token", entry["signer"]);
    EXPECT_EQ(u8"第二份通知", entry["title"]);
    EXPECT_EQ(signature.label, entry["organisation"]);
    EXPECT_EQ(ktxeseal::encodeBase64(signature.certificate), entry["certificate"]);
    EXPECT_EQ(ktxeseal::sm3Text(ktxeseal::sm3Digest(text)), entry["digest"]);

    // The token's signature holds the entry as it was made.
    nlohmann::json altered = entry;
    altered["title"] = u8"另一份通知";
    std::ofstream(folder + "/stamps.log") << lines[0] << "\n" << altered.dump() << "\n";
    EXPECT_EQ(2u, ktxeseal::checkRegister(folder).firstBad);
}
