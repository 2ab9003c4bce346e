/// The small pieces of UNO plumbing every room uses, so that the steps read as their algorithm.
#pragma once

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/uno/Reference.hxx>
#include <rtl/string.hxx>
#include <rtl/ustring.hxx>
#include <optional>

namespace quillmark
{
using rtl::OString;
using rtl::OUString;
namespace css = com::sun::star;

/// Text-encoding identifier of the Chinese GBK code page.
constexpr rtl_TextEncoding kGbkEncoding = 67;
/// The runtime's standard flags for Unicode-to-byte conversion (undefined characters replaced).
constexpr sal_uInt32 kToBytesFlags = 0x4566;
/// The runtime's standard flags for byte-to-Unicode conversion (never rejects a byte).
constexpr sal_uInt32 kToUnicodeFlags = 0x333;

/// Unicode text as GBK bytes; characters GBK lacks are replaced, never rejected.
OString toGbk(const OUString& text);
/// Unicode text as GBK bytes when GBK carries every character of it and the bytes give the same
/// text back; none otherwise. A zero character counts as lost too, since the libraries read text
/// up to its first zero byte.
std::optional<OString> toGbkExactly(const OUString& text);
/// The first character (a whole surrogate pair where there is one) that GBK does not carry
/// exactly; empty when there is none.
OUString firstCharacterWithoutGbkForm(const OUString& text);
/// GBK bytes as Unicode text.
OUString fromGbk(const char* bytes, sal_Int32 length);
/// GBK bytes up to the first zero byte, never reading past `capacity`.
OUString fromGbkBounded(const char* bytes, sal_Int32 capacity);
/// A UTF-8 literal of this program as Unicode text.
OUString fromUtf8(const char* text);
/// An ASCII name as Unicode text.
OUString ascii(const char* name);

/// The model shown in the frame, or empty when the frame has no controller or model.
css::uno::Reference<css::frame::XModel>
documentModel(const css::uno::Reference<css::frame::XFrame>& frame);
/// The current selection of the frame's model; throws when the frame has no model.
css::uno::Reference<css::uno::XInterface>
currentSelection(const css::uno::Reference<css::frame::XFrame>& frame);

/// A service of the context's service manager; empty when there is no context or manager, or
/// the manager knows no such service.
css::uno::Reference<css::uno::XInterface>
createService(const css::uno::Reference<css::uno::XComponentContext>& context,
              const OUString& serviceName);
css::uno::Reference<css::uno::XInterface>
createService(const css::uno::Reference<css::uno::XComponentContext>& context,
              const char* serviceName);

/// True when the object supports the service (asked through XServiceInfo).
bool offersService(const css::uno::Reference<css::uno::XInterface>& object, const char* service);

/// Reads a property; the office's UnknownPropertyException reaches the caller.
css::uno::Any getProperty(const css::uno::Reference<css::uno::XInterface>& object,
                          const char* name);
void setProperty(const css::uno::Reference<css::uno::XInterface>& object, const char* name,
                 const css::uno::Any& value);
/// A string property, or the empty string when the value is no string.
OUString getStringProperty(const css::uno::Reference<css::uno::XInterface>& object,
                           const char* name);
}
