#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "CLineFinder.h"

// How Find looks for its text.
struct FindOptions {
    bool matchCase = false;
    bool wholeWord = false;
    // The text is a regular expression (see CPatternSearcher).
    bool regex = false;
    // Find Next goes towards the end of the log; Find Previous goes against it.
    bool down = true;

    bool operator==(const FindOptions&) const = default;
};

// The last Find: its text and options, kept for the next search and the next dialog, and
// the finder they make, built again only after they changed.
class CFindState {
public:
    // A Find Next that found a line: wrapped when it passed the end of the lines (or,
    // upwards, their start) on the way.
    struct Hit {
        std::int64_t line = 0;
        bool wrapped = false;
    };

    // Keeps text (UTF-8) and options. True when what the text matches changed: another
    // text, case, whole-word or regular-expression choice (not the direction).
    bool Set(std::string text, const FindOptions& options);
    const std::string& GetText() const { return m_strText; }
    const FindOptions& GetOptions() const { return m_options; }

    // The finder of the current text and options. A text above ASCII is also looked for
    // in its Windows-1252 form, the way lines that are not UTF-8 are shown.
    const CLineFinder& GetFinder() { return *ShareFinder(); }
    // The same finder for a reader on another thread: it stays alive, unchanged, for as
    // long as the reader holds it, whatever the next Find sets.
    std::shared_ptr<const CLineFinder> ShareFinder();

    // Find Next over count lines: every line but the anchor, from the anchor's neighbour
    // in the direction on, wrapping at the ends; with no anchor, from line 0 on. None when
    // nothing matches, the text is empty or there are no lines.
    std::optional<Hit> FindNext(const CLineFinder::LineSource& lines, std::int64_t count,
                                std::optional<std::int64_t> anchor, bool down);

private:
    std::string m_strText;
    FindOptions m_options;
    // Made from m_strText and m_options; dropped when they change what matches.
    std::shared_ptr<const CLineFinder> m_finder;
};
