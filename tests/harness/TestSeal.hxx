/// An electronic seal of the test's own, in a folder of the office's work folder; the seal
/// library in this process signs with the active one.
#pragma once

#include <string>

namespace quillmark::test
{
class TestSeal
{
public:
    /// Makes a seal for `organisation` (UTF-8) under `folder`.
    TestSeal(const std::string& folder, const std::string& organisation);
    /// Makes the seal library sign with this seal.
    void activate() const;
    const std::string& directory() const { return sealDirectory; }

private:
    std::string sealDirectory;
};

/// Points the seal library at a folder that holds no seal.
void deactivateSeals();
}
