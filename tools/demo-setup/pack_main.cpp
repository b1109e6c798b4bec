// demo-pack: builds the demo full setup package at build time.
//   demo-pack OUTPUT SETUP_PROGRAM NAME=FILE... NAME@SIZE...
// NAME=FILE packs a built file (executable when FILE is); NAME@SIZE packs SIZE bytes of
// generated product data, which also brings the package to the size of a real one.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/arguments.h"
#include "platform/paths.h"
#include "tools/demo-setup/payload.h"

namespace {

bool ReadFile(const std::string& path, std::string* data) {
    std::ifstream in(platform::FsPath(path), std::ios::binary);
    if (!in) return false;
    data->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// Reproducible filler, so the package is the same at every build.
std::string Filler(size_t size) {
    std::string data(size, '\0');
    uint32_t state = 0x2545F491u;
    for (auto& byte : data) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state & 0xFF);
    }
    return data;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = platform::ProcessArguments(argc, argv);
    if (arguments.size() < 3) {
        std::fprintf(stderr, "usage: demo-pack OUTPUT SETUP_PROGRAM NAME=FILE... NAME@SIZE...\n");
        return 2;
    }
    const std::string output = arguments[1];
    std::string package;
    if (!ReadFile(arguments[2], &package)) {
        std::fprintf(stderr, "demo-pack: cannot read %s\n", arguments[2].c_str());
        return 1;
    }
    std::vector<demo::PayloadFile> files;
    for (size_t n = 3; n < arguments.size(); ++n) {
        const std::string& entry = arguments[n];
        demo::PayloadFile file;
        const size_t equals = entry.find('=');
        const size_t at = entry.find('@');
        if (equals != std::string::npos) {
            file.name = entry.substr(0, equals);
            const std::string path = entry.substr(equals + 1);
            if (!ReadFile(path, &file.data)) {
                std::fprintf(stderr, "demo-pack: cannot read %s\n", path.c_str());
                return 1;
            }
            std::error_code error;
            const auto status = std::filesystem::status(platform::FsPath(path), error);
            if (!error && (status.permissions() & std::filesystem::perms::owner_exec) !=
                              std::filesystem::perms::none)
                file.mode = 0755;
        } else if (at != std::string::npos) {
            file.name = entry.substr(0, at);
            file.data = Filler(std::strtoul(entry.c_str() + at + 1, nullptr, 10));
        } else {
            std::fprintf(stderr, "demo-pack: bad entry %s\n", entry.c_str());
            return 2;
        }
        files.push_back(std::move(file));
    }
    demo::AppendPayload(files, &package);

    const std::string temporary = output + ".tmp";
    {
        std::ofstream out(platform::FsPath(temporary), std::ios::binary | std::ios::trunc);
        out.write(package.data(), static_cast<std::streamsize>(package.size()));
        if (!out) {
            std::fprintf(stderr, "demo-pack: cannot write %s\n", temporary.c_str());
            return 1;
        }
    }
    std::error_code error;
    std::filesystem::permissions(platform::FsPath(temporary),
                                 static_cast<std::filesystem::perms>(0755), error);
    std::filesystem::rename(platform::FsPath(temporary), platform::FsPath(output), error);
    if (error) {
        std::fprintf(stderr, "demo-pack: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
