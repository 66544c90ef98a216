#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

// Bytes in memory as CLineStream reads a file: up to count bytes from an offset.
struct TextSource {
    std::string_view bytes;
    bool operator()(char* buffer, std::uint64_t count, std::uint64_t at, std::uint64_t& got) const {
        got = std::min<std::uint64_t>(count, bytes.size() - at);
        std::memcpy(buffer, bytes.data() + at, static_cast<std::size_t>(got));
        return true;
    }
};

// What CLineStream hands on, back in lines: pieces are joined until a run ends, and a run
// is cut at its CR LFs (lines hold no CR, so each one joins two lines).
struct StreamedLines {
    std::vector<std::string> lines;
    std::string pending;
    bool operator()(std::string_view piece, bool ends) {
        pending.append(piece);
        if (!ends) return true;
        for (std::string_view run = pending;;) {
            const std::size_t end = run.find("\r\n");
            lines.emplace_back(run.substr(0, end));
            if (end == std::string_view::npos) break;
            run.remove_prefix(end + 2);
        }
        pending.clear();
        return true;
    }
};
