#pragma once

#include <string>
#include <vector>

#include "IDocumentHost.h"
#include "ILineFilter.h"

// Records what the document asks of its host; answers Retry a set number of times.
class FakeDocumentHost : public IDocumentHost {
public:
    const ILineFilter* GetActiveFilters() override { return filter; }
    bool GetExcludeInvalidDates() const override { return excludeInvalid; }
    void SetLogPath(const std::string& path) override { logPath = path; }
    void SetProgressRange(std::uint64_t range) override {
        progressRange = range;
        progressPositions.clear();
    }
    void SetProgressPos(std::uint64_t pos) override { progressPositions.push_back(pos); }
    void EndProgress() override { ++progressEnds; }
    bool AskRetry(const std::string& message) override {
        messages.push_back(message);
        return retries-- > 0;
    }
    void LinesChanged() override { ++linesChanged; }
    void LoadedLinesArrived(std::int64_t) override { ++piecesArrived; }
    void LoadEnded(bool loaded) override { loadEnds.push_back(loaded); }

    const ILineFilter* filter = nullptr;
    bool excludeInvalid = false;
    int retries = 0;
    std::string logPath;
    std::uint64_t progressRange = ~std::uint64_t{0};
    std::vector<std::uint64_t> progressPositions;
    int progressEnds = 0;
    std::vector<std::string> messages;
    int linesChanged = 0;
    int piecesArrived = 0;
    std::vector<bool> loadEnds;
};
