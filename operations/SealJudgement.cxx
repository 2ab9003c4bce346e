// A seal is valid when every check that applies ran and passed: its signature over the text, the
// coverage beside it (signed by the same seal over everything else the reader sees), and the
// pictures on the page (the seal that signed, where it was stamped).

#include <operations/SealJudgement.hxx>

#include <operations/OperationTexts.hxx>
#include <operations/PictureBlock.hxx>
#include <operations/SignatureArea.hxx>

#include <docstore/DocumentCoverage.hxx>
#include <libraries/SealLibraryBinding.hxx>
#include <common/UnoHelpers.hxx>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <rtl/ustrbuf.hxx>

#include <algorithm>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;

namespace quillmark
{
namespace
{
using Outcome = SealVerdict::Outcome;
using Pictures = std::vector<Reference<uno::XInterface>>;

OUString changedText(const char* verdict, const std::vector<CoveragePart>& parts)
{
    rtl::OUStringBuffer text(fromUtf8(verdict));
    if (parts.empty())
        return text.makeStringAndClear();
    text.append(fromUtf8(texts::kChangedPartsOpen));
    for (size_t i = 0; i < parts.size(); ++i)
    {
        if (i > 0)
            text.append(fromUtf8(texts::kChangedPartsSeparator));
        text.append(fromUtf8(partLabel(parts[i])));
    }
    text.append(fromUtf8(texts::kChangedPartsClose));
    return text.makeStringAndClear();
}

const char* unchangedText(CoverageManifest::Scope scope)
{
    return scope == CoverageManifest::Scope::Field ? texts::kFieldUnchanged
                                                   : texts::kDocumentUnchanged;
}

const char* modifiedText(CoverageManifest::Scope scope)
{
    return scope == CoverageManifest::Scope::Field ? texts::kFieldModified
                                                   : texts::kDocumentModified;
}

/// The content digest of the seal picture a signature carries; "" when it carries none.
std::string signedPictureDigest(SealLibraryBinding& sealLibrary,
                                const Reference<uno::XComponentContext>& context,
                                const OUString& signature)
{
    const OString signatureBytes = toGbk(signature);
    std::vector<unsigned char> block(KTXESEAL_AREA_SIZE, 0);
    int blockLength = KTXESEAL_AREA_SIZE;
    if (sealLibrary.GetESealPic(signatureBytes.getStr(), signatureBytes.getLength(), block.data(),
                                &blockLength)
        <= 0)
        return std::string();
    blockLength = std::clamp(blockLength, 0, KTXESEAL_AREA_SIZE);
    const PicturePart picture = picturePart(block.data(), blockLength);
    if (picture.length == 0)
        return std::string();
    return pictureFileDigest(
        context,
        uno::Sequence<sal_Int8>(reinterpret_cast<const sal_Int8*>(block.data() + picture.offset),
                                static_cast<sal_Int32>(picture.length)));
}

std::string pictureDigestOf(const Reference<uno::XComponentContext>& context,
                            const Reference<uno::XInterface>& picture)
{
    return graphicDigest(context,
                         Reference<graphic::XGraphic>(getProperty(picture, "Graphic"), UNO_QUERY));
}

/// What the stored coverage says of the document as it is now.
struct CoverageCheck
{
    enum class Outcome
    {
        Absent,  ///< the seal carries none
        Refused, ///< it carries one that vouches for nothing; `reason` says why
        Unchanged,
        Changed
    };
    Outcome outcome = Outcome::Absent;
    std::vector<CoveragePart> changed;
    OUString reason;
};

/// Compares a coverage whose signature has been checked with the document.
CoverageCheck compareCoverage(const Reference<uno::XComponentContext>& context,
                              const SealSubject& subject, const CoverageManifest& manifest,
                              bool picturesInPlaces)
{
    CoverageCheck check;
    if (manifest.scope != subject.scope)
        return { CoverageCheck::Outcome::Refused, {}, fromUtf8(texts::kCoverageRefused) };
    auto compare = [&] {
        check.changed = changedParts(manifest.parts, subject.currentParts());
        // A seal whose pictures are all gone (removed by right) claims no place on the page.
        if (subject.scope == CoverageManifest::Scope::Document && !subject.pictures.empty()
            && !samePlaces(manifest.seals, placesOf(context, subject.pictures, picturesInPlaces))
            && std::find(check.changed.begin(), check.changed.end(), CoveragePart::Pictures)
                   == check.changed.end())
            check.changed.push_back(CoveragePart::Pictures);
    };
    compare();
    if (!check.changed.empty() && subject.settle && subject.settle())
        compare();
    check.outcome = check.changed.empty() ? CoverageCheck::Outcome::Unchanged
                                          : CoverageCheck::Outcome::Changed;
    return check;
}

/// The verdict from the checks' outcomes, in the order a reader must hear them: a signature that
/// vouches for nothing first, then a picture that is not the signer's, then what changed.
SealJudgement compose(const SealSubject& subject, const SealVerdict& text,
                      const CoverageCheck& coverage, std::optional<OUString> pictureProblem)
{
    // A format that lost what the coverage covers leaves the text's verdict, said as such.
    const bool coverageLost = subject.lossyFormat
                              && (coverage.outcome == CoverageCheck::Outcome::Refused
                                  || coverage.outcome == CoverageCheck::Outcome::Changed);
    SealJudgement judgement;
    // What the seal speaks for, valid or not: all a reader sees once a signed coverage was read.
    if (!coverageLost
        && (coverage.outcome == CoverageCheck::Outcome::Unchanged
            || coverage.outcome == CoverageCheck::Outcome::Changed))
        judgement.scope = SealJudgement::Scope::Document;
    if (text.outcome == Outcome::Refused || text.outcome == Outcome::Unverifiable)
    {
        judgement.checked = text.outcome == Outcome::Refused;
        judgement.reason = text.reason;
        return judgement;
    }
    if (pictureProblem)
    {
        judgement.changed = { CoveragePart::Pictures };
        judgement.reason = *pictureProblem;
        return judgement;
    }
    if (coverage.outcome == CoverageCheck::Outcome::Refused && !coverageLost)
    {
        judgement.reason = coverage.reason;
        return judgement;
    }
    std::vector<CoveragePart> changed;
    if (coverage.outcome == CoverageCheck::Outcome::Changed && !coverageLost)
        changed = coverage.changed;
    if (text.outcome == Outcome::Changed
        && std::find(changed.begin(), changed.end(), CoveragePart::Body) == changed.end())
        changed.insert(changed.begin(), CoveragePart::Body);
    if (!changed.empty())
    {
        judgement.changed = changed;
        judgement.reason = changedText(modifiedText(subject.scope), changed);
        return judgement;
    }
    judgement.valid = true;
    if (coverage.outcome == CoverageCheck::Outcome::Unchanged)
    {
        judgement.reason = fromUtf8(unchangedText(subject.scope));
        return judgement;
    }
    judgement.reason = fromUtf8(texts::kTextOnlyValid);
    if (coverageLost)
        judgement.reason += fromUtf8(texts::kWordFormatTextOnly);
    return judgement;
}
}

std::optional<SealSigner> sealSignerOf(SealLibraryBinding& sealLibrary, const OUString& signature)
{
    const OString bytes = toGbk(signature);
    std::vector<char> sealId(KTXESEAL_SIGNER_TEXT_SIZE, 0);
    std::vector<char> organisation(KTXESEAL_SIGNER_TEXT_SIZE, 0);
    std::vector<char> fingerprint(KTXESEAL_SIGNER_TEXT_SIZE, 0);
    if (sealLibrary.GetESealSigner(bytes.getStr(), bytes.getLength(), sealId.data(),
                                   KTXESEAL_SIGNER_TEXT_SIZE, organisation.data(),
                                   KTXESEAL_SIGNER_TEXT_SIZE, fingerprint.data(),
                                   KTXESEAL_SIGNER_TEXT_SIZE)
        == 0)
        return std::nullopt;
    auto text = [](const std::vector<char>& area) {
        return OString(area.data(), static_cast<sal_Int32>(strnlen(area.data(), area.size())));
    };
    SealSigner signer{ OStringToOUString(text(sealId), RTL_TEXTENCODING_UTF8),
                       OStringToOUString(text(organisation), RTL_TEXTENCODING_UTF8),
                       text(fingerprint) };
    if (signer.fingerprint.isEmpty())
        return std::nullopt;
    return signer;
}

std::vector<SealPlace> placesOf(const Reference<uno::XComponentContext>& context,
                                const Pictures& pictures, bool withPictures)
{
    std::vector<SealPlace> places;
    for (const Reference<uno::XInterface>& picture : pictures)
    {
        SealPlace place;
        sal_Int16 page = 0;
        getProperty(picture, "AnchorPageNo") >>= page;
        place.page = page;
        // A seal is placed by its position on the page, which the office keeps with the drawing
        // shape itself; its orientation attributes follow that only once it is laid out.
        if (Reference<drawing::XShape> shape{ picture, UNO_QUERY }; shape.is())
        {
            const awt::Point at = shape->getPosition();
            place.x = at.X;
            place.y = at.Y;
        }
        else
        {
            getProperty(picture, "HoriOrientPosition") >>= place.x;
            getProperty(picture, "VertOrientPosition") >>= place.y;
        }
        if (withPictures)
            place.picture = pictureDigestOf(context, picture);
        places.push_back(place);
    }
    return places;
}

std::optional<OUString> signCoverage(SealLibraryBinding& sealLibrary,
                                     const CoverageManifest& manifest)
{
    const std::string text = manifestText(manifest);
    std::vector<char> area = signatureArea();
    int signatureLength = 0;
    if (sealLibrary.SignESeal(text.c_str(), static_cast<int>(text.size()), area.data(),
                              &signatureLength)
        <= 0)
        return std::nullopt;
    const OUString signature = signatureInArea(area);
    if (signature.isEmpty())
        return std::nullopt;
    const std::string stored = storedCoverageText(
        manifest, OUStringToOString(signature, RTL_TEXTENCODING_ASCII_US).getStr());
    return OUString(stored.c_str(), static_cast<sal_Int32>(stored.size()),
                    RTL_TEXTENCODING_ASCII_US);
}

SealJudgement unverifiable(const OUString& reason)
{
    SealJudgement judgement;
    judgement.checked = false;
    judgement.reason = reason;
    return judgement;
}

SealJudgement judgeSealLibrarySeal(SealLibraryBinding& sealLibrary,
                                   const Reference<uno::XComponentContext>& context,
                                   const SealSubject& subject)
{
    const SealVerdict text
        = checkSealLibrarySignature(sealLibrary, subject.text, subject.signature);
    const std::optional<SealSigner> signer = sealSignerOf(sealLibrary, subject.signature);

    std::optional<OUString> pictureProblem;
    if (!subject.pictures.empty() && text.outcome != Outcome::Unverifiable)
    {
        const std::string signedPicture
            = signedPictureDigest(sealLibrary, context, subject.signature);
        for (const Reference<uno::XInterface>& picture : subject.pictures)
            if (signedPicture.empty() || pictureDigestOf(context, picture) != signedPicture)
                pictureProblem = signer ? fromUtf8(texts::kPictureNotTheSignersBefore)
                                              + signer->organisation
                                              + fromUtf8(texts::kPictureNotTheSignersAfter)
                                        : fromUtf8(texts::kPictureUnreadable);
    }

    CoverageCheck coverage;
    if (subject.coverage)
    {
        const std::optional<StoredCoverage> stored = parseStoredCoverage(
            OUStringToOString(*subject.coverage, RTL_TEXTENCODING_UTF8).getStr());
        const OString coverageSignature = stored ? OString(stored->signature.c_str()) : OString();
        const std::optional<SealSigner> coverageSigner
            = stored ? sealSignerOf(sealLibrary,
                                    OStringToOUString(coverageSignature, RTL_TEXTENCODING_ASCII_US))
                     : std::nullopt;
        if (!stored
            || sealLibrary.ShowESealInfo(stored->signedText.c_str(),
                                         static_cast<int>(stored->signedText.size()),
                                         coverageSignature.getStr(), coverageSignature.getLength())
                   == 0)
            coverage = { CoverageCheck::Outcome::Refused, {}, fromUtf8(texts::kCoverageRefused) };
        else if (!signer || !coverageSigner || coverageSigner->fingerprint != signer->fingerprint)
            coverage
                = { CoverageCheck::Outcome::Refused, {}, fromUtf8(texts::kCoverageOfAnotherSeal) };
        else
            // The signature carries the picture; the places alone are compared.
            coverage = compareCoverage(context, subject, stored->manifest, false);
    }

    SealJudgement judgement = compose(subject, text, coverage, pictureProblem);
    if (signer)
    {
        judgement.organisation = signer->organisation;
        judgement.sealId = signer->sealId;
    }
    return judgement;
}

SealJudgement judgeCertificateSeal(const Reference<uno::XComponentContext>& context,
                                   const SealSubject& subject)
{
    const SealVerdict text
        = checkCertificateSignature(subject.signature, subject.certificate, subject.text);
    CoverageCheck coverage;
    if (subject.coverage)
    {
        const std::optional<StoredCoverage> stored = parseStoredCoverage(
            OUStringToOString(*subject.coverage, RTL_TEXTENCODING_UTF8).getStr());
        // The coverage must carry exactly its manifest under the certificate the seal names,
        // which the check of the text has tied to the signer.
        const SealVerdict signedManifest
            = stored
                  ? checkCertificateSignature(OUString::createFromAscii(stored->signature.c_str()),
                                              subject.certificate,
                                              OUString::createFromAscii(stored->signedText.c_str()))
                  : SealVerdict{ Outcome::Refused, OUString() };
        if (!signedManifest.valid())
            coverage = { CoverageCheck::Outcome::Refused, {}, fromUtf8(texts::kCoverageRefused) };
        else
            // Nothing signed carries the picture: the coverage holds its digest.
            coverage = compareCoverage(context, subject, stored->manifest, true);
    }
    return compose(subject, text, coverage, std::nullopt);
}
}
