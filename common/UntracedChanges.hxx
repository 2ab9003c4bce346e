/// Changes to a document that leave no trace: no undo step, and the modified state as it was.
#pragma once

#include <com/sun/star/document/XUndoManager.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <sal/log.hxx>

namespace quillmark
{
class UntracedChanges
{
public:
    explicit UntracedChanges(const css::uno::Reference<css::frame::XModel>& document)
        : modifiable(document, css::uno::UNO_QUERY)
        , wasModified(modifiable.is() && modifiable->isModified())
    {
        css::uno::Reference<css::document::XUndoManagerSupplier> supplier(document,
                                                                          css::uno::UNO_QUERY);
        if (supplier.is())
            undo = supplier->getUndoManager();
        if (undo.is())
            undo->lock();
    }
    ~UntracedChanges()
    {
        try
        {
            if (undo.is())
                undo->unlock();
            if (modifiable.is() && !wasModified)
                modifiable->setModified(false);
        }
        catch (const css::uno::Exception& exception)
        {
            // A document that went away meanwhile has no state left to restore.
            SAL_INFO("quillmark.common", "a document that went away: " << exception.Message);
        }
    }
    UntracedChanges(const UntracedChanges&) = delete;
    UntracedChanges& operator=(const UntracedChanges&) = delete;

private:
    css::uno::Reference<css::util::XModifiable> modifiable;
    bool wasModified;
    css::uno::Reference<css::document::XUndoManager> undo;
};
}
