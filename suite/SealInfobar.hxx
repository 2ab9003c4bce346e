/// The one line over a document that says what its seals' verification found.
#pragma once

#include <Quillmark/Certificate/XQORVTools.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <optional>
#include <rtl/ustring.hxx>
#include <vector>

namespace quillmark::suite
{
namespace css = com::sun::star;

struct InvalidSeal
{
    rtl::OUString name;
    rtl::OUString reason;
};

struct SealVerdicts
{
    sal_Int32 total = 0;
    std::vector<InvalidSeal> invalid;
};

/// "All N seals valid", or how many are valid and which are not, with why.
rtl::OUString verdictLine(const SealVerdicts& verdicts);

/// Puts the line over the document, or replaces the line shown there.
void showSealVerdict(const css::uno::Reference<css::frame::XController>& controller,
                     const rtl::OUString& line, bool valid);

/// Verifies every seal of the document through the helper, marking their pictures and keeping
/// the document's modified state; none when the helper cannot survey or the survey failed (the
/// line then says so).
std::optional<SealVerdicts>
surveySeals(const css::uno::Reference<Quillmark::Certificate::XQORVTools>& tools,
            const css::uno::Reference<css::frame::XModel>& document,
            rtl::OUString* failure = nullptr);
}
