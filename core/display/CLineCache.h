#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "CTrawlviewDoc.h"
#include "DisplayLine.h"

class CLineFinder;
class ITextMeasurer;

// The pieces of the displayed lines on screen, laid out once when a line comes into view
// and kept while it stays, with checkpoints of its message's accumulated width: drawing
// from any horizontal position starts at the checkpoint before it instead of walking the
// line from its start, so a paint costs the same whatever the lines' lengths.
//
// Checkpoints are added only as far as a position asks for, one every kStride bytes, so
// a long line is walked once, and only as far as it has been scrolled. Entries live in a
// fixed number of slots chosen by line index; a window never shows as many lines as
// there are slots, so the lines on screen never push each other out.
class CLineCache {
public:
    struct Checkpoint {
        std::uint64_t offset = 0;  // bytes into the message, at a character's start
        std::int64_t width = 0;    // pixels of the message before offset
    };
    // A stretch of a line marked as an occurrence of the find text, in pixels from the
    // line's left edge.
    struct Mark {
        std::int64_t left = 0;
        std::int64_t right = 0;
    };
    struct Entry {
        // The displayed line held; none for a free slot.
        std::optional<LineIndex> line;
        DisplayLine pieces;
        std::vector<Checkpoint> checkpoints;
        // The last checkpoint is the message's end.
        bool complete = false;
    };

    static constexpr std::size_t kSlots = 512;
    static constexpr std::uint64_t kStride = 2048;

    CLineCache();
    // Forgets every line, keeping the memory; call whenever the document's lines change.
    void Clear();
    // Forgets the lines from `first` on (lines were appended and the last one may have
    // changed); the others keep their checkpoints.
    void ForgetFrom(LineIndex first);
    // The pieces of displayed line `line` of doc.
    Entry& Get(const CTrawlviewDoc& doc, LineIndex line);
    // The last checkpoint of the entry's message at or before `width` pixels into it,
    // measured in the message's font by measurer.
    Checkpoint Seek(Entry& entry, std::int64_t width, const ITextMeasurer& measurer) const;

    // The occurrences of finder's text in the entry's line that reach into [left, right)
    // pixels from the line's left edge, in order, into out (its memory reused): in the
    // timestamp column, in its cells, and in the message. Each piece is searched on its
    // own. Of the message only the stretch that shows there is searched and measured,
    // from the checkpoint before it, so marking costs what drawing costs.
    void FindMarks(Entry& entry, const CLineFinder& finder, const ColumnCells& cells,
                   std::int64_t left, std::int64_t right, const ITextMeasurer& measurer,
                   std::vector<Mark>& out) const;

private:
    std::vector<Entry> m_entries;
};
