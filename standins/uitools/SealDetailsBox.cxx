#include "SealDetailsBox.hxx"

#include "DialogBuilder.hxx"

#include <common/DeclaredExceptions.hxx>

#include <cppuhelper/supportsservice.hxx>
#include <string>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using rtl::OUString;

namespace quillmark::uitools
{
namespace
{
constexpr char kClose[] = u8"关闭";
// The seal's red, and a dark grey for a seal that is not valid.
constexpr sal_Int32 kValidColour = 0xC00000;
constexpr sal_Int32 kInvalidColour = 0x333333;
}

SealDetailsBox::SealDetailsBox(const Reference<uno::XComponentContext>& context)
    : componentContext(context)
{
}

OUString SealDetailsBox::implementationName()
{
    return "Quillmark.Implementations.UITools.SealDetailsBox";
}

Sequence<OUString> SealDetailsBox::serviceNames()
{
    const OUString name("Quillmark.UITools.SealDetailsBox");
    return Sequence<OUString>(&name, 1);
}

void SealDetailsBox::initialize(const Sequence<Any>& arguments)
{
    if (arguments.hasElements())
        arguments[0] >>= frame;
}

void SealDetailsBox::setTitle(const OUString& value) { title = value; }
void SealDetailsBox::setPicture(const Sequence<sal_Int8>& gif) { picture = gif; }
void SealDetailsBox::setDetails(const Sequence<beans::StringPair>& value) { details = value; }

void SealDetailsBox::setVerdict(sal_Bool isValid, const OUString& text)
{
    valid = isValid;
    verdict = text;
}

void SealDetailsBox::execute()
{
    withDeclaredExceptions([this] { show(); });
}

void SealDetailsBox::show()
{
    // Wide enough for a validity period of two full times on one line.
    constexpr sal_Int32 kWidth = 330;
    constexpr sal_Int32 kLineHeight = 12;
    const sal_Int32 linesHeight = details.getLength() * kLineHeight;
    const sal_Int32 height = std::max<sal_Int32>(100, 36 + linesHeight) + 30;
    DialogBuilder dialog(componentContext, title, kWidth, height);
    dialog.addImageBytes("picture", picture, 8, 8, 80, 80, !valid);
    dialog.addLabel("verdict", verdict, 96, 8, kWidth - 104, 20, true,
                    valid ? kValidColour : kInvalidColour);
    sal_Int32 y = 32;
    for (sal_Int32 index = 0; index < details.getLength(); ++index)
    {
        const std::string name = "detail" + std::to_string(index);
        dialog.addLabel((name + "Caption").c_str(), details[index].First, 96, y, 52);
        dialog.addLabel(name.c_str(), details[index].Second, 150, y, kWidth - 158);
        y += kLineHeight;
    }
    dialog.addClose(OUString::fromUtf8(kClose));
    dialog.execute(frame.is() ? Reference<awt::XWindowPeer>(frame->getContainerWindow(), UNO_QUERY)
                              : Reference<awt::XWindowPeer>());
}

OUString SealDetailsBox::getImplementationName() { return implementationName(); }

sal_Bool SealDetailsBox::supportsService(const OUString& name)
{
    return cppu::supportsService(this, name);
}

Sequence<OUString> SealDetailsBox::getSupportedServiceNames() { return serviceNames(); }
}
