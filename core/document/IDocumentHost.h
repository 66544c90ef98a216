#pragma once

#include <cstdint>
#include <string>

class ILineFilter;

// What the document needs from the window that owns it: the active filters and the
// preference, where the path of a log being loaded goes, the progress relay, the
// question after a failed open, and the notice that the displayed lines changed.
class IDocumentHost {
public:
    virtual ~IDocumentHost() = default;
    // The active filters prepared for one rebuild, or null when there are none. The
    // pointer stays valid until the rebuild ends.
    virtual const ILineFilter* GetActiveFilters() = 0;
    // "Exclude lines with invalid timestamps".
    virtual bool GetExcludeInvalidDates() const = 0;
    // The log at path is open and about to be read: it is the log on display now.
    virtual void SetLogPath(const std::string& path) = 0;
    // Called on the load's own thread when lines wait to be taken in: the host has the
    // document's TakeLoadedLines called on the document's thread soon. Must be safe to
    // call from any thread.
    virtual void LoadedLinesReady() {}
    // Lines of the running load were added at the end of the displayed lines, from
    // firstNew on; the lines before it are untouched.
    virtual void LoadedLinesArrived(std::int64_t firstNew) { (void)firstNew; }
    // The load has ended: every line is in (loaded), or it failed or was given up.
    virtual void LoadEnded(bool loaded) { (void)loaded; }
    // Progress of a rebuild in bytes of the file, and of a load as its lines come in.
    virtual void SetProgressRange(std::uint64_t range) = 0;
    virtual void SetProgressPos(std::uint64_t pos) = 0;
    virtual void EndProgress() = 0;
    // Shows the message with Retry and Cancel; true for Retry.
    virtual bool AskRetry(const std::string& message) = 0;
    // The displayed lines were rebuilt.
    virtual void LinesChanged() = 0;
};
