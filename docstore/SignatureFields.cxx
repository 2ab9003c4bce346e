// Seal and signature data live in the document as user field masters whose dependent field is
// never inserted, so they never change the signed text.

#include "SignatureFields.hxx"

#include "DocstoreTexts.hxx"
#include "ShapeAttributes.hxx"

#include <ComponentTexts.hxx>
#include <QORVHelper.hxx>
#include <com/sun/star/beans/PropertyAttribute.hpp>
#include <com/sun/star/beans/XPropertyContainer.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/text/XDependentTextField.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
const char* sealFieldSuffix(sal_Int32 kind)
{
    switch (kind)
    {
        case kCertField:
            return texts::kCertSuffix;
        case kSignField:
            return texts::kSignSuffix;
        case kStamperField:
            return texts::kStamperSuffix;
        case kProtectStateField:
            return texts::kProtectStateSuffix;
        case kPostilField:
            return texts::kPostilSuffix;
        default:
            return nullptr;
    }
}

Reference<container::XNameAccess> fieldMasters(const Reference<frame::XModel>& model)
{
    return Reference<text::XTextFieldsSupplier>(model, UNO_QUERY_THROW)->getTextFieldMasters();
}

/// The master of `fieldName`. The office looks master names up ignoring case; a master found
/// under another spelling is not the one asked for.
Reference<beans::XPropertySet> findUserMaster(const Reference<frame::XModel>& model,
                                              const OUString& fieldName)
{
    Reference<container::XNameAccess> masters = fieldMasters(model);
    const OUString instanceName = ascii(texts::kUserMasterPrefix) + fieldName;
    if (!masters->hasByName(instanceName))
        return {};
    Reference<beans::XPropertySet> master(masters->getByName(instanceName), UNO_QUERY_THROW);
    OUString name;
    master->getPropertyValue("Name") >>= name;
    return name == fieldName ? master : Reference<beans::XPropertySet>();
}

Reference<beans::XPropertyContainer> userProperties(const Reference<frame::XModel>& model)
{
    return Reference<document::XDocumentPropertiesSupplier>(model, UNO_QUERY_THROW)
        ->getDocumentProperties()
        ->getUserDefinedProperties();
}

bool hasUserProperty(const Reference<beans::XPropertyContainer>& properties, const OUString& name)
{
    return Reference<beans::XPropertySet>(properties, UNO_QUERY_THROW)
        ->getPropertySetInfo()
        ->hasPropertyByName(name);
}

// Word formats drop user field masters but keep the document's user-defined properties: every
// seal field is mirrored there under its own name, and read from there when its master is gone.
void mirrorField(const Reference<frame::XModel>& model, const OUString& fieldName,
                 const OUString& value)
{
    Reference<beans::XPropertyContainer> properties = userProperties(model);
    if (hasUserProperty(properties, fieldName))
        Reference<beans::XPropertySet>(properties, UNO_QUERY_THROW)
            ->setPropertyValue(fieldName, Any(value));
    else
        properties->addProperty(fieldName, beans::PropertyAttribute::REMOVABLE, Any(value));
}

bool readMirroredField(const Reference<frame::XModel>& model, const OUString& fieldName,
                       OUString& value)
{
    Reference<beans::XPropertyContainer> properties = userProperties(model);
    if (!hasUserProperty(properties, fieldName))
        return false;
    return Reference<beans::XPropertySet>(properties, UNO_QUERY_THROW)->getPropertyValue(fieldName)
           >>= value;
}

void removeMirroredField(const Reference<frame::XModel>& model, const OUString& fieldName)
{
    Reference<beans::XPropertyContainer> properties = userProperties(model);
    if (hasUserProperty(properties, fieldName))
        properties->removeProperty(fieldName);
}
}

std::optional<OUString> readUserMaster(const Reference<frame::XModel>& document,
                                       const OUString& fieldName)
{
    Reference<beans::XPropertySet> master = findUserMaster(document, fieldName);
    OUString value;
    if (!master.is())
        return readMirroredField(document, fieldName, value) ? std::optional<OUString>(value)
                                                             : std::nullopt;
    master->getPropertyValue("Content") >>= value;
    return value;
}

bool QORVHelper::resolveSealSelection()
{
    Reference<uno::XInterface> current = selection();
    OUString candidate;
    if (offersService(current, texts::kTextGraphicObject))
        candidate = Reference<container::XNamed>(current, UNO_QUERY_THROW)->getName();
    else if (offersService(current, texts::kShapeCollection))
        candidate = lastStamperName(current);
    else
        return false;
    if (containerName.isEmpty())
        containerName = candidate;
    return true;
}

bool QORVHelper::readUserField(const OUString& fieldName, OUString& value)
{
    const std::optional<OUString> content = readUserMaster(model(), fieldName);
    if (!content)
        return false;
    value = *content;
    return true;
}

bool QORVHelper::hasUserField(const OUString& fieldName)
{
    OUString ignored;
    return readUserField(fieldName, ignored);
}

void writeUserMaster(const Reference<frame::XModel>& document, const OUString& fieldName,
                     const OUString& value)
{
    mirrorField(document, fieldName, value);
    if (Reference<beans::XPropertySet> master = findUserMaster(document, fieldName); master.is())
    {
        master->setPropertyValue("Content", Any(value));
        return;
    }
    Reference<lang::XMultiServiceFactory> factory(document, UNO_QUERY_THROW);
    Reference<beans::XPropertySet> field(factory->createInstance(ascii(texts::kUserFieldService)),
                                         UNO_QUERY_THROW);
    field->setPropertyValue("IsVisible", Any(false));
    Reference<beans::XPropertySet> master(factory->createInstance(ascii(texts::kUserMasterService)),
                                          UNO_QUERY_THROW);
    master->setPropertyValue("Content", Any(value));
    master->setPropertyValue("Name", Any(fieldName));
    Reference<text::XDependentTextField>(field, UNO_QUERY_THROW)->attachTextFieldMaster(master);
}

void removeUserMaster(const Reference<frame::XModel>& document, const OUString& fieldName)
{
    removeMirroredField(document, fieldName);
    if (Reference<lang::XComponent> master(findUserMaster(document, fieldName), UNO_QUERY);
        master.is())
        master->dispose();
}

void restoreUserMaster(const Reference<frame::XModel>& document, const OUString& fieldName,
                       const std::optional<OUString>& previous)
{
    if (previous)
        writeUserMaster(document, fieldName, *previous);
    else
        removeUserMaster(document, fieldName);
}

void QORVHelper::writeUserField(const OUString& fieldName, const OUString& value)
{
    writeUserMaster(model(), fieldName, value);
}

void QORVHelper::removeUserField(const OUString& fieldName)
{
    removeUserMaster(model(), fieldName);
}

bool QORVHelper::readSealField(sal_Int32 kind, OUString& value)
{
    const char* suffix = sealFieldSuffix(kind);
    if (!suffix || !model().is() || !resolveSealSelection())
        return false;
    return readUserField(containerName + ascii(suffix), value);
}

bool QORVHelper::readDocumentSignature(OUString& value)
{
    if (!model().is() || !resolveSealSelection())
        return false;
    return readUserField(ascii(texts::kDocumentSignatureField), value);
}

bool QORVHelper::writeDocumentSignature(const OUString& value)
{
    writeUserField(ascii(texts::kDocumentSignatureField), value);
    return true;
}

bool QORVHelper::readPostil(OUString& value)
{
    // The name is composed before the selection is looked at: a seal name adopted now serves
    // later calls only.
    const OUString fieldName = containerName + ascii(texts::kPostilSuffix);
    if (!model().is() || !resolveSealSelection())
        return false;
    return readUserField(fieldName, value);
}

bool QORVHelper::writePostil(const OUString& value)
{
    writeUserField(containerName + ascii(texts::kPostilSuffix), value);
    return true;
}

bool QORVHelper::isDocumentSealSelected()
{
    Reference<frame::XModel> document = model();
    if (!document.is())
        return false;
    Reference<uno::XInterface> current = document->getCurrentSelection();
    if (!offersService(current, texts::kShapeCollection))
        return false;
    const OUString candidate = lastStamperName(current);
    if (containerName.isEmpty())
        containerName = candidate;
    return hasUserField(ascii(texts::kDocumentSignatureField));
}
}
