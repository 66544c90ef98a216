#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "FilterList.h"

// Reads a filter file: records of one line each, ended by LF, whose first byte is the
// type (E exclude string, I include string, F exclude interval, P include interval,
// R include pattern, X exclude pattern) and whose other bytes are the filter text. Lines with any
// other first byte are skipped. A CR before the LF is a line end, not text, and a last record
// without LF is read.
class FilterFileReader {
public:
    enum class Result { Ok, OpenFailed, ReadFailed, NoMemory, Cancelled };

    // Told the bytes read so far of total (the file's size, or what was read when it
    // grew); false cancels the read. Called from the reading thread, at most once per
    // kProgressStep bytes.
    using Progress = std::function<bool(std::uint64_t done, std::uint64_t total)>;
    static constexpr std::uint64_t kProgressStep = std::uint64_t{1} << 20;
    // The name endings (after the dot) of filter files, in any letter case; a file saved
    // without one gets the first.
    static constexpr std::array<std::string_view, 2> kExtensions = {"lff", "tarnix-logfilters"};

    // Reads the file; records of any length are joined across chunks. Only a regular
    // file is read (a FIFO or a device is refused without waiting for it). On Ok, list
    // holds the file's filters in file order (empty when there are none). On OpenFailed,
    // NoMemory and Cancelled nothing is changed; on ReadFailed list is empty. error gets
    // a description of the failure ("No such file or directory").
    static Result Read(const std::string& path, FilterList& list, std::string& error,
                       const LocaleFormats& formats = GetLocaleFormats());
    // Opens the file as Read does: OpenFailed with error, or Ok with fd set.
    static Result Open(const std::string& path, int& fd, std::string& error);
    // Reads the records of the open file fd (left open) as Read does. What the filters
    // will hold is counted first and checked against the memory the process can still
    // take (NoMemory when it does not fit), and only then built.
    static Result ReadOpen(int fd, FilterList& list, std::string& error, const Progress& progress,
                           const LocaleFormats& formats = GetLocaleFormats());

    // What a reader of the file should be told about filters read from it, in one line;
    // empty when nothing. Names the interval records whose ends could not be read (they
    // cover 1970 to 2037 and so let every line through), and says when CR alone seems to
    // end the lines (the whole file was then read as one record).
    static std::string Warning(const FilterList& list,
                               const LocaleFormats& formats = GetLocaleFormats());

private:
    // What the records of a file will hold.
    struct Census {
        std::uint64_t bytes = 0;    // the bytes read, up to which the build goes
        std::uint64_t records = 0;  // records of the known types
        std::uint64_t textBytes = 0;
        std::uint64_t patterns = 0;  // records of the two pattern types
        std::uint64_t longestRecord = 0;
    };
    // Calls onPiece for every line of the file's first limit bytes, in pieces: (piece,
    // whether it ends the line); done gets the bytes read. ReadFailed with error set, or
    // Cancelled when progress (told progressBase + done of total) says so.
    template <class OnPiece>
    static Result ForEachPiece(int fd, std::uint64_t limit, std::uint64_t& done,
                               std::uint64_t total, std::uint64_t progressBase,
                               const Progress& progress, std::string& error, OnPiece&& onPiece);
    static Result Count(int fd, Census& census, std::string& error, const Progress& progress);
    // The memory the filters of a census take, and the matcher prepared from them.
    static std::uint64_t BytesNeeded(const Census& census);
    // Appends the filter of one record (without its line end) to list; a record of no
    // known type is skipped.
    static void AppendRecord(std::string_view record, FilterList& list,
                             const LocaleFormats& formats);
};
