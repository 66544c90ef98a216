#include "CommandLine.h"

#include <algorithm>
#include <array>

namespace {

struct OptionSpec {
    const char* name;
    bool takesValue;
    bool exportOnly;
};

constexpr std::array kOptions = {
    OptionSpec{"--export", true, false},        OptionSpec{"--filters", true, true},
    OptionSpec{"--exclude-invalid", false, true}, OptionSpec{"--open", true, false},
    OptionSpec{"--help", false, false},         OptionSpec{"-h", false, false},
    OptionSpec{"--lf", false, true},
    OptionSpec{"--follow", false, false},
};

const OptionSpec* FindOption(const std::string& arg) {
    const auto it = std::find_if(kOptions.begin(), kOptions.end(), [&](const OptionSpec& o) { return arg == o.name; });
    return it == kOptions.end() ? nullptr : &*it;
}

// A value that looks like an option is taken for a forgotten value, not for a file name;
// a file whose name starts with '-' is named "./-name". "-" alone is standard output.
bool LooksLikeOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

}  // namespace

std::string CommandLine::Usage() {
    return "usage: trawlview --export OUT [--filters FILE] [--exclude-invalid] [--lf] LOG\n"
           "       trawlview [--follow] [--open FILE] [LOG]\n"
           "\n"
           "  --export OUT       write the lines the window would show, each followed by\n"
           "                     CR LF, to OUT (\"-\" for standard output); no display needed\n"
           "  --filters FILE     apply the filters of a filter file (.lff, .tarnix-logfilters)\n"
           "  --exclude-invalid  leave out lines whose timestamp cannot be read\n"
           "  --lf               a lone LF ends a line too (lines end at CR, CR LF and LF)\n"
           "  --open FILE        open FILE as a dropped file: a filter file becomes the\n"
           "                     active filters, anything else loads as a log\n"
           "  --follow           start with View > Follow on: lines appended to LOG appear\n"
           "                     as they are written\n"
           "  --help             show this help\n"
           "  --                 end of options: what follows is a file name\n";
}

bool CommandLine::Parse(const std::vector<std::string>& args, CommandLine& line, std::string& error) {
    line = CommandLine();
    // The mode first: it decides whether an unknown option is an error.
    for (const std::string& arg : args) {
        if (arg == "--") break;
        if (arg == "--export" && line.mode != Mode::Help) line.mode = Mode::Export;
        if (arg == "--help" || arg == "-h") line.mode = Mode::Help;
    }
    if (line.mode == Mode::Help) return true;
    const bool exporting = line.mode == Mode::Export;

    std::vector<std::string> seen;
    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || !LooksLikeOption(arg)) {
            operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionSpec* option = FindOption(arg);
        if (option == nullptr) {
            // The window system's own options may reach the window; the export knows its own.
            if (!exporting) continue;
            error = "unknown option " + arg;
            return false;
        }
        if (std::find(seen.begin(), seen.end(), arg) != seen.end()) {
            error = arg + " given more than once";
            return false;
        }
        seen.push_back(arg);
        if (option->exportOnly && !exporting) {
            error = arg + " is an option of --export";
            return false;
        }
        std::string value;
        if (option->takesValue) {
            if (i + 1 >= args.size() || args[i + 1] == "--" || LooksLikeOption(args[i + 1])) {
                error = arg + " needs a file name";
                return false;
            }
            value = args[++i];
        }
        if (arg == "--export") {
            line.exportPath = value;
        } else if (arg == "--filters") {
            line.filtersPath = value;
        } else if (arg == "--exclude-invalid") {
            line.excludeInvalid = true;
        } else if (arg == "--lf") {
            line.lfLineEnds = true;
        } else if (arg == "--open") {
            if (exporting) {
                error = "--open is not an option of --export";
                return false;
            }
            line.openPath = value;
        } else if (arg == "--follow") {
            if (exporting) {
                error = "--follow is not an option of --export";
                return false;
            }
            line.follow = true;
        }
    }
    // The window loads the first file named and leaves any others alone.
    if (exporting && operands.size() > 1) {
        error = "more than one log file given";
        return false;
    }
    if (!operands.empty()) line.file = operands.front();
    if (exporting && line.file.empty()) {
        error = "no log file given";
        return false;
    }
    return true;
}
