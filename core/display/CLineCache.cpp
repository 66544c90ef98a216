#include "CLineCache.h"

#include <algorithm>

#include "CLineFinder.h"
#include "ITextMeasurer.h"

namespace {

// Characters in the first `bytes` bytes of a text that reads as reading.
std::size_t CharsIn(std::string_view text, std::size_t bytes, TextReading reading) {
    if (reading != TextReading::Utf8) return bytes;
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(bytes),
                      [](char c) { return (static_cast<unsigned char>(c) & 0xC0u) != 0x80u; }));
}

}  // namespace

CLineCache::CLineCache() : m_entries(kSlots) {}

void CLineCache::Clear() {
    for (Entry& entry : m_entries) entry.line.reset();
}

void CLineCache::ForgetFrom(LineIndex first) {
    for (Entry& entry : m_entries) {
        if (entry.line && *entry.line >= first) entry.line.reset();
    }
}

CLineCache::Entry& CLineCache::Get(const CTrawlviewDoc& doc, LineIndex line) {
    Entry& entry = m_entries[static_cast<std::size_t>(line) % kSlots];
    if (entry.line != line) {
        doc.GetDisplayLine(line, entry.pieces);
        entry.checkpoints.assign(1, Checkpoint{});
        entry.complete = entry.pieces.message.empty();
        entry.line = line;
    }
    return entry;
}

CLineCache::Checkpoint CLineCache::Seek(Entry& entry, std::int64_t width,
                                        const ITextMeasurer& measurer) const {
    if (width <= 0) return entry.checkpoints.front();
    const DisplayLine& pieces = entry.pieces;
    const std::string_view message = pieces.message;
    while (!entry.complete && entry.checkpoints.back().width <= width) {
        const Checkpoint last = entry.checkpoints.back();
        std::size_t end = static_cast<std::size_t>(
            std::min<std::uint64_t>(last.offset + kStride, message.size()));
        if (pieces.reading == TextReading::Utf8) {
            while (end < message.size() &&
                   (static_cast<unsigned char>(message[end]) & 0xC0u) == 0x80u)
                ++end;
        }
        const std::string_view chunk = message.substr(static_cast<std::size_t>(last.offset),
                                                      end - static_cast<std::size_t>(last.offset));
        entry.checkpoints.push_back(
            {end, last.width + measurer.TextWidth(chunk, pieces.bold, pieces.reading)});
        entry.complete = end == message.size();
    }
    const auto after =
        std::upper_bound(entry.checkpoints.begin(), entry.checkpoints.end(), width,
                         [](std::int64_t w, const Checkpoint& c) { return w < c.width; });
    return *(after - 1);
}

void CLineCache::FindMarks(Entry& entry, const CLineFinder& finder, const ColumnCells& cells,
                           std::int64_t left, std::int64_t right, const ITextMeasurer& measurer,
                           std::vector<Mark>& out) const {
    out.clear();
    const DisplayLine& pieces = entry.pieces;
    const TextReading reading = pieces.reading;
    auto keep = [&](std::int64_t from, std::int64_t to) {
        if (to > left && from < right) out.push_back({from, to});
    };
    std::size_t length = 0;
    const std::string_view column = pieces.column;
    for (std::size_t pos = 0; (pos = finder.FindOccurrence(column, pos, column.size(), reading,
                                                           length)) != std::string_view::npos;
         pos += length) {
        const std::size_t first = CharsIn(column, pos, reading);
        keep(cells.End(first), cells.End(first + CharsIn(column.substr(pos), length, reading)));
    }

    // The message head and the message follow the column's text.
    std::int64_t x = cells.End(pieces.ColumnChars());
    const std::string_view head = pieces.messageHead;
    for (std::size_t pos = 0, measured = 0;
         (pos = finder.FindOccurrence(head, pos, head.size(), reading, length)) !=
         std::string_view::npos;
         pos += length) {
        x += measurer.TextWidth(head.substr(measured, pos - measured), pieces.bold, reading);
        const std::int64_t end =
            x + measurer.TextWidth(head.substr(pos, length), pieces.bold, reading);
        keep(x, end);
        x = end;
        measured = pos + length;
    }
    if (!head.empty())
        x = cells.End(pieces.ColumnChars()) + measurer.TextWidth(head, pieces.bold, reading);

    const std::string_view message = pieces.message;
    if (message.empty() || right <= x) return;
    // What shows lies between the checkpoint before the window's left edge and the one
    // after its right edge; an occurrence that starts a little before the first may reach
    // into the window.
    const Checkpoint shown = Seek(entry, left - x, measurer);
    Seek(entry, right - x, measurer);
    const auto after =
        std::upper_bound(entry.checkpoints.begin(), entry.checkpoints.end(), right - x,
                         [](std::int64_t w, const Checkpoint& c) { return w < c.width; });
    const std::uint64_t visibleEnd =
        after == entry.checkpoints.end() ? message.size() : after->offset;
    const std::uint64_t reach = finder.MaxOccurrenceLength();
    const std::uint64_t searchFrom = shown.offset > reach ? shown.offset - reach : 0;
    const Checkpoint base =
        *(std::upper_bound(entry.checkpoints.begin(), entry.checkpoints.end(), searchFrom,
                           [](std::uint64_t o, const Checkpoint& c) { return o < c.offset; }) -
          1);
    auto at = static_cast<std::size_t>(base.offset);
    std::int64_t width = base.width;
    for (std::size_t pos = at;
         (pos = finder.FindOccurrence(message, pos, static_cast<std::size_t>(visibleEnd), reading,
                                      length)) != std::string_view::npos;
         pos += length) {
        width += measurer.TextWidth(message.substr(at, pos - at), pieces.bold, reading);
        const std::int64_t end =
            width + measurer.TextWidth(message.substr(pos, length), pieces.bold, reading);
        keep(x + width, x + end);
        if (x + width >= right) break;
        width = end;
        at = pos + length;
    }
}
