// The seal menu, toolbar, commands and dialogs in a visible office with the extension installed
// as a person installs it, driven by commands, keys and clicks; screenshots are left to look at.

#include "GuiFixture.hxx"

#include <com/sun/star/accessibility/AccessibleRole.hpp>
#include <com/sun/star/accessibility/XAccessible.hpp>
#include <com/sun/star/accessibility/XAccessibleContext.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <rtl/ref.hxx>
#include <functional>
#include <map>
#include <com/sun/star/drawing/ColorMode.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XInfobarProvider.hpp>
#include <com/sun/star/frame/XLayoutManager.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/frame/XStatusListener.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <cppuhelper/implbase1.hxx>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace
{
constexpr char kToolbar[] = "private:resource/toolbar/addon_quillmark.seal.toolbar";
constexpr char kInfobar[] = "quillmark.seal.verdict";
const char* const kMenuTitles[]
    = { u8"插入盖章区域", u8"加盖印章",       u8"验证印章",       u8"印章信息",
        u8"撤销印章",     u8"删除印章图片",   u8"标记签章域…",    u8"签署签章域",
        u8"验证签章域",   u8"撤销签章域印章", u8"导出为盖章 PDF…" };
constexpr char kNotice[] = "The clerk stamps this notice. contract body here. End of notice.";
constexpr sal_Int32 kFieldStart = 30; // "contract body here."
constexpr sal_Int32 kFieldLength = 19;

/// Remembers whether the last state a command reported was enabled.
class StateRecorder : public cppu::WeakImplHelper1<frame::XStatusListener>
{
public:
    void SAL_CALL statusChanged(const frame::FeatureStateEvent& event) override
    {
        enabled = event.IsEnabled;
        ++events;
    }
    void SAL_CALL disposing(const lang::EventObject&) override {}
    bool enabled = false;
    int events = 0;
};

class SealSuiteGui : public GuiTest
{
protected:
    // These tests drive the seal menu and saving: their office reads the seal's PIN from a
    // file, as programs do. SealDialogsGui types it into the PIN box.
    static void SetUpTestSuite() { startOffice({ 81, 82, 83, 84, 85 }, true); }

    static Reference<frame::XDispatch> dispatchFor(WriterDocument& document, const char* command,
                                                   util::URL& url)
    {
        url.Complete = OUString::createFromAscii(command);
        return Reference<frame::XDispatchProvider>(document.frame, UNO_QUERY_THROW)
            ->queryDispatch(url, "_self", 0);
    }

    static bool hasVerdict(WriterDocument& document)
    {
        return Reference<frame::XInfobarProvider>(document.controller, UNO_QUERY_THROW)
            ->hasInfobar(kInfobar);
    }

    static bool hasGraphic(WriterDocument& document, const char* name)
    {
        return Reference<text::XTextGraphicObjectsSupplier>(document.model, UNO_QUERY_THROW)
            ->getGraphicObjects()
            ->hasByName(OUString::createFromAscii(name));
    }

    /// The seal, once the office shows it: a window that has just opened may still be
    /// laying its page out.
    static Reference<drawing::XShape> waitForSealShape(WriterDocument& document)
    {
        Reference<drawing::XShape> seal;
        waitFor([&] {
            try
            {
                seal = sealShape(document);
            }
            catch (const uno::RuntimeException&)
            {
                // Shapes read while the page is being built may go away under the reader.
            }
            return seal.is();
        });
        return seal;
    }

    static OUString caption(const Reference<drawing::XShape>& seal)
    {
        return Reference<text::XText>(seal, UNO_QUERY_THROW)->getString();
    }

    /// The author of every annotation, by its content.
    static std::map<OUString, OUString> annotations(WriterDocument& document)
    {
        std::map<OUString, OUString> found;
        Reference<container::XEnumeration> fields
            = Reference<text::XTextFieldsSupplier>(document.model, UNO_QUERY_THROW)
                  ->getTextFields()
                  ->createEnumeration();
        while (fields->hasMoreElements())
        {
            Reference<beans::XPropertySet> field(fields->nextElement(), UNO_QUERY_THROW);
            OUString content, author;
            field->getPropertyValue("Content") >>= content;
            field->getPropertyValue("Author") >>= author;
            found[content] = author;
        }
        return found;
    }
};
}

TEST_F(SealSuiteGui, WriterHasTheSealMenuAndToolbar)
{
    try
    {
        WriterDocument document = WriterDocument::create(office(), "Notice");
        Reference<frame::XLayoutManager> layout(
            Reference<beans::XPropertySet>(document.frame, UNO_QUERY_THROW)
                ->getPropertyValue("LayoutManager"),
            UNO_QUERY_THROW);
        EXPECT_TRUE(waitFor([&] { return layout->getElement(kToolbar).is(); }))
            << "the seal toolbar is in the window";
        EXPECT_TRUE(layout->isElementVisible(kToolbar));
        // Docked beside the office's own, under its name; not floating over them.
        EXPECT_TRUE(layout->isElementDocked(kToolbar));
        Reference<accessibility::XAccessible> toolbar(
            layout->getElement(kToolbar)->getRealInterface(), UNO_QUERY);
        ASSERT_TRUE(toolbar.is());
        EXPECT_EQ(OUString::fromUtf8(u8"印章"),
                  toolbar->getAccessibleContext()->getAccessibleName());

        // The menu bar as a person meets it: its menus and their entries, by name.
        Reference<accessibility::XAccessibleContext> sealMenu;
        waitFor([&] {
            sealMenu = findAccessible(Reference<accessibility::XAccessible>(
                                          document.frame->getContainerWindow(), UNO_QUERY_THROW),
                                      accessibility::AccessibleRole::MENU,
                                      OUString::fromUtf8(u8"印章"), 4);
            return sealMenu.is();
        });
        ASSERT_TRUE(sealMenu.is()) << "the menu bar has the seal menu";
        std::vector<OUString> titles;
        for (sal_Int32 i = 0; i < sealMenu->getAccessibleChildCount(); ++i)
        {
            const OUString title
                = sealMenu->getAccessibleChild(i)->getAccessibleContext()->getAccessibleName();
            if (!title.isEmpty())
                titles.push_back(title);
        }
        ASSERT_EQ(std::size(kMenuTitles), titles.size());
        for (std::size_t i = 0; i < titles.size(); ++i)
            EXPECT_EQ(OUString::fromUtf8(kMenuTitles[i]), titles[i]);
        // Opened as a person opens it, for the screenshot of its entries.
        clickOn(sealMenu);
        visible->screenshot("seal-menu");
        visible->run("xdotool key Escape");

        // Only inserting a stamping area applies to a fresh document.
        for (const char* command :
             { "quillmark.seal:InsertStampArea", "quillmark.seal:StampDocument",
               "quillmark.seal:VerifyDocument", "quillmark.seal:SignField" })
        {
            util::URL url;
            Reference<frame::XDispatch> dispatch = dispatchFor(document, command, url);
            ASSERT_TRUE(dispatch.is()) << command;
            rtl::Reference<StateRecorder> state(new StateRecorder);
            dispatch->addStatusListener(state.get(), url);
            EXPECT_EQ(1, state->events) << command;
            EXPECT_EQ(std::string(command) == "quillmark.seal:InsertStampArea", state->enabled)
                << command;
            dispatch->removeStatusListener(state.get(), url);
        }
        visible->screenshot("seal-toolbar");
    }
    catch (const uno::Exception& e)
    {
        FAIL() << e.Message;
    }
}

TEST_F(SealSuiteGui, CommandsStampVerifyAndSignAFieldMarkedThroughItsDialog)
{
    try
    {
        WriterDocument document = WriterDocument::create(office(), OUString::fromUtf8(kNotice));
        // The area goes beside the cursor: at the line's start it is on the page.
        document.moveViewCursor(0);
        document.dispatch("quillmark.seal:InsertStampArea");
        Reference<beans::XPropertySet> area = document.textGraphic("gzqy");
        ASSERT_TRUE(area.is());
        document.select(area);

        util::URL stampUrl;
        Reference<frame::XDispatch> stamp
            = dispatchFor(document, "quillmark.seal:StampDocument", stampUrl);
        rtl::Reference<StateRecorder> stampState(new StateRecorder);
        stamp->addStatusListener(stampState.get(), stampUrl);
        EXPECT_TRUE(waitFor([&] { return stampState->enabled; }))
            << "a selected stamping area can be stamped";

        document.dispatch("quillmark.seal:StampDocument");
        Reference<drawing::XShape> seal = sealShape(document);
        ASSERT_TRUE(seal.is()) << "the seal is on the page";
        EXPECT_TRUE(document.hasMaster("newSignatureType"));
        EXPECT_FALSE(hasGraphic(document, "gzqy")) << "the seal took the area's place";
        EXPECT_TRUE(waitFor([&] { return !stampState->enabled; }))
            << "with the area gone there is nothing left to stamp";
        stamp->removeStatusListener(stampState.get(), stampUrl);

        document.selectShapes({ seal });
        EXPECT_FALSE(hasVerdict(document));
        document.dispatch("quillmark.seal:VerifyDocument");
        EXPECT_TRUE(hasVerdict(document)) << "the person sees the verdict over the document";
        EXPECT_EQ(0, Reference<beans::XPropertySet>(seal, UNO_QUERY_THROW)
                         ->getPropertyValue("GraphicColorMode")
                         .get<drawing::ColorMode>())
            << "an unchanged document's seal stays in colour";
        visible->screenshot("stamped-page");

        // The field-name dialog, answered by typing.
        document.escape();
        document.selectText(kFieldStart, kFieldLength);
        std::thread marking([&] { document.dispatch("quillmark.seal:MarkField"); });
        const bool asked = visible->waitForWindow(u8"标记签章域", 20);
        if (asked)
        {
            visible->screenshot("field-name-dialog");
            // No window manager gives the dialog the keyboard: it is given as a click would.
            visible->run(std::string("xdotool search --onlyvisible --name '") + u8"标记签章域"
                         + "' windowfocus --sync type --delay 50 contract");
            visible->run("xdotool key Return");
        }
        // A dialog that did not take the answer is closed, so that the test ends.
        if (!visible->waitForWindowGone(u8"标记签章域", 10))
            visible->run("xdotool key Escape");
        marking.join();
        ASSERT_TRUE(asked) << "MarkField asks for the field's name";
        const auto markers = annotations(document);
        ASSERT_EQ(2u, markers.size());
        ASSERT_EQ(1u, markers.count("contract__@*Start@"));
        EXPECT_TRUE(markers.at("contract__@*Start@").isEmpty()) << "a new field is unsigned";
        EXPECT_EQ(1u, markers.count("contract__@*End@"));
        EXPECT_EQ(OUString::fromUtf8(kNotice), document.text()) << "the text itself is unchanged";

        // The cursor inside the field names it for signing and verifying.
        document.moveViewCursor(kFieldStart + 5);
        document.dispatch("quillmark.seal:SignField");
        EXPECT_FALSE(annotations(document)["contract__@*Start@"].isEmpty())
            << "the field is signed";
        Reference<beans::XPropertySet> fieldSeal = document.textGraphic("contract");
        ASSERT_TRUE(fieldSeal.is()) << "the field's seal is placed";

        Reference<frame::XInfobarProvider>(document.controller, UNO_QUERY_THROW)
            ->removeInfobar(kInfobar);
        document.moveViewCursor(kFieldStart + 5);
        document.dispatch("quillmark.seal:VerifyField");
        EXPECT_TRUE(hasVerdict(document)) << "the field's verdict is shown";
        visible->screenshot("field-verified");

        document.select(fieldSeal);
        document.dispatch("quillmark.seal:RemoveFieldSeal");
        EXPECT_TRUE(annotations(document)["contract__@*Start@"].isEmpty())
            << "the field's signature is gone";
        EXPECT_FALSE(hasGraphic(document, "contract"));
    }
    catch (const uno::Exception& e)
    {
        FAIL() << e.Message;
    }
}

TEST_F(SealSuiteGui, RightClickOnASealOpensTheSealMenu)
{
    try
    {
        WriterDocument document = stampedNotice(kNotice);
        ASSERT_TRUE(sealShape(document).is());
        document.escape();
        document.moveViewCursor(0);
        // The seal is on the screen once the office has painted the page.
        Point seal;
        for (int attempt = 0; attempt < 5 && seal.x < 0; ++attempt)
            seal = redCentre(visible->screenshot("before-right-click"));
        ASSERT_GE(seal.x, 0) << "the red seal is on the screen";

        visible->run("xdotool mousemove " + std::to_string(seal.x) + " " + std::to_string(seal.y)
                     + " click 3");
        visible->screenshot("seal-context-menu");
        // The seal menu's first entry verifies the seal; the office's own menu has no such entry.
        visible->run("xdotool key Down Return");
        EXPECT_TRUE(waitFor([&] { return hasVerdict(document); }))
            << "the seal menu opened and its verification ran";
        visible->screenshot("seal-menu-verified");
    }
    catch (const uno::Exception& e)
    {
        FAIL() << e.Message;
    }
}

TEST_F(SealSuiteGui, ADocumentChangedOutsideTheOfficeOpensWithItsSealMarkedInvalid)
{
    try
    {
        std::string path;
        {
            WriterDocument document = stampedNotice(kNotice);
            ASSERT_TRUE(sealShape(document).is());
            path = document.saveAs(office(), "changed-outside.odt");
        }
        const std::string folder = path.substr(0, path.rfind('/'));
        ASSERT_EQ(0, visible->run("cd '" + folder
                                  + "' && unzip -o -q changed-outside.odt content.xml"
                                    " && sed -i 's/clerk stamps/clerk STAMPS/' content.xml"
                                    " && zip -q changed-outside.odt content.xml"));

        // The window's helper surveys and marks the seals after the office has opened the file.
        WriterDocument document = WriterDocument::load(office(), path);
        EXPECT_TRUE(waitFor([&] { return hasVerdict(document); })) << "the infobar tells";
        const Reference<drawing::XShape> seal = waitForSealShape(document);
        ASSERT_TRUE(seal.is()) << "the seal is on the reopened page";
        Reference<beans::XPropertySet> picture(seal, UNO_QUERY_THROW);
        waitFor([&] { return caption(seal) == OUString::fromUtf8(u8"无效印章"); });
        EXPECT_EQ(drawing::ColorMode_MONO,
                  picture->getPropertyValue("GraphicColorMode").get<drawing::ColorMode>());
        EXPECT_EQ(OUString::fromUtf8(u8"无效印章"), caption(seal));
        EXPECT_FALSE(Reference<util::XModifiable>(document.model, UNO_QUERY_THROW)->isModified())
            << "opening leaves the document as it was";
        visible->screenshot("invalid-seal");

        // Saved as Word, the captioned seal must still give a file the office can open again,
        // and the window keeps showing the caption.
        beans::PropertyValue filter;
        filter.Name = "FilterName";
        filter.Value <<= OUString("MS Word 2007 XML");
        Reference<frame::XStorable>(document.model, UNO_QUERY_THROW)
            ->storeAsURL(
                OUString::fromUtf8(rtl::OString(fileUrl(folder + "/changed-outside.docx").c_str())),
                css::uno::Sequence<beans::PropertyValue>(&filter, 1));
        EXPECT_TRUE(waitFor([&] { return caption(seal) == OUString::fromUtf8(u8"无效印章"); }))
            << "the caption comes back after the store";
        EXPECT_FALSE(Reference<util::XModifiable>(document.model, UNO_QUERY_THROW)->isModified());
        WriterDocument word = WriterDocument::load(office(), folder + "/changed-outside.docx");
        EXPECT_TRUE(word.model.is()) << "the Word copy opens";
    }
    catch (const uno::Exception& e)
    {
        FAIL() << e.Message;
    }
}
