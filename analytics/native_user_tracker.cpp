#include "analytics/native_user_tracker.h"

#include <map>

#include "analytics/ov_exception.h"
#include "analytics/sdk/properties_node.h"
#include "analytics/sdk/sdk.h"

namespace orvane::analytics {
namespace {

using event_collect::PropertiesNode;
using event_collect::Sdk;
using Op = NativeUserTracker::Operation;

constexpr int64_t kMillisecondsThreshold = 157789439999;

const std::map<std::string, Op>& Table() {
    static const std::map<std::string, Op> table = [] {
        std::map<std::string, Op> t;
        for (const char* key : {"$first_visit_time", "ov_first_visit_date", "$ios_install_source",
                                "ov_first_paid_date"})
            t.emplace(key, Op::SetOnce);
        for (const char* key : {"ov_visit_count", "ov_paid_count", "ov_consumption"})
            t.emplace(key, Op::Increment);
        for (const char* key : {"ov_label",
                                "ov_os",
                                "ov_os_version",
                                "ov_manufacturer",
                                "ov_model",
                                "ov_app_store",
                                "ov_app_platform",
                                "ov_last_app_id",
                                "ov_last_app_version",
                                "ov_carrier",
                                "ov_last_visit_date",
                                "aurora_pushid",
                                "ov_user_id",
                                "ov_user_name",
                                "ov_user_type",
                                "ov_user_nickname",
                                "ov_user_portrait",
                                "ov_user_mobilephone",
                                "ov_user_email",
                                "ov_user_weixin",
                                "ov_user_qq",
                                "ov_user_did",
                                "ov_user_created",
                                "ov_user_last_login",
                                "ov_user_last_ip",
                                "ov_user_vip_level",
                                "ov_user_vip_enddate",
                                "idfa",
                                "imei",
                                "android_id",
                                "oaid",
                                "ov_ip",
                                "ov_country_code",
                                "ov_country",
                                "ov_province",
                                "ov_city",
                                "ov_last_paid_date"})
            t.emplace(key, Op::Set);
        return t;
    }();
    return table;
}

}  // namespace

NativeUserTracker::Operation NativeUserTracker::OperationOf(const std::string& key) {
    const auto it = Table().find(key);
    if (it == Table().end()) OV_THROW("Not supported user property [" + key + "]!");
    return it->second;
}

void NativeUserTracker::ProfileUserPropertyString(const std::string& key,
                                                  const std::string& value) {
    switch (OperationOf(key)) {
        case Op::SetOnce:
            Sdk::ProfileSetOnce(key, value);
            break;
        case Op::Increment:
            OV_THROW("user property [" + key + "] is string type value, it cannot be accumulated!");
        case Op::Set:
            Sdk::ProfileSet(key, value);
            break;
    }
}

void NativeUserTracker::ProfileUserPropertyNumber(const std::string& key, int value) {
    switch (OperationOf(key)) {
        case Op::SetOnce:
            Sdk::ProfileSetOnce(key, static_cast<int32_t>(value));
            break;
        case Op::Increment:
            Sdk::ProfileIncrement(key, static_cast<int32_t>(value));
            break;
        case Op::Set:
            Sdk::ProfileSet(key, static_cast<int32_t>(value));
            break;
    }
}

void NativeUserTracker::ProfileUserPropertyNumber(const std::string& key, double value) {
    switch (OperationOf(key)) {
        case Op::SetOnce:
            Sdk::ProfileSetOnce(key, value);
            break;
        case Op::Increment: {
            PropertiesNode properties;
            properties.SetNumber(key, value);
            Sdk::ProfileIncrement(properties);
            break;
        }
        case Op::Set:
            Sdk::ProfileSet(key, value);
            break;
    }
}

void NativeUserTracker::ProfileUserPropertyDateTime(const std::string& key, int64_t time) {
    int64_t seconds = time;
    int milliseconds = 0;
    if (time > kMillisecondsThreshold) {
        seconds = time / 1000;
        milliseconds = static_cast<int>(time % 1000);
    }
    PropertiesNode properties;
    properties.SetDateTime(key, seconds, milliseconds);
    switch (OperationOf(key)) {
        case Op::SetOnce:
            Sdk::ProfileSetOnce(properties);
            break;
        case Op::Increment:
            OV_THROW("user property [" + key + "] is boolean value, it cannot be accumulative!");
        case Op::Set:
            Sdk::ProfileSet(properties);
            break;
    }
}

}  // namespace orvane::analytics
