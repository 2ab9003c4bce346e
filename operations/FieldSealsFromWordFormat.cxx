// A .docx keeps a field seal's picture, its name and its description but not its marks: such a
// picture would stay red beside a field whose text changed. Pictures that still say they are
// field seals and are named for a signed field become field seals again.

#include <operations/OperationTexts.hxx>

#include <operations/FieldMarkers.hxx>

#include <docstore/DocstoreTexts.hxx>
#include <component/QORVHelper.hxx>
#include <format/ShapeAttributes.hxx>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <set>
#include <utility>
#include <vector>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
/// Fields whose start marker carries a signature; the last start marker of a name decides, as
/// for getFieldSignature.
std::set<OUString> signedFieldNames(const Reference<frame::XModel>& document)
{
    const OUString suffix = ascii(texts::kFieldStartSuffix);
    std::set<OUString> names;
    forEachContentField(
        document, [&](const Reference<beans::XPropertySet>& field, const OUString& content) {
            if (!content.endsWith(suffix))
                return true;
            const OUString name = content.copy(0, content.getLength() - suffix.getLength());
            OUString signature;
            field->getPropertyValue("Author") >>= signature;
            if (signature.isEmpty())
                names.erase(name);
            else
                names.insert(name);
            return true;
        });
    return names;
}
}

void QORVHelper::restoreFieldSealsFromWordFormat()
{
    Reference<frame::XModel> document = model();
    if (!document.is())
        return;
    Reference<container::XNameAccess> graphics
        = Reference<text::XTextGraphicObjectsSupplier>(document, UNO_QUERY_THROW)
              ->getGraphicObjects();
    const OUString fieldSealMark = ascii(texts::kFieldSealMark);
    std::vector<std::pair<OUString, Reference<beans::XPropertySet>>> imported;
    for (const OUString& name : graphics->getElementNames())
    {
        Reference<beans::XPropertySet> graphic(graphics->getByName(name), UNO_QUERY);
        if (graphic.is() && getShapeType(graphic).isEmpty()
            && readAlternativeText(graphic) == fieldSealMark)
            imported.emplace_back(name, graphic);
    }
    if (imported.empty())
        return;
    const std::set<OUString> signedFields = signedFieldNames(document);
    Reference<util::XModifiable> modifiable(document, UNO_QUERY);
    const bool wasModified = modifiable.is() && modifiable->isModified();
    for (const auto& [name, graphic] : imported)
    {
        if (signedFields.count(name))
            setShapeType(graphic, fieldSealMark);
    }
    // Reading a document in is no change the user made.
    if (modifiable.is() && !wasModified)
        modifiable->setModified(false);
}
}
