// The seal survey: what a reader of a stored document needs to know about every seal in it, by
// the very checks the seal operations make.

#include <operations/SealSurvey.hxx>
#include <common/UntracedChanges.hxx>

#include <operations/FieldMarkers.hxx>
#include <operations/OperationTexts.hxx>

#include <common/OfficeNames.hxx>
#include <common/DeclaredExceptions.hxx>
#include <component/QORVHelper.hxx>
#include <docstore/DocstoreTexts.hxx>
#include <docstore/DocumentText.hxx>
#include <libraries/LibraryTexts.hxx>
#include <libraries/SealLibraryBinding.hxx>
#include <libraries/SealVerdict.hxx>
#include <format/ShapeAttributes.hxx>
#include <docstore/SignatureFields.hxx>
#include <docstore/ValidityMarking.hxx>
#include <format/UserMasters.hxx>
#include <format/WordFormats.hxx>
#include <docstore/DocumentCoverage.hxx>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/document/XUndoManager.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/util/XModifiable.hpp>

#include <map>
#include <set>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
using Pictures = std::vector<Reference<uno::XInterface>>;

/// Among `objects`, the document seal pictures ("ShapeType" "Stamper"), by their "StamperName".
std::map<OUString, Pictures> documentSealShapesAmong(const Pictures& objects)
{
    std::map<OUString, Pictures> byName;
    for (const Reference<uno::XInterface>& shape : objects)
    {
        if (!offersService(shape, texts::kGraphicObjectShape))
            continue;
        Reference<beans::XPropertySet> properties(shape, UNO_QUERY_THROW);
        if (getShapeType(properties) == ascii(texts::kDocumentSealMark))
            byName[getStamperName(properties)].push_back(shape);
    }
    return byName;
}

std::map<OUString, Pictures> documentSealShapes(const Reference<frame::XModel>& document)
{
    Reference<container::XIndexAccess> page(
        Reference<drawing::XDrawPageSupplier>(document, UNO_QUERY_THROW)->getDrawPage(),
        UNO_QUERY_THROW);
    Pictures objects;
    for (sal_Int32 i = 0; i < page->getCount(); ++i)
        objects.emplace_back(page->getByIndex(i), UNO_QUERY);
    return documentSealShapesAmong(objects);
}

/// Field seal pictures: text graphics marked "FieldStamper", by name (the field's name).
std::map<OUString, Reference<uno::XInterface>>
fieldSealGraphics(const Reference<frame::XModel>& document)
{
    Reference<container::XNameAccess> graphics
        = Reference<text::XTextGraphicObjectsSupplier>(document, UNO_QUERY_THROW)
              ->getGraphicObjects();
    std::map<OUString, Reference<uno::XInterface>> byName;
    for (const OUString& name : graphics->getElementNames())
    {
        Reference<beans::XPropertySet> graphic(graphics->getByName(name), UNO_QUERY);
        if (graphic.is() && getShapeType(graphic) == ascii(texts::kFieldSealMark))
            byName[name] = graphic;
    }
    return byName;
}

/// A field as its markers say (see FieldMarkerSet: the last start marker's signature decides,
/// as in getFieldSignature; the text lies between the first start and the first end marker).
struct MarkedField
{
    OUString name;
    FieldMarkerSet markers;
};

/// Every field with a start marker, in the order the document lists their first start markers.
std::vector<MarkedField> markedFields(const Reference<frame::XModel>& document)
{
    const OUString startSuffix = ascii(texts::kFieldStartSuffix);
    const OUString endSuffix = ascii(texts::kFieldEndSuffix);
    std::map<OUString, FieldMarkerSet> markers;
    std::vector<OUString> started;
    forEachContentField(
        document, [&](const Reference<beans::XPropertySet>& marker, const OUString& content) {
            const bool isStart = content.endsWith(startSuffix);
            if (!isStart && !content.endsWith(endSuffix))
                return true;
            const OUString name = content.copy(
                0, content.getLength() - (isStart ? startSuffix : endSuffix).getLength());
            FieldMarkerSet& field = markers[name];
            if (isStart && field.starts == 0)
                started.push_back(name);
            field.add(marker, isStart);
            return true;
        });
    std::vector<MarkedField> fields;
    for (const OUString& name : started)
        fields.push_back(MarkedField{ name, markers[name] });
    return fields;
}

SurveyedSeal surveyed(SurveyedSeal::Kind kind, const OUString& name, const SealJudgement& judgement,
                      Pictures pictures)
{
    SurveyedSeal seal;
    seal.kind = kind;
    seal.name = name;
    seal.valid = judgement.valid;
    seal.checked = judgement.checked;
    seal.reason = judgement.reason;
    seal.scope = judgement.scope;
    seal.changed = judgement.changed;
    seal.organisation = judgement.organisation;
    seal.sealId = judgement.sealId;
    seal.pictures = std::move(pictures);
    return seal;
}

/// A picture that claims to be a seal with no signature behind it.
SurveyedSeal unsigned_(SurveyedSeal::Kind kind, const OUString& name, Pictures pictures)
{
    SealJudgement judgement = unverifiable(fromUtf8(texts::kSealContentLost));
    judgement.changed = { CoveragePart::Pictures };
    return surveyed(kind, name, judgement, std::move(pictures));
}

/// The document's parts as they are now, read once for all its seals and only if one asks.
class CurrentParts
{
public:
    CurrentParts(const Reference<uno::XComponentContext>& context,
                 const Reference<frame::XModel>& document)
        : context(context)
        , document(document)
    {
    }
    std::function<PartDigests()> reader()
    {
        return [this] {
            if (!parts)
                parts = readDocumentCoverage(context, document);
            return *parts;
        };
    }
    /// Lays the document out once for all its seals, then reads it anew.
    std::function<bool()> settler()
    {
        return [this] {
            if (settled)
                return false;
            settled = true;
            if (!layOutWholly(document))
                return false;
            parts.reset();
            return true;
        };
    }

private:
    Reference<uno::XComponentContext> context;
    Reference<frame::XModel> document;
    std::optional<PartDigests> parts;
    bool settled = false;
};

SealSubject documentSubject(const Reference<frame::XModel>& document, const OUString& text,
                            CurrentParts& current)
{
    SealSubject subject;
    subject.scope = CoverageManifest::Scope::Document;
    subject.text = text;
    subject.currentParts = current.reader();
    subject.settle = current.settler();
    subject.lossyFormat = lostFieldMasters(document);
    return subject;
}

std::optional<SurveyedSeal> judgeDocumentSeal(SealLibraryBinding& sealLibrary,
                                              const Reference<uno::XComponentContext>& context,
                                              const Reference<frame::XModel>& document,
                                              const OUString& text, CurrentParts& current,
                                              Pictures pictures)
{
    const OUString signatureField = ascii(texts::kDocumentSignatureField);
    const OUString signature = readUserMaster(document, signatureField).value_or(OUString());
    if (signature.isEmpty())
    {
        if (pictures.empty())
            return std::nullopt;
        return unsigned_(SurveyedSeal::Kind::Document, OUString(), std::move(pictures));
    }
    SealSubject subject = documentSubject(document, text, current);
    subject.signature = signature;
    subject.coverage = readUserMaster(document, signatureField + ascii(texts::kCoverageSuffix));
    subject.pictures = pictures;
    return surveyed(SurveyedSeal::Kind::Document, OUString(),
                    judgeSealLibrarySeal(sealLibrary, context, subject), std::move(pictures));
}

void markPictures(const std::vector<SurveyedSeal>& seals)
{
    for (const SurveyedSeal& seal : seals)
        for (const Reference<uno::XInterface>& picture : seal.pictures)
        {
            if (seal.kind == SurveyedSeal::Kind::Field)
                markFieldSealPicture(picture, !seal.valid);
            else
                markDocumentSealPicture(picture, !seal.valid);
        }
}
}

OUString kindName(SurveyedSeal::Kind kind)
{
    switch (kind)
    {
        case SurveyedSeal::Kind::Document:
            return ascii(texts::kSurveyDocumentSeal);
        case SurveyedSeal::Kind::Certificate:
            return ascii(texts::kSurveyCertificateSeal);
        case SurveyedSeal::Kind::Field:
            break;
    }
    return ascii(texts::kSurveyFieldSeal);
}

std::map<OUString, Pictures> sealShapesByName(const Reference<frame::XModel>& document)
{
    return documentSealShapes(document);
}

Pictures fieldSealPictures(const Reference<frame::XModel>& document, const OUString& fieldName)
{
    std::map<OUString, Reference<uno::XInterface>> graphics = fieldSealGraphics(document);
    auto found = graphics.find(fieldName);
    return found == graphics.end() ? Pictures() : Pictures{ found->second };
}

namespace
{
Pictures withoutCertificateSeals(const Reference<frame::XModel>& document,
                                 std::map<OUString, Pictures> sealShapes)
{
    for (const OUString& name : certificateSealNames(userMasterNames(document)))
        sealShapes.erase(name);
    Pictures pictures;
    for (auto& [name, shapes] : sealShapes)
        pictures.insert(pictures.end(), shapes.begin(), shapes.end());
    return pictures;
}
}

std::vector<Reference<uno::XInterface>>
documentSealPictures(const Reference<frame::XModel>& document)
{
    return withoutCertificateSeals(document, documentSealShapes(document));
}

std::vector<Reference<uno::XInterface>>
documentSealPicturesAmong(const Reference<frame::XModel>& document,
                          const std::vector<Reference<uno::XInterface>>& sealPictures)
{
    return withoutCertificateSeals(document, documentSealShapesAmong(sealPictures));
}

std::optional<SurveyedSeal> surveyDocumentSeal(const Reference<uno::XComponentContext>& context,
                                               const Reference<frame::XModel>& document)
{
    SealLibraryBinding sealLibrary;
    CurrentParts current(context, document);
    return judgeDocumentSeal(sealLibrary, context, document, documentText(document), current,
                             documentSealPictures(document));
}

std::vector<SurveyedSeal> surveySeals(const Reference<uno::XComponentContext>& context,
                                      const Reference<frame::XModel>& document, bool mark)
{
    using Kind = SurveyedSeal::Kind;
    SealLibraryBinding sealLibrary;
    const OUString text = documentText(document);
    CurrentParts current(context, document);
    std::map<OUString, Pictures> sealShapes = documentSealShapes(document);
    std::vector<SurveyedSeal> seals;

    // Certificate seals first: their pictures carry their names, the others are the document's.
    std::vector<SurveyedSeal> certificateSeals;
    const std::vector<OUString> certificateNames = certificateSealNames(userMasterNames(document));
    if (!certificateNames.empty())
    {
        const int status = startCertificateLibrary();
        for (const OUString& name : certificateNames)
        {
            Pictures pictures;
            if (auto found = sealShapes.find(name); found != sealShapes.end())
            {
                pictures = std::move(found->second);
                sealShapes.erase(found);
            }
            SealSubject subject = documentSubject(document, text, current);
            subject.signature
                = readUserMaster(document, name + ascii(texts::kSignSuffix)).value_or(OUString());
            subject.certificate
                = readUserMaster(document, name + ascii(texts::kCertSuffix)).value_or(OUString());
            subject.coverage = readUserMaster(document, name + ascii(texts::kCoverageSuffix));
            subject.pictures = pictures;
            const SealJudgement judgement
                = status != 0
                      ? unverifiable(fromUtf8(texts::kInitializeFailed) + OUString::number(status))
                      : judgeCertificateSeal(context, subject);
            certificateSeals.push_back(
                surveyed(Kind::Certificate, name, judgement, std::move(pictures)));
        }
    }

    Pictures documentPictures;
    for (auto& [name, pictures] : sealShapes)
        documentPictures.insert(documentPictures.end(), pictures.begin(), pictures.end());
    if (std::optional<SurveyedSeal> seal = judgeDocumentSeal(sealLibrary, context, document, text,
                                                             current, std::move(documentPictures)))
        seals.push_back(std::move(*seal));
    seals.insert(seals.end(), certificateSeals.begin(), certificateSeals.end());

    std::map<OUString, Reference<uno::XInterface>> fieldGraphics = fieldSealGraphics(document);
    const bool lossyFormat = lostFieldMasters(document);
    for (const MarkedField& field : markedFields(document))
    {
        Pictures pictures;
        if (auto found = fieldGraphics.find(field.name); found != fieldGraphics.end())
        {
            pictures.push_back(found->second);
            fieldGraphics.erase(found);
        }
        const OUString signature = field.markers.signature();
        if (signature.isEmpty())
        {
            if (!pictures.empty())
                seals.push_back(unsigned_(Kind::Field, field.name, std::move(pictures)));
            continue;
        }
        // As in verifyField: repeated markers leave no one region the signature could be for.
        if (field.markers.repeated())
        {
            seals.push_back(surveyed(Kind::Field, field.name,
                                     unverifiable(fromUtf8(texts::kFieldMarkersRepeated)),
                                     std::move(pictures)));
            continue;
        }
        const SealSubject subject
            = fieldSubject(context, document, field.name, field.markers, pictures, lossyFormat);
        seals.push_back(surveyed(Kind::Field, field.name,
                                 judgeSealLibrarySeal(sealLibrary, context, subject),
                                 std::move(pictures)));
    }
    for (auto& [name, graphic] : fieldGraphics)
        seals.push_back(unsigned_(Kind::Field, name, Pictures{ graphic }));

    if (mark)
    {
        UntracedChanges untraced(document);
        markPictures(seals);
    }
    return seals;
}

SealSubject fieldSubject(const Reference<uno::XComponentContext>& context,
                         const Reference<frame::XModel>& document, const OUString& name,
                         const FieldMarkerSet& markers,
                         const std::vector<Reference<uno::XInterface>>& pictures, bool lossyFormat)
{
    SealSubject subject;
    subject.scope = CoverageManifest::Scope::Field;
    const Reference<text::XTextRange> region = markers.range();
    subject.text = region.is() ? region->getString() : OUString();
    subject.signature = markers.signature();
    subject.coverage = readUserMaster(document, name + ascii(texts::kFieldCoverageSuffix));
    subject.pictures = pictures;
    subject.currentParts = [context, region] { return readRegionCoverage(context, region); };
    subject.settle = [document] { return layOutWholly(document); };
    subject.lossyFormat = lossyFormat;
    return subject;
}

uno::Sequence<Quillmark::Certificate::SealSurveyEntry>
QORVHelper::surveySeals(sal_Bool markPictures)
{
    return withDeclaredExceptions([&]() {
        uno::Sequence<Quillmark::Certificate::SealSurveyEntry> entries;
        Reference<frame::XModel> document = model();
        if (!document.is())
            return entries;
        const std::vector<SurveyedSeal> seals
            = quillmark::surveySeals(componentContext, document, markPictures);
        entries.realloc(static_cast<sal_Int32>(seals.size()));
        auto* entry = entries.getArray();
        for (const SurveyedSeal& seal : seals)
        {
            entry->Kind = kindName(seal.kind);
            entry->Name = seal.name;
            entry->Valid = seal.valid;
            entry->Reason = seal.reason;
            entry->Pictures = uno::Sequence<Reference<uno::XInterface>>(
                seal.pictures.data(), static_cast<sal_Int32>(seal.pictures.size()));
            entry->Scope
                = ascii(seal.scope == SealJudgement::Scope::Document ? "document" : "text");
            entry->Changed.realloc(static_cast<sal_Int32>(seal.changed.size()));
            for (size_t i = 0; i < seal.changed.size(); ++i)
                entry->Changed.getArray()[i] = ascii(partKey(seal.changed[i]));
            entry->Organisation = seal.organisation;
            entry->SealId = seal.sealId;
            ++entry;
        }
        return entries;
    });
}
}

namespace quillmark
{
OUString QORVHelper::certificateSealCoverage(const OUString& sealName)
{
    return withDeclaredExceptions([&]() -> OUString {
        Reference<frame::XModel> document = model();
        if (!document.is())
            return OUString();
        CoverageManifest manifest;
        manifest.parts = readDocumentCoverage(componentContext, document);
        // Nothing the token signs carries the picture: each place names its picture's content.
        manifest.seals = placesOf(componentContext, sealShapesByName(document)[sealName], true);
        const std::string text = manifestText(manifest);
        return OUString(text.c_str(), static_cast<sal_Int32>(text.size()),
                        RTL_TEXTENCODING_ASCII_US);
    });
}
}
