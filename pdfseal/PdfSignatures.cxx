#include "PdfSignatures.hxx"

#include <podofo/podofo.h>

#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <sal/log.hxx>

namespace quillmark::pdfseal
{
namespace
{
using namespace PoDoFo;

/// PoDoFo reports through messages on standard error unless told not to.
void quietPodofo()
{
    static const bool quiet = [] {
        PoDoFo::PdfError::EnableDebug(false);
        PoDoFo::PdfError::EnableLogging(false);
        return true;
    }();
    (void)quiet;
}

/// Runs PoDoFo work; its errors leave as PdfError.
template <typename Work>
auto podofo(const char* what, Work work) -> decltype(work())
{
    quietPodofo();
    try
    {
        return work();
    }
    catch (const PoDoFo::PdfError& error)
    {
        throw pdfseal::PdfError(std::string(what) + ": "
                                + PoDoFo::PdfError::ErrorMessage(error.GetError()));
    }
}

void load(PdfMemDocument& document, const Bytes& pdf, size_t length, bool forUpdate)
{
    if (pdf.empty() || length > pdf.size() || length > static_cast<size_t>(LONG_MAX))
        PODOFO_RAISE_ERROR(ePdfError_InvalidDataType);
    document.LoadFromBuffer(reinterpret_cast<const char*>(pdf.data()), static_cast<long>(length),
                            forUpdate);
}

PdfString utf8String(const std::string& text)
{
    return PdfString(reinterpret_cast<const pdf_utf8*>(text.c_str()));
}

/// The picture as an image XObject, with its transparency as a soft mask.
void fillImage(PdfDocument& document, PdfImage& image, const Picture& picture)
{
    PdfMemoryInputStream pixels(reinterpret_cast<const char*>(picture.rgb.data()),
                                static_cast<pdf_long>(picture.rgb.size()));
    image.SetImageColorSpace(ePdfColorSpace_DeviceRGB);
    image.SetImageData(picture.width, picture.height, 8, &pixels);
    if (picture.alpha.empty())
        return;
    PdfImage mask(&document);
    PdfMemoryInputStream alpha(reinterpret_cast<const char*>(picture.alpha.data()),
                               static_cast<pdf_long>(picture.alpha.size()));
    mask.SetImageColorSpace(ePdfColorSpace_DeviceGray);
    mask.SetImageData(picture.width, picture.height, 8, &alpha);
    image.SetImageSoftmask(&mask);
}

/// The widget's appearance: the picture filling its box.
void drawAppearance(PdfMemDocument& document, PdfSignatureField& field,
                    const SignatureField& wanted)
{
    PdfXObject appearance(PdfRect(0, 0, wanted.width, wanted.height), &document);
    PdfImage image(&document);
    fillImage(document, image, wanted.picture);
    PdfPainter painter;
    painter.SetPage(&appearance);
    painter.DrawImage(0, 0, &image, wanted.width / wanted.picture.width,
                      wanted.height / wanted.picture.height);
    painter.FinishPage();
    field.SetAppearanceStream(&appearance);
}

PdfAcroForm* signatureForm(PdfMemDocument& document)
{
    PdfAcroForm* form = document.GetAcroForm(ePdfCreateObject, ePdfAcroFormDefaultAppearance_None);
    if (!form)
        PODOFO_RAISE_ERROR(ePdfError_InvalidHandle);
    // Signatures exist, and the file is to be changed by appending only.
    PdfDictionary& dictionary = form->GetObject()->GetDictionary();
    dictionary.RemoveKey(PdfName("SigFlags"));
    dictionary.AddKey(PdfName("SigFlags"), PdfObject(static_cast<pdf_int64>(3)));
    return form;
}

/// Feeds the bytes the signature covers, as the output device hands them out, to the digest.
Bytes digestOfSignedBytes(PdfSignOutputDevice& device, SignatureAlgorithm algorithm)
{
    ContentDigest digest(algorithm);
    std::vector<char> chunk(65536);
    device.Seek(0);
    while (const size_t count = device.ReadForSignature(chunk.data(), chunk.size()))
        digest.add(ByteRange(reinterpret_cast<const unsigned char*>(chunk.data()),
                             std::min(count, chunk.size())));
    return digest.finish();
}

PdfObject* resolved(PdfVecObjects& objects, PdfObject* object)
{
    int depth = 0;
    while (object && object->IsReference() && depth++ < 32)
        object = objects.GetObject(object->GetReference());
    return object && !object->IsReference() ? object : nullptr;
}

PdfObject* key(PdfVecObjects& objects, PdfObject* dictionary, const char* name)
{
    if (!dictionary || !dictionary->IsDictionary())
        return nullptr;
    return resolved(objects, dictionary->GetDictionary().GetKey(PdfName(name)));
}

bool isText(const PdfObject* object)
{
    return object && (object->IsString() || object->IsHexString());
}

bool isName(PdfObject* object, const char* name)
{
    return object && object->IsName() && object->GetName() == PdfName(name);
}

/// The field's type, inherited from its parents where it has none of its own.
bool isSignatureField(PdfVecObjects& objects, PdfObject* field)
{
    for (int depth = 0; field && field->IsDictionary() && depth < 32; ++depth)
    {
        if (PdfObject* type = key(objects, field, "FT"))
            return isName(type, "Sig");
        field = key(objects, field, "Parent");
    }
    return false;
}

std::string fieldNameOf(PdfVecObjects& objects, PdfObject* field)
{
    PdfObject* name = key(objects, field, "T");
    return isText(name) ? name->GetString().GetStringUtf8() : std::string();
}

int hexValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

/// The bytes of the hex string that fills [start, end) exactly, or none.
std::optional<Bytes> hexStringAt(const Bytes& pdf, size_t start, size_t end)
{
    if (end - start < 2 || pdf[start] != '<' || pdf[end - 1] != '>')
        return std::nullopt;
    Bytes bytes;
    bytes.reserve((end - start) / 2);
    int high = -1;
    for (size_t i = start + 1; i + 1 < end; ++i)
    {
        const int value = hexValue(pdf[i]);
        if (value < 0)
            return std::nullopt;
        if (high < 0)
            high = value;
        else
        {
            bytes.push_back(static_cast<unsigned char>(high * 16 + value));
            high = -1;
        }
    }
    if (high >= 0)
        bytes.push_back(static_cast<unsigned char>(high * 16));
    return bytes;
}

std::optional<StoredSignature> storedSignature(const Bytes& pdf, PdfVecObjects& objects,
                                               PdfObject* field)
{
    PdfObject* value = key(objects, field, "V");
    PdfObject* range = key(objects, value, "ByteRange");
    PdfObject* contents = key(objects, value, "Contents");
    if (!range || !range->IsArray() || !isText(contents))
        return std::nullopt;
    StoredSignature stored;
    stored.fieldName = fieldNameOf(objects, field);
    const PdfString& text = contents->GetString();
    const auto* data = reinterpret_cast<const unsigned char*>(text.GetString());
    stored.contents.assign(data, data + (data ? text.GetLength() : 0));

    const PdfArray& numbers = range->GetArray();
    std::vector<pdf_int64> offsets;
    for (const PdfObject& number : numbers)
        if (number.IsNumber() && number.GetNumber() >= 0)
            offsets.push_back(number.GetNumber());
    if (numbers.size() != 4 || offsets.size() != 4 || offsets[0] != 0 || offsets[2] < offsets[1]
        || static_cast<size_t>(offsets[2]) > pdf.size()
        || static_cast<size_t>(offsets[3]) > pdf.size() - static_cast<size_t>(offsets[2]))
        return stored;
    stored.signatureStart = static_cast<size_t>(offsets[1]);
    stored.signatureEnd = static_cast<size_t>(offsets[2]);
    stored.end = stored.signatureEnd + static_cast<size_t>(offsets[3]);
    const std::optional<Bytes> gap = hexStringAt(pdf, stored.signatureStart, stored.signatureEnd);
    stored.rangeWellFormed = gap && *gap == stored.contents;
    if (gap)
        stored.contents = *gap;
    return stored;
}

// ---- What an update changed ------------------------------------------------------------

/// An object's own content: its dictionary or value as PDF writes it, and its stream's bytes.
std::string contentOf(const PdfObject* object)
{
    std::string text;
    object->ToString(text, ePdfWriteMode_Compact);
    if (object->HasStream())
    {
        char* data = nullptr;
        pdf_long length = 0;
        const_cast<PdfObject*>(object)->GetStream()->GetCopy(&data, &length);
        if (data)
        {
            text.append("\nstream\n").append(data, static_cast<size_t>(length));
            podofo_free(data);
        }
    }
    return text;
}

/// The same dictionary but for the keys given.
bool sameExcept(const PdfObject* before, const PdfObject* after,
                const std::set<std::string>& allowed)
{
    if (!before->IsDictionary() || !after->IsDictionary() || before->HasStream()
        || after->HasStream())
        return false;
    std::map<std::string, std::string> keysBefore;
    std::map<std::string, std::string> keysAfter;
    for (const auto& [name, value] : before->GetDictionary().GetKeys())
        if (!allowed.count(name.GetName()))
            value->ToString(keysBefore[name.GetName()], ePdfWriteMode_Compact);
    for (const auto& [name, value] : after->GetDictionary().GetKeys())
        if (!allowed.count(name.GetName()))
            value->ToString(keysAfter[name.GetName()], ePdfWriteMode_Compact);
    return keysBefore == keysAfter;
}

std::vector<PdfReference> referencesIn(PdfVecObjects& objects, PdfObject* list)
{
    std::vector<PdfReference> references;
    list = resolved(objects, list);
    if (!list || !list->IsArray())
        return references;
    for (const PdfObject& entry : list->GetArray())
        if (entry.IsReference())
            references.push_back(entry.GetReference());
    return references;
}

/// Whether every entry of the list now that was not there before is a signature field (for
/// fields) or a signature field's widget (for annotations).
bool gainedOnlySignatures(PdfVecObjects& objectsBefore, PdfObject* listBefore,
                          PdfVecObjects& objectsAfter, PdfObject* listAfter, bool annotations)
{
    const std::vector<PdfReference> old = referencesIn(objectsBefore, listBefore);
    PdfObject* list = resolved(objectsAfter, listAfter);
    if (listAfter && (!list || !list->IsArray()))
        return false;
    if (!list)
        return old.empty();
    for (const PdfObject& entry : list->GetArray())
    {
        if (!entry.IsReference())
            return false;
        if (std::find(old.begin(), old.end(), entry.GetReference()) != old.end())
            continue;
        PdfObject* added = objectsAfter.GetObject(entry.GetReference());
        if (!added || !isSignatureField(objectsAfter, added)
            || (annotations && !isName(key(objectsAfter, added, "Subtype"), "Widget")))
            return false;
    }
    return true;
}

struct Revision
{
    PdfMemDocument document;
    PdfObject* catalog = nullptr;
    PdfObject* form = nullptr;
    std::set<PdfReference> pages;
    std::set<PdfReference> annotationLists;
    std::set<PdfReference> fieldLists;

    void read(const Bytes& pdf, size_t length)
    {
        load(document, pdf, length, false);
        PdfVecObjects& objects = document.GetObjects();
        catalog = document.GetCatalog();
        form = key(objects, catalog, "AcroForm");
        if (PdfObject* fields = form ? form->GetDictionary().GetKey(PdfName("Fields")) : nullptr)
            if (fields->IsReference())
                fieldLists.insert(fields->GetReference());
        for (int i = 0; i < document.GetPageCount(); ++i)
        {
            PdfObject* page = document.GetPage(i)->GetObject();
            pages.insert(page->Reference());
            if (PdfObject* annotations = page->GetDictionary().GetKey(PdfName("Annots")))
                if (annotations->IsReference())
                    annotationLists.insert(annotations->GetReference());
        }
    }
};

/// Whether one object changed only as adding a signature may change it.
bool changedAsSigningMay(Revision& before, Revision& after, PdfObject* old, PdfObject* now)
{
    PdfVecObjects& objectsBefore = before.document.GetObjects();
    PdfVecObjects& objectsAfter = after.document.GetObjects();
    const PdfReference reference = now->Reference();
    if (after.catalog && reference == after.catalog->Reference())
        return sameExcept(old, now, { "AcroForm" });
    // What the form's field list gained is looked at once for the whole update.
    if (after.form && reference == after.form->Reference())
        return sameExcept(old, now, { "Fields", "SigFlags" });
    if (after.pages.count(reference))
        return sameExcept(old, now, { "Annots" })
               && gainedOnlySignatures(objectsBefore, old->GetDictionary().GetKey("Annots"),
                                       objectsAfter, now->GetDictionary().GetKey("Annots"), true);
    // Annotation and field lists that are objects of their own.
    if (after.annotationLists.count(reference) || after.fieldLists.count(reference))
        return old->IsArray() && now->IsArray()
               && gainedOnlySignatures(objectsBefore, old, objectsAfter, now,
                                       after.annotationLists.count(reference) > 0);
    return false;
}
}

std::vector<PageBox> pageBoxes(const Bytes& pdf)
{
    return podofo("cannot read the PDF", [&] {
        PdfMemDocument document;
        load(document, pdf, pdf.size(), false);
        std::vector<PageBox> boxes;
        for (int i = 0; i < document.GetPageCount(); ++i)
        {
            const PdfRect box = document.GetPage(i)->GetPageSize();
            boxes.push_back(PageBox{ box.GetWidth(), box.GetHeight() });
        }
        return boxes;
    });
}

Picture decodePng(ByteRange png)
{
    struct Reader
    {
        ByteRange data;
        size_t at = 0;
    } reader{ png };
    auto read = [](void* closure, unsigned char* out, unsigned int length) {
        auto* from = static_cast<Reader*>(closure);
        if (length > from->data.size - from->at)
            return CAIRO_STATUS_READ_ERROR;
        std::memcpy(out, from->data.data + from->at, length);
        from->at += length;
        return CAIRO_STATUS_SUCCESS;
    };
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        cairo_image_surface_create_from_png_stream(read, &reader), cairo_surface_destroy);
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("the seal picture is no PNG picture");
    const cairo_format_t format = cairo_image_surface_get_format(surface.get());
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24)
        throw std::runtime_error("the seal picture has pixels of an unexpected kind");
    cairo_surface_flush(surface.get());
    Picture picture;
    picture.width = static_cast<unsigned>(cairo_image_surface_get_width(surface.get()));
    picture.height = static_cast<unsigned>(cairo_image_surface_get_height(surface.get()));
    const int stride = cairo_image_surface_get_stride(surface.get());
    const unsigned char* pixels = cairo_image_surface_get_data(surface.get());
    if (!pixels || picture.width == 0 || picture.height == 0)
        throw std::runtime_error("the seal picture is empty");
    picture.rgb.reserve(size_t(picture.width) * picture.height * 3);
    Bytes alpha;
    alpha.reserve(size_t(picture.width) * picture.height);
    bool transparent = false;
    for (unsigned y = 0; y < picture.height; ++y)
        for (unsigned x = 0; x < picture.width; ++x)
        {
            uint32_t pixel = 0;
            std::memcpy(&pixel, pixels + size_t(y) * size_t(stride) + size_t(x) * 4, 4);
            const unsigned a = format == CAIRO_FORMAT_ARGB32 ? pixel >> 24 : 255;
            // Cairo keeps colours multiplied by their alpha.
            for (int shift : { 16, 8, 0 })
            {
                const unsigned channel = (pixel >> shift) & 0xff;
                picture.rgb.push_back(
                    static_cast<unsigned char>(a == 0 ? 255 : std::min(255u, channel * 255 / a)));
            }
            alpha.push_back(static_cast<unsigned char>(a));
            transparent = transparent || a != 255;
        }
    if (transparent)
        picture.alpha = std::move(alpha);
    return picture;
}

Bytes addSignature(const Bytes& pdf, const SignatureField& wanted, SignatureAlgorithm algorithm,
                   const DigestSigner& sign)
{
    if (wanted.picture.width == 0 || wanted.picture.height == 0 || wanted.width <= 0
        || wanted.height <= 0)
        throw std::runtime_error("a signature's picture has no size");
    PdfRefCountedBuffer buffer;
    PdfOutputDevice output(&buffer);
    PdfSignOutputDevice device(&output);
    podofo("cannot add a signature field to the PDF", [&] {
        PdfMemDocument document;
        load(document, pdf, pdf.size(), true);
        if (wanted.page >= static_cast<size_t>(document.GetPageCount()))
            PODOFO_RAISE_ERROR_INFO(ePdfError_PageNotFound, "the seal's page is not in the PDF");
        PdfPage* page = document.GetPage(static_cast<int>(wanted.page));
        const PdfRect box = page->GetPageSize();
        const PdfRect place(box.GetLeft() + wanted.left,
                            box.GetBottom() + box.GetHeight() - wanted.top - wanted.height,
                            wanted.width, wanted.height);
        PdfAcroForm* form = signatureForm(document);
        PdfAnnotation* widget = page->CreateAnnotation(ePdfAnnotation_Widget, place);
        widget->SetFlags(ePdfAnnotationFlags_Print | ePdfAnnotationFlags_Locked);
        PdfSignatureField field(widget, form, &document);
        drawAppearance(document, field, wanted);
        field.SetFieldName(utf8String(wanted.name));
        field.SetSignatureReason(utf8String(wanted.reason));
        field.SetSignatureDate(PdfDate(wanted.signingTime));
        field.GetSignatureObject()->GetDictionary().AddKey(PdfName("Name"),
                                                           utf8String(wanted.signerName));
        device.SetSignatureSize(kSignatureRoom);
        field.SetSignature(*device.GetSignatureBeacon());
        document.WriteUpdate(&device, true);
        if (!device.HasSignaturePosition())
            PODOFO_RAISE_ERROR_INFO(ePdfError_SignatureError, "no room for the signature");
        device.AdjustByteRange();
    });
    const Bytes signature = sign(podofo("cannot read the signed bytes back",
                                        [&] { return digestOfSignedBytes(device, algorithm); }));
    if (signature.size() > kSignatureRoom)
        throw std::runtime_error("the signature (" + std::to_string(signature.size())
                                 + " bytes) is larger than the room kept for it");
    podofo("cannot put the signature into the PDF", [&] {
        device.SetSignature(
            PdfData(reinterpret_cast<const char*>(signature.data()), signature.size()));
        device.Flush();
    });
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.GetBuffer());
    return Bytes(bytes, bytes + output.GetLength());
}

std::vector<StoredSignature> storedSignatures(const Bytes& pdf)
{
    return podofo("cannot read the PDF", [&] {
        PdfMemDocument document;
        load(document, pdf, pdf.size(), false);
        PdfVecObjects& objects = document.GetObjects();
        std::vector<StoredSignature> signatures;
        std::set<PdfReference> seen;
        for (PdfObject* object : objects)
        {
            if (!object || !object->IsDictionary() || !key(objects, object, "V")
                || !isSignatureField(objects, object))
                continue;
            // A field and its widget may be one object, or a field with its widgets below it.
            PdfObject* value = object->GetDictionary().GetKey(PdfName("V"));
            if (value->IsReference() && !seen.insert(value->GetReference()).second)
                continue;
            if (std::optional<StoredSignature> stored = storedSignature(pdf, objects, object))
                signatures.push_back(std::move(*stored));
        }
        std::sort(signatures.begin(), signatures.end(),
                  [](const StoredSignature& a, const StoredSignature& b) { return a.end < b.end; });
        return signatures;
    });
}

bool addsOnlySignatures(const Bytes& pdf, size_t from, size_t to)
{
    if (from == to)
        return true;
    if (from > to || to > pdf.size())
        return false;
    try
    {
        return podofo("cannot read a revision of the PDF", [&] {
            Revision before;
            before.read(pdf, from);
            Revision after;
            after.read(pdf, to);
            PdfVecObjects& objectsBefore = before.document.GetObjects();
            PdfVecObjects& objectsAfter = after.document.GetObjects();
            for (PdfObject* old : objectsBefore)
                if (old && !objectsAfter.GetObject(old->Reference()))
                    return false;
            for (PdfObject* now : objectsAfter)
            {
                PdfObject* old = now ? objectsBefore.GetObject(now->Reference()) : nullptr;
                if (!old || contentOf(old) == contentOf(now))
                    continue;
                if (!changedAsSigningMay(before, after, old, now))
                    return false;
            }
            // The form, whether new, changed or written into the catalog itself, gained
            // signature fields alone.
            auto fields = [](PdfObject* form) {
                return form ? form->GetDictionary().GetKey(PdfName("Fields")) : nullptr;
            };
            return !after.form
                   || gainedOnlySignatures(objectsBefore, fields(before.form), objectsAfter,
                                           fields(after.form), false);
        });
    }
    catch (const pdfseal::PdfError& error)
    {
        SAL_INFO("quillmark.pdfseal",
                 "the change is not read as signatures alone: " << error.what());
        return false;
    }
}
}
