#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "CFilterMatcher.h"
#include "CTrawlviewDoc.h"
#include "ContainsFilter.h"
#include "FakeDocumentHost.h"
#include "FilterFileReader.h"
#include "LocaleFormats.h"
#include "PinnedLocales.h"
#include "ProgramRun.h"
#include "SanitizerSkips.h"
#include "TempDir.h"

namespace {

class ExportTest : public testing::Test {
protected:
    static ProgramOutcome Run(const std::vector<std::string>& args,
                              const std::vector<std::string>& env = {}) {
        ProgramLaunch launch;
        if (!env.empty()) launch.env = env;
        return RunProgram(args, launch);
    }
    std::string Log(std::string_view bytes) { return dir.Write("events.log", bytes); }
    TempDir dir;
};

using Outcome = ProgramOutcome;
const std::vector<std::string> kPinned = {"TRAWLVIEW_SYSTEM_LOCALE=MDY;/;:",
                                          "TRAWLVIEW_USER_LOCALE=DMY;.;:"};

TEST_F(ExportTest, WritesTheDisplayedRawLinesWithCrLf) {
    const std::string log =
        Log("R 2003/12/31 23:59:59 - Disk full\nsecond part\r\r\n"
            "no timestamp\rG 2004/01/01 00:00:00 - ok\r\n\r\nlast");
    Outcome r = Run({"--export", "-", log}, kPinned);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "R 2003/12/31 23:59:59 - Disk full\nsecond part\r\nno timestamp\r\n"
              "G 2004/01/01 00:00:00 - ok\r\nlast\r\n");
    EXPECT_EQ(r.err, "");

    r = Run({"--exclude-invalid", "--export", "-", log}, kPinned);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "R 2003/12/31 23:59:59 - Disk full\nsecond part\r\nG 2004/01/01 00:00:00 - ok\r\n");
}

TEST_F(ExportTest, AppliesAFilterFileReadLikeTheWindowReadsIt) {
    const std::string log =
        Log("R 2003/12/31 23:59:59 - Disk full\r\nY 2003/06/01 10:00:00 - Disk slow\r\n"
            "G 2004/01/02 00:00:00 - Disk ok\r\nno stamp Disk\r\n");
    const std::string filters =
        dir.Write("set.LFF", "IDisk\r\nEslow\r\nP31.12.2003 00:00:00 to 31.12.2004 00:00:00");
    const std::string out = dir.Path("out.log");
    const Outcome r = Run({"--export", out, "--filters", filters, log}, kPinned);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(TempDir::Read(out),
              "R 2003/12/31 23:59:59 - Disk full\r\nG 2004/01/02 00:00:00 - Disk ok\r\n"
              "no stamp Disk\r\n");
}

TEST_F(ExportTest, BadArgumentsGiveUsageAndStatusTwo) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--export", "-"},
                                                 {"--export"},
                                                 {"--export", "-", "a", "b"},
                                                 {"--export", "-", "--bogus", "a"}}) {
        const Outcome r = Run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("usage: trawlview --export OUT"), std::string::npos);
    }
    const Outcome help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.err.find("--exclude-invalid"), std::string::npos);
}

TEST_F(ExportTest, UnreadableInputsGiveOneLineAndStatusOne) {
    const std::string out = dir.Path("out.log");
    Outcome r = Run({"--export", out, dir.Path("missing.log")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "trawlview: Could not find the file " + dir.Path("missing.log") + ".\n");
    EXPECT_FALSE(std::filesystem::exists(out));

    r = Run({"--export", out, dir.Path("")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "trawlview: Could not open the file " + dir.Path("") + ".\n");

    r = Run({"--export", out, "--filters", dir.Path("none.lff"), Log("x\r\n")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("none.lff"), std::string::npos);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(ExportTest, FailedWritesLeaveNoFileAndSayWhy) {
    const std::string log = Log("line\r\n");
    Outcome r = Run({"--export", "/dev/full", log});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos);

    r = Run({"--export", dir.Path("no/such/folder/out.log"), log});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("could not create"), std::string::npos);

    // An existing file is replaced whole, keeping its permissions.
    const std::string out = dir.Write("keep.log", "old contents");
    chmod(out.c_str(), 0640);
    r = Run({"--export", out, log});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(TempDir::Read(out), "line\r\n");
    struct stat st {};
    stat(out.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("")), {}),
              2);  // no temporary files left
}

TEST_F(ExportTest, AClosedPipeEndsQuietly) {
    std::string big;
    for (int i = 0; i < 200000; ++i) big += "a line that fills the pipe quickly\r\n";
    const std::string log = Log(big);
    // The reader takes ten bytes and leaves; the export has far more to write than the
    // pipe holds, so it meets the closed pipe whatever the order of events.
    int fds[2];
    // Close-on-exec: the program must not hold the read end open itself.
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    std::thread reader([&] {
        char head[10];
        EXPECT_EQ(read(fds[0], head, sizeof head), 10);
        close(fds[0]);
    });
    ProgramLaunch toPipe;
    toPipe.stdoutFd = fds[1];
    const Outcome r = RunProgram({"--export", "-", log}, toPipe);
    close(fds[1]);
    reader.join();
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.err, "");
}

// The export streams the log in blocks; the window's document holds it whole. Both must
// show the same lines, whatever the bytes.
TEST_F(ExportTest, WritesExactlyTheLinesTheDocumentShows) {
    std::string bytes;
    std::uint64_t state = 99;
    const char pieces[][24] = {"R 2003/12/31 23:59:59 -",
                               "12/31/2003 10:00:00 - ",
                               "disk",
                               "\r\n",
                               "\r",
                               "\n",
                               "x",
                               "\x85",
                               "\x01",
                               "N ",
                               " "};
    while (bytes.size() < (3u << 20)) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        const std::size_t k = (state >> 33) % (sizeof pieces / sizeof pieces[0] + 1);
        if (k == sizeof pieces / sizeof pieces[0]) {
            bytes.push_back('\0');
        } else {
            bytes += pieces[k];
        }
    }
    const std::string log = Log(bytes);
    const std::string filters = dir.Write("disk.lff", "Idisk\n");
    for (const bool lf : {false, true}) {
        for (const bool exclude : {false, true}) {
            for (const bool filtered : {false, true}) {
                if (lf && exclude && filtered) continue;
                FakeDocumentHost host;
                host.excludeInvalid = exclude;
                ContainsFilter disk("disk", true);
                host.filter = filtered ? &disk : nullptr;
                CTrawlviewDoc doc(host, nullptr);
                doc.SetLfLineEnds(lf);
                ASSERT_TRUE(doc.LoadLogFile(log));
                std::string expected;
                for (LineIndex i = 0; i < doc.GetLineCount(); ++i)
                    expected.append(doc.GetLine(i)).append("\r\n");

                std::vector<std::string> args = {"--export", "-", log};
                if (exclude) args.push_back("--exclude-invalid");
                if (lf) args.push_back("--lf");
                if (filtered) args.insert(args.begin(), {"--filters", filters});
                const Outcome r = Run(args, kPinnedLocaleEnv);
                ASSERT_EQ(r.status, 0) << r.err;
                EXPECT_GT(doc.GetLineCount(), 1000);
                EXPECT_TRUE(r.out == expected)
                    << "exclude " << exclude << " filtered " << filtered << " lf " << lf;
            }
        }
    }
}

TEST_F(ExportTest, PatternFiltersKeepTheLinesTheWindowKeeps) {
    const std::string log = Log(
        "N checksum 0badf00d ok\r\nN checksum 0BADF00D upper\r\nN checksum 1234 short\r\n"
        "N 2024-x gr\xfcn\r\nN 2024-x gr\xc3\xbcn\r\nN 2024-y\r\nbad \xc3( checksum deadbeef\r\n");
    const struct {
        const char* records;
        std::size_t kept;
    } cases[] = {
        {"Rchecksum [0-9a-f]{8}\n", 2},
        {"R[0-9]{4}-x\nXgr\u00fcn\n", 0},  // the Windows-1252 line reads as "grün" too
        {"R[0-9]{4}-x\nX\xfc\n", 2},       // a pattern of invalid UTF-8 excludes nothing
        {"Xgr.n\nR\n", 5},                 // an empty pattern matches every line
        {"R(a+)+$\n", 0},
        {"Rab(\n", 0},  // a pattern that does not compile matches nothing
        {"Xab(\nIN \n", 6},
    };
    for (const auto& c : cases) {
        const std::string filters = dir.Write("p.lff", c.records);
        FilterList list;
        std::string error;
        ASSERT_EQ(FilterFileReader::Read(filters, list, error), FilterFileReader::Result::Ok);
        const CFilterMatcher matcher(list, false);
        FakeDocumentHost host;
        host.filter = &matcher;
        CTrawlviewDoc doc(host, nullptr);
        ASSERT_TRUE(doc.LoadLogFile(log));
        std::string expected;
        for (LineIndex i = 0; i < doc.GetLineCount(); ++i)
            expected.append(doc.GetLine(i)).append("\r\n");
        const Outcome r = Run({"--export", "-", "--filters", filters, log}, kPinnedLocaleEnv);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, expected) << c.records;
        EXPECT_EQ(static_cast<std::size_t>(doc.GetLineCount()), c.kept) << c.records;
    }
}

TEST_F(ExportTest, AFiftyMebibyteLineIsWrittenByteForByte) {
    SKIP_VOLUME_UNDER_THREAD_SANITIZER();
    std::string line(50u << 20, 'y');
    for (std::size_t i = 0; i < line.size(); i += 4093) line[i] = static_cast<char>('a' + i % 26);
    const std::string out = dir.Path("out.log");
    const Outcome r = Run({"--export", out, Log("first\r\n" + line + "\r\nlast")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(TempDir::Read(out) == "first\r\n" + line + "\r\nlast\r\n");
}

TEST_F(ExportTest, EmptyFilesAndFilesOfLineEndsGiveNothing) {
    for (const std::string bytes : {"", "\r\n\r\n\r\r", "\n"}) {
        const Outcome r = Run({"--export", "-", Log(bytes)});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, bytes == "\n" ? "\n\r\n" : "");
        EXPECT_EQ(Run({"--export", "-", "--lf", Log(bytes)}).out, "");
    }
}

TEST_F(ExportTest, WithLfALoneLfEndsALineAndCrLfStaysOneLineEnd) {
    const std::string log = Log("one\ntwo\r\nthree\rfour\n\nfive");
    EXPECT_EQ(Run({"--export", "-", log}).out, "one\ntwo\r\nthree\r\nfour\n\nfive\r\n");
    EXPECT_EQ(Run({"--export", "-", "--lf", log}).out, "one\r\ntwo\r\nthree\r\nfour\r\nfive\r\n");
    // A line longer than the export's block ends at its LF too.
    const std::string longLine(600000, 'q');
    const std::string longLog = Log(longLine + "\nshort\n" + longLine + "z\nlast");
    EXPECT_TRUE(Run({"--export", "-", "--lf", longLog}).out ==
                longLine + "\r\nshort\r\n" + longLine + "z\r\nlast\r\n");
}

}  // namespace
