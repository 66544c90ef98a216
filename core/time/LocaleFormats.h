#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "DateOrder.h"

struct LogTime;

// One piece of the display format: a literal text, or a numeric field written with a
// minimum width, padded with zeros or blanks the way printf's %0Nd and %Nd pad.
struct DisplayPiece {
    enum class Field { Literal, Year, Month, Day, Hour, Minute, Second };
    Field field = Field::Literal;
    std::string literal;  // only for Literal
    int width = 0;
    bool zeroPad = false;
};

// The display format is a list of pieces rather than a printf format string, so that a
// separator containing '%' shows as itself instead of being read as a conversion.
struct DisplayFormat {
    std::vector<DisplayPiece> pieces;
    bool empty() const { return pieces.empty(); }
    // Length of the text the pieces make of these fields, without making it.
    std::size_t FormattedLength(const LogTime& t) const;
    // The most FormattedLength gives for a valid time.
    std::size_t MaxFormattedLength() const;
    // The format written the printf way ("%02d/%02d/%04d %02d:%02d:%02d"), '%' in
    // separators doubled; for diagnostics and tests.
    std::string ToPrintfForm() const;
};

// The locale values that drive reading and writing timestamps. Read once at start-up
// and never changed afterwards; tests set their own through SetLocaleFormats.
struct LocaleFormats {
    std::string userDateSeparator = "/";
    std::string userTimeSeparator = ":";
    DateOrder userDateOrder = DateOrder::MDY;
    int userHourLeadingZero = 1;
    int userDayLeadingZero = 1;
    int userMonthLeadingZero = 1;
    std::string systemDateSeparator = "/";
    std::string systemTimeSeparator = ":";
    DateOrder systemDateOrder = DateOrder::MDY;
    DisplayFormat displayFormat;
    std::string timestampSample;

    // Fills displayFormat and timestampSample from the user values.
    void BuildDerived();
};

// The values of one locale as the reading code sees them.
struct LocaleValues {
    DateOrder order = DateOrder::MDY;
    std::string dateSeparator = "/";
    std::string timeSeparator = ":";
    int hourLeadingZero = 1;
    int dayLeadingZero = 1;
    int monthLeadingZero = 1;
};

// Combines a user and a system locale into the process's formats (derived fields built).
LocaleFormats MakeLocaleFormats(const LocaleValues& user, const LocaleValues& system);

// Reads a locale's values from its date and time formats as the C library writes them
// ("%m/%d/%Y", "%H:%M:%S"). Unknown shapes keep the defaults of LocaleValues.
LocaleValues LocaleValuesFromFormats(const std::string& dateFormat, const std::string& timeFormat);

// The machine's default locale name from the first of the system's locale settings files
// (shell-style NAME=value lines) that sets one: LC_ALL, else LC_TIME, else LANG; "C"
// when none does.
std::string SystemLocaleName(const std::vector<std::string>& files);

// Parses "ORDER;DATESEP;TIMESEP[;HOURZERO;DAYZERO;MONTHZERO]". Returns false (and leaves
// out unchanged) when the text is malformed.
bool ParseLocaleOverride(const std::string& text, LocaleValues& out);

// The process-wide formats. Before LoadLocaleFormats they are MDY with "/" and ":".
const LocaleFormats& GetLocaleFormats();
void SetLocaleFormats(const LocaleFormats& formats);

// Reads the user locale (LC_TIME of the process after setlocale(LC_ALL, "")) and the
// machine's default locale, applies TRAWLVIEW_USER_LOCALE and TRAWLVIEW_SYSTEM_LOCALE
// when set, and makes the result the process-wide formats. A malformed variable gives
// one warning line on stderr and the locale's own values.
void LoadLocaleFormats();

// A moment as local date and time written with a strftime format in the process's
// LC_TIME, as bytes in the locale's encoding; empty when it cannot be made.
std::string FormatLocalTime(std::time_t moment, const char* format);
