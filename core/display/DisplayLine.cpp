#include "DisplayLine.h"

#include <algorithm>

#include "CLineSelector.h"
#include "ITextMeasurer.h"
#include "LogLine.h"

namespace {

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u;
}

}  // namespace

ColumnCells MeasureColumnCells(const ITextMeasurer& measurer, const LocaleFormats& formats) {
    const std::string_view sample = formats.timestampSample;
    const TextReading reading = ReadingOf(sample);
    ColumnCells cells;
    for (std::size_t k = 0; k < sample.size();) {
        std::size_t next = k + 1;
        if (reading == TextReading::Utf8) {
            while (next < sample.size() && IsContinuation(sample[next])) ++next;
        }
        const auto width = static_cast<std::int32_t>(
            measurer.TextWidth(sample.substr(k, next - k), false, reading));
        // The first cell keeps its own width; the sample is digits, separators, blanks
        // and "-", so the widest of the others fits any digit.
        if (cells.sampleChars == 0) {
            cells.first = width;
        } else {
            cells.cell = std::max(cells.cell, width);
        }
        ++cells.sampleChars;
        k = next;
    }
    return cells;
}

void DisplayLine::LayOut(std::string_view raw, std::uint32_t layoutCode, bool excludeInvalid,
                         const LocaleFormats& formats) {
    const DisplayLayout layout = CLineSelector::Layout(raw, layoutCode, excludeInvalid, formats);
    color = LineColorOf(raw);
    bold = color == LineColor::Red;
    column.clear();
    messageHead.clear();
    timestamp = layout.reformatted;
    if (timestamp) layout.time.AppendForDisplay(formats, column);
    std::string_view tail = raw.substr(layout.tailStart);
    // A line shown as it is still starts with its colour prefix, which chose the colour
    // and is not shown. A re-formatted timestamp starts with a number, never a prefix.
    if (column.empty() && HasColourPrefix(tail)) tail.remove_prefix(2);
    reading = ReadingOf(column, tail);
    if (!timestamp) {
        // Text that is no timestamp is text: all of it is message, from the line's start,
        // rather than letters spread over the cells that line up timestamps' digits.
        message = tail;
        return;
    }

    // column holds the re-formatted timestamp so far; the cells take the first bytes of
    // it and the tail together.
    const std::size_t total = column.size() + tail.size();
    std::size_t split = std::min(formats.timestampSample.size(), total);
    if (reading == TextReading::Utf8) {
        auto at = [&](std::size_t k) {
            return k < column.size() ? column[k] : tail[k - column.size()];
        };
        while (split > 0 && split < total && IsContinuation(at(split))) --split;
    }
    if (split <= column.size()) {
        messageHead.assign(column, split);
        column.resize(split);
        message = tail;
    } else {
        const std::size_t fromTail = split - column.size();
        column.append(tail.substr(0, fromTail));
        message = tail.substr(fromTail);
    }
}

std::size_t DisplayLine::ColumnChars() const {
    if (reading != TextReading::Utf8) return column.size();
    return static_cast<std::size_t>(
        std::count_if(column.begin(), column.end(), [](char c) { return !IsContinuation(c); }));
}

std::int64_t DisplayLine::MessageWidth(const ITextMeasurer& measurer) const {
    std::int64_t width = 0;
    if (!messageHead.empty()) width += measurer.TextWidth(messageHead, bold, reading);
    if (!message.empty()) width += measurer.TextWidth(message, bold, reading);
    return width;
}

std::int64_t DisplayLine::Width(const ITextMeasurer& measurer, const ColumnCells& cells) const {
    return cells.End(ColumnChars()) + MessageWidth(measurer);
}
