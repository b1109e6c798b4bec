// The enumerations of the tracker's event records and their text forms. The numbers are the
// ones callers pass; a value outside an enumeration's list can still be passed (the types
// have a fixed underlying int) and its text conversion raises OvException.
#pragma once

#include <string>

namespace orvane::analytics {

// Also the index of an event type's context properties.
enum class OvEventType : int {
    Activity = 0,
    Launch = 1,
    Login = 2,
    Click = 3,
    View = 4,
    Cashier = 5,
    Share = 6,
    Task = 7,
    File = 8,
    Order = 9,
    Payment = 10,
    Uninstall = 11,
    Update = 12,
    Crashed = 13,
    AppOpenNotification = 14,
};
inline constexpr int kEventTypeCount = 15;

enum class OvUserType : int {
    Unknown = 0,
    Mobilephone = 1,
    Email = 2,
    Weixin = 3,
    Qq = 4,
    Deviceid = 5,
    Baidu = 6,
    Huawei = 7,
    Apple = 8,
    Orvaneuserid = 9,
    Google = 10,
    Facebook = 11,
};

enum class OvResult : int { Success = 0, Cancelled = 1, Fail = 2, Unknown = 3 };

enum class OvClickType : int { Button = 0, Banner = 1, Tutorial = 2, File = 3, Others = 4 };

enum class OvIoType : int { Input = 0, Output = 1 };

enum class OvCurrency : int {
    CNY = 0,
    USD = 1,
    EUR = 2,
    HKD = 3,
    TWD = 4,
    MOP = 5,
    SGD = 6,
    JPY = 7,
    KRW = 8,
    INR = 9,
    GBP = 10,
};

enum class OvPaidPlatform : int {
    Alipay = 0,
    WeChatPay = 1,
    PayPal = 2,
    Tenpay = 3,
    CIECC = 4,
    GooglePay = 5,
    HuaweiPay = 6,
    AppleIAP = 7,
    Paddle = 8,
    ChinaUnionPay = 9,
};

// 0 is not an in-app purchase type.
enum class OvIapType : int {
    Consumable = 1,
    NonConsumable = 2,
    AutoRenewable = 3,
    NonRenewable = 4
};

enum class OvUpdateOp : int {
    UpdateCheck = 0,
    DownloadStart = 1,
    DownloadEnd = 2,
    UpgrateStart = 3,
    UpgrateEnd = 4,
};

enum class OvUpdateResult : int {
    Success = 0,
    Cancelled = 1,
    Timeout = 2,
    Fail = 3,
    Latest = 4,
    Updateable = 5,
};

// Text forms; each raises OvException for a value outside its list.
std::string toString(OvEventType value);
std::string toString(OvUserType value);
std::string toString(OvResult value);
std::string toString(OvClickType value);
std::string toString(OvIoType value);
std::string toString(OvCurrency value);
std::string toString(OvPaidPlatform value);
std::string toString(OvIapType value);
std::string toString(OvUpdateOp value);
std::string toString(OvUpdateResult value);
// The edition of a tracker configuration: 0 "china", 1 "overseas".
std::string editionToString(int edition);

}  // namespace orvane::analytics
