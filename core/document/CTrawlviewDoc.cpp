#include "CTrawlviewDoc.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <new>

#include "CLineCutter.h"
#include "CLineSelector.h"
#include "CLogFile.h"
#include "IDocumentHost.h"
#include "ILineFilter.h"
#include "ILineReader.h"
#include "ITextMeasurer.h"
#include "LocaleFormats.h"
#include "LogLine.h"
#include "MemoryBudget.h"
#include "StringTable.h"

namespace {

// The read goes in pieces of this size, each followed by a progress report.
constexpr std::uint64_t kReadPiece = std::uint64_t{16} << 20;

// Reads [0, count) of the file into buffer piece by piece, reporting the bytes read so
// far after each. Stops early where the file ends; got is what was read.
bool ReadInPieces(const CLogFile& file, char* buffer, std::uint64_t count, std::uint64_t& got,
                  StringId& failure, const CLoadJob::Progress& progress) {
    got = 0;
    while (got < count) {
        const std::uint64_t want = std::min(kReadPiece, count - got);
        std::uint64_t n = 0;
        if (!file.ReadAt(buffer + got, want, got, n, failure)) return false;
        got += n;
        if (!progress(got)) return false;
        if (n < want) break;
    }
    return true;
}

// Asks for huge pages under the records of a large log: the first touch of fresh memory
// is what taking a piece of lines in costs most, and huge pages make it a fraction.
template <class T>
void AdviseHugePages(const std::vector<T>& records) {
    constexpr std::uintptr_t kPage = 4096;
    const auto begin = reinterpret_cast<std::uintptr_t>(records.data());
    const std::uintptr_t end = begin + records.capacity() * sizeof(T);
    const std::uintptr_t from = (begin + kPage - 1) / kPage * kPage;
    if (end > from + (std::uintptr_t{2} << 20)) {
        madvise(reinterpret_cast<void*>(from), (end - from) / kPage * kPage, MADV_HUGEPAGE);
    }
}

// The first lines of a load are cut before the load returns, so that they show with the
// window's first paint; the rest come from the job.
constexpr std::size_t kFirstPieceLines = 4096;
constexpr std::uint64_t kFirstPieceBytes = std::uint64_t{1} << 20;

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

CTrawlviewDoc::~CTrawlviewDoc() {
    CancelLoad();
}

void CTrawlviewDoc::AddLineReader(ILineReader& reader) {
    m_readers.push_back(&reader);
}

void CTrawlviewDoc::RemoveLineReader(ILineReader& reader) {
    m_readers.erase(std::remove(m_readers.begin(), m_readers.end(), &reader), m_readers.end());
}

void CTrawlviewDoc::StopReaders() {
    for (ILineReader* reader : m_readers) reader->StopReading();
}

bool CTrawlviewDoc::FailLoad(StringId failure, std::string path) {
    // Whatever the host does while its question is open, no line of this document may
    // point into bytes that go on to be refilled or released: everything is dropped first.
    DeleteContents();
    m_strPathName.clear();
    if (m_host.AskRetry(FormatString(failure, path))) return StartLoad(path);
    DeleteContents();
    m_strPathName.clear();
    m_buffer.Release();
    RebuildDisplay();
    m_host.LoadEnded(false);
    return false;
}

bool CTrawlviewDoc::StartLoad(const std::string& path) {
    OnNewDocument();
    auto file = std::make_unique<CLogFile>();
    StringId failure = AFX_IDP_FAILED_TO_OPEN_DOC;
    if (!file->Open(path, failure)) return FailLoad(failure, path);
    bool readLater = false;
    if (!file->SizeKnown()) {
        // A pseudo file tells no size and is small: it is read here, to its end.
        std::uint64_t got = 0;
        if (!ReadToEnd(*file, m_buffer, got, failure)) return FailLoad(failure, path);
        m_buffer.SetSize(got);
        m_nFileSize = got;
    } else if (m_buffer.Map(file->Fd(), file->Size())) {
        m_nFileSize = file->Size();
    } else if (m_buffer.Reserve(file->Size())) {
        // A file system that cannot map: the job reads the bytes before it cuts them.
        m_nFileSize = file->Size();
        readLater = true;
    } else {
        return FailLoad(AFX_IDP_FILE_NO_MEMORY, path);
    }
    SetPathName(path);
    m_host.SetLogPath(path);
    m_loadedFile = file->GetIdentity();
    m_bLoadedPseudoFile = !file->SizeKnown() && m_nFileSize > 0;
    return StartCut(readLater ? std::move(file) : nullptr);
}

bool CTrawlviewDoc::StartCut(std::unique_ptr<CLogFile> file) {
    DropLines();
    m_bLoading = true;
    m_cutter.Reset();
    if (m_pMeasurer != nullptr) m_cells = MeasureColumnCells(*m_pMeasurer, GetLocaleFormats());
    std::uint64_t from = 0;
    // The first piece ends with the last line that ends in the first bytes: a long first
    // line is left to the job rather than scanned to its end here.
    // Bytes still to be read from file are the job's.
    const char* data = m_buffer.Data();
    const char* lastEnd = file != nullptr ? nullptr
                          : m_nFileSize <= kFirstPieceBytes
                              ? data + m_nFileSize
                              : m_cutter.FindLastLineEnd(data, data + kFirstPieceBytes);
    if (lastEnd != nullptr) {
        CLoadJob::Piece first;
        from = CLoadJob::CutPiece(m_cutter, data, 0, m_nFileSize, kFirstPieceLines,
                                  static_cast<std::uint64_t>(lastEnd - data),
                                  m_host.GetExcludeInvalidDates(), first);
        if (!AddPiece(first)) return FailLoad(AFX_IDP_FILE_NO_MEMORY, m_strPathName);
        m_host.SetProgressRange(m_nFileSize);
        m_host.SetProgressPos(from);
    }
    m_host.LinesChanged();
    if (lastEnd != nullptr && from >= m_nFileSize) {
        EndLoad();
        return true;
    }
    CLoadJob::Reader reader;
    if (file != nullptr) {
        reader = [this, size = m_nFileSize, source = std::shared_ptr<CLogFile>(std::move(file))](
                     std::uint64_t& got, const CLoadJob::Progress& progress, StringId& failure) {
            if (!ReadInPieces(*source, m_buffer.Data(), size, got, failure, progress)) return false;
            // Only the job touches the buffer until its first piece is taken.
            m_buffer.SetSize(got);
            return true;
        };
    }
    // Layout codes are read ahead only where every line's timestamp decides whether it
    // shows; otherwise a line's is read when it is first laid out.
    m_pJob = std::make_unique<CLoadJob>(m_buffer, from, m_nFileSize, m_cutter, std::move(reader),
                                        m_host.GetExcludeInvalidDates(),
                                        [this] { m_host.LoadedLinesReady(); });
    return true;
}

void CTrawlviewDoc::CancelLoad() {
    if (m_pJob) m_pJob->Cancel();
    m_pJob.reset();
    m_bLoading = false;
}

void CTrawlviewDoc::TakeLoadedLines() {
    if (!m_pJob) return;
    std::vector<CLoadJob::Piece> pieces;
    m_pJob->Take(pieces);
    if (pieces.empty()) return;
    StopReaders();
    const auto firstNew = static_cast<LineIndex>(m_displayedCutLines.Size());
    bool ended = false;
    for (const CLoadJob::Piece& piece : pieces) {
        if (piece.failed) {
            FailLoad(piece.failure, m_strPathName);
            return;
        }
        m_nFileSize = piece.size;
        if (!AddPiece(piece)) {
            FailLoad(AFX_IDP_FILE_NO_MEMORY, m_strPathName);
            return;
        }
        ended = piece.last;
    }
    m_host.SetProgressRange(pieces.back().total);
    m_host.SetProgressPos(pieces.back().done);
    if (m_nLineCount > firstNew) m_host.LoadedLinesArrived(firstNew);
    if (ended) EndLoad();
}

bool CTrawlviewDoc::FinishLoad() {
    while (m_pJob) {
        m_pJob->WaitForPiece();
        TakeLoadedLines();
    }
    return m_bLoadedFile;
}

void CTrawlviewDoc::EndLoad() {
    m_pJob.reset();
    m_bLoading = false;
    m_bLoadedFile = true;
    KeepTail();
    m_host.EndProgress();
    m_host.LoadEnded(true);
}

void CTrawlviewDoc::KeepTail() {
    const std::uint64_t keep = std::min<std::uint64_t>(m_nFileSize, 256);
    m_strTail.assign(m_buffer.Data() + m_nFileSize - keep, static_cast<std::size_t>(keep));
}

bool CTrawlviewDoc::AddPiece(const CLoadJob::Piece& piece) {
    if (piece.lines.empty()) return true;
    const std::size_t first = m_lines.size();
    const LineSpan& last = piece.lines.back();
    if (!MakeRoom(first + piece.lines.size(), last.start + last.length)) return false;
    m_lines.insert(m_lines.end(), piece.lines.begin(), piece.lines.end());
    m_widestOfAll.reset();
    m_layoutCodes.insert(m_layoutCodes.end(), piece.codes.begin(), piece.codes.end());
    SelectFrom(first, false);
    return true;
}

bool CTrawlviewDoc::MakeRoom(std::size_t needed, std::uint64_t cutTo) {
    if (m_lines.capacity() >= needed && m_layoutCodes.capacity() >= needed &&
        m_displayedCutLines.Holds(needed))
        return true;
    // The rest of the file likely holds lines as densely as what was cut so far; a tenth
    // more leaves room for a denser end without copying the records again.
    std::uint64_t want = needed;
    if (cutTo > 0 && cutTo < m_nFileSize) {
        want += static_cast<std::uint64_t>(static_cast<double>(needed) * 1.1 *
                                           static_cast<double>(m_nFileSize - cutTo) /
                                           static_cast<double>(cutTo));
    }
    want = std::max<std::uint64_t>(want + 1024, m_lines.capacity() + m_lines.capacity() / 8);
    const std::size_t perLine = BytesPerLine(want);
    if (want > std::numeric_limits<std::size_t>::max() / perLine || !MemoryFits(want * perLine))
        return false;
    try {
        const auto n = static_cast<std::size_t>(want);
        m_lines.reserve(n);
        m_layoutCodes.reserve(n);
        m_displayedCutLines.Grow(n);
    } catch (const std::bad_alloc&) {
        return false;
    }
    AdviseHugePages(m_lines);
    AdviseHugePages(m_layoutCodes);
    return true;
}

void CTrawlviewDoc::SelectFrom(std::size_t first, bool progress) {
    const LocaleFormats& formats = GetLocaleFormats();
    const bool excludesInvalid = m_host.GetExcludeInvalidDates();
    CLineSelector selector(m_host.GetActiveFilters(), excludesInvalid, formats);
    const std::int64_t maxAdvance = MaxAdvance();
    const std::size_t n = m_lines.size() - first;
    // The widest of every line, when it is known and shows now, is the widest shown line.
    std::optional<std::size_t> knownWidest;
    if (first == 0 && n > 0 && m_widestOfAll && m_widestOfAll->lines == m_lines.size() &&
        m_widestOfAll->excludesInvalid == excludesInvalid &&
        m_widestOfAll->measurer == m_pMeasurer && m_widestOfAll->cells.first == m_cells.first &&
        m_widestOfAll->cells.cell == m_cells.cell &&
        m_widestOfAll->cells.sampleChars == m_cells.sampleChars) {
        const std::size_t k = m_widestOfAll->line;
        selector.Select(
            m_buffer.Data(), m_lines.data() + k, 1,
            [&](std::size_t, std::string_view, std::size_t) { knownWidest = k; },
            m_layoutCodes.data() + k);
    }
    const auto add = [&](std::size_t j, std::size_t displayLength) {
        const std::size_t k = first + j;
        if (progress)
            m_host.SetProgressPos(k + 1 < m_lines.size() ? m_lines[k + 1].start : m_nFileSize);
        if (!knownWidest) {
            AddDisplayedLine(k, displayLength, maxAdvance, m_nWidestWidth);
            return;
        }
        m_displayedCutLines.PushBack(k);
        if (k != *knownWidest) return;
        m_nWidestWidth = MeasureLine(k);
        m_widestLine = static_cast<LineIndex>(m_displayedCutLines.Size() - 1);
        m_widestPieces = m_scratchLine;
    };
    if (selector.EveryLineShows()) {
        // No line's timestamp decides whether it shows: a bound of its display length
        // tells whether it could be the widest, and only such a line is laid out (its
        // timestamp read) to be measured. A re-formatted timestamp of at most longest
        // bytes replaces the first TimestampLength bytes (more with a colour prefix), or
        // the whole of a shorter line.
        const std::size_t longest = formats.displayFormat.MaxFormattedLength();
        const std::size_t replaced = TimestampLength(formats);
        const std::size_t growth = longest > replaced ? longest - replaced : 0;
        selector.Select<false>(
            m_buffer.Data(), m_lines.data() + first, n,
            [&](std::size_t j, std::string_view raw, std::size_t) {
                add(j, std::max(raw.size() + growth, longest));
            },
            m_layoutCodes.data() + first);
    } else {
        selector.Select(
            m_buffer.Data(), m_lines.data() + first, n,
            [&](std::size_t j, std::string_view, std::size_t displayLength) {
                add(j, displayLength);
            },
            m_layoutCodes.data() + first);
    }
    m_nLineCount = static_cast<LineIndex>(m_displayedCutLines.Size());
    if (m_displayedCutLines.Size() == m_lines.size() && m_widestLine) {
        m_widestOfAll = WidestOfAll{static_cast<std::size_t>(*m_widestLine),
                                    m_nWidestWidth,
                                    m_lines.size(),
                                    m_cells,
                                    excludesInvalid,
                                    m_pMeasurer};
    }
}

bool CTrawlviewDoc::SetLfLineEnds(bool lfEndsLine) {
    if (lfEndsLine == m_cutter.LfEndsLine()) return false;
    m_cutter.SetLfEndsLine(lfEndsLine);
    if (m_nFileSize == 0) return false;
    // The loaded bytes are cut again, not read again; only bytes still being read are.
    if (IsLoading() && !m_buffer.IsMapped()) {
        StartLoad(std::string(m_strPathName));
    } else {
        StartCut(nullptr);
    }
    return true;
}

void CTrawlviewDoc::RebuildDisplay() {
    StopReaders();
    m_displayedCutLines.Clear();
    m_widestLine.reset();
    m_nWidestWidth = 0;
    m_nLineCount = 0;
    FilterLines();
    m_host.LinesChanged();
}

void CTrawlviewDoc::FilterLines() {
    StopReaders();
    m_displayedCutLines.Clear();
    m_host.SetProgressRange(m_nFileSize);
    if (m_pMeasurer != nullptr) m_cells = MeasureColumnCells(*m_pMeasurer, GetLocaleFormats());
    m_widestLine.reset();
    m_nWidestWidth = 0;
    SelectFrom(0, true);
    m_host.EndProgress();
}

void CTrawlviewDoc::AddDisplayedLine(std::size_t k, std::size_t displayLength,
                                     std::int64_t maxAdvance, std::int64_t& maxWidth) {
    m_displayedCutLines.PushBack(k);
    if (maxAdvance > 0 && static_cast<std::int64_t>(displayLength) * maxAdvance <= maxWidth) return;
    const std::int64_t w = MeasureLine(k);
    if (w > maxWidth) {
        maxWidth = w;
        m_widestLine = static_cast<LineIndex>(m_displayedCutLines.Size() - 1);
        m_widestPieces = m_scratchLine;
    }
}

std::int64_t CTrawlviewDoc::MaxAdvance() const {
    // A line no wider than the widest so far even at the widest byte advance need not be
    // measured; a non-empty text is never zero pixels wide. A cell may be wider than any
    // one byte (a separator of several bytes is one character).
    std::int64_t maxAdvance = m_pMeasurer != nullptr ? m_pMeasurer->MaxByteAdvance() : 1;
    if (maxAdvance > 0)
        maxAdvance = std::max<std::int64_t>({maxAdvance, m_cells.first, m_cells.cell});
    return maxAdvance;
}

void CTrawlviewDoc::DropLines() {
    CancelLoad();
    StopReaders();
    m_bLoadedFile = false;
    m_lines.clear();
    m_widestOfAll.reset();
    m_layoutCodes.clear();
    m_displayedCutLines.Clear();
    m_nCountedLines = 0;
    m_nShownUnfiltered = 0;
    m_widestLine.reset();
    m_nWidestWidth = 0;
    m_nLineCount = 0;
}

void CTrawlviewDoc::DeleteContents() {
    DropLines();
    // Private memory is kept for the next load (its bytes are no longer valid); a
    // mapping goes, so that a file deleted meanwhile is let go.
    if (m_buffer.IsMapped()) {
        m_buffer.Release();
    } else {
        m_buffer.SetSize(0);
    }
    m_nFileSize = 0;
}

LineIndex CTrawlviewDoc::FindDisplayedLine(CutLineIndex cutLine, LineIndex from) const {
    // Galloping, then halving: a run of ascending questions costs about the distance
    // between answers, not a whole search each, so carrying a selection of every line over
    // stays linear.
    const std::uint64_t target =
        static_cast<std::uint64_t>(std::max<LineIndex>(cutLine.value(), 0));
    std::size_t lo = static_cast<std::size_t>(std::clamp<LineIndex>(from, 0, m_nLineCount));
    const std::size_t count = static_cast<std::size_t>(m_nLineCount);
    std::size_t step = 1;
    std::size_t hi = lo;
    while (hi < count && m_displayedCutLines[hi] < target) {
        lo = hi + 1;
        hi = std::min(count, hi + step);
        step *= 2;
    }
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (m_displayedCutLines[mid] < target) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return static_cast<LineIndex>(lo);
}

const LineSpan& CTrawlviewDoc::Span(LineIndex i) const {
    return m_lines[static_cast<std::size_t>(m_displayedCutLines[static_cast<std::size_t>(i)])];
}

std::string_view CTrawlviewDoc::GetLine(LineIndex i) const {
    const LineSpan& span = Span(i);
    return {m_buffer.Data() + span.start, span.length};
}

std::uint64_t CTrawlviewDoc::GetLineLength(LineIndex i) const {
    return Span(i).length;
}

std::int64_t CTrawlviewDoc::GetLineWidth(LineIndex i) const {
    return MeasureLine(static_cast<std::size_t>(m_displayedCutLines[static_cast<std::size_t>(i)]));
}

void CTrawlviewDoc::GetDisplayLine(LineIndex i, DisplayLine& out) const {
    // The widest line is often far longer than the rest; it was laid out while measuring.
    if (i == m_widestLine) {
        out = m_widestPieces;
        return;
    }
    LayOutLine(static_cast<std::size_t>(m_displayedCutLines[static_cast<std::size_t>(i)]), out);
}

void CTrawlviewDoc::LayOutLine(std::size_t k, DisplayLine& out) const {
    const LineSpan& span = m_lines[k];
    out.LayOut({m_buffer.Data() + span.start, span.length}, m_layoutCodes[k],
               m_host.GetExcludeInvalidDates(), GetLocaleFormats());
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
    const std::string_view raw(m_buffer.Data() + m_lines[k].start,
                               static_cast<std::size_t>(m_lines[k].length));
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

CTrawlviewDoc::FollowStep CTrawlviewDoc::ReadAppended(const std::string& path,
                                                      std::uint64_t maxBytes) {
    FollowStep step;
    // A load in progress ends at the size it saw at its start; the looks go on from there.
    if (IsLoading()) return step;
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
    // another log: the bytes before the old end must still be the ones held (as kept
    // when they were read: a mapping would show the new ones).
    char tail[256];
    const std::uint64_t check = std::min<std::uint64_t>(m_strTail.size(), sizeof tail);
    std::uint64_t got = 0;
    if (!file.ReadAt(tail, check, oldSize - check, got, failure)) {
        step.result = FollowResult::Missing;
        return step;
    }
    if (got != check ||
        std::memcmp(tail, m_strTail.data() + m_strTail.size() - check, check) != 0) {
        step.result = FollowResult::Replaced;
        return step;
    }
    StopReaders();
    const std::uint64_t want = std::min(file.Size() - oldSize, maxBytes);
    const auto outOfMemory = [&] {
        DropUnfinishedLastLine(file.Size());
        step.result = FollowResult::NoMemory;
        step.firstChanged = m_nLineCount;
        return step;
    };
    if (m_buffer.IsMapped()) {
        if (!m_buffer.Extend(file.Fd(), oldSize + want, step.bufferMoved)) return outOfMemory();
        got = want;
    } else {
        const char* before = m_buffer.Data();
        // Room for more than this step, so that a steady writer rarely makes the buffer move.
        if (!m_buffer.Grow(oldSize + want + std::max<std::uint64_t>(want, oldSize / 16)) &&
            !m_buffer.Grow(oldSize + want)) {
            return outOfMemory();
        }
        step.bufferMoved = m_buffer.Data() != before;
        const bool read = file.ReadAt(m_buffer.Data() + oldSize, want, oldSize, got, failure);
        if (!read || got == 0) {
            m_buffer.SetSize(oldSize);  // the NUL after the held bytes
            if (step.bufferMoved) RelayOutWidest();
            step.result = read ? FollowResult::Unchanged : FollowResult::Missing;
            return step;
        }
        m_buffer.SetSize(oldSize + got);
    }
    if (step.bufferMoved) RelayOutWidest();
    // The new lines' records must fit before any is taken in: counted first, in the
    // bytes from the start of the last line (cut again) to the new end.
    std::uint64_t newLines = 0;
    const std::uint64_t restart = m_lines.empty() ? 0 : m_lines.back().start;
    MakeCutter().Cut(m_buffer.Data() + restart, static_cast<std::size_t>(oldSize + got - restart),
                     true, [&newLines](std::uint64_t, std::uint64_t) { ++newLines; });
    const std::size_t needed = m_lines.size() + static_cast<std::size_t>(newLines);
    if (m_lines.capacity() < needed || m_layoutCodes.capacity() < needed ||
        !m_displayedCutLines.Holds(needed)) {
        const std::size_t room = std::max(needed, m_lines.size() + m_lines.size() / 8);
        bool fits = MemoryFits(room * BytesPerLine(room));
        try {
            if (fits) {
                m_lines.reserve(room);
                m_layoutCodes.reserve(room);
                m_displayedCutLines.Grow(room);
            }
        } catch (const std::bad_alloc&) {
            fits = false;
        }
        if (!fits) {
            if (!m_buffer.IsMapped()) m_buffer.SetSize(oldSize);
            return outOfMemory();
        }
    }
    m_nFileSize = oldSize + got;
    step.result = FollowResult::Appended;
    step.more = file.Size() > m_nFileSize;
    step.firstChanged = AppendLines();
    KeepTail();
    return step;
}

void CTrawlviewDoc::RelayOutWidest() {
    if (m_widestLine) {
        LayOutLine(
            static_cast<std::size_t>(m_displayedCutLines[static_cast<std::size_t>(*m_widestLine)]),
            m_widestPieces);
    }
}

void CTrawlviewDoc::ReserveAppendRoom() {
    const std::size_t want = m_lines.size() + m_lines.size() / 8 + 1024;
    if (m_lines.capacity() >= want || !MemoryFits((want - m_lines.size()) * BytesPerLine(want)))
        return;
    StopReaders();
    try {
        m_lines.reserve(want);
        m_layoutCodes.reserve(want);
    } catch (const std::bad_alloc&) {
        // The appends will grow them as they come.
    }
}

bool CTrawlviewDoc::PopLastLine() {
    const std::size_t last = m_lines.size() - 1;
    bool widestGone = false;
    if (m_displayedCutLines.Size() > 0 && m_displayedCutLines.Back() == last) {
        widestGone = m_widestLine == static_cast<LineIndex>(m_displayedCutLines.Size()) - 1;
        m_displayedCutLines.PopBack();
    }
    if (m_nCountedLines > last) {
        if (ShowsUnfiltered(last)) --m_nShownUnfiltered;
        m_nCountedLines = last;
    }
    m_lines.pop_back();
    m_widestOfAll.reset();
    m_layoutCodes.pop_back();
    m_nLineCount = static_cast<LineIndex>(m_displayedCutLines.Size());
    return widestGone;
}

void CTrawlviewDoc::DropUnfinishedLastLine(std::uint64_t fileSize) {
    if (m_lines.empty() || fileSize <= m_nFileSize) return;
    const LineSpan& last = m_lines.back();
    if (last.start + last.length < m_nFileSize) return;  // a line end follows it
    if (PopLastLine()) FilterLines();
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
        widestGone = PopLastLine();
    }
    const auto firstChanged = static_cast<LineIndex>(m_displayedCutLines.Size());
    CLineCutter cutter = MakeCutter();
    cutter.Cut(m_buffer.Data() + restart, static_cast<std::size_t>(m_nFileSize - restart), true,
               [this, restart](std::uint64_t start, std::uint64_t length) {
                   m_lines.push_back({restart + start, length});
               });
    m_widestOfAll.reset();
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
    SelectFrom(first, false);
    return firstChanged;
}
