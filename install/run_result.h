// RunResult: what a runner's line parser gives its ConsoleReader for each console line: the
// run goes on, or the line has ended it. CInstaller and UninstallRunner take these as their own
// (CInstaller::kRunSucceeded).
#pragma once

struct RunResult {
    static constexpr int kRunGoesOn = 0;
    static constexpr int kRunSucceeded = 1;
    static constexpr int kRunFailed = 1000;
};
