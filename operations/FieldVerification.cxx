// Checking a field against its signature, and taking a field's seal away.

#include "OperationTexts.hxx"

#include <ComponentTexts.hxx>
#include <DeclaredExceptions.hxx>
#include <QORVHelper.hxx>
#include <SealLibraryBinding.hxx>
#include <SealVerdict.hxx>
#include <com/sun/star/beans/UnknownPropertyException.hpp>
#include <com/sun/star/container/XNamed.hpp>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
/// The field named by the selected field seal, or "" when no text graphic is selected.
OUString selectedFieldName(const Reference<uno::XInterface>& selection)
{
    if (!offersService(selection, texts::kTextGraphicObject))
        return OUString();
    return Reference<container::XNamed>(selection, UNO_QUERY_THROW)->getName();
}
}

sal_Bool SAL_CALL QORVHelper::verifyField(const OUString& fieldName)
{
    return withDeclaredExceptions([&]() -> sal_Bool {
        SealLibraryBinding sealLibrary;
        if (!model().is())
            return false;
        const OUString signature = getFieldSignature(fieldName);
        if (signature.isEmpty())
        {
            showMessage(fromUtf8(texts::kFieldNotSigned));
            return false;
        }
        if (checkSealLibrarySignature(sealLibrary, getFieldText(fieldName), signature).valid())
            return true;
        markSelectedFieldSeal(true);
        return false;
    });
}

sal_Bool SAL_CALL QORVHelper::verifySelectedField()
{
    try
    {
        if (!model().is())
            return false;
        Reference<uno::XInterface> current = selection();
        if (!offersService(current, texts::kTextGraphicObject))
            return false;
        // Through the interface, as every caller of the operation would.
        Reference<Quillmark::Certificate::XQORVTools> tools(this);
        return tools->verifyField(selectedFieldName(current));
    }
    catch (const beans::UnknownPropertyException&)
    {
        showMessage(fromUtf8(texts::kSealContentLost));
    }
    catch (const uno::Exception&)
    {
        showMessage(fromUtf8(texts::kVerifyFailed));
    }
    return false;
}

sal_Bool SAL_CALL QORVHelper::removeSelectedFieldStamp()
{
    try
    {
        SealLibraryBinding sealLibrary;
        if (!model().is())
            return false;
        const OUString fieldName = selectedFieldName(selection());
        const OUString signature = getFieldSignature(fieldName);
        if (signature.isEmpty())
        {
            showMessage(fromUtf8(texts::kFieldNotSigned));
            return false;
        }
        const OString signatureBytes = toGbk(signature);
        if (sealLibrary.CheckRemovedRight(signatureBytes.getStr(), signatureBytes.getLength()) == 0)
            return false;
        deleteSelectedSeal();
        clearFieldSignature(fieldName);
        return true;
    }
    catch (const beans::UnknownPropertyException&)
    {
        showMessage(fromUtf8(texts::kSealContentLost));
    }
    catch (const uno::Exception&)
    {
        showMessage(fromUtf8(texts::kVerifyFailed));
    }
    return false;
}
}
