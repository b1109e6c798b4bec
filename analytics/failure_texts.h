// The reasons the installer reports with its failure task events, each cut to fit a buffer of
// 200 wide characters (199 and the terminator). Safe on any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace orvane::analytics {

inline constexpr size_t kFailureTextSize = 200;

// What a failed download says about the machine, asked in this order: network, write test,
// free space.
struct FailureProbes {
    std::function<uint32_t()> networkStatus;  // the connectivity probe's value
    std::function<bool()> packageWritable;    // the package file can be made afresh
    std::function<double()> freeGigabytes;    // free space for the user on the package's volume
};

// The probes of the running system for the package at `packagePath`.
FailureProbes SystemFailureProbes(const std::wstring& packagePath);

// Deletes the package file when it exists, then creates it afresh for reading and writing,
// closes it and deletes it again; false when a deletion or the creation fails.
bool PackageFileWritable(const std::wstring& packagePath);

// "1.code=…；2.msg=…；3.缓存磁盘容量=…G；4.缓存读写权限=可读|无权限；5.服务器连接状态code=…"
std::wstring DownloadFailureText(double code, const std::wstring& message,
                                 const FailureProbes& probes);

// ":1.code=…；2.msg=…"
std::wstring ShortFailureText(double code, const std::wstring& message);

// Formats like swprintf and keeps at most `size` - 1 characters of the result.
std::wstring FormatCut(size_t size, const wchar_t* format, ...);

}  // namespace orvane::analytics
