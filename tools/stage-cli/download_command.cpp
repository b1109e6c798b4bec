// stage-cli download [--type N] URL SAVE_PATH: runs the downloader that DownloadType N picks
// (default 1) and prints every notification. Answers DL_CODE_RETRY by starting the
// downloader again, from inside the notification, as the installer's controller does.
// Exits 0 after DL_CODE_SUCCESS and 1 after DL_CODE_FAIL.
#include <curl/curl.h>

#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>

#include "download/downloader_factory.h"
#include "sys/text.h"
#include "tools/stage-cli/commands.h"

namespace stage_cli {

namespace {

bool ParseType(const std::string& text, int* type) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *type);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

}  // namespace

int DownloadCommand(const Args& args) {
    int type = 1;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--type") {
            if (i + 1 >= args.size() || !ParseType(args[i + 1], &type))
                return UsageError("download: --type needs a whole number");
            ++i;
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 2) return UsageError("usage: download [--type N] URL SAVE_PATH");

    if (curl_global_init(CURL_GLOBAL_ALL) != CURLE_OK) {
        std::fprintf(stderr, "stage-cli: libcurl could not be initialised\n");
        return 1;
    }

    std::mutex mutex;
    std::condition_variable ended;
    int exitCode = -1;
    std::unique_ptr<CDownloader> downloader;
    auto onNotification = [&](int code, double value, const wchar_t* text) {
        PrintNotification(code, value, text);
        if (code == DL_CODE_RETRY) {
            downloader->Start();
            return;
        }
        if (code != DL_CODE_SUCCESS && code != DL_CODE_FAIL) return;
        std::lock_guard<std::mutex> lock(mutex);
        exitCode = code == DL_CODE_SUCCESS ? 0 : 1;
        ended.notify_all();
    };
    downloader = CreateDownloader(type, onNotification, Utils::FromUtf8(positional[0]),
                                  Utils::FromUtf8(positional[1]));
    downloader->Start();
    {
        std::unique_lock<std::mutex> lock(mutex);
        ended.wait(lock, [&] { return exitCode >= 0; });
    }
    downloader.reset();  // waits for the worker, which returns right after its last notification
    curl_global_cleanup();
    return exitCode;
}

}  // namespace stage_cli
