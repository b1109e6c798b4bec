#include "analytics/event_properties.h"

#include <cstdio>

#include "analytics/ensure_utf8.h"
#include "analytics/ov_exception.h"
#include "platform/system_names.h"

namespace orvane::analytics {
namespace {

void SetText(PropertiesNode& p, const char* key, const std::string& text) {
    if (!text.empty()) p.SetString(key, EnsureUtf8(text));
}

void SetFirstTime(PropertiesNode& p) {
    p.SetBool("$is_first_time", true);
}

template <typename T>
void SetIntIfPresent(PropertiesNode& p, const char* key, const std::shared_ptr<T>& value) {
    if (value) p.SetNumber(key, static_cast<int32_t>(*value));
}

void SetNumberIfPresent(PropertiesNode& p, const char* key, const std::shared_ptr<float>& value) {
    if (value) p.SetNumber(key, static_cast<double>(*value));
}

void SetNumberIfPositive(PropertiesNode& p, const char* key, float value) {
    if (value > 0) p.SetNumber(key, static_cast<double>(value));
}

// Success, Cancelled and Fail are reported; Unknown and anything else are left out.
void SetKnownResult(PropertiesNode& p, const char* key, const std::shared_ptr<OvResult>& result) {
    if (!result) return;
    const int n = static_cast<int>(*result);
    if (n >= 0 && n <= 2) p.SetString(key, toString(*result));
}

std::string AmountText(float amount) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", static_cast<double>(amount));
    return text;
}

void AddContext(PropertiesNode& p, const OvContextProperties& context, OvEventType type) {
    ApplyContextProperties(context, type, &p);
}

}  // namespace

std::string UserAgent(const OsNameInfo& os, bool is64BitSystem) {
    return "Mozilla/5.0(" + os.osName + " " + os.versionName + "; " +
           platform::RunningSystemNames(is64BitSystem).machineTag + ";)";
}

PropertiesNode ActivityProperties(const ActivityInfo& info, const OvContextProperties& context) {
    PropertiesNode p;
    // The activity's own properties win over the caller's here.
    AddContext(p, context, OvEventType::Activity);
    SetText(p, "ov_app_store", info.appStore);
    SetText(p, "ov_app_id", info.appName);
    SetText(p, "$app_id", info.appName);
    SetText(p, "$app_version", info.appVersion);
    p.SetString("$ios_install_source", kInstallSource);
    p.SetString("$user_agent", EnsureUtf8(UserAgent(info.os, info.is64BitSystem)));
    SetFirstTime(p);
    p.SetString("$os", EnsureUtf8(info.os.osName));
    p.SetString("$os_version", EnsureUtf8(info.os.versionName));
    return p;
}

PropertiesNode LaunchProperties(const OvContextProperties& context) {
    PropertiesNode p;
    AddContext(p, context, OvEventType::Launch);
    return p;
}

PropertiesNode LoginProperties(const OvUser& user, bool success, const std::string& reason,
                               const OvContextProperties& context) {
    PropertiesNode p;
    if (!user.userId.empty()) {
        SetText(p, "ov_user_id", user.userId);
        SetText(p, "ov_login_id", user.userId);
    }
    p.SetString("ov_type", toString(user.userType));
    p.SetString("ov_result", success ? "Success" : "Fail");
    SetText(p, "ov_reason", reason);
    if (!user.userId.empty()) SetFirstTime(p);
    AddContext(p, context, OvEventType::Login);
    return p;
}

PropertiesNode ClickProperties(const OvEventClick& e, const OvContextProperties& context) {
    if (e.name.empty()) OV_THROW("ovEventClick.name is empty");
    PropertiesNode p;
    SetText(p, "ov_name", e.name);
    p.SetString("ov_click_type", toString(e.clickType));
    SetText(p, "ov_aname", e.aname);
    SetText(p, "ov_title", e.title);
    SetText(p, "ov_position", e.position);
    SetText(p, "ov_module", e.module);
    SetText(p, "ov_tab_name", e.tabName);
    SetIntIfPresent(p, "ov_tab_index", e.tabIndex);
    SetText(p, "ov_banner_name", e.bannerName);
    SetIntIfPresent(p, "ov_banner_index", e.bannerIndex);
    SetFirstTime(p);
    AddContext(p, context, OvEventType::Click);
    return p;
}

PropertiesNode ViewProperties(const OvEventView& e, const OvContextProperties& context) {
    if (e.name.empty()) OV_THROW("ovEventView.name is empty");
    PropertiesNode p;
    SetText(p, "ov_name", e.name);
    SetText(p, "ov_aname", e.aname);
    SetText(p, "ov_title", e.title);
    SetText(p, "ov_position", e.position);
    SetFirstTime(p);
    AddContext(p, context, OvEventType::View);
    return p;
}

PropertiesNode CashierProperties(const OvEventCashier& e, const OvContextProperties& context) {
    if (e.cashierName.empty()) OV_THROW("ovEventCashier.ov_cashier_name is empty");
    PropertiesNode p;
    SetText(p, "ov_cashier_name", e.cashierName);
    SetText(p, "ov_cashier_title", e.cashierTitle);
    SetText(p, "ov_subitem", e.subitem);
    SetFirstTime(p);
    AddContext(p, context, OvEventType::Cashier);
    return p;
}

PropertiesNode ShareProperties(const OvEventShare& e, const OvContextProperties& context) {
    PropertiesNode p;
    SetText(p, "ov_aname", e.aname);
    SetText(p, "ov_channel", e.channel);
    SetText(p, "ov_position", e.position);
    SetText(p, "ov_shared_name", e.sharedName);
    if (e.result) p.SetString("ov_result", toString(*e.result));
    SetFirstTime(p);
    AddContext(p, context, OvEventType::Share);
    return p;
}

PropertiesNode TaskProperties(const OvEventTask& e, const OvContextProperties& context) {
    if (e.name.empty()) OV_THROW("ovEventTask.name is empty");
    PropertiesNode p;
    SetText(p, "ov_task_name", e.name);
    SetNumberIfPresent(p, "ov_task_elapsed", e.elapsed);
    SetKnownResult(p, "ov_task_result", e.result);
    SetText(p, "ov_aname", e.aname);
    SetText(p, "ov_reason", e.reason);
    SetFirstTime(p);
    AddContext(p, context, OvEventType::Task);
    return p;
}

PropertiesNode FileProperties(const OvEventFile& e, const OvContextProperties& context) {
    if (e.aname.empty()) OV_THROW("ovEventFile.aname is empty");
    PropertiesNode p;
    SetText(p, "ov_aname", e.aname);
    if (e.io) p.SetString("ov_io", toString(*e.io));
    SetKnownResult(p, "ov_result", e.result);
    SetText(p, "ov_name", e.name);
    SetText(p, "ov_ext", e.ext);
    if (e.size && *e.size > 0) p.SetNumber("ov_size", static_cast<double>(*e.size));
    SetIntIfPresent(p, "ov_duration", e.duration);
    SetNumberIfPresent(p, "ov_fps", e.fps);
    SetNumberIfPresent(p, "ov_bps", e.bps);
    SetIntIfPresent(p, "ov_width", e.width);
    SetIntIfPresent(p, "ov_height", e.height);
    SetIntIfPresent(p, "ov_depth", e.depth);
    SetFirstTime(p);
    AddContext(p, context, OvEventType::File);
    return p;
}

PropertiesNode OrderProperties(const OvEventOrder& e, const OvContextProperties& context) {
    if (e.suitId.empty()) OV_THROW("ovEventOrder.ovSuitId is empty");
    if (!e.currency) OV_THROW("ovEventOrder.ovCurrency is nullptr");
    // Zero is refused for both amounts, under the one message.
    if (e.originalAmount <= 0) OV_THROW("ovEventOrder.originalAmount is less than zero");
    if (e.paidAmount <= 0) OV_THROW("ovEventOrder.originalAmount is less than zero");
    PropertiesNode p;
    SetText(p, "ov_suit_id", e.suitId);
    p.SetString("ov_currency", toString(*e.currency));
    p.SetNumber("ov_paid_amount", static_cast<double>(e.paidAmount));
    p.SetNumber("ov_original_amount", static_cast<double>(e.originalAmount));
    SetFirstTime(p);
    SetText(p, "ov_order_id", e.orderId);
    SetText(p, "ov_subitem", e.subitem);
    SetText(p, "ov_sku", e.sku);
    SetIntIfPresent(p, "ov_campaign_code", e.campaignCode);
    SetText(p, "ov_voucher_id", e.voucherId);
    SetNumberIfPositive(p, "ov_cur_original_amount", e.curOriginalAmount);
    SetNumberIfPositive(p, "ov_cur_paid_amount", e.curPaidAmount);
    SetText(p, "ov_cashier_name", e.cashierName);
    SetText(p, "ov_cashier_title", e.cashierTitle);
    AddContext(p, context, OvEventType::Order);
    return p;
}

PropertiesNode PaymentProperties(const OvEventPayment& e, const OvContextProperties& context) {
    if (e.orderId.empty()) OV_THROW("ovEventPayment.ovOrderId is empty");
    if (e.paidAmount < 0) OV_THROW("paidAmount = " + AmountText(e.paidAmount) + " is invalid");
    if (e.originalAmount < 0)
        OV_THROW("originalAmount = " + AmountText(e.originalAmount) + " is invalid");
    if (!e.result || (*e.result != OvResult::Success && *e.result != OvResult::Fail))
        OV_THROW("ovEventPayment.result is invalid");
    // Both are needed to report a payment; a missing one is refused rather than read.
    if (!e.paidPlatform) OV_THROW("ovEventPayment.ovPaidPlatform is nullptr");
    if (!e.currency) OV_THROW("ovEventPayment.ovCurrency is nullptr");
    const std::string paidPlatform = toString(*e.paidPlatform);
    const std::string currency = toString(*e.currency);

    PropertiesNode p;
    SetText(p, "ov_order_id", e.orderId);
    p.SetString("ov_paid_platform", paidPlatform);
    p.SetString("ov_currency", currency);
    p.SetNumber("ov_paid_amount", static_cast<double>(e.paidAmount));
    p.SetNumber("ov_original_amount", static_cast<double>(e.originalAmount));
    p.SetString("ov_result", toString(*e.result));
    SetFirstTime(p);
    SetText(p, "ov_suit_id", e.suitId);
    if (e.iapType) p.SetString("ov_iap_type", toString(*e.iapType));
    SetText(p, "ov_subitem", e.subitem);
    SetText(p, "ov_sku", e.sku);
    SetText(p, "ov_voucher_id", e.voucherId);
    SetText(p, "ov_used_voucher_id", e.usedVoucherId);
    SetIntIfPresent(p, "ov_campaign_code", e.campaignCode);
    SetNumberIfPositive(p, "ov_cur_original_amount", e.curOriginalAmount);
    SetNumberIfPositive(p, "ov_cur_paid_amount", e.curPaidAmount);
    SetText(p, "ov_cashier_name", e.cashierName);
    SetText(p, "ov_cashier_title", e.cashierTitle);
    AddContext(p, context, OvEventType::Payment);
    return p;
}

PropertiesNode UninstallProperties(const std::string& reason, const OvContextProperties& context) {
    PropertiesNode p;
    SetText(p, "ov_uninstall_reason", reason);
    AddContext(p, context, OvEventType::Uninstall);
    return p;
}

PropertiesNode CrashProperties(const std::string& reason) {
    PropertiesNode p;
    SetText(p, "app_crashed_reason", reason);
    return p;
}

PropertiesNode UpdateProperties(const OvEventUpdate& e, const OvContextProperties& context) {
    const std::string op = toString(e.op);
    const std::string result = e.result ? toString(*e.result) : std::string();
    PropertiesNode p;
    p.SetString("ov_update_op", op);
    switch (e.op) {
        case OvUpdateOp::UpdateCheck:
            p.SetString("ov_update_result", result);  // empty text when absent
            break;
        case OvUpdateOp::DownloadEnd:
        case OvUpdateOp::UpgrateEnd:
            if (!e.result) OV_THROW("Unknown updateResultInfo info");
            p.SetString("ov_update_result", result);
            if (e.op == OvUpdateOp::UpgrateEnd) SetFirstTime(p);
            if (!e.elapsed) OV_THROW("invalid elapsed info");
            p.SetNumber("ov_elapsed", static_cast<double>(*e.elapsed));
            break;
        default:  // DownloadStart and UpgrateStart carry only the operation
            break;
    }
    AddContext(p, context, OvEventType::Update);
    return p;
}

PropertiesNode AppOpenNotificationProperties(const OvEventAppOpenNotification* e,
                                             const OvContextProperties& context) {
    if (e == nullptr) OV_THROW("&appOpenNotification is nullptr");
    if (e->planId.empty()) OV_THROW("planID is emptry");
    if (e->planType.empty()) OV_THROW("planType is emptry");
    if (e->msgTitle.empty()) OV_THROW("msgTitle is emptry");
    PropertiesNode p;
    SetText(p, "$sf_msg_title", e->msgTitle);
    SetText(p, "$sf_plan_id", e->planId);
    SetText(p, "$sf_plan_type", e->planType);
    SetFirstTime(p);
    SetText(p, "$sf_msg_content", e->msgContent);
    SetText(p, "$sf_link_url", e->linkUrl);
    SetText(p, "$sf_audience_id", e->audienceId);
    SetText(p, "$sf_plan_strategy_id", e->planStrategyId);
    SetText(p, "$sf_strategy_unit_id", e->strategyUnitId);
    AddContext(p, context, OvEventType::AppOpenNotification);
    return p;
}

}  // namespace orvane::analytics
