// The text of package-server's control channel (--control), shared by the server and the
// Windows tests that drive it: the fault knobs as name/value pairs (the names of the command
// line's flags without "--") and the request log as lines. Plain standard C++, so that a
// Windows test can build it without the server. Free functions, safe on any thread.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/package-server/package_server.h"

namespace package_server {

// The paths the control channel answers; the request log never records them.
inline constexpr const char* kControlFaultsPath = "/__control/faults";      // POST, values
inline constexpr const char* kControlRequestsPath = "/__control/requests";  // GET, the log
inline constexpr const char* kControlPackagePath = "/__control/package";    // GET, its facts

// The knobs of `faults` that differ from the defaults, as (name, value) pairs.
std::vector<std::pair<std::string, std::string>> FaultFields(const Faults& faults);

// Sets the knob `name` from `value` ("1" for a switch such as "hang"); false with the reason
// in `error` for an unknown name or a value that does not fit.
bool SetFaultField(Faults* faults, const std::string& name, const std::string& value,
                   std::string* error);
// Whether `name` is a switch, which the command line gives without a value.
bool IsFaultSwitch(const std::string& name);

// One line per request, "METHOD<tab>path<tab>Range<tab>status", and back; false when a line
// does not have that form.
std::string RequestLines(const std::vector<RequestRecord>& requests);
bool ParseRequestLines(const std::string& text, std::vector<RequestRecord>* requests);

// The package's facts as one line, "length md5 sha256", and back.
std::string PackageLine(uint64_t length, const std::string& md5, const std::string& sha256);
bool ParsePackageLine(const std::string& line, uint64_t* length, std::string* md5,
                      std::string* sha256);

}  // namespace package_server
