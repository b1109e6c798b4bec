#include "download/download_options.h"

std::unique_ptr<Utils::Thread> MakeThread(const DownloadOptions& options, void* param,
                                          const std::wstring& name, Utils::Thread::Body body) {
    std::unique_ptr<Utils::Thread> thread =
        options.makeThread ? options.makeThread(param, name, std::move(body))
                           : std::make_unique<Utils::Thread>(param, name, std::move(body));
    if (thread && !thread->HasThread()) thread.reset();
    return thread;
}
