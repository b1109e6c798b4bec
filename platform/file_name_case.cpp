#include "platform/file_name_case.h"

#include <dirent.h>
#include <locale.h>
#include <sys/stat.h>
#include <wctype.h>

#include <cstring>
#include <string_view>

#include "platform/codepage.h"

namespace platform {
namespace {

// The case mapping of every Unicode letter, whatever the process's own locale; null when the
// system has no such locale (then only ASCII letters fold).
locale_t CaseLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return locale;
}

wint_t Fold(wchar_t c) {
    if (const locale_t locale = CaseLocale()) return towupper_l(static_cast<wint_t>(c), locale);
    return c >= L'a' && c <= L'z' ? static_cast<wint_t>(c - L'a' + L'A') : static_cast<wint_t>(c);
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a == b) return true;
    // Names that are not UTF-8 match only byte for byte.
    if (!IsWellFormedUtf8(a) || !IsWellFormedUtf8(b)) return false;
    std::wstring wideA, wideB;
    MultiByteToWide(kCodePageUtf8, a, &wideA);
    MultiByteToWide(kCodePageUtf8, b, &wideB);
    if (wideA.size() != wideB.size()) return false;
    for (size_t i = 0; i < wideA.size(); ++i)
        if (Fold(wideA[i]) != Fold(wideB[i])) return false;
    return true;
}

}  // namespace

std::string ResolveFileNameCase(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) == 0) return path;
    const size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string_view name = slash == std::string::npos
                                      ? std::string_view(path)
                                      : std::string_view(path).substr(slash + 1);
    if (name.empty()) return path;

    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return path;
    std::string found;
    int candidates = 0;
    while (const dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        if (SameIgnoringCase(entry->d_name, name) && ++candidates == 1) found = entry->d_name;
    }
    closedir(dir);
    if (candidates != 1) return path;
    return slash == std::string::npos ? found : path.substr(0, slash + 1) + found;
}

}  // namespace platform
