// NativeUserTracker: user-property updates. A fixed table says whether a key is set once,
// incremented or set; each entry point dispatches to the library's profile operation of that
// kind and raises OvException for a key outside the table or a value that cannot take the
// key's operation. Safe on any thread (the library guards itself).
#pragma once

#include <cstdint>
#include <string>

namespace orvane::analytics {

class NativeUserTracker {
public:
    enum class Operation { SetOnce, Increment, Set };

    // The operation of `key`; raises "Not supported user property [key]!" outside the table.
    static Operation OperationOf(const std::string& key);

    static void ProfileUserPropertyString(const std::string& key, const std::string& value);
    static void ProfileUserPropertyNumber(const std::string& key, int value);
    static void ProfileUserPropertyNumber(const std::string& key, double value);
    // `time` counts milliseconds above 157789439999, else whole seconds (Unix epoch).
    static void ProfileUserPropertyDateTime(const std::string& key, int64_t time);
};

}  // namespace orvane::analytics
