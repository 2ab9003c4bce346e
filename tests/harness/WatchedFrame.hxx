/// A stand-in for the document frame that shows toolbar toggling headless: it forwards to the
/// document's own frame but hands out a layout manager that records what it was asked.
#pragma once

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XLayoutManager.hpp>
#include <cppuhelper/implbase1.hxx>
#include <cppuhelper/implbase2.hxx>
#include <rtl/ustring.hxx>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace quillmark::test
{
namespace css = com::sun::star;
using rtl::OUString;

/// A layout manager that keeps the visibility of its elements and records the calls. The office
/// may call in from its own thread while the test reads: `recordedCalls` reads safely then.
class RecordingLayoutManager : public cppu::WeakImplHelper1<css::frame::XLayoutManager>
{
public:
    std::set<OUString> visible;
    std::vector<std::string> calls;

    std::vector<std::string> recordedCalls()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return calls;
    }

    void SAL_CALL createElement(const OUString&) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        calls.push_back("create");
    }
    sal_Bool SAL_CALL showElement(const OUString& url) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        calls.push_back("show");
        visible.insert(url);
        return true;
    }
    sal_Bool SAL_CALL hideElement(const OUString& url) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        calls.push_back("hide");
        visible.erase(url);
        return true;
    }
    sal_Bool SAL_CALL isElementVisible(const OUString& url) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        return visible.count(url) > 0;
    }

    void SAL_CALL attachFrame(const css::uno::Reference<css::frame::XFrame>&) override {}
    void SAL_CALL reset() override {}
    css::awt::Rectangle SAL_CALL getCurrentDockingArea() override { return {}; }
    css::uno::Reference<css::ui::XDockingAreaAcceptor> SAL_CALL getDockingAreaAcceptor() override
    {
        return {};
    }
    void SAL_CALL
    setDockingAreaAcceptor(const css::uno::Reference<css::ui::XDockingAreaAcceptor>&) override
    {
    }
    void SAL_CALL destroyElement(const OUString&) override {}
    sal_Bool SAL_CALL requestElement(const OUString&) override { return false; }
    css::uno::Reference<css::ui::XUIElement> SAL_CALL getElement(const OUString&) override
    {
        return {};
    }
    css::uno::Sequence<css::uno::Reference<css::ui::XUIElement>> SAL_CALL getElements() override
    {
        return {};
    }
    sal_Bool SAL_CALL dockWindow(const OUString&, css::ui::DockingArea,
                                 const css::awt::Point&) override
    {
        return false;
    }
    sal_Bool SAL_CALL dockAllWindows(sal_Int16) override { return false; }
    sal_Bool SAL_CALL floatWindow(const OUString&) override { return false; }
    sal_Bool SAL_CALL lockWindow(const OUString&) override { return false; }
    sal_Bool SAL_CALL unlockWindow(const OUString&) override { return false; }
    void SAL_CALL setElementSize(const OUString&, const css::awt::Size&) override {}
    void SAL_CALL setElementPos(const OUString&, const css::awt::Point&) override {}
    void SAL_CALL setElementPosSize(const OUString&, const css::awt::Point&,
                                    const css::awt::Size&) override
    {
    }
    sal_Bool SAL_CALL isElementFloating(const OUString&) override { return false; }
    sal_Bool SAL_CALL isElementDocked(const OUString&) override { return true; }
    sal_Bool SAL_CALL isElementLocked(const OUString&) override { return false; }
    css::awt::Size SAL_CALL getElementSize(const OUString&) override { return {}; }
    css::awt::Point SAL_CALL getElementPos(const OUString&) override { return {}; }
    void SAL_CALL lock() override {}
    void SAL_CALL unlock() override {}
    void SAL_CALL doLayout() override {}
    void SAL_CALL setVisible(sal_Bool) override {}
    sal_Bool SAL_CALL isVisible() override { return true; }

private:
    std::mutex mutex;
};

/// The document's own frame, but with a layout manager the test can watch; the headless office
/// shows no toolbars.
class WatchedFrame : public cppu::WeakImplHelper2<css::frame::XFrame, css::beans::XPropertySet>
{
public:
    WatchedFrame(css::uno::Reference<css::frame::XFrame> documentFrame,
                 css::uno::Reference<css::frame::XLayoutManager> manager)
        : frame(std::move(documentFrame))
        , layoutManager(std::move(manager))
    {
    }

    css::uno::Any SAL_CALL getPropertyValue(const OUString& name) override
    {
        if (name == "LayoutManager" && layoutManager.is())
            return css::uno::Any(layoutManager);
        throw css::beans::UnknownPropertyException(name);
    }
    css::uno::Reference<css::beans::XPropertySetInfo> SAL_CALL getPropertySetInfo() override
    {
        return {};
    }
    void SAL_CALL setPropertyValue(const OUString&, const css::uno::Any&) override {}
    void SAL_CALL addPropertyChangeListener(
        const OUString&, const css::uno::Reference<css::beans::XPropertyChangeListener>&) override
    {
    }
    void SAL_CALL removePropertyChangeListener(
        const OUString&, const css::uno::Reference<css::beans::XPropertyChangeListener>&) override
    {
    }
    void SAL_CALL addVetoableChangeListener(
        const OUString&, const css::uno::Reference<css::beans::XVetoableChangeListener>&) override
    {
    }
    void SAL_CALL removeVetoableChangeListener(
        const OUString&, const css::uno::Reference<css::beans::XVetoableChangeListener>&) override
    {
    }

    void SAL_CALL initialize(const css::uno::Reference<css::awt::XWindow>& window) override
    {
        frame->initialize(window);
    }
    css::uno::Reference<css::awt::XWindow> SAL_CALL getContainerWindow() override
    {
        return frame->getContainerWindow();
    }
    void SAL_CALL
    setCreator(const css::uno::Reference<css::frame::XFramesSupplier>& creator) override
    {
        frame->setCreator(creator);
    }
    css::uno::Reference<css::frame::XFramesSupplier> SAL_CALL getCreator() override
    {
        return frame->getCreator();
    }
    OUString SAL_CALL getName() override { return frame->getName(); }
    void SAL_CALL setName(const OUString& name) override { frame->setName(name); }
    css::uno::Reference<css::frame::XFrame> SAL_CALL findFrame(const OUString& name,
                                                               sal_Int32 flags) override
    {
        return frame->findFrame(name, flags);
    }
    sal_Bool SAL_CALL isTop() override { return frame->isTop(); }
    void SAL_CALL activate() override { frame->activate(); }
    void SAL_CALL deactivate() override { frame->deactivate(); }
    sal_Bool SAL_CALL isActive() override { return frame->isActive(); }
    sal_Bool SAL_CALL
    setComponent(const css::uno::Reference<css::awt::XWindow>& window,
                 const css::uno::Reference<css::frame::XController>& controller) override
    {
        return frame->setComponent(window, controller);
    }
    css::uno::Reference<css::awt::XWindow> SAL_CALL getComponentWindow() override
    {
        return frame->getComponentWindow();
    }
    css::uno::Reference<css::frame::XController> SAL_CALL getController() override
    {
        return frame->getController();
    }
    void SAL_CALL contextChanged() override { frame->contextChanged(); }
    void SAL_CALL
    addFrameActionListener(const css::uno::Reference<css::frame::XFrameActionListener>&) override
    {
    }
    void SAL_CALL
    removeFrameActionListener(const css::uno::Reference<css::frame::XFrameActionListener>&) override
    {
    }
    void SAL_CALL dispose() override {}
    void SAL_CALL addEventListener(const css::uno::Reference<css::lang::XEventListener>&) override
    {
    }
    void SAL_CALL
    removeEventListener(const css::uno::Reference<css::lang::XEventListener>&) override
    {
    }

private:
    css::uno::Reference<css::frame::XFrame> frame;
    css::uno::Reference<css::frame::XLayoutManager> layoutManager;
};
}
