#include "FilterFileReader.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "CLogFile.h"
#include "StringTable.h"

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

namespace {

// A record as the file holds it, shortened and with control bytes shown as "?", so that a
// message stays one line.
std::string RecordName(const LogFilter& filter) {
    constexpr std::size_t kShown = 40;
    std::string name(1, filter.kind == FilterKind::IncludeInterval ? 'P' : 'F');
    for (const char c : std::string_view(filter.text).substr(0, kShown)) {
        name += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    }
    if (filter.text.size() > kShown) name += "...";
    return name;
}

}  // namespace

std::string FilterFileReader::Warning(const LogFilter* list, const LocaleFormats& formats) {
    constexpr int kNamed = 5;
    std::string names;
    int fellBack = 0;
    bool crOnly = false;
    for (const LogFilter* node = list; node != nullptr; node = node->next.get()) {
        crOnly = crOnly || node->text.find('\r') != std::string::npos;
        if (!HasDefaultEnds(node->text, node->kind, formats)) continue;
        if (++fellBack > kNamed) continue;
        if (!names.empty()) names += ", ";
        names += RecordName(*node);
    }
    if (fellBack > kNamed) names += " and " + std::to_string(fellBack - kNamed) + " more";
    std::string warning = names.empty() ? std::string() : FormatString(IDS_INTERVAL_FELL_BACK, names);
    if (!crOnly) return warning;
    if (!warning.empty()) warning += ' ';
    warning += LoadString(IDS_CR_ONLY_RECORDS);
    return warning;
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
