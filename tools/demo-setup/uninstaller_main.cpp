// uninst.ep: the demo product's uninstaller. Run (usually as a copy elsewhere) with
// "_?=FOLDER" last, it removes what the package recorded in FOLDER/uninst.dat, the product's
// run marker, the record and then the folder when it is empty, reporting in the console
// protocol when run with "-console=show". Demo switches recorded by the package
// ("--demo-uninst-NAME") make it misbehave. Exit code 0 after removal, 1 after a failure.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/arguments.h"
#include "platform/paths.h"
#include "tools/demo-setup/demo_console.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = platform::ProcessArguments(argc, argv);
    bool shown = false;
    std::string target;
    for (size_t n = 1; n < arguments.size(); ++n) {
        const std::string& element = arguments[n];
        if (element == "-console=show") {
            shown = true;
        } else if (element.compare(0, 3, "_?=") == 0) {
            // "_?=" is last and unquoted: the folder is the rest of the command line.
            target = element.substr(3);
            for (++n; n < arguments.size(); ++n)
                target += " " + arguments[n];
        }
    }

    std::vector<std::string> files;
    demo::Switches demo;
    const fs::path folder = platform::FsPath(target);
    std::ifstream record(folder / "uninst.dat");
    for (std::string line; std::getline(record, line);) {
        if (line.compare(0, 5, "file=") == 0) files.push_back(line.substr(5));
        if (line.compare(0, 7, "option=") == 0) demo.Apply(line.substr(7));
    }

    demo::Console console(shown && !demo.silent);
    if (target.empty() || !record.eof()) {
        console.Line("Error=找不到卸载记录: " + platform::PathText(folder / "uninst.dat"));
        return 1;
    }
    record.close();  // Windows deletes no file that is open
    if (demo.gbk) console.UseGbk();
    if (demo.utf8) console.UseUtf8();
    if (demo.hasMessage) console.Line("Message=", demo.message);
    console.Progress(0.0);
    if (demo.hasError) {
        console.Line("Error=", demo.error);
        return 1;
    }
    if (demo.fail) {
        console.Filler(demo.noise, "uninstall");
        console.Line("State=Fail");
        return 1;
    }

    files.push_back("Collivo.run");  // written by the product when it runs
    files.push_back("uninst.dat");
    std::error_code error;
    for (size_t n = 0; n < files.size(); ++n) {
        fs::remove(folder / files[n], error);
        console.Progress(static_cast<double>(n + 1) / static_cast<double>(files.size()));
    }
    fs::remove(folder, error);  // only when nothing else is left in it
    console.Filler(demo.noise, "uninstall");
    console.Line("State=Success");
    console.Filler(demo.flood, "uninstall");
    return 0;
}
