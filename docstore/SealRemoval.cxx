// Seal pictures are protected against the user's own editing; removal lifts the content
// protection and lets the office delete the selection with its own delete command.

#include <docstore/DocstoreTexts.hxx>

#include <common/OfficeNames.hxx>
#include <component/QORVHelper.hxx>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/XURLTransformer.hpp>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
constexpr sal_Int32 kSearchGlobal = 55; // FrameSearchFlag GLOBAL

/// A text selection whose ranges are all collapsed: the cursor stands somewhere, nothing is
/// selected.
bool isBareCursor(const Reference<uno::XInterface>& selection)
{
    Reference<container::XIndexAccess> ranges(selection, UNO_QUERY);
    if (!ranges.is() || !offersService(selection, texts::kTextRanges))
        return false;
    for (sal_Int32 i = 0; i < ranges->getCount(); ++i)
    {
        Reference<text::XTextRange> range(ranges->getByIndex(i), UNO_QUERY);
        if (!range.is() || !range->getString().isEmpty())
            return false;
    }
    return true;
}

bool offersProperty(const Reference<uno::XInterface>& object, const char* name)
{
    Reference<beans::XPropertySet> properties(object, UNO_QUERY);
    if (!properties.is())
        return false;
    Reference<beans::XPropertySetInfo> info = properties->getPropertySetInfo();
    return info.is() && info->hasPropertyByName(ascii(name));
}

/// Lifts "ContentProtected" on the selection. A selection of draw shapes offers no property set
/// of its own and its graphic shapes have no content protection: there it is lifted on every
/// element that offers it. Any other selection without a property set is refused by throwing.
void liftContentProtection(const Reference<uno::XInterface>& selection)
{
    if (offersService(selection, texts::kShapeCollection))
    {
        Reference<container::XIndexAccess> shapes(selection, UNO_QUERY_THROW);
        for (sal_Int32 i = 0; i < shapes->getCount(); ++i)
        {
            Reference<uno::XInterface> shape(shapes->getByIndex(i), UNO_QUERY);
            if (offersProperty(shape, "ContentProtected"))
                setProperty(shape, "ContentProtected", Any(false));
        }
        return;
    }
    setProperty(selection, "ContentProtected", Any(false));
}
}

void QORVHelper::dispatchCommand(const OUString& command,
                                 const Sequence<beans::PropertyValue>& arguments)
{
    util::URL url;
    url.Complete = command;
    Reference<util::XURLTransformer>(createService(texts::kUrlTransformerService), UNO_QUERY_THROW)
        ->parseStrict(url);
    Reference<frame::XDispatch> dispatch
        = Reference<frame::XDispatchProvider>(documentFrame, UNO_QUERY_THROW)
              ->queryDispatch(url, OUString(), kSearchGlobal);
    if (dispatch.is())
        dispatch->dispatch(url, arguments);
}

bool QORVHelper::deleteSelectedSeal()
{
    if (!model().is())
        return false;
    Reference<uno::XInterface> current = selection();
    if (!current.is() || isBareCursor(current))
        return false;
    try
    {
        liftContentProtection(current);
        dispatchCommand(ascii(texts::kDeleteCommand), Sequence<beans::PropertyValue>(1));
        return true;
    }
    catch (const uno::Exception& exception)
    {
        SAL_WARN("quillmark.docstore", "the selected seal was not deleted: " << exception.Message);
        showMessage(fromUtf8(texts::kDeleteSealFailed));
        return false;
    }
}

bool QORVHelper::removeSelectedDocumentSeal()
{
    if (!model().is())
        return false;
    Reference<uno::XInterface> current = selection();
    if (!current.is() || isBareCursor(current))
        return false;
    deleteSelectedSeal();
    return true;
}
}
