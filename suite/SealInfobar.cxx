#include "SealInfobar.hxx"

#include "SuiteTexts.hxx"

#include <com/sun/star/beans/StringPair.hpp>
#include <com/sun/star/frame/InfobarType.hpp>
#include <com/sun/star/frame/XInfobarProvider.hpp>
#include <rtl/ustrbuf.hxx>

#include <algorithm>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using rtl::OUString;

namespace quillmark::suite
{
bool SealVerdicts::allValid() const
{
    return std::all_of(seals.begin(), seals.end(),
                       [](const JudgedSeal& seal) { return seal.valid; });
}

bool SealVerdicts::allWhole() const
{
    return std::all_of(seals.begin(), seals.end(),
                       [](const JudgedSeal& seal) { return seal.wholeDocument; });
}

namespace
{
OUString utf8(const char* text) { return OUString::fromUtf8(text); }

/// A valid seal by name, said as vouching for its text alone where it does.
OUString validName(const JudgedSeal& seal)
{
    return seal.wholeDocument ? seal.label : seal.label + utf8(texts::kTextOnlyMark);
}

OUString invalidName(const JudgedSeal& seal)
{
    return seal.reason.isEmpty() ? seal.label
                                 : seal.label + utf8(texts::kSealReasonSeparator) + seal.reason;
}

OUString joined(const SealVerdicts& verdicts, bool valid, const char* separator)
{
    rtl::OUStringBuffer names;
    for (const JudgedSeal& seal : verdicts.seals)
    {
        if (seal.valid != valid)
            continue;
        if (!names.isEmpty())
            names.append(utf8(separator));
        names.append(valid ? validName(seal) : invalidName(seal));
    }
    return names.makeStringAndClear();
}
}

OUString verdictLine(const SealVerdicts& verdicts)
{
    const OUString total = OUString::number(static_cast<sal_Int64>(verdicts.seals.size()));
    if (verdicts.allValid())
        return utf8(texts::kAllSealsValid)
            .replaceAll("%1", total)
            .replaceAll("%2", joined(verdicts, true, texts::kSealListSeparator));
    const sal_Int64 valid = std::count_if(verdicts.seals.begin(), verdicts.seals.end(),
                                          [](const JudgedSeal& seal) { return seal.valid; });
    const OUString validNames = joined(verdicts, true, texts::kSealListSeparator);
    return utf8(texts::kSomeSealsInvalid)
        .replaceAll("%1", total)
        .replaceAll("%2", OUString::number(valid))
        .replaceAll("%3", validNames.isEmpty() ? OUString()
                                               : utf8(texts::kSealReasonOpen) + validNames
                                                     + utf8(texts::kSealReasonClose))
        .replaceAll("%4", joined(verdicts, false, texts::kInvalidSealSeparator));
}

VerdictTone verdictTone(const SealVerdicts& verdicts)
{
    if (!verdicts.allValid())
        return VerdictTone::Invalid;
    return verdicts.allWhole() ? VerdictTone::Valid : VerdictTone::TextOnly;
}

OUString sealListText(const SealVerdicts& verdicts)
{
    rtl::OUStringBuffer text;
    for (const JudgedSeal& seal : verdicts.seals)
    {
        if (!text.isEmpty())
            text.append('\n');
        text.append(seal.label + utf8(texts::kSealReasonSeparator) + seal.reason);
    }
    return text.makeStringAndClear();
}

void showSealVerdict(const Reference<frame::XController>& controller, const OUString& line,
                     VerdictTone tone)
{
    Reference<frame::XInfobarProvider> infobars(controller, UNO_QUERY);
    if (!infobars.is())
        return;
    const OUString id = OUString::createFromAscii(texts::kInfobarId);
    const OUString title = OUString::fromUtf8(texts::kInfobarTitle);
    const sal_Int32 type = tone == VerdictTone::Valid      ? frame::InfobarType::SUCCESS
                           : tone == VerdictTone::TextOnly ? frame::InfobarType::WARNING
                                                           : frame::InfobarType::DANGER;
    // The person may have closed the line: then it is put up anew, with its button.
    if (infobars->hasInfobar(id))
        infobars->updateInfobar(id, title, line, type);
    else
    {
        const beans::StringPair details(utf8(texts::kSealDetailsButton),
                                        OUString::createFromAscii(texts::kSealListCommand));
        infobars->appendInfobar(id, title, line, type, Sequence<beans::StringPair>(&details, 1),
                                true);
    }
}
}
