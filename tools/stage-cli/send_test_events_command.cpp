// stage-cli send-test-events --url URL --count N [--staging FILE] [--hold]: tracks N test
// records through the event-collection library, uploads them to URL in batches and prints
// each upload's result. Exits 0 only when every batch was accepted: how an operator checks a
// collection server. Uploads stop at the first refused batch.
//   --staging FILE  keep the queue in FILE, as the installer does: records of an earlier run
//                   left there are sent first, and what is not accepted stays for the next
//   --hold          after the last line, print "holding" and wait to be killed instead of
//                   shutting down (tests kill it to see what survives)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "analytics/sdk/default_consumer.h"
#include "analytics/sdk/sdk.h"
#include "platform/process.h"
#include "tools/stage-cli/commands.h"

namespace stage_cli {
namespace {

constexpr const char* kEventName = "StageCliTestEvent";

// Uploads one batch and prints "upload <n>: <count> records accepted|refused".
bool UploadOneBatch(event_collect::DefaultConsumer& queue, int* uploadNumber) {
    const size_t batch = std::min(queue.Size(), event_collect::DefaultConsumer::kBatchSize);
    const bool ok = queue.Flush();
    ++*uploadNumber;
    std::printf("upload %d: %zu records %s\n", *uploadNumber, batch, ok ? "accepted" : "refused");
    std::fflush(stdout);
    return ok;
}

}  // namespace

int SendTestEventsCommand(const Args& args) {
    std::string url;
    std::string stagingFile;
    bool hold = false;
    long count = -1;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--url" && i + 1 < args.size()) {
            url = args[++i];
        } else if (args[i] == "--count" && i + 1 < args.size()) {
            char* end = nullptr;
            count = std::strtol(args[i + 1].c_str(), &end, 10);
            if (end == args[i + 1].c_str() || *end != '\0') count = -1;
            ++i;
        } else if (args[i] == "--staging" && i + 1 < args.size()) {
            stagingFile = args[++i];
        } else if (args[i] == "--hold") {
            hold = true;
        } else {
            return UsageError("send-test-events: unknown argument " + args[i]);
        }
    }
    if (url.empty()) return UsageError("send-test-events: --url is required");
    if (count < 1 || count > 1000000)
        return UsageError("send-test-events: --count must be 1 to 1000000");

    // Without --staging no staging file: a check must send only its own records and leave
    // none behind.
    const std::string distinctId = "stage-cli-" + std::to_string(platform::ProcessId());
    if (!event_collect::Sdk::Init(stagingFile, url, distinctId, false)) return 1;
    const auto queue = event_collect::Sdk::Consumer();
    // Records an earlier run left go first, and count in the batches printed below.
    queue->LoadStagingFile();

    bool allAccepted = true;
    int uploads = 0;
    // After a refused batch the rest are tracked only when a staging file keeps them.
    for (long i = 0; i < count && (allAccepted || !stagingFile.empty()); ++i) {
        event_collect::PropertiesNode properties;
        properties.SetNumber("ov_index", static_cast<int32_t>(i));
        properties.SetString("ov_source", "stage-cli");
        event_collect::Sdk::Track(kEventName, properties);
        // Upload each batch as soon as it is full, so any count fits the bounded queue.
        if (allAccepted && queue->Size() >= event_collect::DefaultConsumer::kBatchSize)
            allAccepted = UploadOneBatch(*queue, &uploads);
    }
    while (allAccepted && queue->Size() > 0)
        allAccepted = UploadOneBatch(*queue, &uploads);

    std::printf("%s\n", allAccepted ? "all records accepted" : "upload failed");
    if (hold) {
        std::printf("holding\n");
        std::fflush(stdout);
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(1));
    }
    event_collect::Sdk::Shutdown();
    return allAccepted ? 0 : 1;
}

}  // namespace stage_cli
