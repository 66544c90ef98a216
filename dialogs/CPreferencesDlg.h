#pragma once

#include <QDialog>

class QCheckBox;

// "Preferences": "Exclude lines with invalid timestamps" and "Treat a lone LF as a line
// end". The caller sets m_bExcludeInvalid and m_bLfLineEnds before exec() and reads them
// after Accepted; the check boxes change them at every click, so after Cancel they must
// not be read.
class CPreferencesDlg : public QDialog {
    Q_OBJECT

public:
    explicit CPreferencesDlg(QWidget* parent = nullptr);

    QCheckBox* GetCheckBox() const { return m_excludeCheck; }
    QCheckBox* GetLfCheckBox() const { return m_lfCheck; }

    int m_bExcludeInvalid = 0;  // nonzero: checked
    int m_bLfLineEnds = 0;      // nonzero: checked

protected:
    void showEvent(QShowEvent* event) override;

private:
    QCheckBox* m_excludeCheck = nullptr;
    QCheckBox* m_lfCheck = nullptr;
    bool m_bInitialized = false;
};
