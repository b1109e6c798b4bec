// The multi-language string table: text by id, process-wide. The language code chooses which
// texts get registered (see the caller); the table itself holds one text per id. UI thread.
#pragma once

#include <string>

namespace toolkit {

class StringTable {
public:
    // Registers or replaces the text of `id`.
    static void Set(int id, std::wstring text);
    // The text of `id`; false when none is registered.
    static bool Get(int id, std::wstring* text);
    static void Clear();
};

}  // namespace toolkit
