#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "CLineCutter.h"
#include "StringTable.h"

class LogBuffer;

// Cuts a loaded log into lines, and reads how each line shows, on a thread of its own,
// handing the lines over in pieces: the window shows the first ones while the rest are
// cut. The bytes are only read here; the document they belong to takes the pieces on its
// own thread (Take), so its line records have one writer.
class CLoadJob {
public:
    struct Piece {
        // The lines cut, by offset in the whole file, and their layout codes
        // (CLineSelector::LayoutCode; 0, not yet known, unless the job reads them).
        std::vector<LineSpan> lines;
        std::vector<std::uint32_t> codes;
        // How far the job has come, in units of total (bytes read plus bytes cut).
        std::uint64_t done = 0;
        std::uint64_t total = 0;
        // The file's bytes as read: less than asked for when a read came up short.
        std::uint64_t size = 0;
        // The job's last piece; failed when the read failed, for the reason failure names.
        bool last = false;
        bool failed = false;
        StringId failure = AFX_IDP_FAILED_TO_OPEN_DOC;
    };

    // Fills data[0, size) from the file when the bytes are not mapped (got: how many
    // came; progress(n) after each step, which is false when the job was stopped: the
    // reader then stops too) before they are cut; false with failure set when the file
    // cannot be read or the job was stopped.
    using Progress = std::function<bool(std::uint64_t)>;
    using Reader =
        std::function<bool(std::uint64_t& got, const Progress& progress, StringId& failure)>;

    // Cuts buffer's bytes [from, size) with cutter (which goes on from where an earlier
    // cut left it); reader, when given, first fills them. With readLayouts the job reads
    // each line's layout code too (worth it where every line's timestamp decides whether
    // it shows). onReady is called on the job's thread whenever a piece waits where none
    // did.
    CLoadJob(const LogBuffer& buffer, std::uint64_t from, std::uint64_t size, CLineCutter cutter,
             Reader reader, bool readLayouts, std::function<void()> onReady);
    CLoadJob(const CLoadJob&) = delete;
    CLoadJob& operator=(const CLoadJob&) = delete;
    ~CLoadJob();

    // Moves the waiting pieces to out, in order. Never waits.
    void Take(std::vector<Piece>& out);
    // Waits until a piece waits.
    void WaitForPiece();
    // Stops the job as soon as it can and waits for its thread.
    void Cancel();

    // Cuts lines from data[from, size) into piece until it holds maxLines lines or has
    // passed maxBytes bytes, and reads their layout codes when readLayouts (else leaves
    // them 0); data[size] must be a NUL followed by kScanPadding readable bytes. Returns
    // where the next piece starts (size when every byte is cut).
    static std::uint64_t CutPiece(CLineCutter& cutter, const char* data, std::uint64_t from,
                                  std::uint64_t size, std::size_t maxLines, std::uint64_t maxBytes,
                                  bool readLayouts, Piece& piece);

    // A piece of the job holds at most this many lines, or this many bytes' worth.
    static constexpr std::size_t kPieceLines = 65536;
    static constexpr std::uint64_t kPieceBytes = std::uint64_t{8} << 20;

private:
    void Run();
    // Queues piece, waiting while the queue is full; false when cancelled.
    bool Hand(Piece&& piece);

    const LogBuffer& m_buffer;
    std::uint64_t m_nFrom;
    std::uint64_t m_nSize;
    CLineCutter m_cutter;
    Reader m_reader;
    bool m_bReadLayouts;
    std::function<void()> m_onReady;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Piece> m_pieces;
    bool m_bCancelled = false;
    std::thread m_thread;
};
