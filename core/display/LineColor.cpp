#include "LineColor.h"

#include <array>

namespace {

// Each prefix letter with its colour and how the colour is drawn (0xRRGGBB); N names
// the Normal colour, which has none of its own.
struct ColourRow {
    char letter;
    LineColor color;
    std::int32_t rgb;
};

constexpr ColourRow kColours[] = {
    {'N', LineColor::Normal, -1},        {'B', LineColor::Blue, 0x0000FF},
    {'C', LineColor::Cyan, 0x00CCCC},    {'G', LineColor::Green, 0x009900},
    {'M', LineColor::Magenta, 0xFF00FF}, {'R', LineColor::Red, 0xFF0000},
    {'Y', LineColor::Yellow, 0xFF9900},
};

// The row of the line's prefix letter; null when the line has no prefix.
const ColourRow* PrefixRow(std::string_view raw) {
    if (raw.size() < 2 || raw[1] != ' ') return nullptr;
    for (const ColourRow& row : kColours) {
        if (row.letter == raw[0]) return &row;
    }
    return nullptr;
}

// The colour of each byte as a prefix letter: Normal for any byte that is none. The
// overview reads the colour of every line of the log, where a search of the rows per line
// costs more than reading the lines.
constexpr std::array<LineColor, 256> kColourOfLetter = [] {
    std::array<LineColor, 256> colours{};
    colours.fill(LineColor::Normal);
    for (const ColourRow& row : kColours)
        colours[static_cast<unsigned char>(row.letter)] = row.color;
    return colours;
}();

}  // namespace

LineColor LineColorOf(std::string_view raw) {
    if (raw.size() < 2 || raw[1] != ' ') return LineColor::Normal;
    return kColourOfLetter[static_cast<unsigned char>(raw[0])];
}

bool HasColourPrefix(std::string_view raw) {
    return PrefixRow(raw) != nullptr;
}

std::int32_t LineColorRgb(LineColor color) {
    for (const ColourRow& row : kColours) {
        if (row.color == color) return row.rgb;
    }
    return -1;
}
