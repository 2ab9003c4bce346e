#include "OfficeSetup.hxx"

#include <osl/file.hxx>
#include <rtl/ustring.hxx>

#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace quillmark::office
{
namespace
{
std::string userInstallation(const std::string& profile)
{
    return "-env:UserInstallation=" + fileUrl(profile);
}

/// The office's own entries of a URE_MORE_ setting ("<…/types>*") and ours after them: the
/// setting replaces the default, which must therefore be named too.
std::string withOfficeDefault(const char* variable, const char* officeEntry,
                              const std::vector<std::string>& files)
{
    std::string setting
        = std::string("-env:") + variable + "=<" + fileUrl(officeProgram(officeEntry)) + ">*";
    for (const std::string& file : files)
        setting += " " + fileUrl(file);
    return setting;
}

std::string currentFolder()
{
    char* folder = getcwd(nullptr, 0);
    if (!folder)
        throw std::runtime_error("cannot tell the current folder");
    std::string result(folder);
    std::free(folder);
    return result;
}
}

std::string officeProgram(const std::string& name)
{
    return std::string(SEAL_OFFICE_PROGRAM_DIR) + "/" + name;
}

std::vector<std::string> startArguments(const std::string& profile, const std::string& pipeName,
                                        bool visible)
{
    // soffice.bin itself rather than the launcher, so that it dies with its starter and does not
    // hold its output streams open.
    std::vector<std::string> arguments = { officeProgram("soffice.bin") };
    if (!visible)
        arguments.insert(arguments.end(), { "--headless", "--invisible" });
    arguments.insert(arguments.end(),
                     {
                         "--norestore",
                         "--nologo",
                         "--nodefault",
                         "--nolockcheck",
                         userInstallation(profile),
                         "--accept=pipe,name=" + pipeName + ";urp;StarOffice.ComponentContext",
                     });
    return arguments;
}

std::string connectionUrl(const std::string& pipeName)
{
    return "uno:pipe,name=" + pipeName + ";urp;StarOffice.ComponentContext";
}

std::string moreTypes(const std::vector<std::string>& rdbFiles)
{
    return withOfficeDefault("URE_MORE_TYPES", "types", rdbFiles);
}

std::string moreServices(const std::vector<std::string>& componentFiles)
{
    return withOfficeDefault("URE_MORE_SERVICES", "services", componentFiles);
}

std::vector<std::string> sharedPackages(const std::string& folder)
{
    return { "-env:UNO_SHARED_PACKAGES=" + fileUrl(folder),
             "-env:UNO_SHARED_PACKAGES_CACHE=" + fileUrl(folder + "/cache") };
}

std::string unopkgCommand(const std::vector<std::string>& arguments, const std::string& folder)
{
    std::string command = shellQuoted(officeProgram("unopkg"));
    for (const std::string& argument : arguments)
        command += " " + shellQuoted(argument);
    command += " --shared";
    for (const std::string& setting : sharedPackages(folder))
        command += " " + shellQuoted(setting);
    return command + " " + shellQuoted(userInstallation(folder + "/unopkg-profile"));
}

std::string fileUrl(const std::string& path)
{
    const std::string absolute
        = !path.empty() && path[0] == '/' ? path : currentFolder() + "/" + path;
    rtl::OUString url;
    if (osl::FileBase::getFileURLFromSystemPath(rtl::OUString::fromUtf8(absolute.c_str()), url)
        != osl::FileBase::E_None)
        throw std::runtime_error("not a path the office can name: " + path);
    return std::string(url.toUtf8().getStr());
}

std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}
}
