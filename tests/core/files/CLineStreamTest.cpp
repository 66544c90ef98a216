#include <gtest/gtest.h>

#include <cstring>

#include "CLineStream.h"
#include "ContainsFilter.h"
#include "StreamedText.h"

namespace {

using Lines = std::vector<std::string>;
using namespace std::string_literals;

// All lines of the bytes cut in one piece, as the document cuts a loaded file.
Lines CutWhole(const std::string& bytes) {
    std::vector<char> buffer(bytes.begin(), bytes.end());
    buffer.resize(bytes.size() + 1 + kScanPadding, '\0');
    Lines out;
    CLineCutter cutter;
    cutter.Cut(buffer.data(), bytes.size(), true, [&](std::uint64_t start, std::uint64_t length) {
        out.emplace_back(buffer.data() + start, length);
    });
    return out;
}

Lines Stream(const std::string& bytes, std::size_t block, const ILineFilter* filter) {
    CLineSelector selector(filter, false, GetLocaleFormats());
    CLineStream stream(block);
    StreamedLines streamed;
    EXPECT_TRUE(
        stream.Run(selector, bytes.size(), TextSource{bytes},
                   [&](std::string_view piece, bool ends) { return streamed(piece, ends); }));
    return streamed.lines;
}

TEST(CLineStream, BlocksOfAnySizeGiveTheLinesOfTheWholeFile) {
    const char alphabet[] = "ab x\r\n\0\x01\x85";
    const std::string needles[] = {"ab", "a", "b\x01", "\r", "x a", "\n", "\x85", "\0a"s, "b\r\n"};
    std::uint64_t state = 7;
    auto next = [&state] {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<std::size_t>(state >> 33);
    };
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(next() % 120, 'a');
        for (char& c : bytes) c = alphabet[next() % (sizeof alphabet - 1)];
        const Lines all = CutWhole(bytes);
        const std::size_t block = 1 + next() % 48;
        ASSERT_EQ(Stream(bytes, block, nullptr), all)
            << testing::PrintToString(bytes) << " block " << block;
        for (const std::string& needle : needles) {
            Lines expected;
            for (const std::string& line : all) {
                if (line.find(needle) != std::string::npos) expected.push_back(line);
            }
            const ContainsFilter each(needle, false), around(needle, true);
            ASSERT_EQ(Stream(bytes, block, &each), expected)
                << testing::PrintToString(bytes) << " block " << block;
            ASSERT_EQ(Stream(bytes, block, &around), expected)
                << testing::PrintToString(bytes) << " needle " << testing::PrintToString(needle)
                << " block " << block;
        }
    }
}

TEST(CLineStream, ALineLongerThanTheBlockIsKeptWhole) {
    const std::string longLine(100000, 'q');
    const std::string bytes = "start\r\n" + longLine + "z\r\nend";
    EXPECT_EQ(Stream(bytes, 64, nullptr), (Lines{"start", longLine + "z", "end"}));
    const ContainsFilter z("qz", true);
    EXPECT_EQ(Stream(bytes, 64, &z), Lines{longLine + "z"});
    // A block of no bytes would never grow: it is taken as one byte.
    EXPECT_EQ(Stream("a\r\nb", 0, nullptr), (Lines{"a", "b"}));
}

TEST(CLineStream, AReadErrorEndsTheStreamWithFailure) {
    CLineSelector selector(nullptr, false, GetLocaleFormats());
    CLineStream stream(16);
    int reads = 0;
    auto failing = [&](char* buffer, std::uint64_t count, std::uint64_t, std::uint64_t& got) {
        got = count;
        std::memset(buffer, 'a', got);
        return ++reads < 3;
    };
    EXPECT_FALSE(stream.Run(selector, 1000, failing, [](std::string_view, bool) { return true; }));
}

}  // namespace
