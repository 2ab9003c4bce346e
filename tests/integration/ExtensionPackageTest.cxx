// The release package: stripped libraries, the build's version, and an install that a removal
// takes back entirely, so that it can be installed again.

#include <Office.hxx>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace
{
constexpr char kIdentifier[] = "com.quillmark.seal";
const std::array<const char*, 4> kLibraries
    = { "libquillmarkseal.so", "libquillmarkuitools.so", "libQORV_API.so", "libKTXESeal.so" };

std::string quoted(const std::string& text) { return "'" + text + "'"; }

/// What a command printed; its exit status in `status`.
std::string run(const std::string& command, int& status)
{
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
    {
        status = -1;
        return output;
    }
    char buffer[4096];
    while (size_t count = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, count);
    status = pclose(pipe);
    return output;
}

/// A shared package folder of the test's own, driven with unopkg as an administrator would.
class PackageFolder
{
public:
    PackageFolder()
    {
        char pattern[] = "/tmp/quillmark-package-XXXXXX";
        if (mkdtemp(pattern))
            folder = pattern;
    }
    ~PackageFolder()
    {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    std::string unopkg(const std::vector<std::string>& arguments, int& status) const
    {
        return run(quillmark::office::unopkgCommand(arguments, folder), status);
    }

    /// Copies of the extension's libraries anywhere in the package folder.
    std::set<std::string> installedLibraries() const
    {
        std::set<std::string> found;
        std::error_code error;
        for (const auto& entry : fs::recursive_directory_iterator(folder, error))
            for (const char* library : kLibraries)
                if (entry.path().filename() == library)
                    found.insert(entry.path().string());
        return found;
    }

    bool lists(const std::string& identifier) const
    {
        int status = 0;
        return unopkg({ "list" }, status).find(identifier) != std::string::npos;
    }

    std::string folder;
};
}

TEST(ExtensionPackage, AddRemoveAndAddAgainLeaveNothingBehind)
{
    PackageFolder packages;
    ASSERT_FALSE(packages.folder.empty());
    int status = 0;
    for (int round = 1; round <= 2; ++round)
    {
        std::string output = packages.unopkg({ "add", SEAL_OXT }, status);
        ASSERT_EQ(0, status) << "round " << round << ": " << output;
        if (round == 2)
        {
            EXPECT_TRUE(packages.lists(kIdentifier));
        }
        EXPECT_EQ(kLibraries.size(), packages.installedLibraries().size()) << "round " << round;

        output = packages.unopkg({ "remove", kIdentifier }, status);
        ASSERT_EQ(0, status) << "round " << round << ": " << output;
        // unopkg deletes a removed package's files when it next looks at the folder.
        EXPECT_FALSE(packages.lists(kIdentifier)) << "round " << round;
        const std::set<std::string> left = packages.installedLibraries();
        EXPECT_TRUE(left.empty()) << "round " << round << ": " << *left.begin();
    }
}

TEST(ExtensionPackage, LibrariesAreStrippedAndTheVersionIsTheBuilds)
{
    char pattern[] = "/tmp/quillmark-oxt-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    const std::string unpacked = pattern;
    int status = 0;
    std::string output
        = run("cd " + quoted(unpacked) + " && cmake -E tar xf " + quoted(SEAL_OXT), status);
    ASSERT_EQ(0, status) << output;

    for (const char* library : kLibraries)
    {
        const std::string path = unpacked + "/" + library;
        ASSERT_TRUE(fs::exists(path)) << library;
        output = run("readelf -S --wide " + quoted(path), status);
        ASSERT_EQ(0, status) << output;
        EXPECT_EQ(std::string::npos, output.find(".debug_")) << library << " carries debug info";
        EXPECT_EQ(std::string::npos, output.find(".symtab")) << library << " carries symbols";
    }
    EXPECT_LT(fs::file_size(SEAL_OXT), 2u * 1024 * 1024) << "the package stays small";

    std::ifstream description(unpacked + "/description.xml");
    std::stringstream text;
    text << description.rdbuf();
    EXPECT_NE(std::string::npos, text.str().find("<version value=\"" SEAL_PROJECT_VERSION "\"/>"))
        << text.str();
    std::error_code ignored;
    fs::remove_all(unpacked, ignored);
}
