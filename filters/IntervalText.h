#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "LocaleFormats.h"
#include "LogTime.h"

// The text of a time interval: the from-end, " to ", the to-end, each end a timestamp with
// its fields in the user's date order and the system's separators, for example
// "01/01/2003 00:00:00 to 12/31/2003 23:59:59". The filter entry dialog writes and checks
// it, filter files carry it byte for byte, and interval filters take their ends from it.
class IntervalText {
public:
    static constexpr std::string_view kJoin = " to ";
    // The ends an interval gets for a side that cannot be read. The messages that warn of
    // such intervals (IDS_INTERVAL_FELL_BACK, IDS_INTERVAL_FELL_BACK_TIP) name these.
    static constexpr LogTime kDefaultFrom{1970, 1, 1, 0, 0, 0};
    static constexpr LogTime kDefaultTo{2037, 12, 31, 23, 59, 59};

    struct Ends {
        std::optional<LogTime> from;
        std::optional<LogTime> to;
        bool operator==(const Ends&) const = default;
    };

    // The text of from and to: years in four digits; months and days below 10 with a
    // leading zero or a blank as the user's settings say; hours, minutes and seconds in
    // two digits. Read gives the two times back.
    static std::string Format(const LogTime& from, const LogTime& to,
                              const LocaleFormats& formats = GetLocaleFormats());

    // What the text says: the from-end is read from the characters before the first
    // " to ", the to-end from as many characters at the text's end (the characters after
    // " to " when both ends have the same length). An end that cannot be read, or both
    // when there is no " to ", stays empty.
    static Ends Read(std::string_view text, const LocaleFormats& formats = GetLocaleFormats());

    // The interval a filter of this text covers, both ends set: those of Read, exchanged
    // when from is after to; an end Read leaves empty becomes its default, and then
    // nothing is exchanged (a from after the default to gives an interval of no time).
    static Ends Covered(std::string_view text, const LocaleFormats& formats = GetLocaleFormats());

    // Whether Read leaves an end empty: the filter then covers more than its text says.
    static bool HasDefaultEnds(std::string_view text,
                               const LocaleFormats& formats = GetLocaleFormats());

    // Whether the entry dialog accepts text as an interval: a from-end readable at its
    // start and a to-end readable after its first TimestampLength characters. For a text
    // laid out as Format lays it out this is the same as Read finding both ends.
    static bool IsAcceptable(std::string_view text,
                             const LocaleFormats& formats = GetLocaleFormats());
};
