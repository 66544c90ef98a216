#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "CLineCutter.h"
#include "CTrawlviewDoc.h"
#include "ContainsFilter.h"
#include "DisplayedLines.h"
#include "FakeDocumentHost.h"
#include "LocaleFormats.h"
#include "PinnedLocales.h"
#include "TempDir.h"

namespace {

// A log of several pieces: lines of every length up to a few hundred bytes, ends of
// every kind (CR LF, CR, LF, NUL and the control bytes skipped after it), and a line of
// over a piece's worth of bytes in the middle.
std::string MixedLog(std::size_t lines) {
    std::string bytes;
    const char* ends[] = {"\r\n", "\r", "\n", std::string_view("\0\x01\r\n", 4).data()};
    for (std::size_t i = 0; i < lines; ++i) {
        bytes += (i % 7 == 0 ? "R " : "N ") + std::to_string(i) + " heartbeat" +
                 std::string(i % 300, 'x');
        if (i == lines / 2) bytes += std::string(CLoadJob::kPieceBytes + 5, 'L');
        const std::size_t end = i % 4;
        bytes.append(ends[end], end == 3 ? 4 : std::char_traits<char>::length(ends[end]));
    }
    return bytes + "last line without an end";
}

// The lines a single cut of the whole log gives, passed through filter when given.
Lines CutWhole(std::string bytes, bool lfEndsLine, const ContainsFilter* filter) {
    const std::size_t size = bytes.size();
    bytes.append(1 + kScanPadding, '\0');
    Lines out;
    CLineCutter(lfEndsLine)
        .Cut(bytes.data(), size, true, [&](std::uint64_t start, std::uint64_t length) {
            const std::string line =
                bytes.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length));
            if (filter == nullptr || filter->Passes(line)) out.push_back(line);
        });
    return out;
}

class DocLoadTest : public testing::Test {
protected:
    void SetUp() override { PinLocales(); }
    TempDir dir;
    FakeDocumentHost host;
    CTrawlviewDoc doc{host, nullptr};
};

TEST_F(DocLoadTest, ALoadInPiecesGivesTheLinesOfOneCut) {
    const std::string bytes = MixedLog(60000);  // over two pieces, and a line longer than one
    const std::string path = dir.Write("mixed.log", bytes);
    ContainsFilter sevens("7 heartbeat", true);
    for (const bool lf : {false, true}) {
        for (const ContainsFilter* filter :
             std::initializer_list<const ContainsFilter*>{nullptr, &sevens}) {
            SCOPED_TRACE(testing::Message() << "lf " << lf << " filtered " << (filter != nullptr));
            host.filter = filter;
            host.piecesArrived = 0;
            doc.SetLfLineEnds(lf);
            ASSERT_TRUE(doc.StartLoad(path));
            EXPECT_TRUE(doc.IsLoading()) << "the rest comes in pieces";
            EXPECT_LE(doc.GetLineCount(), 4096);
            ASSERT_TRUE(doc.FinishLoad());
            EXPECT_TRUE(doc.ReadsFilePages());
            EXPECT_GT(host.piecesArrived, 0);
            EXPECT_EQ(Displayed(doc), CutWhole(bytes, lf, filter));
            EXPECT_EQ(host.loadEnds.back(), true);
            EXPECT_FALSE(doc.IsLoading());
        }
    }
}

TEST_F(DocLoadTest, FiltersChangedDuringALoadApplyToEveryLine) {
    const std::string bytes = MixedLog(100000);
    const std::string path = dir.Write("mixed.log", bytes);
    ContainsFilter ones("1 heartbeat", false);
    ASSERT_TRUE(doc.StartLoad(path));
    ASSERT_TRUE(doc.IsLoading());
    host.filter = &ones;
    doc.RebuildDisplay();
    ASSERT_TRUE(doc.FinishLoad());
    EXPECT_EQ(Displayed(doc), CutWhole(bytes, false, &ones));
    // The preference's cut changes mid-load too: the bytes are cut again from the start.
    ASSERT_TRUE(doc.StartLoad(path));
    EXPECT_TRUE(doc.SetLfLineEnds(true));
    ASSERT_TRUE(doc.FinishLoad());
    EXPECT_EQ(Displayed(doc), CutWhole(bytes, true, &ones));
}

TEST_F(DocLoadTest, AnotherLoadOrTheDocumentsEndStopsARunningLoad) {
    const std::string big = dir.Write("big.log", MixedLog(100000));
    const std::string small = dir.Write("small.log", "one\r\ntwo\r\n");
    ASSERT_TRUE(doc.StartLoad(big));
    ASSERT_TRUE(doc.StartLoad(small));
    EXPECT_FALSE(doc.IsLoading());
    EXPECT_EQ(Displayed(doc), (Lines{"one", "two"}));
    doc.TakeLoadedLines();  // a late notice of the stopped load changes nothing
    EXPECT_EQ(doc.GetLineCount(), 2);
    {
        FakeDocumentHost other;
        CTrawlviewDoc closing(other, nullptr);
        ASSERT_TRUE(closing.StartLoad(big));
        EXPECT_TRUE(closing.IsLoading());
    }  // gone mid-load: its job must not outlive it
}

TEST_F(DocLoadTest, AFileRemovedOrReplacedAfterItsOpenStillLoadsWhatWasOpened) {
    const std::string bytes = MixedLog(60000);
    const std::string path = dir.Write("gone.log", bytes);
    ASSERT_TRUE(doc.StartLoad(path));
    std::filesystem::remove(path);
    mkfifo(path.c_str(), 0600);  // the name is now a FIFO, which must not be waited on
    ASSERT_TRUE(doc.FinishLoad());
    EXPECT_EQ(Displayed(doc), CutWhole(bytes, false, nullptr));
}

// A file cut short while mapped raised SIGBUS in whichever read touched a vanished page.
TEST_F(DocLoadTest, AFileTruncatedDuringOrAfterTheLoadReadsAsZerosInsteadOfKillingTheProgram) {
    const std::string bytes = MixedLog(100000);
    const std::string path = dir.Write("cut.log", bytes);
    ASSERT_TRUE(doc.LoadLogFile(path));
    EXPECT_FALSE(doc.IsCutShort());
    ASSERT_EQ(truncate(path.c_str(), 10000), 0);
    std::uint64_t sum = 0;
    for (LineIndex i = 0; i < doc.GetLineCount(); ++i) {
        for (const char c : doc.GetLine(i)) sum += static_cast<unsigned char>(c);
    }
    EXPECT_GT(sum, 0u);
    EXPECT_TRUE(doc.IsCutShort());
    EXPECT_EQ(doc.GetLine(0), CutWhole(bytes, false, nullptr)[0])
        << "the bytes still in the file stay";

    // Cut short while its lines are being cut: the load ends, with zeros past the cut.
    dir.Write("cut.log", bytes);
    ASSERT_TRUE(doc.StartLoad(path));
    ASSERT_EQ(truncate(path.c_str(), 5000), 0);
    ASSERT_TRUE(doc.FinishLoad());
    EXPECT_TRUE(doc.IsCutShort());
    // Loaded again, it is whole.
    ASSERT_TRUE(doc.LoadLogFile(path));
    EXPECT_FALSE(doc.IsCutShort());
    EXPECT_EQ(doc.GetFileSize().value(), 5000u);
}

// A file system that cannot map its files (here a kernel attribute file, which also tells
// a size larger than what it holds) is read instead.
TEST_F(DocLoadTest, AFileThatCannotBeMappedIsReadInstead) {
    const std::string path = "/sys/kernel/mm/transparent_hugepage/enabled";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is not there";
    std::ifstream in(path);
    std::string text;
    std::getline(in, text);
    ASSERT_TRUE(doc.LoadLogFile(path));
    EXPECT_FALSE(doc.ReadsFilePages());
    EXPECT_EQ(Displayed(doc), Lines{text + "\n"});
}

// Logs that change while they are read or after.

TEST_F(DocLoadTest, ALoadedLogKeepsItsLinesWhenTheFileChangesAndReloadShowsTheNew) {
    const std::string log = dir.Write("events.log", "one\r\ntwo\r\nthree\r\n");
    ASSERT_TRUE(doc.LoadLogFile(log));

    dir.Write("events.log", "1\r\n");  // truncated by another process
    EXPECT_EQ(Displayed(doc), (Lines{"one", "two", "three"}));
    ASSERT_TRUE(doc.LoadLogFile(log));
    EXPECT_EQ(Displayed(doc), Lines{"1"});

    std::ofstream(log, std::ios::app) << "appended\r\nand more";
    EXPECT_EQ(Displayed(doc), Lines{"1"});
    ASSERT_TRUE(doc.LoadLogFile(log));
    EXPECT_EQ(Displayed(doc), (Lines{"1", "appended", "and more"}));
    EXPECT_EQ(doc.GetFileSize().value(), 21u);
}

// Changes the file after the document has opened it and before it reads it: the path
// is handed to the host between the two.
class ChangingHost : public FakeDocumentHost {
public:
    void SetLogPath(const std::string& path) override {
        FakeDocumentHost::SetLogPath(path);
        if (++calls == 1 && change) change(path);
    }
    int calls = 0;
    std::function<void(const std::string&)> change;
};

TEST_F(DocLoadTest, ALogCutShortWhileItIsReadEndedInAStrayLineAndNowEndsWhereItWasCut) {
    // Large enough to be cut in several pieces; the file shrinks into the first piece, a
    // later one, or grows. What vanished reads as zeros, which hold no line, and the
    // document knows it was cut short. The file's last part page holds text: read when the
    // file was opened, it used to follow the zeros as a line of its own.
    std::string bytes;
    for (int i = 0; bytes.size() < 3 * CLoadJob::kPieceBytes + (1u << 20); ++i) {
        bytes += "line " + std::to_string(i) + "\r\n";
    }
    bytes += "last line without an end";
    const std::string log = dir.Path("events.log");
    for (const std::uint64_t newSize :
         {CLoadJob::kPieceBytes / 2, 5 * CLoadJob::kPieceBytes / 2, 4 * CLoadJob::kPieceBytes}) {
        dir.Write("events.log", bytes);
        ChangingHost changing;
        changing.change = [&](const std::string& path) {
            if (newSize < bytes.size()) {
                ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(newSize)), 0);
            } else {
                std::ofstream(path, std::ios::app) << std::string(newSize - bytes.size(), 'x');
            }
        };
        CTrawlviewDoc changed(changing, nullptr);
        ASSERT_TRUE(changed.LoadLogFile(log));
        const std::uint64_t kept = std::min<std::uint64_t>(newSize, bytes.size());
        EXPECT_EQ(changed.GetFileSize().value(), bytes.size());
        EXPECT_EQ(changed.IsCutShort(), newSize < bytes.size());
        ASSERT_GT(changed.GetLineCount(), 0);
        const std::string_view last = changed.GetLine(changed.GetLineCount() - 1);
        EXPECT_EQ(last.data() + last.size() - changed.GetLine(0).data(),
                  static_cast<std::ptrdiff_t>(kept - (bytes[kept - 1] == '\n'   ? 2
                                                      : bytes[kept - 1] == '\r' ? 1
                                                                                : 0)));
    }
}

}  // namespace
