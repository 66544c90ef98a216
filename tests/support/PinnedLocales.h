#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "LocaleFormats.h"

// Tests run under one locale whatever the machine's: month, day, year with "/" and ":"
// for both the user's and the system's, as most logs are written.

// The variables that pin it, as "NAME=value", for a program a test starts.
inline const std::vector<std::string> kPinnedLocaleEnv = {"TRAWLVIEW_SYSTEM_LOCALE=MDY;/;:",
                                                          "TRAWLVIEW_USER_LOCALE=MDY;/;:"};

// Pins it in this process: the variables, for code that reads them again (the program's
// start-up), and the process-wide formats read from them.
inline void PinLocales() {
    for (const std::string& variable : kPinnedLocaleEnv) {
        const std::size_t equals = variable.find('=');
        setenv(variable.substr(0, equals).c_str(), variable.c_str() + equals + 1, 1);
    }
    LoadLocaleFormats();
}
