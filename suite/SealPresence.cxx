#include "SealPresence.hxx"

#include "SuiteTexts.hxx"

#include <format/FormatNames.hxx>
#include <operations/OperationTexts.hxx>
#include <format/SealFieldNames.hxx>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <algorithm>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace quillmark::suite
{
std::vector<Reference<beans::XPropertySet>>
markedSealPictures(const Reference<frame::XModel>& document)
{
    std::vector<Reference<beans::XPropertySet>> pictures;
    Reference<drawing::XDrawPageSupplier> pages(document, UNO_QUERY);
    if (!pages.is())
        return pictures;
    Reference<container::XIndexAccess> page(pages->getDrawPage(), UNO_QUERY_THROW);
    const OUString markKey = OUString::createFromAscii(quillmark::texts::kShapeTypeKey);
    const OUString attributesName
        = OUString::createFromAscii(quillmark::texts::kUserDefinedAttributes);
    for (sal_Int32 i = 0; i < page->getCount(); ++i)
    {
        Reference<beans::XPropertySet> shape(page->getByIndex(i), UNO_QUERY);
        if (!shape.is() || !shape->getPropertySetInfo()->hasPropertyByName(attributesName))
            continue;
        Reference<container::XNameAccess> marks(shape->getPropertyValue(attributesName), UNO_QUERY);
        if (marks.is() && marks->hasByName(markKey))
            pictures.push_back(shape);
    }
    return pictures;
}

namespace
{
namespace store = quillmark::texts;

/// The document seal's signature, or a certificate seal's pair of fields; also where a Word
/// format left them among the document's properties.
bool hasSealSignature(const Reference<frame::XModel>& document)
{
    std::vector<OUString> names;
    if (Reference<text::XTextFieldsSupplier>(document, UNO_QUERY).is())
        names = userMasterNames(document);
    Reference<document::XDocumentPropertiesSupplier> properties(document, UNO_QUERY);
    if (properties.is())
    {
        Reference<beans::XPropertySet> user(
            properties->getDocumentProperties()->getUserDefinedProperties(), UNO_QUERY);
        if (user.is())
            for (const beans::Property& property : user->getPropertySetInfo()->getProperties())
                names.push_back(property.Name);
    }
    const OUString documentSignature = OUString::createFromAscii(store::kDocumentSignatureField);
    return std::find(names.begin(), names.end(), documentSignature) != names.end()
           || !certificateSealNames(names).empty();
}

/// A field whose start marker carries a signature.
bool hasSignedField(const Reference<frame::XModel>& document)
{
    Reference<text::XTextFieldsSupplier> fields(document, UNO_QUERY);
    if (!fields.is())
        return false;
    const OUString startSuffix = OUString::createFromAscii(store::kFieldStartSuffix);
    Reference<container::XEnumeration> all = fields->getTextFields()->createEnumeration();
    while (all->hasMoreElements())
    {
        Reference<lang::XServiceInfo> field(all->nextElement(), UNO_QUERY);
        if (!field.is()
            || !field->supportsService(OUString::createFromAscii(texts::kAnnotationService)))
            continue;
        Reference<beans::XPropertySet> marker(field, UNO_QUERY_THROW);
        OUString content, signature;
        marker->getPropertyValue("Content") >>= content;
        marker->getPropertyValue("Author") >>= signature;
        if (content.endsWith(startSuffix) && !signature.isEmpty())
            return true;
    }
    return false;
}
}

bool carriesSeals(const Reference<frame::XModel>& document)
{
    return document.is()
           && (!markedSealPictures(document).empty() || hasSealSignature(document)
               || hasSignedField(document));
}
}
