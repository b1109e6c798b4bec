// DownloadOptions: what a downloader takes besides its callback, URL and save path. Every
// field has the installer's value by default; the installer sets curlReady from start-up, and
// tests shorten the stall window and replace how threads are made and how the part file is
// opened, to reach failures a machine rarely shows.
// Copied into the downloader at construction; read only by the downloader afterwards.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "platform/url_download.h"
#include "sys/restartable_worker.h"

// Opens the part file at an ANSI path for appending, as fopen(path, "ab+") does.
using PartFileOpener = std::function<FILE*(const std::string& path)>;

// The limits every request shares with the system downloader.
using platform::kMaxRedirects;
using platform::kStallBytesPerSecond;

struct DownloadOptions {
    // A request or transfer that receives less than 1 byte a second for this long has stalled
    // and ends with CURLE_OPERATION_TIMEDOUT; nothing limits a transfer that keeps moving.
    // libcurl judges the speed over the last five seconds, so a transfer that stops after
    // moving ends up to five seconds after the window.
    static constexpr std::chrono::seconds kStallWindow{60};

    std::chrono::seconds stallWindow = kStallWindow;
    // False when libcurl's global initialisation failed at start-up: the multi-part
    // downloader's discovery then finds nothing.
    bool curlReady = true;
    Utils::ThreadFactory makeThread;  // makes every thread of a run; empty: Utils::Thread
    PartFileOpener openPartFile;      // empty: fopen "ab+" (single-connection downloader)
};
