#pragma once

#include <QDialog>

class QCheckBox;

// "Preferences": the one preference, "Exclude lines with invalid timestamps". The caller
// sets m_bExcludeInvalid before exec() and reads it after Accepted; the check box
// changes it at every click, so after Cancel it must not be read.
class CPreferencesDlg : public QDialog {
    Q_OBJECT

public:
    explicit CPreferencesDlg(QWidget* parent = nullptr);

    QCheckBox* GetCheckBox() const { return m_excludeCheck; }

    int m_bExcludeInvalid = 0;  // nonzero: checked

protected:
    void showEvent(QShowEvent* event) override;

private:
    QCheckBox* m_excludeCheck = nullptr;
    bool m_bInitialized = false;
};
