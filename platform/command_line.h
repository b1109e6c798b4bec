// The process command line in its Windows form: one text that is split into elements with
// the system's argument rules, and the joining that produces such a text from arguments.
// Pure functions apart from ProcessCommandLine; safe on any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits a command line into elements:
// - elements are separated by blanks and tabs;
// - the first element is the program path: double quotes group and are dropped, backslashes
//   are literal;
// - in later elements, 2n backslashes before a double quote give n backslashes and the quote
//   opens or closes a quoted part, 2n+1 give n backslashes and a literal quote; backslashes
//   before anything else are literal; inside a quoted part, two double quotes give one
//   literal quote and the part goes on; a quoted part may be empty ("" is an empty element).
std::vector<std::wstring> CommandLineToArgv(std::wstring_view commandLine);

// Joins arguments into a command line that CommandLineToArgv splits back into the same
// elements (the first one must not contain a double quote).
std::wstring JoinCommandLine(const std::vector<std::wstring>& arguments);

// This process's command line: its arguments (from /proc/self/cmdline) joined as above.
std::wstring ProcessCommandLine();

}  // namespace platform
