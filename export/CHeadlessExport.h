#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "CommandLine.h"

// The export command: writes the lines the window would show for a log, each raw line
// followed by CR LF, with the window's line cutter, filter-file reader, filters and
// preference. It streams the log in blocks instead of holding it whole, so it needs
// neither a display nor memory for the file.
class CHeadlessExport {
public:
    // args are the arguments after the program name. Exit status: 0 success, 1 a file
    // could not be opened, read or written (one line on err), 2 bad arguments, among them
    // an output that is the log or the filter file.
    static int Run(const std::vector<std::string>& args, std::ostream& err);

    // Writes the export of a parsed command line; returns the exit status.
    static int Export(const CommandLine& line, std::ostream& err);
};
