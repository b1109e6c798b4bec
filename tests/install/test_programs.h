// The programs the install tests start: the test helper and the demo package, as UTF-8 paths.
// On Windows both are found beside the test program: the build's own paths are the Linux
// machine's. Stateless; any thread.
#pragma once

#include <string>

#include "platform/paths.h"
#include "platform/process.h"

namespace install_test {

#ifdef _WIN32
// A program file needs its extension; a command line may leave it out.
inline constexpr const char* kExe = ".exe";

inline std::string BesideThisProgram(const char* name) {
    return platform::PathText(platform::FsPath(platform::ExecutablePath()).replace_filename(name));
}
inline std::string HelperPath() {
    return BesideThisProgram(CHILD_HELPER_NAME);
}
#else
inline constexpr const char* kExe = "";

inline std::string HelperPath() {
    return CHILD_HELPER_PATH;
}
#endif

#ifdef DEMO_PACKAGE_NAME
inline std::string DemoPackagePath() {
    return BesideThisProgram(DEMO_PACKAGE_NAME);
}
#elif defined(DEMO_PACKAGE_PATH)
inline std::string DemoPackagePath() {
    return DEMO_PACKAGE_PATH;
}
#endif

}  // namespace install_test
