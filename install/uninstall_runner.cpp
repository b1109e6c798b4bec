#include "install/uninstall_runner.h"

#include <chrono>

#include "install/protocol_scan.h"
#include "platform/command_line.h"
#include "platform/paths.h"
#include "sys/accounts.h"
#include "sys/exception.h"
#include "sys/log.h"
#include "sys/text.h"

namespace {

const wchar_t* TrueFalse(bool on) {
    return on ? L"true" : L"false";
}
}  // namespace

UninstallRunner::UninstallRunner(StageCallback callback, std::wstring uninstallerCopy,
                                 std::wstring targetDir)
    : m_callback(std::move(callback)),
      m_uninstallerCopy(std::move(uninstallerCopy)),
      m_targetDir(std::move(targetDir)) {}

UninstallRunner::UninstallRunner(StageCallback callback, UninstallerCopy copy,
                                 std::wstring targetDir)
    : UninstallRunner(std::move(callback), copy.Path(), std::move(targetDir)) {
    m_ownCopy = std::move(copy);
}

UninstallRunner::~UninstallRunner() {
    // Neither an uninstaller that hangs nor a product that stays open may keep the installer
    // from closing.
    Stop();
    m_worker.Shutdown();
}

std::wstring UninstallRunner::BuildCommandLine() const {
    std::wstring consoleUser;
    const bool consoleUserIsAdmin =
        Utils::GetConsoleUserName(consoleUser) && Utils::IsUserAdmin(consoleUser);
    const bool processIsAdmin = Utils::IsUserInAdminGroup();
    // The copy is quoted when it must be (the temporary folder may hold a blank); the folder
    // never is: the uninstaller takes everything after "_?=" as its folder.
    return platform::JoinCommandLine({m_uninstallerCopy}) + L" /S -adminact=" +
           TrueFalse(consoleUserIsAdmin) + L" -authorizationact=" + TrueFalse(processIsAdmin) +
           L" -console=show _?=" + m_targetDir;
}

void UninstallRunner::Start() {
    if (m_started) return;
    m_started = true;
    m_commandLine = BuildCommandLine();
    m_worker.Start(L"UnInstaller", [this] { Run(); });
}

void UninstallRunner::Join() {
    m_worker.Join();
}

void UninstallRunner::Run() {
    while (m_holdBack && m_holdBack()) {
        if (!m_worker.Pause(std::chrono::milliseconds(100))) return;  // stopped
    }
    if (m_reader.StopRequested()) return;
    if (!platform::PathExists(Utils::ToUtf8(m_uninstallerCopy))) {
        Notify(5004, 1.0, L"可执行卸载文件不存在");
        return;
    }
    Notify(5002, 0);
    std::string error;
    // Every line is read and handled, a final one included, before the run is judged: a
    // failure reported just before the child exits must not pass for a success.
    const ConsoleReader::Outcome outcome = m_reader.RunToEnd(m_commandLine, &error);
    // Its work is done, and the last word below may start the next stage.
    m_ownCopy.Remove();
    switch (outcome) {
        case ConsoleReader::Outcome::kNotStarted:
            LOG_TRACE(L"UninstallRunner::Run", L"cannot start the uninstaller: %ls",
                      Utils::LogText(error).c_str());
            Notify(5004, 2.0);
            break;
        case ConsoleReader::Outcome::kEndedSilently:
            Notify(5003, 1.0);
            break;
        case ConsoleReader::Outcome::kEndedByReport:
        case ConsoleReader::Outcome::kStopped:  // broken off, not decided: nothing to report
            break;
    }
}

int UninstallRunner::Parse(std::wstring_view chunk) {
    return m_reader.FeedText(chunk);
}

int UninstallRunner::ParseOutput(std::string_view bytes) {
    return m_reader.FeedBytes(bytes);
}

int UninstallRunner::FinishOutput() {
    return m_reader.Finish();
}

int UninstallRunner::ParseLine(std::wstring_view line) {
    using namespace protocol_scan;
    std::wstring_view rest;
    auto is = [&](std::wstring_view key) {
        if (!HasKey(line, key)) return false;
        rest = line.substr(key.size());
        return true;
    };
    if (is(L"Progress=")) {
        Notify(5002, Number(rest));
    } else if (is(L"Error=")) {
        Notify(5005, 0, Text(rest).c_str());
        return kRunFailed;
    } else if (is(L"State=")) {
        const std::wstring state = Utils::Trim(Text(rest));
        if (state == L"Success") {
            Notify(5003, 0);
            return kRunSucceeded;
        }
        if (state == L"Fail") {
            Notify(5005, 0, L"安装包卸载失败");
            return kRunFailed;
        }
    } else if (is(L"Encode=")) {
        // Only UTF-8 can be asked for here; any other value means the ANSI page.
        m_codePage = Utils::Trim(Text(rest)) == L"UTF8" ? 65001 : 0;
    }
    return kRunGoesOn;
}

void UninstallRunner::Notify(int code, double value, const wchar_t* text) {
    if (m_callback) m_callback(code, value, text);
}
