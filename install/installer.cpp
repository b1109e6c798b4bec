#include "install/installer.h"

#include "install/protocol_scan.h"
#include "sys/exception.h"
#include "sys/log.h"
#include "sys/text.h"

namespace {

const wchar_t* TrueFalse(bool on) {
    return on ? L"true" : L"false";
}
}  // namespace

CInstaller::CInstaller(StageCallback callback, std::wstring package, std::wstring installDir,
                       bool desktopShortcut, bool quickLaunchShortcut, bool consoleUserIsAdmin)
    : m_callback(std::move(callback)),
      m_package(std::move(package)),
      m_installDir(std::move(installDir)),
      m_quickLaunchShortcut(quickLaunchShortcut),
      m_desktopShortcut(desktopShortcut),
      m_consoleUserIsAdmin(consoleUserIsAdmin) {}

CInstaller::~CInstaller() {
    // A package has no time limit, but closing the installer must not wait for one that hangs.
    Stop();
    m_worker.Shutdown();
}

std::wstring CInstaller::BuildCommandLine() const {
    std::wstring line = m_package;
    line += L" /S -console=show -version=1.0.0";
    line += L" -adminact=";
    line += TrueFalse(m_consoleUserIsAdmin);
    line += L" -authorizationact=";
    line += TrueFalse(m_processIsAdmin);
    line += L" -dsc=";
    line += TrueFalse(m_desktopShortcut);
    line += L" -ssc=";
    line += TrueFalse(m_quickLaunchShortcut);
    if (!m_installLanguage.empty()) line += L" -inslang=\"" + m_installLanguage + L"\"";
    if (!m_extraArguments.empty()) line += L" " + m_extraArguments;
    if (!m_installDir.empty()) {
        line += L" -instdir=\"" + m_installDir + L"\"";
        // The package takes everything after "/D=" as the folder, blanks included, so it
        // comes last and unquoted.
        line += L" /D=" + m_installDir;
    }
    return line;
}

void CInstaller::Start() {
    // The earlier worker still reads the command line, so it ends before a new one is built.
    m_worker.Join();
    m_commandLine = BuildCommandLine();
    m_worker.Start(L"ABDEF", [this] { Run(); });
}

void CInstaller::Join() {
    m_worker.Join();
}

void CInstaller::Run() {
    if (m_reader.StopRequested()) return;
    Notify(2001, 0);
    if (m_package.empty()) {
        Notify(2004, 1.0);
        return;
    }
    Notify(2002, 0);
    std::string error;
    // Every line is read and handled, a final one included, before the run is judged: a
    // failure reported just before the child exits must not pass for a success.
    switch (m_reader.RunToEnd(m_commandLine, &error)) {
        case ConsoleReader::Outcome::kNotStarted:
            LOG_TRACE(L"CInstaller::Run", L"cannot start the package: %ls",
                      Utils::LogText(error).c_str());
            Notify(2004, 2.0);
            break;
        case ConsoleReader::Outcome::kEndedSilently:
            Notify(2003, 1.0);
            break;
        case ConsoleReader::Outcome::kEndedByReport:
        case ConsoleReader::Outcome::kStopped:  // broken off, not decided: nothing to report
            break;
    }
}

int CInstaller::Parse(std::wstring_view chunk) {
    return m_reader.FeedText(chunk);
}

int CInstaller::ParseOutput(std::string_view bytes) {
    return m_reader.FeedBytes(bytes);
}

int CInstaller::FinishOutput() {
    return m_reader.Finish();
}

int CInstaller::ParseLine(std::wstring_view line) {
    using namespace protocol_scan;
    std::wstring_view rest;
    auto is = [&](std::wstring_view key) {
        if (!HasKey(line, key)) return false;
        rest = line.substr(key.size());
        return true;
    };
    // Delays are 32-bit numbers the window uses as unsigned timer periods, so -1 is the
    // longest period rather than a negative one.
    auto delay = [&]() {
        int32_t n = 0;
        Int32(rest, &n);
        return static_cast<double>(static_cast<uint32_t>(n));
    };

    if (is(L"Progress=")) {
        Notify(2002, Number(rest));
    } else if (is(L"InstPath=")) {
        Notify(3000, 0, Text(rest).c_str());
    } else if (is(L"State=")) {
        const std::wstring state = Utils::Trim(Text(rest));
        if (state == L"Success") {
            Notify(2003, 0);
            return kRunSucceeded;
        }
        if (state == L"Fail") {
            Notify(2004, 0, L"安装包安装失败");
            return kRunFailed;
        }
    } else if (is(L"InstallVersion=")) {
        // As "%d.%d.%d" reads: each number read is stored, up to the first that is missing.
        size_t used = Int32(rest, &m_versionMajor);
        if (used == 0 || rest.substr(used, 1) != L".") return kRunGoesOn;
        rest = rest.substr(used + 1);
        used = Int32(rest, &m_versionMinor);
        if (used == 0 || rest.substr(used, 1) != L".") return kRunGoesOn;
        Int32(rest.substr(used + 1), &m_versionPatch);
    } else if (is(L"ExePath=")) {
        const std::wstring value = Text(rest);
        LOG_TRACE(L"CInstaller::Parse", L"ExePath: %ls", value.c_str());
        Notify(3001, 0, value.c_str());
    } else if (is(L"StartExe=")) {
        Notify(3001, 0, Text(rest).c_str());
    } else if (is(L"UninstExePath=")) {
        Notify(3002, 0, Text(rest).c_str());
    } else if (is(L"UninstExe=")) {
        Notify(3002, 0, Text(rest).c_str());
    } else if (is(L"UninstEp=")) {
        Notify(3003, 0, Text(rest).c_str());
    } else if (is(L"Error=")) {
        Notify(2004, 1000.0, Text(rest).c_str());
        return kRunFailed;
    } else if (is(L"TopShowDetention=")) {
        Notify(3007, delay());
    } else if (is(L"FinsihCloseDetention=")) {
        Notify(3008, delay());
    } else if (is(L"StartUrl=")) {
        Notify(3004, 0, Text(rest).c_str());
    } else if (is(L"StartupStyle=")) {
        const std::wstring style = Utils::Trim(Text(rest));
        double number = 0;
        if (style == L"AutoStartup") {
            number = 1;
        } else if (style == L"UserStartup") {
            number = 2;
        }
        Notify(3005, number);
    } else if (is(L"Encode=")) {
        m_codePage = CodePageOf(Text(rest));
    } else if (is(L"Message=")) {
        Notify(3009, 0, Text(rest).c_str());
    }
    return kRunGoesOn;
}

void CInstaller::Notify(int code, double value, const wchar_t* text) {
    if (m_callback) m_callback(code, value, text);
}
