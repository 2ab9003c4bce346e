/// The verdict on one seal as a reader needs it: whether it is valid, what it vouches for (the
/// whole document or its text alone), which parts changed, and whose seal it is. It joins the
/// check of the signature over the text, the check of the coverage signed beside it, and the check
/// that the pictures on the page show the seal that signed.
#pragma once

#include <format/CoverageManifest.hxx>
#include <libraries/SealVerdict.hxx>

#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>

#include <functional>
#include <optional>
#include <vector>

namespace quillmark
{
class SealLibraryBinding;

struct SealJudgement
{
    /// What the seal speaks for: the verdict of a valid seal vouches for it, an invalid one
    /// found a change within it.
    enum class Scope
    {
        Document, ///< everything a reader sees (for a field: its text and formatting)
        Text      ///< the text alone: the seal carries no coverage, or the format lost it
    };
    bool valid = false;
    /// False when a check could not complete (no library, an unreadable signature): the seal is
    /// then invalid for want of proof, and `reason` says why.
    bool checked = true;
    Scope scope = Scope::Text;
    /// The parts that differ from what was signed, as the verdict names them.
    std::vector<CoveragePart> changed;
    /// The verdict in words.
    rtl::OUString reason;
    /// The seal that signed, where its signature tells.
    rtl::OUString organisation;
    rtl::OUString sealId;
};

/// Who made a seal-library signature; none when the library cannot read it.
struct SealSigner
{
    rtl::OUString sealId;
    rtl::OUString organisation;
    rtl::OString fingerprint;
};
std::optional<SealSigner> sealSignerOf(SealLibraryBinding& sealLibrary,
                                       const rtl::OUString& signature);

/// What one seal stands on in the document.
struct SealSubject
{
    /// A document seal (or a certificate seal), or a field seal.
    CoverageManifest::Scope scope = CoverageManifest::Scope::Document;
    /// The text the signature is over: the body string, or the field's text.
    rtl::OUString text;
    rtl::OUString signature;
    /// The certificate seal's "Cert" field; unused for seal-library seals.
    rtl::OUString certificate;
    /// The stored coverage, where the seal has one.
    std::optional<rtl::OUString> coverage;
    /// The seal's pictures in the document.
    std::vector<css::uno::Reference<css::uno::XInterface>> pictures;
    /// Reads the parts as the document shows them now; called only where a coverage is checked.
    std::function<PartDigests()> currentParts;
    /// Lays the whole document out and forgets what was read, where the office had left some of
    /// it to be laid out; false where nothing was left. The office keeps where a drawing shape
    /// lies only once it has laid it out: a document just opened or a seal just placed may read
    /// as elsewhere until then.
    std::function<bool()> settle;
    /// The document came from a format that keeps the body text but may lose what the coverage
    /// covers: a coverage that no longer matches then leaves the text's verdict alone.
    bool lossyFormat = false;
};

/// A document or field seal signed with the electronic-seal library.
SealJudgement judgeSealLibrarySeal(SealLibraryBinding& sealLibrary,
                                   const css::uno::Reference<css::uno::XComponentContext>& context,
                                   const SealSubject& subject);

/// A certificate seal; the certificate library must be started.
SealJudgement judgeCertificateSeal(const css::uno::Reference<css::uno::XComponentContext>& context,
                                   const SealSubject& subject);

/// A verdict for a check that could not run at all.
SealJudgement unverifiable(const rtl::OUString& reason);

/// The places of seal pictures on their pages; with `withPictures`, each with its content digest.
std::vector<SealPlace>
placesOf(const css::uno::Reference<css::uno::XComponentContext>& context,
         const std::vector<css::uno::Reference<css::uno::XInterface>>& pictures, bool withPictures);

/// The stored coverage of `manifest`, signed by the electronic-seal library with the current
/// seal; none when it does not sign.
std::optional<rtl::OUString> signCoverage(SealLibraryBinding& sealLibrary,
                                          const CoverageManifest& manifest);
}
