/// The certificate box: the seal's picture, the message, the signer's certificate details and the
/// seal's comment for editing; and the PIN box of the key token.
#pragma once

#include <Quillmark/UITools/XCertInfoBox.hpp>
#include <com/sun/star/awt/XWindowPeer.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <cppuhelper/implbase3.hxx>

namespace quillmark::uitools
{
namespace css = com::sun::star;

class CertInfoBox
    : public cppu::WeakImplHelper3<Quillmark::UITools::XCertInfoBox, css::lang::XInitialization,
                                   css::lang::XServiceInfo>
{
public:
    explicit CertInfoBox(const css::uno::Reference<css::uno::XComponentContext>& context);
    /// Wipes a PIN that is still held.
    ~CertInfoBox() override;

    static rtl::OUString implementationName();
    static css::uno::Sequence<rtl::OUString> serviceNames();

    void SAL_CALL execute() override;
    sal_Bool SAL_CALL executePinDialog() override;
    void SAL_CALL setMessage(const rtl::OUString& text) override;
    void SAL_CALL setCertInfo(const css::uno::Sequence<rtl::OUString>& items) override;
    void SAL_CALL setPictureURL(const css::util::URL& url) override;
    void SAL_CALL setModified(sal_Bool modified) override;
    rtl::OUString SAL_CALL getPostil() override;
    void SAL_CALL setPostil(const rtl::OUString& text) override;
    rtl::OUString SAL_CALL getPin() override;
    sal_Bool SAL_CALL getResult() override;

    void SAL_CALL initialize(const css::uno::Sequence<css::uno::Any>& arguments) override;

    rtl::OUString SAL_CALL getImplementationName() override;
    sal_Bool SAL_CALL supportsService(const rtl::OUString& name) override;
    css::uno::Sequence<rtl::OUString> SAL_CALL getSupportedServiceNames() override;

private:
    void showCertificateBox();
    bool askForPin();
    css::uno::Reference<css::awt::XWindowPeer> parentWindow() const;
    /// The picture of the seal selected in the document, if any.
    css::uno::Reference<css::graphic::XGraphic> selectedPicture() const;

    css::uno::Reference<css::uno::XComponentContext> componentContext;
    css::uno::Reference<css::frame::XFrame> frame;
    rtl::OUString message;
    css::uno::Sequence<rtl::OUString> certInfo;
    rtl::OUString pictureUrl;
    bool modified = false;
    rtl::OUString postil;
    rtl::OUString pin;
    bool pinOfSeal = false;
    rtl::OUString sealName;
    bool result = false;
};
}
