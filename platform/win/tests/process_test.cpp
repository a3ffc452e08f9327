#include "platform/win/process.h"

#include "testing/scoped_env.h"
#include "testing/temp_dir.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

using kivo::test::ScopedEnv;
using kivo::test::TempDir;

namespace fs = std::filesystem;

namespace {

void MakeProgram(const fs::path& path, bool executable = true) {
    std::ofstream(path) << "#!/bin/sh\n";
    ::chmod(path.c_str(), executable ? 0755 : 0644);
}

}  // namespace

TEST(FindProgram, LooksInTheProgramFolderThenInPath) {
    TempDir a, b;
    MakeProgram(a.path() / "scratchpad", false);  // not runnable: passed over
    MakeProgram(b.path() / "scratchpad");
    fs::create_directories(a.path() / "folder");
    ScopedEnv path("PATH", a.path().string() + "::" + b.path().string());
    EXPECT_EQ(FindProgram("scratchpad.exe"), b.path() / "scratchpad");
    EXPECT_EQ(FindProgram("scratchpad.EXE"), b.path() / "scratchpad");
    EXPECT_EQ(FindProgram("scratchpad"), b.path() / "scratchpad");
    EXPECT_EQ(FindProgram("folder"), fs::path());
    EXPECT_EQ(FindProgram("missing.exe"), fs::path());
    EXPECT_EQ(FindProgram("../scratchpad"), fs::path());
    EXPECT_EQ(FindProgram(""), fs::path());
    EXPECT_EQ(FindProgram(nullptr), fs::path());

    // The running program's own folder comes first.
    std::string self = fs::read_symlink("/proc/self/exe").filename().string();
    MakeProgram(b.path() / self);
    EXPECT_EQ(FindProgram((self + ".exe").c_str()), ProgramFolder() / self);
}

TEST(LaunchHook, SeesWhatWouldStartInsteadOfAProcess) {
    TempDir dir;
    MakeProgram(dir.path() / "scratchpad");
    ScopedEnv path("PATH", dir.path().string());
    std::vector<ProcessLaunch> started;
    SetLaunchHook([&](const ProcessLaunch& launch) { started.push_back(launch); });
    WinExec("scratchpad.exe", 5);
    WinExec("missing.exe", 5);
    ShellOpen("https://example.com/");
    ShellOpen("--help");
    SetLaunchHook(nullptr);
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[0].program, (dir.path() / "scratchpad").string());
    EXPECT_EQ(started[0].argument, "");
    EXPECT_EQ(started[1].program, "xdg-open");
    EXPECT_EQ(started[1].argument, "https://example.com/");
}
