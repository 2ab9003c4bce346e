// The selected seal's details with a message: the seal library's own display for its seals, the
// suite's certificate box with the seal's comment for certificate seals.

#include "SealLibraryBinding.hxx"

#include <ComponentTexts.hxx>
#include <PicturePaths.hxx>
#include <DeclaredExceptions.hxx>
#include <QORVHelper.hxx>
#include <Quillmark/UITools/XCertInfoBox.hpp>
#include <ShapeAttributes.hxx>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{

Reference<Quillmark::UITools::XCertInfoBox> QORVHelper::createCertInfoBox()
{
    Reference<uno::XInterface> service = createService(texts::kCertInfoBoxService);
    Reference<lang::XInitialization> initialization(service, UNO_QUERY);
    if (initialization.is())
    {
        const Any frame(documentFrame);
        initialization->initialize(Sequence<Any>(&frame, 1));
    }
    return Reference<Quillmark::UITools::XCertInfoBox>(service, UNO_QUERY);
}

sal_Bool QORVHelper::showCertificateInfo(const OUString& message)
{
    return withDeclaredExceptions([&]() -> sal_Bool {
        if (!model().is())
            return false;

        if (isDocumentSealSelected())
        {
            SealLibraryBinding sealLibrary;
            OUString signature;
            readDocumentSignature(signature);
            const OString text = toGbk(getDocumentText());
            const OString signatureBytes = toGbk(signature);
            return sealLibrary.ShowESealCert(text.getStr(), text.getLength(),
                                             signatureBytes.getStr(), signatureBytes.getLength())
                   != 0;
        }

        if (!libraryReady)
            initializeCertificateLibrary();

        Reference<Quillmark::UITools::XCertInfoBox> box = createCertInfoBox();
        if (!box.is())
            return false;

        if (containerName.isEmpty())
            containerName = lastStamperName(selection());
        parsePictureURL(sealPictureURL(getFilterDirectoryURL(), containerName));

        box->setPictureURL(pictureURL);
        box->setMessage(message);
        const bool signerKnown = loadCertificateInfo();
        if (signerKnown)
            box->setCertInfo(certificateInfo);
        // A signature the library cannot vouch for is never shown as a valid seal.
        box->setModified(documentModified || !signerKnown);

        OUString postil;
        readPostil(postil);
        box->setPostil(postil);
        box->execute();
        writePostil(box->getPostil());
        return box->getResult();
    });
}
}
