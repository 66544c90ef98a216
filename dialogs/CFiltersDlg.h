#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "FilterList.h"

class QListWidget;
class QListWidgetItem;
class QPushButton;

// "Log Message Filters": the include and the exclude list of the active filters. The
// dialog edits a copy of the list it is given; the caller takes GetFilters() after OK,
// and Cancel discards every change. In a list, Delete removes the selected filter and a
// double click edits it; Remove All empties both lists. Each list box shows its filters sorted by
// text; an item's data is its FilterKind (Qt::UserRole) and its text's bytes (kBytesRole).
class CFiltersDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kBytesRole = Qt::UserRole + 1;

    // filters is copied, never changed; formats reads interval texts and lays out the
    // entry dialog's template, and must outlive the dialog.
    explicit CFiltersDlg(const FilterList& filters, QWidget* parent = nullptr,
                         const LocaleFormats& formats = GetLocaleFormats());
    ~CFiltersDlg() override;

    // The working list, in list order: what OK hands back.
    const FilterList& GetFilters() const { return m_filters; }

    QListWidget* GetIncludeList() const { return m_includeList; }
    QListWidget* GetExcludeList() const { return m_excludeList; }

    // The buttons of one side, by the actions they carry out.
    enum class Button { Add, Remove, Duplicate, Edit };
    QPushButton* GetButton(bool include, Button button) const;
    // Empties both lists.
    QPushButton* GetRemoveAllButton() const { return m_removeAll; }

protected:
    // Delete in a list removes its selected filter.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListWidget* MakeList();
    QListWidget* ListOf(FilterKind kind) const;
    void AddItem(FilterKind kind, const std::string& text);
    // What the entry dialog confirmed: the kind (in the list it was opened from) and text.
    struct Entry {
        FilterKind kind;
        std::string text;
    };
    // Runs the entry dialog on text of kind; nothing when it is cancelled.
    std::optional<Entry> RunEntry(FilterKind kind, const std::string& text);
    void Append(const Entry& entry);
    // Runs the entry dialog on text and, on OK, appends what it gives to the list of kind.
    void AddFilter(FilterKind kind, const std::string& text);
    // Removes the first filter of this kind and text and the selected item of its list.
    void RemoveFilter(FilterKind kind, const std::string& text);
    void OnRemove(QListWidget* list);
    void OnDuplicate(QListWidget* list);
    void OnEdit(QListWidget* list);
    void OnRemoveAll();

    const LocaleFormats& m_formats;
    FilterList m_filters;
    QListWidget* m_includeList = nullptr;
    QListWidget* m_excludeList = nullptr;
    QPushButton* m_buttons[2][4] = {};  // [include][Button]
    QPushButton* m_removeAll = nullptr;
};
