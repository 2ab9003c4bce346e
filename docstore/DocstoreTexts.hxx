/// Fixed names and texts of the document seal store: they bind stored documents.
#pragma once

namespace quillmark::texts
{
// User field masters.
constexpr char kUserMasterPrefix[] = "com.sun.star.text.FieldMaster.User.";
constexpr char kUserMasterService[] = "com.sun.star.text.FieldMaster.User";
constexpr char kUserFieldService[] = "com.sun.star.text.TextField.User";
constexpr char kDocumentSignatureField[] = "newSignatureType";
constexpr char kCertSuffix[] = "Cert";
constexpr char kSignSuffix[] = "Sign";
constexpr char kStamperSuffix[] = "Stamper";
constexpr char kProtectStateSuffix[] = "ProtectState";
constexpr char kPostilSuffix[] = "Postil";
// What a seal covers beyond its text: after "newSignatureType" for the document seal, after the
// seal's name for a certificate seal, after the field's name for a field seal.
constexpr char kCoverageSuffix[] = "Coverage";
constexpr char kFieldCoverageSuffix[] = "__@*Coverage";

// Seal shape attributes, and the "ShapeType" values of document and field seals.
constexpr char kUserDefinedAttributes[] = "UserDefinedAttributes";
constexpr char kShapeTypeKey[] = "ShapeType";
constexpr char kStamperNameKey[] = "StamperName";
constexpr char kAttributeType[] = "CDATA";
constexpr char kDocumentSealMark[] = "Stamper";
constexpr char kFieldSealMark[] = "FieldStamper";

// Seal pictures.
constexpr char kSealShapeName[] = "Stamper";
constexpr char kBitmapTableEntry[] = "nudo_CA";
constexpr char kInvalidSealCaption[] = u8"无效印章";

// Messages.
constexpr char kSetSealInfoFailed[] = u8"设置印章信息失败!";
constexpr char kUnstableNetwork[] = u8"网络不稳 请重新盖章";
constexpr char kNoSuchFile[] = "No such file or directory!";
constexpr char kDeleteSealFailed[] = u8"删除签章异常!";
constexpr char kVerifySealFailed[] = u8"验章异常!";
constexpr char kFormatLosesSeals[] = u8"此格式不能保存印章和签名，保存后印章将无法验证！";
}
