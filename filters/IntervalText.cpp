#include "IntervalText.h"

#include <utility>

#include "LogLine.h"

namespace {

// Two digits, or a blank and a digit when a leading zero is not wanted.
void AppendTwoDigits(std::string& out, int value, bool leadingZero = true) {
    out += value < 10 ? (leadingZero ? '0' : ' ') : static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

void AppendEnd(std::string& out, const LogTime& t, const LocaleFormats& formats) {
    const DateOrder order = formats.userDateOrder;
    // The date's fields (Month, Day, Year) in the user's order.
    const std::string_view fields = order == DateOrder::DMY   ? "DMY"
                                    : order == DateOrder::YMD ? "YMD"
                                                              : "MDY";
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out += formats.systemDateSeparator;
        if (fields[i] == 'Y') {
            AppendTwoDigits(out, t.year / 100 % 100);
            AppendTwoDigits(out, t.year % 100);
        } else if (fields[i] == 'M') {
            AppendTwoDigits(out, t.month, formats.userMonthLeadingZero != 0);
        } else {
            AppendTwoDigits(out, t.day, formats.userDayLeadingZero != 0);
        }
    }
    out += ' ';
    AppendTwoDigits(out, t.hour);
    out += formats.systemTimeSeparator;
    AppendTwoDigits(out, t.minute);
    out += formats.systemTimeSeparator;
    AppendTwoDigits(out, t.second);
}

std::optional<LogTime> ReadEnd(std::string_view text, const LocaleFormats& formats) {
    LogTime t;
    if (!ParseTimestamp(text, false, &t, formats)) return std::nullopt;
    return t;
}

}  // namespace

std::string IntervalText::Format(const LogTime& from, const LogTime& to,
                                 const LocaleFormats& formats) {
    std::string text;
    AppendEnd(text, from, formats);
    text += kJoin;
    AppendEnd(text, to, formats);
    return text;
}

IntervalText::Ends IntervalText::Read(std::string_view text, const LocaleFormats& formats) {
    const std::size_t d = text.find(kJoin);
    if (d == std::string_view::npos) return {};
    // The to-end is the last d characters: for texts whose two ends have the same length
    // these are exactly the characters after " to ".
    return {ReadEnd(text.substr(0, d), formats),
            ReadEnd(text.substr(text.size() >= d ? text.size() - d : 0), formats)};
}

IntervalText::Ends IntervalText::Covered(std::string_view text, const LocaleFormats& formats) {
    Ends ends = Read(text, formats);
    if (ends.from && ends.to) {
        if (ends.from->IsAtOrAfter(*ends.to)) std::swap(ends.from, ends.to);
        return ends;
    }
    if (!ends.from) ends.from = kDefaultFrom;
    if (!ends.to) ends.to = kDefaultTo;
    return ends;
}

bool IntervalText::HasDefaultEnds(std::string_view text, const LocaleFormats& formats) {
    const Ends ends = Read(text, formats);
    return !ends.from || !ends.to;
}

bool IntervalText::IsAcceptable(std::string_view text, const LocaleFormats& formats) {
    const std::size_t n = TimestampLength(formats);
    return ParseTimestamp(text, false, nullptr, formats) && text.size() > n &&
           ParseTimestamp(text.substr(n), false, nullptr, formats);
}
