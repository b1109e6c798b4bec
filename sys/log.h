// Trace lines on the debug output, always on, no levels. Any thread may log at any time.
//
//   LOG_TRACE(L"CurlClient::Start", L"curl_easy_perform failed: %ls", message.c_str());
//
// Each line is "<P%05d><T%05d><yyyy-mm-dd hh:mm:ss.mmm>(label)<line>: message" and ends in
// "\r\n" unless the message already ends in a line break. Formats follow the C library's
// wide printf, so a string argument is written "%ls" and is wide: a narrow text (UTF-8 inside
// the program) is passed as LogText(text).c_str(), since the process stays in the "C" locale,
// where the C library cannot convert a narrow text past ASCII.
#pragma once

#include <cstdarg>
#include <string>
#include <type_traits>

#include "platform/clock.h"
#include "platform/process.h"

namespace Utils {

// Formats one complete line (prefix, message and line end already in `format`) and writes
// it with one output call. The buffer is sized from the formatted length, so a long message
// is written whole; a line whose arguments cannot all be formatted is still written, with
// those arguments replaced by a mark (sys/log_format.h).
void LogPrint(const wchar_t* format, ...);
void LogPrintV(const wchar_t* format, va_list args);

// The prefix format followed by `message` and the line end it still needs.
std::wstring LogLineFormat(const wchar_t* message);

// A narrow text of the program (UTF-8) as the wide text a "%ls" takes; null gives "(null)".
std::wstring LogText(const char* text);
inline std::wstring LogText(const std::string& text) {
    return LogText(text.c_str());
}

template <typename... Args>
void LogLine(const wchar_t* label, int line, const wchar_t* message, Args... args) {
    static_assert((std::is_trivially_copyable_v<Args> && ...),
                  "pass strings to the log as .c_str() pointers");
    static_assert(!(std::is_same_v<std::remove_cv_t<std::remove_pointer_t<Args>>, char> || ...),
                  "pass a narrow text to the log as LogText(text).c_str() with \"%ls\"");
    const platform::LocalTime t = platform::LocalTimeNow();
    LogPrint(LogLineFormat(message).c_str(), static_cast<int>(platform::ProcessId()),
             static_cast<int>(platform::CurrentThreadId()), t.year, t.month, t.day, t.hour,
             t.minute, t.second, t.millisecond, label, line, args...);
}

}  // namespace Utils

#define LOG_TRACE(label, ...) ::Utils::LogLine(label, __LINE__, __VA_ARGS__)
