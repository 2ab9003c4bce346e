#include <operations/FixedFields.hxx>

#include <common/UnoHelpers.hxx>

#include <com/sun/star/beans/UnknownPropertyException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <com/sun/star/text/XTextRangeCompare.hpp>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
bool liesWithin(const Reference<uno::XInterface>& field, const Reference<text::XTextRange>& region)
{
    if (!region.is())
        return true;
    Reference<text::XTextContent> content(field, UNO_QUERY);
    if (!content.is())
        return false;
    Reference<text::XTextRange> anchor = content->getAnchor();
    // Ranges of different texts (a header, a frame) cannot be compared: not within.
    if (anchor->getText() != region->getText())
        return false;
    Reference<text::XTextRangeCompare> compare(region->getText(), UNO_QUERY_THROW);
    return compare->compareRegionStarts(region, anchor) >= 0
           && compare->compareRegionEnds(anchor, region) >= 0;
}
}

FixedFields::FixedFields(const Reference<frame::XModel>& document,
                         const Reference<text::XTextRange>& region)
{
    Reference<container::XEnumeration> all
        = Reference<text::XTextFieldsSupplier>(document, UNO_QUERY_THROW)
              ->getTextFields()
              ->createEnumeration();
    while (all->hasMoreElements())
    {
        Reference<beans::XPropertySet> field(all->nextElement(), UNO_QUERY);
        bool fixed = true;
        try
        {
            if (!field.is() || !(field->getPropertyValue("IsFixed") >>= fixed) || fixed)
                continue;
        }
        catch (const beans::UnknownPropertyException& exception)
        {
            SAL_INFO("quillmark.operations", "a field that follows nothing: " << exception.Message);
            continue; // a field that follows nothing
        }
        if (!liesWithin(field, region))
            continue;
        field->setPropertyValue("IsFixed", Any(true));
        fields.push_back(field);
    }
}

FixedFields::~FixedFields()
{
    if (kept)
        return;
    for (const Reference<beans::XPropertySet>& field : fields)
    {
        try
        {
            field->setPropertyValue("IsFixed", Any(false));
        }
        catch (const uno::Exception& exception)
        {
            // A field gone with the failed signing follows nothing any more.
            SAL_INFO("quillmark.operations",
                     "a field gone with the failed signing: " << exception.Message);
        }
    }
}
}
