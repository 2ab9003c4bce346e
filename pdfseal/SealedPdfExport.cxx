#include "SealedPdfExport.hxx"
#include <common/UntracedChanges.hxx>

#include "PdfSealTexts.hxx"
#include "PdfSignatures.hxx"

#include <format/FormatNames.hxx>
#include <format/UserMasters.hxx>

#include <Base64.hxx>
#include <SealFiles.hxx>
#include <SealSignature.hxx>
#include <SealStructures.hxx>
#include <Sm2.hxx>
#include <StampRegister.hxx>
#include <TimeStamp.hxx>
#include <TrustAnchors.hxx>
#include <TokenSigner.hxx>

#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/document/XUndoManager.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/io/SequenceOutputStream.hpp>
#include <com/sun/star/io/TempFile.hpp>
#include <com/sun/star/text/RelOrientation.hpp>
#include <com/sun/star/text/TextContentAnchorType.hpp>
#include <com/sun/star/util/XModifiable.hpp>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <unistd.h>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace quillmark::pdfseal
{
namespace
{
constexpr char kPdfFilter[] = "writer_pdf_Export";
constexpr char kPngType[] = "image/png";
constexpr char kRegisterOperation[] = "sign-pdf";
constexpr char kDocumentKind[] = "document";
constexpr char kCertificateKind[] = "certificate";
/// Points per 1/100 mm.
constexpr double kPointsPerHundredthMm = 72.0 / 2540.0;

/// Why the export stops, in the words the holder is told.
struct Refusal : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

std::string utf8(const OUString& text)
{
    return OUStringToOString(text, RTL_TEXTENCODING_UTF8).getStr();
}

beans::PropertyValue property(const char* name, const Any& value)
{
    beans::PropertyValue result;
    result.Name = OUString::createFromAscii(name);
    result.Value = value;
    return result;
}

template <typename Value>
Value propertyOf(const Reference<beans::XPropertySet>& object, const char* name)
{
    Value value{};
    object->getPropertyValue(OUString::createFromAscii(name)) >>= value;
    return value;
}

/// The seal pictures are left out of the office's export while it runs: each appears in the
/// PDF as its signature's widget alone, so that no picture of a seal stands without it.
class HiddenPictures
{
public:
    HiddenPictures(const Reference<frame::XModel>& document,
                   const std::vector<Reference<beans::XPropertySet>>& pictures)
        : untraced(document)
    {
        for (const Reference<beans::XPropertySet>& picture : pictures)
            if (propertyOf<bool>(picture, "Visible"))
            {
                picture->setPropertyValue("Visible", Any(false));
                hidden.push_back(picture);
            }
    }
    ~HiddenPictures()
    {
        for (const Reference<beans::XPropertySet>& picture : hidden)
        {
            try
            {
                picture->setPropertyValue("Visible", Any(true));
            }
            catch (const uno::Exception& exception)
            {
                // A picture that went away with its document.
                SAL_INFO("quillmark.pdfseal", "a picture that went away: " << exception.Message);
            }
        }
    }
    HiddenPictures(const HiddenPictures&) = delete;
    HiddenPictures& operator=(const HiddenPictures&) = delete;

private:
    UntracedChanges untraced;
    std::vector<Reference<beans::XPropertySet>> hidden;
};

/// One signature to make: a picture of a document or certificate seal.
struct PlannedSignature
{
    bool documentSeal = true;
    /// The certificate seal's name.
    OUString name;
    /// Whose seal, as the survey read it from the signature.
    OUString organisation;
    Reference<beans::XPropertySet> picture;
};

std::vector<Quillmark::Certificate::SealSurveyEntry>
verifiedSeals(const Reference<Quillmark::Certificate::XSealSurvey>& survey)
{
    const Sequence<Quillmark::Certificate::SealSurveyEntry> surveyed = survey->surveySeals(true);
    std::vector<Quillmark::Certificate::SealSurveyEntry> entries(surveyed.begin(), surveyed.end());
    if (entries.empty())
        throw Refusal(texts::kNoSeals);
    std::string invalid;
    for (const auto& entry : entries)
    {
        if (entry.Valid)
            continue;
        const OUString name
            = entry.Name.isEmpty() ? OUString::fromUtf8(texts::kDocumentSealName) : entry.Name;
        invalid += (invalid.empty() ? "" : texts::kSealListSeparator) + utf8(name)
                   + texts::kSealReasonSeparator + utf8(entry.Reason);
    }
    if (!invalid.empty())
        throw Refusal(texts::kSealsInvalid + invalid);
    return entries;
}

std::vector<PlannedSignature>
plannedSignatures(const std::vector<Quillmark::Certificate::SealSurveyEntry>& entries)
{
    std::vector<PlannedSignature> planned;
    for (const auto& entry : entries)
    {
        const bool documentSeal = entry.Kind.equalsAscii(kDocumentKind);
        if (!documentSeal && !entry.Kind.equalsAscii(kCertificateKind))
            continue;
        for (const Reference<uno::XInterface>& picture : entry.Pictures)
            planned.push_back({ documentSeal, entry.Name, entry.Organisation,
                                Reference<beans::XPropertySet>(picture, UNO_QUERY_THROW) });
    }
    return planned;
}

std::string titleOf(const Reference<frame::XModel>& document)
{
    Reference<css::document::XDocumentPropertiesSupplier> properties(document, UNO_QUERY);
    OUString title = properties.is() ? properties->getDocumentProperties()->getTitle() : OUString();
    Reference<frame::XTitle> shown(document, UNO_QUERY);
    if (title.isEmpty() && shown.is())
        title = shown->getTitle();
    return utf8(title);
}

std::optional<Bytes> decodedCertificate(const OUString& field)
{
    std::string text = utf8(field);
    text.erase(std::remove_if(text.begin(), text.end(),
                              [](char c) { return c == '\n' || c == '\r' || c == ' '; }),
               text.end());
    return ktxeseal::decodeBase64(text);
}

OwnedPtr<X509> certificateOf(const Bytes& der)
{
    OwnedPtr<X509> certificate = ktxeseal::parseCertificate(der);
    if (!certificate)
        throw std::runtime_error("a signer's certificate cannot be read");
    return certificate;
}

/// An RFC 3161 token over a signature value from the seal library's time-stamp service, when
/// one is configured.
TimeStamper configuredTimeStamper()
{
    const std::optional<std::string> url = ktxeseal::timeStampServiceUrl();
    if (!url)
        return nullptr;
    return [url = *url](ByteRange value) -> std::optional<Bytes> {
        std::string problem;
        std::optional<Bytes> token = ktxeseal::requestTimeStamp(
            url, value, ktxeseal::loadTrustMaterial().timeStampAuthorities, problem);
        if (!token)
            throw Refusal(std::string(texts::kExportFailed) + problem);
        return token;
    };
}

/// The document seal's key, held while the export signs: the current seal, when it is the one
/// that signed the document, unlocked with its PIN.
class DocumentSealKey
{
public:
    DocumentSealKey(const Reference<frame::XModel>& document, const ktxeseal::PinSource& pins,
                    const std::string& title, const std::string& file)
        : title(title)
        , file(file)
    {
        const OUString signature
            = readUserMaster(document,
                             OUString::createFromAscii(quillmark::texts::kDocumentSignatureField))
                  .value_or(OUString());
        const std::optional<ktxeseal::SealSignatureContent> signedWith
            = ktxeseal::openSealSignature(utf8(signature));
        const std::optional<std::string> current = ktxeseal::currentSealDirectory();
        std::optional<ktxeseal::Seal> loaded
            = current ? ktxeseal::loadSeal(*current) : std::nullopt;
        if (!loaded || !ktxeseal::maySignAt(*loaded, std::time(nullptr)))
            throw Refusal(texts::kSealUnusable);
        if (!signedWith || signedWith->signerCertificateDer != loaded->certificateDer)
            throw Refusal(texts::kNotCurrentSeal);
        directory = *current;
        seal = std::move(*loaded);
        authority = certificateOf(seal->issued.authorityCertificateDer);

        ktxeseal::SealKeeper& keeper = ktxeseal::sealKeeper();
        keeper.setPinSource(pins);
        keeper.openOperation(ktxeseal::OperationDescription{ 0, title, file });
        int status = 0;
        if (!keeper.unlock(*seal, directory, status))
        {
            keeper.closeOperation();
            throw Refusal(refusal(status));
        }
    }
    ~DocumentSealKey()
    {
        ktxeseal::SealKeeper& keeper = ktxeseal::sealKeeper();
        keeper.closeOperation();
        keeper.setPinSource(ktxeseal::PinSource{});
    }
    DocumentSealKey(const DocumentSealKey&) = delete;
    DocumentSealKey& operator=(const DocumentSealKey&) = delete;

    /// The signature over content of that digest, on record in the seal's register before it
    /// is handed out.
    Bytes sign(const Bytes& contentDigest, const TimeStamper& timeStamp)
    {
        SignatureRequest request;
        request.signer = seal->certificate.get();
        request.chain = { authority.get() };
        request.contentDigest = contentDigest;
        request.signingTime = std::time(nullptr);
        request.sign = [this](ByteRange attributes) {
            std::optional<Bytes> value = ktxeseal::sm2Sign(seal->key.get(), attributes);
            if (!value)
                throw std::runtime_error("the seal's key did not sign");
            return *value;
        };
        std::optional<time_t> trustedTime;
        if (timeStamp)
            request.timeStamp = [&](ByteRange value) {
                std::optional<Bytes> token = timeStamp(value);
                if (token)
                    trustedTime = ktxeseal::timeStampedAt(
                        *token, value, ktxeseal::loadTrustMaterial().timeStampAuthorities);
                return token;
            };
        Bytes signature = makeDetachedSignature(request);
        record(contentDigest, trustedTime);
        return signature;
    }

private:
    static std::string refusal(int status)
    {
        switch (status)
        {
            case 0:
                return texts::kPinDeclined;
            case KTXESEAL_STATUS_PIN_INCORRECT:
                return std::string(texts::kSealRefused) + texts::kPinIncorrect
                       + std::to_string(status);
            case KTXESEAL_STATUS_PIN_LOCKED:
                return std::string(texts::kSealRefused) + texts::kPinLocked
                       + std::to_string(status);
            default:
                return std::string(texts::kSealRefused) + std::to_string(status);
        }
    }

    void record(const Bytes& digest, std::optional<time_t> trustedTime)
    {
        ktxeseal::RegisterRecord entry;
        entry.operation = kRegisterOperation;
        entry.title = title;
        entry.file = file;
        entry.sealId = seal->issued.sealId;
        entry.organisation = seal->issued.name;
        entry.digest = digest;
        entry.trustedTime = trustedTime;
        std::string problem;
        if (!ktxeseal::appendToRegister(
                directory, entry,
                [this](ByteRange canonical) {
                    return ktxeseal::sm2Sign(seal->key.get(), canonical);
                },
                problem))
            throw Refusal(texts::kRegisterFailed);
    }

    std::string title;
    std::string file;
    std::string directory;
    std::optional<ktxeseal::Seal> seal;
    OwnedPtr<X509> authority;
};

/// The key token's key, when the certificate seals were signed with its certificate.
class TokenSealKey
{
public:
    TokenSealKey(const Reference<frame::XModel>& document, const std::vector<OUString>& sealNames,
                 const std::function<bool(ktxeseal::SecretBytes&)>& askPin)
    {
        ktxeseal::SecretBytes pin(KTXESEAL_PIN_SIZE);
        if (!askPin || !askPin(pin))
            throw Refusal(texts::kTokenPinDeclined);
        try
        {
            key = std::make_unique<certseal::TokenKey>(std::string(pin.text()));
        }
        catch (const std::runtime_error& error)
        {
            throw Refusal(std::string(texts::kExportFailed) + error.what());
        }
        for (const OUString& name : sealNames)
        {
            const std::optional<OUString> field = readUserMaster(
                document, name + OUString::createFromAscii(quillmark::texts::kCertSuffix));
            const std::optional<Bytes> der = field ? decodedCertificate(*field) : std::nullopt;
            if (!der || *der != key->certificate())
                throw Refusal(texts::kNotTokenCertificate + utf8(name));
        }
        certificate = certificateOf(key->certificate());
    }

    Bytes sign(const Bytes& contentDigest, const TimeStamper& timeStamp)
    {
        SignatureRequest request;
        request.signer = certificate.get();
        request.contentDigest = contentDigest;
        request.signingTime = std::time(nullptr);
        request.sign = [this](ByteRange attributes) {
            return key->sign(Bytes(attributes.data, attributes.data + attributes.size));
        };
        request.timeStamp = timeStamp;
        return makeDetachedSignature(request);
    }

    SignatureAlgorithm algorithm() const
    {
        const std::optional<SignatureAlgorithm> found = algorithmOf(certificate.get());
        if (!found)
            throw std::runtime_error("the token's key is neither RSA nor EC");
        return *found;
    }

private:
    std::unique_ptr<certseal::TokenKey> key;
    OwnedPtr<X509> certificate;
};

Bytes pngOf(const Reference<graphic::XGraphic>& picture,
            const Reference<uno::XComponentContext>& context)
{
    // The graphic provider writes into a stream it can also seek in, not a plain output stream.
    Reference<io::XTempFile> file = io::TempFile::create(context);
    const beans::PropertyValue arguments[] = {
        property("OutputStream", Any(Reference<io::XStream>(file, UNO_QUERY_THROW))),
        property("MimeType", Any(OUString::createFromAscii(kPngType))),
    };
    graphic::GraphicProvider::create(context)->storeGraphic(
        picture, Sequence<beans::PropertyValue>(arguments, std::size(arguments)));
    file->seek(0);
    Bytes png;
    Reference<io::XInputStream> in = file->getInputStream();
    for (Sequence<sal_Int8> chunk; in->readBytes(chunk, 65536) > 0;)
    {
        const auto* data = reinterpret_cast<const unsigned char*>(chunk.getConstArray());
        png.insert(png.end(), data, data + chunk.getLength());
    }
    return png;
}

/// Where the picture lies, in points from its page's top left corner, and what it shows.
SignatureField fieldFor(const PlannedSignature& planned,
                        const Reference<uno::XComponentContext>& context)
{
    const Reference<beans::XPropertySet>& picture = planned.picture;
    if (propertyOf<text::TextContentAnchorType>(picture, "AnchorType")
        != text::TextContentAnchorType_AT_PAGE)
        throw std::runtime_error("a seal picture is not bound to its page");
    for (const char* relation : { "HoriOrientRelation", "VertOrientRelation" })
    {
        const sal_Int16 value = propertyOf<sal_Int16>(picture, relation);
        if (value != text::RelOrientation::FRAME && value != text::RelOrientation::PAGE_FRAME)
            throw std::runtime_error("a seal picture is not placed from its page's edges");
    }
    const sal_Int16 page = propertyOf<sal_Int16>(picture, "AnchorPageNo");
    if (page < 1)
        throw std::runtime_error("a seal picture names no page");
    const awt::Size size = Reference<drawing::XShape>(picture, UNO_QUERY_THROW)->getSize();

    SignatureField field;
    field.page = static_cast<size_t>(page - 1);
    field.left = propertyOf<sal_Int32>(picture, "HoriOrientPosition") * kPointsPerHundredthMm;
    field.top = propertyOf<sal_Int32>(picture, "VertOrientPosition") * kPointsPerHundredthMm;
    field.width = size.Width * kPointsPerHundredthMm;
    field.height = size.Height * kPointsPerHundredthMm;
    field.picture
        = decodePng(pngOf(propertyOf<Reference<graphic::XGraphic>>(picture, "Graphic"), context));
    field.signingTime = std::time(nullptr);
    return field;
}

/// A field name no other signature of this export has.
std::string uniqueName(std::string name, std::vector<std::string>& taken)
{
    const std::string wanted = name;
    for (int number = 2; std::find(taken.begin(), taken.end(), name) != taken.end(); ++number)
        name = wanted + std::to_string(number);
    taken.push_back(name);
    return name;
}

/// Writes the whole file or leaves none: a temporary file beside it, renamed into place.
void writeWhole(const std::string& path, const Bytes& bytes)
{
    std::string temporary = path + ".XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0)
        throw std::runtime_error("cannot write beside " + path);
    ::close(descriptor);
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out || std::rename(temporary.c_str(), path.c_str()) != 0)
    {
        std::remove(temporary.c_str());
        throw std::runtime_error("cannot write " + path);
    }
}
}

Bytes exportPdf(const Reference<frame::XModel>& document,
                const Reference<uno::XComponentContext>& context)
{
    Reference<io::XSequenceOutputStream> stream = io::SequenceOutputStream::create(context);
    // The page numbers the seals name are those of every page, blank ones included; and a PDF
    // whose content is locked away could not be signed.
    const beans::PropertyValue filterData[] = {
        property("IsSkipEmptyPages", Any(false)),
        property("EncryptFile", Any(false)),
        property("RestrictPermissions", Any(false)),
    };
    const beans::PropertyValue arguments[] = {
        property("FilterName", Any(OUString::createFromAscii(kPdfFilter))),
        property("OutputStream", Any(Reference<io::XOutputStream>(stream, UNO_QUERY_THROW))),
        property("FilterData",
                 Any(Sequence<beans::PropertyValue>(filterData, std::size(filterData)))),
    };
    Reference<frame::XStorable>(document, UNO_QUERY_THROW)
        ->storeToURL("private:stream",
                     Sequence<beans::PropertyValue>(arguments, std::size(arguments)));
    const Sequence<sal_Int8> bytes = stream->getWrittenBytes();
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.getConstArray());
    return Bytes(data, data + bytes.getLength());
}

ExportOutcome exportSealedPdf(const Reference<uno::XComponentContext>& context,
                              const Reference<frame::XModel>& document,
                              const Reference<Quillmark::Certificate::XSealSurvey>& survey,
                              const std::string& path, const ExportKeys& keys)
{
    ExportOutcome outcome;
    try
    {
        if (!survey.is() || !document.is())
            throw std::runtime_error("the document has no seal helper");
        const std::vector<PlannedSignature> planned = plannedSignatures(verifiedSeals(survey));
        const std::string title = titleOf(document);
        std::vector<OUString> certificateSeals;
        bool documentSeal = false;
        for (const PlannedSignature& signature : planned)
        {
            documentSeal = documentSeal || signature.documentSeal;
            if (!signature.documentSeal
                && std::find(certificateSeals.begin(), certificateSeals.end(), signature.name)
                       == certificateSeals.end())
                certificateSeals.push_back(signature.name);
        }
        // Every key is at hand before anything is exported or signed.
        std::unique_ptr<DocumentSealKey> sealKey
            = documentSeal ? std::make_unique<DocumentSealKey>(document, keys.sealPin, title, path)
                           : nullptr;
        std::unique_ptr<TokenSealKey> tokenKey
            = certificateSeals.empty()
                  ? nullptr
                  : std::make_unique<TokenSealKey>(document, certificateSeals, keys.tokenPin);

        std::vector<SignatureField> fields;
        std::vector<Reference<beans::XPropertySet>> pictures;
        std::vector<std::string> names;
        for (const PlannedSignature& signature : planned)
        {
            SignatureField field = fieldFor(signature, context);
            field.name = uniqueName(signature.documentSeal ? std::string(texts::kDocumentSealField)
                                                           : utf8(signature.name),
                                    names);
            field.signerName = utf8(signature.organisation);
            field.reason = signature.documentSeal ? texts::kDocumentSealReason
                                                  : texts::kCertificateSealReason;
            fields.push_back(std::move(field));
            pictures.push_back(signature.picture);
        }
        Bytes pdf;
        {
            HiddenPictures hidden(document, pictures);
            pdf = exportPdf(document, context);
        }
        const TimeStamper timeStamp = configuredTimeStamper();
        for (size_t i = 0; i < planned.size(); ++i)
        {
            if (planned[i].documentSeal)
                pdf = addSignature(
                    pdf, fields[i], SignatureAlgorithm::Sm2WithSm3,
                    [&](const Bytes& digest) { return sealKey->sign(digest, timeStamp); });
            else
                pdf = addSignature(pdf, fields[i], tokenKey->algorithm(), [&](const Bytes& digest) {
                    return tokenKey->sign(digest, timeStamp);
                });
        }
        writeWhole(path, pdf);
        outcome.written = true;
        outcome.signatures = planned.size();
    }
    catch (const Refusal& refusal)
    {
        outcome.message = refusal.what();
    }
    catch (const uno::Exception& exception)
    {
        outcome.message = texts::kExportFailed + utf8(exception.Message);
    }
    catch (const std::exception& exception)
    {
        outcome.message = std::string(texts::kExportFailed) + exception.what();
    }
    return outcome;
}
}
