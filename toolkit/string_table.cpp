#include "toolkit/string_table.h"

#include <unordered_map>

namespace toolkit {
namespace {

std::unordered_map<int, std::wstring>& Table() {
    static auto* table = new std::unordered_map<int, std::wstring>();  // lives for the process
    return *table;
}

}  // namespace

void StringTable::Set(int id, std::wstring text) {
    Table()[id] = std::move(text);
}

bool StringTable::Get(int id, std::wstring* text) {
    const auto it = Table().find(id);
    if (it == Table().end()) return false;
    *text = it->second;
    return true;
}

void StringTable::Clear() {
    Table().clear();
}

}  // namespace toolkit
