#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "CSubstringSearcher.h"

namespace re2 {
class RE2;
}

// Finds a regular expression in log lines, in linear time whatever the pattern: no pattern
// can make a search take longer than a pass over the line per program.
//
// The pattern is UTF-8. A line that is valid UTF-8 is matched as UTF-8; any other line is
// read as Windows-1252 (the way it is shown) and matched as the characters it shows, so a
// stray byte neither breaks a search nor lets `.` swallow half a character.
//
// Only lines that hold the pattern's longest required run of ASCII literal characters are
// given to the regular expression engine; the run is looked for with CSubstringSearcher.
class CPatternSearcher {
public:
    struct Match {
        std::size_t pos = 0;     // in bytes of the line
        std::size_t length = 0;  // may be 0 for a pattern that matches the empty text
    };

    // An empty pattern matches the empty text at the start of every line, as an empty
    // filter text occurs in every line.
    // Without matchCase letters match in either case (Unicode simple folding). With
    // wholeWord the first match in a line counts only with white space or the line's edge
    // on both sides, as for a plain Find text.
    CPatternSearcher(std::string_view pattern, bool matchCase, bool wholeWord = false);
    ~CPatternSearcher();
    CPatternSearcher(const CPatternSearcher&) = delete;
    CPatternSearcher& operator=(const CPatternSearcher&) = delete;

    // Empty when the pattern compiled; else one sentence naming what is wrong and where.
    const std::string& Error() const { return m_strError; }
    bool IsValid() const { return m_strError.empty(); }

    // Whether the line holds a match that passes the whole-word test. Without whole-word the
    // engine is only asked whether there is a match, which it tells in one forward pass.
    bool Matches(std::string_view line) const;
    // The first match in the line that passes the whole-word test; none for an invalid pattern.
    std::optional<Match> Find(std::string_view line) const;

    // The literal every match holds (empty when there is none): a scan for it over many
    // lines at once skips to the lines worth matching.
    const std::string& RequiredLiteral() const { return m_strLiteral; }
    // The scan for that literal; null when there is none.
    const CSubstringSearcher* Prefilter() const { return m_prefilter ? &*m_prefilter : nullptr; }

    // The longest run of literal ASCII characters that every match of pattern holds, for a
    // prefilter; empty when none can be told for certain.
    static std::string LongestRequiredLiteral(std::string_view pattern, bool matchCase);

private:
    std::optional<Match> FindIn(std::string_view text) const;
    bool CountsAt(std::string_view line, const Match& m) const;

    std::unique_ptr<re2::RE2> m_re;
    std::string m_strError;
    std::string m_strLiteral;
    std::optional<CSubstringSearcher> m_prefilter;
    bool m_bWholeWord = false;
};
