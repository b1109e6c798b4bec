// The language file reader (ui/language_selection.h: LoadLanguage) on an arbitrary
// "language.json", once for each language of the table. What must hold:
// - reading never faults, and returns the language the index and code ask for, or 0 for a
//   file that is not a JSON array;
// - the string table then holds exactly the texts of that language: for each id, the text of
//   the last entry that is an object with an integer "id" and a string for the language code,
//   decoded from UTF-8; an unusable file registers nothing.
// The expected texts come from reading the file with jsoncpp here, element by element.
#include <json/json.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/json_support.h"
#include "sys/text.h"
#include "toolkit/resource_access.h"
#include "toolkit/string_table.h"
#include "ui/language_selection.h"

namespace {

// The texts of `code` by id, or nothing when the bytes are not a JSON array.
std::optional<std::map<int, std::string>> Expected(const std::string& bytes,
                                                   const std::string& code) {
    const std::optional<Json::Value> parsed = fuzz::ParseJson(bytes);
    if (!parsed || !parsed->isArray()) return std::nullopt;
    const Json::Value& root = *parsed;
    std::map<int, std::string> texts;
    for (Json::ArrayIndex i = 0; i < root.size(); ++i) {
        const Json::Value& entry = root[i];
        if (!entry.isObject() || !entry.isMember("id") || !entry.isMember(code)) continue;
        if (entry["id"].isInt() && entry[code].isString())
            texts[entry["id"].asInt()] = entry[code].asString();
    }
    return texts;
}

// The ids the table holds among those the file names, with their texts.
std::map<int, std::wstring> Registered(const std::string& bytes) {
    std::map<int, std::wstring> found;
    const std::optional<Json::Value> root = fuzz::ParseJson(bytes);
    if (!root || !root->isArray()) return found;
    for (const Json::Value& entry : *root) {
        if (!entry.isObject() || !entry.isMember("id") || !entry["id"].isInt()) continue;
        std::wstring text;
        const int id = entry["id"].asInt();
        if (toolkit::StringTable::Get(id, &text)) found[id] = text;
    }
    return found;
}

struct Setup {
    Setup() { toolkit::ResourceAccess::SetResourcePath(Utils::FromUtf8(fuzz::ScratchFolder())); }
    fuzz::QuietDebugOutput quiet;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Setup setup;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::ofstream(fuzz::ScratchFolder() + "/language.json", std::ios::binary | std::ios::trunc)
        << bytes;

    for (int index = 0; index < static_cast<int>(ui::kLanguageCodes.size()); ++index) {
        toolkit::StringTable::Clear();
        const std::string code = Utils::ToUtf8(ui::LanguageCode(index));
        const std::optional<std::map<int, std::string>> expected = Expected(bytes, code);
        // Asked by code for one language, by index for the next.
        const int language = index % 2 == 0 ? ui::LoadLanguage(7, ui::LanguageCode(index))
                                            : ui::LoadLanguage(index, L"");
        FUZZ_CHECK(language == (expected && !bytes.empty() ? index : 0));

        std::map<int, std::wstring> wanted;
        if (expected && !bytes.empty()) {
            for (const auto& [id, text] : *expected)
                wanted[id] = Utils::FromUtf8(text);
        }
        FUZZ_CHECK(Registered(bytes) == wanted);
    }
    toolkit::StringTable::Clear();
    return 0;
}
