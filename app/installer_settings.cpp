#include "app/installer_settings.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cwchar>
#include <map>
#include <optional>

#include "platform/command_line.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "sys/os_version.h"
#include "sys/text.h"

namespace {

constexpr size_t kValueBuffer = 260;  // characters, the terminator included

// The leading decimal integer (blanks skipped, optional sign); nothing without digits.
// Numbers past the 32-bit range are clamped to it rather than failing start-up.
std::optional<int> ReadInt(const std::wstring& text) {
    const wchar_t* begin = text.c_str();
    wchar_t* end = nullptr;
    errno = 0;
    const long long value = std::wcstoll(begin, &end, 10);
    if (end == begin) return std::nullopt;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// The longest decimal floating-point prefix (blanks skipped); nothing without one, and
// nothing for a value past the double range or not a number, so that no infinity or NaN
// reaches the progress arithmetic.
std::optional<double> ReadDouble(const std::wstring& text) {
    const wchar_t* begin = text.c_str();
    wchar_t* end = nullptr;
    const double value = std::wcstod(begin, &end);
    if (end == begin || !std::isfinite(value)) return std::nullopt;
    return value;
}

bool IsTrue(const std::wstring& text) {
    return text == L"true";
}

}  // namespace

void InstallerSettings::LoadSettings() {
    LoadSettings(Utils::FromUtf8(platform::ExecutablePath()));
}

void InstallerSettings::LoadSettings(const std::wstring& exePath) {
    const size_t slash = exePath.find_last_of(platform::kWidePathSeparators);
    ExeFileName = slash == std::wstring::npos ? exePath : exePath.substr(slash + 1);
    const std::wstring folder = slash == std::wstring::npos ? L"." : exePath.substr(0, slash);
    const std::wstring iniPath =
        folder + static_cast<wchar_t>(platform::kPathSeparator) + kIniFileName;

    if (platform::PathExists(Utils::ToUtf8(iniPath))) {
        auto read = [&](const wchar_t* key, const wchar_t* defaultValue) {
            return platform::GetPrivateProfileString(L"Install", key, defaultValue, kValueBuffer,
                                                     iniPath);
        };
        DownloadUrl = SubstituteRoute(read(L"DownloadUrl", kBuiltInDownloadUrl));
        DownloadType = platform::GetPrivateProfileInt(L"Install", L"DownloadType", 1, iniPath);
        IsCheckNet = IsTrue(read(L"IsCheckNet", L"true"));
        IsEnableAppAnalytics = IsTrue(read(L"IsEnableAppAnalytics", L"true"));
        DlAppNameSuffix = read(L"DlAppNameSuffix", L".downloader");
        DlAppVersion = read(L"m_DlAppVersion", L"");
        DownloadScale = ReadDouble(read(L"DownloadScale", L"0.7")).value_or(0.0);
        InstCmd = read(L"InstCmd", L"");
        AnalyticsUrl = read(L"AnalyticsUrl", L"");
    }

    // Neither layer may change the product's name and version.
    AppName = L"Collivo";
    AppVersion = L"1.7.9";
}

void InstallerSettings::ParseCommandLine() {
    ParseCommandLine(platform::ProcessCommandLine());
}

void InstallerSettings::ParseCommandLine(const std::wstring& commandLine) {
    std::map<std::wstring, std::wstring> switches;
    for (const std::wstring& element : platform::CommandLineToArgv(commandLine)) {
        const size_t equals = element.find(L'=');
        if (!element.empty() && element[0] == L'-' && equals != std::wstring::npos) {
            switches.emplace(element.substr(0, equals), element.substr(equals + 1));
        } else {
            switches.emplace(element, std::wstring());  // emplace keeps the first occurrence
        }
    }
    auto find = [&](const wchar_t* name) -> const std::wstring* {
        const auto it = switches.find(name);
        return it == switches.end() ? nullptr : &it->second;
    };

    if (const auto* v = find(L"-downloadurl")) DownloadUrl = SubstituteRoute(*v);
    if (const auto* v = find(L"-downloadtype")) DownloadType = ReadInt(*v).value_or(0);
    // Without a number the previous share stays, rather than a NaN in the progress bar.
    if (const auto* v = find(L"-downloadscale"))
        DownloadScale = ReadDouble(*v).value_or(DownloadScale);
    if (const auto* v = find(L"-ischecknet")) IsCheckNet = IsTrue(*v);
    if (const auto* v = find(L"-isenableappanalytics")) IsEnableAppAnalytics = IsTrue(*v);
    if (const auto* v = find(L"-dlappnamesuffix")) DlAppNameSuffix = *v;
    if (const auto* v = find(L"-dlappversion")) DlAppVersion = *v;
    if (const auto* v = find(L"-instcmd")) InstCmd = *v;
    if (const auto* v = find(L"-language")) Language = ReadInt(*v).value_or(0);
    if (const auto* v = find(L"-insnew")) InsNew = IsTrue(*v);
}

InstallerSettings& Settings() {
    static InstallerSettings* settings = [] {
        auto* loaded = new InstallerSettings();  // lives for the process
        loaded->LoadSettings();
        return loaded;
    }();
    return *settings;
}

std::wstring RouteForSystem(const std::wstring& osName, const std::wstring& versionName) {
    const bool xp = osName == L"Windows" && versionName.find(L"XP") != std::wstring::npos;
    return xp ? L"download_silent_xp" : L"download_silent";
}

std::wstring SubstituteRoute(const std::wstring& url) {
    if (url.find(L"${ROUTE}") == std::wstring::npos) return url;
    std::wstring name, version;
    Utils::GetOsVersionName(name, version);
    return Utils::ReplaceAll(url, L"${ROUTE}", RouteForSystem(name, version));
}
