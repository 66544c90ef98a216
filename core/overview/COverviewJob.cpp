#include "COverviewJob.h"

#include <algorithm>

#include "LineColor.h"

COverviewJob::COverviewJob(LineSource lines, Request request, std::function<void()> onReady)
    : m_lines(std::move(lines)),
      m_request(std::move(request)),
      m_onReady(std::move(onReady)),
      m_plan(PlanPieces(m_request)),
      m_done(m_plan.size(), false) {
    // Reading the lines waits on memory more than it computes: a second thread halves it
    // where there is a second core.
    const std::size_t cores =
        std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, kMaxWorkers);
    m_nWorkers = std::min(cores, std::max<std::size_t>(m_plan.size(), 1));
    for (std::size_t w = 0; w < m_nWorkers; ++w) m_workers.emplace_back([this] { Run(); });
}

COverviewJob::~COverviewJob() {
    Cancel();
}

void COverviewJob::Cancel() {
    {
        std::lock_guard lock(m_mutex);
        m_bCancelled = true;
    }
    for (std::thread& worker : m_workers) {
        if (worker.joinable()) worker.join();
    }
}

void COverviewJob::Take(std::vector<Piece>& out) {
    std::lock_guard lock(m_mutex);
    for (Piece& piece : m_pieces) out.push_back(std::move(piece));
    m_pieces.clear();
}

bool COverviewJob::Ended() const {
    std::lock_guard lock(m_mutex);
    return m_bEnded;
}

void COverviewJob::WaitForEnd() {
    std::unique_lock lock(m_mutex);
    m_ended.wait(lock, [this] { return m_bEnded; });
}

BucketMarks COverviewJob::MarkBucket(const LineSource& lines, std::int64_t first, std::int64_t end,
                                     unsigned kinds, const CLineFinder* finder) {
    BucketMarks marks;
    if ((kinds & ((1u << kMarkRed) | (1u << kMarkYellow))) != 0) {
        // Each line is asked for kAhead lines before its colour is read, and its first
        // bytes are fetched meanwhile: in a large log every line's start is a miss of the
        // caches, and waiting for each in turn is most of the time this takes.
        constexpr std::int64_t kAhead = 16;
        std::string_view ahead[kAhead];
        for (std::int64_t i = first; i < std::min(first + kAhead, end); ++i) {
            ahead[i % kAhead] = lines(i);
            __builtin_prefetch(ahead[i % kAhead].data());
        }
        for (std::int64_t i = first; i < end; ++i) {
            std::string_view& slot = ahead[i % kAhead];
            const LineColor color = LineColorOf(slot);
            if (i + kAhead < end) {
                slot = lines(i + kAhead);
                __builtin_prefetch(slot.data());
            }
            const unsigned k = color == LineColor::Red      ? kMarkRed
                               : color == LineColor::Yellow ? kMarkYellow
                                                            : kMarkKinds;
            if (k == kMarkKinds || (kinds & (1u << k)) == 0) continue;
            if (!marks.first[k]) marks.first[k] = i;
            marks.last[k] = i;
        }
    }
    if ((kinds & (1u << kMarkFind)) != 0 && finder != nullptr && end > first) {
        if (const auto found = finder->FindInRange(lines, first, end - 1)) {
            const std::int64_t hit = *found;
            marks.first[kMarkFind] = hit;
            marks.last[kMarkFind] = hit;
            // The last hit: blocks from the end, each twice the last, nearest first; an
            // upward search of a block finds its last hit.
            std::int64_t span = 1;
            for (std::int64_t hi = end - 1; hi > hit; span *= 2) {
                const std::int64_t lo = std::max(hit + 1, hi - span + 1);
                if (const auto last = finder->FindInRange(lines, hi, lo)) {
                    marks.last[kMarkFind] = *last;
                    break;
                }
                hi = lo - 1;
            }
        }
    }
    return marks;
}

std::vector<COverviewJob::Piece> COverviewJob::PlanPieces(const Request& r) {
    std::vector<Piece> plan;
    const std::int64_t b = std::max<std::int64_t>(r.bucketLines, 1);
    const auto count = static_cast<std::size_t>((r.lines + b - 1) / b);
    std::size_t bucket = std::min(*std::min_element(std::begin(r.from), std::end(r.from)), count);
    while (bucket < count) {
        Piece& piece = plan.emplace_back();
        piece.first = bucket;
        for (unsigned k = 0; k < kMarkKinds; ++k) {
            if (r.from[k] <= bucket) piece.kinds |= 1u << k;
        }
        // A piece ends where another kind starts to be wanted.
        std::size_t end = std::min(count, bucket + kPieceBuckets);
        for (const std::size_t from : r.from) {
            if (from > bucket) end = std::min(end, from);
        }
        piece.marks.resize(end - bucket);
        bucket = end;
    }
    return plan;
}

void COverviewJob::Run() {
    const std::int64_t b = std::max<std::int64_t>(m_request.bucketLines, 1);
    for (;;) {
        std::size_t p = 0;
        {
            std::lock_guard lock(m_mutex);
            if (m_bCancelled || m_nNextPiece >= m_plan.size()) break;
            p = m_nNextPiece++;
        }
        Piece& piece = m_plan[p];
        bool whole = true;
        for (std::size_t j = 0; j < piece.marks.size(); ++j) {
            {
                std::lock_guard lock(m_mutex);
                if (m_bCancelled) {
                    whole = false;
                    break;
                }
            }
            const auto first = static_cast<std::int64_t>(piece.first + j) * b;
            piece.marks[j] = MarkBucket(m_lines, first, std::min(first + b, m_request.lines),
                                        piece.kinds, m_request.finder.get());
        }
        if (!whole) break;
        // Pieces are handed over in order: a piece done before the one ahead of it waits.
        bool wasEmpty = false;
        {
            std::lock_guard lock(m_mutex);
            m_done[p] = true;
            wasEmpty = m_pieces.empty();
            while (m_nHanded < m_plan.size() && m_done[m_nHanded])
                m_pieces.push_back(std::move(m_plan[m_nHanded++]));
            wasEmpty = wasEmpty && !m_pieces.empty();
        }
        if (wasEmpty && m_onReady) m_onReady();
    }
    bool last = false;
    {
        std::lock_guard lock(m_mutex);
        last = ++m_nStopped == m_nWorkers;
        if (last) m_bEnded = true;
    }
    if (!last) return;
    m_ended.notify_all();
    if (m_onReady) m_onReady();
}
