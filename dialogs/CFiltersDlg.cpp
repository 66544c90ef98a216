#include "CFiltersDlg.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "CFilterEntryDlg.h"
#include "DialogUnits.h"
#include "LogTextCodec.h"
#include "StringTable.h"

namespace {

bool IsInclude(FilterKind kind) {
    return kind == FilterKind::IncludeString || kind == FilterKind::IncludeInterval ||
           kind == FilterKind::IncludePattern;
}
bool IsPattern(FilterKind kind) {
    return kind == FilterKind::IncludePattern || kind == FilterKind::ExcludePattern;
}

// A list box item that sorts the way the list boxes of the suite's own tools do: by text,
// without regard to letter case, in the user's language.
class CFilterItem : public QListWidgetItem {
public:
    using QListWidgetItem::QListWidgetItem;
    bool operator<(const QListWidgetItem& other) const override {
        const int c =
            QString::localeAwareCompare(text().toCaseFolded(), other.text().toCaseFolded());
        return c != 0 ? c < 0 : text() < other.text();
    }
};

std::string Bytes(const QListWidgetItem& item) {
    return item.data(CFiltersDlg::kBytesRole).toByteArray().toStdString();
}

// The one selected item of a single-selection list box; null when nothing is selected.
QListWidgetItem* SelectedItem(const QListWidget& list) {
    const QList<QListWidgetItem*> selected = list.selectedItems();
    return selected.isEmpty() ? nullptr : selected.constFirst();
}

FilterKind Kind(const QListWidgetItem& item) {
    return static_cast<FilterKind>(item.data(Qt::UserRole).toInt());
}

}  // namespace

CFiltersDlg::CFiltersDlg(const FilterList& filters, QWidget* parent, const LocaleFormats& formats)
    : QDialog(parent), m_formats(formats), m_filters(filters) {
    setWindowTitle(QStringLiteral("Log Message Filters"));
    const DialogUnits du(font());

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(du.X(5));
    grid->setVerticalSpacing(du.Y(6));
    const char* labels[2] = {
        "Exclude lines containing the following strings or that are within the specified time "
        "period(s):",
        "Include only lines containing the following strings or that are within the specified time "
        "period(s):"};
    // The exclude side's Add button has always read "Add.."; both sides keep their texts.
    const char* texts[2][4] = {{"Add..", "Remove", "Duplicate...", "Edit..."},
                               {"Add...", "Remove", "Duplicate...", "Edit..."}};
    for (const bool include : {true, false}) {
        const int column = include ? 0 : 1;
        auto* label = new QLabel(QString::fromUtf8(labels[include]), this);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setMinimumHeight(du.Y(17));
        grid->addWidget(label, 0, column);
        QListWidget* list = MakeList();
        list->setMinimumSize(du.X(215), du.Y(121));
        (include ? m_includeList : m_excludeList) = list;
        grid->addWidget(list, 1, column);
        auto* row = new QHBoxLayout;
        row->setSpacing(du.X(5));
        for (int b = 0; b < 4; ++b) {
            auto* button = new QPushButton(QString::fromUtf8(texts[include][b]), this);
            button->setMinimumWidth(du.X(50));
            m_buttons[include][b] = button;
            row->addWidget(button);
        }
        grid->addLayout(row, 2, column);

        connect(m_buttons[include][0], &QPushButton::clicked, this, [this, include] {
            AddFilter(include ? FilterKind::IncludeString : FilterKind::ExcludeString, {});
        });
        connect(m_buttons[include][1], &QPushButton::clicked, this,
                [this, list] { OnRemove(list); });
        connect(m_buttons[include][2], &QPushButton::clicked, this,
                [this, list] { OnDuplicate(list); });
        connect(m_buttons[include][3], &QPushButton::clicked, this, [this, list] { OnEdit(list); });
        connect(list, &QListWidget::itemDoubleClicked, this, [this, list] { OnEdit(list); });
        list->installEventFilter(this);
    }
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_removeAll = new QPushButton(QStringLiteral("Remove All"), this);
    // Every button takes Enter while it has the focus, as buttons do everywhere on the
    // desktop; Enter elsewhere is OK.
    auto* side = new QVBoxLayout;
    for (QPushButton* button : {ok, cancel, m_removeAll}) {
        button->setMinimumWidth(du.X(50));
        side->addWidget(button);
    }
    side->addStretch(1);
    grid->addLayout(side, 0, 2, 3, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_removeAll, &QPushButton::clicked, this, &CFiltersDlg::OnRemoveAll);

    // Items are added unsorted and sorted once: sorting on every insertion would make
    // opening a long list quadratic.
    for (const LogFilter& filter : m_filters) AddItem(filter.kind, filter.text);
    for (QListWidget* list : {m_includeList, m_excludeList}) {
        list->setSortingEnabled(true);
        list->sortItems();
    }
    setTabOrder(m_includeList, m_buttons[1][0]);
    m_includeList->setFocus();
}

CFiltersDlg::~CFiltersDlg() = default;

bool CFiltersDlg::eventFilter(QObject* watched, QEvent* event) {
    auto* list = qobject_cast<QListWidget*>(watched);
    if (list != nullptr && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Delete)) {
        OnRemove(list);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

QListWidget* CFiltersDlg::MakeList() {
    auto* list = new QListWidget(this);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list->setTextElideMode(Qt::ElideRight);
    return list;
}

QPushButton* CFiltersDlg::GetButton(bool include, Button button) const {
    return m_buttons[include][static_cast<int>(button)];
}

QListWidget* CFiltersDlg::ListOf(FilterKind kind) const {
    return IsInclude(kind) ? m_includeList : m_excludeList;
}

void CFiltersDlg::AddItem(FilterKind kind, const std::string& text) {
    auto* item = new CFilterItem(DecodeLogText(text));
    item->setData(Qt::UserRole, static_cast<int>(kind));
    item->setData(kBytesRole, QByteArray::fromStdString(text));
    // A pattern's row reads like a string's but for the tip.
    if (IsPattern(kind)) item->setToolTip(QStringLiteral("Pattern"));
    if (HasDefaultEnds(text, kind, m_formats)) {
        // An interval read from a file that does not read in this date order lets every
        // line through; the row says so rather than looking like the interval it names.
        item->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
        item->setToolTip(QString::fromUtf8(LoadString(IDS_INTERVAL_FELL_BACK_TIP)));
    }
    ListOf(kind)->addItem(item);
}

std::optional<CFiltersDlg::Entry> CFiltersDlg::RunEntry(FilterKind kind, const std::string& text) {
    CFilterEntryDlg entry(this, m_formats);
    entry.m_strFilter = text;
    entry.m_bStringFilter = !IsIntervalKind(kind);
    entry.m_bPattern = IsPattern(kind);
    if (entry.exec() != QDialog::Accepted) return std::nullopt;
    // The list stays the one the filter was added to or taken from; the entry dialog
    // chooses between string and interval.
    const bool include = IsInclude(kind);
    FilterKind chosen;
    if (entry.m_bPattern) {
        chosen = include ? FilterKind::IncludePattern : FilterKind::ExcludePattern;
    } else if (entry.m_bStringFilter) {
        chosen = include ? FilterKind::IncludeString : FilterKind::ExcludeString;
    } else {
        chosen = include ? FilterKind::IncludeInterval : FilterKind::ExcludeInterval;
    }
    return Entry{chosen, entry.m_strFilter};
}

void CFiltersDlg::Append(const Entry& entry) {
    m_filters.Append(entry.text, entry.kind, m_formats);
    AddItem(entry.kind, entry.text);
}

void CFiltersDlg::AddFilter(FilterKind kind, const std::string& text) {
    if (const std::optional<Entry> entry = RunEntry(kind, text)) Append(*entry);
}

void CFiltersDlg::RemoveFilter(FilterKind kind, const std::string& text) {
    m_filters.Remove(text, kind);
    delete SelectedItem(*ListOf(kind));
}

void CFiltersDlg::OnRemove(QListWidget* list) {
    const QListWidgetItem* item = SelectedItem(*list);
    if (item == nullptr) return;
    RemoveFilter(Kind(*item), Bytes(*item));
}

void CFiltersDlg::OnDuplicate(QListWidget* list) {
    const QListWidgetItem* item = SelectedItem(*list);
    if (item == nullptr) return;
    AddFilter(Kind(*item), Bytes(*item));
}

void CFiltersDlg::OnEdit(QListWidget* list) {
    const QListWidgetItem* item = SelectedItem(*list);
    if (item == nullptr) return;
    const FilterKind kind = Kind(*item);
    const std::string text = Bytes(*item);
    // The filter goes only once its replacement is confirmed: Cancel in the entry dialog
    // leaves the list as it was. The edited filter moves to the end of the list.
    const std::optional<Entry> entry = RunEntry(kind, text);
    if (!entry) return;
    RemoveFilter(kind, text);
    Append(*entry);
}

void CFiltersDlg::OnRemoveAll() {
    m_filters.Clear();
    m_includeList->clear();
    m_excludeList->clear();
}
