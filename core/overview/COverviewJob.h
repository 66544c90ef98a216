#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "CLineFinder.h"
#include "COverviewMarks.h"

// Computes the marks of buckets of displayed lines on threads of its own (two where the
// machine has two cores), a piece of buckets at a time, from the first bucket some kind
// of mark is missing for to the end; the pieces are handed over in order. The lines are
// only read here; the pieces are taken in on the owner's thread (Take). Cancel stops it
// between two buckets.
class COverviewJob {
public:
    using LineSource = CLineFinder::LineSource;

    struct Request {
        // The lines [0, lines) in buckets of bucketLines lines.
        std::int64_t lines = 0;
        std::int64_t bucketLines = 1;
        // Per kind of mark, the first bucket it is computed for (from there to the end).
        std::size_t from[kMarkKinds] = {};
        // What the find mark looks for; null: no line has it.
        std::shared_ptr<const CLineFinder> finder;
    };
    // The marks of buckets [first, first + marks.size()), of the kinds in kinds.
    struct Piece {
        std::size_t first = 0;
        unsigned kinds = 0;
        std::vector<BucketMarks> marks;
    };

    // lines must stay valid and unchanged until Cancel has returned or the job has ended.
    // onReady runs on the job's thread whenever a piece waits where none did, and once
    // more when the job has ended.
    COverviewJob(LineSource lines, Request request, std::function<void()> onReady);
    COverviewJob(const COverviewJob&) = delete;
    COverviewJob& operator=(const COverviewJob&) = delete;
    ~COverviewJob();

    // Moves the waiting pieces to out, in order. Never waits.
    void Take(std::vector<Piece>& out);
    // Every piece has been handed over (taken or waiting).
    bool Ended() const;
    // Waits until the job has ended.
    void WaitForEnd();
    void Cancel();

    // The marks of kinds in lines [first, end). The find mark's search stops at the first
    // hit from either end of the bucket, so a text on every line costs two lines a bucket.
    static BucketMarks MarkBucket(const LineSource& lines, std::int64_t first, std::int64_t end,
                                  unsigned kinds, const CLineFinder* finder);

    // A piece holds at most this many buckets.
    static constexpr std::size_t kPieceBuckets = 64;
    static constexpr std::size_t kMaxWorkers = 2;

private:
    // The pieces of request, with room for their marks.
    static std::vector<Piece> PlanPieces(const Request& request);
    // A worker: takes the next piece of the plan until none is left or the job is
    // cancelled; the last worker to stop ends the job.
    void Run();

    LineSource m_lines;
    Request m_request;
    std::function<void()> m_onReady;

    // The pieces to compute, in order; each is computed by one worker, then moved to
    // m_pieces once every piece before it has been.
    std::vector<Piece> m_plan;
    mutable std::mutex m_mutex;
    std::condition_variable m_ended;
    std::vector<bool> m_done;
    std::size_t m_nNextPiece = 0;
    std::size_t m_nHanded = 0;
    std::size_t m_nStopped = 0;
    // Set before the first worker starts.
    std::size_t m_nWorkers = 0;
    std::deque<Piece> m_pieces;
    bool m_bCancelled = false;
    bool m_bEnded = false;
    std::vector<std::thread> m_workers;
};
