#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>

#include "CLineFileWriter.h"
#include "TempDir.h"

namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

// Runs body in a child process, as nobody when asked (and when the test runs as root),
// and returns its wait status; body's result is the exit status.
int InChild(const std::function<int()>& body, bool unprivileged = false) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (unprivileged && getuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
            _exit(126);
        }
        _exit(body());
    }
    int raw = 0;
    waitpid(pid, &raw, 0);
    return raw;
}

int Save(const std::string& path, const std::string& line) {
    CLineFileWriter out;
    if (!out.Open(path) || !out.AppendLine(line) || !out.Commit())
        return out.Error() == EACCES ? 13 : 1;
    return 0;
}

class LineFileWriterTest : public testing::Test {
protected:
    void SetUp() override { chmod(dir.Path("").c_str(), 0777); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.Path("")))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    TempDir dir;
};

TEST_F(LineFileWriterTest, LinesEndInCrLfAndAReplacedFileKeepsItsMode) {
    const std::string path = dir.Write("out.log", std::string(5000, 'x'));
    chmod(path.c_str(), 0640);
    CLineFileWriter out;
    ASSERT_TRUE(out.Open(path));
    EXPECT_FALSE(out.GetTemporaryPath().empty());
    const std::string big(3u << 20, 'b');  // longer than a block
    EXPECT_TRUE(out.AppendLine("a") && out.AppendLine(big) && out.AppendLine(""));
    ASSERT_TRUE(out.Commit());
    EXPECT_TRUE(TempDir::Read(path) == "a\r\n" + big + "\r\n\r\n");
    struct stat st {};
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(Names(), std::vector<std::string>{"out.log"});
}

TEST_F(LineFileWriterTest, AWriteNotCommittedLeavesNothingBehind) {
    const std::string path = dir.Path("new.log");
    const std::string kept = dir.Write("kept.log", "old");
    struct sigaction before {};
    sigaction(SIGTERM, nullptr, &before);
    {
        CLineFileWriter out;
        ASSERT_TRUE(out.Open(path));
        out.AppendLine("half");
        CLineFileWriter other;
        ASSERT_TRUE(other.Open(kept));
        other.AppendLine("new");
    }  // as when an allocation failure unwinds the export
    EXPECT_EQ(Names(), std::vector<std::string>{"kept.log"});
    EXPECT_EQ(TempDir::Read(kept), "old");
    // Two writers at once leave the signal's action as it was.
    struct sigaction after {};
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

TEST_F(LineFileWriterTest, ADirectWriteLeftTheFileHalfWrittenAndIsNowRefusedNamingTheFolder) {
    // The user's own file in a folder the user may not write was rewritten in place.
    const std::string folder = dir.Path("locked");
    fs::create_directory(folder);
    const std::string path = dir.Write("locked/out.log", "old contents");
    chown(path.c_str(), kNobody, kNobody);
    chmod(folder.c_str(), 0555);
    // An existing file is refused naming its folder; a new one is not created.
    const std::pair<std::string, std::string> cases[] = {
        {path, "No temporary file can be made in the folder " + folder + ": Permission denied"},
        {folder + "/other.log", "Permission denied"},
    };
    for (const auto& [target, message] : cases) {
        const int raw = InChild(
            [&] {
                CLineFileWriter out;
                return !out.Open(target) && out.FailedToOpen() && out.FailureText() == message ? 0
                                                                                               : 1;
            },
            true);
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << target;
    }
    chmod(folder.c_str(), 0777);
    EXPECT_EQ(TempDir::Read(path), "old contents");
    EXPECT_FALSE(fs::exists(folder + "/other.log"));
}

TEST_F(LineFileWriterTest, AFileTheUserMayNotWriteWasReplacedByRenameAndIsNowRefused) {
    // Another user's 0644 file and the user's own 0444 file, both in a folder anyone may
    // write: the rename would have replaced them.
    const std::string others = dir.Write("root.log", "root's");
    chmod(others.c_str(), 0644);
    const std::string own = dir.Write("own.log", "own");
    chown(own.c_str(), kNobody, kNobody);
    chmod(own.c_str(), 0444);
    if (getuid() != 0) GTEST_SKIP() << "needs root to act as a second user";
    for (const std::string& path : {others, own}) {
        const int raw = InChild([&] { return Save(path, "new"); }, true);
        EXPECT_EQ(WEXITSTATUS(raw), 13) << path;
    }
    EXPECT_EQ(TempDir::Read(others), "root's");
    EXPECT_EQ(TempDir::Read(own), "own");
    EXPECT_EQ(Names(), (std::vector<std::string>{"own.log", "root.log"}));

    // Root may write any file; replacing it keeps the owner and the mode.
    ASSERT_EQ(Save(own, "by root"), 0);
    struct stat st {};
    stat(own.c_str(), &st);
    EXPECT_EQ(st.st_uid, kNobody);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
    EXPECT_EQ(TempDir::Read(own), "by root\r\n");
}

TEST_F(LineFileWriterTest, ADanglingLinkWasReplacedByAFileAndNowCreatesItsTarget) {
    fs::create_directory(dir.Path("sub"));
    fs::create_symlink("sub/target.log", dir.Path("link.log"));
    fs::create_symlink("target.log", dir.Path("sub/hop.log"));
    ASSERT_EQ(Save(dir.Path("link.log"), "one"), 0);
    EXPECT_TRUE(fs::is_symlink(dir.Path("link.log")));
    EXPECT_EQ(TempDir::Read(dir.Path("sub/target.log")), "one\r\n");
    // A relative link counts from its own folder; an existing target is replaced through it.
    ASSERT_EQ(Save(dir.Path("sub/hop.log"), "two"), 0);
    EXPECT_TRUE(fs::is_symlink(dir.Path("sub/hop.log")));
    EXPECT_EQ(TempDir::Read(dir.Path("sub/target.log")), "two\r\n");
    // A loop of links is an error, not a hang.
    fs::create_symlink("loop-b", dir.Path("loop-a"));
    fs::create_symlink("loop-a", dir.Path("loop-b"));
    CLineFileWriter out;
    EXPECT_FALSE(out.Open(dir.Path("loop-a")));
    EXPECT_EQ(out.Error(), ELOOP);
}

TEST_F(LineFileWriterTest, AnInterruptedWriteLeftItsTemporaryFileAndNowRemovesIt) {
    const std::string path = dir.Write("out.log", "before");
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        const int raw = InChild([&] {
            CLineFileWriter out;
            if (!out.Open(path) || !out.AppendLine("partial")) return 1;
            raise(sig);
            return 2;  // not reached: the signal ends the program
        });
        ASSERT_TRUE(WIFSIGNALED(raw)) << sig;
        EXPECT_EQ(WTERMSIG(raw), sig);
        EXPECT_EQ(Names(), std::vector<std::string>{"out.log"}) << sig;
        EXPECT_EQ(TempDir::Read(path), "before");
    }
    // A signal the program ignores stays ignored; the write goes on.
    const int raw = InChild([&] {
        std::signal(SIGHUP, SIG_IGN);
        CLineFileWriter out;
        if (!out.Open(path) || !out.AppendLine("after")) return 1;
        raise(SIGHUP);
        return out.Commit() ? 0 : 1;
    });
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 0);
    EXPECT_EQ(TempDir::Read(path), "after\r\n");
}

TEST_F(LineFileWriterTest, ASignalOtherThanIntTermOrHupLeftItsTemporaryFileAndNowRemovesIt) {
    const std::string path = dir.Write("out.log", "before");
    for (const int sig : {SIGUSR1, SIGALRM, SIGUSR2, SIGQUIT, SIGPIPE, SIGRTMIN + 3}) {
        const int raw = InChild([&] {
            const struct rlimit noCore { 0, 0 };
            setrlimit(RLIMIT_CORE, &noCore);
            CLineFileWriter out;
            if (!out.Open(path) || !out.AppendLine("partial")) return 1;
            raise(sig);
            return 2;
        });
        ASSERT_TRUE(WIFSIGNALED(raw)) << sig;
        EXPECT_EQ(WTERMSIG(raw), sig);
        EXPECT_EQ(Names(), std::vector<std::string>{"out.log"}) << sig;
    }
    EXPECT_EQ(TempDir::Read(path), "before");
    // A signal the program handles itself is left to it: the write goes on.
    const int raw = InChild([&] {
        std::signal(SIGALRM, [](int) {});
        CLineFileWriter out;
        if (!out.Open(path) || !out.AppendLine("after")) return 1;
        raise(SIGALRM);
        return out.Commit() ? 0 : 1;
    });
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0);
    EXPECT_EQ(TempDir::Read(path), "after\r\n");
}

TEST_F(LineFileWriterTest, DevicesAreWrittenDirectlyAndFoldersRefused) {
    CLineFileWriter null;
    ASSERT_TRUE(null.Open("/dev/null"));
    EXPECT_TRUE(null.GetTemporaryPath().empty());
    EXPECT_TRUE(null.AppendLine("x") && null.Commit());
    CLineFileWriter full;
    ASSERT_TRUE(full.Open("/dev/full"));
    full.AppendLine("x");
    EXPECT_FALSE(full.Commit());
    EXPECT_EQ(full.Error(), ENOSPC);
    CLineFileWriter folder;
    EXPECT_FALSE(folder.Open(dir.Path("")));
    EXPECT_EQ(folder.Error(), EISDIR);
    EXPECT_TRUE(folder.FailedToOpen());
}

}  // namespace
