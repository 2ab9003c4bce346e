// Stamping: the document text is signed with the electronic seal, the signature is kept in the
// document, and the seal's picture takes the place of the selected stamping area.

#include <operations/OperationTexts.hxx>
#include <operations/PictureBlock.hxx>
#include <operations/SignatureArea.hxx>

#include <docstore/DocstoreTexts.hxx>
#include <common/PicturePaths.hxx>
#include <common/DeclaredExceptions.hxx>
#include <component/QORVHelper.hxx>
#include <libraries/SealKeyCustody.hxx>
#include <libraries/SealLibraryBinding.hxx>
#include <format/CoverageManifest.hxx>
#include <docstore/DocumentCoverage.hxx>
#include <operations/FixedFields.hxx>

#include <operations/SealJudgement.hxx>
#include <operations/SealSurvey.hxx>
#include <docstore/SignatureFields.hxx>
#include <com/sun/star/beans/UnknownPropertyException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/document/XRedlinesSupplier.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <algorithm>
#include <cstdio>
#include <osl/file.hxx>
#include <osl/thread.h>
#include <vector>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
constexpr int kSealArea = KTXESEAL_AREA_SIZE;
constexpr sal_Int32 kPictureScale = 24;

/// Whether the bytes start a GIF, as every seal picture is: a library that is absent or refused
/// the signature leaves nothing, or zero bytes, where the picture belongs.
bool isGifPicture(const unsigned char* bytes, size_t count)
{
    static const unsigned char gif87a[] = { 'G', 'I', 'F', '8', '7', 'a' };
    static const unsigned char gif89a[] = { 'G', 'I', 'F', '8', '9', 'a' };
    return count > sizeof gif87a
           && (std::equal(gif87a, gif87a + sizeof gif87a, bytes)
               || std::equal(gif89a, gif89a + sizeof gif89a, bytes));
}

/// Tracked changes not yet accepted or rejected.
bool hasPendingChanges(const Reference<frame::XModel>& document)
{
    Reference<document::XRedlinesSupplier> redlines(document, UNO_QUERY);
    return redlines.is() && redlines->getRedlines()->createEnumeration()->hasMoreElements();
}

bool writeFile(const OUString& url, const unsigned char* bytes, size_t count)
{
    OUString path;
    if (osl::FileBase::getSystemPathFromFileURL(url, path) != osl::FileBase::E_None)
        return false;
    FILE* file = std::fopen(OUStringToOString(path, osl_getThreadTextEncoding()).getStr(), "wb");
    if (!file)
        return false;
    const bool written = count == 0 || std::fwrite(bytes, 1, count, file) == count;
    return std::fclose(file) == 0 && written;
}
}

OUString QORVHelper::writeSealPictureFile(const OUString& pictureName, const OUString& signature)
{
    SealLibraryBinding sealLibrary;
    const OString signatureBytes = toGbk(signature);
    std::vector<unsigned char> block(kSealArea, 0);
    int blockLength = kSealArea;
    const int pictureResult = sealLibrary.GetESealPic(
        signatureBytes.getStr(), signature.getLength(), block.data(), &blockLength);
    blockLength = std::clamp(blockLength, 0, kSealArea);

    int width = 0;
    int height = 0;
    sealLibrary.GetPicSize(block.data(), blockLength, &width, &height);
    sealPictureSize = awt::Size(width * kPictureScale, height * kPictureScale);

    const PicturePart picture = picturePart(block.data(), blockLength);
    const OUString url = sealPictureURL(getFilterDirectoryURL(), pictureName);
    if (pictureResult <= 0 || !isGifPicture(block.data() + picture.offset, picture.length)
        || !writeFile(url, block.data() + picture.offset, picture.length))
    {
        // Placement must not pick up an older picture of the same name.
        parsePictureURL(OUString());
        showErrorMessage(fromUtf8(texts::kSealPictureFailed));
        return OUString();
    }
    parsePictureURL(url);
    return url;
}

sal_Bool QORVHelper::stampDocument()
{
    return withDeclaredExceptions([&]() -> sal_Bool {
        SealLibraryBinding sealLibrary;
        SealKeyCustody custody(*this, sealLibrary, KTXESEAL_OPERATION_STAMP_DOCUMENT);
        Reference<frame::XModel> document = model();
        if (!document.is())
            return false;
        if (getDocumentText().isEmpty())
        {
            showMessage(fromUtf8(texts::kDocumentEmpty));
            return false;
        }
        // Nothing is signed or written unless there is a place for the seal.
        if (getSelectedStampType() != kStampArea)
        {
            showMessage(fromUtf8(texts::kNoStampAreaSelected));
            return false;
        }
        // The page shows another text with the changes shown than without them.
        if (hasPendingChanges(document))
        {
            showMessage(fromUtf8(texts::kPendingChanges));
            return false;
        }
        const Reference<uno::XInterface> stampArea = selection();

        // What a field shows today must be what it shows on any later day, under any name.
        FixedFields fixedFields(document);
        const OUString text = getDocumentText();
        // A character GBK cannot carry would be signed as "?", and could then be swapped for any
        // other such character without breaking the seal.
        const std::optional<OString> textBytes = toGbkExactly(text);
        if (!textBytes)
        {
            showMessage(fromUtf8(texts::kDocumentTextLossBefore)
                        + firstCharacterWithoutGbkForm(text)
                        + fromUtf8(texts::kDocumentTextLossAfter));
            return false;
        }
        std::vector<char> area = signatureArea();
        int signatureLength = 0;
        if (sealLibrary.SignESeal(textBytes->getStr(), rtl_str_getLength(textBytes->getStr()),
                                  area.data(), &signatureLength)
            <= 0)
            return false;

        const OUString signature = signatureInArea(area);
        if (signature.isEmpty())
        {
            showMessage(fromUtf8(texts::kFieldSigningFailed));
            // Only the current seal's own fields: another seal's differ in case at most.
            for (const char* suffix : { texts::kCertSuffix, texts::kSignSuffix,
                                        texts::kStamperSuffix, texts::kPostilSuffix })
                removeUserField(containerName + ascii(suffix));
            return false;
        }

        readStampAreaPosition();
        readStampAreaPage();
        // Everything else the page shows, signed by the same seal beside the text. The area
        // goes when the seal comes, so it is no part of what is signed.
        CoverageManifest manifest;
        std::vector<Reference<uno::XInterface>> sealPictures;
        manifest.parts = readDocumentCoverage(componentContext, document, stampArea, &sealPictures);
        manifest.seals
            = placesOf(componentContext, documentSealPicturesAmong(document, sealPictures), false);
        manifest.seals.push_back({ sealAnchorPage, sealPosition.X, sealPosition.Y, std::string() });
        custody.continueAs(KTXESEAL_OPERATION_COVER_DOCUMENT);
        const std::optional<OUString> coverage = signCoverage(sealLibrary, manifest);
        if (!coverage)
            return false;

        if (writeSealPictureFile(OUString(), signature).isEmpty())
            return false;
        // The seal, its signatures and the stamping area change together: a failed placement
        // leaves the area and the signatures as they were.
        const OUString signatureField = ascii(texts::kDocumentSignatureField);
        const OUString coverageField = signatureField + ascii(texts::kCoverageSuffix);
        const std::optional<OUString> previousSignature = readUserMaster(document, signatureField);
        const std::optional<OUString> previousCoverage = readUserMaster(document, coverageField);
        auto restore = [&] {
            restoreUserMaster(document, signatureField, previousSignature);
            restoreUserMaster(document, coverageField, previousCoverage);
        };
        writeDocumentSignature(signature);
        writeUserMaster(document, coverageField, *coverage);
        bool placed = false;
        try
        {
            placed = placeSealPicture();
        }
        catch (const uno::Exception&)
        {
            restore();
            throw;
        }
        if (!placed)
        {
            restore();
            return false;
        }
        if (!removeStampArea(stampArea))
            return false;
        fixedFields.keep();
        if (fixedFields.count() > 0)
            showMessage(fromUtf8(texts::kFieldsFixedBefore) + OUString::number(fixedFields.count())
                        + fromUtf8(texts::kFieldsFixedAfter));
        return true;
    });
}
}
