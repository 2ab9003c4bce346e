/// Where seal pictures are written and read.
#pragma once

#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>

namespace quillmark
{
/// Undoes the URL escaping of the two Windows installation folder names in a filter directory
/// URL: the first "Program%20Files" and the first "Quillmark%203.0", each only past position 0.
rtl::OUString rewriteFilterDirectory(const rtl::OUString& url);

/// The file name of a seal's picture: the name followed by "ktx.gif". Characters that would lead
/// out of the picture folder or change the URL's meaning become "_".
rtl::OUString sealPictureFileName(const rtl::OUString& name);

/// The URL of a seal's picture file in `folder`: one "/" between them, whether or not the
/// folder's URL ends in one, so that the writer and every reader of a picture name one file.
rtl::OUString sealPictureURL(const rtl::OUString& folder, const rtl::OUString& name);

/// True when the file URL names an existing directory this process may write into.
bool isWritableDirectory(const rtl::OUString& url);

/// True when the file URL names an existing file.
bool fileExists(const rtl::OUString& url);

/// The office's filter folder, where seal pictures are written and read; the profile's seal
/// picture folder (made on first use) where the filter folder is missing or not writable.
rtl::OUString filterDirectoryURL(const css::uno::Reference<css::uno::XComponentContext>& context);
/// The office's graphic folder, where an organisation may put its own stamping-area picture.
rtl::OUString graphicDirectoryURL(const css::uno::Reference<css::uno::XComponentContext>& context);
}
