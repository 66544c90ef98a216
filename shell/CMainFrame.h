#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "CFilterMatcher.h"
#include "CRecentFileList.h"
#include "FilterList.h"
#include "IDocumentHost.h"

class CFilterFileJob;
class CHelpWindow;
class CLinesPane;
class CLoadTiming;
class CLogFollower;
class CProgressStatusBar;
class CQtTextMeasurer;
class CStatusClock;
class CTrawlviewDoc;
class CTrawlviewView;
class IMessageBoxes;
class QAction;
class QMenu;
class QPushButton;
class QTimer;
class QToolBar;

// The program's one window: menus, shortcuts, the toolbar, the status bar with its
// progress bar and clock, and the log view. It owns what the document asks its host
// for: the active filters, the preference, the paths of the log and of the last filter
// file, and the progress relay.
//
// Each command is one QAction under its command number, made from its row of the
// command table (CommandTable.cpp): a command's handler and enable rule are operations
// of this class named in that row.
class CMainFrame : public QMainWindow, public IDocumentHost {
    Q_OBJECT

public:
    static constexpr int kRecentDisplayLength = 30;

    // boxes answers the window's questions and takes its reports; null for real message
    // boxes. A given one must outlive the window.
    explicit CMainFrame(IMessageBoxes* boxes = nullptr, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CTrawlviewDoc& GetDocument() const { return *m_pDoc; }
    CTrawlviewView& GetView() const { return *m_pView; }
    CProgressStatusBar& GetStatusBar() const { return *m_wndStatusBar; }
    CStatusClock& GetClock() const { return *m_pClock; }
    QToolBar& GetToolBar() const { return *m_wndToolBar; }
    CLinesPane& GetLinesPane() const { return *m_pLinesPane; }
    CLogFollower& GetFollower() const { return *m_pFollower; }
    IMessageBoxes& GetMessageBoxes() const { return *m_pBoxes; }
    QAction* GetAction(int id) const;
    // The recent-file entries as the File menu shows them, most recent first.
    const CRecentFileList& GetRecentFiles() const { return m_recentFiles; }
    QList<QAction*> GetRecentFileActions() const;

    const std::string& GetLogPath() const { return m_strLogPath; }
    void SetLogPath(const std::string& path) { m_strLogPath = path; }
    const std::string& GetFilterPath() const { return m_strFilterPath; }
    const FilterList& GetFilters() const { return m_activeFilters; }
    bool IsFiltersModified() const { return m_bFiltersModified; }
    bool IsFilteredUnsaved() const { return m_bFilteredUnsaved; }
    // The colours of the line codes G, Y and C.

    // IDocumentHost
    const ILineFilter* GetActiveFilters() override;
    bool GetExcludeInvalidDates() const override { return m_bExcludeInvalidDates; }
    void SetProgressRange(std::uint64_t range) override;
    void SetProgressPos(std::uint64_t pos) override;
    void EndProgress() override;
    bool AskRetry(const std::string& message) override;
    // Shows a failure in a message box (counted as busy, like AskRetry).
    void ReportFailure(const std::string& message);
    void LinesChanged() override;
    void LoadedLinesReady() override;
    void LoadedLinesArrived(std::int64_t firstNew) override;
    void LoadEnded(bool loaded) override;

    // Start-up: the stored preference, then the file named on the command line, which is
    // loaded as a log whatever its name.
    void SetExcludeInvalidDates(bool exclude) { m_bExcludeInvalidDates = exclude; }
    // "Treat a lone LF as a line end"; the document keeps it, as every cut of the log uses it.
    void SetLfLineEnds(bool lfEndsLine);
    bool GetLfLineEnds() const;
    void LoadCommandLineFile(const std::string& path);
    // The help page shown by the help commands; empty for the bundled help.
    void SetHelpFilePath(const QString& path) { m_strHelpFilePath = path; }

    // Whether a file opened through the open path is a filter file: its name ends in a
    // dot and one of FilterFileReader::kExtensions, in any case.
    static bool IsFilterFileName(const QString& path);
    // The open path of dropped files, recent-file entries and requests from a second
    // start: the path made absolute, a filter file read into the active filters, anything
    // else loaded as a log. The file on display is not opened again; the window only
    // comes to the front. True when the file was read.
    bool OpenDocumentFile(const QString& path);
    // A file handed over from outside (a later start, a drop): loaded as a log when
    // asLog, else through the open path. Served at once unless a modal box or dialog is
    // open; then it waits in a queue, served in order when the box has gone, so that
    // nothing loads under a question about the log on display. follow turns Follow on
    // once the file is open (not stored: for this run only).
    void RequestOpen(const QString& path, bool asLog, bool follow = false);
    // True while a modal box or dialog of this window is open.
    bool IsBusy() const;
    std::size_t GetPendingOpenCount() const { return m_pendingOpens.size(); }
    // Starts reading m_strFilterPath on a worker thread (see CFilterFileJob); a read still
    // running for an earlier file is cancelled. False when the file could not be opened
    // (nothing changed then). When the read ends, its filters replace the active ones and
    // the display is rebuilt, then applied runs; a file too large for memory is reported
    // and a cancelled read changes nothing. FilterFileRead follows either way.
    bool ReadFilterFile(std::function<void()> applied = {});
    bool IsReadingFilterFile() const { return m_pFilterJob != nullptr; }
    // The load has lines ready that wait for a modal dialog or box to go.
    bool AreLinesWaiting() const { return m_bLinesWaiting; }
    // Ends the filter file's read at its next step; the active filters stay.
    void CancelFilterFile();

    // Loads path as a log; a symbolic link loads (and is remembered as) its target.
    void OpenLogFile(const std::string& path);
    // The target of a symbolic link (all links resolved); any other path unchanged.
    static std::string LinkTarget(const std::string& path);
    // The name Save As offers: the log path less its last four characters (the ".log"),
    // "(filtered)", ".log". A path of fewer than four characters is kept whole.
    QString GetSuggestedSaveName() const;
    // Writes every displayed line as it stands in the file, each followed by CR LF,
    // whole or not at all; a failure is reported.
    bool SaveDisplayedLines(const QString& path);
    // The Filters dialog confirmed: its lists become the active filters.
    void ApplyFilters(FilterList filters);
    // The Preferences dialog confirmed: stored, and the display rebuilt (the log cut
    // again when the line ends changed).
    void ApplyPreferences(bool excludeInvalidDates, bool lfLineEnds);
    void ApplyPreferences(bool excludeInvalidDates) {
        ApplyPreferences(excludeInvalidDates, GetLfLineEnds());
    }

    // Enables, disables and checks every command by its row's rules. Runs after each
    // command and each change of the state the rules read.
    void UpdateCommandUI();
    void ShowHelp();
    CHelpWindow* GetHelpWindow() const { return m_pHelpWindow; }

    // Command handlers (see the command table).
    void OnFileOpen();
    void OnFileReload();
    void OnFileSaveLog();
    void OnFileOpenSuiteLog();
    void OnAppExit();
    void OnAppAbout();
    void OnFilePrint() { emit PrintRequested(); }
    void OnFilePrintPreview() { emit PrintPreviewRequested(); }
    void OnFilePrintSetup() { emit PrintSetupRequested(); }
    void OnViewToolbar();
    void OnViewStatusBar();
    // View > Follow: switched and stored.
    void OnViewFollow();
    void OnContextHelp();
    // The view's commands: the view does the work, the window reports a failed Copy.
    void OnEditCopy();
    void OnEditSelectAll();
    void OnEditFind();
    void OnEditFindNext();
    void OnEditFindPrevious();
    // A Find Next ended: what the view reports (nothing found, the search wrapped) shows
    // in the status bar with a beep; a plain hit clears it.
    void OnFindReported(const QString& message);
    void OnViewHighlightMatches();
    // View > Show All Lines: holds the active filters and shows every line, or lets them
    // act again. The selected lines stay selected as far as they are shown, and the
    // caret line (or the nearest shown line before it) is centred.
    void OnViewShowAllLines() { HoldFilters(!m_bFiltersHeld); }
    void HoldFilters(bool hold);
    // Displayed line `line` among all lines: the filters are held, the line becomes the
    // whole selection and is centred. What a double click on a line does while filters act.
    void ShowLineInContext(std::int64_t line);
    // View > Line Numbers: switched and stored.
    void OnViewLineNumbers();
    // View > Overview: switched and stored.
    void OnViewOverview();
    // Edit > Go To Line: asks for a line number of the log, then GoToLine.
    void OnEditGoToLine();
    // Selects and centres line `number` (1-based, among all lines of the log), or the
    // nearest displayed line after it when the filters hide it (before it when none
    // follows). Text that is no number of the log is reported with the range; false then.
    bool GoToLine(const QString& number);
    void OnEditFilters();
    // Every active filter goes at once, as after the Filters dialog confirmed empty lists.
    void OnEditClearFilters() { ApplyFilters({}); }
    void OnEditPreferences();
    void OnFileLoadFilters();
    void OnFileSaveFilters();
    void OnFileSaveFiltersAs();

    // Load Filters after its file dialog: the file is read as a filter file whatever its
    // name, as a dropped filter file is, and goes to the recent-file list when its name
    // makes it open as one again. The log and the window title stay. True when read.
    bool LoadFilterFile(const QString& path);
    // Save Filters after its file dialog: the active list in the format the filter-file
    // reader reads, written whole or not at all. On success the path becomes the filter
    // path and the filters count as saved; a filter that cannot be written and a failed
    // write are reported and change nothing.
    bool SaveFilterFile(const QString& path);

    // Enable and check rules (see the command table).
    bool HasLogPath() const { return !m_strLogPath.empty(); }
    bool HasDisplayedLines() const;
    bool CanSaveLog() const { return HasLogPath() && m_bFilteredUnsaved; }
    bool HasFilters() const { return !m_activeFilters.empty(); }
    bool CanSaveFilters() const { return HasFilters() && m_bFiltersModified; }
    bool CanCopy() const;
    bool IsToolBarShown() const;
    bool IsStatusBarShown() const;
    bool IsHighlightingMatches() const;
    bool IsFollowing() const { return m_bFollow; }
    // Grey without filters to hold, and while a load is still bringing lines in.
    bool CanShowAllLines() const;
    bool IsShowingAllLines() const { return m_bFiltersHeld; }
    bool IsShowingLineNumbers() const;
    bool IsShowingOverview() const;

    // Follow: lines appended to the log appear without a reload; a log that got shorter
    // or was replaced under its name is loaded again; a log that is gone leaves the
    // lines on display until it is back. Turning it on shows the end of the log.
    void SetFollow(bool follow);
    // One look at the followed log (the follower's Look).
    void OnFollowLook();
    // Bytes one look takes in at most, so that a flood of appended bytes never holds up
    // the window for long; the rest follows in the next looks.
    static constexpr std::uint64_t kFollowStepBytes = std::uint64_t{16} << 20;
    // How long the status bar says that a followed log was loaded again.
    static constexpr int kFollowMessageMs = 5000;
    // The lines pane's texts: lines on display, of how many, active filters.
    void UpdateLinesPane();

signals:
    // The About command belongs to the application object; so do the printing commands,
    // as the application keeps the printer and the printer font.
    void AboutRequested();
    void PrintRequested();
    void PrintPreviewRequested();
    void PrintSetupRequested();
    // A filter file's read has ended: applied, refused or cancelled.
    void FilterFileRead();
    // A load has ended: every line is in (loaded), or it failed or was given up.
    void LoadFinished(bool loaded);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void RebuildRecentFileMenu();
    void ServePendingOpens();
    // After a modal dialog or box: serves the queue and takes in the load's waiting lines
    // from the event loop, once what runs now has returned.
    void ResumeAfterModal();
    // Takes in the lines the load has ready, unless a modal dialog or box is open.
    void TakeLoadedLines();
    // Starts loading path as a log; its lines show as they come in.
    void LoadLog(const std::string& path);
    // A read of the log found the file shorter than when it was loaded: it is loaded again.
    void OnLogCutShort();
    // Shows message in the status bar once the running load has ended (at once if none runs).
    void SayWhenLoaded(const QString& message);
    // After a load or an open: the title and the recent-file list follow the document.
    void AfterOpen();
    void AddRecentFile(const QString& path);
    // Reads m_strFilterPath, set to path, into the active filters (ReadFilterFile);
    // reports a file that cannot be opened.
    bool OpenFilterFile(const std::string& path, std::function<void()> applied);
    void OnFilterFileJobFinished();
    void UpdateTitle();
    // A log has loaded (opened or reloaded): a followed log is watched and shown at its end.
    void FollowLoadedLog();

    std::string m_strLogPath;
    std::string m_strFilterPath;
    FilterList m_activeFilters;
    bool m_bFiltersModified = false;
    bool m_bExcludeInvalidDates = false;
    int m_nDatePane = 4;
    int m_nTimePane = 5;
    CProgressStatusBar* m_wndStatusBar = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    bool m_bFilteredUnsaved = false;
    bool m_bFollow = false;
    // Show All Lines: the active filters stay but are not applied. A change of the filters
    // or a reload ends it.
    bool m_bFiltersHeld = false;
    CLogFollower* m_pFollower = nullptr;
    CLinesPane* m_pLinesPane = nullptr;

    struct PendingOpen {
        QString path;
        bool asLog;
        bool follow;
    };
    std::deque<PendingOpen> m_pendingOpens;
    // Message boxes open now (through m_pBoxes, which need not be widgets).
    int m_nInBox = 0;
    // The load has lines ready that waited for a modal dialog or box to go.
    bool m_bLinesWaiting = false;
    // What the status bar says when the running load has ended.
    QString m_strLoadedMessage;
    std::unique_ptr<IMessageBoxes> m_pOwnBoxes;
    IMessageBoxes* m_pBoxes;
    // The active filters as prepared for the last rebuild or piece of a load, with the
    // preference they were prepared under.
    std::optional<CFilterMatcher> m_matcher;
    bool m_bMatcherExcludes = false;
    std::string m_strFilterError;
    // The read of a filter file in progress, and what follows when its filters are applied.
    CFilterFileJob* m_pFilterJob = nullptr;
    std::function<void()> m_afterFilterFile;
    // The filter path before that read, kept again when the read is refused or cancelled.
    std::string m_strFilterPathBefore;
    QPushButton* m_pCancelFilterButton = nullptr;
    std::unique_ptr<CQtTextMeasurer> m_pMeasurer;
    std::unique_ptr<CTrawlviewDoc> m_pDoc;
    CTrawlviewView* m_pView = nullptr;
    std::map<int, QAction*> m_actions;
    CRecentFileList m_recentFiles;
    QMenu* m_pFileMenu = nullptr;
    QAction* m_pRecentSeparator = nullptr;
    QList<QAction*> m_recentActions;
    CStatusClock* m_pClock = nullptr;
    QString m_strHelpFilePath;
    CHelpWindow* m_pHelpWindow = nullptr;
    // Only with TRAWLVIEW_TIMING=1: reports the first load's moments for the benchmarks.
    CLoadTiming* m_pLoadTiming = nullptr;
};
