// While registered on a controller, the helper toggles the graphic-object toolbar whenever a seal,
// a field seal or a stamping area is selected.

#include <component/QORVHelper.hxx>

#include <com/sun/star/frame/XLayoutManager.hpp>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;

namespace quillmark
{
namespace
{
constexpr char kGraphicObjectBar[] = "private:resource/toolbar/graphicobjectbar";

Reference<frame::XLayoutManager> layoutManagerOf(const Reference<frame::XFrame>& frame)
{
    Reference<beans::XPropertySet> properties(frame, UNO_QUERY);
    if (!properties.is())
        return {};
    Reference<frame::XLayoutManager> layoutManager;
    try
    {
        properties->getPropertyValue("LayoutManager") >>= layoutManager;
    }
    catch (const uno::RuntimeException&)
    {
        throw;
    }
    catch (const uno::Exception& exception)
    {
        SAL_INFO("quillmark.component", "a frame without a layout manager: " << exception.Message);
        return {};
    }
    return layoutManager;
}
}

void QORVHelper::selectionChanged(const lang::EventObject&)
{
    const sal_Int16 kind = getSelectedStampType();
    if (kind != kDocumentSeal && kind != kStampArea && kind != kFieldSeal)
        return;
    Reference<frame::XLayoutManager> layoutManager = layoutManagerOf(documentFrame);
    if (!layoutManager.is())
        return;
    const OUString toolbar = ascii(kGraphicObjectBar);
    if (layoutManager->isElementVisible(toolbar))
    {
        layoutManager->hideElement(toolbar);
    }
    else
    {
        layoutManager->createElement(toolbar);
        layoutManager->showElement(toolbar);
    }
}

// The controller keeps the helper until it goes; there is nothing to let go of here.
void QORVHelper::disposing(const lang::EventObject&) {}
}
