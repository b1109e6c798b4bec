// UninstallRunner: runs the copy of an earlier installation's uninstaller silently against
// that installation's folder and turns its console lines into notifications 5002 to 5005.
// One runner serves one uninstall. Start is called once by the owner; the run and every
// notification happen on the worker thread ("UnInstaller"). Destruction ends an uninstaller
// still running, with its process group, or a wait before it, and waits for the worker; an
// owner that wants the run to finish calls Join first.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "install/console_reader.h"
#include "install/run_result.h"
#include "install/uninstaller_copy.h"
#include "sys/restartable_worker.h"
#include "sys/stage_callback.h"

class UninstallRunner : public RunResult {
public:
    // Runs the file at `uninstallerCopy`, which stays where it is.
    UninstallRunner(StageCallback callback, std::wstring uninstallerCopy, std::wstring targetDir);
    // Runs `copy` and removes it when the run ends (an empty copy reports the file missing).
    UninstallRunner(StageCallback callback, UninstallerCopy copy, std::wstring targetDir);
    ~UninstallRunner();
    UninstallRunner(const UninstallRunner&) = delete;
    UninstallRunner& operator=(const UninstallRunner&) = delete;

    // Before it runs the uninstaller, the worker waits while `mustWait` holds, asking every
    // 100 ms (for a product that must end first). Set before Start.
    void HoldBackWhile(std::function<bool()> mustWait) { m_holdBack = std::move(mustWait); }

    // Builds the command line and starts the worker; returns at once. A second call does
    // nothing.
    void Start();
    // Waits without limit for the run to end. Not from a notification.
    void Join();
    // Ends the run (the wait before it, or the uninstaller and its process group); does not
    // wait. From any thread.
    void Stop() {
        m_reader.RequestStop();
        m_worker.Stop();
    }

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
    bool m_started = false;
    UninstallerCopy m_ownCopy;  // empty when the runner was handed a path only
    std::function<bool()> m_holdBack;
    ConsoleReader m_reader{[this](std::wstring_view line) { return ParseLine(line); }, &m_codePage};
    Utils::RestartableWorker m_worker;
};
