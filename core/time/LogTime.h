#pragma once

#include <cstdint>
#include <string>

struct LocaleFormats;

// A timestamp without time zone or sub-second part. A LogTime made to receive a parse
// result starts with every field at -1.
struct LogTime {
    std::int32_t year = -1;
    std::int32_t month = -1;
    std::int32_t day = -1;
    std::int32_t hour = -1;
    std::int32_t minute = -1;
    std::int32_t second = -1;

    // Year -1..9999 (-1 included), month 1..12, day within the month (29 February only
    // in leap years), hour 0..23, minute and second 0..59.
    bool IsValid() const;
    // Lexicographic by year, month, day, hour, minute, second; equal values satisfy both.
    bool IsAtOrAfter(const LogTime& other) const;
    bool IsAtOrBefore(const LogTime& other) const;
    // The fields in the user's date order with the user's separators; empty when the
    // display format has not been built.
    std::string FormatForDisplay(const LocaleFormats& formats) const;
    // Appends the same text to out (no allocation once out has grown to size).
    void AppendForDisplay(const LocaleFormats& formats, std::string& out) const;

    bool operator==(const LogTime&) const = default;
};

bool IsValid(const LogTime& t);
