// Sdk: the event-collection library's single instance. It validates what the tracker layer
// reports, assembles one event record per accepted call and queues it for upload.
// Every operation acts on the process-wide instance and does nothing without one. One lock
// guards the instance for the whole of each operation (taken before the queue's locks), so
// any thread may call in. Bad input never throws: it writes one diagnostic line.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "analytics/sdk/default_consumer.h"
#include "analytics/sdk/properties_node.h"

namespace event_collect {

class Sdk {
public:
    // Creates the instance; false (and nothing created) when the distinct id is empty or
    // longer than 255 bytes. With an instance already there, true and nothing changes.
    static bool Init(const std::string& stagingFilePath, const std::string& serverUrl,
                     const std::string& distinctId, bool isLoginId);
    // Destroys the instance: its queue writes what is left to the staging file once no
    // flush uses it any more.
    static void Shutdown();
    static bool IsInitialized();

    // The instance's record queue (null without an instance); the tracker flushes through
    // it. Holding the pointer keeps the queue open.
    static std::shared_ptr<DefaultConsumer> Consumer();

    static void Track(std::string_view event, const PropertiesNode& properties);
    static void Track(std::string_view event);
    static void TrackSignup(std::string_view loginId);
    static void TrackInstallation(std::string_view event, const PropertiesNode& properties);

    static void ProfileSet(const PropertiesNode& properties);
    static void ProfileSet(std::string_view key, std::string_view value);
    static void ProfileSet(std::string_view key, int32_t value);
    static void ProfileSet(std::string_view key, double value);
    static void ProfileSetOnce(const PropertiesNode& properties);
    static void ProfileSetOnce(std::string_view key, std::string_view value);
    static void ProfileSetOnce(std::string_view key, int32_t value);
    static void ProfileSetOnce(std::string_view key, double value);
    static void ProfileIncrement(const PropertiesNode& properties);
    static void ProfileIncrement(std::string_view key, int32_t value);
    static void ProfileAppend(std::string_view key, std::string_view value);

    // Copies every entry into the super properties; a set holding a NaN or infinite number
    // is refused whole, with one diagnostic line.
    static void RegisterSuperProperties(const PropertiesNode& properties);
    static void ClearSuperProperties();

    // The current identity (empty / false without an instance).
    static std::string DistinctId();
    static bool IsLoginId();

    ~Sdk();

private:
    Sdk(const std::string& stagingFilePath, const std::string& serverUrl,
        const std::string& distinctId, bool isLoginId);

    void ResetSuperProperties();
    // The one assembly step of every operation; true when a record was queued.
    bool AddEvent(std::string_view action, std::string_view event, const PropertiesNode& properties,
                  std::string_view distinctId, std::string_view originalId);
    static void Profile(std::string_view action, const PropertiesNode& properties);

    PropertiesNode m_superProperties;
    std::string m_distinctId;
    bool m_isLoginId;
    std::shared_ptr<DefaultConsumer> m_consumer;
};

}  // namespace event_collect
