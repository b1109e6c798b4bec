#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <regex>
#include <string>

#include "analytics/event_properties.h"
#include "analytics/native_user_tracker.h"
#include "analytics/ov_exception.h"
#include "tests/analytics/diagnostic_capture.h"
#include "tests/analytics/system_texts.h"
#include "tests/analytics/tracker_fixture.h"

namespace {

using namespace orvane::analytics;
using event_collect::PropertiesNode;

template <typename T>
std::shared_ptr<T> Some(T value) {
    return std::make_shared<T>(value);
}

template <typename E>
E Bad(int n) {
    return static_cast<E>(n);
}

std::string Raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const OvException& e) {
        return e.what();
    }
    return "";
}

OvContextProperties Ab(int type) {
    OvContextProperties context;
    context.setProperty("IN", {type});
    return context;
}

TEST(EnumerationText, EveryListAndItsMessage) {
    const struct {
        const char* name;
        std::function<std::string()> text;
        const char* expected;  // the text, or the message raised
    } cases[] = {
        {"event 1", [] { return toString(OvEventType::Launch); }, "PaLaunchPal"},
        {"event 14", [] { return toString(OvEventType::AppOpenNotification); },
         "AppOpenNotification"},
        {"event 15", [] { return toString(Bad<OvEventType>(15)); }, "Unknown Event [15]!"},
        {"event -1", [] { return toString(Bad<OvEventType>(-1)); }, "Unknown Event [-1]!"},
        {"user 9", [] { return toString(OvUserType::Orvaneuserid); }, "orvaneuserid"},
        {"user 11", [] { return toString(OvUserType::Facebook); }, "facebook"},
        {"user 12", [] { return toString(Bad<OvUserType>(12)); }, "Unknown user type [12]!"},
        {"result 3", [] { return toString(OvResult::Unknown); }, "Unknown"},
        {"result 4", [] { return toString(Bad<OvResult>(4)); }, "Unknown task result [4]!"},
        {"click 4", [] { return toString(OvClickType::Others); }, "Others"},
        {"click 5", [] { return toString(Bad<OvClickType>(5)); }, "Unknown ClickType [5]!"},
        {"io 1", [] { return toString(OvIoType::Output); }, "Output"},
        {"io 2", [] { return toString(Bad<OvIoType>(2)); }, "the io type is invalid"},
        {"currency 10", [] { return toString(OvCurrency::GBP); }, "GBP"},
        {"currency 11", [] { return toString(Bad<OvCurrency>(11)); }, "Unknown currency [11]!"},
        {"platform 9", [] { return toString(OvPaidPlatform::ChinaUnionPay); }, "ChinaUnionPay"},
        {"platform 10", [] { return toString(Bad<OvPaidPlatform>(10)); },
         "Unknown paid platform [10]!"},
        {"iap 1", [] { return toString(OvIapType::Consumable); }, "Consumable"},
        {"iap 4", [] { return toString(OvIapType::NonRenewable); }, "NonRenewable"},
        {"iap 0", [] { return toString(Bad<OvIapType>(0)); }, "Unknown ovIapType [0]!"},
        {"iap 5", [] { return toString(Bad<OvIapType>(5)); }, "Unknown ovIapType [5]!"},
        {"update op 4", [] { return toString(OvUpdateOp::UpgrateEnd); }, "UpgrateEnd"},
        {"update op 5", [] { return toString(Bad<OvUpdateOp>(5)); }, "Unknown OvUpdateOp [5]!"},
        {"update result 5", [] { return toString(OvUpdateResult::Updateable); }, "Updateable"},
        {"update result 6", [] { return toString(Bad<OvUpdateResult>(6)); },
         "Unknown OvUpdateResult [6]!"},
        {"edition 0", [] { return editionToString(0); }, "china"},
        {"edition 1", [] { return editionToString(1); }, "overseas"},
        {"edition 2", [] { return editionToString(2); }, "Unknown edition [2]!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text;
        const std::string message = Raised([&] { text = c.text(); });
        EXPECT_EQ(message.empty() ? text : message, c.expected);
    }
}

TEST(EventProperties, EachEventBuildsItsSet) {
    const struct {
        const char* name;
        std::function<PropertiesNode()> build;
        std::string json;
    } cases[] = {
        {"click, every field, label for clicks",
         [] {
             OvEventClick e;
             e.name = "n";
             e.clickType = OvClickType::Banner;
             e.aname = "a";
             e.title = "t";
             e.module = "m";
             e.position = "p";
             e.tabIndex = Some(2);
             e.tabName = "tn";
             e.bannerIndex = Some(0);
             e.bannerName = "bn";
             return ClickProperties(e, Ab(3));
         },
         R"({"$is_first_time":true,"ov_aname":"a","ov_banner_index":0,"ov_banner_name":"bn",)"
         R"("ov_click_type":"Banner","ov_module":"m","ov_name":"n","ov_position":"p",)"
         R"("ov_tab_index":2,"ov_tab_name":"tn","ov_title":"t","ovc_ab":"IN"})"},
        {"click with a label for tasks only",
         [] {
             OvEventClick e;
             e.name = "n";
             return ClickProperties(e, Ab(7));
         },
         R"({"$is_first_time":true,"ov_click_type":"Button","ov_name":"n"})"},
        {"click name not UTF-8 is converted",
         [] {
             OvEventClick e;
             e.name = "\xC4";
             return ClickProperties(e, {});
         },
         std::string("{\"$is_first_time\":true,\"ov_click_type\":\"Button\",\"ov_name\":\"") +
             analytics_test::kByteC4AsUtf8 + "\"}"},
        {"view",
         [] {
             OvEventView e;
             e.name = "安装中";
             return ViewProperties(e, Ab(4));
         },
         R"({"$is_first_time":true,"ov_name":"安装中","ovc_ab":"IN"})"},
        {"cashier",
         [] {
             OvEventCashier e;
             e.cashierName = "c";
             e.subitem = "s";
             return CashierProperties(e, {});
         },
         R"({"$is_first_time":true,"ov_cashier_name":"c","ov_subitem":"s"})"},
        {"share with a result",
         [] {
             OvEventShare e;
             e.channel = "c";
             e.result = Some(OvResult::Cancelled);
             return ShareProperties(e, {});
         },
         R"({"$is_first_time":true,"ov_channel":"c","ov_result":"Cancelled"})"},
        {"task with result Fail",
         [] {
             OvEventTask e;
             e.name = "t";
             e.reason = "r";
             e.elapsed = Some(1.5f);
             e.result = Some(OvResult::Fail);
             return TaskProperties(e, Ab(7));
         },
         R"({"$is_first_time":true,"ov_reason":"r","ov_task_elapsed":1.5,"ov_task_name":"t",)"
         R"("ov_task_result":"Fail","ovc_ab":"IN"})"},
        {"task with result Unknown leaves the result out",
         [] {
             OvEventTask e;
             e.name = "t";
             e.result = Some(OvResult::Unknown);
             return TaskProperties(e, {});
         },
         R"({"$is_first_time":true,"ov_task_name":"t"})"},
        {"task with result 7 leaves the result out without a message",
         [] {
             OvEventTask e;
             e.name = "t";
             e.result = Some(Bad<OvResult>(7));
             return TaskProperties(e, {});
         },
         R"({"$is_first_time":true,"ov_task_name":"t"})"},
        {"file with size 0 and io Output",
         [] {
             OvEventFile e;
             e.aname = "a";
             e.size = Some(0.0f);
             e.io = Some(OvIoType::Output);
             return FileProperties(e, {});
         },
         R"({"$is_first_time":true,"ov_aname":"a","ov_io":"Output"})"},
        {"file, every number",
         [] {
             OvEventFile e;
             e.aname = "a";
             e.name = "f";
             e.ext = "png";
             e.size = Some(2.5f);
             e.duration = Some(3);
             e.fps = Some(30.0f);
             e.bps = Some(1000.0f);
             e.width = Some(640);
             e.height = Some(480);
             e.depth = Some(24);
             e.result = Some(OvResult::Success);
             return FileProperties(e, {});
         },
         R"({"$is_first_time":true,"ov_aname":"a","ov_bps":1000,"ov_depth":24,"ov_duration":3,)"
         R"("ov_ext":"png","ov_fps":30,"ov_height":480,"ov_name":"f","ov_result":"Success",)"
         R"("ov_size":2.5,"ov_width":640})"},
        {"order",
         [] {
             OvEventOrder e;
             e.suitId = "s";
             e.currency = Some(OvCurrency::USD);
             e.originalAmount = 10;
             e.paidAmount = 8.5f;
             e.orderId = "o";
             e.campaignCode = Some(7);
             e.curPaidAmount = 1.25f;
             return OrderProperties(e, {});
         },
         R"({"$is_first_time":true,"ov_campaign_code":7,"ov_cur_paid_amount":1.25,)"
         R"("ov_currency":"USD","ov_order_id":"o","ov_original_amount":10,"ov_paid_amount":8.5,)"
         R"("ov_suit_id":"s"})"},
        {"payment of zero",
         [] {
             OvEventPayment e;
             e.orderId = "o";
             e.currency = Some(OvCurrency::CNY);
             e.paidPlatform = Some(OvPaidPlatform::WeChatPay);
             e.result = Some(OvResult::Success);
             e.iapType = Some(OvIapType::Consumable);
             return PaymentProperties(e, Ab(10));
         },
         R"({"$is_first_time":true,"ov_currency":"CNY","ov_iap_type":"Consumable",)"
         R"("ov_order_id":"o","ov_original_amount":0,"ov_paid_amount":0,)"
         R"("ov_paid_platform":"WeChatPay","ov_result":"Success","ovc_ab":"IN"})"},
        {"update DownloadStart without a result",
         [] {
             OvEventUpdate e;
             e.op = OvUpdateOp::DownloadStart;
             return UpdateProperties(e, {});
         },
         R"({"ov_update_op":"DownloadStart"})"},
        {"update UpdateCheck without a result",
         [] { return UpdateProperties(OvEventUpdate{}, {}); },
         R"({"ov_update_op":"UpdateCheck","ov_update_result":""})"},
        {"update DownloadEnd",
         [] {
             OvEventUpdate e;
             e.op = OvUpdateOp::DownloadEnd;
             e.result = Some(OvUpdateResult::Fail);
             e.elapsed = Some(0.5f);
             return UpdateProperties(e, {});
         },
         R"({"ov_elapsed":0.5,"ov_update_op":"DownloadEnd","ov_update_result":"Fail"})"},
        {"update UpgrateEnd",
         [] {
             OvEventUpdate e;
             e.op = OvUpdateOp::UpgrateEnd;
             e.result = Some(OvUpdateResult::Latest);
             e.elapsed = Some(2.0f);
             return UpdateProperties(e, {});
         },
         R"({"$is_first_time":true,"ov_elapsed":2,"ov_update_op":"UpgrateEnd",)"
         R"("ov_update_result":"Latest"})"},
        {"app notification",
         [] {
             OvEventAppOpenNotification e;
             e.msgTitle = "t";
             e.planId = "p";
             e.planType = "pt";
             e.linkUrl = "u";
             return AppOpenNotificationProperties(&e, {});
         },
         R"({"$is_first_time":true,"$sf_link_url":"u","$sf_msg_title":"t","$sf_plan_id":"p",)"
         R"("$sf_plan_type":"pt"})"},
        {"login of a user",
         [] {
             OvUser u;
             u.userId = "u1";
             u.userType = OvUserType::Email;
             return LoginProperties(u, false, "r", {});
         },
         R"({"$is_first_time":true,"ov_login_id":"u1","ov_reason":"r","ov_result":"Fail",)"
         R"("ov_type":"email","ov_user_id":"u1"})"},
        {"login without a user id", [] { return LoginProperties(OvUser{}, true, "", Ab(2)); },
         R"({"ov_result":"Success","ov_type":"unknown","ovc_ab":"IN"})"},
        {"launch holds only its context", [] { return LaunchProperties(Ab(1)); },
         R"({"ovc_ab":"IN"})"},
        {"uninstall", [] { return UninstallProperties("r", Ab(11)); },
         R"({"ov_uninstall_reason":"r","ovc_ab":"IN"})"},
        {"crash takes no context", [] { return CrashProperties("崩溃"); },
         R"({"app_crashed_reason":"崩溃"})"},
        {"activity",
         [] {
             ActivityInfo info{"st", "X", "1.0", {"Linux", "12"}, true};
             return ActivityProperties(info, {});
         },
         R"({"$app_id":"X","$app_version":"1.0",)"
         R"("$ios_install_source":"android_id=123##imei=1234##mac=123","$is_first_time":true,)"
         R"j("$os":"Linux","$os_version":"12","$user_agent":"Mozilla/5.0(Linux 12; )j" +
             std::string(analytics_test::kMachineTag64) +
             R"j(;)","ov_app_id":"X","ov_app_store":"st"})j"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string json;
        EXPECT_EQ(Raised([&] { json = c.build().ToJson(); }), "");
        EXPECT_EQ(json, c.json);
    }
    EXPECT_EQ(UserAgent({"Linux", "12"}, false),
              "Mozilla/5.0(Linux 12; " + std::string(analytics_test::kMachineTag32) + ";)");
}

TEST(EventProperties, ChecksRefuseInOrder) {
    auto order = [] {
        OvEventOrder e;
        e.suitId = "s";
        e.currency = Some(OvCurrency::CNY);
        e.originalAmount = 10;
        e.paidAmount = 10;
        return e;
    };
    auto payment = [] {
        OvEventPayment e;
        e.orderId = "o";
        e.currency = Some(OvCurrency::CNY);
        e.paidPlatform = Some(OvPaidPlatform::Alipay);
        e.result = Some(OvResult::Success);
        return e;
    };
    auto update = [](OvUpdateOp op, bool result, bool elapsed) {
        OvEventUpdate e;
        e.op = op;
        if (result) e.result = Some(OvUpdateResult::Success);
        if (elapsed) e.elapsed = Some(1.0f);
        return UpdateProperties(e, {});
    };
    auto notification = [](const char* title, const char* planId, const char* planType) {
        OvEventAppOpenNotification e;
        e.msgTitle = title;
        e.planId = planId;
        e.planType = planType;
        return AppOpenNotificationProperties(&e, {});
    };
    const struct {
        const char* name;
        std::function<void()> build;
        const char* message;
    } cases[] = {
        {"click name", [] { ClickProperties({}, {}); }, "ovEventClick.name is empty"},
        {"click type",
         [] {
             OvEventClick e;
             e.name = "n";
             e.clickType = Bad<OvClickType>(9);
             ClickProperties(e, {});
         },
         "Unknown ClickType [9]!"},
        {"view name", [] { ViewProperties({}, {}); }, "ovEventView.name is empty"},
        {"cashier name", [] { CashierProperties({}, {}); },
         "ovEventCashier.ov_cashier_name is empty"},
        {"task name", [] { TaskProperties({}, {}); }, "ovEventTask.name is empty"},
        {"share result 7",
         [] {
             OvEventShare e;
             e.result = Some(Bad<OvResult>(7));
             ShareProperties(e, {});
         },
         "Unknown task result [7]!"},
        {"file aname", [] { FileProperties({}, {}); }, "ovEventFile.aname is empty"},
        {"file io 2",
         [] {
             OvEventFile e;
             e.aname = "a";
             e.io = Some(Bad<OvIoType>(2));
             FileProperties(e, {});
         },
         "the io type is invalid"},
        {"order suit",
         [&] {
             auto e = order();
             e.suitId.clear();
             e.currency.reset();  // the suit is checked first
             OrderProperties(e, {});
         },
         "ovEventOrder.ovSuitId is empty"},
        {"order currency",
         [&] {
             auto e = order();
             e.currency.reset();
             OrderProperties(e, {});
         },
         "ovEventOrder.ovCurrency is nullptr"},
        {"order original 0",
         [&] {
             auto e = order();
             e.originalAmount = 0;
             OrderProperties(e, {});
         },
         "ovEventOrder.originalAmount is less than zero"},
        {"order paid 0 has the original's message",
         [&] {
             auto e = order();
             e.paidAmount = 0;
             OrderProperties(e, {});
         },
         "ovEventOrder.originalAmount is less than zero"},
        {"order currency 11",
         [&] {
             auto e = order();
             e.currency = Some(Bad<OvCurrency>(11));
             OrderProperties(e, {});
         },
         "Unknown currency [11]!"},
        {"payment order id",
         [&] {
             auto e = payment();
             e.orderId.clear();
             e.paidAmount = -1;
             PaymentProperties(e, {});
         },
         "ovEventPayment.ovOrderId is empty"},
        {"payment paid -1",
         [&] {
             auto e = payment();
             e.paidAmount = -1;
             e.originalAmount = -1;
             PaymentProperties(e, {});
         },
         "paidAmount = -1.000000 is invalid"},
        {"payment original -2.5",
         [&] {
             auto e = payment();
             e.originalAmount = -2.5f;
             PaymentProperties(e, {});
         },
         "originalAmount = -2.500000 is invalid"},
        {"payment result absent",
         [&] {
             auto e = payment();
             e.result.reset();
             PaymentProperties(e, {});
         },
         "ovEventPayment.result is invalid"},
        {"payment result Cancelled",
         [&] {
             auto e = payment();
             e.result = Some(OvResult::Cancelled);
             PaymentProperties(e, {});
         },
         "ovEventPayment.result is invalid"},
        {"payment platform text before currency text",
         [&] {
             auto e = payment();
             e.paidPlatform = Some(Bad<OvPaidPlatform>(10));
             e.currency = Some(Bad<OvCurrency>(11));
             PaymentProperties(e, {});
         },
         "Unknown paid platform [10]!"},
        {"payment currency 11",
         [&] {
             auto e = payment();
             e.currency = Some(Bad<OvCurrency>(11));
             PaymentProperties(e, {});
         },
         "Unknown currency [11]!"},
        {"payment iap 0",
         [&] {
             auto e = payment();
             e.iapType = Some(Bad<OvIapType>(0));
             PaymentProperties(e, {});
         },
         "Unknown ovIapType [0]!"},
        // A missing platform or currency would have been read through a null pointer.
        {"payment platform absent",
         [&] {
             auto e = payment();
             e.paidPlatform.reset();
             PaymentProperties(e, {});
         },
         "ovEventPayment.ovPaidPlatform is nullptr"},
        {"payment currency absent",
         [&] {
             auto e = payment();
             e.currency.reset();
             PaymentProperties(e, {});
         },
         "ovEventPayment.ovCurrency is nullptr"},
        {"update op 5", [&] { update(Bad<OvUpdateOp>(5), false, false); },
         "Unknown OvUpdateOp [5]!"},
        {"update result 6",
         [] {
             OvEventUpdate e;
             e.op = OvUpdateOp::DownloadStart;  // the result's text is formed for every op
             e.result = Some(Bad<OvUpdateResult>(6));
             UpdateProperties(e, {});
         },
         "Unknown OvUpdateResult [6]!"},
        {"update DownloadEnd without result", [&] { update(OvUpdateOp::DownloadEnd, false, true); },
         "Unknown updateResultInfo info"},
        {"update DownloadEnd without elapsed",
         [&] { update(OvUpdateOp::DownloadEnd, true, false); }, "invalid elapsed info"},
        {"update UpgrateEnd without elapsed", [&] { update(OvUpdateOp::UpgrateEnd, true, false); },
         "invalid elapsed info"},
        {"notification null", [] { AppOpenNotificationProperties(nullptr, {}); },
         "&appOpenNotification is nullptr"},
        {"notification plan id first", [&] { notification("", "", "pt"); }, "planID is emptry"},
        {"notification plan type", [&] { notification("t", "p", ""); }, "planType is emptry"},
        {"notification title", [&] { notification("", "p", "pt"); }, "msgTitle is emptry"},
        {"login user type 12",
         [] {
             OvUser u;
             u.userType = Bad<OvUserType>(12);
             LoginProperties(u, true, "", {});
         },
         "Unknown user type [12]!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Raised(c.build), c.message);
    }
}

// User-property updates reach the library as the profile record of their key's operation.
class UserPropertyTest : public analytics_test::TrackerTest {
protected:
    void SetUp() override {
        m_env.Set("TZ", "UTC");
        tzset();
        ASSERT_TRUE(event_collect::Sdk::Init(m_scratch / "staging.txt",
                                             m_port.Url("/sa?project=pc"), "D1", false));
    }
    void TearDown() override {
        event_collect::Sdk::Shutdown();
        m_env.Set("TZ", std::nullopt);
        tzset();
    }
    static std::vector<std::string> Queued() {
        const auto consumer = event_collect::Sdk::Consumer();
        return consumer ? consumer->Records() : std::vector<std::string>();
    }
    analytics_test::ClosedPort m_port;
};

TEST_F(UserPropertyTest, KeysDispatchToTheirOperation) {
    using U = NativeUserTracker;
    const struct {
        const char* name;
        std::function<void()> call;
        const char* type;        // the record's type, or null when refused
        const char* properties;  // or the message
    } cases[] = {
        {"set text", [] { U::ProfileUserPropertyString("ov_os", "Linux"); }, "profile_set",
         R"({"ov_os":"Linux"})"},
        {"set-once text", [] { U::ProfileUserPropertyString("$ios_install_source", "s"); },
         "profile_set_once", R"({"$ios_install_source":"s"})"},
        {"text cannot be accumulated", [] { U::ProfileUserPropertyString("ov_paid_count", "1"); },
         nullptr, "user property [ov_paid_count] is string type value, it cannot be accumulated!"},
        {"increment int", [] { U::ProfileUserPropertyNumber("ov_paid_count", 1); },
         "profile_increment", R"({"ov_paid_count":1})"},
        {"increment double", [] { U::ProfileUserPropertyNumber("ov_consumption", 2.5); },
         "profile_increment", R"({"ov_consumption":2.5})"},
        {"set int", [] { U::ProfileUserPropertyNumber("ov_user_vip_level", 3); }, "profile_set",
         R"({"ov_user_vip_level":3})"},
        {"set-once double", [] { U::ProfileUserPropertyNumber("ov_first_paid_date", 0.5); },
         "profile_set_once", R"({"ov_first_paid_date":0.5})"},
        {"date-time in seconds",
         [] { U::ProfileUserPropertyDateTime("ov_last_paid_date", 1600000000); }, "profile_set",
         R"({"ov_last_paid_date":"2020-09-13 12:26:40.000"})"},
        {"date-time in milliseconds",
         [] { U::ProfileUserPropertyDateTime("$first_visit_time", 1600000000123); },
         "profile_set_once", R"({"$first_visit_time":"2020-09-13 12:26:40.123"})"},
        {"date-time cannot be accumulated",
         [] { U::ProfileUserPropertyDateTime("ov_visit_count", 1600000000); }, nullptr,
         "user property [ov_visit_count] is boolean value, it cannot be accumulative!"},
        {"unknown key", [] { U::ProfileUserPropertyNumber("ov_shoe_size", 42); }, nullptr,
         "Not supported user property [ov_shoe_size]!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t before = Queued().size();
        const std::string message = Raised(c.call);
        const auto records = Queued();
        if (c.type == nullptr) {
            EXPECT_EQ(message, c.properties);
            EXPECT_EQ(records.size(), before);
            continue;
        }
        EXPECT_EQ(message, "");
        ASSERT_EQ(records.size(), before + 1);
        std::smatch type, properties;
        ASSERT_TRUE(std::regex_search(records.back(), type, std::regex(R"j("type":"([a-z_]+)")j")));
        EXPECT_EQ(type[1], c.type);
        ASSERT_TRUE(std::regex_search(records.back(), properties,
                                      std::regex(R"("properties":(\{[^{}]*\}))")));
        EXPECT_EQ(properties[1], c.properties);
    }
}

}  // namespace
