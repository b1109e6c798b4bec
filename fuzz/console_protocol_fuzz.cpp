// The console protocol of the package runner (CInstaller) and of the uninstaller runner
// (UninstallRunner): a child's output, in pieces cut by the input's own bytes. Both runners get
// every input. What must hold:
// - the reader does not depend on the cuts: fed every piece, the output in many pieces gives
//   the notifications, code page and version numbers of the output in one piece, for raw bytes
//   and for text decoded in advance alike;
// - a run that stops after the first piece that ended it (as ConsoleReader::RunToEnd does)
//   has seen a prefix of those notifications, and is ended exactly when the whole output is;
// - without an "Encode=" line, NUL bytes or lines near the length limit, raw UTF-8 bytes and
//   the same output decoded in advance give the same notifications;
// - every notified value is finite (it feeds progress arithmetic and timer periods).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "install/installer.h"
#include "install/line_splitter.h"
#include "install/uninstall_runner.h"
#include "platform/codepage.h"

namespace {

struct Event {
    int code;
    double value;
    std::wstring text;
    bool operator==(const Event&) const = default;
};

struct Seen {
    std::vector<Event> events;
    bool ended = false;  // a line ended the run
    int32_t codePage = 0;
    int32_t version[3] = {0, 0, 0};
    bool operator==(const Seen& other) const {
        return events == other.events && ended == other.ended && codePage == other.codePage &&
               version[0] == other.version[0] && version[1] == other.version[1] &&
               version[2] == other.version[2];
    }
};

// One runner of each kind, recording into `seen`.
struct InstallerRunner {
    explicit InstallerRunner(Seen* seen)
        : runner(
              [seen](int code, double value, const wchar_t* text) {
                  seen->events.push_back({code, value, text});
              },
              L"\"/p\"", L"") {}
    void Collect(Seen* seen) const {
        seen->codePage = runner.CodePage();
        seen->version[0] = runner.VersionMajor();
        seen->version[1] = runner.VersionMinor();
        seen->version[2] = runner.VersionPatch();
    }
    CInstaller runner;
};

struct UninstallerRunner {
    explicit UninstallerRunner(Seen* seen)
        : runner(
              [seen](int code, double value, const wchar_t* text) {
                  seen->events.push_back({code, value, text});
              },
              std::wstring(L"/u"), L"/d") {}
    void Collect(Seen* seen) const { seen->codePage = runner.CodePage(); }
    UninstallRunner runner;
};

// Feeds `pieces` of bytes (or of text) one after the other. `stopWhenEnded`: no piece after the
// one that ended the run, and no end of output then, as RunToEnd reads.
template <typename Runner, typename Text>
Seen Feed(const std::vector<Text>& pieces, bool stopWhenEnded) {
    Seen seen;
    {
        Runner r(&seen);
        for (const Text& piece : pieces) {
            if (stopWhenEnded && seen.ended) break;
            int result;
            if constexpr (std::is_same_v<Text, std::string>) {
                result = r.runner.ParseOutput(piece);
            } else {
                result = r.runner.Parse(piece);
            }
            seen.ended = seen.ended || result != 0;
        }
        if (!(stopWhenEnded && seen.ended)) seen.ended = r.runner.FinishOutput() != 0 || seen.ended;
        r.Collect(&seen);
    }
    for (const Event& e : seen.events)
        FUZZ_CHECK(std::isfinite(e.value));
    return seen;
}

template <typename Text>
std::vector<Text> Cut(const Text& whole, const uint8_t* data, size_t size, uint8_t salt) {
    std::vector<Text> pieces;
    size_t at = 0;
    // The cuts come from the bytes; text (fewer units than bytes) takes the first ones.
    for (size_t length : fuzz::ChunkLengths(data, size, salt)) {
        if (at >= whole.size()) break;
        pieces.push_back(whole.substr(at, length));
        at += length;
    }
    if (at < whole.size()) pieces.push_back(whole.substr(at));
    return pieces;
}

bool IsPrefix(const std::vector<Event>& prefix, const std::vector<Event>& whole) {
    return prefix.size() <= whole.size() && std::equal(prefix.begin(), prefix.end(), whole.begin());
}

// Whether bytes and decoded text must give the same notifications: the code page stays UTF-8,
// no NUL is dropped from the bytes only, and no line reaches the limit, which counts bytes in
// one case and characters in the other.
bool TextMatchesBytes(std::string_view bytes) {
    if (bytes.find("Encode=") != std::string_view::npos) return false;
    if (bytes.find('\0') != std::string_view::npos) return false;
    size_t start = 0;
    while (true) {
        const size_t end = bytes.find('\n', start);
        const size_t length = (end == std::string_view::npos ? bytes.size() : end) - start;
        if (length >= LineSplitter<char>::kMaxLine) return false;
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

template <typename Runner>
void Check(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const Seen whole = Feed<Runner>(std::vector<std::string>{bytes}, false);
    const auto pieces = Cut(bytes, data, size, 0x5A);
    FUZZ_CHECK(Feed<Runner>(pieces, false) == whole);

    const Seen stopped = Feed<Runner>(pieces, true);
    FUZZ_CHECK(stopped.ended == whole.ended);
    FUZZ_CHECK(IsPrefix(stopped.events, whole.events));

    std::wstring text;
    platform::MultiByteToWide(platform::kCodePageUtf8, bytes, &text);
    const Seen wholeText = Feed<Runner>(std::vector<std::wstring>{text}, false);
    FUZZ_CHECK(Feed<Runner>(Cut(text, data, size, 0xA5), false) == wholeText);
    if (TextMatchesBytes(bytes)) FUZZ_CHECK(wholeText.events == whole.events);
}

const fuzz::QuietDebugOutput quiet;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Check<InstallerRunner>(data, size);
    Check<UninstallerRunner>(data, size);
    return 0;
}
