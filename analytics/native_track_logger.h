// NativeTrackLogger: the event log kept in a text file, one entry per line. Safe on any
// thread (one lock per logger). File failures are ignored: an unwritable log reads as empty.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "analytics/track_logger.h"

namespace orvane::analytics {

class NativeTrackLogger : public TrackLogger {
public:
    NativeTrackLogger() = default;
    ~NativeTrackLogger() override;
    NativeTrackLogger(const NativeTrackLogger&) = delete;
    NativeTrackLogger& operator=(const NativeTrackLogger&) = delete;

    // Points the logger at `path`, creating the file when it does not exist.
    void open(const std::string& path);
    // Stops using the file.
    void close();

    // Appends one entry; line breaks inside it become blanks so that it stays one line.
    void append(const std::string& entry);

    std::vector<std::string> readLogs() override;
    void clearLogs() override;

private:
    std::mutex m_mutex;
    std::string m_path;  // empty while closed
};

}  // namespace orvane::analytics
