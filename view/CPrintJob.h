#pragma once

#include <QObject>
#include <QString>
#include <string>

class CTrawlviewView;
class QPrinter;
class QPrintPreviewWidget;
class QWidget;

// Runs the view's printing callbacks the way a print job does: the print dialog, then
// every page with a progress window whose Cancel stops the job; or the print preview,
// which lays out pages only as the reader reaches them.
class CPrintJob : public QObject {
    Q_OBJECT

public:
    // The view, the printer and the parent must outlive the job. The printer keeps what
    // the user chose in the dialogs for later jobs.
    CPrintJob(CTrawlviewView& view, QPrinter& printer, QWidget* parent);

    // The printer font (face, size in tenths of a point) and the path the header shows.
    void SetFont(const QString& face, int tenths);
    void SetLogPath(const QString& path) { m_strLogPath = path; }
    // How long a job runs before its progress window shows; 500 ms unless set.
    void SetProgressDelay(int ms) { m_nProgressDelayMs = ms; }

    // The Print command: the print dialog, then the job. True when every page was printed.
    bool Print();
    // The job without a dialog, on the printer's current range. False when cancelled or
    // failed. A PDF file is replaced only by a job that printed every page.
    bool PrintAll();
    // Why the last job failed, when the PDF file could not be made or put in place; empty
    // otherwise (also after a cancel).
    const std::string& GetFailure() const { return m_strFailure; }
    // Pages the last job printed.
    int GetPagesPrinted() const { return m_nPagesPrinted; }
    // The print preview in a dialog. previewPages: pages side by side, 1 or 2 (0 for the
    // default of one); on return the reader's last choice. True when the reader chose
    // the preview's Print, which the caller then carries out as its Print command.
    bool Preview(int& previewPages);

    // Pages laid out ahead of the last page in reach when the preview opens or grows.
    static constexpr int kPreviewChunk = 4;
    // The most pages the preview adds at once, so no single step waits long.
    static constexpr int kPreviewGrowMax = 256;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Prints every page to the printer as it is set up; false when cancelled.
    bool PrintPages();
    void PaintPreview(QPrinter* printer);
    void GrowPreview();

    CTrawlviewView& m_view;
    QPrinter& m_printer;
    QWidget* m_pParent;
    QString m_strFontFace;
    int m_nFontTenths = 90;
    QString m_strLogPath;
    int m_nProgressDelayMs = 500;
    int m_nPagesPrinted = 0;
    std::string m_strFailure;
    // The preview in progress: its widget and how many pages it shows.
    QPrintPreviewWidget* m_pPreview = nullptr;
    int m_nPreviewTarget = 0;
    bool m_bGrowPending = false;
};
