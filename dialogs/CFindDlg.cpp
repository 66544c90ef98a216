#include "CFindDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "CPatternSearcher.h"
#include "CTrawlviewView.h"

CFindDlg::CFindDlg(CTrawlviewView& owner) : QDialog(&owner), m_pOwner(&owner) {
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);

    m_pFindWhat = new QLineEdit(QString::fromStdString(owner.GetFindWhat()), this);
    auto* label = new QLabel(QStringLiteral("Fi&nd what:"), this);
    label->setBuddy(m_pFindWhat);
    m_pWholeWord = new QCheckBox(QStringLiteral("Match &whole word only"), this);
    m_pMatchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    m_pRegex = new QCheckBox(QStringLiteral("Regular e&xpression"), this);
    auto* direction = new QGroupBox(QStringLiteral("Direction"), this);
    m_pUp = new QRadioButton(QStringLiteral("&Up"), direction);
    m_pDown = new QRadioButton(QStringLiteral("&Down"), direction);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(m_pUp);
    directionLayout->addWidget(m_pDown);

    m_pFindNext = new QPushButton(QStringLiteral("&Find Next"), this);
    m_pFindNext->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_pFindNext);
    buttons->addWidget(cancel);
    buttons->addStretch();

    auto* grid = new QGridLayout(this);
    auto* textRow = new QHBoxLayout;
    textRow->addWidget(label);
    textRow->addWidget(m_pFindWhat, 1);
    grid->addLayout(textRow, 0, 0, 1, 2);
    auto* options = new QVBoxLayout;
    options->addStretch();
    options->addWidget(m_pWholeWord);
    options->addWidget(m_pMatchCase);
    options->addWidget(m_pRegex);
    grid->addLayout(options, 1, 0);
    grid->addWidget(direction, 1, 1);
    grid->addLayout(buttons, 0, 2, 2, 1);

    const FindOptions& last = owner.GetFindOptions();
    m_pWholeWord->setChecked(last.wholeWord);
    m_pMatchCase->setChecked(last.matchCase);
    m_pRegex->setChecked(last.regex);
    (last.down ? m_pDown : m_pUp)->setChecked(true);

    // Find Next needs a text, as in the platform's own find dialogs.
    auto enable = [this] { m_pFindNext->setEnabled(!m_pFindWhat->text().isEmpty()); };
    enable();
    connect(m_pFindWhat, &QLineEdit::textChanged, this, enable);
    connect(m_pFindNext, &QPushButton::clicked, this, [this] {
        // A pattern that does not compile is said once, with where; nothing is searched.
        if (m_pRegex->isChecked()) {
            const CPatternSearcher pattern(m_pFindWhat->text().toStdString(),
                                           m_pMatchCase->isChecked());
            if (!pattern.IsValid()) {
                QMessageBox::warning(this, windowTitle(), QString::fromStdString(pattern.Error()));
                return;
            }
        }
        Notify(CTrawlviewView::FR_FINDNEXT);
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Escape, Cancel and the window's close button all end here; the view keeps the
    // last text and options.
    connect(this, &QDialog::finished, this, [this] { Notify(CTrawlviewView::FR_DIALOGTERM); });
}

unsigned CFindDlg::Flags() const {
    return (m_pDown->isChecked() ? CTrawlviewView::FR_DOWN : 0u) |
           (m_pWholeWord->isChecked() ? CTrawlviewView::FR_WHOLEWORD : 0u) |
           (m_pMatchCase->isChecked() ? CTrawlviewView::FR_MATCHCASE : 0u) |
           (m_pRegex->isChecked() ? CTrawlviewView::FR_REGEX : 0u);
}

void CFindDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_pFindWhat->setFocus();
    m_pFindWhat->selectAll();
}

void CFindDlg::Notify(unsigned flag) {
    if (m_pOwner) m_pOwner->OnFindReplace(m_pFindWhat->text().toStdString(), Flags() | flag);
}
