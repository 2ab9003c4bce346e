// The main job on built-in defaults: a headless office with the component, a Writer document,
// and the seal helper made inside the office and initialised with the document's frame.

#include <Office.hxx>

#include <Quillmark/Certificate/XQORVTools.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/lang/XTypeProvider.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <iostream>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;
using quillmark::office::Office;
using rtl::OUString;

namespace
{
std::string utf8(const OUString& text) { return std::string(text.toUtf8().getStr()); }

Office::Options officeWithComponent()
{
    Office::Options options;
    options.arguments.push_back(
        "-env:URE_MORE_SERVICES=<file:///usr/lib/libreoffice/program/services>* file://"
        SEAL_COMPONENT_FILE);
    return options;
}

void run()
{
    Office office(officeWithComponent());
    std::cout << "Starting a headless office with the seal component..." << std::endl;
    office.start();

    Reference<frame::XModel> model(
        office.desktop()->loadComponentFromURL("private:factory/swriter", "_blank", 0, {}),
        UNO_QUERY_THROW);
    Reference<text::XTextDocument>(model, UNO_QUERY_THROW)
        ->getText()
        ->setString(OUString::fromUtf8(u8"关于印发电子印章管理办法的通知"));
    Reference<frame::XFrame> frame = model->getCurrentController()->getFrame();

    Reference<uno::XInterface> helper = office.serviceManager()->createInstanceWithContext(
        "Quillmark.Certificate.QORVHelper", office.context());
    if (!helper.is())
        throw std::runtime_error("the office does not know Quillmark.Certificate.QORVHelper");
    Any frameArgument(frame);
    Reference<lang::XInitialization>(helper, UNO_QUERY_THROW)
        ->initialize(Sequence<Any>(&frameArgument, 1));

    Reference<lang::XServiceInfo> info(helper, UNO_QUERY_THROW);
    std::cout << "Implementation: " << utf8(info->getImplementationName()) << "\n";
    for (const OUString& service : info->getSupportedServiceNames())
        std::cout << "Service:        " << utf8(service) << "\n";
    for (const uno::Type& type : Reference<lang::XTypeProvider>(helper, UNO_QUERY_THROW)->getTypes())
        std::cout << "Type:           " << utf8(type.getTypeName()) << "\n";

    Reference<Quillmark::Certificate::XQORVTools> tools(helper, UNO_QUERY_THROW);
    std::cout << "Selected seal kind in the new document: " << tools->getSelectedStampType()
              << " (none)" << std::endl;

    Reference<util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
}
}

int main()
{
    try
    {
        run();
        return 0;
    }
    catch (const uno::Exception& exception)
    {
        std::cerr << "demo failed: " << utf8(exception.Message) << std::endl;
    }
    catch (const std::exception& exception)
    {
        std::cerr << "demo failed: " << exception.what() << std::endl;
    }
    return 1;
}
