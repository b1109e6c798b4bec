#include "ui/language_selection.h"

#include <json/json.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ini_file.h"
#include "platform/paths.h"
#include "sys/text.h"
#include "toolkit/label.h"
#include "toolkit/resource_access.h"
#include "toolkit/string_table.h"
#include "toolkit/window_ui.h"

namespace ui {
namespace {

constexpr wchar_t kLanguageFile[] = L"language.json";
// A guard against a damaged or foreign file: the real one is a few kilobytes.
constexpr size_t kMaxLanguageFileSize = 4 * 1024 * 1024;
constexpr char kInstallationConfig[] = "config.ini";
// The character buffer the value was always read into, terminator included.
constexpr size_t kLanguageValueBuffer = 260;

bool IsInTable(int index) {
    return index >= 0 && index < static_cast<int>(kLanguageCodes.size());
}

int ChooseLanguage(int index, std::wstring_view code) {
    if (code.empty()) return IsInTable(index) ? index : 0;
    for (size_t i = 0; i < kLanguageCodes.size(); ++i) {
        if (kLanguageCodes[i] == code) return static_cast<int>(i);
    }
    // Kept unchecked: the texts then fall back to "en-US" through LanguageCode, but the caller
    // still sees the index it asked for.
    return index;
}

std::optional<Json::Value> ParseArray(const std::vector<uint8_t>& bytes) {
    const auto* begin = reinterpret_cast<const char*>(bytes.data());
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    try {
        if (!reader->parse(begin, begin + bytes.size(), &root, &errors)) return std::nullopt;
    } catch (const Json::Exception&) {
        // The reader reports most faults through `errors` but still throws on nesting deeper
        // than its stack limit.
        return std::nullopt;
    }
    if (!root.isArray()) return std::nullopt;
    return root;
}

}  // namespace

std::wstring_view LanguageCode(int index) {
    return IsInTable(index) ? kLanguageCodes[static_cast<size_t>(index)] : kLanguageCodes[0];
}

int LoadLanguage(int index, std::wstring_view code) {
    std::vector<uint8_t> bytes;
    if (!toolkit::ResourceAccess::ReadFile(kLanguageFile, &bytes) || bytes.empty() ||
        bytes.size() > kMaxLanguageFileSize) {
        return 0;
    }
    const std::optional<Json::Value> entries = ParseArray(bytes);
    if (!entries) return 0;

    const int language = ChooseLanguage(index, code);
    const std::string key = Utils::ToUtf8(LanguageCode(language));
    for (const Json::Value& entry : *entries) {
        // Indexing anything but an object throws, so other elements are skipped first.
        if (!entry.isObject()) continue;
        const Json::Value& id = entry["id"];
        const Json::Value& text = entry[key];
        if (!id.isInt() || !text.isString()) continue;
        toolkit::StringTable::Set(id.asInt(), Utils::FromUtf8(text.asString()));
    }
    return language;
}

int LanguageFromInstallation(const std::wstring& folder, toolkit::WindowUi* ui) {
    std::string path = Utils::ToUtf8(folder);
    if (path.empty() || path.back() != platform::kPathSeparator) path += platform::kPathSeparator;
    path += kInstallationConfig;
    std::wstring code;
    if (platform::PathExists(path)) {
        code = platform::GetPrivateProfileString(L"Install", L"Language", L"en-US",
                                                 kLanguageValueBuffer, Utils::FromUtf8(path));
    }
    const int language = LoadLanguage(0, code);
    if (ui != nullptr) ui->RefreshTexts();
    return language;
}

std::wstring CurrentLanguageCode(const toolkit::CControlUI* languageList, int selectedIndex) {
    if (languageList == nullptr) return {};
    return std::wstring(LanguageCode(selectedIndex));
}

void ApplyLanguage(toolkit::WindowUi& ui, int index) {
    LoadLanguage(index, L"");
    ui.RefreshTexts();
    // These controls sit in rows beside other controls; sizing them to their text keeps the
    // rest of the row right after the text in every language. Only the left padding counts,
    // so the text ends at the control's right edge.
    for (const std::wstring_view name : {L"lbLanguage", L"lbInstallPath", L"backBtn"}) {
        auto* label = dynamic_cast<toolkit::CLabelUI*>(ui.FindControl(name));
        if (label == nullptr) continue;
        const toolkit::Size text =
            ui.MeasureText(label->GetFont(), label->GetText(), label->GetTextStyle());
        label->SetFixedWidth(text.cx + label->GetTextPadding().left);
    }
}

}  // namespace ui
