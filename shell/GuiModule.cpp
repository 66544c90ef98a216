// The desktop program lives in a module that the trawlview executable loads only when it
// opens a window, so that the headless export starts without loading Qt at all: on a
// small log the export then starts in about 2 ms instead of 60 ms or more, and runs on a
// machine without Qt's libraries.
#include <QApplication>
#include <string>
#include <vector>

#include "CTrawlviewApp.h"

// Runs the desktop program with the process's command line. Returns the exit code of
// the event loop, 0 when a running program took the command-line file, or 2 for a
// command line it refused.
extern "C" __attribute__((visibility("default"))) int TrawlviewRunApplication(int argc,
                                                                              char** argv) {
    QApplication qtApp(argc, argv);
    // QApplication has taken its own options out of argv; the rest stays bytes.
    const std::vector<std::string> arguments(argv, argv + argc);
    CTrawlviewApp app;
    if (!app.InitInstance(arguments)) return app.GetExitCode();
    const int code = QApplication::exec();
    app.ExitInstance();
    return code;
}
