// The custody of a seal's key.

#include "SealCustody.hxx"

#include "ProtectedKey.hxx"

#include <openssl/crypto.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ktxeseal
{
namespace
{
/// A PIN file holds one line; anything this long is not one.
constexpr size_t kLongestPinFile = 4096;
constexpr char kPinMinutesKey[] = "pin-minutes";

std::optional<int> parseMinutes(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    if (text.empty() || text.size() > 4)
        return std::nullopt;
    int value = 0;
    for (char digit : text)
    {
        if (digit < '0' || digit > '9')
            return std::nullopt;
        value = value * 10 + (digit - '0');
    }
    if (value > kLongestPinMinutes)
        return std::nullopt;
    return value;
}

/// "pin-minutes = N" of custody.conf; lines starting with '#' are comments.
std::optional<int> configuredMinutes(const std::string& sealDirectory)
{
    std::ifstream in(sealDirectory + "/" + kCustodyFile);
    std::string line;
    while (in && std::getline(in, line) && line.size() < 256)
    {
        const size_t equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string::npos)
            continue;
        std::string_view key(line.data(), equals);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t'))
            key.remove_suffix(1);
        if (key == kPinMinutesKey)
            return parseMinutes(std::string_view(line).substr(equals + 1));
    }
    return std::nullopt;
}

PinFailures parseFailures(const std::string& text)
{
    PinFailures failures;
    std::istringstream in(text);
    std::string countKey;
    std::string lastKey;
    long long count = 0;
    long long last = 0;
    if (in >> countKey >> count >> lastKey >> last && countKey == "failures" && lastKey == "last"
        && count >= 0 && count <= kPinAttempts && last >= 0)
    {
        failures.count = static_cast<int>(count);
        failures.last = static_cast<time_t>(last);
    }
    else if (!text.empty())
    {
        // A count nobody can read is taken at its worst: the seal stays locked for a while.
        failures.count = kPinAttempts;
        failures.last = std::time(nullptr);
    }
    return failures;
}

std::string readDescriptor(int descriptor)
{
    std::string text(256, '\0');
    const ssize_t count = ::pread(descriptor, text.data(), text.size(), 0);
    text.resize(count > 0 ? static_cast<size_t>(count) : 0);
    return text;
}

bool writeFailures(int descriptor, const PinFailures& failures)
{
    const std::string text = "failures " + std::to_string(failures.count) + " last "
                             + std::to_string(static_cast<long long>(failures.last)) + "\n";
    return ::ftruncate(descriptor, 0) == 0
           && ::pwrite(descriptor, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size())
           && ::fsync(descriptor) == 0;
}

/// The PIN of the file KTXESEAL_PIN_FILE names: its first line. False, with the reason, when the
/// file is not a regular file of this user's that only its owner may read or change.
bool readPinFile(const std::string& path, SecretBytes& pin, std::string& problem)
{
    // Non-blocking, so that a pipe in its place cannot hold the library up.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0)
    {
        problem = std::string(kPinFileVariable) + " names " + path
                  + ", which cannot be read: " + std::strerror(errno);
        return false;
    }
    struct stat status
    {};
    bool owned = ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)
                 && status.st_uid == ::geteuid();
    if (!owned || (status.st_mode & (S_IRWXG | S_IRWXO)) != 0)
    {
        ::close(descriptor);
        problem = std::string(kPinFileVariable) + " names " + path
                  + (owned ? ", which others than its owner may read or change (chmod 600 it)"
                           : ", which is not a regular file of yours")
                  + ": the PIN in it is not used";
        return false;
    }
    SecretBytes content(kLongestPinFile + 1);
    size_t length = 0;
    while (length < content.capacity())
    {
        const ssize_t count
            = ::read(descriptor, content.data() + length, content.capacity() - length);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        length += static_cast<size_t>(count);
    }
    ::close(descriptor);
    std::string_view line(content.data(), length);
    line = line.substr(0, line.find('\n'));
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (length > kLongestPinFile || line.size() >= pin.capacity())
    {
        problem = std::string(kPinFileVariable) + " names " + path + ", whose first line is "
                  + "longer than a PIN";
        return false;
    }
    std::memcpy(pin.data(), line.data(), line.size());
    pin.setLength(line.size());
    return true;
}

std::string clockTime(time_t moment)
{
    struct tm local
    {};
    char text[16] = {};
    if (localtime_r(&moment, &local))
        std::strftime(text, sizeof(text), "%H:%M:%S", &local);
    return text;
}
}

SecretBytes::SecretBytes(size_t capacity)
    : bytes(capacity, '\0')
{
}

SecretBytes::~SecretBytes() { OPENSSL_cleanse(bytes.data(), bytes.size()); }

int pinMinutes(const std::string& sealDirectory)
{
    int minutes = configuredMinutes(sealDirectory).value_or(0);
    if (const char* session = std::getenv(kPinMinutesVariable))
    {
        const std::optional<int> shorter = parseMinutes(session);
        if (shorter && *shorter < minutes)
            minutes = *shorter;
    }
    return minutes;
}

bool writeCustodySettings(const std::string& sealDirectory, int minutes)
{
    if (minutes < 0 || minutes > kLongestPinMinutes)
        return false;
    std::ofstream out(sealDirectory + "/" + kCustodyFile, std::ios::trunc);
    out << "# Minutes an unlocked seal key serves before its PIN is asked again; 0: every stamp.\n"
        << kPinMinutesKey << " = " << minutes << "\n";
    return static_cast<bool>(out.flush());
}

PinFailures readPinFailures(const std::string& sealDirectory)
{
    std::ifstream in(sealDirectory + "/" + kPinFailuresFile);
    std::string text(256, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    return parseFailures(text);
}

PinAttempt tryPin(Seal& seal, const std::string& sealDirectory, std::string_view pin, time_t now)
{
    PinAttempt attempt;
    const std::string path = sealDirectory + "/" + kPinFailuresFile;
    const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor < 0)
    {
        attempt.status = KTXESEAL_STATUS_REGISTER_FAILED;
        return attempt;
    }
    // Held over the attempt: PINs tried side by side would each see the count before the others.
    if (::flock(descriptor, LOCK_EX) != 0)
    {
        ::close(descriptor);
        attempt.status = KTXESEAL_STATUS_REGISTER_FAILED;
        return attempt;
    }
    PinFailures failures = parseFailures(readDescriptor(descriptor));
    if (failures.count >= kPinAttempts && !failures.lockedAt(now))
        failures = PinFailures{};
    if (failures.lockedAt(now))
        attempt.status = KTXESEAL_STATUS_PIN_LOCKED;
    else
    {
        if (unlockSeal(seal, pin))
            failures = PinFailures{};
        else
        {
            ++failures.count;
            failures.last = now;
            attempt.status = failures.count >= kPinAttempts ? KTXESEAL_STATUS_PIN_LOCKED
                                                            : KTXESEAL_STATUS_PIN_INCORRECT;
        }
        // An attempt that cannot be counted does not count as made.
        if (!writeFailures(descriptor, failures))
        {
            seal.key.reset();
            attempt.status = KTXESEAL_STATUS_REGISTER_FAILED;
        }
    }
    attempt.failures = failures;
    ::close(descriptor);
    return attempt;
}

const char* operationName(int operation, bool removal)
{
    switch (operation)
    {
        case KTXESEAL_OPERATION_STAMP_DOCUMENT:
            return "stamp-document";
        case KTXESEAL_OPERATION_STAMP_FIELD:
            return "stamp-field";
        case KTXESEAL_OPERATION_REMOVE_DOCUMENT_SEAL:
            return "remove-document-seal";
        case KTXESEAL_OPERATION_REMOVE_FIELD_SEAL:
            return "remove-field-seal";
        case KTXESEAL_OPERATION_COVER_DOCUMENT:
            return "cover-document";
        case KTXESEAL_OPERATION_COVER_FIELD:
            return "cover-field";
        default:
            return removal ? "remove" : "sign";
    }
}

SealKeeper::~SealKeeper() { forget(); }

void SealKeeper::setPinSource(const PinSource& pinSource) { source = pinSource; }

void SealKeeper::openOperation(OperationDescription opened)
{
    // A stamp signs twice (its text, then what else the page shows): one PIN serves both.
    const bool continued
        = operationOpen && opened.title == description.title && opened.file == description.file;
    description = std::move(opened);
    operationOpen = true;
    if (!continued)
        ++operationSerial;
}

void SealKeeper::closeOperation()
{
    description = OperationDescription{};
    operationOpen = false;
    ++operationSerial;
    if (unlocked && pinMinutes(unlocked->directory) == 0)
        forget();
}

void SealKeeper::endCall()
{
    if (!operationOpen && unlocked && pinMinutes(unlocked->directory) == 0)
        forget();
}

void SealKeeper::forget() { unlocked.reset(); }

bool SealKeeper::serves(const UnlockedKey& key, const Seal& seal, const std::string& directory,
                        time_t now) const
{
    if (key.directory != directory || key.protectedKey != seal.protectedKey)
        return false;
    const int minutes = pinMinutes(directory);
    if (minutes == 0)
        return operationOpen && key.operationSerial == operationSerial;
    return now >= key.unlockedAt && now - key.unlockedAt < static_cast<time_t>(minutes) * 60;
}

void SealKeeper::refuse(int status, const std::string& detail)
{
    if (source.notice)
        source.notice(source.context, status);
    else
        std::cerr << "KTXESeal: " << detail << std::endl;
}

bool SealKeeper::askForPin(const Seal& seal, SecretBytes& pin, int& status)
{
    const char* file = std::getenv(kPinFileVariable);
    if (file && *file)
    {
        std::string problem;
        if (readPinFile(file, pin, problem))
            return true;
        status = KTXESEAL_STATUS_PIN_FILE_REFUSED;
        refuse(status, problem);
        return false;
    }
    if (!source.provider)
    {
        status = KTXESEAL_STATUS_NO_PIN_SOURCE;
        refuse(status, std::string("the seal's key is protected by a PIN; name a file that holds "
                                   "it, readable by you alone, in ")
                           + kPinFileVariable);
        return false;
    }
    const int length = source.provider(source.context, seal.issued.name.c_str(), pin.data(),
                                       static_cast<int>(pin.capacity()));
    if (length <= 0 || static_cast<size_t>(length) >= pin.capacity())
        return false;
    pin.setLength(strnlen(pin.data(), static_cast<size_t>(length)));
    return true;
}

bool SealKeeper::unlock(Seal& seal, const std::string& sealDirectory, int& status)
{
    status = 0;
    if (!isProtectedKey(seal.protectedKey))
    {
        status = KTXESEAL_STATUS_KEY_UNPROTECTED;
        refuse(status, "the key of the seal in " + sealDirectory
                           + " is not encrypted under a PIN; quillmark-make-seal --change-pin "
                           + sealDirectory + " protects it");
        return false;
    }
    const time_t now = std::time(nullptr);
    if (unlocked && serves(*unlocked, seal, sealDirectory, now))
    {
        EVP_PKEY_up_ref(unlocked->key.get());
        seal.key.reset(unlocked->key.get());
        return isUsableSeal(seal);
    }
    forget();

    SecretBytes pin(KTXESEAL_PIN_SIZE);
    if (!askForPin(seal, pin, status))
        return false;
    const PinAttempt attempt = tryPin(seal, sealDirectory, pin.text(), now);
    status = attempt.status;
    switch (status)
    {
        case 0:
            break;
        case KTXESEAL_STATUS_PIN_INCORRECT:
            refuse(status, "wrong PIN for the seal in " + sealDirectory + "; "
                               + std::to_string(kPinAttempts - attempt.failures.count)
                               + " more wrong PINs in a row lock it for five minutes");
            return false;
        case KTXESEAL_STATUS_PIN_LOCKED:
            refuse(status, "the seal in " + sealDirectory
                               + " is locked after five wrong PINs in a row, until "
                               + clockTime(attempt.failures.lockedUntil()));
            return false;
        default:
            refuse(status, "the seal folder " + sealDirectory
                               + " cannot be written: it keeps the count of wrong PINs");
            return false;
    }
    if (!isUsableSeal(seal))
        return false;
    EVP_PKEY_up_ref(seal.key.get());
    unlocked = UnlockedKey{ sealDirectory, seal.protectedKey, OwnedPtr<EVP_PKEY>(seal.key.get()),
                            now, operationSerial };
    return true;
}

SealKeeper& sealKeeper()
{
    static SealKeeper keeper;
    return keeper;
}
}
