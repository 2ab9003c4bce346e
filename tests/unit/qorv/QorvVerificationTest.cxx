// Verification as the component runs it: Base64 text of PKCS#7 signed data, whose content is the
// PKCS#7 data encoding of the GBK document text, decoded and checked by the certificate library.

#include "TestToken.hxx"

#include <QorvApi.h>

#include <gtest/gtest.h>
#include <openssl/pem.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace qorvtest;

namespace
{
// 合同正文：甲方与乙方同意以下条款。\n第二段。
const std::string kDocumentGbk = "\xBA\xCF\xCD\xAC\xD5\xFD\xCE\xC4\xA3\xBA\xBC\xD7\xB7\xBD\xD3\xEB"
                                 "\xD2\xD2\xB7\xBD\xCD\xAC\xD2\xE2\xD2\xD4\xCF\xC2\xCC\xF5\xBF\xEE"
                                 "\xA1\xA3\x0A\xB5\xDA\xB6\xFE\xB6\xCE\xA1\xA3";

constexpr unsigned char kGuardByte = 0xA5;
constexpr size_t kGuard = 64;

/// An output area of `size` bytes with guard bytes behind it.
struct Area
{
    explicit Area(size_t size)
        : size(size)
        , bytes(size + kGuard, kGuardByte)
    {
    }
    unsigned char* data() { return bytes.data(); }
    Bytes first(int length) const { return Bytes(bytes.begin(), bytes.begin() + length); }
    bool guardIntact() const
    {
        return std::all_of(bytes.begin() + static_cast<long>(size), bytes.end(),
                           [](unsigned char b) { return b == kGuardByte; });
    }
    size_t size;
    Bytes bytes;
};

/// What KTX_Pkcs7_DecodeSignedData delivered, from areas of max(contract size, derLength).
struct Decoded
{
    explicit Decoded(size_t derLength)
        : signer(std::max<size_t>(2048, derLength))
        , content(std::max<size_t>(2048, derLength))
        , certificates(std::max<size_t>(102400, derLength))
    {
    }
    Area signer;
    Area content;
    Area certificates;
    int signerLength = 0;
    int signers = 0;
    int contentLength = 0;
    int certificatesLength = 0;
    int status = 0;

    bool guardsIntact() const
    {
        return signer.guardIntact() && content.guardIntact() && certificates.guardIntact();
    }
};

Decoded decodeSignedData(const Bytes& der)
{
    Decoded out(der.size());
    out.status = KTX_Pkcs7_DecodeSignedData(der.data(), static_cast<int>(der.size()),
                                            out.signer.data(), &out.signerLength, &out.signers,
                                            out.content.data(), &out.contentLength,
                                            out.certificates.data(), &out.certificatesLength);
    return out;
}

/// The component's road from the stored Base64 text to the signed DER.
Bytes decodeBase64(const std::string& text, int* status = nullptr)
{
    Area out(3 * ((text.size() + 3) / 4));
    int length = 0;
    const int result = KTX_Base64_Decode(reinterpret_cast<const unsigned char*>(text.data()),
                                         static_cast<int>(text.size()), out.data(), &length);
    if (status)
        *status = result;
    EXPECT_TRUE(out.guardIntact());
    return out.first(result == 0 ? length : 0);
}

class QorvVerificationTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const TestToken& token = testToken();
        signer = readCertificate(token.signerCertificatePath);
        signerKey = readKey(token.signerKeyPath);
        ca = readCertificate(token.caCertificatePath);
        caKey = readKey(token.caKeyPath);
        ASSERT_TRUE(signer && signerKey && ca && caKey);
    }
    void TearDown() override
    {
        setenv("QORV_TRUST_STORE", testToken().caCertificatePath.c_str(), 1);
    }

    Bytes signDocument(const std::string& gbk)
    {
        return signedData(dataEncoding(bytesOf(gbk)), signer.get(), signerKey.get());
    }

    X509Ptr signer;
    KeyPtr signerKey;
    X509Ptr ca;
    KeyPtr caKey;
};
}

TEST_F(QorvVerificationTest, Base64DecodesIntoExactlyItsLength)
{
    const Bytes signature = signDocument(kDocumentGbk);
    int status = -100;
    EXPECT_EQ(signature, decodeBase64(base64(signature), &status));
    EXPECT_EQ(0, status);

    // As a PEM body: lines of 64 characters.
    std::string wrapped = base64(signature);
    for (size_t at = 64; at < wrapped.size(); at += 65)
        wrapped.insert(at, "\n");
    EXPECT_EQ(signature, decodeBase64(wrapped, &status));
    EXPECT_EQ(0, status);

    // One and two padding characters.
    EXPECT_EQ(bytesOf("ab"), decodeBase64("YWI=", &status));
    EXPECT_EQ(bytesOf("abcd"), decodeBase64("YWJjZA==", &status));
    EXPECT_EQ(0, status);
}

TEST_F(QorvVerificationTest, Base64RefusesTextOutsideTheAlphabet)
{
    // The last one would stop OpenSSL's decoder at '-' and come out cut short.
    for (const std::string text : { "YW*j", "YWJjZA=", "YWJ", "\xB2\xE2\xCA\xD4", "YWJj-ZGVm" })
    {
        int status = 0;
        decodeBase64(text, &status);
        EXPECT_NE(0, status) << text;
    }
}

TEST_F(QorvVerificationTest, SignedDocumentVerifiesAndDecodesToItsTextBytes)
{
    const Bytes der = decodeBase64(base64(signDocument(kDocumentGbk)));
    Decoded out = decodeSignedData(der);
    ASSERT_EQ(0, out.status);
    EXPECT_TRUE(out.guardsIntact());
    EXPECT_EQ(1, out.signers);
    EXPECT_EQ(derOf(signer.get()), out.signer.first(out.signerLength));
    EXPECT_EQ(derOf(signer.get()), out.certificates.first(out.certificatesLength));

    const Bytes content = out.content.first(out.contentLength);
    EXPECT_EQ(dataEncoding(bytesOf(kDocumentGbk)), content);

    int needed = -1;
    ASSERT_EQ(0, KTX_Pkcs7_DecodeData(content.data(), static_cast<int>(content.size()), nullptr,
                                      &needed));
    ASSERT_EQ(static_cast<int>(kDocumentGbk.size()), needed);
    Area plain(static_cast<size_t>(needed) + 1);
    int plainLength = 0;
    ASSERT_EQ(0, KTX_Pkcs7_DecodeData(content.data(), static_cast<int>(content.size()),
                                      plain.data(), &plainLength));
    EXPECT_EQ(needed, plainLength);
    EXPECT_EQ(bytesOf(kDocumentGbk), plain.first(plainLength));
    EXPECT_TRUE(plain.guardIntact());
}

TEST_F(QorvVerificationTest, TamperedSignatureOrContentIsRefused)
{
    const Bytes genuine = signDocument(kDocumentGbk);

    // RSA signature bytes end the structure.
    Bytes badSignature = genuine;
    badSignature[badSignature.size() - 5] ^= 0x01;
    EXPECT_EQ(-9, decodeSignedData(badSignature).status);

    // One GBK byte of the text inside the signed content.
    Bytes badContent = genuine;
    const Bytes text = bytesOf(kDocumentGbk);
    auto at = std::search(badContent.begin(), badContent.end(), text.begin(), text.end());
    ASSERT_NE(badContent.end(), at);
    at[3] ^= 0x01;
    const Decoded out = decodeSignedData(badContent);
    EXPECT_EQ(-9, out.status);
    EXPECT_EQ(0, out.contentLength) << "nothing of a refused signature is handed out";
    EXPECT_TRUE(out.guardsIntact());

    const Bytes truncated(genuine.begin(), genuine.end() - 10);
    EXPECT_EQ(-8, decodeSignedData(truncated).status);
    EXPECT_EQ(-8, decodeSignedData(dataEncoding(text)).status) << "data is not signed data";
}

TEST_F(QorvVerificationTest, SignatureByAnotherKeyIsRefused)
{
    // The forger names the genuine certificate (same issuer and serial number) and ships it,
    // but signs with a key of his own.
    KeyPtr forgerKey = newEcKey();
    X509* genuine = signer.get();
    const X509Ptr lookalike = makeCertificate(forgerKey.get(), "/C=CN/O=QORV Test/CN=forger",
                                              "/C=CN/O=QORV Test/CN=QORV Test CA", forgerKey.get(),
                                              "1", "20260101000000Z", "20300101000000Z");
    X509_set_serialNumber(lookalike.get(), X509_get_serialNumber(genuine));
    X509_set_issuer_name(lookalike.get(), X509_get_issuer_name(genuine));
    X509_sign(lookalike.get(), forgerKey.get(), EVP_sha256());
    const Bytes content = dataEncoding(bytesOf(kDocumentGbk));
    EXPECT_EQ(-9, decodeSignedData(
                      signedData(content, lookalike.get(), forgerKey.get(), { genuine }, false))
                      .status);

    // With his own certificate claiming the genuine subject and issuer, the signature matches
    // it: the trust store tells the forgery.
    const Bytes forged = signedData(content, lookalike.get(), forgerKey.get());
    const Decoded out = decodeSignedData(forged);
    EXPECT_EQ(-10, out.status);
    EXPECT_EQ(0, out.signerLength) << "nothing of a refused signature is handed out";
}

TEST_F(QorvVerificationTest, TrustStoreDecidesTheChain)
{
    const Bytes der = signDocument(kDocumentGbk);

    setenv("QORV_TRUST_STORE", testToken().caCertificatePath.c_str(), 1);
    EXPECT_EQ(0, decodeSignedData(der).status);

    // A folder of PEM files, not hashed, with a file in it that holds no certificate.
    const std::string folder = testToken().directory + "/trusted";
    ASSERT_EQ(0, run("mkdir -p '" + folder + "' && cp '" + testToken().caCertificatePath + "' '"
                     + folder + "/issuer.crt' && echo notes > '" + folder + "/README'"));
    setenv("QORV_TRUST_STORE", folder.c_str(), 1);
    EXPECT_EQ(0, decodeSignedData(der).status);

    // Unset, the default store is used; this machine has none, and a store that trusts nobody
    // is reported as such, never skipped.
    unsetenv("QORV_TRUST_STORE");
    EXPECT_EQ(-14, decodeSignedData(der).status);
    setenv("QORV_TRUST_STORE", "", 1);
    EXPECT_EQ(-14, decodeSignedData(der).status);
    const std::string emptyFolder = testToken().directory + "/nobody";
    ASSERT_EQ(0, run("mkdir -p '" + emptyFolder + "'"));
    setenv("QORV_TRUST_STORE", emptyFolder.c_str(), 1);
    EXPECT_EQ(-14, decodeSignedData(der).status);

    // A store with another CA of the same name.
    KeyPtr otherKey = newEcKey();
    const X509Ptr otherCa = makeCertificate(otherKey.get(), "/C=CN/O=QORV Test/CN=QORV Test CA",
                                            "/C=CN/O=QORV Test/CN=QORV Test CA", otherKey.get(),
                                            "2", "20260101000000Z", "20360101000000Z");
    const std::string otherPath = testToken().directory + "/other-ca.pem";
    FILE* file = std::fopen(otherPath.c_str(), "w");
    ASSERT_NE(nullptr, file);
    PEM_write_X509(file, otherCa.get());
    std::fclose(file);
    setenv("QORV_TRUST_STORE", otherPath.c_str(), 1);
    EXPECT_EQ(-10, decodeSignedData(der).status);

    setenv("QORV_TRUST_STORE", (testToken().directory + "/missing.pem").c_str(), 1);
    EXPECT_EQ(-14, decodeSignedData(der).status);
}

TEST_F(QorvVerificationTest, ContentLongerThanTheContractAreaStaysWithinTheInputLength)
{
    // 3,000 GBK characters: 6,000 bytes of text, far beyond 2,048.
    std::string longText;
    for (int i = 0; i < 3000; ++i)
        longText += "\xD5\xC2";
    const Bytes der = decodeBase64(base64(signDocument(longText)));
    ASSERT_GT(der.size(), 6000u);

    Decoded out = decodeSignedData(der);
    ASSERT_EQ(0, out.status);
    EXPECT_TRUE(out.guardsIntact());
    const Bytes content = out.content.first(out.contentLength);
    EXPECT_EQ(dataEncoding(bytesOf(longText)), content);

    int needed = 0;
    KTX_Pkcs7_DecodeData(content.data(), static_cast<int>(content.size()), nullptr, &needed);
    Area plain(static_cast<size_t>(needed) + 1);
    int plainLength = 0;
    ASSERT_EQ(0, KTX_Pkcs7_DecodeData(content.data(), static_cast<int>(content.size()),
                                      plain.data(), &plainLength));
    EXPECT_EQ(bytesOf(longText), plain.first(plainLength));
    EXPECT_TRUE(plain.guardIntact());
}

TEST_F(QorvVerificationTest, MalformedDataEncodingIsRefused)
{
    const Bytes signedDer = signDocument(kDocumentGbk);
    const Bytes garbage = bytesOf("not a PKCS#7 structure");
    for (const Bytes& input : { signedDer, garbage })
    {
        int length = 0;
        unsigned char plain[64];
        EXPECT_NE(0, KTX_Pkcs7_DecodeData(input.data(), static_cast<int>(input.size()), nullptr,
                                          &length));
        EXPECT_NE(
            0, KTX_Pkcs7_DecodeData(input.data(), static_cast<int>(input.size()), plain, &length));
    }
}
