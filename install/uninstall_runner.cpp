#include "install/uninstall_runner.h"

#include "install/protocol_scan.h"
#include "platform/paths.h"
#include "sys/accounts.h"
#include "sys/exception.h"
#include "sys/log.h"
#include "sys/text.h"

namespace {

const wchar_t* TrueFalse(bool on) {
    return on ? L"true" : L"false";
}

void Keep(int* result, int lineResult) {
    if (lineResult != UninstallRunner::kRunGoesOn) *result = lineResult;
}

}  // namespace

UninstallRunner::UninstallRunner(StageCallback callback, std::wstring uninstallerCopy,
                                 std::wstring targetDir)
    : m_callback(std::move(callback)),
      m_uninstallerCopy(std::move(uninstallerCopy)),
      m_targetDir(std::move(targetDir)) {}

UninstallRunner::~UninstallRunner() {
    m_worker.reset();
}

std::wstring UninstallRunner::BuildCommandLine() const {
    std::wstring consoleUser;
    const bool consoleUserIsAdmin =
        Utils::GetConsoleUserName(consoleUser) && Utils::IsUserAdmin(consoleUser);
    const bool processIsAdmin = Utils::IsUserInAdminGroup();
    // Neither the copy nor the folder is quoted: the uninstaller takes everything after
    // "_?=" as its folder.
    return m_uninstallerCopy + L" /S -adminact=" + TrueFalse(consoleUserIsAdmin) +
           L" -authorizationact=" + TrueFalse(processIsAdmin) + L" -console=show _?=" + m_targetDir;
}

void UninstallRunner::Start() {
    if (m_worker) return;
    m_commandLine = BuildCommandLine();
    m_worker = std::make_unique<Utils::Thread>(this, L"UnInstaller", [](void* self) -> uint32_t {
        static_cast<UninstallRunner*>(self)->Run();
        return 0;
    });
    m_worker->Resume();
}

void UninstallRunner::Run() {
    if (!platform::PathExists(Utils::WideToNarrow(m_uninstallerCopy, 0))) {
        Notify(5004, 1.0, L"可执行卸载文件不存在");
        return;
    }
    Notify(5002, 0);
    m_textLines.Reset();
    m_byteLines.Reset();
    try {
        m_child = std::make_unique<ChildProcess>();
        m_child->ErrorPipe().Create();
        m_child->OutputPipe().Create();
        m_child->InputPipe().Create();
        m_child->Create(m_commandLine);
    } catch (const Utils::Exception& e) {
        LOG_TRACE(L"UninstallRunner::Run", L"cannot start the uninstaller: %hs", e.what());
        m_child.reset();
        Notify(5004, 2.0);
        return;
    }

    // Read to the end before judging: a "State=Fail" written just before the uninstaller
    // exits must not pass for a success.
    bool reportAtExit = true;
    m_child->ReadOutputToEnd([&](std::string_view bytes) {
        if (ParseOutput(bytes) != kRunGoesOn) reportAtExit = false;
    });
    if (FinishOutput() != kRunGoesOn) reportAtExit = false;
    m_child->Wait();
    m_child->Release();
    m_child.reset();
    if (reportAtExit) Notify(5003, 1.0);
}

int UninstallRunner::Parse(std::wstring_view chunk) {
    int result = kRunGoesOn;
    m_textLines.Feed(chunk, [&](std::wstring_view line) { Keep(&result, ParseLine(line)); });
    return result;
}

int UninstallRunner::ParseOutput(std::string_view bytes) {
    std::string withoutNul;
    if (bytes.find('\0') != std::string_view::npos) {
        for (char c : bytes)
            if (c != '\0') withoutNul += c;
        bytes = withoutNul;
    }
    int result = kRunGoesOn;
    m_byteLines.Feed(bytes, [&](std::string_view line) { Keep(&result, ParseBytesLine(line)); });
    return result;
}

int UninstallRunner::FinishOutput() {
    int result = kRunGoesOn;
    m_byteLines.Finish([&](std::string_view line) { Keep(&result, ParseBytesLine(line)); });
    m_textLines.Finish([&](std::wstring_view line) { Keep(&result, ParseLine(line)); });
    return result;
}

int UninstallRunner::ParseBytesLine(std::string_view line) {
    return ParseLine(Utils::NarrowToWide(line, static_cast<unsigned>(m_codePage)));
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
