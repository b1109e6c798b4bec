// The skin archive reader: a 7z (or zip) archive decoded whole from memory, then looked up by
// name. Decoding happens once in OpenFromMemory; lookups are linear over the entry list.
// An open archive is read-only and may be shared by every window of the UI thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace toolkit {

enum class ArchiveFormat { kZip, kSevenZip };

struct SkinArchiveEntry {
    std::u16string name;      // as stored, "/" as separator
    uint32_t nameLength = 0;  // in UTF-16 units, the terminator included
    uint32_t index = 0;       // position of the item in the archive, directories counted
    uint64_t size = 0;
    std::vector<uint8_t> data;
};

class SkinArchive {
public:
    // Decodes every non-directory item. Null when the bytes are not a complete, intact archive
    // of `format` (truncated, corrupt, failing a checksum) or decode to more than 256 MiB.
    static std::unique_ptr<SkinArchive> OpenFromMemory(const void* data, size_t size,
                                                       ArchiveFormat format);

    // The first entry whose name has the requested name's length and equals it ignoring
    // letter case, after every "\" in the request became "/". False when there is none.
    bool Find(std::wstring_view name, uint32_t* index, uint64_t* size) const;
    // Copies the bytes of the entry at archive position `index` (from Find) to `destination`,
    // which holds at least the entry's size. False for an unknown index.
    bool Read(uint32_t index, void* destination) const;

    const std::vector<SkinArchiveEntry>& Entries() const { return m_entries; }

private:
    std::vector<SkinArchiveEntry> m_entries;
};

// UTF-16 for a wide text (wchar_t is UTF-32 here); characters past U+FFFF become pairs.
std::u16string ToUtf16(std::wstring_view text);

}  // namespace toolkit
