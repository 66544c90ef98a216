#include "CPatternSearcher.h"

#include <re2/re2.h>

#include <vector>

#include "TextBytes.h"

namespace {

bool IsWhiteSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The line as UTF-8 with, for each byte of it, the offset of the line's byte it came from.
void DecodeCp1252(std::string_view line, std::string& text, std::vector<std::size_t>& from) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto b = static_cast<unsigned char>(line[i]);
        const std::size_t before = text.size();
        if (b < 0x80)
            text.push_back(line[i]);
        else
            AppendUtf8(Windows1252ToUnicode(b), text);
        from.insert(from.end(), text.size() - before, i);
    }
    from.push_back(line.size());
}

std::size_t CharacterCount(std::string_view text) {
    std::size_t n = 0;
    for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// Where the first byte lies that does not start a valid UTF-8 character.
std::size_t FirstInvalidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        const std::size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        if (!IsValidUtf8(text.substr(i, n))) return i;
        i += n;
    }
    return std::string_view::npos;
}

// Letters whose case folding reaches beyond ASCII (K: Kelvin sign, S: long s), so that an
// ASCII-only scan for them without match case could miss a line.
bool FoldsBeyondAscii(char c) {
    return c == 'k' || c == 'K' || c == 's' || c == 'S';
}

bool IsAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

CPatternSearcher::CPatternSearcher(std::string_view pattern, bool matchCase, bool wholeWord)
    : m_bWholeWord(wholeWord) {
    RE2::Options options;
    options.set_log_errors(false);
    options.set_case_sensitive(matchCase);
    // Room for the DFA of a long pattern; past this RE2 falls back to its slower linear engine.
    options.set_max_mem(std::int64_t{64} << 20);
    m_re = std::make_unique<RE2>(re2::StringPiece(pattern.data(), pattern.size()), options);
    if (!m_re->ok()) {
        const std::string& arg = m_re->error_arg();
        const std::size_t at = !IsValidUtf8(pattern) ? FirstInvalidUtf8(pattern)
                               : arg.empty()         ? std::string_view::npos
                                                     : pattern.find(arg);
        m_strError = "The pattern cannot be used";
        if (at != std::string_view::npos)
            m_strError +=
                " at character " + std::to_string(CharacterCount(pattern.substr(0, at)) + 1);
        m_strError += ": " + m_re->error() + ".";
        m_re.reset();
        return;
    }
    m_strLiteral = LongestRequiredLiteral(pattern, matchCase);
    if (!m_strLiteral.empty()) m_prefilter.emplace(m_strLiteral, !matchCase);
}

CPatternSearcher::~CPatternSearcher() = default;

std::optional<CPatternSearcher::Match> CPatternSearcher::FindIn(std::string_view text) const {
    re2::StringPiece hit;
    if (!m_re->Match(re2::StringPiece(text.data(), text.size()), 0, text.size(), RE2::UNANCHORED,
                     &hit, 1))
        return std::nullopt;
    return Match{static_cast<std::size_t>(hit.data() - text.data()), hit.size()};
}

bool CPatternSearcher::Matches(std::string_view line) const {
    if (m_bWholeWord) return Find(line).has_value();
    if (!m_re) return false;
    if (m_prefilter && !m_prefilter->Contains(line)) return false;
    if (IsValidUtf8(line))
        return m_re->Match(re2::StringPiece(line.data(), line.size()), 0, line.size(),
                           RE2::UNANCHORED, nullptr, 0);
    return Find(line).has_value();
}

std::optional<CPatternSearcher::Match> CPatternSearcher::Find(std::string_view line) const {
    if (!m_re) return std::nullopt;
    if (m_prefilter && !m_prefilter->Contains(line)) return std::nullopt;
    std::optional<Match> m;
    if (IsValidUtf8(line)) {
        m = FindIn(line);
    } else {
        std::string text;
        std::vector<std::size_t> from;
        DecodeCp1252(line, text, from);
        m = FindIn(text);
        if (m) {
            const std::size_t end = from[m->pos + m->length];
            m->pos = from[m->pos];
            m->length = end - m->pos;
        }
    }
    if (m && !CountsAt(line, *m)) return std::nullopt;
    return m;
}

bool CPatternSearcher::CountsAt(std::string_view line, const Match& m) const {
    if (!m_bWholeWord) return true;
    if (m.pos > 0 && !IsWhiteSpace(line[m.pos - 1])) return false;
    return m.pos + m.length >= line.size() || IsWhiteSpace(line[m.pos + m.length]);
}

std::string CPatternSearcher::LongestRequiredLiteral(std::string_view p, bool matchCase) {
    // Only the top level of a pattern without alternatives, flags or quoting is read: there
    // every literal not made optional by a quantifier is in every match, in order.
    if (p.find('|') != std::string_view::npos || p.find("(?") != std::string_view::npos ||
        p.find("\\Q") != std::string_view::npos)
        return {};
    std::string best;
    std::string run;
    const auto endRun = [&] {
        if (run.size() > best.size()) best = run;
        run.clear();
    };
    int depth = 0;
    std::size_t i = 0;
    while (i < p.size()) {
        const char c = p[i];
        std::optional<char> literal;
        std::size_t next = i + 1;
        if (c == '\\') {
            if (i + 1 >= p.size()) return {};
            const char e = p[i + 1];
            next = i + 2;
            if (IsAsciiAlnum(e)) {
                // A class, an assertion or a code: \p{..}, \x{..} and the like are not read.
                if (e == 'p' || e == 'P' || e == 'x' || (e >= '0' && e <= '9')) return {};
            } else if (static_cast<unsigned char>(e) < 0x80) {
                literal = e;
            }
        } else if (c == '[') {
            std::size_t j = i + 1;
            if (j < p.size() && p[j] == '^') ++j;
            if (j < p.size() && p[j] == ']') ++j;
            while (j < p.size() && p[j] != ']') j += p[j] == '\\' ? std::size_t{2} : std::size_t{1};
            if (j >= p.size()) return {};
            next = j + 1;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (static_cast<unsigned char>(c) < 0x80 &&
                   std::string_view(".^$*+?{}").find(c) == std::string_view::npos) {
            literal = c;
        }
        const char q = next < p.size() ? p[next] : '\0';
        const bool optional = q == '?' || q == '*' || q == '{';
        if (literal && depth == 0 && !optional && (matchCase || !FoldsBeyondAscii(*literal))) {
            run.push_back(*literal);
            if (q == '+') endRun();
        } else if (depth == 0 || c == '(') {
            endRun();
        }
        i = next;
    }
    endRun();
    return best;
}
