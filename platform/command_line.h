// The process command line in its Windows form: one text that is split into elements with
// the system's argument rules, and the joining that produces such a text from arguments.
// Pure functions apart from ProcessCommandLine and the split of an empty line; safe on any
// thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits a command line into elements:
// - an empty command line gives one element, this program's own path;
// - elements are separated by blanks and tabs;
// - the first element is the program path, with rules of its own: one that starts with a
//   double quote ends at the next one (the next element begins right after it, blank or
//   not); any other ends at the first blank or tab and keeps the quotes it contains;
//   backslashes are literal;
// - in later elements, 2n backslashes before a double quote give n backslashes and the quote
//   opens or closes a quoted part, 2n+1 give n backslashes and a literal quote; backslashes
//   before anything else are literal; inside a quoted part, two double quotes give one
//   literal quote and end the part; a quoted part may be empty ("" is an empty element).
std::vector<std::wstring> CommandLineToArgv(std::wstring_view commandLine);

// Joins arguments into a command line that CommandLineToArgv splits back into the same
// elements. The first one, the program path, cannot start with a double quote nor hold one
// together with a blank or tab, and an empty list joins into "" (which splits into this
// program's path).
std::wstring JoinCommandLine(const std::vector<std::wstring>& arguments);

// This process's command line: on Windows the system's own (GetCommandLineW), on Linux its
// arguments (from /proc/self/cmdline) joined as above.
std::wstring ProcessCommandLine();

}  // namespace platform
