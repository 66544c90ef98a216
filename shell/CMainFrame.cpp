#include "CMainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QToolBar>
#include <QWhatsThis>
#include <algorithm>
#include <cstring>
#include <iostream>
#include <vector>

#include "AppSettings.h"
#include "CFiltersDlg.h"
#include "CFindDlg.h"
#include "CHelpWindow.h"
#include "CLineFileWriter.h"
#include "CLoadTiming.h"
#include "CMessageBoxes.h"
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

namespace {

// Writes bytes as the whole content of path, the way displayed lines are saved.
bool WriteWholeFile(const QString& path, const std::string& bytes, std::string& cause) {
    CLineFileWriter out;
    if (out.Open(EncodePath(path)) && out.Append(bytes) && out.Commit()) return true;
    cause = std::strerror(out.Error());
    return false;
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
    m_pView->setWhatsThis(QStringLiteral("The lines of the log file that pass the active filters, each in the "
                                         "colour of its code letter. Click, Ctrl+click and Shift+click select lines."));
    setCentralWidget(m_pView);
    m_pView->SetFindDialogFactory([](CTrawlviewView& owner) { return new CFindDlg(owner); });
    connect(m_pView, &CTrawlviewView::SelectionChanged, this, &CMainFrame::UpdateCommandUI);
    if (CLoadTiming::Requested()) m_pLoadTiming = new CLoadTiming(m_pView->viewport(), std::cerr, this);

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    m_recentFiles.ReadList();
    RebuildRecentFileMenu();

    m_pView->OnInitialUpdate();
    m_pView->setFocus();
    UpdateTitle();
    UpdateCommandUI();
    resize(800, 560);
}

CMainFrame::~CMainFrame() {
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
        if (row.shortcut != nullptr) action->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut)));
        if (row.icon != nullptr) action->setIcon(QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(row.icon))));
        // The prompt string: the status-bar text, then after a line feed the tooltip.
        const QString prompt = LoadQString(row.prompt);
        const qsizetype feed = prompt.indexOf(QLatin1Char('\n'));
        action->setStatusTip(prompt.left(feed));
        action->setWhatsThis(prompt.left(feed));
        if (feed >= 0) action->setToolTip(prompt.mid(feed + 1));
        action->setCheckable(row.checked != nullptr);
        if (row.handler != nullptr) {
            connect(action, &QAction::triggered, this, [this, handler = row.handler] {
                (this->*handler)();
                UpdateCommandUI();
            });
        }
        // A command without a menu entry still needs a place in the window for its key.
        if (row.menu == CommandMenu::None) addAction(action);
        m_actions[row.id] = action;
    }
}

void CMainFrame::CreateMenus() {
    const std::pair<CommandMenu, const char*> menus[] = {
        {CommandMenu::File, "&File"}, {CommandMenu::Edit, "&Edit"}, {CommandMenu::View, "&View"}, {CommandMenu::Help, "&Help"}};
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
    for (const StringId id : {IDS_INDICATOR_CAPS, IDS_INDICATOR_NUM, IDS_INDICATOR_SCRL, IDS_INDICATOR_DATE,
                              IDS_INDICATOR_TIME}) {
        panes.emplace_back(LoadString(id));
    }
    m_wndStatusBar->SetIndicators(std::string(LoadString(AFX_IDS_IDLEMESSAGE)), panes);
    m_wndStatusBar->setWhatsThis(QStringLiteral("The status bar: what a command does, the progress of a load, "
                                                "the lock keys, and the date and time."));
    m_pClock = new CStatusClock(*m_wndStatusBar, m_nDatePane, m_nTimePane);
}

void CMainFrame::UpdateCommandUI() {
    for (const CommandRow& row : CommandTable()) {
        QAction* action = GetAction(row.id);
        action->setEnabled(row.handler != nullptr && (row.enabled == nullptr || (this->*row.enabled)()));
        if (row.checked != nullptr) action->setChecked((this->*row.checked)());
    }
}

bool CMainFrame::CanCopy() const { return m_pView->CanCopy(); }
bool CMainFrame::HasDisplayedLines() const { return m_pView->HasLines(); }

void CMainFrame::OnEditCopy() {
    if (!m_pView->OnEditCopy()) m_pBoxes->ReportFailure(std::string(LoadString(IDS_COPY_FAILED)));
}
void CMainFrame::OnEditSelectAll() { m_pView->OnEditSelectAll(); }
void CMainFrame::OnEditFind() { m_pView->OnEditFind(); }

bool CMainFrame::IsToolBarShown() const { return !m_wndToolBar->isHidden(); }
bool CMainFrame::IsStatusBarShown() const { return !m_wndStatusBar->isHidden(); }

void CMainFrame::OnViewToolbar() { m_wndToolBar->setVisible(m_wndToolBar->isHidden()); }
void CMainFrame::OnViewStatusBar() { m_wndStatusBar->setVisible(m_wndStatusBar->isHidden()); }
void CMainFrame::OnContextHelp() { QWhatsThis::enterWhatsThisMode(); }
void CMainFrame::OnAppExit() { close(); }
void CMainFrame::OnAppAbout() { emit AboutRequested(); }


QList<QAction*> CMainFrame::GetRecentFileActions() const { return m_recentActions; }

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
    const QString name = path.empty() ? LoadQString(AFX_IDS_UNTITLED) : QFileInfo(DecodePath(path)).fileName();
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
    if (!m_pActiveFilters) return nullptr;
    m_matcher.emplace(m_pActiveFilters.get(), m_bExcludeInvalidDates);
    return &*m_matcher;
}

bool CMainFrame::ReadFilterFile() {
    FilterList filters;
    const FilterFileReader::Result result = FilterFileReader::Read(m_strFilterPath, filters, m_strFilterError);
    if (result == FilterFileReader::Result::OpenFailed) return false;
    m_matcher.reset();
    m_pActiveFilters = std::move(filters);
    m_pDoc->RebuildDisplay();
    UpdateCommandUI();
    if (result == FilterFileReader::Result::ReadFailed) {
        // The file opened but could not be read to its end: the filters are gone, and the
        // user is told rather than left with a display that silently shows everything.
        m_pBoxes->ReportFailure(FormatString(IDS_FILTER_FILE_FAILED, m_strFilterPath) + "\n" + m_strFilterError);
    }
    return true;
}

void CMainFrame::SetProgressRange(std::uint64_t range) { m_wndStatusBar->RelayProgressRange(range); }
void CMainFrame::SetProgressPos(std::uint64_t pos) { m_wndStatusBar->RelayProgressPos(pos); }
void CMainFrame::EndProgress() { m_wndStatusBar->EndProgress(); }
bool CMainFrame::AskRetry(const std::string& message) { return m_pBoxes->AskRetry(message); }

void CMainFrame::LinesChanged() {
    if (m_pLoadTiming != nullptr && !m_pDoc->GetPathName().empty()) m_pLoadTiming->LinesChanged(m_pDoc->GetLineCount());
    if (m_pView != nullptr) m_pView->OnUpdate();
    // The selection is gone and the number of lines changed: Copy, Select All and Find.
    UpdateCommandUI();
}

void CMainFrame::LoadCommandLineFile(const std::string& path) {
    m_pDoc->LoadLogFile(path);
    AfterOpen();
}

bool CMainFrame::IsFilterFileName(const QString& path) {
    return path.endsWith(QStringLiteral(".lff"), Qt::CaseInsensitive) ||
           path.endsWith(QStringLiteral(".tarnix-logfilters"), Qt::CaseInsensitive);
}

bool CMainFrame::OpenDocumentFile(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    const std::string& current = m_pDoc->GetPathName();
    if (!current.empty() && QFileInfo(DecodePath(current)).absoluteFilePath() == full) {
        raise();
        activateWindow();
        return true;
    }
    const std::string bytes = EncodePath(full);
    if (IsFilterFileName(full)) {
        // The loaded log stays; the filter file becomes the document's name.
        if (!OpenFilterFile(bytes)) return false;
        m_pDoc->SetPathName(bytes);
    } else {
        m_strLogPath = bytes;
        m_pDoc->LoadLogFile(bytes);
    }
    AfterOpen();
    // A log that failed to load has been reported by the document already.
    return m_pDoc->GetPathName() == bytes;
}

bool CMainFrame::OpenFilterFile(const std::string& path) {
    m_strFilterPath = path;
    if (ReadFilterFile()) return true;
    m_pBoxes->ReportFailure(FormatString(IDS_FILTER_FILE_FAILED, path) + "\n" + m_strFilterError);
    return false;
}

void CMainFrame::OnFileOpen() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(LoadQString(IDS_LOG_FILE_FILTER));
    dialog.setDefaultSuffix(QStringLiteral("log"));
    dialog.selectFile(LoadQString(IDS_DEFAULT_LOG_NAME));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    OpenLogFile(EncodePath(dialog.selectedFiles().constFirst()));
}

void CMainFrame::OpenLogFile(const std::string& path) {
    m_strLogPath = path;
    m_pDoc->LoadLogFile(path);
    AfterOpen();
}

void CMainFrame::OnFileReload() {
    m_pDoc->LoadLogFile(m_strLogPath);
    AfterOpen();
}

void CMainFrame::OnFileOpenSuiteLog() {
    m_strLogPath = EncodePath(CSuiteRegistry(QStringLiteral("Settings")).GetString(QStringLiteral("LogFile"), {}));
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
    CLineFileWriter out;
    const std::string target = EncodePath(path);
    bool ok = out.Open(target);
    const LineIndex count = m_pDoc->GetLineCount();
    for (LineIndex i = 0; i < count && ok; ++i) ok = out.AppendLine(m_pDoc->GetLine(i));
    ok = ok && out.Commit();
    if (!ok) {
        m_pBoxes->ReportFailure(FormatString(IDS_SAVE_FAILED, target) + "\n" + std::strerror(out.Error()));
        return false;
    }
    m_bFilteredUnsaved = false;
    UpdateCommandUI();
    return true;
}

void CMainFrame::ApplyFilters(FilterList filters) {
    m_matcher.reset();
    m_pActiveFilters = std::move(filters);
    m_bFiltersModified = true;
    m_bFilteredUnsaved = true;
    m_pDoc->RebuildDisplay();
    UpdateCommandUI();
}

void CMainFrame::ApplyPreferences(bool excludeInvalidDates) {
    m_bExcludeInvalidDates = excludeInvalidDates;
    AppSettings::SetExcludeInvalidDate(excludeInvalidDates);
    m_pDoc->RebuildDisplay();
}

void CMainFrame::OnEditFilters() {
    CFiltersDlg dlg(m_pActiveFilters.get(), this);
    if (dlg.exec() != QDialog::Accepted) return;
    ApplyFilters(dlg.GetFilters());
}

void CMainFrame::OnEditPreferences() {
    CPreferencesDlg dlg(this);
    dlg.m_bExcludeInvalid = m_bExcludeInvalidDates ? 1 : 0;
    if (dlg.exec() != QDialog::Accepted) return;
    ApplyPreferences(dlg.m_bExcludeInvalid != 0);
}

void CMainFrame::OnFileLoadFilters() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(LoadQString(IDS_FILTER_FILE_TYPES));
    if (!m_strFilterPath.empty()) dialog.selectFile(DecodePath(m_strFilterPath));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    LoadFilterFile(dialog.selectedFiles().constFirst());
}

bool CMainFrame::LoadFilterFile(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    if (!OpenFilterFile(EncodePath(full))) return false;
    // Any other name would open as a log from the recent-file list.
    if (IsFilterFileName(full)) AddRecentFile(full);
    int count = 0;
    for (const LogFilter* node = m_pActiveFilters.get(); node != nullptr; node = node->next.get()) ++count;
    // What the file gave is plain to see even when it was no filter file at all.
    m_wndStatusBar->showMessage(QString::fromStdString(FormatString(IDS_FILTERS_LOADED, std::to_string(count))));
    return true;
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
    dialog.setNameFilter(LoadQString(IDS_FILTER_FILE_TYPES));
    dialog.setDefaultSuffix(QStringLiteral("lff"));
    if (!m_strFilterPath.empty()) dialog.selectFile(DecodePath(m_strFilterPath));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    SaveFilterFile(dialog.selectedFiles().constFirst());
}

bool CMainFrame::SaveFilterFile(const QString& path) {
    std::string bytes;
    if (const LogFilter* refused = MakeFilterFileBytes(m_pActiveFilters.get(), bytes)) {
        // The filter is named by its text up to the line break, shortened to fit a message.
        constexpr qsizetype kShown = 60;
        const std::string_view text = refused->text;
        const QString line = DecodeLogText(text.substr(0, std::min(text.find_first_of("\r\n"), text.size())));
        const QString name = line.size() > kShown ? line.left(kShown) + QStringLiteral("...") : line;
        m_pBoxes->ReportFailure(FormatString(IDS_FILTER_NOT_SAVABLE, name.toStdString()));
        return false;
    }
    std::string cause;
    if (!WriteWholeFile(path, bytes, cause)) {
        m_pBoxes->ReportFailure(FormatString(IDS_SAVE_FAILED, EncodePath(path)) + "\n" + cause);
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
        if (url.isLocalFile()) OpenDocumentFile(url.toLocalFile());
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
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
