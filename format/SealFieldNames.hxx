/// The names of the seal fields a document holds. Header-only: the suite, which reaches the
/// component only through its services, tells whether a document carries seals by the very same
/// reading of names the component's survey uses.
#pragma once

#include <format/FormatNames.hxx>

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <rtl/ustring.hxx>
#include <set>
#include <vector>

namespace quillmark
{
/// The names of all user field masters, without the master prefix, as the masters spell them.
inline std::vector<rtl::OUString>
userMasterNames(const css::uno::Reference<css::frame::XModel>& document)
{
    // The office spells the prefix in its own case; the master's "Name" is the name as stored.
    const rtl::OUString prefix = rtl::OUString::createFromAscii(texts::kUserMasterPrefix);
    const css::uno::Reference<css::container::XNameAccess> masters
        = css::uno::Reference<css::text::XTextFieldsSupplier>(document, css::uno::UNO_QUERY_THROW)
              ->getTextFieldMasters();
    std::vector<rtl::OUString> names;
    for (const rtl::OUString& instanceName : masters->getElementNames())
    {
        if (!instanceName.startsWithIgnoreAsciiCase(prefix))
            continue;
        css::uno::Reference<css::beans::XPropertySet> master(masters->getByName(instanceName),
                                                             css::uno::UNO_QUERY);
        rtl::OUString name;
        if (master.is() && (master->getPropertyValue("Name") >>= name))
            names.push_back(name);
    }
    return names;
}

/// The names of certificate seals among `fieldNames`: every name with both a "Cert" and a
/// "Sign" field, in the order of their "Cert" fields.
inline std::vector<rtl::OUString> certificateSealNames(const std::vector<rtl::OUString>& fieldNames)
{
    const std::set<rtl::OUString> present(fieldNames.begin(), fieldNames.end());
    const rtl::OUString certSuffix = rtl::OUString::createFromAscii(texts::kCertSuffix);
    const rtl::OUString signSuffix = rtl::OUString::createFromAscii(texts::kSignSuffix);
    std::vector<rtl::OUString> names;
    for (const rtl::OUString& field : fieldNames)
    {
        if (!field.endsWith(certSuffix))
            continue;
        const rtl::OUString name = field.copy(0, field.getLength() - certSuffix.getLength());
        if (present.count(name + signSuffix))
            names.push_back(name);
    }
    return names;
}
}
