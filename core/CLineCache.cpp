#include "CLineCache.h"

#include <algorithm>

#include "ITextMeasurer.h"

CLineCache::CLineCache() : m_entries(kSlots) {}

void CLineCache::Clear() {
    for (Entry& entry : m_entries) entry.line = -1;
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
