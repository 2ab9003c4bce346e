/// Fixed texts of the sealed PDF: its signature fields, the verdicts on them and the export's
/// refusals.
#pragma once

namespace quillmark::pdfseal::texts
{
// Signature fields.
constexpr char kDocumentSealField[] = u8"文档印章";
constexpr char kDocumentSealReason[] = u8"电子印章";
constexpr char kCertificateSealReason[] = u8"证书印章";

// Verdicts on a signature in a PDF.
constexpr char kValid[] = u8"文档未被修改，印章有效！";
constexpr char kChanged[] = u8"文档已被修改，印章无效！";
constexpr char kChangedAfterSigning[] = u8"签章后文档被修改";
constexpr char kRangeIncomplete[] = u8"签名未覆盖整个文档，印章无效！";
constexpr char kCertificateUntrusted[] = u8"签章证书不受信任，印章无效！";
constexpr char kTrustStoreUnreadable[] = u8"无法读取受信任的证书，印章无效！";

// The sealed PDF export.
constexpr char kNoSeals[] = u8"文档没有印章，不能导出为盖章 PDF。";
/// Followed by the seals that did not verify, each with its reason.
constexpr char kSealsInvalid[] = u8"文档中的印章未全部通过验证，不能导出为盖章 PDF：";
constexpr char kSealReasonSeparator[] = u8"：";
constexpr char kSealListSeparator[] = u8"；";
constexpr char kDocumentSealName[] = u8"文档印章";
constexpr char kNotCurrentSeal[] = u8"文档印章不是本机当前的印章，不能以它签署 PDF。";
constexpr char kSealUnusable[] = u8"本机当前的印章不可用，不能签署 PDF。";
/// Followed by the seal library's status.
constexpr char kSealRefused[] = u8"印章拒绝签署 PDF：";
constexpr char kPinIncorrect[] = u8"登录失败！";
constexpr char kPinLocked[] = u8"印章口令连续五次错误，已锁定五分钟！";
constexpr char kPinDeclined[] = u8"未输入印章口令，未导出。";
constexpr char kTokenPinDeclined[] = u8"未输入证书口令，未导出。";
/// Followed by the certificate seal's name.
constexpr char kNotTokenCertificate[] = u8"证书印章不是由当前证书签署的，不能签署 PDF：";
/// Followed by what went wrong.
constexpr char kExportFailed[] = u8"导出盖章 PDF 失败：";
constexpr char kRegisterFailed[] = u8"用印登记失败，未导出。";
}
