// quillmark-cert-seal: puts a certificate seal on a Writer document, the way documents sealed
// with the certificate library carry it, or checks such a seal against the document's text.

#include "CertSealOptions.hxx"
#include "DocumentSeal.hxx"
#include "SealPicture.hxx"
#include "SealRecord.hxx"
#include <TokenSigner.hxx>

#include <format/FormatNames.hxx>
#include <format/UserMasters.hxx>

#include <CommandLine.hxx>
#include <SealFiles.hxx>
#include <StampRegister.hxx>

#include <Office.hxx>
#include <QorvApi.h>

#include <Quillmark/Certificate/XSealCoverage.hpp>
#include <OfficeSetup.hxx>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <openssl/evp.h>
#include <rtl/textenc.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string.h>
#include <termios.h>
#include <unistd.h>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using quillmark::certseal::Arguments;
using quillmark::certseal::Bytes;
using quillmark::office::Office;
using rtl::OUString;

namespace
{
/// The office's standard flags for converting bytes to text.
constexpr sal_uInt32 kToTextFlags = 0x333;

/// Longest PIN read; a longer line is refused.
constexpr size_t kMaxPinLength = 256;
constexpr char kPinVariable[] = "QUILLMARK_TOKEN_PIN";

/// A PIN held for one signing, wiped when it ends. Its storage is reserved once, so no copy of
/// it is left behind by a reallocation.
class Pin
{
public:
    Pin() { text.reserve(kMaxPinLength + 1); }
    ~Pin() { explicit_bzero(text.data(), text.capacity()); }
    Pin(const Pin&) = delete;
    Pin& operator=(const Pin&) = delete;

    /// One line from `fd`, without its line end.
    void readLine(int fd)
    {
        char byte = 0;
        for (;;)
        {
            const ssize_t got = read(fd, &byte, 1);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0 || byte == '\n')
                break;
            if (text.size() == kMaxPinLength)
                throw std::runtime_error("the PIN is longer than " + std::to_string(kMaxPinLength)
                                         + " bytes");
            text.push_back(byte);
        }
        explicit_bzero(&byte, sizeof byte);
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
    }

    void take(char* secret)
    {
        const size_t length = strnlen(secret, kMaxPinLength + 1);
        if (length > kMaxPinLength)
            throw std::runtime_error(std::string(kPinVariable) + " is too long");
        text.assign(secret, length);
        explicit_bzero(secret, length);
    }

    const std::string& value() const { return text; }

private:
    std::string text;
};

/// Echo off while a PIN is typed at a terminal; restored however the reading ends.
class HiddenInput
{
public:
    explicit HiddenInput(int fd)
        : fd(fd)
    {
        if (!isatty(fd) || tcgetattr(fd, &saved) != 0)
            return;
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        hidden = tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
        std::cerr << "PIN: " << std::flush;
    }
    ~HiddenInput()
    {
        if (!hidden)
            return;
        tcsetattr(fd, TCSAFLUSH, &saved);
        std::cerr << std::endl;
    }

private:
    int fd;
    termios saved{};
    bool hidden = false;
};

std::string absolutePath(const std::string& path)
{
    char* resolved = realpath(path.c_str(), nullptr);
    if (!resolved)
        throw std::runtime_error("no such file: " + path);
    std::string result(resolved);
    std::free(resolved);
    return result;
}

/// An output path may name a file that does not exist yet; the office needs it absolute.
std::string absoluteOutputPath(const std::string& path)
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

std::string defaultOutput(const std::string& document)
{
    const size_t slash = document.rfind('/');
    const size_t dot = document.rfind('.');
    const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                                 ? document.substr(0, dot)
                                 : document;
    return stem + ".odt";
}

std::string utf8(const OUString& text) { return std::string(text.toUtf8().getStr()); }

using quillmark::certseal::base64Text;
using quillmark::certseal::gbkBytes;

struct Verdict
{
    /// 0, or the certificate library's status for the step that failed.
    int status = 0;
    const char* failedStep = "";
    bool unchanged = false;
    /// DER of the certificate that made the signature.
    Bytes signer;
};

/// The certificate library's verification of a stored signature against the current text.
Verdict verifyWithLibrary(const OUString& storedSignature, const OUString& text)
{
    Verdict verdict;
    const Bytes base64Text = gbkBytes(storedSignature);
    Bytes der(std::max<size_t>(1, 3 * ((base64Text.size() + 3) / 4)));
    int derLength = 0;
    verdict.status = KTX_Base64_Decode(base64Text.data(), static_cast<int>(base64Text.size()),
                                       der.data(), &derLength);
    if (verdict.status != 0)
    {
        verdict.failedStep = "Base64 decoding";
        return verdict;
    }
    const size_t input = static_cast<size_t>(derLength);
    Bytes signer(std::max<size_t>(2048, input)), content(std::max<size_t>(2048, input)),
        certificates(std::max<size_t>(102400, input));
    int signerLength = 0, signers = 0, contentLength = 0, certificatesLength = 0;
    verdict.status = KTX_Pkcs7_DecodeSignedData(der.data(), derLength, signer.data(), &signerLength,
                                                &signers, content.data(), &contentLength,
                                                certificates.data(), &certificatesLength);
    if (verdict.status != 0)
    {
        verdict.failedStep = "signature verification";
        return verdict;
    }
    verdict.signer.assign(signer.begin(),
                          signer.begin() + std::clamp(signerLength, 0, int(signer.size())));
    int needed = 0;
    KTX_Pkcs7_DecodeData(content.data(), contentLength, nullptr, &needed);
    Bytes plain(static_cast<size_t>(std::max(needed, 0)) + 1, 0);
    int plainLength = 0;
    verdict.status
        = KTX_Pkcs7_DecodeData(content.data(), contentLength, plain.data(), &plainLength);
    if (verdict.status != 0)
    {
        verdict.failedStep = "content decoding";
        return verdict;
    }
    const OUString signedText
        = rtl::OStringToOUString(rtl::OString(reinterpret_cast<const char*>(plain.data())),
                                 RTL_TEXTENCODING_GBK, kToTextFlags);
    verdict.unchanged = signedText == text;
    return verdict;
}

/// What the seal signs beside the text, as the component reads it in the office.
std::string coverageOf(Office& office, const Reference<frame::XModel>& model,
                       const OUString& sealName)
{
    Reference<uno::XInterface> helper = office.serviceManager()->createInstanceWithContext(
        "Quillmark.Certificate.QORVHelper", office.context());
    if (!helper.is())
        throw std::runtime_error("the office does not know the seal component");
    const Any frame(model->getCurrentController()->getFrame());
    Reference<lang::XInitialization>(helper, UNO_QUERY_THROW)->initialize(Sequence<Any>(&frame, 1));
    const OUString manifest
        = Reference<Quillmark::Certificate::XSealCoverage>(helper, UNO_QUERY_THROW)
              ->certificateSealCoverage(sealName);
    if (manifest.isEmpty())
        throw std::runtime_error("the seal component cannot read the document's coverage");
    return std::string(OUStringToOString(manifest, RTL_TEXTENCODING_ASCII_US).getStr());
}

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
    if (!model.is())
        throw std::runtime_error("the office cannot load " + path);
    return model;
}

struct DocumentCloser
{
    Reference<frame::XModel> model;
    ~DocumentCloser()
    {
        try
        {
            Reference<util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
        }
        catch (const uno::Exception& exception)
        {
            SAL_WARN("quillmark.tools", "the document did not close: " << exception.Message);
        }
    }
};

/// The seal folder whose register the seal goes into.
std::string registerDirectoryOf(const Arguments& arguments)
{
    if (!arguments.registerDirectory.empty())
        return arguments.registerDirectory;
    const std::optional<std::string> current = ktxeseal::currentSealDirectory();
    if (!current)
        throw std::runtime_error("no --register folder, and neither KTXESEAL_SEAL_DIR nor HOME "
                                 "names a seal folder to record the seal in");
    return *current;
}

/// The title the document's properties give, else its file's name.
std::string titleOf(const Reference<frame::XModel>& model, const std::string& path)
{
    Reference<document::XDocumentPropertiesSupplier> properties(model, UNO_QUERY);
    const OUString title
        = properties.is() ? properties->getDocumentProperties()->getTitle() : OUString();
    if (!title.isEmpty())
        return utf8(title);
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void readPin(const Arguments& arguments, Pin& pin)
{
    if (arguments.pinFd >= 0)
    {
        pin.readLine(arguments.pinFd);
        return;
    }
    if (char* fromEnvironment = std::getenv(kPinVariable))
    {
        pin.take(fromEnvironment);
        unsetenv(kPinVariable);
        return;
    }
    HiddenInput hidden(STDIN_FILENO);
    pin.readLine(STDIN_FILENO);
}

int seal(const Arguments& arguments)
{
    const std::string document = absolutePath(arguments.document);
    const std::string output
        = arguments.output.empty() ? defaultOutput(document) : absoluteOutputPath(arguments.output);
    Pin pin;
    readPin(arguments, pin);

    Office::Options options;
    options.arguments.push_back(quillmark::office::moreServices({ SEAL_COMPONENT_FILE }));
    Office office(options);
    office.start();
    DocumentCloser closer{ loadDocument(office, document) };
    const OUString text = quillmark::certseal::documentText(closer.model);
    if (text.isEmpty())
        throw std::runtime_error("the document has no text to sign");
    const std::optional<Bytes> textBytes = quillmark::certseal::exactGbkBytes(text);
    if (!textBytes)
        throw std::runtime_error("the document's text holds characters that GBK cannot carry "
                                 "(an emoji, a rare character): they would be signed as \"?\"");

    const quillmark::certseal::TokenSignature signature
        = quillmark::certseal::signWithToken(pin.value(), *textBytes);
    const OUString signatureText = base64Text(signature.signedData);
    const Verdict check = verifyWithLibrary(signatureText, text);
    if (check.status != 0)
        throw std::runtime_error(std::string("the certificate library does not accept the new "
                                             "signature: ")
                                 + check.failedStep + " failed, status "
                                 + std::to_string(check.status)
                                 + " (is the token's CA in QORV_TRUST_STORE?)");
    if (!check.unchanged)
        throw std::runtime_error("the certificate library reads another text from the signature");

    const OUString sealName = arguments.name.empty() ? OUString::fromUtf8(signature.label.c_str())
                                                     : OUString::fromUtf8(arguments.name.c_str());
    const std::string registerDirectory = registerDirectoryOf(arguments);
    quillmark::certseal::recordCertificateSeal(registerDirectory, pin.value(), signature,
                                               *textBytes, titleOf(closer.model, document), output);
    quillmark::certseal::writeSignatureFields(closer.model, sealName, signature.certificate,
                                              signature.signedData);

    std::string picture = arguments.picture;
    if (picture.empty())
    {
        picture = office.workDirectory() + "/seal.gif";
        quillmark::certseal::writeDefaultSealPicture(picture, utf8(sealName));
    }
    quillmark::certseal::placeSealShape(closer.model,
                                        quillmark::office::fileUrl(absolutePath(picture)),
                                        arguments.placement, sealName);

    // Everything else the page shows, the seal's picture and place among it, signed on the token
    // beside the text.
    const std::string manifest = coverageOf(office, closer.model, sealName);
    const quillmark::certseal::TokenSignature coverageSignature
        = quillmark::certseal::signWithToken(pin.value(), Bytes(manifest.begin(), manifest.end()));
    const Verdict coverageCheck
        = verifyWithLibrary(base64Text(coverageSignature.signedData),
                            OUString(manifest.c_str(), static_cast<sal_Int32>(manifest.size()),
                                     RTL_TEXTENCODING_ASCII_US));
    if (coverageCheck.status != 0 || !coverageCheck.unchanged
        || coverageCheck.signer != check.signer)
        throw std::runtime_error("the certificate library does not accept the coverage's "
                                 "signature");
    quillmark::certseal::writeCoverageField(closer.model, sealName, manifest,
                                            coverageSignature.signedData);

    beans::PropertyValue filter;
    filter.Name = "FilterName";
    filter.Value <<= OUString("writer8");
    Reference<frame::XStorable>(closer.model, UNO_QUERY_THROW)
        ->storeToURL(OUString::fromUtf8(quillmark::office::fileUrl(output).c_str()),
                     Sequence<beans::PropertyValue>(&filter, 1));

    std::cout << "sealed:      " << output << "\n"
              << "seal name:   " << utf8(sealName) << "\n"
              << "text:        " << text.getLength() << " characters, " << textBytes->size()
              << " GBK bytes\n"
              << "signature:   " << signature.signedData.size() << " bytes of PKCS#7\n"
              << "fields:      " << utf8(sealName) << "Cert, " << utf8(sealName) << "Sign, "
              << utf8(sealName) << "Coverage\n"
              << "on record:   " << registerDirectory << "/" << ktxeseal::kStampRegisterFile
              << "\n";
    return 0;
}

int verify(const Arguments& arguments)
{
    const std::string document = absolutePath(arguments.document);
    Office office;
    office.start();
    DocumentCloser closer{ loadDocument(office, document) };

    const OUString kSign = OUString::createFromAscii(quillmark::texts::kSignSuffix);
    OUString sealName = OUString::fromUtf8(arguments.name.c_str());
    if (arguments.name.empty())
    {
        const std::optional<OUString> field
            = quillmark::certseal::firstUserFieldEndingIn(closer.model, kSign);
        if (!field)
            throw std::runtime_error("the document carries no seal signature");
        sealName = field->copy(0, field->getLength() - kSign.getLength());
    }
    const std::optional<OUString> stored
        = quillmark::readUserMaster(closer.model, sealName + kSign);
    if (!stored)
        throw std::runtime_error("the document has no field " + utf8(sealName + kSign));

    const Verdict verdict
        = verifyWithLibrary(*stored, quillmark::certseal::documentText(closer.model));
    std::cout << "seal name:   " << utf8(sealName) << "\n";
    if (verdict.status != 0)
    {
        std::cout << "verdict:     " << verdict.failedStep << " failed, status " << verdict.status
                  << "\n";
        return 1;
    }
    // The "Cert" field is not signed: it must name the certificate that signed.
    const std::optional<OUString> certificate = quillmark::readUserMaster(
        closer.model, sealName + OUString::createFromAscii(quillmark::texts::kCertSuffix));
    if (!certificate || *certificate != base64Text(verdict.signer))
    {
        std::cout << "verdict:     the seal's certificate is not the one that signed\n";
        return 1;
    }
    std::cout << "verdict:     signature verified; the text is "
              << (verdict.unchanged ? "unchanged" : "MODIFIED since signing") << "\n";
    return verdict.unchanged ? 0 : 1;
}
}

int main(int argc, char** argv)
{
    try
    {
        const Arguments arguments = quillmark::certseal::parseArguments(argc, argv);
        if (arguments.help)
        {
            quillmark::certseal::printUsage(std::cout);
            return 0;
        }
        return arguments.verify ? verify(arguments) : seal(arguments);
    }
    catch (const quillmark::commandline::UsageError& error)
    {
        std::cerr << "quillmark-cert-seal: " << error.what() << "\n\n";
        quillmark::certseal::printUsage(std::cerr);
        return quillmark::commandline::kUsageStatus;
    }
    catch (const uno::Exception& exception)
    {
        std::cerr << "quillmark-cert-seal: " << utf8(exception.Message) << std::endl;
    }
    catch (const std::exception& exception)
    {
        std::cerr << "quillmark-cert-seal: " << exception.what() << std::endl;
    }
    return 1;
}
