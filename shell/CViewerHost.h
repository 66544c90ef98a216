#pragma once

#include <string>

#include "IDocumentHost.h"

class CTrawlviewView;
class QWidget;

// The document's owner while the program is a single window without filters: no active
// filters, invalid timestamps shown, failed opens asked about in a message box, and
// every rebuild handed to the view.
class CViewerHost : public IDocumentHost {
public:
    explicit CViewerHost(QWidget* window);

    void SetView(CTrawlviewView* view) { m_pView = view; }
    const std::string& GetLogPath() const { return m_strLogPath; }

    const ILineFilter* GetActiveFilters() override { return nullptr; }
    bool GetExcludeInvalidDates() const override { return false; }
    void SetLogPath(const std::string& path) override { m_strLogPath = path; }
    void SetFilterPath(const std::string& path) override { m_strFilterPath = path; }
    // Filter files are not read yet; reports that nothing was read.
    bool ReadFilterFile() override { return false; }
    void SetProgressRange(std::uint64_t) override {}
    void SetProgressPos(std::uint64_t) override {}
    void EndProgress() override {}
    bool AskRetry(const std::string& message) override;
    void LinesChanged() override;

private:
    QWidget* m_pWindow;
    CTrawlviewView* m_pView = nullptr;
    std::string m_strLogPath;
    std::string m_strFilterPath;
};
