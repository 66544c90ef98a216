#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <tuple>

#include "AddressSpaceLimit.h"
#include "FilterFileReader.h"
#include "FilterRecords.h"
#include "TempDir.h"

namespace {

class ReaderTest : public testing::Test {
protected:
    Records Read(std::string_view bytes) {
        FilterList list;
        std::string error;
        EXPECT_EQ(FilterFileReader::Read(dir.Write("f.lff", bytes), list, error,
                                         MakeLocaleFormats({}, {})),
                  FilterFileReader::Result::Ok);
        return RecordsOf(list);
    }
    TempDir dir;
};

TEST_F(ReaderTest, ReadsTheFourRecordTypesInFileOrder) {
    EXPECT_EQ(Read("IDisk\nEDEBUG\nP01/01/2003 00:00:00 to 12/31/2003 23:59:59\nFx\n"),
              (Records{{FilterKind::IncludeString, "Disk"},
                       {FilterKind::ExcludeString, "DEBUG"},
                       {FilterKind::IncludeInterval, "01/01/2003 00:00:00 to 12/31/2003 23:59:59"},
                       {FilterKind::ExcludeInterval, "x"}}));
}

TEST_F(ReaderTest, SkipsOtherFirstBytesAndEmptyLines) {
    EXPECT_EQ(Read("iDisk\neDEBUG\n\n# comment\nI\nr[0-9]+\nR[0-9]+\nXa.b\n"),
              (Records{{FilterKind::IncludeString, ""},
                       {FilterKind::IncludePattern, "[0-9]+"},
                       {FilterKind::ExcludePattern, "a.b"}}));
}

TEST_F(ReaderTest, CrLfEndsARecordAndTheLastRecordNeedsNoLf) {
    FilterList list;
    std::string error;
    ASSERT_EQ(
        FilterFileReader::Read(
            dir.Write("w.lff", "IDisk\r\nP01/01/2003 00:00:00 to 12/31/2003 23:59:59\r\nEtail"),
            list, error, MakeLocaleFormats({}, {})),
        FilterFileReader::Result::Ok);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].text, "Disk");
    EXPECT_EQ(list[1].to, (LogTime{2003, 12, 31, 23, 59, 59}));
    EXPECT_EQ(list[2].text, "tail");
}

TEST_F(ReaderTest, RecordsOfAnyLengthAcrossChunks) {
    const std::string big(5 * 1024 * 1024, 'x');
    std::string exact = "I";  // exactly one chunk
    exact.append(1022, 'y').append("\n");
    EXPECT_EQ(Read(exact), (Records{{FilterKind::IncludeString, std::string(1022, 'y')}}));
    EXPECT_EQ(Read("E" + big + "\nIafter\n"),
              (Records{{FilterKind::ExcludeString, big}, {FilterKind::IncludeString, "after"}}));
    std::string many;
    for (int i = 0; i < 100000; ++i) many.append("I").append(std::to_string(i)).append("\n");
    const Records r = Read(many);
    ASSERT_EQ(r.size(), 100000u);
    EXPECT_EQ(r.back().second, "99999");
}

TEST_F(ReaderTest, BinaryBytesAreTextLikeAnyOther) {
    using namespace std::string_literals;
    EXPECT_EQ(Read("I\0\xff\x01z\n\0\0\nE\x80\n"s),
              (Records{{FilterKind::IncludeString, "\0\xff\x01z"s},
                       {FilterKind::ExcludeString, "\x80"}}));
}

TEST_F(ReaderTest, AnUnreadableIntervalSilentlyBecame1970To2037AndIsNowNamedInAWarning) {
    const std::string fallback =
        "These interval records cannot be read in this date order and cover "
        "1970-01-01 00:00:00 to 2037-12-31 23:59:59: ";
    const std::string crOnly =
        "Its lines seem to end with CR alone, so the whole file was read as one record.";
    const LocaleValues mdy;
    LocaleValues dmy;
    dmy.order = DateOrder::DMY;
    // The file, whether it is read under DMY, the warning.
    const std::tuple<std::string, bool, std::string> cases[] = {
        {"P01/01/2003 00:00:00 to 12/31/2003 23:59:59\nIgarbage\nEx\n", false, ""},
        {"Pgarbage\nF01/01/2003 00:00:00\nIok\n", false,
         fallback + "Pgarbage, F01/01/2003 00:00:00."},
        {"P01/13/2003 00:00:00 to 12/31/2003 23:59:59\n", true,
         fallback + "P01/13/2003 00:00:00 to 12/31/2003 23:59:...."},
        {"Pa\nPb\nPc\nPd\nPe\nPf\nPg\n", false, fallback + "Pa, Pb, Pc, Pd, Pe and 2 more."},
        {"IDisk\rEx\r", false, crOnly},
        {"Px\rIy\r", false, fallback + "Px?Iy. " + crOnly},
    };
    for (const auto& [bytes, underDmy, warning] : cases) {
        const LocaleFormats formats = MakeLocaleFormats(underDmy ? dmy : mdy, {});
        FilterList list;
        std::string error;
        ASSERT_EQ(FilterFileReader::Read(dir.Write("w.lff", bytes), list, error, formats),
                  FilterFileReader::Result::Ok);
        EXPECT_EQ(FilterFileReader::Warning(list, formats), warning) << bytes;
    }
}

TEST_F(ReaderTest, OpenFailuresChangeNothing) {
    FilterList list;
    list.Append("keep", FilterKind::IncludeString);
    std::string error;
    EXPECT_EQ(FilterFileReader::Read(dir.Path("missing.lff"), list, error),
              FilterFileReader::Result::OpenFailed);
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_EQ(FilterFileReader::Read(dir.Path(""), list, error),
              FilterFileReader::Result::OpenFailed);
    EXPECT_EQ(RecordsOf(list), (Records{{FilterKind::IncludeString, "keep"}}));
}

TEST_F(ReaderTest, FifosAndEndlessDevicesAreRefusedNotReadForever) {
    // A FIFO blocked the open for ever; /dev/zero was read until memory ran out.
    alarm(120);
    FilterList list;
    list.Append("keep", FilterKind::IncludeString);
    std::vector<std::string> paths = dir.NotRegularFiles("fifo.lff", "/dev/urandom");
    paths.push_back("/dev/zero");
    for (const std::string& path : paths) {
        std::string error;
        EXPECT_EQ(FilterFileReader::Read(path, list, error), FilterFileReader::Result::OpenFailed)
            << path;
        EXPECT_EQ(error, "Not a regular file");
        EXPECT_EQ(RecordsOf(list), (Records{{FilterKind::IncludeString, "keep"}}));
    }
    alarm(0);
}

// A 2 GiB sparse filter file was held whole as one line, with no way to stop the read.
TEST_F(ReaderTest, AHugeFilterFileWasBuiltUntilTheProcessDiedAndIsNowPassedOverOrCancelled) {
    SKIP_WITHOUT_ADDRESS_SPACE_LIMITS();
    const std::string zeros = dir.Write("zeros.lff", "");
    std::filesystem::resize_file(zeros, std::uint64_t{1} << 30);
    FilterList list;
    std::string error;
    EXPECT_TRUE(UnderAddressSpaceLimit(std::uint64_t{64} << 20, [&] {
        return FilterFileReader::Read(zeros, list, error) == FilterFileReader::Result::Ok &&
               list.empty();
    }));
    list.Append("keep", FilterKind::IncludeString);
    int fd = -1;
    ASSERT_EQ(FilterFileReader::Open(zeros, fd, error), FilterFileReader::Result::Ok);
    std::uint64_t total = 0;
    const auto cancel = [&](std::uint64_t, std::uint64_t all) { return (total = all) == 0; };
    EXPECT_EQ(FilterFileReader::ReadOpen(fd, list, error, cancel),
              FilterFileReader::Result::Cancelled);
    close(fd);
    EXPECT_EQ(total, std::uint64_t{2} << 30);  // counted, then built
    EXPECT_EQ(RecordsOf(list), (Records{{FilterKind::IncludeString, "keep"}}));
}

// Pattern records were checked for their bytes alone, though each compiled pattern and its
// matching cache take far more than its text.
TEST_F(ReaderTest, PatternsWereCheckedAsTextAloneAndNowCountWhatTheirEngineTakes) {
    SKIP_WITHOUT_ADDRESS_SPACE_LIMITS();
    std::string strings, patterns;
    for (int i = 0; i < 2000; ++i) {
        const std::string text = "error " + std::to_string(i) + " [0-9]+\n";
        strings += "I" + text;
        patterns += (i % 2 ? "R" : "X") + text;
    }
    const std::string stringFile = dir.Write("s.lff", strings);
    const std::string patternFile = dir.Write("p.lff", patterns);
    EXPECT_TRUE(UnderAddressSpaceLimit(std::uint64_t{160} << 20, [&] {
        FilterList list;
        std::string error;
        return FilterFileReader::Read(stringFile, list, error) == FilterFileReader::Result::Ok &&
               FilterFileReader::Read(patternFile, list, error) ==
                   FilterFileReader::Result::NoMemory &&
               list.size() == 2000 && list[0].kind == FilterKind::IncludeString;
    }));
}

}  // namespace
