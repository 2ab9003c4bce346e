// quillmark-export-pdf: a sealed Writer document as a PDF that carries its seals' signatures,
// exported in an office of the tool's own that carries the seal component.

#include "ExportPdfOptions.hxx"

#include <CommandLine.hxx>
#include <Office.hxx>
#include <PinEntry.hxx>
#include <SealedPdfExport.hxx>

#include <Quillmark/Certificate/XSealSurvey.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using quillmark::exportpdf::Arguments;
using quillmark::office::Office;
using rtl::OUString;

namespace
{
constexpr char kHelperService[] = "Quillmark.Certificate.QORVHelper";
constexpr char kTokenPinVariable[] = "QUILLMARK_TOKEN_PIN";
/// Nothing written: the seals, a PIN or the export said no.
constexpr int kNotExported = 1;

std::string utf8(const OUString& text) { return std::string(text.toUtf8().getStr()); }

std::string absolutePath(const std::string& path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    char* directory = getcwd(nullptr, 0);
    if (!directory)
        throw std::runtime_error("cannot tell the current folder");
    std::string result = std::string(directory) + "/" + path;
    std::free(directory);
    return result;
}

/// A PIN into the area the export hands over: its length, or 0 when there is none.
int deliver(const quillmark::sealmaker::Pin& entered, char* pin, size_t capacity)
{
    const std::string_view value = entered.value();
    if (value.empty() || value.size() >= capacity)
        return 0;
    std::memcpy(pin, value.data(), value.size());
    pin[value.size()] = '\0';
    return static_cast<int>(value.size());
}

/// The seal library's PIN provider: the seal's PIN from --pin-fd, else from the terminal.
int sealPin(void* context, const char* /*sealName*/, char* pin, int pinSize)
{
    const auto* arguments = static_cast<const Arguments*>(context);
    if (!pin || pinSize <= 1)
        return 0;
    try
    {
        quillmark::sealmaker::Pin entered;
        if (arguments->pinFd >= 0)
            entered.readLine(arguments->pinFd);
        else
            entered.askOnTerminal("Seal PIN: ");
        return deliver(entered, pin, static_cast<size_t>(pinSize));
    }
    catch (const std::exception& error)
    {
        std::cerr << "quillmark-export-pdf: " << error.what() << std::endl;
        return 0;
    }
}

bool tokenPin(const Arguments& arguments, ktxeseal::SecretBytes& pin)
{
    quillmark::sealmaker::Pin entered;
    if (arguments.tokenPinFd >= 0)
        entered.readLine(arguments.tokenPinFd);
    else if (char* fromEnvironment = std::getenv(kTokenPinVariable))
    {
        const size_t length = strnlen(fromEnvironment, pin.capacity());
        if (length >= pin.capacity())
            return false;
        std::memcpy(pin.data(), fromEnvironment, length);
        pin.setLength(length);
        explicit_bzero(fromEnvironment, length);
        unsetenv(kTokenPinVariable);
        return length > 0;
    }
    else
        entered.askOnTerminal("Token PIN: ");
    const int length = deliver(entered, pin.data(), pin.capacity());
    pin.setLength(static_cast<size_t>(length));
    return length > 0;
}

struct DocumentCloser
{
    Reference<frame::XModel> model;
    ~DocumentCloser()
    {
        try
        {
            if (Reference<util::XCloseable> closeable{ model, UNO_QUERY }; closeable.is())
                closeable->close(true);
        }
        catch (const uno::Exception& exception)
        {
            // The office ends with the tool all the same.
            SAL_WARN("quillmark.tools", "the document did not close: " << exception.Message);
        }
    }
};

Reference<frame::XModel> loadDocument(Office& office, const std::string& path)
{
    beans::PropertyValue hidden;
    hidden.Name = "Hidden";
    hidden.Value <<= true;
    Reference<frame::XModel> model(
        Reference<frame::XComponentLoader>(office.desktop(), UNO_QUERY_THROW)
            ->loadComponentFromURL(OUString::fromUtf8(quillmark::office::fileUrl(path).c_str()),
                                   "_blank", 0, Sequence<beans::PropertyValue>(&hidden, 1)),
        UNO_QUERY);
    if (!model.is() || !Reference<text::XTextDocument>(model, UNO_QUERY).is())
        throw std::runtime_error("the office cannot read " + path + " as a text document");
    return model;
}

Reference<Quillmark::Certificate::XSealSurvey> sealSurvey(Office& office,
                                                          const Reference<frame::XModel>& model)
{
    Reference<uno::XInterface> helper = office.serviceManager()->createInstanceWithContext(
        OUString::createFromAscii(kHelperService), office.context());
    if (!helper.is())
        throw std::runtime_error("the office does not know the seal component");
    const Any frame(model->getCurrentController()->getFrame());
    Reference<lang::XInitialization>(helper, UNO_QUERY_THROW)->initialize(Sequence<Any>(&frame, 1));
    return Reference<Quillmark::Certificate::XSealSurvey>(helper, UNO_QUERY_THROW);
}

int exportDocument(const Arguments& arguments)
{
    const std::string document = absolutePath(arguments.document);
    struct stat info;
    if (stat(document.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        throw std::runtime_error("no such file: " + arguments.document);
    const std::string output = absolutePath(arguments.output);

    Office::Options options;
    options.arguments.push_back(quillmark::office::moreServices({ SEAL_COMPONENT_FILE }));
    Office office(options);
    office.start();
    DocumentCloser closer{ loadDocument(office, document) };

    quillmark::pdfseal::ExportKeys keys;
    keys.sealPin.provider = sealPin;
    keys.sealPin.context = const_cast<Arguments*>(&arguments);
    keys.tokenPin = [&](ktxeseal::SecretBytes& pin) { return tokenPin(arguments, pin); };
    const quillmark::pdfseal::ExportOutcome outcome = quillmark::pdfseal::exportSealedPdf(
        office.context(), closer.model, sealSurvey(office, closer.model), output, keys);
    if (!outcome.written)
    {
        std::cerr << "quillmark-export-pdf: " << outcome.message << std::endl;
        return kNotExported;
    }
    std::cout << "exported:    " << output << "\n"
              << "signatures:  " << outcome.signatures << "\n";
    return 0;
}
}

int main(int argc, char** argv)
{
    try
    {
        const Arguments arguments = quillmark::exportpdf::parseArguments(argc, argv);
        if (arguments.help)
        {
            quillmark::exportpdf::printUsage(std::cout);
            return 0;
        }
        return exportDocument(arguments);
    }
    catch (const quillmark::commandline::UsageError& error)
    {
        std::cerr << "quillmark-export-pdf: " << error.what() << "\n\n";
        quillmark::exportpdf::printUsage(std::cerr);
        return quillmark::commandline::kUsageStatus;
    }
    catch (const uno::Exception& exception)
    {
        std::cerr << "quillmark-export-pdf: " << utf8(exception.Message) << std::endl;
    }
    catch (const std::exception& exception)
    {
        std::cerr << "quillmark-export-pdf: " << exception.what() << std::endl;
    }
    return kNotExported;
}
