/// The outcome of checking one stored signature against the text it signed, as the operations and
/// the seal survey share it. The checks show nothing: each caller tells the user in its own way.
#pragma once

#include <rtl/ustring.hxx>

namespace quillmark
{
struct SealVerdict
{
    enum class Outcome
    {
        Valid,       ///< the signature matches the text
        Changed,     ///< the check completed and the text differs from what was signed
        Refused,     ///< the check completed and the signature vouches for nothing; `reason` says
                     ///< why (an untrusted authority, an expired seal, another signer's seal)
        Unverifiable ///< the check could not complete; `reason` says why
    };
    Outcome outcome = Outcome::Unverifiable;
    /// Why the seal is refused or the check could not complete, as the user is told it; empty
    /// otherwise.
    rtl::OUString reason;

    bool valid() const { return outcome == Outcome::Valid; }
};

class SealLibraryBinding;

/// The electronic-seal library's check of `signature` over `text`, through the caller's binding:
/// a binding of its own would unload the library from under the caller's when it ends.
SealVerdict checkSealLibrarySignature(SealLibraryBinding& sealLibrary, const rtl::OUString& text,
                                      const rtl::OUString& signature);

/// Starts the certificate library; 0 when it is ready, else the library's status.
int startCertificateLibrary();

/// The certificate library's check of a certificate seal: the PKCS#7 signed data in
/// `signatureText` (Base64) must verify, chain to the library's trust store and carry exactly
/// `documentText`, and `certificateText` (the seal's "Cert" field, Base64) must be the
/// certificate that signed. The library must be started.
SealVerdict checkCertificateSignature(const rtl::OUString& signatureText,
                                      const rtl::OUString& certificateText,
                                      const rtl::OUString& documentText);
}
