#include "CHeadlessExport.h"

#include <cerrno>
#include <csignal>
#include <limits>
#include <new>
#include <optional>
#include <ostream>
#include <vector>

#include "CFilterMatcher.h"
#include "CLineFileWriter.h"
#include "CLineSelector.h"
#include "CLineStream.h"
#include "CLogFile.h"
#include "FilterFileReader.h"
#include "LocaleFormats.h"
#include "StringTable.h"

namespace {

// Writes the export to out; returns false with a message in error for a failed read.
bool WriteExport(CLogFile& log, const std::string& logPath, const ILineFilter* filter,
                 const CommandLine& options, CLineFileWriter& out, std::string& error) {
    CLineSelector selector(filter, options.excludeInvalid, GetLocaleFormats());
    CLineStream stream;
    stream.SetLfLineEnds(options.lfLineEnds);
    StringId failure = AFX_IDP_FAILED_TO_OPEN_DOC;
    auto readAt = [&](char* buffer, std::uint64_t count, std::uint64_t offset, std::uint64_t& got) {
        return log.ReadAt(buffer, count, offset, got, failure);
    };
    // A run of lines ends with one more line end; the pieces of a long line do not.
    auto write = [&](std::string_view lines, bool ends) {
        return ends ? out.AppendLine(lines) : out.Append(lines);
    };
    // A file that reports no size (a pseudo file) is read to its end.
    const std::uint64_t size =
        log.SizeKnown() ? log.Size() : std::numeric_limits<std::uint64_t>::max();
    if (!stream.Run(selector, size, readAt, write)) {
        if (out.Error() == 0) {
            error = stream.LineTooLong()
                        ? "a line of " + logPath +
                              " is too long to read its timestamp (not within its first " +
                              std::to_string(CLineStream::kTimePrefix >> 20) + " MiB)."
                        : FormatString(failure, logPath);
        }
        return false;
    }
    return out.Commit();
}

}  // namespace

int CHeadlessExport::Run(const std::vector<std::string>& args, std::ostream& err) {
    CommandLine line;
    std::string error;
    if (!CommandLine::Parse(args, line, error)) {
        err << "trawlview: " << error << "\n" << CommandLine::Usage();
        return 2;
    }
    if (line.mode == CommandLine::Mode::Help) {
        err << CommandLine::Usage();
        return 0;
    }
    if (line.mode != CommandLine::Mode::Export) {
        err << "trawlview: --export OUT is missing\n" << CommandLine::Usage();
        return 2;
    }
    // Replacing an input with its own export would destroy it; nothing is read first.
    for (const std::string* input : {&line.file, &line.filtersPath}) {
        if (CLineFileWriter::WritesInto(line.exportPath, *input)) {
            err << "trawlview: the output " << line.exportPath << " is the input file " << *input
                << "\n";
            return 2;
        }
    }
    try {
        return Export(line, err);
    } catch (const std::bad_alloc&) {
        // Unwinding removes a temporary output file.
        err << "trawlview: " << FormatString(AFX_IDP_FILE_NO_MEMORY, line.file) << "\n";
        return 1;
    }
}

int CHeadlessExport::Export(const CommandLine& options, std::ostream& err) {
    FilterList filters;
    if (!options.filtersPath.empty()) {
        std::string error;
        switch (FilterFileReader::Read(options.filtersPath, filters, error)) {
            case FilterFileReader::Result::Ok: {
                // The fallback ends let every line through: the export goes on, but says so.
                const std::string warning = FilterFileReader::Warning(filters);
                if (!warning.empty())
                    err << "trawlview: warning: " << options.filtersPath << ": " << warning << "\n";
                break;
            }
            case FilterFileReader::Result::OpenFailed:
                err << "trawlview: Could not open the filter file " << options.filtersPath << ": "
                    << error << ".\n";
                return 1;
            case FilterFileReader::Result::ReadFailed:
            case FilterFileReader::Result::Cancelled:
                err << "trawlview: Could not read the filter file " << options.filtersPath << ": "
                    << error << ".\n";
                return 1;
            case FilterFileReader::Result::NoMemory:
                err << "trawlview: " << FormatString(IDS_FILTER_FILE_NO_MEMORY, options.filtersPath)
                    << "\n";
                return 1;
        }
    }
    std::optional<CFilterMatcher> matcher;
    if (!filters.empty()) matcher.emplace(filters, options.excludeInvalid);
    const ILineFilter* filter = matcher ? &*matcher : nullptr;

    CLogFile log;
    StringId failure = AFX_IDP_FAILED_TO_OPEN_DOC;
    if (!log.Open(options.file, failure)) {
        err << "trawlview: " << FormatString(failure, options.file) << "\n";
        return 1;
    }

    // A reader that goes away (a closed pipe) ends the export quietly; a file-size limit
    // fails the write with an error instead of killing the program mid-file.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    const std::string target =
        options.exportPath == "-" ? "to standard output" : options.exportPath;
    CLineFileWriter out;
    if (!out.Open(options.exportPath)) {
        err << "trawlview: could not " << (out.TargetExisted() ? "write " : "create ") << target
            << ": " << out.FailureText() << ".\n";
        return 1;
    }
    std::string readError;
    if (WriteExport(log, options.file, filter, options, out, readError)) return 0;
    if (!readError.empty()) {
        err << "trawlview: " << readError << "\n";
    } else if (out.Error() != EPIPE) {
        err << "trawlview: could not write " << target << ": " << out.FailureText() << ".\n";
    }
    return 1;
}
