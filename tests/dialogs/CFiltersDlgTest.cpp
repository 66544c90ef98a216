#include <gtest/gtest.h>

#include <QCheckBox>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <initializer_list>

#include "CFilterEntryDlg.h"
#include "CFiltersDlg.h"
#include "CPreferencesDlg.h"
#include "CPrintSetupDlg.h"
#include "CTimeIntervalEdit.h"
#include "FilterRecords.h"
#include "ModalDriver.h"

namespace {

using Button = CFiltersDlg::Button;
using K = FilterKind;

QStringList Shown(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

// Has the next entry dialog type text (or take the interval template) and OK, or cancel.
void EnterWhenAsked(const QString& typed, bool interval = false, bool cancel = false) {
    WhenModal<CFilterEntryDlg>([=](CFilterEntryDlg* d) {
        ASSERT_NE(d, nullptr);
        if (cancel) return d->reject();
        (interval ? d->GetIntervalButton() : d->GetStringButton())->click();
        QTest::keyClicks(d->GetField(), typed);
        d->GetOkButton()->click();
    });
}

void Select(QListWidget* list, const QString& text) {
    list->findItems(text, Qt::MatchExactly).value(0)->setSelected(true);
}

const std::string kYear = "01/01/2003 00:00:00 to 12/31/2003 23:59:59";
const std::string kTemplate = "01/01/1970 00:00:00 to 12/31/2050 23:59:59";

TEST(FiltersDlg, OpensOnACopySortedIntoTwoLists) {
    const Records records = {{K::IncludeString, "error"},
                             {K::ExcludeString, "DEBUG"},
                             {K::IncludeString, "Alarm"},
                             {K::IncludeInterval, kYear},
                             {K::ExcludeInterval, "x"}};
    const FilterList given = MakeFilterList(records);
    CFiltersDlg dlg(given);
    EXPECT_EQ(Shown(dlg.GetIncludeList()),
              (QStringList{QString::fromStdString(kYear), "Alarm", "error"}));
    EXPECT_EQ(Shown(dlg.GetExcludeList()), (QStringList{"DEBUG", "x"}));
    EXPECT_TRUE(dlg.GetIncludeList()->selectedItems().isEmpty());
    EXPECT_EQ(dlg.GetExcludeList()->item(1)->data(Qt::UserRole).toInt(),
              static_cast<int>(K::ExcludeInterval));
    EXPECT_EQ(dlg.GetButton(false, Button::Add)->text(), "Add..");
    EXPECT_EQ(RecordsOf(dlg.GetFilters()), records);
    EXPECT_TRUE(CFiltersDlg(FilterList()).GetFilters().empty());
}

TEST(FiltersDlg, AddRemoveDuplicateAndEditWorkOnTheWorkingListInItsOrder) {
    const FilterList given = MakeFilterList({{K::IncludeString, "x"},
                                             {K::IncludeString, "y"},
                                             {K::IncludeString, "x"},
                                             {K::IncludeInterval, kYear},
                                             {K::ExcludeString, "noise"}});
    CFiltersDlg dlg(given);
    // Without a selection nothing happens and no dialog opens.
    for (const Button b : {Button::Remove, Button::Duplicate, Button::Edit}) {
        EXPECT_EQ(ModalsOpenedDuring([&] { dlg.GetButton(true, b)->click(); }), 0);
    }
    // Remove of a filter entered twice removes the first one in list order.
    Select(dlg.GetIncludeList(), "x");
    dlg.GetButton(true, Button::Remove)->click();
    // Edit of an interval choosing String Filter: an include string, moved to the end.
    Select(dlg.GetIncludeList(), QString::fromStdString(kYear));
    EnterWhenAsked("z");
    dlg.GetButton(true, Button::Edit)->click();
    // Duplicate of an exclude string choosing Time Interval: an exclude interval.
    Select(dlg.GetExcludeList(), "noise");
    EnterWhenAsked({}, true);
    dlg.GetButton(false, Button::Duplicate)->click();
    EnterWhenAsked("Alarm");
    dlg.GetButton(true, Button::Add)->click();
    EnterWhenAsked({}, false, true);
    dlg.GetButton(false, Button::Add)->click();
    EXPECT_EQ(RecordsOf(dlg.GetFilters()), (Records{{K::IncludeString, "y"},
                                                    {K::IncludeString, "x"},
                                                    {K::ExcludeString, "noise"},
                                                    {K::IncludeString, "z"},
                                                    {K::ExcludeInterval, kTemplate},
                                                    {K::IncludeString, "Alarm"}}));
    EXPECT_EQ(Shown(dlg.GetIncludeList()), (QStringList{"Alarm", "x", "y", "z"}));
    EXPECT_EQ(Shown(dlg.GetExcludeList()),
              (QStringList{QString::fromStdString(kTemplate), "noise"}));
}

TEST(FiltersDlg, EditThenCancelInTheEntryDialogDeletedTheFilter) {
    const FilterList given =
        MakeFilterList({{K::IncludeString, "keep"}, {K::ExcludeString, "drop"}});
    CFiltersDlg dlg(given);
    WhenModal<CFiltersDlg>([](CFiltersDlg* d) {
        ASSERT_NE(d, nullptr);
        Select(d->GetIncludeList(), "keep");
        EnterWhenAsked({}, false, true);
        d->GetButton(true, Button::Edit)->click();
        // Cancel in the entry dialog leaves the list exactly as it was.
        EXPECT_EQ(RecordsOf(d->GetFilters()),
                  (Records{{K::IncludeString, "keep"}, {K::ExcludeString, "drop"}}));
        EXPECT_EQ(Shown(d->GetIncludeList()), QStringList{"keep"});
        d->reject();
    });
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    EXPECT_EQ(RecordsOf(given), (Records{{K::IncludeString, "keep"}, {K::ExcludeString, "drop"}}));
}

TEST(FiltersDlg, TenThousandFiltersOpenSortedAndATextThatIsNotUtf8IsRemovedByItsBytes) {
    Records records;
    for (int i = 9999; i >= 0; --i)
        records.emplace_back(i % 2 ? K::IncludeString : K::ExcludeString,
                             std::to_string(10000 + i));
    records.emplace_back(K::IncludeString, "caf\xe9");
    const FilterList given = MakeFilterList(records);
    CFiltersDlg dlg(given);
    ASSERT_EQ(dlg.GetIncludeList()->count(), 5001);
    EXPECT_EQ(dlg.GetIncludeList()->item(0)->text(), "10001");
    EXPECT_EQ(dlg.GetIncludeList()->item(5000)->text(), QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_EQ(dlg.GetExcludeList()->item(4999)->text(), "19998");
    Select(dlg.GetIncludeList(), QString::fromUtf8("caf\xc3\xa9"));
    dlg.GetButton(true, Button::Remove)->click();
    EXPECT_EQ(RecordsOf(dlg.GetFilters()).size(), 10000u);
}

TEST(FiltersDlg, DeleteKeyRemovesDoubleClickEditsAndRemoveAllEmptiesBothLists) {
    const FilterList given =
        MakeFilterList({{K::IncludeString, "a"}, {K::IncludeString, "b"}, {K::ExcludeString, "c"}});
    CFiltersDlg dlg(given);
    dlg.show();
    dlg.GetIncludeList()->setCurrentRow(0);
    QTest::keyClick(dlg.GetIncludeList(), Qt::Key_Delete);
    QListWidgetItem* b = dlg.GetIncludeList()->item(0);
    ASSERT_EQ(b->text(), "b");
    dlg.GetIncludeList()->setCurrentItem(b);
    EnterWhenAsked("B");
    emit dlg.GetIncludeList()->itemDoubleClicked(b);
    EXPECT_EQ(RecordsOf(dlg.GetFilters()),
              (Records{{K::ExcludeString, "c"}, {K::IncludeString, "B"}}));
    dlg.GetRemoveAllButton()->click();
    EXPECT_TRUE(dlg.GetFilters().empty());
    EXPECT_EQ(dlg.GetIncludeList()->count() + dlg.GetExcludeList()->count(), 0);
}

// Enter pressed the default OK whatever button had the focus: Cancel applied the changes.
TEST(DialogKeys, EnterOnAFocusedButtonActedAsOk) {
    CFiltersDlg filters{FilterList()};
    CFilterEntryDlg entry;
    CPreferencesDlg preferences;
    QPrinter printer;
    CPrintSetupDlg setup(printer, QStringLiteral("DejaVu Sans"), 90);
    for (QDialog* dlg : std::initializer_list<QDialog*>{&filters, &entry, &preferences, &setup}) {
        for (QPushButton* button : dlg->findChildren<QPushButton*>()) {
            const QString text = button->text();
            // Of the other dialogs Cancel: their other buttons open platform dialogs.
            if (!button->isVisibleTo(dlg) || button->isDefault() ||
                (dlg != &filters && text != "Cancel"))
                continue;
            dlg->show();
            dlg->setResult(-1);
            QSignalSpy clicked(button, &QPushButton::clicked);
            // Add opens the entry dialog, which is then cancelled.
            if (text.startsWith(QStringLiteral("Add"))) EnterWhenAsked({}, false, true);
            button->setFocus();
            QTest::keyClick(button, Qt::Key_Return);
            EXPECT_EQ(clicked.count(), 1) << text.toStdString();
            EXPECT_NE(dlg->result(), QDialog::Accepted) << text.toStdString();
        }
    }
}

TEST(PreferencesDlg, CheckBoxShowsAndSetsTheValue) {
    for (const int given : {0, 1}) {
        CPreferencesDlg dlg;
        dlg.m_bExcludeInvalid = given;
        WhenModal<CPreferencesDlg>([given](CPreferencesDlg* d) {
            EXPECT_EQ(d->GetCheckBox()->isChecked(), given != 0);
            QTest::mouseClick(d->GetCheckBox(), Qt::LeftButton);
            d->accept();
        });
        ASSERT_EQ(dlg.exec(), QDialog::Accepted);
        EXPECT_EQ(dlg.m_bExcludeInvalid, 1 - given);
    }
}

}  // namespace
