#include "analytics/sdk/name_check.h"

#include <string>

#include "analytics/sdk/diagnostics.h"

namespace event_collect {
namespace {

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool CheckName(std::string_view name, std::string_view label) {
    if (name.empty() || name.size() > kMaxNameLength) {
        WriteDiagnostic("The " + std::string(label) + " is empty or too long, max length is 100");
        return false;
    }
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool ok = IsLetter(c) || c == '$' || c == '_' || (i > 0 && IsDigit(c));
        if (!ok) {
            WriteDiagnostic("The " + std::string(label) + " need to be a valid variable name.");
            return false;
        }
    }
    return true;
}

bool CheckIdentifier(std::string_view identifier, std::string_view label) {
    if (identifier.empty()) {
        WriteDiagnostic("The " + std::string(label) + " is empty.");
        return false;
    }
    if (identifier.size() > kMaxIdentifierLength) {
        WriteDiagnostic("The " + std::string(label) + " is too long, max length is 255.");
        return false;
    }
    return true;
}

}  // namespace event_collect
