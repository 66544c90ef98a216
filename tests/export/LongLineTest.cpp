// Lines longer than the export's block, decided piece by piece, against the same lines
// held whole: random logs and filter lists of every kind, both preferences.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "CFilterMatcher.h"
#include "CLineStream.h"
#include "StreamedText.h"

namespace {

const LocaleFormats& Mdy() {
    static const LocaleFormats formats = MakeLocaleFormats({}, {});
    return formats;
}

// The export's output for bytes, cut and selected in one piece as the document does.
std::string Whole(const std::string& bytes, const ILineFilter* filter, bool excludeInvalid) {
    std::vector<char> buffer(bytes.begin(), bytes.end());
    buffer.resize(bytes.size() + 1 + kScanPadding, '\0');
    std::vector<LineSpan> spans;
    CLineCutter cutter;
    cutter.Cut(buffer.data(), bytes.size(), true, [&](std::uint64_t start, std::uint64_t length) {
        spans.push_back({start, length});
    });
    CLineSelector selector(filter, excludeInvalid, Mdy());
    std::string out;
    selector.Select(
        buffer.data(), spans.data(), spans.size(),
        [&](std::size_t, std::string_view raw, std::size_t) { out.append(raw).append("\r\n"); });
    return out;
}

std::string Streamed(const std::string& bytes, std::size_t block, const ILineFilter* filter,
                     bool excludeInvalid) {
    CLineSelector selector(filter, excludeInvalid, Mdy());
    CLineStream stream(block);
    std::string out;
    EXPECT_TRUE(stream.Run(selector, bytes.size(), TextSource{bytes},
                           [&](std::string_view piece, bool ends) {
                               out.append(piece);
                               if (ends) out.append("\r\n");
                               return true;
                           }));
    return out;
}

std::string RandomText(std::mt19937& rng, std::size_t maxLength) {
    static const char kAlphabet[] = {'a', 'b', ' ', '1', '/', ':', '\n', '\x01', '\x90'};
    std::string s(rng() % (maxLength + 1), 'a');
    for (char& c : s) c = kAlphabet[rng() % sizeof kAlphabet];
    return s;
}

TEST(LongLine, LinesLongerThanTheBlockAreSelectedAsWhenHeldWhole) {
    std::mt19937 rng(14);
    for (int round = 0; round < 400; ++round) {
        // Timestamps at the start, further in, cut short or missing; lines of any length.
        std::string bytes;
        std::vector<std::string> parts;
        for (int i = 0; i < 6; ++i) {
            char stamp[40];
            std::snprintf(
                stamp, sizeof stamp, "%02u/%02u/%04u %02u:%02u:%02u",
                1 + static_cast<unsigned>(rng() % 12), 1 + static_cast<unsigned>(rng() % 28),
                2002 + static_cast<unsigned>(rng() % 3), static_cast<unsigned>(rng() % 24),
                static_cast<unsigned>(rng() % 60), static_cast<unsigned>(rng() % 60));
            std::string line;
            switch (rng() % 4) {
                case 0:
                    line = stamp + RandomText(rng, 200);
                    break;
                case 1:
                    line = RandomText(rng, 80) + stamp + RandomText(rng, 80);
                    break;
                case 2:
                    line = std::string(stamp).substr(0, rng() % 19) + RandomText(rng, 100);
                    break;
                default:
                    line = RandomText(rng, 120);
                    break;
            }
            parts.push_back(line);
            bytes += line + (rng() % 5 == 0   ? "\r"
                             : rng() % 5 == 0 ? std::string(1, '\0')
                                              : "\r\n");
        }
        FilterList list;
        for (std::size_t n = rng() % (round % 10 == 0 ? 40 : 4); n > 0; --n) {
            const std::string& part = parts[rng() % parts.size()];
            const std::string text =
                part.empty() ? "a" : part.substr(rng() % part.size(), 1 + rng() % 12);
            const auto kind = static_cast<FilterKind>(rng() % 4);
            if (kind == FilterKind::IncludeInterval || kind == FilterKind::ExcludeInterval) {
                list.Append(rng() % 2 ? "01/01/2003 00:00:00 to 12/31/2003 23:59:59"
                                      : "06/01/2002 00:00:00 to 06/30/2004 00:00:00",
                            kind, Mdy());
            } else {
                list.Append(text, kind, Mdy());
            }
        }
        const std::size_t block = 8 + rng() % 60;
        for (const bool excludeInvalid : {false, true}) {
            const CFilterMatcher matcher(list, excludeInvalid, Mdy());
            for (const ILineFilter* filter : {static_cast<const ILineFilter*>(nullptr),
                                              static_cast<const ILineFilter*>(&matcher)}) {
                ASSERT_EQ(Streamed(bytes, block, filter, excludeInvalid),
                          Whole(bytes, filter, excludeInvalid))
                    << "round " << round << " block " << block << " bytes "
                    << testing::PrintToString(bytes);
            }
        }
    }
}

}  // namespace
