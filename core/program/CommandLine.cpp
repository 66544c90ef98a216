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
    OptionSpec{"--export", true, false},
    OptionSpec{"--filters", true, true},
    OptionSpec{"--exclude-invalid", false, true},
    OptionSpec{"--open", true, false},
    OptionSpec{"--help", false, false},
    OptionSpec{"-h", false, false},
    OptionSpec{"--lf", false, true},
    OptionSpec{"--follow", false, false},
};

const OptionSpec* FindOption(const std::string& name) {
    const auto it = std::find_if(kOptions.begin(), kOptions.end(),
                                 [&](const OptionSpec& o) { return name == o.name; });
    return it == kOptions.end() ? nullptr : &*it;
}

// The option's name: "--export=OUT" is "--export" with its value attached.
std::string OptionName(const std::string& arg) {
    const std::size_t equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
    return equals == std::string::npos ? arg : arg.substr(0, equals);
}

// A value that looks like an option is taken for a forgotten value, not for a file name;
// a file whose name starts with '-' is named "./-name". "-" alone is standard output.
bool LooksLikeOption(const std::string& arg) {
    return arg.size() > 1 && arg[0] == '-';
}

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
           "  --                 end of options: what follows is a file name\n"
           "\n"
           "An option's value may also follow it after \"=\": --export=OUT.\n";
}

bool CommandLine::Parse(const std::vector<std::string>& args, CommandLine& line,
                        std::string& error) {
    line = CommandLine();
    // The mode first: it decides whether an unknown option is an error.
    for (const std::string& arg : args) {
        if (arg == "--") break;
        const std::string name = OptionName(arg);
        if (name == "--export" && line.mode != Mode::Help) line.mode = Mode::Export;
        if (name == "--help" || name == "-h") line.mode = Mode::Help;
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
        const std::string name = OptionName(arg);
        const OptionSpec* option = FindOption(name);
        if (option == nullptr) {
            if (!exporting) {
                if (line.unknownOption.empty()) line.unknownOption = arg;
                continue;
            }
            error = "unknown option " + arg;
            return false;
        }
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
            error = name + " given more than once";
            return false;
        }
        seen.push_back(name);
        if (option->exportOnly && !exporting) {
            error = name + " is an option of --export";
            return false;
        }
        const bool attached = name.size() < arg.size();
        if (attached && !option->takesValue) {
            error = name + " takes no value";
            return false;
        }
        std::string value;
        if (attached) {
            value = arg.substr(name.size() + 1);
        } else if (option->takesValue) {
            if (i + 1 >= args.size() || args[i + 1] == "--" || LooksLikeOption(args[i + 1])) {
                error = name + " needs a file name";
                return false;
            }
            value = args[++i];
        }
        // An empty name names no file: taken as given, it read as "no filters" or failed
        // with a message naming nothing.
        if (option->takesValue && value.empty()) {
            error = name + " \"\": the file name is empty";
            return false;
        }
        if (name == "--export") {
            line.exportPath = value;
        } else if (name == "--filters") {
            line.filtersPath = value;
        } else if (name == "--exclude-invalid") {
            line.excludeInvalid = true;
        } else if (name == "--lf") {
            line.lfLineEnds = true;
        } else if (name == "--open") {
            if (exporting) {
                error = "--open is not an option of --export";
                return false;
            }
            line.openPath = value;
        } else if (name == "--follow") {
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
