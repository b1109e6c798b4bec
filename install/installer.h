// CInstaller: runs the downloaded full setup package silently and turns its console protocol
// into notifications. The owner sets the fields and calls Start from any one thread; the run
// and every notification happen on the runner's worker thread ("ABDEF"). Destruction ends a
// package still running, with its process group, and waits for the worker; an owner that
// wants the run to finish calls Join first.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "install/console_reader.h"
#include "install/run_result.h"
#include "sys/restartable_worker.h"
#include "sys/stage_callback.h"

class CInstaller : public RunResult {
public:
    // `package` is the package path already enclosed in double quotes.
    CInstaller(StageCallback callback, std::wstring package, std::wstring installDir,
               bool desktopShortcut = true, bool quickLaunchShortcut = true,
               bool consoleUserIsAdmin = true);
    ~CInstaller();
    CInstaller(const CInstaller&) = delete;
    CInstaller& operator=(const CInstaller&) = delete;

    void SetInstallDir(std::wstring installDir) { m_installDir = std::move(installDir); }
    void SetDesktopShortcut(bool on) { m_desktopShortcut = on; }
    void SetQuickLaunchShortcut(bool on) { m_quickLaunchShortcut = on; }
    void SetConsoleUserIsAdmin(bool on) { m_consoleUserIsAdmin = on; }
    void SetProcessIsAdmin(bool on) { m_processIsAdmin = on; }
    void SetInstallLanguage(std::wstring language) { m_installLanguage = std::move(language); }
    // Arguments added to the package's command line as they stand (the InstCmd setting).
    void SetExtraArguments(std::wstring arguments) { m_extraArguments = std::move(arguments); }

    // Waits without limit for the worker of an earlier start, builds the command line and
    // starts a new worker. Returns at once.
    void Start();
    // Waits without limit for the run of the last Start to end. Not from a notification.
    void Join();
    // Ends the current run, ending the package and its process group, and makes any later
    // Start end at once; does not wait. From any thread.
    void Stop() {
        m_reader.RequestStop();
        m_worker.Stop();
    }

    // The package's command line from the current fields.
    std::wstring BuildCommandLine() const;
    const std::wstring& CommandLine() const { return m_commandLine; }

    // Handles the lines that a piece of decoded output completes, keeping an unfinished last
    // line for the next call. Returns the result of the last line that ended the run, else
    // kRunGoesOn.
    int Parse(std::wstring_view chunk);
    // Handles the lines that a piece of raw output completes, each decoded with the code page
    // in force when the line began (so "Encode=" takes effect from the next line); the
    // unfinished last line, with any character cut in two, waits for the next call. NUL
    // bytes are dropped. Returns as Parse does.
    int ParseOutput(std::string_view bytes);
    // At the end of the output: handles an unfinished last line of either form. Returns as
    // Parse does.
    int FinishOutput();

    int32_t CodePage() const { return m_codePage; }
    int32_t VersionMajor() const { return m_versionMajor; }
    int32_t VersionMinor() const { return m_versionMinor; }
    int32_t VersionPatch() const { return m_versionPatch; }

private:
    void Run();
    int ParseLine(std::wstring_view line);
    void Notify(int code, double value, const wchar_t* text = L"");

    StageCallback m_callback;
    std::wstring m_package;
    std::wstring m_installDir;
    std::wstring m_commandLine;
    bool m_quickLaunchShortcut;
    bool m_desktopShortcut;
    int32_t m_codePage = 0;
    int32_t m_versionMajor = 0;
    int32_t m_versionMinor = 0;
    int32_t m_versionPatch = 0;
    bool m_consoleUserIsAdmin;
    bool m_processIsAdmin = true;
    std::wstring m_installLanguage;
    std::wstring m_extraArguments;
    ConsoleReader m_reader{[this](std::wstring_view line) { return ParseLine(line); }, &m_codePage};
    Utils::RestartableWorker m_worker;
};
