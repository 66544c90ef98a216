#include "FilterFileBytes.h"

namespace {

// The record type of a kind; 0 for a kind no record stands for.
char RecordType(FilterKind kind) {
    switch (kind) {
        case FilterKind::ExcludeString:
            return 'E';
        case FilterKind::IncludeString:
            return 'I';
        case FilterKind::ExcludeInterval:
            return 'F';
        case FilterKind::IncludeInterval:
            return 'P';
        case FilterKind::ExcludePattern:
            return 'X';
        case FilterKind::IncludePattern:
            return 'R';
        case FilterKind::Unset:
            break;
    }
    return 0;
}

}  // namespace

const LogFilter* MakeFilterFileBytes(const FilterList& list, std::string& bytes) {
    std::size_t size = 0;
    for (const LogFilter& filter : list) {
        const std::string& text = filter.text;
        if (RecordType(filter.kind) == 0 || text.find('\n') != std::string::npos ||
            (!text.empty() && text.back() == '\r')) {
            return &filter;
        }
        size += text.size() + 2;
    }
    bytes.clear();
    bytes.reserve(size);
    for (const LogFilter& filter : list) {
        bytes += RecordType(filter.kind);
        bytes += filter.text;
        bytes += '\n';
    }
    return nullptr;
}
