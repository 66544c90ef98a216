#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ProgramRun.h"
#include "TempDir.h"

namespace {

// The installed shape of the program: the executable opens its window. Started for real
// (offscreen), it must open the log and paint it.
TEST(ProgramStartTest, TheExecutableOpensItsWindowAndPaintsTheLog) {
    TempDir dir;
    const std::string log = dir.Write("events.log", "R 2003/12/31 23:59:59 - Disk full\r\nplain line\r\n");
    const std::string runtime = dir.Path("runtime");
    const std::string config = dir.Path("config");
    std::filesystem::create_directories(runtime);
    std::filesystem::create_directories(config);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);

    ProgramLaunch window;
    window.env.insert(window.env.end(), {"QT_QPA_PLATFORM=offscreen", "TRAWLVIEW_TIMING=1", "XDG_RUNTIME_DIR=" + runtime,
                                         "XDG_CONFIG_HOME=" + config, "XDG_CONFIG_DIRS=" + config,
                                         "HOME=" + dir.Path("")});
    window.stopWhenErrHas = "first paint at";
    const ProgramOutcome r = RunProgram({log}, window);
    EXPECT_NE(r.err.find("trawlview: loaded 2 lines in "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("first paint at"), std::string::npos) << r.err;
}

}  // namespace
