#pragma once

#include <QLabel>
#include <QLocale>
#include <QString>
#include <cstdint>

// The status-bar pane that shows how many lines are on display, and while filters are
// active or lines are hidden of how many: "N lines", or "N of M lines", and "all N lines,
// filters held" while the filters are held (thousands separated in the user's locale).
// Its tooltip counts the active filters; a double click asks for the filter list.
class CLinesPane : public QLabel {
    Q_OBJECT

public:
    explicit CLinesPane(QWidget* parent = nullptr);

    // shown: lines on display; total: every line of the log; filters: the number of
    // active filters; held: they are held and every line is shown.
    void SetCounts(std::int64_t shown, std::int64_t total, int filters, bool held = false);
    static QString Text(std::int64_t shown, std::int64_t total, int filters, const QLocale& locale,
                        bool held = false);
    static QString ToolTip(int filters);

signals:
    void DoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};
