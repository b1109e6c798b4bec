// Both runners with real child processes: the demo package, its uninstaller and product, and
// the test helper standing in for a package or an uninstaller.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "install/child_process.h"
#include "install/installer.h"
#include "install/uninstall_runner.h"
#include "sys/accounts.h"
#include "sys/text.h"
#include "tests/install/notification_recorder.h"
#include "tests/install/process_probe.h"
#include "tests/install/test_programs.h"
#include "tests/support/log_capture.h"
#include "tests/support/scratch_folder.h"

namespace {

using namespace std::chrono_literals;
using install_test::DestroyedWithin;
using install_test::EndsWithin;
using install_test::Eventually;
using install_test::Gone;
using install_test::kExe;
using install_test::KillProcess;
using install_test::Notification;
using install_test::Recorder;
using testing_support::ScratchFolder;
namespace fs = std::filesystem;

constexpr auto kRunLimit = 90s;
// How soon a run that starts a program which starts another and ends ends itself: under Wine
// (on qemu) the two programs alone take about 3 s to come up.
#ifdef _WIN32
constexpr auto kQuickEnd = 10s;
#else
constexpr auto kQuickEnd = 2s;
#endif

const std::string kHelperPath = install_test::HelperPath();
const std::string kDemoPackagePath = install_test::DemoPackagePath();

std::wstring Wide(const std::string& text) {
    return Utils::FromUtf8(text);
}

// A path written with "/" in the system's own separators.
std::string Native(std::string path) {
    std::replace(path.begin(), path.end(), '/', platform::kPathSeparator);
    return path;
}

// The text as a program that declares no encoding can write it and the runners read it back:
// through the ANSI page (UTF-8 on Linux, a page that may not hold it on Windows).
std::wstring ThroughAnsi(const wchar_t* text) {
    return Utils::NarrowToWide(Utils::WideToNarrow(text, 0), 0);
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(platform::FsPath(path));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The ids a helper copy wrote to "<its path>.pids".
std::vector<uint32_t> ReadPids(const std::string& program) {
    std::vector<uint32_t> pids;
    for (const std::string& line : ReadLines(program + ".pids"))
        pids.push_back(static_cast<uint32_t>(std::stoul(line)));
    return pids;
}

// The two runners, for cases that hold for both: which codes start and end their runs.
enum class Stage { kPackage, kUninstall };

struct StageCodes {
    const char* name;
    std::vector<Notification> start;  // what a run that starts its program reports first
    int success;
    int failure;
};

StageCodes CodesOf(Stage stage) {
    if (stage == Stage::kPackage) return {"package", {{2001, 0, L""}, {2002, 0, L""}}, 2003, 2004};
    return {"uninstaller", {{5002, 0, L""}}, 5003, 5005};
}

// A runner of either kind; destroying it destroys the runner.
struct AnyRunner {
    void Join() {
        if (package) package->Join();
        if (uninstall) uninstall->Join();
    }
    std::unique_ptr<CInstaller> package;
    std::unique_ptr<UninstallRunner> uninstall;
};

// The scratch folder and runs that always end.
class RunnerTest : public ::testing::Test {
protected:
    // Runs a package into `folder` with `instCmd` and returns what it reported.
    std::shared_ptr<Recorder> RunPackage(const std::wstring& package, const std::string& folder,
                                         const std::wstring& instCmd = L"") {
        auto recorder = Recorder::Make();
        auto runner = std::make_unique<CInstaller>(recorder->Callback(), package, Wide(folder));
        runner->SetExtraArguments(instCmd);
        runner->Start();
        EXPECT_TRUE(EndsWithin(std::move(runner), kRunLimit)) << "the package run did not end";
        return recorder;
    }

    std::shared_ptr<Recorder> RunUninstaller(const std::string& copy, const std::string& folder) {
        auto recorder = Recorder::Make();
        auto runner =
            std::make_unique<UninstallRunner>(recorder->Callback(), Wide(copy), Wide(folder));
        runner->Start();
        EXPECT_TRUE(EndsWithin(std::move(runner), kRunLimit)) << "the uninstall did not end";
        return recorder;
    }

    // Copies the installed uninstaller away, as the installer does before running it.
    std::string CopyUninstaller(const std::string& folder) {
        const std::string copy = m_scratch / "Collivo_un_asa.exe";
        // Removed first: the C++ library for Windows takes any two files for the same one, and
        // refuses to copy one over the other.
        fs::remove(platform::FsPath(copy));
        fs::copy_file(platform::FsPath(folder + Native("/uninst.ep")), platform::FsPath(copy));
        return copy;
    }

    static std::wstring DemoPackage() { return L"\"" + Wide(kDemoPackagePath) + L"\""; }

    // A copy of the test helper named `name` (which chooses its behaviour), in a folder of
    // its own so that the files it writes beside itself are fresh.
    std::string HelperCopy(const std::string& name) {
        const std::string folder = m_scratch / ("helper" + std::to_string(++m_copies));
        fs::create_directories(platform::FsPath(folder));
        const std::string program = folder + platform::kPathSeparator + name + kExe;
        fs::copy_file(platform::FsPath(kHelperPath), platform::FsPath(program));
        return program;
    }

    // Starts the runner of `stage` on `program` (the uninstaller against a folder that does not
    // matter to these programs).
    std::unique_ptr<AnyRunner> StartRunner(Stage stage, const std::string& program,
                                           const std::shared_ptr<Recorder>& recorder) {
        auto runner = std::make_unique<AnyRunner>();
        if (stage == Stage::kPackage) {
            runner->package = std::make_unique<CInstaller>(
                recorder->Callback(), L"\"" + Wide(program) + L"\"", Wide(m_scratch / "target"));
            runner->package->Start();
        } else {
            runner->uninstall = std::make_unique<UninstallRunner>(
                recorder->Callback(), Wide(program), Wide(m_scratch / "target"));
            runner->uninstall->Start();
        }
        return runner;
    }

    testing_support::LogCapture m_quiet;
    ScratchFolder m_scratch;
    int m_copies = 0;
};

TEST_F(RunnerTest, DemoPackageInstallsAndItsUninstallerRemovesIt) {
    const std::string folder = m_scratch / Native("Program Files/Collivo");
    const auto installed = RunPackage(DemoPackage(), folder);
    const auto seen = installed->Seen();
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[0], (Notification{2001, 0, L""}));
    EXPECT_EQ(seen[1], (Notification{2002, 0, L""}));
    EXPECT_EQ(seen.back(), (Notification{2003, 0, L""}));
    const std::wstring dir = Wide(folder);
    for (const Notification& expected :
         std::vector<Notification>{{3000, 0, dir},
                                   {3001, 0, dir + Wide(Native("/Collivo.exe"))},
                                   {3002, 0, dir + Wide(Native("/uninst.ep"))},
                                   {3003, 0, dir + Wide(Native("/uninst.ep"))},
                                   {3004, 0, L""},
                                   {3005, 2, L""},
                                   {3007, 1000, L""},
                                   {3008, 0, L""},
                                   {2002, 1, L""}}) {
        EXPECT_NE(std::find(seen.begin(), seen.end(), expected), seen.end()) << expected;
    }
    EXPECT_TRUE(installed->WithCode(2004).empty());
    EXPECT_GT(fs::file_size(platform::FsPath(kDemoPackagePath)), 1u << 20);

    // The installed product runs.
    {
        ChildProcess product;
        product.ErrorPipe().Create();
        product.OutputPipe().Create();
        product.InputPipe().Create();
        product.Create(L"\"" + dir + Wide(Native("/Collivo.exe")) + L"\"");
        std::string out;
        product.ReadOutputToEnd([&out](std::string_view bytes) { out += bytes; });
        ASSERT_TRUE(product.Wait(10000));
        EXPECT_NE(out.find("running from " + folder), std::string::npos) << out;
        EXPECT_TRUE(fs::exists(platform::FsPath(folder + Native("/Collivo.run"))));
    }

    const auto removed = RunUninstaller(CopyUninstaller(folder), folder);
    const auto steps = removed->Seen();
    ASSERT_GE(steps.size(), 2u);
    EXPECT_EQ(steps.front(), (Notification{5002, 0, L""}));
    EXPECT_EQ(steps.back(), (Notification{5003, 0, L""}));
    EXPECT_FALSE(fs::exists(platform::FsPath(folder)));
    EXPECT_TRUE(fs::exists(platform::FsPath(m_scratch / "Program Files")));
}

TEST_F(RunnerTest, PackageOutcomesAreReadToTheEndOfItsOutput) {
    struct Case {
        const wchar_t* instCmd;
        std::vector<Notification> required;  // in this order, among the others
        std::vector<int> forbidden;          // codes that must not come
        bool exitSuccess;                    // (2003, 1.0) comes
    } cases[] = {
        // Nothing printed: the end of the child is the success.
        {L"--demo-silent", {{2001, 0, L""}, {2002, 0, L""}, {2003, 1, L""}}, {2004}, true},
        // 1 MiB after the final line: the package never stalls on a full pipe.
        {L"--demo-flood=1048576", {{2003, 0, L""}}, {2004}, false},
        // Regression: a failure written after a lot of output, just before the package exits,
        // was lost and the run counted as a success.
        {L"--demo-noise=262144 --demo-fail", {{2004, 0, L"安装包安装失败"}}, {2003}, false},
        {L"--demo-error=\"磁盘空间 不足\"",
         {{2004, 1000, ThroughAnsi(L"磁盘空间 不足")}},
         {2003},
         false},
        {L"--demo-message=\"hello world\"",
         {{3009, 0, L"hello world"}, {2003, 0, L""}},
         {2004},
         false},
        {L"--demo-gbk --demo-message=安装完成",
         {{3009, 0, L"安装完成"}, {2003, 0, L""}},
         {2004},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.instCmd));
        const std::string folder = m_scratch / "case";
        const auto recorder = RunPackage(DemoPackage(), folder, c.instCmd);
        const auto seen = recorder->Seen();
        auto at = seen.begin();
        for (const auto& expected : c.required) {
            at = std::find(at, seen.end(), expected);
            ASSERT_NE(at, seen.end()) << "missing " << expected;
        }
        for (int code : c.forbidden)
            EXPECT_TRUE(recorder->WithCode(code).empty()) << code;
        EXPECT_EQ(recorder->Has(2003, 1.0), c.exitSuccess);
        fs::remove_all(platform::FsPath(folder));
    }
}

TEST_F(RunnerTest, SecondStartWaitsForTheFirstRunAndUsesTheNewFolder) {
    const std::string first = m_scratch / "first";
    const std::string second = m_scratch / "second";
    auto recorder = Recorder::Make();
    auto runner = std::make_unique<CInstaller>(recorder->Callback(), DemoPackage(), Wide(first));
    runner->Start();
    runner->SetInstallDir(Wide(second));
    runner->Start();
    ASSERT_TRUE(EndsWithin(std::move(runner), kRunLimit));
    const auto paths = recorder->WithCode(3000);
    EXPECT_EQ(paths, (std::vector<Notification>{{3000, 0, Wide(first)}, {3000, 0, Wide(second)}}));
    EXPECT_EQ(recorder->WithCode(2001).size(), 2u);
    EXPECT_EQ(recorder->WithCode(2003).size(), 2u);
    EXPECT_TRUE(fs::exists(platform::FsPath(first + Native("/Collivo.exe"))));
    EXPECT_TRUE(fs::exists(platform::FsPath(second + Native("/Collivo.exe"))));
}

TEST_F(RunnerTest, PackageThatCannotStartFails) {
    const std::string longFolder = m_scratch / std::string(1000, 'd');
    struct Case {
        std::wstring package;
        std::string folder;
        std::vector<Notification> expected;
    } cases[] = {
        {L"\"" + Wide(m_scratch / "missing.exe") + L"\"",
         m_scratch / "f",
         {{2001, 0, L""}, {2002, 0, L""}, {2004, 2.0, L""}}},
        // A command line of 1024 characters or more does not fit.
        {DemoPackage(), longFolder, {{2001, 0, L""}, {2002, 0, L""}, {2004, 2.0, L""}}},
        {L"", m_scratch / "f", {{2001, 0, L""}, {2004, 1.0, L""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.package));
        EXPECT_EQ(RunPackage(c.package, c.folder)->Seen(), c.expected);
    }
}

TEST_F(RunnerTest, PackageGetsItsSwitchesAndTheFolderWithBlanksLast) {
    const std::string program = m_scratch / Native("my packages/record-args") + kExe;
    fs::create_directories(platform::FsPath(m_scratch / "my packages"));
    fs::copy_file(platform::FsPath(kHelperPath), platform::FsPath(program));
    const std::string folder = m_scratch / "a b";
    auto recorder = Recorder::Make();
    auto runner = std::make_unique<CInstaller>(recorder->Callback(), L"\"" + Wide(program) + L"\"",
                                               Wide(folder), true, false, true);
    runner->SetExtraArguments(L"--demo-x \"q r\"");
    runner->SetProcessIsAdmin(false);
    runner->SetInstallLanguage(L"zh_CN");
    runner->Start();
    ASSERT_TRUE(EndsWithin(std::move(runner), kRunLimit));
    EXPECT_EQ(ReadLines(program + ".args"),
              (std::vector<std::string>{"/S", "-console=show", "-version=1.0.0", "-adminact=true",
                                        "-authorizationact=false", "-dsc=true", "-ssc=false",
                                        "-inslang=zh_CN", "--demo-x", "q r", "-instdir=" + folder,
                                        "/D=" + m_scratch / "a", "b"}));
    EXPECT_EQ(recorder->Seen().back(), (Notification{2003, 1.0, L""}));
}

// Regression: the copy's path went into the command line unquoted, so a temporary folder with a
// blank split it and the uninstaller could not start (5004, 2.0).
TEST_F(RunnerTest, UninstallerInAFolderWithBlanksGetsTheTargetUnquotedAfterItsSwitches) {
    fs::create_directories(platform::FsPath(m_scratch / "temp dir"));
    const std::string copy = m_scratch / Native("temp dir/record-args") + kExe;
    fs::copy_file(platform::FsPath(kHelperPath), platform::FsPath(copy));
    std::wstring consoleUser;
    const bool consoleAdmin =
        Utils::GetConsoleUserName(consoleUser) && Utils::IsUserAdmin(consoleUser);
    const bool processAdmin = Utils::IsUserInAdminGroup();

    const auto recorder = RunUninstaller(copy, m_scratch / "old  install");
    EXPECT_EQ(recorder->Seen(), (std::vector<Notification>{{5002, 0, L""}, {5003, 1.0, L""}}));
    EXPECT_EQ(ReadLines(copy + ".args"),
              (std::vector<std::string>{
                  "/S", std::string("-adminact=") + (consoleAdmin ? "true" : "false"),
                  std::string("-authorizationact=") + (processAdmin ? "true" : "false"),
                  "-console=show", "_?=" + m_scratch / "old", "install"}));
}

TEST_F(RunnerTest, UninstallerThatIsMissingOrCannotStartFails) {
    struct Case {
        std::string copy;
        std::string folder;
        std::vector<Notification> expected;
    } cases[] = {
        {m_scratch / "Collivo_un_asa.exe",
         m_scratch / "old",
         {{5004, 1.0, L"可执行卸载文件不存在"}}},
        {"", m_scratch / "old", {{5004, 1.0, L"可执行卸载文件不存在"}}},
        {kHelperPath, m_scratch / std::string(1000, 'd'), {{5002, 0, L""}, {5004, 2.0, L""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.copy);
        EXPECT_EQ(RunUninstaller(c.copy, c.folder)->Seen(), c.expected);
    }
}

TEST_F(RunnerTest, UninstallerOutcomesAreReadToTheEndOfItsOutput) {
    struct Case {
        const wchar_t* instCmd;  // the package records the uninstaller's switches
        std::vector<Notification> required;
        std::vector<int> forbidden;
        bool removed;
    } cases[] = {
        {L"--demo-uninst-silent", {{5002, 0, L""}, {5003, 1.0, L""}}, {5004, 5005}, true},
        {L"--demo-uninst-flood=1048576", {{5003, 0, L""}}, {5004, 5005}, true},
        // Regression: a failure written just before the uninstaller exits was lost.
        {L"--demo-uninst-noise=262144 --demo-uninst-fail",
         {{5005, 0, L"安装包卸载失败"}},
         {5003},
         false},
        {L"--demo-uninst-error=locked", {{5005, 0, L"locked"}}, {5003}, false},
        {L"--demo-uninst-utf8 --demo-uninst-error=文件被占用",
         {{5005, 0, L"文件被占用"}},
         {5003},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.instCmd));
        const std::string folder = m_scratch / "old install";
        ASSERT_TRUE(RunPackage(DemoPackage(), folder, c.instCmd)->Has(2003, 0));
        const auto recorder = RunUninstaller(CopyUninstaller(folder), folder);
        const auto seen = recorder->Seen();
        auto at = seen.begin();
        for (const auto& expected : c.required) {
            at = std::find(at, seen.end(), expected);
            ASSERT_NE(at, seen.end()) << "missing " << expected;
        }
        for (int code : c.forbidden)
            EXPECT_TRUE(recorder->WithCode(code).empty()) << code;
        EXPECT_EQ(!fs::exists(platform::FsPath(folder + Native("/Collivo.exe"))), c.removed);
        fs::remove_all(platform::FsPath(folder));
    }
}

TEST_F(RunnerTest, UninstallerAskingForGbkStillGetsTheAnsiPage) {
    const std::string folder = m_scratch / "old";
    ASSERT_TRUE(RunPackage(DemoPackage(), folder, L"--demo-uninst-gbk --demo-uninst-error=卸载失败")
                    ->Has(2003, 0));
    const auto errors = RunUninstaller(CopyUninstaller(folder), folder)->WithCode(5005);
    ASSERT_EQ(errors.size(), 1u);
    // "Encode=936" means the ANSI page here, so the GBK text does not decode.
    EXPECT_NE(errors[0].text, L"卸载失败");
    EXPECT_EQ(errors[0].text, Utils::NarrowToWide(Utils::WideToNarrow(L"卸载失败", 936), 0));
}

// Regression: a process the program started and left writing to the output it inherited (the
// product, logging) kept the run going for as long as it wrote. The run ends with its program;
// the process lives on, its output dropped.
TEST_F(RunnerTest, RunEndsWithItsProgramWhateverItLeftWriting) {
    for (Stage stage : {Stage::kPackage, Stage::kUninstall}) {
        const StageCodes codes = CodesOf(stage);
        SCOPED_TRACE(codes.name);
        const std::string program = HelperCopy("left-writer");
        const auto recorder = Recorder::Make();
        auto runner = StartRunner(stage, program, recorder);
        EXPECT_TRUE(Eventually([&] { return recorder->Has(codes.success, 1.0); }, kQuickEnd))
            << "the run outlived its program";
        ASSERT_TRUE(Eventually([&] { return !ReadPids(program).empty(); }, 10s));
        const uint32_t writer = ReadPids(program)[0];
        std::this_thread::sleep_for(100ms);  // ten lines more
        EXPECT_FALSE(Gone(writer)) << "the process left behind was ended";
        KillProcess(writer);
        EXPECT_TRUE(EndsWithin(std::move(runner), kRunLimit));
        EXPECT_TRUE(recorder->WithCode(codes.failure).empty());
    }
}

// Regression: output after the piece that gave the verdict was still parsed, so a program that
// reported success and then failure gave both (and the controller cleaned the package twice).
TEST_F(RunnerTest, OnlyTheFirstVerdictCounts) {
    for (Stage stage : {Stage::kPackage, Stage::kUninstall}) {
        for (const char* name : {"success-then-fail", "success-then-error"}) {
            const StageCodes codes = CodesOf(stage);
            SCOPED_TRACE(std::string(codes.name) + " " + name);
            const auto recorder = Recorder::Make();
            ASSERT_TRUE(EndsWithin(StartRunner(stage, HelperCopy(name), recorder), kRunLimit));
            std::vector<Notification> expected = codes.start;
            expected.push_back({codes.success, 0, L""});
            EXPECT_EQ(recorder->Seen(), expected);
        }
    }
}

// Regression: closing the installer while a package or an uninstaller hung waited for it for
// ever. Destroying the runner ends the program and everything in its process group: politely
// first (the well-behaved end at once), by force after 2 s.
TEST_F(RunnerTest, DestroyingARunnerEndsItsProgramAndWhatItStarted) {
    struct Case {
        Stage stage;
        const char* program;
        std::chrono::milliseconds limit;
    } cases[] = {
        {Stage::kPackage, "hang", 1500ms},
        {Stage::kPackage, "hang-stubborn", 3s},
        {Stage::kUninstall, "hang", 1500ms},
        {Stage::kUninstall, "hang-stubborn", 3s},
    };
    for (const auto& c : cases) {
        const StageCodes codes = CodesOf(c.stage);
        SCOPED_TRACE(std::string(codes.name) + " " + c.program);
        const std::string program = HelperCopy(c.program);
        const auto recorder = Recorder::Make();
        auto runner = StartRunner(c.stage, program, recorder);
        ASSERT_TRUE(Eventually([&] { return ReadPids(program).size() == 2; }, 10s));
        const std::vector<uint32_t> pids = ReadPids(program);

        EXPECT_TRUE(DestroyedWithin(std::move(runner), c.limit)) << "destroying the runner hung";
        for (uint32_t pid : pids) {
            EXPECT_TRUE(Eventually([pid] { return Gone(pid); }, 500ms)) << pid << " still runs";
            KillProcess(pid);  // lets a runner that did not end finish
        }
        // An ended program gives no verdict: the run was broken off, not decided.
        EXPECT_EQ(recorder->Seen(), codes.start);
    }
}

}  // namespace
