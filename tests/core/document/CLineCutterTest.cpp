#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CLineCutter.h"

namespace {

using Lines = std::vector<std::string>;
using namespace std::string_literals;

// Cuts bytes handed over `block` bytes at a time, the way a stream does: what a block
// leaves unfinished comes again at the front of the next one. With a searcher, only the
// lines holding its text are cut.
Lines CutInBlocks(const std::string& bytes, std::size_t block, bool lf,
                  const CSubstringSearcher* searcher = nullptr) {
    CLineCutter cutter(lf);
    std::string pending;
    std::vector<char> buffer;
    Lines out;
    std::size_t offset = 0;
    for (;;) {
        const std::size_t take = std::min(block, bytes.size() - offset);
        pending.append(bytes, offset, take);
        offset += take;
        const bool last = offset == bytes.size();
        buffer.assign(pending.begin(), pending.end());
        buffer.resize(pending.size() + 1 + kScanPadding, '\0');
        auto onLine = [&](std::uint64_t start, std::uint64_t length) {
            out.emplace_back(buffer.data() + start, length);
        };
        const std::size_t used =
            searcher != nullptr
                ? cutter.CutAround(buffer.data(), pending.size(), last, *searcher, onLine)
                : cutter.Cut(buffer.data(), pending.size(), last, onLine);
        if (last) return out;
        pending.erase(0, used);
    }
}

Lines CutWhole(const std::string& bytes, bool lf) {
    return CutInBlocks(bytes, bytes.size() + 1, lf);
}

TEST(CLineCutter, ALoneLfEndsALineOnlyWhenAsked) {
    const std::string bytes = "a\nb\r\nc\rd\n\ne\n\rf\0\n\x85g\nlast"s;
    EXPECT_EQ(CutWhole(bytes, false), (Lines{"a\nb", "c", "d\n\ne\n", "f", "g\nlast"}));
    EXPECT_EQ(CutWhole(bytes, true), (Lines{"a", "b", "c", "d", "e", "f", "g", "last"}));
    // The mode survives Reset, which only forgets what a block left undecided.
    CLineCutter cutter(true);
    cutter.Reset();
    EXPECT_TRUE(cutter.LfEndsLine());
    cutter.SetLfEndsLine(false);
    EXPECT_FALSE(cutter.LfEndsLine());
}

TEST(CLineCutter, LfModeCutsLikeTheCrRuleWithEachLfTakenForACr) {
    // Without LF the two modes give the same lines; with LF, the LF mode gives the lines
    // the CR-only rule gives when every LF is a CR. Both hold in one piece and block by
    // block, for every line and for the lines cut around a text.
    const char alphabet[] = "ab x\r\n\0\x01\x85";
    const std::string needles[] = {"ab", "b", "x a", "\x85", "a\x01", "\n", "b\r"};
    std::uint64_t state = 11;
    auto next = [&state] {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<std::size_t>(state >> 33);
    };
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(next() % 100, 'a');
        for (char& c : bytes) c = alphabet[next() % (sizeof alphabet - 1)];
        std::string withoutLf = bytes;
        withoutLf.erase(std::remove(withoutLf.begin(), withoutLf.end(), '\n'), withoutLf.end());
        std::string lfAsCr = bytes;
        std::replace(lfAsCr.begin(), lfAsCr.end(), '\n', '\r');
        const std::size_t block = 1 + next() % 40;
        const std::string shown = testing::PrintToString(bytes) + " block " + std::to_string(block);

        ASSERT_EQ(CutInBlocks(withoutLf, block, true), CutWhole(withoutLf, false)) << shown;
        const Lines expected = CutWhole(lfAsCr, false);
        ASSERT_EQ(CutWhole(bytes, true), expected) << shown;
        ASSERT_EQ(CutInBlocks(bytes, block, true), expected) << shown;
        for (const std::string& needle : needles) {
            const CSubstringSearcher searcher(needle);
            Lines holding;
            for (const std::string& line : expected) {
                if (line.find(needle) != std::string::npos) holding.push_back(line);
            }
            ASSERT_EQ(CutInBlocks(bytes, block, true, &searcher), holding)
                << shown << " needle " << testing::PrintToString(needle);
        }
    }
}

TEST(CLineCutter, LineEndScansFindTheFirstAndLastEndAtEveryAlignment) {
    // The scans read 16 or 32 bytes at a time: an end at any place in such a group, and
    // none at all, are found alike.
    for (std::size_t at = 0; at < 70; ++at) {
        for (const char end : {'\r', '\n', '\0'}) {
            std::string bytes(80, 'x');
            bytes[at] = end;
            bytes.append(1 + kScanPadding, '\0');
            const char* p = bytes.data();
            EXPECT_EQ(FindCrLfOrNul(p) - p, static_cast<std::ptrdiff_t>(at));
            EXPECT_EQ(FindCrOrNul(p) - p, static_cast<std::ptrdiff_t>(end == '\n' ? 80 : at));
            EXPECT_EQ(FindLastCrLfOrNul(p, p + 80), p + at);
            EXPECT_EQ(FindLastCrOrNul(p, p + 80), end == '\n' ? nullptr : p + at);
        }
    }
}

}  // namespace
