#include "LineColor.h"

LineColor LineColorOf(std::string_view raw) {
    if (raw.size() < 2 || raw[1] != ' ') return LineColor::Normal;
    switch (raw[0]) {
        case 'B': return LineColor::Blue;
        case 'C': return LineColor::Cyan;
        case 'G': return LineColor::Green;
        case 'M': return LineColor::Magenta;
        case 'R': return LineColor::Red;
        case 'Y': return LineColor::Yellow;
        default: return LineColor::Normal;
    }
}

bool HasColourPrefix(std::string_view raw) {
    if (raw.size() < 2 || raw[1] != ' ') return false;
    switch (raw[0]) {
        case 'B': case 'C': case 'G': case 'M': case 'N': case 'R': case 'Y': return true;
        default: return false;
    }
}

std::int32_t LineColorRgb(LineColor color) {
    switch (color) {
        case LineColor::Blue: return 0x0000FF;
        case LineColor::Cyan: return 0x00CCCC;
        case LineColor::Green: return 0x009900;
        case LineColor::Magenta: return 0xFF00FF;
        case LineColor::Red: return 0xFF0000;
        case LineColor::Yellow: return 0xFF9900;
        case LineColor::Normal: break;
    }
    return -1;
}
