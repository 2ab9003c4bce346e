// The seal's custody through the library's entry points and the seal maker: the key opens only
// with its PIN, from the holder's PIN box or a PIN file of its owner's alone; five wrong PINs in
// a row lock the seal for five minutes, across processes; the PIN is asked once for an operation
// and again after the seal's minutes; --change-pin re-encrypts the key; and no file of a seal
// folder is a key OpenSSL reads without the PIN.

#include "ESealTestSupport.hxx"

#include <KTXESeal.h>
#include <KTXESealCustody.h>
#include <KeyFiles.hxx>
#include <SealCustody.hxx>
#include <SealMaking.hxx>
#include <StampRegister.hxx>

#include <gtest/gtest.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

extern "C" {
int SignESeal(const char* text, int textLength, char* signature, int* signatureLength);
int CheckRemovedRight(const char* signature, int signatureLength);
int SetESealPinProvider(KTXESealPinProvider provider, KTXESealRefusalNotice notice, void* context);
int SetESealOperation(int operation, const char* title, const char* file);
}

using namespace esealtest;
namespace fs = std::filesystem;

namespace
{
constexpr char kOrganisation[] = "北京市某某科技有限公司";
const std::string kText = "\xB9\xD8\xD3\xDA\xD3\xA1\xB7\xA2"; // "关于印发" in GBK
constexpr char kWrongPin[] = "86427531";

/// The holder at the other end of the PIN provider: answers the PINs given, in turn, and
/// keeps the refusals told.
struct Holder
{
    std::vector<std::string> pins;
    size_t asked = 0;
    std::vector<int> refusals;

    static int answer(void* context, const char*, char* pin, int pinSize)
    {
        auto* holder = static_cast<Holder*>(context);
        const std::string& given
            = holder->pins.at(std::min(holder->asked, holder->pins.size() - 1));
        ++holder->asked;
        if (given.empty() || given.size() >= static_cast<size_t>(pinSize))
            return 0;
        std::memcpy(pin, given.c_str(), given.size() + 1);
        return static_cast<int>(given.size());
    }
    static void refused(void* context, int status)
    {
        static_cast<Holder*>(context)->refusals.push_back(status);
    }
};

/// Runs a shell command; its exit status, its output in `output`.
int run(const std::string& command, std::string& output)
{
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[512];
    while (fgets(buffer, sizeof(buffer), pipe))
        output += buffer;
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string shellQuoted(const std::string& text) { return "'" + text + "'"; }

void writeLines(const std::string& path, const std::string& lines)
{
    std::ofstream(path) << lines;
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
}

class SealCustodyTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = new TemporaryDirectory;
        authority = new TestAuthority(folder->path());
    }
    static void TearDownTestSuite()
    {
        delete authority;
        delete folder;
    }

    void SetUp() override
    {
        quillmark::sealmaker::writeSeal(
            quillmark::sealmaker::makeSeal(kOrganisation, &authority->authority), sealDirectory(),
            kTestPin, false);
        SetESealPinProvider(Holder::answer, Holder::refused, &holder);
    }
    void TearDown() override
    {
        SetESealOperation(KTXESEAL_OPERATION_NONE, nullptr, nullptr);
        SetESealPinProvider(nullptr, nullptr, nullptr);
    }

    std::string sealDirectory() const { return work.path() + "/seal"; }

    /// Signs with the current seal; empty when the library refuses, the area then untouched.
    std::string sign()
    {
        std::vector<char> area(KTXESEAL_AREA_SIZE, 'Z');
        std::fill_n(area.begin(), 4, '\0');
        const std::vector<char> untouched = area;
        int length = 0;
        if (SignESeal(kText.data(), static_cast<int>(kText.size()), area.data(), &length) <= 0)
        {
            EXPECT_EQ(untouched, area) << "a refused signature leaves the area alone";
            return std::string();
        }
        return std::string(area.data(), static_cast<size_t>(length));
    }

    size_t registerEntries() const
    {
        return ktxeseal::registerLines(sealDirectory()).value_or(std::vector<std::string>()).size();
    }

    static std::string makeSealTool() { return QUILLMARK_MAKE_SEAL; }

    static inline TemporaryDirectory* folder = nullptr;
    static inline TestAuthority* authority = nullptr;

    TemporaryDirectory work;
    Holder holder;
    ScopedVariable currentSeal{ "KTXESEAL_SEAL_DIR", work.path() + "/seal" };
    ScopedVariable trust{ "KTXESEAL_TRUST_DIR", authority->trustDirectory };
    ScopedVariable noPinFile{ "KTXESEAL_PIN_FILE", std::nullopt };
    ScopedVariable noSessionMinutes{ "KTXESEAL_PIN_MINUTES", std::nullopt };
};
}

TEST_F(SealCustodyTest, RightPinSignsAndAWrongOneSignsNothingAndWritesNothing)
{
    holder.pins = { kWrongPin };
    EXPECT_EQ("", sign());
    EXPECT_EQ(std::vector<int>{ KTXESEAL_STATUS_PIN_INCORRECT }, holder.refusals);
    EXPECT_EQ(0u, registerEntries());
    EXPECT_EQ(1, ktxeseal::readPinFailures(sealDirectory()).count);

    holder.pins = { kTestPin };
    EXPECT_NE("", sign());
    EXPECT_EQ(1u, holder.refusals.size());
    EXPECT_EQ(1u, registerEntries());
    EXPECT_EQ(0, ktxeseal::readPinFailures(sealDirectory()).count) << "the right PIN clears it";

    // Declining to give a PIN is no wrong PIN, and nobody is told anything.
    holder.pins = { "" };
    EXPECT_EQ("", sign());
    EXPECT_EQ(1u, holder.refusals.size());
    EXPECT_EQ(0, ktxeseal::readPinFailures(sealDirectory()).count);
}

TEST_F(SealCustodyTest, PinFileComesBeforeTheProviderWhenOnlyItsOwnerMayReadIt)
{
    holder.pins = { kWrongPin };
    PinFile pinFile(work.path());
    EXPECT_NE("", sign());
    EXPECT_EQ(0u, holder.asked) << "programs are not asked";

    struct Case
    {
        fs::perms mode;
        bool accepted;
    };
    using p = fs::perms;
    for (const Case& given :
         { Case{ p::owner_read, true }, Case{ p::owner_read | p::group_read, false },
           Case{ p::owner_read | p::others_read, false },
           Case{ p::owner_read | p::owner_write | p::group_write, false },
           Case{ p::owner_read | p::owner_write | p::others_exec, false } })
    {
        fs::permissions(pinFile.path(), given.mode);
        holder.refusals.clear();
        EXPECT_EQ(given.accepted, !sign().empty()) << static_cast<int>(given.mode);
        EXPECT_EQ(given.accepted ? std::vector<int>{}
                                 : std::vector<int>{ KTXESEAL_STATUS_PIN_FILE_REFUSED },
                  holder.refusals)
            << static_cast<int>(given.mode);
    }

    // A program, with nobody to notify, reads why on its standard error.
    fs::permissions(pinFile.path(), p::owner_read | p::group_read);
    SetESealPinProvider(nullptr, nullptr, nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ("", sign());
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, told.find(pinFile.path())) << told;
    EXPECT_NE(std::string::npos, told.find("chmod 600")) << told;

    fs::remove(pinFile.path());
    fs::create_directory(pinFile.path());
    testing::internal::CaptureStderr();
    EXPECT_EQ("", sign());
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("KTXESEAL_PIN_FILE"));
    EXPECT_EQ(0, ktxeseal::readPinFailures(sealDirectory()).count)
        << "a refused PIN file is no wrong PIN";
}

TEST_F(SealCustodyTest, FiveWrongPinsInARowLockTheSealForFiveMinutesAcrossProcesses)
{
    // A right PIN between wrong ones starts the count again.
    holder.pins = { kWrongPin, kWrongPin, kWrongPin, kWrongPin, kTestPin, kWrongPin };
    for (int attempt = 0; attempt < 6; ++attempt)
        sign();
    EXPECT_EQ(1, ktxeseal::readPinFailures(sealDirectory()).count);

    holder.pins = { kWrongPin };
    holder.refusals.clear();
    for (int attempt = 0; attempt < 4; ++attempt)
        EXPECT_EQ("", sign());
    EXPECT_EQ(std::vector<int>(3, KTXESEAL_STATUS_PIN_INCORRECT)
                  == std::vector<int>(holder.refusals.begin(), holder.refusals.end() - 1),
              true);
    EXPECT_EQ(KTXESEAL_STATUS_PIN_LOCKED, holder.refusals.back()) << "the fifth in a row locks";

    // Locked: the right PIN is not even tried, here or in another process.
    holder.pins = { kTestPin };
    holder.refusals.clear();
    EXPECT_EQ("", sign());
    EXPECT_EQ(std::vector<int>{ KTXESEAL_STATUS_PIN_LOCKED }, holder.refusals);
    writeLines(work.path() + "/pins", std::string(kTestPin) + "\n87654321\n");
    std::string output;
    EXPECT_EQ(1, run(makeSealTool() + " --change-pin --pin-fd 3 " + shellQuoted(sealDirectory())
                         + " 3<" + shellQuoted(work.path() + "/pins"),
                     output));
    EXPECT_NE(std::string::npos, output.find("locked")) << output;

    // Five minutes later the lock has run out.
    const ktxeseal::PinFailures failures = ktxeseal::readPinFailures(sealDirectory());
    EXPECT_EQ(5, failures.count);
    EXPECT_TRUE(failures.lockedAt(std::time(nullptr)));
    EXPECT_FALSE(failures.lockedAt(failures.last + ktxeseal::kPinLockSeconds));
    std::ofstream(sealDirectory() + "/" + ktxeseal::kPinFailuresFile)
        << "failures 5 last " << (failures.last - ktxeseal::kPinLockSeconds) << "\n";
    EXPECT_NE("", sign());
    EXPECT_EQ(0, ktxeseal::readPinFailures(sealDirectory()).count);
}

TEST_F(SealCustodyTest, PinIsAskedOnceForAnOperationAndAgainAfterTheSealsMinutes)
{
    holder.pins = { kTestPin };
    auto stampTwice = [&] {
        SetESealOperation(KTXESEAL_OPERATION_STAMP_DOCUMENT, "通知", "/srv/notice.odt");
        // The body and its coverage: two signatures, one stamp.
        EXPECT_NE("", sign());
        EXPECT_NE("", sign());
        SetESealOperation(KTXESEAL_OPERATION_NONE, nullptr, nullptr);
    };
    stampTwice();
    EXPECT_EQ(1u, holder.asked);
    stampTwice();
    EXPECT_EQ(2u, holder.asked) << "0 minutes: at every stamp";
    sign();
    sign();
    EXPECT_EQ(4u, holder.asked) << "outside an operation every call is a stamp of its own";

    ASSERT_TRUE(ktxeseal::writeCustodySettings(sealDirectory(), 5));
    stampTwice();
    stampTwice();
    sign();
    EXPECT_EQ(5u, holder.asked) << "an unlocked key serves for the seal's five minutes";
    {
        ScopedVariable shorter("KTXESEAL_PIN_MINUTES", "0");
        stampTwice();
        EXPECT_EQ(6u, holder.asked) << "a session may shorten the minutes";
    }
    {
        ScopedVariable longer("KTXESEAL_PIN_MINUTES", "60");
        ASSERT_TRUE(ktxeseal::writeCustodySettings(sealDirectory(), 0));
        stampTwice();
        stampTwice();
        EXPECT_EQ(8u, holder.asked) << "but never lengthen them";
    }

    // A key changed under the PIN no longer serves, whatever the minutes.
    ASSERT_TRUE(ktxeseal::writeCustodySettings(sealDirectory(), 5));
    stampTwice();
    quillmark::sealmaker::changePin(sealDirectory(), kTestPin, "11223344");
    holder.pins = { "11223344" };
    stampTwice();
    EXPECT_EQ(10u, holder.asked);
}

TEST_F(SealCustodyTest, ChangePinReencryptsTheKeyUnderTheNewPin)
{
    const std::string pins = work.path() + "/pins";
    const std::string command = makeSealTool() + " --change-pin --pin-fd 3 "
                                + shellQuoted(sealDirectory()) + " 3<" + shellQuoted(pins);
    const std::string keyFile = sealDirectory() + "/" + ktxeseal::kSealKeyFile;
    const Bytes before = readFileBytes(keyFile);
    std::string output;

    struct Refused
    {
        const char* lines;
        const char* reason;
    };
    for (const Refused& refused : { Refused{ "86427531\n11223344\n", "current PIN is wrong" },
                                    Refused{ "13572468\n12345\n", "6 to 127 bytes" },
                                    Refused{ "13572468\n", "6 to 127 bytes" } })
    {
        writeLines(pins, refused.lines);
        EXPECT_EQ(1, run(command, output)) << refused.lines;
        EXPECT_NE(std::string::npos, output.find(refused.reason)) << output;
        EXPECT_EQ(before, readFileBytes(keyFile)) << "the key stays as it was";
    }

    writeLines(pins, std::string(kTestPin) + "\n11223344\n");
    ASSERT_EQ(0, run(command, output)) << output;
    EXPECT_NE(before, readFileBytes(keyFile));
    struct stat status
    {};
    ASSERT_EQ(0, stat(keyFile.c_str(), &status));
    EXPECT_EQ(0600u, status.st_mode & 0777u);
    holder.pins = { kTestPin };
    EXPECT_EQ("", sign());
    holder.pins = { "11223344" };
    EXPECT_NE("", sign());

    // A key kept unencrypted, as seals were before: only the new PIN is asked for.
    ktxeseal::Seal seal = *ktxeseal::loadSeal(sealDirectory());
    ASSERT_TRUE(ktxeseal::unlockSeal(seal, "11223344"));
    const std::string plain = quillmark::authority::pemOf(seal.key.get());
    writeFileBytes(keyFile, Bytes(plain.begin(), plain.end()));
    holder.refusals.clear();
    EXPECT_EQ("", sign());
    EXPECT_EQ(std::vector<int>{ KTXESEAL_STATUS_KEY_UNPROTECTED }, holder.refusals);
    writeLines(pins, "55667788\n");
    ASSERT_EQ(0, run(command, output)) << output;
    holder.pins = { "55667788" };
    EXPECT_NE("", sign());
}

TEST_F(SealCustodyTest, NoFileOfASealFolderIsAKeyOpenSslReadsWithoutThePin)
{
    // A seal as the tool makes it, that has stamped, removed and met a wrong PIN.
    const std::string directory = work.path() + "/made";
    writeLines(work.path() + "/pin", std::string(kTestPin) + "\n");
    std::string output;
    ASSERT_EQ(0, run(makeSealTool() + " --authority " + shellQuoted(authority->directory)
                         + " --pin-fd 3 --pin-minutes 5 " + shellQuoted(kOrganisation) + " "
                         + shellQuoted(directory) + " 3<" + shellQuoted(work.path() + "/pin"),
                     output))
        << output;
    ScopedVariable made("KTXESEAL_SEAL_DIR", directory);
    holder.pins = { kWrongPin };
    sign();
    holder.pins = { kTestPin };
    const std::string signature = sign();
    ASSERT_NE("", signature);
    EXPECT_NE(0, CheckRemovedRight(signature.data(), static_cast<int>(signature.size())));

    auto noPassPhrase = [](char*, int, int, void*) { return 0; };
    size_t files = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(directory))
    {
        if (!entry.is_regular_file())
            continue;
        ++files;
        const Bytes content = readFileBytes(entry.path().string());
        BIO* pem = BIO_new_mem_buf(content.data(), static_cast<int>(content.size()));
        EVP_PKEY* fromPem = PEM_read_bio_PrivateKey(pem, nullptr, noPassPhrase, nullptr);
        const unsigned char* cursor = content.data();
        EVP_PKEY* fromDer = d2i_AutoPrivateKey(nullptr, &cursor, static_cast<long>(content.size()));
        cursor = content.data();
        PKCS8_PRIV_KEY_INFO* plainPkcs8
            = d2i_PKCS8_PRIV_KEY_INFO(nullptr, &cursor, static_cast<long>(content.size()));
        EXPECT_FALSE(fromPem || fromDer || plainPkcs8) << entry.path();
        EVP_PKEY_free(fromPem);
        EVP_PKEY_free(fromDer);
        PKCS8_PRIV_KEY_INFO_free(plainPkcs8);
        BIO_free(pem);
        ERR_clear_error();
    }
    EXPECT_GE(files, 6u) << "key, certificate, seal, custody, wrong PINs, register";

    // What does open the key: the PIN.
    const Bytes key = readFileBytes(directory + "/" + ktxeseal::kSealKeyFile);
    BIO* pem = BIO_new_mem_buf(key.data(), static_cast<int>(key.size()));
    EVP_PKEY* opened = PEM_read_bio_PrivateKey(pem, nullptr, nullptr, const_cast<char*>(kTestPin));
    EXPECT_TRUE(opened);
    EVP_PKEY_free(opened);
    BIO_free(pem);
    EXPECT_EQ(5, ktxeseal::pinMinutes(directory));
}
