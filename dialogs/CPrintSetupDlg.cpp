#include "CPrintSetupDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "StringTable.h"

namespace {

QString Text(StringId id) {
    return QString::fromUtf8(LoadString(id).data(), static_cast<qsizetype>(LoadString(id).size()));
}

// The data of the PDF entry of the printer list; printers carry their names.
const QVariant kPdfMarker(false);

// Paper a PDF file can take; a printer offers its own list.
const QList<QPageSize::PageSizeId> kPdfPageSizes = {
    QPageSize::A3,     QPageSize::A4,    QPageSize::A5,        QPageSize::B5,
    QPageSize::Letter, QPageSize::Legal, QPageSize::Executive, QPageSize::Tabloid,
};

QString SourceName(QPrinter::PaperSource source) {
    switch (source) {
        case QPrinter::Upper:
            return QStringLiteral("Upper Tray");
        case QPrinter::Lower:
            return QStringLiteral("Lower Tray");
        case QPrinter::Manual:
            return QStringLiteral("Manual Feed");
        default:
            return QStringLiteral("Automatically Select");
    }
}

// Adds the texts sorted without regard to case, each with its data.
void AddSorted(QComboBox& box, QList<QPair<QString, QVariant>> items) {
    std::sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
        return a.first.compare(b.first, Qt::CaseInsensitive) < 0;
    });
    for (const auto& [text, data] : items) box.addItem(text, data);
}

}  // namespace

QStringList CPrintSetupDlg::ScalableFaces() {
    QStringList faces;
    for (const QString& family : QFontDatabase::families()) {
        // Outline fonts only: bitmap faces come in a few fixed sizes and print coarsely.
        if (QFontDatabase::isSmoothlyScalable(family) && !QFontDatabase::isPrivateFamily(family))
            faces.append(family);
    }
    std::sort(faces.begin(), faces.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    faces.removeDuplicates();
    return faces;
}

CPrintSetupDlg::CPrintSetupDlg(QPrinter& printer, const QString& fontFace, int fontTenths,
                               QWidget* parent)
    : QDialog(parent), m_printer(printer), m_nFontSize(fontTenths / 10), m_strFontFace(fontFace) {
    setWindowTitle(QStringLiteral("Print Setup"));

    auto* printerGroup = new QGroupBox(QStringLiteral("Printer"), this);
    auto* printerGrid = new QGridLayout(printerGroup);
    m_pPrinterList = new QComboBox(printerGroup);
    auto* nameLabel = new QLabel(QStringLiteral("&Name:"), printerGroup);
    nameLabel->setBuddy(m_pPrinterList);
    auto* properties = new QPushButton(QStringLiteral("&Properties"), printerGroup);
    printerGrid->addWidget(nameLabel, 0, 0);
    printerGrid->addWidget(m_pPrinterList, 0, 1);
    printerGrid->addWidget(properties, 0, 2);
    int row = 1;
    for (QLabel** value : {&m_pStatus, &m_pType, &m_pWhere, &m_pComment}) {
        static const char* const kLabels[] = {"Status:", "Type:", "Where:", "Comment:"};
        printerGrid->addWidget(new QLabel(QString::fromLatin1(kLabels[row - 1]), printerGroup), row,
                               0);
        *value = new QLabel(printerGroup);
        printerGrid->addWidget(*value, row, 1, 1, 2);
        ++row;
    }
    printerGrid->setColumnStretch(1, 1);

    auto* paperGroup = new QGroupBox(QStringLiteral("Paper"), this);
    auto* paperForm = new QFormLayout(paperGroup);
    m_pPaperSize = new QComboBox(paperGroup);
    m_pPaperSource = new QComboBox(paperGroup);
    paperForm->addRow(QStringLiteral("Si&ze:"), m_pPaperSize);
    paperForm->addRow(QStringLiteral("&Source:"), m_pPaperSource);

    auto* orientationGroup = new QGroupBox(QStringLiteral("Orientation"), this);
    auto* orientationBox = new QVBoxLayout(orientationGroup);
    m_pPortrait = new QRadioButton(QStringLiteral("P&ortrait"), orientationGroup);
    m_pLandscape = new QRadioButton(QStringLiteral("L&andscape"), orientationGroup);
    orientationBox->addWidget(m_pPortrait);
    orientationBox->addWidget(m_pLandscape);

    auto* fontGroup = new QGroupBox(QStringLiteral("Font"), this);
    auto* fontRow = new QHBoxLayout(fontGroup);
    m_pFaceList = new QComboBox(fontGroup);
    auto* faceLabel = new QLabel(QStringLiteral("&Face:"), fontGroup);
    faceLabel->setBuddy(m_pFaceList);
    m_pSizeField = new QLineEdit(fontGroup);
    m_pSizeField->setMaximumWidth(
        m_pSizeField->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    auto* sizeLabel = new QLabel(QStringLiteral("S&ize:"), fontGroup);
    sizeLabel->setBuddy(m_pSizeField);
    m_pSizeUp = new QToolButton(fontGroup);
    m_pSizeUp->setArrowType(Qt::UpArrow);
    m_pSizeDown = new QToolButton(fontGroup);
    m_pSizeDown->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {m_pSizeUp, m_pSizeDown}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedSize(16, 11);
    }
    auto* spin = new QVBoxLayout;
    spin->setSpacing(0);
    spin->addWidget(m_pSizeUp);
    spin->addWidget(m_pSizeDown);
    fontRow->addWidget(faceLabel);
    fontRow->addWidget(m_pFaceList, 1);
    fontRow->addSpacing(12);
    fontRow->addWidget(sizeLabel);
    fontRow->addWidget(m_pSizeField);
    fontRow->addLayout(spin);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_pOk = buttons->button(QDialogButtonBox::Ok);

    auto* paperRow = new QHBoxLayout;
    paperRow->addWidget(paperGroup, 3);
    paperRow->addWidget(orientationGroup, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(printerGroup);
    layout->addLayout(paperRow);
    layout->addWidget(fontGroup);
    layout->addWidget(buttons);

    // The printers: every printer the system knows, and a PDF file.
    QList<QPair<QString, QVariant>> printers;
    for (const QString& name : QPrinterInfo::availablePrinterNames()) printers.append({name, name});
    printers.append({Text(IDS_PRINT_TO_PDF), kPdfMarker});
    AddSorted(*m_pPrinterList, printers);
    int current = printer.outputFormat() == QPrinter::PdfFormat
                      ? -1
                      : m_pPrinterList->findData(printer.printerName());
    if (current < 0) current = m_pPrinterList->findData(kPdfMarker);
    m_pPrinterList->setCurrentIndex(current);
    FillPrinterDetails();
    FillPaper(printer.pageLayout().pageSize(), printer.paperSource());
    (printer.pageLayout().orientation() == QPageLayout::Landscape ? m_pLandscape : m_pPortrait)
        ->setChecked(true);

    m_pFaceList->addItems(ScalableFaces());
    // The list's own prefix search, without regard to case: "arial" finds "Arial"; a face
    // that is not installed leaves nothing selected.
    const int face = fontFace.isEmpty() ? -1 : m_pFaceList->findText(fontFace, Qt::MatchStartsWith);
    m_pFaceList->setCurrentIndex(face);
    m_pSizeField->setText(QString::number(m_nFontSize));

    connect(m_pPrinterList, &QComboBox::currentIndexChanged, this, [this] {
        FillPrinterDetails();
        FillPaper(
            QPageSize(static_cast<QPageSize::PageSizeId>(m_pPaperSize->currentData().toInt())),
            static_cast<QPrinter::PaperSource>(m_pPaperSource->currentData().toInt()));
    });
    connect(properties, &QPushButton::clicked, this, &CPrintSetupDlg::OnProperties);
    connect(m_pSizeUp, &QToolButton::clicked, this, [this] { StepSize(1); });
    connect(m_pSizeDown, &QToolButton::clicked, this, [this] { StepSize(-1); });
    m_pSizeField->installEventFilter(this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPrintSetupDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPrintSetupDlg::reject);
}

bool CPrintSetupDlg::IsPdfChosen() const {
    return m_pPrinterList->currentData().typeId() == QMetaType::Bool;
}

void CPrintSetupDlg::FillPrinterDetails() {
    if (IsPdfChosen()) {
        m_pStatus->setText(QStringLiteral("Ready"));
        m_pType->setText(QStringLiteral("PDF file"));
        m_pWhere->setText(QStringLiteral("A file chosen when printing"));
        m_pComment->clear();
        return;
    }
    const QPrinterInfo info = QPrinterInfo::printerInfo(m_pPrinterList->currentData().toString());
    static const char* const kStates[] = {"Ready", "Printing", "Aborted", "Error"};
    const int state = static_cast<int>(info.state());
    m_pStatus->setText(QString::fromLatin1(state >= 0 && state < 4 ? kStates[state] : "Unknown"));
    m_pType->setText(info.makeAndModel());
    m_pWhere->setText(info.location());
    m_pComment->setText(info.description());
}

void CPrintSetupDlg::FillPaper(const QPageSize& current, QPrinter::PaperSource source) {
    QList<QPageSize> sizes;
    if (IsPdfChosen()) {
        for (const QPageSize::PageSizeId id : kPdfPageSizes) sizes.append(QPageSize(id));
    } else {
        sizes = QPrinterInfo::printerInfo(m_pPrinterList->currentData().toString())
                    .supportedPageSizes();
    }
    QList<QPair<QString, QVariant>> items;
    for (const QPageSize& size : sizes) {
        if (size.id() != QPageSize::Custom)
            items.append({size.name(), static_cast<int>(size.id())});
    }
    if (current.isValid() && current.id() != QPageSize::Custom &&
        std::none_of(sizes.begin(), sizes.end(),
                     [&](const QPageSize& s) { return s.id() == current.id(); })) {
        items.append({current.name(), static_cast<int>(current.id())});
    }
    m_pPaperSize->clear();
    AddSorted(*m_pPaperSize, items);
    m_pPaperSize->setCurrentIndex(
        std::max(m_pPaperSize->findData(static_cast<int>(current.id())), 0));

    // Qt names a printer's paper sources only on Windows: elsewhere the list shows the
    // source the printer is set to and cannot be changed.
    m_pPaperSource->clear();
    m_pPaperSource->addItem(SourceName(source), static_cast<int>(source));
    m_pPaperSource->setEnabled(false);
}

void CPrintSetupDlg::ApplyChoices(QPrinter& printer) const {
    if (IsPdfChosen()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
    } else {
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(m_pPrinterList->currentData().toString());
    }
    if (m_pPaperSize->currentIndex() >= 0) {
        printer.setPageSize(
            QPageSize(static_cast<QPageSize::PageSizeId>(m_pPaperSize->currentData().toInt())));
    }
    printer.setPageOrientation(m_pLandscape->isChecked() ? QPageLayout::Landscape
                                                         : QPageLayout::Portrait);
    if (m_pPaperSource->isEnabled() && m_pPaperSource->currentIndex() >= 0) {
        printer.setPaperSource(
            static_cast<QPrinter::PaperSource>(m_pPaperSource->currentData().toInt()));
    }
}

void CPrintSetupDlg::OnProperties() {
    // The page setup works on a copy: only OK of this dialog changes the real printer.
    QPrinter scratch;
    ApplyChoices(scratch);
    QPageSetupDialog properties(&scratch, this);
    if (properties.exec() != QDialog::Accepted) return;
    const QPageLayout layout = scratch.pageLayout();
    FillPaper(layout.pageSize(), scratch.paperSource());
    (layout.orientation() == QPageLayout::Landscape ? m_pLandscape : m_pPortrait)->setChecked(true);
}

void CPrintSetupDlg::StepSize(int delta) {
    bool ok = false;
    const int size = m_pSizeField->text().trimmed().toInt(&ok);
    const int stepped = ok ? std::clamp(size + delta, kMinFontSize, kMaxFontSize) : kMinFontSize;
    m_pSizeField->setText(QString::number(stepped));
}

bool CPrintSetupDlg::eventFilter(QObject* watched, QEvent* event) {
    // The arrow keys in the Size field work the up-down control.
    if (watched == m_pSizeField && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            StepSize(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CPrintSetupDlg::accept() {
    bool ok = false;
    const int size = m_pSizeField->text().trimmed().toInt(&ok);
    if (!ok || size < kMinFontSize || size > kMaxFontSize) {
        QMessageBox::warning(this, windowTitle(), Text(IDS_PRINT_FONT_SIZE_RANGE));
        m_pSizeField->setFocus();
        m_pSizeField->selectAll();
        return;
    }
    m_nFontSize = size;
    m_strFontFace = m_pFaceList->currentIndex() >= 0 ? m_pFaceList->currentText() : QString();
    ApplyChoices(m_printer);
    QDialog::accept();
}
