// The skin archive reader (toolkit/skin_archive.h) on arbitrary bytes read as a 7z archive from
// memory. What must hold:
// - opening never faults or leaks, and an archive that opens decodes to at most 256 MiB;
// - each entry's size is its data's, its name length counts the terminator, it never holds a
//   "\", and the entries keep the archive's order;
// - looking an entry up by its name (in another letter case, with "\" for "/") finds an
//   entry of that name, the first one, and reading it gives that entry's bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "toolkit/skin_archive.h"

namespace {

using toolkit::SkinArchive;
using toolkit::SkinArchiveEntry;

// The name as a wide text (pairs joined, a lone half of a pair kept as it is).
std::wstring WideName(const std::u16string& name) {
    std::wstring out;
    for (size_t i = 0; i < name.size(); ++i) {
        const char32_t c = name[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 &&
            name[i + 1] <= 0xDFFF) {
            out += static_cast<wchar_t>(0x10000 + ((c - 0xD800) << 10) + (name[i + 1] - 0xDC00));
            ++i;
        } else {
            out += static_cast<wchar_t>(c);
        }
    }
    return out;
}

// The same name as a lookup may spell it: ASCII letters in the other case, "\" for "/".
std::wstring Respelled(std::wstring name) {
    name = fuzz::SwapAsciiCase(std::move(name));
    std::replace(name.begin(), name.end(), L'/', L'\\');
    return name;
}

const fuzz::QuietDebugOutput quiet;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::unique_ptr<SkinArchive> archive =
        SkinArchive::OpenFromMemory(data, size, toolkit::ArchiveFormat::kSevenZip);
    if (!archive) return 0;
    const std::vector<SkinArchiveEntry>& entries = archive->Entries();
    uint64_t total = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const SkinArchiveEntry& entry = entries[i];
        FUZZ_CHECK(entry.size == entry.data.size());
        FUZZ_CHECK(entry.nameLength == entry.name.size() + 1);
        FUZZ_CHECK(entry.name.find(u'\\') == std::u16string::npos);
        if (i > 0) FUZZ_CHECK(entry.index > entries[i - 1].index);
        total += entry.size;
    }
    FUZZ_CHECK(total <= (256ull << 20));

    for (const SkinArchiveEntry& entry : entries) {
        for (const std::wstring& name : {WideName(entry.name), Respelled(WideName(entry.name))}) {
            uint32_t index = 0;
            uint64_t found = 0;
            FUZZ_CHECK(archive->Find(name, &index, &found));
            FUZZ_CHECK(index <= entry.index);
            const SkinArchiveEntry* first = nullptr;
            for (const SkinArchiveEntry& e : entries) {
                if (e.index == index) first = &e;
            }
            FUZZ_CHECK(first != nullptr && first->size == found);
            FUZZ_CHECK(first->name.size() == entry.name.size());
            std::vector<uint8_t> bytes(found);
            FUZZ_CHECK(archive->Read(index, bytes.data()));
            FUZZ_CHECK(bytes == first->data);
        }
    }
    return 0;
}
