// A seal-library signature is valid when the library accepts it for the text, both in GBK.

#include <libraries/LibraryTexts.hxx>
#include <libraries/SealLibraryBinding.hxx>
#include <libraries/SealVerdict.hxx>

#include <libraries/KTXESealDetails.h>
#include <common/UnoHelpers.hxx>

namespace quillmark
{
namespace
{
struct Refusal
{
    bool described = false;
    bool textChanged = false;
    OUString reason;
};

void keepRefusal(void* context, const KTXESealDetails* details)
{
    auto* refusal = static_cast<Refusal*>(context);
    if (!details || details->valid)
        return;
    refusal->described = true;
    refusal->textChanged = details->textChanged != 0;
    refusal->reason = details->verdict ? OUString::fromUtf8(details->verdict) : OUString();
}

/// Why the library refused: its answer to verification is a bare 0, its details window says why.
SealVerdict refusalOf(SealLibraryBinding& sealLibrary, const OString& text,
                      const OString& signature)
{
    Refusal refusal;
    if (sealLibrary.SetESealDetailsPresenter(keepRefusal, &refusal) == 0)
        return { SealVerdict::Outcome::Changed, OUString() };
    sealLibrary.ShowESealCert(text.getStr(), text.getLength(), signature.getStr(),
                              signature.getLength());
    sealLibrary.SetESealDetailsPresenter(nullptr, nullptr);
    if (!refusal.described || refusal.textChanged || refusal.reason.isEmpty())
        return { SealVerdict::Outcome::Changed, OUString() };
    return { SealVerdict::Outcome::Refused, refusal.reason };
}
}

SealVerdict checkSealLibrarySignature(SealLibraryBinding& sealLibrary, const OUString& text,
                                      const OUString& signature)
{
    // Signing refuses what GBK cannot carry exactly, so such a text is not what was signed, even
    // where its lossy bytes (a "?" for the character) match.
    const std::optional<OString> textBytes = toGbkExactly(text);
    if (!textBytes)
        return { SealVerdict::Outcome::Changed, OUString() };
    const OString signatureBytes = toGbk(signature);
    const bool accepted
        = sealLibrary.ShowESealInfo(textBytes->getStr(), textBytes->getLength(),
                                    signatureBytes.getStr(), signatureBytes.getLength())
          != 0;
    if (accepted)
        return { SealVerdict::Outcome::Valid, OUString() };
    // The library answers 0 for a missing library too: that is no proof of a change.
    if (!SealLibraryBinding::loaded())
        return { SealVerdict::Outcome::Unverifiable, fromUtf8(texts::kSealLibraryUnavailable) };
    return refusalOf(sealLibrary, *textBytes, signatureBytes);
}
}
