#include "COverview.h"

#include "CTrawlviewDoc.h"

COverview::COverview(CTrawlviewDoc& doc, std::function<void()> onReady)
    : m_doc(doc), m_onReady(std::move(onReady)) {
    m_doc.AddLineReader(*this);
    m_marks.Reset(LineCount());
}

COverview::~COverview() {
    m_pJob.reset();
    m_doc.RemoveLineReader(*this);
}

std::int64_t COverview::LineCount() const {
    return m_doc.GetLineCount();
}

void COverview::StopReading() {
    if (!m_pJob) return;
    m_pJob->Cancel();
    TakeMarks();
    m_pJob.reset();
}

void COverview::LinesReplaced() {
    StopReading();
    m_marks.Reset(LineCount());
}

void COverview::LinesAppended(std::int64_t firstChanged) {
    StopReading();
    m_marks.LinesAppended(firstChanged, LineCount());
}

void COverview::SetFinder(std::shared_ptr<const CLineFinder> finder) {
    StopReading();
    m_pFinder = std::move(finder);
    m_marks.Forget(kMarkFind);
}

void COverview::Resume() {
    // A change the owner did not hear of (the job was stopped, nothing said what moved)
    // leaves the count behind: every mark is computed again.
    if (m_marks.Lines() != LineCount()) {
        StopReading();
        m_marks.Reset(LineCount());
    }
    if (m_pJob || m_marks.Complete()) return;
    COverviewJob::Request request;
    request.lines = m_marks.Lines();
    request.bucketLines = m_marks.BucketLines();
    for (unsigned k = 0; k < kMarkKinds; ++k) request.from[k] = m_marks.Known(k);
    request.finder = m_pFinder;
    const CTrawlviewDoc& doc = m_doc;
    m_pJob = std::make_unique<COverviewJob>([&doc](std::int64_t i) { return doc.GetLine(i); },
                                            std::move(request), m_onReady);
}

bool COverview::TakeMarks() {
    if (!m_pJob) return false;
    std::vector<COverviewJob::Piece> pieces;
    const bool ended = m_pJob->Ended();
    m_pJob->Take(pieces);
    for (const COverviewJob::Piece& piece : pieces)
        m_marks.Add(piece.first, piece.kinds, piece.marks);
    if (ended) m_pJob.reset();
    return !pieces.empty();
}

void COverview::Finish() {
    if (m_pJob) m_pJob->WaitForEnd();
    TakeMarks();
}

void COverview::Fold(int rows, std::vector<std::uint8_t>& out) const {
    m_marks.Fold(COverviewRows(m_marks.Lines(), rows), out);
}
