#include <format/ShapeAttributes.hxx>

#include <format/FormatNames.hxx>

#include <common/UnoHelpers.hxx>
#include <common/OfficeNames.hxx>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/xml/AttributeData.hpp>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
OUString readAttribute(const Reference<beans::XPropertySet>& object, const char* key)
{
    // A missing container carries no attribute; reading the property itself may throw.
    Reference<container::XNameContainer> attributes(
        object->getPropertyValue(ascii(texts::kUserDefinedAttributes)), UNO_QUERY);
    const OUString name = ascii(key);
    if (!attributes.is() || !attributes->hasByName(name))
        return {};
    xml::AttributeData data;
    if (!(attributes->getByName(name) >>= data))
        return {};
    return data.Value;
}

const char* alternativeTextProperty(const Reference<beans::XPropertySet>& object)
{
    Reference<beans::XPropertySetInfo> info = object->getPropertySetInfo();
    return info.is() && info->hasPropertyByName("AlternativeText") ? "AlternativeText"
                                                                   : "Description";
}
}

OUString getShapeType(const Reference<beans::XPropertySet>& object)
{
    return readAttribute(object, texts::kShapeTypeKey);
}

OUString getStamperName(const Reference<beans::XPropertySet>& object)
{
    return readAttribute(object, texts::kStamperNameKey);
}

OUString lastStamperName(const Reference<uno::XInterface>& selection)
{
    Reference<container::XIndexAccess> elements(selection, UNO_QUERY);
    OUString name;
    if (!elements.is())
        return name;
    for (sal_Int32 i = 0; i < elements->getCount(); ++i)
    {
        Reference<uno::XInterface> element(elements->getByIndex(i), UNO_QUERY);
        if (offersService(element, texts::kGraphicObjectShape))
            name = getStamperName(Reference<beans::XPropertySet>(element, UNO_QUERY_THROW));
    }
    return name;
}

OUString readAlternativeText(const Reference<beans::XPropertySet>& object)
{
    OUString text;
    object->getPropertyValue(ascii(alternativeTextProperty(object))) >>= text;
    return text;
}

void writeAlternativeText(const Reference<beans::XPropertySet>& object, const OUString& text)
{
    object->setPropertyValue(ascii(alternativeTextProperty(object)), Any(text));
}

Any shapeAttributes(const Reference<beans::XPropertySet>& object)
{
    return object->getPropertyValue(ascii(texts::kUserDefinedAttributes));
}

void writeShapeAttribute(const Reference<beans::XPropertySet>& object, const Any& container,
                         const char* key, const OUString& value)
{
    Reference<container::XNameContainer> attributes(container, UNO_QUERY_THROW);
    const xml::AttributeData data(OUString(), ascii(texts::kAttributeType), value);
    const OUString name = ascii(key);
    if (attributes->hasByName(name))
        attributes->removeByName(name);
    attributes->insertByName(name, Any(data));
    object->setPropertyValue(ascii(texts::kUserDefinedAttributes), Any(attributes));
}

void setStamperName(const Reference<beans::XPropertySet>& object, const OUString& name)
{
    writeShapeAttribute(object, shapeAttributes(object), texts::kStamperNameKey, name);
}

}
