#include "analytics/analytics_tracker_impl.h"

#include <chrono>

#include "analytics/ensure_utf8.h"
#include "analytics/event_properties.h"
#include "analytics/locale_rule.h"
#include "analytics/native_user_tracker.h"
#include "analytics/os_names.h"
#include "analytics/ov_exception.h"
#include "analytics/sdk/sdk.h"
#include "platform/screen.h"
#include "platform/system_names.h"
#include "platform/user_locale.h"

namespace orvane::analytics {
namespace {

using event_collect::PropertiesNode;
using event_collect::Sdk;

constexpr const char* kSdkVersion = "3.3.8";

int64_t NowMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

PropertiesNode LocaleProperties(const LocaleTexts& texts) {
    PropertiesNode p;
    p.SetString("ov_l10n_locale", texts.locale);
    p.SetString("ov_l10n_language", texts.language);
    p.SetString("ov_l10n_country", texts.country);
    return p;
}

}  // namespace

AnalyticsTrackerImpl::AnalyticsTrackerImpl(const TrackerConfig& config)
    : m_serverUrl(EnsureUtf8(config.serverUrl)),
      m_appName(EnsureUtf8(config.appName)),
      m_appVersion(EnsureUtf8(config.appVersion)),
      m_appStore(EnsureUtf8(config.appStore)),
      m_dlAppId(EnsureUtf8(config.dlAppId)),
      m_dlAppVersion(EnsureUtf8(config.dlAppVersion)),
      m_logFilePath(EnsureUtf8(config.logFilePath)),
      m_edition(config.edition),
      m_context(std::make_unique<AnalyticsContext>()) {}

AnalyticsTrackerImpl::~AnalyticsTrackerImpl() {
    // A send thread still running would announce or upload after the final attempts below.
    m_scheduler.WaitForSendThreads();
    m_context->SaveIdentity();
    m_scheduler.FlushAtShutdown();
    // Closing the queue writes what is left to the staging file.
    if (m_libraryStarted) Sdk::Shutdown();
    m_context.reset();
    if (m_logger) m_logger->close();
}

void AnalyticsTrackerImpl::init() {
    m_eventLogEnabled = false;
    if (m_appName.empty()) OV_THROW("appName is empty");
    if (m_appVersion.empty()) OV_THROW("appVersion is empty");
    if (m_appStore.empty()) OV_THROW("appStore is empty");
    m_scheduler.ResetPending();

    m_context->ResolveFiles(m_appName, m_logFilePath);
    const AnalyticsFiles& files = m_context->Files();
    if (m_serverUrl.empty()) m_serverUrl = kDefaultServerUrl;
    m_context->LoadIdentity();
    m_context->ReconcileIdentity(m_serverUrl);

    m_logger = std::make_unique<NativeTrackLogger>();
    m_logger->open(files.logFile);

    const AnalyticsIdentity identity = m_context->Identity();
    const std::string& distinctId = identity.loginState ? identity.userId : identity.distinctId;
    if (!Sdk::Init(files.stagingFile, m_serverUrl, distinctId, identity.loginState))
        OV_THROW("event_collect::Sdk::Init is failed");
    m_libraryStarted = true;

    // Collected first and registered together, so a bad edition registers none of them.
    const bool is64 = Is64BitSystem();
    const platform::SystemNames system = platform::RunningSystemNames(is64);
    const OsNameInfo os = OsNames();
    PropertiesNode super;
    super.SetString("ov_app_id", m_appName);
    super.SetString("$app_version", m_appVersion);
    super.SetString("$app_id", m_appName);
    super.SetString("ov_app_store", m_appStore);
    super.SetString("ov_edition", editionToString(m_edition));
    if (!m_dlAppId.empty()) super.SetString("ov_dlapp_id", m_dlAppId);
    if (!m_dlAppVersion.empty()) super.SetString("ov_dlapp_version", m_dlAppVersion);
    super.SetString("ov_app_platform", system.osName);
    super.SetString("ov_track_type", "Client");
    super.SetString("ov_sdk_version", kSdkVersion);
    super.SetString("ov_sdk", system.sdkName);
    super.SetString("$os", EnsureUtf8(os.osName));
    super.SetString("$os_version", EnsureUtf8(os.versionName));
    super.MergeFrom(
        LocaleProperties(ResolveLocale(m_context->LocaleText(), platform::UserLocaleNames())));
    const platform::ScreenArea screen = platform::PrimaryMonitorArea();
    super.SetNumber("$screen_height", static_cast<int32_t>(screen.height));
    super.SetNumber("$screen_width", static_cast<int32_t>(screen.width));
    if (!identity.userId.empty()) super.SetString("ov_user_id", identity.userId);
    Sdk::RegisterSuperProperties(super);

    m_context->WriteAppRecord(m_appName, m_appVersion, m_appStore);
}

void AnalyticsTrackerImpl::Track(const char* eventName, const PropertiesNode& properties) {
    Sdk::Track(eventName, properties);
    if (m_eventLogEnabled && m_logger)
        m_logger->append(std::string(eventName) + " " + properties.ToJson());
}

void AnalyticsTrackerImpl::Schedule(OvEventType type, int extraPending) {
    m_scheduler.AddPending(extraPending);
    m_scheduler.RequestSend(IsFlushNow(type));
}

void AnalyticsTrackerImpl::trackActivity(const OvContextProperties& context) {
    ActivityInfo info;
    info.appStore = m_appStore;
    info.appName = m_appName;
    info.appVersion = m_appVersion;
    info.os = OsNames();
    info.is64BitSystem = Is64BitSystem();
    const PropertiesNode properties = ActivityProperties(info, context);
    Sdk::TrackInstallation("OvEventActivity", properties);
    if (m_eventLogEnabled && m_logger)
        m_logger->append(std::string("OvEventActivity ") + properties.ToJson());

    const int64_t now = NowMilliseconds();
    const char* osName = platform::RunningSystemNames(info.is64BitSystem).osName;
    NativeUserTracker::ProfileUserPropertyDateTime("$first_visit_time", now);
    NativeUserTracker::ProfileUserPropertyDateTime("ov_first_visit_date", now);
    NativeUserTracker::ProfileUserPropertyDateTime("ov_last_visit_date", now);
    NativeUserTracker::ProfileUserPropertyString("ov_os", osName);
    NativeUserTracker::ProfileUserPropertyString("ov_os_version", EnsureUtf8(info.os.versionName));
    NativeUserTracker::ProfileUserPropertyString("ov_app_store", m_appStore);
    NativeUserTracker::ProfileUserPropertyString("ov_app_platform", osName);
    NativeUserTracker::ProfileUserPropertyString("ov_last_app_id", m_appName);
    NativeUserTracker::ProfileUserPropertyString("ov_last_app_version", m_appVersion);
    NativeUserTracker::ProfileUserPropertyString("$ios_install_source", kInstallSource);
    Schedule(OvEventType::Activity, 9);
}

void AnalyticsTrackerImpl::trackLaunch(const OvContextProperties& context) {
    Track("OvEventLaunch", LaunchProperties(context));
    int extra = 0;
    if (!m_context->Identity().userId.empty()) {
        const int64_t now = NowMilliseconds();
        NativeUserTracker::ProfileUserPropertyDateTime("$first_visit_time", now);
        NativeUserTracker::ProfileUserPropertyDateTime("ov_first_visit_date", now);
        NativeUserTracker::ProfileUserPropertyDateTime("ov_last_visit_date", now);
        extra = 4;
    }
    Schedule(OvEventType::Launch, extra);
}

void AnalyticsTrackerImpl::trackLogin(const OvUser& user, bool success, const std::string& reason,
                                      const OvContextProperties& context) {
    Track("OvEventLogin", LoginProperties(user, success, reason, context));
    if (!user.userId.empty()) {
        const std::string userId = EnsureUtf8(user.userId);
        bool signUp = false;
        m_context->UpdateIdentity([&](AnalyticsIdentity& id) {
            id.vipLevel = user.vipLevel;
            if (!id.loginState || id.userId.empty()) {
                signUp = true;
                id.loginState = true;
                id.userId = userId;
                id.distinctId = userId;
            }
        });
        if (signUp) {
            Sdk::TrackSignup(userId);
            PropertiesNode userIdProperty;
            userIdProperty.SetString("ov_user_id", userId);
            Sdk::RegisterSuperProperties(userIdProperty);
        }
        m_context->SaveIdentity();
    }
    Schedule(OvEventType::Login);
}

void AnalyticsTrackerImpl::trackClick(const OvEventClick& event,
                                      const OvContextProperties& context) {
    Track("OvEventClick", ClickProperties(event, context));
    Schedule(OvEventType::Click);
}

void AnalyticsTrackerImpl::trackView(const OvEventView& event, const OvContextProperties& context) {
    Track("OvEventView", ViewProperties(event, context));
    Schedule(OvEventType::View);
}

void AnalyticsTrackerImpl::trackCashier(const OvEventCashier& event,
                                        const OvContextProperties& context) {
    Track("OvEventCashier", CashierProperties(event, context));
    Schedule(OvEventType::Cashier);
}

void AnalyticsTrackerImpl::trackShare(const OvEventShare& event,
                                      const OvContextProperties& context) {
    Track("OvEventShare", ShareProperties(event, context));
    Schedule(OvEventType::Share);
}

void AnalyticsTrackerImpl::trackTask(const OvEventTask& event, const OvContextProperties& context) {
    Track("OvEventTask", TaskProperties(event, context));
    Schedule(OvEventType::Task);
}

void AnalyticsTrackerImpl::trackFile(const OvEventFile& event, const OvContextProperties& context) {
    Track("OvEventFile", FileProperties(event, context));
    Schedule(OvEventType::File);
}

void AnalyticsTrackerImpl::trackOrder(const OvEventOrder& event,
                                      const OvContextProperties& context) {
    Track("OvEventOrder", OrderProperties(event, context));
    Schedule(OvEventType::Order);
}

void AnalyticsTrackerImpl::trackPayment(const OvEventPayment& event,
                                        const OvContextProperties& context) {
    Track("OvEventPayment", PaymentProperties(event, context));
    const int64_t now = NowMilliseconds();
    NativeUserTracker::ProfileUserPropertyNumber("ov_paid_count", 1);
    NativeUserTracker::ProfileUserPropertyNumber("ov_consumption",
                                                 static_cast<double>(event.paidAmount));
    NativeUserTracker::ProfileUserPropertyDateTime("ov_first_paid_date", now);
    NativeUserTracker::ProfileUserPropertyDateTime("ov_last_paid_date", now);
    m_scheduler.AddPending(4);
    if (event.result && *event.result == OvResult::Success) {
        m_context->UpdateIdentity([](AnalyticsIdentity& id) { id.vipLevel = 1; });
        m_context->SaveIdentity();
    }
    Schedule(OvEventType::Payment);
}

void AnalyticsTrackerImpl::trackUninstall(const std::string& reason,
                                          const OvContextProperties& context) {
    Track("OvEventUninstall", UninstallProperties(reason, context));
    Schedule(OvEventType::Uninstall);
}

void AnalyticsTrackerImpl::trackCrash(const std::string& reason) {
    Track("AppCrashed", CrashProperties(reason));
    m_scheduler.SendPendingBeforeExit();
    // The process ends next: what is still queued goes to the staging file now, since the
    // shut-down that would write it never comes.
    if (const auto consumer = Sdk::Consumer()) consumer->Close();
}

void AnalyticsTrackerImpl::trackUpdate(const OvEventUpdate& event,
                                       const OvContextProperties& context) {
    Track("OvEventUpdate", UpdateProperties(event, context));
    Schedule(OvEventType::Update);
}

void AnalyticsTrackerImpl::trackAppOpenNotification(const OvEventAppOpenNotification* event,
                                                    const OvContextProperties& context) {
    Track("AppOpenNotification", AppOpenNotificationProperties(event, context));
    Schedule(OvEventType::AppOpenNotification);
}

void AnalyticsTrackerImpl::setLocale(const std::string& locale) {
    m_context->SetLocaleText(EnsureUtf8(locale));
    RegisterLocaleProperties();
}

void AnalyticsTrackerImpl::RegisterLocaleProperties() {
    Sdk::RegisterSuperProperties(
        LocaleProperties(ResolveLocale(m_context->LocaleText(), platform::UserLocaleNames())));
}

std::string AnalyticsTrackerImpl::getPrimaryDistinctId() {
    return m_context->Identity().primaryDistinctId;
}

TrackLogger* AnalyticsTrackerImpl::getLogger() {
    return m_logger.get();
}

}  // namespace orvane::analytics
