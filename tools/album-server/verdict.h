// The server's verdict on one upload: its "Album-RetCode" value and its "Error-Info" text.
#pragma once
#include <string_view>

// 100 and 999 are what the control knows; every other value reads as "failed, may be sent
// again", so the two server-side failures are given their own numbers for the logs.
enum class RetCode : int {
    Stored = 100,
    Rejected = 999,
    Incomplete = 1,     // the body did not arrive whole
    StorageFailed = 2,  // the server could not keep the picture
};

struct Verdict {
    RetCode code;
    std::string_view reasonUtf8;  // sent as GBK
};

namespace verdicts {
inline constexpr Verdict kStored{RetCode::Stored, "上传成功"};
inline constexpr Verdict kBadForm{RetCode::Rejected, "表单不完整"};
inline constexpr Verdict kNoSuchAlbum{RetCode::Rejected, "相册不存在"};
inline constexpr Verdict kBadSignature{RetCode::Rejected, "签名错误"};
inline constexpr Verdict kSignatureExpired{RetCode::Rejected, "签名已过期，请刷新页面"};
inline constexpr Verdict kFileBeforeSignature{RetCode::Rejected, "文件在签名之前，未予接收"};
inline constexpr Verdict kNotAPicture{RetCode::Rejected, "不是图片文件"};
inline constexpr Verdict kBadFileName{RetCode::Rejected, "文件名无效"};
inline constexpr Verdict kNameDisagrees{RetCode::Rejected, "文件名与图片类型不符"};
inline constexpr Verdict kTooLarge{RetCode::Rejected, "图片太大"};
inline constexpr Verdict kOverQuota{RetCode::Rejected, "相册空间不足"};
inline constexpr Verdict kIncomplete{RetCode::Incomplete, "上传数据不完整"};
inline constexpr Verdict kTooSlow{RetCode::Incomplete, "上传超时"};
inline constexpr Verdict kStorageFailed{RetCode::StorageFailed, "服务器存储失败"};
}  // namespace verdicts
