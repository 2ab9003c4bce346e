// A seal-library signature is valid when the library accepts it for the text, both in GBK.

#include "LibraryTexts.hxx"
#include "SealLibraryBinding.hxx"
#include "SealVerdict.hxx"

#include <UnoHelpers.hxx>

namespace quillmark
{
SealVerdict checkSealLibrarySignature(SealLibraryBinding& sealLibrary, const OUString& text,
                                      const OUString& signature)
{
    // Signing refuses what GBK cannot carry exactly, so such a text is not what was signed, even
    // where its lossy bytes (a "?" for the character) match.
    OString textBytes;
    if (!toGbkExactly(text, textBytes))
        return { SealVerdict::Outcome::Changed, OUString() };
    const OString signatureBytes = toGbk(signature);
    const bool accepted
        = sealLibrary.ShowESealInfo(textBytes.getStr(), textBytes.getLength(),
                                    signatureBytes.getStr(), signatureBytes.getLength())
          != 0;
    if (accepted)
        return { SealVerdict::Outcome::Valid, OUString() };
    // The library answers 0 for a missing library too: that is no proof of a change.
    if (!SealLibraryBinding::loaded())
        return { SealVerdict::Outcome::Unverifiable, fromUtf8(texts::kSealLibraryUnavailable) };
    return { SealVerdict::Outcome::Changed, OUString() };
}
}
