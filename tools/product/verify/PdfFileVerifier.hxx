/// A PDF's seals are read from the file itself: no office is needed to check them.
#pragma once

#include "VerifyReport.hxx"

#include <optional>
#include <string>

namespace quillmark::verify
{
/// Whether the file is a PDF, told by its first bytes; none when it cannot be read.
std::optional<bool> isPdfFile(const std::string& path);

/// The seals of the PDF at `path`: one per signature, with the same verdicts and statuses as a
/// Writer document's. A file that is no readable PDF is an Error report.
FileReport verifyPdfFile(const std::string& path);
}
