#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// The export command: writes the lines the window would show for a log, each raw line
// followed by CR LF, with the window's line cutter, filter-file reader, filters and
// preference. It streams the log in blocks instead of holding it whole, so it needs
// neither a display nor memory for the file.
class CHeadlessExport {
public:
    struct Options {
        std::string output;   // "-" for standard output
        std::string filters;  // filter file, empty for none
        std::string log;
        bool excludeInvalid = false;
    };

    // Parses the arguments after the program name. Returns false with a message in
    // error for bad arguments; help is set for --help.
    static bool ParseArguments(const std::vector<std::string>& args, Options& options, bool& help,
                               std::string& error);
    static std::string Usage();

    // Exit status: 0 success, 1 a file could not be opened, read or written (one line
    // on stderr), 2 bad arguments.
    static int Run(const std::vector<std::string>& args, std::ostream& err);

    // Writes the export; returns the exit status.
    static int Export(const Options& options, std::ostream& err);
};
