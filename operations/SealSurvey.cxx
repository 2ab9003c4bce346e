// The seal survey: what a reader of a stored document needs to know about every seal in it, by
// the very checks the seal operations make.

#include "SealSurvey.hxx"

#include "FieldMarkers.hxx"
#include "OperationTexts.hxx"

#include <ComponentTexts.hxx>
#include <DeclaredExceptions.hxx>
#include <QORVHelper.hxx>
#include <DocstoreTexts.hxx>
#include <DocumentText.hxx>
#include <LibraryTexts.hxx>
#include <SealLibraryBinding.hxx>
#include <SealVerdict.hxx>
#include <ShapeAttributes.hxx>
#include <SignatureFields.hxx>
#include <ValidityMarking.hxx>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/document/XUndoManager.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/util/XModifiable.hpp>

#include <map>
#include <set>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
using Pictures = std::vector<Reference<uno::XInterface>>;
using Outcome = SealVerdict::Outcome;

/// Seal pictures on the draw page ("ShapeType" "Stamper"), by their "StamperName".
std::map<OUString, Pictures> documentSealShapes(const Reference<frame::XModel>& document)
{
    Reference<container::XIndexAccess> page(
        Reference<drawing::XDrawPageSupplier>(document, UNO_QUERY_THROW)->getDrawPage(),
        UNO_QUERY_THROW);
    std::map<OUString, Pictures> byName;
    for (sal_Int32 i = 0; i < page->getCount(); ++i)
    {
        Reference<uno::XInterface> shape(page->getByIndex(i), UNO_QUERY);
        if (!offersService(shape, texts::kGraphicObjectShape))
            continue;
        Reference<beans::XPropertySet> properties(shape, UNO_QUERY_THROW);
        if (getShapeType(properties) == ascii(texts::kDocumentSealMark))
            byName[getStamperName(properties)].push_back(shape);
    }
    return byName;
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

SurveyedSeal surveyed(SurveyedSeal::Kind kind, const OUString& name, const SealVerdict& verdict,
                      const char* validText, const char* changedText, Pictures pictures)
{
    SurveyedSeal seal;
    seal.kind = kind;
    seal.name = name;
    seal.valid = verdict.valid();
    switch (verdict.outcome)
    {
        case Outcome::Valid:
            seal.reason = fromUtf8(validText);
            break;
        case Outcome::Changed:
            seal.reason = fromUtf8(changedText);
            break;
        case Outcome::Refused:
        case Outcome::Unverifiable:
            seal.reason = verdict.reason;
            break;
    }
    seal.pictures = std::move(pictures);
    return seal;
}

/// A picture that claims to be a seal with no signature behind it.
SurveyedSeal unsigned_(SurveyedSeal::Kind kind, const OUString& name, Pictures pictures)
{
    return surveyed(kind, name,
                    SealVerdict{ Outcome::Unverifiable, fromUtf8(texts::kSealContentLost) }, "", "",
                    std::move(pictures));
}

/// Marks without leaving a trace: no undo step, and the modified state as it was.
class UntracedChanges
{
public:
    explicit UntracedChanges(const Reference<frame::XModel>& document)
        : modifiable(document, UNO_QUERY)
        , wasModified(modifiable.is() && modifiable->isModified())
    {
        Reference<css::document::XUndoManagerSupplier> supplier(document, UNO_QUERY);
        if (supplier.is())
            undo = supplier->getUndoManager();
        if (undo.is())
            undo->lock();
    }
    ~UntracedChanges()
    {
        try
        {
            if (undo.is())
                undo->unlock();
            if (modifiable.is() && !wasModified)
                modifiable->setModified(false);
        }
        catch (const uno::Exception&)
        {
            // A document that went away while marking has no state left to restore.
        }
    }
    UntracedChanges(const UntracedChanges&) = delete;
    UntracedChanges& operator=(const UntracedChanges&) = delete;

private:
    Reference<util::XModifiable> modifiable;
    bool wasModified;
    Reference<css::document::XUndoManager> undo;
};

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

std::vector<SurveyedSeal> surveySeals(const Reference<frame::XModel>& document, bool mark)
{
    using Kind = SurveyedSeal::Kind;
    SealLibraryBinding sealLibrary;
    const OUString text = documentText(document);
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
            const SealVerdict verdict
                = status != 0
                      ? SealVerdict{ Outcome::Unverifiable,
                                     fromUtf8(texts::kInitializeFailed) + OUString::number(status) }
                      : checkCertificateSignature(
                          readUserMaster(document, name + ascii(texts::kSignSuffix))
                              .value_or(OUString()),
                          readUserMaster(document, name + ascii(texts::kCertSuffix))
                              .value_or(OUString()),
                          text);
            Pictures pictures;
            if (auto found = sealShapes.find(name); found != sealShapes.end())
            {
                pictures = std::move(found->second);
                sealShapes.erase(found);
            }
            certificateSeals.push_back(surveyed(Kind::Certificate, name, verdict,
                                                texts::kDocumentUnchanged, texts::kDocumentModified,
                                                std::move(pictures)));
        }
    }

    Pictures documentPictures;
    for (auto& [name, pictures] : sealShapes)
        documentPictures.insert(documentPictures.end(), pictures.begin(), pictures.end());
    const OUString signature
        = readUserMaster(document, ascii(texts::kDocumentSignatureField)).value_or(OUString());
    if (!signature.isEmpty())
        seals.push_back(surveyed(
            Kind::Document, OUString(), checkSealLibrarySignature(sealLibrary, text, signature),
            texts::kDocumentUnchanged, texts::kDocumentModified, std::move(documentPictures)));
    else if (!documentPictures.empty())
        seals.push_back(unsigned_(Kind::Document, OUString(), std::move(documentPictures)));
    seals.insert(seals.end(), certificateSeals.begin(), certificateSeals.end());

    std::map<OUString, Reference<uno::XInterface>> fieldGraphics = fieldSealGraphics(document);
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
        const SealVerdict verdict
            = field.markers.repeated()
                  ? SealVerdict{ SealVerdict::Outcome::Refused,
                                 fromUtf8(texts::kFieldMarkersRepeated) }
                  : checkSealLibrarySignature(sealLibrary, field.markers.text(), signature);
        seals.push_back(surveyed(Kind::Field, field.name, verdict, texts::kFieldUnchanged,
                                 texts::kFieldModified, std::move(pictures)));
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

uno::Sequence<Quillmark::Certificate::SealSurveyEntry>
QORVHelper::surveySeals(sal_Bool markPictures)
{
    return withDeclaredExceptions([&]() {
        uno::Sequence<Quillmark::Certificate::SealSurveyEntry> entries;
        Reference<frame::XModel> document = model();
        if (!document.is())
            return entries;
        const std::vector<SurveyedSeal> seals = quillmark::surveySeals(document, markPictures);
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
            ++entry;
        }
        return entries;
    });
}
}
