#include "sys/log.h"

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include "platform/debug_output.h"
#include "sys/text.h"

namespace Utils {

void LogPrint(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    LogPrintV(format, args);
    va_end(args);
}

void LogPrintV(const wchar_t* format, va_list args) {
    // A memory stream measures and formats in one pass and grows to the line's length.
    wchar_t* buffer = nullptr;
    size_t length = 0;
    FILE* stream = open_wmemstream(&buffer, &length);
    if (stream == nullptr) return;
    const int written = vfwprintf(stream, format, args);
    fclose(stream);
    if (written >= 0 && buffer != nullptr)
        platform::WriteDebugOutput(WideToNarrow(std::wstring_view(buffer, length), 0));
    free(buffer);
}

std::wstring LogLineFormat(const wchar_t* message) {
    std::wstring format = L"<P%05d><T%05d><%04d-%02d-%02d %02d:%02d:%02d.%03d>(%ls)<%04d>: ";
    format += message;
    if (format.back() != L'\n') format += L"\r\n";
    return format;
}

}  // namespace Utils
