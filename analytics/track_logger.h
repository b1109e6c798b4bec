// TrackLogger: the tracker's event log, read back and cleared by whoever holds the tracker.
#pragma once

#include <string>
#include <vector>

namespace orvane::analytics {

class TrackLogger {
public:
    virtual ~TrackLogger() = default;
    // The logged entries, oldest first.
    virtual std::vector<std::string> readLogs() = 0;
    // Removes every entry.
    virtual void clearLogs() = 0;
};

}  // namespace orvane::analytics
