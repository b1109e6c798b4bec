// A child program for the child-process and runner tests; it misbehaves on request.
//   child_helper print-args ARG...  one line per argument after "print-args"
//   child_helper open-fds           the numbers of its open descriptors above 2, one a line
//   child_helper stderr N           N bytes to standard error, then "done" to standard output
//   child_helper stdin              reads standard input to its end, then "stdin-eof"
//   child_helper exit N             ends with exit code N
//   child_helper grandchild         starts a process that holds the output for 30 s, prints
//                                   "pid=<its id>" and ends at once
// A copy named "record-args" writes its arguments (one a line) to "<its path>.args" and ends
// silently, whatever they are; it stands in for a package or an uninstaller.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    const std::string self = argv[0];
    const size_t slash = self.find_last_of('/');
    if (self.substr(slash == std::string::npos ? 0 : slash + 1) == "record-args") {
        std::ofstream out(self + ".args");
        for (int n = 1; n < argc; ++n)
            out << argv[n] << "\n";
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
