#include <gtest/gtest.h>

#include <QClipboard>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "CFilterEntryDlg.h"
#include "CTimeIntervalEdit.h"
#include "IntervalText.h"
#include "ModalDriver.h"

namespace {

LocaleFormats Formats(DateOrder order, std::string dateSep = "/", int leadingZeros = 1) {
    LocaleValues user;
    user.order = order;
    user.dayLeadingZero = user.monthLeadingZero = leadingZeros;
    LocaleValues system;
    system.dateSeparator = std::move(dateSep);
    return MakeLocaleFormats(user, system);
}

const QString kMdy = QStringLiteral("01/01/1970 00:00:00 to 12/31/2050 23:59:59");

// An entry dialog shown (not run) in time interval mode on the template.
class MaskedField : public testing::Test {
protected:
    explicit MaskedField(const LocaleFormats& f = Formats(DateOrder::MDY))
        : formats(f), dlg(nullptr, formats) {
        dlg.show();
        dlg.GetIntervalButton()->click();
    }
    CTimeIntervalEdit& Field() { return *dlg.GetField(); }
    // Puts the caret at p and types; returns how many characters the field refused.
    int TypeAt(int p, const QString& keys) {
        QSignalSpy refused(&Field(), &CTimeIntervalEdit::Refused);
        Field().setCursorPosition(p);
        QTest::keyClicks(&Field(), keys);
        return static_cast<int>(refused.count());
    }
    int Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QSignalSpy refused(&Field(), &CTimeIntervalEdit::Refused);
        QTest::keyClick(&Field(), key, modifiers);
        return static_cast<int>(refused.count());
    }
    std::pair<int, qsizetype> Selection() {
        return {Field().selectionStart(), Field().selectedText().size()};
    }

    LocaleFormats formats;
    CFilterEntryDlg dlg;
};

TEST(IntervalTemplate, FollowsDateOrderLeadingZerosAndSeparators) {
    EXPECT_EQ(CFilterEntryDlg::BuildIntervalTemplate(Formats(DateOrder::MDY)), kMdy.toStdString());
    EXPECT_EQ(CFilterEntryDlg::BuildIntervalTemplate(Formats(DateOrder::DMY)),
              "01/01/1970 00:00:00 to 31/12/2050 23:59:59");
    EXPECT_EQ(CFilterEntryDlg::BuildIntervalTemplate(Formats(DateOrder::YMD)),
              "1970/01/01 00:00:00 to 2050/12/31 23:59:59");
    EXPECT_EQ(CFilterEntryDlg::BuildIntervalTemplate(Formats(DateOrder::MDY, "/", 0)),
              " 1/ 1/1970 00:00:00 to 12/31/2050 23:59:59");
    for (const DateOrder order : {DateOrder::MDY, DateOrder::DMY, DateOrder::YMD}) {
        const LocaleFormats f = Formats(order, ". ", 0);
        EXPECT_TRUE(IntervalText::IsAcceptable(CFilterEntryDlg::BuildIntervalTemplate(f), f));
    }
}

TEST_F(MaskedField, DigitsOverwriteDigitPositionsAndJumpSeparators) {
    ASSERT_EQ(Field().text(), kMdy);
    EXPECT_EQ(TypeAt(0, "1231"), 0);
    EXPECT_EQ(Field().text(), "12/31/1970 00:00:00 to 12/31/2050 23:59:59");
    EXPECT_EQ(Selection(), std::make_pair(6, qsizetype{1}));
    // On the blank, on a separator, inside " to ": the next digit position takes the digit.
    for (const auto& [at, typed] : {std::pair{10, 11}, {13, 14}, {20, 23}}) {
        TypeAt(at, "7");
        EXPECT_EQ(Field().text().at(typed), '7') << at;
    }
    // Over the last digit the caret ends after it; at the end every key is refused.
    TypeAt(41, "8");
    EXPECT_TRUE(Field().text().endsWith("23:59:58"));
    EXPECT_EQ(Field().cursorPosition(), 42);
    const QString before = Field().text();
    EXPECT_EQ(TypeAt(42, "1a"), 2);
    EXPECT_EQ(Field().text(), before);
}

TEST_F(MaskedField, OtherKeysBeepWhileDeleteAndPasteOnlyKeepTheLength) {
    EXPECT_EQ(TypeAt(2, "x"), 1);
    EXPECT_EQ(Selection(), std::make_pair(3, qsizetype{1}));  // the selection still moved on
    EXPECT_EQ(Press(Qt::Key_Backspace) + Press(Qt::Key_V, Qt::ControlModifier), 2);
    EXPECT_EQ(Field().text(), kMdy);
    Field().setCursorPosition(6);
    EXPECT_EQ(Press(Qt::Key_Delete), 0);
    EXPECT_EQ(Field().text(), kMdy);  // deleted, and put back at once
    QGuiApplication::clipboard()->setText(QStringLiteral("99"));
    Field().setSelection(6, 2);
    Press(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(Field().text(), "01/01/9970 00:00:00 to 12/31/2050 23:59:59");
}

TEST_F(MaskedField, PasteThatKeptTheLengthIsNotLostToALaterRevert) {
    QGuiApplication::clipboard()->setText(QStringLiteral("99"));
    Field().setSelection(6, 2);
    Field().paste();
    QGuiApplication::clipboard()->setText(QStringLiteral("123"));
    Field().setSelection(0, 2);
    Field().paste();
    EXPECT_EQ(Field().text(), "01/01/9970 00:00:00 to 12/31/2050 23:59:59");
}

TEST_F(MaskedField, ModeSwitchesEmptyKeepOrRenewTheField) {
    TypeAt(0, "05");
    dlg.GetIntervalButton()->click();  // already chosen: the text stays
    EXPECT_TRUE(Field().text().startsWith("05/"));
    dlg.GetStringButton()->click();
    EXPECT_EQ(Field().text(), "");
    QTest::keyClicks(&Field(), QStringLiteral("free text"));
    dlg.GetStringButton()->click();  // already chosen: still empties the field
    EXPECT_EQ(Field().text(), "");
    dlg.GetIntervalButton()->click();
    EXPECT_FALSE(dlg.m_bStringFilter);
    EXPECT_EQ(Field().text(), kMdy);  // a fresh template, not the digits typed before
}

TEST_F(MaskedField, MonthThirteenIsReportedAndTheDialogStaysOpen) {
    TypeAt(0, "13");
    QString shown;
    WhenModal<QMessageBox>([&shown](QMessageBox* box) {
        ASSERT_NE(box, nullptr);
        shown = box->text();
        box->accept();
    });
    dlg.GetOkButton()->click();
    EXPECT_EQ(shown, "The date and time you entered is not valid.");
    EXPECT_TRUE(dlg.isVisible());
    TypeAt(0, "12");
    dlg.GetOkButton()->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_strFilter, "12/01/1970 00:00:00 to 12/31/2050 23:59:59");
}

class WideSeparatorField : public MaskedField {
protected:
    WideSeparatorField() : MaskedField(Formats(DateOrder::DMY, ". ")) {}
};

TEST_F(WideSeparatorField, TwoCharacterSeparatorsAreJumpedAndValidate) {
    ASSERT_EQ(Field().text(), "01. 01. 1970 00:00:00 to 31. 12. 2050 23:59:59");
    TypeAt(0, "24121999235");
    TypeAt(24, "2");  // inside " to ": the To day
    EXPECT_EQ(Field().text(), "24. 12. 1999 23:50:00 to 21. 12. 2050 23:59:59");
    dlg.GetOkButton()->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST(FilterEntryDlg, RunsAndReturnsTextAndKind) {
    CFilterEntryDlg add;  // Add: an empty string filter is accepted as it is
    WhenModal<CFilterEntryDlg>([](CFilterEntryDlg* d) { d->GetOkButton()->click(); });
    ASSERT_EQ(add.exec(), QDialog::Accepted);
    EXPECT_TRUE(add.m_bStringFilter);
    EXPECT_EQ(add.m_strFilter, "");

    const LocaleFormats ymd = Formats(DateOrder::YMD);
    CFilterEntryDlg interval(nullptr, ymd);  // the YMD template is valid as it stands
    WhenModal<CFilterEntryDlg>([](CFilterEntryDlg* d) {
        d->GetIntervalButton()->click();
        d->GetOkButton()->click();
    });
    ASSERT_EQ(interval.exec(), QDialog::Accepted);
    EXPECT_EQ(interval.m_strFilter, "1970/01/01 00:00:00 to 2050/12/31 23:59:59");

    // Bytes that are not UTF-8 survive when the text is not changed; typed text is UTF-8.
    for (const bool type : {false, true}) {
        CFilterEntryDlg dlg;
        dlg.m_strFilter = "caf\xe9";
        WhenModal<CFilterEntryDlg>([type](CFilterEntryDlg* d) {
            QTest::keyClick(d->GetField(), Qt::Key_End);  // the field opens with its text selected
            if (type) QTest::keyClicks(d->GetField(), QStringLiteral("!"));
            d->GetOkButton()->click();
        });
        ASSERT_EQ(dlg.exec(), QDialog::Accepted);
        EXPECT_EQ(dlg.m_strFilter, type ? "caf\xc3\xa9!" : "caf\xe9");
    }
}

TEST(FilterEntryDlg, LongTextIsNotCutAtTheLineEditLimit) {
    CFilterEntryDlg big;
    WhenModal<CFilterEntryDlg>([](CFilterEntryDlg* d) {
        QGuiApplication::clipboard()->setText(QString(100 * 1024, QLatin1Char('k')));
        QTest::keyClick(d->GetField(), Qt::Key_V, Qt::ControlModifier);
        d->GetOkButton()->click();
    });
    ASSERT_EQ(big.exec(), QDialog::Accepted);
    EXPECT_EQ(big.m_strFilter.size(), 100u * 1024u);
}

TEST(FilterEntryDlg, AnIntervalFromAFilterFileIsItsOwnLayout) {
    CFilterEntryDlg dlg;
    dlg.m_bStringFilter = false;
    dlg.m_strFilter = "1/2/2003 00:00:00 to 12/31/2003 23:59:59";
    dlg.show();
    CTimeIntervalEdit& field = *dlg.GetField();
    // Its own separators, and 10, 19 to 22 and 33 by number.
    for (const int p : {1, 3, 10, 11, 19, 22, 23, 33}) EXPECT_TRUE(field.IsFixedPosition(p)) << p;
    for (const int p : {0, 2, 8, 18, 24}) EXPECT_FALSE(field.IsFixedPosition(p)) << p;
}

TEST(FilterEntryDlg, PastedLineEndMadeAFilterThatNeverMatches) {
    // Pasted line ends at the end go; a line break inside is refused before it reaches a list.
    struct Case {
        const char* pasted;
        const char* taken;  // null: refused, the dialog stays open
    };
    for (const Case c : {Case{"Heartbeat\r\n", "Heartbeat"}, Case{"Heartbeat\n\n", "Heartbeat"},
                         Case{"Heart\r\nbeat", nullptr}, Case{"Heart\rbeat\r\n", nullptr}}) {
        CFilterEntryDlg dlg;
        dlg.show();
        QGuiApplication::clipboard()->setText(QString::fromLatin1(c.pasted));
        QTest::keyClick(dlg.GetField(), Qt::Key_V, Qt::ControlModifier);
        QString shown;
        if (c.taken == nullptr) {
            WhenModal<QMessageBox>([&shown](QMessageBox* box) {
                ASSERT_NE(box, nullptr);
                shown = box->text();
                box->accept();
            });
        }
        dlg.GetOkButton()->click();
        if (c.taken != nullptr) {
            EXPECT_EQ(dlg.result(), QDialog::Accepted) << c.pasted;
            EXPECT_EQ(dlg.m_strFilter, c.taken);
        } else {
            EXPECT_TRUE(dlg.isVisible()) << c.pasted;
            EXPECT_TRUE(shown.contains(QStringLiteral("line break"))) << shown.toStdString();
        }
    }
}

TEST(FilterEntryDlg, PatternIsCheckedOnOkAndABadOneSaysWhereOnce) {
    for (const bool good : {true, false}) {
        CFilterEntryDlg dlg;
        dlg.show();
        dlg.GetPatternButton()->click();
        QTest::keyClicks(dlg.GetField(),
                         good ? QStringLiteral("checksum [0-9a-f]{8}") : QStringLiteral("ab[z-a]"));
        int boxes = 0;
        QString shown;
        if (!good) {
            WhenModal<QMessageBox>([&](QMessageBox* box) {
                ASSERT_NE(box, nullptr);
                ++boxes;
                shown = box->text();
                box->accept();
            });
        }
        dlg.GetOkButton()->click();
        EXPECT_EQ(dlg.result() == QDialog::Accepted, good);
        EXPECT_TRUE(dlg.m_bPattern);
        if (good) continue;
        EXPECT_EQ(boxes, 1);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(shown.toStdString(),
                  "The pattern cannot be used at character 4: invalid character class range: z-a.");
    }
}

}  // namespace
