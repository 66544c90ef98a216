#include "CLoadJob.h"

#include <algorithm>
#include <string_view>

#include "CLineSelector.h"
#include "LocaleFormats.h"
#include "LogBuffer.h"

namespace {
// Pieces cut ahead of the document: enough to keep both threads busy, few enough that
// the records in flight stay small beside the document's.
constexpr std::size_t kPiecesAhead = 4;
// The page tables of a mapping are set up this far ahead of the cut in one go.
constexpr std::uint64_t kPrefetchBytes = std::uint64_t{32} << 20;
}  // namespace

CLoadJob::CLoadJob(const LogBuffer& buffer, std::uint64_t from, std::uint64_t size,
                   CLineCutter cutter, Reader reader, bool readLayouts,
                   std::function<void()> onReady)
    : m_buffer(buffer),
      m_nFrom(from),
      m_nSize(size),
      m_cutter(cutter),
      m_reader(std::move(reader)),
      m_bReadLayouts(readLayouts),
      m_onReady(std::move(onReady)),
      m_thread([this] { Run(); }) {}

CLoadJob::~CLoadJob() {
    Cancel();
}

void CLoadJob::Cancel() {
    {
        std::lock_guard lock(m_mutex);
        m_bCancelled = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void CLoadJob::Take(std::vector<Piece>& out) {
    {
        std::lock_guard lock(m_mutex);
        for (Piece& piece : m_pieces) out.push_back(std::move(piece));
        m_pieces.clear();
    }
    m_changed.notify_all();
}

void CLoadJob::WaitForPiece() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_pieces.empty(); });
}

bool CLoadJob::Hand(Piece&& piece) {
    bool wasEmpty = false;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_bCancelled || m_pieces.size() < kPiecesAhead; });
        if (m_bCancelled) return false;
        wasEmpty = m_pieces.empty();
        m_pieces.push_back(std::move(piece));
    }
    m_changed.notify_all();
    if (wasEmpty && m_onReady) m_onReady();
    return true;
}

std::uint64_t CLoadJob::CutPiece(CLineCutter& cutter, const char* data, std::uint64_t from,
                                 std::uint64_t size, std::size_t maxLines, std::uint64_t maxBytes,
                                 bool readLayouts, Piece& piece) {
    piece.lines.clear();
    const std::uint64_t limit = from + maxBytes;
    const std::size_t cut =
        cutter.Cut(data + from, static_cast<std::size_t>(size - from), true,
                   [&](std::uint64_t start, std::uint64_t length) {
                       piece.lines.emplace_back(from + start, length);
                       return piece.lines.size() < maxLines && from + start + length < limit;
                   });
    piece.codes.assign(piece.lines.size(), 0);
    if (!readLayouts) return from + cut;
    const LocaleFormats& formats = GetLocaleFormats();
    for (std::size_t k = 0; k < piece.lines.size(); ++k) {
        const LineSpan& span = piece.lines[k];
        piece.codes[k] = CLineSelector::LayoutCode(
            {data + span.start, static_cast<std::size_t>(span.length)}, formats);
    }
    return from + cut;
}

void CLoadJob::Run() {
    std::uint64_t size = m_nSize;
    const std::uint64_t total = m_reader ? 2 * m_nSize : m_nSize;
    std::uint64_t readDone = 0;
    if (m_reader) {
        StringId failure = AFX_IDP_FAILED_TO_OPEN_DOC;
        const Progress progress = [&](std::uint64_t done) {
            Piece step;
            step.done = done;
            step.total = total;
            step.size = size;
            // Only the latest count matters; a step is dropped rather than waited for.
            std::unique_lock lock(m_mutex);
            if (m_bCancelled) return false;
            if (!m_pieces.empty()) return true;
            lock.unlock();
            return Hand(std::move(step));
        };
        if (!m_reader(size, progress, failure)) {
            Piece failed;
            failed.last = true;
            failed.failed = true;
            failed.failure = failure;
            Hand(std::move(failed));
            return;
        }
        readDone = m_nSize;
    }
    const char* data = m_buffer.Data();
    std::uint64_t pos = m_nFrom;
    std::uint64_t prefetched = pos;
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_bCancelled) return;
        }
        if (prefetched < size && prefetched < pos + kPieceBytes) {
            m_buffer.Prefetch(prefetched, kPrefetchBytes);
            prefetched += kPrefetchBytes;
        }
        Piece piece;
        pos = CutPiece(m_cutter, data, pos, size, kPieceLines, kPieceBytes, m_bReadLayouts, piece);
        piece.done = readDone + pos;
        piece.total = total;
        piece.size = size;
        piece.last = pos >= size;
        if (!Hand(std::move(piece)) || pos >= size) return;
    }
}
