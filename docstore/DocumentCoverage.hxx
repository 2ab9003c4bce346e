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

#include <format/CoverageManifest.hxx>

#include <string>
#include <vector>

namespace quillmark
{

/// The parts of the whole document. Seal pictures, the stamping area and field markers are left
/// out: they come and go with seals, which must not break one another.
/// `leaveOut` is an object that is about to go, such as the stamping area a stamp replaces; the
/// seal pictures the reading left out are added to `sealPictures` where it is given.
PartDigests
readDocumentCoverage(const css::uno::Reference<css::uno::XComponentContext>& context,
                     const css::uno::Reference<css::frame::XModel>& document,
                     const css::uno::Reference<css::uno::XInterface>& leaveOut = {},
                     std::vector<css::uno::Reference<css::uno::XInterface>>* sealPictures
                     = nullptr);

/// The same for the text between the two ends of `region` (a field): its paragraphs, their
/// formatting and what is anchored in them.
PartDigests readRegionCoverage(const css::uno::Reference<css::uno::XComponentContext>& context,
                               const css::uno::Reference<css::text::XTextRange>& region);

/// Has the office lay the whole document out now, where it has a view that left some of it for
/// later; false where there is nothing to lay out. What the layout decides (where a drawing shape
/// lies on its page) reads from the model only once it has run.
bool layOutWholly(const css::uno::Reference<css::frame::XModel>& document);

/// A picture's content as the coverage counts it: its pixels, or a vector drawing's data.
std::string graphicDigest(const css::uno::Reference<css::uno::XComponentContext>& context,
                          const css::uno::Reference<css::graphic::XGraphic>& graphic);
/// The same for a picture file's bytes, as the office reads them; "" when it reads no picture.
std::string pictureFileDigest(const css::uno::Reference<css::uno::XComponentContext>& context,
                              const css::uno::Sequence<sal_Int8>& bytes);

}
