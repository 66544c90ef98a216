#pragma once

#include <string>

#include "LogFilter.h"

// Reads a filter file: records of one line each, ended by LF, whose first byte is the
// type (E exclude string, I include string, F exclude interval, P include interval) and
// whose other bytes are the filter text. Lines with any other first byte are skipped.
// A CR before the LF is a line end, not text, and a last record without LF is read.
class FilterFileReader {
public:
    enum class Result { Ok, OpenFailed, ReadFailed };

    // Reads the file in 1024-byte chunks; records of any length are joined across
    // chunks. Only a regular file is read (a FIFO or a device is refused without waiting
    // for it). On Ok, list holds the file's filters in file order (empty when there are
    // none). On OpenFailed nothing is changed; on ReadFailed list is empty. error gets a
    // description of the failure ("No such file or directory").
    static Result Read(const std::string& path, FilterList& list, std::string& error,
                       const LocaleFormats& formats = GetLocaleFormats());

    // What a reader of the file should be told about filters read from it, in one line;
    // empty when nothing. Names the interval records whose ends could not be read (they
    // cover 1970 to 2037 and so let every line through), and says when CR alone seems to
    // end the lines (the whole file was then read as one record).
    static std::string Warning(const LogFilter* list, const LocaleFormats& formats = GetLocaleFormats());

private:
    // Reads the records of the open file fd.
    static Result ReadRecords(int fd, FilterList& list, std::string& error, const LocaleFormats& formats);
    // Appends the filter of one record (without its line end) after tail; returns the
    // new tail (tail itself when the record is skipped).
    static std::unique_ptr<LogFilter>* AppendRecord(std::string_view record,
                                                    std::unique_ptr<LogFilter>* tail,
                                                    const LocaleFormats& formats);
};
