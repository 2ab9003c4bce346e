/// Where this machine's office lies and how one of ours is started: its paths and command-line
/// settings, spelled once for the tools, the demo and the tests.
#pragma once

#include <string>
#include <vector>

namespace quillmark::office
{
/// A program of the office's program folder ("soffice.bin", "unopkg"), as the build found it.
std::string officeProgram(const std::string& name);

/// The soffice.bin arguments of an office of our own: `profile` as its user installation,
/// reachable through the pipe `pipeName`, with no window unless `visible`.
std::vector<std::string> startArguments(const std::string& profile, const std::string& pipeName,
                                        bool visible);

/// The UNO URL of the office that was started with `pipeName`.
std::string connectionUrl(const std::string& pipeName);

/// The office's own types, and those of the given type libraries (.rdb files).
std::string moreTypes(const std::vector<std::string>& rdbFiles);
/// The office's own services, and the components of the given .component files.
std::string moreServices(const std::vector<std::string>& componentFiles);

/// The settings that make `folder` the shared extension folder: unopkg --shared and the office
/// that is to see its extensions must both be given them.
std::vector<std::string> sharedPackages(const std::string& folder);

/// A shell command running unopkg with `arguments` on the shared extension folder `folder`, with
/// a profile of its own beside the extensions.
std::string unopkgCommand(const std::vector<std::string>& arguments, const std::string& folder);

/// file:// URL of a system path, encoded as the office encodes it; a relative path is taken from
/// the current folder.
std::string fileUrl(const std::string& path);

/// `text` as one word of a shell command.
std::string shellQuoted(const std::string& text);
}
