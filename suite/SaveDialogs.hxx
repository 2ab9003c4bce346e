/// The questions of a save in another format: where and in which format, when the command did
/// not say, and whether to go on when that format would lose the document's seals.
#pragma once

#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <optional>
#include <rtl/ustring.hxx>

namespace quillmark::suite
{
namespace css = com::sun::star;

struct SaveTarget
{
    rtl::OUString url;
    rtl::OUString filterName;
};

/// Asks for the file and format with the office's file picker, offering Writer's filters (only
/// the export ones when `exporting`), `currentFilter` chosen first; none when cancelled.
std::optional<SaveTarget>
askSaveTarget(const css::uno::Reference<css::uno::XComponentContext>& context,
              const css::uno::Reference<css::frame::XFrame>& frame, bool exporting,
              const rtl::OUString& currentFilter);

/// The name a person knows the filter by, or the filter's own name.
rtl::OUString filterTitle(const css::uno::Reference<css::uno::XComponentContext>& context,
                          const rtl::OUString& filterName);

/// Warns that the seals' signatures will be lost in the format `formatTitle`; true when the
/// person chooses to save all the same.
bool confirmSealLoss(const css::uno::Reference<css::uno::XComponentContext>& context,
                     const css::uno::Reference<css::frame::XFrame>& frame,
                     const rtl::OUString& formatTitle);
}
