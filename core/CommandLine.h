#pragma once

#include <string>
#include <vector>

// The program's command line, read by one parser for the export and the window:
//
//   trawlview --export OUT [--filters FILE] [--exclude-invalid] [--lf] LOG
//   trawlview [--follow] [--open FILE] [LOG]
//   trawlview --help
//
// An option given twice, an option where its value is expected, a missing value, an
// unknown option of the export and a second log of the export are errors; "--" ends the
// options. The window's command line may still hold options of the window system, and
// the window loads the first file named: it ignores the rest.
struct CommandLine {
    enum class Mode { Window, Export, Help };

    Mode mode = Mode::Window;
    std::string exportPath;   // OUT; "-" for standard output
    std::string filtersPath;  // empty for none
    bool excludeInvalid = false;
    bool lfLineEnds = false;  // --lf: a lone LF ends a line too
    std::string openPath;  // --open: the open path of a dropped file
    bool follow = false;   // --follow: the window starts with Follow on
    std::string file;      // LOG: the export's input, or the log the window loads

    // args are the arguments after the program name, bytes as given. False with a
    // message in error for a command line to refuse with exit status 2.
    static bool Parse(const std::vector<std::string>& args, CommandLine& line, std::string& error);
    static std::string Usage();
};
