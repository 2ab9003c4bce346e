/// Recording stand-ins for what cannot run headless: the toolkit's modal boxes and the suite's
/// seal menu and certificate box. They record what the component asked of them, in order.
#pragma once

#include "TestSeal.hxx"

#include <Quillmark/UITools/XCertInfoBox.hpp>
#include <Quillmark/UITools/XRightClickPopupMenu.hpp>
#include <Quillmark/UITools/XSealDetailsBox.hpp>
#include <com/sun/star/beans/StringPair.hpp>
#include <com/sun/star/awt/WindowDescriptor.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <com/sun/star/util/URL.hpp>
#include <mutex>
#include <rtl/ustring.hxx>
#include <string>
#include <vector>

namespace quillmark::test
{
namespace css = com::sun::star;
using rtl::OUString;

/// One message box the component showed.
struct ShownMessage
{
    OUString title;
    OUString text;
    css::awt::WindowDescriptor descriptor;
};

/// What the fake toolkit saw.
struct MessageLog
{
    std::mutex mutex;
    std::vector<ShownMessage> messages;
    /// When false, createWindow gives a peer without a message box.
    bool offerMessageBox = true;
    /// Windows the toolkit made, and how many of them were disposed since.
    int windowsCreated = 0;
    int windowsDisposed = 0;

    std::vector<ShownMessage> taken();
    void clear();
};

/// Script and record of the certificate box: every box the component creates shares them.
struct CertInfoBoxScript
{
    // What the boxes answer.
    bool pinAccepted = true;
    /// The PIN typed; the component wipes it where it lies, here too.
    OUString pin;
    /// What is typed while `pin` is empty: a fresh copy each time, as a person types the seal's
    /// PIN at every stamp.
    OUString sealPin = OUString::createFromAscii(kTestSealPin);
    bool result = true;
    /// The comment the user leaves; when unset the box gives back what it was shown.
    std::optional<OUString> postilTyped;

    // What the boxes were asked, in order ("initialize", "setMessage", ...).
    std::vector<std::string> calls;
    css::uno::Reference<css::frame::XFrame> initializedFrame;
    /// The seal whose PIN the box was told it asks for; unset for the certificate token's.
    std::optional<OUString> pinOfSeal;
    css::util::URL pictureURL;
    OUString message;
    css::uno::Sequence<OUString> certInfo;
    bool modified = false;
    OUString postilShown;
    int created = 0;
};

/// Record of the seal menu.
struct PopupMenuLog
{
    std::vector<std::string> calls;
    css::uno::Reference<css::frame::XFrame> initializedFrame;
    sal_Int32 x = 0;
    sal_Int32 y = 0;
    int created = 0;
};

/// Record of the seal details box that shows the seal library's window.
struct SealDetailsBoxLog
{
    std::vector<std::string> calls;
    css::uno::Reference<css::frame::XFrame> initializedFrame;
    OUString title;
    css::uno::Sequence<sal_Int8> picture;
    css::uno::Sequence<css::beans::StringPair> details;
    bool valid = false;
    OUString verdict;
    int created = 0;
};

using ServiceFactory = std::function<css::uno::Reference<css::uno::XInterface>()>;

/// A component context for the helper: the listed services are the fakes; every other service
/// comes from the office's service manager, made in the office's own context.
class TestContext
{
public:
    explicit TestContext(const css::uno::Reference<css::uno::XComponentContext>& officeContext);

    std::shared_ptr<MessageLog> messages = std::make_shared<MessageLog>();
    std::shared_ptr<CertInfoBoxScript> certInfoBox = std::make_shared<CertInfoBoxScript>();
    std::shared_ptr<PopupMenuLog> popupMenu = std::make_shared<PopupMenuLog>();
    std::shared_ptr<SealDetailsBoxLog> sealDetailsBox = std::make_shared<SealDetailsBoxLog>();

    /// Replaces or adds a service; an empty factory result means the service cannot be made.
    void setService(const char* name, ServiceFactory factory);
    /// Makes a service unknown: createInstance gives an empty reference.
    void removeService(const char* name);

    css::uno::Reference<css::uno::XComponentContext> context() const { return componentContext; }

private:
    std::shared_ptr<std::map<OUString, ServiceFactory>> services;
    css::uno::Reference<css::uno::XComponentContext> componentContext;
};
}
