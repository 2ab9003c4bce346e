/// Every seal of a document, verified by the checks the seal operations use, without a message.
#pragma once

#include <operations/SealJudgement.hxx>

#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>
#include <map>
#include <optional>
#include <vector>

namespace quillmark
{
struct SurveyedSeal
{
    enum class Kind
    {
        Document,
        Certificate,
        Field
    };
    Kind kind = Kind::Document;
    /// The certificate seal's or the field's name; empty for the document seal.
    rtl::OUString name;
    bool valid = false;
    /// False when a check could not complete.
    bool checked = true;
    rtl::OUString reason;
    /// What a valid seal vouches for; which parts an invalid one found changed; whose seal.
    SealJudgement::Scope scope = SealJudgement::Scope::Text;
    std::vector<CoveragePart> changed;
    rtl::OUString organisation;
    rtl::OUString sealId;
    /// Draw shapes of document and certificate seals, the text graphic of a field seal.
    std::vector<css::uno::Reference<css::uno::XInterface>> pictures;
};

/// Finds and verifies the document seal, each certificate seal and each signed field. A seal
/// picture that no signature stands behind is reported as an invalid seal of its kind. With
/// `markPictures` every picture is marked with its seal's verdict; the document's modified state
/// and its undo history stay as they were.
std::vector<SurveyedSeal>
surveySeals(const css::uno::Reference<css::uno::XComponentContext>& context,
            const css::uno::Reference<css::frame::XModel>& document, bool markPictures);

/// The document seal alone, as the survey finds and judges it; none when the document carries
/// no document signature.
std::optional<SurveyedSeal>
surveyDocumentSeal(const css::uno::Reference<css::uno::XComponentContext>& context,
                   const css::uno::Reference<css::frame::XModel>& document);

struct FieldMarkerSet;
/// What a field seal stands on: the text between its markers, its signature and coverage.
SealSubject fieldSubject(const css::uno::Reference<css::uno::XComponentContext>& context,
                         const css::uno::Reference<css::frame::XModel>& document,
                         const rtl::OUString& name, const FieldMarkerSet& markers,
                         const std::vector<css::uno::Reference<css::uno::XInterface>>& pictures,
                         bool lossyFormat);

/// Pictures marked as document or certificate seals, by the seal name they carry.
std::map<rtl::OUString, std::vector<css::uno::Reference<css::uno::XInterface>>>
sealShapesByName(const css::uno::Reference<css::frame::XModel>& document);

/// The field's seal picture, where the document has one.
std::vector<css::uno::Reference<css::uno::XInterface>>
fieldSealPictures(const css::uno::Reference<css::frame::XModel>& document,
                  const rtl::OUString& fieldName);

/// The same among seal pictures already found (as a coverage reading finds them).
std::vector<css::uno::Reference<css::uno::XInterface>> documentSealPicturesAmong(
    const css::uno::Reference<css::frame::XModel>& document,
    const std::vector<css::uno::Reference<css::uno::XInterface>>& sealPictures);

/// The pictures of the document seal: the seal pictures no certificate seal names.
std::vector<css::uno::Reference<css::uno::XInterface>>
documentSealPictures(const css::uno::Reference<css::frame::XModel>& document);

/// "document", "certificate" or "field".
rtl::OUString kindName(SurveyedSeal::Kind kind);
}
