// quillmark-cert-seal reads a seal field's mirror in the document properties where a Word format
// dropped its master, as the component does.

#include <DocumentSeal.hxx>
#include <OfficeFixture.hxx>

using namespace quillmark::test;

TEST_F(OfficeTest, CertSealReadsItsFieldsBackAfterADocxRoundTrip)
{
    const std::vector<unsigned char> certificate = { 0x30, 0x82, 0x01, 0x0a, 0x02 };
    const std::vector<unsigned char> signedData = { 0x30, 0x80, 0x06, 0x09, 0x2a, 0x86 };
    const OUString sealName = OUString::fromUtf8(u8"测试公章");
    quillmark::certseal::writeSignatureFields(document.model, sealName, certificate, signedData);
    document.saveAndReload(office(), "cert-seal.docx", "MS Word 2007 XML");

    ASSERT_FALSE(document.hasMaster(sealName + "Sign")) << "the format drops masters";
    EXPECT_EQ(quillmark::certseal::base64Text(signedData),
              quillmark::certseal::readUserField(document.model, sealName + "Sign"));
    EXPECT_EQ(quillmark::certseal::base64Text(certificate),
              quillmark::certseal::readUserField(document.model, sealName + "Cert"));
    EXPECT_EQ(sealName + "Sign",
              quillmark::certseal::firstUserFieldEndingIn(document.model, "Sign"));
}
