#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "LineColor.h"
#include "LocaleFormats.h"
#include "TextBytes.h"

class ITextMeasurer;

// The cells of the timestamp column: the first character's own width, then the width of
// the widest character of the timestamp sample for every other cell, so that the columns
// of all lines line up whatever their digits.
struct ColumnCells {
    std::int32_t first = 0;
    std::int32_t cell = 0;
    // Characters of the timestamp sample; the column is this many cells wide.
    std::size_t sampleChars = 0;

    std::int64_t Width() const { return static_cast<std::int64_t>(sampleChars) * cell; }
    // Where the text of a column of `chars` characters ends.
    std::int64_t End(std::size_t chars) const {
        return chars == 0 ? 0 : first + static_cast<std::int64_t>(chars - 1) * cell;
    }
};

// The cells for the sample of formats, measured in the normal font.
ColumnCells MeasureColumnCells(const ITextMeasurer& measurer, const LocaleFormats& formats);

// One displayed line in the pieces it is drawn, measured and printed in: the timestamp
// column, whose characters sit in fixed cells, then the message in the line's colour, in
// bold on red lines. Column and message together are the line's display text: the
// timestamp re-formatted for the user followed by the rest of the line, or the raw line
// without its colour prefix when no timestamp shows. A line without a timestamp has an
// empty column: all of it is message, starting at the line's left edge.
//
// The document's widest-line search, the view's content width, its drawing and printing
// all take a line's pieces from here, so a line is measured the way it is drawn.
struct DisplayLine {
    LineColor color = LineColor::Normal;
    // The message is in the bold font.
    bool bold = false;
    // The column starts with the line's timestamp re-formatted for the user; otherwise
    // the line shows as it is (without its colour prefix).
    bool timestamp = false;
    // How the whole display text reads; every piece is read this way.
    TextReading reading = TextReading::Ascii;
    // The first bytes of the display text, as many as the timestamp sample has (fewer
    // when the text is shorter or a UTF-8 character would be cut); empty without a
    // timestamp.
    std::string column;
    // The rest: what of a re-formatted timestamp did not fit the column (normally
    // nothing), then `message`, which points into the raw line.
    std::string messageHead;
    std::string_view message;

    // Fills this in for raw, reusing its strings' memory: laying out line after line
    // allocates nothing once they have grown. layoutCode is what the load worked out for
    // the line (CLineSelector::LayoutCode), 0 when unknown: a line known to have no
    // timestamp is not searched for one, and one known to have one is read only at its
    // start. excludeInvalid gives a line without a readable timestamp no text.
    void LayOut(std::string_view raw, std::uint32_t layoutCode, bool excludeInvalid,
                const LocaleFormats& formats);

    std::size_t ColumnChars() const;
    std::size_t Length() const { return column.size() + messageHead.size() + message.size(); }
    // The line's extent in pixels as drawn from its left edge: the column's text in its
    // cells, then the message.
    std::int64_t Width(const ITextMeasurer& measurer, const ColumnCells& cells) const;
    std::int64_t MessageWidth(const ITextMeasurer& measurer) const;
};
