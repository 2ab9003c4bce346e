#include <docstore/DocumentText.hxx>

#include <component/QORVHelper.hxx>

#include <com/sun/star/text/XTextDocument.hpp>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
// Exactly what the office gives, every time: signing and verifying must see the same string.
OUString documentText(const Reference<frame::XModel>& document)
{
    if (!document.is())
        throw uno::RuntimeException("the frame shows no document");
    return Reference<text::XTextDocument>(document, UNO_QUERY_THROW)->getText()->getString();
}

OUString QORVHelper::getDocumentText() { return documentText(model()); }
}
