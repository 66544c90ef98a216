#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CMultiStringSearcher.h"
#include "CPatternSearcher.h"
#include "CSubstringSearcher.h"
#include "FilterList.h"
#include "ILineFilter.h"

// A filter list prepared for one rebuild. A line is displayed only when every filter
// passes it; as that does not depend on the order of the filters, each kind is tested
// as a whole, so that a long list costs about as much as a short one:
// - include strings: the line must contain every distinct text (few texts: one searcher
//   each; many: one pass of a multi-string searcher that ticks them off);
// - exclude strings: the line must contain none (one pass for all of them);
// - patterns: the line must match every include pattern and no exclude pattern; only
//   a line holding a pattern's required literal goes to the engine. A pattern that does
//   not compile matches no line;
// - intervals: the line's timestamp is read once; the include intervals are one
//   intersection, the exclude intervals one sorted list of disjoint ranges.
// The matcher keeps what it needs of the list (texts, compiled patterns, time ranges) and
// of the formats: either may change or go while it is in use. Passes may be called from several
// threads at once.
class CFilterMatcher : public ILineFilter {
public:
    CFilterMatcher(const FilterList& list, bool excludeInvalid,
                   const LocaleFormats& formats = GetLocaleFormats());

    bool Passes(std::string_view line) const override;
    // Searches the whole block once for each of a few exclude texts, then tests the lines
    // left line by line (on two cores when the list is long).
    void PassesEach(const char* data, const LineSpan* spans, std::size_t n,
                    bool* pass) const override;
    // The text of the first non-empty include-string filter; without one, the longest
    // literal part of an include pattern.
    std::string_view RequiredSubstring() const override;
    // Searches each piece with the last bytes of the one before (one fewer than the
    // longest text has), so that a text across two pieces is found.
    std::unique_ptr<Pieces> DecideInPieces() const override;
    bool NeedsTime() const override { return m_bHaveIntervals; }

private:
    struct Range {
        LogTime from;
        LogTime to;
    };

    // Up to this many texts of a kind get a searcher each, which scans faster than the
    // multi-string searcher's one pass for all.
    static constexpr std::size_t kFewTexts = 4;
    // From this many lines on, a block under a multi-string searcher is shared by two
    // threads.
    static constexpr std::size_t kLinesForTwoCores = 512;

    // Every test but the few exclude texts.
    bool PassesRest(std::string_view line) const;
    bool PassesIncludes(std::string_view line) const;
    bool PassesIntervals(std::string_view line) const;
    bool PassesPatterns(std::string_view line) const;
    bool PassesTime(const LogTime& t) const;
    class LinePieces;

    std::string m_strRequired;  // the first non-empty include text
    bool m_bExcludeInvalid;
    const LocaleFormats m_formats;
    bool m_bRejectAll = false;   // an empty exclude text occurs in every line
    std::size_t m_nLongest = 0;  // bytes of the longest string text

    std::vector<CSubstringSearcher> m_includes;  // few distinct include texts
    std::optional<CMultiStringSearcher> m_manyIncludes;
    std::vector<CSubstringSearcher> m_excludes;
    std::optional<CMultiStringSearcher> m_manyExcludes;

    std::vector<std::unique_ptr<CPatternSearcher>> m_includePatterns;
    std::vector<std::unique_ptr<CPatternSearcher>> m_excludePatterns;

    bool m_bHaveIntervals = false;
    bool m_bHaveInclude = false;    // at least one include interval
    bool m_bIncludeNone = false;    // the include intervals have no time in common
    Range m_include{};              // their intersection
    std::vector<Range> m_excluded;  // ascending, disjoint
};
