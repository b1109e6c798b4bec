#include "toolkit/skin_archive.h"

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>

#include <cstring>
#include <cwctype>

#include "sys/log.h"
#include "sys/text.h"

namespace toolkit {
namespace {

// A skin is a few megabytes; anything near this is a damaged or hostile archive.
constexpr uint64_t kMaxDecodedBytes = 256ull << 20;

// Names are stored as UTF-16; libarchive hands them out in the thread's locale, which must be
// UTF-8 for every name to survive (a process in the "C" locale would lose non-ASCII ones).
class Utf8Locale {
public:
    Utf8Locale() : m_locale(newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0))) {
        if (m_locale != static_cast<locale_t>(0)) m_previous = uselocale(m_locale);
    }
    ~Utf8Locale() {
        if (m_locale == static_cast<locale_t>(0)) return;
        uselocale(m_previous);
        freelocale(m_locale);
    }
    Utf8Locale(const Utf8Locale&) = delete;
    Utf8Locale& operator=(const Utf8Locale&) = delete;

private:
    locale_t m_locale;
    locale_t m_previous = static_cast<locale_t>(0);
};

struct ArchiveCloser {
    void operator()(archive* a) const { archive_read_free(a); }
};

char16_t FoldCase(char16_t c) {
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    if (c >= 0xD800 && c <= 0xDFFF) return c;  // half of a pair: no case
    return static_cast<char16_t>(std::towlower(static_cast<wint_t>(c)));
}

bool ReadEntryData(archive* a, uint64_t* budget, std::vector<uint8_t>* data) {
    char buffer[64 * 1024];
    while (true) {
        const la_ssize_t got = archive_read_data(a, buffer, sizeof(buffer));
        if (got == 0) return true;
        if (got < 0) return false;
        if (static_cast<uint64_t>(got) > *budget) return false;
        *budget -= static_cast<uint64_t>(got);
        data->insert(data->end(), buffer, buffer + got);
    }
}

}  // namespace

std::u16string ToUtf16(std::wstring_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        const auto c = static_cast<uint32_t>(wc);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c > 0x10FFFF ? 0xFFFD : c));
        }
    }
    return out;
}

std::unique_ptr<SkinArchive> SkinArchive::OpenFromMemory(const void* data, size_t size,
                                                         ArchiveFormat format) {
    if (data == nullptr || size == 0) return nullptr;
    const Utf8Locale utf8Names;
    std::unique_ptr<archive, ArchiveCloser> a(archive_read_new());
    if (!a) return nullptr;
    if (format == ArchiveFormat::kSevenZip) {
        archive_read_support_format_7zip(a.get());
    } else {
        archive_read_support_format_zip(a.get());
    }
    if (archive_read_open_memory(a.get(), data, size) != ARCHIVE_OK) {
        LOG_TRACE(L"SkinArchive::OpenFromMemory", L"not an archive: %ls",
                  Utils::LogText(archive_error_string(a.get())).c_str());
        return nullptr;
    }
    auto result = std::unique_ptr<SkinArchive>(new SkinArchive());
    uint64_t budget = kMaxDecodedBytes;
    uint32_t index = 0;
    for (;; ++index) {
        archive_entry* entry = nullptr;
        const int status = archive_read_next_header(a.get(), &entry);
        if (status == ARCHIVE_EOF) break;
        if (status != ARCHIVE_OK) {
            LOG_TRACE(L"SkinArchive::OpenFromMemory", L"bad item %u: %ls", index,
                      Utils::LogText(archive_error_string(a.get())).c_str());
            return nullptr;
        }
        if (archive_entry_filetype(entry) == AE_IFDIR) continue;
        const char* utf8 = archive_entry_pathname_utf8(entry);
        if (utf8 == nullptr) utf8 = archive_entry_pathname(entry);
        if (utf8 == nullptr) return nullptr;

        SkinArchiveEntry item;
        item.name = ToUtf16(Utils::FromUtf8(utf8));
        for (char16_t& c : item.name) {
            if (c == u'\\') c = u'/';
        }
        item.nameLength = static_cast<uint32_t>(item.name.size() + 1);
        item.index = index;
        if (!ReadEntryData(a.get(), &budget, &item.data)) {
            LOG_TRACE(L"SkinArchive::OpenFromMemory", L"cannot decode item %u: %ls", index,
                      Utils::LogText(archive_error_string(a.get())).c_str());
            return nullptr;
        }
        if (archive_entry_size_is_set(entry) &&
            static_cast<uint64_t>(archive_entry_size(entry)) != item.data.size()) {
            return nullptr;
        }
        item.size = item.data.size();
        result->m_entries.push_back(std::move(item));
    }
    return result;
}

bool SkinArchive::Find(std::wstring_view name, uint32_t* index, uint64_t* size) const {
    std::u16string wanted = ToUtf16(name);
    for (char16_t& c : wanted)
        c = (c == u'\\') ? u'/' : FoldCase(c);
    for (const SkinArchiveEntry& entry : m_entries) {
        if (entry.name.size() != wanted.size()) continue;
        bool same = true;
        for (size_t i = 0; i < wanted.size() && same; ++i) {
            same = FoldCase(entry.name[i]) == wanted[i];
        }
        if (same) {
            *index = entry.index;
            *size = entry.size;
            return true;
        }
    }
    return false;
}

bool SkinArchive::Read(uint32_t index, void* destination) const {
    for (const SkinArchiveEntry& entry : m_entries) {
        if (entry.index != index) continue;
        if (!entry.data.empty()) std::memcpy(destination, entry.data.data(), entry.data.size());
        return true;
    }
    return false;
}

}  // namespace toolkit
