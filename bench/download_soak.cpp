// Download soak: several hundred downloads by the single-connection downloader (type 1) and
// the multi-part one (type 3), each against a package server of its own that has one random
// fault, driven in-process the way the installer's controller drives them: DL_CODE_RETRY is
// answered by Start from inside the notification, and a run is over at DL_CODE_SUCCESS or
// DL_CODE_FAIL. Not part of the tests: run it through bench/download_soak.sh.
//
// Packages are random bytes of a random length, most between 1 and 3 MiB (the single
// connection's floor is 1 MiB), a quarter around 20 MiB where the multi-part downloader goes
// from one part to two (exactly 20 MiB - 1, 20 MiB, 20 MiB + 1, or 19 to 22 MiB). The redirect
// names the package's MD5 or SHA-256 at random. The faults, and what a run must end in:
//
//   none          nothing goes wrong                                      success
//   cut           the body is closed (orderly) after a random offset;     success: the part
//                 the 1 to 3 transfers that reach that far are cut        file is resumed
//   reset         as cut, but the connection is reset (RST): at most      success
//                 that many bytes arrive, what the server's kernel still
//                 held is dropped
//   stall         the body stops at a random offset and the connection    success: the
//                 is held, once; type 1 gives up after the stall window   transfer is resumed
//                 (--stall-window, 2 s), type 3 after its part's own 5 s
//                 (libcurl judges the speed of the last 5 s, so a stall
//                 after data had flowed is noticed that much later)
//   wrong-digest  the redirect names a wrong MD5 or SHA-256               failure, after one
//                                                                         DL_CODE_RETRY
//
// A random offset is a package offset, a quarter of them on an edge (the first or last byte
// of a transfer, the package's last byte); for type 3 the fault hits the transfers of the part
// it lies in (and, for part 0 of two, those of part 1 as well, while hits are left).
// --hits N makes cut and reset (and stall) hit N transfers: past a retry budget (type 1: 12
// cut or 6 reset transfers; type 3: 13 or 7 per part, then one DL_CODE_RETRY run more) a run
// rightly ends in failure, which then shows in unexp.
//
// Columns of the table, one row per fault and one per downloader type:
//   ok       ended with DL_CODE_SUCCESS and the save path holds exactly the package, both at
//            the end and after the downloader is destroyed
//   failed   ended with DL_CODE_FAIL and no DL_CODE_SUCCESS before it
//   false    DL_CODE_SUCCESS but the file at the save path differs or is missing (must be 0)
//   hang     no end within --hang-limit, or a destruction that took longer (must be 0)
//   left     anything left next to the save path once the downloader is destroyed: its
//            ".part", "_0", "_1" or any other file (must be 0)
//   codes    notifications out of order: no START first, two FAIL_REASONs in a run, more than
//            one RETRY, progress outside 0..1, anything after the end (must be 0)
//   unexp    ended, but in the other outcome than the fault's (listed, not a failure of the
//            soak by itself)
// Every run that lands in one of the last five columns is printed with its parameters and
// how to repeat it alone; its folder (package, save path, trace lines, notifications) is kept.
// Exit status 1 when a must-be-0 column is not 0.
//
//   download_soak [--runs N] [--seed S] [--from I] [--type 1|3] [--fault NAME] [--hits N]
//                 [--hang-limit SECONDS] [--stall-window SECONDS] [--dir DIR] [--verbose]
//
// The seed is drawn when none is given and printed first. Run I of seed S draws the same
// parameters and package whatever --runs says, so "--seed S --from I --runs 1" repeats it.
#include <curl/curl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "download/downloader.h"
#include "download/downloader_factory.h"
#include "download/part_plan.h"
#include "platform/debug_output.h"
#include "sys/text.h"
#include "tools/package-server/package_server.h"

namespace {

namespace fs = std::filesystem;
using package_server::DigestMode;
using package_server::Faults;
using package_server::PackageServer;
using Clock = std::chrono::steady_clock;

constexpr uint64_t kMiB = 1048576;
constexpr uint64_t kTwoParts = 2 * static_cast<uint64_t>(kPartUnit);  // 20 MiB
constexpr const char* kPackageName = "Collivo.exe";
constexpr const char* kSaveName = "__Package_Collivo.exe";

enum class Fault { kNone, kCut, kReset, kStall, kWrongDigest, kCount };
const char* const kFaultNames[] = {"none", "cut", "reset", "stall", "wrong-digest"};

const char* FaultName(Fault fault) {
    return kFaultNames[static_cast<int>(fault)];
}

// What a run of `fault` must end in.
bool ExpectsSuccess(Fault fault) {
    return fault != Fault::kWrongDigest;
}

struct Options {
    int runs = 300;
    uint64_t seed = 0;
    bool seedGiven = false;
    int from = 0;
    int type = 0;    // 0: either
    int fault = -1;  // -1: any
    int hangLimit = 120;
    int stallWindow = 2;
    int hits = 0;  // 0: drawn
    std::string dir;
    bool verbose = false;
};

// Everything a run draws from its seed.
struct RunPlan {
    int index = 0;
    int type = 1;
    Fault fault = Fault::kNone;
    uint64_t size = 0;
    bool sha256 = false;
    uint64_t offset = 0;      // package offset of the fault
    uint64_t faultsFrom = 0;  // first byte of the part the offset lies in (type 3), else 0
    int hits = 0;             // transfers the fault hits
    uint64_t contentSeed = 0;
};

RunPlan Draw(const Options& options, int index) {
    std::seed_seq sequence{static_cast<uint32_t>(options.seed),
                           static_cast<uint32_t>(options.seed >> 32), static_cast<uint32_t>(index)};
    std::mt19937_64 random(sequence);
    auto below = [&random](uint64_t n) {
        return std::uniform_int_distribution<uint64_t>(0, n - 1)(random);
    };

    RunPlan plan;
    plan.index = index;
    plan.type = below(2) == 0 ? 1 : 3;
    plan.fault = static_cast<Fault>(below(static_cast<uint64_t>(Fault::kCount)));
    if (below(4) != 0) {
        plan.size = kMiB + below(2 * kMiB + 1);
    } else {
        const uint64_t aroundTwoParts[] = {kTwoParts - 1, kTwoParts, kTwoParts + 1};
        const uint64_t pick = below(4);
        plan.size = pick < 3 ? aroundTwoParts[pick] : kTwoParts - kMiB + below(3 * kMiB + 1);
    }
    plan.sha256 = below(2) == 1;
    plan.offset = below(plan.size);
    // A quarter of the offsets lie on an edge: the first or the last byte of a transfer, or
    // the package's last byte.
    const uint64_t edge = below(12);
    plan.hits = static_cast<int>(1 + below(3));
    plan.contentSeed = random();
    // Overrides come after every draw, so that they change nothing else of the run.
    if (options.type != 0) plan.type = options.type;
    if (options.fault >= 0) plan.fault = static_cast<Fault>(options.fault);
    if (plan.fault == Fault::kStall) plan.hits = 1;
    if (options.hits > 0) plan.hits = options.hits;

    std::vector<PartRange> parts = {{0, static_cast<int64_t>(plan.size) - 1}};
    if (plan.type == 3) parts = SplitParts(static_cast<int64_t>(plan.size));
    if (edge == 9) plan.offset = plan.size - 1;
    for (const PartRange& part : parts) {
        if (static_cast<int64_t>(plan.offset) < part.first) continue;
        plan.faultsFrom = static_cast<uint64_t>(part.first);
        if (edge == 10) plan.offset = static_cast<uint64_t>(part.first);
        if (edge == 11) plan.offset = static_cast<uint64_t>(part.last);
    }
    return plan;
}

std::string Describe(const RunPlan& plan) {
    char text[200];
    std::snprintf(text, sizeof text, "run %d: type %d, %s, %llu bytes, %s URL", plan.index,
                  plan.type, FaultName(plan.fault), static_cast<unsigned long long>(plan.size),
                  plan.sha256 ? "SHA-256" : "MD5");
    std::string line = text;
    if (plan.fault == Fault::kCut || plan.fault == Fault::kReset || plan.fault == Fault::kStall) {
        std::snprintf(text, sizeof text, ", at offset %llu (%llu into the transfer), %d time%s",
                      static_cast<unsigned long long>(plan.offset),
                      static_cast<unsigned long long>(plan.offset - plan.faultsFrom), plan.hits,
                      plan.hits == 1 ? "" : "s");
        line += text;
    }
    return line;
}

// The package's bytes: a stream of its own per run, so no run can pass on another's file.
std::string MakePackage(uint64_t size, uint64_t seed) {
    std::string bytes(size, '\0');
    uint64_t state = seed;
    for (size_t i = 0; i < bytes.size(); i += 8) {
        state += 0x9E3779B97F4A7C15ull;  // splitmix64
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        std::memcpy(bytes.data() + i, &z, std::min<size_t>(8, bytes.size() - i));
    }
    return bytes;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// "missing", "identical", or how the file differs from `expected`.
std::string CompareFile(const std::string& path, const std::string& expected) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return "missing";
    std::string actual(static_cast<size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(actual.data(), static_cast<std::streamsize>(actual.size()));
    if (actual == expected) return "identical";
    size_t offset = 0;
    while (offset < actual.size() && offset < expected.size() && actual[offset] == expected[offset])
        ++offset;
    return std::to_string(actual.size()) + " bytes, first difference at " + std::to_string(offset);
}

// The trace lines of the running download, kept in case the run goes wrong.
class TraceKeeper : public platform::DebugSink {
public:
    void Write(std::string_view line) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.emplace_back(line);
    }
    std::vector<std::string> Take() {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::string> lines;
        lines.swap(m_lines);
        return lines;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

struct Note {
    int code;
    double value;
    std::wstring text;
};

// Follows one downloader's notifications as the installer's controller does: DL_CODE_RETRY
// is answered by Start from inside the notification.
class Follower {
public:
    StageCallback Callback() {
        return [this](int code, double value, const wchar_t* text) {
            CDownloader* restart = nullptr;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_notes.push_back({code, value, text != nullptr ? text : L""});
                if (code == DL_CODE_SUCCESS || code == DL_CODE_FAIL) ++m_ends;
                if (code == DL_CODE_RETRY) restart = m_downloader;
            }
            m_changed.notify_all();
            if (restart != nullptr) restart->Start();
        };
    }
    void AnswerRetryWith(CDownloader* downloader) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_downloader = downloader;
    }
    bool WaitForEnd(std::chrono::seconds limit) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, limit, [this] { return m_ends > 0; });
    }
    std::vector<Note> Notes() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_notes;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Note> m_notes;
    int m_ends = 0;
    CDownloader* m_downloader = nullptr;
};

// Empty when the notifications keep the downloader's order; otherwise what broke it.
std::string CheckOrder(const std::vector<Note>& notes) {
    bool inRun = false;
    bool reason = false;
    bool ended = false;
    int retries = 0;
    for (const Note& note : notes) {
        if (ended) return "code " + std::to_string(note.code) + " after the end";
        switch (note.code) {
            case DL_CODE_START:
                if (inRun) return "START inside a run";
                inRun = true;
                reason = false;
                break;
            case DL_CODE_PROGRESS:
                if (!inRun) return "PROGRESS outside a run";
                if (!(note.value >= 0.0 && note.value <= 1.0))
                    return "progress " + std::to_string(note.value);
                break;
            case DL_CODE_FAIL_REASON:
                if (!inRun || reason) return "FAIL_REASON outside a run or twice";
                reason = true;
                break;
            case DL_CODE_RETRY:
                if (!inRun || ++retries > 1) return "RETRY outside a run or twice";
                inRun = false;
                break;
            case DL_CODE_SUCCESS:
            case DL_CODE_FAIL:
                if (!inRun) return "end outside a run";
                ended = true;
                break;
            default:
                return "unknown code " + std::to_string(note.code);
        }
    }
    return ended ? "" : "no end";
}

std::string CodeList(const std::vector<Note>& notes) {
    std::string text;
    int progress = 0;
    auto flush = [&] {
        if (progress > 0) text += "PROGRESS x" + std::to_string(progress) + " ";
        progress = 0;
    };
    for (const Note& note : notes) {
        if (note.code == DL_CODE_PROGRESS) {
            ++progress;
            continue;
        }
        flush();
        static const std::map<int, const char*> kNames = {{DL_CODE_START, "START"},
                                                          {DL_CODE_SUCCESS, "SUCCESS"},
                                                          {DL_CODE_FAIL, "FAIL"},
                                                          {DL_CODE_RETRY, "RETRY"},
                                                          {DL_CODE_FAIL_REASON, "FAIL_REASON"}};
        const auto name = kNames.find(note.code);
        text += name != kNames.end() ? std::string(name->second) : std::to_string(note.code);
        if (note.code != DL_CODE_START) {
            char value[32];
            std::snprintf(value, sizeof value, "(%g)", note.value);
            text += value;
        }
        text += " ";
    }
    flush();
    if (!text.empty()) text.pop_back();
    return text;
}

// Destroys the downloader on a thread of its own; false when that takes longer than `limit`
// (the thread is then left to it, with what it uses).
bool DestroyWithin(std::unique_ptr<CDownloader> downloader, std::shared_ptr<Follower> follower,
                   std::chrono::seconds limit) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> destroyed = done->get_future();
    std::thread([d = std::move(downloader), f = std::move(follower), done]() mutable {
        d.reset();
        done->set_value();
    }).detach();
    return destroyed.wait_for(limit) == std::future_status::ready;
}

// The first byte a Range header asks for ("bytes=N-..."); 0 without one.
uint64_t RangeFirst(const std::string& range) {
    constexpr std::string_view kPrefix = "bytes=";
    if (range.compare(0, kPrefix.size(), kPrefix) != 0) return 0;
    return std::strtoull(range.c_str() + kPrefix.size(), nullptr, 10);
}

struct Outcome {
    bool ended = false;
    bool success = false;  // the end was DL_CODE_SUCCESS
    bool falseSuccess = false;
    bool destroyedInTime = true;
    std::vector<std::string> leftovers;
    std::string order;  // empty: in order
    std::string file;   // what the save path held at the end
    std::vector<Note> notes;
    double seconds = 0;
};

Outcome RunOne(const RunPlan& plan, const Options& options, const std::string& folder) {
    Outcome outcome;
    const std::string packagePath = folder + "/" + kPackageName;
    const std::string savePath = folder + "/" + kSaveName;
    const std::string package = MakePackage(plan.size, plan.contentSeed);
    if (!WriteFile(packagePath, package)) {
        std::fprintf(stderr, "download_soak: cannot write %s\n", packagePath.c_str());
        std::exit(2);
    }

    PackageServer server(packagePath);
    if (!server.Start()) {
        std::fprintf(stderr, "download_soak: the package server did not start\n");
        std::exit(2);
    }
    Faults clean;
    if (plan.fault == Fault::kWrongDigest)
        clean.digest = plan.sha256 ? DigestMode::kSha256Wrong : DigestMode::kWrong;
    else
        clean.digest = plan.sha256 ? DigestMode::kSha256 : DigestMode::kCorrect;
    Faults faults = clean;
    faults.faultsFrom = plan.faultsFrom;
    const auto into = static_cast<int64_t>(plan.offset - plan.faultsFrom);
    if (plan.fault == Fault::kCut) faults.cutAfterBytes = into;
    if (plan.fault == Fault::kReset) faults.resetAfterBytes = into;
    if (plan.fault == Fault::kStall) faults.stallAfterBytes = into;
    server.SetFaults(faults);
    // The server is mended once the fault has hit its transfers (a transfer is recorded when
    // its answer begins; the faults of an answer are fixed before that).
    auto hit = std::make_shared<std::atomic<int>>(0);
    const std::string packageSuffix = std::string("/") + kPackageName;
    server.SetRequestObserver(
        [&server, &plan, clean, hit, packageSuffix](const package_server::RequestRecord& request) {
            if (request.method != "GET" || !request.path.ends_with(packageSuffix) ||
                RangeFirst(request.range) < plan.faultsFrom)
                return;
            if (++*hit == plan.hits) server.SetFaults(clean);
        });

    DownloadOptions downloadOptions;
    downloadOptions.stallWindow = std::chrono::seconds(options.stallWindow);
    auto follower = std::make_shared<Follower>();
    std::unique_ptr<CDownloader> downloader =
        CreateDownloader(plan.type, follower->Callback(), Utils::FromUtf8(server.DownloadUrl()),
                         Utils::NarrowToWide(savePath, 0), downloadOptions);
    follower->AnswerRetryWith(downloader.get());

    const auto begin = Clock::now();
    downloader->Start();
    outcome.ended = follower->WaitForEnd(std::chrono::seconds(options.hangLimit));
    outcome.seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    if (outcome.ended) {
        const std::vector<Note> notes = follower->Notes();
        const auto end = std::find_if(notes.begin(), notes.end(), [](const Note& n) {
            return n.code == DL_CODE_SUCCESS || n.code == DL_CODE_FAIL;
        });
        outcome.success = end->code == DL_CODE_SUCCESS;
        outcome.file = CompareFile(savePath, package);
    } else {
        server.Stop();  // ends whatever the downloader still waits for
    }

    const auto destroyLimit = std::chrono::seconds(std::max(30, options.hangLimit / 2));
    outcome.destroyedInTime = DestroyWithin(std::move(downloader), follower, destroyLimit);
    if (!outcome.destroyedInTime) {
        server.Stop();
        std::fprintf(stderr,
                     "download_soak: %s: the downloader's destruction is stuck; the "
                     "soak cannot go on\n",
                     Describe(plan).c_str());
    }
    outcome.notes = follower->Notes();
    outcome.order = CheckOrder(outcome.notes);
    if (outcome.success) {
        const std::string after = CompareFile(savePath, package);
        outcome.falseSuccess = outcome.file != "identical" || after != "identical";
        if (outcome.file == "identical" && after != "identical")
            outcome.file = "identical at the end; after destruction " + after;
    }
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename();
        if (name != kPackageName && name != kSaveName) outcome.leftovers.push_back(name);
    }
    server.SetRequestObserver({});
    return outcome;
}

struct Row {
    int runs = 0, ok = 0, failed = 0, falseSuccess = 0, hangs = 0, left = 0, codes = 0,
        unexpected = 0;
    double seconds = 0, slowest = 0;
    void Add(const Row& r) {
        runs += r.runs;
        ok += r.ok;
        failed += r.failed;
        falseSuccess += r.falseSuccess;
        hangs += r.hangs;
        left += r.left;
        codes += r.codes;
        unexpected += r.unexpected;
        seconds += r.seconds;
        slowest = std::max(slowest, r.slowest);
    }
};

void PrintRow(const char* name, const Row& r) {
    std::printf("%-14s %5d %5d %6d %6d %5d %5d %6d %6d %8.2f %8.2f\n", name, r.runs, r.ok, r.failed,
                r.falseSuccess, r.hangs, r.left, r.codes, r.unexpected,
                r.runs > 0 ? r.seconds / r.runs : 0.0, r.slowest);
}

bool ParseNumber(const char* text, long long* value) {
    char* end = nullptr;
    *value = std::strtoll(text, &end, 10);
    return end != text && *end == '\0';
}

int Usage(const std::string& problem) {
    std::fprintf(stderr,
                 "download_soak: %s\n"
                 "usage: download_soak [--runs N] [--seed S] [--from I] [--type 1|3]\n"
                 "                     [--fault none|cut|reset|stall|wrong-digest] [--hits N]\n"
                 "                     [--hang-limit SECONDS] [--stall-window SECONDS]\n"
                 "                     [--dir DIR] [--verbose]\n",
                 problem.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "--verbose") {
            options.verbose = true;
            continue;
        }
        if (i + 1 >= argc) return Usage("missing value or unknown flag: " + flag);
        const std::string value = argv[++i];
        long long number = 0;
        if (flag == "--dir") {
            options.dir = value;
        } else if (flag == "--fault") {
            const auto* found = std::find(std::begin(kFaultNames), std::end(kFaultNames), value);
            if (found == std::end(kFaultNames)) return Usage("unknown fault: " + value);
            options.fault = static_cast<int>(found - std::begin(kFaultNames));
        } else if (!ParseNumber(value.c_str(), &number) || number < 0) {
            return Usage("not a number: " + flag + " " + value);
        } else if (flag == "--runs") {
            options.runs = static_cast<int>(number);
        } else if (flag == "--seed") {
            options.seed = static_cast<uint64_t>(number);
            options.seedGiven = true;
        } else if (flag == "--from") {
            options.from = static_cast<int>(number);
        } else if (flag == "--type") {
            if (number != 1 && number != 3) return Usage("--type is 1 or 3");
            options.type = static_cast<int>(number);
        } else if (flag == "--hang-limit") {
            options.hangLimit = static_cast<int>(std::max(1LL, number));
        } else if (flag == "--hits") {
            options.hits = static_cast<int>(number);
        } else if (flag == "--stall-window") {
            options.stallWindow = static_cast<int>(std::max(1LL, number));
        } else {
            return Usage("unknown flag: " + flag);
        }
    }
    if (!options.seedGiven) options.seed = std::random_device()() % 1000000;

    if (options.dir.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        options.dir = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    }
    std::string root = options.dir + "/collivo-soak-XXXXXX";
    if (mkdtemp(root.data()) == nullptr) {
        std::fprintf(stderr, "download_soak: cannot make a folder in %s\n", options.dir.c_str());
        return 2;
    }
    if (curl_global_init(CURL_GLOBAL_ALL) != CURLE_OK) {
        std::fprintf(stderr, "download_soak: libcurl's initialisation failed\n");
        return 2;
    }
    TraceKeeper trace;
    platform::SetDebugSink(&trace);

    std::printf(
        "download soak: %d runs from run %d, seed %llu, stall window %d s, hang limit %d s\n",
        options.runs, options.from, static_cast<unsigned long long>(options.seed),
        options.stallWindow, options.hangLimit);
    std::fflush(stdout);

    Row rows[static_cast<int>(Fault::kCount)];
    Row types[2];
    std::vector<std::string> problems;
    bool stuck = false;
    const auto soakBegin = Clock::now();
    for (int n = 0; n < options.runs && !stuck; ++n) {
        const RunPlan plan = Draw(options, options.from + n);
        const std::string folder = root + "/run-" + std::to_string(plan.index);
        fs::create_directories(folder);
        trace.Take();
        const Outcome outcome = RunOne(plan, options, folder);
        stuck = !outcome.destroyedInTime;

        Row row;
        row.runs = 1;
        row.seconds = row.slowest = outcome.seconds;
        const bool hang = !outcome.ended || !outcome.destroyedInTime;
        row.hangs = hang;
        row.ok = outcome.ended && outcome.success && !outcome.falseSuccess;
        row.failed = outcome.ended && !outcome.success;
        row.falseSuccess = outcome.falseSuccess;
        row.left = !outcome.leftovers.empty();
        row.codes = outcome.ended && !outcome.order.empty();
        row.unexpected = outcome.ended && outcome.success != ExpectsSuccess(plan.fault);
        rows[static_cast<int>(plan.fault)].Add(row);
        types[plan.type == 1 ? 0 : 1].Add(row);

        std::string verdict;
        if (row.falseSuccess) verdict += " FALSE SUCCESS (" + outcome.file + ");";
        if (!outcome.ended) verdict += " HANG (no end);";
        if (!outcome.destroyedInTime) verdict += " HANG (destruction);";
        if (row.left) {
            verdict += " LEFT:";
            for (const auto& name : outcome.leftovers)
                verdict += " " + name;
            verdict += ";";
        }
        if (row.codes) verdict += " CODES (" + outcome.order + ");";
        if (row.unexpected)
            verdict +=
                std::string(" UNEXPECTED (") + (outcome.success ? "success" : "failure") + ");";
        char took[32];
        std::snprintf(took, sizeof took, " in %.2f s", outcome.seconds);
        const std::string line = Describe(plan) + ": " + CodeList(outcome.notes) + took;
        std::vector<std::string> lines = trace.Take();
        if (!verdict.empty()) {
            std::ofstream out(folder + "/trace.log", std::ios::binary);
            for (const auto& l : lines)
                out << l;
            std::ofstream(folder + "/run.txt")
                << line << "\n"
                << verdict << "\nrepeat: download_soak --seed " << options.seed << " --from "
                << plan.index << " --runs 1\n";
            problems.push_back(line + "\n   " + verdict + "\n   repeat: --seed " +
                               std::to_string(options.seed) + " --from " +
                               std::to_string(plan.index) + " --runs 1; kept in " + folder);
            std::fprintf(stderr, "%s\n  %s\n", line.c_str(), verdict.c_str());
        } else {
            fs::remove_all(folder);
            if (options.verbose) std::fprintf(stderr, "%s\n", line.c_str());
        }
        if ((n + 1) % 25 == 0)
            std::fprintf(stderr, "[%d/%d] %.0f s\n", n + 1, options.runs,
                         std::chrono::duration<double>(Clock::now() - soakBegin).count());
    }
    if (stuck) {
        // A downloader that cannot be destroyed still runs: nothing may be torn down under it.
        std::printf("stopped early: a downloader could not be destroyed\n");
    }

    std::printf("\n%-14s %5s %5s %6s %6s %5s %5s %6s %6s %8s %8s\n", "fault", "runs", "ok",
                "failed", "false", "hang", "left", "codes", "unexp", "mean s", "max s");
    Row all;
    for (int f = 0; f < static_cast<int>(Fault::kCount); ++f) {
        PrintRow(kFaultNames[f], rows[f]);
        all.Add(rows[f]);
    }
    PrintRow("type 1", types[0]);
    PrintRow("type 3", types[1]);
    PrintRow("all", all);
    std::printf("expected: wrong-digest ends in failed, every other fault in ok; %.0f s in all\n",
                std::chrono::duration<double>(Clock::now() - soakBegin).count());
    if (!problems.empty()) {
        std::printf("\nruns to look at:\n");
        for (const auto& p : problems)
            std::printf("%s\n", p.c_str());
    }
    const bool bad = all.falseSuccess > 0 || all.hangs > 0 || all.left > 0 || all.codes > 0;
    std::printf("%s\n", bad ? "FAILED: a must-be-0 column is not 0" : "passed");
    std::fflush(stdout);
    if (stuck) _exit(1);
    platform::SetDebugSink(nullptr);
    curl_global_cleanup();
    std::error_code ignored;
    fs::remove(root, ignored);  // only when no run was kept
    return bad ? 1 : 0;
}
