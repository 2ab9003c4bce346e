/// Fixed names and texts of the certificate and electronic-seal library steps.
#pragma once

namespace quillmark::texts
{
// What the certificate library is told about the key token.
constexpr int kCspType = 1;
constexpr char kCspName[] = "EnterSafe CSP (ePass3000) v1.0 for QORV";
constexpr int kKeyDriverType = 1;
constexpr char kKeyDriverName[] = "QorvKey_FT3K.dll";

// Messages; a library status follows some of them directly.
constexpr char kInitializeFailed[] = u8"初始化失败！";
constexpr char kContainerNameFailed[] = u8"取证书容器名错";
constexpr char kLoginFailed[] = u8"登录失败！";
constexpr char kNotSigned[] = u8"文档尚未签名！";
constexpr char kSignatureVerifyFailed[] = u8"验证签名错误！";
constexpr char kSignedDataDecodeFailed[] = u8"签名数据解密失败！";
constexpr char kCertificateInfoFailed[] = u8"取信息错误！";
constexpr char kCertificateVersionFailed[] = u8"取证书版本号错误！";
constexpr char kSerialNumberFailed[] = u8"取证书序列号错误！";
constexpr char kValidityFailed[] = u8"取证书有效日期起始错误！";
constexpr char kIssuerNameFailed[] = u8"证书发放者通用名错误！";
constexpr char kCountryNameFailed[] = u8"取证书用户国家名信息错误！";
// Why the electronic seal refused to sign or to allow a removal; its status follows. A wrong PIN
// reads as a failed login, as it does for the key token.
constexpr char kSealPinLocked[] = u8"印章口令连续五次错误，已锁定五分钟！";
constexpr char kSealPinFileRefused[] = u8"印章口令文件可被他人读取，已拒绝使用！";
constexpr char kSealPinUnavailable[] = u8"无法输入印章口令！";
constexpr char kSealKeyUnprotected[] = u8"印章私钥未受口令保护，已拒绝使用！";
constexpr char kSealRegisterFailed[] = u8"用印登记失败，未盖章！";
constexpr char kSealTimeStampFailed[] = u8"获取可信时间失败，未盖章！";
constexpr char kSealSignatureTooLong[] = u8"签章数据过长，未盖章！";
constexpr char kSealRefused[] = u8"电子印章拒绝操作！";
// Why a seal could not be checked at all.
constexpr char kSealLibraryUnavailable[] = u8"电子印章库不可用，无法验证印章";
constexpr char kCertificateNotSigner[] = u8"印章所示证书不是签名者的证书";
}
