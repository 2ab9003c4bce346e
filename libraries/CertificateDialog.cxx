// The selected seal's details with a message: the seal library's own display for its seals, the
// suite's certificate box with the seal's comment for certificate seals.

#include <libraries/CertificateDialog.hxx>
#include <libraries/SealLibraryBinding.hxx>

#include <common/OfficeNames.hxx>
#include <common/PicturePaths.hxx>
#include <common/DeclaredExceptions.hxx>
#include <component/QORVHelper.hxx>
#include <Quillmark/UITools/XCertInfoBox.hpp>
#include <Quillmark/UITools/XSealDetailsBox.hpp>
#include <format/ShapeAttributes.hxx>

#include <com/sun/star/beans/NamedValue.hpp>
#include <exception>
#include <functional>
#include <vector>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
/// What the seal library's presenter does; a failure waits here until the library has returned,
/// since no exception may pass through the library's C frames.
struct DetailsPresentation
{
    std::function<void(const KTXESealDetails&)> show;
    std::exception_ptr failure;
};

void presentDetails(void* context, const KTXESealDetails* details)
{
    auto* presentation = static_cast<DetailsPresentation*>(context);
    try
    {
        if (details)
            presentation->show(*details);
    }
    catch (...)
    {
        presentation->failure = std::current_exception();
    }
}

OUString fromUtf8(const char* text) { return text ? OUString::fromUtf8(text) : OUString(); }

/// The seal library's window, shown by the suite's seal details box over the document.
void showSealDetails(QORVHelper& helper, const KTXESealDetails& details)
{
    Reference<uno::XInterface> service = helper.createService(texts::kSealDetailsBoxService);
    Reference<Quillmark::UITools::XSealDetailsBox> box(service, UNO_QUERY);
    if (!box.is())
        return;
    Reference<lang::XInitialization> initialization(service, UNO_QUERY);
    if (initialization.is())
    {
        const Any frame(helper.getDocumentFrame());
        initialization->initialize(Sequence<Any>(&frame, 1));
    }
    box->setTitle(fromUtf8(details.title));
    if (details.picture && details.pictureLength > 0)
        box->setPicture(Sequence<sal_Int8>(reinterpret_cast<const sal_Int8*>(details.picture),
                                           details.pictureLength));
    Sequence<beans::StringPair> items(details.items ? std::max(details.itemCount, 0) : 0);
    for (sal_Int32 index = 0; index < items.getLength(); ++index)
        items.getArray()[index] = beans::StringPair(fromUtf8(details.items[index].label),
                                                    fromUtf8(details.items[index].value));
    box->setDetails(items);
    box->setVerdict(details.valid != 0, fromUtf8(details.verdict));
    box->execute();
}
}

Reference<Quillmark::UITools::XCertInfoBox>
QORVHelper::createCertInfoBox(const std::optional<OUString>& pinOfSeal)
{
    Reference<uno::XInterface> service = createService(texts::kCertInfoBoxService);
    Reference<lang::XInitialization> initialization(service, UNO_QUERY);
    if (initialization.is())
    {
        // The frame stays first and alone for every box but the seal's PIN box, which a box
        // that knows no more may ignore.
        std::vector<Any> arguments{ Any(documentFrame) };
        if (pinOfSeal)
            arguments.emplace_back(beans::NamedValue(texts::kPinOfSealArgument, Any(*pinOfSeal)));
        initialization->initialize(
            Sequence<Any>(arguments.data(), static_cast<sal_Int32>(arguments.size())));
    }
    return Reference<Quillmark::UITools::XCertInfoBox>(service, UNO_QUERY);
}

bool showSealLibraryDetails(QORVHelper& helper, SealLibraryBinding& sealLibrary,
                            const OUString& text, const OUString& signature,
                            const std::optional<std::pair<bool, OUString>>& verdict)
{
    const OString textBytes = toGbk(text);
    const OString signatureBytes = toGbk(signature);
    DetailsPresentation presentation{ [&](const KTXESealDetails& details) {
                                         KTXESealDetails shown = details;
                                         OString verdictText;
                                         if (verdict)
                                         {
                                             verdictText = OUStringToOString(verdict->second,
                                                                             RTL_TEXTENCODING_UTF8);
                                             shown.valid = verdict->first ? 1 : 0;
                                             shown.verdict = verdictText.getStr();
                                         }
                                         showSealDetails(helper, shown);
                                     },
                                      {} };
    sealLibrary.SetESealDetailsPresenter(presentDetails, &presentation);
    const bool valid
        = sealLibrary.ShowESealCert(textBytes.getStr(), textBytes.getLength(),
                                    signatureBytes.getStr(), signatureBytes.getLength())
          != 0;
    sealLibrary.SetESealDetailsPresenter(nullptr, nullptr);
    if (presentation.failure)
        std::rethrow_exception(presentation.failure);
    return valid;
}

bool showCertificateBox(QORVHelper& helper, const OUString& message)
{
    if (!helper.isLibraryReady())
        helper.initializeCertificateLibrary();

    Reference<Quillmark::UITools::XCertInfoBox> box = helper.createCertInfoBox();
    if (!box.is())
        return false;

    if (helper.getContainerName().isEmpty())
        helper.setContainerName(lastStamperName(helper.selection()));
    helper.parsePictureURL(
        sealPictureURL(helper.getFilterDirectoryURL(), helper.getContainerName()));

    box->setPictureURL(helper.getPictureURL());
    box->setMessage(message);
    const bool signerKnown = helper.loadCertificateInfo();
    if (signerKnown)
        box->setCertInfo(helper.getCertificateInfo());
    // A signature the library cannot vouch for is never shown as a valid seal.
    box->setModified(helper.isDocumentModified() || !signerKnown);

    OUString postil;
    helper.readPostil(postil);
    box->setPostil(postil);
    box->execute();
    helper.writePostil(box->getPostil());
    return box->getResult();
}
}
