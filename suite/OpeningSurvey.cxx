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
/// How the line names a seal: its own name, or the kind of a document seal, which has none.
OUString sealName(const Quillmark::Certificate::SealSurveyEntry& entry)
{
    if (!entry.Name.isEmpty())
        return entry.Name;
    return OUString::fromUtf8(texts::kDocumentSealName);
}
}

std::optional<SealVerdicts> surveySeals(const Reference<Quillmark::Certificate::XQORVTools>& tools,
                                        const Reference<frame::XModel>& document, OUString* failure)
{
    Reference<Quillmark::Certificate::XSealSurvey> survey(tools, UNO_QUERY);
    if (!survey.is() || !document.is())
        return std::nullopt;
    try
    {
        SealVerdicts verdicts;
        for (const auto& entry : survey->surveySeals(true))
        {
            ++verdicts.total;
            if (!entry.Valid)
                verdicts.invalid.push_back({ sealName(entry), entry.Reason });
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
