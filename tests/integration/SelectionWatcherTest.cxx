// Selecting a seal, a field seal or a stamping area toggles the graphic-object toolbar.

#include <OfficeFixture.hxx>
#include <Sequences.hxx>

#include <ShapeAttributes.hxx>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/frame/XLayoutManager.hpp>
#include <cppuhelper/implbase1.hxx>
#include <cppuhelper/implbase2.hxx>
#include <set>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;

namespace
{
constexpr char kToolbar[] = "private:resource/toolbar/graphicobjectbar";

/// A layout manager that keeps the visibility of its elements and records the calls.
class RecordingLayoutManager : public cppu::WeakImplHelper1<frame::XLayoutManager>
{
public:
    std::set<OUString> visible;
    std::vector<std::string> calls;

    void SAL_CALL createElement(const OUString&) override { calls.push_back("create"); }
    sal_Bool SAL_CALL showElement(const OUString& url) override
    {
        calls.push_back("show");
        visible.insert(url);
        return true;
    }
    sal_Bool SAL_CALL hideElement(const OUString& url) override
    {
        calls.push_back("hide");
        visible.erase(url);
        return true;
    }
    sal_Bool SAL_CALL isElementVisible(const OUString& url) override { return visible.count(url) > 0; }

    void SAL_CALL attachFrame(const Reference<frame::XFrame>&) override {}
    void SAL_CALL reset() override {}
    awt::Rectangle SAL_CALL getCurrentDockingArea() override { return {}; }
    Reference<ui::XDockingAreaAcceptor> SAL_CALL getDockingAreaAcceptor() override { return {}; }
    void SAL_CALL setDockingAreaAcceptor(const Reference<ui::XDockingAreaAcceptor>&) override {}
    void SAL_CALL destroyElement(const OUString&) override {}
    sal_Bool SAL_CALL requestElement(const OUString&) override { return false; }
    Reference<ui::XUIElement> SAL_CALL getElement(const OUString&) override { return {}; }
    Sequence<Reference<ui::XUIElement>> SAL_CALL getElements() override { return {}; }
    sal_Bool SAL_CALL dockWindow(const OUString&, ui::DockingArea, const awt::Point&) override
    {
        return false;
    }
    sal_Bool SAL_CALL dockAllWindows(sal_Int16) override { return false; }
    sal_Bool SAL_CALL floatWindow(const OUString&) override { return false; }
    sal_Bool SAL_CALL lockWindow(const OUString&) override { return false; }
    sal_Bool SAL_CALL unlockWindow(const OUString&) override { return false; }
    void SAL_CALL setElementSize(const OUString&, const awt::Size&) override {}
    void SAL_CALL setElementPos(const OUString&, const awt::Point&) override {}
    void SAL_CALL setElementPosSize(const OUString&, const awt::Point&, const awt::Size&) override {}
    sal_Bool SAL_CALL isElementFloating(const OUString&) override { return false; }
    sal_Bool SAL_CALL isElementDocked(const OUString&) override { return true; }
    sal_Bool SAL_CALL isElementLocked(const OUString&) override { return false; }
    awt::Size SAL_CALL getElementSize(const OUString&) override { return {}; }
    awt::Point SAL_CALL getElementPos(const OUString&) override { return {}; }
    void SAL_CALL lock() override {}
    void SAL_CALL unlock() override {}
    void SAL_CALL doLayout() override {}
    void SAL_CALL setVisible(sal_Bool) override {}
    sal_Bool SAL_CALL isVisible() override { return true; }
};

/// The document's own frame, but with a layout manager the test can watch; the headless office
/// shows no toolbars.
class WatchedFrame : public cppu::WeakImplHelper2<frame::XFrame, beans::XPropertySet>
{
public:
    WatchedFrame(Reference<frame::XFrame> documentFrame, Reference<frame::XLayoutManager> manager)
        : frame(std::move(documentFrame))
        , layoutManager(std::move(manager))
    {
    }

    Any SAL_CALL getPropertyValue(const OUString& name) override
    {
        if (name == "LayoutManager" && layoutManager.is())
            return Any(layoutManager);
        throw beans::UnknownPropertyException(name);
    }
    Reference<beans::XPropertySetInfo> SAL_CALL getPropertySetInfo() override { return {}; }
    void SAL_CALL setPropertyValue(const OUString&, const Any&) override {}
    void SAL_CALL addPropertyChangeListener(const OUString&,
                                            const Reference<beans::XPropertyChangeListener>&) override
    {
    }
    void SAL_CALL removePropertyChangeListener(
        const OUString&, const Reference<beans::XPropertyChangeListener>&) override
    {
    }
    void SAL_CALL addVetoableChangeListener(const OUString&,
                                            const Reference<beans::XVetoableChangeListener>&) override
    {
    }
    void SAL_CALL removeVetoableChangeListener(
        const OUString&, const Reference<beans::XVetoableChangeListener>&) override
    {
    }

    void SAL_CALL initialize(const Reference<awt::XWindow>& window) override { frame->initialize(window); }
    Reference<awt::XWindow> SAL_CALL getContainerWindow() override { return frame->getContainerWindow(); }
    void SAL_CALL setCreator(const Reference<frame::XFramesSupplier>& creator) override
    {
        frame->setCreator(creator);
    }
    Reference<frame::XFramesSupplier> SAL_CALL getCreator() override { return frame->getCreator(); }
    OUString SAL_CALL getName() override { return frame->getName(); }
    void SAL_CALL setName(const OUString& name) override { frame->setName(name); }
    Reference<frame::XFrame> SAL_CALL findFrame(const OUString& name, sal_Int32 flags) override
    {
        return frame->findFrame(name, flags);
    }
    sal_Bool SAL_CALL isTop() override { return frame->isTop(); }
    void SAL_CALL activate() override { frame->activate(); }
    void SAL_CALL deactivate() override { frame->deactivate(); }
    sal_Bool SAL_CALL isActive() override { return frame->isActive(); }
    sal_Bool SAL_CALL setComponent(const Reference<awt::XWindow>& window,
                                   const Reference<frame::XController>& controller) override
    {
        return frame->setComponent(window, controller);
    }
    Reference<awt::XWindow> SAL_CALL getComponentWindow() override { return frame->getComponentWindow(); }
    Reference<frame::XController> SAL_CALL getController() override { return frame->getController(); }
    void SAL_CALL contextChanged() override { frame->contextChanged(); }
    void SAL_CALL addFrameActionListener(const Reference<frame::XFrameActionListener>&) override {}
    void SAL_CALL removeFrameActionListener(const Reference<frame::XFrameActionListener>&) override {}
    void SAL_CALL dispose() override {}
    void SAL_CALL addEventListener(const Reference<lang::XEventListener>&) override {}
    void SAL_CALL removeEventListener(const Reference<lang::XEventListener>&) override {}

private:
    Reference<frame::XFrame> frame;
    Reference<frame::XLayoutManager> layoutManager;
};

class SelectionWatcherTest : public OfficeTest
{
protected:
    void SetUp() override
    {
        OfficeTest::SetUp();
        layoutManager = new RecordingLayoutManager;
        watchedFrame = new WatchedFrame(document.frame, layoutManager.get());
        helper = makeHelper(watchedFrame.get());
    }
    void notify() { helper->selectionChanged(lang::EventObject()); }

    rtl::Reference<RecordingLayoutManager> layoutManager;
    rtl::Reference<WatchedFrame> watchedFrame;
};
}

TEST_F(SelectionWatcherTest, DocumentSealSelectionTogglesTheToolbar)
{
    auto seal = document.addGraphicShape(pictureFile("seal.gif"), "Stamper");
    document.selectShapes({ seal });
    layoutManager->visible.insert(kToolbar);
    notify();
    EXPECT_EQ((std::vector<std::string>{ "hide" }), layoutManager->calls);
    notify();
    EXPECT_EQ((std::vector<std::string>{ "hide", "create", "show" }), layoutManager->calls);
    EXPECT_TRUE(layoutManager->visible.count(kToolbar));
}

TEST_F(SelectionWatcherTest, StampingAreaAndFieldSealToggleToo)
{
    auto area = document.insertTextGraphic(pictureFile("area.gif"), "gzqy");
    document.select(area);
    notify();
    EXPECT_TRUE(layoutManager->visible.count(kToolbar));
    auto field = document.insertTextGraphic(pictureFile("field.gif"), "field");
    helper->setShapeType(field, "FieldStamper");
    document.select(field);
    notify();
    EXPECT_FALSE(layoutManager->visible.count(kToolbar));
}

TEST_F(SelectionWatcherTest, TextAndOrdinaryPicturesLeaveTheToolbarAlone)
{
    document.insertText(0, "Some text");
    document.selectText(0, 4);
    notify();
    auto picture = document.insertTextGraphic(pictureFile("plain.gif"), "picture");
    document.select(picture);
    notify();
    EXPECT_TRUE(layoutManager->calls.empty());
    EXPECT_TRUE(messages().empty());
}

TEST_F(SelectionWatcherTest, FrameWithoutLayoutManagerDoesNothing)
{
    rtl::Reference<WatchedFrame> bare = new WatchedFrame(document.frame, nullptr);
    helper = makeHelper(bare.get());
    auto area = document.insertTextGraphic(pictureFile("area.gif"), "gzqy");
    document.select(area);
    EXPECT_NO_THROW(notify());
    EXPECT_TRUE(messages().empty());
}

TEST_F(SelectionWatcherTest, DisposingLeavesTheHelperAsItIs)
{
    helper->disposing(lang::EventObject());
    EXPECT_EQ(Reference<frame::XFrame>(watchedFrame.get()), helper->documentFrame);
}
