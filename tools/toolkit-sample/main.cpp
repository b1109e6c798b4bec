// toolkit-sample: a skinned window built from markup, shown in a real window or painted
// offscreen into a PNG file.
//
//   toolkit-sample                      a real window (needs a display)
//   toolkit-sample --png FILE [ACTION]  offscreen; ACTIONs run first, then FILE is written:
//                                       --click NAME, --type TEXT, --page N
//   toolkit-sample --gtk-png FILE       a real window, written as the display shows it
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/message_loop.h"
#include "sample_window.h"
#include "sys/text.h"
#include "toolkit/gtk_host.h"
#include "toolkit/message_queue.h"
#include "toolkit/offscreen_driver.h"

using namespace toolkit;

namespace {

int Usage() {
    std::fputs(
        "usage: toolkit-sample [--png FILE [--click NAME] [--type TEXT] [--page N]...]"
        " | [--gtk-png FILE]\n",
        stderr);
    return 2;
}

bool CreateSample(SampleWindow& window) {
    ResourceAccess::SetArchiveFormat(ArchiveFormat::kSevenZip);
    if (window.Create(nullptr, L"Collivo", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0) == nullptr) {
        std::fputs("toolkit-sample: the skin failed to load\n", stderr);
        return false;
    }
    return true;
}

int Offscreen(const std::string& png,
              const std::vector<std::pair<std::string, std::string>>& actions) {
    offscreen::Use();
    SampleWindow window;
    if (!CreateSample(window)) return 1;
    for (const auto& [action, value] : actions) {
        const std::wstring wide = Utils::FromUtf8(value);
        bool done = true;
        if (action == "--click") {
            done = offscreen::Click(window, wide);
        } else if (action == "--type") {
            done = offscreen::TypeText(window, wide);
        } else if (action == "--page") {
            window.ShowPage(std::atoi(value.c_str()));
        }
        if (!done) {
            std::fprintf(stderr, "toolkit-sample: %s %s failed\n", action.c_str(), value.c_str());
            return 1;
        }
        offscreen::RunPending();
    }
    return offscreen::WritePng(window, png) ? 0 : 1;
}

int RealWindow(const std::string& screenshot) {
    if (!UseHost(HostKind::kGtk)) {
        std::fputs("toolkit-sample: no display\n", stderr);
        return 2;
    }
    SampleWindow window;
    if (!CreateSample(window)) return 1;
    if (screenshot.empty()) {
        window.ShowModal();
        return 0;
    }
    // Long enough for the server to map and paint the window; bounded either way.
    offscreen::RunUntil([] { return false; }, 1500);
    const bool saved = GtkHost::CaptureWindow(window, screenshot);
    window.DestroyWindow();
    return saved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 1) return RealWindow("");
    if (argc == 3 && std::strcmp(argv[1], "--gtk-png") == 0) return RealWindow(argv[2]);
    if (argc < 3 || std::strcmp(argv[1], "--png") != 0 || (argc - 3) % 2 != 0) return Usage();
    std::vector<std::pair<std::string, std::string>> actions;
    for (int i = 3; i + 1 < argc; i += 2)
        actions.emplace_back(argv[i], argv[i + 1]);
    return Offscreen(argv[2], actions);
}
