#include <operations/OperationTexts.hxx>

#include <common/CaughtExceptions.hxx>
#include <common/OfficeNames.hxx>
#include <docstore/DocstoreTexts.hxx>
#include <component/QORVHelper.hxx>
#include <format/ShapeAttributes.hxx>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
sal_Int16 kindOfTextGraphic(const Reference<uno::XInterface>& graphic)
{
    if (getShapeType(Reference<beans::XPropertySet>(graphic, UNO_QUERY_THROW))
        == ascii(texts::kFieldSealMark))
        return kFieldSeal;
    if (Reference<container::XNamed>(graphic, UNO_QUERY_THROW)->getName()
        == ascii(texts::kStampAreaName))
        return kStampArea;
    return kNoSeal;
}

sal_Int16 kindOfShapes(const Reference<uno::XInterface>& selection)
{
    Reference<container::XIndexAccess> shapes(selection, UNO_QUERY_THROW);
    for (sal_Int32 i = 0; i < shapes->getCount(); ++i)
    {
        Reference<uno::XInterface> shape(shapes->getByIndex(i), UNO_QUERY);
        if (offersService(shape, texts::kGraphicObjectShape)
            && Reference<container::XNamed>(shape, UNO_QUERY_THROW)->getName()
                   == ascii(texts::kDocumentSealMark))
            return kDocumentSeal;
    }
    return kNoSeal;
}
}

sal_Int16 QORVHelper::getSelectedStampType()
{
    return withEveryExceptionCaught(
        sal_Int16(kNoSeal),
        [&]() -> sal_Int16 {
            if (!model().is())
                return kNoSeal;
            Reference<uno::XInterface> current = selection();
            if (offersService(current, texts::kTextGraphicObject))
                return kindOfTextGraphic(current);
            if (offersService(current, texts::kShapeCollection))
                return kindOfShapes(current);
            return kNoSeal;
        },
        [&](CaughtFault) { showErrorMessage(fromUtf8(texts::kVerifyDialogFailed)); });
}
}
