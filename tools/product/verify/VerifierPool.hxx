/// Verifies many files with several offices at once, each on a thread of its own; an office that
/// hangs or dies on a file is started anew and that file reported as an error.
#pragma once

#include "VerifyReport.hxx"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace quillmark::verify
{
struct PoolSettings
{
    unsigned offices = 1;
    /// How long one file may take before its office counts as hung.
    std::chrono::seconds fileTimeout{ 300 };
};

/// Verifies `files`; `finished` is called for each file as it finishes, on the calling thread,
/// with the file's index. Returns the reports in the order of `files`.
std::vector<FileReport> verifyFiles(const std::vector<std::string>& files,
                                    const PoolSettings& settings,
                                    const std::function<void(size_t, const FileReport&)>& finished);
}
