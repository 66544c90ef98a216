#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "AddressSpaceLimit.h"
#include "CTrawlviewDoc.h"
#include "CaseNames.h"
#include "ContainsFilter.h"
#include "DisplayedLines.h"
#include "FakeDocumentHost.h"
#include "FakeTextMeasurer.h"
#include "LocaleFormats.h"
#include "PinnedLocales.h"
#include "TempDir.h"

namespace {

// A displayed line's index, a line's place among all lines and a byte offset do not stand
// in for one another at the document's interface: mixing them does not compile.
template <class Index>
concept ReadsDisplayedLine = requires(const CTrawlviewDoc& doc, Index i) {
    doc.GetLine(i);
};
template <class Index>
concept FindsCutLine = requires(const CTrawlviewDoc& doc, Index i) {
    doc.FindDisplayedLine(i);
};
static_assert(ReadsDisplayedLine<LineIndex> && !ReadsDisplayedLine<CutLineIndex> &&
              !ReadsDisplayedLine<ByteOffset>);
static_assert(FindsCutLine<CutLineIndex> && !FindsCutLine<LineIndex> && !FindsCutLine<ByteOffset>);

class DocTest : public testing::Test {
protected:
    void SetUp() override { PinLocales(); }
    Lines Load(std::string_view bytes) {
        EXPECT_TRUE(doc.LoadLogFile(dir.Write("log.log", bytes)));
        return Displayed(doc);
    }
    TempDir dir;
    FakeDocumentHost host;
    CTrawlviewDoc doc{host, nullptr};
};

struct CutCase {
    std::string bytes;
    Lines expected;
};

class CutTable : public DocTest, public testing::WithParamInterface<CutCase> {};

TEST_P(CutTable, CutsLinesAtCrCrLfAndNul) {
    EXPECT_EQ(Load(GetParam().bytes), GetParam().expected);
    // Lines are cut once: a later rebuild gives exactly the same lines.
    doc.RebuildDisplay();
    EXPECT_EQ(Displayed(doc), GetParam().expected);
}

using namespace std::string_literals;
INSTANTIATE_TEST_SUITE_P(
    Bytes, CutTable,
    testing::Values(CutCase{"", {}}, CutCase{"\r\n\r\n\r", {}},
                    CutCase{"a\nb\nc\n", {"a\nb\nc\n"}},  // a lone LF does not end a line
                    CutCase{"a\r\r\nb", {"a", "b"}}, CutCase{"a\rb\r", {"a", "b"}},
                    CutCase{"abc\0\n\x85"s
                            "def"s,
                            {"abc", "def"}},
                    CutCase{"x\0\x01\x1f y\r\n"s, {"x", " y"}},
                    CutCase{"a\r\n\tb\r\n\x85z\r\n", {"a", "\tb", "\x85z"}},
                    CutCase{"\x80\xff start\r\n", {"\x80\xff start"}},
                    CutCase{"last line without end", {"last line without end"}},
                    CutCase{"\0\0\0"s, {}}),
    NameByField<&CutCase::bytes>());

TEST_F(DocTest, LfLineEndsCutTheLoadedBytesAgainAndStayForTheNextLoad) {
    EXPECT_EQ(Load("one\ntwo\r\nthree\n"), (Lines{"one\ntwo", "three\n"}));
    const int changes = host.linesChanged;
    EXPECT_TRUE(doc.SetLfLineEnds(true));
    EXPECT_EQ(host.linesChanged, changes + 1);
    EXPECT_EQ(Displayed(doc), (Lines{"one", "two", "three"}));
    EXPECT_EQ(doc.GetWidestLine(), 2);
    EXPECT_FALSE(doc.SetLfLineEnds(true));
    EXPECT_EQ(host.linesChanged, changes + 1);
    EXPECT_EQ(Load("x\nyy"), (Lines{"x", "yy"}));
    EXPECT_TRUE(doc.SetLfLineEnds(false));
    EXPECT_EQ(Displayed(doc), Lines{"x\nyy"});
    // With nothing loaded the mode is only kept.
    doc.DeleteContents();
    EXPECT_FALSE(doc.SetLfLineEnds(true));
    EXPECT_TRUE(doc.GetLfLineEnds());
}

TEST_F(DocTest, EmptyFileAndFilteredOutFileStillReportProgress) {
    EXPECT_TRUE(Load("").empty());
    EXPECT_EQ(doc.GetWidestLine(), std::nullopt);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.progressEnds, 1);

    ContainsFilter none("nowhere", false);
    host.filter = &none;
    EXPECT_TRUE(Load("a\r\nb\r\n").empty());
    EXPECT_EQ(doc.GetWidestLine(), std::nullopt);
    EXPECT_EQ(host.progressRange, 6u);
    EXPECT_EQ(host.progressEnds, 2);
    EXPECT_EQ(host.linesChanged, 2);
}

TEST_F(DocTest, ProgressFollowsTheKeptLinesByOffset) {
    // A load reports progress a piece at a time, a rebuild line by line.
    Load("aa\r\nbb\r\ncc\r\n");
    EXPECT_EQ(host.progressPositions.back(), 12u);
    doc.RebuildDisplay();
    EXPECT_EQ(host.progressPositions, (std::vector<std::uint64_t>{4, 8, 12}));
}

TEST_F(DocTest, WidestLineIsTheFirstOfEqualWidths) {
    FakeTextMeasurer measurer;
    doc.SetMeasurer(&measurer);
    Load("ab\r\nlonger\r\nsixsix\r\nx\r\n");
    EXPECT_EQ(doc.GetWidestLine(), 1);
    EXPECT_EQ(doc.GetLineWidth(1), 18);
    EXPECT_EQ(doc.GetLineWidth(2), 18);
}

TEST_F(DocTest, RedLinesMeasureTheirMessageInBold) {
    FakeTextMeasurer measurer;
    doc.SetMeasurer(&measurer);
    Load(
        "R 2003/12/31 23:59:59 - Disk full\r\nR unreadable\r\nB 2003/12/31 23:59:59 - Disk "
        "full\r\n");
    // "12/31/2003 23:59:59 - " in the normal font, "Disk full" in bold.
    EXPECT_EQ(doc.GetLineWidth(0), 22 * 3 + 9 * 6);
    // Shown raw: the prefix is not drawn, so not measured; the rest is bold text.
    EXPECT_EQ(doc.GetLineWidth(1), 10 * 6);
    EXPECT_EQ(doc.GetLineWidth(2), 31 * 3);
    EXPECT_EQ(doc.GetWidestLine(), 0);
    EXPECT_EQ(doc.GetDisplayText(0), "12/31/2003 23:59:59 - Disk full");
}

TEST_F(DocTest, RedLineSplitKeepsAUtf8CharacterInTheColumn) {
    FakeTextMeasurer measurer;
    doc.SetMeasurer(&measurer);
    // "é" takes bytes 21 and 22 of the display text; the column is 22 bytes wide.
    Load("R 2003/12/31 23:59:59 -\xC3\xA9 rest\r\nR 2003/12/31 23:59:59 -\xE9 rest\r\n");
    EXPECT_EQ(doc.GetLineWidth(0), 21 * 3 + 7 * 6);
    // Not UTF-8 (Windows-1252 "é" is one byte): the column takes 22 bytes as they are.
    EXPECT_EQ(doc.GetLineWidth(1), 22 * 3 + 5 * 6);
}

TEST_F(DocTest, WidestLineWasPickedByProportionalWidthOfTheFixedCellColumn) {
    // Lines are measured as drawn: narrow characters of a timestamp column take whole
    // cells, while text that is no timestamp is text, narrow letters and all.
    FakeTextMeasurer measurer(3, true, 'i');
    doc.SetMeasurer(&measurer);
    Load(std::string(100, 'm') + "\r\n" + std::string(22, 'i') + std::string(90, 'm') + "\r\n");
    EXPECT_EQ(doc.GetWidestLine(), 0);
    EXPECT_EQ(doc.GetWidestLineWidth(), 100 * 3);
    EXPECT_EQ(doc.GetLineWidth(1), 22 + 90 * 3);
}

TEST_F(DocTest, PiecesOfTheWidestLineFollowEachRebuild) {
    // The widest line's pieces are kept from measuring it; a rebuild that makes another
    // line the widest must not hand out the old one's.
    Load("short one\r\nthe longest line of them all\r\nmid length line\r\n");
    DisplayLine pieces;
    ASSERT_EQ(doc.GetWidestLine(), 1);
    doc.GetDisplayLine(1, pieces);
    EXPECT_EQ(pieces.column + std::string(pieces.message), "the longest line of them all");
    ContainsFilter mid("mid", false);
    host.filter = &mid;
    doc.RebuildDisplay();
    ASSERT_EQ(doc.GetWidestLine(), 0);
    doc.GetDisplayLine(0, pieces);
    EXPECT_EQ(pieces.message, "mid length line");
    EXPECT_TRUE(pieces.column.empty());
}

TEST_F(DocTest, ShowingEveryLineAgainMeasuredEveryOneOfEquallyLongLines) {
    // 300 lines of 40 bytes, one of them wide letters: every line could be the widest by
    // its length, so a rebuild that shows them all measured all of them. The widest of
    // every line is kept from the load and serves while the lines stay as they are.
    FakeTextMeasurer measurer(3, true, 'i');
    doc.SetMeasurer(&measurer);
    std::string bytes;
    for (int i = 0; i < 300; ++i)
        bytes += (i == 120 ? std::string(40, 'm') : std::string(39, 'i') + "m") + "\r\n";
    const std::string path = dir.Write("log.log", bytes);
    ASSERT_TRUE(doc.LoadLogFile(path));
    ASSERT_EQ(doc.GetWidestLine(), 120);
    ContainsFilter notWide("iii", false), none("", false);
    struct Step {
        const ILineFilter* filter;
        LineIndex widest;
        bool measuresFew;
    } steps[] = {{&notWide, 0, false}, {nullptr, 120, true}, {&none, 120, true}};
    for (const Step& step : steps) {
        host.filter = step.filter;
        measurer.calls = 0;
        doc.RebuildDisplay();
        EXPECT_EQ(doc.GetWidestLine(), step.widest);
        // The timestamp column's cells and the widest line, not all 300 lines.
        if (step.measuresFew) {
            EXPECT_LT(measurer.calls, 40);
        }
    }
    // Lines appended since: the kept line is not the widest any more.
    std::ofstream(path, std::ios::app | std::ios::binary) << std::string(60, 'm') << "\r\n";
    ASSERT_EQ(doc.ReadAppended(path, 1 << 20).result, CTrawlviewDoc::FollowResult::Appended);
    host.filter = &notWide;
    doc.RebuildDisplay();
    host.filter = nullptr;
    doc.RebuildDisplay();
    EXPECT_EQ(doc.GetWidestLine(), 300);
}

TEST_F(DocTest, SkippingLinesThatCannotBeWidestFindsTheSameLine) {
    std::string bytes;
    for (int i = 0; i < 200; ++i)
        bytes += std::string(static_cast<std::size_t>(1 + (i * 37) % 101), 'x') + "\r\n";
    FakeTextMeasurer exact(3, false), bounded(3, true);
    doc.SetMeasurer(&exact);
    Load(bytes);
    const std::optional<LineIndex> widest = doc.GetWidestLine();
    doc.SetMeasurer(&bounded);
    doc.RebuildDisplay();
    EXPECT_EQ(doc.GetWidestLine(), widest);
    EXPECT_LT(bounded.calls, exact.calls);
    EXPECT_EQ(doc.GetLineCount(), 200);
}

TEST_F(DocTest, ExcludeInvalidDropsLinesWithoutReadableTimestamp) {
    host.excludeInvalid = true;
    const std::string bytes =
        "R 2003/12/31 23:59:59 - kept\r\nno stamp at all here\r\n12/31/2003 23:59:59 - kept\r\n"
        "job 7 ran at 12/31/2003 23:59:59\r\n";
    const Lines readable = {"R 2003/12/31 23:59:59 - kept", "12/31/2003 23:59:59 - kept",
                            "job 7 ran at 12/31/2003 23:59:59"};
    EXPECT_EQ(Load(bytes), readable);
    // A line's timestamp is read once per load; the preference still decides each rebuild.
    host.excludeInvalid = false;
    doc.RebuildDisplay();
    EXPECT_EQ(doc.GetLineCount(), 4);
    host.excludeInvalid = true;
    doc.RebuildDisplay();
    EXPECT_EQ(Displayed(doc), readable);
}

TEST_F(DocTest, SearchingTheWholeBufferMatchesTestingEachLine) {
    const std::string bytes =
        "disk ok\r\nxdis\r\nk\r\nDISK\r\ndisk\0\x01 disk again\r\ndi\r\nsk disk\ndisk\r\nend disk"s;
    for (const char* needle : {"disk", "k\r", "\r\n", "sk\nd", "x", "zzz"}) {
        ContainsFilter slow(needle, false), fast(needle, true);
        host.filter = &slow;
        const Lines expected = Load(bytes);
        host.filter = &fast;
        doc.RebuildDisplay();
        EXPECT_EQ(Displayed(doc), expected) << needle;
    }
}

TEST_F(DocTest, OpenFailuresOfferRetryWithTheCause) {
    host.retries = 2;
    const std::string missing = dir.Path("missing.log");
    EXPECT_FALSE(doc.LoadLogFile(missing));
    ASSERT_EQ(host.messages.size(), 3u);
    EXPECT_EQ(host.messages[2], "Could not find the file " + missing + ".");
    EXPECT_EQ(doc.GetLineCount(), 0);

    host.messages.clear();
    EXPECT_FALSE(doc.LoadLogFile(dir.Path("")));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "Could not open the file " + dir.Path("") + ".");

    host.messages.clear();
    EXPECT_FALSE(doc.LoadLogFile(dir.Write("plain", "x") + "/below"));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].rfind("The path ", 0), 0u);

    if (geteuid() != 0) {
        host.messages.clear();
        const std::string locked = dir.Write("locked.log", "x");
        chmod(locked.c_str(), 0);
        EXPECT_FALSE(doc.LoadLogFile(locked));
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0], "You do not have permission to open the file " + locked + ".");
    }
}

TEST_F(DocTest, FifosAndDevicesAsTheLogAreRefusedWithoutWaitingForThem) {
    // Opening a FIFO for reading used to wait for a writer for ever, and a device was
    // opened before it was refused. The watchdog turns a hang into a failure.
    alarm(120);
    Load("old\r\n");
    for (const std::string& path : dir.NotRegularFiles("fifo.log", "/dev/zero")) {
        host.messages.clear();
        EXPECT_FALSE(doc.LoadLogFile(path));
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0], "Could not open the file " + path + ".");
        EXPECT_EQ(doc.GetLineCount(), 0);
        EXPECT_EQ(doc.GetPathName(), "");
    }
    alarm(0);
}

TEST_F(DocTest, AFileReportingSizeZeroIsReadToItsEndNotShownEmpty) {
    // /proc files report size 0 whatever they hold; trusting the size showed nothing.
    struct stat st {};
    ASSERT_EQ(stat("/proc/version", &st), 0);
    ASSERT_EQ(st.st_size, 0);
    const std::string version = TempDir::Read("/proc/version");
    ASSERT_FALSE(version.empty());
    EXPECT_TRUE(doc.LoadLogFile("/proc/version"));
    EXPECT_EQ(Displayed(doc), Lines{version});  // one line: it ends in a lone LF
    EXPECT_EQ(doc.GetFileSize().value(), version.size());
}

TEST_F(DocTest, ALogLargerThanMemoryCanGiveAsksRetryAndLeavesNothingHalfLoaded) {
    SKIP_WITHOUT_ADDRESS_SPACE_LIMITS();
    const std::string big = dir.Path("big.log");
    {
        std::ofstream out(big, std::ios::binary);
        out << "a\r\n";
    }
    std::filesystem::resize_file(big, std::uint64_t{1} << 30);  // sparse
    EXPECT_TRUE(UnderAddressSpaceLimit(std::uint64_t{256} << 20, [&] {
        host.retries = 1;
        const bool loaded = doc.LoadLogFile(big);
        return !loaded && host.messages.size() == 2 &&
               host.messages[1] == "Not enough memory to load the file " + big + "." &&
               doc.GetLineCount() == 0 && doc.GetPathName().empty();
    }));
    // The bytes fit, their 20 million line records do not: only the buffer used to be
    // checked, and the growing line list aborted the program with std::bad_alloc.
    const std::string shortLines = dir.Path("short.log");
    {
        std::ofstream out(shortLines, std::ios::binary);
        const std::string block(1 << 20, '\r');
        std::string lines = block;
        for (std::size_t i = 0; i < lines.size(); i += 2) lines[i] = 'a';
        for (int i = 0; i < 40; ++i) out << lines;
    }
    EXPECT_TRUE(UnderAddressSpaceLimit(std::uint64_t{256} << 20, [&] {
        host.retries = 0;
        host.messages.clear();
        const bool loaded = doc.LoadLogFile(shortLines);
        return !loaded &&
               host.messages == std::vector<std::string>{"Not enough memory to load the file " +
                                                         shortLines + "."} &&
               doc.GetLineCount() == 0 && doc.GetPathName().empty();
    }));
    // With room enough the same file loads, every line reserved up front.
    EXPECT_TRUE(doc.LoadLogFile(shortLines));
    EXPECT_EQ(doc.GetLineCount(), 20 << 20);
}

// The displayed list takes 4 bytes a line, but a file of more than 2^32 lines must not
// have its indexes cut to 32 bits.
TEST(CLineIndexListTest, IndexesAreKeptWholeInEitherWidth) {
    CLineIndexList list;
    for (const std::uint64_t limit : {std::uint64_t{1000}, std::uint64_t{1} << 40}) {
        list.Reserve(3, limit);
        EXPECT_TRUE(list.Holds(3, limit));
        list.PushBack(0);
        list.PushBack(limit - 1);
        ASSERT_EQ(list.Size(), 2u);
        EXPECT_EQ(list[1], limit - 1);
    }
    EXPECT_FALSE(list.Holds(3, 1000));  // a narrow list must be made anew
    EXPECT_EQ(CTrawlviewDoc::BytesPerLine(1000), 20u);
    EXPECT_EQ(CTrawlviewDoc::BytesPerLine(std::uint64_t{1} << 33), 24u);
}

// A file read to its end grows its buffer as the bytes come.
TEST(LogBufferTest, GrowingKeepsTheBytesAlreadyRead) {
    LogBuffer buffer;
    ASSERT_TRUE(buffer.Reserve(100));
    const std::uint64_t room = buffer.Room();
    ASSERT_GE(room, 100u);
    for (std::uint64_t i = 0; i < room; ++i) buffer.Data()[i] = static_cast<char>('a' + i % 26);
    ASSERT_TRUE(buffer.Grow(8 * room));
    EXPECT_GE(buffer.Room(), 8 * room);
    bool same = true;
    for (std::uint64_t i = 0; i < room; ++i)
        same = same && buffer.Data()[i] == static_cast<char>('a' + i % 26);
    EXPECT_TRUE(same);
    buffer.SetSize(8 * room);
    EXPECT_EQ(buffer.Data()[8 * room], '\0');
}

TEST_F(DocTest, ALoadInsideTheRetryQuestionLeavesNoLinesInAReleasedBuffer) {
    // The host loaded another file while its question was open; after Cancel the first
    // load rebuilt over lines that pointed into the released buffer.
    const std::string other = dir.Write("other.log", "one\r\ntwo\r\n");
    struct LoadingHost : FakeDocumentHost {
        CTrawlviewDoc* doc = nullptr;
        std::string other;
        bool answer = false;
        bool AskRetry(const std::string& message) override {
            messages.push_back(message);
            if (messages.size() == 1) doc->LoadLogFile(other);
            return answer && messages.size() == 1;
        }
    } loading;
    CTrawlviewDoc nested(loading, nullptr);
    loading.doc = &nested;
    loading.other = other;
    EXPECT_FALSE(nested.LoadLogFile(dir.Path("missing.log")));
    EXPECT_EQ(nested.GetLineCount(), 0);
    EXPECT_EQ(nested.GetPathName(), "");
    nested.RebuildDisplay();
    EXPECT_EQ(nested.GetLineCount(), 0);

    // Retry after the nested load: the file is missing again, and nothing of the nested
    // load is left either.
    loading.messages.clear();
    loading.answer = true;
    EXPECT_FALSE(nested.LoadLogFile(dir.Path("missing.log")));
    EXPECT_EQ(loading.messages.size(), 2u);
    EXPECT_EQ(nested.GetLineCount(), 0);
    EXPECT_TRUE(nested.LoadLogFile(other));
    EXPECT_EQ(Displayed(nested), (Lines{"one", "two"}));
}

TEST_F(DocTest, RetryAfterTheFileAppearsLoadsIt) {
    const std::string path = dir.Path("late.log");
    struct AppearingHost : FakeDocumentHost {
        std::string path;
        TempDir* dir = nullptr;
        bool AskRetry(const std::string& message) override {
            messages.push_back(message);
            dir->Write("late.log", "now here\r\n");
            return true;
        }
    } appearing;
    appearing.dir = &dir;
    CTrawlviewDoc late(appearing, nullptr);
    EXPECT_TRUE(late.LoadLogFile(path));
    EXPECT_EQ(appearing.messages.size(), 1u);
    EXPECT_EQ(Displayed(late), Lines{"now here"});
    EXPECT_EQ(late.GetPathName(), path);
    EXPECT_EQ(appearing.logPath, path);
}

TEST_F(DocTest, ReloadingASmallerFileShowsOnlyItsLines) {
    Load(std::string(100000, 'a') + "\r\nsecond\r\n");
    EXPECT_EQ(Load("short\r\n"), Lines{"short"});
    EXPECT_EQ(doc.GetFileSize().value(), 7u);
}

TEST_F(DocTest, FilesOverFourGibibytesUseSixtyFourBitOffsets) {
    SKIP_VOLUME_UNDER_THREAD_SANITIZER();
    // A sparse file: lines at the start, past 2 GiB and past 4 GiB, zeros between.
    const std::string path = dir.Path("huge.log");
    {
        FILE* f = fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        fputs("first line\r\n", f);
        fseeko(f, (off_t{1} << 31) + 5, SEEK_SET);
        fputs("\r\nmiddle line\r\n", f);
        fseeko(f, (off_t{1} << 32) + 100, SEEK_SET);
        fputs("\r\nlast line", f);
        fclose(f);
    }
    ContainsFilter line("line", true);
    host.filter = &line;
    ASSERT_TRUE(doc.LoadLogFile(path));
    EXPECT_EQ(Displayed(doc), (Lines{"first line", "middle line", "last line"}));
    EXPECT_EQ(doc.GetFileSize().value(), (std::uint64_t{1} << 32) + 100 + 11);
    EXPECT_EQ(host.progressPositions.back(), doc.GetFileSize().value());
    host.filter = nullptr;
    doc.RebuildDisplay();
    EXPECT_EQ(doc.GetLineCount(), 3);
    doc.DeleteContents();
}

}  // namespace

namespace {

// The widest-line search skipped lines whose display text could not be wider than the
// widest so far, judging by a bound of that length; a timestamp shown longer than it
// stands in the file must count in the bound.
TEST(DocBoundTest, ATimestampShownLongerThanItStandsStillMakesItsLineTheWidest) {
    LocaleValues user;
    user.dateSeparator = " - ";
    SetLocaleFormats(MakeLocaleFormats(user, {}));
    TempDir dir;
    FakeDocumentHost host;
    CTrawlviewDoc doc(host, nullptr);
    const std::string stamped = "2003/12/31 10:00:00 xxxxxxxxxx";
    ASSERT_TRUE(
        doc.LoadLogFile(dir.Write("long.log", std::string(32, 'y') + "\r\n" + stamped + "\r\n")));
    ASSERT_GT(doc.GetDisplayText(1).size(), 32u) << doc.GetDisplayText(1);
    EXPECT_EQ(doc.GetWidestLine(), 1);
    PinLocales();
}

}  // namespace
