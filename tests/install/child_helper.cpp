// A child program for the child-process and runner tests; it misbehaves on request.
//   child_helper print-args ARG...  one line per argument after "print-args"
//   child_helper open-fds           the numbers of its open descriptors above 2, one a line
//   child_helper stderr N           N bytes to standard error, then "done" to standard output
//   child_helper stdin              reads standard input to its end, then "stdin-eof"
//   child_helper exit N             ends with exit code N
//   child_helper grandchild         starts a process that holds the output for 30 s, prints
//                                   "pid=<its id>" and ends at once
// Copies under these names stand in for a package or an uninstaller, whatever their arguments:
//   record-args         writes its arguments (one a line) to "<its path>.args" and ends silently
//   left-writer         starts a process that writes a line to the output every 10 ms for 30 s,
//                       writes its id to "<its path>.pids" and ends at once
//   success-then-fail   prints "State=Success", then 300 ms later "State=Fail", and ends
//   success-then-error  the same with "Error=late" instead of "State=Fail"
//   hang                starts a process that sleeps for ever, writes both ids to
//                       "<its path>.pids" and sleeps for ever itself
//   hang-stubborn       as hang, and both ignore SIGTERM
//   fail-then-hang      prints "State=Fail", writes its id to "<its path>.pids" and sleeps
//                       for ever
// A copy under any other name (a downloaded package) takes one of these from an argument
// "--as=NAME".
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <string>

namespace {

// Writes "<self>.pids" whole or not at all, one id a line.
void WritePids(const std::string& self, std::initializer_list<pid_t> pids) {
    {
        std::ofstream out(self + ".pids.tmp");
        for (pid_t pid : pids)
            out << pid << "\n";
    }
    std::rename((self + ".pids.tmp").c_str(), (self + ".pids").c_str());
}

void Line(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
}

// Runs the copy named `name`; false for any other name.
bool RunAsNamed(const std::string& name, const std::string& self, int argc, char** argv) {
    if (name == "record-args") {
        std::ofstream out(self + ".args");
        for (int n = 1; n < argc; ++n)
            out << argv[n] << "\n";
    } else if (name == "left-writer") {
        std::fflush(stdout);
        const pid_t writer = fork();
        if (writer == 0) {
            for (int n = 0; n < 3000; ++n) {
                Line("Message=still here");
                usleep(10 * 1000);
            }
            _exit(0);
        }
        WritePids(self, {writer});
    } else if (name == "success-then-fail" || name == "success-then-error") {
        Line("State=Success");
        usleep(300 * 1000);
        Line(name == "success-then-fail" ? "State=Fail" : "Error=late");
    } else if (name == "hang" || name == "hang-stubborn") {
        if (name == "hang-stubborn") signal(SIGTERM, SIG_IGN);
        std::fflush(stdout);
        const pid_t sleeper = fork();
        if (sleeper == 0) {
            while (true)
                pause();
        }
        WritePids(self, {getpid(), sleeper});
        while (true)
            pause();
    } else if (name == "fail-then-hang") {
        Line("State=Fail");
        WritePids(self, {getpid()});
        while (true)
            pause();
    } else {
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string self = argv[0];
    const size_t slash = self.find_last_of('/');
    if (RunAsNamed(self.substr(slash == std::string::npos ? 0 : slash + 1), self, argc, argv))
        return 0;
    for (int n = 1; n < argc; ++n) {
        const std::string element = argv[n];
        if (element.rfind("--as=", 0) == 0 && RunAsNamed(element.substr(5), self, argc, argv))
            return 0;
    }
    if (argc < 2) return 0;
    const std::string mode = argv[1];
    if (mode == "print-args") {
        for (int n = 2; n < argc; ++n)
            std::printf("%s\n", argv[n]);
    } else if (mode == "open-fds") {
        DIR* folder = opendir("/proc/self/fd");
        if (folder == nullptr) return 1;
        const int own = dirfd(folder);
        while (const dirent* entry = readdir(folder)) {
            const int fd = std::atoi(entry->d_name);
            if (entry->d_name[0] != '.' && fd > 2 && fd != own) std::printf("%d\n", fd);
        }
        closedir(folder);
    } else if (mode == "stderr" && argc > 2) {
        const std::string block(4096, 'e');
        for (long left = std::atol(argv[2]); left > 0; left -= 4096)
            std::fwrite(block.data(), 1, left < 4096 ? left : 4096, stderr);
        std::fflush(stderr);
        std::printf("done\n");
    } else if (mode == "stdin") {
        char buffer[256];
        while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
        }
        std::printf("stdin-eof\n");
    } else if (mode == "exit" && argc > 2) {
        return std::atoi(argv[2]);
    } else if (mode == "grandchild") {
        std::fflush(stdout);
        const pid_t pid = fork();
        if (pid == 0) {
            sleep(30);
            _exit(0);
        }
        std::printf("pid=%d\n", static_cast<int>(pid));
    }
    return 0;
}
