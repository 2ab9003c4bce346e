#include "SealedPdfCommand.hxx"

#include "SuiteTexts.hxx"

#include <SealedPdfExport.hxx>

#include <Quillmark/UITools/XCertInfoBox.hpp>
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/ui/dialogs/ExecutableDialogResults.hpp>
#include <com/sun/star/ui/dialogs/FilePicker.hpp>
#include <com/sun/star/ui/dialogs/TemplateDescription.hpp>
#include <osl/file.hxx>
#include <osl/thread.h>
#include <rtl/textcvt.h>
#include <string.h>
#include <vector>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using rtl::OUString;

namespace quillmark::suite
{
namespace
{
constexpr sal_uInt32 kExactUtf8
    = RTL_UNICODETOTEXT_FLAGS_UNDEFINED_ERROR | RTL_UNICODETOTEXT_FLAGS_INVALID_ERROR;

Reference<frame::XModel> modelOf(const Reference<frame::XFrame>& frame)
{
    Reference<frame::XController> controller = frame.is() ? frame->getController() : nullptr;
    return controller.is() ? controller->getModel() : nullptr;
}

/// The office's file picker for one PDF file, opening where the document lies, with its name.
std::optional<OUString> askPdfFile(const Reference<uno::XComponentContext>& context,
                                   const Reference<frame::XFrame>& frame)
{
    Reference<ui::dialogs::XFilePicker3> picker = ui::dialogs::FilePicker::createWithMode(
        context, ui::dialogs::TemplateDescription::FILESAVE_AUTOEXTENSION);
    picker->setTitle(OUString::fromUtf8(texts::kSealedPdfTitle));
    picker->appendFilter(OUString::fromUtf8(texts::kSealedPdfFilter),
                         OUString::createFromAscii(texts::kPdfPattern));
    picker->setCurrentFilter(OUString::fromUtf8(texts::kSealedPdfFilter));
    Reference<frame::XStorable> document(modelOf(frame), UNO_QUERY);
    if (document.is() && document->hasLocation())
    {
        const OUString location = document->getLocation();
        const sal_Int32 slash = location.lastIndexOf('/');
        if (slash > 0)
        {
            picker->setDisplayDirectory(location.copy(0, slash));
            OUString name = location.copy(slash + 1);
            if (const sal_Int32 dot = name.lastIndexOf('.'); dot > 0)
                name = name.copy(0, dot);
            picker->setDefaultName(name + ".pdf");
        }
    }
    if (picker->execute() != ui::dialogs::ExecutableDialogResults::OK)
        return std::nullopt;
    const Sequence<OUString> files = picker->getSelectedFiles();
    if (!files.hasElements() || files[0].isEmpty())
        return std::nullopt;
    return files[0];
}

/// The suite's PIN box over the window; the PIN as UTF-8 into the area, wiped everywhere else.
class PinBox
{
public:
    PinBox(const Reference<uno::XComponentContext>& context, const Reference<frame::XFrame>& frame)
        : context(context)
        , frame(frame)
    {
    }

    /// `sealName` names the seal whose PIN is asked for; none for the key token's.
    bool ask(char* pin, size_t capacity, size_t& length, const std::optional<OUString>& sealName)
    {
        Reference<uno::XInterface> service
            = context->getServiceManager()->createInstanceWithContext(
                OUString::createFromAscii(texts::kCertInfoBoxService), context);
        Reference<lang::XInitialization> initialization(service, UNO_QUERY);
        if (initialization.is())
        {
            // The box says whose PIN it asks for, as it learns it from its one initialize.
            std::vector<Any> arguments{ Any(frame) };
            if (sealName)
                arguments.emplace_back(beans::NamedValue(
                    OUString::createFromAscii(texts::kPinOfSealArgument), Any(*sealName)));
            initialization->initialize(
                Sequence<Any>(arguments.data(), static_cast<sal_Int32>(arguments.size())));
        }
        Reference<Quillmark::UITools::XCertInfoBox> box(service, UNO_QUERY);
        if (!box.is() || !box->executePinDialog())
            return false;
        OUString typed = box->getPin();
        rtl_UnicodeToTextConverter converter
            = rtl_createUnicodeToTextConverter(RTL_TEXTENCODING_UTF8);
        sal_uInt32 info = 0;
        sal_Size converted = 0;
        length = capacity > 1 ? rtl_convertUnicodeToText(converter, nullptr, typed.getStr(),
                                                         typed.getLength(), pin, capacity - 1,
                                                         kExactUtf8, &info, &converted)
                              : 0;
        rtl_destroyUnicodeToTextConverter(converter);
        const bool whole = info == 0 && converted == static_cast<sal_Size>(typed.getLength());
        // The string's characters are shared with the box's copy: wiping one wipes both.
        explicit_bzero(const_cast<sal_Unicode*>(typed.getStr()),
                       static_cast<size_t>(typed.getLength()) * sizeof(sal_Unicode));
        if (!whole || length == 0)
        {
            explicit_bzero(pin, capacity);
            length = 0;
            return false;
        }
        pin[length] = '\0';
        return true;
    }

    /// The seal library's PIN provider.
    static int sealPin(void* context, const char* sealName, char* pin, int pinSize)
    {
        size_t length = 0;
        if (!pin || pinSize <= 1
            || !static_cast<PinBox*>(context)->ask(pin, static_cast<size_t>(pinSize), length,
                                                   OUString::fromUtf8(sealName ? sealName : "")))
            return 0;
        return static_cast<int>(length);
    }

private:
    Reference<uno::XComponentContext> context;
    Reference<frame::XFrame> frame;
};
}

std::optional<SealedPdfResult> exportSealedPdf(const Reference<uno::XComponentContext>& context,
                                               const Reference<frame::XFrame>& frame,
                                               const Reference<uno::XInterface>& helper,
                                               const OUString& target)
{
    const std::optional<OUString> url = target.isEmpty() ? askPdfFile(context, frame) : target;
    if (!url)
        return std::nullopt;
    OUString path;
    if (osl::FileBase::getSystemPathFromFileURL(*url, path) != osl::FileBase::E_None)
        return SealedPdfResult{ false, OUString::fromUtf8(texts::kSealedPdfNotAFile) };

    PinBox box(context, frame);
    pdfseal::ExportKeys keys;
    keys.sealPin.provider = PinBox::sealPin;
    keys.sealPin.context = &box;
    keys.tokenPin = [&box](ktxeseal::SecretBytes& pin) {
        size_t length = 0;
        const bool given = box.ask(pin.data(), pin.capacity(), length, std::nullopt);
        pin.setLength(length);
        return given;
    };
    const pdfseal::ExportOutcome outcome = pdfseal::exportSealedPdf(
        context, modelOf(frame), Reference<Quillmark::Certificate::XSealSurvey>(helper, UNO_QUERY),
        OUStringToOString(path, osl_getThreadTextEncoding()).getStr(), keys);
    if (!outcome.written)
        return SealedPdfResult{ false, OUString::fromUtf8(outcome.message.c_str()) };
    return SealedPdfResult{
        true, OUString::fromUtf8(texts::kSealedPdfWritten)
                  .replaceAll("%1", path)
                  .replaceAll("%2", OUString::number(static_cast<sal_Int64>(outcome.signatures)))
    };
}
}
