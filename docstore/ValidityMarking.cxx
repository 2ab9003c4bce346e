// A seal whose text changed after signing is drawn in black and white; a document seal also says
// so in its caption. A later valid verdict undoes both.

#include "ValidityMarking.hxx"

#include "DocstoreTexts.hxx"
#include "ShapeAttributes.hxx"

#include <ComponentTexts.hxx>
#include <OfficeConstants.hxx>
#include <QORVHelper.hxx>
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
}

void markDocumentSealPicture(const Reference<uno::XInterface>& shape, bool invalid)
{
    setProperty(shape, "GraphicColorMode", colorMode(invalid));
    Reference<text::XText>(shape, UNO_QUERY_THROW)
        ->setString(invalid ? fromUtf8(texts::kInvalidSealCaption) : OUString());
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
    try
    {
        Reference<uno::XInterface> current = selection();
        if (offersService(current, texts::kTextGraphicObject))
            markFieldSealPicture(current, invalid);
    }
    catch (const uno::Exception&)
    {
        showMessage(fromUtf8(texts::kVerifySealFailed));
    }
}
}
