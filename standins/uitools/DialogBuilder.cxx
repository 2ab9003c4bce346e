#include "DialogBuilder.hxx"

#include <com/sun/star/awt/PushButtonType.hpp>
#include <com/sun/star/awt/XControl.hpp>
#include <com/sun/star/awt/XControlModel.hpp>
#include <com/sun/star/awt/XDialog.hpp>
#include <com/sun/star/awt/XToolkit.hpp>
#include <com/sun/star/awt/FontWeight.hpp>
#include <com/sun/star/awt/ImageScaleMode.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/graphic/XGraphicProvider.hpp>
#include <com/sun/star/graphic/XGraphicTransformer.hpp>
#include <com/sun/star/io/SequenceInputStream.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <osl/file.hxx>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace quillmark::uitools
{
namespace
{
Reference<uno::XInterface> create(const Reference<uno::XComponentContext>& context,
                                  const char* name)
{
    return context->getServiceManager()->createInstanceWithContext(OUString::createFromAscii(name),
                                                                   context);
}
}

DialogBuilder::DialogBuilder(const Reference<uno::XComponentContext>& context,
                             const OUString& title, sal_Int32 width, sal_Int32 height)
    : componentContext(context)
    , dialogWidth(width)
    , dialogHeight(height)
{
    Reference<beans::XPropertySet> dialog(create(context, "com.sun.star.awt.UnoControlDialogModel"),
                                          UNO_QUERY_THROW);
    dialog->setPropertyValue("PositionX", Any(sal_Int32(60)));
    dialog->setPropertyValue("PositionY", Any(sal_Int32(40)));
    dialog->setPropertyValue("Width", Any(width));
    dialog->setPropertyValue("Height", Any(height));
    dialog->setPropertyValue("Title", Any(title));
    controls.set(dialog, UNO_QUERY_THROW);
}

Reference<beans::XPropertySet> DialogBuilder::addControl(const char* service, const char* name,
                                                         sal_Int32 x, sal_Int32 y, sal_Int32 width,
                                                         sal_Int32 height)
{
    Reference<beans::XPropertySet> control(
        Reference<lang::XMultiServiceFactory>(controls, UNO_QUERY_THROW)
            ->createInstance(OUString::createFromAscii(service)),
        UNO_QUERY_THROW);
    control->setPropertyValue("PositionX", Any(x));
    control->setPropertyValue("PositionY", Any(y));
    control->setPropertyValue("Width", Any(width));
    control->setPropertyValue("Height", Any(height));
    controls->insertByName(OUString::createFromAscii(name), Any(control));
    return control;
}

void DialogBuilder::addLabel(const char* name, const OUString& text, sal_Int32 x, sal_Int32 y,
                             sal_Int32 width, sal_Int32 height)
{
    Reference<beans::XPropertySet> label
        = addControl("com.sun.star.awt.UnoControlFixedTextModel", name, x, y, width, height);
    label->setPropertyValue("Label", Any(text));
    // Labels show data (names, serial numbers, dates, messages): a "~" in them is text, and no
    // character of them may be underlined as a shortcut.
    label->setPropertyValue("NoLabel", Any(true));
}

void DialogBuilder::addLabel(const char* name, const OUString& text, sal_Int32 x, sal_Int32 y,
                             sal_Int32 width, sal_Int32 height, bool bold, sal_Int32 colour)
{
    Reference<beans::XPropertySet> label
        = addControl("com.sun.star.awt.UnoControlFixedTextModel", name, x, y, width, height);
    label->setPropertyValue("Label", Any(text));
    label->setPropertyValue("NoLabel", Any(true));
    label->setPropertyValue("MultiLine", Any(true));
    label->setPropertyValue("TextColor", Any(colour));
    if (bold)
        label->setPropertyValue("FontWeight", Any(awt::FontWeight::BOLD));
}

void DialogBuilder::addImageBytes(const char* name, const uno::Sequence<sal_Int8>& bytes,
                                  sal_Int32 x, sal_Int32 y, sal_Int32 width, sal_Int32 height,
                                  bool blackAndWhite)
{
    Reference<beans::XPropertySet> image
        = addControl("com.sun.star.awt.UnoControlImageControlModel", name, x, y, width, height);
    image->setPropertyValue("ScaleImage", Any(true));
    // Dialog units are not square: a round seal stretched to the box would turn oval.
    image->setPropertyValue("ScaleMode", Any(awt::ImageScaleMode::ISOTROPIC));
    if (!bytes.hasElements())
        return;
    beans::PropertyValue stream;
    stream.Name = "InputStream";
    stream.Value <<= io::SequenceInputStream::createStreamFromSequence(componentContext, bytes);
    Reference<graphic::XGraphicProvider> provider
        = graphic::GraphicProvider::create(componentContext);
    // A picture the office cannot read leaves the box without one.
    Reference<graphic::XGraphic> picture
        = provider->queryGraphic(uno::Sequence<beans::PropertyValue>(&stream, 1));
    Reference<graphic::XGraphicTransformer> transformer(picture, UNO_QUERY);
    if (blackAndWhite && transformer.is())
        picture = transformer->applyDuotone(picture, 0x000000, 0xFFFFFF);
    image->setPropertyValue("Graphic", Any(picture));
}

void DialogBuilder::addClose(const OUString& label)
{
    Reference<beans::XPropertySet> button
        = addControl("com.sun.star.awt.UnoControlButtonModel", "close", dialogWidth - 58,
                     dialogHeight - 20, 50, 14);
    button->setPropertyValue("Label", Any(label));
    button->setPropertyValue("PushButtonType", Any(sal_Int16(awt::PushButtonType_OK)));
    button->setPropertyValue("DefaultButton", Any(true));
}

void DialogBuilder::addEdit(const char* name, const OUString& text, sal_Int32 x, sal_Int32 y,
                            sal_Int32 width, sal_Int32 height, bool multiLine, bool echo)
{
    Reference<beans::XPropertySet> edit
        = addControl("com.sun.star.awt.UnoControlEditModel", name, x, y, width, height);
    edit->setPropertyValue("Text", Any(text));
    edit->setPropertyValue("MultiLine", Any(multiLine));
    if (echo)
        edit->setPropertyValue("EchoChar", Any(sal_Int16('*')));
}

void DialogBuilder::addImage(const char* name, const OUString& url, sal_Int32 x, sal_Int32 y,
                             sal_Int32 width, sal_Int32 height,
                             const Reference<graphic::XGraphic>& fallback)
{
    Reference<beans::XPropertySet> image
        = addControl("com.sun.star.awt.UnoControlImageControlModel", name, x, y, width, height);
    image->setPropertyValue("ScaleImage", Any(true));
    // Dialog units are not square: a round seal stretched to the box would turn oval.
    image->setPropertyValue("ScaleMode", Any(awt::ImageScaleMode::ISOTROPIC));
    osl::DirectoryItem file;
    if (fallback.is()
        && (url.isEmpty() || osl::DirectoryItem::get(url, file) != osl::FileBase::E_None))
        image->setPropertyValue("Graphic", Any(fallback));
    else
        image->setPropertyValue("ImageURL", Any(url));
}

void DialogBuilder::addOkCancel(const OUString& ok, const OUString& cancel)
{
    const sal_Int32 y = dialogHeight - 20;
    Reference<beans::XPropertySet> okButton
        = addControl("com.sun.star.awt.UnoControlButtonModel", "ok", dialogWidth - 110, y, 50, 14);
    okButton->setPropertyValue("Label", Any(ok));
    okButton->setPropertyValue("PushButtonType", Any(sal_Int16(awt::PushButtonType_OK)));
    okButton->setPropertyValue("DefaultButton", Any(true));
    Reference<beans::XPropertySet> cancelButton = addControl(
        "com.sun.star.awt.UnoControlButtonModel", "cancel", dialogWidth - 55, y, 50, 14);
    cancelButton->setPropertyValue("Label", Any(cancel));
    cancelButton->setPropertyValue("PushButtonType", Any(sal_Int16(awt::PushButtonType_CANCEL)));
}

bool DialogBuilder::execute(const Reference<awt::XWindowPeer>& parent)
{
    Reference<awt::XControl> dialog(create(componentContext, "com.sun.star.awt.UnoControlDialog"),
                                    UNO_QUERY_THROW);
    dialog->setModel(Reference<awt::XControlModel>(controls, UNO_QUERY_THROW));
    Reference<awt::XToolkit> toolkit(create(componentContext, "com.sun.star.awt.Toolkit"),
                                     UNO_QUERY_THROW);
    dialog->createPeer(toolkit, parent);
    const bool confirmed = Reference<awt::XDialog>(dialog, UNO_QUERY_THROW)->execute() == 1;
    // What was typed is taken before the dialog goes, and its model with it.
    for (const OUString& name : controls->getElementNames())
    {
        Reference<beans::XPropertySet> control(controls->getByName(name), UNO_QUERY_THROW);
        if (control->getPropertySetInfo()->hasPropertyByName("Text"))
            control->getPropertyValue("Text") >>= texts[name];
    }
    Reference<lang::XComponent>(dialog, UNO_QUERY_THROW)->dispose();
    return confirmed;
}

OUString DialogBuilder::text(const char* name) const
{
    auto found = texts.find(OUString::createFromAscii(name));
    return found == texts.end() ? OUString() : found->second;
}
}
