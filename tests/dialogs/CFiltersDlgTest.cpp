#include <gtest/gtest.h>

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "CFilterEntryDlg.h"
#include "CFiltersDlg.h"
#include "CPreferencesDlg.h"
#include "CTimeIntervalEdit.h"
#include "FilterRecords.h"
#include "ModalDriver.h"

namespace {

using Button = CFiltersDlg::Button;

QStringList Shown(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

// What the entry dialog is to do when the filter dialog opens it.
void EnterWhenAsked(const QString& typed, bool interval = false) {
    WhenModal<CFilterEntryDlg>([typed, interval](CFilterEntryDlg* d) {
        ASSERT_NE(d, nullptr);
        if (interval) {
            d->GetIntervalButton()->click();
        } else {
            d->GetStringButton()->click();
            QTest::keyClicks(d->GetField(), typed);
        }
        d->GetOkButton()->click();
    });
}

void CancelWhenAsked() {
    WhenModal<CFilterEntryDlg>([](CFilterEntryDlg* d) {
        ASSERT_NE(d, nullptr);
        d->reject();
    });
}

void Select(QListWidget* list, const QString& text) {
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << text.toStdString();
    found.constFirst()->setSelected(true);
}

const QString kInterval = QStringLiteral("01/01/1970 00:00:00 to 12/31/2050 23:59:59");

TEST(FiltersDlg, OpensOnACopySortedIntoTwoLists) {
    const FilterList given = MakeFilterList({{FilterKind::IncludeString, "error"},
                                   {FilterKind::ExcludeString, "DEBUG"},
                                   {FilterKind::IncludeString, "Alarm"},
                                   {FilterKind::IncludeInterval, "01/01/2003 00:00:00 to 12/31/2003 23:59:59"},
                                   {FilterKind::ExcludeInterval, "x"}});
    CFiltersDlg dlg(given.get());
    EXPECT_EQ(Shown(dlg.GetIncludeList()),
              (QStringList{"01/01/2003 00:00:00 to 12/31/2003 23:59:59", "Alarm", "error"}));
    EXPECT_EQ(Shown(dlg.GetExcludeList()), (QStringList{"DEBUG", "x"}));
    EXPECT_TRUE(dlg.GetIncludeList()->selectedItems().isEmpty());
    EXPECT_EQ(dlg.GetExcludeList()->item(1)->data(Qt::UserRole).toInt(), static_cast<int>(FilterKind::ExcludeInterval));
    EXPECT_EQ(dlg.GetButton(false, Button::Add)->text(), "Add..");
    EXPECT_EQ(dlg.GetButton(true, Button::Add)->text(), "Add...");

    // The working list is a deep copy in list order, and GetFilters copies it again.
    EXPECT_EQ(RecordsOf(dlg.GetWorkingList()), RecordsOf(given.get()));
    EXPECT_NE(dlg.GetWorkingList(), given.get());
    FilterList taken = dlg.GetFilters();
    EXPECT_EQ(RecordsOf(taken.get()), RecordsOf(given.get()));
    EXPECT_NE(taken->next->next->next->from.get(), dlg.GetWorkingList()->next->next->next->from.get());

    CFiltersDlg empty(nullptr);
    EXPECT_EQ(empty.GetIncludeList()->count() + empty.GetExcludeList()->count(), 0);
    EXPECT_EQ(empty.GetFilters(), nullptr);
}

TEST(FiltersDlg, AddAppendsToTheListAndShowsSorted) {
    CFiltersDlg dlg(nullptr);
    EnterWhenAsked("error");
    dlg.GetButton(true, Button::Add)->click();
    EnterWhenAsked("Alarm");
    dlg.GetButton(true, Button::Add)->click();
    EnterWhenAsked({}, true);
    dlg.GetButton(false, Button::Add)->click();
    CancelWhenAsked();
    dlg.GetButton(false, Button::Add)->click();

    EXPECT_EQ(Shown(dlg.GetIncludeList()), (QStringList{"Alarm", "error"}));
    EXPECT_EQ(RecordsOf(dlg.GetWorkingList()), (Records{{FilterKind::IncludeString, "error"},
                                                        {FilterKind::IncludeString, "Alarm"},
                                                        {FilterKind::ExcludeInterval, kInterval.toStdString()}}));
    EXPECT_EQ(Shown(dlg.GetExcludeList()), QStringList{kInterval});
}

TEST(FiltersDlg, RemoveDuplicateAndEditWorkOnTheSelectedFilter) {
    const FilterList given = MakeFilterList({{FilterKind::IncludeString, "x"},
                                   {FilterKind::IncludeString, "y"},
                                   {FilterKind::IncludeString, "x"},
                                   {FilterKind::IncludeInterval, "01/01/2003 00:00:00 to 12/31/2003 23:59:59"},
                                   {FilterKind::ExcludeString, "noise"}});
    CFiltersDlg dlg(given.get());

    // Without a selection nothing happens and no dialog opens.
    for (const Button b : {Button::Remove, Button::Duplicate, Button::Edit}) {
        EXPECT_EQ(ModalsOpenedDuring([&] { dlg.GetButton(true, b)->click(); }), 0);
    }
    EXPECT_EQ(dlg.GetIncludeList()->count(), 4);

    // Remove of a filter entered twice removes the first one in list order.
    Select(dlg.GetIncludeList(), "x");
    dlg.GetButton(true, Button::Remove)->click();
    EXPECT_EQ(Shown(dlg.GetIncludeList()), (QStringList{"01/01/2003 00:00:00 to 12/31/2003 23:59:59", "x", "y"}));
    EXPECT_EQ(RecordsOf(dlg.GetWorkingList()).front(), std::make_pair(FilterKind::IncludeString, std::string("y")));

    // Edit of an interval choosing String Filter: an include string, moved to the end.
    Select(dlg.GetIncludeList(), "01/01/2003 00:00:00 to 12/31/2003 23:59:59");
    EnterWhenAsked("z");
    dlg.GetButton(true, Button::Edit)->click();
    // Duplicate of an exclude string choosing Time Interval: an exclude interval.
    Select(dlg.GetExcludeList(), "noise");
    EnterWhenAsked({}, true);
    dlg.GetButton(false, Button::Duplicate)->click();
    EXPECT_EQ(RecordsOf(dlg.GetWorkingList()), (Records{{FilterKind::IncludeString, "y"},
                                                        {FilterKind::IncludeString, "x"},
                                                        {FilterKind::ExcludeString, "noise"},
                                                        {FilterKind::IncludeString, "z"},
                                                        {FilterKind::ExcludeInterval, kInterval.toStdString()}}));
    EXPECT_EQ(Shown(dlg.GetIncludeList()), (QStringList{"x", "y", "z"}));
    EXPECT_EQ(Shown(dlg.GetExcludeList()), (QStringList{kInterval, "noise"}));
}

TEST(FiltersDlg, EditThenCancelThenCancelLeavesTheCallersListAlone) {
    const FilterList given = MakeFilterList({{FilterKind::IncludeString, "keep"}, {FilterKind::ExcludeString, "drop"}});
    CFiltersDlg dlg(given.get());
    WhenModal<CFiltersDlg>([](CFiltersDlg* d) {
        ASSERT_NE(d, nullptr);
        Select(d->GetIncludeList(), "keep");
        CancelWhenAsked();
        d->GetButton(true, Button::Edit)->click();
        // Cancel in the entry dialog after Edit leaves the filter removed from the copy.
        EXPECT_EQ(RecordsOf(d->GetWorkingList()), (Records{{FilterKind::ExcludeString, "drop"}}));
        EXPECT_EQ(d->GetIncludeList()->count(), 0);
        d->reject();
    });
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    EXPECT_EQ(RecordsOf(given.get()), (Records{{FilterKind::IncludeString, "keep"}, {FilterKind::ExcludeString, "drop"}}));
}

TEST(FiltersDlg, TenThousandFiltersOpenSortedAndNonUtf8TextsKeepTheirBytes) {
    FilterList given;
    LogFilter* last = nullptr;
    for (int i = 9999; i >= 0; --i) {
        auto node = MakeFilter("filter " + std::to_string(100000 + i), i % 2 ? FilterKind::IncludeString : FilterKind::ExcludeString);
        LogFilter* raw = node.get();
        (last ? last->next : given) = std::move(node);
        last = raw;
    }
    AppendFilter(given, "caf\xe9", FilterKind::IncludeString);
    CFiltersDlg dlg(given.get());
    ASSERT_EQ(dlg.GetIncludeList()->count(), 5001);
    EXPECT_EQ(dlg.GetIncludeList()->item(0)->text(), QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_EQ(dlg.GetIncludeList()->item(1)->text(), "filter 100001");
    EXPECT_EQ(dlg.GetExcludeList()->item(4999)->text(), "filter 109998");

    // Remove finds a text that is not UTF-8 by its bytes.
    Select(dlg.GetIncludeList(), QString::fromUtf8("caf\xc3\xa9"));
    dlg.GetButton(true, Button::Remove)->click();
    EXPECT_EQ(dlg.GetIncludeList()->count(), 5000);
    const LogFilter* n = dlg.GetWorkingList();
    while (n->next) n = n->next.get();
    EXPECT_EQ(n->text, "filter 100000");
}

TEST(PreferencesDlg, CheckBoxFollowsAndSetsTheValue) {
    for (const int given : {0, 1}) {
        CPreferencesDlg dlg;
        dlg.m_bExcludeInvalid = given;
        WhenModal<CPreferencesDlg>([given](CPreferencesDlg* d) {
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(d->GetCheckBox()->isChecked(), given != 0);
            EXPECT_EQ(d->GetCheckBox()->text(), "Exclude lines with invalid timestamps");
            QTest::mouseClick(d->GetCheckBox(), Qt::LeftButton);
            d->accept();
        });
        ASSERT_EQ(dlg.exec(), QDialog::Accepted);
        EXPECT_EQ(dlg.m_bExcludeInvalid, 1 - given);
    }
}

}  // namespace
