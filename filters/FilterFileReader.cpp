#include "FilterFileReader.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "CLogFile.h"

std::unique_ptr<LogFilter>* FilterFileReader::AppendRecord(std::string_view record,
                                                           std::unique_ptr<LogFilter>* tail,
                                                           const LocaleFormats& formats) {
    if (!record.empty() && record.back() == '\r') record.remove_suffix(1);
    if (record.empty()) return tail;
    FilterKind kind;
    switch (record[0]) {
        case 'E': kind = FilterKind::ExcludeString; break;
        case 'I': kind = FilterKind::IncludeString; break;
        case 'F': kind = FilterKind::ExcludeInterval; break;
        case 'P': kind = FilterKind::IncludeInterval; break;
        default: return tail;
    }
    *tail = MakeFilter(record.substr(1), kind, formats);
    return &(*tail)->next;
}

FilterFileReader::Result FilterFileReader::Read(const std::string& path, FilterList& list,
                                                std::string& error, const LocaleFormats& formats) {
    int fd = -1;
    if (const int failure = OpenRegularFile(path, fd); failure != 0) {
        error = failure == EINVAL ? "Not a regular file" : std::strerror(failure);
        return Result::OpenFailed;
    }
    FreeFilterList(list);
    Result outcome = Result::ReadFailed;
    try {
        outcome = ReadRecords(fd, list, error, formats);
    } catch (const std::bad_alloc&) {
        // A record too long for memory: the filters are gone, as after any read error.
        error = std::strerror(ENOMEM);
    }
    close(fd);
    return outcome;
}

FilterFileReader::Result FilterFileReader::ReadRecords(int fd, FilterList& list, std::string& error,
                                                       const LocaleFormats& formats) {
    FilterList result;
    std::unique_ptr<LogFilter>* tail = &result;
    std::string pending;
    char chunk[1024];
    Result outcome = Result::Ok;
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = std::strerror(errno);
            outcome = Result::ReadFailed;
            break;
        }
        if (n == 0) break;
        std::string_view rest(chunk, static_cast<std::size_t>(n));
        for (std::size_t lf = rest.find('\n'); lf != std::string_view::npos; lf = rest.find('\n')) {
            if (pending.empty()) {
                tail = AppendRecord(rest.substr(0, lf), tail, formats);
            } else {
                pending.append(rest.substr(0, lf));
                tail = AppendRecord(pending, tail, formats);
                pending.clear();
            }
            rest.remove_prefix(lf + 1);
        }
        pending.append(rest);
    }
    if (outcome != Result::Ok) return outcome;
    AppendRecord(pending, tail, formats);
    list = std::move(result);
    return Result::Ok;
}
