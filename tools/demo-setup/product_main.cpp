// Collivo.exe: the demo product. Shows that it runs: prints where it runs from and leaves
// the marker "Collivo.run" (its process id) beside itself, then ends.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/paths.h"
#include "platform/process.h"

int main() {
    const std::filesystem::path self = platform::FsPath(platform::ExecutablePath());
    const std::filesystem::path folder = self.parent_path();
    std::printf("Collivo 1.7.9 is running from %s\n", platform::PathText(folder).c_str());
    std::ofstream(folder / "Collivo.run") << platform::ProcessId() << "\n";
    return 0;
}
