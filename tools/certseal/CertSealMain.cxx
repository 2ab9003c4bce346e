// quillmark-cert-seal: puts a certificate seal on a Writer document, the way documents sealed
// with the certificate library carry it, or checks such a seal against the document's text.

#include "DocumentSeal.hxx"
#include "SealPicture.hxx"
#include "TokenSigner.hxx"

#include <Office.hxx>
#include <QorvApi.h>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <openssl/evp.h>
#include <rtl/textenc.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <unistd.h>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using quillmark::certseal::Bytes;
using quillmark::office::Office;
using rtl::OUString;

namespace
{
/// The office's standard flags for converting bytes to text.
constexpr sal_uInt32 kToTextFlags = 0x333;

constexpr char kUsage[]
    = "usage: quillmark-cert-seal [--name NAME] [--picture FILE] [--size W H] [--output FILE]\n"
      "                           DOCUMENT PIN X Y PAGE\n"
      "       quillmark-cert-seal --verify [--name NAME] DOCUMENT\n"
      "\n"
      "Signs the document's text with the key token's certificate and puts the seal at X, Y\n"
      "(1/100 mm) on PAGE; stores the result as OpenDocument text (by default beside DOCUMENT,\n"
      "with the extension .odt). PIN - reads the PIN from standard input. NAME defaults to the\n"
      "certificate's container label; W and H default to 4000. The token is chosen by\n"
      "QORV_PKCS11_MODULE and QORV_TOKEN_LABEL, as for the certificate library.\n"
      "--verify checks the seal NAME (default: the first one found) against the text.\n";

struct Arguments
{
    bool verify = false;
    std::string document;
    std::string pin;
    std::string name;
    std::string picture;
    std::string output;
    quillmark::certseal::SealPlacement placement;
};

struct UsageError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

long number(const std::string& text, long lowest, long highest)
{
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || value < lowest || value > highest)
        throw UsageError("not a number in range: " + text);
    return value;
}

Arguments parse(int argc, char** argv)
{
    Arguments arguments;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i)
    {
        const std::string word = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw UsageError(word + " needs a value");
            return argv[++i];
        };
        if (word == "--verify")
            arguments.verify = true;
        else if (word == "--name")
            arguments.name = value();
        else if (word == "--picture")
            arguments.picture = value();
        else if (word == "--output")
            arguments.output = value();
        else if (word == "--size")
        {
            arguments.placement.width = static_cast<sal_Int32>(number(value(), 1, 100000));
            arguments.placement.height = static_cast<sal_Int32>(number(value(), 1, 100000));
        }
        else if (word.size() > 1 && word[0] == '-' && word[1] == '-')
            throw UsageError("unknown option " + word);
        else
            positional.push_back(word);
    }
    if (arguments.verify ? positional.size() != 1 : positional.size() != 5)
        throw UsageError("wrong number of arguments");
    arguments.document = positional[0];
    if (arguments.verify)
        return arguments;
    arguments.pin = positional[1];
    arguments.placement.x = static_cast<sal_Int32>(number(positional[2], 0, INT_MAX));
    arguments.placement.y = static_cast<sal_Int32>(number(positional[3], 0, INT_MAX));
    arguments.placement.page = static_cast<sal_Int16>(number(positional[4], 1, SHRT_MAX));
    return arguments;
}

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
        catch (const uno::Exception&)
        {
        }
    }
};

std::string readPin(const std::string& argument)
{
    if (argument != "-")
        return argument;
    std::string pin;
    std::getline(std::cin, pin);
    return pin;
}

int seal(const Arguments& arguments)
{
    const std::string document = absolutePath(arguments.document);
    const std::string output
        = arguments.output.empty() ? defaultOutput(document) : absoluteOutputPath(arguments.output);
    const std::string pin = readPin(arguments.pin);

    Office office;
    office.start();
    DocumentCloser closer{ loadDocument(office, document) };
    const OUString text = quillmark::certseal::documentText(closer.model);
    if (text.isEmpty())
        throw std::runtime_error("the document has no text to sign");

    const quillmark::certseal::TokenSignature signature
        = quillmark::certseal::signWithToken(pin, gbkBytes(text));
    const OUString signatureText = base64Text(signature.signedData);
    const Verdict check = verifyWithLibrary(signatureText, text);
    if (check.status != 0 || !check.unchanged)
        throw std::runtime_error("the certificate library does not accept the new signature");

    const OUString sealName = arguments.name.empty() ? OUString::fromUtf8(signature.label.c_str())
                                                     : OUString::fromUtf8(arguments.name.c_str());
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

    beans::PropertyValue filter;
    filter.Name = "FilterName";
    filter.Value <<= OUString("writer8");
    Reference<frame::XStorable>(closer.model, UNO_QUERY_THROW)
        ->storeToURL(OUString::fromUtf8(quillmark::office::fileUrl(output).c_str()),
                     Sequence<beans::PropertyValue>(&filter, 1));

    std::cout << "sealed:      " << output << "\n"
              << "seal name:   " << utf8(sealName) << "\n"
              << "text:        " << text.getLength() << " characters, " << gbkBytes(text).size()
              << " GBK bytes\n"
              << "signature:   " << signature.signedData.size() << " bytes of PKCS#7\n"
              << "fields:      " << utf8(sealName) << "Cert, " << utf8(sealName) << "Sign\n";
    return 0;
}

int verify(const Arguments& arguments)
{
    const std::string document = absolutePath(arguments.document);
    Office office;
    office.start();
    DocumentCloser closer{ loadDocument(office, document) };

    OUString sealName = OUString::fromUtf8(arguments.name.c_str());
    if (arguments.name.empty())
    {
        const std::optional<OUString> field
            = quillmark::certseal::firstUserFieldEndingIn(closer.model, "Sign");
        if (!field)
            throw std::runtime_error("the document carries no seal signature");
        sealName = field->copy(0, field->getLength() - 4);
    }
    const std::optional<OUString> stored
        = quillmark::certseal::readUserField(closer.model, sealName + "Sign");
    if (!stored)
        throw std::runtime_error("the document has no field " + utf8(sealName) + "Sign");

    const Verdict verdict
        = verifyWithLibrary(*stored, quillmark::certseal::documentText(closer.model));
    std::cout << "seal name:   " << utf8(sealName) << "\n";
    if (verdict.status != 0)
    {
        std::cout << "verdict:     " << verdict.failedStep << " failed, status " << verdict.status
                  << "\n";
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
        const Arguments arguments = parse(argc, argv);
        return arguments.verify ? verify(arguments) : seal(arguments);
    }
    catch (const UsageError& error)
    {
        std::cerr << "quillmark-cert-seal: " << error.what() << "\n\n" << kUsage;
        return 2;
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
