/// An electronic seal of the test's own, in a folder of the office's work folder; the seal
/// library in this process signs with the active one. Seals are issued by the harness's seal
/// authority, which the first seal made trusts for this process through KTXESEAL_TRUST_DIR. Their
/// keys are encrypted under kTestSealPin, which the fake PIN box answers.
#pragma once

#include <string>

namespace quillmark::test
{
inline constexpr char kTestSealPin[] = "24681357";

enum class SealIssuer
{
    /// The harness's authority, trusted in this process.
    TrustedAuthority,
    /// Another authority, trusted nowhere.
    UntrustedAuthority,
    /// No authority: the seal's own key issued it.
    SelfMade,
};

class TestSeal
{
public:
    /// Makes a seal for `organisation` (UTF-8) under `folder`.
    TestSeal(const std::string& folder, const std::string& organisation,
             SealIssuer issuer = SealIssuer::TrustedAuthority);
    /// Makes the seal library sign with this seal.
    void activate() const;
    /// A file beside the seal's folder that holds its PIN, readable by its owner only, to be
    /// named by KTXESEAL_PIN_FILE for an office that no one types the PIN into.
    std::string writePinFile() const;
    const std::string& directory() const { return sealDirectory; }

private:
    std::string sealDirectory;
};

/// Points the seal library at a folder that holds no seal.
void deactivateSeals();
}
