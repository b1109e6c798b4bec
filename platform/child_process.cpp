#include "platform/child_process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <system_error>
#include <thread>

#include "platform/codepage.h"
#include "platform/command_line.h"
#include "platform/process_snapshot.h"

extern char** environ;

namespace platform {
namespace {

// Pipe ends must not land on 0, 1 or 2: a parent started with a standard stream closed would
// otherwise get a pipe end there, and handing it to the child as another stream would clobber
// it before the child starts.
int MoveAboveStandardStreams(Handle* handle) {
    if (*handle > 2) return 0;
    const int moved = fcntl(*handle, F_DUPFD_CLOEXEC, 3);
    const int error = errno;
    close(*handle);
    *handle = moved;
    return moved < 0 ? error : 0;
}

// Windows lets a downloaded program run as it is; here a package written by the downloader has
// no execute bit, so it gets one for everyone who may read it.
void GiveExecuteBit(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
    if ((info.st_mode & S_IXUSR) != 0) return;
    mode_t mode = info.st_mode | S_IXUSR;
    if ((info.st_mode & S_IRGRP) != 0) mode |= S_IXGRP;
    if ((info.st_mode & S_IROTH) != 0) mode |= S_IXOTH;
    chmod(path.c_str(), mode & 07777);  // a failure shows when the program cannot be started
}

}  // namespace

int CreatePipe(Handle* readEnd, Handle* writeEnd) {
    *readEnd = kNullHandle;
    *writeEnd = kNullHandle;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return errno;
    int error = MoveAboveStandardStreams(&ends[0]);
    if (error == 0) error = MoveAboveStandardStreams(&ends[1]);
    if (error != 0) {
        CloseHandle(&ends[0]);
        CloseHandle(&ends[1]);
        return error;
    }
    *readEnd = ends[0];
    *writeEnd = ends[1];
    return 0;
}

void CloseHandle(Handle* handle) {
    if (*handle == kNullHandle) return;
    close(*handle);
    *handle = kNullHandle;
}

int WaitForInput(const Handle* handles, size_t count, int timeoutMs) {
    std::vector<pollfd> fds(count);
    for (size_t n = 0; n < count; ++n)
        fds[n] = pollfd{handles[n], POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int ready;
    while (true) {
        int wait = timeoutMs;
        if (timeoutMs > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        ready = poll(fds.data(), fds.size(), wait);
        if (ready >= 0 || errno != EINTR) break;
    }
    if (ready < 0) return -1;
    int mask = 0;
    for (size_t n = 0; n < count; ++n) {
        if ((fds[n].revents & POLLNVAL) != 0) return -1;
        if ((fds[n].revents & (POLLIN | POLLHUP | POLLERR)) != 0) mask |= 1 << n;
    }
    return mask;
}

long ReadHandle(Handle handle, void* buffer, size_t size) {
    while (true) {
        const ssize_t n = read(handle, buffer, size);
        if (n >= 0) return static_cast<long>(n);
        if (errno != EINTR) return -1;
    }
}

void DiscardUntilEnd(Handle readEnd) {
    if (readEnd == kNullHandle) return;
    // Nobody holds the write end any more: nothing to wait for.
    const int ready = WaitForInput(&readEnd, 1, 0);
    char scratch[4096];
    if (ready > 0 && ReadHandle(readEnd, scratch, sizeof scratch) <= 0) {
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
    if (m_pid > 0 && !m_ended) Collect(false);
}

int SpawnedProcess::Start(const std::vector<std::string>& arguments, Handle input, Handle output,
                          Handle error, const SpawnOptions& options) {
    if (m_pid > 0 || arguments.empty()) return EINVAL;
    const std::string& program = arguments[0];
    const bool isPath = program.find('/') != std::string::npos;
    if (isPath) GiveExecuteBit(program);

    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    // dup2 onto 0, 1 and 2 drops the close-on-exec flag of the copies only, so the child keeps
    // exactly its three streams; the originals (and the parent's ends) close at exec.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, 0);
    posix_spawn_file_actions_adddup2(&actions, output, 1);
    posix_spawn_file_actions_adddup2(&actions, error, 2);
    if (!options.workingFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.workingFolder.c_str());

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    int flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    if (options.newSession) flags |= POSIX_SPAWN_SETSID;
    posix_spawnattr_setflags(&attributes, static_cast<short>(flags));

    pid_t pid = 0;
    const int result =
        isPath ? posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ)
               : posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) return result;
    m_pid = pid;
    m_leadsGroup = options.newSession;
    m_ended = false;
    m_exitCode = kStillActive;
    return 0;
}

int SpawnedProcess::StartCommandLine(const std::wstring& commandLine, Handle input, Handle output,
                                     Handle error, const SpawnOptions& options) {
    // An empty line would split into this program's own path.
    if (commandLine.empty()) return EINVAL;
    std::vector<std::string> arguments;
    for (const auto& element : CommandLineToArgv(commandLine)) {
        std::string argument;
        WideToMultiByte(kCodePageUtf8, element, &argument);
        arguments.push_back(std::move(argument));
    }
    return Start(arguments, input, output, error, options);
}

bool SpawnedProcess::Collect(bool block) {
    if (m_pid <= 0) return true;
    if (m_ended) return true;
    int status = 0;
    pid_t done;
    do {
        done = waitpid(m_pid, &status, block ? 0 : WNOHANG);
    } while (done < 0 && errno == EINTR);
    if (done == 0) return false;
    m_ended = true;
    if (done < 0) {
        m_exitCode = 0;  // someone else collected it (SIGCHLD ignored): it has ended
    } else if (WIFEXITED(status)) {
        m_exitCode = static_cast<uint32_t>(WEXITSTATUS(status));
    } else {
        m_exitCode = 128u + static_cast<uint32_t>(WTERMSIG(status));
    }
    return true;
}

uint32_t SpawnedProcess::ExitCode() {
    if (m_pid <= 0) return 0;
    Collect(false);
    return m_exitCode;
}

bool SpawnedProcess::Wait(int timeoutMs) {
    if (timeoutMs < 0) return Collect(true);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!Collect(false)) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void SpawnedProcess::Kill() {
    if (m_pid > 0 && !Collect(false)) kill(m_pid, SIGKILL);
}

bool SpawnedProcess::GroupRuns() {
    if (m_leadsGroup) return ProcessGroupHasLiveMembers(static_cast<uint32_t>(m_pid));
    // Looks without collecting, so that the id stays ours.
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

void SpawnedProcess::EndGroup(int graceMs) {
    if (m_pid <= 0 || m_ended) return;
    // Until the process is collected its id cannot be handed to another process, so the group
    // it leads is still the one it started.
    const pid_t target = m_leadsGroup ? -m_pid : m_pid;
    kill(target, SIGTERM);
    auto wait = [this](int ms) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (GroupRuns() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
    wait(graceMs);
    kill(target, SIGKILL);
    // A process ends some moments after SIGKILL; one stuck in the kernel may take longer, and
    // is not worth holding the caller for.
    wait(500);
    Collect(true);
}

std::string StartErrorText(int error) {
    return std::strerror(error);
}

}  // namespace platform
