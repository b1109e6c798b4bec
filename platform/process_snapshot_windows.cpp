// The process snapshot of platform/process_snapshot.h over the system's Toolhelp32 snapshot.
#include <windows.h>
// windows.h first: tlhelp32.h depends on its types.
#include <tlhelp32.h>

#include "platform/process_snapshot.h"
#include "platform/wide_text.h"

namespace platform {

std::vector<ProcessEntry> SnapshotProcesses() {
    std::vector<ProcessEntry> entries;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return entries;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry))
        entries.push_back({entry.th32ProcessID, Utf8FromWide(entry.szExeFile)});
    CloseHandle(snapshot);
    return entries;
}

}  // namespace platform
