// The helper object in a real office: initialisation with a document frame, the context-menu
// interceptor, and the message boxes over the document window.

#include <OfficeFixture.hxx>
#include <Sequences.hxx>

#include <com/sun/star/awt/WindowClass.hpp>
#include <com/sun/star/awt/XWindowPeer.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <cppuhelper/implbase1.hxx>
#include <cppuhelper/implbase2.hxx>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;

namespace
{
/// A controller that offers no context-menu interception.
class PlainController : public cppu::WeakImplHelper1<frame::XController>
{
public:
    explicit PlainController(Reference<frame::XModel> documentModel)
        : model(std::move(documentModel))
    {
    }
    void SAL_CALL attachFrame(const Reference<frame::XFrame>&) override {}
    sal_Bool SAL_CALL attachModel(const Reference<frame::XModel>&) override { return false; }
    sal_Bool SAL_CALL suspend(sal_Bool) override { return true; }
    Any SAL_CALL getViewData() override { return {}; }
    void SAL_CALL restoreViewData(const Any&) override {}
    Reference<frame::XModel> SAL_CALL getModel() override { return model; }
    Reference<frame::XFrame> SAL_CALL getFrame() override { return {}; }
    void SAL_CALL dispose() override {}
    void SAL_CALL addEventListener(const Reference<lang::XEventListener>&) override {}
    void SAL_CALL removeEventListener(const Reference<lang::XEventListener>&) override {}

private:
    Reference<frame::XModel> model;
};

/// A frame that hands out a plain controller and counts contextChanged calls.
class CountingFrame : public cppu::WeakImplHelper1<frame::XFrame>
{
public:
    explicit CountingFrame(Reference<frame::XController> frameController)
        : controller(std::move(frameController))
    {
    }
    int contextChanges = 0;

    void SAL_CALL initialize(const Reference<awt::XWindow>&) override {}
    Reference<awt::XWindow> SAL_CALL getContainerWindow() override { return {}; }
    void SAL_CALL setCreator(const Reference<frame::XFramesSupplier>&) override {}
    Reference<frame::XFramesSupplier> SAL_CALL getCreator() override { return {}; }
    OUString SAL_CALL getName() override { return {}; }
    void SAL_CALL setName(const OUString&) override {}
    Reference<frame::XFrame> SAL_CALL findFrame(const OUString&, sal_Int32) override { return {}; }
    sal_Bool SAL_CALL isTop() override { return true; }
    void SAL_CALL activate() override {}
    void SAL_CALL deactivate() override {}
    sal_Bool SAL_CALL isActive() override { return true; }
    sal_Bool SAL_CALL setComponent(const Reference<awt::XWindow>&,
                                   const Reference<frame::XController>&) override
    {
        return false;
    }
    Reference<awt::XWindow> SAL_CALL getComponentWindow() override { return {}; }
    Reference<frame::XController> SAL_CALL getController() override { return controller; }
    void SAL_CALL contextChanged() override { ++contextChanges; }
    void SAL_CALL addFrameActionListener(const Reference<frame::XFrameActionListener>&) override {}
    void SAL_CALL removeFrameActionListener(const Reference<frame::XFrameActionListener>&) override
    {
    }
    void SAL_CALL dispose() override {}
    void SAL_CALL addEventListener(const Reference<lang::XEventListener>&) override {}
    void SAL_CALL removeEventListener(const Reference<lang::XEventListener>&) override {}

private:
    Reference<frame::XController> controller;
};

class ComponentFrameTest : public OfficeTest
{};
}

TEST_F(ComponentFrameTest, InitializeKeepsTheFrameCreatesTheToolkitAndRegistersTheInterceptor)
{
    EXPECT_EQ(document.frame, helper->getDocumentFrame());
    EXPECT_TRUE(helper->getToolkit().is());
    EXPECT_TRUE(helper->getMenuInterceptor().is());
    EXPECT_TRUE(messages().empty());
}

TEST_F(ComponentFrameTest, InitializeWithoutArgumentsKeepsTheFrameAndRegistersAnotherInterceptor)
{
    const Reference<ui::XContextMenuInterceptor> first = helper->getMenuInterceptor();
    helper->initialize({});
    EXPECT_EQ(document.frame, helper->getDocumentFrame());
    ASSERT_TRUE(helper->getMenuInterceptor().is());
    EXPECT_NE(first, helper->getMenuInterceptor());
}

TEST_F(ComponentFrameTest, InitializeWithSomethingElseThanAFrameLeavesNoFrameAndRaisesNothing)
{
    auto other = makeHelper();
    EXPECT_NO_THROW(other->initialize(sequenceOf({ Any(OUString("not a frame")) })));
    EXPECT_FALSE(other->getDocumentFrame().is());
    EXPECT_TRUE(other->getToolkit().is()) << "the toolkit is made whatever the frame";
    EXPECT_FALSE(other->getMenuInterceptor().is());

    // A frame given earlier is dropped by a first argument that is no frame.
    helper->initialize(sequenceOf({ Any(sal_Int32(7)) }));
    EXPECT_FALSE(helper->getDocumentFrame().is());
}

TEST_F(ComponentFrameTest, ControllerWithoutInterceptionStillGetsContextChanged)
{
    rtl::Reference<CountingFrame> frame = new CountingFrame(new PlainController(document.model));
    auto other = makeHelper(frame.get());
    EXPECT_EQ(1, frame->contextChanges);
    EXPECT_FALSE(other->getMenuInterceptor().is());
    EXPECT_TRUE(other->getToolkit().is());
}

TEST_F(ComponentFrameTest, FrameWithoutControllerIsNotACrash)
{
    rtl::Reference<CountingFrame> frame = new CountingFrame(nullptr);
    auto other = makeHelper(frame.get());
    EXPECT_EQ(1, frame->contextChanges);
    EXPECT_FALSE(other->getMenuInterceptor().is());
    EXPECT_FALSE(other->stampDocument());
    EXPECT_EQ(-1, other->getSelectedStampType());
    EXPECT_FALSE(other->insertStampArea());
}

TEST_F(ComponentFrameTest, MissingToolkitSilencesMessages)
{
    testContext->removeService("com.sun.star.awt.Toolkit");
    auto other = makeHelper(document.frame);
    EXPECT_FALSE(other->getToolkit().is());
    other->showMessage("unseen");
    EXPECT_TRUE(messages().empty());
}

TEST_F(ComponentFrameTest, NoticeBoxHasItsTitleTextAndWindowDescriptor)
{
    helper->showMessage(OUString::fromUtf8(u8"文档不能为空！"));
    auto shown = messages();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(OUString::fromUtf8(u8"提示"), shown[0].title);
    EXPECT_EQ(OUString::fromUtf8(u8"文档不能为空！"), shown[0].text);

    const awt::WindowDescriptor& descriptor = shown[0].descriptor;
    EXPECT_EQ(awt::WindowClass_MODALTOP, descriptor.Type);
    EXPECT_EQ(OUString("infobox"), descriptor.WindowServiceName);
    EXPECT_EQ(-1, descriptor.ParentIndex);
    EXPECT_EQ(400, descriptor.Bounds.X);
    EXPECT_EQ(300, descriptor.Bounds.Y);
    EXPECT_EQ(300, descriptor.Bounds.Width);
    EXPECT_EQ(200, descriptor.Bounds.Height);
    EXPECT_EQ(208, descriptor.WindowAttributes);
    ASSERT_TRUE(descriptor.Parent.is());
    EXPECT_EQ(Reference<awt::XWindowPeer>(document.frame->getContainerWindow(), UNO_QUERY),
              descriptor.Parent);
}

TEST_F(ComponentFrameTest, ErrorBoxIsTitledMessageAndEmptyTextIsStillShown)
{
    helper->showErrorMessage("No such file or directory!");
    helper->showMessage("");
    auto shown = messages();
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ(OUString("Message"), shown[0].title);
    EXPECT_EQ(OUString("No such file or directory!"), shown[0].text);
    EXPECT_EQ(208, shown[0].descriptor.WindowAttributes);
    EXPECT_EQ(OUString::fromUtf8(u8"提示"), shown[1].title);
    EXPECT_TRUE(shown[1].text.isEmpty());
}

TEST_F(ComponentFrameTest, UninitialisedHelperShowsNothing)
{
    auto other = makeHelper();
    other->showMessage("unseen");
    other->showErrorMessage("unseen");
    EXPECT_TRUE(messages().empty());
}

TEST_F(ComponentFrameTest, ToolkitWithoutMessageBoxShowsNothing)
{
    testContext->messages->offerMessageBox = false;
    helper->showMessage("unseen");
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(1, testContext->messages->windowsDisposed) << "the window it made is not kept";
}

TEST_F(ComponentFrameTest, EveryMessageBoxWindowIsDisposedOnceClosed)
{
    helper->showMessage("one");
    helper->showErrorMessage("two");
    EXPECT_EQ(2u, messages().size());
    EXPECT_EQ(2, testContext->messages->windowsCreated);
    EXPECT_EQ(2, testContext->messages->windowsDisposed);
}
