// The seal check of a document that has just been opened, through the helper's survey.

#include "SealInfobar.hxx"
#include "SuiteTexts.hxx"

#include <Quillmark/Certificate/XSealSurvey.hpp>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using rtl::OUString;

namespace quillmark::suite
{
namespace
{
/// How the line names a seal: by the organisation that signed, and a field also by its name;
/// by the seal's own name, or the kind of a document seal, where the signature names nobody.
OUString sealLabel(const Quillmark::Certificate::SealSurveyEntry& entry)
{
    const bool field = entry.Kind.equalsAscii(texts::kFieldSealKind);
    const OUString fieldName
        = OUString::fromUtf8(texts::kFieldSealLabel).replaceAll("%1", entry.Name);
    if (!entry.Organisation.isEmpty())
        return field ? fieldName + OUString::fromUtf8(texts::kSealReasonOpen) + entry.Organisation
                           + OUString::fromUtf8(texts::kSealReasonClose)
                     : entry.Organisation;
    if (field)
        return fieldName;
    if (!entry.Name.isEmpty())
        return entry.Name;
    return OUString::fromUtf8(texts::kDocumentSealName);
}
}

std::optional<SealVerdicts> surveySeals(const Reference<Quillmark::Certificate::XQORVTools>& tools,
                                        const Reference<frame::XModel>& document, bool markPictures,
                                        OUString* failure)
{
    Reference<Quillmark::Certificate::XSealSurvey> survey(tools, UNO_QUERY);
    if (!survey.is() || !document.is())
        return std::nullopt;
    try
    {
        SealVerdicts verdicts;
        for (const auto& entry : survey->surveySeals(markPictures))
        {
            verdicts.seals.push_back(JudgedSeal{ sealLabel(entry), static_cast<bool>(entry.Valid),
                                                 entry.Scope.equalsAscii("document"),
                                                 entry.Reason });
            verdicts.fieldSeal.push_back(entry.Kind.equalsAscii(texts::kFieldSealKind));
        }
        return verdicts;
    }
    catch (const uno::Exception& exception)
    {
        if (failure)
            *failure = exception.Message;
        return std::nullopt;
    }
}
}
