#pragma once

#include <string>
#include <vector>

// The program's command line, read by one parser for the export and the window:
//
//   trawlview --export OUT [--filters FILE] [--exclude-invalid] [--lf] LOG
//   trawlview [--follow] [--open FILE] [LOG]
//   trawlview --help
//
// An option's value follows it as the next argument or after "=" (--export=OUT). An
// option given twice, an option where its value is expected, a missing or empty value,
// an unknown option and a second log of the export are errors; "--" ends the options.
// The window loads the first file named and ignores the rest. Before the window system
// has taken its own options out (-style, -platform ...) the window's command line cannot
// tell them from unknown ones: they are kept in unknownOption for the window to refuse
// once it reads what is left.
struct CommandLine {
    enum class Mode { Window, Export, Help };

    Mode mode = Mode::Window;
    std::string exportPath;   // OUT; "-" for standard output
    std::string filtersPath;  // empty for none
    bool excludeInvalid = false;
    bool lfLineEnds = false;    // --lf: a lone LF ends a line too
    std::string openPath;       // --open: the open path of a dropped file
    bool follow = false;        // --follow: the window starts with Follow on
    std::string file;           // LOG: the export's input, or the log the window loads
    std::string unknownOption;  // the window's first unknown option, empty for none

    // args are the arguments after the program name, bytes as given. False with a
    // message in error for a command line to refuse with exit status 2.
    static bool Parse(const std::vector<std::string>& args, CommandLine& line, std::string& error);
    static std::string Usage();
};
