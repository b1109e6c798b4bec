// A private X server for tests of real windows: Xvfb on the first free display number (it picks
// the number and reports it on a pipe), optionally with a compositing manager so translucent
// windows are supported. Stopped with the object.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace testing_support {

// The full path of `name` on PATH, or empty.
inline std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    const std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        const size_t end = std::min(folders.find(':', start), folders.size());
        const std::string candidate = folders.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

class Xvfb {
public:
    ~Xvfb() {
        for (auto it = m_pids.rbegin(); it != m_pids.rend(); ++it) {
            kill(*it, SIGTERM);
            waitpid(*it, nullptr, 0);
        }
    }

    // Starts the server; false when it did not come up within 20 s.
    bool Start(const std::string& program) {
        int fds[2];
        if (pipe(fds) != 0) return false;
        const std::string fd = std::to_string(fds[1]);
        const pid_t pid = Spawn(
            {program, "-displayfd", fd, "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, fds[0]);
        close(fds[1]);
        if (pid < 0) {
            close(fds[0]);
            return false;
        }
        std::string number;
        pollfd wait{fds[0], POLLIN, 0};
        // Bounded: a server that has not answered in 20 s is not coming.
        while (number.find('\n') == std::string::npos && poll(&wait, 1, 20000) > 0) {
            char buffer[16];
            const ssize_t got = read(fds[0], buffer, sizeof(buffer));
            if (got <= 0) break;
            number.append(buffer, static_cast<size_t>(got));
        }
        close(fds[0]);
        if (number.empty() || number.back() != '\n') return false;
        m_display = ":" + number.substr(0, number.size() - 1);
        return true;
    }

    // Runs `program` (a compositing manager) against this server until the server stops.
    bool Run(const std::vector<std::string>& argv) { return Spawn(argv, -1, m_display) >= 0; }

    const std::string& Display() const { return m_display; }

private:
    pid_t Spawn(const std::vector<std::string>& args, int closeFd,
                const std::string& display = {}) {
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            if (display.empty() || std::string(*e).rfind("DISPLAY=", 0) != 0) env.push_back(*e);
        }
        if (!display.empty()) env.push_back("DISPLAY=" + display);
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (closeFd >= 0) posix_spawn_file_actions_addclose(&actions, closeFd);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return -1;
        m_pids.push_back(pid);
        return pid;
    }

    std::vector<pid_t> m_pids;
    std::string m_display;
};

}  // namespace testing_support
