#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSignalSpy>

#include "CSingleInstance.h"
#include "ShellFixture.h"

namespace {

constexpr uid_t kNobody = 65534;

class SingleInstanceTest : public ShellTest {};

// "trawlview --follow LOG" handed to a running window loaded LOG with Follow left off.
TEST_F(SingleInstanceTest, FollowHandedToARunningWindowWasLeftOffAndIsNowTurnedOn) {
    RecordingMessageBoxes boxes;
    CTrawlviewApp first(&boxes);
    ASSERT_TRUE(first.InitInstance({"trawlview"}));
    CMainFrame& window = *first.GetMainFrame();
    const std::string log = dir.Write("app.log", Lines({"N one"}));
    QSignalSpy opened(&window, &QWidget::windowTitleChanged);
    EXPECT_FALSE(CTrawlviewApp().InitInstance({"trawlview", "--follow", log}));
    ASSERT_TRUE(opened.wait());
    EXPECT_EQ(window.GetLogPath(), log);
    EXPECT_TRUE(window.IsFollowing());
}

// A start on another display handed its file to a window the user could not see.
TEST_F(SingleInstanceTest, StartsOnAnotherDisplayHandedOverAndNowHaveTheirOwnSocket) {
    const auto key = [](const char* platform, const char* x11, const char* wayland) {
        return CSingleInstance::DisplayKey(QString::fromLatin1(platform), QString::fromLatin1(x11),
                                           QString::fromLatin1(wayland));
    };
    EXPECT_EQ(key("xcb", ":0", ""), key("xcb", "unix:0.1", "wayland-1"));
    EXPECT_NE(key("xcb", ":0", ""), key("xcb", ":1", ""));
    EXPECT_EQ(key("wayland", ":0", ""), key("wayland", ":1", "wayland-0"));
    EXPECT_NE(key("wayland", "", "wayland-0"), key("wayland", "", "wayland-1"));
    EXPECT_FALSE(key("wayland", "", "/run/user/1000/wayland-0").contains(QLatin1Char('/')));
}

// Without XDG_RUNTIME_DIR the socket lay in the shared temporary folder under a name
// anyone could take first, and received the path of every file the user opened.
TEST_F(SingleInstanceTest, ASocketFolderOthersCouldReachWasUsedAndIsNowRefused) {
    const auto folder = [&](const std::string& name) {
        return CSingleInstance::PrivateFolder(QString::fromStdString(dir.Path(name))).toStdString();
    };
    EXPECT_EQ(folder("fresh"), dir.Path("fresh"));
    EXPECT_EQ(std::filesystem::status(dir.Path("fresh")).permissions(),
              std::filesystem::perms::owner_all);
    std::filesystem::create_directories(dir.Path("open"));
    std::filesystem::permissions(dir.Path("open"), std::filesystem::perms(0755));
    std::filesystem::create_symlink(dir.Path("fresh"), dir.Path("link"));
    dir.Write("file", "");
    for (const char* refused : {"open", "link", "file"}) EXPECT_EQ(folder(refused), "") << refused;
    if (getuid() == 0 && chown(dir.Path("fresh").c_str(), kNobody, kNobody) == 0) {
        EXPECT_EQ(folder("fresh"), "");
    }
}

// Both ends check the other's user: a path is neither sent to nor taken from another.
TEST_F(SingleInstanceTest, PathsAreNeitherSentToNorTakenFromAnotherUser) {
    if (getuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    sockaddr_un address{AF_UNIX, {}};
    CSingleInstance::ServerName().toStdString().copy(address.sun_path, sizeof address.sun_path - 1);
    const auto* generic = reinterpret_cast<const sockaddr*>(&address);
    // Another user listens on the socket (it listens as nobody): nothing is sent.
    const int server = socket(AF_UNIX, SOCK_STREAM, 0);
    int listening[2];
    ASSERT_TRUE(bind(server, generic, sizeof address) == 0 && pipe(listening) == 0);
    const pid_t listener = fork();
    if (listener == 0) {
        if (setuid(kNobody) != 0 || listen(server, 1) != 0 || write(listening[1], "L", 1) != 1)
            _exit(3);
        char byte = 0;
        _exit(read(accept(server, nullptr, nullptr), &byte, 1) == 0 ? 0 : 1);
    }
    char ready = 0;
    ASSERT_EQ(read(listening[0], &ready, 1), 1);
    EXPECT_FALSE(CSingleInstance::HandOver(QStringLiteral("/secret/plans.log"), true));
    int status = -1;
    waitpid(listener, &status, 0);
    EXPECT_EQ(status, 0) << "the other user received bytes";
    unlink(address.sun_path);
    close(server);

    // Another user sends a path (connecting as nobody): it is dropped; this user's is taken.
    CSingleInstance instance;
    ASSERT_TRUE(instance.Listen());
    QSignalSpy requests(&instance, &CSingleInstance::OpenRequested);
    const pid_t sender = fork();
    if (sender == 0) {
        const int client = socket(AF_UNIX, SOCK_STREAM, 0);
        if (seteuid(kNobody) != 0 || (setfsuid(0), connect(client, generic, sizeof address)) != 0)
            _exit(3);
        _exit(write(client, "L-/etc/shadow", 14) == 14 ? 0 : 4);
    }
    waitpid(sender, &status, 0);
    ASSERT_EQ(status, 0);
    ASSERT_TRUE(CSingleInstance::HandOver(QStringLiteral("/mine.log"), true));
    while (requests.empty()) ASSERT_TRUE(requests.wait());
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0][0].toString().toStdString(), "/mine.log");
}

}  // namespace
