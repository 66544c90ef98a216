#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CLineCutter.h"
#include "CLineIndexList.h"
#include "CLoadJob.h"
#include "CLogFile.h"
#include "DisplayLine.h"
#include "LineIndex.h"
#include "LogBuffer.h"

class IDocumentHost;
class ILineReader;
class ITextMeasurer;

// The loaded log: the file's bytes (its own pages where it can be mapped), cut into lines
// once per load, and the list of lines that pass the active filters (the displayed lines)
// with the widest one. A load runs as a job: the first lines are cut at once, the rest on
// a thread of their own, and the lines come in piece by piece (TakeLoadedLines) while the
// document can be used as usual for the lines already in.
class CTrawlviewDoc {
public:
    // measurer may be null: widths are then byte counts of the display text, which is
    // what the headless export needs (a line is shown when its display text is not
    // empty).
    CTrawlviewDoc(IDocumentHost& host, const ITextMeasurer* measurer);
    CTrawlviewDoc(const CTrawlviewDoc&) = delete;
    CTrawlviewDoc& operator=(const CTrawlviewDoc&) = delete;
    ~CTrawlviewDoc();

    void SetMeasurer(const ITextMeasurer* measurer) { m_pMeasurer = measurer; }
    // A reader of the displayed lines on another thread (GetLine and the counts only): it
    // is stopped before any change to the lines or their bytes. It must be removed
    // before it goes.
    void AddLineReader(ILineReader& reader);
    void RemoveLineReader(ILineReader& reader);

    // Empties the document and starts to load path: opens it, cuts its first lines and
    // shows them (the host hears LinesChanged), and leaves the rest to the load's job,
    // whose lines come in through TakeLoadedLines; the host hears LoadEnded at the end.
    // Open failures, and a log whose per-line records do not fit in memory, are offered
    // to the host with Retry and Cancel. False when nothing loads.
    bool StartLoad(const std::string& path);
    // On the document's thread, after the host heard LoadedLinesReady: takes in the lines
    // the job has cut, passes them through the active filters and tells the host.
    void TakeLoadedLines();
    // Waits for the running load to end, taking its lines in. True when the log loaded.
    bool FinishLoad();
    // StartLoad and FinishLoad: the whole load before it returns.
    bool LoadLogFile(const std::string& path) { return StartLoad(path) && FinishLoad(); }
    // From StartLoad until the load has ended, failed or been given up.
    bool IsLoading() const { return m_bLoading; }
    // Stops the running load at once; the lines already in stay. The host is not told.
    void CancelLoad();
    // The log's bytes are the file's own pages (else a private copy).
    bool ReadsFilePages() const { return m_buffer.IsMapped(); }
    // The file was found shorter than when it was loaded: the bytes past its new end read
    // as zeros. It should be loaded again.
    bool IsCutShort() const { return m_buffer.CutShort(); }
    // Rebuilds the displayed lines from the loaded bytes and tells the host.
    void RebuildDisplay();
    void FilterLines();
    void DeleteContents();
    bool OnNewDocument();

    // The path of the last opened file (log or filter file); empty when none.
    const std::string& GetPathName() const { return m_strPathName; }
    void SetPathName(const std::string& path) { m_strPathName = path; }

    LineIndex GetLineCount() const { return m_nLineCount; }
    // Index of the widest displayed line (the first of equal widths); none when no line
    // shows.
    std::optional<LineIndex> GetWidestLine() const { return m_widestLine; }
    // Raw bytes of displayed line i, without its line end.
    std::string_view GetLine(LineIndex i) const;
    std::uint64_t GetLineLength(LineIndex i) const;
    // Pixel width of line i as the view draws it (DisplayLine::Width, with the cells of
    // the last rebuild); the byte count of its display text without a measurer.
    std::int64_t GetLineWidth(LineIndex i) const;
    // The width of the widest line, found by the last rebuild; 0 when there is none.
    std::int64_t GetWidestLineWidth() const { return m_nWidestWidth; }
    // The pieces displayed line i is drawn in. out's memory is reused.
    void GetDisplayLine(LineIndex i, DisplayLine& out) const;
    // The display text of line i under the host's current preference.
    std::string GetDisplayText(LineIndex i) const;

    ByteOffset GetFileSize() const { return ByteOffset(m_nFileSize); }

    // "Treat a lone LF as a line end": with it, CR, CR LF and LF each end a line; without,
    // only CR and CR LF do. A change cuts the loaded bytes again (they are not read again)
    // and rebuilds; true when it did.
    bool SetLfLineEnds(bool lfEndsLine);
    bool GetLfLineEnds() const { return m_cutter.LfEndsLine(); }

    // Lines the log would show with no filters active (under the same preference): all
    // of them unless lines with invalid timestamps are left out.
    LineIndex GetUnfilteredLineCount() const;
    // Every line cut from the log, shown or not.
    LineIndex GetCutLineCount() const { return static_cast<LineIndex>(m_lines.size()); }
    // Where displayed line i stands among the lines cut from the log: what stays of a line
    // when the filters change, so that a selection can be carried over.
    CutLineIndex GetCutLine(LineIndex i) const {
        return CutLineIndex(
            static_cast<LineIndex>(m_displayedCutLines[static_cast<std::size_t>(i)]));
    }
    // The first displayed line at or after cut line cutLine, looked for from displayed line
    // from on (callers asking for ascending lines pass the last answer); GetLineCount()
    // when none is.
    LineIndex FindDisplayedLine(CutLineIndex cutLine, LineIndex from = 0) const;

    // Following a growing log. What one look at the file found:
    enum class FollowResult {
        Unchanged,  // nothing new
        Appended,   // new bytes read and their lines added to the displayed lines
        Replaced,   // shorter, or another file under the name: it must be loaded again
        Missing,    // not there or not readable now; the lines on display stay
        NoMemory,   // grown past what this process may take: nothing more is taken in,
                    // and a last line the look had to leave unfinished is gone
    };
    struct FollowStep {
        FollowResult result = FollowResult::Unchanged;
        // The first displayed line that is new or changed (the last line is cut again
        // when it was unfinished); displayed lines before it are untouched.
        LineIndex firstChanged = 0;
        // More bytes wait beyond maxBytes: look again soon.
        bool more = false;
        // The bytes moved in memory: text pieces taken from lines earlier are stale.
        bool bufferMoved = false;
    };
    // Looks at the log at path (the one loaded) and takes in at most maxBytes of what was
    // appended since: only the new bytes are read, cut with the load's rules and passed
    // through the active filters; the displayed lines before firstChanged keep their
    // indexes. The host is not told (the caller updates its view without a rebuild).
    FollowStep ReadAppended(const std::string& path, std::uint64_t maxBytes);
    // Makes room in the per-line records for an eighth more lines, so that the first
    // appends do not copy the records of the whole log. Best effort: without the memory
    // nothing changes.
    void ReserveAppendRoom();

    // What each line of a file of count lines costs: its record, its layout code and its
    // place in the displayed list, each checked against the memory that may be had before
    // it is reserved. 20 bytes below 2^32 lines, 24 above.
    static constexpr std::size_t BytesPerLine(std::uint64_t count) {
        return sizeof(LineSpan) + sizeof(std::uint32_t) +
               (count > 0xFFFFFFFFu ? sizeof(std::uint64_t) : sizeof(std::uint32_t));
    }

private:
    // Before any change to the line records or the bytes.
    void StopReaders();
    // The cutter of every load and append: both cut by the same rules.
    CLineCutter MakeCutter() const { return CLineCutter(m_cutter.LfEndsLine()); }
    // Cuts the bytes from the start of the last line to the end of the file (the last
    // line was cut at the old end and may have grown), selects and measures the new
    // lines. Returns the first displayed line that changed.
    LineIndex AppendLines();
    // Takes the last line of m_lines off, displayed or not; true when it was the widest
    // displayed line (which must then be found anew).
    bool PopLastLine();
    // A follow look that cannot take more in: a last line known to go on in the file is
    // not shown cut.
    void DropUnfinishedLastLine(std::uint64_t fileSize);
    // Whether line k shows when no filter is active.
    bool ShowsUnfiltered(std::size_t k) const;
    // Cuts the loaded bytes anew: the first lines here, the rest by a job (which first
    // reads them from file when the bytes are not mapped). False when the load failed.
    bool StartCut(std::unique_ptr<CLogFile> file);
    // Stops the load and the readers of the lines, and forgets every line: what a new cut
    // and closing the log share.
    void DropLines();
    // Appends a piece of the load's lines and passes them through the active filters.
    // False when their records do not fit in memory.
    bool AddPiece(const CLoadJob::Piece& piece);
    // Makes room for needed line records, and as many more as the bytes after cutTo
    // (where the lines so far end) will likely hold, once that fits in memory.
    bool MakeRoom(std::size_t needed, std::uint64_t cutTo);
    // Selects and measures lines [first, end) of m_lines into the displayed lines, with
    // the host's progress after each line when progress is set.
    void SelectFrom(std::size_t first, bool progress);
    // A load failed: the document is emptied and the host asked whether to try again.
    // True when the retried load started.
    bool FailLoad(StringId failure, std::string path);
    void EndLoad();
    // Keeps the last bytes of the log, to tell a grown log from a rewritten one.
    void KeepTail();
    // The widest line's pieces point into the bytes: laid out again when they moved.
    void RelayOutWidest();
    // k indexes m_lines.
    void LayOutLine(std::size_t k, DisplayLine& out) const;
    std::int64_t MeasureLine(std::size_t k) const;
    // Appends line k (displayLength bytes of display text) to the displayed lines and
    // measures it when it could be wider than maxWidth, the widest so far.
    void AddDisplayedLine(std::size_t k, std::size_t displayLength, std::int64_t maxAdvance,
                          std::int64_t& maxWidth);
    // The widest a byte of a line can be drawn; 0 when unknown (every line is measured).
    std::int64_t MaxAdvance() const;
    std::string_view GetSpanText(std::size_t k) const {
        return {m_buffer.Data() + m_lines[k].start, static_cast<std::size_t>(m_lines[k].length)};
    }
    const LineSpan& Span(LineIndex i) const;

    IDocumentHost& m_host;
    const ITextMeasurer* m_pMeasurer;
    std::string m_strPathName;
    std::uint64_t m_nFileSize = 0;
    LogBuffer m_buffer;
    // Cuts every load, and knows whether a lone LF ends a line.
    CLineCutter m_cutter;
    // Every non-empty line of the file, cut once per load.
    std::vector<LineSpan> m_lines;
    // How each line of m_lines shows, read once per load (see CLineSelector::LayoutCode).
    std::vector<std::uint32_t> m_layoutCodes;
    // The displayed lines, as indexes into m_lines (cut lines), in file order.
    CLineIndexList m_displayedCutLines;
    LineIndex m_nLineCount = 0;
    std::optional<LineIndex> m_widestLine;
    std::int64_t m_nWidestWidth = 0;
    // The timestamp column's cells in the measurer's font, as of the last rebuild.
    ColumnCells m_cells;
    // The first widest of every cut line, kept from a selection in which every line showed
    // (a load without filters, Show All Lines): a later rebuild that shows that line again
    // knows its widest line without measuring any other, which on a log of millions of
    // equally long lines is most of the rebuild. Gone when the lines change.
    struct WidestOfAll {
        std::size_t line = 0;
        std::int64_t width = 0;
        std::size_t lines = 0;
        ColumnCells cells;
        bool excludesInvalid = false;
        const ITextMeasurer* measurer = nullptr;
    };
    std::optional<WidestOfAll> m_widestOfAll;
    // Reused by every measurement so that a rebuild allocates nothing per line.
    mutable DisplayLine m_scratchLine;
    // The pieces of m_widestLine, as the rebuild laid them out.
    DisplayLine m_widestPieces;
    std::vector<ILineReader*> m_readers;
    // The running load; null when none runs.
    std::unique_ptr<CLoadJob> m_pJob;
    bool m_bLoading = false;
    // The file the last load read, to tell a rotated log from a grown one, and its last
    // bytes, to tell one truncated and written again past its old end.
    CLogFile::Identity m_loadedFile;
    std::string m_strTail;
    bool m_bLoadedFile = false;
    bool m_bLoadedPseudoFile = false;
    // Of m_lines[0, m_nCountedLines), how many show without filters while invalid
    // timestamps are excluded; counted on demand.
    mutable std::size_t m_nCountedLines = 0;
    mutable std::size_t m_nShownUnfiltered = 0;
};
