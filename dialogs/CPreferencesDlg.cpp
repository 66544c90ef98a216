#include "CPreferencesDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QPushButton>
#include <QShowEvent>

#include "DialogUnits.h"

CPreferencesDlg::CPreferencesDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Preferences"));
    const DialogUnits du(font());
    m_excludeCheck = new QCheckBox(QStringLiteral("Exclude lines with invalid timestamps"), this);
    m_lfCheck = new QCheckBox(QStringLiteral("Treat a lone LF as a line end"), this);
    m_lfCheck->setWhatsThis(
        QStringLiteral("Lines end at CR and CR LF. Checked, a lone LF ends a line too, as in "
                       "logs written with LF line ends."));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    for (QPushButton* button : {ok, cancel}) button->setMinimumWidth(du.X(50));

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(du.X(5));
    grid->addWidget(m_excludeCheck, 0, 0, Qt::AlignTop);
    grid->addWidget(m_lfCheck, 1, 0, Qt::AlignTop);
    grid->addWidget(ok, 0, 1);
    grid->addWidget(cancel, 1, 1);
    grid->setRowStretch(2, 1);

    connect(m_excludeCheck, &QCheckBox::clicked, this,
            [this](bool checked) { m_bExcludeInvalid = checked ? 1 : 0; });
    connect(m_lfCheck, &QCheckBox::clicked, this,
            [this](bool checked) { m_bLfLineEnds = checked ? 1 : 0; });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CPreferencesDlg::showEvent(QShowEvent* event) {
    if (!m_bInitialized) {
        m_bInitialized = true;
        m_excludeCheck->setChecked(m_bExcludeInvalid != 0);
        m_lfCheck->setChecked(m_bLfLineEnds != 0);
    }
    QDialog::showEvent(event);
}
