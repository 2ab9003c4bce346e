/// Fixed names and texts of the sealing operations.
#pragma once

namespace quillmark::texts
{
constexpr char kStampAreaName[] = "gzqy";
constexpr char kStampAreaPicture[] = "gzqy.gif";
constexpr char kInsertGraphicCommand[] = ".uno:InsertGraphic";

constexpr char kVerifyDialogFailed[] = u8"Quillmark 验章对话框异常 !";
constexpr char kSecondStampArea[] = u8"不能同时存在多个盖章区域";
constexpr char kInsertStampAreaFailed[] = u8"Quillmark 插入机构章异常 !";
}
