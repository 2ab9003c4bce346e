// quillmark-verify on a folder of real documents: made here with the component and the test
// office, then read by the tool in offices of its own.

#include "FieldSealFixture.hxx"
#include "RichNotice.hxx"

#include <DocumentSeal.hxx>
#include <TestToken.hxx>
#include <TokenSigner.hxx>

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/configuration/theDefaultProvider.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/XChangesBatch.hpp>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <dirent.h>
#include <filesystem>

using namespace com::sun::star;
using namespace quillmark::test;
using nlohmann::json;

namespace
{
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

/// The organisation of the fixture's seal, which stamps every document here but one.
constexpr char kSigningOrganisation[] = u8"测试合同专用章";
/// The organisation of another seal, whose picture and coverage a forger takes.
constexpr char kForeignOrganisation[] = u8"上海某某贸易有限公司";

struct ToolRun
{
    int exitStatus = -1;
    std::string output;
};

/// Runs the tool in `folder` with `arguments` (shell words) and `input` on its standard input;
/// `wrapper` (shell words) goes before it, to run it in another environment.
ToolRun runTool(const std::string& folder, const std::string& arguments,
                const std::string& input = std::string(),
                const std::string& wrapper = std::string())
{
    const std::string inputFile = folder + "/.tool-input";
    std::ofstream(inputFile) << input;
    const std::string command = "cd '" + folder + "' && " + wrapper + " '" QUILLMARK_VERIFY "' "
                                + arguments + " < '" + inputFile + "' 2>/dev/null";
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    for (size_t read; (read = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        run.output.append(buffer, read);
    const int status = pclose(pipe);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::remove(inputFile.c_str());
    return run;
}

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::set<std::string> folderEntries(const std::string& folder)
{
    std::set<std::string> names;
    if (DIR* dir = opendir(folder.c_str()))
    {
        while (dirent* entry = readdir(dir))
            names.insert(entry->d_name);
        closedir(dir);
    }
    return names;
}

/// The documents of the folder, made once for all tests of the binary.
class VerifyToolTest : public FieldSealTest
{
protected:
    static std::string& folder()
    {
        static std::string made;
        return made;
    }

    void SetUp() override
    {
        qorvtest::testToken(); // SOFTHSM2_CONF for this process and the tool's offices
        FieldSealTest::SetUp();
        if (!folder().empty())
            return;
        try
        {
            makeDocuments();
        }
        catch (const uno::Exception& exception)
        {
            FAIL() << "making the documents failed: " << utf8(exception.Message);
        }
    }

    void makeDocuments()
    {
        const std::string dir = office().workDirectory() + "/archive";
        mkdir(dir.c_str(), 0755);
        installStampAreaPicture();

        // Stamped and field-signed; then a copy changed outside the field.
        stamp();
        ASSERT_TRUE(helper->signField("contract"));
        document.escape();
        copyFile(document.saveAs(office(), "valid.odt"), dir + "/valid.odt");
        changeCharacter(kAfterRegion);
        copyFile(document.saveAs(office(), "changed.odt"), dir + "/changed.odt");

        // Only the field signed: a change inside it and a change outside it.
        fresh();
        ASSERT_TRUE(helper->signField("contract"));
        document.escape();
        changeCharacter(kInsideRegion);
        copyFile(document.saveAs(office(), "field-inside.odt"), dir + "/field-inside.odt");
        fresh();
        ASSERT_TRUE(helper->signField("contract"));
        document.escape();
        changeCharacter(kAfterRegion);
        copyFile(document.saveAs(office(), "field-outside.odt"), dir + "/field-outside.odt");

        // A certificate seal signed on the token.
        fresh();
        const auto signature = quillmark::certseal::signWithToken(
            qorvtest::kPinUtf8, quillmark::certseal::gbkBytes(document.text()));
        const OUString sealName = OUString::fromUtf8(u8"合同专用章");
        quillmark::certseal::writeSignatureFields(document.model, sealName, signature.certificate,
                                                  signature.signedData);
        quillmark::certseal::placeSealShape(document.model, fileUrl(pictureFile("cert.gif")), {},
                                            sealName);
        copyFile(document.saveAs(office(), "certificate.odt"), dir + "/certificate.odt");

        fresh();
        copyFile(document.saveAs(office(), "unsigned.odt"), dir + "/unsigned.odt");
        std::ofstream(dir + "/corrupt.odt", std::ios::binary)
            << std::string("PK\x03\x04", 4) << std::string(2000, '\x7f');

        makeNotices(dir);
        makeDatedNotices(dir);
        messages();
        folder() = dir;
    }

    /// The notice a forger works on, stamped by the fixture's seal, and as a .docx; the same
    /// notice stamped by another organisation's seal, whose picture and coverage a forger takes.
    void makeNotices(const std::string& dir)
    {
        useDocument(OUString());
        buildRichNotice(document, pictureFile("notice-logo.gif", 60, 40));
        stamp();
        copyFile(document.saveAs(office(), "notice.odt"), dir + "/notice.odt");
        ASSERT_TRUE(helper->prepareSealsForSaving("MS Word 2007 XML"));
        copyFile(document.saveAs(office(), "notice.docx", "MS Word 2007 XML"),
                 dir + "/notice.docx");

        static const TestSeal foreignSeal(office().workDirectory() + "/seal-foreign",
                                          kForeignOrganisation);
        foreignSeal.activate();
        useDocument(OUString());
        buildRichNotice(document, pictureFile("notice-logo.gif", 60, 40));
        stamp();
        copyFile(document.saveAs(office(), "foreign.odt"), dir + "/foreign.odt");
        seal().activate();
    }

    /// A notice whose date, file name and drafter are fields that follow the day, the file and
    /// the person, stamped (which fixes them) by a drafter whose profile names him. Beside it,
    /// copies where one field was let follow again after stamping: they show that the shifted
    /// clock and the other profile reach the offices that read them.
    void makeDatedNotices(const std::string& dir)
    {
        setUserName(OUString::fromUtf8(u8"王科长"));
        useDocument(OUString::fromUtf8(u8"关于召开年度工作会议的通知\n发文日期："));
        Reference<beans::XPropertySet> date = appendField("DateTime");
        appendText(OUString::fromUtf8(u8"\n文件："));
        appendField("FileName")->setPropertyValue("FileFormat", Any(sal_Int16(3))); // NAME_AND_EXT
        appendText(OUString::fromUtf8(u8"\n起草人："));
        Reference<beans::XPropertySet> author = appendField("Author");
        author->setPropertyValue("FullName", Any(true));
        ASSERT_TRUE(document.text().indexOf(OUString::fromUtf8(u8"王科长")) > 0);
        stamp();
        copyFile(document.saveAs(office(), "dated.odt"), dir + "/dated.odt");
        date->setPropertyValue("IsFixed", Any(false));
        copyFile(document.saveAs(office(), "date-follows.odt"), dir + "/date-follows.odt");
        date->setPropertyValue("IsFixed", Any(true));
        author->setPropertyValue("IsFixed", Any(false));
        copyFile(document.saveAs(office(), "author-follows.odt"), dir + "/author-follows.odt");
        setUserName(OUString());
    }

    Reference<beans::XPropertySet> appendField(const char* kind)
    {
        Reference<beans::XPropertySet> field(
            Reference<lang::XMultiServiceFactory>(document.model, UNO_QUERY_THROW)
                ->createInstance("com.sun.star.text.textfield." + OUString::createFromAscii(kind)),
            UNO_QUERY_THROW);
        field->setPropertyValue("IsFixed", Any(false));
        // A date, not a time: the day is what a notice shows.
        if (std::string(kind) == "DateTime")
            field->setPropertyValue("IsDate", Any(true));
        Reference<text::XText> body = document.textDocument()->getText();
        body->insertTextContent(body->getEnd(),
                                Reference<text::XTextContent>(field, UNO_QUERY_THROW), false);
        return field;
    }

    void appendText(const OUString& text)
    {
        document.insertText(document.text().getLength(), text);
    }

    /// The name the office's profile gives its user, which author fields show.
    void setUserName(const OUString& name)
    {
        Reference<lang::XMultiServiceFactory> provider
            = configuration::theDefaultProvider::get(office().context());
        beans::PropertyValue path;
        path.Name = "nodepath";
        path.Value <<= OUString("/org.openoffice.UserProfile/Data");
        const Any argument(path);
        Reference<uno::XInterface> access = provider->createInstanceWithArguments(
            "com.sun.star.configuration.ConfigurationUpdateAccess",
            uno::Sequence<Any>(&argument, 1));
        Reference<beans::XPropertySet>(access, UNO_QUERY_THROW)
            ->setPropertyValue("givenname", Any(name));
        Reference<util::XChangesBatch>(access, UNO_QUERY_THROW)->commitChanges();
    }

    void stamp()
    {
        document.moveViewCursor(1);
        ASSERT_TRUE(helper->insertStampArea());
        select(document.textGraphic("gzqy"));
        ASSERT_TRUE(helper->stampDocument());
        document.escape();
    }

    /// A new document like the fixture's: the body with the marked field.
    void fresh()
    {
        FieldSealTest::TearDown();
        FieldSealTest::SetUp();
    }

    /// What the copy's expected verdict says of its document seal, where it says anything: the
    /// parts it names as changed, its reason and its scope.
    static void expectDocumentSealVerdict(const std::string& name, const json& verdict,
                                          const json& file)
    {
        if (!verdict.contains("changed") && !verdict.contains("reason")
            && !verdict.contains("scope"))
            return;
        const json* seal = nullptr;
        for (const json& each : file.at("seals"))
            if (each.at("kind") == "document")
                seal = &each;
        ASSERT_NE(nullptr, seal) << name << ": " << file.dump();
        EXPECT_EQ(std::string(kSigningOrganisation), (*seal).at("organisation"))
            << name << ": the seal that signed";
        if (verdict.contains("changed"))
        {
            EXPECT_EQ(verdict.at("changed"), (*seal).at("changed")) << name << ": " << file.dump();
        }
        if (verdict.contains("reason"))
        {
            std::string reason = verdict.at("reason");
            const std::string signer = "{signer}";
            if (const size_t at = reason.find(signer); at != std::string::npos)
                reason.replace(at, signer.size(), std::string(kSigningOrganisation));
            EXPECT_EQ(reason, (*seal).at("reason")) << name;
        }
        if (verdict.contains("scope"))
        {
            EXPECT_EQ(verdict.at("scope"), (*seal).at("scope")) << name;
        }
    }

    static std::map<std::string, json> byFile(const json& files)
    {
        std::map<std::string, json> found;
        for (const json& file : files)
            found[file.at("file").get<std::string>()] = file;
        return found;
    }
};

const std::vector<std::string> kMixed
    = { "valid.odt",       "changed.odt",  "field-inside.odt", "field-outside.odt",
        "certificate.odt", "unsigned.odt", "corrupt.odt",      "missing.odt" };
}

TEST_F(VerifyToolTest, MixedFolderIsReportedFileByFileAndLeftByteForByteAsItWas)
{
    std::map<std::string, std::string> before;
    for (const std::string& name : kMixed)
        before[name] = fileBytes(folder() + "/" + name);
    const std::set<std::string> entries = folderEntries(folder());

    std::string names;
    for (const std::string& name : kMixed)
        names += " " + name;
    const ToolRun run = runTool(folder(), "--json --jobs 2" + names);
    EXPECT_EQ(2, run.exitStatus) << "a file that cannot be read decides the exit status";

    const json report = json::parse(run.output);
    ASSERT_EQ(1u, report.size());
    ASSERT_EQ(kMixed.size(), report.at("files").size());
    for (size_t i = 0; i < kMixed.size(); ++i)
    {
        const json& file = report["files"][i];
        EXPECT_EQ(kMixed[i], file.at("file")) << "files are reported in the order named";
        EXPECT_TRUE(file.at("seals").is_array());
        EXPECT_EQ(file.at("status") == "error", file.at("error").is_string());
        for (const json& seal : file["seals"])
        {
            EXPECT_EQ(7u, seal.size());
            EXPECT_TRUE(seal.at("kind").is_string() && seal.at("name").is_string()
                        && seal.at("valid").is_boolean() && seal.at("reason").is_string()
                        && seal.at("scope").is_string() && seal.at("changed").is_array()
                        && seal.at("organisation").is_string())
                << seal.dump();
        }
    }
    auto files = byFile(report["files"]);
    auto seals = [&](const std::string& name) { return files[name]["seals"]; };

    EXPECT_EQ("valid", files["valid.odt"]["status"]);
    ASSERT_EQ(2u, seals("valid.odt").size());
    EXPECT_EQ("document", seals("valid.odt")[0]["kind"]);
    EXPECT_EQ("field", seals("valid.odt")[1]["kind"]);
    EXPECT_EQ("contract", seals("valid.odt")[1]["name"]);

    EXPECT_EQ("invalid", files["changed.odt"]["status"]);
    EXPECT_FALSE(seals("changed.odt")[0]["valid"].get<bool>()) << "the document text changed";
    EXPECT_TRUE(seals("changed.odt")[1]["valid"].get<bool>()) << "but not the field's";
    EXPECT_EQ(u8"文档已被修改，印章无效！（已修改：正文）", seals("changed.odt")[0]["reason"]);

    EXPECT_EQ("invalid", files["field-inside.odt"]["status"]);
    ASSERT_EQ(1u, seals("field-inside.odt").size());
    EXPECT_EQ(u8"域内容已被修改，印章无效！（已修改：正文）",
              seals("field-inside.odt")[0]["reason"]);
    EXPECT_EQ("valid", files["field-outside.odt"]["status"]);

    EXPECT_EQ("valid", files["certificate.odt"]["status"]);
    ASSERT_EQ(1u, seals("certificate.odt").size());
    EXPECT_EQ("certificate", seals("certificate.odt")[0]["kind"]);
    EXPECT_EQ(u8"合同专用章", seals("certificate.odt")[0]["name"]);

    EXPECT_EQ("unsigned", files["unsigned.odt"]["status"]);
    EXPECT_TRUE(seals("unsigned.odt").empty());
    EXPECT_EQ("error", files["corrupt.odt"]["status"]);
    EXPECT_EQ("error", files["missing.odt"]["status"]);
    EXPECT_EQ("no such file", files["missing.odt"]["error"]);
    EXPECT_TRUE(files["valid.odt"]["error"].is_null());

    for (const std::string& name : kMixed)
        EXPECT_TRUE(before[name] == fileBytes(folder() + "/" + name)) << name << " changed";
    EXPECT_EQ(entries, folderEntries(folder())) << "no lock or backup file is left behind";
}

TEST_F(VerifyToolTest, ExitStatusSaysWhetherEverythingIsValidAndNamesComeFromStandardInput)
{
    const ToolRun valid
        = runTool(folder(), "--json-lines --jobs 1 -", "valid.odt\ncertificate.odt\n");
    EXPECT_EQ(0, valid.exitStatus);
    std::istringstream lines(valid.output);
    std::vector<json> objects;
    for (std::string line; std::getline(lines, line);)
        objects.push_back(json::parse(line));
    ASSERT_EQ(2u, objects.size()) << "one object per line, one line per file";
    for (const json& object : objects)
        EXPECT_EQ("valid", object.at("status")) << object.dump();

    const ToolRun table = runTool(folder(), "--jobs 1 field-inside.odt unsigned.odt");
    EXPECT_EQ(1, table.exitStatus) << "invalid or unsigned, and nothing unreadable";
    EXPECT_EQ(std::string("FILE              KIND   NAME      VERDICT   REASON\n"
                          "field-inside.odt  field  contract  invalid   ")
                  + u8"域内容已被修改，印章无效！（已修改：正文）\n"
                  + "unsigned.odt      -      -         unsigned  -\n",
              table.output);

    EXPECT_EQ(2, runTool(folder(), "missing.odt").exitStatus);
    EXPECT_EQ(2, runTool(folder(), "--jobs 0 valid.odt").exitStatus) << "a bad option";
}

/// Files whose names say they were led out of their folder: "escaped…" anywhere in `folder` and
/// below, or directly in the temporary folder.
std::set<std::string> escapedFiles(const std::string& folder)
{
    std::set<std::string> found;
    std::error_code error;
    const auto note = [&](const std::filesystem::directory_entry& entry) {
        if (entry.path().filename().string().find("escaped") != std::string::npos)
            found.insert(entry.path().string());
    };
    for (const auto& entry : std::filesystem::recursive_directory_iterator(
             folder, std::filesystem::directory_options::skip_permission_denied, error))
        note(entry);
    for (const auto& entry : std::filesystem::directory_iterator("/tmp", error))
        note(entry);
    return found;
}

TEST_F(VerifyToolTest, FilesAlteredAsAnAttackerWouldNeverVerifyAndNoPictureLeavesItsFolder)
{
    const std::string out = office().workDirectory() + "/tampered";
    mkdir(out.c_str(), 0755);
    const std::string otherPicture = office().workDirectory() + "/other-logo.gif";
    writeSolidGif(otherPicture, 60, 40, 0, 90, 200);
    ASSERT_EQ(0,
              qorvtest::run("python3 '" TAMPER_SCRIPT "' '" + folder() + "/valid.odt' '" + folder()
                            + "/certificate.odt' '" + out + "' '" + folder() + "/notice.odt' '"
                            + folder() + "/foreign.odt' '" + otherPicture + "'"));
    const json expected = json::parse(fileBytes(out + "/expected.json"));
    ASSERT_GE(expected.size(), 60u);
    const std::set<std::string> escapedBefore = escapedFiles(office().workDirectory());

    std::string names;
    for (const auto& [name, verdict] : expected.items())
        names += name + "\n";
    const ToolRun run = runTool(out, "--json --jobs 2 -", names);
    ASSERT_TRUE(run.exitStatus == 1 || run.exitStatus == 2)
        << "the tool ended with " << run.exitStatus << " (a crash or a valid verdict)";
    auto files = byFile(json::parse(run.output).at("files"));
    ASSERT_EQ(expected.size(), files.size());
    for (const auto& [name, verdict] : expected.items())
    {
        const json& file = files[name];
        if (verdict.at("invalid seals").is_string())
        {
            const std::string kind = verdict.at("invalid seals");
            int found = 0;
            for (const json& seal : file.at("seals"))
            {
                if (seal.at("kind") != kind)
                    continue;
                ++found;
                EXPECT_FALSE(seal.at("valid").get<bool>()) << name << ": " << file.dump();
            }
            EXPECT_TRUE(found > 0 || file.at("status") == "error") << name << ": " << file.dump();
        }
        if (verdict.at("status") == "as the original" || verdict.at("status") == "valid")
        {
            EXPECT_EQ("valid", file.at("status")) << name << ": " << file.dump();
        }
        else
        {
            EXPECT_TRUE(file.at("status") == "invalid" || file.at("status") == "unsigned"
                        || file.at("status") == "error")
                << name << ": " << file.dump();
        }
        // A file the office cannot read is reported as such; the office never fails on one.
        if (file.at("status") == "error")
        {
            EXPECT_EQ("the office cannot read it", file.at("error")) << name;
        }
        expectDocumentSealVerdict(name, verdict, file);
    }
    EXPECT_EQ(escapedBefore, escapedFiles(office().workDirectory()));
}

/// The seals of each named file, by file, from one run's JSON; the run must have ended.
std::map<std::string, json> sealsByFile(const ToolRun& run)
{
    std::map<std::string, json> seals;
    if (run.exitStatus < 0 || run.output.empty())
        return seals;
    const json report = json::parse(run.output);
    for (const json& file : report.at("files"))
        seals[file.at("file").get<std::string>()] = file.at("seals");
    return seals;
}

TEST_F(VerifyToolTest, HonestDocumentsStayValidAYearOnRenamedAndInOtherProfiles)
{
    const std::string moved = folder() + "/forwarded";
    mkdir(moved.c_str(), 0755);
    const std::string renamed = u8"forwarded/会议通知-转发.odt";
    copyFile(folder() + "/dated.odt", folder() + "/" + renamed);
    const std::vector<std::string> honest = { "dated.odt", renamed, "notice.odt" };
    const auto expectWholeDocumentValid = [](const std::map<std::string, json>& seals,
                                             const std::string& name, const std::string& when) {
        ASSERT_EQ(1u, seals.count(name)) << when;
        ASSERT_EQ(1u, seals.at(name).size()) << name << " " << when;
        const json& seal = seals.at(name)[0];
        EXPECT_TRUE(seal.at("valid").get<bool>()) << name << " " << when << ": " << seal.dump();
        EXPECT_EQ("document", seal.at("scope")) << name << " " << when;
        EXPECT_EQ(u8"文档未被修改，印章有效！", seal.at("reason")) << name << " " << when;
    };
    const auto expectBodyChanged = [](const std::map<std::string, json>& seals,
                                      const std::string& name, const std::string& when) {
        ASSERT_EQ(1u, seals.count(name)) << when;
        const json& seal = seals.at(name).at(0);
        EXPECT_FALSE(seal.at("valid").get<bool>()) << name << " " << when;
        EXPECT_EQ(json::array({ "body" }), seal.at("changed")) << name << " " << when;
    };
    std::string files;
    for (const std::string& name : honest)
        files += " '" + name + "'";

    // The day after, a year on: the date shown is the one stamped.
    const std::string later = "faketime '+400 days'";
    const auto aYearOn = sealsByFile(
        runTool(folder(), "--json --jobs 1" + files + " date-follows.odt", "", later));
    for (const std::string& name : honest)
        expectWholeDocumentValid(aYearOn, name, "a year on");
    expectBodyChanged(aYearOn, "date-follows.odt", "a year on: the offices saw the later day");
    const auto today = sealsByFile(runTool(folder(), "--json --jobs 1 date-follows.odt"));
    expectWholeDocumentValid(today, "date-follows.odt", "on the day it was stamped");

    // Other users, in profiles of their own: the drafter named is the one stamped.
    for (const char* home : { "home-a", "home-b" })
    {
        const std::string homeFolder = office().workDirectory() + "/" + home;
        mkdir(homeFolder.c_str(), 0700);
        const auto elsewhere
            = sealsByFile(runTool(folder(), "--json --jobs 1" + files + " author-follows.odt", "",
                                  "HOME='" + homeFolder + "'"));
        for (const std::string& name : honest)
            expectWholeDocumentValid(elsewhere, name, home);
        expectBodyChanged(elsewhere, "author-follows.odt",
                          std::string(home) + ": the profile names no drafter");
    }
}

TEST_F(VerifyToolTest, WordRoundTripSaysOnlyTheTextWasChecked)
{
    const ToolRun run = runTool(folder(), "--json --jobs 1 notice.docx");
    EXPECT_EQ(0, run.exitStatus) << run.output;
    const auto seals = sealsByFile(run);
    ASSERT_EQ(1u, seals.count("notice.docx")) << run.output;
    ASSERT_EQ(1u, seals.at("notice.docx").size()) << run.output;
    const json& seal = seals.at("notice.docx")[0];
    EXPECT_TRUE(seal.at("valid").get<bool>()) << seal.dump();
    EXPECT_EQ("text", seal.at("scope")) << "a .docx does not keep what the coverage covers";
    EXPECT_EQ(u8"印章有效（仅保护正文）：此文件格式未保留正文以外的签署内容，只核对了正文",
              seal.at("reason"));
    EXPECT_EQ(json::array(), seal.at("changed"));
    EXPECT_EQ(kSigningOrganisation, seal.at("organisation"));

    EXPECT_EQ(1, runTool(folder(), "--strict --jobs 1 notice.docx").exitStatus)
        << "--strict counts the text alone as not enough";
}

TEST_F(VerifyToolTest, OfficeThatHangsOnAFileIsRestartedAndTheRunGoesOn)
{
    // Plain text that takes the office far longer to lay out than the time a file is given.
    const std::string line = u8"电子印章管理办法第一条为了规范电子印章的使用，制定本办法。\n";
    std::ofstream slow(folder() + "/slow.txt");
    for (int i = 0; i < 60000; ++i)
        slow << line;
    slow.close();

    const ToolRun run
        = runTool(folder(), "--json --jobs 1 --timeout 5 valid.odt slow.txt valid.odt");
    std::remove((folder() + "/slow.txt").c_str());
    EXPECT_EQ(2, run.exitStatus);
    const json files = json::parse(run.output).at("files");
    ASSERT_EQ(3u, files.size());
    EXPECT_EQ("valid", files[0]["status"]);
    EXPECT_EQ("error", files[1]["status"]);
    EXPECT_EQ("the office did not finish it in time", files[1]["error"]);
    EXPECT_EQ("valid", files[2]["status"]) << "the next file is read by a new office";
}
