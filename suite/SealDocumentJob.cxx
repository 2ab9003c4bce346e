#include "SealDocumentJob.hxx"

#include "FrameSeals.hxx"
#include "SuiteTexts.hxx"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <cppuhelper/supportsservice.hxx>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using rtl::OUString;

namespace quillmark::suite
{
namespace
{
/// A value of the job's "Environment" argument.
Any environmentValue(const Sequence<beans::NamedValue>& arguments, const char* name)
{
    for (const beans::NamedValue& argument : arguments)
    {
        if (argument.Name != "Environment")
            continue;
        Sequence<beans::NamedValue> environment;
        argument.Value >>= environment;
        for (const beans::NamedValue& value : environment)
            if (value.Name.equalsAscii(name))
                return value.Value;
    }
    return Any();
}

/// Opened from a file without a window to show it in.
bool openedHidden(const Reference<frame::XModel>& model)
{
    bool hidden = false;
    for (const beans::PropertyValue& argument : model->getArgs())
        if (argument.Name == "Hidden")
            argument.Value >>= hidden;
    return hidden && !model->getURL().isEmpty();
}
}

SealDocumentJob::SealDocumentJob(const Reference<uno::XComponentContext>& context)
    : componentContext(context)
{
}

OUString SealDocumentJob::implementationName()
{
    return OUString::createFromAscii(texts::kJobImplementation);
}

Sequence<OUString> SealDocumentJob::serviceNames()
{
    const OUString name = OUString::createFromAscii(texts::kJobService);
    return Sequence<OUString>(&name, 1);
}

Any SealDocumentJob::execute(const Sequence<beans::NamedValue>& arguments)
{
    OUString event;
    environmentValue(arguments, "EventName") >>= event;
    Reference<frame::XModel> model(environmentValue(arguments, "Model"), UNO_QUERY);
    Reference<lang::XServiceInfo> document(model, UNO_QUERY);
    if (!document.is()
        || !document->supportsService(OUString::createFromAscii(texts::kTextDocumentService)))
        return Any();
    Reference<frame::XController> controller = model->getCurrentController();
    if (!controller.is())
        return Any();
    rtl::Reference<FrameSeals> seals = FrameSeals::of(componentContext, controller->getFrame());
    if (!seals.is())
        return Any();
    // A document opened hidden (a batch conversion, a program's storeToURL) never hears OnLoad,
    // only that its view was made: it is verified and marked there, as a window is on opening.
    if (event.equalsAscii(texts::kEventLoad)
        || (event.equalsAscii(texts::kEventViewCreated) && openedHidden(model)))
        seals->verifyOnOpening();
    if (event.equalsAscii(texts::kEventCopyTo))
        seals->markForCopy();
    for (const char* before : texts::kEventsBeforeSaving)
        if (event.equalsAscii(before))
            seals->clearCaptionsForSaving();
    // Marking again after the store puts the captions back and keeps the stored state unmodified.
    for (const char* after : texts::kEventsAfterSaving)
        if (event.equalsAscii(after))
            seals->verifyOnOpening();
    return Any();
}

OUString SealDocumentJob::getImplementationName() { return implementationName(); }

sal_Bool SealDocumentJob::supportsService(const OUString& name)
{
    return cppu::supportsService(this, name);
}

Sequence<OUString> SealDocumentJob::getSupportedServiceNames() { return serviceNames(); }
}
