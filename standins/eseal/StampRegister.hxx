// The stamping register (用印登记) of a seal folder, stamps.log: one JSON object a line for every
// signature the seal made, every removal it allowed and every certificate seal put on record
// there. Each entry names the previous one by the SM3 of its line ("previous"; the first names
// "sm3:" and 64 zeros), and is signed over its own canonical text (the object without
// "signature", keys sorted, no spaces):
//   seal entries   by the seal's key (SM2 with SM3), checked against the folder's seal.crt;
//   token entries  by a key token's key (ECDSA or RSA with SHA-256), its certificate (Base64
//                  DER) in the entry's "certificate".
// So an entry that is altered, removed or moved breaks the chain or a signature. Entries are
// appended under an exclusive lock of the file; a register whose last line is damaged takes no
// more.
#pragma once

#include "OpenSslPointers.hxx"

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ktxeseal
{
inline constexpr char kStampRegisterFile[] = "stamps.log";
inline constexpr char kSealSigner[] = "seal";
inline constexpr char kTokenSigner[] = "token";
/// Titles and file names longer than this are cut, at a character's end.
inline constexpr size_t kLongestRegisterText = 1024;

/// What a new entry records; the register adds its number, the time, the user and the host,
/// and its link to the previous entry.
struct RegisterRecord
{
    std::string operation;
    std::string title;
    std::string file;
    std::string sealId;
    std::string organisation;
    /// SM3 of what was signed.
    Bytes digest;
    /// When a trusted time-stamp authority vouched for the signature.
    std::optional<time_t> trustedTime;
    std::string signer = kSealSigner;
    /// DER of the token's certificate, for token entries.
    Bytes certificate;
};

/// Signs an entry's canonical text; nothing when it cannot.
using EntrySigner = std::function<std::optional<Bytes>(ByteRange canonical)>;

/// Appends the record as the next entry of the folder's register, creating the register (owner
/// only) when it is missing. False, with the reason, when the entry could not be written.
bool appendToRegister(const std::string& sealDirectory, const RegisterRecord& record,
                      const EntrySigner& sign, std::string& problem);

/// An empty register for a new seal, so that a register removed later is missed.
bool createRegister(const std::string& sealDirectory, std::string& problem);

struct RegisterCheck
{
    bool intact = false;
    size_t entries = 0;
    /// The first bad entry (1-based line), 0 when none is.
    size_t firstBad = 0;
    std::string problem;
};

/// Checks every entry of the folder's register: its number, its link to the one before, and its
/// signature (seal entries under the folder's seal.crt and seal id, token entries under their
/// own certificate).
RegisterCheck checkRegister(const std::string& sealDirectory);

/// The register's lines as they are stored; nothing when it cannot be read.
std::optional<std::vector<std::string>> registerLines(const std::string& sealDirectory);

/// "sm3:" and the hexadecimal digest.
std::string sm3Text(const Bytes& digest);
}
