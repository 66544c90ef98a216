#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "CLineFinder.h"
#include "COverviewJob.h"
#include "COverviewMarks.h"
#include "COverviewRows.h"
#include "ILineReader.h"

class CTrawlviewDoc;

// The marks of a document's displayed lines for the overview, kept up to date off the
// document's thread: after a rebuild every mark is computed again, after an append only
// those of the new lines, after a new find text only the find marks. The document stops
// the job before it changes its lines; the owner tells this object what changed and
// calls Resume, which takes up the work from what is known. Everything but the job runs
// on the document's thread.
class COverview : public ILineReader {
public:
    // onReady runs on the job's thread when computed marks wait: the owner then has
    // TakeMarks called on the document's thread.
    COverview(CTrawlviewDoc& doc, std::function<void()> onReady);
    COverview(const COverview&) = delete;
    COverview& operator=(const COverview&) = delete;
    ~COverview() override;

    // ILineReader: cancels the job, keeping the marks it computed.
    void StopReading() override;

    // Every displayed line may have changed.
    void LinesReplaced();
    // Displayed lines from firstChanged on are new or changed.
    void LinesAppended(std::int64_t firstChanged);
    // What the find mark looks for from now on; null for nothing.
    void SetFinder(std::shared_ptr<const CLineFinder> finder);
    // Starts the job on the marks not yet known, unless it runs or nothing is missing.
    void Resume();
    // Takes in the marks the job has computed; true when any came.
    bool TakeMarks();
    // Every mark of every displayed line is known.
    bool IsComplete() const { return m_marks.Complete() && m_marks.Lines() == LineCount(); }
    bool IsRunning() const { return m_pJob != nullptr; }
    // Waits for the running job to end and takes in its marks.
    void Finish();

    // Per pixel row of a strip of rows rows: the bits of the marks in its lines.
    void Fold(int rows, std::vector<std::uint8_t>& out) const;
    const COverviewMarks& Marks() const { return m_marks; }

private:
    std::int64_t LineCount() const;

    CTrawlviewDoc& m_doc;
    std::function<void()> m_onReady;
    COverviewMarks m_marks;
    std::shared_ptr<const CLineFinder> m_pFinder;
    std::unique_ptr<COverviewJob> m_pJob;
};
