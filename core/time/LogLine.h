#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "LocaleFormats.h"
#include "LogTime.h"

// Reading timestamps out of raw log lines and typed text, and the text a raw line shows
// as. Texts are bytes without NUL; they end at the end of the view.

// Characters a raw timestamp occupies: 15 + 2 x (system date + time separator lengths).
std::size_t TimestampLength(const LocaleFormats& formats = GetLocaleFormats());

// Finds the first date separator anywhere in the text and reads a date and time around
// it. useSystemOrder: true for log lines (system date order), false for typed text (user
// date order); after a colour prefix the order is always year, month, day. out receives
// the result only when the result is true.
bool ParseTimestamp(std::string_view text, bool useSystemOrder, LogTime* out = nullptr,
                    const LocaleFormats& formats = GetLocaleFormats());
// ParseTimestamp of a log line (system order) from its first bytes only: decided is set
// when reading never looked past them, so that the result is that of the whole line.
bool ParseTimestampOfPrefix(std::string_view prefix, LogTime* out, bool& decided,
                            const LocaleFormats& formats = GetLocaleFormats());

// How a raw line shows: a head (the timestamp re-formatted for display, or nothing)
// followed by the raw bytes from tailStart on. Worked out without building the text, so
// that deciding whether a line shows, and how long its text is, costs no formatting.
struct DisplayLayout {
    bool readable = false;     // a timestamp was found (perhaps further into the line)
    bool reformatted = false;  // the head is `time` in the display format
    LogTime time;              // valid when reformatted
    std::size_t headLength = 0;
    std::size_t tailStart = 0;  // raw.size() with nothing to show
    std::size_t Length(std::size_t rawSize) const { return headLength + rawSize - tailStart; }
};

DisplayLayout LayoutDisplayText(std::string_view raw, bool excludeInvalid,
                                const LocaleFormats& formats = GetLocaleFormats());
// The same for a line already known to hold a readable timestamp somewhere: only its
// start is read again, never the whole line; and for one known to hold none.
DisplayLayout LayoutReadableDisplayText(std::string_view raw,
                                        const LocaleFormats& formats = GetLocaleFormats());
DisplayLayout LayoutUnreadableDisplayText(std::string_view raw, bool excludeInvalid);

// The text a raw line shows as, built in two parts so that no line is copied: head (a
// re-formatted timestamp, or empty) followed by raw.substr(tailStart). An unreadable
// timestamp gives an empty text when excludeInvalid is set, else the raw line. A
// timestamp found further into the line than its start (or its colour prefix) counts as
// readable but the line shows unchanged.
void SplitDisplayText(std::string_view raw, bool excludeInvalid, std::string& head,
                      std::size_t& tailStart, const LocaleFormats& formats = GetLocaleFormats());

// The whole display text of a raw line.
std::string GetDisplayText(std::string_view raw, bool excludeInvalid,
                           const LocaleFormats& formats = GetLocaleFormats());
