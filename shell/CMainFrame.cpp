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
#include <QMessageBox>
#include <QMimeData>
#include <QSaveFile>
#include <QTimer>
#include <QToolBar>
#include <QWhatsThis>
#include <iostream>
#include <limits>

#include "AppSettings.h"
#include "CHelpWindow.h"
#include "CLoadTiming.h"
#include "CProgressStatusBar.h"
#include "CProgressWnd.h"
#include "CQtTextMeasurer.h"
#include "CSuiteRegistry.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "CommandIds.h"
#include "FilterFileReader.h"
#include "LocaleFormats.h"
#include "LockKeyState.h"
#include "StringTable.h"

namespace {

QString Text(StringId id) {
    const std::string_view text = LoadString(id);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString DecodePath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }
std::string EncodePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The current local date or time in the C library's locale; "" when it cannot be made.
QString FormatNow(const char* format) { return QString::fromLocal8Bit(FormatLocalNow(format)); }

}  // namespace

CMainFrame::CMainFrame(QWidget* parent)
    : QMainWindow(parent),
      m_pMeasurer(std::make_unique<CQtTextMeasurer>()),
      m_recentFiles(kRecentFileCount, kRecentDisplayLength) {
    Q_INIT_RESOURCE(trawlview);
    setWindowIcon(QIcon(QStringLiteral(":/icons/trawlview.png")));
    m_pDoc = std::make_unique<CTrawlviewDoc>(*this, m_pMeasurer.get());
    m_pView = new CTrawlviewView(*m_pDoc, *m_pMeasurer, this);
    m_pView->setWhatsThis(QStringLiteral("The lines of the log file that pass the active filters, each in the "
                                         "colour of its code letter. Click, Ctrl+click and Shift+click select lines."));
    setCentralWidget(m_pView);
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

QAction* CMainFrame::AddCommand(int id, const char* menuText, const QKeySequence& shortcut, const char* icon) {
    auto* action = new QAction(QString::fromUtf8(menuText), this);
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    if (icon != nullptr) action->setIcon(QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(icon))));
    // The prompt string: the status-bar text, then after a line feed the tooltip.
    const QString prompt = Text(static_cast<StringId>(id));
    const qsizetype feed = prompt.indexOf(QLatin1Char('\n'));
    action->setStatusTip(prompt.left(feed));
    action->setWhatsThis(prompt.left(feed));
    if (feed >= 0) action->setToolTip(prompt.mid(feed + 1));
    m_actions[id] = action;
    return action;
}

QAction* CMainFrame::GetAction(int id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::CreateActions() {
    connect(AddCommand(ID_FILE_OPEN, "&Open...\tCtrl+O", QKeySequence(Qt::CTRL | Qt::Key_O), "open"),
            &QAction::triggered, this, &CMainFrame::OnFileOpen);
    connect(AddCommand(ID_FILE_RELOAD, "R&eload\tCtrl+R", QKeySequence(Qt::CTRL | Qt::Key_R), "reload"),
            &QAction::triggered, this, &CMainFrame::OnFileReload);
    connect(AddCommand(ID_FILE_SAVE_LOG, "Save &As...\tCtrl+Shift+S", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
                       "savelog"),
            &QAction::triggered, this, &CMainFrame::OnFileSaveLog);
    // Filter files are only read in this program; these three commands have no action.
    AddCommand(ID_FILE_LOAD_FILTERS, "&Load Filters...\tCtrl+L", QKeySequence(Qt::CTRL | Qt::Key_L), "loadfilters");
    AddCommand(ID_FILE_SAVE_FILTERS, "&Save Filters\tCtrl+S", QKeySequence(Qt::CTRL | Qt::Key_S), "savefilters");
    AddCommand(ID_FILE_SAVE_FILTERS_AS, "Save &Filters As...", {}, nullptr);
    AddCommand(ID_FILE_PRINT, "&Print...\tCtrl+P", QKeySequence(Qt::CTRL | Qt::Key_P), "print");
    AddCommand(ID_FILE_PRINT_SETUP, "P&rint Setup...", {}, nullptr);
    connect(AddCommand(ID_FILE_OPEN_SUITE_LOG, "Open &T.A.R.N.I.X. Log\tCtrl+U", QKeySequence(Qt::CTRL | Qt::Key_U),
                       nullptr),
            &QAction::triggered, this, &CMainFrame::OnFileOpenSuiteLog);
    connect(AddCommand(ID_APP_EXIT, "E&xit", {}, nullptr), &QAction::triggered, this, &QWidget::close);
    AddCommand(ID_EDIT_COPY, "&Copy\tCtrl+C", QKeySequence(Qt::CTRL | Qt::Key_C), nullptr);
    AddCommand(ID_EDIT_SELECT_ALL, "Select &All\tCtrl+A", {}, nullptr);
    // The Filters and Preferences dialogs are not part of the program yet: both commands
    // are enabled, as they always are, and do nothing for now.
    AddCommand(ID_EDIT_FILTERS, "F&ilters...\tCtrl+H", QKeySequence(Qt::CTRL | Qt::Key_H), "filters");
    AddCommand(ID_EDIT_FIND, "&Find...\tCtrl+F", QKeySequence(Qt::CTRL | Qt::Key_F), "find");
    AddCommand(ID_EDIT_PREFERENCES, "&Preferences...", {}, nullptr);
    QAction* toolbar = AddCommand(ID_VIEW_TOOLBAR, "&Toolbar", {}, nullptr);
    toolbar->setCheckable(true);
    QAction* statusBar = AddCommand(ID_VIEW_STATUS_BAR, "&Status Bar", {}, nullptr);
    statusBar->setCheckable(true);
    connect(AddCommand(ID_HELP_FINDER, "&Help Topics", {}, nullptr), &QAction::triggered, this, &CMainFrame::ShowHelp);
    AddCommand(ID_APP_ABOUT, "&About The Trawlview...", {}, nullptr);
    connect(AddCommand(ID_HELP, "Help", QKeySequence(Qt::Key_F1), nullptr), &QAction::triggered, this,
            &CMainFrame::ShowHelp);
    connect(AddCommand(ID_CONTEXT_HELP, "Help", QKeySequence(Qt::SHIFT | Qt::Key_F1), "contexthelp"),
            &QAction::triggered, this, [] { QWhatsThis::enterWhatsThisMode(); });
    // Commands without a menu entry still need a place in the window for their shortcut.
    addAction(GetAction(ID_HELP));
    addAction(GetAction(ID_CONTEXT_HELP));
}

void CMainFrame::CreateMenus() {
    m_pFileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    QMenu* file = m_pFileMenu;
    file->addAction(GetAction(ID_FILE_OPEN));
    file->addAction(GetAction(ID_FILE_RELOAD));
    file->addAction(GetAction(ID_FILE_SAVE_LOG));
    file->addSeparator();
    file->addAction(GetAction(ID_FILE_LOAD_FILTERS));
    file->addAction(GetAction(ID_FILE_SAVE_FILTERS));
    file->addAction(GetAction(ID_FILE_SAVE_FILTERS_AS));
    file->addSeparator();
    file->addAction(GetAction(ID_FILE_PRINT));
    file->addAction(GetAction(ID_FILE_PRINT_SETUP));
    file->addSeparator();
    file->addAction(GetAction(ID_FILE_OPEN_SUITE_LOG));
    file->addSeparator();
    m_pRecentSeparator = file->addSeparator();
    file->addAction(GetAction(ID_APP_EXIT));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addAction(GetAction(ID_EDIT_COPY));
    edit->addAction(GetAction(ID_EDIT_SELECT_ALL));
    edit->addSeparator();
    edit->addAction(GetAction(ID_EDIT_FILTERS));
    edit->addAction(GetAction(ID_EDIT_FIND));
    edit->addSeparator();
    edit->addAction(GetAction(ID_EDIT_PREFERENCES));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->addAction(GetAction(ID_VIEW_TOOLBAR));
    view->addAction(GetAction(ID_VIEW_STATUS_BAR));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(GetAction(ID_HELP_FINDER));
    help->addSeparator();
    help->addAction(GetAction(ID_APP_ABOUT));
}

void CMainFrame::CreateToolBar() {
    m_wndToolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_wndToolBar->setObjectName(QStringLiteral("toolbar"));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_wndToolBar->setIconSize(QSize(16, 16));
    for (const int id : std::initializer_list<int>{ID_FILE_OPEN, ID_FILE_RELOAD, ID_FILE_SAVE_LOG, 0, ID_FILE_LOAD_FILTERS,
                         ID_FILE_SAVE_FILTERS, ID_EDIT_FILTERS, 0, ID_FILE_PRINT, 0, ID_EDIT_FIND, 0,
                         ID_CONTEXT_HELP}) {
        if (id == 0) {
            m_wndToolBar->addSeparator();
        } else {
            m_wndToolBar->addAction(GetAction(id));
        }
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    QAction* toggle = GetAction(ID_VIEW_TOOLBAR);
    connect(toggle, &QAction::triggered, m_wndToolBar, &QWidget::setVisible);
    connect(m_wndToolBar, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
    toggle->setChecked(true);
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
    QAction* toggle = GetAction(ID_VIEW_STATUS_BAR);
    connect(toggle, &QAction::triggered, m_wndStatusBar, &QWidget::setVisible);
    toggle->setChecked(true);

    m_pClock = new QTimer(m_wndStatusBar);
    m_pClock->setInterval(1000);
    connect(m_pClock, &QTimer::timeout, this, &CMainFrame::UpdateClock);
    m_pClock->start();
    UpdateClock();
}

void CMainFrame::UpdateClock() {
    const QString date = FormatNow("%x");
    const QString time = FormatNow("%X");
    m_wndStatusBar->SetPaneText(m_nDatePane, date);
    m_wndStatusBar->SetPaneWidthForText(m_nDatePane, date);
    m_wndStatusBar->SetPaneText(m_nTimePane, time);
    m_wndStatusBar->SetPaneWidthForText(m_nTimePane, time);
    // A lock key pane shows its name while the lock is on and is blank otherwise.
    const LockKeyState locks = LockKeyState::Read();
    m_wndStatusBar->SetPaneText(1, locks.caps ? Text(IDS_INDICATOR_CAPS) : QString());
    m_wndStatusBar->SetPaneText(2, locks.num ? Text(IDS_INDICATOR_NUM) : QString());
    m_wndStatusBar->SetPaneText(3, locks.scroll ? Text(IDS_INDICATOR_SCRL) : QString());
}

void CMainFrame::UpdateCommandUI() {
    const bool haveLog = !m_strLogPath.empty();
    GetAction(ID_FILE_RELOAD)->setEnabled(haveLog);
    GetAction(ID_FILE_SAVE_LOG)->setEnabled(haveLog && m_bFilteredUnsaved);
    GetAction(ID_FILE_SAVE_FILTERS)->setEnabled(m_pActiveFilters != nullptr && m_bFiltersModified);
    GetAction(ID_FILE_SAVE_FILTERS_AS)->setEnabled(m_pActiveFilters != nullptr);
    // Printing, copying, finding and the print setup come with the parts of the view and
    // the dialogs that carry them out; until then nothing would handle them.
    for (const int id : std::initializer_list<int>{ID_FILE_PRINT, ID_FILE_PRINT_SETUP, ID_EDIT_COPY, ID_EDIT_SELECT_ALL, ID_EDIT_FIND}) {
        GetAction(id)->setEnabled(false);
    }
    GetAction(ID_VIEW_TOOLBAR)->setChecked(!m_wndToolBar->isHidden());
    GetAction(ID_VIEW_STATUS_BAR)->setChecked(!m_wndStatusBar->isHidden());
}

QList<QAction*> CMainFrame::GetRecentFileActions() const { return m_recentActions; }

void CMainFrame::RebuildRecentFileMenu() {
    for (QAction* action : m_recentActions) {
        m_pFileMenu->removeAction(action);
        delete action;
    }
    m_recentActions.clear();
    const QString prompt = Text(IDS_PROMPT_FILE_MRU);
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
    const QString name = path.empty() ? Text(AFX_IDS_UNTITLED) : QFileInfo(DecodePath(path)).fileName();
    setWindowTitle(name + QStringLiteral(" - ") + Text(IDR_MAINFRAME));
}

void CMainFrame::AfterOpen() {
    UpdateTitle();
    const std::string& path = m_pDoc->GetPathName();
    if (!path.empty()) {
        m_recentFiles.Add(QFileInfo(DecodePath(path)).absoluteFilePath());
        m_recentFiles.WriteList();
        RebuildRecentFileMenu();
    }
    UpdateCommandUI();
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
        ReportFailure(FormatString(IDS_FILTER_FILE_FAILED, m_strFilterPath) + "\n" + m_strFilterError);
    }
    return true;
}

void CMainFrame::SetProgressRange(std::uint64_t range) {
    m_nProgressShift = 0;
    while ((range >> m_nProgressShift) > std::numeric_limits<std::uint32_t>::max()) ++m_nProgressShift;
    m_wndStatusBar->ShowProgress(static_cast<std::uint32_t>(range >> m_nProgressShift));
}

void CMainFrame::SetProgressPos(std::uint64_t pos) {
    const std::uint64_t scaled = pos >> m_nProgressShift;
    m_wndStatusBar->SetProgressPos(scaled > std::numeric_limits<std::uint32_t>::max()
                                       ? std::numeric_limits<std::uint32_t>::max()
                                       : static_cast<std::uint32_t>(scaled));
}

void CMainFrame::EndProgress() {
    m_wndStatusBar->HideProgress();
    m_wndStatusBar->clearMessage();
}

bool CMainFrame::AskRetry(const std::string& message) {
    const QMessageBox::StandardButton answer =
        QMessageBox::warning(this, Text(AFX_IDS_APP_TITLE), QString::fromLocal8Bit(message),
                             QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry);
    return answer == QMessageBox::Retry;
}

void CMainFrame::ReportFailure(const std::string& message) {
    QMessageBox::warning(this, Text(AFX_IDS_APP_TITLE), QString::fromLocal8Bit(message));
}

void CMainFrame::LinesChanged() {
    if (m_pLoadTiming != nullptr && !m_pDoc->GetPathName().empty()) m_pLoadTiming->LinesChanged(m_pDoc->GetLineCount());
    if (m_pView != nullptr) m_pView->OnUpdate();
}

void CMainFrame::LoadCommandLineFile(const std::string& path) {
    m_pDoc->LoadLogFile(path);
    AfterOpen();
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
    if (!m_pDoc->OnOpenDocument(bytes)) {
        ReportFailure(FormatString(IDS_FILTER_FILE_FAILED, bytes) + "\n" + m_strFilterError);
        return false;
    }
    AfterOpen();
    // A log that failed to load has been reported by the document already.
    return m_pDoc->GetPathName() == bytes;
}

void CMainFrame::OnFileOpen() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(Text(IDS_LOG_FILE_FILTER));
    dialog.setDefaultSuffix(QStringLiteral("log"));
    dialog.selectFile(Text(IDS_DEFAULT_LOG_NAME));
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
    return base + Text(IDS_FILTERED_SUFFIX) + QStringLiteral(".log");
}

void CMainFrame::OnFileSaveLog() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(Text(IDS_LOG_FILE_FILTER));
    dialog.setDefaultSuffix(QStringLiteral("log"));
    dialog.selectFile(GetSuggestedSaveName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    SaveDisplayedLines(dialog.selectedFiles().constFirst());
}

bool CMainFrame::SaveDisplayedLines(const QString& path) {
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        // Lines go out in blocks of about a megabyte rather than one write each.
        constexpr std::size_t kBlock = std::size_t{1} << 20;
        std::string block;
        block.reserve(kBlock + 4096);
        const LineIndex count = m_pDoc->GetLineCount();
        for (LineIndex i = 0; i < count && ok; ++i) {
            block.append(m_pDoc->GetLine(i));
            block.append("\r\n");
            if (block.size() >= kBlock || i + 1 == count) {
                ok = file.write(block.data(), static_cast<qint64>(block.size())) == static_cast<qint64>(block.size());
                block.clear();
            }
        }
        ok = ok && file.commit();
    }
    if (!ok) {
        const std::string cause = file.errorString().toStdString();
        file.cancelWriting();
        ReportFailure(FormatString(IDS_SAVE_FAILED, EncodePath(path)) + "\n" + cause);
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
        m_wndStatusBar->showMessage(Text(AFX_IDS_HELPMODEMESSAGE));
    } else if (event->type() == QEvent::LeaveWhatsThisMode) {
        m_wndStatusBar->clearMessage();
    }
    return QMainWindow::event(event);
}
