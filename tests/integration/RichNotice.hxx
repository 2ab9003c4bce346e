/// A notice with something in every part a seal covers, the kind of official document whose
/// amounts, accounts and headers a forger changes.
#pragma once

#include <WriterDocument.hxx>

#include <string>

namespace quillmark::test
{
/// Texts of the notice that forgeries change, as they stand in it (UTF-8).
namespace notice
{
constexpr char kAmount[] = u8"壹拾万元整";
constexpr char kAccount[] = u8"6222 0000 1111 2222";
constexpr char kFrameAccount[] = u8"开户行：某某银行 账号：6222 0000 3333 4444";
constexpr char kHeader[] = u8"某某市财政局";
constexpr char kFooter[] = u8"财政局办公室印发";
constexpr char kFootnote[] = u8"依据财政局文件。";
constexpr char kEndnote[] = u8"附件略。";
constexpr char kShapeText[] = u8"已核对";
constexpr char kPictureName[] = "logo";
constexpr char kSectionName[] = "internal";
}

/// Writes the notice into the empty document: a title, a table with an amount and an account, a
/// footnote and an endnote, a header and a footer with a page number, a text frame with a bank
/// account, a picture (`logoPicture`), a drawing shape with text and a section.
void buildRichNotice(WriterDocument& document, const std::string& logoPicture);
}
