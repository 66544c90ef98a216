#include "CAboutDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "StringTable.h"

namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CAboutDlg::CAboutDlg(const std::string& fileVersion, QWidget* parent)
    : QDialog(parent), m_wndVersion(new QLabel(this)) {
    Q_INIT_RESOURCE(trawlview);
    setWindowTitle(Text(LoadString(IDS_ABOUT_TITLE)));
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/trawlview.png")).pixmap(32, 32));
    // Plain text: an ampersand in the version shows as itself.
    m_wndVersion->setTextFormat(Qt::PlainText);
    m_wndVersion->setText(Text(FormatString(IDS_ABOUT_VERSION, fileVersion)));
    auto* notice = new QLabel(Text(LoadString(IDS_ABOUT_NOTICE)), this);
    notice->setTextFormat(Qt::PlainText);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Vertical, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(16);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(m_wndVersion, 0, 1);
    layout->addWidget(notice, 1, 1);
    layout->addWidget(buttons, 0, 2, 2, 1, Qt::AlignTop);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CAboutDlg::GetVersionText() const {
    return m_wndVersion->text();
}
