/// What a seal vouches for beyond the body string: a canonical reading of everything a reader
/// sees, taken from the document model, as one SM3 digest per part of the document. The reading
/// is the same after an OpenDocument save and reload, in another profile, with other fonts
/// installed and with another page layout: nothing laid out (page numbers, page counts, soft page
/// breaks, rendered pictures) enters it.
#pragma once

#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>

#include <array>
#include <cstddef>
#include <string>

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

/// The parts of the whole document. Seal pictures, the stamping area and field markers are left
/// out: they come and go with seals, which must not break one another.
/// `leaveOut` is an object that is about to go, such as the stamping area a stamp replaces.
PartDigests readDocumentCoverage(const css::uno::Reference<css::uno::XComponentContext>& context,
                                 const css::uno::Reference<css::frame::XModel>& document,
                                 const css::uno::Reference<css::uno::XInterface>& leaveOut = {});

/// The same for the text between the two ends of `region` (a field): its paragraphs, their
/// formatting and what is anchored in them.
PartDigests readRegionCoverage(const css::uno::Reference<css::uno::XComponentContext>& context,
                               const css::uno::Reference<css::text::XTextRange>& region);

/// A picture's content as the coverage counts it: its pixels, or a vector drawing's data.
std::string graphicDigest(const css::uno::Reference<css::uno::XComponentContext>& context,
                          const css::uno::Reference<css::graphic::XGraphic>& graphic);
/// The same for a picture file's bytes, as the office reads them; "" when it reads no picture.
std::string pictureFileDigest(const css::uno::Reference<css::uno::XComponentContext>& context,
                              const css::uno::Sequence<sal_Int8>& bytes);

/// The part's name in a stored coverage ("body", "tables", ...).
const char* partKey(CoveragePart part);
/// The part's name as the verdict shows it (正文, 表格, ...), UTF-8.
const char* partLabel(CoveragePart part);
}
