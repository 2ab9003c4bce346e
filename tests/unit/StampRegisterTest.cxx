// The stamping register of a seal folder: every signature and every removal the seal allows is an
// entry, with the operation and document the caller named, the digest of what was signed, who
// and where; an entry removed, altered or moved is found, by the library's check and by
// quillmark-stamp-log.

#include "ESealTestSupport.hxx"

#include <KTXESeal.h>
#include <KTXESealCustody.h>
#include <SealMaking.hxx>
#include <SealSignature.hxx>
#include <Sm2.hxx>
#include <StampRegister.hxx>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <pwd.h>
#include <unistd.h>

extern "C" {
int SignESeal(const char* text, int textLength, char* signature, int* signatureLength);
int CheckRemovedRight(const char* signature, int signatureLength);
int SetESealPinProvider(KTXESealPinProvider provider, KTXESealRefusalNotice notice, void* context);
int SetESealOperation(int operation, const char* title, const char* file);
}

using namespace esealtest;
namespace fs = std::filesystem;
using Json = nlohmann::json;
using Lines = std::vector<std::string>;

namespace
{
constexpr char kOrganisation[] = "上海市某某贸易有限公司";
const std::string kNotice = "\xCD\xA8\xD6\xAA";           // "通知" in GBK
const std::string kContract = "\xBA\xCF\xCD\xAC\xCA\xE9"; // "合同书" in GBK

std::vector<int> refusals;
void keepRefusal(void*, int status) { refusals.push_back(status); }

int run(const std::string& command, std::string& output)
{
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char buffer[512];
    while (pipe && fgets(buffer, sizeof(buffer), pipe))
        output += buffer;
    const int status = pipe ? pclose(pipe) : -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class StampRegisterTest : public ::testing::Test
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
            quillmark::sealmaker::makeSeal(kOrganisation, &authority->authority), directory(),
            kTestPin, false);
        refusals.clear();
        SetESealPinProvider(nullptr, keepRefusal, nullptr);
    }
    void TearDown() override
    {
        SetESealOperation(KTXESEAL_OPERATION_NONE, nullptr, nullptr);
        SetESealPinProvider(nullptr, nullptr, nullptr);
    }

    std::string directory() const { return work.path() + "/seal"; }
    std::string registerPath() const { return directory() + "/" + ktxeseal::kStampRegisterFile; }

    std::string sign(const std::string& text)
    {
        std::vector<char> area(KTXESEAL_AREA_SIZE, 0);
        int length = 0;
        if (SignESeal(text.data(), static_cast<int>(text.size()), area.data(), &length) <= 0)
            return std::string();
        return std::string(area.data(), static_cast<size_t>(length));
    }

    /// Two stamps, a removal and a signature outside any operation.
    void stampAndRemove()
    {
        SetESealOperation(KTXESEAL_OPERATION_STAMP_DOCUMENT, u8"关于印发办法的通知",
                          "/srv/文件/notice.odt");
        const std::string notice = sign(kNotice);
        SetESealOperation(KTXESEAL_OPERATION_STAMP_FIELD, u8"采购合同", "/srv/contract.odt");
        ASSERT_NE("", sign(kContract));
        SetESealOperation(KTXESEAL_OPERATION_REMOVE_DOCUMENT_SEAL, u8"关于印发办法的通知",
                          "/srv/文件/notice.odt");
        ASSERT_NE(0, CheckRemovedRight(notice.data(), static_cast<int>(notice.size())));
        SetESealOperation(KTXESEAL_OPERATION_NONE, nullptr, nullptr);
        ASSERT_NE("", sign(kNotice));
    }

    Lines lines() const { return ktxeseal::registerLines(directory()).value_or(Lines()); }
    void rewrite(const Lines& changed) const
    {
        std::ofstream out(registerPath(), std::ios::trunc);
        for (const std::string& line : changed)
            out << line << "\n";
    }

    static inline TemporaryDirectory* folder = nullptr;
    static inline TestAuthority* authority = nullptr;

    TemporaryDirectory work;
    ScopedVariable currentSeal{ "KTXESEAL_SEAL_DIR", work.path() + "/seal" };
    ScopedVariable trust{ "KTXESEAL_TRUST_DIR", authority->trustDirectory };
    PinFile pin{ work.path() };
};

std::string sm3Of(const std::string& text)
{
    return ktxeseal::sm3Text(ktxeseal::sm3Digest(
        ktxeseal::ByteRange(reinterpret_cast<const unsigned char*>(text.data()), text.size())));
}
}

TEST_F(StampRegisterTest, EveryStampAndRemovalIsAnEntryWithItsDocumentAndWhoDidIt)
{
    EXPECT_TRUE(fs::exists(registerPath())) << "a new seal has an empty register";
    EXPECT_TRUE(ktxeseal::checkRegister(directory()).intact);
    stampAndRemove();
    const Lines stored = lines();
    ASSERT_EQ(4u, stored.size());
    std::vector<Json> entries;
    for (const std::string& line : stored)
        entries.push_back(Json::parse(line));

    const ktxeseal::Seal seal = *ktxeseal::loadSealWithoutKey(directory());
    char host[256] = {};
    gethostname(host, sizeof(host) - 1);
    struct Expected
    {
        const char* operation;
        const char* title;
        const char* file;
        std::string digest;
    };
    const Expected expected[] = {
        { "stamp-document", u8"关于印发办法的通知", "/srv/文件/notice.odt", sm3Of(kNotice) },
        { "stamp-field", u8"采购合同", "/srv/contract.odt", sm3Of(kContract) },
        { "remove-document-seal", u8"关于印发办法的通知", "/srv/文件/notice.odt", sm3Of(kNotice) },
        { "sign", "", "", sm3Of(kNotice) },
    };
    for (size_t index = 0; index < entries.size(); ++index)
    {
        const Json& entry = entries[index];
        SCOPED_TRACE(index);
        EXPECT_EQ(static_cast<long long>(index + 1), entry["seq"].get<long long>());
        EXPECT_EQ(expected[index].operation, entry["operation"]);
        EXPECT_EQ(expected[index].title, entry["title"]);
        EXPECT_EQ(expected[index].file, entry["file"]);
        EXPECT_EQ(expected[index].digest, entry["digest"]);
        EXPECT_EQ(seal.issued.sealId, entry["sealId"]);
        EXPECT_EQ(kOrganisation, entry["organisation"]);
        EXPECT_EQ(getpwuid(geteuid())->pw_name, entry["user"]);
        EXPECT_EQ(host, entry["host"]);
        EXPECT_EQ("seal", entry["signer"]);
        EXPECT_EQ(20u, entry["time"].get<std::string>().size()) << "2026-12-08T11:30:05Z";
        EXPECT_EQ(index == 0 ? "sm3:" + std::string(64, '0')
                             : ktxeseal::sm3Text(ktxeseal::sm3Digest(ktxeseal::ByteRange(
                                 reinterpret_cast<const unsigned char*>(stored[index - 1].data()),
                                 stored[index - 1].size()))),
                  entry["previous"]);
    }
    EXPECT_TRUE(ktxeseal::checkRegister(directory()).intact);
    std::string output;
    EXPECT_EQ(0, run(std::string(QUILLMARK_STAMP_LOG) + " verify '" + directory() + "'", output))
        << output;
    EXPECT_NE(std::string::npos, output.find("4 entries, intact")) << output;
    ASSERT_EQ(0,
              run(std::string(QUILLMARK_STAMP_LOG) + " list '" + directory() + "' --json", output));
    const Json listed = Json::parse(output);
    ASSERT_EQ(4u, listed.size());
    EXPECT_EQ("stamp-field", listed[1]["operation"]);
}

TEST_F(StampRegisterTest, EntryRemovedAlteredOrMovedIsNamed)
{
    stampAndRemove();
    const Lines intact = lines();
    ASSERT_EQ(4u, intact.size());
    auto withTitle = [](std::string line, const std::string& title) {
        Json entry = Json::parse(line);
        entry["title"] = title;
        return entry.dump();
    };
    struct Case
    {
        const char* name;
        std::function<Lines(Lines)> change;
        size_t firstBad;
    };
    const Case cases[] = {
        { "second removed",
          [](Lines changed) {
              changed.erase(changed.begin() + 1);
              return changed;
          },
          2 },
        { "first removed",
          [](Lines changed) {
              changed.erase(changed.begin());
              return changed;
          },
          1 },
        { "third altered",
          [&](Lines changed) {
              changed[2] = withTitle(changed[2], u8"另一份文件");
              return changed;
          },
          3 },
        { "second and third swapped",
          [](Lines changed) {
              std::swap(changed[1], changed[2]);
              return changed;
          },
          2 },
        { "last moved first",
          [](Lines changed) {
              std::rotate(changed.begin(), changed.end() - 1, changed.end());
              return changed;
          },
          1 },
        { "second cut short",
          [](Lines changed) {
              changed[1].resize(changed[1].size() / 2);
              return changed;
          },
          2 },
        { "signature of another entry",
          [](Lines changed) {
              Json second = Json::parse(changed[1]);
              second["signature"] = Json::parse(changed[3])["signature"];
              changed[1] = second.dump();
              return changed;
          },
          2 },
    };
    for (const Case& tampered : cases)
    {
        SCOPED_TRACE(tampered.name);
        rewrite(tampered.change(intact));
        const ktxeseal::RegisterCheck check = ktxeseal::checkRegister(directory());
        EXPECT_FALSE(check.intact);
        EXPECT_EQ(tampered.firstBad, check.firstBad) << check.problem;
        std::string output;
        EXPECT_EQ(1,
                  run(std::string(QUILLMARK_STAMP_LOG) + " verify '" + directory() + "'", output));
        EXPECT_NE(std::string::npos,
                  output.find("entry " + std::to_string(tampered.firstBad) + " of"))
            << output;
    }
    rewrite(intact);
    EXPECT_TRUE(ktxeseal::checkRegister(directory()).intact);

    // A register that is gone is no intact one.
    fs::remove(registerPath());
    std::string output;
    EXPECT_EQ(1, run(std::string(QUILLMARK_STAMP_LOG) + " verify '" + directory() + "'", output));
}

TEST_F(StampRegisterTest, NothingIsSignedOrAllowedThatCannotGoOnRecord)
{
    const std::string notice = sign(kNotice);
    ASSERT_NE("", notice);
    rewrite({ lines().front().substr(0, 10) });
    std::ofstream(registerPath(), std::ios::app) << "no line end";
    EXPECT_EQ("", sign(kNotice)) << "after a damaged last entry";
    EXPECT_EQ(0, CheckRemovedRight(notice.data(), static_cast<int>(notice.size())));
    fs::remove(registerPath());
    fs::create_directory(registerPath());
    EXPECT_EQ("", sign(kNotice)) << "where no register can be written";
    EXPECT_EQ(std::vector<int>(3, KTXESEAL_STATUS_REGISTER_FAILED), refusals);
}

TEST_F(StampRegisterTest, KeyTokenEntriesCarryTheirCertificateAndAreCheckedWithIt)
{
    // A certificate seal's entry, signed as quillmark-cert-seal signs it with the token's key:
    // SHA-256 with a P-256 key here.
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* certificate = X509_new();
    X509_set_version(certificate, X509_VERSION_3);
    X509_gmtime_adj(X509_getm_notBefore(certificate), 0);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 3600);
    X509_set_pubkey(certificate, key);
    ASSERT_GT(X509_sign(certificate, key, EVP_sha256()), 0);
    ktxeseal::RegisterRecord record;
    record.operation = "stamp-certificate";
    record.title = u8"证书签章的通知";
    record.signer = ktxeseal::kTokenSigner;
    record.certificate = ktxeseal::certificateDer(certificate);
    record.digest = ktxeseal::sm3Digest(ktxeseal::ByteRange());
    auto signWithToken = [&](ktxeseal::ByteRange canonical) -> std::optional<Bytes> {
        EVP_MD_CTX* context = EVP_MD_CTX_new();
        size_t length = 0;
        Bytes signature;
        if (EVP_DigestSignInit(context, nullptr, EVP_sha256(), nullptr, key) == 1
            && EVP_DigestSign(context, nullptr, &length, canonical.data, canonical.size) == 1)
        {
            signature.resize(length);
            EVP_DigestSign(context, signature.data(), &length, canonical.data, canonical.size);
            signature.resize(length);
        }
        EVP_MD_CTX_free(context);
        return signature;
    };
    ASSERT_NE("", sign(kNotice));
    std::string problem;
    ASSERT_TRUE(ktxeseal::appendToRegister(directory(), record, signWithToken, problem)) << problem;
    ASSERT_NE("", sign(kContract));
    EXPECT_TRUE(ktxeseal::checkRegister(directory()).intact)
        << ktxeseal::checkRegister(directory()).problem;

    Lines changed = lines();
    Json entry = Json::parse(changed[1]);
    entry["operation"] = "remove-document-seal";
    changed[1] = entry.dump();
    rewrite(changed);
    EXPECT_EQ(2u, ktxeseal::checkRegister(directory()).firstBad);
    X509_free(certificate);
    EVP_PKEY_free(key);
}
