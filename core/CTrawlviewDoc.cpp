#include "CTrawlviewDoc.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "IDocumentHost.h"
#include "ILineFilter.h"
#include "ITextMeasurer.h"
#include "LineColor.h"
#include "LocaleFormats.h"
#include "LogLine.h"
#include "StringTable.h"

namespace {

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) return false;
    const std::string_view tail = text.substr(text.size() - suffix.size());
    return std::equal(tail.begin(), tail.end(), suffix.begin(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? a + 32 : a) == (b >= 'A' && b <= 'Z' ? b + 32 : b);
    });
}

StringId OpenFailureMessage(int error) {
    switch (error) {
        case ENOENT: return AFX_IDP_FILE_NOT_FOUND;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP: return AFX_IDP_FILE_BAD_PATH;
        case EMFILE:
        case ENFILE: return AFX_IDP_FILE_TOO_MANY_OPEN;
        case EACCES:
        case EPERM: return AFX_IDP_FILE_ACCESS_DENIED;
        case EIO: return AFX_IDP_FILE_HARDWARE;
        default: return AFX_IDP_FAILED_TO_OPEN_DOC;
    }
}

// First CR or NUL at or after p. The buffer ends in a NUL, so the scan always stops
// inside it; aligned 16-byte loads never cross into an unmapped page.
const char* FindCrOrNul(const char* p) {
#if defined(__SSE2__)
    while ((reinterpret_cast<std::uintptr_t>(p) & 15u) != 0) {
        if (*p == '\r' || *p == '\0') return p;
        ++p;
    }
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i nul = _mm_setzero_si128();
    for (;;) {
        const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, nul)));
        if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#else
    while (*p != '\r' && *p != '\0') ++p;
    return p;
#endif
}

// First byte at or after p, before end, that is neither a control byte nor 0x80 or above
// (compared as signed bytes against 0x20); end when there is none.
const char* SkipToLineStart(const char* p, const char* end) {
#if defined(__SSE2__)
    while (p < end && (reinterpret_cast<std::uintptr_t>(p) & 15u) != 0) {
        if (static_cast<signed char>(*p) >= 0x20) return p;
        ++p;
    }
    const __m128i limit = _mm_set1_epi8(0x1F);
    while (end - p >= 16) {
        const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(_mm_cmpgt_epi8(v, limit));
        if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p < end && static_cast<signed char>(*p) < 0x20) ++p;
    return p;
}

class FileCloser {
public:
    explicit FileCloser(int fd) : m_fd(fd) {}
    ~FileCloser() { close(m_fd); }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

private:
    int m_fd;
};

}  // namespace

CTrawlviewDoc::CTrawlviewDoc(IDocumentHost& host, const ITextMeasurer* measurer)
    : m_host(host), m_pMeasurer(measurer) {}

bool CTrawlviewDoc::OnOpenDocument(const std::string& path) {
    if (EndsWithNoCase(path, ".lff") || EndsWithNoCase(path, ".tarnix-logfilters")) {
        m_host.SetFilterPath(path);
        if (!m_host.ReadFilterFile()) return false;
        SetPathName(path);
        return true;
    }
    m_host.SetLogPath(path);
    LoadLogFile(path);
    return true;
}

bool CTrawlviewDoc::OnNewDocument() {
    DeleteContents();
    m_strPathName.clear();
    return true;
}

bool CTrawlviewDoc::LoadLogFile(const std::string& path) {
    OnNewDocument();
    for (;;) {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        int error = fd < 0 ? errno : 0;
        struct stat st {};
        if (fd >= 0 && fstat(fd, &st) != 0) error = errno;
        if (fd >= 0 && error == 0 && !S_ISREG(st.st_mode)) error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        if (error != 0) {
            if (fd >= 0) close(fd);
            if (m_host.AskRetry(FormatString(OpenFailureMessage(error), path))) continue;
            m_buffer.Release();
            RebuildDisplay();
            return false;
        }
        FileCloser closer(fd);
        const auto size = static_cast<std::uint64_t>(st.st_size);
        if (!m_buffer.Reserve(size)) {
            if (m_host.AskRetry(FormatString(AFX_IDP_FILE_NO_MEMORY, path))) continue;
            RebuildDisplay();
            return false;
        }
        SetPathName(path);
        m_host.SetLogPath(path);

        // Short reads are normal; a file that shrinks while it is read ends early and
        // keeps the bytes actually read. Growth after the size was taken is not followed.
        std::uint64_t got = 0;
        int readError = 0;
        while (got < size) {
            const std::uint64_t chunk = std::min<std::uint64_t>(size - got, std::uint64_t{1} << 30);
            const ssize_t n = read(fd, m_buffer.Data() + got, static_cast<std::size_t>(chunk));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                readError = errno;
                break;
            }
            if (n == 0) break;
            got += static_cast<std::uint64_t>(n);
        }
        if (readError != 0) {
            m_strPathName.clear();
            const StringId id = readError == EIO ? AFX_IDP_FILE_HARDWARE : AFX_IDP_FAILED_TO_OPEN_DOC;
            if (m_host.AskRetry(FormatString(id, path))) continue;
            m_buffer.Release();
            RebuildDisplay();
            return false;
        }
        m_buffer.SetSize(got);
        m_nFileSize = got;
        break;
    }
    CutLines();
    RebuildDisplay();
    return true;
}

void CTrawlviewDoc::CutLines() {
    m_lines.clear();
    if (m_nFileSize == 0) return;
    char* const data = m_buffer.Data();
    const char* const end = data + m_nFileSize;
    m_lines.reserve(static_cast<std::size_t>(m_nFileSize / 128) + 16);
    char* s = data;
    while (s < end) {
        char* e = const_cast<char*>(FindCrOrNul(s));
        if (e > s) m_lines.push_back({static_cast<ByteOffset>(s - data), static_cast<std::uint64_t>(e - s)});
        char* next = e + 1;
        if (*e == '\r') {
            // CR or CR LF ends a line; a lone LF stays in the line's text.
            *e = '\0';
            if (next < end && *next == '\n') ++next;
        } else {
            // After a NUL inside the file, control bytes and bytes of 0x80 and above
            // are skipped up to the next line.
            next = const_cast<char*>(SkipToLineStart(next < end ? next : end, end));
        }
        s = next;
    }
}

void CTrawlviewDoc::RebuildDisplay() {
    m_lineStarts.clear();
    m_nWidestLine = -1;
    m_nLineCount = 0;
    FilterLines();
    m_host.LinesChanged();
}

void CTrawlviewDoc::FilterLines() {
    const ILineFilter* filter = m_host.GetActiveFilters();
    const bool excludeInvalid = m_host.GetExcludeInvalidDates();
    const LocaleFormats& formats = GetLocaleFormats();
    m_lineStarts.clear();
    m_host.SetProgressRange(m_nFileSize);

    const char* const data = m_buffer.Data();
    const std::int64_t maxAdvance = m_pMeasurer != nullptr ? m_pMeasurer->MaxByteAdvance() : 1;
    std::int64_t maxWidth = 0;
    std::string& head = m_scratchHead;

    auto consider = [&](std::size_t k) {
        const LineSpan& span = m_lines[k];
        const std::string_view raw(data + span.start, span.length);
        if (filter != nullptr && !filter->Passes(raw)) return;
        m_host.SetProgressPos(k + 1 < m_lines.size() ? m_lines[k + 1].start : m_nFileSize);
        std::size_t tailStart = 0;
        SplitDisplayText(raw, excludeInvalid, head, tailStart, formats);
        const std::size_t displayLength = head.size() + raw.size() - tailStart;
        if (displayLength == 0) return;
        m_lineStarts.push_back(k);
        // A line no wider than the widest so far even at the widest byte advance need
        // not be measured; a non-empty text is never zero pixels wide.
        if (maxAdvance > 0 && static_cast<std::int64_t>(displayLength) * maxAdvance <= maxWidth) return;
        const std::int64_t w = MeasureDisplayText(raw, head, tailStart);
        if (w > maxWidth) {
            maxWidth = w;
            m_nWidestLine = static_cast<LineIndex>(m_lineStarts.size() - 1);
        }
    };

    const std::string_view needle = filter != nullptr ? filter->RequiredSubstring() : std::string_view();
    if (!needle.empty() && !m_lines.empty()) {
        // Search the whole buffer for the text every passing line must contain, and test
        // only the lines it occurs in. A hit counts only when it lies inside one line.
        const std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end());
        const char* const end = data + m_nFileSize;
        const char* pos = data;
        std::size_t k = 0;
        while (pos < end && k < m_lines.size()) {
            const char* hit = std::search(pos, end, searcher);
            if (hit == end) break;
            const auto offset = static_cast<ByteOffset>(hit - data);
            while (k < m_lines.size() && m_lines[k].start + m_lines[k].length < offset + needle.size()) ++k;
            if (k == m_lines.size()) break;
            if (m_lines[k].start <= offset) {
                consider(k);
                pos = data + m_lines[k].start + m_lines[k].length;
                ++k;
            } else {
                pos = data + m_lines[k].start;
            }
        }
    } else {
        for (std::size_t k = 0; k < m_lines.size(); ++k) consider(k);
    }
    m_nLineCount = static_cast<LineIndex>(m_lineStarts.size());
    m_host.EndProgress();
}

void CTrawlviewDoc::DeleteContents() {
    // The buffer's memory is kept for the next load; its bytes are no longer valid.
    m_buffer.SetSize(0);
    m_nFileSize = 0;
    m_lines.clear();
    m_lineStarts.clear();
    m_nWidestLine = -1;
    m_nLineCount = 0;
}

const CTrawlviewDoc::LineSpan& CTrawlviewDoc::Span(LineIndex i) const {
    return m_lines[static_cast<std::size_t>(m_lineStarts[static_cast<std::size_t>(i)])];
}

std::string_view CTrawlviewDoc::GetLine(LineIndex i) const {
    const LineSpan& span = Span(i);
    return {m_buffer.Data() + span.start, span.length};
}

std::uint64_t CTrawlviewDoc::GetLineLength(LineIndex i) const { return Span(i).length; }

std::int64_t CTrawlviewDoc::GetLineWidth(LineIndex i) const {
    const std::string_view raw = GetLine(i);
    std::size_t tailStart = 0;
    SplitDisplayText(raw, m_host.GetExcludeInvalidDates(), m_scratchHead, tailStart);
    return MeasureDisplayText(raw, m_scratchHead, tailStart);
}

std::string CTrawlviewDoc::GetDisplayText(LineIndex i) const {
    return ::GetDisplayText(GetLine(i), m_host.GetExcludeInvalidDates());
}

std::int64_t CTrawlviewDoc::MeasureDisplayText(std::string_view raw, const std::string& head,
                                               std::size_t tailStart) const {
    const std::string_view tail = raw.substr(tailStart);
    if (m_pMeasurer == nullptr) return static_cast<std::int64_t>(head.size() + tail.size());
    if (LineColorOf(raw) != LineColor::Red) {
        return m_pMeasurer->TextWidth(head, false) + m_pMeasurer->TextWidth(tail, false);
    }
    // Red lines: the timestamp column (as many bytes as the timestamp sample) in the
    // normal font, the message in bold.
    const std::size_t column = GetLocaleFormats().timestampSample.size();
    std::string& piece = m_scratchPiece;
    if (head.size() <= column) {
        const std::size_t fromTail = std::min(column - head.size(), tail.size());
        piece.assign(head);
        piece.append(tail.substr(0, fromTail));
        return m_pMeasurer->TextWidth(piece, false) + m_pMeasurer->TextWidth(tail.substr(fromTail), true);
    }
    piece.assign(head, column);
    piece.append(tail);
    return m_pMeasurer->TextWidth(std::string_view(head).substr(0, column), false) +
           m_pMeasurer->TextWidth(piece, true);
}
