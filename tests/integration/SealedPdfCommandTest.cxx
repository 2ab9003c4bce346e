// 印章 › 导出为盖章 PDF… in a real office: the file picker and the notices are recording fakes, the
// seal, the stamping and the PDF are real.

#include <FrameSeals.hxx>
#include <OfficeFixture.hxx>
#include <TestSeal.hxx>

#include <PdfVerification.hxx>

#include <com/sun/star/awt/XMessageBox.hpp>
#include <com/sun/star/awt/XMessageBoxFactory.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/ui/dialogs/ExecutableDialogResults.hpp>
#include <com/sun/star/ui/dialogs/XFilePicker3.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <cppuhelper/implbase1.hxx>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;
using css::uno::Sequence;
using quillmark::suite::FrameSeals;
using quillmark::suite::SealCommand;

namespace
{
/// What the file picker is asked and what it answers.
struct PickerScript
{
    /// The file chosen; none for Cancel.
    std::optional<OUString> answer;
    OUString title;
    std::vector<std::pair<OUString, OUString>> filters;
    OUString defaultName;
    OUString displayDirectory;
    int executed = 0;
};

class FilePicker : public cppu::WeakImplHelper1<ui::dialogs::XFilePicker3>
{
public:
    explicit FilePicker(PickerScript& pickerScript)
        : script(pickerScript)
    {
    }
    void SAL_CALL setTitle(const OUString& title) override { script.title = title; }
    sal_Int16 SAL_CALL execute() override
    {
        ++script.executed;
        return script.answer ? ui::dialogs::ExecutableDialogResults::OK
                             : ui::dialogs::ExecutableDialogResults::CANCEL;
    }
    void SAL_CALL setMultiSelectionMode(sal_Bool) override {}
    void SAL_CALL setDefaultName(const OUString& name) override { script.defaultName = name; }
    void SAL_CALL setDisplayDirectory(const OUString& directory) override
    {
        script.displayDirectory = directory;
    }
    OUString SAL_CALL getDisplayDirectory() override { return script.displayDirectory; }
    Sequence<OUString> SAL_CALL getFiles() override { return getSelectedFiles(); }
    Sequence<OUString> SAL_CALL getSelectedFiles() override
    {
        return script.answer ? Sequence<OUString>(&*script.answer, 1) : Sequence<OUString>();
    }
    void SAL_CALL addFilePickerListener(const Reference<ui::dialogs::XFilePickerListener>&) override
    {
    }
    void SAL_CALL
    removeFilePickerListener(const Reference<ui::dialogs::XFilePickerListener>&) override
    {
    }
    void SAL_CALL appendFilter(const OUString& title, const OUString& pattern) override
    {
        script.filters.emplace_back(title, pattern);
    }
    void SAL_CALL setCurrentFilter(const OUString&) override {}
    OUString SAL_CALL getCurrentFilter() override
    {
        return script.filters.empty() ? OUString() : script.filters.front().first;
    }
    void SAL_CALL appendFilterGroup(const OUString&, const Sequence<beans::StringPair>&) override {}
    void SAL_CALL cancel() override {}
    void SAL_CALL dispose() override {}
    void SAL_CALL addEventListener(const Reference<lang::XEventListener>&) override {}
    void SAL_CALL removeEventListener(const Reference<lang::XEventListener>&) override {}

private:
    PickerScript& script;
};

/// The suite's notices, answered at once and recorded.
class NoticeBox : public cppu::WeakImplHelper1<awt::XMessageBox>
{
public:
    NoticeBox(std::vector<OUString>& shownNotices, const OUString& text)
        : shown(shownNotices)
        , message(text)
    {
    }
    sal_Int16 SAL_CALL execute() override
    {
        shown.push_back(message);
        return 1;
    }
    OUString SAL_CALL getCaptionText() override { return OUString(); }
    void SAL_CALL setCaptionText(const OUString&) override {}
    OUString SAL_CALL getMessageText() override { return message; }
    void SAL_CALL setMessageText(const OUString& text) override { message = text; }

private:
    std::vector<OUString>& shown;
    OUString message;
};

class NoticeRecorder : public cppu::WeakImplHelper1<awt::XMessageBoxFactory>
{
public:
    explicit NoticeRecorder(std::vector<OUString>& shownNotices)
        : shown(shownNotices)
    {
    }
    Reference<awt::XMessageBox> SAL_CALL createMessageBox(const Reference<awt::XWindowPeer>&,
                                                          awt::MessageBoxType, sal_Int32,
                                                          const OUString&,
                                                          const OUString& text) override
    {
        return new NoticeBox(shown, text);
    }

private:
    std::vector<OUString>& shown;
};

bool exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

/// A reader's command on the file: its exit status and what it printed.
std::pair<int, std::string> readerOutput(const std::string& command, const std::string& path)
{
    std::string output;
    FILE* pipe
        = popen((command + " " + quillmark::office::shellQuoted(path) + " 2>&1").c_str(), "r");
    if (!pipe)
        return { -1, output };
    char buffer[4096];
    for (size_t read; (read = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, read);
    const int status = pclose(pipe);
    return { WIFEXITED(status) ? WEXITSTATUS(status) : -1, output };
}

std::vector<unsigned char> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

class SealedPdfCommandTest : public OfficeTest
{
protected:
    static const TestSeal& seal()
    {
        static TestSeal made(Office::shared().workDirectory() + "/seal-pdf-command",
                             u8"测试市政务服务局");
        return made;
    }

    void SetUp() override
    {
        OfficeTest::SetUp();
        installStampAreaPicture();
        seal().activate();
        // The window's commands reach the test's helper, whose boxes are the recording fakes.
        testContext->setService("Quillmark.Certificate.QORVHelper", [this]() {
            return Reference<uno::XInterface>(static_cast<cppu::OWeakObject*>(helper.get()));
        });
        testContext->setService("com.sun.star.awt.Toolkit", [this]() {
            return Reference<uno::XInterface>(
                static_cast<cppu::OWeakObject*>(new NoticeRecorder(notices)));
        });
        testContext->setService("com.sun.star.ui.dialogs.FilePicker", [this]() {
            return Reference<uno::XInterface>(
                static_cast<cppu::OWeakObject*>(new FilePicker(picker)));
        });
    }

    /// A stamped notice, saved under `name` so that the picker has a place and a name to offer.
    void stampedDocument(const std::string& name)
    {
        document.insertText(0,
                            OUString::fromUtf8(u8"关于开展年度检查的通知\n各单位：请按时报送。"));
        document.moveViewCursor(4);
        ASSERT_TRUE(helper->insertStampArea());
        document.select(document.textGraphic("gzqy"));
        ASSERT_TRUE(helper->stampDocument());
        document.escape();
        beans::PropertyValue filter;
        filter.Name = "FilterName";
        filter.Value <<= OUString("writer8");
        Reference<frame::XStorable>(document.model, uno::UNO_QUERY_THROW)
            ->storeAsURL(OUString::fromUtf8(fileUrl(workFile(name)).c_str()),
                         Sequence<beans::PropertyValue>(&filter, 1));
    }

    void exportFromMenu()
    {
        const rtl::Reference<FrameSeals> seals
            = FrameSeals::of(testContext->context(), document.frame);
        ASSERT_TRUE(seals.is());
        seals->execute(SealCommand::ExportSealedPdf);
    }

    PickerScript picker;
    std::vector<OUString> notices;
};
}

TEST_F(SealedPdfCommandTest, TheMenuExportsOnlyADocumentWhoseSealsVerify)
{
    struct Case
    {
        const char* what;
        bool typeAfterStamping;
        /// The picker's answer, as a file name in the work folder or as a URL; none for Cancel.
        std::optional<std::string> file;
        std::optional<std::string> url;
        bool written;
        /// The start of the notice shown; none when no notice is shown.
        std::optional<std::string> notice;
    };
    const Case cases[] = {
        { "an honest document", false, "honest.pdf", std::nullopt, true, std::nullopt },
        { "the picker cancelled", false, std::nullopt, std::nullopt, false, std::nullopt },
        { "a character typed after stamping", true, "changed.pdf", std::nullopt, false,
          u8"文档中的印章未全部通过验证，不能导出为盖章 PDF：" },
        { "a place that is no file", false, std::nullopt, "https://example.org/notice.pdf", false,
          u8"盖章 PDF 只能导出到本机的文件中。" },
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.what);
        useDocument(OUString());
        picker = PickerScript();
        notices.clear();
        const std::string documentName = std::string("command-") + std::to_string(&test - cases);
        stampedDocument(documentName + ".odt");
        if (test.typeAfterStamping)
            document.insertText(2, "x");
        const std::string target = test.file ? workFile(*test.file) : std::string();
        std::remove(target.c_str());
        if (test.file)
            picker.answer = OUString::fromUtf8(fileUrl(target).c_str());
        else if (test.url)
            picker.answer = OUString::fromUtf8(test.url->c_str());

        testContext->certInfoBox->calls.clear();
        testContext->certInfoBox->pinOfSeal.reset();
        exportFromMenu();

        EXPECT_EQ(1, picker.executed);
        EXPECT_EQ(OUString::fromUtf8(u8"导出为盖章 PDF"), picker.title);
        ASSERT_EQ(1u, picker.filters.size());
        EXPECT_EQ(OUString("*.pdf"), picker.filters[0].second);
        EXPECT_EQ(OUString::fromUtf8((documentName + ".pdf").c_str()), picker.defaultName);
        EXPECT_EQ(OUString::fromUtf8(fileUrl(office().workDirectory()).c_str()),
                  picker.displayDirectory);

        if (test.notice)
        {
            ASSERT_EQ(1u, notices.size());
            EXPECT_EQ(0, notices[0].indexOf(OUString::fromUtf8(test.notice->c_str())))
                << utf8(notices[0]);
        }
        else
            EXPECT_TRUE(notices.empty()) << utf8(notices.front());
        if (!test.file)
            continue;
        ASSERT_EQ(test.written, exists(target));
        if (!test.written)
            continue;
        const std::vector<quillmark::pdfseal::PdfSealVerdict> verdicts
            = quillmark::pdfseal::verifyPdfSignatures(fileBytes(target), std::time(nullptr));
        ASSERT_EQ(1u, verdicts.size());
        EXPECT_TRUE(verdicts[0].valid) << verdicts[0].reason;
        EXPECT_EQ(quillmark::pdfseal::PdfSealVerdict::Kind::Document, verdicts[0].kind);
        EXPECT_EQ(std::string(u8"测试市政务服务局"), verdicts[0].organisation);
        const std::vector<std::string>& asked = testContext->certInfoBox->calls;
        EXPECT_EQ(1, std::count(asked.begin(), asked.end(), "executePinDialog"));
        EXPECT_EQ(OUString::fromUtf8(u8"测试市政务服务局"),
                  testContext->certInfoBox->pinOfSeal.value_or("(none)"))
            << "the PIN box names the seal whose PIN it asks for";
        const auto [checked, problems] = readerOutput("qpdf --check", target);
        EXPECT_EQ(0, checked) << problems;
        const auto [listed, signatures] = readerOutput("pdfsig", target);
        EXPECT_EQ(0, listed) << signatures;
        EXPECT_NE(std::string::npos, signatures.find("Signature #1")) << signatures;
        EXPECT_EQ(std::string::npos, signatures.find("Signature #2")) << signatures;
        EXPECT_FALSE(
            Reference<util::XModifiable>(document.model, uno::UNO_QUERY_THROW)->isModified())
            << "the export leaves the document as it was";
    }
}
