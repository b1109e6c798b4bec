#include "analytics/ov_enums.h"

#include <iterator>

#include "analytics/ov_exception.h"

namespace orvane::analytics {
namespace {

// The text of `value` in a list indexed from `first`; null when outside it.
template <size_t N>
const char* Lookup(const char* const (&texts)[N], int value, int first = 0) {
    const int index = value - first;
    if (index < 0 || index >= static_cast<int>(N)) return nullptr;
    return texts[index];
}

int Number(auto value) {
    return static_cast<int>(value);
}

}  // namespace

std::string toString(OvEventType value) {
    static const char* const kTexts[] = {
        "Activity", "PaLaunchPal", "Login",  "Click",   "View",
        "Cashier",  "Share",       "Task",   "File",    "Order",
        "Payment",  "Uninstall",   "Update", "Crashed", "AppOpenNotification"};
    static_assert(std::size(kTexts) == kEventTypeCount);
    if (const char* text = Lookup(kTexts, Number(value))) return text;
    OV_THROW("Unknown Event [" + std::to_string(Number(value)) + "]!");
}

std::string toString(OvUserType value) {
    static const char* const kTexts[] = {"unknown", "mobilephone",  "email",  "weixin",
                                         "qq",      "deviceid",     "baidu",  "huawei",
                                         "apple",   "orvaneuserid", "google", "facebook"};
    if (const char* text = Lookup(kTexts, Number(value))) return text;
    OV_THROW("Unknown user type [" + std::to_string(Number(value)) + "]!");
}

std::string toString(OvResult value) {
    static const char* const kTexts[] = {"Success", "Cancelled", "Fail", "Unknown"};
    if (const char* text = Lookup(kTexts, Number(value))) return text;
    OV_THROW("Unknown task result [" + std::to_string(Number(value)) + "]!");
}

std::string toString(OvClickType value) {
    static const char* const kTexts[] = {"Button", "Banner", "Tutorial", "File", "Others"};
    if (const char* text = Lookup(kTexts, Number(value))) return text;
    OV_THROW("Unknown ClickType [" + std::to_string(Number(value)) + "]!");
}

std::string toString(OvIoType value) {
    static const char* const kTexts[] = {"Input", "Output"};
    if (const char* text = Lookup(kTexts, Number(value))) return text;
    OV_THROW("the io type is invalid");
}

std::string toString(OvCurrency value) {
    static const char* const kTexts[] = {"CNY", "USD", "EUR", "HKD", "TWD", "MOP",
                                         "SGD", "JPY", "KRW", "INR", "GBP"};
    if (const char* text = Lookup(kTexts, Number(value))) return text;
    OV_THROW("Unknown currency [" + std::to_string(Number(value)) + "]!");
}

std::string toString(OvPaidPlatform value) {
    static const char* const kTexts[] = {"Alipay", "WeChatPay",    "PayPal",    "Tenpay",
                                         "CIECC",  "GooglePay",    "HuaweiPay", "AppleIAP",
                                         "Paddle", "ChinaUnionPay"};
    if (const char* text = Lookup(kTexts, Number(value))) return text;
    OV_THROW("Unknown paid platform [" + std::to_string(Number(value)) + "]!");
}

std::string toString(OvIapType value) {
    static const char* const kTexts[] = {"Consumable", "NonConsumable", "AutoRenewable",
                                         "NonRenewable"};
    if (const char* text = Lookup(kTexts, Number(value), 1)) return text;
    OV_THROW("Unknown ovIapType [" + std::to_string(Number(value)) + "]!");
}

std::string toString(OvUpdateOp value) {
    static const char* const kTexts[] = {"UpdateCheck", "DownloadStart", "DownloadEnd",
                                         "UpgrateStart", "UpgrateEnd"};
    if (const char* text = Lookup(kTexts, Number(value))) return text;
    OV_THROW("Unknown OvUpdateOp [" + std::to_string(Number(value)) + "]!");
}

std::string toString(OvUpdateResult value) {
    static const char* const kTexts[] = {"Success", "Cancelled", "Timeout",
                                         "Fail",    "Latest",    "Updateable"};
    if (const char* text = Lookup(kTexts, Number(value))) return text;
    OV_THROW("Unknown OvUpdateResult [" + std::to_string(Number(value)) + "]!");
}

std::string editionToString(int edition) {
    static const char* const kTexts[] = {"china", "overseas"};
    if (const char* text = Lookup(kTexts, edition)) return text;
    OV_THROW("Unknown edition [" + std::to_string(edition) + "]!");
}

}  // namespace orvane::analytics
