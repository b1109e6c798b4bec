// stage-cli install --dir DIR --url URL [--type N] [--uninstaller PATH]: one whole headless
// installation pass through the download-install controller, as the installer window drives
// it: the old version's uninstaller (from the installation records unless given), the
// download, the package run. Prints every notification and writes the installation records
// when the package run starts (2001) and when it succeeds (2003), on this (the "window's")
// thread. Exits 0 after 2003, 1 when the pass ends otherwise.
#include <curl/curl.h>

#include <charconv>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "app/installer_settings.h"
#include "install/download_installer.h"
#include "install/install_records.h"
#include "sys/stage_callback.h"
#include "sys/text.h"
#include "tools/stage-cli/commands.h"

namespace stage_cli {
namespace {

struct Options {
    std::string dir, url, uninstaller;
    bool hasUninstaller = false;
    int type = 1;
};

bool ReadOptions(const Args& args, Options* options) {
    for (size_t i = 0; i + 1 < args.size(); i += 2) {
        const std::string& name = args[i];
        const std::string& value = args[i + 1];
        if (name == "--dir") {
            options->dir = value;
        } else if (name == "--url") {
            options->url = value;
        } else if (name == "--uninstaller") {
            options->uninstaller = value;
            options->hasUninstaller = true;
        } else if (name == "--type") {
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), options->type);
            if (error != std::errc() || end != value.data() + value.size()) return false;
        } else {
            return false;
        }
    }
    return args.size() % 2 == 0 && !options->dir.empty() && !options->url.empty();
}

// Notifications handed from the workers to this thread, as the window gets them posted.
class NotificationQueue {
public:
    StageCallback Callback() {
        return [this](int code, double value, const wchar_t* text) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_items.push_back({code, value, text != nullptr ? text : L""});
            m_ready.notify_one();
        };
    }
    struct Item {
        int code;
        double value;
        std::wstring text;
    };
    Item Take() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_ready.wait(lock, [&] { return !m_items.empty(); });
        Item item = std::move(m_items.front());
        m_items.pop_front();
        return item;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Item> m_items;
};

bool EndsThePass(int code) {
    return code == 2003 || code == 2004 || code == 1004 || code == 5004 || code == 5005;
}

}  // namespace

int InstallCommand(const Args& args) {
    Options options;
    if (!ReadOptions(args, &options))
        return UsageError("usage: install --dir DIR --url URL [--type N] [--uninstaller PATH]");
    if (curl_global_init(CURL_GLOBAL_ALL) != CURLE_OK) {
        std::fprintf(stderr, "stage-cli: libcurl could not be initialised\n");
        return 1;
    }
    DownloadInstallerSettings stageSettings;
    stageSettings.downloadType = options.type;
    const std::wstring exeFileName = Settings().ExeFileName;
    const std::wstring dir = Utils::FromUtf8(options.dir);

    InstallRecords records;
    records.LoadInstallRecord();
    records.DefaultInstallDir();  // the privilege probes handed to the package
    std::wstring previousUninstaller = options.hasUninstaller
                                           ? Utils::FromUtf8(options.uninstaller)
                                           : records.registryUninstallPath;
    if (!options.hasUninstaller && records.SkipsOldUninstaller(dir)) previousUninstaller.clear();

    NotificationQueue queue;
    int exitCode = 1;
    {
        CDownloadInstaller controller(queue.Callback(), stageSettings);
        controller.Configure(Utils::FromUtf8(options.url), previousUninstaller, dir, true,
                             true, records.consoleUserIsAdmin, records.processIsAdmin, L"");
        controller.Start();
        while (true) {
            const NotificationQueue::Item item = queue.Take();
            PrintNotification(item.code, item.value, item.text.c_str());
            if (item.code == 3000) records.reportedInstallPath = item.text;
            if (item.code == 3003) records.reportedUninstallPath = item.text;
            if (item.code == 2001) records.WriteInstallSettings(dir, exeFileName);
            if (item.code == 2003) {
                records.SaveInstallRecord(dir);
                records.WriteInstallSettings(dir, exeFileName);
                exitCode = 0;
            }
            if (EndsThePass(item.code)) break;
        }
    }  // waits for the workers
    curl_global_cleanup();
    return exitCode;
}

}  // namespace stage_cli
