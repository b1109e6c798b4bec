// The child processes of platform/child_process.h over the system's anonymous pipes,
// CreateProcessW and job objects.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/child_process.h"
#include "platform/command_line.h"
#include "platform/wide_text.h"

namespace platform {
namespace {

// As much as a Linux pipe holds: a chatty child waits for its reader as seldom there as here.
constexpr DWORD kPipeSize = 64 * 1024;
// The exit code of a process ended by Kill or EndGroup.
constexpr UINT kEndedExitCode = 1;

int LastError() {
    return static_cast<int>(GetLastError());
}

// The attribute list that names the only handles a child inherits.
class InheritList {
public:
    explicit InheritList(std::vector<HANDLE> handles) : m_handles(std::move(handles)) {}
    ~InheritList() {
        if (m_ready) DeleteProcThreadAttributeList(List());
    }
    InheritList(const InheritList&) = delete;
    InheritList& operator=(const InheritList&) = delete;

    // 0 or the system's error number.
    int Prepare() {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        m_storage = std::make_unique<char[]>(size);
        if (!InitializeProcThreadAttributeList(List(), 1, 0, &size)) return LastError();
        m_ready = true;
        if (!UpdateProcThreadAttribute(List(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                       m_handles.data(), m_handles.size() * sizeof(HANDLE), nullptr,
                                       nullptr))
            return LastError();
        return 0;
    }
    LPPROC_THREAD_ATTRIBUTE_LIST List() {
        return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_storage.get());
    }

private:
    std::vector<HANDLE> m_handles;
    std::unique_ptr<char[]> m_storage;
    bool m_ready = false;
};

// The system passes on only handles marked inheritable, even those of the list: the child's
// ends carry the mark only while their own CreateProcessW runs. The list keeps them out of
// children that other threads start meanwhile (those name their own handles), and every other
// inheritable handle of the process (a socket, say) out of this child. Starts take turns all
// the same: a handle given to two children started at once would lose its mark in the middle
// of the other's start.
std::mutex& StartLock() {
    static std::mutex lock;
    return lock;
}

void MarkInheritable(const std::vector<HANDLE>& handles, bool inheritable) {
    for (HANDLE handle : handles)
        SetHandleInformation(handle, HANDLE_FLAG_INHERIT, inheritable ? HANDLE_FLAG_INHERIT : 0);
}

// Whether the job still holds a running process.
bool JobRuns(HANDLE job) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info,
                                   nullptr))
        return false;
    return info.ActiveProcesses > 0;
}

}  // namespace

int CreatePipe(Handle* readEnd, Handle* writeEnd) {
    *readEnd = kNullHandle;
    *writeEnd = kNullHandle;
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    // No security attributes: neither end is inheritable.
    if (!::CreatePipe(&read, &write, nullptr, kPipeSize)) return LastError();
    *readEnd = read;
    *writeEnd = write;
    return 0;
}

void CloseHandle(Handle* handle) {
    if (*handle == kNullHandle) return;
    ::CloseHandle(*handle);
    *handle = kNullHandle;
}

int WaitForInput(const Handle* handles, size_t count, int timeoutMs) {
    // Anonymous pipes cannot be waited on: they are looked at, more seldom the longer nothing
    // comes, and never past the deadline.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    DWORD pause = 1;
    while (true) {
        int mask = 0;
        for (size_t n = 0; n < count; ++n) {
            if (handles[n] == kNullHandle) continue;
            DWORD available = 0;
            if (PeekNamedPipe(handles[n], nullptr, 0, nullptr, &available, nullptr)) {
                if (available > 0) mask |= 1 << n;
            } else if (GetLastError() == ERROR_BROKEN_PIPE) {
                mask |= 1 << n;  // every writer gone: the read gives 0
            } else {
                return -1;
            }
        }
        if (mask != 0 || timeoutMs == 0) return mask;
        DWORD wait = pause;
        if (timeoutMs > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return 0;
            wait = std::min<DWORD>(pause, static_cast<DWORD>(left.count()));
        }
        Sleep(wait);
        pause = std::min<DWORD>(pause * 2, 16);
    }
}

long ReadHandle(Handle handle, void* buffer, size_t size) {
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<size_t>(size, 0x7FFFFFFF));
    if (ReadFile(handle, buffer, wanted, &read, nullptr)) return static_cast<long>(read);
    return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
}

void DiscardUntilEnd(Handle readEnd) {
    if (readEnd == kNullHandle) return;
    // Nobody holds the write end any more: nothing to wait for.
    const int ready = WaitForInput(&readEnd, 1, 0);
    char scratch[4096];
    if (ready != 0 && (ready < 0 || ReadHandle(readEnd, scratch, sizeof scratch) <= 0)) {
        CloseHandle(&readEnd);
        return;
    }
    try {
        std::thread([readEnd]() mutable {
            char buffer[4096];
            while (ReadHandle(readEnd, buffer, sizeof buffer) > 0) {
            }
            CloseHandle(&readEnd);
        }).detach();
    } catch (const std::system_error&) {
        CloseHandle(&readEnd);  // no thread to spare: the writers take their chance
    }
}

SpawnedProcess::~SpawnedProcess() {
    // The handles go; the process and its job run on.
    if (m_job != nullptr) ::CloseHandle(m_job);
    if (m_process != nullptr) ::CloseHandle(m_process);
}

int SpawnedProcess::Start(const std::vector<std::string>& arguments, Handle input, Handle output,
                          Handle error, const SpawnOptions& options) {
    if (arguments.empty()) return ERROR_INVALID_PARAMETER;
    std::vector<std::wstring> wide;
    for (const auto& argument : arguments)
        wide.push_back(WideFromUtf8(argument));
    return StartCommandLine(JoinCommandLine(wide), input, output, error, options);
}

int SpawnedProcess::StartCommandLine(const std::wstring& commandLine, Handle input, Handle output,
                                     Handle error, const SpawnOptions& options) {
    if (m_process != nullptr || commandLine.empty()) return ERROR_INVALID_PARAMETER;
    // The system may write into the line it is given.
    std::wstring line = commandLine;
    const std::wstring folder = WideFromUtf8(options.workingFolder);

    // Each handle once: the system refuses a list that names one twice.
    std::vector<HANDLE> inherited;
    for (HANDLE handle : {input, output, error})
        if (handle != nullptr &&
            std::find(inherited.begin(), inherited.end(), handle) == inherited.end())
            inherited.push_back(handle);
    // The system refuses an empty list: without handles, the child inherits nothing at all.
    InheritList list(inherited);
    const int prepared = inherited.empty() ? 0 : list.Prepare();
    if (prepared != 0) return prepared;

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    startup.StartupInfo.hStdInput = input;
    startup.StartupInfo.hStdOutput = output;
    startup.StartupInfo.hStdError = error;

    // A console program gets a console of its own without a window, so it is out of reach of
    // the installer's. Suspended until it is in its job, so that nothing it starts escapes.
    DWORD flags = CREATE_NO_WINDOW;
    if (options.newSession) flags |= CREATE_SUSPENDED;
    if (!inherited.empty()) {
        startup.lpAttributeList = list.List();
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    }

    PROCESS_INFORMATION process{};
    BOOL started;
    int failure = 0;
    {
        std::lock_guard<std::mutex> turn(StartLock());
        MarkInheritable(inherited, true);
        started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, !inherited.empty(), flags,
                                 nullptr, folder.empty() ? nullptr : folder.c_str(),
                                 &startup.StartupInfo, &process);
        if (!started) failure = LastError();
        MarkInheritable(inherited, false);
    }
    if (!started) return failure;

    HANDLE job = nullptr;
    if (options.newSession) {
        job = CreateJobObjectW(nullptr, nullptr);
        // Windows 7 puts a process in one job only: when the installer runs in a job of
        // someone else's, the child stays there and ends alone.
        if (job != nullptr && !AssignProcessToJobObject(job, process.hProcess)) {
            ::CloseHandle(job);
            job = nullptr;
        }
        ResumeThread(process.hThread);
    }
    ::CloseHandle(process.hThread);
    m_process = process.hProcess;
    m_job = job;
    m_id = process.dwProcessId;
    return 0;
}

uint32_t SpawnedProcess::ExitCode() {
    if (m_process == nullptr) return 0;
    DWORD code = kStillActive;
    if (!GetExitCodeProcess(m_process, &code)) return kStillActive;
    return code;
}

bool SpawnedProcess::Wait(int timeoutMs) {
    if (m_process == nullptr) return true;
    const DWORD wait = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    return WaitForSingleObject(m_process, wait) == WAIT_OBJECT_0;
}

void SpawnedProcess::Kill() {
    if (m_process != nullptr && !Wait(0)) TerminateProcess(m_process, kEndedExitCode);
}

void SpawnedProcess::EndGroup(int /*graceMs*/) {
    if (m_process == nullptr || Wait(0)) return;
    if (m_job != nullptr)
        TerminateJobObject(m_job, kEndedExitCode);
    else
        TerminateProcess(m_process, kEndedExitCode);
    Wait(-1);
    // The others end some moments after; one stuck in a driver may take longer, and is not
    // worth holding the caller for.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while (m_job != nullptr && JobRuns(m_job) && std::chrono::steady_clock::now() < deadline)
        Sleep(10);
}

std::string StartErrorText(int error) {
    wchar_t* text = nullptr;
    const DWORD size = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (size == 0 || text == nullptr) return "error " + std::to_string(error);
    std::wstring_view message(text, size);
    // The system's messages end with a line break.
    while (!message.empty() &&
           (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.remove_suffix(1);
    std::string utf8 = Utf8FromWide(message);
    LocalFree(text);
    // Some messages name what failed with an insert ("%1 is not a valid Win32 application"):
    // here it is the program.
    if (const size_t insert = utf8.find("%1"); insert != std::string::npos)
        utf8.replace(insert, 2, "the program");
    return utf8;
}

}  // namespace platform
