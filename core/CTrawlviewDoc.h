#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "CLineCutter.h"
#include "CLineIndexList.h"
#include "CLogFile.h"
#include "DisplayLine.h"
#include "LogBuffer.h"

class IDocumentHost;
class ITextMeasurer;

// Index of a displayed line, a count of lines, and a byte offset into the file are all
// 64-bit: files over 4 GiB and over 2^31 lines are sizes like any other.
using LineIndex = std::int64_t;
using ByteOffset = std::uint64_t;

// The loaded log: the whole file in one buffer, cut into lines once per load, and the
// list of lines that pass the active filters (the displayed lines) with the widest one.
class CTrawlviewDoc {
public:
    // measurer may be null: widths are then byte counts of the display text, which is
    // what the headless export needs (a line is shown when its display text is not
    // empty).
    CTrawlviewDoc(IDocumentHost& host, const ITextMeasurer* measurer);
    CTrawlviewDoc(const CTrawlviewDoc&) = delete;
    CTrawlviewDoc& operator=(const CTrawlviewDoc&) = delete;

    void SetMeasurer(const ITextMeasurer* measurer) { m_pMeasurer = measurer; }

    // Empties the document, reads the whole file and rebuilds. Open failures are offered
    // to the host with Retry and Cancel. True when the file was loaded.
    bool LoadLogFile(const std::string& path);
    // Rebuilds the displayed lines from the loaded bytes and tells the host.
    void RebuildDisplay();
    void FilterLines();
    void DeleteContents();
    bool OnNewDocument();

    // The path of the last opened file (log or filter file); empty when none.
    const std::string& GetPathName() const { return m_strPathName; }
    void SetPathName(const std::string& path) { m_strPathName = path; }

    LineIndex GetLineCount() const { return m_nLineCount; }
    // Index of the widest displayed line (the first of equal widths); -1 when none.
    LineIndex GetWidestLine() const { return m_nWidestLine; }
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

    ByteOffset GetFileSize() const { return m_nFileSize; }

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

    // Following a growing log. What one look at the file found:
    enum class FollowResult {
        Unchanged,  // nothing new
        Appended,   // new bytes read and their lines added to the displayed lines
        Replaced,   // shorter, or another file under the name: it must be loaded again
        Missing,    // not there or not readable now; the lines on display stay
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
    // appends do not copy the records of the whole log (the load reserves them to the
    // exact count). Best effort: without the memory nothing changes.
    void ReserveAppendRoom();

    // What each line of a file of count lines costs beside its bytes: its record, its
    // layout code and its place in the displayed list, all reserved before the load
    // commits. 20 bytes below 2^32 lines, 24 above.
    static constexpr std::size_t BytesPerLine(std::uint64_t count) {
        return sizeof(LineSpan) + sizeof(std::uint32_t) +
               (count > 0xFFFFFFFFu ? sizeof(std::uint64_t) : sizeof(std::uint32_t));
    }

private:
    // The cutter of every load and append: both cut by the same rules.
    CLineCutter MakeCutter() const { return CLineCutter(m_cutter.LfEndsLine()); }
    // Cuts the bytes from the start of the last line to the end of the file (the last
    // line was cut at the old end and may have grown), selects and measures the new
    // lines. Returns the first displayed line that changed.
    LineIndex AppendLines();
    // Whether line k shows when no filter is active.
    bool ShowsUnfiltered(std::size_t k) const;
    // Counts the loaded bytes' lines and reserves room for everything kept per line, so
    // that cutting and every rebuild fit in it. False (and nothing held) when the memory
    // cannot be had.
    bool ReserveLines();
    void FreeLines();
    void CutLines();
    // k indexes m_lines.
    void LayOutLine(std::size_t k, DisplayLine& out) const;
    std::int64_t MeasureLine(std::size_t k) const;
    // Appends line k (displayLength bytes of display text) to the displayed lines and
    // measures it when it could be wider than maxWidth, the widest so far.
    void AddDisplayedLine(std::size_t k, std::size_t displayLength, std::int64_t maxAdvance, std::int64_t& maxWidth);
    // The widest a byte of a line can be drawn; 0 when unknown (every line is measured).
    std::int64_t MaxAdvance() const;
    std::string_view GetSpanText(std::size_t k) const {
        return {m_buffer.Data() + m_lines[k].start, static_cast<std::size_t>(m_lines[k].length)};
    }
    const LineSpan& Span(LineIndex i) const;

    IDocumentHost& m_host;
    const ITextMeasurer* m_pMeasurer;
    std::string m_strPathName;
    ByteOffset m_nFileSize = 0;
    LogBuffer m_buffer;
    // Cuts every load, and knows whether a lone LF ends a line.
    CLineCutter m_cutter;
    // Every non-empty line of the file, cut once per load.
    std::vector<LineSpan> m_lines;
    // How each line of m_lines shows, read once per load (see CLineSelector::LayoutCode).
    std::vector<std::uint32_t> m_layoutCodes;
    // The displayed lines, as indexes into m_lines, in file order.
    CLineIndexList m_lineStarts;
    LineIndex m_nLineCount = 0;
    LineIndex m_nWidestLine = -1;
    std::int64_t m_nWidestWidth = 0;
    // The timestamp column's cells in the measurer's font, as of the last rebuild.
    ColumnCells m_cells;
    // Reused by every measurement so that a rebuild allocates nothing per line.
    mutable DisplayLine m_scratchLine;
    // The pieces of m_nWidestLine, as the rebuild laid them out.
    DisplayLine m_widestPieces;
    // The file the last load read, to tell a rotated log from a grown one.
    CLogFile::Identity m_loadedFile;
    bool m_bLoadedFile = false;
    bool m_bLoadedPseudoFile = false;
    // Of m_lines[0, m_nCountedLines), how many show without filters while invalid
    // timestamps are excluded; counted on demand.
    mutable std::size_t m_nCountedLines = 0;
    mutable std::size_t m_nShownUnfiltered = 0;
};
