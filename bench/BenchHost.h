#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "CFilterMatcher.h"
#include "FilterList.h"
#include "IDocumentHost.h"

// The host the window would be, minus the window: it hands the document whatever filters
// the benchmark set, keeps no progress and never retries.
class BenchHost : public IDocumentHost {
public:
    explicit BenchHost(const char* program) : m_program(program) {}

    void SetFilters(FilterList filters) {
        m_matcher.reset();
        m_filters = std::move(filters);
    }

    const ILineFilter* GetActiveFilters() override {
        if (m_filters.empty()) return nullptr;
        m_matcher.emplace(m_filters, false);
        return &*m_matcher;
    }
    bool GetExcludeInvalidDates() const override { return false; }
    void SetLogPath(const std::string&) override {}
    void SetProgressRange(std::uint64_t) override {}
    void SetProgressPos(std::uint64_t) override {}
    void EndProgress() override {}
    bool AskRetry(const std::string& message) override {
        std::fprintf(stderr, "%s: %s\n", m_program, message.c_str());
        return false;
    }
    void LinesChanged() override {
        if (onLinesChanged) onLinesChanged();
    }
    // A benchmark's view takes a finished load whole.
    void LoadEnded(bool) override { LinesChanged(); }

    std::function<void()> onLinesChanged;

private:
    const char* m_program;
    FilterList m_filters;
    std::optional<CFilterMatcher> m_matcher;
};
