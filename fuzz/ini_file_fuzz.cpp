// The ini reader and writer (platform/ini_file.h) on a file of arbitrary content, with a
// section, a key and a value taken from the input and one change of the file. The input, as
// FuzzedDataProvider reads it: five texts (section, key, value, another section and key), each
// ended by a backslash and one more character, then the file content; its last byte chooses
// the change and the one before it the size of a read buffer. What must hold:
// - reading never fails on the content, and a value read with a buffer size is the start of
//   the whole value, fits the buffer and never ends inside a UTF-8 character of well-formed text;
// - a change is refused exactly when a name (without the blanks around it) or the value would
//   break the line structure;
// - after a write, a read of that key gives the value as the reading rules see it (blanks
//   around it trimmed, one pair of enclosing quotes removed), through the narrow and the wide
//   functions; after a delete the key (or the section) is gone; after adding a section it
//   exists;
// - a change leaves the value of any other section and key as it was.
#include <fuzzer/FuzzedDataProvider.h>

#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "platform/codepage.h"
#include "platform/ini_file.h"

namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";

std::string_view Trim(std::string_view s) {
    const size_t start = s.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) return {};
    return s.substr(start, s.find_last_not_of(kBlanks) - start + 1);
}

bool SameName(std::string_view a, std::string_view b) {
    a = Trim(a);
    b = Trim(b);
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

// The value a read gives for a written `value`.
std::string AsRead(std::string_view value) {
    value = Trim(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

bool BreaksLine(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// The names as the writer takes them: blanks around them (a carriage return among them) are
// dropped first, as a read drops them.
bool ValidSection(std::string_view s) {
    const std::string_view t = Trim(s);
    return !t.empty() && !BreaksLine(t) && t.find(']') == std::string_view::npos;
}

bool ValidKey(std::string_view k) {
    const std::string_view t = Trim(k);
    return !t.empty() && !BreaksLine(t) && t.find('=') == std::string_view::npos &&
           t.front() != ';' && t.front() != '[';
}

std::wstring Wide(std::string_view utf8) {
    std::wstring out;
    platform::MultiByteToWide(platform::kCodePageUtf8, utf8, &out);
    return out;
}

void CheckCutRead(std::string_view section, std::string_view key, size_t size,
                  const std::string& path) {
    const std::optional<std::string> whole = platform::ReadProfileValue(section, key, path);
    const std::string cut = platform::GetPrivateProfileString(section, key, "", size, path);
    const std::string full = whole.value_or("");
    FUZZ_CHECK(full.starts_with(cut));
    FUZZ_CHECK(size == 0 ? cut.empty() : cut.size() <= size - 1);
    if (size > 0 && full.size() > size - 1) FUZZ_CHECK(cut.size() + 3 >= size - 1);
    if (platform::IsWellFormedUtf8(full)) FUZZ_CHECK(platform::IsWellFormedUtf8(cut));
    platform::GetPrivateProfileInt(section, key, -7, path);
}

const fuzz::QuietDebugOutput quiet;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int change = input.ConsumeIntegralInRange(0, 3);
    const size_t readSize = input.ConsumeIntegralInRange<size_t>(0, 40);
    const std::string section = input.ConsumeRandomLengthString(40);
    const std::string key = input.ConsumeRandomLengthString(40);
    const std::string value = input.ConsumeRandomLengthString(80);
    const std::string otherSection = input.ConsumeRandomLengthString(40);
    const std::string otherKey = input.ConsumeRandomLengthString(40);
    const std::string content = input.ConsumeRemainingBytesAsString();

    const std::string path = fuzz::ScratchFolder() + "/profile.ini";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;

    CheckCutRead(section, key, readSize, path);
    CheckCutRead(otherSection, otherKey, readSize, path);
    platform::ProfileSectionExists(section, path);
    const std::optional<std::string> otherBefore =
        platform::ReadProfileValue(otherSection, otherKey, path);
    const bool otherSectionBefore = platform::ProfileSectionExists(otherSection, path);

    switch (change) {
        case 0: {
            const bool valid = ValidSection(section) && ValidKey(key) && !BreaksLine(value);
            FUZZ_CHECK(platform::WritePrivateProfileString(section, key, value, path) == valid);
            if (!valid) break;
            const std::string expected = AsRead(value);
            FUZZ_CHECK(platform::ReadProfileValue(section, key, path) == expected);
            FUZZ_CHECK(platform::ProfileSectionExists(section, path));
            if (platform::IsWellFormedUtf8(section) && platform::IsWellFormedUtf8(key) &&
                platform::IsWellFormedUtf8(value)) {
                FUZZ_CHECK(platform::GetPrivateProfileString(Wide(section), Wide(key), L"",
                                                             SIZE_MAX,
                                                             Wide(path)) == Wide(expected));
            }
            break;
        }
        case 1: {
            const bool valid = ValidSection(section) && ValidKey(key);
            FUZZ_CHECK(platform::WritePrivateProfileString(section, key, std::nullopt, path) ==
                       valid);
            if (valid) FUZZ_CHECK(!platform::ReadProfileValue(section, key, path));
            break;
        }
        case 2: {
            const bool valid = ValidSection(section);
            FUZZ_CHECK(platform::WritePrivateProfileString(section, std::nullopt, std::nullopt,
                                                           path) == valid);
            if (valid) FUZZ_CHECK(!platform::ProfileSectionExists(section, path));
            break;
        }
        case 3: {
            const bool valid = ValidSection(section);
            FUZZ_CHECK(platform::AddProfileSection(section, path) == valid);
            if (valid) FUZZ_CHECK(platform::ProfileSectionExists(section, path));
            break;
        }
    }

    // Another section and key keep their value (a deleted section takes its keys along).
    const bool sameSection = SameName(otherSection, section);
    if (!sameSection || change == 3 || (change <= 1 && !SameName(otherKey, key))) {
        FUZZ_CHECK(platform::ReadProfileValue(otherSection, otherKey, path) == otherBefore);
    }
    if (!sameSection) {
        FUZZ_CHECK(platform::ProfileSectionExists(otherSection, path) == otherSectionBefore);
    }
    return 0;
}
