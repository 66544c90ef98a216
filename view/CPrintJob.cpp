#include "CPrintJob.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsView>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProgressDialog>
#include <algorithm>
#include <limits>
#include <string>

#include "CLineFileWriter.h"
#include "CLineSelection.h"
#include "CTrawlviewDoc.h"
#include "StringTable.h"

namespace {

// The preview dialog's own action of this text: a view mode, so that its buttons show the
// mode, or Print.
QAction* PreviewModeAction(QPrintPreviewDialog& dialog, const char* text) {
    const QString wanted = QCoreApplication::translate("QPrintPreviewDialog", text);
    const QList<QAction*> actions = dialog.findChildren<QAction*>();
    const auto it = std::find_if(actions.begin(), actions.end(),
                                 [&](QAction* a) { return a->text() == wanted; });
    return it == actions.end() ? nullptr : *it;
}

QString PrintingPage(int page) {
    return QString::fromStdString(FormatString(IDS_PRINTING_PAGE, std::to_string(page)));
}

}  // namespace

CPrintJob::CPrintJob(const CTrawlviewDoc& doc, const CLineSelection& selection, QPrinter& printer,
                     QWidget* parent)
    : m_doc(doc), m_selection(selection), m_printer(printer), m_pParent(parent) {}

void CPrintJob::PresetRange() {
    m_printer.setPrintRange(m_selection.HasSelectedLines() ? QPrinter::Selection
                                                           : QPrinter::AllPages);
}

bool CPrintJob::RunPrintDialog() {
    QPrintDialog dialog(&m_printer, m_pParent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, m_selection.HasSelectedLines());
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    // Pages are counted only while they are printed, so no page range can be chosen; the
    // platform dialog opens its From/To choice when it shows, whatever the option says,
    // so it is closed again once the dialog is up.
    QMetaObject::invokeMethod(
        &dialog,
        [&dialog] {
            for (auto* range : dialog.findChildren<QAbstractButton*>(QStringLiteral("printRange")))
                range->setEnabled(false);
        },
        Qt::QueuedConnection);
    if (dialog.exec() != QDialog::Accepted) return false;
    if (m_printer.printRange() == QPrinter::PageRange) m_printer.setPrintRange(QPrinter::AllPages);
    return true;
}

bool CPrintJob::Print() {
    PresetRange();
    if (!RunPrintDialog()) return false;
    return PrintAll();
}

void CPrintJob::LinesChanged() {
    if (m_pPages) m_pPages->LinesChanged();
}

bool CPrintJob::PrintAll() {
    m_strFailure.clear();
    // A PDF is printed to a temporary file beside its target and put in place only when
    // every page is done: a cancelled or failed job leaves the file it would have
    // replaced. A device or a pipe named as the PDF is written directly, as before.
    const QString target =
        m_printer.outputFormat() == QPrinter::PdfFormat ? m_printer.outputFileName() : QString();
    CLineFileWriter pdf;
    if (!target.isEmpty() && (!QFileInfo::exists(target) || QFileInfo(target).isFile())) {
        pdf.SetRegularFilesOnly(true);
        if (!pdf.Open(QFile::encodeName(target).toStdString())) {
            m_strFailure = pdf.FailureText();
            return false;
        }
        m_printer.setOutputFileName(
            QFile::decodeName(QByteArray::fromStdString(pdf.GetTemporaryPath())));
    }
    const bool printed = PrintPages();
    if (pdf.GetTemporaryPath().empty()) return printed;
    m_printer.setOutputFileName(target);
    if (!printed) return false;
    if (pdf.Commit()) return true;
    m_strFailure = pdf.FailureText();
    return false;
}

bool CPrintJob::PrintPages() {
    m_pPages = std::make_unique<CPagePrinter>(m_doc, m_selection, m_printer, m_font, m_strLogPath);
    QPainter dc;
    if (!dc.begin(&m_printer)) {
        m_pPages.reset();
        return false;
    }
    // Lines reach the progress bar shifted right so that the count fits its int range.
    const LineIndex count = m_doc.GetLineCount();
    int shift = 0;
    while ((count >> shift) > std::numeric_limits<int>::max()) ++shift;
    QProgressDialog progress(PrintingPage(1), QStringLiteral("Cancel"), 0,
                             static_cast<int>(count >> shift), m_pParent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(m_nProgressDelayMs);
    QElapsedTimer shown;
    shown.start();
    bool cancelled = false;
    m_nPagesPrinted = 0;
    for (int page = 1;; ++page) {
        if (page > 1) m_printer.newPage();
        const bool more = m_pPages->PrintPage(dc, page);
        m_nPagesPrinted = page;
        if (!more) break;
        const LineIndex next = m_pPages->GetPageFirstLine(page + 1).value_or(0);
        progress.setLabelText(PrintingPage(page + 1));
        progress.setValue(static_cast<int>(next >> shift));
        // A line wrapped over hundreds of pages leaves the bar where it is, and an
        // unchanged value neither shows the window nor looks at its Cancel button: the
        // job does both itself, once per page.
        if (!progress.isVisible() && shown.elapsed() >= m_nProgressDelayMs) progress.show();
        if (progress.isVisible()) QCoreApplication::processEvents();
        if (progress.wasCanceled()) {
            cancelled = true;
            m_printer.abort();
            break;
        }
    }
    dc.end();
    m_pPages.reset();
    return !cancelled;
}

bool CPrintJob::Preview(int& previewPages) {
    PresetRange();
    m_pPages = std::make_unique<CPagePrinter>(m_doc, m_selection, m_printer, m_font, m_strLogPath);
    QPrintPreviewDialog dialog(&m_printer, m_pParent);
    // The preview's own Print would run a print dialog of its own, with a page range the
    // pages cannot honour and no Selection choice: it closes the preview instead, and
    // the caller prints the way the Print command does.
    bool print = false;
    if (QAction* action = PreviewModeAction(dialog, "Print")) {
        QObject::disconnect(action, &QAction::triggered, &dialog, nullptr);
        connect(action, &QAction::triggered, &dialog, [&dialog, &print] {
            print = true;
            dialog.accept();
        });
    }
    m_pPreview = dialog.findChild<QPrintPreviewWidget*>();
    m_nPreviewTarget = kPreviewChunk + std::max(previewPages, 1);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, &CPrintJob::PaintPreview);
    if (m_pPreview != nullptr) {
        connect(m_pPreview, &QPrintPreviewWidget::previewChanged, this, &CPrintJob::GrowPreview);
        // Going to a page does not always tell: the page shown is looked at whenever the
        // pages are painted.
        if (auto* pages = m_pPreview->findChild<QGraphicsView*>())
            pages->viewport()->installEventFilter(this);
    }
    if (previewPages == 2) {
        if (QAction* facing = PreviewModeAction(dialog, "Show facing pages")) facing->trigger();
    }
    dialog.exec();
    if (m_pPreview != nullptr) {
        if (m_pPreview->viewMode() == QPrintPreviewWidget::FacingPagesView) {
            previewPages = 2;
        } else if (m_pPreview->viewMode() == QPrintPreviewWidget::SinglePageView) {
            previewPages = 1;
        }
    }
    m_pPreview = nullptr;
    m_pPages.reset();
    return print;
}

void CPrintJob::PaintPreview(QPrinter* printer) {
    if (!m_pPages) return;
    QPainter dc(printer);
    // Pages already laid out start from their kept first lines: each costs its own layout.
    for (int page = 1; page <= m_nPreviewTarget; ++page) {
        if (page > 1) printer->newPage();
        if (!m_pPages->PrintPage(dc, page)) break;
    }
}

bool CPrintJob::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) GrowPreview();
    return QObject::eventFilter(watched, event);
}

void CPrintJob::GrowPreview() {
    const CPagePrinter* pages = m_pPages.get();
    if (m_pPreview == nullptr || pages == nullptr || pages->IsComplete() || m_bGrowPending) return;
    const int shown = m_pPreview->viewMode() == QPrintPreviewWidget::FacingPagesView ? 2 : 1;
    if (m_pPreview->currentPage() + shown <= m_pPreview->pageCount()) return;
    // The reader is at the last pages made: make more once the signal has returned, as
    // the preview cannot be rebuilt from inside its own notification. Qt's preview draws
    // every page again when it grows, so it grows by doubling: reaching page n costs
    // about 2n page layouts in all, however the reader got there.
    m_bGrowPending = true;
    const int grown = std::min(m_nPreviewTarget * 2, m_nPreviewTarget + kPreviewGrowMax);
    m_nPreviewTarget = std::max(grown, m_pPreview->currentPage() + kPreviewChunk);
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_pPreview != nullptr) {
                // The rebuilt preview would show its new last page; the reader stays put.
                const int page = m_pPreview->currentPage();
                m_pPreview->updatePreview();
                m_pPreview->setCurrentPage(page);
            }
            m_bGrowPending = false;
        },
        Qt::QueuedConnection);
}
