// quillmark-verify's JSON is valid JSON whatever the file names and reasons hold, with its keys
// in the documented order.

#include <VerifyReport.hxx>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using nlohmann::json;
using namespace quillmark::verify;

namespace
{
FileReport invalidReport(const std::string& file, const std::string& name,
                         const std::string& reason)
{
    FileReport report;
    report.file = file;
    report.status = FileReport::Status::Invalid;
    report.seals = { { "document", "", true, "", "document", {}, "" },
                     { "field", name, false, reason, "document", { "tables", "format" }, name } };
    return report;
}
}

TEST(VerifyReport, FileObjectsCarryAnyTextAsItWasAndKeepTheirKeyOrder)
{
    static const char withNul[] = "nul\0and\x01\x1f\x7f";
    const std::string texts[] = {
        "plain.odt",
        "带 空格/通知.odt",
        "quote\" backslash\\ slash/",
        "line\nbreak\ttab\rreturn",
        std::string(withNul, sizeof withNul - 1),
    };
    for (const std::string& text : texts)
    {
        const std::string line = jsonObject(invalidReport(text, text, text));
        EXPECT_EQ(std::string::npos, line.find('\n')) << "one line: " << line;
        const json parsed = json::parse(line);
        EXPECT_EQ(text, parsed.at("file"));
        EXPECT_EQ("invalid", parsed.at("status"));
        ASSERT_EQ(2u, parsed.at("seals").size());
        EXPECT_EQ(json({ { "kind", "field" },
                         { "name", text },
                         { "valid", false },
                         { "reason", text },
                         { "scope", "document" },
                         { "changed", { "tables", "format" } },
                         { "organisation", text } }),
                  parsed.at("seals")[1]);
        EXPECT_TRUE(parsed.at("error").is_null());
        const size_t file = line.find("\"file\""), status = line.find("\"status\""),
                     seals = line.find("\"seals\""), error = line.rfind("\"error\"");
        EXPECT_TRUE(file < status && status < seals && seals < error) << line;
    }
}

TEST(VerifyReport, AFileNameThatIsNotUtf8StillGivesValidJson)
{
    FileReport report;
    report.file = "gbk-\xb9\xab\xd5\xc2.odt"; // 公章 in GBK, as an old archive may name it
    report.status = FileReport::Status::Error;
    report.error = "no such file";
    const json parsed = json::parse(jsonObject(report));
    EXPECT_EQ("error", parsed.at("status"));
    EXPECT_EQ("no such file", parsed.at("error"));
    const std::string file = parsed.at("file");
    EXPECT_EQ(0u, file.rfind("gbk-", 0));
    EXPECT_NE(std::string::npos, file.find("\xef\xbf\xbd")) << "replacement characters";
}

TEST(VerifyReport, TheDocumentListsEveryFileInOrder)
{
    FileReport unsignedFile;
    unsignedFile.file = "unsigned.odt";
    unsignedFile.status = FileReport::Status::Unsigned;
    const json parsed
        = json::parse(jsonDocument({ invalidReport("a.odt", "甲", "域标记重复"), unsignedFile }));
    ASSERT_EQ(1u, parsed.size());
    const json& files = parsed.at("files");
    ASSERT_EQ(2u, files.size());
    EXPECT_EQ("a.odt", files[0].at("file"));
    EXPECT_EQ("域标记重复", files[0].at("seals")[1].at("reason"));
    EXPECT_EQ("unsigned", files[1].at("status"));
    EXPECT_TRUE(files[1].at("seals").empty());
    EXPECT_TRUE(jsonDocument({}).find("\"files\"") != std::string::npos);
    EXPECT_TRUE(json::parse(jsonDocument({})).at("files").empty());
}

TEST(VerifyReport, StrictnessCountsASealOfTheTextAloneAsInvalid)
{
    const struct
    {
        const char* name;
        std::vector<SealReport> seals;
        FileReport::Status plain;
        FileReport::Status strict;
    } cases[] = {
        { "all of the document",
          { { "document", "", true, "", "document", {}, "" } },
          FileReport::Status::Valid,
          FileReport::Status::Valid },
        { "the text alone",
          { { "document", "", true, "", "text", {}, "" } },
          FileReport::Status::Valid,
          FileReport::Status::Invalid },
        { "one of two",
          { { "document", "", true, "", "document", {}, "" },
            { "certificate", "甲", true, "", "text", {}, "" } },
          FileReport::Status::Valid,
          FileReport::Status::Invalid },
        { "invalid anyway",
          { { "field", "f", false, "", "document", { "body" }, "" } },
          FileReport::Status::Invalid,
          FileReport::Status::Invalid },
    };
    for (const auto& each : cases)
    {
        FileReport report;
        report.seals = each.seals;
        report.status = statusOfSeals(report.seals);
        EXPECT_EQ(each.plain, report.status) << each.name;
        applyStrictness(report);
        EXPECT_EQ(each.strict, report.status) << each.name;
    }
    FileReport unreadable;
    unreadable.status = FileReport::Status::Error;
    applyStrictness(unreadable);
    EXPECT_EQ(FileReport::Status::Error, unreadable.status) << "an error stays an error";
}
