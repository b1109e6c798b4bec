// Captures trace lines for the life of the object (tests only; one capture at a time).
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/debug_output.h"

namespace testing_support {

// The lines a capture has collected; safe on any thread.
class CapturedLines {
public:
    void Add(std::string_view line) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.emplace_back(line);
    }
    std::vector<std::string> Lines() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }
    // Lines that contain `part`.
    std::vector<std::string> Matching(std::string_view part) const {
        std::vector<std::string> found;
        for (const auto& line : Lines())
            if (line.find(part) != std::string::npos) found.push_back(line);
        return found;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

class LogCapture : public platform::DebugSink, public CapturedLines {
public:
    LogCapture() { platform::SetDebugSink(this); }
    ~LogCapture() override { platform::SetDebugSink(nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    void Write(std::string_view line) override { Add(line); }
};

}  // namespace testing_support
