#include "platform/arguments.h"

#include "platform/codepage.h"
#include "platform/command_line.h"

namespace platform {

std::vector<std::string> ProcessArguments(int argc, char** argv) {
#ifdef _WIN32
    (void)argc;
    (void)argv;
    std::vector<std::string> arguments;
    for (const std::wstring& element : CommandLineToArgv(ProcessCommandLine())) {
        std::string utf8;
        WideToMultiByte(kCodePageUtf8, element, &utf8);
        arguments.push_back(std::move(utf8));
    }
    return arguments;
#else
    return std::vector<std::string>(argv, argv + argc);
#endif
}

}  // namespace platform
