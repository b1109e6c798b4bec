#include "sys/log.h"

#include "platform/debug_output.h"
#include "sys/log_format.h"
#include "sys/text.h"

namespace Utils {

void LogPrint(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    LogPrintV(format, args);
    va_end(args);
}

void LogPrintV(const wchar_t* format, va_list args) {
    platform::WriteDebugOutput(ToUtf8(FormatLogLine(format, args)));
}

std::wstring LogText(const char* text) {
    return text == nullptr ? std::wstring(L"(null)") : FromUtf8(text);
}

std::wstring LogLineFormat(const wchar_t* message) {
    std::wstring format = L"<P%05d><T%05d><%04d-%02d-%02d %02d:%02d:%02d.%03d>(%ls)<%04d>: ";
    format += message;
    if (format.back() != L'\n') format += L"\r\n";
    return format;
}

}  // namespace Utils
