// Every tool reads its command line the same way: options before, between or after the operands,
// --help on standard output with status 0, and a command line it cannot take refused with its
// usage on standard error and status 2, before any work starts.

#include <CertSealOptions.hxx>
#include <CommandLine.hxx>
#include <VerifyOptions.hxx>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;
using quillmark::commandline::UsageError;

namespace
{
/// An argv of its own for each parse: getopt may reorder it.
class CommandLine
{
public:
    CommandLine(std::initializer_list<std::string> arguments)
        : words{ "tool" }
    {
        words.insert(words.end(), arguments);
        for (std::string& word : words)
            pointers.push_back(word.data());
        pointers.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(words.size()); }
    char** argv() { return pointers.data(); }

private:
    std::vector<std::string> words;
    std::vector<char*> pointers;
};

std::string fileText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct ToolRun
{
    int status = -1;
    std::string out;
    std::string err;
};

/// Runs a tool in `folder` with `arguments` (each quoted for the shell).
/// Runs `tool` in `folder`, its standard input read from `input` there (or nothing).
ToolRun runTool(const std::string& tool, const std::vector<std::string>& arguments,
                const fs::path& folder, const std::string& input = "/dev/null")
{
    std::string command = "cd '" + folder.string() + "' && '" + tool + "'";
    for (const std::string& argument : arguments)
        command += " '" + argument + "'";
    command += " >out.txt 2>err.txt <'" + input + "'";
    const int status = std::system(command.c_str());
    ToolRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = fileText(folder / "out.txt");
    run.err = fileText(folder / "err.txt");
    return run;
}

class TempFolder
{
public:
    TempFolder()
    {
        char pattern[] = "/tmp/quillmark-options-XXXXXX";
        if (mkdtemp(pattern))
            path = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    fs::path path;
};
}

TEST(ToolOptions, VerifyTakesItsOptionsAnywhereAndFileNamesInOrder)
{
    using namespace quillmark::verify;
    struct Case
    {
        std::initializer_list<std::string> arguments;
        Format format;
        unsigned offices;
        long timeout;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        { { "a.odt" }, Format::Table, 4, 300, { "a.odt" } },
        { { "--json", "a.odt", "b.odt" }, Format::Json, 4, 300, { "a.odt", "b.odt" } },
        { { "a.odt", "--json-lines", "--jobs", "2", "b.odt" },
          Format::JsonLines,
          2,
          300,
          { "a.odt", "b.odt" } },
        { { "--jobs=3", "--timeout", "5", "a.odt" }, Format::Table, 3, 5, { "a.odt" } },
        { { "--json-lines", "--json", "a.odt" }, Format::Json, 4, 300, { "a.odt" } },
        // "-" reads names where it stands; after "--" it is a file of that name, as is "-x".
        { { "first.odt", "-", "last.odt" },
          Format::Table,
          4,
          300,
          { "first.odt", "x.odt", "y.odt", "last.odt" } },
        { { "--", "-", "-x", "--json" }, Format::Table, 4, 300, { "-", "-x", "--json" } },
    };
    for (const Case& c : cases)
    {
        CommandLine line(c.arguments);
        std::istringstream names("x.odt\n\ny.odt\n");
        const Settings settings = parseSettings(line.argc(), line.argv(), names, 4);
        const std::string shown = ::testing::PrintToString(std::vector<std::string>(c.arguments));
        EXPECT_FALSE(settings.help) << shown;
        EXPECT_EQ(c.format, settings.format) << shown;
        EXPECT_EQ(c.offices, settings.pool.offices) << shown;
        EXPECT_EQ(c.timeout, settings.pool.fileTimeout.count()) << shown;
        EXPECT_EQ(c.files, settings.files) << shown;
    }
}

TEST(ToolOptions, VerifyRefusesWhatItCannotTakeAndAnswersHelp)
{
    using namespace quillmark::verify;
    const std::initializer_list<std::string> refused[] = {
        {},
        { "--json" },
        { "--jobs", "0", "a.odt" },
        { "--jobs", "10001", "a.odt" },
        { "--jobs", " 2", "a.odt" },
        { "--jobs", "+2", "a.odt" },
        { "--timeout", "5s", "a.odt" },
        { "a.odt", "--jobs" },
        { "--bogus", "a.odt" },
        { "-x", "a.odt" },
    };
    for (const auto& arguments : refused)
    {
        CommandLine line(arguments);
        std::istringstream names;
        EXPECT_THROW(parseSettings(line.argc(), line.argv(), names, 4), UsageError)
            << ::testing::PrintToString(std::vector<std::string>(arguments));
    }
    for (const auto& arguments : { std::initializer_list<std::string>{ "--help" },
                                   std::initializer_list<std::string>{ "a.odt", "-h" } })
    {
        CommandLine line(arguments);
        std::istringstream names;
        EXPECT_TRUE(parseSettings(line.argc(), line.argv(), names, 4).help);
    }
}

TEST(ToolOptions, CertSealTakesItsOptionsAnywhereAndTwoSizeValues)
{
    using namespace quillmark::certseal;
    struct Case
    {
        std::initializer_list<std::string> arguments;
        bool verify;
        std::string document;
        int pinFd;
        std::string name;
        SealPlacement placement;
    };
    const Case cases[] = {
        { { "notice.txt", "12000", "20000", "1" },
          false,
          "notice.txt",
          -1,
          "",
          { 12000, 20000, 1 } },
        { { "--size", "5000", "6000", "--pin-fd", "3", "n.txt", "1", "2", "3" },
          false,
          "n.txt",
          3,
          "",
          { 1, 2, 3, 5000, 6000 } },
        { { "n.txt", "1", "2", "3", "--size", "10", "20", "--name", "公章" },
          false,
          "n.txt",
          -1,
          "公章",
          { 1, 2, 3, 10, 20 } },
        { { "--verify", "sealed.odt" }, true, "sealed.odt", -1, "", {} },
        { { "sealed.odt", "--verify", "--name=甲" }, true, "sealed.odt", -1, "甲", {} },
    };
    for (const Case& c : cases)
    {
        CommandLine line(c.arguments);
        const Arguments arguments = parseArguments(line.argc(), line.argv());
        const std::string shown = ::testing::PrintToString(std::vector<std::string>(c.arguments));
        EXPECT_EQ(c.verify, arguments.verify) << shown;
        EXPECT_EQ(c.document, arguments.document) << shown;
        EXPECT_EQ(c.pinFd, arguments.pinFd) << shown;
        EXPECT_EQ(c.name, arguments.name) << shown;
        if (c.verify)
            continue;
        EXPECT_EQ(c.placement.x, arguments.placement.x) << shown;
        EXPECT_EQ(c.placement.y, arguments.placement.y) << shown;
        EXPECT_EQ(c.placement.page, arguments.placement.page) << shown;
        EXPECT_EQ(c.placement.width, arguments.placement.width) << shown;
        EXPECT_EQ(c.placement.height, arguments.placement.height) << shown;
    }
}

TEST(ToolOptions, CertSealRefusesAPinAmongItsArgumentsAndWhatElseItCannotTake)
{
    using namespace quillmark::certseal;
    struct Case
    {
        std::initializer_list<std::string> arguments;
        std::string message;
    };
    const Case cases[] = {
        { { "document.odt", "123456", "1000", "1000", "1" },
          "the PIN is not taken from the command line" },
        { { "document.odt", "1000", "1000" }, "wrong number of arguments" },
        { { "--verify", "a.odt", "b.odt" }, "wrong number of arguments" },
        { { "--size", "10", "n.txt" }, "--size takes a number" },
        { { "n.txt", "1", "2", "3", "--size", "10" }, "--size needs another value" },
        { { "n.txt", "1", "2", "0" }, "PAGE takes a number" },
        { { "n.txt", "1", "2", "3", "--pin-fd" }, "--pin-fd needs a value" },
        { { "--pin", "123456", "n.txt", "1", "2", "3" }, "unknown option --pin" },
    };
    for (const Case& c : cases)
    {
        CommandLine line(c.arguments);
        try
        {
            parseArguments(line.argc(), line.argv());
            ADD_FAILURE() << "taken: "
                          << ::testing::PrintToString(std::vector<std::string>(c.arguments));
        }
        catch (const UsageError& error)
        {
            EXPECT_NE(std::string::npos, std::string(error.what()).find(c.message)) << error.what();
        }
    }
}

TEST(ToolOptions, EveryToolAnswersHelpAndRefusesAnUnknownOptionWithStatusTwo)
{
    TempFolder folder;
    ASSERT_FALSE(folder.path.empty());
    for (const char* tool :
         { QUILLMARK_VERIFY, QUILLMARK_CERT_SEAL, QUILLMARK_SEAL_AUTHORITY, QUILLMARK_MAKE_SEAL,
           QUILLMARK_MAKE_STAMP_AREA, QUILLMARK_DRAW_ICONS, SEAL_DEMO, SEAL_BENCH })
    {
        const std::string name = fs::path(tool).filename();
        const ToolRun help = runTool(tool, { "--help" }, folder.path);
        EXPECT_EQ(0, help.status) << name;
        EXPECT_NE(std::string::npos, help.out.find("sage: " + name)) << name << ": " << help.out;
        EXPECT_TRUE(help.err.empty()) << name << ": " << help.err;

        const ToolRun refused = runTool(tool, { "--no-such-option" }, folder.path);
        EXPECT_EQ(2, refused.status) << name;
        EXPECT_TRUE(refused.out.empty()) << name << ": " << refused.out;
        EXPECT_NE(std::string::npos, refused.err.find("unknown option --no-such-option"))
            << name << ": " << refused.err;
        EXPECT_NE(std::string::npos, refused.err.find("sage: " + name)) << name;
    }
    // Nothing was started or written.
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder.path))
        left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ((std::vector<std::string>{ "err.txt", "out.txt" }), left);
}

TEST(ToolOptions, SealMakingToolsTakeOptionsBeforeOrAfterTheirOperands)
{
    TempFolder folder;
    ASSERT_FALSE(folder.path.empty());
    struct Case
    {
        const char* tool;
        std::vector<std::string> arguments;
        int status;
        std::string said;
    };
    // A seal's key is kept under its PIN, read here from standard input.
    std::ofstream(folder.path / "pin.txt") << "24681357\n";
    const Case cases[] = {
        { QUILLMARK_SEAL_AUTHORITY, { "authority", "测试认证机构" }, 0, "made in authority" },
        { QUILLMARK_SEAL_AUTHORITY, { "authority" }, 2, "needs a folder and a name" },
        { QUILLMARK_SEAL_AUTHORITY, { "a", "b", "c" }, 2, "needs a folder and a name" },
        { QUILLMARK_SEAL_AUTHORITY,
          { "crl", "authority", "--reason", "superseded" },
          2,
          "crl takes no --reason" },
        { QUILLMARK_MAKE_SEAL,
          { "--authority", "authority", "--pin-fd", "0", "--size", "64", "甲公司", "seal-a" },
          0,
          "picture 64x64 px" },
        { QUILLMARK_MAKE_SEAL,
          { "乙公司", "seal-b", "--valid-days=30", "--authority=authority", "--size", "80",
            "--pin-fd=0" },
          0,
          "picture 80x80 px" },
        { QUILLMARK_MAKE_SEAL, { "--change-pin", "seal-a", "seal-b" }, 2, "too many arguments" },
        { QUILLMARK_MAKE_SEAL, { "--size", "63", "丙公司", "seal-c" }, 2, "--size takes a number" },
        { QUILLMARK_MAKE_SEAL, { "丙公司", "seal-c", "extra" }, 2, "too many arguments" },
        { QUILLMARK_MAKE_SEAL, { "--force" }, 2, "the organisation's name is missing" },
        { QUILLMARK_MAKE_STAMP_AREA, { "area.gif" }, 0, "" },
        { QUILLMARK_MAKE_STAMP_AREA, {}, 2, "too few arguments" },
        { SEAL_BENCH, { "work", "many" }, 2, "LARGEST takes a number" },
        { SEAL_BENCH, { "work", "10", "everything" }, 2, "not pages, rich, fields, pdf or batch" },
        { SEAL_DEMO, { "out", "more" }, 2, "too many arguments" },
    };
    for (const Case& c : cases)
    {
        const ToolRun run = runTool(c.tool, c.arguments, folder.path, "pin.txt");
        const std::string shown
            = fs::path(c.tool).filename().string() + " " + ::testing::PrintToString(c.arguments);
        EXPECT_EQ(c.status, run.status) << shown << "\n" << run.err;
        EXPECT_NE(std::string::npos, (run.status == 0 ? run.out : run.err).find(c.said))
            << shown << ": " << run.out << run.err;
    }
    EXPECT_TRUE(fs::exists(folder.path / "seal-a" / "seal.esl"));
    EXPECT_TRUE(fs::exists(folder.path / "seal-b" / "seal.esl"));
    EXPECT_FALSE(fs::exists(folder.path / "seal-c"));
    EXPECT_EQ("GIF8", fileText(folder.path / "area.gif").substr(0, 4));
}
