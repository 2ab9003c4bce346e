/// Fixed names and texts of the sealing operations.
#pragma once

namespace quillmark::texts
{
constexpr char kStampAreaName[] = "gzqy";
constexpr char kStampAreaPicture[] = "gzqy.gif";
/// The extension's identifier, as its description names it: it brings its own placeholder.
constexpr char kExtensionIdentifier[] = "com.quillmark.seal";

constexpr char kVerifyDialogFailed[] = u8"Quillmark 验章对话框异常 !";
constexpr char kSecondStampArea[] = u8"不能同时存在多个盖章区域";
constexpr char kInsertStampAreaFailed[] = u8"Quillmark 插入机构章异常 !";
constexpr char kNoStampAreaSelected[] = u8"请先选中盖章区域，再盖章！";
}

namespace quillmark::texts
{
constexpr char kDocumentEmpty[] = u8"文档不能为空！";
constexpr char kFieldSigningFailed[] = u8"域签名失败！";
constexpr char kSealPictureFailed[] = u8"获取证书签章图片失败!";
constexpr char kDocumentModified[] = u8"文档已被修改，印章无效！";
constexpr char kDocumentUnchanged[] = u8"文档未被修改，印章有效！";
// Around the first character that the signed GBK text would lose.
constexpr char kDocumentTextLossBefore[] = u8"文档含有 GBK 编码无法表示的字符“";
constexpr char kDocumentTextLossAfter[] = u8"”，盖章会丢失它。请删除或替换该字符后再盖章！";
}

namespace quillmark::texts
{
// Field markers: annotations whose Content is the field name followed by these.
constexpr char kFieldStartSuffix[] = "__@*Start@";
constexpr char kFieldEndSuffix[] = "__@*End@";

constexpr char kFieldEmpty[] = u8"签章域不能为空！";
constexpr char kFieldAlreadySigned[] = u8"此域已经被签署！";
constexpr char kFieldNotSigned[] = u8"此域未被签署！请检测域名称是否正确";
constexpr char kSealContentLost[] = u8"签章内容丢失 , 验章失败!";
constexpr char kVerifyFailed[] = u8"验章失败!";
constexpr char kInsertFieldSealFailed[] = u8"Quillmark 插入签章异常 !";
constexpr char kFieldTextLossBefore[] = u8"签章域含有 GBK 编码无法表示的字符“";
constexpr char kFieldTextLossAfter[] = u8"”，签署会丢失它。请删除或替换该字符后再签署！";
}

namespace quillmark::texts
{
// The seal survey: kinds as callers read them, and verdicts the operations have no text for.
constexpr char kSurveyDocumentSeal[] = "document";
constexpr char kSurveyCertificateSeal[] = "certificate";
constexpr char kSurveyFieldSeal[] = "field";
constexpr char kFieldModified[] = u8"域内容已被修改，印章无效！";
constexpr char kFieldUnchanged[] = u8"域内容未被修改，印章有效！";
constexpr char kFieldMarkersRepeated[] = u8"域标记重复，无法确定签署的内容，印章无效！";
}

namespace quillmark::texts
{
// What a seal vouches for beyond its text, and what the verdict says of it.
constexpr char kTextOnlyValid[] = u8"印章有效（仅保护正文）";
constexpr char kWordFormatTextOnly[] = u8"：此文件格式未保留正文以外的签署内容，只核对了正文";
constexpr char kChangedPartsOpen[] = u8"（已修改：";
constexpr char kChangedPartsSeparator[] = u8"、";
constexpr char kChangedPartsClose[] = u8"）";
constexpr char kReasonOpen[] = u8"（";
constexpr char kReasonClose[] = u8"）";
constexpr char kCoverageRefused[] = u8"印章保护范围的签名无效，印章无效！";
constexpr char kCoverageOfAnotherSeal[] = u8"印章保护范围不是由此印章签署的，印章无效！";
constexpr char kPictureNotTheSignersBefore[]
    = u8"页面上的印章图片不是签章所用的印章，印章无效！（签章单位：";
constexpr char kPictureNotTheSignersAfter[] = u8"）";
constexpr char kPendingChanges[]
    = u8"文档中有尚未接受或拒绝的修订，显示修订与否页面内容不同。请先处理所有修订，再盖章！";
constexpr char kFieldsFixedBefore[] = u8"已将 ";
constexpr char kFieldsFixedAfter[]
    = u8" 个随日期、文件名、作者或编辑状态变化的域固定为盖章时显示的内容。";
constexpr char kPictureUnreadable[] = u8"页面上的印章图片不是签章所用的印章，印章无效！";
}
