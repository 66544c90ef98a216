#pragma once

#include "IMessageBoxes.h"

class QWidget;

// Message boxes over a window, titled with the program's name. Messages are bytes in the
// locale's encoding, as the paths they name.
class CMessageBoxes : public IMessageBoxes {
public:
    explicit CMessageBoxes(QWidget* parent) : m_pParent(parent) {}

    bool AskRetry(const std::string& message) override;
    void ReportFailure(const std::string& message) override;

private:
    QWidget* m_pParent;
};
