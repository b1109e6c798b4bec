// Entry point of the Collivo installer.
#include "platform/process.h"
#include "sys/log.h"
#include "sys/text.h"

int main() {
    const std::wstring exe = Utils::NarrowToWide(platform::ExecutablePath(), 0);
    LOG_TRACE(L"main", L"installer started: %ls", exe.c_str());
    LOG_TRACE(L"main", L"installer finished");
    return 0;
}
