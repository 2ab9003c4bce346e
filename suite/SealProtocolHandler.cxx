#include "SealProtocolHandler.hxx"

#include "SuiteTexts.hxx"

#include <cppuhelper/supportsservice.hxx>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using rtl::OUString;

namespace quillmark::suite
{
SealProtocolHandler::SealProtocolHandler(const Reference<uno::XComponentContext>& context)
    : componentContext(context)
{
}

OUString SealProtocolHandler::implementationName()
{
    return OUString::createFromAscii(texts::kHandlerImplementation);
}

Sequence<OUString> SealProtocolHandler::serviceNames()
{
    const OUString name = OUString::createFromAscii(texts::kHandlerService);
    return Sequence<OUString>(&name, 1);
}

void SealProtocolHandler::initialize(const Sequence<Any>& arguments)
{
    if (arguments.hasElements())
        arguments[0] >>= frame;
}

Reference<frame::XDispatch> SealProtocolHandler::queryDispatch(const util::URL& url,
                                                               const OUString&, sal_Int32)
{
    if (!frame.is() || !url.Complete.startsWith(OUString::createFromAscii(texts::kProtocol)))
        return nullptr;
    const std::optional<SealCommand> command
        = commandNamed(url.Complete.copy(OUString::createFromAscii(texts::kProtocol).getLength()));
    if (!command)
        return nullptr;
    // Asked for by the menu or toolbar of a window that no document event reached (a second
    // view, a window opened before the extension came): it is served from here on.
    rtl::Reference<FrameSeals> seals = FrameSeals::of(componentContext, frame);
    if (!seals.is())
        return nullptr;
    return new SealDispatch(seals, *command);
}

Sequence<Reference<frame::XDispatch>>
SealProtocolHandler::queryDispatches(const Sequence<frame::DispatchDescriptor>& requests)
{
    Sequence<Reference<frame::XDispatch>> dispatches(requests.getLength());
    for (sal_Int32 i = 0; i < requests.getLength(); ++i)
        dispatches.getArray()[i]
            = queryDispatch(requests[i].FeatureURL, requests[i].FrameName, requests[i].SearchFlags);
    return dispatches;
}

OUString SealProtocolHandler::getImplementationName() { return implementationName(); }

sal_Bool SealProtocolHandler::supportsService(const OUString& name)
{
    return cppu::supportsService(this, name);
}

Sequence<OUString> SealProtocolHandler::getSupportedServiceNames() { return serviceNames(); }

SealDispatch::SealDispatch(const rtl::Reference<FrameSeals>& frameSeals, SealCommand sealCommand)
    : seals(frameSeals)
    , command(sealCommand)
{
}

void SealDispatch::dispatch(const util::URL&, const Sequence<beans::PropertyValue>& arguments)
{
    seals->execute(command, arguments);
}

void SealDispatch::addStatusListener(const Reference<frame::XStatusListener>& listener,
                                     const util::URL& url)
{
    seals->addStatusListener(command, listener, url);
}

void SealDispatch::removeStatusListener(const Reference<frame::XStatusListener>& listener,
                                        const util::URL& url)
{
    seals->removeStatusListener(listener, url);
}
}
