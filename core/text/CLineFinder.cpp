#include "CLineFinder.h"

#include <algorithm>

#include "CaseFold.h"
#include "TextBytes.h"

namespace {

bool IsWhiteSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Upward searches scan this many lines at a time, nearest first, so that a hit close
// above the start is found without scanning everything before it.
constexpr std::int64_t kUpwardBlockLines = 4096;

// The last line of lines[k, last] that starts at or before p, given that line k does.
std::int64_t LineContaining(const CLineFinder::LineSource& lines, const char* p, std::int64_t k,
                            std::int64_t last) {
    // Galloping: the candidate is most often in line k or shortly after it.
    std::int64_t step = 1;
    std::int64_t lo = k;
    while (lo + step <= last && lines(lo + step).data() <= p) {
        lo += step;
        step *= 2;
    }
    std::int64_t hi =
        std::min(lo + step, last + 1);  // lines(hi) starts after p, or hi is past the end
    while (hi - lo > 1) {
        const std::int64_t mid = lo + (hi - lo) / 2;
        if (lines(mid).data() <= p) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return lo;
}

}  // namespace

CLineFinder::CLineFinder(std::string_view pattern, bool matchCase, bool wholeWord,
                         std::string_view legacyPattern)
    : m_strPattern(pattern), m_bWholeWord(wholeWord), m_searcher(pattern, !matchCase) {
    if (IsAscii(pattern) || !IsValidUtf8(pattern)) return;
    m_bLineByLine = true;
    if (!legacyPattern.empty()) m_legacySearcher.emplace(legacyPattern, !matchCase);
    std::vector<char32_t> chars;
    for (const char* p = pattern.data(); p < pattern.data() + pattern.size();)
        chars.push_back(NextUtf8(p));
    // Every occurrence in a UTF-8 line holds a form of the first character above ASCII:
    // nothing above ASCII folds into ASCII, nor the other way round.
    const char32_t anchor =
        *std::find_if(chars.begin(), chars.end(), [](char32_t c) { return c >= 0x80; });
    if (matchCase) {
        AppendUtf8(anchor, m_anchorForms.emplace_back());
    } else {
        m_bFoldUnicode = true;
        for (const char32_t c : chars) m_folded.push_back(SimpleCaseFold(c));
        for (const char32_t c : CaseVariants(m_folded.front()))
            AppendUtf8(c, m_firstForms.emplace_back());
        for (const char32_t c : CaseVariants(SimpleCaseFold(anchor)))
            AppendUtf8(c, m_anchorForms.emplace_back());
    }
    for (const std::string& form : m_anchorForms) m_anchorSearchers.emplace_back(form);
}

CLineFinder::CLineFinder(RegularExpression, std::string_view pattern, bool matchCase,
                         bool wholeWord)
    : CLineFinder(pattern, matchCase, wholeWord, std::string_view()) {
    auto regex = std::make_shared<const CPatternSearcher>(pattern, matchCase, wholeWord);
    // Candidates are found by the literal alone; the pattern decides each candidate line.
    m_searcher = CSubstringSearcher(regex->RequiredLiteral(), !matchCase);
    m_bLineByLine = false;
    m_pRegex = std::move(regex);
}

bool CLineFinder::Matches(std::string_view line) const {
    if (m_pRegex) return m_pRegex->Matches(line);
    std::size_t length = 0;
    const std::size_t pos = FirstOccurrence(line, length);
    return pos != std::string_view::npos && CountsAt(line, pos, length);
}

bool CLineFinder::CountsAt(std::string_view line, std::size_t pos, std::size_t length) const {
    if (!m_bWholeWord) return true;
    if (pos > 0 && !IsWhiteSpace(line[pos - 1])) return false;
    return pos + length >= line.size() || IsWhiteSpace(line[pos + length]);
}

std::size_t CLineFinder::FirstOccurrence(std::string_view line, std::size_t& length) const {
    // Only a text above ASCII depends on how the line reads.
    return OccurrenceFrom(line, 0, m_bLineByLine ? ReadingOf(line) : TextReading::Ascii, length);
}

std::size_t CLineFinder::OccurrenceFrom(std::string_view line, std::size_t from,
                                        TextReading reading, std::size_t& length) const {
    const CSubstringSearcher* searcher = &m_searcher;
    if (m_bLineByLine) {
        if (reading == TextReading::Ascii) return std::string_view::npos;
        if (reading == TextReading::Utf8 && m_bFoldUnicode)
            return FirstFoldedOccurrence(line, from, length);
        if (reading == TextReading::Windows1252 && m_legacySearcher) searcher = &*m_legacySearcher;
    }
    length = searcher->Needle().size();
    const char* end = line.data() + line.size();
    const char* hit = searcher->Find(line.data() + from, end);
    return hit == end ? std::string_view::npos : static_cast<std::size_t>(hit - line.data());
}

std::size_t CLineFinder::PatternOccurrence(std::string_view text, std::size_t from, std::size_t to,
                                           std::size_t& length) const {
    const std::size_t limit =
        to >= text.size() ? text.size() : std::min(text.size(), to + MaxOccurrenceLength());
    while (from < to && from < limit) {
        const std::optional<CPatternSearcher::Match> m =
            m_pRegex->Find(text.substr(from, limit - from));
        if (!m || from + m->pos >= to) return std::string_view::npos;
        if (m->length > 0) {
            length = m->length;
            return from + m->pos;
        }
        // An empty match has nothing to mark.
        from += m->pos + 1;
    }
    return std::string_view::npos;
}

std::size_t CLineFinder::MaxOccurrenceLength() const {
    // A pattern's match has no bound; the marks of a long line's window look this far on,
    // and a longer match across a window's edge goes unmarked (Find Next still finds it).
    if (m_pRegex) return 4096;
    // A folded character takes at most four bytes in UTF-8.
    return std::max({m_strPattern.size(), m_legacySearcher ? m_legacySearcher->Needle().size() : 0,
                     4 * m_folded.size()});
}

std::size_t CLineFinder::FindOccurrence(std::string_view text, std::size_t from, std::size_t to,
                                        TextReading reading, std::size_t& length) const {
    if (m_strPattern.empty()) return std::string_view::npos;
    if (m_pRegex) return PatternOccurrence(text, from, to, length);
    const std::size_t limit =
        to >= text.size() ? text.size() : std::min(text.size(), to + MaxOccurrenceLength());
    const std::string_view window = text.substr(0, limit);
    while (from < to && from < window.size()) {
        const std::size_t pos = OccurrenceFrom(window, from, reading, length);
        if (pos == std::string_view::npos || pos >= to) return std::string_view::npos;
        if (CountsAt(text, pos, length)) return pos;
        from = pos + 1;
    }
    return std::string_view::npos;
}

std::size_t CLineFinder::FirstFoldedOccurrence(std::string_view line, std::size_t from,
                                               std::size_t& length) const {
    const char* const end = line.data() + line.size();
    for (;;) {
        // The nearest start of a character that folds like the text's first one.
        // Lines are short: the library's search beats preparing a wide scan here.
        std::size_t start = std::string_view::npos;
        for (const std::string& form : m_firstForms) start = std::min(start, line.find(form, from));
        if (start == std::string_view::npos) return start;
        const char* p = line.data() + start;
        std::size_t k = 0;
        while (k < m_folded.size() && p < end && SimpleCaseFold(NextUtf8(p)) == m_folded[k]) ++k;
        if (k == m_folded.size()) {
            length = static_cast<std::size_t>(p - (line.data() + start));
            return start;
        }
        const char* next = line.data() + start;
        NextUtf8(next);
        from = static_cast<std::size_t>(next - line.data());
    }
}

std::optional<std::int64_t> CLineFinder::ScanBlock(const LineSource& lines, std::int64_t first,
                                                   std::int64_t last, bool down) const {
    const std::string_view lastLine = lines(last);
    const char* const end = lastLine.data() + lastLine.size();
    const char* p = lines(first).data();
    std::optional<std::int64_t> found;
    std::int64_t k = first;
    // Line by line, a candidate is the nearest of the anchor character's forms and the
    // Windows-1252 text; each one's next occurrence is kept until the scan passes it.
    // Where no byte above ASCII is left there is none: a quick end in ASCII logs.
    std::vector<const char*> next(m_bLineByLine ? m_anchorSearchers.size() + 1 : 0, nullptr);
    auto findCandidate = [&](const char* from) {
        // A pattern without a literal part: every line is a candidate.
        if (m_pRegex && m_pRegex->RequiredLiteral().empty()) return from;
        if (!m_bLineByLine) return m_searcher.Find(from, end);
        if (FindNonAscii(from, end) == end) return end;
        const char* nearest = end;
        for (std::size_t i = 0; i < next.size(); ++i) {
            const CSubstringSearcher* searcher = i < m_anchorSearchers.size()
                                                     ? &m_anchorSearchers[i]
                                                 : m_legacySearcher ? &*m_legacySearcher
                                                                    : nullptr;
            if (searcher == nullptr) continue;
            if (next[i] == nullptr || next[i] < from) next[i] = searcher->Find(from, end);
            nearest = std::min(nearest, next[i]);
        }
        return nearest;
    };
    while (p < end) {
        const char* candidate = findCandidate(p);
        if (candidate == end) break;
        k = LineContaining(lines, candidate, k, last);
        const std::string_view line = lines(k);
        // A candidate past the line's end lies between lines or runs over a line end. The
        // scan started at or before the line's start, so a byte occurrence inside the line
        // is its first one.
        const char* lineEnd = line.data() + line.size();
        const bool hit = m_bLineByLine || m_pRegex
                             ? candidate <= lineEnd && Matches(line)
                             : candidate + m_strPattern.size() <= lineEnd &&
                                   CountsAt(line, static_cast<std::size_t>(candidate - line.data()),
                                            m_strPattern.size());
        if (hit) {
            if (down) return k;
            found = k;
        }
        if (k == last) break;
        p = lines(++k).data();
    }
    return found;
}

std::optional<std::int64_t> CLineFinder::FindInRange(const LineSource& lines, std::int64_t from,
                                                     std::int64_t to) const {
    if (m_strPattern.empty()) return std::nullopt;
    if (from <= to) return ScanBlock(lines, from, to, true);
    for (std::int64_t hi = from; hi >= to;) {
        const std::int64_t lo = std::max(to, hi - kUpwardBlockLines + 1);
        if (const auto hit = ScanBlock(lines, lo, hi, false)) return hit;
        hi = lo - 1;
    }
    return std::nullopt;
}

std::optional<std::int64_t> CLineFinder::FindNext(const LineSource& lines, std::int64_t count,
                                                  std::optional<std::int64_t> anchor,
                                                  bool down) const {
    if (m_strPattern.empty() || count <= 0) return std::nullopt;
    if (!anchor || *anchor < 0 || *anchor >= count) {
        if (down) return FindInRange(lines, 0, count - 1);
        if (const auto hit = FindInRange(lines, 0, 0)) return hit;
        return count > 1 ? FindInRange(lines, count - 1, 1) : std::nullopt;
    }
    const std::int64_t at = *anchor;
    std::optional<std::int64_t> hit;
    if (down) {
        if (at + 1 < count) hit = FindInRange(lines, at + 1, count - 1);
        if (!hit && at > 0) hit = FindInRange(lines, 0, at - 1);
    } else {
        if (at > 0) hit = FindInRange(lines, at - 1, 0);
        if (!hit && at + 1 < count) hit = FindInRange(lines, count - 1, at + 1);
    }
    return hit;
}
