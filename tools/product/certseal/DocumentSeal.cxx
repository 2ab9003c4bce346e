#include "DocumentSeal.hxx"

#include <format/CoverageManifest.hxx>
#include <format/FormatNames.hxx>
#include <format/ShapeAttributes.hxx>
#include <format/UserMasters.hxx>

#include <common/OfficeNames.hxx>

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/text/TextContentAnchorType.hpp>
#include <com/sun/star/text/WrapTextMode.hpp>
#include <com/sun/star/text/XTextDocument.hpp>

#include <openssl/evp.h>
#include <stdexcept>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace quillmark::certseal
{
namespace
{
Reference<beans::XPropertySet> create(const Reference<frame::XModel>& model, const char* service)
{
    return Reference<beans::XPropertySet>(
        Reference<lang::XMultiServiceFactory>(model, UNO_QUERY_THROW)
            ->createInstance(OUString::createFromAscii(service)),
        UNO_QUERY_THROW);
}

OUString ascii(const char* text) { return OUString::createFromAscii(text); }
}

OUString documentText(const Reference<frame::XModel>& model)
{
    return Reference<text::XTextDocument>(model, UNO_QUERY_THROW)->getText()->getString();
}

std::optional<OUString> firstUserFieldEndingIn(const Reference<frame::XModel>& model,
                                               const OUString& suffix)
{
    for (const OUString& name : readableUserMasterNames(model))
        if (name.endsWith(suffix))
            return name;
    return std::nullopt;
}

std::vector<unsigned char> gbkBytes(const OUString& text)
{
    const rtl::OString bytes = rtl::OUStringToOString(text, RTL_TEXTENCODING_GBK, 0x4566);
    return std::vector<unsigned char>(bytes.getStr(), bytes.getStr() + bytes.getLength());
}

std::optional<std::vector<unsigned char>> exactGbkBytes(const OUString& text)
{
    rtl::OString bytes;
    if (!text.convertToString(&bytes, RTL_TEXTENCODING_GBK,
                              RTL_UNICODETOTEXT_FLAGS_UNDEFINED_ERROR
                                  | RTL_UNICODETOTEXT_FLAGS_INVALID_ERROR)
        || bytes.indexOf('\0') >= 0 || rtl::OStringToOUString(bytes, RTL_TEXTENCODING_GBK) != text)
        return std::nullopt;
    return std::vector<unsigned char>(bytes.getStr(), bytes.getStr() + bytes.getLength());
}

OUString base64Text(const std::vector<unsigned char>& bytes)
{
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), bytes.data(),
                                       static_cast<int>(bytes.size()));
    return OUString::createFromAscii(text.substr(0, static_cast<size_t>(length)).c_str());
}

void writeSignatureFields(const Reference<frame::XModel>& model, const OUString& sealName,
                          const std::vector<unsigned char>& certificate,
                          const std::vector<unsigned char>& signedData)
{
    writeUserMaster(model, sealName + ascii(texts::kCertSuffix), base64Text(certificate));
    writeUserMaster(model, sealName + ascii(texts::kSignSuffix), base64Text(signedData));
}

void writeCoverageField(const Reference<frame::XModel>& model, const OUString& sealName,
                        const std::string& manifest, const std::vector<unsigned char>& signedData)
{
    const std::string stored = quillmark::storedCoverageText(
        manifest, OUStringToOString(base64Text(signedData), RTL_TEXTENCODING_ASCII_US).getStr());
    writeUserMaster(
        model, sealName + ascii(texts::kCoverageSuffix),
        OUString(stored.c_str(), static_cast<sal_Int32>(stored.size()), RTL_TEXTENCODING_ASCII_US));
}

void placeSealShape(const Reference<frame::XModel>& model, const std::string& pictureUrl,
                    const SealPlacement& placement, const OUString& sealName)
{
    Reference<beans::XPropertySet> shape = create(model, texts::kGraphicObjectShape);
    Reference<drawing::XShape> shapeGeometry(shape, UNO_QUERY_THROW);
    Reference<drawing::XDrawPageSupplier>(model, UNO_QUERY_THROW)
        ->getDrawPage()
        ->add(shapeGeometry);

    try
    {
        shape->setPropertyValue("GraphicURL", Any(OUString::fromUtf8(pictureUrl.c_str())));
    }
    catch (const uno::RuntimeException&)
    {
        throw std::runtime_error("the office cannot read the seal picture " + pictureUrl);
    }
    shape->setPropertyValue("Name", Any(ascii(texts::kSealShapeName)));
    // Word formats keep a picture's description but not its attributes: it names the seal there.
    shape->setPropertyValue("Description", Any(sealName));
    shape->setPropertyValue("AnchorType", Any(text::TextContentAnchorType_AT_PAGE));
    shape->setPropertyValue("TextWrap", Any(text::WrapTextMode_THROUGH));
    shape->setPropertyValue("Surround", Any(text::WrapTextMode_THROUGH));
    shape->setPropertyValue("MoveProtect", Any(true));
    shape->setPropertyValue("SizeProtect", Any(true));
    shape->setPropertyValue("AnchorPageNo", Any(placement.page));
    shape->setPropertyValue("Opaque", Any(true));
    shapeGeometry->setPosition({ placement.x, placement.y });
    shapeGeometry->setSize({ placement.width, placement.height });

    writeShapeAttribute(shape, shapeAttributes(shape), texts::kShapeTypeKey,
                        ascii(texts::kDocumentSealMark));
    setStamperName(shape, sealName);
}
}
