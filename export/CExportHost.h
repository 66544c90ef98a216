#pragma once

#include <memory>
#include <optional>
#include <string>

#include "CFilterMatcher.h"
#include "IDocumentHost.h"
#include "LogFilter.h"

// The document's host for the headless export: holds the filters and the preference,
// turns the Retry/Cancel question into a recorded failure, and shows no progress.
class CExportHost : public IDocumentHost {
public:
    explicit CExportHost(bool excludeInvalid) : m_bExcludeInvalidDates(excludeInvalid) {}

    const ILineFilter* GetActiveFilters() override;
    bool GetExcludeInvalidDates() const override { return m_bExcludeInvalidDates; }
    void SetLogPath(const std::string& path) override { m_strLogPath = path; }
    void SetFilterPath(const std::string& path) override { m_strFilterPath = path; }
    bool ReadFilterFile() override;
    void SetProgressRange(std::uint64_t) override {}
    void SetProgressPos(std::uint64_t) override {}
    void EndProgress() override {}
    bool AskRetry(const std::string& message) override;
    void LinesChanged() override {}

    // The first failure met, or empty.
    const std::string& Failure() const { return m_strFailure; }

private:
    FilterList m_pActiveFilters;
    std::optional<CFilterMatcher> m_matcher;
    bool m_bExcludeInvalidDates;
    std::string m_strLogPath;
    std::string m_strFilterPath;
    std::string m_strFailure;
};
