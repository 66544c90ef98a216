#include <gtest/gtest.h>

#include "FilterFileBytes.h"
#include "FilterFileReader.h"
#include "FilterRecords.h"
#include "TempDir.h"

namespace {

TEST(FilterFileBytes, ReadingTheSavedBytesGivesTheSameList) {
    using namespace std::string_literals;
    const Records written = {
        {FilterKind::IncludeString, "Disk"},
        {FilterKind::ExcludeString,
         "Gr\xc3\xb6\xc3\x9f"
         "e \x96 cp1252"},
        {FilterKind::IncludeInterval, "01/01/2003 00:00:00 to 12/31/2003 23:59:59"},
        {FilterKind::ExcludeInterval, "12/31/2004 23:59:59 to 01/01/2004 00:00:00"},
        {FilterKind::IncludeString, std::string(3000, 'x') + "\r" + std::string(700, 'y')},
        {FilterKind::IncludeString, ""},
        {FilterKind::ExcludeString, "nul\0inside"s},
        {FilterKind::IncludePattern, "checksum [0-9a-f]{8}"},
        {FilterKind::ExcludePattern, "ab("},
    };
    const FilterList list = MakeFilterList(written);
    std::string bytes;
    ASSERT_EQ(MakeFilterFileBytes(list, bytes), nullptr);
    EXPECT_EQ(bytes.substr(0, 9), "IDisk\nEGr");

    TempDir dir;
    FilterList read;
    std::string error;
    ASSERT_EQ(FilterFileReader::Read(dir.Write("round.lff", bytes), read, error),
              FilterFileReader::Result::Ok);
    EXPECT_EQ(RecordsOf(read), written);
    EXPECT_EQ(read[3].from, (LogTime{2004, 1, 1, 0, 0, 0}));
    ASSERT_EQ(MakeFilterFileBytes({}, bytes), nullptr);
    EXPECT_EQ(bytes, "");
}

TEST(FilterFileBytes, TextsThatCannotBeOneRecordAreRefusedByName) {
    for (const std::string bad : {"two\nlines", "\n", "ends in CR\r"}) {
        const FilterList list = MakeFilterList({{FilterKind::IncludeString, "fine"},
                                                {FilterKind::ExcludeString, bad},
                                                {FilterKind::ExcludeString, "b\nc"}});
        std::string bytes;
        const LogFilter* refused = MakeFilterFileBytes(list, bytes);
        ASSERT_NE(refused, nullptr);
        EXPECT_EQ(refused->text, bad);
    }
    FilterList unset;
    unset.Append(LogFilter{});
    std::string bytes;
    EXPECT_EQ(MakeFilterFileBytes(unset, bytes), &unset[0]);
}

}  // namespace
