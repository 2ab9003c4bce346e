// The helper's seal fields: the selected seal's fields by kind, the document signature, the
// comment; stored through UserMasters.

#include <docstore/SignatureFields.hxx>

#include <docstore/DocstoreTexts.hxx>
#include <format/ShapeAttributes.hxx>

#include <common/OfficeNames.hxx>
#include <component/QORVHelper.hxx>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>

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
}

namespace
{
/// A field's value in the out-parameter of the interface's reads: false when there is none.
bool handedOut(const std::optional<OUString>& found, OUString& value)
{
    if (!found)
        return false;
    value = *found;
    return true;
}
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

std::optional<OUString> QORVHelper::readUserField(const OUString& fieldName)
{
    return readUserMaster(model(), fieldName);
}

bool QORVHelper::hasUserField(const OUString& fieldName)
{
    return readUserField(fieldName).has_value();
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
    return handedOut(readUserField(containerName + ascii(suffix)), value);
}

bool QORVHelper::readDocumentSignature(OUString& value)
{
    if (!model().is() || !resolveSealSelection())
        return false;
    return handedOut(readUserField(ascii(texts::kDocumentSignatureField)), value);
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
    return handedOut(readUserField(fieldName), value);
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
