#include "analytics/failure_texts.h"

#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <vector>

#include "platform/paths.h"
#include "sys/disk_space.h"
#include "sys/network_check.h"
#include "sys/text.h"

namespace orvane::analytics {
namespace {

constexpr double kGigabyte = 1024.0 * 1024.0 * 1024.0;

// The notification's value as the integer it carries; a value past the range of long (or not
// a number) gives the nearest end (or 0) instead of an undefined conversion.
long CutToLong(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(LONG_MAX)) return LONG_MAX;
    if (value <= static_cast<double>(LONG_MIN)) return LONG_MIN;
    return static_cast<long>(value);
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(platform::kWidePathSeparators);
    if (slash == std::wstring::npos) return L".";
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

}  // namespace

std::wstring FormatCut(size_t size, const wchar_t* format, ...) {
    if (size == 0) return {};
    // vswprintf reports only failure, not the length it needed: grow until the text fits.
    std::vector<wchar_t> buffer(256);
    for (;;) {
        va_list args;
        va_start(args, format);
        const int written = std::vswprintf(buffer.data(), buffer.size(), format, args);
        va_end(args);
        if (written >= 0) {
            std::wstring text(buffer.data(), static_cast<size_t>(written));
            if (text.size() > size - 1) text.resize(size - 1);
            return text;
        }
        if (buffer.size() >= (1u << 20)) return {};  // a format that can never be written
        buffer.resize(buffer.size() * 4);
    }
}

bool PackageFileWritable(const std::wstring& packagePath) {
    const std::string narrowPath = Utils::ToUtf8(packagePath);
    const std::filesystem::path path = platform::FsPath(narrowPath);
    std::error_code error;
    if (std::filesystem::exists(path, error)) {
        // Only a file is deleted: a folder of that name (even an empty one) stays and fails.
        if (std::filesystem::is_directory(path, error)) return false;
        if (!std::filesystem::remove(path, error)) return false;
    }
    std::FILE* file = platform::OpenStream(narrowPath, "w+b");
    if (file == nullptr) return false;
    std::fclose(file);
    return std::filesystem::remove(path, error);
}

FailureProbes SystemFailureProbes(const std::wstring& packagePath) {
    FailureProbes probes;
    probes.networkStatus = [] { return Utils::CheckNetwork(); };
    probes.packageWritable = [packagePath] { return PackageFileWritable(packagePath); };
    probes.freeGigabytes = [packagePath] {
        Utils::HardDiskManager disk;
        if (!disk.CheckFreeSpace(FolderOf(packagePath))) return 0.0;
        return static_cast<double>(disk.freeBytesAvailable) / kGigabyte;
    };
    return probes;
}

std::wstring DownloadFailureText(double code, const std::wstring& message,
                                 const FailureProbes& probes) {
    const int32_t network = static_cast<int32_t>(probes.networkStatus());
    const bool writable = probes.packageWritable();
    const double freeGigabytes = probes.freeGigabytes();
    return FormatCut(kFailureTextSize,
                     L"1.code=%ld；2.msg=%ls；3.缓存磁盘容量=%.2fG；4.缓存读写权限=%ls；"
                     L"5.服务器连接状态code=%d",
                     CutToLong(code), message.c_str(), freeGigabytes,
                     writable ? L"可读" : L"无权限", static_cast<int>(network));
}

std::wstring ShortFailureText(double code, const std::wstring& message) {
    return FormatCut(kFailureTextSize, L":1.code=%ld；2.msg=%ls", CutToLong(code), message.c_str());
}

}  // namespace orvane::analytics
