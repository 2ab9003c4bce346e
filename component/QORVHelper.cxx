#include <component/QORVHelper.hxx>

#include <component/ComponentTexts.hxx>
#include <common/OfficeNames.hxx>
#include <common/PicturePaths.hxx>
#include <component/ImplementationId.hxx>
#include <component/MessageBox.hxx>
#include <component/SealContextMenuInterceptor.hxx>

#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/util/XURLTransformer.hpp>
#include <com/sun/star/ui/XContextMenuInterception.hpp>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
/// Number of certificate detail texts handed to the certificate box.
constexpr sal_Int32 kCertificateInfoCount = 18;

OUString implementationName() { return ascii(texts::kImplementationName); }

uno::Sequence<OUString> supportedServiceNames()
{
    const OUString service = ascii(texts::kServiceName);
    return uno::Sequence<OUString>(&service, 1);
}

QORVHelper::QORVHelper(const Reference<uno::XComponentContext>& context)
    : certificateInfo(kCertificateInfoCount)
    , componentContext(context)
{
}

QORVHelper::~QORVHelper() { finalizeCertificateLibrary(); }

void QORVHelper::initialize(const uno::Sequence<uno::Any>& arguments)
{
    if (arguments.hasElements())
    {
        documentFrame.clear();
        arguments[0] >>= documentFrame;
    }
    toolkit.set(createService(texts::kToolkitService), UNO_QUERY);
    installContextMenuInterceptor();
    try
    {
        restoreSealsFromWordFormat();
        restoreFieldSealsFromWordFormat();
    }
    catch (const uno::Exception& exception)
    {
        // The window still gets its helper; its seals then stay the pictures the file holds, and
        // their verification says so.
        SAL_WARN("quillmark.component",
                 "seals read from a Word format stay pictures: " << exception.Message);
    }
}

void QORVHelper::installContextMenuInterceptor()
{
    // Without a frame there is no controller to intercept for and no window to notify.
    if (!documentFrame.is())
        return;
    Reference<frame::XController> controller = documentFrame->getController();
    Reference<ui::XContextMenuInterception> interception(controller, UNO_QUERY);
    if (interception.is())
    {
        menuInterceptor = new SealContextMenuInterceptor(controller->getModel(), componentContext);
        interception->registerContextMenuInterceptor(menuInterceptor);
    }
    documentFrame->contextChanged();
}

Reference<uno::XInterface> QORVHelper::createService(const OUString& serviceName)
{
    return quillmark::createService(componentContext, serviceName);
}

Reference<uno::XInterface> QORVHelper::createService(const char* serviceName)
{
    return quillmark::createService(componentContext, serviceName);
}

OUString QORVHelper::getFilterDirectoryURL() { return filterDirectoryURL(componentContext); }

OUString QORVHelper::getGraphicDirectoryURL() { return graphicDirectoryURL(componentContext); }

void QORVHelper::parsePictureURL(const OUString& text)
{
    pictureURL.Complete = text;
    Reference<util::XURLTransformer> parser(createService(texts::kUrlTransformerService),
                                            UNO_QUERY_THROW);
    parser->parseStrict(pictureURL);
}

void QORVHelper::showMessage(const OUString& text)
{
    showInfoBox(toolkit, documentFrame, fromUtf8(texts::kNoticeTitle), text);
}

void QORVHelper::showErrorMessage(const OUString& text)
{
    showInfoBox(toolkit, documentFrame, ascii(texts::kErrorTitle), text);
}

Reference<frame::XModel> QORVHelper::model() { return documentModel(documentFrame); }

Reference<uno::XInterface> QORVHelper::selection() { return currentSelection(documentFrame); }

OUString QORVHelper::getImplementationName() { return implementationName(); }

sal_Bool QORVHelper::supportsService(const OUString& serviceName)
{
    // Exact and case-sensitive: the length check keeps "…QORVHelper " from matching.
    const OUString service = ascii(texts::kServiceName);
    return serviceName.getLength() == service.getLength() && serviceName == service;
}

uno::Sequence<OUString> QORVHelper::getSupportedServiceNames() { return supportedServiceNames(); }

uno::Sequence<sal_Int8> QORVHelper::getImplementationId()
{
    return stableImplementationId<QORVHelper>();
}
}
