// The installer's interface language: the texts of one language from the skin's "language.json"
// put into the toolkit's string table, and the language an earlier installation was made in.
// UI thread only.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace toolkit {
class CControlUI;
class WindowUi;
}  // namespace toolkit

namespace ui {

// The languages by index, as the "-language=" switch and the language list number them.
inline constexpr std::array<std::wstring_view, 3> kLanguageCodes = {L"en-US", L"zh-CN", L"zh-TW"};

// The code of `index`; "en-US" for an index outside the table.
std::wstring_view LanguageCode(int index);

// Registers the texts of one language from "language.json" (a JSON array of objects, each an
// integer "id" and one string per language code) in the string table, by id.
// The language is the index whose code equals `code` (the incoming `index`, unchecked, when
// none does); with an empty `code`, `index` when it is in the table, else 0. The texts
// registered are those of LanguageCode(language), and the language is returned.
// Returns 0 and registers nothing when the file is missing, empty, over 4 MiB, not valid JSON
// or not an array. Entries without an integer "id" or without a string for the language are
// skipped.
int LoadLanguage(int index, std::wstring_view code);

// Loads the language recorded in `folder`/config.ini ([Install] Language, "en-US" when the key
// is missing; no code at all without the file), then refreshes the texts of `ui` unless null.
// Returns LoadLanguage's result.
int LanguageFromInstallation(const std::wstring& folder, toolkit::WindowUi* ui);

// The code the user picked: empty without a language list, else the code of `selectedIndex`.
std::wstring CurrentLanguageCode(const toolkit::CControlUI* languageList, int selectedIndex);

// Loads language `index`, refreshes the window's texts and sizes the labels "lbLanguage",
// "lbInstallPath" and "backBtn" to their new text.
void ApplyLanguage(toolkit::WindowUi& ui, int index);

}  // namespace ui
