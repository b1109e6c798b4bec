// The event records the tracker's operations take. Optional fields are shared pointers (empty
// means absent); an empty text counts as absent unless the field is required. Amounts are
// floats. Plain values: build one per call and pass it by const reference.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "analytics/ov_enums.h"

namespace orvane::analytics {

struct OvEventClick {
    std::string aname;
    std::string name;  // required
    OvClickType clickType = OvClickType::Button;
    std::string title;
    std::string module;
    std::string position;
    std::shared_ptr<int> tabIndex;
    std::string tabName;
    std::shared_ptr<int> bannerIndex;
    std::string bannerName;
};

struct OvEventView {
    std::string aname;
    std::string name;  // required
    std::string title;
    std::string position;
};

struct OvEventCashier {
    std::string cashierName;  // required
    std::string cashierTitle;
    std::string subitem;
};

struct OvEventShare {
    std::string aname;
    std::string channel;
    std::string position;
    std::string sharedName;
    std::shared_ptr<OvResult> result;
};

struct OvEventTask {
    std::string aname;
    std::string name;  // required
    std::string reason;
    std::shared_ptr<float> elapsed;  // seconds
    std::shared_ptr<OvResult> result;
};

struct OvEventFile {
    std::string aname;  // required
    std::string name;
    std::shared_ptr<OvIoType> io;
    std::string ext;
    std::shared_ptr<float> size;
    std::shared_ptr<int> duration;
    std::shared_ptr<float> fps;
    std::shared_ptr<float> bps;
    std::shared_ptr<int> width;
    std::shared_ptr<int> height;
    std::shared_ptr<int> depth;
    std::shared_ptr<OvResult> result;
};

struct OvEventOrder {
    std::string orderId;
    std::string subitem;
    std::string sku;
    std::string suitId;                    // required
    std::shared_ptr<OvCurrency> currency;  // required
    float originalAmount = 0;
    std::string voucherId;
    float paidAmount = 0;
    std::string cashierName;
    std::string cashierTitle;
    std::shared_ptr<int> campaignCode;
    float curOriginalAmount = 0;
    float curPaidAmount = 0;
};

struct OvEventPayment {
    std::string orderId;  // required
    std::string subitem;
    std::string sku;
    std::shared_ptr<OvCurrency> currency;  // required
    float originalAmount = 0;
    std::shared_ptr<int> campaignCode;
    std::string voucherId;
    std::string usedVoucherId;
    float paidAmount = 0;
    std::string suitId;
    std::string cashierName;
    std::string cashierTitle;
    std::shared_ptr<OvPaidPlatform> paidPlatform;  // required
    std::shared_ptr<OvResult> result;              // Success or Fail
    std::shared_ptr<OvIapType> iapType;
    float curOriginalAmount = 0;
    float curPaidAmount = 0;
};

struct OvEventUpdate {
    OvUpdateOp op = OvUpdateOp::UpdateCheck;
    std::shared_ptr<OvUpdateResult> result;
    std::shared_ptr<float> elapsed;
};

struct OvEventAppOpenNotification {
    std::string msgTitle;
    std::string msgContent;
    std::string linkUrl;
    std::string planId;
    std::string audienceId;
    std::string planStrategyId;
    std::string planType;
    std::string strategyUnitId;
};

// The user of trackLogin. Times are seconds since the Unix epoch.
struct OvUser {
    std::string userId;
    std::string userName;
    OvUserType userType = OvUserType::Unknown;
    std::string nickname;
    std::string portrait;
    std::string mobilephone;
    std::string email;
    std::string weixin;
    std::string qq;
    std::string did;
    int64_t created = 0;
    int64_t lastLogin = 0;
    std::string lastIp;
    int vipLevel = 0;
    int64_t vipEnddate = 0;
};

}  // namespace orvane::analytics
