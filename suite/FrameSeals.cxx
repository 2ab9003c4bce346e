#include "FrameSeals.hxx"

#include "FieldMarking.hxx"
#include "SealInfobar.hxx"
#include "SealPresence.hxx"
#include "SealedPdfCommand.hxx"
#include "SuiteDialogs.hxx"
#include "SuiteTexts.hxx"

#include <format/FormatNames.hxx>
#include <operations/OperationTexts.hxx>
#include <Quillmark/Certificate/XSealSurvey.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/frame/FrameAction.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <map>
#include <mutex>
#include <stdexcept>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace quillmark::suite
{
namespace
{
constexpr sal_Int16 kFieldSeal = 2;

std::mutex& registryMutex()
{
    static std::mutex mutex;
    return mutex;
}

/// The windows served, by their frame.
std::map<Reference<uno::XInterface>, rtl::Reference<FrameSeals>>& registry()
{
    static std::map<Reference<uno::XInterface>, rtl::Reference<FrameSeals>> frames;
    return frames;
}

Reference<uno::XInterface> identity(const Reference<frame::XFrame>& frame)
{
    return Reference<uno::XInterface>(frame, UNO_QUERY);
}

Reference<frame::XModel> modelOf(const Reference<frame::XFrame>& frame)
{
    Reference<frame::XController> controller = frame.is() ? frame->getController() : nullptr;
    return controller.is() ? controller->getModel() : nullptr;
}

OUString withArgument(const char* pattern, const OUString& argument)
{
    return OUString::fromUtf8(pattern).replaceAll("%1", argument);
}
}

FrameSeals::FrameSeals(const Reference<uno::XComponentContext>& context,
                       const Reference<frame::XFrame>& documentFrame)
    : componentContext(context)
    , frame(documentFrame)
{
}

rtl::Reference<FrameSeals> FrameSeals::of(const Reference<uno::XComponentContext>& context,
                                          const Reference<frame::XFrame>& frame)
{
    if (!frame.is())
        return nullptr;
    {
        std::lock_guard<std::mutex> lock(registryMutex());
        auto found = registry().find(identity(frame));
        if (found != registry().end())
            return found->second;
    }
    rtl::Reference<FrameSeals> seals(new FrameSeals(context, frame));
    {
        std::lock_guard<std::mutex> lock(registryMutex());
        auto [entry, added] = registry().emplace(identity(frame), seals);
        if (!added)
            return entry->second;
    }
    frame->addFrameActionListener(seals.get());
    seals->attachToController();
    return seals;
}

std::size_t FrameSeals::servedFrames()
{
    std::lock_guard<std::mutex> lock(registryMutex());
    return registry().size();
}

void FrameSeals::attachToController()
{
    Reference<frame::XController> controller = frame->getController();
    Reference<lang::XServiceInfo> document(modelOf(frame), UNO_QUERY);
    if (!controller.is() || !document.is()
        || !document->supportsService(OUString::createFromAscii(texts::kTextDocumentService)))
        return;
    // One helper per window; a reloaded document gets a new controller, and the helper's
    // context menu goes with it.
    if (!tools.is())
    {
        tools.set(componentContext->getServiceManager()->createInstanceWithContext(
                      OUString::createFromAscii(texts::kHelperService), componentContext),
                  UNO_QUERY);
        if (!tools.is())
            return;
        // The window's saves ask first where a format would lose the seals.
        saveInterceptor = new SaveInterceptor(componentContext, frame);
        saveInterceptor->attach();
    }
    const Any frameArgument(frame);
    Reference<lang::XInitialization>(tools, UNO_QUERY_THROW)
        ->initialize(Sequence<Any>(&frameArgument, 1));

    Reference<view::XSelectionSupplier> selection(controller, UNO_QUERY);
    if (selection.is())
    {
        // The helper toggles the graphic toolbar while seals are selected; we keep the seal
        // commands' state. Removed first, so that each is registered once per controller.
        Reference<view::XSelectionChangeListener> helper(tools, UNO_QUERY);
        if (helper.is())
        {
            selection->removeSelectionChangeListener(helper);
            selection->addSelectionChangeListener(helper);
        }
        selection->removeSelectionChangeListener(this);
        selection->addSelectionChangeListener(this);
    }
    refresh();
    broadcast(true);
}

void FrameSeals::refresh()
{
    // What is read here can make the office announce the selection again, into this very call.
    if (refreshing)
        return;
    struct Guard
    {
        bool& flag;
        explicit Guard(bool& refreshFlag)
            : flag(refreshFlag)
        {
            flag = true;
        }
        ~Guard() { flag = false; }
    } guard(refreshing);
    SelectionState state;
    Reference<frame::XModel> document = modelOf(frame);
    if (tools.is() && document.is())
    {
        try
        {
            state.stampType = tools->getSelectedStampType();
            state.textSelected = selectedText(document).is();
            Reference<text::XTextViewCursorSupplier> cursors(frame->getController(), UNO_QUERY);
            if (cursors.is() && state.stampType == -1)
            {
                const EnclosingField field = fieldEnclosing(
                    document, Reference<text::XTextRange>(cursors->getViewCursor(), UNO_QUERY));
                state.enclosingField = field.name;
                state.enclosingFieldSigned = field.isSigned;
            }
        }
        catch (const uno::Exception& exception)
        {
            // A view cursor with no text position (a shape selected) encloses no field.
            SAL_INFO("quillmark.suite",
                     "a view cursor without a text position: " << exception.Message);
        }
    }
    selectionState = state;
}

void FrameSeals::broadcast(bool always)
{
    // Listeners may call back into us; they are told from a copy.
    std::vector<std::pair<frame::FeatureStateEvent, Reference<frame::XStatusListener>>> events;
    for (StatusListener& entry : statusListeners)
    {
        const bool enabled = isEnabled(entry.command, selectionState);
        if (!always && enabled == entry.enabled)
            continue;
        entry.enabled = enabled;
        frame::FeatureStateEvent event;
        event.Source = static_cast<cppu::OWeakObject*>(this);
        event.FeatureURL = entry.url;
        event.IsEnabled = enabled;
        event.Requery = false;
        events.emplace_back(event, entry.listener);
    }
    for (const auto& [event, listener] : events)
    {
        try
        {
            listener->statusChanged(event);
        }
        catch (const uno::RuntimeException& exception)
        {
            // A listener that went away keeps no one else from hearing.
            SAL_INFO("quillmark.suite", "a status listener went away: " << exception.Message);
        }
    }
}

void FrameSeals::addStatusListener(SealCommand command,
                                   const Reference<frame::XStatusListener>& listener,
                                   const util::URL& url)
{
    if (!listener.is())
        return;
    const bool enabled = isEnabled(command, selectionState);
    statusListeners.push_back({ command, url, listener, enabled });
    frame::FeatureStateEvent event;
    event.Source = static_cast<cppu::OWeakObject*>(this);
    event.FeatureURL = url;
    event.IsEnabled = enabled;
    listener->statusChanged(event);
}

void FrameSeals::removeStatusListener(const Reference<frame::XStatusListener>& listener,
                                      const util::URL& url)
{
    for (auto entry = statusListeners.begin(); entry != statusListeners.end(); ++entry)
        if (entry->listener == listener && entry->url.Complete == url.Complete)
        {
            statusListeners.erase(entry);
            return;
        }
}

void FrameSeals::execute(SealCommand command, const Sequence<beans::PropertyValue>& arguments)
{
    // A command whose notice or dialog is open does not start again underneath it.
    if (running || !tools.is())
        return;
    {
        // However the command ends, the window's commands work again after it.
        struct Running
        {
            bool& flag;
            explicit Running(bool& runningFlag)
                : flag(runningFlag)
            {
                flag = true;
            }
            ~Running() { flag = false; }
        } guard(running);
        try
        {
            refresh();
            if (isEnabled(command, selectionState))
                run(command, arguments);
        }
        catch (const uno::Exception& exception)
        {
            showNotice(componentContext, frame, exception.Message);
        }
        catch (const std::exception& exception)
        {
            showNotice(componentContext, frame,
                       rtl::OStringToOUString(exception.what(), RTL_TEXTENCODING_UTF8));
        }
    }
    refresh();
    broadcast(false);
}

void FrameSeals::run(SealCommand command, const Sequence<beans::PropertyValue>& arguments)
{
    switch (command)
    {
        case SealCommand::InsertStampArea:
            tools->insertStampArea();
            break;
        case SealCommand::StampDocument:
            tools->stampDocument();
            break;
        case SealCommand::VerifyDocument:
        {
            const bool modified = tools->verifyDocument();
            // The operation answers changed or not; the survey says why, and what the seal
            // vouches for, where the document has one such seal.
            if (const std::optional<JudgedSeal> seal = soleDocumentSeal())
                showVerdict(withArgument(texts::kDocumentSealRefused,
                                         seal->label
                                             + OUString::fromUtf8(texts::kSealReasonSeparator)
                                             + seal->reason),
                            seal->valid && !modified
                                ? (seal->wholeDocument ? VerdictTone::Valid : VerdictTone::TextOnly)
                                : VerdictTone::Invalid);
            else
                showVerdict(OUString::fromUtf8(modified ? texts::kDocumentSealInvalid
                                                        : texts::kDocumentSealValid),
                            modified ? VerdictTone::Invalid : VerdictTone::Valid);
            break;
        }
        case SealCommand::ShowSealInfo:
            showSealInfo();
            break;
        case SealCommand::RemoveSeal:
            tools->removeDocumentStamp();
            break;
        case SealCommand::DeleteSeal:
            tools->deleteSelectedStamp();
            break;
        case SealCommand::MarkField:
            markField();
            break;
        case SealCommand::SignField:
            tools->signField(selectionState.enclosingField);
            break;
        case SealCommand::VerifyField:
            verifyField();
            break;
        case SealCommand::RemoveFieldSeal:
            tools->removeSelectedFieldStamp();
            break;
        case SealCommand::ExportSealedPdf:
            exportSealedPdf(arguments);
            break;
        case SealCommand::SealList:
            showSealList();
            break;
    }
}

void FrameSeals::exportSealedPdf(const Sequence<beans::PropertyValue>& arguments)
{
    OUString target;
    for (const beans::PropertyValue& argument : arguments)
        if (argument.Name == "URL")
            argument.Value >>= target;
    struct Exporting
    {
        bool& flag;
        explicit Exporting(bool& exportingFlag)
            : flag(exportingFlag)
        {
            flag = true;
        }
        ~Exporting() { flag = false; }
    } guard(exportingSealedPdf);
    const std::optional<SealedPdfResult> result
        = suite::exportSealedPdf(componentContext, frame, tools, target);
    if (!result)
        return;
    if (result->written)
        showVerdict(result->message, VerdictTone::Valid);
    else
        showNotice(componentContext, frame, result->message);
}

void FrameSeals::markField()
{
    Reference<frame::XModel> document = modelOf(frame);
    Reference<text::XTextRange> range = selectedText(document);
    if (!range.is())
    {
        showNotice(componentContext, frame, OUString::fromUtf8(texts::kNoTextSelected));
        return;
    }
    const std::optional<OUString> name = askFieldName(componentContext, frame);
    if (!name)
        return;
    // Names are compared exactly everywhere else: what was typed is the name, blanks and all;
    // only a name that could not be told from its markers is refused.
    if (name->isEmpty())
        showNotice(componentContext, frame, OUString::fromUtf8(texts::kFieldNameEmpty));
    else if (name->indexOf(OUString::createFromAscii(texts::kMarkerReserved)) >= 0)
        showNotice(componentContext, frame, OUString::fromUtf8(texts::kFieldNameReserved));
    else if (fieldNameTaken(document, *name))
        showNotice(componentContext, frame, OUString::fromUtf8(texts::kFieldNameTaken));
    else
        suite::markField(document, range, *name);
}

void FrameSeals::showSealInfo()
{
    // The seal library's window checks the seal itself. The certificate box only shows what the
    // last check left, which says nothing of a text changed since: a certificate seal is checked
    // now, and the check shows the box with its verdict.
    Reference<text::XTextFieldsSupplier> fields(modelOf(frame), UNO_QUERY);
    if (fields.is()
        && fields->getTextFieldMasters()->hasByName(
            OUString::createFromAscii(quillmark::texts::kUserMasterPrefix)
            + OUString::createFromAscii(quillmark::texts::kDocumentSignatureField)))
        tools->showCertificateInfo(OUString());
    else
        run(SealCommand::VerifyDocument, {});
}

void FrameSeals::verifyField()
{
    OUString name = selectionState.enclosingField;
    const bool sealSelected = selectionState.stampType == kFieldSeal;
    if (sealSelected)
    {
        Reference<container::XNamed> seal(modelOf(frame)->getCurrentSelection(), UNO_QUERY);
        if (seal.is())
            name = seal->getName();
    }
    // An unsigned field has no verdict; the operation says so itself.
    if (!tools->isFieldSigned(name))
    {
        sealSelected ? tools->verifySelectedField() : tools->verifyField(name);
        return;
    }
    const bool valid = sealSelected ? tools->verifySelectedField() : tools->verifyField(name);
    showVerdict(withArgument(valid ? texts::kFieldSealValid : texts::kFieldSealInvalid, name),
                valid ? VerdictTone::Valid : VerdictTone::Invalid);
}

std::optional<JudgedSeal> FrameSeals::soleDocumentSeal()
{
    if (!tools.is())
        return std::nullopt;
    const std::optional<SealVerdicts> verdicts = surveySeals(tools, modelOf(frame), false);
    if (!verdicts)
        return std::nullopt;
    std::optional<JudgedSeal> found;
    for (size_t i = 0; i < verdicts->seals.size(); ++i)
    {
        if (verdicts->fieldSeal[i])
            continue;
        if (found)
            return std::nullopt;
        found = verdicts->seals[i];
    }
    return found;
}

void FrameSeals::showVerdict(const OUString& line, VerdictTone tone)
{
    showSealVerdict(frame->getController(), line, tone);
}

void FrameSeals::showSealList()
{
    OUString failure;
    const std::optional<SealVerdicts> verdicts
        = surveySeals(tools, modelOf(frame), false, &failure);
    if (!verdicts)
    {
        showNotice(componentContext, frame, withArgument(texts::kSurveyFailed, failure));
        return;
    }
    showNotice(componentContext, frame,
               verdicts->seals.empty() ? OUString::fromUtf8(texts::kNoSeals)
                                       : sealListText(*verdicts),
               OUString::fromUtf8(texts::kSealListTitle));
}

void FrameSeals::verifyOnOpening()
{
    if (!tools.is())
        return;
    OUString failure;
    const std::optional<SealVerdicts> verdicts = surveySeals(tools, modelOf(frame), true, &failure);
    // A check that could not run must not leave a sealed document looking valid.
    if (!verdicts && !failure.isEmpty())
        showSealVerdict(frame->getController(), withArgument(texts::kSurveyFailed, failure),
                        VerdictTone::Invalid);
    if (!verdicts || verdicts->seals.empty())
        return;
    showSealVerdict(frame->getController(), verdictLine(*verdicts), verdictTone(*verdicts));
}

void FrameSeals::clearCaptionsForSaving()
{
    // Only the seal pictures matter here, not their verdicts: the marks find them without a
    // verification, and the marking after the store verifies once.
    try
    {
        for (const Reference<beans::XPropertySet>& picture : markedSealPictures(modelOf(frame)))
        {
            Reference<text::XText> caption(picture, UNO_QUERY);
            if (caption.is() && !caption->getString().isEmpty())
                caption->setString(OUString());
        }
    }
    catch (const uno::Exception& exception)
    {
        // The save goes on; the office's own store reports what it cannot write.
        SAL_WARN("quillmark.suite", "captions stay on for the save: " << exception.Message);
    }
}

void FrameSeals::markForCopy()
{
    if (!exportingSealedPdf)
        verifyOnOpening();
}

void FrameSeals::selectionChanged(const lang::EventObject&)
{
    if (refreshing)
        return;
    refresh();
    broadcast(false);
}

void FrameSeals::frameAction(const frame::FrameActionEvent& event)
{
    if (event.Action == frame::FrameAction_COMPONENT_REATTACHED)
        attachToController();
}

void FrameSeals::disposing(const lang::EventObject& event)
{
    if (event.Source == identity(frame))
        releaseFrame();
}

void FrameSeals::releaseFrame()
{
    rtl::Reference<FrameSeals> keepAlive(this);
    {
        std::lock_guard<std::mutex> lock(registryMutex());
        registry().erase(identity(frame));
    }
    statusListeners.clear();
    if (saveInterceptor.is())
        saveInterceptor->detach();
    saveInterceptor.clear();
    tools.clear();
    frame.clear();
}
}
