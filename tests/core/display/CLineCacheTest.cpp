#include <gtest/gtest.h>

#include <string>

#include "CLineCache.h"
#include "CTrawlviewDoc.h"
#include "FakeDocumentHost.h"
#include "FakeTextMeasurer.h"
#include "LocaleFormats.h"
#include "PinnedLocales.h"
#include "TempDir.h"

namespace {

class LineCacheTest : public testing::Test {
protected:
    void SetUp() override { PinLocales(); }
    void Load(const std::string& bytes) {
        ASSERT_TRUE(doc.LoadLogFile(dir.Write("log.log", bytes)));
    }

    TempDir dir;
    FakeDocumentHost host;
    FakeTextMeasurer measurer;
    CTrawlviewDoc doc{host, &measurer};
    CLineCache cache;
};

TEST_F(LineCacheTest, LongLineIsWalkedOnlyAsFarAsAPositionAsks) {
    // A message of 1 MiB at 3 pixels a byte.
    Load(std::string(1 << 20, 'x') + "\r\n");
    CLineCache::Entry& entry = cache.Get(doc, 0);
    ASSERT_EQ(entry.pieces.message.size(), std::size_t{1} << 20);

    const CLineCache::Checkpoint near = cache.Seek(entry, 3 * 50000, measurer);
    EXPECT_LE(near.offset, 50000u);
    EXPECT_GT(near.offset + CLineCache::kStride, 50000u);
    EXPECT_EQ(near.width, 3 * static_cast<std::int64_t>(near.offset));
    EXPECT_FALSE(entry.complete);
    EXPECT_LE(entry.checkpoints.size(), 50000 / CLineCache::kStride + 2);

    // Past the end: the last checkpoint is the message's end, and seeking back finds the
    // checkpoints already made.
    const CLineCache::Checkpoint end = cache.Seek(entry, INT64_C(1) << 40, measurer);
    EXPECT_TRUE(entry.complete);
    EXPECT_EQ(end.offset, std::uint64_t{1} << 20);
    EXPECT_EQ(end.width, 3 << 20);
    const int calls = measurer.calls;
    EXPECT_EQ(cache.Seek(entry, 3 * 50000, measurer).offset, near.offset);
    EXPECT_EQ(cache.Seek(entry, -5, measurer).offset, 0u);
    EXPECT_EQ(measurer.calls, calls);
}

TEST_F(LineCacheTest, CheckpointsOfAUtf8LineFallBetweenCharacters) {
    // An en dash is three bytes: the stride alone would cut through one.
    std::string line = "12/31/2003 10:00:00 - ";
    for (int i = 0; i < 10000; ++i) line += "\xE2\x80\x93";
    Load(line + "\r\n");
    CLineCache::Entry& entry = cache.Get(doc, 0);
    ASSERT_EQ(entry.pieces.reading, TextReading::Utf8);
    cache.Seek(entry, INT64_C(1) << 40, measurer);
    ASSERT_GT(entry.checkpoints.size(), 5u);
    for (const CLineCache::Checkpoint& c : entry.checkpoints) {
        EXPECT_EQ(c.offset % 3, 0u);
        EXPECT_EQ(c.width, 3 * static_cast<std::int64_t>(c.offset));
    }
}

TEST_F(LineCacheTest, AnEntryAlwaysHoldsTheLineAskedFor) {
    std::string bytes;
    for (std::size_t i = 0; i < CLineCache::kSlots + 2; ++i)
        bytes += "line " + std::to_string(i) + "\r\n";
    Load(bytes);
    EXPECT_EQ(cache.Get(doc, 1).pieces.message, "line 1");
    // Lines a whole number of slots apart share a slot.
    EXPECT_EQ(cache.Get(doc, CLineCache::kSlots + 1).pieces.message,
              "line " + std::to_string(CLineCache::kSlots + 1));
    EXPECT_EQ(cache.Get(doc, 1).pieces.message, "line 1");

    // After the document changes and the cache is cleared, line 1 is the new line 1.
    Load("first\r\nsecond\r\n");
    cache.Clear();
    EXPECT_EQ(cache.Get(doc, 1).pieces.message, "second");
}

}  // namespace

namespace {

TEST_F(LineCacheTest, AnUnfinishedLineCompletedByAnAppendIsNotDrawnFromItsOldPieces) {
    const std::string path = dir.Write("log.log", "first line\r\nunfini");
    ASSERT_TRUE(doc.LoadLogFile(path));
    CLineCache::Entry& first = cache.Get(doc, 0);
    cache.Seek(first, INT64_C(1) << 40, measurer);
    ASSERT_TRUE(first.complete);
    ASSERT_EQ(cache.Get(doc, 1).pieces.message, "unfini");

    dir.Write("log.log", "first line\r\nunfinished at last\r\n");
    const CTrawlviewDoc::FollowStep step = doc.ReadAppended(path, 1 << 20);
    ASSERT_EQ(step.firstChanged, 1);
    cache.ForgetFrom(step.firstChanged);
    const CLineCache::Entry& second = cache.Get(doc, 1);
    EXPECT_EQ(second.pieces.column + std::string(second.pieces.message), "unfinished at last");
    // The lines before keep their checkpoints.
    const int calls = measurer.calls;
    EXPECT_TRUE(cache.Get(doc, 0).complete);
    EXPECT_EQ(measurer.calls, calls);
}

}  // namespace
