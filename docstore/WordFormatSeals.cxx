// Word formats keep a seal's picture and name but lose its marks: after a .docx or .doc round
// trip the seal comes back as an ordinary picture in the text named "Stamper", and its signature
// only in the document's user-defined properties (see SignatureFields.cxx). Such pictures are
// turned back into seals, so that they can be selected, verified and marked again: a certificate
// seal where the picture's description names a seal whose two fields the document keeps, else
// the document seal.

#include <docstore/DocstoreTexts.hxx>
#include <format/ShapeAttributes.hxx>
#include <format/WordFormats.hxx>

#include <common/OfficeNames.hxx>
#include <common/OfficeConstants.hxx>
#include <component/QORVHelper.hxx>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/util/XModifiable.hpp>
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
/// "Stamper", or "Stamper" and a number where a Word format's import made the names unique.
bool isSealPictureName(const OUString& name)
{
    const OUString sealName = ascii(texts::kSealShapeName);
    if (!name.startsWith(sealName))
        return false;
    for (sal_Int32 i = sealName.getLength(); i < name.getLength(); ++i)
        if (name[i] < '0' || name[i] > '9')
            return false;
    return true;
}

/// Pictures in the text that a Word format made of document seals.
std::vector<Reference<beans::XPropertySet>> importedSeals(const Reference<frame::XModel>& document)
{
    Reference<container::XNameAccess> graphics
        = Reference<text::XTextGraphicObjectsSupplier>(document, UNO_QUERY_THROW)
              ->getGraphicObjects();
    std::vector<Reference<beans::XPropertySet>> found;
    for (const OUString& name : graphics->getElementNames())
    {
        if (!isSealPictureName(name))
            continue;
        Reference<beans::XPropertySet> picture(graphics->getByName(name), UNO_QUERY_THROW);
        // A field seal or a picture that still has its marks is what it says it is.
        if (getShapeType(picture).isEmpty())
            found.push_back(picture);
    }
    return found;
}

void copyProperty(const Reference<beans::XPropertySet>& from,
                  const Reference<beans::XPropertySet>& to, const char* name)
{
    to->setPropertyValue(ascii(name), from->getPropertyValue(ascii(name)));
}
}

void QORVHelper::restoreSealsFromWordFormat()
{
    Reference<frame::XModel> document = model();
    if (!document.is())
        return;
    const std::vector<Reference<beans::XPropertySet>> pictures = importedSeals(document);
    if (pictures.empty())
        return;
    const bool documentSigned = hasUserField(ascii(texts::kDocumentSignatureField));
    Reference<util::XModifiable> modifiable(document, UNO_QUERY);
    const bool wasModified = modifiable.is() && modifiable->isModified();
    Reference<lang::XMultiServiceFactory> factory(document, UNO_QUERY_THROW);
    for (const Reference<beans::XPropertySet>& picture : pictures)
    {
        const OUString certificateSeal = readAlternativeText(picture);
        const bool isCertificateSeal = !certificateSeal.isEmpty()
                                       && hasUserField(certificateSeal + ascii(texts::kCertSuffix))
                                       && hasUserField(certificateSeal + ascii(texts::kSignSuffix));
        if (!isCertificateSeal && !documentSigned)
            continue;
        // The seal goes where the picture was: at its anchor, with its orientation.
        Reference<text::XTextRange> anchor
            = Reference<text::XTextContent>(picture, UNO_QUERY_THROW)->getAnchor();
        Reference<beans::XPropertySet> seal(
            factory->createInstance(ascii(texts::kGraphicObjectShape)), UNO_QUERY_THROW);
        seal->setPropertyValue("Graphic", picture->getPropertyValue("Graphic"));
        copyProperty(picture, seal, "AnchorType");
        anchor->getText()->insertTextContent(
            anchor, Reference<text::XTextContent>(seal, UNO_QUERY_THROW), false);
        for (const char* orientation :
             { "HoriOrient", "HoriOrientRelation", "HoriOrientPosition", "VertOrient",
               "VertOrientRelation", "VertOrientPosition", "GraphicColorMode" })
            copyProperty(picture, seal, orientation);
        awt::Size size;
        picture->getPropertyValue("Size") >>= size;
        Reference<drawing::XShape>(seal, UNO_QUERY_THROW)->setSize(size);
        seal->setPropertyValue("Name", Any(ascii(texts::kSealShapeName)));
        seal->setPropertyValue("TextWrap", Any(kWrapThrough));
        seal->setPropertyValue("Surround", Any(kWrapThrough));
        seal->setPropertyValue("MoveProtect", Any(true));
        seal->setPropertyValue("SizeProtect", Any(true));
        seal->setPropertyValue("Opaque", Any(true));
        setShapeType(seal, ascii(texts::kDocumentSealMark));
        if (isCertificateSeal)
        {
            setStamperName(seal, certificateSeal);
            writeAlternativeText(seal, certificateSeal);
        }
        Reference<lang::XComponent>(picture, UNO_QUERY_THROW)->dispose();
    }
    // Reading a document in is no change the user made.
    if (modifiable.is() && !wasModified)
        modifiable->setModified(false);
}
}

namespace quillmark
{
bool QORVHelper::prepareSealsForSaving(const OUString& filterName)
{
    Reference<frame::XModel> document = model();
    if (!document.is() || !hasUserField(ascii(texts::kDocumentSignatureField)))
        return true;
    if (!formatKeepsSeals(filterName))
    {
        showMessage(fromUtf8(texts::kFormatLosesSeals));
        return false;
    }
    if (!isWordFormat(filterName))
        return true;
    // A picture carrying text makes this office write a .docx it cannot open again, and a .doc
    // without the picture: the caption goes, the black and white verdict stays, and the next
    // verification writes it again.
    Reference<container::XIndexAccess> page(
        Reference<drawing::XDrawPageSupplier>(document, UNO_QUERY_THROW)->getDrawPage(),
        UNO_QUERY_THROW);
    for (sal_Int32 i = 0; i < page->getCount(); ++i)
    {
        Reference<beans::XPropertySet> shape(page->getByIndex(i), UNO_QUERY);
        if (offersService(shape, texts::kGraphicObjectShape)
            && getShapeType(shape) == ascii(texts::kDocumentSealMark))
        {
            Reference<text::XText> caption(shape, UNO_QUERY_THROW);
            if (!caption->getString().isEmpty())
                caption->setString(OUString());
        }
    }
    return true;
}
}
