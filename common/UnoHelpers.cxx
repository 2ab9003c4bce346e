#include <common/UnoHelpers.hxx>

#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <cstring>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
// The old standard flags; NOCOMPOSITE no longer has an effect.
static_assert(kToBytesFlags
              == (OUSTRING_TO_OSTRING_CVTFLAGS | RTL_UNICODETOTEXT_FLAGS_NOCOMPOSITE));
static_assert(kToUnicodeFlags == OSTRING_TO_OUSTRING_CVTFLAGS);
static_assert(kGbkEncoding == RTL_TEXTENCODING_GBK);

OString toGbk(const OUString& text) { return OUStringToOString(text, kGbkEncoding, kToBytesFlags); }

std::optional<OString> toGbkExactly(const OUString& text)
{
    constexpr sal_uInt32 kRefuseLoss
        = RTL_UNICODETOTEXT_FLAGS_UNDEFINED_ERROR | RTL_UNICODETOTEXT_FLAGS_INVALID_ERROR;
    OString bytes;
    if (text.convertToString(&bytes, kGbkEncoding, kRefuseLoss) && bytes.indexOf('\0') < 0
        && fromGbk(bytes.getStr(), bytes.getLength()) == text)
        return bytes;
    return std::nullopt;
}

OUString firstCharacterWithoutGbkForm(const OUString& text)
{
    if (toGbkExactly(text))
        return OUString();
    for (sal_Int32 index = 0; index < text.getLength();)
    {
        const sal_Int32 start = index;
        text.iterateCodePoints(&index);
        const OUString character = text.copy(start, index - start);
        if (!toGbkExactly(character))
            return character;
    }
    return OUString();
}

OUString fromGbk(const char* bytes, sal_Int32 length)
{
    return OUString(bytes, length, kGbkEncoding, kToUnicodeFlags);
}

OUString fromGbkBounded(const char* bytes, sal_Int32 capacity)
{
    const void* end = std::memchr(bytes, 0, capacity);
    sal_Int32 length = end ? static_cast<const char*>(end) - bytes : capacity;
    return fromGbk(bytes, length);
}

OUString fromUtf8(const char* text) { return OUString::fromUtf8(text); }

OUString ascii(const char* name) { return OUString::createFromAscii(name); }

Reference<frame::XModel> documentModel(const Reference<frame::XFrame>& frame)
{
    if (!frame.is())
        return {};
    Reference<frame::XController> controller = frame->getController();
    if (!controller.is())
        return {};
    return controller->getModel();
}

Reference<uno::XInterface> currentSelection(const Reference<frame::XFrame>& frame)
{
    Reference<frame::XModel> model = documentModel(frame);
    if (!model.is())
        throw uno::RuntimeException("the frame shows no document");
    return model->getCurrentSelection();
}

Reference<uno::XInterface> createService(const Reference<uno::XComponentContext>& context,
                                         const OUString& serviceName)
{
    if (!context.is())
        return {};
    Reference<lang::XMultiComponentFactory> manager = context->getServiceManager();
    if (!manager.is())
        return {};
    return manager->createInstanceWithContext(serviceName, context);
}

Reference<uno::XInterface> createService(const Reference<uno::XComponentContext>& context,
                                         const char* serviceName)
{
    return createService(context, ascii(serviceName));
}

bool offersService(const Reference<uno::XInterface>& object, const char* service)
{
    Reference<lang::XServiceInfo> info(object, UNO_QUERY);
    return info.is() && info->supportsService(ascii(service));
}

uno::Any getProperty(const Reference<uno::XInterface>& object, const char* name)
{
    Reference<beans::XPropertySet> properties(object, UNO_QUERY_THROW);
    return properties->getPropertyValue(ascii(name));
}

void setProperty(const Reference<uno::XInterface>& object, const char* name, const uno::Any& value)
{
    Reference<beans::XPropertySet> properties(object, UNO_QUERY_THROW);
    properties->setPropertyValue(ascii(name), value);
}

OUString getStringProperty(const Reference<uno::XInterface>& object, const char* name)
{
    OUString value;
    getProperty(object, name) >>= value;
    return value;
}
}
