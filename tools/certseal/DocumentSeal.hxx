/// A certificate seal as a Writer document keeps it: two user field masters that are never
/// inserted into the text, and the seal picture as a draw shape anchored to a page.
#pragma once

#include <com/sun/star/frame/XModel.hpp>

#include <rtl/ustring.hxx>

#include <optional>
#include <string>

namespace quillmark::certseal
{
namespace css = com::sun::star;

/// The document's main text, exactly as getString returns it.
rtl::OUString documentText(const css::uno::Reference<css::frame::XModel>& model);

/// Creates or updates the user field master `name` with "Content" `value`.
void writeUserField(const css::uno::Reference<css::frame::XModel>& model, const rtl::OUString& name,
                    const rtl::OUString& value);
std::optional<rtl::OUString> readUserField(const css::uno::Reference<css::frame::XModel>& model,
                                           const rtl::OUString& name);
/// The first user field master name that ends in `suffix`.
std::optional<rtl::OUString>
firstUserFieldEndingIn(const css::uno::Reference<css::frame::XModel>& model,
                       const rtl::OUString& suffix);

struct SealPlacement
{
    sal_Int32 x = 0;
    sal_Int32 y = 0;
    sal_Int16 page = 1;
    sal_Int32 width = 4000;
    sal_Int32 height = 4000;
};

/// Puts the seal picture on the page as a protected shape named "Stamper" whose user-defined
/// attributes say "ShapeType" = "Stamper" and "StamperName" = `sealName`.
void placeSealShape(const css::uno::Reference<css::frame::XModel>& model,
                    const std::string& pictureUrl, const SealPlacement& placement,
                    const rtl::OUString& sealName);
}
