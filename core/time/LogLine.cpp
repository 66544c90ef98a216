#include "LogLine.h"

#include <algorithm>
#include <cstdint>

#include "LineColor.h"

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Reading a timestamp also works out `needed`: the shortest prefix of the text that
// would be read the same way, so that the display code need not read the line twice;
// and `reach`: one past the last byte looked at, or more than the text's size when a
// look ran into its end, so that the text's first bytes can stand for a longer line.
class TimestampReader {
public:
    explicit TimestampReader(std::string_view text) : m_text(text) {}

    std::size_t Needed() const { return m_nNeeded; }
    std::size_t Reach() const { return m_nReach; }

    [[gnu::always_inline]] bool DigitOrBlank(std::size_t pos) {
        Look(pos);
        if (pos >= m_text.size()) return false;
        const char c = m_text[pos];
        return c == ' ' || (c >= '0' && c <= '9');
    }

    // The character before p, or else the one before that, is a digit or a blank.
    [[gnu::always_inline]] bool ShapeBefore(std::size_t p) {
        return (p >= 1 && DigitOrBlank(p - 1)) || (p >= 2 && DigitOrBlank(p - 2));
    }

    [[gnu::always_inline]] bool ShapeAfter(std::size_t p) {
        if (DigitOrBlank(p + 1)) return Use(p + 2);
        return DigitOrBlank(p + 2) && Use(p + 3);
    }

    // First occurrence of sep at or after from. Separators are mostly one byte found
    // within a few bytes, where a plain loop beats a library call.
    [[gnu::always_inline]] std::size_t Find(std::string_view sep, std::size_t from) {
        std::size_t hit = npos;
        if (sep.size() == 1) {
            const std::size_t near = std::min(m_text.size(), from + 32);
            for (std::size_t i = from; i < near; ++i) {
                if (m_text[i] == sep[0]) {
                    hit = i;
                    break;
                }
            }
            if (hit == npos && near < m_text.size()) hit = m_text.find(sep[0], near);
        } else {
            hit = m_text.find(sep, from);
        }
        if (hit != npos) Use(hit + sep.size());
        Look(hit != npos ? hit + sep.size() - 1 : m_text.size());
        return hit;
    }

    // atoi from pos: leading white space, an optional sign, then digits up to the first
    // non-digit; no digits gives 0. Values beyond int32 saturate instead of overflowing.
    [[gnu::always_inline]] std::int32_t Atoi(std::size_t pos) {
        std::size_t i = pos;
        while (i < m_text.size() && (m_text[i] == ' ' || (m_text[i] >= '\t' && m_text[i] <= '\r')))
            ++i;
        bool negative = false;
        if (i < m_text.size() && (m_text[i] == '+' || m_text[i] == '-'))
            negative = m_text[i++] == '-';
        std::int64_t value = 0;
        while (i < m_text.size() && m_text[i] >= '0' && m_text[i] <= '9') {
            if (value < INT64_C(1) << 40) value = value * 10 + (m_text[i] - '0');
            ++i;
        }
        Use(i);
        Look(i);
        if (negative) value = -value;
        if (value > INT32_MAX) return INT32_MAX;
        if (value < INT32_MIN) return INT32_MIN;
        return static_cast<std::int32_t>(value);
    }

private:
    bool Use(std::size_t end) {
        m_nNeeded = std::max(m_nNeeded, end);
        return true;
    }
    // The byte at pos was looked at (pos == size: the end was).
    void Look(std::size_t pos) { m_nReach = std::max(m_nReach, pos + 1); }

    std::string_view m_text;
    std::size_t m_nNeeded = 17;  // shorter texts are never read
    std::size_t m_nReach = 2;    // the colour prefix is always looked at
};

bool ReadTimestamp(std::string_view text, bool useSystemOrder, LogTime& v, std::size_t& needed,
                   const LocaleFormats& formats, std::size_t* reach = nullptr) {
    if (reach != nullptr) *reach = text.size() + 1;
    if (text.size() < 17) return false;
    const std::string_view d = formats.systemDateSeparator;
    const std::string_view t = formats.systemTimeSeparator;
    TimestampReader r(text);
    struct SetReach {
        const TimestampReader& reader;
        std::size_t* out;
        ~SetReach() {
            if (out != nullptr) *out = reader.Reach();
        }
    } setReach{r, reach};

    const std::size_t p1 = r.Find(d, 0);
    if (p1 == npos || p1 < 2 || !r.ShapeBefore(p1)) return false;
    const std::size_t s2 = p1 + d.size();
    const std::size_t p2 = r.Find(d, s2);
    if (p2 == npos || !r.ShapeBefore(p2) || !r.ShapeAfter(p2)) return false;
    const std::size_t s3 = p2 + d.size();
    const std::size_t p3 = r.Find(t, s3);
    if (p3 == npos || !r.ShapeBefore(p3)) return false;
    const std::size_t s4 = p3 + t.size();
    const std::size_t p4 = r.Find(t, s4);
    if (p4 == npos || !r.ShapeBefore(p4) || !r.ShapeAfter(p4)) return false;
    const std::size_t s5 = p4 + t.size();

    DateOrder order = useSystemOrder ? formats.systemDateOrder : formats.userDateOrder;
    if (HasColourPrefix(text)) order = DateOrder::YMD;

    // Two-digit fields are read from the two characters before their separator, the year
    // from the four before it, whatever the separators' lengths (p1 >= 2 was checked).
    switch (order) {
        case DateOrder::MDY:
            v.month = r.Atoi(p1 - 2);
            v.day = r.Atoi(s2);
            v.year = r.Atoi(s3);
            break;
        case DateOrder::DMY:
            v.day = r.Atoi(p1 - 2);
            v.month = r.Atoi(s2);
            v.year = r.Atoi(s3);
            break;
        case DateOrder::YMD:
            v.year = r.Atoi(p1 >= 4 ? p1 - 4 : 0);
            v.month = r.Atoi(s2);
            v.day = r.Atoi(s3);
            break;
        default:
            return false;
    }
    v.hour = r.Atoi(p3 - 2);
    v.minute = r.Atoi(s4);
    v.second = r.Atoi(s5);
    needed = r.Needed();
    return v.IsValid();
}

}  // namespace

std::size_t TimestampLength(const LocaleFormats& formats) {
    return 15 + 2 * (formats.systemDateSeparator.size() + formats.systemTimeSeparator.size());
}

bool ParseTimestamp(std::string_view text, bool useSystemOrder, LogTime* out,
                    const LocaleFormats& formats) {
    LogTime v;
    std::size_t needed = 0;
    if (!ReadTimestamp(text, useSystemOrder, v, needed, formats)) return false;
    if (out != nullptr) *out = v;
    return true;
}

bool ParseTimestampOfPrefix(std::string_view prefix, LogTime* out, bool& decided,
                            const LocaleFormats& formats) {
    LogTime v;
    std::size_t needed = 0;
    std::size_t reach = 0;
    const bool readable = ReadTimestamp(prefix, true, v, needed, formats, &reach);
    decided = reach <= prefix.size();
    if (readable && out != nullptr) *out = v;
    return readable;
}

namespace {

// The layout of a line that holds a readable timestamp. whole is the time read from the
// whole line when reading it used no byte past the timestamp's place at the start, else
// null.
DisplayLayout LayoutReadable(std::string_view raw, const LogTime* whole,
                             const LocaleFormats& formats) {
    DisplayLayout layout;
    layout.readable = true;
    std::size_t n = TimestampLength(formats);
    if (HasColourPrefix(raw)) n += 2;
    // The timestamp must also be readable from the first n bytes alone; one found further
    // into the line counts as readable, but the line shows as it is. When reading the
    // whole line used no byte past n, the first n bytes read the same.
    if (whole != nullptr) {
        layout.time = *whole;
    } else if (!ParseTimestamp(raw.substr(0, n), true, &layout.time, formats)) {
        layout.time = LogTime{};
        return layout;
    }
    layout.reformatted = true;
    layout.headLength = formats.displayFormat.FormattedLength(layout.time);
    layout.tailStart = std::min(n, raw.size());
    return layout;
}

}  // namespace

DisplayLayout LayoutDisplayText(std::string_view raw, bool excludeInvalid,
                                const LocaleFormats& formats) {
    LogTime time;
    std::size_t needed = 0;
    if (!ReadTimestamp(raw, true, time, needed, formats))
        return LayoutUnreadableDisplayText(raw, excludeInvalid);
    const std::size_t n = TimestampLength(formats) + (HasColourPrefix(raw) ? 2 : 0);
    return LayoutReadable(raw, needed <= n ? &time : nullptr, formats);
}

DisplayLayout LayoutUnreadableDisplayText(std::string_view raw, bool excludeInvalid) {
    DisplayLayout layout;
    layout.tailStart = excludeInvalid ? raw.size() : 0;
    return layout;
}

DisplayLayout LayoutReadableDisplayText(std::string_view raw, const LocaleFormats& formats) {
    return LayoutReadable(raw, nullptr, formats);
}

void SplitDisplayText(std::string_view raw, bool excludeInvalid, std::string& head,
                      std::size_t& tailStart, const LocaleFormats& formats) {
    const DisplayLayout layout = LayoutDisplayText(raw, excludeInvalid, formats);
    head.clear();
    if (layout.reformatted) layout.time.AppendForDisplay(formats, head);
    tailStart = layout.tailStart;
}

std::string GetDisplayText(std::string_view raw, bool excludeInvalid,
                           const LocaleFormats& formats) {
    std::string head;
    std::size_t tailStart = 0;
    SplitDisplayText(raw, excludeInvalid, head, tailStart, formats);
    head.append(raw.substr(tailStart));
    return head;
}
