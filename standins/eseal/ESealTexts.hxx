// The texts of the seal library's own window.
#pragma once

namespace ktxeseal::texts
{
constexpr char kDetailsTitle[] = u8"电子印章信息";
constexpr char kOrganisationLabel[] = u8"印章单位";
constexpr char kSealIdLabel[] = u8"印章编码";
constexpr char kSignerLabel[] = u8"签章人";
constexpr char kSigningTimeLabel[] = u8"签章时间";
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
}
