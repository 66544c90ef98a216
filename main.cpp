#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "CHeadlessExport.h"
#include "CommandLine.h"
#include "LocaleFormats.h"

#if TRAWLVIEW_GUI
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace {

// Loads the desktop program's module, found beside the executable (a build tree) or in
// ../lib/trawlview (an installed program), and runs it.
int RunDesktopProgram(int argc, char** argv) {
    char exe[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string dir = n > 0 ? std::string(exe, static_cast<std::size_t>(n)) : std::string(argv[0]);
    dir = dir.substr(0, dir.find_last_of('/') + 1);
    std::string error;
    for (const std::string& candidate :
         {dir + "trawlview-gui.so", dir + "../lib/trawlview/trawlview-gui.so"}) {
        void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) {
            error += std::string("\n  ") + dlerror();
            continue;
        }
        using Run = int (*)(int, char**);
        if (auto run = reinterpret_cast<Run>(dlsym(module, "TrawlviewRunApplication")))
            return run(argc, argv);
        error += "\n  " + candidate + ": no entry point";
    }
    std::cerr << "trawlview: cannot load the desktop program:" << error << "\n";
    return 1;
}

// Whether the window system has a display to open the window on. Without one Qt aborts
// with a message about its plugins, which tells nobody what to do.
bool HasDisplay(const std::vector<std::string>& args) {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    // Qt's own option names the platform, with one dash or two.
    for (const std::string& arg : args) {
        if (arg == "-platform" || arg == "--platform") return true;
    }
    return false;
}

}  // namespace
#endif

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    const std::vector<std::string> args(argv + 1, argv + argc);
    // Only the mode is taken here: the window reads its command line again once the
    // window system has taken its own options out.
    CommandLine line;
    std::string error;
    const bool parsed = CommandLine::Parse(args, line, error);
    if (parsed && line.mode == CommandLine::Mode::Window) {
#if TRAWLVIEW_GUI
        if (!HasDisplay(args)) {
            std::cerr << "trawlview: no display (set DISPLAY, or use --export)\n";
            return 2;
        }
        return RunDesktopProgram(argc, argv);
#else
        std::cerr << "trawlview: built without the desktop program; use --export\n"
                  << CommandLine::Usage();
        return 2;
#endif
    }
    LoadLocaleFormats();
    return CHeadlessExport::Run(args, std::cerr);
}
