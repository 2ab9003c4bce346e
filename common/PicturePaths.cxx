#include <common/PicturePaths.hxx>

#include <common/OfficeNames.hxx>
#include <common/UnoHelpers.hxx>

#include <com/sun/star/util/XStringSubstitution.hpp>
#include <osl/file.hxx>
#include <rtl/ustrbuf.hxx>
#include <osl/thread.h>
#include <unistd.h>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
constexpr char kProgramFilesEscaped[] = "Program%20Files";
constexpr char kProgramFiles[] = "Program Files";
constexpr char kProductFolderEscaped[] = "Quillmark%203.0";
constexpr char kProductFolder[] = "Quillmark 3.0";
/// The profile folder for seal pictures where the installation's filter folder cannot take them.
constexpr char kProfilePictureFolder[] = "$(user)/quillmark/";

OUString replaceFirstPastStart(const OUString& text, const char* searched, const char* replacement)
{
    const sal_Int32 position = text.indexOfAsciiL(searched, rtl_str_getLength(searched));
    if (position <= 0)
        return text;
    return text.replaceAt(position, rtl_str_getLength(searched), ascii(replacement));
}

OUString pathSetting(const Reference<uno::XComponentContext>& context, const char* name)
{
    Reference<uno::XInterface> settings = createService(context, texts::kPathSettingsService);
    OUString value;
    getProperty(settings, name) >>= value;
    return value;
}

OUString profilePictureFolder(const Reference<uno::XComponentContext>& context)
{
    Reference<util::XStringSubstitution> substitution(
        createService(context, texts::kPathSubstitutionService), UNO_QUERY_THROW);
    const OUString folder = substitution->substituteVariables(ascii(kProfilePictureFolder), true);
    osl::Directory::createPath(folder);
    return folder;
}
}

OUString rewriteFilterDirectory(const OUString& url)
{
    return replaceFirstPastStart(replaceFirstPastStart(url, kProgramFilesEscaped, kProgramFiles),
                                 kProductFolderEscaped, kProductFolder);
}

OUString sealPictureFileName(const OUString& name)
{
    rtl::OUStringBuffer safe(name.getLength() + 7);
    for (sal_Int32 i = 0; i < name.getLength(); ++i)
    {
        const sal_Unicode c = name[i];
        const bool unsafe = c == '/' || c == '\\' || c == '%' || c == '#' || c == '?' || c < 0x20;
        safe.append(unsafe ? sal_Unicode('_') : c);
    }
    safe.append("ktx.gif");
    return safe.makeStringAndClear();
}

OUString sealPictureURL(const OUString& folder, const OUString& name)
{
    return (folder.endsWith("/") ? folder : folder + "/") + sealPictureFileName(name);
}

bool isWritableDirectory(const OUString& url)
{
    osl::DirectoryItem item;
    osl::FileStatus status(osl_FileStatus_Mask_Type);
    if (url.isEmpty() || osl::DirectoryItem::get(url, item) != osl::FileBase::E_None
        || item.getFileStatus(status) != osl::FileBase::E_None
        || status.getFileType() != osl::FileStatus::Directory)
        return false;
    OUString path;
    if (osl::FileBase::getSystemPathFromFileURL(url, path) != osl::FileBase::E_None)
        return false;
    return access(OUStringToOString(path, osl_getThreadTextEncoding()).getStr(), W_OK) == 0;
}

bool fileExists(const OUString& url)
{
    osl::DirectoryItem item;
    return !url.isEmpty() && osl::DirectoryItem::get(url, item) == osl::FileBase::E_None;
}

OUString filterDirectoryURL(const Reference<uno::XComponentContext>& context)
{
    const OUString filter = rewriteFilterDirectory(pathSetting(context, "Filter"));
    // The office installation's filter folder is usually missing or read-only on Linux.
    if (isWritableDirectory(filter))
        return filter;
    return profilePictureFolder(context);
}

OUString graphicDirectoryURL(const Reference<uno::XComponentContext>& context)
{
    return pathSetting(context, "Graphic");
}
}
