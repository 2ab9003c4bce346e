/// The coverage a seal carries beside its signature over the body text: the digests of every part
/// of the document and the places of the seal's pictures, as the text the seal signs, and that
/// text with its signature as one stored field.
///
/// Stored form (ASCII, one item a line, in this order):
///
///     quillmark-coverage 1
///     scope document            (or: field)
///     body <sm3 hex>            (one line for each part, in the parts' order)
///     ...
///     format <sm3 hex>
///     seal <page> <x> <y> [<sm3 hex of the picture>]   (zero or more)
///     signature <the seal's signature over all lines above, with their line ends>
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quillmark
{
/// The parts a reader would name when telling what changed. Their order is the order of the
/// lines of a stored coverage: never reorder.
enum class CoveragePart
{
    Body,           ///< paragraphs of the body, with list numbers, fields and note anchors
    Tables,         ///< text of the body's tables, cell by cell
    HeadersFooters, ///< headers and footers of every page style the body can use
    Notes,          ///< footnotes and endnotes
    Frames,         ///< text frames, the text of drawing shapes, captions
    Pictures,       ///< pictures, embedded objects and drawing shapes: content and place
    Format          ///< character and paragraph formatting, tracked changes, section visibility
};
constexpr std::size_t kCoveragePartCount = 7;

/// A part's digest, as lower-case hexadecimal SM3.
using PartDigests = std::array<std::string, kCoveragePartCount>;

/// The part's name in a stored coverage ("body", "tables", ...).
const char* partKey(CoveragePart part);
/// The part's name as the verdict shows it (正文, 表格, ...), UTF-8.
const char* partLabel(CoveragePart part);

/// Where a seal picture lies: its page and its position on it, in 1/100 mm.
struct SealPlace
{
    int page = 0;
    int x = 0;
    int y = 0;
    /// The picture's content digest, where the signature does not carry the picture itself.
    std::string picture;
};

struct CoverageManifest
{
    enum class Scope
    {
        Document,
        Field
    };
    Scope scope = Scope::Document;
    PartDigests parts;
    std::vector<SealPlace> seals;
};

/// The text that is signed.
std::string manifestText(const CoverageManifest& manifest);

struct StoredCoverage
{
    /// Exactly the text that was signed.
    std::string signedText;
    CoverageManifest manifest;
    std::string signature;
};

/// The field's value: the manifest and its signature.
std::string storedCoverageText(const CoverageManifest& manifest, const std::string& signature);
/// The same for a manifest's text as it was signed.
std::string storedCoverageText(const std::string& signedText, const std::string& signature);
/// None when the text is not a stored coverage of this version, in every detail: a coverage that
/// cannot be read vouches for nothing.
std::optional<StoredCoverage> parseStoredCoverage(const std::string& text);

/// The parts whose digests differ, as the verdict names them. Editing text moves the runs of
/// formatting that follow it, so formatting is named only where no text changed.
std::vector<CoveragePart> changedParts(const PartDigests& signedParts,
                                       const PartDigests& currentParts);

/// Places differ by less than a writer can see: the office keeps positions in twips, and a
/// position set in 1/100 mm reads back rounded to one.
constexpr int kPlaceTolerance = 5;
/// Whether every picture in `current` lies at a signed place and every signed place has one.
bool samePlaces(const std::vector<SealPlace>& signedPlaces, const std::vector<SealPlace>& current);
}
