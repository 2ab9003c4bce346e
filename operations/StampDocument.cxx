// Stamping: the document text is signed with the electronic seal, the signature is kept in the
// document, and the seal's picture takes the place of the selected stamping area.

#include "OperationTexts.hxx"
#include "PictureBlock.hxx"
#include "SignatureArea.hxx"

#include <ComponentTexts.hxx>
#include <DocstoreTexts.hxx>
#include <PicturePaths.hxx>
#include <DeclaredExceptions.hxx>
#include <QORVHelper.hxx>
#include <SealLibraryBinding.hxx>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <algorithm>
#include <cstdio>
#include <osl/file.hxx>
#include <osl/thread.h>
#include <vector>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
constexpr int kSealArea = KTXESEAL_AREA_SIZE;
constexpr sal_Int32 kPictureScale = 24;

/// Disposes the current seal's own fields; a document signed by another seal keeps them.
void disposeSealFields(const Reference<frame::XModel>& document, const OUString& sealName)
{
    Reference<container::XNameAccess> masters
        = Reference<text::XTextFieldsSupplier>(document, UNO_QUERY_THROW)->getTextFieldMasters();
    for (const char* suffix :
         { texts::kCertSuffix, texts::kSignSuffix, texts::kStamperSuffix, texts::kPostilSuffix })
    {
        const OUString name = ascii(texts::kUserMasterPrefix) + sealName + ascii(suffix);
        if (masters->hasByName(name))
            Reference<lang::XComponent>(masters->getByName(name), UNO_QUERY_THROW)->dispose();
    }
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
    sealLibrary.GetESealPic(signatureBytes.getStr(), signature.getLength(), block.data(),
                            &blockLength);
    blockLength = std::clamp(blockLength, 0, kSealArea);

    int width = 0;
    int height = 0;
    sealLibrary.GetPicSize(block.data(), blockLength, &width, &height);
    sealPictureSize = awt::Size(width * kPictureScale, height * kPictureScale);

    const PicturePart picture = picturePart(block.data(), blockLength);
    const OUString url = getFilterDirectoryURL() + sealPictureFileName(pictureName);
    if (!writeFile(url, block.data() + picture.offset, picture.length))
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
        Reference<frame::XModel> document = model();
        if (!document.is())
            return false;
        const OUString text = getDocumentText();
        if (text.isEmpty())
        {
            showMessage(fromUtf8(texts::kDocumentEmpty));
            return false;
        }

        // A character GBK cannot carry would be signed as "?", and could then be swapped for any
        // other such character without breaking the seal.
        OString textBytes;
        if (!toGbkExactly(text, textBytes))
        {
            showMessage(fromUtf8(texts::kDocumentTextLossBefore)
                        + firstCharacterWithoutGbkForm(text)
                        + fromUtf8(texts::kDocumentTextLossAfter));
            return false;
        }
        std::vector<char> area = signatureArea();
        int signatureLength = 0;
        if (sealLibrary.SignESeal(textBytes.getStr(), rtl_str_getLength(textBytes.getStr()),
                                  area.data(), &signatureLength)
            <= 0)
            return false;

        const OUString signature = signatureInArea(area);
        if (signature.isEmpty())
        {
            showMessage(fromUtf8(texts::kFieldSigningFailed));
            disposeSealFields(document, containerName);
            return false;
        }

        writeDocumentSignature(signature);
        writeSealPictureFile(OUString(), signature);
        readStampAreaPosition();
        readStampAreaPage();
        if (!removeStampArea())
            return false;
        return placeSealPicture();
    });
}
}
