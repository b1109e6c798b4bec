// collivo-demo-setup: the demo full setup package. Installs the product files appended to it
// (Collivo.exe, its data and the uninstaller "uninst.ep") into the folder given after "/D="
// (everything after it, blanks included) or by "-instdir=", records what it installed for the
// uninstaller in "uninst.dat", and reports in the console protocol when run with
// "-console=show". Exit code 0 after an installation, 1 after a failure.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/arguments.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "tools/demo-setup/demo_console.h"
#include "tools/demo-setup/payload.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kSwitchPrefix = "--demo-";
constexpr const char* kUninstallerPrefix = "--demo-uninst-";

struct Options {
    bool console = false;
    std::string installDir;
    demo::Switches switches;
    std::vector<std::string> uninstallerSwitches;  // recorded for the uninstaller
};

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::string CollapseBlanks(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\t') c = ' ';
        if (c == ' ' && !out.empty() && out.back() == ' ') continue;
        out += c;
    }
    return out;
}

Options ReadOptions(const std::vector<std::string>& arguments) {
    Options options;
    std::string instdir;
    for (size_t n = 1; n < arguments.size(); ++n) {
        const std::string& element = arguments[n];
        if (element == "-console=show") {
            options.console = true;
        } else if (StartsWith(element, "-instdir=")) {
            instdir = demo::ValueOf(element);
        } else if (StartsWith(element, "/D=")) {
            // "/D=" is last and unquoted: the folder is the rest of the command line.
            options.installDir = element.substr(3);
            for (++n; n < arguments.size(); ++n)
                options.installDir += " " + arguments[n];
        } else if (StartsWith(element, kUninstallerPrefix)) {
            options.uninstallerSwitches.push_back(
                element.substr(std::string(kUninstallerPrefix).size()));
        } else if (StartsWith(element, kSwitchPrefix)) {
            options.switches.Apply(element.substr(std::string(kSwitchPrefix).size()));
        }
    }
    // Splitting the command line into arguments turns a run of blanks after "/D=" into one
    // blank; the quoted "-instdir=" keeps the folder exactly, so it wins when it names the
    // same folder apart from that.
    if (options.installDir.empty() || CollapseBlanks(instdir) == options.installDir)
        options.installDir = instdir;
    return options;
}

bool WriteFile(const fs::path& path, const std::string& data, uint32_t mode) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        if (!out) return false;
    }
    std::error_code error;
    fs::permissions(path, static_cast<fs::perms>(mode), error);
    return !error;
}

int Fail(demo::Console& console, const std::string& error) {
    console.Line("Error=", error);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ReadOptions(platform::ProcessArguments(argc, argv));
    const demo::Switches& demo = options.switches;
    demo::Console console(options.console && !demo.silent);

    if (demo.gbk) console.UseGbk();
    if (demo.utf8) console.UseUtf8();
    if (demo.hasMessage) console.Line("Message=", demo.message);
    console.Progress(0.0);
    if (demo.hasError) return Fail(console, demo.error);
    if (demo.fail) {
        console.Progress(0.3);
        console.Filler(demo.noise, "setup");
        console.Line("State=Fail");
        return 1;
    }
    if (options.installDir.empty()) return Fail(console, "未指定安装目录");

    std::vector<demo::PayloadFile> files;
    std::string reason;
    if (!demo::ReadPayload(platform::ExecutablePath(), &files, &reason))
        return Fail(console, "安装包已损坏: " + reason);

    const fs::path folder = platform::FsPath(options.installDir);
    std::error_code error;
    fs::create_directories(folder, error);
    if (!fs::is_directory(folder))
        return Fail(console, "无法创建安装目录: " + platform::PathText(folder));

    std::string record;
    for (size_t n = 0; n < files.size(); ++n) {
        const auto& file = files[n];
        if (!WriteFile(folder / platform::FsPath(file.name), file.data, file.mode))
            return Fail(console, "无法写入文件: " +
                                     platform::PathText(folder / platform::FsPath(file.name)));
        record += "file=" + file.name + "\n";
        console.Progress(0.1 +
                         0.8 * static_cast<double>(n + 1) / static_cast<double>(files.size()));
    }
    for (const auto& option : options.uninstallerSwitches)
        record += "option=" + option + "\n";
    if (!WriteFile(folder / "uninst.dat", record, 0644))
        return Fail(console, "无法写入文件: " + platform::PathText(folder / "uninst.dat"));

    const std::string dir = platform::PathText(folder);
    const std::string inDir = dir + platform::kPathSeparator;
    console.Line("InstallVersion=1.7.9");
    console.Line("InstPath=", dir);
    console.Line("ExePath=", inDir + "Collivo.exe");
    console.Line("UninstExePath=", inDir + "uninst.ep");
    console.Line("UninstEp=", inDir + "uninst.ep");
    // No web page: the demo runs on one machine without a network.
    console.Line("StartUrl=");
    console.Line("StartupStyle=UserStartup");
    console.Line("TopShowDetention=1000");
    console.Line("FinsihCloseDetention=0");
    console.Progress(1.0);
    console.Filler(demo.noise, "setup");
    console.Line("State=Success");
    console.Filler(demo.flood, "setup");
    return 0;
}
