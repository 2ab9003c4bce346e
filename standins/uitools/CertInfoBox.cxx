#include "CertInfoBox.hxx"

#include "DialogBuilder.hxx"

#include <common/DeclaredExceptions.hxx>
#include <common/SecretText.hxx>

#include <com/sun/star/awt/XWindowPeer.hpp>
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
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
OUString text(const char* utf8) { return OUString::fromUtf8(utf8); }

/// The certificate details the box shows: their entry in the list and their caption.
struct Detail
{
    sal_Int32 entry;
    const char* caption;
};
const Detail kDetails[] = {
    { 0, u8"版本" },     { 1, u8"序列号" }, { 2, u8"有效期自" },
    { 3, u8"有效期至" }, { 8, u8"颁发者" }, { 15, u8"国家" },
};
}

CertInfoBox::CertInfoBox(const Reference<uno::XComponentContext>& context)
    : componentContext(context)
{
}

CertInfoBox::~CertInfoBox() { quillmark::wipeSecret(pin); }

OUString CertInfoBox::implementationName()
{
    return "Quillmark.Implementations.UITools.CertInfoBox";
}

Sequence<OUString> CertInfoBox::serviceNames()
{
    const OUString name("Quillmark.UITools.CertInfoBox");
    return Sequence<OUString>(&name, 1);
}

void CertInfoBox::initialize(const Sequence<Any>& arguments)
{
    // The frame, and where the box will ask for a seal's PIN, that seal's name.
    for (const Any& argument : arguments)
    {
        Reference<frame::XFrame> given;
        beans::NamedValue named;
        if (argument >>= given)
            frame = given;
        else if ((argument >>= named) && named.Name == "PinOfSeal")
        {
            named.Value >>= sealName;
            pinOfSeal = true;
        }
    }
}

Reference<awt::XWindowPeer> CertInfoBox::parentWindow() const
{
    return frame.is() ? Reference<awt::XWindowPeer>(frame->getContainerWindow(), UNO_QUERY)
                      : Reference<awt::XWindowPeer>();
}

Reference<graphic::XGraphic> CertInfoBox::selectedPicture() const
{
    // A document sealed elsewhere brings its seal's picture on the page, not as a file here.
    Reference<frame::XController> controller = frame.is() ? frame->getController() : nullptr;
    Reference<frame::XModel> model = controller.is() ? controller->getModel() : nullptr;
    Reference<container::XIndexAccess> selection(
        model.is() ? model->getCurrentSelection() : nullptr, UNO_QUERY);
    if (!selection.is())
        return nullptr;
    for (sal_Int32 index = 0; index < selection->getCount(); ++index)
    {
        Reference<beans::XPropertySet> shape(selection->getByIndex(index), UNO_QUERY);
        Reference<graphic::XGraphic> picture;
        if (shape.is() && shape->getPropertySetInfo()->hasPropertyByName("Graphic")
            && (shape->getPropertyValue("Graphic") >>= picture) && picture.is())
            return picture;
    }
    return nullptr;
}

void CertInfoBox::execute()
{
    withDeclaredExceptions([this] { showCertificateBox(); });
}

void CertInfoBox::showCertificateBox()
{
    DialogBuilder dialog(componentContext, text(u8"印章信息"), 260, 190);
    dialog.addImage("picture", pictureUrl, 8, 8, 70, 70, selectedPicture());
    dialog.addLabel("message", message, 86, 8, 166, 20);
    dialog.addLabel("validity", text(modified ? u8"印章无效" : u8"印章有效"), 86, 30, 166);
    sal_Int32 y = 44;
    for (const Detail& detail : kDetails)
    {
        const OUString value
            = detail.entry < certInfo.getLength() ? certInfo[detail.entry] : OUString();
        const std::string name = "detail" + std::to_string(detail.entry);
        dialog.addLabel((name + "Caption").c_str(), text(detail.caption), 86, y, 50);
        dialog.addLabel(name.c_str(), value, 138, y, 114);
        y += 11;
    }
    dialog.addLabel("postilCaption", text(u8"批注"), 8, 116, 60);
    dialog.addEdit("postil", postil, 8, 128, 244, 36, true);
    dialog.addOkCancel(text(u8"确定"), text(u8"取消"));
    result = dialog.execute(parentWindow());
    if (result)
        postil = dialog.text("postil");
}

sal_Bool CertInfoBox::executePinDialog()
{
    return withDeclaredExceptions([this] { return askForPin(); });
}

bool CertInfoBox::askForPin()
{
    DialogBuilder dialog(componentContext, text(u8"输入口令"), 180, 70);
    // A seal's key has its own PIN, not the certificate token's: the clerk must know which.
    const OUString caption = !pinOfSeal ? text(u8"请输入证书口令：")
                             : sealName.isEmpty()
                                 ? text(u8"请输入印章口令：")
                                 : text(u8"请输入印章“") + sealName + text(u8"”的口令：");
    dialog.addLabel("caption", caption, 8, 10, 164);
    dialog.addEdit("pin", OUString(), 8, 24, 164, 12, false, true);
    dialog.addOkCancel(text(u8"确定"), text(u8"取消"));
    const bool confirmed = dialog.execute(parentWindow());
    // The dialog's own copy shares its characters: wiping one wipes both.
    OUString typed = dialog.text("pin");
    quillmark::wipeSecret(pin);
    if (!confirmed)
    {
        quillmark::wipeSecret(typed);
        return false;
    }
    pin = typed;
    return true;
}

void CertInfoBox::setMessage(const OUString& value) { message = value; }
void CertInfoBox::setCertInfo(const Sequence<OUString>& items) { certInfo = items; }
void CertInfoBox::setPictureURL(const util::URL& url) { pictureUrl = url.Complete; }
void CertInfoBox::setModified(sal_Bool value) { modified = value; }
OUString CertInfoBox::getPostil() { return postil; }
void CertInfoBox::setPostil(const OUString& value) { postil = value; }
OUString CertInfoBox::getPin() { return pin; }
sal_Bool CertInfoBox::getResult() { return result; }

OUString CertInfoBox::getImplementationName() { return implementationName(); }

sal_Bool CertInfoBox::supportsService(const OUString& name)
{
    return cppu::supportsService(this, name);
}

Sequence<OUString> CertInfoBox::getSupportedServiceNames() { return serviceNames(); }
}
