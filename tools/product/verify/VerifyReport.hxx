/// What the verifier says about one file, and the three ways it writes that down.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quillmark::verify
{
struct SealReport
{
    std::string kind; ///< "document", "certificate" or "field"
    std::string name;
    bool valid = false;
    std::string reason;
    /// What a valid seal vouches for: "document" (everything a reader sees) or "text" (the
    /// text alone).
    std::string scope;
    /// The parts found changed: "body", "tables", "headers", "notes", "frames", "pictures",
    /// "format".
    std::vector<std::string> changed;
    /// The organisation of the seal that signed, where its signature tells.
    std::string organisation;
};

struct FileReport
{
    enum class Status
    {
        Valid,
        Invalid,
        Unsigned,
        Error
    };
    std::string file; ///< as it was named to the tool
    Status status = Status::Error;
    std::vector<SealReport> seals;
    std::string error; ///< why the file could not be read; empty unless the status is Error
};

/// The status that the seals of a readable file give it.
FileReport::Status statusOfSeals(const std::vector<SealReport>& seals);
const char* statusName(FileReport::Status status);

/// Under --strict a seal that vouches for the text alone is no valid seal: the seals and the
/// file's status say so.
void applyStrictness(FileReport& report);

/// 0 when every file is valid, 2 when any could not be read, else 1.
int exitStatus(const std::vector<FileReport>& reports);

/// One file object of the JSON output, on one line: {"file", "status", "seals": [{"kind",
/// "name", "valid", "reason", "scope", "changed", "organisation"}], "error"}.
std::string jsonObject(const FileReport& report);
/// The JSON output of a whole run: {"files": [file objects]}.
std::string jsonDocument(const std::vector<FileReport>& reports);

/// The readable table, one row per seal (one per file without seals), in columns.
void writeTable(std::ostream& out, const std::vector<FileReport>& reports);
}
