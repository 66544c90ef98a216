#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>
#include <vector>

class CMainFrame;
class CPrintJob;
class CSingleInstance;
class IMessageBoxes;
class QPrinter;

// The program as a whole: where settings live, the locale, the help pages, the main
// window with its document and view, the file named on the command line, and the files
// that later starts hand over. A QApplication must exist first and outlive this object.
class CTrawlviewApp : public QObject {
    Q_OBJECT

public:
    // boxes answers the window's questions (null for real message boxes) and must
    // outlive the application; recordedVersion is the version the build recorded, null
    // or empty when it has none.
    explicit CTrawlviewApp(IMessageBoxes* boxes = nullptr,
                           const char* recordedVersion = RecordedVersion());
    ~CTrawlviewApp() override;

    // Start-up. arguments are the command line without Qt's own options, the program
    // name first, bytes as given. False when this start has nothing more to do: a
    // running program took the command-line file (exit code 0), or the command line was
    // refused with a message on standard error (exit code 2).
    bool InitInstance(const std::vector<std::string>& arguments);
    int GetExitCode() const { return m_nExitCode; }
    // At the end of the event loop: stores what is stored on exit.
    void ExitInstance();

    CMainFrame* GetMainFrame() const { return m_pMainFrame.get(); }
    void OnAppAbout();
    // The printing commands: the print dialog and job, the print preview, and Print Setup,
    // which keeps its printer choices here for later printing while the program runs and
    // stores the printer font.
    void OnFilePrint();
    void OnFilePrintPreview();
    void OnFilePrintSetup();
    // The printer every print job uses; made on first use.
    QPrinter& GetPrinter();

    // "??" for a build that recorded no version.
    static std::string FileVersion(const char* recordedVersion);
    static const char* RecordedVersion();

    const std::string& GetFileVersion() const { return m_strFileVersion; }
    const QString& GetPrinterFontFace() const { return m_strPrinterFontFace; }
    const QString& GetHelpFilePath() const { return m_strHelpFilePath; }
    int GetPrinterFontSize() const { return m_nPrinterFontSize; }
    int GetPreviewPages() const { return m_nPreviewPages; }

private:
    // A job over the window's document and selection in the printer font; the window's
    // view tells it when the displayed lines change.
    std::unique_ptr<CPrintJob> NewPrintJob(QPrinter& printer, const QString& logPath);

    IMessageBoxes* m_pBoxes;
    int m_nExitCode = 0;
    std::string m_strFileVersion;
    QString m_strPrinterFontFace;
    QString m_strHelpFilePath;
    int m_nPrinterFontSize = 0;
    int m_nPreviewPages = 0;
    std::unique_ptr<QPrinter> m_pPrinter;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    CSingleInstance* m_pInstance = nullptr;
};
