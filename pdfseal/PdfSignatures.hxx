/// Signatures inside a PDF, through PoDoFo: each added in an incremental update of its own as a
/// signature field whose widget shows the seal's picture where the seal lies on its page, and
/// read back with the byte ranges they cover.
#pragma once

#include "CmsSignature.hxx"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillmark::pdfseal
{
/// A file PoDoFo cannot read as a PDF, or cannot write back.
struct PdfError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

/// A page's size in points.
struct PageBox
{
    double width = 0;
    double height = 0;
};

/// Every page's size, in page order.
std::vector<PageBox> pageBoxes(const Bytes& pdf);

/// Pixels of a picture: RGB, and the alpha of each pixel where it has any transparency.
struct Picture
{
    unsigned width = 0;
    unsigned height = 0;
    Bytes rgb;
    /// One byte per pixel; empty when the picture is opaque.
    Bytes alpha;
};

/// The pixels of a PNG picture. Throws std::runtime_error when it is none.
Picture decodePng(ByteRange png);

struct SignatureField
{
    /// The field's name (UTF-8), unique in the document.
    std::string name;
    /// Who signed, and why, as readers show it (UTF-8).
    std::string signerName;
    std::string reason;
    time_t signingTime = 0;
    /// Where the widget lies: the page (from 0) and, in points from the page's top left
    /// corner, its box.
    size_t page = 0;
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    Picture picture;
};

/// The detached signature over content whose digest, by the signer's algorithm, is given.
using DigestSigner = std::function<Bytes(const Bytes& contentDigest)>;

/// Room kept for a signature with its certificates and a time-stamp token.
inline constexpr size_t kSignatureRoom = 16384;

/// The PDF with one more incremental update that adds the field and its signature, made by
/// `sign` over every byte of the new file but the signature itself. Throws PdfError for a PDF
/// PoDoFo cannot update, std::runtime_error when the signer fails or its signature does not fit.
Bytes addSignature(const Bytes& pdf, const SignatureField& field, SignatureAlgorithm algorithm,
                   const DigestSigner& sign);

/// A signature as the file holds it.
struct StoredSignature
{
    std::string fieldName;
    /// Its byte range: from 0 up to the signature, and from after it to `end`.
    size_t signatureStart = 0;
    size_t signatureEnd = 0;
    size_t end = 0;
    /// The byte range is [0 start end-of-signature rest]: it covers everything from the start
    /// of the file to `end` but exactly one hex string, and that string is its /Contents.
    bool rangeWellFormed = false;
    /// The signature bytes (DER, padded with zeros).
    Bytes contents;
};

/// Every signature of every signature field. Throws PdfError for a file that is no PDF.
std::vector<StoredSignature> storedSignatures(const Bytes& pdf);

/// Whether the bytes from `from` to `to` of the file are updates that only add signature
/// fields and their widgets: every object that was there before is unchanged, but for the
/// catalog's form, the pages' annotation lists and the form's field list, and what those gained
/// are signature fields.
bool addsOnlySignatures(const Bytes& pdf, size_t from, size_t to);
}
