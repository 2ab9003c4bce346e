#include "SealInfobar.hxx"

#include "SuiteTexts.hxx"

#include <com/sun/star/beans/StringPair.hpp>
#include <com/sun/star/frame/InfobarType.hpp>
#include <com/sun/star/frame/XInfobarProvider.hpp>
#include <rtl/ustrbuf.hxx>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using rtl::OUString;

namespace quillmark::suite
{
OUString verdictLine(const SealVerdicts& verdicts)
{
    const OUString total = OUString::number(verdicts.total);
    if (verdicts.invalid.empty())
        return OUString::fromUtf8(texts::kAllSealsValid).replaceAll("%1", total);
    rtl::OUStringBuffer names;
    for (const InvalidSeal& seal : verdicts.invalid)
    {
        if (!names.isEmpty())
            names.append(OUString::fromUtf8(texts::kSealListSeparator));
        names.append(seal.name);
        if (!seal.reason.isEmpty())
            names.append(OUString::fromUtf8(texts::kSealReasonOpen) + seal.reason
                         + OUString::fromUtf8(texts::kSealReasonClose));
    }
    const sal_Int32 valid = verdicts.total - static_cast<sal_Int32>(verdicts.invalid.size());
    return OUString::fromUtf8(texts::kSomeSealsInvalid)
        .replaceAll("%1", total)
        .replaceAll("%2", OUString::number(valid))
        .replaceAll("%3", names.makeStringAndClear());
}

void showSealVerdict(const Reference<frame::XController>& controller, const OUString& line,
                     bool valid)
{
    Reference<frame::XInfobarProvider> infobars(controller, UNO_QUERY);
    if (!infobars.is())
        return;
    const OUString id = OUString::createFromAscii(texts::kInfobarId);
    const OUString title = OUString::fromUtf8(texts::kInfobarTitle);
    const sal_Int32 type = valid ? frame::InfobarType::SUCCESS : frame::InfobarType::DANGER;
    // The person may have closed the line: then it is put up anew.
    if (infobars->hasInfobar(id))
        infobars->updateInfobar(id, title, line, type);
    else
        infobars->appendInfobar(id, title, line, type, Sequence<beans::StringPair>(), true);
}
}
