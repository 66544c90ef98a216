#pragma once

#include <QApplication>
#include <cstdio>

#include "LocaleFormats.h"

// The application object of a benchmark that draws: on the offscreen platform unless
// another is asked for, with the built-in locale formats (so figures do not depend on the
// machine's locale) and with each line of output written as it ends.
class BenchApp {
public:
    explicit BenchApp(char** argv) : m_app(Prepare(), argv) {
        SetLocaleFormats(MakeLocaleFormats(LocaleValues{}, LocaleValues{}));
    }

private:
    int& Prepare() {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        std::setvbuf(stdout, nullptr, _IOLBF, 0);
        return m_argc;
    }

    // Qt keeps a reference to the count: the program's own arguments are not for Qt.
    int m_argc = 1;
    QApplication m_app;
};
