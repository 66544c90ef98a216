#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "AddressSpaceLimit.h"
#include "CTrawlviewDoc.h"
#include "ContainsFilter.h"
#include "DisplayedLines.h"
#include "FakeDocumentHost.h"
#include "FakeTextMeasurer.h"
#include "LocaleFormats.h"
#include "PinnedLocales.h"
#include "TempDir.h"

namespace {

using Result = CTrawlviewDoc::FollowResult;

void Append(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Passes every line without "drop".
class DropFilter : public ILineFilter {
public:
    bool Passes(std::string_view line) const override {
        return line.find("drop") == std::string_view::npos;
    }
    bool NeedsTime() const override { return false; }
    std::unique_ptr<Pieces> DecideInPieces() const override {
        return std::make_unique<DropPieces>();
    }

private:
    struct DropPieces : Pieces {
        void Feed(std::string_view piece) override { seen += piece; }
        bool Passes(const LogTime*) const override {
            return seen.find("drop") == std::string::npos;
        }
        std::string seen;
    };
};

class FollowTest : public testing::Test {
protected:
    void SetUp() override {
        PinLocales();
        path = dir.Write("follow.log", "");
    }
    void Load(std::string_view bytes) {
        dir.Write("follow.log", bytes);
        ASSERT_TRUE(doc.LoadLogFile(path));
    }
    // What a fresh load of the file as it stands shows, with the same host.
    Lines Fresh() {
        CTrawlviewDoc fresh(host, &measurer);
        fresh.LoadLogFile(path);
        return Displayed(fresh);
    }
    CTrawlviewDoc::FollowStep Look(std::uint64_t maxBytes = 1 << 20) {
        return doc.ReadAppended(path, maxBytes);
    }

    TempDir dir;
    std::string path;
    FakeDocumentHost host;
    FakeTextMeasurer measurer{3, true};
    CTrawlviewDoc doc{host, &measurer};
};

TEST_F(FollowTest, AppendsInStepsWithALineCompletedAcrossTwoAppends) {
    Load("first\r\nsec");
    EXPECT_EQ(Displayed(doc), (Lines{"first", "sec"}));
    const int rebuilds = host.linesChanged;

    Append(path, "ond");
    CTrawlviewDoc::FollowStep step = Look();
    EXPECT_EQ(step.result, Result::Appended);
    EXPECT_EQ(step.firstChanged, 1);  // the unfinished line, taken up again
    EXPECT_EQ(Displayed(doc), (Lines{"first", "second"}));

    Append(path, "\r");
    EXPECT_EQ(Look().result, Result::Appended);
    EXPECT_EQ(Displayed(doc), (Lines{"first", "second"}));
    // The LF of a CR LF split across two appends is no line of its own.
    Append(path, "\nthird\r\n");
    step = Look();
    EXPECT_EQ(step.firstChanged, 1);
    EXPECT_EQ(Displayed(doc), (Lines{"first", "second", "third"}));
    EXPECT_EQ(doc.GetFileSize().value(), 22u);

    EXPECT_EQ(Look().result, Result::Unchanged);
    // No rebuild was asked of the host: the view keeps its selection.
    EXPECT_EQ(host.linesChanged, rebuilds);
}

TEST_F(FollowTest, AppendingInAnyPiecesGivesTheLinesOfAFreshLoad) {
    // Bytes that exercise every rule of the cutter: CR, CR LF, lone LF, NUL and the
    // bytes skipped after it, and lines the filter keeps or drops.
    const std::string alphabet = std::string("ab x\r\n\r\n", 8) + std::string("\0\x01\x85", 3);
    ContainsFilter keep("a", true);
    std::mt19937 random(15);
    for (int round = 0; round < 60; ++round) {
        host.filter = round % 2 == 0 ? nullptr : &keep;
        std::string bytes;
        const std::size_t length = random() % 60;
        for (std::size_t i = 0; i < length; ++i) bytes += alphabet[random() % alphabet.size()];
        std::size_t at = random() % (bytes.size() + 1);
        Load(bytes.substr(0, at));
        while (at < bytes.size()) {
            const std::size_t piece = 1 + random() % 7;
            Append(path, bytes.substr(at, piece));
            at += piece;
            const LineIndex before = doc.GetLineCount();
            const CTrawlviewDoc::FollowStep step = Look(1 + random() % 9);
            ASSERT_NE(step.result, Result::Replaced);
            ASSERT_LE(step.firstChanged, before);
            // A small step leaves bytes for the next look.
            while (Look(1 + random() % 9).result == Result::Appended) {
            }
            ASSERT_EQ(Displayed(doc), Fresh()) << "round " << round << " at " << at;
            ASSERT_EQ(doc.GetWidestLineWidth(), [&] {
                CTrawlviewDoc fresh(host, &measurer);
                fresh.LoadLogFile(path);
                return fresh.GetWidestLineWidth();
            }());
        }
    }
}

TEST_F(FollowTest, TheWidestLineCutAgainIsMeasuredAgain) {
    Load("short\r\nthe longest line so far");
    EXPECT_EQ(doc.GetWidestLine(), 1);
    Append(path, " and longer still\r\nx\r\n");
    Look();
    EXPECT_EQ(doc.GetWidestLine(), 1);
    EXPECT_EQ(doc.GetWidestLineWidth(), doc.GetLineWidth(1));
    DisplayLine pieces;
    doc.GetDisplayLine(1, pieces);
    EXPECT_EQ(pieces.column + pieces.messageHead + std::string(pieces.message),
              doc.GetDisplayText(1));
    EXPECT_EQ(doc.GetDisplayText(1), "the longest line so far and longer still");

    // Completed, the widest line no longer passes the filter: the widest is found anew
    // among the lines before it and the new ones.
    DropFilter drop;
    host.filter = &drop;
    Load("mid width\r\nnarrow\r\nthe widest line, unfinished");
    EXPECT_EQ(doc.GetWidestLine(), 2);
    Append(path, " - drop\r\nab\r\n");
    Look();
    EXPECT_EQ(Displayed(doc), (Lines{"mid width", "narrow", "ab"}));
    EXPECT_EQ(doc.GetWidestLine(), 0);
    EXPECT_EQ(doc.GetWidestLineWidth(), doc.GetLineWidth(0));
}

TEST_F(FollowTest, AShorterOrReplacedLogMustBeLoadedAgainAndAMissingOneWaits) {
    Load("a\r\nb\r\nc\r\n");
    // Copy and truncate: shorter than what was read.
    dir.Write("follow.log", "new\r\n");
    EXPECT_EQ(Look().result, Result::Replaced);

    Load("a\r\nb\r\nc\r\n");
    // Truncated and written past the old length between two looks: other bytes.
    dir.Write("follow.log", "other lines, longer than before\r\n");
    EXPECT_EQ(Look().result, Result::Replaced);

    Load("a\r\nb\r\n");
    // Rotation by rename: the old file goes on growing under its new name.
    std::filesystem::rename(path, dir.Path("follow.log.1"));
    Append(dir.Path("follow.log.1"), "late\r\n");
    EXPECT_EQ(Look().result, Result::Missing);
    EXPECT_EQ(Displayed(doc), (Lines{"a", "b"}));
    dir.Write("follow.log", "a\r\nb\r\nc\r\n");  // a new file, even one that looks grown
    EXPECT_EQ(Look().result, Result::Replaced);
    EXPECT_EQ(Displayed(doc), (Lines{"a", "b"}));
}

TEST_F(FollowTest, APseudoFileThatTellsNoSizeIsNotReloadedOnEveryLook) {
    ASSERT_TRUE(doc.LoadLogFile("/proc/self/status"));
    ASSERT_GT(doc.GetLineCount(), 0);
    EXPECT_EQ(doc.ReadAppended("/proc/self/status", 1 << 20).result, Result::Unchanged);
    // An empty log is no pseudo file: it grows like any other.
    Load("");
    Append(path, "first\r\n");
    EXPECT_EQ(Look().result, Result::Appended);
}

TEST_F(FollowTest, UnfilteredCountIsNotStaleAfterTheLinesAreCutAgainForLfLineEnds) {
    host.excludeInvalid = true;
    Load("no stamp\n12/31/2003 23:59:59 - a\r\n12/31/2003 23:59:59 - b\r\n");
    EXPECT_EQ(doc.GetUnfilteredLineCount(), 2);
    doc.SetLfLineEnds(true);
    EXPECT_EQ(doc.GetUnfilteredLineCount(), 2);  // of three lines now: "no stamp" has no timestamp
    // Appends are cut by the same rules as the load: "c" and "d" are two lines.
    Append(path, "c\nd\r\n");
    Look();
    CTrawlviewDoc fresh(host, &measurer);
    fresh.SetLfLineEnds(true);
    fresh.LoadLogFile(path);
    EXPECT_EQ(Displayed(doc), Displayed(fresh));
    EXPECT_EQ(doc.GetUnfilteredLineCount(), 2);
    host.excludeInvalid = false;
    EXPECT_EQ(doc.GetUnfilteredLineCount(), 5);
}

TEST_F(FollowTest, AFailedLoadIsLoadedWhenTheLogAppears) {
    std::filesystem::remove(path);
    EXPECT_FALSE(doc.LoadLogFile(path));
    EXPECT_EQ(Look().result, Result::Missing);
    dir.Write("follow.log", "here\r\n");
    EXPECT_EQ(Look().result, Result::Replaced);
}

TEST_F(FollowTest, ALargeAppendComesInStepsOfTheGivenSize) {
    Load("");
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += "line " + std::to_string(i) + "\r\n";
    Append(path, bytes);
    CTrawlviewDoc::FollowStep step = Look(4096);
    EXPECT_TRUE(step.more);
    EXPECT_EQ(doc.GetFileSize().value(), 4096u);
    int looks = 1;
    while (step.more) {
        step = Look(4096);
        ++looks;
    }
    EXPECT_EQ(looks, static_cast<int>((bytes.size() + 4095) / 4096));
    EXPECT_EQ(doc.GetLineCount(), 1000);
    EXPECT_EQ(doc.GetLine(999), "line 999");
}

TEST_F(FollowTest, UnfilteredCountLeavesOutOnlyWhatThePreferenceHides) {
    Load("12/31/2003 23:59:59 - one\r\nno time here\r\n");
    EXPECT_EQ(doc.GetUnfilteredLineCount(), 2);
    host.excludeInvalid = true;
    EXPECT_EQ(doc.GetUnfilteredLineCount(), 1);
    // The last line, cut again, is counted once.
    Append(path, "12/31/2003 23:59:59 - tw");
    Look();
    EXPECT_EQ(doc.GetUnfilteredLineCount(), 2);
    Append(path, "o\r\nagain none\r\n");
    Look();
    EXPECT_EQ(doc.GetUnfilteredLineCount(), 2);
    host.excludeInvalid = false;
    EXPECT_EQ(doc.GetUnfilteredLineCount(), 4);
}

}  // namespace

namespace {

// Follow went on silently at the memory limit: the count stopped, the last line stayed
// cut where a look had stopped, and nothing said so.
TEST_F(FollowTest, FollowAtTheMemoryLimitStopsWithWholeLinesAndSaysSo) {
    SKIP_WITHOUT_ADDRESS_SPACE_LIMITS();
    Load("N first\r\n");
    Append(path, "N a line that the first look takes in part of\r\n");
    ASSERT_EQ(Look(10).result, Result::Appended);
    ASSERT_EQ(Displayed(doc), (Lines{"N first", "N a line t"}));
    // Twenty million more lines: their records cannot fit under the limit.
    std::string flood(40 << 20, '\r');
    for (std::size_t i = 0; i < flood.size(); i += 2) flood[i] = 'a';
    Append(path, flood);
    EXPECT_TRUE(UnderAddressSpaceLimit(std::uint64_t{256} << 20, [&] {
        const CTrawlviewDoc::FollowStep step = Look(std::uint64_t{64} << 20);
        return step.result == Result::NoMemory && Displayed(doc) == Lines{"N first"} &&
               step.firstChanged == 1;
    }));
}

}  // namespace
