#include "LogLine.h"

#include <cstdint>

#include "LineColor.h"

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool DigitOrBlank(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) return false;
    const char c = text[pos];
    return c == ' ' || (c >= '0' && c <= '9');
}

// The character before p, or else the one before that, is a digit or a blank.
bool ShapeBefore(std::string_view text, std::size_t p) {
    return (p >= 1 && DigitOrBlank(text, p - 1)) || (p >= 2 && DigitOrBlank(text, p - 2));
}

bool ShapeAfter(std::string_view text, std::size_t p) {
    return DigitOrBlank(text, p + 1) || DigitOrBlank(text, p + 2);
}

// atoi from pos: leading white space, an optional sign, then digits up to the first
// non-digit; no digits gives 0. Values beyond int32 saturate instead of overflowing.
std::int32_t AtoiAt(std::string_view text, std::size_t pos) {
    std::size_t i = pos;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        if (value < INT64_C(1) << 40) value = value * 10 + (text[i] - '0');
        ++i;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::size_t TimestampLength(const LocaleFormats& formats) {
    return 15 + 2 * (formats.systemDateSeparator.size() + formats.systemTimeSeparator.size());
}

bool ParseTimestamp(std::string_view text, bool useSystemOrder, LogTime* out,
                    const LocaleFormats& formats) {
    if (text.size() < 17) return false;
    const std::string_view d = formats.systemDateSeparator;
    const std::string_view t = formats.systemTimeSeparator;

    const std::size_t p1 = text.find(d);
    if (p1 == npos || p1 < 2 || !ShapeBefore(text, p1)) return false;
    const std::size_t s2 = p1 + d.size();
    const std::size_t p2 = text.find(d, s2);
    if (p2 == npos || !ShapeBefore(text, p2) || !ShapeAfter(text, p2)) return false;
    const std::size_t s3 = p2 + d.size();
    const std::size_t p3 = text.find(t, s3);
    if (p3 == npos || !ShapeBefore(text, p3)) return false;
    const std::size_t s4 = p3 + t.size();
    const std::size_t p4 = text.find(t, s4);
    if (p4 == npos || !ShapeBefore(text, p4) || !ShapeAfter(text, p4)) return false;
    const std::size_t s5 = p4 + t.size();

    DateOrder order = useSystemOrder ? formats.systemDateOrder : formats.userDateOrder;
    if (HasColourPrefix(text)) order = DateOrder::YMD;

    // Two-digit fields are read from the two characters before their separator, the year
    // from the four before it, whatever the separators' lengths (p1 >= 2 was checked).
    LogTime v;
    switch (order) {
        case DateOrder::MDY:
            v.month = AtoiAt(text, p1 - 2);
            v.day = AtoiAt(text, s2);
            v.year = AtoiAt(text, s3);
            break;
        case DateOrder::DMY:
            v.day = AtoiAt(text, p1 - 2);
            v.month = AtoiAt(text, s2);
            v.year = AtoiAt(text, s3);
            break;
        case DateOrder::YMD:
            v.year = AtoiAt(text, p1 >= 4 ? p1 - 4 : 0);
            v.month = AtoiAt(text, s2);
            v.day = AtoiAt(text, s3);
            break;
        default: return false;
    }
    v.hour = AtoiAt(text, p3 >= 2 ? p3 - 2 : 0);
    v.minute = AtoiAt(text, s4);
    v.second = AtoiAt(text, s5);
    if (!v.IsValid()) return false;
    if (out != nullptr) *out = v;
    return true;
}

void SplitDisplayText(std::string_view raw, bool excludeInvalid, std::string& head,
                      std::size_t& tailStart, const LocaleFormats& formats) {
    head.clear();
    if (!ParseTimestamp(raw, true, nullptr, formats)) {
        tailStart = excludeInvalid ? raw.size() : 0;
        return;
    }
    std::size_t n = TimestampLength(formats);
    if (HasColourPrefix(raw)) n += 2;
    LogTime t;
    if (!ParseTimestamp(raw.substr(0, n), true, &t, formats)) {
        // The timestamp lies further into the line: show the line as it is.
        tailStart = 0;
        return;
    }
    t.AppendForDisplay(formats, head);
    tailStart = n < raw.size() ? n : raw.size();
}

std::string GetDisplayText(std::string_view raw, bool excludeInvalid, const LocaleFormats& formats) {
    std::string head;
    std::size_t tailStart = 0;
    SplitDisplayText(raw, excludeInvalid, head, tailStart, formats);
    head.append(raw.substr(tailStart));
    return head;
}
