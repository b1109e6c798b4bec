#include "tools/stage-cli/notification_line.h"

#include <charconv>

#include "sys/text.h"

namespace stage_cli {

std::string NotificationLine(int code, double value, const wchar_t* text) {
    // The shortest text that reads back as the same double: whole numbers (failure codes,
    // HRESULTs) keep every digit, and fractions are not rounded to six places as by "%g".
    char number[64];
    const auto written = std::to_chars(number, number + sizeof number, value);
    return std::to_string(code) + "\t" + std::string(number, written.ptr) + "\t" +
           Utils::ToUtf8(text != nullptr ? text : L"") + "\n";
}

}  // namespace stage_cli
