#include "sys/log_format.h"

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <type_traits>

namespace Utils {
namespace {

// A wint_t narrower than int (UTF-16 systems) arrives through "..." promoted to int.
using PassedWint = std::conditional_t<(sizeof(wint_t) < sizeof(int)), int, wint_t>;

// The formatted text, or nothing when the C library refuses the format or an argument.
std::optional<std::wstring> FormatV(const wchar_t* format, va_list args) {
#ifdef _WIN32
    // The C runtime's counting form measures, then the line is formatted into its own buffer.
    va_list measure;
    va_copy(measure, args);
    const int length = _vscwprintf(format, measure);
    va_end(measure);
    if (length < 0) return std::nullopt;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int written = _vsnwprintf(text.data(), text.size(), format, args);
    if (written < 0) return std::nullopt;
    text.resize(static_cast<size_t>(written));
    return text;
#else
    // A memory stream measures and formats in one pass and grows to the line's length.
    wchar_t* buffer = nullptr;
    size_t length = 0;
    FILE* stream = open_wmemstream(&buffer, &length);
    if (stream == nullptr) return std::nullopt;
    const int written = vfwprintf(stream, format, args);
    fclose(stream);
    std::optional<std::wstring> text;
    if (written >= 0 && buffer != nullptr) text.emplace(buffer, length);
    free(buffer);
    return text;
#endif
}

std::optional<std::wstring> Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::optional<std::wstring> text = FormatV(format, args);
    va_end(args);
    return text;
}

// What one conversion takes from the arguments.
enum class Kind {
    kInt,
    kLong,
    kLongLong,
    kIntMax,
    kSize,
    kPtrDiff,
    kDouble,
    kLongDouble,
    kNarrowText,
    kWideText,
    kWideChar,
    kPointer,
    kCount,
    kPercent,
    kUnknown,
};

struct Conversion {
    std::wstring text;  // the whole conversion, "%" to its letter
    int stars = 0;      // "*" widths and precisions, each an int argument before the value
    Kind kind = Kind::kUnknown;
};

// Reads the conversion starting at format[*at] (a "%") and moves past it.
Conversion ReadConversion(std::wstring_view format, size_t* at) {
    Conversion c;
    size_t i = *at + 1;
    auto skipDigitsOrStar = [&] {
        if (i < format.size() && format[i] == L'*') {
            ++c.stars;
            ++i;
            return;
        }
        while (i < format.size() && format[i] >= L'0' && format[i] <= L'9')
            ++i;
    };
    while (i < format.size() &&
           std::wstring_view(L"-+ #0'").find(format[i]) != std::wstring_view::npos)
        ++i;
    skipDigitsOrStar();
    if (i < format.size() && format[i] == L'.') {
        ++i;
        skipDigitsOrStar();
    }
    std::wstring_view length;
    for (std::wstring_view candidate : {L"hh", L"ll", L"h", L"l", L"j", L"z", L"t", L"L", L"q"}) {
        if (format.substr(i, candidate.size()) == candidate) {
            length = candidate;
            i += candidate.size();
            break;
        }
    }
    if (i >= format.size()) {
        *at = format.size();
        return c;
    }
    const wchar_t letter = format[i++];
    c.text = format.substr(*at, i - *at);
    *at = i;
    switch (letter) {
        case L'%':
            c.kind = Kind::kPercent;
            break;
        case L'd':
        case L'i':
        case L'o':
        case L'u':
        case L'x':
        case L'X':
            c.kind = length == L"l"                      ? Kind::kLong
                     : length == L"ll" || length == L"q" ? Kind::kLongLong
                     : length == L"j"                    ? Kind::kIntMax
                     : length == L"z"                    ? Kind::kSize
                     : length == L"t"                    ? Kind::kPtrDiff
                                                         : Kind::kInt;
            break;
        case L'c':
            c.kind = length == L"l" ? Kind::kWideChar : Kind::kInt;
            break;
        case L'C':
            c.kind = Kind::kWideChar;
            break;
        case L's':
            c.kind = length == L"l" ? Kind::kWideText : Kind::kNarrowText;
            break;
        case L'S':
            c.kind = Kind::kWideText;
            break;
        case L'e':
        case L'E':
        case L'f':
        case L'F':
        case L'g':
        case L'G':
        case L'a':
        case L'A':
            c.kind = length == L"L" ? Kind::kLongDouble : Kind::kDouble;
            break;
        case L'p':
            c.kind = Kind::kPointer;
            break;
        case L'n':
            c.kind = Kind::kCount;
            break;
        default:
            c.kind = Kind::kUnknown;
    }
    return c;
}

// One conversion with its "*" arguments and its value.
template <typename T>
std::optional<std::wstring> FormatOne(const Conversion& c, const int* stars, T value) {
    if (c.stars == 0) return Format(c.text.c_str(), value);
    if (c.stars == 1) return Format(c.text.c_str(), stars[0], value);
    return Format(c.text.c_str(), stars[0], stars[1], value);
}

// A narrow text that could not be converted, with its bytes past ASCII written as \xNN.
std::wstring UnprintableNarrowText(const char* text) {
    if (text == nullptr) return L"<unprintable>";
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring shown = L"<unprintable \"";
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        if (*p >= 0x20 && *p < 0x7f) {
            shown += static_cast<wchar_t>(*p);
        } else {
            shown += L"\\x";
            shown += kDigits[*p >> 4];
            shown += kDigits[*p & 0xf];
        }
    }
    return shown + L"\">";
}

std::wstring FormatPieceByPiece(std::wstring_view format, va_list args) {
    std::wstring line;
    size_t i = 0;
    while (i < format.size()) {
        const size_t percent = format.find(L'%', i);
        line += format.substr(i, percent == std::wstring_view::npos ? format.npos : percent - i);
        if (percent == std::wstring_view::npos) break;
        i = percent;
        const size_t start = i;
        const Conversion c = ReadConversion(format, &i);
        if (c.kind == Kind::kUnknown) {
            line += format.substr(start);
            break;
        }
        if (c.kind == Kind::kPercent) {
            line += L'%';
            continue;
        }
        int stars[2] = {0, 0};
        for (int n = 0; n < c.stars && n < 2; ++n)
            stars[n] = va_arg(args, int);
        std::optional<std::wstring> piece;
        std::wstring unprintable = L"<unprintable>";
        switch (c.kind) {
            case Kind::kInt:
                piece = FormatOne(c, stars, va_arg(args, int));
                break;
            case Kind::kLong:
                piece = FormatOne(c, stars, va_arg(args, long));
                break;
            case Kind::kLongLong:
                piece = FormatOne(c, stars, va_arg(args, long long));
                break;
            case Kind::kIntMax:
                piece = FormatOne(c, stars, va_arg(args, intmax_t));
                break;
            case Kind::kSize:
                piece = FormatOne(c, stars, va_arg(args, size_t));
                break;
            case Kind::kPtrDiff:
                piece = FormatOne(c, stars, va_arg(args, ptrdiff_t));
                break;
            case Kind::kDouble:
                piece = FormatOne(c, stars, va_arg(args, double));
                break;
            case Kind::kLongDouble:
                piece = FormatOne(c, stars, va_arg(args, long double));
                break;
            case Kind::kNarrowText: {
                const char* text = va_arg(args, const char*);
                piece = FormatOne(c, stars, text);
                unprintable = UnprintableNarrowText(text);
                break;
            }
            case Kind::kWideText:
                piece = FormatOne(c, stars, va_arg(args, const wchar_t*));
                break;
            case Kind::kWideChar:
                piece = FormatOne(c, stars, static_cast<wint_t>(va_arg(args, PassedWint)));
                break;
            case Kind::kPointer:
                piece = FormatOne(c, stars, va_arg(args, void*));
                break;
            case Kind::kCount:
                // Nothing is stored through a count pointer of a line being rescued.
                (void)va_arg(args, void*);
                piece.emplace();
                break;
            case Kind::kPercent:
            case Kind::kUnknown:
                break;
        }
        line += piece ? *piece : unprintable;
    }
    return line;
}

}  // namespace

std::wstring FormatLogLine(const wchar_t* format, va_list args) {
    va_list again;
    va_copy(again, args);
    std::optional<std::wstring> line = FormatV(format, args);
    if (!line) line = FormatPieceByPiece(format, again);
    va_end(again);
    return *line;
}

}  // namespace Utils
