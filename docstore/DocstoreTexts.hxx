/// The texts the document seal store shows; the names it stores under are the format's.
#pragma once

#include <format/FormatNames.hxx>

namespace quillmark::texts
{
// The caption of an invalid seal: a mark of the open document, which the suite takes off before
// every save.
constexpr char kInvalidSealCaption[] = u8"无效印章";

// Messages.
constexpr char kSetSealInfoFailed[] = u8"设置印章信息失败!";
constexpr char kUnstableNetwork[] = u8"网络不稳 请重新盖章";
constexpr char kNoSuchFile[] = "No such file or directory!";
constexpr char kDeleteSealFailed[] = u8"删除签章异常!";
constexpr char kVerifySealFailed[] = u8"验章异常!";
constexpr char kFormatLosesSeals[] = u8"此格式不能保存印章和签名，保存后印章将无法验证！";
}
