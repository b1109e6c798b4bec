#include "analytics/sdk/sdk.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "analytics/sdk/diagnostics.h"
#include "analytics/sdk/name_check.h"
#include "analytics/sdk/track_id.h"

namespace event_collect {
namespace {

constexpr std::string_view kTimeKey = "$time";
constexpr std::string_view kProjectKey = "$project";

// Guards the instance pointer and every field of the instance.
std::mutex g_mutex;
std::unique_ptr<Sdk> g_instance;

int64_t NowMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// NaN and the infinities have no JSON form: the server would refuse the whole batch, and a
// refused batch is put back, so one such value would hold up every later record for ever.
// Nested objects are searched too; the offending key is named by its path ("a.b").
bool CheckFiniteNumbers(const utils::ObjectNode& node, const std::string& prefix = "") {
    for (const auto& [key, value] : node.GetEntries()) {
        if (value.GetType() == ValueNode::NUMBER && !std::isfinite(value.AsNumber())) {
            WriteDiagnostic("The property '" + prefix + key + "' should be a finite number.");
            return false;
        }
        if (const utils::ObjectNode* nested = value.AsObject()) {
            if (!CheckFiniteNumbers(*nested, prefix + key + ".")) return false;
        }
    }
    return true;
}

bool CheckProperties(const PropertiesNode& properties) {
    for (const auto& [key, value] : properties.GetEntries()) {
        if (!CheckName(key, "Property Key")) return false;
        if (key == kTimeKey && value.GetType() != ValueNode::DATETIME) {
            WriteDiagnostic("The property '$time' should be DateTime type.");
            return false;
        }
        if (key == kProjectKey && value.GetType() != ValueNode::STRING) {
            WriteDiagnostic("The property '$project' should be String type.");
            return false;
        }
    }
    return CheckFiniteNumbers(properties);
}

utils::ObjectNode LibProperties() {
    PropertiesNode lib;
    lib.SetString("$lib", "cpp");
    lib.SetString("$lib_version", "0.9");
    lib.SetString("$lib_method", "code");
    return lib;
}

PropertiesNode OneEntry(std::string_view key, std::string_view value) {
    PropertiesNode properties;
    properties.SetString(key, value);
    return properties;
}

PropertiesNode OneEntry(std::string_view key, int32_t value) {
    PropertiesNode properties;
    properties.SetNumber(key, value);
    return properties;
}

PropertiesNode OneEntry(std::string_view key, double value) {
    PropertiesNode properties;
    properties.SetNumber(key, value);
    return properties;
}

}  // namespace

Sdk::Sdk(const std::string& stagingFilePath, const std::string& serverUrl,
         const std::string& distinctId, bool isLoginId)
    : m_distinctId(distinctId),
      m_isLoginId(isLoginId),
      m_consumer(std::make_shared<DefaultConsumer>(serverUrl, stagingFilePath)) {
    ResetSuperProperties();
}

Sdk::~Sdk() = default;

bool Sdk::Init(const std::string& stagingFilePath, const std::string& serverUrl,
               const std::string& distinctId, bool isLoginId) {
    if (!CheckIdentifier(distinctId, "Distinct ID")) return false;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_instance) return true;
    g_instance.reset(new Sdk(stagingFilePath, serverUrl, distinctId, isLoginId));
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    return true;
}

void Sdk::Shutdown() {
    std::unique_ptr<Sdk> instance;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        instance = std::move(g_instance);
    }
    // Destroyed outside the lock: closing the queue may wait for an upload in flight, and
    // other threads' calls must not wait for that.
    instance.reset();
}

bool Sdk::IsInitialized() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_instance != nullptr;
}

std::shared_ptr<DefaultConsumer> Sdk::Consumer() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_instance ? g_instance->m_consumer : nullptr;
}

void Sdk::Track(std::string_view event, const PropertiesNode& properties) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_instance) return;
    const std::string distinctId = g_instance->m_distinctId;
    g_instance->AddEvent("track", event, properties, distinctId, "");
}

void Sdk::Track(std::string_view event) {
    Track(event, PropertiesNode());
}

void Sdk::TrackSignup(std::string_view loginId) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_instance) return;
    const std::string originalId = g_instance->m_distinctId;
    g_instance->AddEvent("track_signup", "$SignUp", PropertiesNode(), loginId, originalId);
    // The identity switches even when the sign-up record itself was refused.
    g_instance->m_distinctId = std::string(loginId);
    g_instance->m_isLoginId = true;
}

void Sdk::TrackInstallation(std::string_view event, const PropertiesNode& properties) {
    PropertiesNode merged;
    merged.SetString("$ios_install_source", "");
    merged.MergeFrom(properties);
    Track(event, merged);
}

void Sdk::Profile(std::string_view action, const PropertiesNode& properties) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_instance) return;
    const std::string distinctId = g_instance->m_distinctId;
    g_instance->AddEvent(action, "", properties, distinctId, "");
}

void Sdk::ProfileSet(const PropertiesNode& properties) {
    Profile("profile_set", properties);
}
void Sdk::ProfileSet(std::string_view key, std::string_view value) {
    Profile("profile_set", OneEntry(key, value));
}
void Sdk::ProfileSet(std::string_view key, int32_t value) {
    Profile("profile_set", OneEntry(key, value));
}
void Sdk::ProfileSet(std::string_view key, double value) {
    Profile("profile_set", OneEntry(key, value));
}

void Sdk::ProfileSetOnce(const PropertiesNode& properties) {
    Profile("profile_set_once", properties);
}
void Sdk::ProfileSetOnce(std::string_view key, std::string_view value) {
    Profile("profile_set_once", OneEntry(key, value));
}
void Sdk::ProfileSetOnce(std::string_view key, int32_t value) {
    Profile("profile_set_once", OneEntry(key, value));
}
void Sdk::ProfileSetOnce(std::string_view key, double value) {
    Profile("profile_set_once", OneEntry(key, value));
}

void Sdk::ProfileIncrement(const PropertiesNode& properties) {
    Profile("profile_increment", properties);
}
void Sdk::ProfileIncrement(std::string_view key, int32_t value) {
    Profile("profile_increment", OneEntry(key, value));
}

void Sdk::ProfileAppend(std::string_view key, std::string_view value) {
    PropertiesNode properties;
    properties.SetList(key, {std::string(value)});
    Profile("profile_append", properties);
}

void Sdk::RegisterSuperProperties(const PropertiesNode& properties) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_instance) return;
    // Refused here rather than at each event: once registered, it would spoil every record.
    if (!CheckFiniteNumbers(properties)) return;
    g_instance->m_superProperties.MergeFrom(properties);
}

void Sdk::ClearSuperProperties() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_instance) return;
    g_instance->ResetSuperProperties();
}

std::string Sdk::DistinctId() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_instance ? g_instance->m_distinctId : std::string();
}

bool Sdk::IsLoginId() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_instance && g_instance->m_isLoginId;
}

void Sdk::ResetSuperProperties() {
    m_superProperties.Clear();
    m_superProperties.SetString("$lib", "cpp");
    m_superProperties.SetString("$lib_version", "0.9");
}

bool Sdk::AddEvent(std::string_view action, std::string_view event,
                   const PropertiesNode& properties, std::string_view distinctId,
                   std::string_view originalId) {
    if (!CheckProperties(properties)) return false;
    if (action == "track" && !CheckName(event, "Event Name")) return false;
    if (action == "track_signup" && !CheckIdentifier(originalId, "Original ID")) return false;

    PropertiesNode merged;
    if (action.find("track") != std::string_view::npos) merged.MergeFrom(m_superProperties);
    merged.MergeFrom(properties);

    int64_t time = 0;
    if (const ValueNode* given = merged.Find(kTimeKey)) {
        time = given->Seconds() * 1000 + given->Milliseconds();
        merged.Remove(kTimeKey);
    } else {
        time = NowMilliseconds();
    }

    std::string project;
    if (const ValueNode* given = merged.Find(kProjectKey)) {
        project = given->AsString();
        merged.Remove(kProjectKey);
    }

    if (m_isLoginId) merged.SetBool("$is_login_id", true);

    PropertiesNode record;
    record.SetString("type", action);
    record.Set("time", ValueNode::Int(time));
    record.SetString("distinct_id", distinctId);
    record.Set("properties", ValueNode::Object(std::move(merged)));
    record.Set("lib", ValueNode::Object(LibProperties()));
    record.Set("_track_id", ValueNode::Int(NewTrackId(NowMilliseconds())));
    if (!project.empty()) record.SetString("project", project);
    if (action == "track" || action == "track_signup") record.SetString("event", event);
    if (action == "track_signup") record.SetString("original_id", originalId);

    m_consumer->Send(record);
    return true;
}

}  // namespace event_collect
