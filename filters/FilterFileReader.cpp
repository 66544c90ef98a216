#include "FilterFileReader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include "CLogFile.h"
#include "MemoryBudget.h"
#include "StringTable.h"

namespace {

// Large reads: a file of gigabytes is read in seconds, not in millions of calls.
constexpr std::size_t kChunk = std::size_t{64} << 10;
// What one filter costs beside its text: its place in the list (which holds its interval
// ends), the matcher's entry for it, the text's allocation.
constexpr std::uint64_t kPerFilter = sizeof(LogFilter) + 64 + 17;
// What the matcher's engine for one pattern holds once it has matched a log for a while:
// the compiled pattern takes a few KiB to tens of KiB, and the cache it builds while
// matching grows to hundreds of KiB on ordinary lines. The engine may let it grow to
// 64 MiB, but charging each pattern that would refuse files of a few dozen patterns.
constexpr std::uint64_t kPerPattern = std::uint64_t{256} << 10;

bool IsRecordType(char c) {
    return c == 'E' || c == 'I' || c == 'F' || c == 'P' || c == 'R' || c == 'X';
}

}  // namespace

void FilterFileReader::AppendRecord(std::string_view record, FilterList& list,
                                    const LocaleFormats& formats) {
    if (!record.empty() && record.back() == '\r') record.remove_suffix(1);
    if (record.empty()) return;
    FilterKind kind;
    switch (record[0]) {
        case 'E':
            kind = FilterKind::ExcludeString;
            break;
        case 'I':
            kind = FilterKind::IncludeString;
            break;
        case 'F':
            kind = FilterKind::ExcludeInterval;
            break;
        case 'P':
            kind = FilterKind::IncludeInterval;
            break;
        case 'R':
            kind = FilterKind::IncludePattern;
            break;
        case 'X':
            kind = FilterKind::ExcludePattern;
            break;
        default:
            return;
    }
    list.Append(record.substr(1), kind, formats);
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

std::string FilterFileReader::Warning(const FilterList& list, const LocaleFormats& formats) {
    constexpr int kNamed = 5;
    std::string names;
    int fellBack = 0;
    bool crOnly = false;
    for (const LogFilter& filter : list) {
        crOnly = crOnly || filter.text.find('\r') != std::string::npos;
        if (!HasDefaultEnds(filter.text, filter.kind, formats)) continue;
        if (++fellBack > kNamed) continue;
        if (!names.empty()) names += ", ";
        names += RecordName(filter);
    }
    if (fellBack > kNamed) names += " and " + std::to_string(fellBack - kNamed) + " more";
    std::string warning =
        names.empty() ? std::string() : FormatString(IDS_INTERVAL_FELL_BACK, names);
    if (!crOnly) return warning;
    if (!warning.empty()) warning += ' ';
    warning += LoadString(IDS_CR_ONLY_RECORDS);
    return warning;
}

FilterFileReader::Result FilterFileReader::Open(const std::string& path, int& fd,
                                                std::string& error) {
    if (const int failure = OpenRegularFile(path, fd); failure != 0) {
        error = failure == EINVAL ? "Not a regular file" : std::strerror(failure);
        return Result::OpenFailed;
    }
    return Result::Ok;
}

FilterFileReader::Result FilterFileReader::Read(const std::string& path, FilterList& list,
                                                std::string& error, const LocaleFormats& formats) {
    int fd = -1;
    if (Open(path, fd, error) != Result::Ok) return Result::OpenFailed;
    const Result outcome = ReadOpen(fd, list, error, {}, formats);
    close(fd);
    return outcome;
}

template <class OnPiece>
FilterFileReader::Result FilterFileReader::ForEachPiece(int fd, std::uint64_t limit,
                                                        std::uint64_t& done, std::uint64_t total,
                                                        std::uint64_t progressBase,
                                                        const Progress& progress,
                                                        std::string& error, OnPiece&& onPiece) {
    std::vector<char> chunk(kChunk);
    done = 0;
    std::uint64_t reported = 0;
    bool lineOpen = false;
    while (done < limit) {
        if (progress && done - reported >= kProgressStep) {
            reported = done;
            if (!progress(progressBase + done, std::max(total, progressBase + done)))
                return Result::Cancelled;
        }
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, limit - done));
        const ssize_t n = pread(fd, chunk.data(), want, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = std::strerror(errno);
            return Result::ReadFailed;
        }
        if (n == 0) break;
        done += static_cast<std::uint64_t>(n);
        std::string_view rest(chunk.data(), static_cast<std::size_t>(n));
        for (std::size_t lf = rest.find('\n'); lf != std::string_view::npos; lf = rest.find('\n')) {
            onPiece(rest.substr(0, lf), true);
            rest.remove_prefix(lf + 1);
        }
        lineOpen = !rest.empty();
        if (!rest.empty()) onPiece(rest, false);
    }
    if (lineOpen) onPiece(std::string_view(), true);
    return Result::Ok;
}

FilterFileReader::Result FilterFileReader::Count(int fd, Census& census, std::string& error,
                                                 const Progress& progress) {
    struct stat st {};
    const std::uint64_t size = fstat(fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    // A file that reports no size (a pseudo file) is read to its end; others up to the
    // size they had when opened.
    const std::uint64_t limit = size > 0 ? size : UINT64_MAX;
    std::uint64_t lineLength = 0;
    char type = 0;
    return ForEachPiece(fd, limit, census.bytes, 2 * size, 0, progress, error,
                        [&](std::string_view piece, bool ends) {
                            if (lineLength == 0 && !piece.empty())
                                type = IsRecordType(piece[0]) ? piece[0] : 0;
                            lineLength += piece.size();
                            if (!ends) return;
                            if (type != 0) {
                                ++census.records;
                                census.textBytes += lineLength - 1;
                                census.longestRecord = std::max(census.longestRecord, lineLength);
                                if (type == 'R' || type == 'X') ++census.patterns;
                            }
                            lineLength = 0;
                            type = 0;
                        });
}

std::uint64_t FilterFileReader::BytesNeeded(const Census& census) {
    // The texts are held twice: by the list and by the matcher's searchers.
    return census.records * kPerFilter + census.patterns * kPerPattern + 2 * census.textBytes +
           census.longestRecord;
}

FilterFileReader::Result FilterFileReader::ReadOpen(int fd, FilterList& list, std::string& error,
                                                    const Progress& progress,
                                                    const LocaleFormats& formats) {
    Census census;
    Result outcome = Result::Ok;
    try {
        outcome = Count(fd, census, error, progress);
    } catch (const std::bad_alloc&) {
        error = std::strerror(ENOMEM);
        return Result::NoMemory;
    }
    if (outcome == Result::ReadFailed) list.Clear();
    if (outcome != Result::Ok) return outcome;
    if (!MemoryFits(BytesNeeded(census))) {
        error = std::strerror(ENOMEM);
        return Result::NoMemory;
    }
    // What was counted is built: bytes the file grew by meanwhile were not checked.
    if (census.bytes == 0) {
        list.Clear();
        return Result::Ok;
    }
    FilterList result;
    std::string pending;
    bool inLine = false;
    bool isRecord = false;
    std::uint64_t built = 0;
    try {
        // One allocation for the list: growing it would hold the old and the new array.
        result.Reserve(static_cast<std::size_t>(census.records));
        outcome = ForEachPiece(fd, census.bytes, built, 2 * census.bytes, census.bytes, progress,
                               error, [&](std::string_view piece, bool ends) {
                                   if (!inLine) isRecord = !piece.empty() && IsRecordType(piece[0]);
                                   inLine = !ends;
                                   // Other lines are passed over unread: a file of zeros
                                   // holds nothing.
                                   if (!isRecord) return;
                                   if (ends && pending.empty()) {
                                       AppendRecord(piece, result, formats);
                                   } else if (ends) {
                                       pending.append(piece);
                                       AppendRecord(pending, result, formats);
                                       pending.clear();
                                   } else {
                                       pending.append(piece);
                                   }
                               });
    } catch (const std::bad_alloc&) {
        // Taken by others since the check: the filters stay as they were.
        error = std::strerror(ENOMEM);
        return Result::NoMemory;
    }
    if (outcome == Result::ReadFailed) list.Clear();
    if (outcome != Result::Ok) return outcome;
    list = std::move(result);
    return Result::Ok;
}
