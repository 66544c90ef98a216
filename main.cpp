#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "CHeadlessExport.h"
#include "LocaleFormats.h"

#if TRAWLVIEW_GUI
#include "RunApplication.h"
#endif

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    const std::vector<std::string> args(argv + 1, argv + argc);
    bool headless = false;
    for (const std::string& a : args) headless = headless || a == "--export" || a == "--help" || a == "-h";
#if TRAWLVIEW_GUI
    if (!headless) return RunApplication(argc, argv);
#else
    if (!headless) {
        std::cerr << "trawlview: built without the desktop program; use --export\n"
                  << CHeadlessExport::Usage();
        return 2;
    }
#endif
    LoadLocaleFormats();
    return CHeadlessExport::Run(args, std::cerr);
}
