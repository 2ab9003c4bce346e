// When each seal command applies, how its URL names it, and the verdict line over a document.

#include <SealCommands.hxx>
#include <SealInfobar.hxx>

#include <gtest/gtest.h>

using namespace quillmark::suite;
using rtl::OUString;

namespace
{
std::vector<SealCommand> enabledFor(const SelectionState& state)
{
    std::vector<SealCommand> enabled;
    for (SealCommand command : kSealCommands)
        if (isEnabled(command, state))
            enabled.push_back(command);
    return enabled;
}
}

TEST(SealCommands, EachCommandIsNamedByItsUrlPathExactly)
{
    for (SealCommand command : kSealCommands)
    {
        const auto named = commandNamed(OUString::createFromAscii(commandName(command)));
        ASSERT_TRUE(named.has_value()) << commandName(command);
        EXPECT_EQ(command, *named);
    }
    EXPECT_FALSE(commandNamed("stampdocument")) << "names are compared exactly";
    EXPECT_FALSE(commandNamed("StampDocument "));
    EXPECT_FALSE(commandNamed(""));
}

TEST(SealCommands, TheSelectionDecidesWhichCommandsApply)
{
    // A sealed PDF is asked of any document: the export itself says why it refuses.
    SelectionState nothing;
    EXPECT_EQ(
        (std::vector<SealCommand>{ SealCommand::InsertStampArea, SealCommand::ExportSealedPdf }),
        enabledFor(nothing));

    SelectionState area;
    area.stampType = 1;
    EXPECT_EQ((std::vector<SealCommand>{ SealCommand::InsertStampArea, SealCommand::StampDocument,
                                         SealCommand::ExportSealedPdf }),
              enabledFor(area));

    SelectionState documentSeal;
    documentSeal.stampType = 0;
    EXPECT_EQ((std::vector<SealCommand>{ SealCommand::InsertStampArea, SealCommand::VerifyDocument,
                                         SealCommand::ShowSealInfo, SealCommand::RemoveSeal,
                                         SealCommand::DeleteSeal, SealCommand::ExportSealedPdf }),
              enabledFor(documentSeal));

    SelectionState fieldSeal;
    fieldSeal.stampType = 2;
    EXPECT_EQ((std::vector<SealCommand>{ SealCommand::InsertStampArea, SealCommand::DeleteSeal,
                                         SealCommand::VerifyField, SealCommand::RemoveFieldSeal,
                                         SealCommand::ExportSealedPdf }),
              enabledFor(fieldSeal));
}

TEST(SealCommands, TheFieldAroundTheCursorIsSignedOnceAndThenVerified)
{
    SelectionState inField;
    inField.enclosingField = "contract";
    EXPECT_TRUE(isEnabled(SealCommand::SignField, inField));
    EXPECT_FALSE(isEnabled(SealCommand::VerifyField, inField)) << "nothing to verify yet";

    inField.enclosingFieldSigned = true;
    EXPECT_FALSE(isEnabled(SealCommand::SignField, inField)) << "a field is signed once";
    EXPECT_TRUE(isEnabled(SealCommand::VerifyField, inField));
    EXPECT_FALSE(isEnabled(SealCommand::RemoveFieldSeal, inField))
        << "removal needs the field's seal selected";

    SelectionState text;
    text.textSelected = true;
    EXPECT_TRUE(isEnabled(SealCommand::MarkField, text));
    EXPECT_FALSE(isEnabled(SealCommand::MarkField, inField)) << "a field needs selected text";
}

TEST(SealVerdictLine, NamesWhoseEachSealIsWhatItVouchesForAndWhyAnInvalidOneIsInvalid)
{
    auto u = [](const char* text) { return OUString::fromUtf8(text); };
    const JudgedSeal beijing{ u(u8"北京市某某区人民政府办公室"), true, true,
                              u(u8"文档未被修改，印章有效！") };
    const JudgedSeal textOnly{ u(u8"某某公司"), true, false, u(u8"印章有效（仅保护正文）") };
    const JudgedSeal swapped{ u(u8"上海某某贸易有限公司"), false, false,
                              u(u8"页面上的印章图片不是签章所用的印章，印章无效！") };
    const JudgedSeal field{ u(u8"签章域「contract」"), false, false, u(u8"域内容已被修改") };
    const struct
    {
        const char* name;
        std::vector<JudgedSeal> seals;
        const char* line;
        VerdictTone tone;
    } cases[] = {
        { "every seal for the whole document",
          { beijing, beijing },
          u8"本文档的 2 个印章全部有效：北京市某某区人民政府办公室、北京市某某区人民政府办公室。",
          VerdictTone::Valid },
        { "one for its text alone",
          { beijing, textOnly },
          u8"本文档的 2 个印章全部有效：北京市某某区人民政府办公室、某某公司（仅保护正文）。",
          VerdictTone::TextOnly },
        { "some invalid",
          { beijing, swapped, field },
          u8"本文档的 3 个印章中 1 个有效（北京市某某区人民政府办公室），无效："
          u8"上海某某贸易有限公司：页面上的印章图片不是签章所用的印章，印章无效！；"
          u8"签章域「contract」：域内容已被修改",
          VerdictTone::Invalid },
        { "none valid",
          { swapped },
          u8"本文档的 1 个印章中 0 "
          u8"个有效，无效：上海某某贸易有限公司：页面上的印章图片不是签章所用的"
          u8"印章，印章无效！",
          VerdictTone::Invalid },
    };
    for (const auto& each : cases)
    {
        SealVerdicts verdicts;
        verdicts.seals = each.seals;
        EXPECT_EQ(u(each.line), verdictLine(verdicts)) << each.name;
        EXPECT_EQ(each.tone, verdictTone(verdicts)) << each.name;
    }
    SealVerdicts listed;
    listed.seals = { beijing, field };
    EXPECT_EQ(u(u8"北京市某某区人民政府办公室：文档未被修改，印章有效！\n签章域「contract」：域内容"
                u8"已被修改"),
              sealListText(listed));
}

TEST(SealCommands, TheSealListIsNamedOnlyByTheVerdictLinesButton)
{
    EXPECT_EQ(SealCommand::SealList, commandNamed("SealList"));
    for (SealCommand command : kSealCommands)
        EXPECT_NE(SealCommand::SealList, command) << "in no menu";
    EXPECT_TRUE(isEnabled(SealCommand::SealList, SelectionState()));
}
