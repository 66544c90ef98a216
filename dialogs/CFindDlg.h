#pragma once

#include <QDialog>
#include <QPointer>

class CTrawlviewView;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The modeless Find dialog: "Find what:", "Match whole word only", "Match case", the
// direction Up or Down, "Find Next" (the default button) and "Cancel". It reports to its
// view, which owns it: every Find Next, and its closing, hand the view the text and the
// options (CTrawlviewView::OnFindReplace). It stays open across hits and deletes itself
// when it closes.
class CFindDlg : public QDialog {
    Q_OBJECT

public:
    // Starts with the view's last text and options.
    explicit CFindDlg(CTrawlviewView& owner);

    QLineEdit& FindWhatEdit() const { return *m_pFindWhat; }
    QCheckBox& WholeWordBox() const { return *m_pWholeWord; }
    QCheckBox& MatchCaseBox() const { return *m_pMatchCase; }
    QCheckBox& RegexBox() const { return *m_pRegex; }
    QRadioButton& UpButton() const { return *m_pUp; }
    QRadioButton& DownButton() const { return *m_pDown; }
    QPushButton& FindNextButton() const { return *m_pFindNext; }
    // The options as the view's find flags (FR_DOWN, FR_WHOLEWORD, FR_MATCHCASE).
    unsigned Flags() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Notify(unsigned flag);

    QPointer<CTrawlviewView> m_pOwner;
    QLineEdit* m_pFindWhat = nullptr;
    QCheckBox* m_pWholeWord = nullptr;
    QCheckBox* m_pMatchCase = nullptr;
    QCheckBox* m_pRegex = nullptr;
    QRadioButton* m_pUp = nullptr;
    QRadioButton* m_pDown = nullptr;
    QPushButton* m_pFindNext = nullptr;
};
