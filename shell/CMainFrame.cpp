#include "CMainFrame.h"

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>
#include <QToolBar>
#include <QWhatsThis>
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <iostream>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "AppSettings.h"
#include "CFilterFileJob.h"
#include "CFiltersDlg.h"
#include "CFindDlg.h"
#include "CHelpWindow.h"
#include "CLineFileWriter.h"
#include "CLinesPane.h"
#include "CLoadTiming.h"
#include "CLogFollower.h"
#include "CMessageBoxes.h"
#include "COpenLogDlg.h"
#include "CPreferencesDlg.h"
#include "CProgressStatusBar.h"
#include "CQtTextMeasurer.h"
#include "CStatusClock.h"
#include "CSuiteRegistry.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "CommandTable.h"
#include "FilterFileBytes.h"
#include "FilterFileReader.h"
#include "LogTextCodec.h"
#include "ShellText.h"
#include "SigbusGuard.h"

namespace {

// Writes bytes as the whole content of path, the way displayed lines are saved.
bool WriteWholeFile(const QString& path, const std::string& bytes, std::string& cause) {
    CLineFileWriter out;
    out.SetRegularFilesOnly(true);
    if (out.Open(EncodePath(path)) && out.Append(bytes) && out.Commit()) return true;
    cause = out.FailureText();
    return false;
}

// The input that saving to target would write over (the same file, a link to it, another
// name for it), or null. Checked before anything is written.
const std::string* InputWrittenInto(const std::string& target,
                                    std::initializer_list<const std::string*> inputs) {
    for (const std::string* input : inputs) {
        if (CLineFileWriter::WritesInto(target, *input)) return input;
    }
    return nullptr;
}

// The file dialog's filter of filter files: "Log filter files (*.lff ...)".
QString FilterFileTypes() {
    std::string globs;
    for (const std::string_view extension : FilterFileReader::kExtensions) {
        globs.append(globs.empty() ? "*." : " *.").append(extension);
    }
    return QString::fromStdString(FormatString(IDS_FILTER_FILE_TYPES, globs));
}

}  // namespace

CMainFrame::CMainFrame(IMessageBoxes* boxes, QWidget* parent)
    : QMainWindow(parent),
      m_pOwnBoxes(boxes == nullptr ? std::make_unique<CMessageBoxes>(this) : nullptr),
      m_pBoxes(boxes == nullptr ? m_pOwnBoxes.get() : boxes),
      m_pMeasurer(std::make_unique<CQtTextMeasurer>()),
      m_recentFiles(kRecentFileCount, kRecentDisplayLength) {
    Q_INIT_RESOURCE(trawlview);
    setWindowIcon(QIcon(QStringLiteral(":/icons/trawlview.png")));
    m_pDoc = std::make_unique<CTrawlviewDoc>(*this, m_pMeasurer.get());
    m_pView = new CTrawlviewView(*m_pDoc, *m_pMeasurer, this);
    m_pView->setWhatsThis(QStringLiteral(
        "The lines of the log file that pass the active filters, each in the "
        "colour of its code letter. Click, Ctrl+click and Shift+click select lines."));
    setCentralWidget(m_pView);
    m_pView->SetFindDialogFactory([this](CTrawlviewView& owner) {
        auto* dialog = new CFindDlg(owner);
        // F3 and Shift+F3 work while the dialog has the focus as they do in the window.
        dialog->addActions({GetAction(ID_EDIT_FIND_NEXT), GetAction(ID_EDIT_FIND_PREVIOUS)});
        return dialog;
    });
    connect(m_pView, &CTrawlviewView::SelectionChanged, this, &CMainFrame::UpdateCommandUI);
    connect(m_pView, &CTrawlviewView::FindReported, this, &CMainFrame::OnFindReported);
    m_pView->SetLineNumbers(AppSettings::GetLineNumbers());
    m_pView->SetOverview(AppSettings::GetOverview());
    connect(m_pView, &CTrawlviewView::LineDoubleClicked, this, [this](LineIndex line) {
        if (HasFilters() && !m_bFiltersHeld && CanShowAllLines()) ShowLineInContext(line);
    });
    if (CLoadTiming::Requested())
        m_pLoadTiming = new CLoadTiming(m_pView->viewport(), std::cerr, this);

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    m_recentFiles.ReadList();
    RebuildRecentFileMenu();

    // A read of the mapped log that found the file shorter is told through a descriptor:
    // the read itself runs wherever the bytes were wanted, even inside a paint.
    if (const int notice = CutShortNoticeFd(); notice >= 0) {
        auto* notifier = new QSocketNotifier(notice, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, &CMainFrame::OnLogCutShort);
    }

    m_pView->OnInitialUpdate();
    m_pView->setFocus();
    UpdateTitle();
    UpdateCommandUI();
    resize(800, 560);
}

CMainFrame::~CMainFrame() {
    // A filter file still being read, and the load: their threads call this window and
    // end before anything of it goes.
    delete m_pFilterJob;
    m_pFilterJob = nullptr;
    m_pDoc->CancelLoad();
    // The view draws from the document and the measurer; it must go before they do.
    delete m_pView;
    m_pView = nullptr;
    m_matcher.reset();
}

QAction* CMainFrame::GetAction(int id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::CreateActions() {
    for (const CommandRow& row : CommandTable()) {
        auto* action = new QAction(QString::fromUtf8(row.menuText), this);
        if (row.shortcut != nullptr)
            action->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut)));
        if (row.icon != nullptr)
            action->setIcon(QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(row.icon))));
        // The prompt string, under the command's number: the status-bar text, then after
        // a line feed the tooltip.
        const QString prompt = LoadQString(static_cast<StringId>(row.id));
        const qsizetype feed = prompt.indexOf(QLatin1Char('\n'));
        action->setStatusTip(prompt.left(feed));
        action->setWhatsThis(prompt.left(feed));
        if (feed >= 0) action->setToolTip(prompt.mid(feed + 1));
        action->setCheckable(row.checked != nullptr);
        if (row.handler != nullptr) {
            connect(action, &QAction::triggered, this, [this, handler = row.handler] {
                (this->*handler)();
                UpdateCommandUI();
                // Requests that came while the command's dialogs were open.
                ResumeAfterModal();
            });
        }
        // A command without a menu entry still needs a place in the window for its key.
        if (row.menu == CommandMenu::None) addAction(action);
        m_actions[row.id] = action;
    }
}

void CMainFrame::CreateMenus() {
    const std::pair<CommandMenu, const char*> menus[] = {{CommandMenu::File, "&File"},
                                                         {CommandMenu::Edit, "&Edit"},
                                                         {CommandMenu::View, "&View"},
                                                         {CommandMenu::Help, "&Help"}};
    for (const auto& [which, title] : menus) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(title));
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
        int group = 0;
        for (const CommandRow& row : CommandTable()) {
            if (row.menu != which) continue;
            if (group != 0 && row.menuGroup != group) menu->addSeparator();
            // The recent files stand in a group of their own just before Exit.
            if (row.id == ID_APP_EXIT) m_pRecentSeparator = menu->addSeparator();
            group = row.menuGroup;
            menu->addAction(GetAction(row.id));
        }
        if (which == CommandMenu::File) m_pFileMenu = menu;
    }
}

void CMainFrame::CreateToolBar() {
    m_wndToolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_wndToolBar->setObjectName(QStringLiteral("toolbar"));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_wndToolBar->setIconSize(QSize(16, 16));
    std::vector<const CommandRow*> buttons;
    for (const CommandRow& row : CommandTable()) {
        if (row.toolbarSlot > 0) buttons.push_back(&row);
    }
    std::sort(buttons.begin(), buttons.end(), [](const CommandRow* a, const CommandRow* b) {
        return a->toolbarSlot < b->toolbarSlot;
    });
    int group = 0;
    for (const CommandRow* row : buttons) {
        if (group != 0 && row->toolbarGroup != group) m_wndToolBar->addSeparator();
        group = row->toolbarGroup;
        m_wndToolBar->addAction(GetAction(row->id));
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    connect(m_wndToolBar, &QToolBar::visibilityChanged, this, &CMainFrame::UpdateCommandUI);
}

void CMainFrame::CreateStatusBar() {
    m_wndStatusBar = new CProgressStatusBar(this);
    setStatusBar(m_wndStatusBar);
    std::vector<std::string> panes;
    for (const StringId id : {IDS_INDICATOR_CAPS, IDS_INDICATOR_NUM, IDS_INDICATOR_SCRL,
                              IDS_INDICATOR_DATE, IDS_INDICATOR_TIME}) {
        panes.emplace_back(LoadString(id));
    }
    m_wndStatusBar->SetIndicators(std::string(LoadString(AFX_IDS_IDLEMESSAGE)), panes);
    m_wndStatusBar->setWhatsThis(
        QStringLiteral("The status bar: what a command does, the progress of a load, "
                       "the lock keys, and the date and time."));
    m_pClock = new CStatusClock(*m_wndStatusBar, m_nDatePane, m_nTimePane);
    // Left of the indicators: the message pane stays the status bar's first widget.
    m_pLinesPane = new CLinesPane(m_wndStatusBar);
    m_pLinesPane->setWhatsThis(
        QStringLiteral("How many lines are on display and, while filters are active, of how "
                       "many. Double-click it to change the filters."));
    m_wndStatusBar->insertPermanentWidget(1, m_pLinesPane);
    connect(m_pLinesPane, &CLinesPane::DoubleClicked, this, [this] {
        OnEditFilters();
        UpdateCommandUI();
        ResumeAfterModal();
    });
    m_pFollower = new CLogFollower(this);
    connect(m_pFollower, &CLogFollower::Look, this, &CMainFrame::OnFollowLook);
}

void CMainFrame::UpdateCommandUI() {
    for (const CommandRow& row : CommandTable()) {
        QAction* action = GetAction(row.id);
        action->setEnabled(row.handler != nullptr &&
                           (row.enabled == nullptr || (this->*row.enabled)()));
        if (row.checked != nullptr) action->setChecked((this->*row.checked)());
    }
}

bool CMainFrame::CanCopy() const {
    return m_pView->CanCopy();
}
bool CMainFrame::HasDisplayedLines() const {
    return m_pView->HasLines();
}

void CMainFrame::OnEditCopy() {
    if (!m_pView->OnEditCopy()) ReportFailure(std::string(LoadString(IDS_COPY_FAILED)));
}
void CMainFrame::OnEditSelectAll() {
    m_pView->OnEditSelectAll();
}
void CMainFrame::OnEditFind() {
    m_pView->OnEditFind();
}
void CMainFrame::OnEditFindNext() {
    m_pView->OnFindAgain(true);
}
void CMainFrame::OnEditFindPrevious() {
    m_pView->OnFindAgain(false);
}
void CMainFrame::OnFindReported(const QString& message) {
    if (message.isEmpty()) {
        m_wndStatusBar->clearMessage();
        return;
    }
    m_wndStatusBar->showMessage(message);
    QApplication::beep();
}
void CMainFrame::OnViewHighlightMatches() {
    m_pView->SetHighlightMatches(!m_pView->GetHighlightMatches());
}
bool CMainFrame::IsHighlightingMatches() const {
    return m_pView->GetHighlightMatches();
}

bool CMainFrame::IsToolBarShown() const {
    return !m_wndToolBar->isHidden();
}
bool CMainFrame::IsStatusBarShown() const {
    return !m_wndStatusBar->isHidden();
}

void CMainFrame::OnViewToolbar() {
    m_wndToolBar->setVisible(m_wndToolBar->isHidden());
}
void CMainFrame::OnViewStatusBar() {
    m_wndStatusBar->setVisible(m_wndStatusBar->isHidden());
}
void CMainFrame::OnContextHelp() {
    QWhatsThis::enterWhatsThisMode();
}
void CMainFrame::OnAppExit() {
    close();
}
void CMainFrame::OnAppAbout() {
    emit AboutRequested();
}

QList<QAction*> CMainFrame::GetRecentFileActions() const {
    return m_recentActions;
}

void CMainFrame::RebuildRecentFileMenu() {
    for (QAction* action : m_recentActions) {
        m_pFileMenu->removeAction(action);
        delete action;
    }
    m_recentActions.clear();
    const QString prompt = LoadQString(IDS_PROMPT_FILE_MRU);
    if (m_recentFiles.GetCount() == 0) {
        auto* placeholder = new QAction(QStringLiteral("Recent File"), this);
        placeholder->setEnabled(false);
        m_recentActions.append(placeholder);
    }
    for (int i = 0; i < m_recentFiles.GetCount(); ++i) {
        QString shown = m_recentFiles.GetDisplayName(i);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* action = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown), this);
        action->setStatusTip(prompt);
        action->setData(m_recentFiles[i]);
        connect(action, &QAction::triggered, this, [this, action] {
            const QString path = action->data().toString();
            if (!OpenDocumentFile(path)) {
                // A file that no longer opens leaves the list, as nothing could be shown.
                const int index = static_cast<int>(m_recentFiles.GetFiles().indexOf(path));
                m_recentFiles.Remove(index);
                m_recentFiles.WriteList();
                RebuildRecentFileMenu();
            }
        });
        m_recentActions.append(action);
    }
    m_pFileMenu->insertActions(m_pRecentSeparator, m_recentActions);
}

void CMainFrame::UpdateTitle() {
    const std::string& path = m_pDoc->GetPathName();
    const QString name =
        path.empty() ? LoadQString(AFX_IDS_UNTITLED) : QFileInfo(DecodePath(path)).fileName();
    setWindowTitle(name + QStringLiteral(" - ") + LoadQString(IDR_MAINFRAME));
}

void CMainFrame::AfterOpen() {
    UpdateTitle();
    const std::string& path = m_pDoc->GetPathName();
    if (!path.empty()) AddRecentFile(DecodePath(path));
    UpdateCommandUI();
}

void CMainFrame::AddRecentFile(const QString& path) {
    m_recentFiles.Add(QFileInfo(path).absoluteFilePath());
    m_recentFiles.WriteList();
    RebuildRecentFileMenu();
}

const ILineFilter* CMainFrame::GetActiveFilters() {
    if (m_activeFilters.empty() || m_bFiltersHeld) return nullptr;
    // Prepared once per change of the filters or the preference: a load asks for every
    // piece of lines, and preparing a long list takes long.
    if (!m_matcher || m_bMatcherExcludes != m_bExcludeInvalidDates) {
        m_matcher.emplace(m_activeFilters, m_bExcludeInvalidDates);
        m_bMatcherExcludes = m_bExcludeInvalidDates;
    }
    return &*m_matcher;
}

bool CMainFrame::ReadFilterFile(std::function<void()> applied) {
    int fd = -1;
    if (FilterFileReader::Open(m_strFilterPath, fd, m_strFilterError) !=
        FilterFileReader::Result::Ok) {
        return false;
    }
    // The later file wins: its filters are the ones asked for last.
    delete m_pFilterJob;
    m_pFilterJob = new CFilterFileJob(fd, this);
    m_afterFilterFile = std::move(applied);
    m_strFilterPathBefore = m_strFilterPath;
    // Progress comes only from a file of a mebibyte or more: a small one shows nothing.
    connect(
        m_pFilterJob, &CFilterFileJob::Progress, this,
        [this](quint64 done, quint64 total) {
            m_wndStatusBar->RelayProgressRange(total);
            m_wndStatusBar->RelayProgressPos(done);
            m_pCancelFilterButton->show();
        },
        Qt::QueuedConnection);
    connect(m_pFilterJob, &CFilterFileJob::Finished, this, &CMainFrame::OnFilterFileJobFinished,
            Qt::QueuedConnection);
    if (m_pCancelFilterButton == nullptr) {
        m_pCancelFilterButton =
            new QPushButton(LoadQString(IDS_CANCEL_FILTER_FILE), m_wndStatusBar);
        connect(m_pCancelFilterButton, &QPushButton::clicked, this, &CMainFrame::CancelFilterFile);
        m_wndStatusBar->addWidget(m_pCancelFilterButton);
        m_pCancelFilterButton->hide();
    }
    m_pFilterJob->Start();
    return true;
}

void CMainFrame::CancelFilterFile() {
    if (m_pFilterJob != nullptr) m_pFilterJob->Cancel();
}

void CMainFrame::OnFilterFileJobFinished() {
    std::unique_ptr<CFilterFileJob> job(m_pFilterJob);
    m_pFilterJob = nullptr;
    m_pCancelFilterButton->hide();
    m_wndStatusBar->EndProgress();
    const std::function<void()> applied = std::move(m_afterFilterFile);
    m_afterFilterFile = nullptr;
    m_strFilterError = job->GetError();
    switch (const FilterFileReader::Result result = job->GetResult()) {
        case FilterFileReader::Result::Ok:
        case FilterFileReader::Result::ReadFailed:
            m_matcher.reset();
            m_bFiltersHeld = false;
            m_activeFilters = job->TakeFilters();
            m_pDoc->RebuildDisplay();
            UpdateCommandUI();
            if (result == FilterFileReader::Result::ReadFailed) {
                // The file opened but could not be read to its end: the filters are gone, and the
                // user is told rather than left with a display that silently shows everything.
                ReportFailure(FormatString(IDS_FILTER_FILE_FAILED, m_strFilterPath) + "\n" +
                              m_strFilterError);
            } else if (const std::string warning = FilterFileReader::Warning(m_activeFilters);
                       !warning.empty()) {
                // Records that fell back to 1970 to 2037 let every line through: not silently.
                ReportFailure(FormatString(IDS_FILTER_FILE_WARNING, m_strFilterPath) + "\n" +
                              warning);
            }
            if (applied) applied();
            break;
        case FilterFileReader::Result::NoMemory:
            // The filters stay, and so does the file Save Filters writes to.
            ReportFailure(FormatString(IDS_FILTER_FILE_NO_MEMORY, m_strFilterPath));
            m_strFilterPath = m_strFilterPathBefore;
            break;
        case FilterFileReader::Result::Cancelled:
        case FilterFileReader::Result::OpenFailed:
            m_wndStatusBar->showMessage(
                QString::fromStdString(FormatString(IDS_FILTER_FILE_CANCELLED, m_strFilterPath)));
            m_strFilterPath = m_strFilterPathBefore;
            break;
    }
    emit FilterFileRead();
}

void CMainFrame::SetProgressRange(std::uint64_t range) {
    m_wndStatusBar->RelayProgressRange(range);
}
void CMainFrame::SetProgressPos(std::uint64_t pos) {
    m_wndStatusBar->RelayProgressPos(pos);
}
void CMainFrame::EndProgress() {
    m_wndStatusBar->EndProgress();
}
bool CMainFrame::AskRetry(const std::string& message) {
    ++m_nInBox;
    const bool retry = m_pBoxes->AskRetry(message);
    --m_nInBox;
    ResumeAfterModal();
    return retry;
}

void CMainFrame::ReportFailure(const std::string& message) {
    ++m_nInBox;
    m_pBoxes->ReportFailure(message);
    --m_nInBox;
    ResumeAfterModal();
}

bool CMainFrame::IsBusy() const {
    return m_nInBox > 0 || QApplication::activeModalWidget() != nullptr;
}

void CMainFrame::RequestOpen(const QString& path, bool asLog, bool follow) {
    m_pendingOpens.push_back({path, asLog, follow});
    ServePendingOpens();
}

void CMainFrame::ServePendingOpens() {
    // What waits when a box opens again is served when that box has gone (the box's
    // closing asks for it).
    while (!m_pendingOpens.empty() && !IsBusy()) {
        const PendingOpen next = m_pendingOpens.front();
        m_pendingOpens.pop_front();
        // Follow first: the load that follows watches the file once its lines are in.
        if (next.follow) SetFollow(true);
        if (next.asLog) {
            OpenLogFile(EncodePath(QFileInfo(next.path).absoluteFilePath()));
        } else {
            OpenDocumentFile(next.path);
        }
    }
}

void CMainFrame::ResumeAfterModal() {
    if (!m_pendingOpens.empty()) QTimer::singleShot(0, this, &CMainFrame::ServePendingOpens);
    if (m_bLinesWaiting) QTimer::singleShot(0, this, &CMainFrame::TakeLoadedLines);
}

void CMainFrame::TakeLoadedLines() {
    // The lines do not change under a modal dialog or box (a print job reads them, a
    // question may be about them); they are taken in when it has gone.
    m_bLinesWaiting = IsBusy();
    if (!m_bLinesWaiting) m_pDoc->TakeLoadedLines();
}

void CMainFrame::LinesChanged() {
    if (m_pLoadTiming != nullptr && m_pDoc->IsLoading()) m_pLoadTiming->LinesShown();
    if (m_pView != nullptr) m_pView->OnUpdate();
    UpdateLinesPane();
    // The selection is gone and the number of lines changed: Copy, Select All and Find.
    UpdateCommandUI();
}

void CMainFrame::LoadedLinesReady() {
    // On the load's thread: the lines are taken in on the window's.
    QMetaObject::invokeMethod(this, &CMainFrame::TakeLoadedLines, Qt::QueuedConnection);
}

void CMainFrame::LoadedLinesArrived(std::int64_t firstNew) {
    m_pView->OnLinesArrived(firstNew);
    UpdateLinesPane();
    UpdateCommandUI();
}

void CMainFrame::LoadEnded(bool loaded) {
    if (m_pLoadTiming != nullptr && loaded) m_pLoadTiming->LoadEnded(m_pDoc->GetLineCount());
    if (loaded) FollowLoadedLog();
    if (!m_strLoadedMessage.isEmpty())
        m_wndStatusBar->showMessage(m_strLoadedMessage, kFollowMessageMs);
    m_strLoadedMessage.clear();
    UpdateCommandUI();
    emit LoadFinished(loaded);
}

void CMainFrame::OnLogCutShort() {
    char drained[64];
    while (read(CutShortNoticeFd(), drained, sizeof drained) > 0) {
    }
    if (!m_pDoc->IsCutShort() || m_strLogPath.empty()) return;
    LoadLog(m_strLogPath);
    AfterOpen();
    SayWhenLoaded(LoadQString(IDS_FOLLOW_RELOADED));
}

void CMainFrame::SayWhenLoaded(const QString& message) {
    // The end of a load clears the status bar's message with its progress bar.
    if (m_pDoc->IsLoading()) {
        m_strLoadedMessage = message;
    } else {
        m_wndStatusBar->showMessage(message, kFollowMessageMs);
    }
}

void CMainFrame::UpdateLinesPane() {
    if (m_pLinesPane == nullptr) return;
    const int filters = static_cast<int>(m_activeFilters.size());
    // Of all the log's lines: the preference for invalid timestamps hides lines as a
    // filter does.
    m_pLinesPane->SetCounts(m_pDoc->GetLineCount(), m_pDoc->GetCutLineCount(), filters,
                            m_bFiltersHeld);
}

void CMainFrame::OnViewLineNumbers() {
    m_pView->SetLineNumbers(!m_pView->GetLineNumbers());
    AppSettings::SetLineNumbers(m_pView->GetLineNumbers());
}

bool CMainFrame::IsShowingLineNumbers() const {
    return m_pView->GetLineNumbers();
}

void CMainFrame::OnViewOverview() {
    m_pView->SetOverview(!m_pView->GetOverview());
    AppSettings::SetOverview(m_pView->GetOverview());
}

bool CMainFrame::IsShowingOverview() const {
    return m_pView->GetOverview();
}

void CMainFrame::OnEditGoToLine() {
    QInputDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Go To Line"));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(LoadQString(IDS_GO_TO_LINE_LABEL).arg(m_pDoc->GetCutLineCount()));
    if (dialog.exec() != QDialog::Accepted) return;
    GoToLine(dialog.textValue());
}

bool CMainFrame::GoToLine(const QString& number) {
    const LineIndex total = m_pDoc->GetCutLineCount();
    bool ok = false;
    const qlonglong n = number.trimmed().toLongLong(&ok);
    if (!ok || n < 1 || n > total) {
        ReportFailure(
            LoadQString(IDS_GO_TO_LINE_RANGE).arg(number.trimmed()).arg(total).toStdString());
        return false;
    }
    const LineIndex shown = m_pDoc->GetLineCount();
    if (shown == 0) return false;
    const LineIndex line = std::min(m_pDoc->FindDisplayedLine(CutLineIndex(n - 1)), shown - 1);
    m_pView->ChangeSelection([line](CLineSelection& selection) { selection.SelectOnly(line); });
    m_pView->CentreOnLine(line);
    m_pView->viewport()->update();
    UpdateCommandUI();
    return true;
}

bool CMainFrame::CanShowAllLines() const {
    return (HasFilters() || m_bFiltersHeld) && !m_pDoc->IsLoading() &&
           m_pDoc->GetCutLineCount() > 0;
}

void CMainFrame::HoldFilters(bool hold) {
    if (hold == m_bFiltersHeld || !CanShowAllLines()) return;
    // The selection is kept as places among the cut lines, which both displays share.
    const CLineSelection& before = m_pView->GetSelection();
    std::vector<CutLineIndex> selected;
    before.ForEachSelected([&](LineIndex i) { selected.push_back(m_pDoc->GetCutLine(i)); });
    const LineIndex count = m_pDoc->GetLineCount();
    const LineIndex caretLine = before.GetCaret();
    const CutLineIndex caret =
        caretLine >= 0 && caretLine < count ? m_pDoc->GetCutLine(caretLine) : CutLineIndex(0);
    std::optional<CutLineIndex> anchorCut;
    if (const auto anchor = before.GetAnchor()) anchorCut = m_pDoc->GetCutLine(*anchor);

    m_bFiltersHeld = hold;
    m_pDoc->RebuildDisplay();

    const LineIndex shown = m_pDoc->GetLineCount();
    m_pView->ChangeSelection([&](CLineSelection& selection) {
        std::optional<LineIndex> firstSelected;
        std::optional<LineIndex> newAnchor;
        LineIndex at = 0;
        for (const CutLineIndex cut : selected) {
            at = m_pDoc->FindDisplayedLine(cut, at);
            if (at >= shown) break;
            if (m_pDoc->GetCutLine(at) != cut) continue;
            selection.SetRange(at, at, true);
            if (!firstSelected) firstSelected = at;
            if (cut == anchorCut) newAnchor = at;
        }
        selection.SetAnchor(newAnchor ? newAnchor : firstSelected);
        if (shown == 0) return;
        // The caret line, or the nearest shown line before it (the first when none is).
        LineIndex line = m_pDoc->FindDisplayedLine(caret);
        if (line >= shown || m_pDoc->GetCutLine(line) != caret)
            line = std::max<LineIndex>(line - 1, 0);
        selection.SetCaret(line);
    });
    if (shown > 0) m_pView->CentreOnLine(m_pView->GetSelection().GetCaret());
    UpdateLinesPane();
    UpdateCommandUI();
}

void CMainFrame::ShowLineInContext(std::int64_t line) {
    m_pView->ChangeSelection([line](CLineSelection& selection) { selection.SelectOnly(line); });
    HoldFilters(true);
}

void CMainFrame::OnViewFollow() {
    SetFollow(!m_bFollow);
    AppSettings::SetFollow(m_bFollow);
}

void CMainFrame::SetFollow(bool follow) {
    m_bFollow = follow;
    if (!follow) {
        m_pFollower->Stop();
    } else {
        FollowLoadedLog();
        OnFollowLook();
    }
    UpdateCommandUI();
}

void CMainFrame::FollowLoadedLog() {
    if (!m_bFollow) return;
    if (m_strLogPath.empty()) {
        m_pFollower->Stop();
        return;
    }
    m_pFollower->Start(DecodePath(m_strLogPath));
    m_pDoc->ReserveAppendRoom();
    m_pView->ScrollToEnd();
}

void CMainFrame::OnFollowLook() {
    if (!m_bFollow || m_strLogPath.empty()) return;
    // Nothing changes under an open dialog (the filter list, a print job); the first look
    // after it takes in everything that came meanwhile. A load in progress ends at the
    // size it saw at its start; the looks take over from there when it has ended.
    if (QApplication::activeModalWidget() != nullptr || m_pDoc->IsLoading()) return;
    CTrawlviewDoc::FollowStep step;
    try {
        step = m_pDoc->ReadAppended(m_strLogPath, kFollowStepBytes);
    } catch (const std::bad_alloc&) {
        // Half-taken lines cannot be shown: the document is emptied, as after a load that
        // ran out of memory, and Follow stops.
        m_pDoc->OnNewDocument();
        m_pDoc->RebuildDisplay();
        SetFollow(false);
        ReportFailure(FormatString(AFX_IDP_FILE_NO_MEMORY, m_strLogPath));
        return;
    }
    switch (step.result) {
        case CTrawlviewDoc::FollowResult::Appended:
            m_pView->OnLinesAppended(step.firstChanged, step.bufferMoved);
            UpdateLinesPane();
            UpdateCommandUI();
            if (step.more) m_pFollower->LookSoon();
            break;
        case CTrawlviewDoc::FollowResult::Replaced:
            LoadLog(m_strLogPath);
            AfterOpen();
            SayWhenLoaded(LoadQString(IDS_FOLLOW_RELOADED));
            break;
        case CTrawlviewDoc::FollowResult::NoMemory:
            // One message, and no more looks that would each fail the same way.
            m_pView->OnLinesAppended(step.firstChanged, step.bufferMoved);
            UpdateLinesPane();
            SetFollow(false);
            ReportFailure(FormatString(IDS_FOLLOW_NO_MEMORY, m_strLogPath));
            break;
        case CTrawlviewDoc::FollowResult::Missing:
        case CTrawlviewDoc::FollowResult::Unchanged:
            // A file that comes back under the name is another one: the look that finds
            // it reloads, and the reload watches it.
            break;
    }
}

void CMainFrame::LoadCommandLineFile(const std::string& path) {
    LoadLog(LinkTarget(path));
    AfterOpen();
}

void CMainFrame::LoadLog(const std::string& path) {
    m_strLoadedMessage.clear();
    // The title names the file while its lines come in; AfterOpen settles it.
    if (!path.empty()) {
        setWindowTitle(QFileInfo(DecodePath(path)).fileName() + QStringLiteral(" - ") +
                       LoadQString(IDR_MAINFRAME));
    }
    m_pFollower->Stop();
    m_bFiltersHeld = false;
    try {
        m_pDoc->StartLoad(path);
    } catch (const std::bad_alloc&) {
        // Everything that grows with the file is checked before it is allocated; this
        // is the last guard, for memory taken by others meanwhile.
        m_pDoc->OnNewDocument();
        m_pDoc->RebuildDisplay();
        ReportFailure(FormatString(AFX_IDP_FILE_NO_MEMORY, path));
    }
}

bool CMainFrame::IsFilterFileName(const QString& path) {
    for (const std::string_view extension : FilterFileReader::kExtensions) {
        if (path.endsWith(QLatin1Char('.') + QLatin1String(extension), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool CMainFrame::OpenDocumentFile(const QString& path) {
    const QString full = DecodePath(LinkTarget(EncodePath(QFileInfo(path).absoluteFilePath())));
    const std::string& current = m_pDoc->GetPathName();
    if (!current.empty() && QFileInfo(DecodePath(current)).absoluteFilePath() == full) {
        raise();
        activateWindow();
        return true;
    }
    const std::string bytes = EncodePath(full);
    if (IsFilterFileName(full)) {
        // The loaded log stays, and with it the document's name: the title goes on naming
        // the log on display. The filter file goes to the recent-file list once read.
        return OpenFilterFile(bytes, [this, full] {
            AddRecentFile(full);
            UpdateCommandUI();
        });
    }
    m_strLogPath = bytes;
    LoadLog(bytes);
    AfterOpen();
    // A log that failed to load has been reported by the document already.
    return m_pDoc->GetPathName() == bytes;
}

bool CMainFrame::OpenFilterFile(const std::string& path, std::function<void()> applied) {
    // A file that could not be read must not become the target of Save Filters.
    std::string previous = std::exchange(m_strFilterPath, path);
    if (ReadFilterFile(std::move(applied))) {
        m_strFilterPathBefore = std::move(previous);
        return true;
    }
    m_strFilterPath = std::move(previous);
    ReportFailure(FormatString(IDS_FILTER_FILE_FAILED, path) + "\n" + m_strFilterError);
    return false;
}

void CMainFrame::OnFileOpen() {
    // The log on display is thrown away only for a file that exists.
    COpenLogDlg dialog(this, m_strLogPath.empty() ? QString() : DecodePath(m_strLogPath),
                       LoadQString(IDS_DEFAULT_LOG_NAME));
    dialog.setNameFilters({LoadQString(IDS_LOG_FILE_FILTER), LoadQString(IDS_ALL_FILES_FILTER)});
    if (dialog.exec() != QDialog::Accepted || dialog.GetChosenFile().isEmpty()) return;
    OpenLogFile(EncodePath(dialog.GetChosenFile()));
}

std::string CMainFrame::LinkTarget(const std::string& path) {
    // A symbolic link stands for its target: the title, the recent-file list and the
    // test for the file on display all see the file itself.
    const QFileInfo info(DecodePath(path));
    if (!info.isSymLink()) return path;
    const QString target = info.canonicalFilePath();
    return target.isEmpty() ? path : EncodePath(target);
}

void CMainFrame::OpenLogFile(const std::string& path) {
    const std::string target = LinkTarget(path);
    m_strLogPath = target;
    LoadLog(target);
    AfterOpen();
}

void CMainFrame::OnFileReload() {
    LoadLog(m_strLogPath);
    AfterOpen();
}

void CMainFrame::OnFileOpenSuiteLog() {
    const QString configured =
        CSuiteRegistry(QStringLiteral("Settings")).GetString(QStringLiteral("LogFile"), {});
    if (configured.isEmpty()) {
        // Loading the empty path would only say "Could not find the file ." and empty the
        // window; the log on display stays and the user learns what is missing.
        ReportFailure(std::string(LoadString(IDS_NO_SUITE_LOG)));
        return;
    }
    m_strLogPath = LinkTarget(EncodePath(configured));
    OnFileReload();
}

QString CMainFrame::GetSuggestedSaveName() const {
    const QString path = DecodePath(m_strLogPath);
    const QString base = path.size() >= 4 ? path.left(path.size() - 4) : path;
    return base + LoadQString(IDS_FILTERED_SUFFIX) + QStringLiteral(".log");
}

void CMainFrame::OnFileSaveLog() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(LoadQString(IDS_LOG_FILE_FILTER));
    dialog.setDefaultSuffix(QStringLiteral("log"));
    dialog.selectFile(GetSuggestedSaveName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    SaveDisplayedLines(dialog.selectedFiles().constFirst());
}

bool CMainFrame::SaveDisplayedLines(const QString& path) {
    const std::string target = EncodePath(path);
    if (const std::string* input = InputWrittenInto(target, {&m_strLogPath, &m_strFilterPath})) {
        ReportFailure(FormatString(IDS_SAVE_FAILED, target) + "\n" +
                      FormatString(IDS_SAVE_OVER_INPUT, *input));
        return false;
    }
    CLineFileWriter out;
    // The window must not wait for a pipe's reader, nor write where a load would refuse.
    out.SetRegularFilesOnly(true);
    bool ok = out.Open(target);
    const LineIndex count = m_pDoc->GetLineCount();
    for (LineIndex i = 0; i < count && ok; ++i) ok = out.AppendLine(m_pDoc->GetLine(i));
    ok = ok && out.Commit();
    if (!ok) {
        ReportFailure(FormatString(IDS_SAVE_FAILED, target) + "\n" + out.FailureText());
        return false;
    }
    m_bFilteredUnsaved = false;
    UpdateCommandUI();
    return true;
}

void CMainFrame::ApplyFilters(FilterList filters) {
    m_matcher.reset();
    m_bFiltersHeld = false;
    m_activeFilters = std::move(filters);
    m_bFiltersModified = true;
    m_bFilteredUnsaved = true;
    m_pDoc->RebuildDisplay();
    UpdateCommandUI();
}

void CMainFrame::SetLfLineEnds(bool lfEndsLine) {
    m_pDoc->SetLfLineEnds(lfEndsLine);
}
bool CMainFrame::GetLfLineEnds() const {
    return m_pDoc->GetLfLineEnds();
}

void CMainFrame::ApplyPreferences(bool excludeInvalidDates, bool lfLineEnds) {
    m_bExcludeInvalidDates = excludeInvalidDates;
    AppSettings::SetExcludeInvalidDate(excludeInvalidDates);
    AppSettings::SetLfLineEnds(lfLineEnds);
    // Other line ends cut the log again, which rebuilds; otherwise the rebuild is ours.
    if (!m_pDoc->SetLfLineEnds(lfLineEnds)) m_pDoc->RebuildDisplay();
}

void CMainFrame::OnEditFilters() {
    CFiltersDlg dlg(m_activeFilters, this);
    if (dlg.exec() != QDialog::Accepted) return;
    ApplyFilters(dlg.GetFilters());
}

void CMainFrame::OnEditPreferences() {
    CPreferencesDlg dlg(this);
    dlg.m_bExcludeInvalid = m_bExcludeInvalidDates ? 1 : 0;
    dlg.m_bLfLineEnds = GetLfLineEnds() ? 1 : 0;
    if (dlg.exec() != QDialog::Accepted) return;
    ApplyPreferences(dlg.m_bExcludeInvalid != 0, dlg.m_bLfLineEnds != 0);
}

void CMainFrame::OnFileLoadFilters() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(FilterFileTypes());
    if (!m_strFilterPath.empty()) dialog.selectFile(DecodePath(m_strFilterPath));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    LoadFilterFile(dialog.selectedFiles().constFirst());
}

bool CMainFrame::LoadFilterFile(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    return OpenFilterFile(EncodePath(full), [this, full] {
        // Any other name would open as a log from the recent-file list.
        if (IsFilterFileName(full)) AddRecentFile(full);
        // What the file gave is plain to see even when it was no filter file at all.
        m_wndStatusBar->showMessage(QString::fromStdString(
            FormatString(IDS_FILTERS_LOADED, std::to_string(m_activeFilters.size()))));
    });
}

void CMainFrame::OnFileSaveFilters() {
    if (m_strFilterPath.empty()) {
        OnFileSaveFiltersAs();
        return;
    }
    SaveFilterFile(DecodePath(m_strFilterPath));
}

void CMainFrame::OnFileSaveFiltersAs() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(FilterFileTypes());
    dialog.setDefaultSuffix(QLatin1String(FilterFileReader::kExtensions[0]));
    if (!m_strFilterPath.empty()) dialog.selectFile(DecodePath(m_strFilterPath));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    SaveFilterFile(dialog.selectedFiles().constFirst());
}

bool CMainFrame::SaveFilterFile(const QString& path) {
    std::string bytes;
    if (const LogFilter* refused = MakeFilterFileBytes(m_activeFilters, bytes)) {
        // The filter is named by its text up to the line break, shortened to fit a message.
        constexpr qsizetype kShown = 60;
        const std::string_view text = refused->text;
        const QString line =
            DecodeLogText(text.substr(0, std::min(text.find_first_of("\r\n"), text.size())));
        const QString name =
            line.size() > kShown ? line.left(kShown) + QStringLiteral("...") : line;
        ReportFailure(FormatString(IDS_FILTER_NOT_SAVABLE, name.toStdString()));
        return false;
    }
    if (const std::string* log = InputWrittenInto(EncodePath(path), {&m_strLogPath})) {
        ReportFailure(FormatString(IDS_SAVE_FAILED, EncodePath(path)) + "\n" +
                      FormatString(IDS_SAVE_OVER_INPUT, *log));
        return false;
    }
    std::string cause;
    if (!WriteWholeFile(path, bytes, cause)) {
        ReportFailure(FormatString(IDS_SAVE_FAILED, EncodePath(path)) + "\n" + cause);
        return false;
    }
    m_strFilterPath = EncodePath(QFileInfo(path).absoluteFilePath());
    m_bFiltersModified = false;
    UpdateCommandUI();
    return true;
}

void CMainFrame::ShowHelp() {
    if (m_pHelpWindow == nullptr) m_pHelpWindow = new CHelpWindow(this);
    m_pHelpWindow->ShowPage(m_strHelpFilePath);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    activateWindow();
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) RequestOpen(url.toLocalFile(), false);
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // A load in progress is given up at once.
    m_pDoc->CancelLoad();
    // The help window is a window of its own; it must not keep the program running.
    if (m_pHelpWindow != nullptr) m_pHelpWindow->close();
    QMainWindow::closeEvent(event);
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::EnterWhatsThisMode) {
        m_wndStatusBar->showMessage(LoadQString(AFX_IDS_HELPMODEMESSAGE));
    } else if (event->type() == QEvent::LeaveWhatsThisMode) {
        m_wndStatusBar->clearMessage();
    }
    return QMainWindow::event(event);
}
