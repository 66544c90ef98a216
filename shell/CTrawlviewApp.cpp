#include "CTrawlviewApp.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QScreen>
#include <clocale>
#include <iostream>

#include "AppSettings.h"
#include "CAboutDlg.h"
#include "CMainFrame.h"
#include "CPrintJob.h"
#include "CPrintSetupDlg.h"
#include "CSingleInstance.h"
#include "CTrawlviewView.h"
#include "CommandLine.h"
#include "IMessageBoxes.h"
#include "LocaleFormats.h"
#include "StringTable.h"

CTrawlviewApp::CTrawlviewApp(IMessageBoxes* boxes, const char* recordedVersion)
    : m_pBoxes(boxes), m_strFileVersion(FileVersion(recordedVersion)) {}

CTrawlviewApp::~CTrawlviewApp() = default;

const char* CTrawlviewApp::RecordedVersion() {
#ifdef TRAWLVIEW_VERSION
    return TRAWLVIEW_VERSION;
#else
    return nullptr;
#endif
}

std::string CTrawlviewApp::FileVersion(const char* recordedVersion) {
    if (recordedVersion == nullptr || *recordedVersion == '\0') return "??";
    return recordedVersion;
}

bool CTrawlviewApp::InitInstance(const std::vector<std::string>& arguments) {
    QCoreApplication::setOrganizationName(QString::fromLatin1(AppSettings::kCompany));
    QCoreApplication::setApplicationName(QString::fromUtf8(LoadString(AFX_IDS_APP_TITLE).data()));
    // The clock's %x and %X and the locale formats below follow the user's locale.
    std::setlocale(LC_ALL, "");

    // The file named on the command line loads as a log whatever its name. "--open FILE"
    // is the desktop's open request instead: FILE goes through the open path, where a
    // filter file is read as filters.
    CommandLine line;
    std::string error;
    const std::vector<std::string> args(
        arguments.empty() ? arguments.begin() : arguments.begin() + 1, arguments.end());
    // Qt has taken its own options out: what is left unknown is a mistake, not a file.
    if (!CommandLine::Parse(args, line, error) || line.mode != CommandLine::Mode::Window ||
        !line.unknownOption.empty()) {
        if (error.empty()) {
            error = line.unknownOption.empty() ? "the window takes no export options"
                                               : "unknown option " + line.unknownOption;
        }
        std::cerr << "trawlview: " << error << "\n" << CommandLine::Usage();
        m_nExitCode = 2;
        return false;
    }
    const std::string& commandLineFile = line.file;
    const std::string& openRequest = line.openPath;
    // A later start gives its file to the running program, which loads it as a log (or
    // reads it through its open path, for --open), and ends here before it shows anything.
    const std::string& handed = openRequest.empty() ? commandLineFile : openRequest;
    if (!handed.empty()) {
        const QString absolute =
            QFileInfo(QFile::decodeName(QByteArray::fromStdString(handed))).absoluteFilePath();
        if (CSingleInstance::HandOver(absolute, openRequest.empty(), line.follow)) return false;
    }

    // Filter files get their type from the desktop entry and MIME type that the
    // installation puts in place; nothing is registered at run time.

    if (const std::optional<QString> folder = AppSettings::GetHelpFilePath()) {
        m_strHelpFilePath =
            *folder + QLatin1Char('/') + QString::fromUtf8(LoadString(IDS_HELP_FILE_NAME).data());
    }
    m_nPreviewPages = AppSettings::GetPreviewPages();

    // The view measures its timestamp column from the locale formats, so they come first.
    LoadLocaleFormats();

    m_pMainFrame = std::make_unique<CMainFrame>(m_pBoxes);
    CMainFrame& frame = *m_pMainFrame;
    frame.SetHelpFilePath(m_strHelpFilePath);
    connect(&frame, &CMainFrame::AboutRequested, this, &CTrawlviewApp::OnAppAbout);
    connect(&frame, &CMainFrame::PrintRequested, this, &CTrawlviewApp::OnFilePrint);
    connect(&frame, &CMainFrame::PrintPreviewRequested, this, &CTrawlviewApp::OnFilePrintPreview);
    connect(&frame, &CMainFrame::PrintSetupRequested, this, &CTrawlviewApp::OnFilePrintSetup);

    m_pInstance = new CSingleInstance(this);
    connect(m_pInstance, &CSingleInstance::OpenRequested, this,
            [this](const QString& path, bool asLog, bool follow) {
                m_pMainFrame->RequestOpen(path, asLog, follow);
                m_pMainFrame->raise();
                m_pMainFrame->activateWindow();
            });
    m_pInstance->Listen();

    // The stored preference decides which lines the command-line file shows.
    frame.SetExcludeInvalidDates(AppSettings::GetExcludeInvalidDate());
    frame.SetLfLineEnds(AppSettings::GetLfLineEnds());
    // "--follow" turns Follow on for this run without changing the stored choice.
    frame.SetFollow(line.follow || AppSettings::GetFollow());

    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QSize available = screen->availableSize();
        frame.resize(available.width() * 3 / 4, available.height() * 3 / 4);
    }
    frame.show();
    frame.setAcceptDrops(true);
    // A settings file that is a FIFO or a device was left alone; say which one.
    if (const QString unusable = AppSettings::TakeUnusableFile(); !unusable.isEmpty()) {
        frame.ReportFailure(
            FormatString(AFX_IDP_FAILED_TO_OPEN_DOC, QFile::encodeName(unusable).toStdString()));
    }
    // The command-line file's first lines show with the window's first paint; the rest
    // come in while the window is in use.
    if (!commandLineFile.empty()) frame.LoadCommandLineFile(commandLineFile);
    if (!openRequest.empty())
        frame.OpenDocumentFile(QFile::decodeName(QByteArray::fromStdString(openRequest)));

    m_strPrinterFontFace = AppSettings::GetPrinterFont();
    m_nPrinterFontSize = AppSettings::GetPrinterFontSize();
    return true;
}

void CTrawlviewApp::ExitInstance() {
    if (m_nPreviewPages != 0) AppSettings::SetPreviewPages(m_nPreviewPages);
}

void CTrawlviewApp::OnAppAbout() {
    CAboutDlg dialog(m_strFileVersion, m_pMainFrame.get());
    dialog.exec();
}

QPrinter& CTrawlviewApp::GetPrinter() {
    if (!m_pPrinter) {
        m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        // A PDF has no printable area of its own: without margins the text would touch
        // the paper's edge. A printer keeps at least its own margins.
        m_pPrinter->setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    }
    return *m_pPrinter;
}

void CTrawlviewApp::OnFilePrint() {
    CMainFrame& frame = *m_pMainFrame;
    QPrinter& printer = GetPrinter();
    const QString logPath = QFile::decodeName(QByteArray::fromStdString(frame.GetLogPath()));
    if (printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty()) {
        // A first PDF is offered in the home folder under the log's name.
        const QString stem =
            logPath.isEmpty() ? QStringLiteral("trawlview") : QFileInfo(logPath).completeBaseName();
        printer.setOutputFileName(QDir::home().filePath(stem + QStringLiteral(".pdf")));
    }
    const std::unique_ptr<CPrintJob> job = NewPrintJob(printer, logPath);
    if (!job->Print() && !job->GetFailure().empty()) {
        frame.ReportFailure(
            FormatString(IDS_SAVE_FAILED,
                         QFile::encodeName(printer.outputFileName()).toStdString()) +
            "\n" + job->GetFailure());
    }
}

void CTrawlviewApp::OnFilePrintPreview() {
    const std::unique_ptr<CPrintJob> job = NewPrintJob(
        GetPrinter(), QFile::decodeName(QByteArray::fromStdString(m_pMainFrame->GetLogPath())));
    // Print from the preview is File > Print: its dialog, its choices, its file name.
    if (job->Preview(m_nPreviewPages)) OnFilePrint();
}

std::unique_ptr<CPrintJob> CTrawlviewApp::NewPrintJob(QPrinter& printer, const QString& logPath) {
    CMainFrame& frame = *m_pMainFrame;
    auto job = std::make_unique<CPrintJob>(frame.GetDocument(), frame.GetView().GetSelection(),
                                           printer, &frame);
    job->SetFont(m_strPrinterFontFace, m_nPrinterFontSize);
    job->SetLogPath(logPath);
    connect(&frame.GetView(), &CTrawlviewView::DisplayedLinesChanged, job.get(),
            &CPrintJob::LinesChanged);
    return job;
}

void CTrawlviewApp::OnFilePrintSetup() {
    CPrintSetupDlg dialog(GetPrinter(), m_strPrinterFontFace, m_nPrinterFontSize,
                          m_pMainFrame.get());
    if (dialog.exec() != QDialog::Accepted) return;
    m_nPrinterFontSize = dialog.GetFontSize() * 10;
    m_strPrinterFontFace = dialog.GetFontFace();
    AppSettings::SetPrinterFont(m_strPrinterFontFace);
    AppSettings::SetPrinterFontSize(m_nPrinterFontSize);
}
