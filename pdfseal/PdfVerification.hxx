/// The verdict on every signature of a PDF, as a recipient with nothing but the file and a trust
/// folder reaches it: each signature's byte range and digest, its signature value, the chain of
/// its signer to what this machine trusts (seal authorities and their revocation lists for
/// document seals, the certificate library's CAs for key tokens), and whether anything but
/// further signatures was added after it.
#pragma once

#include "PdfSignatures.hxx"

#include <ctime>
#include <string>
#include <vector>

namespace quillmark::pdfseal
{
struct PdfSealVerdict
{
    enum class Kind
    {
        /// Signed with an electronic seal's SM2 key.
        Document,
        /// Signed with a key token's key.
        Certificate
    };
    Kind kind = Kind::Document;
    std::string fieldName;
    bool valid = false;
    /// The verdict in words (UTF-8).
    std::string reason;
    /// Whose seal, as its signer's certificate names it.
    std::string organisation;
};

/// Whether the file starts as a PDF does.
bool looksLikePdf(const Bytes& file);

/// Every signature of the PDF, in the order they were added, judged at `now` by what the trust
/// folders and the trust store hold now. Throws PdfError for a file that is no readable PDF.
std::vector<PdfSealVerdict> verifyPdfSignatures(const Bytes& pdf, time_t now);
}
