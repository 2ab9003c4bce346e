// Paths become URLs and shell words that the office and the shell read back as the same path.

#include <OfficeSetup.hxx>

#include <gtest/gtest.h>
#include <osl/file.hxx>
#include <rtl/ustring.hxx>

#include <cstdio>
#include <string>
#include <unistd.h>

using namespace quillmark::office;

namespace
{
std::string systemPath(const std::string& url)
{
    rtl::OUString path;
    if (osl::FileBase::getSystemPathFromFileURL(rtl::OUString::fromUtf8(url.c_str()), path)
        != osl::FileBase::E_None)
        return "(not a file URL: " + url + ")";
    return std::string(path.toUtf8().getStr());
}

std::string currentFolder()
{
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

/// What the shell makes of `word`.
std::string echoedByShell(const std::string& word)
{
    FILE* shell = popen(("printf '%s' " + word).c_str(), "r");
    std::string output;
    char buffer[256];
    while (size_t count = std::fread(buffer, 1, sizeof buffer, shell))
        output.append(buffer, count);
    pclose(shell);
    return output;
}
}

TEST(OfficeSetup, FileUrlsEncodeWhatAUrlCannotHoldAndNameTheSamePath)
{
    struct Case
    {
        std::string path;
        std::string url;
    };
    const Case cases[] = {
        { "/tmp/plain.odt", "file:///tmp/plain.odt" },
        { "/tmp/with space/a b.odt", "file:///tmp/with%20space/a%20b.odt" },
        { "/tmp/通知.odt", "file:///tmp/%E9%80%9A%E7%9F%A5.odt" },
        { "/tmp/#1 100%.odt", "file:///tmp/%231%20100%25.odt" },
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.url, fileUrl(c.path)) << c.path;
        EXPECT_EQ(c.path, systemPath(fileUrl(c.path))) << c.path;
    }
}

TEST(OfficeSetup, RelativePathsAreTakenFromTheCurrentFolder)
{
    const std::string here = currentFolder();
    ASSERT_FALSE(here.empty());
    EXPECT_EQ(fileUrl(here + "/out/bench"), fileUrl("out/bench"));
    EXPECT_EQ(here + "/out/bench/记录 1.odt", systemPath(fileUrl("out/bench/记录 1.odt")));
}

TEST(OfficeSetup, ShellWordsReachTheCommandAsTheyWere)
{
    for (const std::string word :
         { "plain", "with space", "it's", "''", "$HOME", "`id`", "a\\b", "通知 #1", "" })
        EXPECT_EQ(word, echoedByShell(shellQuoted(word))) << word;
}
