/// Seal fields as a document keeps them: user field masters whose dependent field is never
/// inserted, each mirrored under its own name in the user-defined document properties, which
/// Word formats keep where they drop the masters. The component and quillmark-cert-seal read and
/// write them with this one code.
#pragma once

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <rtl/ustring.hxx>
#include <optional>
#include <vector>

namespace quillmark
{
/// The master of `fieldName`, or empty. The office looks master names up ignoring case; a master
/// found under another spelling is not the one asked for.
css::uno::Reference<css::beans::XPropertySet>
userMaster(const css::uno::Reference<css::frame::XModel>& document, const rtl::OUString& fieldName);

/// True for a document read from a Word format, whose field masters were lost on the way.
bool lostFieldMasters(const css::uno::Reference<css::frame::XModel>& document);

/// The "Content" of the user field master `fieldName`, spelled exactly so; where the document
/// was read from a Word format and the master is gone, its mirror. None when absent.
std::optional<rtl::OUString> readUserMaster(const css::uno::Reference<css::frame::XModel>& document,
                                            const rtl::OUString& fieldName);

/// Writes the master `fieldName` (made when missing) and its mirror.
void writeUserMaster(const css::uno::Reference<css::frame::XModel>& document,
                     const rtl::OUString& fieldName, const rtl::OUString& value);

/// Removes the master `fieldName` and its mirror.
void removeUserMaster(const css::uno::Reference<css::frame::XModel>& document,
                      const rtl::OUString& fieldName);

/// Puts back what `readUserMaster` read before a change: the value, or no field at all.
void restoreUserMaster(const css::uno::Reference<css::frame::XModel>& document,
                       const rtl::OUString& fieldName,
                       const std::optional<rtl::OUString>& previous);

/// The names readUserMaster can read: every master's, and where the masters were lost, every
/// mirror's.
std::vector<rtl::OUString>
readableUserMasterNames(const css::uno::Reference<css::frame::XModel>& document);
}
