#include "SaveDialogs.hxx"

#include "SuiteTexts.hxx"

#include <com/sun/star/awt/MessageBoxButtons.hpp>
#include <com/sun/star/awt/MessageBoxResults.hpp>
#include <com/sun/star/awt/MessageBoxType.hpp>
#include <com/sun/star/awt/XMessageBoxFactory.hpp>
#include <com/sun/star/awt/XWindowPeer.hpp>
#include <com/sun/star/container/XContainerQuery.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/ui/dialogs/ExecutableDialogResults.hpp>
#include <com/sun/star/ui/dialogs/ExtendedFilePickerElementIds.hpp>
#include <com/sun/star/ui/dialogs/FilePicker.hpp>
#include <com/sun/star/ui/dialogs/TemplateDescription.hpp>
#include <com/sun/star/ui/dialogs/XFilePickerControlAccess.hpp>
#include <vector>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace quillmark::suite
{
namespace
{
// Filter flags of the office's filter configuration.
constexpr sal_Int32 kImport = 0x1;
constexpr sal_Int32 kExport = 0x2;
constexpr sal_Int32 kInternal = 0x8;
constexpr sal_Int32 kNotInFileDialog = 0x1000;

struct Filter
{
    OUString name;
    OUString title;
    OUString pattern;
};

template <class Value>
Value property(const Sequence<beans::PropertyValue>& properties, const char* name)
{
    Value value{};
    for (const beans::PropertyValue& property : properties)
        if (property.Name.equalsAscii(name))
            property.Value >>= value;
    return value;
}

Reference<uno::XInterface> create(const Reference<uno::XComponentContext>& context,
                                  const char* service)
{
    return context->getServiceManager()->createInstanceWithContext(
        OUString::createFromAscii(service), context);
}

/// "*.odt;*.ott" for a type's extensions; "*.*" for a type with none.
OUString patternOf(const Reference<container::XNameAccess>& types, const OUString& type)
{
    Sequence<beans::PropertyValue> properties;
    if (!types.is() || !types->hasByName(type) || !(types->getByName(type) >>= properties))
        return "*.*";
    OUString pattern;
    for (const OUString& extension : property<Sequence<OUString>>(properties, "Extensions"))
        pattern += (pattern.isEmpty() ? OUString() : OUString(";")) + "*." + extension;
    return pattern.isEmpty() ? OUString("*.*") : pattern;
}

/// Writer's filters as the office's own dialogs list them.
std::vector<Filter> writerFilters(const Reference<uno::XComponentContext>& context, bool exporting)
{
    Reference<container::XContainerQuery> query(
        create(context, "com.sun.star.document.FilterFactory"), UNO_QUERY_THROW);
    Reference<container::XNameAccess> types(create(context, "com.sun.star.document.TypeDetection"),
                                            UNO_QUERY);
    const sal_Int32 required = exporting ? kExport : (kImport | kExport);
    Reference<container::XEnumeration> found = query->createSubSetEnumerationByQuery(
        "getSortedFilterList():module=" + OUString::createFromAscii(texts::kTextModule) + ":iflags="
        + OUString::number(required) + ":eflags=" + OUString::number(kInternal | kNotInFileDialog));
    std::vector<Filter> filters;
    while (found.is() && found->hasMoreElements())
    {
        Sequence<beans::PropertyValue> properties;
        if (!(found->nextElement() >>= properties))
            continue;
        Filter filter;
        filter.name = property<OUString>(properties, "Name");
        filter.title = property<OUString>(properties, "UIName");
        if (filter.title.isEmpty())
            filter.title = filter.name;
        filter.pattern = patternOf(types, property<OUString>(properties, "Type"));
        if (!filter.name.isEmpty())
            filters.push_back(filter);
    }
    return filters;
}

Reference<awt::XWindowPeer> windowOf(const Reference<frame::XFrame>& frame)
{
    return frame.is() ? Reference<awt::XWindowPeer>(frame->getContainerWindow(), UNO_QUERY)
                      : Reference<awt::XWindowPeer>();
}

/// The picker opens where the document lies, with its name.
void placePicker(const Reference<ui::dialogs::XFilePicker3>& picker,
                 const Reference<frame::XFrame>& frame)
{
    Reference<frame::XController> controller = frame.is() ? frame->getController() : nullptr;
    Reference<frame::XStorable> document(controller.is() ? controller->getModel() : nullptr,
                                         UNO_QUERY);
    if (!document.is() || !document->hasLocation())
        return;
    const OUString location = document->getLocation();
    const sal_Int32 slash = location.lastIndexOf('/');
    if (slash < 0)
        return;
    picker->setDisplayDirectory(location.copy(0, slash));
    OUString name = location.copy(slash + 1);
    if (const sal_Int32 dot = name.lastIndexOf('.'); dot > 0)
        name = name.copy(0, dot);
    picker->setDefaultName(name);
}
}

std::optional<SaveTarget> askSaveTarget(const Reference<uno::XComponentContext>& context,
                                        const Reference<frame::XFrame>& frame, bool exporting,
                                        const OUString& currentFilter)
{
    const std::vector<Filter> filters = writerFilters(context, exporting);
    if (filters.empty())
        return std::nullopt;
    Reference<ui::dialogs::XFilePicker3> picker = ui::dialogs::FilePicker::createWithMode(
        context, ui::dialogs::TemplateDescription::FILESAVE_AUTOEXTENSION);
    OUString chosen = filters.front().title;
    for (const Filter& filter : filters)
    {
        picker->appendFilter(filter.title, filter.pattern);
        if (filter.name == currentFilter
            || (currentFilter.isEmpty() && filter.name.equalsAscii(texts::kDefaultFilter)))
            chosen = filter.title;
    }
    picker->setCurrentFilter(chosen);
    Reference<ui::dialogs::XFilePickerControlAccess> controls(picker, UNO_QUERY);
    if (controls.is())
    {
        try
        {
            controls->setValue(ui::dialogs::ExtendedFilePickerElementIds::CHECKBOX_AUTOEXTENSION, 0,
                               Any(true));
        }
        catch (const uno::RuntimeException& exception)
        {
            // A picker without the check box adds the extension as it sees fit.
            SAL_INFO("quillmark.suite",
                     "a file picker without the automatic extension box: " << exception.Message);
        }
    }
    placePicker(picker, frame);
    if (picker->execute() != ui::dialogs::ExecutableDialogResults::OK)
        return std::nullopt;
    const Sequence<OUString> files = picker->getSelectedFiles();
    if (!files.hasElements() || files[0].isEmpty())
        return std::nullopt;
    const OUString title = picker->getCurrentFilter();
    for (const Filter& filter : filters)
        if (filter.title == title)
            return SaveTarget{ files[0], filter.name };
    return std::nullopt;
}

OUString filterTitle(const Reference<uno::XComponentContext>& context, const OUString& filterName)
{
    try
    {
        Reference<container::XNameAccess> filters(
            create(context, "com.sun.star.document.FilterFactory"), UNO_QUERY);
        Sequence<beans::PropertyValue> properties;
        if (filters.is() && filters->hasByName(filterName)
            && (filters->getByName(filterName) >>= properties))
        {
            const OUString title = property<OUString>(properties, "UIName");
            if (!title.isEmpty())
                return title;
        }
    }
    catch (const uno::Exception& exception)
    {
        // The filter's own name says it as well.
        SAL_INFO("quillmark.suite", "the filter's title is not at hand: " << exception.Message);
    }
    return filterName;
}

bool confirmSealLoss(const Reference<uno::XComponentContext>& context,
                     const Reference<frame::XFrame>& frame, const OUString& formatTitle)
{
    Reference<awt::XWindowPeer> parent = windowOf(frame);
    Reference<awt::XMessageBoxFactory> boxes(create(context, "com.sun.star.awt.Toolkit"),
                                             UNO_QUERY);
    // With no box to ask in, nothing is saved that the person was not warned of.
    if (!parent.is() || !boxes.is())
        return false;
    Reference<awt::XMessageBox> box = boxes->createMessageBox(
        parent, awt::MessageBoxType_WARNINGBOX,
        awt::MessageBoxButtons::BUTTONS_YES_NO | awt::MessageBoxButtons::DEFAULT_BUTTON_NO,
        OUString::fromUtf8(texts::kSaveWarningTitle),
        OUString::fromUtf8(texts::kSaveWarning).replaceAll("%1", formatTitle));
    return box.is() && box->execute() == awt::MessageBoxResults::YES;
}
}
