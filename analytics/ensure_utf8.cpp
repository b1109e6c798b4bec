#include "analytics/ensure_utf8.h"

#include "analytics/sdk/text_check.h"
#include "platform/codepage.h"

namespace orvane::analytics {

std::string EnsureUtf8(std::string_view text) {
    if (text.empty() || event_collect::IsWellFormedText(text)) return std::string(text);
    std::wstring wide;
    std::string utf8;
    if (!platform::MultiByteToWide(platform::kCodePageAnsi, text, &wide)) return {};
    if (!platform::WideToMultiByte(platform::kCodePageUtf8, wide, &utf8)) return {};
    return utf8;
}

}  // namespace orvane::analytics
