#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "CPagePrinter.h"

class CLineSelection;
class CTrawlviewDoc;
class QPrinter;
class QPrintPreviewWidget;
class QWidget;

// Prints the document's displayed lines, or the selected ones: the print dialog, then every
// page (CPagePrinter) with a progress window whose Cancel stops the job; or the print
// preview, which lays out pages only as the reader reaches them.
class CPrintJob : public QObject {
    Q_OBJECT

public:
    // The document, the selection, the printer and the parent must outlive the job. The
    // printer keeps what the user chose in the dialogs for later jobs.
    CPrintJob(const CTrawlviewDoc& doc, const CLineSelection& selection, QPrinter& printer,
              QWidget* parent);

    // The printer font (face, size in tenths of a point) and the path the header shows.
    void SetFont(const QString& face, int tenths) { m_font = PrintFont{face, tenths}; }
    void SetLogPath(const QString& path) { m_strLogPath = path; }
    // How long a job runs before its progress window shows; 500 ms unless set.
    void SetProgressDelay(int ms) { m_nProgressDelayMs = ms; }

    // The printer's range: the selected lines while any line is selected, else all lines.
    void PresetRange();
    // The Print command: the range preset, the print dialog (no page range; the Selection
    // choice only while lines are selected), then the job. True when every page was
    // printed.
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

    // The pages of the job in progress (printing or the preview); null otherwise.
    CPagePrinter* GetPagePrinter() const { return m_pPages.get(); }
    // The document's displayed lines changed while the job is open (a preview stays open
    // over a reload): its pages are laid out afresh.
    void LinesChanged();

    // Pages laid out ahead of the last page in reach when the preview opens or grows.
    static constexpr int kPreviewChunk = 4;
    // The most pages the preview adds at once, so no single step waits long.
    static constexpr int kPreviewGrowMax = 256;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The print dialog; false when the user cancels.
    bool RunPrintDialog();
    // Prints every page to the printer as it is set up; false when cancelled.
    bool PrintPages();
    void PaintPreview(QPrinter* printer);
    void GrowPreview();

    const CTrawlviewDoc& m_doc;
    const CLineSelection& m_selection;
    QPrinter& m_printer;
    QWidget* m_pParent;
    PrintFont m_font;
    QString m_strLogPath;
    std::unique_ptr<CPagePrinter> m_pPages;
    int m_nProgressDelayMs = 500;
    int m_nPagesPrinted = 0;
    std::string m_strFailure;
    // The preview in progress: its widget and how many pages it shows.
    QPrintPreviewWidget* m_pPreview = nullptr;
    int m_nPreviewTarget = 0;
    bool m_bGrowPending = false;
};
