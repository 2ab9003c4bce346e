// A window's seal commands stay alive whatever a command throws.

#include <FrameSeals.hxx>
#include <OfficeFixture.hxx>

#include <com/sun/star/awt/XMessageBox.hpp>
#include <com/sun/star/awt/XMessageBoxFactory.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>
#include <cppuhelper/implbase1.hxx>
#include <cppuhelper/implbase2.hxx>

#include <functional>
#include <stdexcept>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;
using quillmark::suite::FrameSeals;
using quillmark::suite::SealCommand;

namespace
{
/// A seal helper whose insertStampArea runs `fault` the first time it is called.
class FaultyHelper
    : public cppu::WeakImplHelper2<Quillmark::Certificate::XQORVTools, lang::XInitialization>
{
public:
    FaultyHelper(std::function<void()> firstCall, int& callCount)
        : fault(std::move(firstCall))
        , calls(callCount)
    {
    }
    void SAL_CALL initialize(const uno::Sequence<uno::Any>&) override {}
    sal_Bool SAL_CALL insertStampArea() override
    {
        if (++calls == 1)
            fault();
        return true;
    }
    sal_Int16 SAL_CALL getSelectedStampType() override { return -1; }
    sal_Bool SAL_CALL stampDocument() override { return false; }
    sal_Bool SAL_CALL verifyDocument() override { return false; }
    sal_Bool SAL_CALL removeDocumentStamp() override { return false; }
    sal_Bool SAL_CALL deleteSelectedStamp() override { return false; }
    sal_Bool SAL_CALL showCertificateInfo(const OUString&) override { return false; }
    sal_Bool SAL_CALL signField(const OUString&) override { return false; }
    sal_Bool SAL_CALL verifyField(const OUString&) override { return false; }
    sal_Bool SAL_CALL verifySelectedField() override { return false; }
    sal_Bool SAL_CALL removeSelectedFieldStamp() override { return false; }
    OUString SAL_CALL getFieldSignature(const OUString&) override { return OUString(); }
    sal_Bool SAL_CALL setFieldSignature(const OUString&, const OUString&) override { return false; }
    sal_Bool SAL_CALL isFieldSigned(const OUString&) override { return false; }

private:
    std::function<void()> fault;
    int& calls;
};

/// The suite's notices, answered at once and recorded.
class NoticeBox : public cppu::WeakImplHelper1<awt::XMessageBox>
{
public:
    explicit NoticeBox(OUString text)
        : message(std::move(text))
    {
    }
    OUString SAL_CALL getCaptionText() override { return OUString(); }
    void SAL_CALL setCaptionText(const OUString&) override {}
    OUString SAL_CALL getMessageText() override { return message; }
    void SAL_CALL setMessageText(const OUString& text) override { message = text; }
    sal_Int16 SAL_CALL execute() override { return 1; }

private:
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
                                                          const OUString& message) override
    {
        shown.push_back(message);
        return new NoticeBox(message);
    }

private:
    std::vector<OUString>& shown;
};
}

TEST_F(OfficeTest, ACommandThatThrowsLeavesTheWindowsCommandsAlive)
{
    struct Case
    {
        const char* fault;
        std::function<void()> raise;
        /// The notice shown; none when the exception goes on to the caller.
        std::optional<OUString> notice;
    };
    const Case cases[] = {
        { "an office exception",
          [] { throw uno::RuntimeException(OUString::fromUtf8(u8"办公套件出错")); },
          OUString::fromUtf8(u8"办公套件出错") },
        { "a C++ exception", [] { throw std::runtime_error(u8"磁盘已满"); },
          OUString::fromUtf8(u8"磁盘已满") },
        { "something else", [] { throw 42; }, std::nullopt },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.fault);
        int calls = 0;
        std::vector<OUString> notices;
        testContext->setService("Quillmark.Certificate.QORVHelper", [&]() {
            return Reference<uno::XInterface>(
                static_cast<cppu::OWeakObject*>(new FaultyHelper(c.raise, calls)));
        });
        testContext->setService("com.sun.star.awt.Toolkit", [&]() {
            return Reference<uno::XInterface>(
                static_cast<cppu::OWeakObject*>(new NoticeRecorder(notices)));
        });
        useDocument("Faults");
        const rtl::Reference<FrameSeals> seals
            = FrameSeals::of(testContext->context(), document.frame);
        ASSERT_TRUE(seals.is());

        if (c.notice)
            seals->execute(SealCommand::InsertStampArea);
        else
            EXPECT_THROW(seals->execute(SealCommand::InsertStampArea), int);
        seals->execute(SealCommand::InsertStampArea);

        EXPECT_EQ(2, calls) << "the second command reached the helper";
        EXPECT_EQ(c.notice ? std::vector<OUString>{ *c.notice } : std::vector<OUString>{}, notices);
        document.close();
    }
}
