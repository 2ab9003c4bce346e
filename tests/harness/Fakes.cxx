#include "Fakes.hxx"

#include <com/sun/star/awt/XMessageBox.hpp>
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/awt/XToolkit.hpp>
#include <com/sun/star/awt/XWindowPeer.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <cppuhelper/implbase1.hxx>
#include <cppuhelper/implbase2.hxx>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;

namespace quillmark::test
{
std::vector<ShownMessage> MessageLog::taken()
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<ShownMessage> result;
    result.swap(messages);
    return result;
}

void MessageLog::clear()
{
    std::lock_guard<std::mutex> lock(mutex);
    messages.clear();
}

namespace
{
class RecordingWindow : public cppu::WeakImplHelper1<awt::XWindowPeer>
{
public:
    explicit RecordingWindow(std::shared_ptr<MessageLog> messageLog)
        : windowLog(std::move(messageLog))
    {
        std::lock_guard<std::mutex> lock(windowLog->mutex);
        ++windowLog->windowsCreated;
    }
    Reference<awt::XToolkit> SAL_CALL getToolkit() override { return {}; }
    void SAL_CALL setPointer(const Reference<awt::XPointer>&) override {}
    void SAL_CALL setBackground(sal_Int32) override {}
    void SAL_CALL invalidate(sal_Int16) override {}
    void SAL_CALL invalidateRect(const awt::Rectangle&, sal_Int16) override {}
    void SAL_CALL dispose() override
    {
        std::lock_guard<std::mutex> lock(windowLog->mutex);
        ++windowLog->windowsDisposed;
    }
    void SAL_CALL addEventListener(const Reference<lang::XEventListener>&) override {}
    void SAL_CALL removeEventListener(const Reference<lang::XEventListener>&) override {}

private:
    std::shared_ptr<MessageLog> windowLog;
};

/// A message box that returns at once and records what it was to show.
class RecordingMessageBox : public cppu::ImplInheritanceHelper1<RecordingWindow, awt::XMessageBox>
{
public:
    RecordingMessageBox(std::shared_ptr<MessageLog> messageLog,
                        const awt::WindowDescriptor& windowDescriptor)
        : ImplInheritanceHelper1(messageLog)
        , log(std::move(messageLog))
        , descriptor(windowDescriptor)
    {
    }
    OUString SAL_CALL getCaptionText() override { return caption; }
    void SAL_CALL setCaptionText(const OUString& text) override { caption = text; }
    OUString SAL_CALL getMessageText() override { return message; }
    void SAL_CALL setMessageText(const OUString& text) override { message = text; }
    sal_Int16 SAL_CALL execute() override
    {
        std::lock_guard<std::mutex> lock(log->mutex);
        log->messages.push_back({ caption, message, descriptor });
        return 1;
    }

private:
    std::shared_ptr<MessageLog> log;
    awt::WindowDescriptor descriptor;
    OUString caption;
    OUString message;
};

class RecordingToolkit : public cppu::WeakImplHelper1<awt::XToolkit>
{
public:
    explicit RecordingToolkit(std::shared_ptr<MessageLog> messageLog)
        : log(std::move(messageLog))
    {
    }
    Reference<awt::XWindowPeer> SAL_CALL getDesktopWindow() override { return {}; }
    awt::Rectangle SAL_CALL getWorkArea() override { return {}; }
    Reference<awt::XWindowPeer>
        SAL_CALL createWindow(const awt::WindowDescriptor& descriptor) override
    {
        if (!log->offerMessageBox)
            return new RecordingWindow(log);
        return new RecordingMessageBox(log, descriptor);
    }
    Sequence<Reference<awt::XWindowPeer>>
        SAL_CALL createWindows(const Sequence<awt::WindowDescriptor>&) override
    {
        return {};
    }
    Reference<awt::XDevice> SAL_CALL createScreenCompatibleDevice(sal_Int32, sal_Int32) override
    {
        return {};
    }
    Reference<awt::XRegion> SAL_CALL createRegion() override { return {}; }

private:
    std::shared_ptr<MessageLog> log;
};

Reference<frame::XFrame> frameArgument(const Sequence<Any>& arguments)
{
    Reference<frame::XFrame> frame;
    if (arguments.hasElements())
        arguments[0] >>= frame;
    return frame;
}

class FakeCertInfoBox
    : public cppu::WeakImplHelper2<Quillmark::UITools::XCertInfoBox, lang::XInitialization>
{
public:
    explicit FakeCertInfoBox(std::shared_ptr<CertInfoBoxScript> boxScript)
        : script(std::move(boxScript))
    {
        ++script->created;
    }
    void SAL_CALL initialize(const Sequence<Any>& arguments) override
    {
        script->calls.push_back("initialize");
        script->initializedFrame = frameArgument(arguments);
        beans::NamedValue pinOf;
        if (arguments.getLength() > 1 && (arguments[1] >>= pinOf) && pinOf.Name == "PinOfSeal")
        {
            OUString sealName;
            pinOf.Value >>= sealName;
            script->pinOfSeal = sealName;
        }
    }
    void SAL_CALL execute() override { script->calls.push_back("execute"); }
    sal_Bool SAL_CALL executePinDialog() override
    {
        script->calls.push_back("executePinDialog");
        return script->pinAccepted;
    }
    void SAL_CALL setMessage(const OUString& text) override
    {
        script->calls.push_back("setMessage");
        script->message = text;
    }
    void SAL_CALL setCertInfo(const Sequence<OUString>& items) override
    {
        script->calls.push_back("setCertInfo");
        script->certInfo = items;
    }
    void SAL_CALL setPictureURL(const util::URL& url) override
    {
        script->calls.push_back("setPictureURL");
        script->pictureURL = url;
    }
    void SAL_CALL setModified(sal_Bool modified) override
    {
        script->calls.push_back("setModified");
        script->modified = modified;
    }
    OUString SAL_CALL getPostil() override
    {
        script->calls.push_back("getPostil");
        return script->postilTyped ? *script->postilTyped : script->postilShown;
    }
    void SAL_CALL setPostil(const OUString& text) override
    {
        script->calls.push_back("setPostil");
        script->postilShown = text;
    }
    OUString SAL_CALL getPin() override
    {
        script->calls.push_back("getPin");
        if (script->pin.isEmpty())
            return OUString(script->sealPin.getStr(), script->sealPin.getLength());
        return script->pin;
    }
    sal_Bool SAL_CALL getResult() override
    {
        script->calls.push_back("getResult");
        return script->result;
    }

private:
    std::shared_ptr<CertInfoBoxScript> script;
};

class FakeSealDetailsBox
    : public cppu::WeakImplHelper2<Quillmark::UITools::XSealDetailsBox, lang::XInitialization>
{
public:
    explicit FakeSealDetailsBox(std::shared_ptr<SealDetailsBoxLog> boxLog)
        : log(std::move(boxLog))
    {
        ++log->created;
    }
    void SAL_CALL initialize(const Sequence<Any>& arguments) override
    {
        log->calls.push_back("initialize");
        log->initializedFrame = frameArgument(arguments);
    }
    void SAL_CALL setTitle(const OUString& title) override
    {
        log->calls.push_back("setTitle");
        log->title = title;
    }
    void SAL_CALL setPicture(const Sequence<sal_Int8>& gif) override
    {
        log->calls.push_back("setPicture");
        log->picture = gif;
    }
    void SAL_CALL setDetails(const Sequence<beans::StringPair>& details) override
    {
        log->calls.push_back("setDetails");
        log->details = details;
    }
    void SAL_CALL setVerdict(sal_Bool valid, const OUString& verdict) override
    {
        log->calls.push_back("setVerdict");
        log->valid = valid;
        log->verdict = verdict;
    }
    void SAL_CALL execute() override { log->calls.push_back("execute"); }

private:
    std::shared_ptr<SealDetailsBoxLog> log;
};

class FakePopupMenu
    : public cppu::WeakImplHelper2<Quillmark::UITools::XRightClickPopupMenu, lang::XInitialization>
{
public:
    explicit FakePopupMenu(std::shared_ptr<PopupMenuLog> menuLog)
        : log(std::move(menuLog))
    {
        ++log->created;
    }
    void SAL_CALL initialize(const Sequence<Any>& arguments) override
    {
        log->calls.push_back("initialize");
        log->initializedFrame = frameArgument(arguments);
    }
    void SAL_CALL execute(sal_Int32 x, sal_Int32 y) override
    {
        log->calls.push_back("execute");
        log->x = x;
        log->y = y;
    }

private:
    std::shared_ptr<PopupMenuLog> log;
};

class RoutingServiceManager : public cppu::WeakImplHelper1<lang::XMultiComponentFactory>
{
public:
    RoutingServiceManager(std::shared_ptr<std::map<OUString, ServiceFactory>> fakeServices,
                          const Reference<uno::XComponentContext>& office)
        : services(std::move(fakeServices))
        , officeContext(office)
    {
    }
    Reference<uno::XInterface>
        SAL_CALL createInstanceWithContext(const OUString& name,
                                           const Reference<uno::XComponentContext>&) override
    {
        auto fake = services->find(name);
        if (fake != services->end())
            return fake->second ? fake->second() : Reference<uno::XInterface>();
        return officeContext->getServiceManager()->createInstanceWithContext(name, officeContext);
    }
    Reference<uno::XInterface> SAL_CALL
    createInstanceWithArgumentsAndContext(const OUString& name, const Sequence<Any>& arguments,
                                          const Reference<uno::XComponentContext>& context) override
    {
        if (services->count(name))
            return createInstanceWithContext(name, context);
        return officeContext->getServiceManager()->createInstanceWithArgumentsAndContext(
            name, arguments, officeContext);
    }
    Sequence<OUString> SAL_CALL getAvailableServiceNames() override
    {
        return officeContext->getServiceManager()->getAvailableServiceNames();
    }

private:
    std::shared_ptr<std::map<OUString, ServiceFactory>> services;
    Reference<uno::XComponentContext> officeContext;
};

class RoutingContext : public cppu::WeakImplHelper1<uno::XComponentContext>
{
public:
    RoutingContext(const Reference<lang::XMultiComponentFactory>& manager,
                   const Reference<uno::XComponentContext>& office)
        : serviceManager(manager)
        , officeContext(office)
    {
    }
    Any SAL_CALL getValueByName(const OUString& name) override
    {
        return officeContext->getValueByName(name);
    }
    Reference<lang::XMultiComponentFactory> SAL_CALL getServiceManager() override
    {
        return serviceManager;
    }

private:
    Reference<lang::XMultiComponentFactory> serviceManager;
    Reference<uno::XComponentContext> officeContext;
};
}

TestContext::TestContext(const Reference<uno::XComponentContext>& officeContext)
    : services(std::make_shared<std::map<OUString, ServiceFactory>>())
{
    auto messageLog = messages;
    auto boxScript = certInfoBox;
    auto menuLog = popupMenu;
    auto detailsLog = sealDetailsBox;
    (*services)["com.sun.star.awt.Toolkit"] = [messageLog]() -> Reference<uno::XInterface> {
        return static_cast<cppu::OWeakObject*>(new RecordingToolkit(messageLog));
    };
    (*services)["Quillmark.UITools.CertInfoBox"] = [boxScript]() -> Reference<uno::XInterface> {
        return static_cast<cppu::OWeakObject*>(new FakeCertInfoBox(boxScript));
    };
    (*services)["Quillmark.UITools.SealDetailsBox"] = [detailsLog]() -> Reference<uno::XInterface> {
        return static_cast<cppu::OWeakObject*>(new FakeSealDetailsBox(detailsLog));
    };
    (*services)["Quillmark.UITools.RCPopupMenu"] = [menuLog]() -> Reference<uno::XInterface> {
        return static_cast<cppu::OWeakObject*>(new FakePopupMenu(menuLog));
    };
    componentContext
        = new RoutingContext(new RoutingServiceManager(services, officeContext), officeContext);
}

void TestContext::setService(const char* name, ServiceFactory factory)
{
    (*services)[OUString::createFromAscii(name)] = std::move(factory);
}

void TestContext::removeService(const char* name)
{
    (*services)[OUString::createFromAscii(name)] = nullptr;
}
}
