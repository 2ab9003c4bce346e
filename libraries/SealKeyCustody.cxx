// The holder's side of the seal's custody for one operation.

#include <libraries/SealKeyCustody.hxx>

#include <libraries/LibraryTexts.hxx>

#include <component/QORVHelper.hxx>
#include <common/SecretText.hxx>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <osl/file.hxx>
#include <rtl/textcvt.h>
#include <string.h>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;

namespace quillmark
{
namespace
{
constexpr sal_uInt32 kExactUtf8
    = RTL_UNICODETOTEXT_FLAGS_UNDEFINED_ERROR | RTL_UNICODETOTEXT_FLAGS_INVALID_ERROR;

/// The document's title as its properties give it, else as its window shows it.
OUString titleOf(const Reference<frame::XModel>& document)
{
    Reference<document::XDocumentPropertiesSupplier> properties(document, UNO_QUERY);
    OUString title = properties.is() ? properties->getDocumentProperties()->getTitle() : OUString();
    Reference<frame::XTitle> shown(document, UNO_QUERY);
    if (title.isEmpty() && shown.is())
        title = shown->getTitle();
    return title;
}

/// The document's file as a path, its URL where it is no local file, empty before it is saved.
OUString fileOf(const Reference<frame::XModel>& document)
{
    const OUString url = document.is() ? document->getURL() : OUString();
    OUString path;
    if (!url.isEmpty()
        && osl::FileBase::getSystemPathFromFileURL(url, path) == osl::FileBase::E_None)
        return path;
    return url;
}

OString utf8(const OUString& text) { return OUStringToOString(text, RTL_TEXTENCODING_UTF8); }

/// The PIN as UTF-8 straight into the library's area, NUL-terminated; its length, or 0 when it
/// does not fit or has no UTF-8 form. Nothing else holds its bytes.
int writePin(const OUString& typed, char* pin, int pinSize)
{
    if (!pin || pinSize <= 1)
        return 0;
    rtl_UnicodeToTextConverter converter = rtl_createUnicodeToTextConverter(RTL_TEXTENCODING_UTF8);
    sal_uInt32 info = 0;
    sal_Size converted = 0;
    const sal_Size length = rtl_convertUnicodeToText(
        converter, nullptr, typed.getStr(), typed.getLength(), pin,
        static_cast<sal_Size>(pinSize - 1), kExactUtf8, &info, &converted);
    rtl_destroyUnicodeToTextConverter(converter);
    if (info != 0 || converted != static_cast<sal_Size>(typed.getLength()))
    {
        explicit_bzero(pin, static_cast<size_t>(pinSize));
        return 0;
    }
    pin[length] = '\0';
    return static_cast<int>(length);
}

const char* refusalText(int status)
{
    switch (status)
    {
        case KTXESEAL_STATUS_PIN_INCORRECT:
            return texts::kLoginFailed;
        case KTXESEAL_STATUS_PIN_LOCKED:
            return texts::kSealPinLocked;
        case KTXESEAL_STATUS_PIN_FILE_REFUSED:
            return texts::kSealPinFileRefused;
        case KTXESEAL_STATUS_NO_PIN_SOURCE:
            return texts::kSealPinUnavailable;
        case KTXESEAL_STATUS_KEY_UNPROTECTED:
            return texts::kSealKeyUnprotected;
        case KTXESEAL_STATUS_REGISTER_FAILED:
            return texts::kSealRegisterFailed;
        case KTXESEAL_STATUS_TIME_STAMP_FAILED:
            return texts::kSealTimeStampFailed;
        case KTXESEAL_STATUS_TOO_LONG:
            return texts::kSealSignatureTooLong;
        default:
            return texts::kSealRefused;
    }
}

void close(SealLibraryBinding& sealLibrary)
{
    sealLibrary.SetESealOperation(KTXESEAL_OPERATION_NONE, nullptr, nullptr);
    sealLibrary.SetESealPinProvider(nullptr, nullptr, nullptr);
}
}

SealKeyCustody::SealKeyCustody(QORVHelper& helper, SealLibraryBinding& sealLibrary, int operation)
    : helper(helper)
    , sealLibrary(sealLibrary)
{
    sealLibrary.SetESealPinProvider(askForPin, tellRefusal, this);
    try
    {
        const Reference<frame::XModel> document = helper.model();
        title = utf8(titleOf(document));
        file = utf8(fileOf(document));
    }
    catch (const uno::Exception& exception)
    {
        // The register records the operation without its document's name.
        SAL_INFO("quillmark.libraries",
                 "the register records the operation without its document's name: "
                     << exception.Message);
    }
    sealLibrary.SetESealOperation(operation, title.getStr(), file.getStr());
}

void SealKeyCustody::continueAs(int operation)
{
    sealLibrary.SetESealOperation(operation, title.getStr(), file.getStr());
}

SealKeyCustody::~SealKeyCustody()
{
    // A binding that ended inside the operation unloaded the library for this one too.
    if (SealLibraryBinding::loaded())
        close(sealLibrary);
    else
    {
        SealLibraryBinding again;
        close(again);
    }
}

int SealKeyCustody::askForPin(void* context, const char* sealName, char* pin, int pinSize)
{
    auto* custody = static_cast<SealKeyCustody*>(context);
    try
    {
        Reference<Quillmark::UITools::XCertInfoBox> box = custody->helper.createCertInfoBox(
            sealName ? OUString::fromUtf8(sealName) : OUString());
        if (!box.is() || !box->executePinDialog())
        {
            custody->declined = true;
            return 0;
        }
        OUString typed = box->getPin();
        const int length = writePin(typed, pin, pinSize);
        wipeSecret(typed);
        custody->declined = length == 0;
        return length;
    }
    catch (const uno::Exception& exception)
    {
        SAL_WARN("quillmark.libraries",
                 "the PIN box did not ask; the PIN counts as declined: " << exception.Message);
        custody->declined = true;
        return 0;
    }
}

void SealKeyCustody::tellRefusal(void* context, int status)
{
    auto* custody = static_cast<SealKeyCustody*>(context);
    custody->refused = true;
    try
    {
        custody->helper.showMessage(fromUtf8(refusalText(status)) + OUString::number(status));
    }
    catch (const uno::Exception& exception)
    {
        // The library's caller still learns that nothing was done.
        SAL_WARN("quillmark.libraries",
                 "the seal library's refusal was not shown: " << exception.Message);
    }
}
}
