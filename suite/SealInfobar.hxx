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

/// One seal as the line names it.
struct JudgedSeal
{
    /// Whose seal: the organisation that signed, or the seal's name where the signature does
    /// not tell.
    rtl::OUString label;
    bool valid = false;
    /// Valid for everything a reader sees, not for the text alone.
    bool wholeDocument = false;
    rtl::OUString reason;
};

struct SealVerdicts
{
    std::vector<JudgedSeal> seals;
    /// For each seal, whether it is a field's.
    std::vector<bool> fieldSeal;

    bool allValid() const;
    bool allWhole() const;
};

/// How a line looks: green when every seal vouches for everything, amber when some vouch for
/// their text alone, red when any is invalid.
enum class VerdictTone
{
    Valid,
    TextOnly,
    Invalid
};

/// "All N seals valid: whose", or how many are valid and which are not, with why.
rtl::OUString verdictLine(const SealVerdicts& verdicts);
VerdictTone verdictTone(const SealVerdicts& verdicts);

/// The line of details behind the infobar's button: each seal, whose it is, and its verdict.
rtl::OUString sealListText(const SealVerdicts& verdicts);

/// Puts the line over the document, or replaces the line shown there, with a button that lists
/// the seals' details.
void showSealVerdict(const css::uno::Reference<css::frame::XController>& controller,
                     const rtl::OUString& line, VerdictTone tone);

/// Verifies every seal of the document through the helper, with `markPictures` marking their
/// pictures and keeping the document's modified state; none when the helper cannot survey or
/// the survey failed (the line then says so).
std::optional<SealVerdicts>
surveySeals(const css::uno::Reference<Quillmark::Certificate::XQORVTools>& tools,
            const css::uno::Reference<css::frame::XModel>& document, bool markPictures,
            rtl::OUString* failure = nullptr);
}
