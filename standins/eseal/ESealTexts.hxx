// The texts of the seal library's own window.
#pragma once

namespace ktxeseal::texts
{
constexpr char kDetailsTitle[] = u8"电子印章信息";
constexpr char kOrganisationLabel[] = u8"印章单位";
constexpr char kSealIdLabel[] = u8"印章编码";
constexpr char kSignerLabel[] = u8"签章人";
/// The signing time, as a trusted time-stamp authority vouches for it, or as the signing
/// machine's clock said.
constexpr char kTrustedTimeLabel[] = u8"可信时间";
constexpr char kMachineTimeLabel[] = u8"签章机器时间";
constexpr char kTimeStampLabel[] = u8"时间戳";
constexpr char kTimeStampUnverified[] = u8"无法验证（时间戳服务不受信任或时间戳已损坏）";
constexpr char kIssuerLabel[] = u8"颁发机构";
constexpr char kValidityLabel[] = u8"有效期";
/// Joins the two ends of a period.
constexpr char kPeriodSeparator[] = u8" 至 ";

constexpr char kValid[] = u8"印章有效：文档未被修改";
constexpr char kTextChanged[] = u8"印章无效：文档已被修改";
constexpr char kUntrustedAuthority[] = u8"印章无效：印章不是由受信任的制章机构颁发";
constexpr char kForeignSigner[] = u8"印章无效：签章证书不属于该印章";
constexpr char kExpired[] = u8"印章无效：签章时印章或签章证书不在有效期内";
constexpr char kUnreadable[] = u8"印章无效：签章数据已损坏或被篡改";
/// "印章已被撤销" is followed by the revocation's time and, when the authority gave one, its
/// reason.
constexpr char kRevoked[] = u8"印章无效：印章已被撤销";
constexpr char kRevokedAt[] = u8"，撤销时间 ";
constexpr char kRevokedFor[] = u8"，原因：";
constexpr char kKeyCompromise[] = u8"密钥泄露";
constexpr char kAffiliationChanged[] = u8"持有单位变更";
constexpr char kSuperseded[] = u8"已被替换";
constexpr char kCessationOfOperation[] = u8"停止使用";
constexpr char kRevocationListRefused[]
    = u8"印章无效：印章撤销列表不是颁发机构签发的，无法确认印章未被撤销";
/// Followed by the date the list should have been renewed by, then kRevocationListOutdatedEnd.
constexpr char kRevocationListOutdated[] = u8"印章无效：印章撤销列表已过期（应于 ";
constexpr char kRevocationListOutdatedEnd[] = u8" 前更新），无法确认印章未被撤销";
}
