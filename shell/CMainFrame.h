#pragma once

#include <QColor>
#include <QMainWindow>
#include <QString>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "CFilterMatcher.h"
#include "CRecentFileList.h"
#include "IDocumentHost.h"
#include "LogFilter.h"

class CHelpWindow;
class CLoadTiming;
class CProgressStatusBar;
class CQtTextMeasurer;
class CTrawlviewDoc;
class CTrawlviewView;
class QAction;
class QMenu;
class QTimer;
class QToolBar;

// The program's one window: menus, shortcuts, the toolbar, the status bar with its
// progress bar and clock, and the log view. It owns what the document asks its host
// for: the active filters, the preference, the paths of the log and of the last filter
// file, and the progress relay.
//
// Each command is one QAction under its command number. Commands whose handler belongs
// to a later part of the program (print, copy, find, print setup) stay disabled until
// that handler exists.
class CMainFrame : public QMainWindow, public IDocumentHost {
    Q_OBJECT

public:
    static constexpr int kRecentDisplayLength = 30;

    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    CTrawlviewDoc& GetDocument() const { return *m_pDoc; }
    CTrawlviewView& GetView() const { return *m_pView; }
    CProgressStatusBar& GetStatusBar() const { return *m_wndStatusBar; }
    QToolBar& GetToolBar() const { return *m_wndToolBar; }
    QAction* GetAction(int id) const;
    // The recent-file entries as the File menu shows them, most recent first.
    const CRecentFileList& GetRecentFiles() const { return m_recentFiles; }
    QList<QAction*> GetRecentFileActions() const;

    const std::string& GetLogPath() const { return m_strLogPath; }
    const std::string& GetFilterPath() const { return m_strFilterPath; }
    const LogFilter* GetFilters() const { return m_pActiveFilters.get(); }
    bool IsFiltersModified() const { return m_bFiltersModified; }
    bool IsFilteredUnsaved() const { return m_bFilteredUnsaved; }
    // The colours of the line codes G, Y and C.
    const std::array<QColor, 3>& GetPalette() const { return m_palette; }

    // IDocumentHost
    const ILineFilter* GetActiveFilters() override;
    bool GetExcludeInvalidDates() const override { return m_bExcludeInvalidDates; }
    void SetLogPath(const std::string& path) override { m_strLogPath = path; }
    void SetFilterPath(const std::string& path) override { m_strFilterPath = path; }
    bool ReadFilterFile() override;
    void SetProgressRange(std::uint64_t range) override;
    void SetProgressPos(std::uint64_t pos) override;
    void EndProgress() override;
    bool AskRetry(const std::string& message) override;
    void LinesChanged() override;

    // A failure the user must hear of, in a message box with OK.
    virtual void ReportFailure(const std::string& message);

    // Start-up: the stored preference, then the file named on the command line, which is
    // loaded as a log whatever its name.
    void SetExcludeInvalidDates(bool exclude) { m_bExcludeInvalidDates = exclude; }
    void LoadCommandLineFile(const std::string& path);
    // The help page shown by the help commands; empty for the bundled help.
    void SetHelpFilePath(const QString& path) { m_strHelpFilePath = path; }

    // The open path of dropped files, recent-file entries and requests from a second
    // start: the path made absolute, a filter file (".lff", ".tarnix-logfilters", any
    // case) read into the active filters, anything else loaded as a log. The file on
    // display is not opened again; the window only comes to the front. True when the
    // file was read.
    bool OpenDocumentFile(const QString& path);

    // The commands behind their dialogs.
    void OpenLogFile(const std::string& path);
    void OnFileReload();
    void OnFileOpenSuiteLog();
    // The name Save As offers: the log path less its last four characters (the ".log"),
    // "(filtered)", ".log". A path of fewer than four characters is kept whole.
    QString GetSuggestedSaveName() const;
    // Writes every displayed line as it stands in the file, each followed by CR LF,
    // through a temporary file that replaces the target only when all was written.
    bool SaveDisplayedLines(const QString& path);
    // The Filters dialog confirmed: its lists become the active filters.
    void ApplyFilters(FilterList filters);
    // The Preferences dialog confirmed: stored, and the display rebuilt.
    void ApplyPreferences(bool excludeInvalidDates);

    // Enables, disables and checks the commands for the current state.
    void UpdateCommandUI();
    // Brings the Date, Time and lock-key panes up to date.
    void UpdateClock();
    void ShowHelp();
    CHelpWindow* GetHelpWindow() const { return m_pHelpWindow; }

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
    QAction* AddCommand(int id, const char* menuText, const QKeySequence& shortcut, const char* icon);
    void OnFileOpen();
    void OnFileSaveLog();
    void RebuildRecentFileMenu();
    // After a load or an open: the title and the recent-file list follow the document.
    void AfterOpen();
    void UpdateTitle();

    std::string m_strLogPath;
    std::string m_strFilterPath;
    FilterList m_pActiveFilters;
    bool m_bFiltersModified = false;
    std::array<QColor, 3> m_palette = {QColor(0, 153, 0), QColor(255, 153, 0), QColor(0, 204, 204)};
    bool m_bExcludeInvalidDates = false;
    int m_nDatePane = 4;
    int m_nTimePane = 5;
    CProgressStatusBar* m_wndStatusBar = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    bool m_bFilteredUnsaved = false;

    // The active filters prepared for the rebuild in progress; points into m_pActiveFilters.
    std::optional<CFilterMatcher> m_matcher;
    // Positions reach the progress bar shifted right so that the range fits 32 bits.
    int m_nProgressShift = 0;
    std::string m_strFilterError;
    std::unique_ptr<CQtTextMeasurer> m_pMeasurer;
    std::unique_ptr<CTrawlviewDoc> m_pDoc;
    CTrawlviewView* m_pView = nullptr;
    std::map<int, QAction*> m_actions;
    CRecentFileList m_recentFiles;
    QMenu* m_pFileMenu = nullptr;
    QAction* m_pRecentSeparator = nullptr;
    QList<QAction*> m_recentActions;
    QTimer* m_pClock = nullptr;
    QString m_strHelpFilePath;
    CHelpWindow* m_pHelpWindow = nullptr;
    // Only with TRAWLVIEW_TIMING=1: reports the first load's moments for the benchmarks.
    CLoadTiming* m_pLoadTiming = nullptr;
};
