#include "CFindState.h"

#include <utility>

#include "TextBytes.h"

bool CFindState::Set(std::string text, const FindOptions& options) {
    const bool changed = text != m_strText || options.matchCase != m_options.matchCase ||
                         options.wholeWord != m_options.wholeWord ||
                         options.regex != m_options.regex;
    m_strText = std::move(text);
    m_options = options;
    if (changed) m_finder.reset();
    return changed;
}

std::shared_ptr<const CLineFinder> CFindState::ShareFinder() {
    if (!m_finder) {
        if (m_options.regex) {
            m_finder =
                std::make_shared<const CLineFinder>(CLineFinder::RegularExpression{}, m_strText,
                                                    m_options.matchCase, m_options.wholeWord);
        } else {
            m_finder = std::make_shared<const CLineFinder>(
                m_strText, m_options.matchCase, m_options.wholeWord, EncodeWindows1252(m_strText));
        }
    }
    return m_finder;
}

std::optional<CFindState::Hit> CFindState::FindNext(const CLineFinder::LineSource& lines,
                                                    std::int64_t count,
                                                    std::optional<std::int64_t> anchor, bool down) {
    if (m_strText.empty() || count <= 0) return std::nullopt;
    const std::optional<std::int64_t> found = GetFinder().FindNext(lines, count, anchor, down);
    if (!found) return std::nullopt;
    const std::int64_t line = *found;
    // Without an anchor the search starts at line 0: downwards it cannot pass the end,
    // upwards any other line lies past the start.
    const bool wrapped = !anchor ? !down && line > 0 : (down ? line <= *anchor : line >= *anchor);
    return Hit{line, wrapped};
}
