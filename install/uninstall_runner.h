// UninstallRunner: runs the copy of an earlier installation's uninstaller silently against
// that installation's folder and turns its console lines into notifications 5002 to 5005.
// One runner serves one uninstall. Start is called once by the owner; the run and every
// notification happen on the worker thread ("UnInstaller"). Destruction waits for it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "install/console_reader.h"
#include "sys/stage_callback.h"
#include "sys/thread.h"

// Copies an earlier installation's uninstaller to the installer's temporary folder as
// "Collivo_un_asa.exe" and returns the copy's path (empty without a temporary folder). An
// earlier copy goes first, so a failed copy shows as a missing file rather than running an
// old uninstaller.
std::wstring CopyUninstallerToTempFolder(const std::wstring& uninstaller);

class UninstallRunner {
public:
    static constexpr int kRunGoesOn = 0;
    static constexpr int kRunSucceeded = 1;
    static constexpr int kRunFailed = 1000;

    UninstallRunner(StageCallback callback, std::wstring uninstallerCopy, std::wstring targetDir);
    ~UninstallRunner();
    UninstallRunner(const UninstallRunner&) = delete;
    UninstallRunner& operator=(const UninstallRunner&) = delete;

    // Builds the command line and starts the worker; returns at once. A second call does
    // nothing.
    void Start();

    // The uninstaller's command line, with both privilege probes made now.
    std::wstring BuildCommandLine() const;
    const std::wstring& CommandLine() const { return m_commandLine; }

    // As CInstaller::Parse, ParseOutput and FinishOutput, with the uninstaller's keys.
    int Parse(std::wstring_view chunk);
    int ParseOutput(std::string_view bytes);
    int FinishOutput();

    int32_t CodePage() const { return m_codePage; }

private:
    void Run();
    int ParseLine(std::wstring_view line);
    void Notify(int code, double value, const wchar_t* text = L"");

    StageCallback m_callback;
    std::wstring m_commandLine;
    std::wstring m_uninstallerCopy;
    std::wstring m_targetDir;
    int32_t m_codePage = 0;
    std::unique_ptr<Utils::Thread> m_worker;
    ConsoleReader m_reader{[this](std::wstring_view line) { return ParseLine(line); }, &m_codePage};
};
