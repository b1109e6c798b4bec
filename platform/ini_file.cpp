#include "platform/ini_file.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/codepage.h"
#include "platform/file_name_case.h"
#include "platform/paths.h"

namespace platform {
namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view TrimLeft(std::string_view s) {
    const size_t start = s.find_first_not_of(kBlanks);
    return start == std::string_view::npos ? std::string_view() : s.substr(start);
}

std::string_view TrimRight(std::string_view s) {
    const size_t end = s.find_last_not_of(kBlanks);
    return end == std::string_view::npos ? std::string_view() : s.substr(0, end + 1);
}

std::string_view Trim(std::string_view s) {
    return TrimRight(TrimLeft(s));
}

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Bytes of UTF-8 sequences are never in A-Z, so folding only those keeps other text exact.
bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

enum class LineKind { kBlank, kComment, kSection, kKey, kOther };

struct Line {
    std::string_view text;  // without the line end
    std::string_view eol;   // "\n", "\r\n", or empty on a last line without one
    LineKind kind = LineKind::kOther;
    std::string_view name;   // section and key lines, trimmed
    std::string_view value;  // key lines, trimmed, quotes still on
    size_t valueOffset = 0;  // key lines: where the value starts in `text`
};

Line ParseLine(std::string_view text, std::string_view eol) {
    Line line;
    line.text = text;
    line.eol = eol;
    const std::string_view t = TrimLeft(text);
    if (t.empty()) {
        line.kind = LineKind::kBlank;
    } else if (t.front() == ';') {
        line.kind = LineKind::kComment;
    } else if (t.front() == '[') {
        line.kind = LineKind::kSection;
        line.name = Trim(t.substr(1, t.find(']') - 1));
    } else if (const size_t eq = text.find('='); eq != std::string_view::npos) {
        line.kind = LineKind::kKey;
        line.name = Trim(text.substr(0, eq));
        const std::string_view rest = text.substr(eq + 1);
        line.value = Trim(rest);
        line.valueOffset = eq + 1 + (rest.size() - TrimLeft(rest).size());
    }
    return line;
}

// Splits file contents (after the byte-order mark) into lines without copying.
class LineReader {
public:
    explicit LineReader(std::string_view body) : m_rest(body) {}

    bool Next(Line* line) {
        if (m_rest.empty()) return false;
        const size_t nl = m_rest.find('\n');
        std::string_view text = m_rest.substr(0, nl);
        std::string_view eol;
        if (nl == std::string_view::npos) {
            m_rest = {};
        } else {
            const bool crlf = nl > 0 && text.back() == '\r';
            if (crlf) text.remove_suffix(1);
            eol = m_rest.substr(text.size(), crlf ? 2 : 1);
            m_rest.remove_prefix(nl + 1);
        }
        *line = ParseLine(text, eol);
        return true;
    }

private:
    std::string_view m_rest;
};

std::string_view BomOf(std::string_view content) {
    return content.starts_with(kUtf8Bom) ? kUtf8Bom : std::string_view();
}

enum class ReadResult { kOk, kMissing, kFailed };

// Reads a regular file; a folder or a device cannot be read as one. `info` (optional) gets
// the file's status.
ReadResult ReadWholeFile(const std::string& path, std::string* content,
                         struct stat* info = nullptr) {
    content->clear();
    // O_NONBLOCK: opening a FIFO placed at the path must not hang the caller.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return errno == ENOENT || errno == ENOTDIR ? ReadResult::kMissing : ReadResult::kFailed;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return ReadResult::kFailed;
    }
    if (info != nullptr) *info = st;
    content->reserve(static_cast<size_t>(st.st_size));
    char buffer[16384];
    while (true) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return ReadResult::kFailed;
        }
        if (n == 0) break;
        content->append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return ReadResult::kOk;
}

// The first key line of `key` among all sections named `section`.
std::optional<std::string_view> FindValue(std::string_view content, std::string_view section,
                                          std::string_view key) {
    section = Trim(section);
    key = Trim(key);
    LineReader reader(content.substr(BomOf(content).size()));
    Line line;
    bool inSection = false;
    while (reader.Next(&line)) {
        if (line.kind == LineKind::kSection) {
            inSection = NamesEqual(line.name, section);
        } else if (inSection && line.kind == LineKind::kKey && NamesEqual(line.name, key)) {
            return Unquote(line.value);
        }
    }
    return std::nullopt;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates the temporary file beside `path`. The name is made unique by pid and a counter,
// and O_EXCL guards against a stale file of a crashed run; mode 0666 lets the umask decide
// the permissions of a file that did not exist before.
int CreateTemporaryBeside(const std::string& path, std::string* tempPath) {
    static std::atomic<uint32_t> counter{0};
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *tempPath = folder + "." + base + ".tmp-" + std::to_string(getpid()) + "-" +
                    std::to_string(counter.fetch_add(1));
        const int fd = open(tempPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Replaces the file at `path` by `data` so that a reader, or a crash, sees either the old or
// the new contents in full. `original` is the stat of the file being replaced, if any.
bool ReplaceFileAtomically(const std::string& path, std::string_view data,
                           const struct stat* original) {
    std::string tempPath;
    const int fd = CreateTemporaryBeside(path, &tempPath);
    if (fd < 0) return false;
    bool ok = true;
    if (original != nullptr) {
        // Ownership only changes when we run as another user (root); failure is harmless.
        if (fchown(fd, original->st_uid, original->st_gid) != 0) {
            // Keep going: the file then belongs to us, with the original permission bits.
        }
        ok = fchmod(fd, original->st_mode & 07777) == 0;
    }
    ok = ok && WriteAll(fd, data) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(tempPath.c_str(), path.c_str()) == 0;
    if (!ok) {
        unlink(tempPath.c_str());
        return false;
    }
    // Make the rename itself durable; a failure here leaves a correct file, so it is ignored.
    const int dirFd = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}

bool BreaksLine(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool IsValidSection(std::string_view section) {
    section = Trim(section);
    return !section.empty() && !BreaksLine(section) && section.find(']') == std::string_view::npos;
}

bool IsValidKey(std::string_view key) {
    key = Trim(key);
    return !key.empty() && !BreaksLine(key) && key.find('=') == std::string_view::npos &&
           key.front() != ';' && key.front() != '[';
}

// One change of an ini file, applied to its parsed lines.
struct Change {
    enum class Kind { kSetValue, kDeleteKey, kDeleteSection, kAddSection } kind;
    std::string_view section;  // trimmed
    std::string_view key;      // trimmed
    std::string_view value;
};

std::string ApplyChange(std::string_view content, const Change& change) {
    const std::string_view bom = BomOf(content);
    std::vector<Line> lines;
    LineReader reader(content.substr(bom.size()));
    for (Line line; reader.Next(&line);)
        lines.push_back(line);

    // New lines follow the file's own style, taken from its first line end.
    std::string_view newline = "\n";
    for (const Line& line : lines) {
        if (!line.eol.empty()) {
            newline = line.eol;
            break;
        }
    }

    constexpr size_t kNone = SIZE_MAX;
    std::vector<bool> deleted(lines.size(), false);
    size_t replaceAt = kNone;    // key line whose value is rewritten
    size_t firstHeader = kNone;  // first header of the section
    size_t lastKey = kNone;      // last key line of that first section
    bool inSection = false;
    bool inFirstSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (line.kind == LineKind::kSection) {
            inSection = NamesEqual(line.name, change.section);
            inFirstSection = inSection && firstHeader == kNone;
            if (inFirstSection) firstHeader = i;
        }
        if (!inSection) continue;
        if (change.kind == Change::Kind::kDeleteSection) {
            deleted[i] = true;
        } else if (line.kind == LineKind::kKey) {
            if (inFirstSection) lastKey = i;
            if (!NamesEqual(line.name, change.key)) continue;
            if (change.kind == Change::Kind::kDeleteKey) deleted[i] = true;
            if (change.kind == Change::Kind::kSetValue && replaceAt == kNone) replaceAt = i;
        }
    }

    std::string inserted;  // lines to add, each with its line end
    size_t insertAfter = kNone;
    if (change.kind == Change::Kind::kAddSection && firstHeader == kNone) {
        inserted.append("[").append(change.section).append("]").append(newline);
    } else if (change.kind == Change::Kind::kSetValue && replaceAt == kNone) {
        if (firstHeader == kNone) {
            inserted.append("[").append(change.section).append("]").append(newline);
        } else {
            insertAfter = lastKey != kNone ? lastKey : firstHeader;
        }
        inserted.append(change.key).append("=").append(change.value).append(newline);
    }

    std::string out;
    out.reserve(content.size() + inserted.size() + change.value.size() + 2);
    out.append(bom);
    auto insertHere = [&](const Line* previous) {
        if (previous != nullptr && previous->eol.empty()) out.append(newline);
        out.append(inserted);
    };
    for (size_t i = 0; i < lines.size(); ++i) {
        if (deleted[i]) continue;
        const Line& line = lines[i];
        if (i == replaceAt) {
            out.append(line.text.substr(0, line.valueOffset)).append(change.value);
        } else {
            out.append(line.text);
        }
        out.append(line.eol);
        if (i == insertAfter) insertHere(&line);
    }
    if (!inserted.empty() && insertAfter == kNone) {
        insertHere(lines.empty() ? nullptr : &lines.back());
    }
    return out;
}

// Whole read-modify-write cycles are serialized so concurrent writers do not lose updates.
std::mutex g_writeMutex;

bool ModifyFile(const std::string& requested, const Change& change) {
    std::lock_guard<std::mutex> lock(g_writeMutex);
    const std::string path = ResolveFileNameCase(requested);
    // Follow a symbolic link so that the link stays and its target gets the new contents.
    std::string target = path;
    if (char* resolved = realpath(path.c_str(), nullptr)) {
        target = resolved;
        free(resolved);
    }
    std::string content;
    struct stat info;
    const ReadResult read = ReadWholeFile(target, &content, &info);
    if (read == ReadResult::kFailed) return false;
    const bool exists = read == ReadResult::kOk;
    const bool creates =
        change.kind == Change::Kind::kSetValue || change.kind == Change::Kind::kAddSection;
    if (!exists && !creates) return true;

    const std::string updated = ApplyChange(content, change);
    if (exists && updated == content) return true;
    return ReplaceFileAtomically(target, updated, exists ? &info : nullptr);
}

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    WideToMultiByte(kCodePageUtf8, text, &out);
    return out;
}

std::wstring FromUtf8(std::string_view text) {
    std::wstring out;
    MultiByteToWide(kCodePageUtf8, text, &out);
    return out;
}

// Backs off from a cut inside a UTF-8 sequence to its first byte; at most three continuation
// bytes belong to one character, so malformed text is still cut close to the limit.
size_t Utf8CutPoint(std::string_view s, size_t limit) {
    if (limit >= s.size()) return s.size();
    size_t cut = limit;
    for (int i = 0; i < 3 && cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80; ++i) {
        --cut;
    }
    return cut;
}

// The leading decimal number, saturated to the range of int.
int ParseLeadingInt(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int64_t magnitude = 0;
    constexpr int64_t kLimit = static_cast<int64_t>(INT_MAX) + 1;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        magnitude = std::min<int64_t>(magnitude * 10 + (s[i] - '0'), kLimit);
    }
    const int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

}  // namespace

std::optional<std::string> ReadProfileValue(std::string_view section, std::string_view key,
                                            const std::string& path) {
    std::string content;
    if (ReadWholeFile(ResolveFileNameCase(path), &content) != ReadResult::kOk) return std::nullopt;
    const std::optional<std::string_view> value = FindValue(content, section, key);
    if (!value) return std::nullopt;
    return std::string(*value);
}

bool ProfileSectionExists(std::string_view section, const std::string& path) {
    std::string content;
    if (ReadWholeFile(ResolveFileNameCase(path), &content) != ReadResult::kOk) return false;
    section = Trim(section);
    LineReader reader(std::string_view(content).substr(BomOf(content).size()));
    for (Line line; reader.Next(&line);) {
        if (line.kind == LineKind::kSection && NamesEqual(line.name, section)) return true;
    }
    return false;
}

bool AddProfileSection(std::string_view section, const std::string& path) {
    if (!IsValidSection(section)) return false;
    return ModifyFile(path, {Change::Kind::kAddSection, Trim(section), {}, {}});
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, size_t size,
                                    const std::string& path) {
    if (size == 0) return {};
    std::optional<std::string> value = ReadProfileValue(section, key, path);
    std::string result = value ? std::move(*value) : std::string(TrimRight(defaultValue));
    result.resize(Utf8CutPoint(result, size - 1));
    return result;
}

std::wstring GetPrivateProfileString(std::wstring_view section, std::wstring_view key,
                                     std::wstring_view defaultValue, size_t size,
                                     std::wstring_view path) {
    if (size == 0) return {};
    const std::optional<std::string> value =
        ReadProfileValue(ToUtf8(section), ToUtf8(key), ToUtf8(path));
    std::wstring result;
    if (value) {
        result = FromUtf8(*value);
    } else {
        const size_t end = defaultValue.find_last_not_of(L" \t\r\v\f");
        result = defaultValue.substr(0, end == std::wstring_view::npos ? 0 : end + 1);
    }
    if (result.size() > size - 1) result.resize(size - 1);
    return result;
}

int GetPrivateProfileInt(std::string_view section, std::string_view key, int defaultValue,
                         const std::string& path) {
    const std::optional<std::string> value = ReadProfileValue(section, key, path);
    if (!value || value->empty()) return defaultValue;
    return ParseLeadingInt(*value);
}

int GetPrivateProfileInt(std::wstring_view section, std::wstring_view key, int defaultValue,
                         std::wstring_view path) {
    return GetPrivateProfileInt(ToUtf8(section), ToUtf8(key), defaultValue, ToUtf8(path));
}

bool WritePrivateProfileString(std::string_view section, std::optional<std::string_view> key,
                               std::optional<std::string_view> value, const std::string& path) {
    if (!IsValidSection(section)) return false;
    if (!key) return ModifyFile(path, {Change::Kind::kDeleteSection, Trim(section), {}, {}});
    if (!IsValidKey(*key)) return false;
    if (!value) return ModifyFile(path, {Change::Kind::kDeleteKey, Trim(section), Trim(*key), {}});
    if (BreaksLine(*value)) return false;
    return ModifyFile(path, {Change::Kind::kSetValue, Trim(section), Trim(*key), *value});
}

bool WritePrivateProfileString(std::wstring_view section, std::optional<std::wstring_view> key,
                               std::optional<std::wstring_view> value, std::wstring_view path) {
    const std::string narrowKey = key ? ToUtf8(*key) : std::string();
    const std::string narrowValue = value ? ToUtf8(*value) : std::string();
    return WritePrivateProfileString(
        ToUtf8(section), key ? std::optional<std::string_view>(narrowKey) : std::nullopt,
        value ? std::optional<std::string_view>(narrowValue) : std::nullopt, ToUtf8(path));
}

}  // namespace platform
