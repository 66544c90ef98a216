#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CPatternSearcher.h"
#include "CSubstringSearcher.h"
#include "TextBytes.h"

// Finds the next line that holds a search text, the way Find Next does: in the raw bytes
// of the lines, with the match-case and whole-word options.
//
// Without match case the letters a to z match either case; in a line that is valid UTF-8
// every other letter matches by simple case folding too (é finds É). With whole word the
// occurrence must have white space (space, tab, LF, VT, FF, CR) or the line's start or end
// on both sides; only the first occurrence in a line is examined.
//
// The lines are searched where they lie: a run of lines is scanned as one block of bytes
// and only a line holding a possible occurrence is examined on its own.
class CLineFinder {
public:
    // Line i of a list of lines. The lines of one list lie in one block of memory in index
    // order (line i + 1 starts after line i ends), so that a run of lines can be scanned
    // as one block; the bytes between lines are never reported as part of a line.
    using LineSource = std::function<std::string_view(std::int64_t)>;

    // pattern is UTF-8. legacyPattern is the same text in Windows-1252, searched for in
    // the lines that are not UTF-8 (the way such lines are shown); empty when the text
    // has characters Windows-1252 lacks, and then those lines are searched for pattern.
    CLineFinder(std::string_view pattern, bool matchCase, bool wholeWord,
                std::string_view legacyPattern = {});
    // The text is a pattern (see CPatternSearcher), with the same options; a pattern that
    // does not compile finds nothing. The pattern's longest required literal picks the
    // candidate lines of a scan; without one every line is tried.
    struct RegularExpression {};
    CLineFinder(RegularExpression, std::string_view pattern, bool matchCase, bool wholeWord);

    const std::string& Pattern() const { return m_strPattern; }
    // Whether the line holds the text under the options.
    bool Matches(std::string_view line) const;

    // The first occurrence of the text that starts in text[from, to) and passes the
    // whole-word test (text's own edges standing for a line's edges): its start, with its
    // length in bytes in length; npos when there is none. text may be a piece of a line
    // whose whole reads as reading. Only text[from, to + MaxOccurrenceLength()) is
    // searched, so a window far into a long line costs the window.
    std::size_t FindOccurrence(std::string_view text, std::size_t from, std::size_t to,
                               TextReading reading, std::size_t& length) const;
    // The most bytes one occurrence can take in any line.
    std::size_t MaxOccurrenceLength() const;

    // The first line from `from` towards `to`, both included (downwards when from <= to,
    // else upwards), that matches; none when none does.
    std::optional<std::int64_t> FindInRange(const LineSource& lines, std::int64_t from,
                                            std::int64_t to) const;

    // Find Next over count lines: every line but the anchor, from the anchor's neighbour in
    // the direction on, wrapping at the ends. With no anchor (or one outside the lines)
    // every line is tested, line 0 first. None when nothing matches, the text is empty or
    // there are no lines.
    std::optional<std::int64_t> FindNext(const LineSource& lines, std::int64_t count,
                                         std::optional<std::int64_t> anchor, bool down) const;

private:
    // Where the first occurrence of the text in line starts and how many bytes it has;
    // npos when there is none.
    std::size_t FirstOccurrence(std::string_view line, std::size_t& length) const;
    // The first occurrence at or after from in a line that reads as reading.
    std::size_t OccurrenceFrom(std::string_view line, std::size_t from, TextReading reading,
                               std::size_t& length) const;
    // FindOccurrence of a regular-expression search.
    std::size_t PatternOccurrence(std::string_view text, std::size_t from, std::size_t to,
                                  std::size_t& length) const;
    std::size_t FirstFoldedOccurrence(std::string_view line, std::size_t from,
                                      std::size_t& length) const;
    // Whether the first occurrence, at pos with length bytes, passes the whole-word test.
    bool CountsAt(std::string_view line, std::size_t pos, std::size_t length) const;
    // The first (down) or last matching line of lines[first, last], scanned as one block.
    std::optional<std::int64_t> ScanBlock(const LineSource& lines, std::int64_t first,
                                          std::int64_t last, bool down) const;

    std::string m_strPattern;
    bool m_bWholeWord;
    // The compiled pattern of a regular-expression search; null for a text search.
    std::shared_ptr<const CPatternSearcher> m_pRegex;
    // Case is ignored and the text has a character above ASCII: UTF-8 lines are compared
    // by case folding, and only a line with a byte above ASCII can hold the text.
    bool m_bFoldUnicode = false;
    // The text has a character above ASCII: a line that holds the start of a form of
    // the text is examined on its own.
    bool m_bLineByLine = false;
    CSubstringSearcher m_searcher;
    // The Windows-1252 form, for lines that are not UTF-8; absent for an ASCII text.
    std::optional<CSubstringSearcher> m_legacySearcher;
    // The text's characters, case-folded, when m_bFoldUnicode.
    std::vector<char32_t> m_folded;
    // With case ignored, the UTF-8 forms of every character that folds like the text's
    // first one: where a folded occurrence starts.
    std::vector<std::string> m_firstForms;
    // The UTF-8 forms of the text's first character above ASCII (with case ignored, of
    // every character that folds like it): a part of every occurrence in a UTF-8 line,
    // and what a run of lines is scanned for.
    std::vector<std::string> m_anchorForms;
    std::vector<CSubstringSearcher> m_anchorSearchers;
};
