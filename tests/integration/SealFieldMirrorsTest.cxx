// A seal field's mirror in the document properties stands in for its master only where a Word
// format dropped the masters: quillmark-cert-seal reads it there as the component does, and a
// master removed from an OpenDocument file stays removed.

#include <DocumentSeal.hxx>
#include <OfficeFixture.hxx>
#include <format/UserMasters.hxx>

#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace
{
const OUString kField = OUString::fromUtf8(u8"测试公章Sign");
const OUString kSignature = "TUlJQ2lnWUpLb1pJaHZjTkFRY0NvSUlDZXpDQ0Fu";

/// Removes a master and nothing else, as a peer that takes a signature off a document does.
void removeMasterOnly(const Reference<frame::XModel>& model, const OUString& fieldName)
{
    Reference<container::XNameAccess> masters
        = Reference<text::XTextFieldsSupplier>(model, UNO_QUERY_THROW)->getTextFieldMasters();
    Reference<lang::XComponent>(
        masters->getByName("com.sun.star.text.FieldMaster.User." + fieldName), UNO_QUERY_THROW)
        ->dispose();
}
}

TEST_F(OfficeTest, AMirrorIsReadOnlyWhereAWordFormatLostTheMasters)
{
    struct Case
    {
        const char* file;
        const char* filter;
        bool removedByPeer;
        std::optional<OUString> read;
    };
    const Case cases[] = {
        { "kept.odt", "writer8", false, kSignature },
        { "removed.odt", "writer8", true, std::nullopt },
        { "kept.docx", "MS Word 2007 XML", false, kSignature },
        { "kept.doc", "MS Word 97", false, kSignature },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.file);
        useDocument(OUString::fromUtf8(u8"镜像测试"));
        quillmark::writeUserMaster(document.model, kField, kSignature);
        if (c.removedByPeer)
        {
            removeMasterOnly(document.model, kField);
            EXPECT_EQ(std::nullopt, quillmark::readUserMaster(document.model, kField))
                << "a document made here lost no masters";
        }
        document.saveAndReload(office(), c.file, c.filter);
        EXPECT_EQ(std::string(c.filter).rfind("MS Word", 0) == 0,
                  quillmark::lostFieldMasters(document.model));
        EXPECT_EQ(c.read, quillmark::readUserMaster(document.model, kField));
    }
}

TEST_F(OfficeTest, CertSealReadsItsFieldsBackAfterADocxRoundTrip)
{
    const std::vector<unsigned char> certificate = { 0x30, 0x82, 0x01, 0x0a, 0x02 };
    const std::vector<unsigned char> signedData = { 0x30, 0x80, 0x06, 0x09, 0x2a, 0x86 };
    const OUString sealName = OUString::fromUtf8(u8"测试公章");
    quillmark::certseal::writeSignatureFields(document.model, sealName, certificate, signedData);
    document.saveAndReload(office(), "cert-seal.docx", "MS Word 2007 XML");

    ASSERT_FALSE(document.hasMaster(sealName + "Sign")) << "the format drops masters";
    EXPECT_EQ(quillmark::certseal::base64Text(signedData),
              quillmark::readUserMaster(document.model, sealName + "Sign"));
    EXPECT_EQ(quillmark::certseal::base64Text(certificate),
              quillmark::readUserMaster(document.model, sealName + "Cert"));
    EXPECT_EQ(sealName + "Sign",
              quillmark::certseal::firstUserFieldEndingIn(document.model, "Sign"));
}
