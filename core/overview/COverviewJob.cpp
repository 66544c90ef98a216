#include "COverviewJob.h"

#include <algorithm>

#include "LineColor.h"

COverviewJob::COverviewJob(LineSource lines, Request request, std::function<void()> onReady)
    : m_lines(std::move(lines)),
      m_request(std::move(request)),
      m_onReady(std::move(onReady)),
      m_thread([this] { Run(); }) {}

COverviewJob::~COverviewJob() {
    Cancel();
}

void COverviewJob::Cancel() {
    {
        std::lock_guard lock(m_mutex);
        m_bCancelled = true;
    }
    if (m_thread.joinable()) m_thread.join();
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

void COverviewJob::Hand(Piece&& piece) {
    bool wasEmpty = false;
    {
        std::lock_guard lock(m_mutex);
        wasEmpty = m_pieces.empty();
        m_pieces.push_back(std::move(piece));
    }
    if (wasEmpty && m_onReady) m_onReady();
}

BucketMarks COverviewJob::MarkBucket(const LineSource& lines, std::int64_t first, std::int64_t end,
                                     unsigned kinds, const CLineFinder* finder) {
    BucketMarks marks;
    if ((kinds & ((1u << kMarkRed) | (1u << kMarkYellow))) != 0) {
        for (std::int64_t i = first; i < end; ++i) {
            const LineColor color = LineColorOf(lines(i));
            const unsigned k = color == LineColor::Red      ? kMarkRed
                               : color == LineColor::Yellow ? kMarkYellow
                                                            : kMarkKinds;
            if (k == kMarkKinds || (kinds & (1u << k)) == 0) continue;
            if (marks.first[k] < 0) marks.first[k] = i;
            marks.last[k] = i;
        }
    }
    if ((kinds & (1u << kMarkFind)) != 0 && finder != nullptr && end > first) {
        const std::int64_t hit = finder->FindInRange(lines, first, end - 1);
        if (hit >= 0) {
            marks.first[kMarkFind] = hit;
            // The last hit: blocks from the end, each twice the last, nearest first; an
            // upward search of a block finds its last hit.
            std::int64_t span = 1;
            for (std::int64_t hi = end - 1; hi > hit; span *= 2) {
                const std::int64_t lo = std::max(hit + 1, hi - span + 1);
                const std::int64_t last = finder->FindInRange(lines, hi, lo);
                if (last >= 0) {
                    marks.last[kMarkFind] = last;
                    break;
                }
                hi = lo - 1;
            }
            if (marks.last[kMarkFind] < 0) marks.last[kMarkFind] = hit;
        }
    }
    return marks;
}

void COverviewJob::Run() {
    const Request& r = m_request;
    const std::int64_t b = std::max<std::int64_t>(r.bucketLines, 1);
    const auto count = static_cast<std::size_t>((r.lines + b - 1) / b);
    std::size_t bucket = std::min(*std::min_element(std::begin(r.from), std::end(r.from)), count);
    while (bucket < count) {
        Piece piece;
        piece.first = bucket;
        for (unsigned k = 0; k < kMarkKinds; ++k) {
            if (r.from[k] <= bucket) piece.kinds |= 1u << k;
        }
        // A piece ends where another kind starts to be wanted.
        std::size_t end = std::min(count, bucket + kPieceBuckets);
        for (const std::size_t from : r.from) {
            if (from > bucket) end = std::min(end, from);
        }
        for (; bucket < end; ++bucket) {
            {
                std::lock_guard lock(m_mutex);
                if (m_bCancelled) break;
            }
            const auto first = static_cast<std::int64_t>(bucket) * b;
            piece.marks.push_back(MarkBucket(m_lines, first, std::min(first + b, r.lines),
                                             piece.kinds, r.finder.get()));
        }
        if (!piece.marks.empty()) Hand(std::move(piece));
        if (bucket < end) break;
    }
    {
        std::lock_guard lock(m_mutex);
        m_bEnded = true;
    }
    m_ended.notify_all();
    if (m_onReady) m_onReady();
}
