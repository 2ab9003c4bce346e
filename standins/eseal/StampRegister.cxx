// The stamping register of a seal folder.

#include "StampRegister.hxx"

#include "Base64.hxx"
#include "SealFiles.hxx"
#include "SealStructures.hxx"
#include "Sm2.hxx"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ktxeseal
{
namespace
{
using Json = nlohmann::json;

/// The last entry is looked for within this many bytes of the end; entries are far shorter.
constexpr size_t kTailWindow = 64 * 1024;
/// A register of this size is read for checking; larger ones are refused, not read blindly.
constexpr std::streamsize kLongestRegister = 256 * 1024 * 1024;
const std::string kFirstPrevious = "sm3:" + std::string(64, '0');

std::string hex(const Bytes& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * bytes.size());
    for (unsigned char byte : bytes)
    {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

std::string utcText(time_t moment)
{
    struct tm utc
    {};
    char text[32] = {};
    if (gmtime_r(&moment, &utc))
        std::strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

/// At most kLongestRegisterText bytes, not cutting a UTF-8 character.
std::string bounded(const std::string& text)
{
    if (text.size() <= kLongestRegisterText)
        return text;
    size_t end = kLongestRegisterText;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

std::string userName()
{
    struct passwd entry
    {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->pw_name;
    return std::to_string(::geteuid());
}

std::string hostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof(name) - 1) != 0)
        return std::string();
    return name;
}

std::string canonicalText(Json entry)
{
    entry.erase("signature");
    return entry.dump(-1, ' ', false, Json::error_handler_t::replace);
}

ByteRange bytesOfText(const std::string& text)
{
    return ByteRange(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

/// The last line of the open register (without its line end), or "" for an empty register;
/// nothing when the file does not end with a complete line.
std::optional<std::string> lastLine(int descriptor)
{
    struct stat status
    {};
    if (::fstat(descriptor, &status) != 0 || status.st_size < 0)
        return std::nullopt;
    const auto size = static_cast<size_t>(status.st_size);
    if (size == 0)
        return std::string();
    const size_t window = std::min(size, kTailWindow);
    std::string tail(window, '\0');
    if (::pread(descriptor, tail.data(), window, static_cast<off_t>(size - window))
        != static_cast<ssize_t>(window))
        return std::nullopt;
    if (tail.back() != '\n')
        return std::nullopt;
    tail.pop_back();
    const size_t start = tail.rfind('\n');
    if (start == std::string::npos && window < size)
        return std::nullopt;
    return start == std::string::npos ? tail : tail.substr(start + 1);
}

bool writeAll(int descriptor, const std::string& text)
{
    size_t written = 0;
    while (written < text.size())
    {
        const ssize_t count = ::write(descriptor, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        written += static_cast<size_t>(count);
    }
    return ::fsync(descriptor) == 0;
}

Json entryFor(const RegisterRecord& record, long long number, const std::string& previous)
{
    Json entry = {
        { "seq", number },
        { "time", utcText(std::time(nullptr)) },
        { "sealId", record.sealId },
        { "organisation", record.organisation },
        { "operation", record.operation },
        { "title", bounded(record.title) },
        { "file", bounded(record.file) },
        { "digest", sm3Text(record.digest) },
        { "user", userName() },
        { "host", hostName() },
        { "previous", previous },
        { "signer", record.signer },
    };
    if (record.trustedTime)
        entry["trustedTime"] = utcText(*record.trustedTime);
    if (!record.certificate.empty())
        entry["certificate"] = encodeBase64(record.certificate);
    return entry;
}

bool verifiesUnder(X509* certificate, const std::string& signer, const std::string& canonical,
                   const Bytes& signature)
{
    EVP_PKEY* key = X509_get0_pubkey(certificate);
    if (!key)
        return false;
    if (signer == kSealSigner)
        return sm2Verify(key, bytesOfText(canonical), signature);
    OwnedPtr<EVP_MD_CTX> context(EVP_MD_CTX_new());
    return context
           && EVP_DigestVerifyInit_ex(context.get(), nullptr, "SHA256", nullptr, nullptr, key,
                                      nullptr)
                  == 1
           && EVP_DigestVerify(context.get(), signature.data(), signature.size(),
                               reinterpret_cast<const unsigned char*>(canonical.data()),
                               canonical.size())
                  == 1;
}

/// Why the entry on this line is bad, or "" when it is sound.
std::string problemOf(const std::string& line, size_t number, const std::string& previous,
                      const std::optional<Seal>& seal)
{
    const Json entry = Json::parse(line, nullptr, false);
    if (entry.is_discarded() || !entry.is_object())
        return "it is not a JSON object";
    for (const char* field :
         { "time", "sealId", "operation", "digest", "previous", "signer", "signature" })
        if (!entry.contains(field) || !entry[field].is_string())
            return std::string("it has no \"") + field + "\"";
    if (!entry.contains("seq") || !entry["seq"].is_number_integer()
        || entry["seq"].get<long long>() != static_cast<long long>(number))
        return "its number is not " + std::to_string(number) + ": entries were removed or moved";
    if (entry["previous"].get<std::string>() != previous)
        return "it does not follow the entry before it: entries were removed, moved or altered";
    const std::optional<Bytes> signature = decodeBase64(entry["signature"].get<std::string>());
    if (!signature)
        return "its signature is not Base64";
    const std::string signer = entry["signer"].get<std::string>();
    OwnedPtr<X509> certificate;
    if (signer == kSealSigner)
    {
        if (!seal)
            return "it is a seal's, and the folder holds no seal to check it with";
        if (entry["sealId"].get<std::string>() != seal->issued.sealId)
            return "it names another seal than the folder's";
        certificate.reset(X509_dup(seal->certificate.get()));
    }
    else if (signer == kTokenSigner && entry.contains("certificate")
             && entry["certificate"].is_string())
    {
        const std::optional<Bytes> der = decodeBase64(entry["certificate"].get<std::string>());
        if (der)
            certificate = parseCertificate(*der);
    }
    if (!certificate)
        return "it names no certificate to check its signature with";
    if (!verifiesUnder(certificate.get(), signer, canonicalText(entry), *signature))
        return "its signature does not verify: it was altered";
    return std::string();
}
}

std::string sm3Text(const Bytes& digest) { return "sm3:" + hex(digest); }

bool createRegister(const std::string& sealDirectory, std::string& problem)
{
    const std::string path = sealDirectory + "/" + kStampRegisterFile;
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor < 0)
    {
        problem = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    ::close(descriptor);
    return true;
}

bool appendToRegister(const std::string& sealDirectory, const RegisterRecord& record,
                      const EntrySigner& sign, std::string& problem)
{
    const std::string path = sealDirectory + "/" + kStampRegisterFile;
    const int descriptor
        = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor < 0)
    {
        problem = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    struct Closer
    {
        int descriptor;
        ~Closer() { ::close(descriptor); }
    } closer{ descriptor };
    if (::flock(descriptor, LOCK_EX) != 0)
    {
        problem = "cannot lock " + path;
        return false;
    }
    const std::optional<std::string> last = lastLine(descriptor);
    long long number = 1;
    std::string previous = kFirstPrevious;
    if (!last)
    {
        problem = path + " does not end with a complete entry";
        return false;
    }
    if (!last->empty())
    {
        const Json before = Json::parse(*last, nullptr, false);
        if (before.is_discarded() || !before.contains("seq") || !before["seq"].is_number_integer())
        {
            problem = "the last entry of " + path + " is damaged";
            return false;
        }
        number = before["seq"].get<long long>() + 1;
        previous = sm3Text(sm3Digest(bytesOfText(*last)));
    }
    Json entry = entryFor(record, number, previous);
    const std::optional<Bytes> signature = sign(bytesOfText(canonicalText(entry)));
    if (!signature)
    {
        problem = "the entry could not be signed";
        return false;
    }
    entry["signature"] = encodeBase64(*signature);
    if (!writeAll(descriptor, entry.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n"))
    {
        problem = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::optional<std::vector<std::string>> registerLines(const std::string& sealDirectory)
{
    std::ifstream in(sealDirectory + "/" + kStampRegisterFile, std::ios::binary);
    if (!in)
        return std::nullopt;
    in.seekg(0, std::ios::end);
    if (in.tellg() > kLongestRegister)
        return std::nullopt;
    in.seekg(0);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    if (in.bad())
        return std::nullopt;
    return lines;
}

RegisterCheck checkRegister(const std::string& sealDirectory)
{
    RegisterCheck check;
    // A folder may keep the register of certificate seals alone.
    const std::optional<Seal> seal = loadSealWithoutKey(sealDirectory);
    const std::optional<std::vector<std::string>> lines = registerLines(sealDirectory);
    if (!lines)
    {
        check.problem = std::string("there is no readable ") + kStampRegisterFile;
        return check;
    }
    std::string previous = kFirstPrevious;
    for (size_t index = 0; index < lines->size(); ++index)
    {
        const std::string& line = (*lines)[index];
        const std::string problem = problemOf(line, index + 1, previous, seal);
        if (!problem.empty())
        {
            check.firstBad = index + 1;
            check.problem = problem;
            check.entries = lines->size();
            return check;
        }
        previous = sm3Text(sm3Digest(bytesOfText(line)));
    }
    check.entries = lines->size();
    check.intact = true;
    return check;
}
}
