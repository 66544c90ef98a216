#include "CFilterMatcher.h"

#include <algorithm>
#include <thread>

#include "CLineSelector.h"
#include "LogLine.h"

namespace {

bool Before(const LogTime& a, const LogTime& b) {
    return !a.IsAtOrAfter(b);
}

// Texts of one kind, each once, in a stable order.
std::vector<std::string_view> Distinct(std::vector<std::string_view> texts) {
    std::sort(texts.begin(), texts.end());
    texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
    return texts;
}

}  // namespace

CFilterMatcher::CFilterMatcher(const FilterList& list, bool excludeInvalid,
                               const LocaleFormats& formats)
    : m_bExcludeInvalid(excludeInvalid), m_formats(formats) {
    std::vector<std::string_view> includes;
    std::vector<std::string_view> excludes;
    std::vector<Range> excluded;
    bool first = true;
    for (const LogFilter& filter : list) {
        switch (filter.kind) {
            case FilterKind::IncludeString:
                // An empty text occurs in every line.
                if (!filter.text.empty()) includes.push_back(filter.text);
                break;
            case FilterKind::ExcludeString:
                if (filter.text.empty()) m_bRejectAll = true;
                excludes.push_back(filter.text);
                break;
            case FilterKind::IncludeInterval:
                m_bHaveIntervals = true;
                m_bHaveInclude = true;
                // An interval without both ends contains no time.
                if (!filter.from || !filter.to) {
                    m_bIncludeNone = true;
                    break;
                }
                if (first || filter.from->IsAtOrAfter(m_include.from))
                    m_include.from = *filter.from;
                if (first || filter.to->IsAtOrBefore(m_include.to)) m_include.to = *filter.to;
                first = false;
                break;
            case FilterKind::ExcludeInterval:
                m_bHaveIntervals = true;
                if (filter.from && filter.to && filter.to->IsAtOrAfter(*filter.from)) {
                    excluded.push_back({*filter.from, *filter.to});
                }
                break;
            case FilterKind::IncludePattern:
            case FilterKind::ExcludePattern:
                (filter.kind == FilterKind::IncludePattern ? m_includePatterns : m_excludePatterns)
                    .push_back(std::make_unique<CPatternSearcher>(filter.text, true));
                break;
            case FilterKind::Unset:
                break;
        }
    }
    if (m_bHaveInclude && !first && Before(m_include.to, m_include.from)) m_bIncludeNone = true;

    // Overlapping and touching exclude intervals merge into one range.
    std::sort(excluded.begin(), excluded.end(),
              [](const Range& a, const Range& b) { return Before(a.from, b.from); });
    for (const Range& r : excluded) {
        if (!m_excluded.empty() && m_excluded.back().to.IsAtOrAfter(r.from)) {
            if (Before(m_excluded.back().to, r.to)) m_excluded.back().to = r.to;
        } else {
            m_excluded.push_back(r);
        }
    }

    if (!includes.empty()) m_strRequired = includes.front();
    for (const std::string_view text : includes) m_nLongest = std::max(m_nLongest, text.size());
    for (const std::string_view text : excludes) m_nLongest = std::max(m_nLongest, text.size());
    includes = Distinct(std::move(includes));
    if (includes.size() <= kFewTexts) {
        for (const std::string_view text : includes) m_includes.emplace_back(text);
    } else {
        m_manyIncludes.emplace(includes);
    }
    if (m_bRejectAll) return;
    excludes = Distinct(std::move(excludes));
    if (excludes.size() <= kFewTexts) {
        for (const std::string_view text : excludes) m_excludes.emplace_back(text);
    } else {
        m_manyExcludes.emplace(excludes);
    }
}

bool CFilterMatcher::Passes(std::string_view line) const {
    if (m_bRejectAll) return false;
    for (const CSubstringSearcher& s : m_excludes) {
        if (s.Contains(line)) return false;
    }
    return PassesRest(line);
}

void CFilterMatcher::PassesEach(const char* data, const LineSpan* spans, std::size_t n,
                                bool* pass) const {
    std::fill(pass, pass + n, !m_bRejectAll);
    if (m_bRejectAll || n == 0) return;
    // Lines [from, to): the exclude texts are searched in their bytes as a whole, a hit
    // counting for the line it lies in (not one across a line end); the other tests go
    // line by line.
    auto decide = [&](std::size_t from, std::size_t to) {
        if (from == to) return;
        for (const CSubstringSearcher& s : m_excludes) {
            CLineSelector::ForEachSpanHolding(
                s, data, spans + from, to - from,
                [pass, from](std::size_t k) { pass[from + k] = false; });
        }
        if (m_manyExcludes) {
            const std::uint64_t begin = spans[from].start;
            const std::uint64_t end = spans[to - 1].start + spans[to - 1].length;
            const std::string_view bytes(data + begin, static_cast<std::size_t>(end - begin));
            m_manyExcludes->ForEachOccurrence(bytes, [&](std::size_t i, std::size_t at) {
                const std::uint64_t offset = begin + at;
                // The last line starting at or before the hit.
                const LineSpan* line = std::upper_bound(spans + from, spans + to, offset,
                                                        [](std::uint64_t o, const LineSpan& l) {
                                                            return o < l.start;
                                                        }) -
                                       1;
                if (offset + m_manyExcludes->Length(i) <= line->start + line->length)
                    pass[line - spans] = false;
                return true;
            });
        }
        // A line without an include pattern's literal fails it: the block is scanned for
        // the literal once, and only the lines holding it go to the engine below.
        std::vector<bool> holds;
        for (const auto& pattern : m_includePatterns) {
            const CSubstringSearcher* literal = pattern->Prefilter();
            if (literal == nullptr) continue;
            holds.assign(to - from, false);
            CLineSelector::ForEachSpanHolding(*literal, data, spans + from, to - from,
                                              [&holds](std::size_t k) { holds[k] = true; });
            for (std::size_t k = from; k < to; ++k) pass[k] = pass[k] && holds[k - from];
        }
        for (std::size_t k = from; k < to; ++k) {
            if (!pass[k]) continue;
            const std::string_view line(data + spans[k].start,
                                        static_cast<std::size_t>(spans[k].length));
            pass[k] = PassesIncludes(line) && PassesPatterns(line) &&
                      (!m_bHaveIntervals || PassesIntervals(line));
        }
    };
    // A long list costs a good part of a microsecond a line: a second core pays for its
    // thread from a few hundred lines on.
    static const bool kTwoCores = std::thread::hardware_concurrency() >= 2;
    if ((m_manyExcludes || m_manyIncludes) && kTwoCores && n >= kLinesForTwoCores) {
        std::thread second(decide, n / 2, n);
        decide(0, n / 2);
        second.join();
    } else {
        decide(0, n);
    }
}

bool CFilterMatcher::PassesRest(std::string_view line) const {
    if (!PassesIncludes(line) || !PassesPatterns(line)) return false;
    if (m_bHaveIntervals && !PassesIntervals(line)) return false;
    return !m_manyExcludes || !m_manyExcludes->ContainsAny(line);
}

bool CFilterMatcher::PassesIncludes(std::string_view line) const {
    for (const CSubstringSearcher& s : m_includes) {
        if (!s.Contains(line)) return false;
    }
    if (!m_manyIncludes) return true;
    // Every distinct include text must be ticked off.
    thread_local std::vector<std::uint64_t> seen;
    const std::size_t n = m_manyIncludes->Count();
    seen.assign((n + 63) / 64, 0);
    std::size_t found = 0;
    m_manyIncludes->ForEachOccurrence(line, [&](std::size_t i, std::size_t) {
        std::uint64_t& word = seen[i / 64];
        const std::uint64_t bit = std::uint64_t{1} << (i % 64);
        if ((word & bit) == 0) {
            word |= bit;
            ++found;
        }
        return found < n;
    });
    return found == n;
}

bool CFilterMatcher::PassesPatterns(std::string_view line) const {
    for (const auto& p : m_includePatterns) {
        if (!p->Matches(line)) return false;
    }
    for (const auto& p : m_excludePatterns) {
        if (p->Matches(line)) return false;
    }
    return true;
}

bool CFilterMatcher::PassesIntervals(std::string_view line) const {
    LogTime t;
    // A line without a readable time passes every interval, or fails every one.
    if (!ParseTimestamp(line, true, &t, m_formats)) return !m_bExcludeInvalid;
    return PassesTime(t);
}

bool CFilterMatcher::PassesTime(const LogTime& t) const {
    if (m_bHaveInclude &&
        (m_bIncludeNone || !t.IsAtOrAfter(m_include.from) || !t.IsAtOrBefore(m_include.to))) {
        return false;
    }
    // The last range starting at or before t is the only one that can hold it.
    const auto after =
        std::upper_bound(m_excluded.begin(), m_excluded.end(), t,
                         [](const LogTime& v, const Range& r) { return Before(v, r.from); });
    return after == m_excluded.begin() || !t.IsAtOrBefore((after - 1)->to);
}

std::string_view CFilterMatcher::RequiredSubstring() const {
    if (!m_strRequired.empty()) return m_strRequired;
    // Every line an include pattern matches holds its literal: the longest one will do.
    std::string_view longest;
    for (const auto& pattern : m_includePatterns) {
        if (pattern->RequiredLiteral().size() > longest.size())
            longest = pattern->RequiredLiteral();
    }
    return longest;
}

class CFilterMatcher::LinePieces : public ILineFilter::Pieces {
public:
    explicit LinePieces(const CFilterMatcher& m)
        : m_m(m),
          m_found(m.m_includes.size() + (m.m_manyIncludes ? m.m_manyIncludes->Count() : 0), false) {
    }

    void Feed(std::string_view piece) override {
        m_text.assign(m_tail).append(piece);
        const std::string_view text(m_text);
        const std::size_t few = m_m.m_includes.size();
        for (std::size_t i = 0; i < few; ++i) {
            if (!m_found[i] && m_m.m_includes[i].Contains(text)) m_found[i] = true;
        }
        if (m_m.m_manyIncludes) {
            m_m.m_manyIncludes->ForEachOccurrence(
                text, [&](std::size_t i, std::size_t) { return m_found[few + i] = true; });
        }
        // A pattern is matched in each piece with the tail before it: a match longer than
        // the tail that spans two pieces is not seen in a line too long to hold whole.
        for (std::size_t i = 0; i < m_m.m_includePatterns.size(); ++i) {
            if (!m_patternFound[i] && m_m.m_includePatterns[i]->Matches(text))
                m_patternFound[i] = true;
        }
        for (const auto& pattern : m_m.m_excludePatterns)
            m_bExcluded = m_bExcluded || pattern->Matches(text);
        for (const CSubstringSearcher& s : m_m.m_excludes)
            m_bExcluded = m_bExcluded || s.Contains(text);
        m_bExcluded = m_bExcluded || (m_m.m_manyExcludes && m_m.m_manyExcludes->ContainsAny(text));
        const std::size_t longest = m_m.m_includePatterns.empty() && m_m.m_excludePatterns.empty()
                                        ? m_m.m_nLongest
                                        : std::max(m_m.m_nLongest, kPatternTail);
        const std::size_t keep = std::min(text.size(), longest > 0 ? longest - 1 : 0);
        m_tail.assign(text.substr(text.size() - keep));
    }

    bool Passes(const LogTime* time) const override {
        if (m_m.m_bRejectAll || m_bExcluded) return false;
        if (std::find(m_found.begin(), m_found.end(), false) != m_found.end()) return false;
        if (std::find(m_patternFound.begin(), m_patternFound.end(), false) != m_patternFound.end())
            return false;
        if (!m_m.m_bHaveIntervals) return true;
        return time != nullptr ? m_m.PassesTime(*time) : !m_m.m_bExcludeInvalid;
    }

private:
    const CFilterMatcher& m_m;
    // Bytes of the piece before kept for the patterns.
    static constexpr std::size_t kPatternTail = std::size_t{64} << 10;
    std::vector<bool> m_found;  // the few include texts, then the many
    std::vector<bool> m_patternFound{std::vector<bool>(m_m.m_includePatterns.size(), false)};
    bool m_bExcluded = false;
    std::string m_tail;  // the last bytes fed
    std::string m_text;  // the tail and the piece
};

std::unique_ptr<ILineFilter::Pieces> CFilterMatcher::DecideInPieces() const {
    return std::make_unique<LinePieces>(*this);
}
