#pragma once

#include <QDialog>
#include <QPageSize>
#include <QPrinter>
#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

// "Print Setup": the printer (the printers the system knows, and printing to a PDF file,
// so a machine without a printer still has a choice), the paper size and source, the
// orientation, and the printer font that printing uses: a face among the scalable font
// families and a size in whole points.
//
// Works on copies: the printer passed in changes only when OK succeeds, and the chosen
// font is handed back through GetFontFace and GetFontSize for the caller to keep and
// store. OK refuses a size outside 4 to 65535 with a message and keeps the dialog open.
class CPrintSetupDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMinFontSize = 4;
    static constexpr int kMaxFontSize = 65535;

    // fontTenths: the application's printer font size in tenths of a point; the field
    // shows whole points, the remainder dropped.
    CPrintSetupDlg(QPrinter& printer, const QString& fontFace, int fontTenths,
                   QWidget* parent = nullptr);

    // After OK: the face chosen (empty when none is selected) and the size in points.
    const QString& GetFontFace() const { return m_strFontFace; }
    int GetFontSize() const { return m_nFontSize; }

    // The scalable font families installed, sorted without regard to case.
    static QStringList ScalableFaces();

    QComboBox* GetPrinterList() const { return m_pPrinterList; }
    QComboBox* GetPaperSizeList() const { return m_pPaperSize; }
    QComboBox* GetPaperSourceList() const { return m_pPaperSource; }
    QRadioButton* GetPortrait() const { return m_pPortrait; }
    QRadioButton* GetLandscape() const { return m_pLandscape; }
    QComboBox* GetFaceList() const { return m_pFaceList; }
    QLineEdit* GetSizeField() const { return m_pSizeField; }
    QPushButton* GetOkButton() const { return m_pOk; }

public slots:
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillPrinterDetails();
    void FillPaper(const QPageSize& current, QPrinter::PaperSource source);
    void OnProperties();
    void StepSize(int delta);
    bool IsPdfChosen() const;
    // The printer the dialog's choices describe, for the paper lists and Properties.
    void ApplyChoices(QPrinter& printer) const;

    QPrinter& m_printer;
    int m_nFontSize = kMinFontSize;
    QString m_strFontFace;

    QComboBox* m_pPrinterList = nullptr;
    QLabel* m_pStatus = nullptr;
    QLabel* m_pType = nullptr;
    QLabel* m_pWhere = nullptr;
    QLabel* m_pComment = nullptr;
    QComboBox* m_pPaperSize = nullptr;
    QComboBox* m_pPaperSource = nullptr;
    QRadioButton* m_pPortrait = nullptr;
    QRadioButton* m_pLandscape = nullptr;
    QComboBox* m_pFaceList = nullptr;
    QLineEdit* m_pSizeField = nullptr;
    // The up-down control beside the Size field.
    QToolButton* m_pSizeUp = nullptr;
    QToolButton* m_pSizeDown = nullptr;
    QPushButton* m_pOk = nullptr;
};
