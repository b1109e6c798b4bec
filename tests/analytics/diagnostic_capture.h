// Test helpers: captures the event-collection library's diagnostic lines for the life of the
// object (one capture at a time); a local port that refuses connections.
#pragma once

#include <string_view>

#include "analytics/sdk/diagnostics.h"
#include "tests/support/log_capture.h"
#include "tests/support/closed_port.h"

namespace analytics_test {

class DiagnosticCapture : public event_collect::DiagnosticSink,
                          public testing_support::CapturedLines {
public:
    DiagnosticCapture() { event_collect::SetDiagnosticSink(this); }
    ~DiagnosticCapture() override { event_collect::SetDiagnosticSink(nullptr); }
    DiagnosticCapture(const DiagnosticCapture&) = delete;
    DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;

    void Write(std::string_view line) override { Add(line); }
};

using testing_support::ClosedPort;

}  // namespace analytics_test
