// Analytics throughput: assembling, serialising and queueing records through the library, and
// encoding and uploading a full queue to the local collection server.
// Run: build/<release>/bench/analytics_bench
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "analytics/sdk/default_consumer.h"
#include "analytics/sdk/gzip.h"
#include "analytics/sdk/sdk.h"
#include "tools/collect-server/collect_server.h"

namespace {

using event_collect::DefaultConsumer;
using event_collect::PropertiesNode;
using event_collect::Sdk;

constexpr int kAssembled = 100000;
constexpr int kQueued = 1024;

// Roughly what the tracker registers for every event of the installer.
PropertiesNode InstallerSuperProperties() {
    PropertiesNode p;
    p.SetString("ov_app_id", "collivo_installer");
    p.SetString("$app_version", "3.1.4.1592");
    p.SetString("$app_id", "collivo_installer");
    p.SetString("ov_app_store", "official");
    p.SetString("ov_edition", "china");
    p.SetString("ov_dlapp_id", "collivo");
    p.SetString("ov_dlapp_version", "8.2.0.1024");
    p.SetString("ov_app_platform", "Linux");
    p.SetString("ov_track_type", "Client");
    p.SetString("ov_sdk_version", "3.3.8");
    p.SetString("ov_sdk", "LinuxCPP");
    p.SetString("$os", "Linux");
    p.SetString("$os_version", "12");
    p.SetString("ov_l10n_locale", "zh_CN");
    p.SetString("ov_l10n_language", "zh");
    p.SetString("ov_l10n_country", "CN");
    p.SetNumber("$screen_height", 1080);
    p.SetNumber("$screen_width", 1920);
    return p;
}

PropertiesNode ClickProperties(int i) {
    PropertiesNode p;
    p.SetString("ov_name", "defaultInstallBtn");
    p.SetString("ov_page", "\xe5\xae\x89\xe8\xa3\x85");  // "install" in Chinese
    p.SetString("ov_source", "main");
    p.SetNumber("ov_index", i);
    p.SetNumber("ov_progress", 0.375);
    p.SetBool("ov_first", i == 0);
    return p;
}

void TrackRecords(int count) {
    for (int i = 0; i < count; ++i)
        Sdk::Track("OvEventClick", ClickProperties(i));
}

void BM_AssembleSerialiseQueue(benchmark::State& state) {
    // Nothing is flushed: the queue keeps its newest 1024 records, as it would offline.
    Sdk::Init("", "http://127.0.0.1:9/sa?project=pc", "4F2A9C1E-7B3D-4E8A-9C21-5D6E7F801234",
              false);
    Sdk::RegisterSuperProperties(InstallerSuperProperties());
    for (auto _ : state)
        TrackRecords(kAssembled);
    state.SetItemsProcessed(state.iterations() * kAssembled);
    Sdk::Shutdown();
}
BENCHMARK(BM_AssembleSerialiseQueue)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_EncodeUploadQueue(benchmark::State& state) {
    collect_server::CollectServer server{collect_server::ServerOptions{}};
    std::string error;
    if (!server.Start(&error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    Sdk::Init("", server.Url(), "4F2A9C1E-7B3D-4E8A-9C21-5D6E7F801234", false);
    Sdk::RegisterSuperProperties(InstallerSuperProperties());
    const auto queue = Sdk::Consumer();
    double textBytes = 0;
    double gzipBytes = 0;
    bool allAccepted = true;
    for (auto _ : state) {
        state.PauseTiming();
        TrackRecords(kQueued);
        // Size the batches exactly as Flush will cut them.
        const std::vector<std::string> records = queue->Records();
        for (size_t first = 0; first < records.size(); first += DefaultConsumer::kBatchSize) {
            std::string batch = "[";
            for (size_t i = first; i < records.size() && i < first + DefaultConsumer::kBatchSize;
                 ++i) {
                if (i > first) batch.push_back(',');
                batch += records[i];
            }
            batch.push_back(']');
            std::string compressed;
            event_collect::GzipCompress(batch, &compressed);
            textBytes += static_cast<double>(batch.size());
            gzipBytes += static_cast<double>(compressed.size());
        }
        state.ResumeTiming();
        allAccepted = queue->FlushAll() && allAccepted;
    }
    if (!allAccepted) state.SkipWithError("an upload was refused");
    state.SetItemsProcessed(state.iterations() * kQueued);
    state.counters["batch_text_bytes"] = textBytes / static_cast<double>(state.iterations());
    state.counters["gzip_bytes"] = gzipBytes / static_cast<double>(state.iterations());
    state.counters["gzip_ratio"] = gzipBytes / textBytes;
    Sdk::Shutdown();
}
BENCHMARK(BM_EncodeUploadQueue)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
