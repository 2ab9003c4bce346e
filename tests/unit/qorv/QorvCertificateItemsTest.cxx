// The six certificate items the certificate dialog shows, each within its output area.

#include "TestToken.hxx"

#include <QorvApi.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

using namespace qorvtest;

namespace
{
constexpr unsigned char kGuardByte = 0xA5;

struct Item
{
    int status = 0;
    int length = 0;
    Bytes area;
    std::string text() const { return std::string(area.begin(), area.begin() + length); }
};

/// Asks for one item into an area of `size` bytes and checks nothing was written past it.
Item item(const Bytes& der, int type, size_t size)
{
    Bytes bytes(size + 64, kGuardByte);
    Item result;
    result.status = KTX_GetCertificateInfo(der.data(), static_cast<int>(der.size()), type,
                                           bytes.data(), &result.length);
    for (size_t i = size; i < bytes.size(); ++i)
        EXPECT_EQ(kGuardByte, bytes[i]) << "item " << type << " wrote past its area at " << i;
    result.area.assign(bytes.begin(), bytes.begin() + static_cast<long>(size));
    if (result.status != 0)
        result.length = 0;
    return result;
}

std::int32_t versionOf(const Bytes& der)
{
    const Item version = item(der, QORV_CERT_VERSION, 4);
    EXPECT_EQ(0, version.status);
    EXPECT_EQ(4, version.length);
    std::int32_t value = 0;
    std::memcpy(&value, version.area.data(), sizeof value);
    return value;
}

std::string terminated(const Item& item)
{
    return std::string(reinterpret_cast<const char*>(item.area.data()));
}
}

TEST(QorvCertificateItemsTest, SixItemsOfAKnownCertificate)
{
    KeyPtr key = newEcKey();
    // Issuer 测试签发机构, holder in China.
    const X509Ptr certificate
        = makeCertificate(key.get(), "/C=CN/O=QORV Test/CN=holder", "/C=CN/CN=测试签发机构",
                          key.get(), "1F2E3D4C5B6A79", "20261208100000Z", "20281207235959Z");
    const Bytes der = derOf(certificate.get());

    EXPECT_EQ(3, versionOf(der));

    const Item serial = item(der, QORV_CERT_SERIAL_NUMBER, 132);
    ASSERT_EQ(0, serial.status);
    EXPECT_EQ("1F2E3D4C5B6A79", terminated(serial));
    EXPECT_EQ(14, serial.length);

    const Item start = item(der, QORV_CERT_NOT_BEFORE, 32);
    ASSERT_EQ(0, start.status);
    EXPECT_EQ("2026-12-08 10:00:00", terminated(start));
    const Item end = item(der, QORV_CERT_NOT_AFTER, 32);
    ASSERT_EQ(0, end.status);
    EXPECT_EQ("2028-12-07 23:59:59", terminated(end));

    const Item issuer = item(der, QORV_CERT_ISSUER_COMMON_NAME, 32);
    ASSERT_EQ(0, issuer.status);
    EXPECT_EQ("\xB2\xE2\xCA\xD4\xC7\xA9\xB7\xA2\xBB\xFA\xB9\xB9", issuer.text());

    const Item country = item(der, QORV_CERT_SUBJECT_COUNTRY, 32);
    ASSERT_EQ(0, country.status);
    EXPECT_EQ("CN", country.text());
}

TEST(QorvCertificateItemsTest, ItemsOfTheTokenCertificate)
{
    const X509Ptr signer = readCertificate(testToken().signerCertificatePath);
    ASSERT_TRUE(signer);
    const Bytes der = derOf(signer.get());

    EXPECT_EQ(3, versionOf(der));
    EXPECT_EQ("QORV Test CA", item(der, QORV_CERT_ISSUER_COMMON_NAME, 32).text());
    EXPECT_EQ("CN", item(der, QORV_CERT_SUBJECT_COUNTRY, 32).text());

    // The serial number as openssl itself prints it.
    FILE* pipe = popen(
        ("openssl x509 -noout -serial -in '" + testToken().signerCertificatePath + "'").c_str(),
        "r");
    ASSERT_NE(nullptr, pipe);
    char line[256] = {};
    ASSERT_NE(nullptr, fgets(line, sizeof line, pipe));
    pclose(pipe);
    std::string printed(line);
    printed = printed.substr(printed.find('=') + 1);
    printed.erase(printed.find_last_not_of("\r\n") + 1);
    EXPECT_EQ(printed, terminated(item(der, QORV_CERT_SERIAL_NUMBER, 132)));
}

TEST(QorvCertificateItemsTest, ItemThatDoesNotFitItsAreaIsRefused)
{
    KeyPtr key = newEcKey();
    const std::string exactly32(32, 'I');
    const X509Ptr fits = makeCertificate(key.get(), "/C=CN/CN=holder", "/CN=" + exactly32,
                                         key.get(), "01", "20260101000000Z", "20270101000000Z");
    const Item full = item(derOf(fits.get()), QORV_CERT_ISSUER_COMMON_NAME, 32);
    EXPECT_EQ(0, full.status);
    EXPECT_EQ(exactly32, full.text());

    // 33 bytes: one GBK character of two bytes too many.
    const X509Ptr tooLong
        = makeCertificate(key.get(), "/C=CN/CN=holder", "/CN=" + std::string(31, 'I') + "章",
                          key.get(), "01", "20260101000000Z", "20270101000000Z");
    EXPECT_EQ(-11, item(derOf(tooLong.get()), QORV_CERT_ISSUER_COMMON_NAME, 32).status);

    // A 65-byte serial number takes 130 hexadecimal digits and a NUL; one byte more needs 133
    // bytes of the 132.
    const X509Ptr longSerial
        = makeCertificate(key.get(), "/C=CN/CN=holder", "/CN=issuer", key.get(),
                          "7" + std::string(129, 'F'), "20260101000000Z", "20270101000000Z");
    const Item serial = item(derOf(longSerial.get()), QORV_CERT_SERIAL_NUMBER, 132);
    EXPECT_EQ(0, serial.status);
    EXPECT_EQ(130, serial.length);
    const X509Ptr tooLongSerial
        = makeCertificate(key.get(), "/C=CN/CN=holder", "/CN=issuer", key.get(),
                          "7" + std::string(131, 'F'), "20260101000000Z", "20270101000000Z");
    EXPECT_EQ(-11, item(derOf(tooLongSerial.get()), QORV_CERT_SERIAL_NUMBER, 132).status);
}

TEST(QorvCertificateItemsTest, MissingUnknownAndBrokenItemsAreRefused)
{
    KeyPtr key = newEcKey();
    const X509Ptr noCountry
        = makeCertificate(key.get(), "/CN=holder", "/O=issuer without CN", key.get(), "01",
                          "20260101000000Z", "20270101000000Z");
    const Bytes der = derOf(noCountry.get());
    EXPECT_EQ(-15, item(der, QORV_CERT_SUBJECT_COUNTRY, 32).status);
    EXPECT_EQ(-15, item(der, QORV_CERT_ISSUER_COMMON_NAME, 32).status);
    EXPECT_EQ(-13, item(der, 5, 132).status);

    Bytes cut(der.begin(), der.end() - 1);
    EXPECT_EQ(-12, item(cut, QORV_CERT_VERSION, 4).status);
    Bytes trailing = der;
    trailing.push_back(0);
    EXPECT_EQ(-12, item(trailing, QORV_CERT_SERIAL_NUMBER, 132).status);
}
