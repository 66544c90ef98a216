#include "CTrawlviewDoc.h"

#include <algorithm>
#include <thread>

#include "CLineCutter.h"
#include "CLineSelector.h"
#include "CLogFile.h"
#include "IDocumentHost.h"
#include "ILineFilter.h"
#include "ITextMeasurer.h"
#include "LocaleFormats.h"
#include "LogLine.h"
#include "StringTable.h"

namespace {

// Reads the whole file into buffer. A large file is read in two halves at once: the first
// write to fresh memory is the main cost of a load, and two cores halve it. A file that
// shrinks while it is read keeps the bytes actually read.
bool ReadWhole(const CLogFile& file, char* buffer, std::uint64_t& got, StringId& failure) {
    const std::uint64_t size = file.Size();
    constexpr std::uint64_t kSplitAbove = std::uint64_t{64} << 20;
    if (size < kSplitAbove || std::thread::hardware_concurrency() < 2) {
        return file.ReadAt(buffer, size, 0, got, failure);
    }
    const std::uint64_t half = size / 2;
    std::uint64_t gotSecond = 0;
    StringId failureSecond = failure;
    bool okSecond = false;
    std::thread second([&] { okSecond = file.ReadAt(buffer + half, size - half, half, gotSecond, failureSecond); });
    const bool okFirst = file.ReadAt(buffer, half, 0, got, failure);
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
    for (;;) {
        CLogFile file;
        StringId failure = AFX_IDP_FAILED_TO_OPEN_DOC;
        if (!file.Open(path, failure)) {
            if (m_host.AskRetry(FormatString(failure, path))) continue;
            m_buffer.Release();
            RebuildDisplay();
            return false;
        }
        if (!m_buffer.Reserve(file.Size())) {
            if (m_host.AskRetry(FormatString(AFX_IDP_FILE_NO_MEMORY, path))) continue;
            RebuildDisplay();
            return false;
        }
        SetPathName(path);
        m_host.SetLogPath(path);
        std::uint64_t got = 0;
        if (!ReadWhole(file, m_buffer.Data(), got, failure)) {
            m_strPathName.clear();
            if (m_host.AskRetry(FormatString(failure, path))) continue;
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
    m_lines.reserve(static_cast<std::size_t>(m_nFileSize / 128) + 16);
    CLineCutter cutter;
    cutter.Cut(m_buffer.Data(), static_cast<std::size_t>(m_nFileSize), true,
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

void CTrawlviewDoc::RebuildDisplay() {
    m_lineStarts.clear();
    m_nWidestLine = -1;
    m_nWidestWidth = 0;
    m_nLineCount = 0;
    FilterLines();
    m_host.LinesChanged();
}

void CTrawlviewDoc::FilterLines() {
    CLineSelector selector(m_host.GetActiveFilters(), m_host.GetExcludeInvalidDates(), GetLocaleFormats());
    m_lineStarts.clear();
    m_host.SetProgressRange(m_nFileSize);
    if (m_pMeasurer != nullptr) m_cells = MeasureColumnCells(*m_pMeasurer, GetLocaleFormats());
    // A line no wider than the widest so far even at the widest byte advance need not be
    // measured; a non-empty text is never zero pixels wide. A cell may be wider than any
    // one byte (a separator of several bytes is one character).
    std::int64_t maxAdvance = m_pMeasurer != nullptr ? m_pMeasurer->MaxByteAdvance() : 1;
    if (maxAdvance > 0) maxAdvance = std::max<std::int64_t>({maxAdvance, m_cells.first, m_cells.cell});
    std::int64_t maxWidth = 0;
    selector.Select(m_buffer.Data(), m_lines.data(), m_lines.size(),
                    [&](std::size_t k, std::string_view, std::size_t displayLength) {
        m_host.SetProgressPos(k + 1 < m_lines.size() ? m_lines[k + 1].start : m_nFileSize);
        m_lineStarts.push_back(k);
        if (maxAdvance > 0 && static_cast<std::int64_t>(displayLength) * maxAdvance <= maxWidth) return;
        const std::int64_t w = MeasureLine(k);
        if (w > maxWidth) {
            maxWidth = w;
            m_nWidestLine = static_cast<LineIndex>(m_lineStarts.size() - 1);
            m_widestPieces = m_scratchLine;
        }
    }, m_layoutCodes.data());
    m_nWidestWidth = maxWidth;
    m_nLineCount = static_cast<LineIndex>(m_lineStarts.size());
    m_host.EndProgress();
}

void CTrawlviewDoc::DeleteContents() {
    // The buffer's memory is kept for the next load; its bytes are no longer valid.
    m_buffer.SetSize(0);
    m_nFileSize = 0;
    m_lines.clear();
    m_layoutCodes.clear();
    m_lineStarts.clear();
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
