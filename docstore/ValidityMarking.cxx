// A seal whose text changed after signing is drawn in black and white; a document seal also says
// so in its caption. A later valid verdict undoes both.

#include <docstore/ValidityMarking.hxx>

#include <docstore/DocstoreTexts.hxx>
#include <format/ShapeAttributes.hxx>

#include <common/CaughtExceptions.hxx>
#include <common/OfficeNames.hxx>
#include <common/OfficeConstants.hxx>
#include <component/QORVHelper.hxx>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/text/XText.hpp>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
Any colorMode(bool invalid) { return Any(invalid ? kColorMono : kColorStandard); }

// The caption must stand out from the black and white seal, on screen and in print: bold red
// on a white band across the picture.
constexpr sal_Int32 kCaptionColor = 0xE00000;
constexpr sal_Int32 kCaptionBand = 0xFFFFFF;
constexpr float kCaptionWeight = 150.0f; // com.sun.star.awt.FontWeight BOLD
constexpr float kCaptionHeight = 16.0f;

void writeCaption(const Reference<uno::XInterface>& shape, const OUString& caption)
{
    Reference<text::XText>(shape, UNO_QUERY_THROW)->setString(caption);
    if (caption.isEmpty())
        return;
    Reference<beans::XPropertySet> text(shape, UNO_QUERY_THROW);
    text->setPropertyValue("CharColor", Any(kCaptionColor));
    text->setPropertyValue("CharBackColor", Any(kCaptionBand));
    text->setPropertyValue("CharBackTransparent", Any(false));
    for (const char* weight : { "CharWeight", "CharWeightAsian", "CharWeightComplex" })
        text->setPropertyValue(ascii(weight), Any(kCaptionWeight));
    for (const char* height : { "CharHeight", "CharHeightAsian", "CharHeightComplex" })
        text->setPropertyValue(ascii(height), Any(kCaptionHeight));
}
}

void markDocumentSealPicture(const Reference<uno::XInterface>& shape, bool invalid)
{
    setProperty(shape, "GraphicColorMode", colorMode(invalid));
    writeCaption(shape, invalid ? fromUtf8(texts::kInvalidSealCaption) : OUString());
}

void markFieldSealPicture(const Reference<uno::XInterface>& graphic, bool invalid)
{
    setProperty(graphic, "GraphicColorMode", colorMode(invalid));
}

void QORVHelper::markDocumentSeals(bool invalid)
{
    Reference<uno::XInterface> current = selection();
    if (!offersService(current, texts::kShapeCollection))
        return;
    Reference<container::XIndexAccess> shapes(current, UNO_QUERY_THROW);
    for (sal_Int32 i = 0; i < shapes->getCount(); ++i)
    {
        Reference<uno::XInterface> shape(shapes->getByIndex(i), UNO_QUERY);
        if (!offersService(shape, texts::kGraphicObjectShape))
            continue;
        Reference<beans::XPropertySet> properties(shape, UNO_QUERY_THROW);
        if (getShapeType(properties) != ascii(texts::kDocumentSealMark))
            continue;
        markDocumentSealPicture(shape, invalid);
    }
}

void QORVHelper::markSelectedFieldSeal(bool invalid)
{
    withEveryExceptionCaught(
        0,
        [&] {
            Reference<uno::XInterface> current = selection();
            if (offersService(current, texts::kTextGraphicObject))
                markFieldSealPicture(current, invalid);
            return 0;
        },
        [&](CaughtFault) { showMessage(fromUtf8(texts::kVerifySealFailed)); });
}
}
