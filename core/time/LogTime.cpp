#include "LogTime.h"

#include <algorithm>
#include <tuple>

#include "LocaleFormats.h"

namespace {

bool IsLeapYear(std::int32_t year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

std::int32_t DaysInMonth(std::int32_t year, std::int32_t month) {
    switch (month) {
        case 4:
        case 6:
        case 9:
        case 11:
            return 30;
        case 2:
            return IsLeapYear(year) ? 29 : 28;
        default:
            return 31;
    }
}

auto Key(const LogTime& t) {
    return std::tie(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

// printf's %0Nd / %Nd for one int, without going through a format string.
void AppendNumber(std::string& out, std::int32_t value, int width, bool zeroPad) {
    char digits[16];
    int n = 0;
    // Work on the magnitude as unsigned so that INT32_MIN does not overflow.
    std::uint32_t mag =
        value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    do {
        digits[n++] = static_cast<char>('0' + mag % 10);
        mag /= 10;
    } while (mag != 0);
    const int signLen = value < 0 ? 1 : 0;
    const int pad = width - n - signLen;
    if (!zeroPad && pad > 0) out.append(static_cast<std::size_t>(pad), ' ');
    if (value < 0) out.push_back('-');
    if (zeroPad && pad > 0) out.append(static_cast<std::size_t>(pad), '0');
    while (n > 0) out.push_back(digits[--n]);
}

}  // namespace

bool LogTime::IsValid() const {
    if (year < -1 || year > 9999) return false;
    if (month < 1 || month > 12) return false;
    if (day < 1 || day > DaysInMonth(year, month)) return false;
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

bool IsValid(const LogTime& t) {
    return t.IsValid();
}

bool LogTime::IsAtOrAfter(const LogTime& other) const {
    return Key(*this) >= Key(other);
}

bool LogTime::IsAtOrBefore(const LogTime& other) const {
    return Key(*this) <= Key(other);
}

void LogTime::AppendForDisplay(const LocaleFormats& formats, std::string& out) const {
    for (const DisplayPiece& piece : formats.displayFormat.pieces) {
        std::int32_t value = 0;
        switch (piece.field) {
            case DisplayPiece::Field::Literal:
                out += piece.literal;
                continue;
            case DisplayPiece::Field::Year:
                value = year;
                break;
            case DisplayPiece::Field::Month:
                value = month;
                break;
            case DisplayPiece::Field::Day:
                value = day;
                break;
            case DisplayPiece::Field::Hour:
                value = hour;
                break;
            case DisplayPiece::Field::Minute:
                value = minute;
                break;
            case DisplayPiece::Field::Second:
                value = second;
                break;
        }
        AppendNumber(out, value, piece.width, piece.zeroPad);
    }
}

namespace {

std::size_t NumberLength(std::int32_t value, int width) {
    std::uint32_t mag =
        value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    std::size_t digits = 1;
    while (mag >= 10) {
        mag /= 10;
        ++digits;
    }
    const std::size_t length = digits + (value < 0 ? 1u : 0u);
    return std::max(length, static_cast<std::size_t>(width));
}

}  // namespace

std::size_t DisplayFormat::FormattedLength(const LogTime& t) const {
    std::size_t length = 0;
    for (const DisplayPiece& piece : pieces) {
        switch (piece.field) {
            case DisplayPiece::Field::Literal:
                length += piece.literal.size();
                break;
            case DisplayPiece::Field::Year:
                length += NumberLength(t.year, piece.width);
                break;
            case DisplayPiece::Field::Month:
                length += NumberLength(t.month, piece.width);
                break;
            case DisplayPiece::Field::Day:
                length += NumberLength(t.day, piece.width);
                break;
            case DisplayPiece::Field::Hour:
                length += NumberLength(t.hour, piece.width);
                break;
            case DisplayPiece::Field::Minute:
                length += NumberLength(t.minute, piece.width);
                break;
            case DisplayPiece::Field::Second:
                length += NumberLength(t.second, piece.width);
                break;
        }
    }
    return length;
}

std::size_t DisplayFormat::MaxFormattedLength() const {
    // A valid year has at most four digits ("-1" two), every other field two.
    std::size_t length = 0;
    for (const DisplayPiece& piece : pieces) {
        const auto width = static_cast<std::size_t>(std::max(piece.width, 0));
        switch (piece.field) {
            case DisplayPiece::Field::Literal:
                length += piece.literal.size();
                break;
            case DisplayPiece::Field::Year:
                length += std::max<std::size_t>(4, width);
                break;
            default:
                length += std::max<std::size_t>(2, width);
                break;
        }
    }
    return length;
}

std::string LogTime::FormatForDisplay(const LocaleFormats& formats) const {
    std::string out;
    AppendForDisplay(formats, out);
    return out;
}
