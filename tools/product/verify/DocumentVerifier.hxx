/// Verifies stored documents one at a time in an office that carries the seal component.
#pragma once

#include "VerifyReport.hxx"

#include <Office.hxx>
#include <optional>
#include <stdexcept>

namespace quillmark::verify
{
/// The office failed while it read a file (it ended, or a call into it broke down): it must be
/// started anew before the next file.
class OfficeLost : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// An Error report for a file that no office needs to look at: missing, or no regular file.
std::optional<FileReport> unreadableFile(const std::string& path);

/// Opens `path` read-only and hidden, surveys its seals through the component's helper and
/// closes it again. Problems of the file itself come back as an Error report; OfficeLost is
/// thrown when the office itself failed.
FileReport verifyDocument(office::Office& office, const std::string& path);

/// Loads the text module into a freshly started office, so that a file's time limit measures the
/// file and not the office's first document.
void warmUp(office::Office& office);

/// The soffice settings that load the component (and nothing of a user's own) into an office.
office::Office::Options officeWithComponent();
}
