// The seal dialogs as a person meets them in a visible office with the extension installed: the
// PIN box, the certificate box, the seal details window and the field-name dialog, answered by
// typing and clicking. What they show is read as a screen reader reads it.

#include "GuiFixture.hxx"

#include <DocumentSeal.hxx>
#include <SealPicture.hxx>
#include <TestToken.hxx>
#include <TokenSigner.hxx>

#include <com/sun/star/accessibility/AccessibleRole.hpp>
#include <com/sun/star/accessibility/XAccessible.hpp>
#include <com/sun/star/accessibility/XAccessibleComponent.hpp>
#include <com/sun/star/accessibility/XAccessibleContext.hpp>
#include <com/sun/star/accessibility/XAccessibleText.hpp>
#include <com/sun/star/awt/XExtendedToolkit.hpp>
#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/datatransfer/UnsupportedFlavorException.hpp>
#include <com/sun/star/datatransfer/XTransferable.hpp>
#include <com/sun/star/datatransfer/clipboard/SystemClipboard.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <cppuhelper/implbase1.hxx>
#include <openssl/bn.h>
#include <openssl/x509.h>

#include <algorithm>
#include <atomic>
#include <cairo.h>
#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <thread>
#include <unistd.h>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace
{
namespace role = accessibility::AccessibleRole;

constexpr char kNotice[] = "The clerk stamps this notice. contract body here. End of notice.";
constexpr char kPinBoxTitle[] = u8"输入口令";
constexpr char kCertificateBoxTitle[] = u8"印章信息";
constexpr char kDetailsTitle[] = u8"电子印章信息";
constexpr char kFieldNameTitle[] = u8"标记签章域";
constexpr char kSealedPdfTitle[] = u8"导出为盖章 PDF";
constexpr char kNoticeTitle[] = u8"提示";
constexpr char kOk[] = u8"确定";
constexpr char kCancel[] = u8"取消";

OUString ou(const char* text) { return OUString::fromUtf8(text); }

std::string utf8(const OUString& text)
{
    return std::string(rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8).getStr());
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

/// Every accessible below `context` (itself included), depth first.
void collect(const Reference<accessibility::XAccessibleContext>& context,
             std::vector<Reference<accessibility::XAccessibleContext>>& found, int depth = 6)
{
    if (!context.is())
        return;
    found.push_back(context);
    if (depth == 0)
        return;
    for (sal_Int32 i = 0; i < context->getAccessibleChildCount(); ++i)
    {
        Reference<accessibility::XAccessible> child = context->getAccessibleChild(i);
        if (child.is())
            collect(child->getAccessibleContext(), found, depth - 1);
    }
}

/// Plain text on the clipboard, as a person copies it from elsewhere.
class CopiedText : public cppu::WeakImplHelper1<datatransfer::XTransferable>
{
public:
    explicit CopiedText(const OUString& text)
        : text(text)
    {
    }

    uno::Any SAL_CALL getTransferData(const datatransfer::DataFlavor& flavor) override
    {
        if (!isDataFlavorSupported(flavor))
            throw datatransfer::UnsupportedFlavorException();
        return uno::Any(text);
    }

    uno::Sequence<datatransfer::DataFlavor> SAL_CALL getTransferDataFlavors() override
    {
        datatransfer::DataFlavor flavor;
        flavor.MimeType = "text/plain;charset=utf-16";
        flavor.HumanPresentableName = "Unicode-Text";
        flavor.DataType = cppu::UnoType<OUString>::get();
        return uno::Sequence<datatransfer::DataFlavor>(&flavor, 1);
    }

    sal_Bool SAL_CALL isDataFlavorSupported(const datatransfer::DataFlavor& flavor) override
    {
        return flavor.MimeType.startsWith("text/plain")
               && flavor.DataType == cppu::UnoType<OUString>::get();
    }

private:
    const OUString text;
};

/// An open dialog of the office as a person sees it: its texts, fields and buttons.
class OpenDialog
{
public:
    OpenDialog() = default;
    explicit OpenDialog(const Reference<accessibility::XAccessibleContext>& window)
    {
        collect(window, parts);
    }

    bool isOpen() const { return !parts.empty(); }

    /// What it says: its labels, and the text of a message.
    std::vector<OUString> labels() const
    {
        std::vector<OUString> texts;
        for (const auto& part : parts)
        {
            const sal_Int16 partRole = part->getAccessibleRole();
            if (partRole == role::LABEL || partRole == role::STATIC)
                texts.push_back(part->getAccessibleName());
            Reference<accessibility::XAccessibleText> text(part, UNO_QUERY);
            if (text.is() && partRole != role::PASSWORD_TEXT)
                texts.push_back(text->getText());
        }
        return texts;
    }

    /// True when a label reads `text` exactly.
    bool says(const OUString& text) const
    {
        for (const OUString& label : labels())
            if (label == text)
                return true;
        return false;
    }

    /// True when a label contains `text`.
    bool mentions(const OUString& text) const
    {
        for (const OUString& label : labels())
            if (label.indexOf(text) >= 0)
                return true;
        return false;
    }

    /// The `index`th part of that role, in reading order.
    Reference<accessibility::XAccessibleContext> part(sal_Int16 partRole, int index = 0) const
    {
        for (const auto& candidate : parts)
            if (candidate->getAccessibleRole() == partRole && index-- == 0)
                return candidate;
        return nullptr;
    }

    /// The button whose caption starts with `caption` (the office may add a mnemonic to it).
    Reference<accessibility::XAccessibleContext> button(const OUString& caption) const
    {
        for (const auto& candidate : parts)
            if (candidate->getAccessibleRole() == role::PUSH_BUTTON
                && candidate->getAccessibleName().startsWith(caption))
                return candidate;
        return nullptr;
    }

    std::string describe() const
    {
        std::string text;
        for (const OUString& label : labels())
            text += "[" + utf8(label) + "] ";
        return text;
    }

private:
    std::vector<Reference<accessibility::XAccessibleContext>> parts;
};

/// The number of seal-red pixels of a PNG inside a rectangle of it.
int redPixelsInRectangle(const std::string& png, int left, int top, int right, int bottom)
{
    cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
    int count = 0;
    if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS)
    {
        const int width = cairo_image_surface_get_width(image);
        const int height = cairo_image_surface_get_height(image);
        const int stride = cairo_image_surface_get_stride(image);
        const unsigned char* data = cairo_image_surface_get_data(image);
        for (int y = std::max(0, top); y < std::min(height, bottom); ++y)
        {
            const auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
            for (int x = std::max(0, left); x < std::min(width, right); ++x)
            {
                const int red = (row[x] >> 16) & 0xff;
                const int green = (row[x] >> 8) & 0xff;
                const int blue = row[x] & 0xff;
                if (red > 170 && green < 90 && blue < 90)
                    ++count;
            }
        }
    }
    cairo_surface_destroy(image);
    return count;
}

/// The number of seal-red pixels of a screenshot inside a part of a dialog.
int redPixelsIn(const std::string& png, const Reference<accessibility::XAccessibleContext>& part)
{
    Reference<accessibility::XAccessibleComponent> component(part, UNO_QUERY);
    if (!component.is())
        return 0;
    const awt::Point at = component->getLocationOnScreen();
    const awt::Size size = component->getSize();
    return redPixelsInRectangle(png, at.X, at.Y, at.X + size.Width, at.Y + size.Height);
}

class SealDialogsGui : public GuiTest
{
protected:
    static void SetUpTestSuite()
    {
        // The token is made before the office starts, which inherits where it is from this
        // process's environment.
        qorvtest::testToken();
        startOffice({ 86, 87, 88, 89, 90 }, false);
    }

    /// The office's dialog of that title, once it is shown with its buttons.
    OpenDialog waitForDialog(const char* title, int seconds = 15)
    {
        Reference<awt::XExtendedToolkit> toolkit(
            office().serviceManager()->createInstanceWithContext("com.sun.star.awt.Toolkit",
                                                                 office().context()),
            UNO_QUERY_THROW);
        OpenDialog dialog;
        waitFor(
            [&] {
                if (!visible->waitForWindow(title, 0))
                    return false;
                for (sal_Int32 i = 0; i < toolkit->getTopWindowCount(); ++i)
                {
                    try
                    {
                        Reference<awt::XWindow2> window(toolkit->getTopWindow(i), UNO_QUERY);
                        Reference<accessibility::XAccessible> accessible(window, UNO_QUERY);
                        // A dialog that has just closed may still be listed.
                        if (!window.is() || !window->isVisible() || !accessible.is())
                            continue;
                        Reference<accessibility::XAccessibleContext> context
                            = accessible->getAccessibleContext();
                        if (!context.is() || context->getAccessibleName() != ou(title))
                            continue;
                        OpenDialog candidate(context);
                        if (candidate.part(role::PUSH_BUTTON).is())
                        {
                            dialog = candidate;
                            return true;
                        }
                    }
                    catch (const uno::RuntimeException&)
                    {
                        // Gone while it was read: the next look decides.
                    }
                }
                return false;
            },
            seconds);
        return dialog;
    }

    /// Gives the dialog the keyboard and presses `keys` (xdotool key names) in it.
    bool press(const char* title, const std::string& keys)
    {
        // No window manager runs: the dialog is given the keyboard as a click would give it.
        return visible->run("xdotool search --onlyvisible --name " + quoted(title)
                            + " windowfocus --sync key --delay 80 " + keys + " >/dev/null 2>&1")
               == 0;
    }

    /// Types into the dialog's first field, where its cursor starts. xdotool types a character
    /// without a key of its own by lending it a spare key for a moment, and under Xvfb the
    /// office sometimes reads that key after it was given back and drops the character. So it
    /// reads back what the field holds (a PIN field shows only its length) and empties the
    /// field and types again if it is wrong.
    bool typeInto(const char* title, const std::string& text)
    {
        const OUString wanted = ou(text.c_str());
        for (int attempt = 0; attempt < 3; ++attempt)
        {
            if (attempt > 0 && !press(title, "ctrl+a BackSpace"))
                return false;
            if (visible->run("xdotool search --onlyvisible --name " + quoted(title)
                             + " windowfocus --sync type --delay 40 " + quoted(text)
                             + " >/dev/null 2>&1")
                != 0)
                return false;
            if (arrived(waitForDialog(title, 5), wanted))
                return true;
        }
        return false;
    }

    /// Pastes `text` into the dialog's first field, as a person pastes what they copied. A
    /// multi-line field shows its text to no one, so typing into it could not be read back.
    bool pasteInto(const char* title, const std::string& text)
    {
        datatransfer::clipboard::SystemClipboard::create(office().context())
            ->setContents(new CopiedText(ou(text.c_str())), nullptr);
        return press(title, "ctrl+v");
    }

    /// Whether `wanted` is in a field of the dialog; a PIN field shows only how many
    /// characters it holds.
    static bool arrived(const OpenDialog& dialog, const OUString& wanted)
    {
        Reference<accessibility::XAccessibleText> pin(dialog.part(role::PASSWORD_TEXT), UNO_QUERY);
        if (pin.is())
            return pin->getCharacterCount() == wanted.getLength();
        return dialog.mentions(wanted);
    }

    /// A notice with a certificate seal signed by the token, as the certificate tool makes it.
    WriterDocument certificateSealedNotice()
    {
        WriterDocument document = WriterDocument::create(office(), ou(kNotice));
        const auto signature = quillmark::certseal::signWithToken(
            qorvtest::kPinUtf8, quillmark::certseal::gbkBytes(document.text()));
        sealName = ou(signature.label.c_str());
        quillmark::certseal::writeSignatureFields(document.model, sealName, signature.certificate,
                                                  signature.signedData);
        const std::string picture = visible->folder() + "/cert-seal.gif";
        quillmark::certseal::writeDefaultSealPicture(picture, signature.label);
        quillmark::certseal::SealPlacement placement;
        placement.x = 6000;
        placement.y = 4000;
        quillmark::certseal::placeSealShape(document.model, fileUrl(picture), placement, sealName);
        return document;
    }

    /// Stamps through the seal command, typing `pin` into the PIN box it opens.
    void stampTyping(WriterDocument& document, const char* pin)
    {
        Command stamp(*this, document, "quillmark.seal:StampDocument");
        OpenDialog pinBox = waitForDialog(kPinBoxTitle);
        ASSERT_TRUE(pinBox.isOpen()) << "stamping asks for the seal's PIN";
        ASSERT_TRUE(pinBox.part(role::PASSWORD_TEXT).is()) << "the PIN is typed unseen";
        // The seal's own PIN, which is not the certificate token's.
        EXPECT_TRUE(pinBox.mentions(ou(u8"请输入印章“")) && !pinBox.mentions(ou(u8"证书")))
            << pinBox.describe();
        EXPECT_TRUE(typeInto(kPinBoxTitle, pin));
        visible->screenshot("seal-pin-box");
        EXPECT_TRUE(press(kPinBoxTitle, "Return"));
    }

    /// A notice stamped with the electronic seal through the seal commands, its PIN typed as a
    /// clerk types it.
    WriterDocument stampedTypingThePin()
    {
        WriterDocument document = noticeWithStampingArea(kNotice);
        stampTyping(document, kTestSealPin);
        EXPECT_TRUE(waitFor([&] { return sealShape(document).is(); })) << "the notice is stamped";
        return document;
    }

    /// Runs a seal command on its own thread, as the menu does, while the test answers its
    /// dialogs. When it goes, dialogs a failed test left open are closed, so that the command
    /// returns.
    class Command
    {
    public:
        Command(SealDialogsGui& test, WriterDocument& document, const char* url)
            : test(test)
            , worker([done = done, &document, url] {
                try
                {
                    document.dispatch(url);
                }
                catch (const uno::Exception&)
                {
                    // The test sees what the command left.
                }
                *done = true;
            })
        {
        }
        ~Command()
        {
            // A command whose dialogs were answered ends within moments.
            bool leftOpen = false;
            for (int tick = 0; tick < 150 && !*done; ++tick)
            {
                if (tick >= 25)
                {
                    for (const char* title : { kNoticeTitle, kPinBoxTitle, kCertificateBoxTitle,
                                               kDetailsTitle, kFieldNameTitle })
                        if (!leftOpen && test.visible->waitForWindow(title, 0))
                            ADD_FAILURE() << "left open: " << title;
                    leftOpen = true;
                    for (const char* title : { kNoticeTitle, kPinBoxTitle, kCertificateBoxTitle,
                                               kDetailsTitle, kFieldNameTitle })
                        test.closeLeftOver(title);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            }
            EXPECT_FALSE(leftOpen) << "the command's dialogs were answered";
            if (*done)
                worker.join();
            else
                worker.detach();
        }

    private:
        SealDialogsGui& test;
        std::shared_ptr<std::atomic<bool>> done = std::make_shared<std::atomic<bool>>(false);
        std::thread worker;
    };

    /// Closes whatever dialog of that title is still open, so that a failed test ends.
    void closeLeftOver(const char* title)
    {
        visible->run("xdotool search --onlyvisible --name " + quoted(title)
                     + " windowfocus --sync key Escape");
    }

    /// The contents of the document's annotations, which mark its fields.
    static std::set<OUString> fieldMarkers(WriterDocument& document)
    {
        std::set<OUString> found;
        Reference<container::XEnumeration> fields
            = Reference<text::XTextFieldsSupplier>(document.model, UNO_QUERY_THROW)
                  ->getTextFields()
                  ->createEnumeration();
        while (fields->hasMoreElements())
        {
            Reference<beans::XPropertySet> field(fields->nextElement(), UNO_QUERY_THROW);
            OUString content;
            field->getPropertyValue("Content") >>= content;
            found.insert(content);
        }
        return found;
    }

    OUString sealName;
};

/// The token certificate's serial number and issuer, as the certificate box words them.
struct SignerCertificate
{
    OUString serialNumber;
    OUString issuer;
};

SignerCertificate signerCertificate()
{
    const qorvtest::X509Ptr certificate
        = qorvtest::readCertificate(qorvtest::testToken().signerCertificatePath);
    SignerCertificate signer;
    if (!certificate)
        return signer;
    BIGNUM* serial = ASN1_INTEGER_to_BN(X509_get0_serialNumber(certificate.get()), nullptr);
    char* hex = BN_bn2hex(serial);
    signer.serialNumber = OUString::createFromAscii(hex);
    OPENSSL_free(hex);
    BN_free(serial);
    char name[256] = {};
    X509_NAME_get_text_by_NID(X509_get_issuer_name(certificate.get()), NID_commonName, name,
                              sizeof name);
    signer.issuer = ou(name);
    return signer;
}
}

TEST_F(SealDialogsGui, RemovingACertificateSealTakesTheRightPinTypedIntoThePinBox)
{
    try
    {
        WriterDocument document = certificateSealedNotice();
        ASSERT_TRUE(sealShape(document).is());

        // A wrong PIN: the token refuses it and the seal stays.
        document.selectShapes({ sealShape(document) });
        {
            Command removal(*this, document, "quillmark.seal:RemoveSeal");
            OpenDialog pinBox = waitForDialog(kPinBoxTitle);
            ASSERT_TRUE(pinBox.isOpen()) << "removing a certificate seal asks for the PIN";
            const auto pinField = pinBox.part(role::PASSWORD_TEXT);
            ASSERT_TRUE(pinField.is()) << "the PIN is typed unseen";
            EXPECT_TRUE(pinBox.button(ou(kOk)).is() && pinBox.button(ou(kCancel)).is())
                << pinBox.describe();
            EXPECT_TRUE(pinBox.mentions(ou(u8"请输入证书口令"))) << pinBox.describe();
            EXPECT_TRUE(typeInto(kPinBoxTitle, "000000"));
            visible->screenshot("pin-box");
            EXPECT_TRUE(press(kPinBoxTitle, "Return"));
            OpenDialog refusal = waitForDialog(kNoticeTitle);
            EXPECT_TRUE(refusal.isOpen()) << "the person is told";
            EXPECT_TRUE(refusal.mentions(ou(u8"登录失败！"))) << refusal.describe();
            visible->screenshot("pin-refused");
            if (refusal.isOpen())
            {
                EXPECT_TRUE(press(kNoticeTitle, "Return"));
            }
        }
        EXPECT_TRUE(sealShape(document).is()) << "a wrong PIN removes nothing";

        // The right PIN, typed as the token keeps it.
        document.selectShapes({ sealShape(document) });
        {
            Command removal(*this, document, "quillmark.seal:RemoveSeal");
            OpenDialog pinBox = waitForDialog(kPinBoxTitle);
            ASSERT_TRUE(pinBox.isOpen());
            EXPECT_TRUE(typeInto(kPinBoxTitle, qorvtest::kPinUtf8));
            EXPECT_TRUE(press(kPinBoxTitle, "Return"));
        }
        EXPECT_TRUE(waitFor([&] { return !sealShape(document).is(); }))
            << "the right PIN removes the seal";
        EXPECT_FALSE(visible->waitForWindow(kNoticeTitle, 1)) << "and nothing is refused";
    }
    catch (const uno::Exception& e)
    {
        FAIL() << e.Message;
    }
}

TEST_F(SealDialogsGui, StampingTakesTheSealsPinTypedIntoThePinBox)
{
    try
    {
        WriterDocument document = noticeWithStampingArea(kNotice);
        // A wrong PIN: a failed login, and nothing stamped.
        {
            Command stamp(*this, document, "quillmark.seal:StampDocument");
            OpenDialog pinBox = waitForDialog(kPinBoxTitle);
            ASSERT_TRUE(pinBox.isOpen()) << "stamping asks for the seal's PIN";
            EXPECT_TRUE(typeInto(kPinBoxTitle, "00000000"));
            EXPECT_TRUE(press(kPinBoxTitle, "Return"));
            OpenDialog refusal = waitForDialog(kNoticeTitle);
            EXPECT_TRUE(refusal.isOpen()) << "the person is told";
            EXPECT_TRUE(refusal.mentions(ou(u8"登录失败！160"))) << refusal.describe();
            visible->screenshot("seal-pin-refused");
            if (refusal.isOpen())
            {
                EXPECT_TRUE(press(kNoticeTitle, "Return"));
            }
        }
        EXPECT_FALSE(sealShape(document).is()) << "a wrong PIN stamps nothing";
        EXPECT_TRUE(document.textGraphic("gzqy").is()) << "the stamping area stays";

        // The right PIN stamps.
        document.select(document.textGraphic("gzqy"));
        stampTyping(document, kTestSealPin);
        EXPECT_TRUE(waitFor([&] { return sealShape(document).is(); }))
            << "the right PIN stamps the notice";
        EXPECT_FALSE(visible->waitForWindow(kNoticeTitle, 1)) << "and nothing is refused";
    }
    catch (const uno::Exception& e)
    {
        FAIL() << e.Message;
    }
}

TEST_F(SealDialogsGui, TheCertificateBoxShowsTheSignerAndKeepsTheCommentTypedIntoIt)
{
    try
    {
        WriterDocument document = certificateSealedNotice();
        const SignerCertificate signer = signerCertificate();
        ASSERT_FALSE(signer.serialNumber.isEmpty());
        const std::string comment = u8"已核对原件";

        document.selectShapes({ sealShape(document) });
        {
            Command details(*this, document, "quillmark.seal:ShowSealInfo");
            OpenDialog box = waitForDialog(kCertificateBoxTitle);
            ASSERT_TRUE(box.isOpen()) << "the certificate box opens";
            EXPECT_TRUE(box.says(signer.serialNumber)) << box.describe();
            EXPECT_TRUE(box.says(signer.issuer)) << box.describe();
            EXPECT_TRUE(box.says(ou(u8"印章有效"))) << box.describe();
            EXPECT_GT(
                redPixelsIn(visible->screenshot("certificate-box-picture"), box.part(role::ICON)),
                300)
                << "the box shows the seal's picture";
            // The comment field scrolls: its pane is what takes the click.
            EXPECT_TRUE(pasteInto(kCertificateBoxTitle, comment));
            visible->screenshot("certificate-box");
            // From the comment to 确定.
            EXPECT_TRUE(press(kCertificateBoxTitle, "Tab Return"));
        }
        EXPECT_EQ(ou(comment.c_str()), document.masterContent(sealName + "Postil"))
            << "the comment is kept with the seal";

        // Once the text has changed, the box tells so, however the person asks for it.
        document.escape();
        document.insertText(0, "Not ");
        document.selectShapes({ sealShape(document) });
        {
            Command details(*this, document, "quillmark.seal:ShowSealInfo");
            OpenDialog box = waitForDialog(kCertificateBoxTitle);
            ASSERT_TRUE(box.isOpen());
            EXPECT_TRUE(box.says(ou(u8"印章无效"))) << box.describe();
            EXPECT_FALSE(box.says(ou(u8"印章有效"))) << box.describe();
            EXPECT_TRUE(press(kCertificateBoxTitle, "Escape"));
        }
        document.selectShapes({ sealShape(document) });
        {
            Command verification(*this, document, "quillmark.seal:VerifyDocument");
            OpenDialog box = waitForDialog(kCertificateBoxTitle);
            ASSERT_TRUE(box.isOpen()) << "verifying a certificate seal shows the box";
            EXPECT_TRUE(box.says(ou(u8"文档已被修改，印章无效！（已修改：正文）")))
                << box.describe();
            EXPECT_TRUE(box.says(ou(u8"印章无效"))) << box.describe();
            visible->screenshot("certificate-box-changed");
            // Read and put away with the keyboard.
            EXPECT_TRUE(press(kCertificateBoxTitle, "Escape"));
        }
    }
    catch (const uno::Exception& e)
    {
        FAIL() << e.Message;
    }
}

TEST_F(SealDialogsGui, TheSealDetailsWindowShowsTheSealAndWhyItIsValidOrNot)
{
    try
    {
        WriterDocument document = stampedTypingThePin();
        ASSERT_TRUE(sealShape(document).is());
        document.selectShapes({ sealShape(document) });
        {
            Command details(*this, document, "quillmark.seal:ShowSealInfo");
            OpenDialog window = waitForDialog(kDetailsTitle);
            ASSERT_TRUE(window.isOpen()) << "the seal's details are shown";
            EXPECT_TRUE(window.says(ou(u8"北京市测试有限公司"))) << window.describe();
            EXPECT_TRUE(window.says(ou(u8"文档未被修改，印章有效！"))) << window.describe();
            EXPECT_GT(redPixelsIn(visible->screenshot("seal-details"), window.part(role::ICON)),
                      300)
                << "a valid seal is shown as it is";
            EXPECT_TRUE(press(kDetailsTitle, "Return"));
        }
        EXPECT_TRUE(visible->waitForWindowGone(kDetailsTitle, 5)) << "关闭 closes it";

        document.escape();
        document.insertText(0, "Not ");
        document.selectShapes({ sealShape(document) });
        {
            Command details(*this, document, "quillmark.seal:ShowSealInfo");
            OpenDialog window = waitForDialog(kDetailsTitle);
            ASSERT_TRUE(window.isOpen());
            EXPECT_TRUE(window.says(ou(u8"文档已被修改，印章无效！（已修改：正文）")))
                << window.describe();
            EXPECT_FALSE(window.says(ou(u8"文档未被修改，印章有效！")));
            EXPECT_EQ(0, redPixelsIn(visible->screenshot("seal-details-changed"),
                                     window.part(role::ICON)))
                << "an invalid seal is shown in black and white, as on the page";
            EXPECT_TRUE(press(kDetailsTitle, "Return"));
        }
    }
    catch (const uno::Exception& e)
    {
        FAIL() << e.Message;
    }
}

TEST_F(SealDialogsGui, TheFieldNameDialogMarksTheTypedNameAndRefusesATakenOne)
{
    try
    {
        WriterDocument document = WriterDocument::create(office(), ou(kNotice));
        auto markTyped = [&](const std::string& name, const char* answer) {
            document.selectText(30, 19);
            Command marking(*this, document, "quillmark.seal:MarkField");
            OpenDialog dialog = waitForDialog(kFieldNameTitle);
            ASSERT_TRUE(dialog.isOpen()) << "MarkField asks for the name";
            EXPECT_TRUE(typeInto(kFieldNameTitle, name));
            EXPECT_TRUE(press(kFieldNameTitle, answer));
        };

        markTyped("contract", "Escape");
        EXPECT_EQ(0u, fieldMarkers(document).size()) << "a cancelled dialog marks nothing";

        markTyped("contract", "Return");
        const auto markers = fieldMarkers(document);
        EXPECT_EQ(2u, markers.size());
        EXPECT_EQ(1u, markers.count(ou("contract__@*Start@")));
        EXPECT_EQ(1u, markers.count(ou("contract__@*End@")));

        // The same name again: the person is told, and nothing more is marked.
        document.selectText(0, 10);
        {
            Command marking(*this, document, "quillmark.seal:MarkField");
            OpenDialog dialog = waitForDialog(kFieldNameTitle);
            ASSERT_TRUE(dialog.isOpen());
            EXPECT_TRUE(typeInto(kFieldNameTitle, "contract"));
            EXPECT_TRUE(press(kFieldNameTitle, "Return"));
            OpenDialog notice = waitForDialog(kNoticeTitle);
            EXPECT_TRUE(notice.mentions(ou(u8"已有同名的签章域！"))) << notice.describe();
            if (notice.isOpen())
            {
                EXPECT_TRUE(press(kNoticeTitle, "Return"));
            }
        }
        EXPECT_EQ(2u, fieldMarkers(document).size());
    }
    catch (const uno::Exception& e)
    {
        FAIL() << e.Message;
    }
}

// Last: the picker and the clipboard it leaves behind are nothing the other tests expect.
TEST_F(SealDialogsGui, TheSealedPdfGoesWhereThePersonNamesItWithTheSealSignedInIt)
{
    try
    {
        WriterDocument document = stampedTypingThePin();
        ASSERT_TRUE(sealShape(document).is());
        document.escape();
        const std::string pdf = visible->folder() + "/sealed-notice.pdf";
        {
            Command exportPdf(*this, document, "quillmark.seal:ExportSealedPdf");
            const bool picked = visible->waitForWindow(kSealedPdfTitle, 20);
            ASSERT_TRUE(picked) << "the file picker opens";
            visible->screenshot("sealed-pdf-picker");
            // The picker's name field has the keyboard; a whole path names the folder as well.
            // Pasted, as typing could drop a character of it (see typeInto) and the picker's
            // field cannot be read back.
            EXPECT_TRUE(press(kSealedPdfTitle, "ctrl+a BackSpace"));
            EXPECT_TRUE(pasteInto(kSealedPdfTitle, pdf));
            visible->screenshot("sealed-pdf-named");
            const OpenDialog picker = waitForDialog(kSealedPdfTitle);
            ASSERT_TRUE(picker.button(ou("Save")).is()) << picker.describe();
            // A click the busy picker let pass is given again; the export then verifies the
            // seals and lets the office write the PDF before it asks, which takes a while on a
            // loaded machine.
            clickOn(picker.button(ou("Save")));
            for (int again = 0;
                 again < 2 && visible->waitForWindowGone(kSealedPdfTitle, 3) == false; ++again)
                if (const auto save = waitForDialog(kSealedPdfTitle, 1).button(ou("Save"));
                    save.is())
                    clickOn(save);
            OpenDialog pinBox = waitForDialog(kPinBoxTitle, 60);
            ASSERT_TRUE(pinBox.isOpen()) << "signing the PDF asks for the seal's PIN";
            EXPECT_TRUE(pinBox.mentions(ou(u8"请输入印章“北京市测试有限公司”")))
                << pinBox.describe();
            EXPECT_TRUE(typeInto(kPinBoxTitle, kTestSealPin));
            clickOn(pinBox.button(ou(kOk)));
        }
        ASSERT_TRUE(waitFor([&] { return access(pdf.c_str(), R_OK) == 0; }))
            << "the sealed PDF is written where the person named it";
        EXPECT_EQ(0, visible->run("qpdf --check " + quoted(pdf) + " >/dev/null 2>&1"));
        EXPECT_EQ(0,
                  visible->run("pdfsig " + quoted(pdf) + " 2>/dev/null | grep -q '^Signature #1:'"))
            << "a PDF reader finds the seal's signature";
        // The page as a reader's viewer draws it, beside the screenshots.
        const std::string page = std::filesystem::path(visible->screenshot("sealed-pdf-written"))
                                     .replace_filename("sealed-pdf-page")
                                     .string();
        ASSERT_EQ(0, visible->run("pdftoppm -r 40 -f 1 -l 1 -png -singlefile " + quoted(pdf) + " "
                                  + quoted(page)));
        EXPECT_GT(redPixelsInRectangle(page + ".png", 0, 0, 10000, 10000), 300)
            << "the page shows the seal in its colour";
    }
    catch (const uno::Exception& e)
    {
        FAIL() << e.Message;
    }
}
