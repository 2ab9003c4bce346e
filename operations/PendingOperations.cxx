// Operations whose behaviour has not been built yet answer their failure result.

#include "QORVHelper.hxx"

namespace quillmark
{
sal_Bool QORVHelper::signField(const OUString&) { return false; }
sal_Bool QORVHelper::verifyField(const OUString&) { return false; }
sal_Bool QORVHelper::verifySelectedField() { return false; }
sal_Bool QORVHelper::removeSelectedFieldStamp() { return false; }
OUString QORVHelper::getFieldSignature(const OUString&) { return {}; }
sal_Bool QORVHelper::setFieldSignature(const OUString&, const OUString&) { return false; }
sal_Bool QORVHelper::isFieldSigned(const OUString&) { return false; }
}
