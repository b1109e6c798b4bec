#include "platform/codepage.h"

#include <errno.h>
#include <iconv.h>

#include <string>

#include "platform/utf8_sequence.h"

namespace platform {
namespace {

constexpr wchar_t kReplacement = 0xFFFD;

void DecodeUtf8(std::string_view in, std::wstring* out) {
    out->reserve(in.size());
    while (!in.empty()) {
        const size_t len = utf8::SequenceLength(in);
        if (len == 0) {
            out->push_back(kReplacement);
            in.remove_prefix(1);
            continue;
        }
        const auto b0 = static_cast<unsigned char>(in[0]);
        char32_t cp = len == 1 ? b0 : len == 2 ? (b0 & 0x1F) : len == 3 ? (b0 & 0x0F) : (b0 & 0x07);
        for (size_t i = 1; i < len; ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(in[i]) & 0x3F);
        out->push_back(static_cast<wchar_t>(cp));
        in.remove_prefix(len);
    }
}

void EncodeUtf8(std::wstring_view in, std::string* out) {
    out->reserve(in.size());
    for (wchar_t wc : in) {
        auto cp = static_cast<char32_t>(wc);
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
        if (cp < 0x80) {
            out->push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
}

bool IsUtf8Page(unsigned codePage) {
    return codePage == kCodePageAnsi || codePage == kCodePageUtf8;
}

class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts all of in; on an invalid or unmappable unit, skips `skip` bytes of input and
    // appends `substitute` to the output.
    void Run(const char* in, size_t inLeft, std::string* out, size_t skip,
             std::string_view substitute) {
        char buffer[4096];
        auto* src = const_cast<char*>(in);
        while (true) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            const size_t rc = iconv(m_cd, inLeft ? &src : nullptr, &inLeft, &dst, &dstLeft);
            out->append(buffer, dst);
            if (rc != static_cast<size_t>(-1)) {
                if (inLeft == 0) break;
                continue;
            }
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (a cut sequence at the end): substitute and move on.
            out->append(substitute);
            const size_t n = inLeft < skip ? inLeft : skip;
            src += n;
            inLeft -= n;
            if (inLeft == 0) break;
        }
    }

private:
    iconv_t m_cd;
};

std::string IconvName(unsigned codePage) {
    return "CP" + std::to_string(codePage);
}

}  // namespace

bool MultiByteToWide(unsigned codePage, std::string_view in, std::wstring* out) {
    out->clear();
    if (IsUtf8Page(codePage)) {
        DecodeUtf8(in, out);
        return true;
    }
    Iconv cv("WCHAR_T", IconvName(codePage).c_str());
    if (!cv.ok()) return false;
    std::string bytes;
    const wchar_t replacement = kReplacement;
    cv.Run(in.data(), in.size(), &bytes, 1,
           std::string_view(reinterpret_cast<const char*>(&replacement), sizeof replacement));
    out->assign(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    return true;
}

bool WideToMultiByte(unsigned codePage, std::wstring_view in, std::string* out) {
    out->clear();
    if (IsUtf8Page(codePage)) {
        EncodeUtf8(in, out);
        return true;
    }
    Iconv cv(IconvName(codePage).c_str(), "WCHAR_T");
    if (!cv.ok()) return false;
    cv.Run(reinterpret_cast<const char*>(in.data()), in.size() * sizeof(wchar_t), out,
           sizeof(wchar_t), "?");
    return true;
}

bool IsWellFormedUtf8(std::string_view in) {
    return utf8::WellFormed(in);
}

}  // namespace platform
