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
    SelectionState nothing;
    EXPECT_EQ(std::vector<SealCommand>{ SealCommand::InsertStampArea }, enabledFor(nothing));

    SelectionState area;
    area.stampType = 1;
    EXPECT_EQ(
        (std::vector<SealCommand>{ SealCommand::InsertStampArea, SealCommand::StampDocument }),
        enabledFor(area));

    SelectionState documentSeal;
    documentSeal.stampType = 0;
    EXPECT_EQ((std::vector<SealCommand>{ SealCommand::InsertStampArea, SealCommand::VerifyDocument,
                                         SealCommand::ShowSealInfo, SealCommand::RemoveSeal,
                                         SealCommand::DeleteSeal }),
              enabledFor(documentSeal));

    SelectionState fieldSeal;
    fieldSeal.stampType = 2;
    EXPECT_EQ((std::vector<SealCommand>{ SealCommand::InsertStampArea, SealCommand::DeleteSeal,
                                         SealCommand::VerifyField, SealCommand::RemoveFieldSeal }),
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

TEST(SealVerdictLine, SaysHowManySealsAreValidAndNamesEachInvalidOneWithItsReason)
{
    SealVerdicts allValid;
    allValid.total = 3;
    EXPECT_EQ(OUString::fromUtf8(u8"本文档的 3 个印章全部有效。"), verdictLine(allValid));

    SealVerdicts mixed;
    mixed.total = 3;
    mixed.invalid = { { OUString::fromUtf8(u8"文档印章"), OUString::fromUtf8(u8"文本已被修改") },
                      { "contract", OUString() } };
    EXPECT_EQ(OUString::fromUtf8(
                  u8"本文档的 3 个印章中 1 个有效，无效：文档印章（文本已被修改）、contract"),
              verdictLine(mixed));
}
