#include "CFilterEntryDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

#include "CPatternSearcher.h"
#include "CTimeIntervalEdit.h"
#include "DialogUnits.h"
#include "IntervalText.h"
#include "LogTextCodec.h"
#include "StringTable.h"

CFilterEntryDlg::CFilterEntryDlg(QWidget* parent, const LocaleFormats& formats)
    : QDialog(parent), m_formats(formats) {
    setWindowTitle(QStringLiteral("Enter Filter"));
    const DialogUnits du(font());

    m_filterEdit = new CTimeIntervalEdit(formats, this);
    m_filterEdit->setMinimumWidth(du.X(229));
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    for (QPushButton* button : {m_okButton, cancel}) button->setMinimumWidth(du.X(50));
    m_stringButton = new QRadioButton(QStringLiteral("String Filter"), this);
    m_intervalButton = new QRadioButton(QStringLiteral("Time Interval"), this);
    m_patternButton = new QRadioButton(QStringLiteral("Pattern"), this);

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(du.X(5));
    grid->addWidget(new QLabel(QStringLiteral("Enter Filter String or Time Interval:"), this), 0,
                    0);
    grid->addWidget(m_okButton, 0, 1);
    grid->addWidget(m_filterEdit, 1, 0);
    grid->addWidget(cancel, 1, 1);
    auto* type = new QHBoxLayout;
    type->setSpacing(du.X(5));
    type->addWidget(new QLabel(QStringLiteral("FilterType:"), this));
    type->addWidget(m_stringButton);
    type->addWidget(m_intervalButton);
    type->addWidget(m_patternButton);
    type->addStretch(1);
    grid->addLayout(type, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);

    connect(m_okButton, &QPushButton::clicked, this, &CFilterEntryDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CFilterEntryDlg::reject);
    connect(m_stringButton, &QRadioButton::clicked, this, &CFilterEntryDlg::OnStringFilter);
    connect(m_intervalButton, &QRadioButton::clicked, this, &CFilterEntryDlg::OnTimeInterval);
    connect(m_patternButton, &QRadioButton::clicked, this, &CFilterEntryDlg::OnPattern);
}

void CFilterEntryDlg::showEvent(QShowEvent* event) {
    if (!m_bInitialized) {
        m_bInitialized = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CFilterEntryDlg::OnInitDialog() {
    m_strGiven = m_strFilter;
    m_strShown = DecodeLogText(m_strFilter);
    // Placed while the field still takes free text, so that it is never reverted.
    m_filterEdit->SetFreeText(true);
    m_filterEdit->StartLayout(m_strShown);
    (m_bPattern        ? m_patternButton
     : m_bStringFilter ? m_stringButton
                       : m_intervalButton)
        ->setChecked(true);
    m_filterEdit->SetFreeText(m_bStringFilter);
    // OK stays enabled whatever the field holds: what OK accepts is for the validation
    // to decide, and an empty string filter is a filter like any other.
    m_filterEdit->setFocus();
}

void CFilterEntryDlg::OnStringFilter() {
    m_bPattern = false;
    m_bStringFilter = true;
    m_filterEdit->SetFreeText(true);
    m_filterEdit->clear();
}

void CFilterEntryDlg::OnPattern() {
    m_bPattern = true;
    // A string typed before becomes the pattern's start; an interval template does not.
    if (m_bStringFilter) return;
    m_bStringFilter = true;
    m_filterEdit->SetFreeText(true);
    m_filterEdit->clear();
}

void CFilterEntryDlg::OnTimeInterval() {
    m_bPattern = false;
    if (!m_bStringFilter) return;
    m_bStringFilter = false;
    m_filterEdit->SetFreeText(false);
    m_filterEdit->StartLayout(QString::fromUtf8(BuildIntervalTemplate(m_formats)));
}

std::string CFilterEntryDlg::BuildIntervalTemplate(const LocaleFormats& formats) {
    return IntervalText::Format({1970, 1, 1, 0, 0, 0}, {2050, 12, 31, 23, 59, 59}, formats);
}

bool CFilterEntryDlg::TrimLineEnds(std::string& text) {
    // A text copied from a log often brings the line's end along; no line of the log
    // holds it, so it is dropped. One inside the text cannot be dropped without changing
    // what the filter means.
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return text.find_first_of("\r\n") == std::string::npos;
}

void CFilterEntryDlg::accept() {
    const QString shown = m_filterEdit->text();
    std::string text = shown == m_strShown ? m_strGiven : shown.toStdString();
    if (m_intervalButton->isChecked() && !IntervalText::IsAcceptable(text, m_formats)) {
        Report(IDS_INVALID_DATE_TIME);
        return;
    }
    if ((m_stringButton->isChecked() || m_patternButton->isChecked()) && !TrimLineEnds(text)) {
        Report(IDS_FILTER_LINE_BREAK);
        return;
    }
    if (m_patternButton->isChecked()) {
        const CPatternSearcher pattern(text, true);
        if (!pattern.IsValid()) {
            QMessageBox::warning(this, windowTitle(), QString::fromStdString(pattern.Error()));
            return;
        }
    }
    m_strFilter = std::move(text);
    QDialog::accept();
}

void CFilterEntryDlg::Report(StringId message) {
    const std::string_view text = LoadString(message);
    QMessageBox::warning(this, windowTitle(),
                         QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}
