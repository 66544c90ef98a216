#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "ProgramRun.h"
#include "SettingsFolders.h"
#include "TempDir.h"

namespace {

// The installed shape of the program: the executable opens its window. Started for real
// (offscreen), it must open the log and paint it.
TEST(ProgramStartTest, TheExecutableOpensItsWindowAndPaintsTheLog) {
    TempDir dir;
    const std::string log =
        dir.Write("events.log", "R 2003/12/31 23:59:59 - Disk full\r\nplain line\r\n");
    ProgramLaunch window;
    for (const std::string& folder : SettingsFolders(dir).Env()) window.env.push_back(folder);
    window.env.insert(window.env.end(), {"QT_QPA_PLATFORM=offscreen", "TRAWLVIEW_TIMING=1"});
    window.stopWhenErrHas = "first paint at";
    const ProgramOutcome r = RunProgram({log}, window);
    EXPECT_NE(r.err.find("trawlview: loaded 2 lines in "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("first paint at"), std::string::npos) << r.err;
}

// Two starts at the same moment both listened, each removing the other's socket, and
// two windows stayed open with only one reachable. Now the second waits for the first
// to decide and hands its file over; a third start then reaches the one window. The
// watchdog turns two windows (no start ever ends) into a failure.
TEST(ProgramStartTest, SimultaneousStartsResolveToOneWindow) {
    alarm(240);
    TempDir dir;
    std::vector<std::string> env = SettingsFolders(dir).Env();
    env.push_back("QT_QPA_PLATFORM=offscreen");
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    auto start = [&](const std::string& name) {
        std::string program = TRAWLVIEW_BINARY;
        std::string file = dir.Write(name, "N line\r\n");
        char* argv[] = {program.data(), file.data(), nullptr};
        pid_t pid = 0;
        EXPECT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()), 0);
        return pid;
    };
    const pid_t a = start("a.log");
    const pid_t b = start("b.log");
    int status = -1;
    const pid_t ended = waitpid(-1, &status, 0);
    ASSERT_TRUE(ended == a || ended == b);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const pid_t survivor = ended == a ? b : a;
    const pid_t third = start("c.log");
    EXPECT_EQ(waitpid(third, &status, 0), third);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    kill(survivor, SIGTERM);
    waitpid(survivor, &status, 0);
    alarm(0);
}

// "trawlview --bogus LOG" opened LOG; "--export=OUT LOG" opened the window, and without
// a display Qt aborted (status 134) with a message about its plugins.
TEST(ProgramStartTest, UnknownOptionsAndAMissingDisplayOpenedOrAbortedAndNowExitTwo) {
    TempDir dir;
    const std::string log = dir.Write("events.log", "N line\r\n");
    ProgramLaunch launch;
    for (const std::string& folder : SettingsFolders(dir).Env()) launch.env.push_back(folder);
    launch.env.insert(launch.env.end(), {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="});
    const ProgramOutcome noDisplay = RunProgram({log}, launch);
    EXPECT_EQ(noDisplay.status, 2);
    EXPECT_EQ(noDisplay.err, "trawlview: no display (set DISPLAY, or use --export)\n");
    EXPECT_EQ(RunProgram({"--export=" + dir.Path("out.log"), log}, launch).status, 0);
    launch.env.back() = "QT_QPA_PLATFORM=offscreen";
    const ProgramOutcome bogus = RunProgram({"--bogus", log}, launch);
    EXPECT_EQ(bogus.status, 2);
    EXPECT_EQ(bogus.err.rfind("trawlview: unknown option --bogus\nusage: ", 0), 0u) << bogus.err;
}

}  // namespace
