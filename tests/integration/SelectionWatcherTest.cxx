// Selecting a seal, a field seal or a stamping area toggles the graphic-object toolbar.

#include <OfficeFixture.hxx>
#include <WatchedFrame.hxx>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;

namespace
{
constexpr char kToolbar[] = "private:resource/toolbar/graphicobjectbar";

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
    EXPECT_EQ(Reference<frame::XFrame>(watchedFrame.get()), helper->getDocumentFrame());
}
