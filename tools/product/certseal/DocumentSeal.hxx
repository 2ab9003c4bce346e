/// A certificate seal as a Writer document keeps it: two user field masters that are never
/// inserted into the text, and the seal picture as a draw shape anchored to a page. Fields and
/// shapes are written by the stored format's one library (format/UserMasters.hxx,
/// format/ShapeAttributes.hxx), as the component writes them.
#pragma once

#include <com/sun/star/frame/XModel.hpp>

#include <rtl/ustring.hxx>

#include <optional>
#include <string>
#include <vector>

namespace quillmark::certseal
{
namespace css = com::sun::star;

/// The bytes a certificate seal signs: the text in GBK, characters GBK lacks replaced.
std::vector<unsigned char> gbkBytes(const rtl::OUString& text);

/// The text in GBK when GBK carries every character of it exactly; nothing otherwise (an emoji,
/// a rare character of a name, a zero character), since such a text would be signed lossily.
std::optional<std::vector<unsigned char>> exactGbkBytes(const rtl::OUString& text);

/// Base64 text of `bytes`, as the seal's fields keep certificate and signature.
rtl::OUString base64Text(const std::vector<unsigned char>& bytes);

/// Stores a certificate seal's fields: seal name + "Cert" and seal name + "Sign".
void writeSignatureFields(const css::uno::Reference<css::frame::XModel>& model,
                          const rtl::OUString& sealName,
                          const std::vector<unsigned char>& certificate,
                          const std::vector<unsigned char>& signedData);

/// The document's main text, exactly as getString returns it.
rtl::OUString documentText(const css::uno::Reference<css::frame::XModel>& model);

/// The first user field name that ends in `suffix`, mirrors included where they are read.
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
/// Stores the seal's coverage: the manifest the component read and the token's PKCS#7 signed
/// data over it, in the field NAME + "Coverage".
void writeCoverageField(const css::uno::Reference<css::frame::XModel>& model,
                        const rtl::OUString& sealName, const std::string& manifest,
                        const std::vector<unsigned char>& signedData);

void placeSealShape(const css::uno::Reference<css::frame::XModel>& model,
                    const std::string& pictureUrl, const SealPlacement& placement,
                    const rtl::OUString& sealName);
}
