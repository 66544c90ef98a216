#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "CLineCutter.h"
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

private:
    void CutLines();
    // k indexes m_lines.
    void LayOutLine(std::size_t k, DisplayLine& out) const;
    std::int64_t MeasureLine(std::size_t k) const;
    const LineSpan& Span(LineIndex i) const;

    IDocumentHost& m_host;
    const ITextMeasurer* m_pMeasurer;
    std::string m_strPathName;
    ByteOffset m_nFileSize = 0;
    LogBuffer m_buffer;
    // Every non-empty line of the file, cut once per load.
    std::vector<LineSpan> m_lines;
    // How each line of m_lines shows, read once per load (see CLineSelector::LayoutCode).
    std::vector<std::uint32_t> m_layoutCodes;
    // The displayed lines, as indexes into m_lines, in file order.
    std::vector<std::uint64_t> m_lineStarts;
    LineIndex m_nLineCount = 0;
    LineIndex m_nWidestLine = -1;
    std::int64_t m_nWidestWidth = 0;
    // The timestamp column's cells in the measurer's font, as of the last rebuild.
    ColumnCells m_cells;
    // Reused by every measurement so that a rebuild allocates nothing per line.
    mutable DisplayLine m_scratchLine;
    // The pieces of m_nWidestLine, as the rebuild laid them out.
    DisplayLine m_widestPieces;
};
