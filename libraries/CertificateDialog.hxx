/// The two windows that show a seal's details: the seal library's own (through the suite's seal
/// details box) and the suite's certificate box with the seal's comment.
#pragma once

#include <rtl/ustring.hxx>

#include <optional>
#include <utility>

namespace quillmark
{
class QORVHelper;
class SealLibraryBinding;

/// The seal library's details of `signature` over `text`; where `verdict` is given, the window
/// shows it (valid, in words) in place of the library's own. The library's answer.
bool showSealLibraryDetails(QORVHelper& helper, SealLibraryBinding& sealLibrary,
                            const rtl::OUString& text, const rtl::OUString& signature,
                            const std::optional<std::pair<bool, rtl::OUString>>& verdict);

/// The certificate box of the selected certificate seal with `message`, its comment kept; the
/// box's result.
bool showCertificateBox(QORVHelper& helper, const rtl::OUString& message);
}
