#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "CLineFinder.h"
#include "COverview.h"
#include "COverviewRows.h"
#include "CTrawlviewDoc.h"
#include "ContainsFilter.h"
#include "FakeDocumentHost.h"
#include "LineColor.h"
#include "PinnedLocales.h"
#include "TempDir.h"

namespace {

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

TEST(COverviewRowsTest, RowsShareTheLinesOutEvenlyAndAShortLogFillsEveryRow) {
    const struct {
        std::int64_t lines;
        int rows;
    } cases[] = {{0, 500},
                 {1, 500},
                 {7, 500},
                 {500, 500},
                 {501, 500},
                 {999, 500},
                 {5'700'000, 713},
                 {11'000'000, 1},
                 {kInt32Max, 4096},
                 {kInt32Max + 2, 777},
                 {std::int64_t{1} << 62, 4095}};
    for (const auto& c : cases) {
        const COverviewRows rows(c.lines, c.rows);
        const std::string at = std::to_string(c.lines) + " lines, " + std::to_string(c.rows);
        ASSERT_EQ(rows.UsedRows(), c.lines > 0 ? c.rows : 0) << at;
        const std::int64_t fewest = c.lines / c.rows;
        std::int64_t expected = 0;
        for (int r = 0; r < c.rows && c.lines > 0; ++r) {
            const std::int64_t size = rows.EndLine(r) - rows.FirstLine(r);
            if (c.lines < c.rows) {
                // Each row stands for the line it lies in, on the scroll bar's scale, and
                // each line for a run of rows.
                ASSERT_EQ(rows.FirstLine(r), r * c.lines / c.rows) << at << " row " << r;
                ASSERT_EQ(size, 1) << at << " row " << r;
                const std::int64_t line = rows.FirstLine(r);
                if (r == 0 || rows.FirstLine(r - 1) != line) {
                    EXPECT_EQ(rows.RowOf(line), r) << at;
                }
                if (r + 1 == c.rows || rows.FirstLine(r + 1) != line) {
                    EXPECT_EQ(rows.LastRowOf(line), r) << at;
                }
                expected = rows.EndLine(r);
                continue;
            }
            ASSERT_EQ(rows.FirstLine(r), expected) << at << " row " << r;
            ASSERT_TRUE(size == fewest || size == fewest + 1) << at << " row " << r;
            EXPECT_EQ(rows.RowOf(rows.FirstLine(r)), r) << at;
            EXPECT_EQ(rows.LastRowOf(rows.EndLine(r) - 1), r) << at;
            expected = rows.EndLine(r);
        }
        EXPECT_EQ(expected, c.lines) << at;
        EXPECT_EQ(rows.RowOf(-1), std::nullopt) << at;
        EXPECT_EQ(rows.RowOf(c.lines), std::nullopt) << at;
    }
}

// A log of red, yellow and plain lines, some holding "needle", some "Needle" and some
// "needles"; what the overview shows is compared with the rows worked out line by line.
class COverviewTest : public testing::Test {
protected:
    void SetUp() override { PinLocales(); }

    std::string MakeLog(int count, unsigned seed) {
        std::mt19937 random(seed);
        const auto pick = [&random](unsigned n) { return static_cast<unsigned>(random() % n); };
        std::string bytes;
        const char* prefixes[] = {"R ", "Y ", "N ", "", "G "};
        const char* words[] = {"needle", "Needle", "needles", "hay", "x"};
        for (int i = 0; i < count; ++i) {
            bytes += prefixes[pick(5)];
            // Runs of equal lines, so that buckets hold one mark, none or all.
            const unsigned word = (i / 300) % 3 == 0 ? 3u : pick(5);
            bytes += "2024-01-01 00:00:00 line " + std::to_string(i) + " " + words[word];
            bytes += "\r\n";
        }
        return bytes;
    }

    // The rows line by line: the bits of every line of each row.
    std::vector<std::uint8_t> Expected(int rows, const CLineFinder* finder) const {
        const COverviewRows map(doc.GetLineCount(), rows);
        std::vector<std::uint8_t> out(static_cast<std::size_t>(rows), 0);
        for (LineIndex i = 0; i < doc.GetLineCount(); ++i) {
            const std::string_view line = doc.GetLine(i);
            unsigned bits = 0;
            if (LineColorOf(line) == LineColor::Red) bits |= 1u << kMarkRed;
            if (LineColorOf(line) == LineColor::Yellow) bits |= 1u << kMarkYellow;
            if (finder != nullptr && finder->Matches(line)) bits |= 1u << kMarkFind;
            for (int r = *map.RowOf(i); r <= *map.LastRowOf(i); ++r)
                out[static_cast<std::size_t>(r)] |= static_cast<std::uint8_t>(bits);
        }
        return out;
    }

    void ExpectRows(COverview& overview, const CLineFinder* finder, const std::string& at) {
        overview.Resume();
        overview.Finish();
        ASSERT_TRUE(overview.IsComplete()) << at;
        for (const int rows : {1, 37, 480, 1080, COverviewMarks::kMaxRows}) {
            std::vector<std::uint8_t> folded;
            overview.Fold(rows, folded);
            EXPECT_EQ(folded, Expected(rows, finder)) << at << ", " << rows << " rows";
        }
    }

    TempDir dir;
    FakeDocumentHost host;
    CTrawlviewDoc doc{host, nullptr};
};

TEST_F(COverviewTest, RowsHoldTheMarksOfExactlyTheirLines) {
    const struct {
        const char* text;
        bool regex, matchCase, wholeWord;
    } finds[] = {{"", false, false, false},         {"needle", false, false, false},
                 {"needle", false, true, true},     {"Needle", false, true, false},
                 {"ne+dles?$", true, false, false}, {"line 1", false, false, false}};
    for (const int count : {1, 3, 700, 20'000}) {
        doc.LoadLogFile(dir.Write("marks.log", MakeLog(count, static_cast<unsigned>(count))));
        COverview overview(doc, nullptr);
        for (const auto& f : finds) {
            std::shared_ptr<const CLineFinder> finder;
            if (*f.text != '\0') {
                finder =
                    f.regex ? std::make_shared<const CLineFinder>(CLineFinder::RegularExpression{},
                                                                  f.text, f.matchCase, f.wholeWord)
                            : std::make_shared<const CLineFinder>(f.text, f.matchCase, f.wholeWord);
            }
            overview.SetFinder(finder);
            ExpectRows(overview, finder.get(), std::to_string(count) + " lines, " + f.text);
        }
    }
}

TEST_F(COverviewTest, AppendsAndRebuildsStopTheJobAndOnlyNewLinesAreMarkedAgain) {
    const std::string path = dir.Write("grows.log", MakeLog(30'000, 7));
    ASSERT_TRUE(doc.LoadLogFile(path));
    int ready = 0;
    COverview overview(doc, [&ready] { ++ready; });
    const auto finder = std::make_shared<const CLineFinder>("needle", false, false);
    overview.SetFinder(finder);
    // Each change lands while the job reads the lines; the document stops it first.
    for (int step = 0; step < 12; ++step) {
        overview.Resume();
        ASSERT_TRUE(overview.IsRunning() || overview.IsComplete());
        std::ofstream(path, std::ios::binary | std::ios::app)
            << MakeLog(997, 100u + static_cast<unsigned>(step));
        const CTrawlviewDoc::FollowStep appended = doc.ReadAppended(path, 1u << 20);
        ASSERT_EQ(appended.result, CTrawlviewDoc::FollowResult::Appended);
        EXPECT_FALSE(overview.IsRunning());
        const std::size_t kept = overview.Marks().Known(kMarkRed);
        overview.LinesAppended(appended.firstChanged);
        EXPECT_LE(overview.Marks().Known(kMarkRed),
                  static_cast<std::size_t>(appended.firstChanged / overview.Marks().BucketLines()));
        EXPECT_LE(overview.Marks().Known(kMarkRed), kept);
    }
    ExpectRows(overview, finder.get(), "after appends");
    // A bucket known before an append is not computed again.
    const std::size_t known = overview.Marks().Known(kMarkRed);
    std::ofstream(path, std::ios::binary | std::ios::app) << MakeLog(5, 1);
    const CTrawlviewDoc::FollowStep appended = doc.ReadAppended(path, 1u << 20);
    overview.LinesAppended(appended.firstChanged);
    EXPECT_GE(overview.Marks().Known(kMarkRed) + 1, known);

    overview.Resume();
    ContainsFilter hay("hay", true);
    host.filter = &hay;
    doc.RebuildDisplay();
    EXPECT_FALSE(overview.IsRunning());
    overview.LinesReplaced();
    ExpectRows(overview, finder.get(), "after a rebuild");
    EXPECT_GT(ready, 0);
}

}  // namespace
