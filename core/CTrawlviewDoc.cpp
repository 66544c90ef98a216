#include "CTrawlviewDoc.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <thread>

#include "CLineCutter.h"
#include "CLineSelector.h"
#include "CLogFile.h"
#include "IDocumentHost.h"
#include "ILineFilter.h"
#include "ITextMeasurer.h"
#include "LocaleFormats.h"
#include "LogLine.h"
#include "MemoryBudget.h"
#include "StringTable.h"

namespace {

// The read goes in pieces of this size, each followed by a progress report.
constexpr std::uint64_t kReadPiece = std::uint64_t{16} << 20;

// Reads [offset, offset + count) piece by piece, adding each piece's bytes to done.
// Stops early where the file ends; got is what was read.
bool ReadInPieces(const CLogFile& file, char* buffer, std::uint64_t offset, std::uint64_t count, std::uint64_t& got,
                  StringId& failure, std::atomic<std::uint64_t>& done, const std::function<void()>& onPiece) {
    got = 0;
    while (got < count) {
        const std::uint64_t want = std::min(kReadPiece, count - got);
        std::uint64_t n = 0;
        if (!file.ReadAt(buffer + got, want, offset + got, n, failure)) return false;
        got += n;
        done += n;
        if (onPiece) onPiece();
        if (n < want) break;
    }
    return true;
}

// Reads the whole file into buffer, reporting progress (bytes read so far of the size)
// between pieces from the calling thread. A large file is read in two halves at once:
// the first write to fresh memory is the main cost of a load, and two cores halve it. A
// file that shrinks while it is read keeps the bytes actually read.
bool ReadWhole(const CLogFile& file, char* buffer, std::uint64_t& got, StringId& failure,
               const std::function<void(std::uint64_t)>& progress) {
    const std::uint64_t size = file.Size();
    std::atomic<std::uint64_t> done{0};
    constexpr std::uint64_t kSplitAbove = std::uint64_t{64} << 20;
    if (size < kSplitAbove || std::thread::hardware_concurrency() < 2) {
        return ReadInPieces(file, buffer, 0, size, got, failure, done, [&] { progress(done); });
    }
    const std::uint64_t half = size / 2;
    std::uint64_t gotSecond = 0;
    StringId failureSecond = failure;
    bool okSecond = false;
    std::atomic<bool> secondDone{false};
    std::thread second([&] {
        okSecond = ReadInPieces(file, buffer + half, half, size - half, gotSecond, failureSecond, done, nullptr);
        secondDone = true;
    });
    const bool okFirst = ReadInPieces(file, buffer, 0, half, got, failure, done, [&] { progress(done); });
    // The first half may end first; progress goes on while the second one finishes.
    while (!secondDone) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        progress(done);
    }
    second.join();
    if (!okFirst) return false;
    if (got < half) return true;  // the file ended inside the first half
    if (!okSecond) {
        failure = failureSecond;
        return false;
    }
    got += gotSecond;
    return true;
}

// Reads a file whose size is not known in advance to its end, growing the buffer as the
// bytes come. False with failure set on a read error or when memory runs out.
bool ReadToEnd(const CLogFile& file, LogBuffer& buffer, std::uint64_t& got, StringId& failure) {
    got = 0;
    if (!buffer.Reserve(std::uint64_t{64} << 10)) {
        failure = AFX_IDP_FILE_NO_MEMORY;
        return false;
    }
    for (;;) {
        const std::uint64_t want = buffer.Room() - got;
        std::uint64_t n = 0;
        if (!file.ReadAt(buffer.Data() + got, want, got, n, failure)) return false;
        got += n;
        if (n < want) return true;
        if (!buffer.Grow(2 * buffer.Room())) {
            failure = AFX_IDP_FILE_NO_MEMORY;
            return false;
        }
    }
}

}  // namespace

CTrawlviewDoc::CTrawlviewDoc(IDocumentHost& host, const ITextMeasurer* measurer)
    : m_host(host), m_pMeasurer(measurer) {}

bool CTrawlviewDoc::OnNewDocument() {
    DeleteContents();
    m_strPathName.clear();
    return true;
}

bool CTrawlviewDoc::LoadLogFile(const std::string& path) {
    OnNewDocument();
    // Asks whether to try again. Whatever the host did while its question was open, no
    // line of this document may then point into a buffer that goes on to be refilled or
    // released: everything is dropped first.
    auto retry = [&](StringId failure) {
        DeleteContents();
        m_strPathName.clear();
        if (m_host.AskRetry(FormatString(failure, path))) return true;
        DeleteContents();
        m_strPathName.clear();
        m_buffer.Release();
        RebuildDisplay();
        return false;
    };
    for (;;) {
        CLogFile file;
        StringId failure = AFX_IDP_FAILED_TO_OPEN_DOC;
        if (!file.Open(path, failure)) {
            if (retry(failure)) continue;
            return false;
        }
        if (file.SizeKnown() && !m_buffer.Reserve(file.Size())) {
            if (retry(AFX_IDP_FILE_NO_MEMORY)) continue;
            return false;
        }
        SetPathName(path);
        m_host.SetLogPath(path);
        std::uint64_t got = 0;
        const auto progress = [this, &file](std::uint64_t done) { m_host.ReadProgress(done, file.Size()); };
        progress(0);
        if (!(file.SizeKnown() ? ReadWhole(file, m_buffer.Data(), got, failure, progress)
                               : ReadToEnd(file, m_buffer, got, failure))) {
            if (retry(failure)) continue;
            return false;
        }
        m_buffer.SetSize(got);
        m_nFileSize = got;
        m_loadedFile = file.GetIdentity();
        m_bLoadedFile = true;
        m_bLoadedPseudoFile = !file.SizeKnown() && got > 0;
        if (ReserveLines()) break;
        if (retry(AFX_IDP_FILE_NO_MEMORY)) continue;
        return false;
    }
    CutLines();
    RebuildDisplay();
    return true;
}

bool CTrawlviewDoc::ReserveLines() {
    std::uint64_t count = 0;
    CLineCutter counter(m_cutter.LfEndsLine());
    counter.Cut(m_buffer.Data(), static_cast<std::size_t>(m_nFileSize), true,
                [&count](std::uint64_t, std::uint64_t) { ++count; });
    if (m_lines.capacity() >= count && m_layoutCodes.capacity() >= count && m_lineStarts.Holds(count, count)) {
        return true;
    }
    FreeLines();
    const std::size_t perLine = BytesPerLine(count);
    if (count > std::numeric_limits<std::size_t>::max() / perLine || !MemoryFits(count * perLine)) {
        return false;
    }
    try {
        const auto n = static_cast<std::size_t>(count);
        m_lines.reserve(n);
        m_layoutCodes.reserve(n);
        m_lineStarts.Reserve(n, count);
    } catch (const std::bad_alloc&) {
        FreeLines();
        return false;
    }
    return true;
}

void CTrawlviewDoc::FreeLines() {
    std::vector<LineSpan>().swap(m_lines);
    std::vector<std::uint32_t>().swap(m_layoutCodes);
    m_lineStarts.Release();
}

void CTrawlviewDoc::CutLines() {
    m_lines.clear();
    m_nCountedLines = 0;
    m_nShownUnfiltered = 0;
    if (m_nFileSize == 0) return;
    m_cutter.Reset();
    m_cutter.Cut(m_buffer.Data(), static_cast<std::size_t>(m_nFileSize), true,
               [this](std::uint64_t start, std::uint64_t length) { m_lines.push_back({start, length}); });

    // Read every line's timestamp once, on two cores: later rebuilds (a filter or the
    // preference changed) then only look the result up.
    m_layoutCodes.assign(m_lines.size(), 0);
    const LocaleFormats& formats = GetLocaleFormats();
    auto fill = [this, &formats](std::size_t from, std::size_t to) {
        const char* data = m_buffer.Data();
        for (std::size_t k = from; k < to; ++k) {
            const std::string_view raw(data + m_lines[k].start, static_cast<std::size_t>(m_lines[k].length));
            m_layoutCodes[k] = CLineSelector::LayoutCode(raw, formats);
        }
    };
    const std::size_t half = m_lines.size() / 2;
    if (m_lines.size() < 100000 || std::thread::hardware_concurrency() < 2) {
        fill(0, m_lines.size());
    } else {
        std::thread second(fill, half, m_lines.size());
        fill(0, half);
        second.join();
    }
}

bool CTrawlviewDoc::SetLfLineEnds(bool lfEndsLine) {
    if (lfEndsLine == m_cutter.LfEndsLine()) return false;
    m_cutter.SetLfEndsLine(lfEndsLine);
    if (m_nFileSize == 0) return false;
    // The lines are cut again into room made for their new number. Without that room the
    // log is given up as a load gives it up; while the question is open no line is shown.
    while (!ReserveLines()) {
        RebuildDisplay();
        if (m_host.AskRetry(FormatString(AFX_IDP_FILE_NO_MEMORY, m_strPathName))) continue;
        DeleteContents();
        m_strPathName.clear();
        m_buffer.Release();
        RebuildDisplay();
        return true;
    }
    CutLines();
    RebuildDisplay();
    return true;
}

void CTrawlviewDoc::RebuildDisplay() {
    m_lineStarts.Clear();
    m_nWidestLine = -1;
    m_nWidestWidth = 0;
    m_nLineCount = 0;
    FilterLines();
    m_host.LinesChanged();
}

void CTrawlviewDoc::FilterLines() {
    CLineSelector selector(m_host.GetActiveFilters(), m_host.GetExcludeInvalidDates(), GetLocaleFormats());
    m_lineStarts.Clear();
    m_host.SetProgressRange(m_nFileSize);
    if (m_pMeasurer != nullptr) m_cells = MeasureColumnCells(*m_pMeasurer, GetLocaleFormats());
    const std::int64_t maxAdvance = MaxAdvance();
    std::int64_t maxWidth = 0;
    selector.Select(m_buffer.Data(), m_lines.data(), m_lines.size(),
                    [&](std::size_t k, std::string_view, std::size_t displayLength) {
        m_host.SetProgressPos(k + 1 < m_lines.size() ? m_lines[k + 1].start : m_nFileSize);
        AddDisplayedLine(k, displayLength, maxAdvance, maxWidth);
    }, m_layoutCodes.data());
    m_nWidestWidth = maxWidth;
    m_nLineCount = static_cast<LineIndex>(m_lineStarts.Size());
    m_host.EndProgress();
}

void CTrawlviewDoc::AddDisplayedLine(std::size_t k, std::size_t displayLength, std::int64_t maxAdvance,
                                     std::int64_t& maxWidth) {
    m_lineStarts.PushBack(k);
    if (maxAdvance > 0 && static_cast<std::int64_t>(displayLength) * maxAdvance <= maxWidth) return;
    const std::int64_t w = MeasureLine(k);
    if (w > maxWidth) {
        maxWidth = w;
        m_nWidestLine = static_cast<LineIndex>(m_lineStarts.Size() - 1);
        m_widestPieces = m_scratchLine;
    }
}

std::int64_t CTrawlviewDoc::MaxAdvance() const {
    // A line no wider than the widest so far even at the widest byte advance need not be
    // measured; a non-empty text is never zero pixels wide. A cell may be wider than any
    // one byte (a separator of several bytes is one character).
    std::int64_t maxAdvance = m_pMeasurer != nullptr ? m_pMeasurer->MaxByteAdvance() : 1;
    if (maxAdvance > 0) maxAdvance = std::max<std::int64_t>({maxAdvance, m_cells.first, m_cells.cell});
    return maxAdvance;
}

void CTrawlviewDoc::DeleteContents() {
    m_bLoadedFile = false;
    m_nCountedLines = 0;
    m_nShownUnfiltered = 0;
    // The buffer's memory is kept for the next load; its bytes are no longer valid.
    m_buffer.SetSize(0);
    m_nFileSize = 0;
    m_lines.clear();
    m_layoutCodes.clear();
    m_lineStarts.Clear();
    m_nWidestLine = -1;
    m_nWidestWidth = 0;
    m_nLineCount = 0;
}

const LineSpan& CTrawlviewDoc::Span(LineIndex i) const {
    return m_lines[static_cast<std::size_t>(m_lineStarts[static_cast<std::size_t>(i)])];
}

std::string_view CTrawlviewDoc::GetLine(LineIndex i) const {
    const LineSpan& span = Span(i);
    return {m_buffer.Data() + span.start, span.length};
}

std::uint64_t CTrawlviewDoc::GetLineLength(LineIndex i) const { return Span(i).length; }

std::int64_t CTrawlviewDoc::GetLineWidth(LineIndex i) const {
    return MeasureLine(static_cast<std::size_t>(m_lineStarts[static_cast<std::size_t>(i)]));
}

void CTrawlviewDoc::GetDisplayLine(LineIndex i, DisplayLine& out) const {
    // The widest line is often far longer than the rest; it was laid out while measuring.
    if (i == m_nWidestLine) {
        out = m_widestPieces;
        return;
    }
    LayOutLine(static_cast<std::size_t>(m_lineStarts[static_cast<std::size_t>(i)]), out);
}

void CTrawlviewDoc::LayOutLine(std::size_t k, DisplayLine& out) const {
    const LineSpan& span = m_lines[k];
    out.LayOut({m_buffer.Data() + span.start, span.length}, m_layoutCodes[k], m_host.GetExcludeInvalidDates(),
               GetLocaleFormats());
}

std::string CTrawlviewDoc::GetDisplayText(LineIndex i) const {
    return ::GetDisplayText(GetLine(i), m_host.GetExcludeInvalidDates());
}

std::int64_t CTrawlviewDoc::MeasureLine(std::size_t k) const {
    LayOutLine(k, m_scratchLine);
    if (m_pMeasurer == nullptr) return static_cast<std::int64_t>(m_scratchLine.Length());
    return m_scratchLine.Width(*m_pMeasurer, m_cells);
}

// ---- Following a growing log ----

bool CTrawlviewDoc::ShowsUnfiltered(std::size_t k) const {
    const std::uint32_t code = m_layoutCodes[k];
    if (code != 0) return code != 1;
    const std::string_view raw(m_buffer.Data() + m_lines[k].start, static_cast<std::size_t>(m_lines[k].length));
    return LayoutDisplayText(raw, true, GetLocaleFormats()).Length(raw.size()) != 0;
}

LineIndex CTrawlviewDoc::GetUnfilteredLineCount() const {
    // Every cut line has a display text unless its timestamp is unreadable and such
    // lines are left out.
    if (!m_host.GetExcludeInvalidDates()) return static_cast<LineIndex>(m_lines.size());
    for (; m_nCountedLines < m_lines.size(); ++m_nCountedLines) {
        if (ShowsUnfiltered(m_nCountedLines)) ++m_nShownUnfiltered;
    }
    return static_cast<LineIndex>(m_nShownUnfiltered);
}

CTrawlviewDoc::FollowStep CTrawlviewDoc::ReadAppended(const std::string& path, std::uint64_t maxBytes) {
    FollowStep step;
    CLogFile file;
    StringId failure = AFX_IDP_FAILED_TO_OPEN_DOC;
    if (!file.Open(path, failure)) {
        step.result = FollowResult::Missing;
        return step;
    }
    const std::uint64_t oldSize = m_nFileSize;
    // A pseudo file (/proc) tells no size: its contents change all the time and it
    // cannot grow in the sense of a log.
    if (m_bLoadedFile && m_bLoadedPseudoFile) return step;
    if (!m_bLoadedFile || !(file.GetIdentity() == m_loadedFile) || file.Size() < oldSize) {
        step.result = FollowResult::Replaced;
        return step;
    }
    if (file.Size() == oldSize || maxBytes == 0) return step;
    // A log truncated and written again past its old length between two looks is
    // another log: the bytes before the old end must still be the ones held.
    char tail[256];
    const std::uint64_t check = std::min<std::uint64_t>(oldSize, sizeof tail);
    std::uint64_t got = 0;
    if (!file.ReadAt(tail, check, oldSize - check, got, failure)) {
        step.result = FollowResult::Missing;
        return step;
    }
    if (got != check ||
        (check > 0 && std::memcmp(tail, m_buffer.Data() + oldSize - check, static_cast<std::size_t>(check)) != 0)) {
        step.result = FollowResult::Replaced;
        return step;
    }
    const std::uint64_t want = std::min(file.Size() - oldSize, maxBytes);
    const char* before = m_buffer.Data();
    // Room for more than this step, so that a steady writer rarely makes the buffer move.
    if (!m_buffer.Grow(oldSize + want + std::max<std::uint64_t>(want, oldSize / 16))) return step;
    step.bufferMoved = m_buffer.Data() != before;
    if (step.bufferMoved && m_nWidestLine >= 0) {
        LayOutLine(static_cast<std::size_t>(m_lineStarts[static_cast<std::size_t>(m_nWidestLine)]), m_widestPieces);
    }
    const bool read = file.ReadAt(m_buffer.Data() + oldSize, want, oldSize, got, failure);
    if (!read || got == 0) {
        m_buffer.SetSize(oldSize);  // the NUL after the held bytes
        step.result = read ? FollowResult::Unchanged : FollowResult::Missing;
        return step;
    }
    m_buffer.SetSize(oldSize + got);
    m_nFileSize = oldSize + got;
    step.result = FollowResult::Appended;
    step.more = file.Size() > m_nFileSize;
    step.firstChanged = AppendLines();
    return step;
}

void CTrawlviewDoc::ReserveAppendRoom() {
    const std::size_t want = m_lines.size() + m_lines.size() / 8 + 1024;
    if (m_lines.capacity() >= want || !MemoryFits((want - m_lines.size()) * BytesPerLine(want))) return;
    try {
        m_lines.reserve(want);
        m_layoutCodes.reserve(want);
    } catch (const std::bad_alloc&) {
        // The appends will grow them as they come.
    }
}

LineIndex CTrawlviewDoc::AppendLines() {
    // Cutting can start afresh wherever a line starts and gives the lines a cut of the
    // whole file gives from there. The last line starts where the previous cut left
    // off; it was ended by the end of the bytes then and is cut again.
    std::size_t first = m_lines.size();
    std::uint64_t restart = 0;
    bool widestGone = false;
    if (!m_lines.empty()) {
        first = m_lines.size() - 1;
        restart = m_lines.back().start;
        if (m_lineStarts.Size() > 0 && m_lineStarts.Back() == first) {
            widestGone = m_nWidestLine == static_cast<LineIndex>(m_lineStarts.Size()) - 1;
            m_lineStarts.PopBack();
        }
        if (m_nCountedLines > first) {
            if (ShowsUnfiltered(first)) --m_nShownUnfiltered;
            m_nCountedLines = first;
        }
        m_lines.pop_back();
        m_layoutCodes.pop_back();
    }
    const auto firstChanged = static_cast<LineIndex>(m_lineStarts.Size());
    CLineCutter cutter = MakeCutter();
    cutter.Cut(m_buffer.Data() + restart, static_cast<std::size_t>(m_nFileSize - restart), true,
               [this, restart](std::uint64_t start, std::uint64_t length) { m_lines.push_back({restart + start, length}); });
    const LocaleFormats& formats = GetLocaleFormats();
    m_layoutCodes.resize(m_lines.size());
    for (std::size_t k = first; k < m_lines.size(); ++k) {
        m_layoutCodes[k] = CLineSelector::LayoutCode(GetSpanText(k), formats);
    }
    if (widestGone) {
        // The widest line was the one cut again; finding the widest anew takes a pass
        // over all lines, the new ones included.
        FilterLines();
        return firstChanged;
    }
    CLineSelector selector(m_host.GetActiveFilters(), m_host.GetExcludeInvalidDates(), formats);
    const std::int64_t maxAdvance = MaxAdvance();
    selector.Select(m_buffer.Data(), m_lines.data() + first, m_lines.size() - first,
                    [&](std::size_t j, std::string_view, std::size_t displayLength) {
        AddDisplayedLine(first + j, displayLength, maxAdvance, m_nWidestWidth);
    }, m_layoutCodes.data() + first);
    m_nLineCount = static_cast<LineIndex>(m_lineStarts.Size());
    return firstChanged;
}
