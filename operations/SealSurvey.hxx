/// Every seal of a document, verified by the checks the seal operations use, without a message.
#pragma once

#include <com/sun/star/frame/XModel.hpp>
#include <rtl/ustring.hxx>
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
    rtl::OUString reason;
    /// Draw shapes of document and certificate seals, the text graphic of a field seal.
    std::vector<css::uno::Reference<css::uno::XInterface>> pictures;
};

/// Finds and verifies the document seal, each certificate seal and each signed field. A seal
/// picture that no signature stands behind is reported as an invalid seal of its kind. With
/// `markPictures` every picture is marked with its seal's verdict; the document's modified state
/// and its undo history stay as they were.
std::vector<SurveyedSeal> surveySeals(const css::uno::Reference<css::frame::XModel>& document,
                                      bool markPictures);

/// "document", "certificate" or "field".
rtl::OUString kindName(SurveyedSeal::Kind kind);
}
