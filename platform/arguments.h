// This program's arguments as UTF-8 text, whatever the system's code page. Call from main on
// the main thread.
#pragma once

#include <string>
#include <vector>

namespace platform {

// argv as it is on Linux. On Windows argv holds text of the "ANSI" code page, which cannot
// hold every file name: the arguments are split from the process's UTF-16 command line instead
// (ProcessCommandLine) and converted.
std::vector<std::string> ProcessArguments(int argc, char** argv);

}  // namespace platform
