/// Signature fields read by name, whatever is selected.
#pragma once

#include "SealFieldNames.hxx"

#include <com/sun/star/frame/XModel.hpp>
#include <rtl/ustring.hxx>
#include <optional>
#include <vector>

namespace quillmark
{
/// The "Content" of the user field master `fieldName`, spelled exactly so, or of its mirror in
/// the user-defined document properties where a Word format dropped the master; none when absent.
std::optional<rtl::OUString> readUserMaster(const css::uno::Reference<css::frame::XModel>& document,
                                            const rtl::OUString& fieldName);

/// Creates or updates the user field master `fieldName` and its mirror.
void writeUserMaster(const css::uno::Reference<css::frame::XModel>& document,
                     const rtl::OUString& fieldName, const rtl::OUString& value);
/// Removes the master of exactly this name and its mirror, where the document has them.
void removeUserMaster(const css::uno::Reference<css::frame::XModel>& document,
                      const rtl::OUString& fieldName);
/// Puts back what `readUserMaster` read before a change: the value, or no field at all.
void restoreUserMaster(const css::uno::Reference<css::frame::XModel>& document,
                       const rtl::OUString& fieldName,
                       const std::optional<rtl::OUString>& previous);
}
