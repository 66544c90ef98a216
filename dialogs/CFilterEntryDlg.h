#pragma once

#include <QDialog>
#include <QString>
#include <string>

#include "LocaleFormats.h"
#include "StringTable.h"

class CTimeIntervalEdit;
class QPushButton;
class QRadioButton;

// "Enter Filter": one message filter, either a string filter (any text) or a time
// interval (From, " to ", To, typed into a masked field). The caller sets m_strFilter
// and m_bStringFilter before exec() and reads them after it returns Accepted.
class CFilterEntryDlg : public QDialog {
    Q_OBJECT

public:
    // formats gives the date order, leading zeros and separators of the interval
    // template; it must outlive the dialog.
    explicit CFilterEntryDlg(QWidget* parent = nullptr,
                             const LocaleFormats& formats = GetLocaleFormats());

    // The interval template: the From part at the first second of 1970 and the To part
    // at the last second of 2050, in the user's date order with the system separators.
    static std::string BuildIntervalTemplate(const LocaleFormats& formats);

    // Drops the line ends at the end of a string filter's text; false when a line break
    // is left inside it, which no filter may hold.
    static bool TrimLineEnds(std::string& text);

    CTimeIntervalEdit* GetField() const { return m_filterEdit; }
    QRadioButton* GetStringButton() const { return m_stringButton; }
    QRadioButton* GetIntervalButton() const { return m_intervalButton; }
    QRadioButton* GetPatternButton() const { return m_patternButton; }
    QPushButton* GetOkButton() const { return m_okButton; }

    // The filter text as bytes. When the field still shows what it was opened with, the
    // bytes are the ones given, so that a text in another encoding survives an edit
    // unchanged; typed text is stored as UTF-8.
    std::string m_strFilter;
    bool m_bStringFilter = true;  // free text: a string or a pattern
    bool m_bPattern = false;      // the text is a regular expression

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Fills the field and the radio buttons from the members; once, as the dialog opens.
    void OnInitDialog();
    void OnStringFilter();
    void OnTimeInterval();
    void OnPattern();
    // Warns why OK refused the text; the dialog stays open.
    void Report(StringId message);

    const LocaleFormats& m_formats;
    QPushButton* m_okButton = nullptr;
    CTimeIntervalEdit* m_filterEdit = nullptr;
    QRadioButton* m_stringButton = nullptr;
    QRadioButton* m_intervalButton = nullptr;
    QRadioButton* m_patternButton = nullptr;
    std::string m_strGiven;  // m_strFilter as the caller set it
    QString m_strShown;      // the same as the field showed it when the dialog opened
    bool m_bInitialized = false;
};
