// The certificate library on a real SoftHSM2 token: initialisation, login and the certificate
// list the component reads the container name from.

#include "TestToken.hxx"

#include <QorvApi.h>

#include <gtest/gtest.h>
#include <p11-kit/pkcs11.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace qorvtest;

namespace
{
constexpr char kCsp[] = "EnterSafe CSP (ePass3000) v1.0 for QORV";
constexpr char kDriver[] = "QorvKey_FT3K.dll";

int initialize() { return KTX_Initialize(1, kCsp, 1, kDriver); }

class QorvTokenTest : public testing::Test
{
protected:
    void SetUp() override
    {
        testToken();
        // Every test starts logged out, from a closed library.
        KTX_Finalize();
    }
    void TearDown() override
    {
        KTX_Finalize();
        unsetenv("QORV_PKCS11_MODULE");
        unsetenv("QORV_TOKEN_LABEL");
    }
};

/// A record with guard bytes on both sides, to see any write outside it.
struct GuardedRecord
{
    static constexpr size_t kGuard = 64;
    std::vector<unsigned char> bytes
        = std::vector<unsigned char>(QORV_CERT_LIST_SIZE + 2 * kGuard, 0xA5);

    void* record() { return bytes.data() + kGuard; }
    const unsigned char* at(size_t offset) const { return bytes.data() + kGuard + offset; }
    bool guardsIntact() const
    {
        for (size_t i = 0; i < kGuard; ++i)
            if (bytes[i] != 0xA5 || bytes[bytes.size() - 1 - i] != 0xA5)
                return false;
        return true;
    }
};
}

TEST_F(QorvTokenTest, InitializesRepeatedlyAndAgainAfterFinalize)
{
    ASSERT_EQ(0, initialize());
    ASSERT_EQ(0, KTX_Login(kPinGbk, 6));
    // Each login and verification initialises again: that must keep the open, logged-in token.
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(0, initialize());
    GuardedRecord list;
    EXPECT_EQ(0, KTX_EnumUsrCertificates(list.record()));

    KTX_Finalize();
    EXPECT_EQ(-2, KTX_Login(kPinGbk, 6)) << "a closed library cannot log in";
    ASSERT_EQ(0, initialize());
    EXPECT_EQ(0, KTX_Login(kPinGbk, 6));
}

TEST_F(QorvTokenTest, InitializationNeedsNoTokenButLoginAndTheListDo)
{
    EXPECT_EQ(-1, KTX_Initialize(1, nullptr, 1, kDriver));

    // A recipient's machine: no module, or a module without the token. Verification needs
    // neither, so the library opens; the calls that need the token say what is missing.
    GuardedRecord list;
    setenv("QORV_PKCS11_MODULE", "/nonexistent/libpkcs11.so", 1);
    EXPECT_EQ(0, initialize());
    EXPECT_EQ(-3, KTX_Login(kPinGbk, 6));
    EXPECT_EQ(-3, KTX_EnumUsrCertificates(list.record()));
    unsetenv("QORV_PKCS11_MODULE");

    setenv("QORV_TOKEN_LABEL", "No Such Token", 1);
    EXPECT_EQ(0, initialize());
    EXPECT_EQ(-4, KTX_Login(kPinGbk, 6));
    EXPECT_EQ(-4, KTX_EnumUsrCertificates(list.record()));
    EXPECT_TRUE(list.guardsIntact());

    // The next initialisation takes the configuration of its moment.
    setenv("QORV_TOKEN_LABEL", "QORV-Test", 1);
    EXPECT_EQ(0, initialize());
    EXPECT_EQ(0, KTX_Login(kPinGbk, 6));
}

TEST_F(QorvTokenTest, LoginTakesTheGbkPinByItsBytesNotItsCharacterCount)
{
    ASSERT_EQ(0, initialize());
    // 口令1234: six characters, eight GBK bytes, stored on the token in UTF-8.
    EXPECT_EQ(0, KTX_Login(kPinGbk, 6));
    EXPECT_EQ(0, KTX_Login(kPinGbk, 6)) << "already logged in is success";
}

TEST_F(QorvTokenTest, WrongPinGivesThePkcs11Status)
{
    ASSERT_EQ(0, initialize());
    std::string wrong(kPinGbk);
    wrong.back() = '5';
    EXPECT_EQ(static_cast<int>(CKR_PIN_INCORRECT), KTX_Login(wrong.c_str(), 6));
    EXPECT_EQ(static_cast<int>(CKR_PIN_INCORRECT), KTX_Login("", 0));
    // A PIN that is not GBK at all is refused before it reaches the token.
    EXPECT_EQ(-6, KTX_Login("\x81", 1));
    EXPECT_EQ(0, KTX_Login(kPinGbk, 6)) << "a wrong PIN must not spoil the next login";
}

TEST_F(QorvTokenTest, ListPutsTheGbkContainerNameAtItsOffsetAndStaysInTheRecord)
{
    ASSERT_EQ(0, initialize());
    ASSERT_EQ(0, KTX_Login(kPinGbk, 6));
    GuardedRecord list;
    ASSERT_EQ(0, KTX_EnumUsrCertificates(list.record()));

    const char* name = reinterpret_cast<const char*>(list.at(QORV_CONTAINER_NAME_OFFSET));
    EXPECT_STREQ(kLabelGbk, name);
    std::int32_t count = 0;
    std::memcpy(&count, list.at(0), sizeof count);
    EXPECT_EQ(1, count);
    // The first entry's certificate length and CKA_ID, as the record's layout says.
    const X509Ptr signer = readCertificate(testToken().signerCertificatePath);
    std::int32_t derLength = 0;
    std::memcpy(&derLength, list.at(4), sizeof derLength);
    EXPECT_EQ(static_cast<std::int32_t>(derOf(signer.get()).size()), derLength);
    EXPECT_STREQ("01", reinterpret_cast<const char*>(list.at(4 + 8)));
    EXPECT_TRUE(list.guardsIntact());
    EXPECT_EQ(0, KTX_EnumUsrCertificatesFree(list.record()));
}

TEST_F(QorvTokenTest, ListIsRefusedOnATokenWithoutCertificate)
{
    static const bool emptyTokenMade
        = run("softhsm2-util --init-token --free --label Empty --so-pin 12345678 --pin 1234 "
              ">/dev/null")
          == 0;
    ASSERT_TRUE(emptyTokenMade);
    setenv("QORV_TOKEN_LABEL", "Empty", 1);
    ASSERT_EQ(0, initialize());
    ASSERT_EQ(0, KTX_Login("1234", 4));
    GuardedRecord list;
    EXPECT_EQ(-5, KTX_EnumUsrCertificates(list.record()));
    EXPECT_TRUE(list.guardsIntact());
}

TEST_F(QorvTokenTest, ProcessThatEndsWithoutFinalizeExitsCleanly)
{
    // The office may end without destroying the component's helper.
    EXPECT_EXIT(
        {
            initialize();
            KTX_Login(kPinGbk, 6);
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}
