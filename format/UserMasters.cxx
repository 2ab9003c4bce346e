#include <format/UserMasters.hxx>

#include <format/FormatNames.hxx>
#include <format/SealFieldNames.hxx>
#include <format/WordFormats.hxx>

#include <com/sun/star/beans/PropertyAttribute.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertyContainer.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/text/XDependentTextField.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace quillmark
{
namespace
{
Reference<beans::XPropertyContainer> userProperties(const Reference<frame::XModel>& document)
{
    return Reference<document::XDocumentPropertiesSupplier>(document, UNO_QUERY_THROW)
        ->getDocumentProperties()
        ->getUserDefinedProperties();
}

bool hasUserProperty(const Reference<beans::XPropertyContainer>& properties, const OUString& name)
{
    return Reference<beans::XPropertySet>(properties, UNO_QUERY_THROW)
        ->getPropertySetInfo()
        ->hasPropertyByName(name);
}

std::optional<OUString> readMirror(const Reference<frame::XModel>& document,
                                   const OUString& fieldName)
{
    Reference<beans::XPropertyContainer> properties = userProperties(document);
    OUString value;
    if (!hasUserProperty(properties, fieldName)
        || !(
            Reference<beans::XPropertySet>(properties, UNO_QUERY_THROW)->getPropertyValue(fieldName)
            >>= value))
        return std::nullopt;
    return value;
}

OUString loadArgument(const Reference<frame::XModel>& document, const char* name)
{
    for (const beans::PropertyValue& argument : document->getArgs())
    {
        OUString value;
        if (argument.Name.equalsAscii(name) && (argument.Value >>= value))
            return value;
    }
    return OUString();
}
}

Reference<beans::XPropertySet> userMaster(const Reference<frame::XModel>& document,
                                          const OUString& fieldName)
{
    Reference<container::XNameAccess> masters
        = Reference<text::XTextFieldsSupplier>(document, UNO_QUERY_THROW)->getTextFieldMasters();
    const OUString instanceName = OUString::createFromAscii(texts::kUserMasterPrefix) + fieldName;
    if (!masters->hasByName(instanceName))
        return {};
    Reference<beans::XPropertySet> master(masters->getByName(instanceName), UNO_QUERY_THROW);
    OUString name;
    master->getPropertyValue("Name") >>= name;
    return name == fieldName ? master : Reference<beans::XPropertySet>();
}

bool lostFieldMasters(const Reference<frame::XModel>& document)
{
    const OUString filter = loadArgument(document, "FilterName");
    if (!filter.isEmpty())
        return isWordFormat(filter);
    const OUString url = document->getURL().toAsciiLowerCase();
    return url.endsWith(".docx") || url.endsWith(".doc") || url.endsWith(".docm")
           || url.endsWith(".dotx") || url.endsWith(".dot");
}

std::optional<OUString> readUserMaster(const Reference<frame::XModel>& document,
                                       const OUString& fieldName)
{
    // A mirror stands in for a master only where the format lost the masters: in OpenDocument a
    // master that is gone was removed, and its signature must not come back.
    Reference<beans::XPropertySet> master = userMaster(document, fieldName);
    if (!master.is())
        return lostFieldMasters(document) ? readMirror(document, fieldName) : std::nullopt;
    OUString value;
    master->getPropertyValue("Content") >>= value;
    return value;
}

void writeUserMaster(const Reference<frame::XModel>& document, const OUString& fieldName,
                     const OUString& value)
{
    Reference<beans::XPropertyContainer> properties = userProperties(document);
    if (hasUserProperty(properties, fieldName))
        Reference<beans::XPropertySet>(properties, UNO_QUERY_THROW)
            ->setPropertyValue(fieldName, Any(value));
    else
        properties->addProperty(fieldName, beans::PropertyAttribute::REMOVABLE, Any(value));

    if (Reference<beans::XPropertySet> master = userMaster(document, fieldName); master.is())
    {
        master->setPropertyValue("Content", Any(value));
        return;
    }
    // A hidden field keeps the master alive in the saved file without touching the text.
    Reference<lang::XMultiServiceFactory> factory(document, UNO_QUERY_THROW);
    Reference<beans::XPropertySet> field(
        factory->createInstance(OUString::createFromAscii(texts::kUserFieldService)),
        UNO_QUERY_THROW);
    field->setPropertyValue("IsVisible", Any(false));
    Reference<beans::XPropertySet> master(
        factory->createInstance(OUString::createFromAscii(texts::kUserMasterService)),
        UNO_QUERY_THROW);
    master->setPropertyValue("Content", Any(value));
    master->setPropertyValue("Name", Any(fieldName));
    Reference<text::XDependentTextField>(field, UNO_QUERY_THROW)->attachTextFieldMaster(master);
}

void removeUserMaster(const Reference<frame::XModel>& document, const OUString& fieldName)
{
    Reference<beans::XPropertyContainer> properties = userProperties(document);
    if (hasUserProperty(properties, fieldName))
        properties->removeProperty(fieldName);
    if (Reference<lang::XComponent> master(userMaster(document, fieldName), UNO_QUERY); master.is())
        master->dispose();
}

std::vector<OUString> readableUserMasterNames(const Reference<frame::XModel>& document)
{
    std::vector<OUString> names = userMasterNames(document);
    if (!lostFieldMasters(document))
        return names;
    Reference<beans::XPropertySet> properties(userProperties(document), UNO_QUERY_THROW);
    for (const beans::Property& property : properties->getPropertySetInfo()->getProperties())
        names.push_back(property.Name);
    return names;
}

void restoreUserMaster(const Reference<frame::XModel>& document, const OUString& fieldName,
                       const std::optional<OUString>& previous)
{
    if (previous)
        writeUserMaster(document, fieldName, *previous);
    else
        removeUserMaster(document, fieldName);
}
}
