// Saving a stamped document in a format that cannot carry its seals: a visible office with the
// extension installed warns before the file is written and writes nothing when the person
// cancels; formats that keep the seals, and documents with no seal, are saved as before.

#include "GuiFixture.hxx"

#include <com/sun/star/accessibility/XAccessible.hpp>
#include <com/sun/star/accessibility/AccessibleRole.hpp>
#include <com/sun/star/accessibility/XAccessibleContext.hpp>
#include <com/sun/star/awt/XExtendedToolkit.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/XLayoutManager.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>
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
constexpr char kWarningTitle[] = u8"印章签名将丢失";
constexpr char kNotice[] = "The clerk stamps this notice. End of notice.";

bool fileExists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

bool waitForFile(const std::string& path, int seconds)
{
    for (int i = 0; i < seconds * 10 && !fileExists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return fileExists(path);
}

std::vector<beans::PropertyValue> saveArguments(const std::string& path, const char* filter)
{
    beans::PropertyValue url;
    url.Name = "URL";
    url.Value <<= OUString::fromUtf8(rtl::OString(fileUrl(path).c_str()));
    beans::PropertyValue filterName;
    filterName.Name = "FilterName";
    filterName.Value <<= OUString::createFromAscii(filter);
    return { url, filterName };
}

class SaveWarningGui : public GuiTest
{
protected:
    // These tests drive the seal menu and saving: their office reads the seal's PIN from a
    // file, as programs do. SealDialogsGui types it into the PIN box.
    static void SetUpTestSuite() { startOffice({ 91, 92, 93, 94, 95 }, true); }

    /// Clicks the button of that label in the window of that title, as a person would; false
    /// when the window or its button is not there.
    bool clickButton(const char* windowTitle, const char* label)
    {
        Reference<awt::XExtendedToolkit> toolkit(
            office().context()->getServiceManager()->createInstanceWithContext(
                "com.sun.star.awt.Toolkit", office().context()),
            UNO_QUERY_THROW);
        for (sal_Int32 i = 0; i < toolkit->getTopWindowCount(); ++i)
        {
            Reference<accessibility::XAccessible> window(toolkit->getTopWindow(i), UNO_QUERY);
            if (!window.is()
                || window->getAccessibleContext()->getAccessibleName()
                       != OUString::fromUtf8(windowTitle))
                continue;
            Reference<accessibility::XAccessibleContext> button
                = findAccessible(window, accessibility::AccessibleRole::PUSH_BUTTON,
                                 OUString::createFromAscii(label), 8);
            if (!button.is())
                return false;
            clickOn(button);
            return true;
        }
        return false;
    }

    std::string pathOf(const std::string& name) const { return visible->folder() + "/" + name; }

    /// A new notice stamped through the seal commands, nothing selected.
    WriterDocument stampedNotice()
    {
        WriterDocument document = GuiTest::stampedNotice(kNotice);
        EXPECT_TRUE(document.hasMaster("newSignatureType")) << "the notice is stamped";
        document.escape();
        return document;
    }

    /// Runs Save As as a menu would, with the file and format already chosen; answers the
    /// warning with the button labelled `button` if one comes. True when the warning came.
    bool saveAs(WriterDocument& document, const std::string& path, const char* filter,
                const char* button, const char* shot = nullptr, const char* command = ".uno:SaveAs")
    {
        std::atomic<bool> done{ false };
        std::thread saving([&] {
            document.dispatch(command, saveArguments(path, filter));
            done = true;
        });
        // A save that asks nothing returns; one that asks waits for the answer.
        bool warned = false;
        for (int i = 0; i < 100 && !done && !warned; ++i)
        {
            warned = visible->run(std::string("xdotool search --onlyvisible --name '")
                                  + kWarningTitle + "' >/dev/null 2>&1")
                     == 0;
            if (!warned)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (warned)
        {
            // The box is placed and laid out after it is mapped.
            visible->screenshot(shot ? shot : "save-warning-answered");
            bool gone = false;
            for (int attempt = 0; attempt < 3 && !gone; ++attempt)
            {
                EXPECT_TRUE(clickButton(kWarningTitle, button)) << button;
                gone = visible->waitForWindowGone(kWarningTitle, 3);
            }
            if (!gone)
                visible->run("xdotool key Escape");
        }
        saving.join();
        return warned;
    }
};
}

TEST_F(SaveWarningGui, RichTextLosesTheSealsSoThePersonIsWarnedAndMayCancel)
{
    try
    {
        WriterDocument document = stampedNotice();
        const std::string target = pathOf("notice.rtf");

        EXPECT_TRUE(saveAs(document, target, "Rich Text Format", "No", "save-warning"))
            << "the warning box is shown before the file is written";
        std::this_thread::sleep_for(std::chrono::seconds(1));
        EXPECT_FALSE(fileExists(target)) << "cancelled: nothing is written";
        EXPECT_TRUE(document.hasMaster("newSignatureType")) << "the open document keeps its seal";

        // An export writes a copy in the format all the same.
        EXPECT_TRUE(
            saveAs(document, pathOf("exported.txt"), "Text", "No", nullptr, ".uno:ExportTo"));
        EXPECT_TRUE(saveAs(document, pathOf("copy.html"), "HTML (StarWriter)", "No", nullptr,
                           ".uno:SaveACopy"));
        std::this_thread::sleep_for(std::chrono::seconds(1));
        EXPECT_FALSE(fileExists(pathOf("exported.txt")));
        EXPECT_FALSE(fileExists(pathOf("copy.html")));

        EXPECT_TRUE(saveAs(document, target, "Rich Text Format", "Yes"));
        ASSERT_TRUE(waitForFile(target, 10)) << "confirmed: the file is written";
        std::ifstream written(target);
        const std::string head((std::istreambuf_iterator<char>(written)),
                               std::istreambuf_iterator<char>());
        EXPECT_EQ(0u, head.rfind("{\\rtf", 0)) << "in the format asked for";
        EXPECT_NE(std::string::npos, head.find("The clerk stamps this notice"));
    }
    catch (const uno::Exception& e)
    {
        FAIL() << e.Message;
    }
}

TEST_F(SaveWarningGui, FormatsThatKeepTheSealsAndUnsealedDocumentsSaveWithoutAQuestion)
{
    try
    {
        {
            WriterDocument document = stampedNotice();
            const std::string target = pathOf("notice.odt");
            EXPECT_FALSE(saveAs(document, target, "writer8", "No"))
                << "OpenDocument keeps the seals";
            EXPECT_TRUE(waitForFile(target, 10));
            const std::string word = pathOf("notice.docx");
            EXPECT_FALSE(saveAs(document, word, "MS Word 2007 XML", "No"))
                << "Word keeps them through the document's properties";
            EXPECT_TRUE(waitForFile(word, 10));
        }
        WriterDocument plain = WriterDocument::create(office(), OUString::fromUtf8(kNotice));
        const std::string target = pathOf("plain.rtf");
        EXPECT_FALSE(saveAs(plain, target, "Rich Text Format", "No"))
            << "a document with no seal has nothing to lose";
        EXPECT_TRUE(waitForFile(target, 10));
    }
    catch (const uno::Exception& e)
    {
        FAIL() << e.Message;
    }
}

TEST_F(SaveWarningGui, SignedFieldsAndCertificateSealsCountAsSealsButOtherFieldsDoNot)
{
    try
    {
        {
            // A field whose start marker carries its signature, as field signing leaves it.
            WriterDocument document = WriterDocument::create(office(), OUString::fromUtf8(kNotice));
            document.insertAnnotation(4, "terms__@*Start@", "c2lnbmF0dXJl");
            document.insertAnnotation(20, "terms__@*End@");
            EXPECT_TRUE(saveAs(document, pathOf("field.rtf"), "Rich Text Format", "No"))
                << "a signed field is a seal the format loses";
        }
        {
            // A certificate seal's two fields.
            WriterDocument document = WriterDocument::create(office(), OUString::fromUtf8(kNotice));
            document.writeMaster(OUString::fromUtf8(u8"测试单位公章Cert"), "MIIB");
            document.writeMaster(OUString::fromUtf8(u8"测试单位公章Sign"), "MIIC");
            EXPECT_TRUE(saveAs(document, pathOf("certificate.txt"), "Text", "No"));
        }
        // Fields of the person's own, and a field that was marked but never signed.
        WriterDocument document = WriterDocument::create(office(), OUString::fromUtf8(kNotice));
        document.writeMaster("Sign", "yes");
        document.writeMaster("ReviewerCert", "none");
        document.insertAnnotation(4, "terms__@*Start@", "");
        document.insertAnnotation(20, "terms__@*End@");
        EXPECT_FALSE(saveAs(document, pathOf("unsigned.rtf"), "Rich Text Format", "No"));
        EXPECT_TRUE(waitForFile(pathOf("unsigned.rtf"), 10));
        EXPECT_FALSE(fileExists(pathOf("field.rtf")));
        EXPECT_FALSE(fileExists(pathOf("certificate.txt")));
    }
    catch (const uno::Exception& e)
    {
        FAIL() << e.Message;
    }
}

TEST_F(SaveWarningGui, SaveAsWithNoFileNamedAsksForTheFileFirst)
{
    try
    {
        WriterDocument document = stampedNotice();
        std::atomic<bool> done{ false };
        std::thread saving([&] {
            document.dispatch(".uno:SaveAs");
            done = true;
        });
        const bool asked = visible->waitForWindow("^Save as$", 15);
        if (asked)
            visible->screenshot("save-as-picker");
        // Cancelled, as a person would, by its button; a picker that stays is closed all the same.
        for (int attempt = 0; attempt < 5 && !done; ++attempt)
        {
            clickButton("Save as", "Cancel");
            for (int i = 0; i < 20 && !done; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (!done)
            visible->run("xdotool key Escape Escape");
        saving.join();
        ASSERT_TRUE(asked) << "the file picker opens";
        EXPECT_FALSE(visible->waitForWindow(kWarningTitle, 1)) << "nothing chosen, nothing asked";
        EXPECT_FALSE(Reference<frame::XStorable>(document.model, UNO_QUERY_THROW)->hasLocation())
            << "and nothing saved";
    }
    catch (const uno::Exception& e)
    {
        FAIL() << e.Message;
    }
}

TEST_F(SaveWarningGui, TheSealToolbarIsNamedForWhatItHolds)
{
    try
    {
        WriterDocument document = WriterDocument::create(office(), OUString::fromUtf8(kNotice));
        Reference<frame::XLayoutManager> layout(
            Reference<beans::XPropertySet>(document.frame, UNO_QUERY_THROW)
                ->getPropertyValue("LayoutManager"),
            UNO_QUERY_THROW);
        const OUString toolbar("private:resource/toolbar/addon_quillmark.seal.toolbar");
        for (int i = 0; i < 50 && !layout->getElement(toolbar).is(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_TRUE(layout->getElement(toolbar).is());
        // The name the office gives the toolbar's window, as a screen reader reads it.
        Reference<accessibility::XAccessible> window(
            layout->getElement(toolbar)->getRealInterface(), UNO_QUERY_THROW);
        EXPECT_EQ(OUString::fromUtf8(u8"印章"),
                  window->getAccessibleContext()->getAccessibleName());
        // View > Toolbars lists it by that name, as a person opening the menu sees it.
        Reference<accessibility::XAccessible> frameWindow(document.frame->getContainerWindow(),
                                                          UNO_QUERY_THROW);
        Reference<accessibility::XAccessibleContext> view
            = findAccessible(frameWindow, accessibility::AccessibleRole::MENU, "View", 5);
        ASSERT_TRUE(view.is());
        clickOn(view);
        Reference<accessibility::XAccessibleContext> toolbars
            = findAccessible(frameWindow, accessibility::AccessibleRole::MENU, "Toolbars", 6);
        ASSERT_TRUE(toolbars.is());
        clickOn(toolbars);
        bool listed = false, unnamed = false;
        for (int attempt = 0; attempt < 20 && !listed; ++attempt)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            for (sal_Int32 i = 0; i < toolbars->getAccessibleChildCount(); ++i)
            {
                const OUString entry
                    = toolbars->getAccessibleChild(i)->getAccessibleContext()->getAccessibleName();
                listed = listed || entry == OUString::fromUtf8(u8"印章");
                unnamed = unnamed || entry.startsWith("Add-On");
            }
        }
        EXPECT_TRUE(listed) << "View > Toolbars names the seal toolbar";
        EXPECT_FALSE(unnamed);
        visible->screenshot("seal-toolbar-name");
        visible->run("xdotool key Escape Escape");
    }
    catch (const uno::Exception& e)
    {
        FAIL() << e.Message;
    }
}
