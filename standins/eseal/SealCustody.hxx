// The custody of a seal's key: it is unlocked with its holder's PIN, five wrong PINs in a row
// lock the seal for five minutes, and an unlocked key serves for one operation, or for as many
// minutes as the seal's folder allows.
//
// Beside the seal (SealFiles.hxx) its folder keeps:
//   custody.conf   "pin-minutes = N": how long an unlocked key serves, 0 (at every stamp, the
//                  default) to 1440. KTXESEAL_PIN_MINUTES may shorten it for a session, never
//                  lengthen it.
//   pin-failures   "failures N last T": wrong PINs in a row and when the last one came, so that
//                  the lock holds across processes.
// The PIN comes from the file KTXESEAL_PIN_FILE names (its owner's alone), else from the PIN
// provider of the caller (KTXESealCustody.h).
#pragma once

#include "SealFiles.hxx"

#include <KTXESealCustody.h>

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ktxeseal
{
inline constexpr char kCustodyFile[] = "custody.conf";
inline constexpr char kPinFailuresFile[] = "pin-failures";
inline constexpr char kPinFileVariable[] = "KTXESEAL_PIN_FILE";
inline constexpr char kPinMinutesVariable[] = "KTXESEAL_PIN_MINUTES";
inline constexpr int kPinAttempts = 5;
inline constexpr time_t kPinLockSeconds = 5 * 60;
inline constexpr int kLongestPinMinutes = 24 * 60;

/// Bytes of a secret, wiped when they end.
class SecretBytes
{
public:
    explicit SecretBytes(size_t capacity);
    ~SecretBytes();
    SecretBytes(const SecretBytes&) = delete;
    SecretBytes& operator=(const SecretBytes&) = delete;

    char* data() { return bytes.data(); }
    size_t capacity() const { return bytes.size(); }
    std::string_view text() const { return std::string_view(bytes.data(), length); }
    void setLength(size_t count) { length = count < bytes.size() ? count : bytes.size(); }

private:
    std::vector<char> bytes;
    size_t length = 0;
};

/// The minutes an unlocked key of the seal in the folder serves.
int pinMinutes(const std::string& sealDirectory);

/// Writes custody.conf with that many minutes (0 to kLongestPinMinutes); false on failure.
bool writeCustodySettings(const std::string& sealDirectory, int minutes);

struct PinFailures
{
    int count = 0;
    time_t last = 0;

    /// Whether the seal is locked at `now`, and until when.
    bool lockedAt(time_t now) const
    {
        return count >= kPinAttempts && now < last + kPinLockSeconds;
    }
    time_t lockedUntil() const { return last + kPinLockSeconds; }
};

/// The wrong PINs in a row recorded beside the seal.
PinFailures readPinFailures(const std::string& sealDirectory);

/// What one PIN attempt came to.
struct PinAttempt
{
    /// 0 when the key is unlocked, else KTXESEAL_STATUS_PIN_INCORRECT or _PIN_LOCKED, or
    /// KTXESEAL_STATUS_REGISTER_FAILED when the folder cannot keep the count.
    int status = 0;
    PinFailures failures;
};

/// Tries the PIN on the seal's key at `now`, one attempt at a time across processes: a locked
/// seal is not tried; a wrong PIN is counted, the fifth in a row locks the seal; the right one
/// clears the count.
PinAttempt tryPin(Seal& seal, const std::string& sealDirectory, std::string_view pin, time_t now);

/// Where the library's PIN comes from when it has no PIN file.
struct PinSource
{
    KTXESealPinProvider provider = nullptr;
    KTXESealRefusalNotice notice = nullptr;
    void* context = nullptr;
};

/// What the stamping register is told of the operation a signature or removal serves.
struct OperationDescription
{
    int operation = KTXESEAL_OPERATION_NONE;
    std::string title;
    std::string file;
};

/// The register's name of an operation; `removal` tells what a call outside any operation did.
const char* operationName(int operation, bool removal);

/// The process's hold on the current seal: who is asked for its PIN, which operation is open,
/// and the key unlocked for it. Used from one thread at a time, like the library's entry points.
class SealKeeper
{
public:
    ~SealKeeper();

    void setPinSource(const PinSource& source);
    const PinSource& pinSource() const { return source; }

    /// Opens an operation; a key unlocked for an earlier one serves it only if the seal's
    /// minutes allow.
    void openOperation(OperationDescription description);
    /// Closes the operation; a key that serves one operation only is forgotten.
    void closeOperation();
    const OperationDescription& operation() const { return description; }

    /// Unlocks the key of the seal loaded from that folder: with the key unlocked earlier where
    /// it still serves, else with the PIN asked for and tried. False when it cannot be had;
    /// `status` then says why (0 when the holder declined to give a PIN), and the holder has
    /// been told.
    bool unlock(Seal& seal, const std::string& sealDirectory, int& status);

    /// Ends one call's use of the key: outside an operation a key that serves one use only is
    /// forgotten.
    void endCall();

    /// Tells the holder why the seal refused: the notice, or standard error without one.
    void refuse(int status, const std::string& detail);

private:
    struct UnlockedKey
    {
        std::string directory;
        Bytes protectedKey;
        OwnedPtr<EVP_PKEY> key;
        time_t unlockedAt = 0;
        unsigned operationSerial = 0;
    };

    bool serves(const UnlockedKey& unlocked, const Seal& seal, const std::string& directory,
                time_t now) const;
    void forget();
    /// The PIN from the PIN file or the provider; false when there is none (status set).
    bool askForPin(const Seal& seal, SecretBytes& pin, int& status);

    PinSource source;
    OperationDescription description;
    bool operationOpen = false;
    unsigned operationSerial = 0;
    std::optional<UnlockedKey> unlocked;
};

/// The keeper of this process.
SealKeeper& sealKeeper();
}
