#include "SaveInterceptor.hxx"

#include "SaveDialogs.hxx"
#include "SaveRequest.hxx"
#include "SealPresence.hxx"
#include "SuiteTexts.hxx"

#include <format/WordFormats.hxx>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDispatchProviderInterception.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/util/URLTransformer.hpp>
#include <sal/log.hxx>

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
/// Passes a save command's state through and brings its run back to the interceptor.
class SaveDispatch : public cppu::WeakImplHelper1<frame::XDispatch>
{
public:
    SaveDispatch(const rtl::Reference<SaveInterceptor>& saveInterceptor,
                 const Reference<frame::XDispatch>& originalDispatch)
        : interceptor(saveInterceptor)
        , original(originalDispatch)
    {
    }

    void SAL_CALL dispatch(const util::URL& url,
                           const Sequence<beans::PropertyValue>& arguments) override
    {
        interceptor->dispatchSave(original, url, arguments);
    }
    void SAL_CALL addStatusListener(const Reference<frame::XStatusListener>& listener,
                                    const util::URL& url) override
    {
        original->addStatusListener(listener, url);
    }
    void SAL_CALL removeStatusListener(const Reference<frame::XStatusListener>& listener,
                                       const util::URL& url) override
    {
        original->removeStatusListener(listener, url);
    }

private:
    rtl::Reference<SaveInterceptor> interceptor;
    Reference<frame::XDispatch> original;
};

/// The command a URL names, without its arguments.
OUString commandOf(const util::URL& url) { return url.Main.isEmpty() ? url.Complete : url.Main; }

Reference<frame::XModel> modelOf(const Reference<frame::XFrame>& frame)
{
    Reference<frame::XController> controller = frame.is() ? frame->getController() : nullptr;
    return controller.is() ? controller->getModel() : nullptr;
}

OUString currentFilter(const Reference<frame::XModel>& document)
{
    OUString filter;
    for (const beans::PropertyValue& argument : document->getArgs())
        if (argument.Name == "FilterName")
            argument.Value >>= filter;
    return filter;
}
}

SaveInterceptor::SaveInterceptor(const Reference<uno::XComponentContext>& context,
                                 const Reference<frame::XFrame>& documentFrame)
    : componentContext(context)
    , frame(documentFrame)
{
}

void SaveInterceptor::attach()
{
    Reference<frame::XDispatchProviderInterception> interception(Reference<frame::XFrame>(frame),
                                                                 UNO_QUERY);
    if (interception.is())
        interception->registerDispatchProviderInterceptor(this);
}

void SaveInterceptor::detach()
{
    Reference<frame::XDispatchProviderInterception> interception(Reference<frame::XFrame>(frame),
                                                                 UNO_QUERY);
    try
    {
        if (interception.is())
            interception->releaseDispatchProviderInterceptor(this);
    }
    catch (const uno::RuntimeException& exception)
    {
        // A frame that is going away lets its interceptors go itself.
        SAL_INFO("quillmark.suite", "a frame going away: " << exception.Message);
    }
}

bool SaveInterceptor::documentCarriesSeals(const Reference<frame::XModel>& document)
{
    try
    {
        return carriesSeals(document);
    }
    catch (const uno::Exception& exception)
    {
        // A document that cannot even be looked through may still hold seals the format loses.
        SAL_WARN("quillmark.suite",
                 "a document that cannot be looked through counts as holding seals: "
                     << exception.Message);
        return true;
    }
}

Reference<frame::XDispatch> SaveInterceptor::slaveDispatch(const char* command, util::URL& url)
{
    url = util::URL();
    url.Complete = OUString::createFromAscii(command);
    util::URLTransformer::create(componentContext)->parseStrict(url);
    Reference<frame::XDispatchProvider> provider = getSlaveDispatchProvider();
    return provider.is() ? provider->queryDispatch(url, "_self", 0) : nullptr;
}

void SaveInterceptor::dispatchSave(const Reference<frame::XDispatch>& original,
                                   const util::URL& url,
                                   const Sequence<beans::PropertyValue>& arguments)
{
    const Reference<frame::XFrame> documentFrame(frame);
    const Reference<frame::XModel> document = modelOf(documentFrame);
    if (!document.is() || !documentCarriesSeals(document))
    {
        original->dispatch(url, arguments);
        return;
    }
    const Reference<frame::XStorable> storable(document, UNO_QUERY);
    const OUString ownFilter = currentFilter(document);
    SaveRequest request = saveRequest(commandOf(url), arguments, ownFilter,
                                      storable.is() && storable->hasLocation());
    Reference<frame::XDispatch> target = original;
    util::URL targetUrl = url;
    Sequence<beans::PropertyValue> targetArguments = arguments;
    if (request.kind == SaveRequest::Kind::Ask)
    {
        const std::optional<SaveTarget> chosen
            = askSaveTarget(componentContext, documentFrame, request.exporting, ownFilter);
        if (!chosen)
            return;
        request.filterName = chosen->filterName;
        targetArguments = withArgument(targetArguments, "URL", Any(chosen->url));
        targetArguments = withArgument(targetArguments, "FilterName", Any(chosen->filterName));
        // Saving a document that has no file yet names one: that is what Save As takes.
        if (commandOf(url).equalsAscii(texts::kSaveCommand))
            target = slaveDispatch(texts::kSaveAsCommand, targetUrl);
    }
    if (request.kind != SaveRequest::Kind::Unchanged && formatLosesSeals(request.filterName)
        && !confirmSealLoss(componentContext, documentFrame,
                            filterTitle(componentContext, request.filterName)))
        return;
    if (target.is())
        target->dispatch(targetUrl, targetArguments);
}

Reference<frame::XDispatch> SaveInterceptor::queryDispatch(const util::URL& url,
                                                           const OUString& targetFrameName,
                                                           sal_Int32 searchFlags)
{
    Reference<frame::XDispatchProvider> provider = getSlaveDispatchProvider();
    if (!provider.is())
        return nullptr;
    Reference<frame::XDispatch> original
        = provider->queryDispatch(url, targetFrameName, searchFlags);
    if (!original.is() || !isSaveCommand(commandOf(url)))
        return original;
    return new SaveDispatch(this, original);
}

Sequence<Reference<frame::XDispatch>>
SaveInterceptor::queryDispatches(const Sequence<frame::DispatchDescriptor>& requests)
{
    Sequence<Reference<frame::XDispatch>> dispatches(requests.getLength());
    for (sal_Int32 i = 0; i < requests.getLength(); ++i)
        dispatches.getArray()[i]
            = queryDispatch(requests[i].FeatureURL, requests[i].FrameName, requests[i].SearchFlags);
    return dispatches;
}

Reference<frame::XDispatchProvider> SaveInterceptor::getSlaveDispatchProvider()
{
    std::lock_guard<std::mutex> lock(mutex);
    return slave;
}

void SaveInterceptor::setSlaveDispatchProvider(const Reference<frame::XDispatchProvider>& provider)
{
    std::lock_guard<std::mutex> lock(mutex);
    slave = provider;
}

Reference<frame::XDispatchProvider> SaveInterceptor::getMasterDispatchProvider()
{
    std::lock_guard<std::mutex> lock(mutex);
    return master;
}

void SaveInterceptor::setMasterDispatchProvider(const Reference<frame::XDispatchProvider>& provider)
{
    std::lock_guard<std::mutex> lock(mutex);
    master = provider;
}
}
