#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "CLineFinder.h"

// Lines in one block of memory, each ended by CR LF, as a loaded log holds them.
class LineBlock {
public:
    explicit LineBlock(const std::vector<std::string>& lines) {
        for (const std::string& line : lines) m_bytes += line + "\r\n";
        std::size_t start = 0;
        for (const std::string& line : lines) {
            m_spans.emplace_back(start, line.size());
            start += line.size() + 2;
        }
    }
    CLineFinder::LineSource Source() const {
        return [this](std::int64_t i) {
            const auto& [start, length] = m_spans[static_cast<std::size_t>(i)];
            return std::string_view(m_bytes).substr(start, length);
        };
    }
    std::int64_t Count() const { return static_cast<std::int64_t>(m_spans.size()); }

private:
    std::string m_bytes;
    std::vector<std::pair<std::size_t, std::size_t>> m_spans;
};
