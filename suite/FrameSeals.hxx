/// The seal side of one Writer window: the frame's seal helper, made when the window opens and
/// released when it goes; the state of the seal commands, kept current as the selection changes;
/// the commands themselves; and the verdict line over the document.
#pragma once

#include "SaveInterceptor.hxx"
#include "SealCommands.hxx"
#include "SealInfobar.hxx"

#include <Quillmark/Certificate/XQORVTools.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XFrameActionListener.hpp>
#include <com/sun/star/frame/XStatusListener.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/URL.hpp>
#include <com/sun/star/view/XSelectionChangeListener.hpp>
#include <cppuhelper/implbase2.hxx>
#include <optional>
#include <rtl/ref.hxx>
#include <vector>

namespace quillmark::suite
{
namespace css = com::sun::star;

class FrameSeals : public cppu::WeakImplHelper2<css::view::XSelectionChangeListener,
                                                css::frame::XFrameActionListener>
{
public:
    /// The frame's seal side, made (with the frame's helper) on first use.
    static rtl::Reference<FrameSeals>
    of(const css::uno::Reference<css::uno::XComponentContext>& context,
       const css::uno::Reference<css::frame::XFrame>& frame);
    /// How many windows are served now.
    static std::size_t servedFrames();

    /// Runs the command where it applies; a "URL" argument names the file of a command that
    /// writes one.
    void execute(SealCommand command,
                 const css::uno::Sequence<css::beans::PropertyValue>& arguments = {});
    void addStatusListener(SealCommand command,
                           const css::uno::Reference<css::frame::XStatusListener>& listener,
                           const css::util::URL& url);
    void removeStatusListener(const css::uno::Reference<css::frame::XStatusListener>& listener,
                              const css::util::URL& url);

    /// Verifies every seal of the document just opened, marks their pictures and says over the
    /// document how many are valid and which are not.
    void verifyOnOpening();
    /// Empties the captions of the seal pictures; the verdict colour stays.
    void clearCaptionsForSaving();
    /// Before a copy is stored: the pictures show the seals' verdicts as they are now, so that a
    /// PDF of a changed document shows no valid seal. Left alone while a sealed PDF is made,
    /// whose pictures are its signatures.
    void markForCopy();

    const SelectionState& state() const { return selectionState; }

    // XSelectionChangeListener
    void SAL_CALL selectionChanged(const css::lang::EventObject& event) override;
    // XFrameActionListener
    void SAL_CALL frameAction(const css::frame::FrameActionEvent& event) override;
    // XEventListener: the frame is going away.
    void SAL_CALL disposing(const css::lang::EventObject& event) override;

private:
    FrameSeals(const css::uno::Reference<css::uno::XComponentContext>& context,
               const css::uno::Reference<css::frame::XFrame>& frame);

    /// Gives the frame's current controller a helper and listens to its selection.
    void attachToController();
    void refresh();
    void broadcast(bool always);
    void run(SealCommand command, const css::uno::Sequence<css::beans::PropertyValue>& arguments);
    void exportSealedPdf(const css::uno::Sequence<css::beans::PropertyValue>& arguments);
    void markField();
    void showSealInfo();
    /// The verdict on the document's one document or certificate seal, where it has one.
    std::optional<JudgedSeal> soleDocumentSeal();
    void verifyField();
    void showVerdict(const rtl::OUString& line, VerdictTone tone);
    /// Every seal of the document, whose it is and its verdict, in a notice.
    void showSealList();
    void releaseFrame();

    struct StatusListener
    {
        SealCommand command;
        css::util::URL url;
        css::uno::Reference<css::frame::XStatusListener> listener;
        bool enabled;
    };

    css::uno::Reference<css::uno::XComponentContext> componentContext;
    css::uno::Reference<css::frame::XFrame> frame;
    css::uno::Reference<Quillmark::Certificate::XQORVTools> tools;
    rtl::Reference<SaveInterceptor> saveInterceptor;
    SelectionState selectionState;
    std::vector<StatusListener> statusListeners;
    bool running = false;
    bool refreshing = false;
    bool exportingSealedPdf = false;
};
}
